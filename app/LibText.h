// Texts read from a library database.
//
// A library made by the program holds UTF-8. A library made on Windows holds its texts as
// Windows-1251 bytes, since the connection stores texts unconverted; rows of both kinds may
// live in one file. Every text read from a library passes through LibText before it is shown,
// searched or compared; what the program writes is UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace ny {

// `stored` itself when it is valid UTF-8; otherwise its bytes decoded from Windows-1251.
// Never throws.
std::string LibText(std::string_view stored);

// True when the two stored texts name the same thing without regard to letter case: both
// through LibText, then compared after Unicode upper-casing (Cyrillic included), as whole
// values. Never throws.
bool SameLibText(std::string_view a, std::string_view b);

}  // namespace ny
