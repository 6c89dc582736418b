// The program's fixed number, date and time formats.
//
// The program formats numbers, dates and times the same way whatever the user's regional
// settings say: decimal separator ".", thousand separator ",", dates "dd.MM.yyyy", times
// "hh:mm" and "hh:mm:ss". The about component fixes them when the main window is created
// (ApplyFixedFormats); everything formatted afterwards follows FormatSettings.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace ny {

struct TNyFormatSettings {
  char ThousandSeparator = ',';
  char DecimalSeparator = '.';
  char DateSeparator = '.';
  std::string ShortDateFormat = "dd.MM.yyyy";
  char TimeSeparator = ':';
  std::string ShortTimeFormat = "hh:mm";
  std::string LongTimeFormat = "hh:mm:ss";
};

// The process-wide formats. They start as the fixed ones.
extern TNyFormatSettings FormatSettings;

// Sets FormatSettings to the fixed formats above and makes the C library's number
// conversions (printf, strtod) use "." whatever locale the toolkit has set, so that numbers
// are written and read alike everywhere.
void ApplyFixedFormats();

// Formats a broken-down time. Tokens, letter case ignored: "d" / "dd" day, "m" / "mm" month
// (minutes when it follows an hour token, separators between them allowed), "yy" / "yyyy"
// year, "h" / "hh" hour (0..23), "n" / "nn" minutes, "s" / "ss" seconds; "/" gives
// FormatSettings.DateSeparator and ":" FormatSettings.TimeSeparator; text in double or single
// quotes is copied without the quotes; every other character is copied. Out-of-range fields
// of `t` are printed as they are.
std::string FormatDateTime(std::string_view format, const std::tm& t);
// The date and time `t` in local time.
std::string FormatDateTime(std::string_view format, std::time_t t);

// ShortDateFormat, a blank and LongTimeFormat of the local time `t`: "07.12.2026 12:15:52".
std::string DateTimeToStr(std::time_t t);

// Decimal digits grouped by three with FormatSettings.ThousandSeparator: "-1,234,567".
std::string FormatThousands(int64_t value);

// `value` with exactly `decimals` digits (clamped to 0..18) after
// FormatSettings.DecimalSeparator, rounded to nearest from the value's exact binary form;
// trailing zeros are kept ("12.50"). Not-a-number and infinities give "NAN", "INF", "-INF".
std::string FormatFixed(double value, int decimals);

}  // namespace ny
