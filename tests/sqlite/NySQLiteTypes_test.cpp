#include "sqlite/NySQLiteTypes.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <optional>

#include "sqlite/NySQLRout3.h"
#include "sqlite/NySQLiteError.h"
#include "util/NyFormat.h"

using namespace ny;

namespace {

void ExpectType(std::string_view decl, TFieldType type, int size, int scale = 0) {
  TNyTypeInfo info = MapDeclaredType(decl);
  EXPECT_EQ(info.Type, type) << decl << ": " << FieldTypeName(info.Type);
  EXPECT_EQ(info.Size, size) << decl;
  EXPECT_EQ(info.Scale, scale) << decl;
}

// The native value of a text, or none for NULL; integers are 64-bit, dates and times 32-bit.
std::optional<int64_t> IntOf(std::string_view text, TFieldType type = TFieldType::ftInteger) {
  int64_t v = 12345;
  int32_t n = 12345;
  const bool small = type == TFieldType::ftDate || type == TFieldType::ftTime;
  if (!TextToNative(text, type, true, small ? static_cast<void*>(&n) : &v)) return std::nullopt;
  return small ? n : v;
}

std::optional<double> DoubleOf(std::string_view text, TFieldType type, bool sqliteDate = true) {
  double v = 12345;
  if (!TextToNative(text, type, sqliteDate, &v)) return std::nullopt;
  return v;
}

// Restores the decimal separator and the C locale after a test changed them.
struct SeparatorGuard {
  char old = FormatSettings.DecimalSeparator;
  ~SeparatorGuard() {
    FormatSettings.DecimalSeparator = old;
    std::setlocale(LC_NUMERIC, "C");
  }
};

}  // namespace

TEST(NySQLiteTypesMap, DeclaredTypes) {
  using T = TFieldType;
  ExpectType("VARCHAR2(64)", T::ftString, 64);
  ExpectType("varchar(10)", T::ftString, 10);
  ExpectType("Char(1)", T::ftString, 1);
  ExpectType("NVARCHAR(10)", T::ftWideString, 20);
  ExpectType("nchar(3)", T::ftWideString, 6);
  ExpectType("numeric(10,2)", T::ftFloat, 10, 2);
  ExpectType("NUMERIC(10.25)", T::ftFloat, 10, 25);
  ExpectType("numeric(10,257)", T::ftFloat, 10, 25);  // at most two digits of the scale
  ExpectType("numeric(10)", T::ftFloat, 10, 0);
  ExpectType("decimal(10,2)", T::ftString, 255);  // another name with an argument
  ExpectType("varchar(12", T::ftString, 256);     // "(" without ")"
  ExpectType("INTEGER", T::ftInteger, 12);
  ExpectType("int", T::ftInteger, 12);
  ExpectType("DATE", T::ftDate, 10);
  ExpectType("DateTime", T::ftDateTime, 24);
  ExpectType("time", T::ftTime, 12);
  ExpectType("REAL", T::ftFloat, 12);
  ExpectType("double", T::ftFloat, 12);
  ExpectType("boolean", T::ftBoolean, 2);
  ExpectType("logical", T::ftBoolean, 2);
  ExpectType("string", T::ftString, 255);
  ExpectType("widestring", T::ftWideString, 512);
  ExpectType("money", T::ftCurrency, 10);
  ExpectType("blob", T::ftBlob, 4);
  ExpectType("graphic", T::ftGraphic, 4);
  ExpectType("LONGTEXT", T::ftMemo, 4);
  ExpectType("clob", T::ftMemo, 4);
  ExpectType("decimal", T::ftString, 255);
  ExpectType("integer primary key", T::ftString, 255);  // names match whole
  ExpectType("", T::ftString, 255);

  try {
    MapDeclaredType("varchar(abc)");
    ADD_FAILURE() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
  }
  EXPECT_THROW(MapDeclaredType("numeric(x,2)"), EConvertError);
  EXPECT_THROW(MapDeclaredType("varchar(+-5)"), EConvertError);  // two signs
  ExpectType("varchar(+5)", T::ftString, 5);
  // Sizes a field cannot have are brought into range, never taken as they stand.
  ExpectType("VARCHAR2(-4)", T::ftString, 0);
  ExpectType("varchar(2000000000)", T::ftString, kMaxTextFieldSize);
  ExpectType("nvarchar(2000000000)", T::ftWideString, kMaxTextFieldSize);
  EXPECT_THROW(MapDeclaredType("nvarchar()"), EConvertError);
}

