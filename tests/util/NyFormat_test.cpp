#include "util/NyFormat.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::tm At(int year, int month, int day, int hour, int min, int sec) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = min;
  t.tm_sec = sec;
  return t;
}

class NyFormatTest : public ::testing::Test {
 protected:
  void SetUp() override { ny::ApplyFixedFormats(); }
  void TearDown() override { ny::ApplyFixedFormats(); }
};

TEST_F(NyFormatTest, DatesAndTimesInTheFixedFormats) {
  const std::tm t = At(2026, 12, 7, 12, 15, 52);
  EXPECT_EQ(ny::FormatDateTime(ny::FormatSettings.ShortDateFormat, t), "07.12.2026");
  EXPECT_EQ(ny::FormatDateTime(ny::FormatSettings.LongTimeFormat, t), "12:15:52");
  EXPECT_EQ(ny::FormatDateTime(ny::FormatSettings.ShortTimeFormat, t), "12:15");
  // "m" after an hour is minutes, also across a separator; letter case does not matter.
  const std::tm early = At(2001, 3, 4, 5, 6, 7);
  EXPECT_EQ(ny::FormatDateTime("d/m/yy h:m:s", early), "4.3.01 5:6:7");
  EXPECT_EQ(ny::FormatDateTime("DD.MM.YYYY HH:NN", early), "04.03.2001 05:06");
  EXPECT_EQ(ny::FormatDateTime("'day' dd \"at\" hh", early), "day 04 at 05");
  EXPECT_EQ(ny::FormatDateTime("dd 'unterminated", early), "04 unterminated");
  // The separators follow the settings.
  ny::FormatSettings.DateSeparator = '-';
  ny::FormatSettings.TimeSeparator = '.';
  EXPECT_EQ(ny::FormatDateTime("yyyy/mm/dd hh:nn", early), "2001-03-04 05.06");
  ny::ApplyFixedFormats();
  EXPECT_EQ(ny::FormatDateTime("yyyy/mm/dd", early), "2001.03.04");
}

TEST_F(NyFormatTest, MinutesAfterAnHourQuotedTextAndMilliseconds) {
  const ny::TNyDateTime t{2026, 3, 4, 5, 6, 7, 89};
  EXPECT_EQ(ny::FormatDateTime("hh.mm", t), "05.06");
  EXPECT_EQ(ny::FormatDateTime("h/m", t), "5.6");
  EXPECT_EQ(ny::FormatDateTime("hh 'h' mm", t), "05 h 06");
  EXPECT_EQ(ny::FormatDateTime("hh:nn mm", t), "05:06 03");  // the hour's hold ends at a token
  EXPECT_EQ(ny::FormatDateTime("hhTmm", t), "05T03");        // and at any other letter
  EXPECT_EQ(ny::FormatDateTime("mm/dd", t), "03.04");
  EXPECT_EQ(ny::FormatDateTime("hh:nn:ss.zzz z", t), "05:06:07.089 89");
  EXPECT_EQ(ny::FormatDateTime("y yy yyy yyyy", t), "26 26 2026 2026");
  EXPECT_EQ(ny::FormatDateTime("\"dd\" dd", t), "dd 04");
}

TEST_F(NyFormatTest, OneCalendarBothWays) {
  EXPECT_EQ(ny::CivilToDays(1970, 1, 1), 0);
  EXPECT_EQ(ny::CivilToDays(1899, 12, 30), -25569);
  EXPECT_EQ(ny::CivilToDays(2000, 3, 1), 11017);
  EXPECT_EQ(ny::CivilToDays(1, 1, 1), -719162);
  for (int64_t days : {int64_t{-719162}, int64_t{-25569}, int64_t{-1}, int64_t{0}, int64_t{11016},
                       int64_t{11017}, int64_t{2932896}}) {
    int y = 0, m = 0, d = 0;
    ny::DaysToCivil(days, y, m, d);
    EXPECT_EQ(ny::CivilToDays(y, m, d), days) << y << "-" << m << "-" << d;
  }
  int y = 0, m = 0, d = 0;
  ny::DaysToCivil(11016, y, m, d);  // a leap day
  EXPECT_EQ(y * 10000 + m * 100 + d, 20000229);
}

TEST_F(NyFormatTest, DateTimeToStrIsTheLogLineStamp) {
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  // 2026-12-07 12:15:52 UTC.
  EXPECT_EQ(ny::DateTimeToStr(static_cast<std::time_t>(1796645752)), "07.12.2026 12:15:52");
}

TEST_F(NyFormatTest, NumbersUseTheFixedSeparatorsWhateverTheLocale) {
  EXPECT_EQ(ny::FormatThousands(0), "0");
  EXPECT_EQ(ny::FormatThousands(999), "999");
  EXPECT_EQ(ny::FormatThousands(1000), "1,000");
  EXPECT_EQ(ny::FormatThousands(-1234567), "-1,234,567");
  EXPECT_EQ(ny::FormatThousands(INT64_MIN), "-9,223,372,036,854,775,808");
  EXPECT_EQ(ny::FormatFixed(12.5, 2), "12.50");
  EXPECT_EQ(ny::FormatFixed(-0.125, 1), "-0.1");
  EXPECT_EQ(ny::FormatFixed(99.96, 1), "100.0");
  EXPECT_EQ(ny::FormatFixed(7, 0), "7");
  EXPECT_EQ(ny::FormatFixed(-1.7976931348623157e308, 18).size(), 1u + 309 + 1 + 18);
  EXPECT_EQ(ny::FormatFixed(1.5, -3), "2");
  EXPECT_EQ(ny::FormatFixed(0.0 / 0.0, 2), "NAN");
  EXPECT_EQ(ny::FormatFixed(-1.0 / 0.0, 2), "-INF");
  // A locale with a decimal comma, as the toolkit may set from the environment.
  for (const char* name : {"de_DE.UTF-8", "ru_RU.UTF-8", "fr_FR.UTF-8"}) {
    if (std::setlocale(LC_NUMERIC, name) == nullptr) continue;
    EXPECT_EQ(ny::FormatFixed(3.25, 2), "3.25") << name;
    ny::ApplyFixedFormats();
    EXPECT_EQ(std::strtod("3.5", nullptr), 3.5) << name;
  }
  ny::FormatSettings.DecimalSeparator = ',';
  EXPECT_EQ(ny::FormatFixed(3.25, 2), "3,25");
}

}  // namespace
