#include "sqlite/NySQLRout3.h"

#include <gtest/gtest.h>

#include <cmath>

#include "sqlite/NySQLiteError.h"
#include "sqlite/NySQLiteTypes.h"
#include "util/NyFormat.h"

using namespace ny;

namespace {

double At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return EncodeDayNumber(y, mo, d) * 86400000.0 + ((h * 60 + mi) * 60 + s) * 1000.0 + ms;
}

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s += char(c);
  return s;
}

}  // namespace

TEST(NySQLRout3Calendar, DayNumbersAndFormatting) {
  EXPECT_EQ(EncodeDayNumber(1, 1, 1), 1);
  EXPECT_EQ(EncodeDayNumber(1899, 12, 30), kNullDate);
  EXPECT_DOUBLE_EQ(At(1899, 12, 30), kNullDateTime);
  for (int32_t n : {1, 693594, 730000, 738000, 2958465}) {
    int y, m, d;
    DecodeDayNumber(n, &y, &m, &d);
    EXPECT_EQ(EncodeDayNumber(y, m, d), n);
  }
  EXPECT_TRUE(IsValidDate(2000, 2, 29));
  EXPECT_FALSE(IsValidDate(1900, 2, 29));
  EXPECT_FALSE(IsValidDate(2006, 13, 1));
  EXPECT_EQ(FormatDateTimeMs("yyyy-mm-dd hh:nn:ss.zzz", At(2006, 6, 19, 20, 14, 22, 5)),
            "2006-06-19 20:14:22.005");
  EXPECT_EQ(FormatDateTimeMs("dd.MM.yyyy hh:mm:ss", At(2026, 12, 7, 9, 5, 7)),
            "07.12.2026 09:05:07");
  EXPECT_EQ(FormatDateTimeMs("d/m/yy h:n", At(2026, 1, 2, 3, 4)), "2.1.26 3:4");
  // Instants outside the years 1 to 9999 have no text (nothing is cast out of range).
  EXPECT_EQ(FormatDateTimeMs("yyyy-mm-dd", At(9999, 12, 31, 23, 59, 59, 999)), "9999-12-31");
  EXPECT_EQ(FormatDateTimeMs("yyyy", At(1, 1, 1)), "0001");
  for (double bad : {std::nan(""), 1e300, -1e300, At(1, 1, 1) - 1, At(9999, 12, 31) + 86400000.0})
    EXPECT_EQ(FormatDateTimeMs("yyyy-mm-dd", bad), "") << bad;
}

TEST(NySQLRout3Dates, EngineLayoutAtFixedPositions) {
  EXPECT_DOUBLE_EQ(ParseSQLiteDateTime("2006-06-19 20:14:22.123"),
                   At(2006, 6, 19, 20, 14, 22, 123));
  EXPECT_DOUBLE_EQ(ParseSQLiteDateTime("19.06.2006 20:14"), At(2006, 6, 19, 20, 14));
  EXPECT_DOUBLE_EQ(ParseSQLiteDateTime("2006-06-19"), At(2006, 6, 19));
  EXPECT_DOUBLE_EQ(ParseSQLiteDateTime(" 2006 - 06 - 19 "), At(2006, 6, 19));  // blanks go
  EXPECT_DOUBLE_EQ(ParseSQLiteDateTime("2006/06/19"), kNullDateTime);
  EXPECT_DOUBLE_EQ(ParseSQLiteDateTime("2006-06-1"), kNullDateTime);
  EXPECT_DOUBLE_EQ(ParseSQLiteDateTime("2006-13-01"), kNullDateTime);
  EXPECT_DOUBLE_EQ(ParseSQLiteDateTime("2006-02-30"), kNullDateTime);
  EXPECT_DOUBLE_EQ(ParseSQLiteDateTime("2006-06-19 25:00"), kNullDateTime);
  EXPECT_DOUBLE_EQ(ParseSQLiteDateTime("2006-06-19 2x:00"), kNullDateTime);
  EXPECT_DOUBLE_EQ(ParseSQLiteDateTime(""), kNullDateTime);
}

