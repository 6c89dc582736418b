#include "app/LibText.h"

#include "util/NyApi.h"
#include "util/NyText.h"

namespace ny {

std::string LibText(std::string_view stored) {
  if (IsValidUtf8(stored)) return std::string(stored);
  return DecodeCodePage(stored, 1251);
}

bool SameLibText(std::string_view a, std::string_view b) {
  // Plain ASCII texts of different lengths can never match; most lookups end here.
  auto ascii = [](std::string_view s) {
    for (unsigned char c : s)
      if (c >= 0x80) return false;
    return true;
  };
  if (ascii(a) && ascii(b)) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
      char x = a[i], y = b[i];
      if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
      if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
      if (x != y) return false;
    }
    return true;
  }
  return AnsiUpper(LibText(a)) == AnsiUpper(LibText(b));
}

}  // namespace ny
