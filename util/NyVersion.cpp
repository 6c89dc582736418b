#include "util/NyVersion.h"

namespace ny {

std::string ProductName() { return "Vellum"; }

std::string ProductVersion() { return VELLUM_VERSION; }

}  // namespace ny
