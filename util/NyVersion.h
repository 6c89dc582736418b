// Product name and version shown in the window caption and the about box.
#pragma once

#include <string>

namespace ny {

// "Vellum".
std::string ProductName();
// "00.20": the version as the caption and the about box show it.
std::string ProductVersion();

}  // namespace ny
