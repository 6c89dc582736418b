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

// The one calendar of the program: the proleptic Gregorian calendar, days counted from
// 1970-01-01 (day 0; earlier days are negative). CivilToDays takes month 1..12 and day
// 1..31 (other values give a day count without meaning); DaysToCivil gives the date of any
// day count within +-2^40 days.
int64_t CivilToDays(int64_t year, int month, int day);
void DaysToCivil(int64_t days, int& year, int& month, int& day);

// A date and time as its fields (month 1..12, hour 0..23, MSec 0..999).
struct TNyDateTime {
  int Year = 1899;
  int Month = 12;
  int Day = 30;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int MSec = 0;
};

// The one date and time formatter of the program. The format is read from left to right;
// letters are tokens without regard to case, a run of one letter being one token:
//   d, dd      day (dd: two digits)          h, hh   hour 0..23 (hh: two digits)
//   m, mm      month, but minutes when the last letter token before it was an hour, whatever
//              other characters stand between ("hh:mm", "hh.mm", "h/m" and "h 'o''clock' m"
//              give minutes; "hh:nn mm" gives the month again)
//   yy         two digits of the year; yyy or more: the year with four digits
//   n, nn      minutes                        s, ss   seconds
//   z          milliseconds (zzz: three digits)
// A run of any other letter is copied as it stands (and ends an hour's hold on "m"); "/" gives
// fs.DateSeparator and ":" fs.TimeSeparator; text between double or single quotes is copied
// without the quotes (an unclosed quote runs to the end of the format); every other character
// is copied. Fields out of range are printed as they are.
std::string FormatDateTime(std::string_view format, const TNyDateTime& t,
                           const TNyFormatSettings& fs = FormatSettings);
// The same for a broken-down time (milliseconds 0).
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