TEST(NySQLiteTypesMap, SlotSizes) {
  using T = TFieldType;
  // A text slot holds its size in characters of up to four bytes; other slots a has-value
  // byte and the native value.
  EXPECT_EQ(FieldStorageSize(T::ftString, 64), 257);
  EXPECT_EQ(FieldReserveSize(T::ftString, 64), 65);
  EXPECT_EQ(FieldStorageSize(T::ftInteger, 12), 9);
  EXPECT_EQ(FieldReserveSize(T::ftInteger, 12), 12);
  EXPECT_EQ(FieldStorageSize(T::ftBoolean, 2), 3);
  EXPECT_EQ(FieldStorageSize(T::ftFloat, 12), 9);
  EXPECT_EQ(FieldStorageSize(T::ftDateTime, 24), 9);
  EXPECT_EQ(FieldReserveSize(T::ftDateTime, 24), 20);
  EXPECT_EQ(FieldStorageSize(T::ftDate, 10), 5);
  // A blob slot holds the stream's address and still fits its reserve.
  EXPECT_EQ(FieldStorageSize(T::ftMemo, 4), int(sizeof(void*)));
  EXPECT_LE(FieldStorageSize(T::ftMemo, 4), FieldReserveSize(T::ftMemo, 4));
  EXPECT_EQ(FieldStorageSize(T::ftUnknown, 0), -1);
  EXPECT_EQ(FieldReserveSize(T::ftUnknown, 0), -1);
}

