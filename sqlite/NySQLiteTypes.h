// Column types of the record sets: declared type -> field type, the native value form that a
// row slot holds for each type, its NULL marker, and the conversion of engine text into it.
//
// Row slots (native forms, all in host byte order):
//   text, wide text          zero-terminated UTF-8 of at most Size bytes; NULL = empty text
//   16/32-bit integer, word  int32_t; NULL = kNullInt (-2147483648)
//   Boolean                  int16_t, 0 or 1; no NULL marker
//   float, currency, BCD     double; NULL = all 64 bits set
//   date                     int32_t day number, 0001-01-01 being day 1; NULL = kNullDate
//   time                     int32_t milliseconds since midnight; NULL = 0 (midnight)
//   date-time                double: day number * 86400000 + milliseconds; NULL = the value
//                            of 1899-12-30 00:00:00.000 (kNullDateTime)
//   blob, memo, graphic,     TNyMemoryStream* owned by the row
//   formatted memo
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace ny {

enum class TFieldType {
  ftUnknown,
  ftString,
  ftWideString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
};

// Type name for messages and tests ("ftString", ...).
const char* FieldTypeName(TFieldType type);

inline bool IsTextType(TFieldType t) {
  return t == TFieldType::ftString || t == TFieldType::ftWideString;
}
inline bool IsIntegerType(TFieldType t) {
  return t == TFieldType::ftSmallint || t == TFieldType::ftInteger || t == TFieldType::ftWord;
}
inline bool IsFloatType(TFieldType t) {
  return t == TFieldType::ftFloat || t == TFieldType::ftCurrency || t == TFieldType::ftBCD;
}
inline bool IsBlobType(TFieldType t) {
  return t == TFieldType::ftBlob || t == TFieldType::ftMemo || t == TFieldType::ftGraphic ||
         t == TFieldType::ftFmtMemo;
}

inline constexpr int32_t kNullInt = INT32_MIN;
inline constexpr int32_t kNullDate = 693594;  // 1899-12-30
inline constexpr int32_t kNullTime = 0;
inline constexpr int32_t kMSecsPerDay = 86400000;
inline constexpr double kNullDateTime = 693594.0 * 86400000.0;
inline constexpr uint64_t kNullFloatBits = ~uint64_t{0};

// The float NULL marker (a NaN whose bits are all set) and its test. The test compares bits,
// so an ordinary NaN from a computation is not taken for NULL.
inline double NullFloat() {
  double d;
  std::memcpy(&d, &kNullFloatBits, sizeof d);
  return d;
}
inline bool IsNullFloat(double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  return bits == kNullFloatBits;
}

inline constexpr int kMaxTextFieldSize = 1 << 20;

// Result of MapDeclaredType.
struct TNyTypeInfo {
  TFieldType Type = TFieldType::ftString;
  int Size = 255;
  int Scale = 0;
};

// Field type, size and scale for a column's declared type. Names compare in small letters and
// must match whole: "varchar(n)", "char(n)", "varchar2(n)" -> text of n; "nvarchar(n)",
// "nchar(n)", "nvarchar2(n)" -> wide text of 2n; "numeric(p[.,]s)" -> float of size p and
// scale s (at most two digits of s are read), "numeric(p)" -> scale 0; any other name with
// "(...)" -> text 255; "(" without ")" -> text 256. Without parentheses: date 10, datetime 24,
// time 12, integer/int 12, float/double/real 12, boolean/logical 2, text/shorttext/string 255,
// widetext/widestring 512, currency/financial/money 10, blob 4, graphic 4, clob/memo/longtext
// 4 (memo); anything else text 255.
// A text size below 0 is taken as 0, one above kMaxTextFieldSize as kMaxTextFieldSize.
// Throws EConvertError "'<arg>' is not a valid integer value" when a size argument is not an
// integer (varchar(abc)).
TNyTypeInfo MapDeclaredType(std::string_view declaredType);

// Bytes a field of this type takes in a row slot: text and wide text Size + 1; integers 4;
// Boolean 2; floats 8; date 4; time 4; date-time 8; blob types the size of a stream pointer.
// -1 for ftUnknown.
int FieldStorageSize(TFieldType type, int size);

// Bytes a field of this type adds to the declared row size: text Size + 1; date-time 20;
// every other known type 12. -1 for ftUnknown.
int FieldReserveSize(TFieldType type, int size);

// One field as the connection builds it from a statement's columns.
struct TNyFieldDef {
  std::string Name;  // capital letters; "_1", "_2", ... appended to a repeated name
  TFieldType DataType = TFieldType::ftString;
  int Size = 0;           // text: bytes; other types: the size the mapping gave
  int Precision = 0;      // float types: the declared scale
  bool ReadOnly = false;  // set for a column named exactly "rowid"
  int Offset = 0;         // start of the slot in a row
  int StorageSize = 0;    // FieldStorageSize
};

// Writes the native form of engine text `text` for a non-text, non-blob field into `slot`
// (FieldStorageSize bytes):
//   integers: "" -> kNullInt, a decimal number -> its value, anything else -> 0;
//   floats: the first '.' stands for the decimal separator; "" -> the NULL marker, a number ->
//           its value, anything else -> 0;
//   date, time: ParseDateTimeText, then its day number or its milliseconds;
//   date-time: ParseSQLiteDateTime when `sqliteDateFormat`, else ParseDateTimeText;
//   Boolean: 1 for "1", "true", "t", "yes", "y" or a non-zero integer (letters in any case),
//            0 otherwise.
// Throws EConvertError "'<text>' is not a valid date" when a date, a time, or (without
// `sqliteDateFormat`) a date-time text is not readable. Text and blob types are not handled
// here (the slot is left as it is).
void TextToNative(std::string_view text, TFieldType type, bool sqliteDateFormat, void* slot);

// The longest prefix of `s` of at most `maxBytes` bytes that does not end inside a UTF-8
// character; the length of that prefix.
size_t Utf8CutLength(std::string_view s, size_t maxBytes);

}  // namespace ny