TEST(NySQLRout3Dates, ProgramFormatsThenTheFallbacks) {
  const TNyFormatSettings before = FormatSettings;
  EXPECT_DOUBLE_EQ(ParseDateTimeText("19.06.2006"), At(2006, 6, 19));
  EXPECT_DOUBLE_EQ(ParseDateTimeText("19.06.2006 20:14:22"), At(2006, 6, 19, 20, 14, 22));
  EXPECT_DOUBLE_EQ(ParseDateTimeText("19-06-2006"), At(2006, 6, 19));
  EXPECT_DOUBLE_EQ(ParseDateTimeText("2006-06-19"), At(2006, 6, 19));
  EXPECT_DOUBLE_EQ(ParseDateTimeText("08:30"), At(1899, 12, 30, 8, 30));
  EXPECT_DOUBLE_EQ(ParseDateTimeText(""), kNullDateTime);
  try {
    ParseDateTimeText("abc");
    ADD_FAILURE() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid date");
  }
  EXPECT_THROW(ParseDateTimeText("2006/06/19"), EConvertError);
  // The fallbacks read a date alone; with a time after it no attempt reads the text.
  EXPECT_THROW(ParseDateTimeText("19-06-2006 20:14"), EConvertError);
  EXPECT_THROW(ParseDateTimeText("2006-06-19 20:14:22"), EConvertError);
  // Another program format: month first with slashes. The fallbacks still work and the
  // settings are the same afterwards.
  TNyFormatSettings us = before;
  us.DateSeparator = '/';
  us.ShortDateFormat = "MM/dd/yyyy";
  EXPECT_DOUBLE_EQ(ParseDateTimeText("06/19/2006", us), At(2006, 6, 19));
  EXPECT_DOUBLE_EQ(ParseDateTimeText("19-06-2006", us), At(2006, 6, 19));
  EXPECT_DOUBLE_EQ(ParseDateTimeText("2006-06-19", us), At(2006, 6, 19));
  EXPECT_EQ(FormatSettings.DateSeparator, before.DateSeparator);
  EXPECT_EQ(FormatSettings.ShortDateFormat, before.ShortDateFormat);
}

TEST(NySQLRout3Numbers, IntegerAndFloatTexts) {
  EXPECT_EQ(FixDecimalPoint("1.2.3", ','), "1,2.3");
  EXPECT_EQ(FixDecimalPoint("12", ','), "12");
  EXPECT_EQ(IntTextToNative(""), kNullInt);
  EXPECT_EQ(IntTextToNative("12abc"), 0);
  EXPECT_EQ(IntTextToNative("-12"), -12);
  EXPECT_EQ(IntTextToNative("2147483647"), 2147483647);
  EXPECT_EQ(IntTextToNative("+7"), 7);
  EXPECT_EQ(IntTextToNative("+-7"), 0);  // two signs: not a number
  EXPECT_EQ(IntTextToNative("-+7"), 0);
  EXPECT_DOUBLE_EQ(FloatTextToNative("+2.5", '.'), 2.5);
  EXPECT_DOUBLE_EQ(FloatTextToNative("+-2.5", '.'), 0.0);
  EXPECT_TRUE(IsNullFloat(FloatTextToNative("", ',')));
  EXPECT_DOUBLE_EQ(FloatTextToNative("3.5", ','), 3.5);
  EXPECT_DOUBLE_EQ(FloatTextToNative("3.5", '.'), 3.5);
  EXPECT_DOUBLE_EQ(FloatTextToNative(" 2.5e1 ", '.'), 25.0);
  EXPECT_DOUBLE_EQ(FloatTextToNative("inf", '.'), 0.0);
  EXPECT_DOUBLE_EQ(FloatTextToNative("1e999", '.'), 0.0);
}

