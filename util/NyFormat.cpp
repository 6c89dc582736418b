#include "util/NyFormat.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace ny {

TNyFormatSettings FormatSettings;

void ApplyFixedFormats() {
  FormatSettings = TNyFormatSettings{};
  std::setlocale(LC_NUMERIC, "C");
}

namespace {

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

void Append(std::string& out, int value, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", width, value);
  out += buf;
}

}  // namespace

std::string FormatDateTime(std::string_view format, const std::tm& t) {
  std::string out;
  bool afterHour = false;  // the last token was an hour: "m" means minutes
  size_t i = 0;
  while (i < format.size()) {
    const char c = format[i];
    const char lc = Lower(c);
    if (c == '"' || c == '\'') {
      const size_t end = format.find(c, i + 1);
      const size_t stop = end == std::string_view::npos ? format.size() : end;
      out.append(format.substr(i + 1, stop - i - 1));
      i = stop == format.size() ? stop : stop + 1;
      continue;
    }
    if (c == '/') {
      out += FormatSettings.DateSeparator;
      ++i;
      continue;
    }
    if (c == ':') {
      out += FormatSettings.TimeSeparator;
      ++i;
      continue;
    }
    if (lc != 'd' && lc != 'm' && lc != 'y' && lc != 'h' && lc != 'n' && lc != 's') {
      out += c;
      ++i;
      continue;
    }
    size_t n = 1;
    while (i + n < format.size() && Lower(format[i + n]) == lc) ++n;
    const int width = n >= 2 ? 2 : 1;
    switch (lc) {
      case 'd':
        Append(out, t.tm_mday, width);
        break;
      case 'm':
        Append(out, afterHour ? t.tm_min : t.tm_mon + 1, width);
        break;
      case 'y':
        if (n >= 4) {
          Append(out, t.tm_year + 1900, 4);
        } else {
          Append(out, (t.tm_year + 1900) % 100, 2);
        }
        break;
      case 'h':
        Append(out, t.tm_hour, width);
        break;
      case 'n':
        Append(out, t.tm_min, width);
        break;
      case 's':
        Append(out, t.tm_sec, width);
        break;
    }
    afterHour = lc == 'h';
    i += n;
  }
  return out;
}

std::string FormatDateTime(std::string_view format, std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  return FormatDateTime(format, tm);
}

std::string DateTimeToStr(std::time_t t) {
  return FormatDateTime(FormatSettings.ShortDateFormat + " " + FormatSettings.LongTimeFormat, t);
}

std::string FormatThousands(int64_t value) {
  // Digits of the magnitude; the unsigned negation keeps INT64_MIN whole.
  uint64_t mag = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::string digits = std::to_string(mag);
  std::string out;
  if (value < 0) out += '-';
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += FormatSettings.ThousandSeparator;
    out += digits[i];
  }
  return out;
}

std::string FormatFixed(double value, int decimals) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (decimals < 0) decimals = 0;
  if (decimals > 18) decimals = 18;
  // printf follows LC_NUMERIC; the point is found and replaced whatever it is.
  // The largest double has 309 integer digits; with sign, point and 18 decimals it fits.
  char buf[400];
  const int len = std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  if (len <= 0 || static_cast<size_t>(len) >= sizeof buf) return "";
  std::string out(buf, static_cast<size_t>(len));
  if (decimals == 0) return out;
  // The point may be more than one byte in some locales: keep the sign and the integer
  // digits, then the separator, then the last `decimals` digits.
  size_t intEnd = out[0] == '-' ? 1 : 0;
  while (intEnd < out.size() && out[intEnd] >= '0' && out[intEnd] <= '9') ++intEnd;
  return out.substr(0, intEnd) + FormatSettings.DecimalSeparator +
         out.substr(out.size() - static_cast<size_t>(decimals));
}

}  // namespace ny