TEST(NySQLiteTypesConvert, IntegersAre64BitAndOnlyTheEmptyTextIsNull) {
  EXPECT_EQ(IntOf(""), std::nullopt);
  EXPECT_EQ(IntOf("12abc"), 0);
  EXPECT_EQ(IntOf("42"), 42);
  EXPECT_EQ(IntOf("-7", TFieldType::ftSmallint), -7);
  EXPECT_EQ(IntOf("+8", TFieldType::ftWord), 8);
  EXPECT_EQ(IntOf("-2147483648"), -2147483648LL);  // an ordinary value
  EXPECT_EQ(IntOf("5000000000"), 5000000000LL);
  EXPECT_EQ(IntOf("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(IntOf("9223372036854775808"), 0);  // does not fit
  EXPECT_EQ(IntOf("3.5"), 0);
  EXPECT_EQ(IntOf(" 5"), 0);
}

TEST(NySQLiteTypesConvert, FloatsWhateverTheDecimalSeparator) {
  SeparatorGuard guard;
  EXPECT_EQ(DoubleOf("3.5", TFieldType::ftFloat), 3.5);
  EXPECT_EQ(DoubleOf("", TFieldType::ftFloat), std::nullopt);
  EXPECT_EQ(DoubleOf("abc", TFieldType::ftCurrency), 0.0);
  EXPECT_EQ(DoubleOf("-1e3", TFieldType::ftBCD), -1000.0);
  EXPECT_EQ(DoubleOf("7", TFieldType::ftFloat), 7.0);

  // A comma-decimal locale in the C library and in the program's formats.
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  FormatSettings.DecimalSeparator = ',';
  EXPECT_EQ(DoubleOf("3.5", TFieldType::ftFloat), 3.5);
  EXPECT_EQ(DoubleOf("3,5", TFieldType::ftFloat), 3.5);
  EXPECT_EQ(DoubleOf("1.2.3", TFieldType::ftFloat), 0.0);
  EXPECT_EQ(DoubleOf("-0.25", TFieldType::ftFloat), -0.25);
  FormatSettings.DecimalSeparator = '.';
  EXPECT_EQ(DoubleOf("3,5", TFieldType::ftFloat), 0.0);

  // The NULL marker is a bit pattern, not any NaN.
  EXPECT_TRUE(IsNullFloat(NullFloat()));
  EXPECT_FALSE(IsNullFloat(std::nan("")));
  EXPECT_FALSE(IsNullFloat(0.0));
}

TEST(NySQLiteTypesConvert, DatesTimesAndDateTimes) {
  using T = TFieldType;
  const int32_t day = EncodeDayNumber(2006, 6, 19);
  EXPECT_EQ(DoubleOf("2006-06-19 20:14:22", T::ftDateTime),
                   day * 86400000.0 + (20 * 3600 + 14 * 60 + 22) * 1000.0);
  EXPECT_EQ(DoubleOf("abc", T::ftDateTime), std::nullopt);
  EXPECT_EQ(DoubleOf("1899-12-30 00:00:00", T::ftDateTime), kNullDateTime);  // a real instant
  try {
    DoubleOf("abc", T::ftDateTime, false);
    ADD_FAILURE() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid date");
  }
  // Without the engine's layout the program's own formats are read.
  EXPECT_EQ(DoubleOf("19.06.2006 20:14", T::ftDateTime, false),
                   day * 86400000.0 + (20 * 60 + 14) * 60000.0);

  EXPECT_EQ(IntOf("19.06.2006", T::ftDate), day);
  EXPECT_EQ(IntOf("2006-06-19", T::ftDate), day);
  EXPECT_EQ(IntOf("", T::ftDate), std::nullopt);
  EXPECT_EQ(IntOf("1899-12-30", T::ftDate), kNullDate);
  EXPECT_EQ(IntOf("20:14:22", T::ftTime), (20 * 3600 + 14 * 60 + 22) * 1000);
  EXPECT_EQ(IntOf("19.06.2006 08:00", T::ftTime), 8 * 3600 * 1000);
  // Midnight is an ordinary time.
  EXPECT_EQ(IntOf("00:00:00", T::ftTime), 0);
  EXPECT_THROW(IntOf("noon", T::ftTime), EConvertError);
  EXPECT_THROW(IntOf("31.02.2006", T::ftDate), EConvertError);
}

TEST(NySQLiteTypesConvert, BooleansAndUntouchedTypes) {
  auto b = [](std::string_view t) -> int {
    int16_t v = 9;
    return TextToNative(t, TFieldType::ftBoolean, true, &v) ? v : -1;
  };
  EXPECT_EQ(b("1"), 1);
  EXPECT_EQ(b("true"), 1);
  EXPECT_EQ(b("Y"), 1);
  EXPECT_EQ(b("-3"), 1);
  EXPECT_EQ(b("0"), 0);
  EXPECT_EQ(b(""), -1);  // NULL
  EXPECT_EQ(b("false"), 0);
  char slot[4] = {'k', 'e', 'e', 'p'};
  EXPECT_FALSE(TextToNative("zz", TFieldType::ftString, true, slot));
  EXPECT_FALSE(TextToNative("zz", TFieldType::ftBlob, true, slot));
  EXPECT_EQ(std::string(slot, 4), "keep");
}

TEST(NySQLiteTypesConvert, Utf8CutNeverSplitsACharacter) {
  std::string zh = "\xD0\x96\xD0\x96";  // two two-byte letters
  EXPECT_EQ(Utf8CutLength(zh, 4), 4u);
  EXPECT_EQ(Utf8CutLength(zh, 3), 2u);
  EXPECT_EQ(Utf8CutLength(zh, 1), 0u);
  EXPECT_EQ(Utf8CutLength("abc", 2), 2u);
  EXPECT_EQ(Utf8CutLength("a\xE2\x82\xAC", 3), 1u);  // inside the euro sign
  EXPECT_EQ(Utf8CutLength("", 5), 0u);
}