TEST(NySQLRout3Text, Windows1252AndUtf8Bytes) {
  EXPECT_EQ(AnsiToUtf8Text(Bytes({0xE9})), Bytes({0xC3, 0xA9}));
  EXPECT_EQ(AnsiToUtf8Text(Bytes({0x80})), Bytes({0xE2, 0x82, 0xAC}));  // euro sign
  EXPECT_EQ(AnsiToUtf8Text(Bytes({0x81, 0x9D})), Bytes({0xC2, 0x81, 0xC2, 0x9D}));
  EXPECT_EQ(AnsiToUtf8Text("abc"), "abc");
  EXPECT_EQ(Utf8ToAnsiText(Bytes({0xC3, 0xA9})), Bytes({0xE9}));
  EXPECT_EQ(Utf8ToAnsiText(Bytes({0xE2, 0x82, 0xAC})), Bytes({0x80}));
  EXPECT_EQ(Utf8ToAnsiText("\xD0\x96"), Bytes({236}));          // Cyrillic Zhe: no byte
  EXPECT_EQ(Utf8ToAnsiText("\xF0\x9F\x98\x80"), Bytes({236}));  // four-byte sequence
  EXPECT_EQ(Utf8ToAnsiText(Bytes({0xC3})), Bytes({236}));       // cut sequence
  EXPECT_EQ(Utf8ToAnsiText(Bytes({0xA9, 'a'})), Bytes({236, 'a'}));
  EXPECT_EQ(Utf8ToAnsiText(Bytes({0xC2, 0x85})), Bytes({236}));  // U+0085: none in 1252
  // Every byte survives the round trip.
  std::string all;
  for (int c = 0; c < 256; ++c) all += char(c);
  EXPECT_EQ(Utf8ToAnsiText(AnsiToUtf8Text(all)), all);
}

TEST(NySQLRout3Params, NamesOutsideQuotesAndComments) {
  EXPECT_EQ(ScanParamNames("RowId=:RowId", false), ":ROWID");
  EXPECT_EQ(ScanParamNames("A=:K or B=:K", false), ":K");
  EXPECT_EQ(ScanParamNames("A=:K or B=:K", true), ":K:K");
  EXPECT_EQ(ScanParamNames("A=:K and B=:KEY and C=:key", false), ":K:KEY");
  EXPECT_EQ(ScanParamNames("a=':x' and b=:y", false), ":Y");
  EXPECT_EQ(ScanParamNames("a=1 -- :x\n and b=:y", false), ":Y");
  EXPECT_EQ(ScanParamNames("a=1 /* :x * / :z */ and b=:y", false), ":Y");
  EXPECT_EQ(ScanParamNames("a=1 /* :x", false), "");
  EXPECT_EQ(ScanParamNames("x=:n_1#$ and y=:Abc)", false), ":N_1#$:ABC");
  // The character that ends a name is not looked at again.
  EXPECT_EQ(ScanParamNames(":a:b", false), ":A");
  EXPECT_EQ(ScanParamNames("a = : b", false), "");
  // Bytes from 128 on belong to the name (UTF-8 letters).
  EXPECT_EQ(ScanParamNames("f=:\xD0\xB8\xD0\xBC\xD1\x8F", false), ":\xD0\x98\xD0\x9C\xD0\xAF");
  EXPECT_EQ(ScanParamNames("", false), "");
  EXPECT_EQ(ScanParamNames("id=:id;", false), ":ID");

  std::string list = ScanParamNames("A=:K or B=:L and :M", false);
  EXPECT_EQ(ParamNameCount(list), 3);
  EXPECT_EQ(ParamNameAt(list, 0), "K");
  EXPECT_EQ(ParamNameAt(list, 1), "L");
  EXPECT_EQ(ParamNameAt(list, 2), "M");
  EXPECT_EQ(ParamNameAt(list, 3), "");
  EXPECT_EQ(ParamNameAt(list, -1), "");
  EXPECT_EQ(ParamNameCount(""), 0);
  std::string longName(300, 'Q');
  EXPECT_EQ(ParamNameAt(":A:" + longName, 1), longName.substr(0, 253));
  EXPECT_EQ(ParamNameAt(":" + longName + ":B", 0), longName);
}
