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

int64_t CivilToDays(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void DaysToCivil(int64_t days, int& y, int& m, int& d) {
  const int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

std::string FormatDateTime(std::string_view format, const TNyDateTime& t,
                           const TNyFormatSettings& fs) {
  std::string out;
  bool afterHour = false;  // the last letter token was an hour: "m" means minutes
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
    if (lc < 'a' || lc > 'z') {
      out += c == '/' ? fs.DateSeparator : c == ':' ? fs.TimeSeparator : c;
      ++i;
      continue;
    }
    size_t n = 1;
    while (i + n < format.size() && Lower(format[i + n]) == lc) ++n;
    const int width = n >= 2 ? 2 : 1;
    switch (lc) {
      case 'd':
        Append(out, t.Day, width);
        break;
      case 'm':
        Append(out, afterHour ? t.Minute : t.Month, width);
        break;
      case 'y':
        if (n <= 2) {
          Append(out, ((t.Year % 100) + 100) % 100, 2);
        } else {
          Append(out, t.Year, 4);
        }
        break;
      case 'h':
        Append(out, t.Hour, width);
        break;
      case 'n':
        Append(out, t.Minute, width);
        break;
      case 's':
        Append(out, t.Second, width);
        break;
      case 'z':
        Append(out, t.MSec, n >= 3 ? 3 : 1);
        break;
      default:
        out.append(format.substr(i, n));
        break;
    }
    afterHour = lc == 'h';
    i += n;
  }
  return out;
}

std::string FormatDateTime(std::string_view format, const std::tm& t) {
  return FormatDateTime(format, TNyDateTime{t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                                            t.tm_min, t.tm_sec, 0});
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
