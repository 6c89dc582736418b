// Column types of the record sets: declared type -> field type, the native value form that a
// record slot holds for each type, and the conversion of engine text into it.
//
// Record slots (native forms, all in host byte order). A text holds at most Size characters
// of UTF-8 (up to four bytes each); every other type except the blob types starts with a
// has-value byte (1: a value follows; 0: NULL), so that every value of the type is an
// ordinary value (midnight, 1899-12-30, -2147483648 included):
//   text, wide text          zero-terminated UTF-8, 4 * Size + 1 bytes; NULL = empty text
//   16/32-bit integer, word  flag, int64_t
//   Boolean                  flag, int16_t 0 or 1
//   float, currency, BCD     flag, double
//   date                     flag, int32_t day number, 0001-01-01 being day 1
//   time                     flag, int32_t milliseconds since midnight
//   date-time                flag, double: day number * 86400000 + milliseconds
//   blob, memo, graphic,     TNyMemoryStream* (null or an empty stream: NULL)
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

// The markers that the routines of the engine's texts (IntTextToNative, FloatTextToNative,
// ParseDateTimeText, ParseSQLiteDateTime) give for no value. Record slots do not use them:
// there a NULL is the has-value byte, and these values are ordinary ones.
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

// Bytes a field of this type takes in a record slot (see above): text and wide text 4 * Size
// + 1; integers 9; Boolean 3; floats 9; date 5; time 5; date-time 9; blob types the size of a
// stream pointer. -1 for ftUnknown.
int FieldStorageSize(TFieldType type, int size);

// True for the types whose slot starts with the has-value byte (all but text and blob types).
inline bool HasValueFlag(TFieldType t) {
  return t != TFieldType::ftUnknown && !IsTextType(t) && !IsBlobType(t);
}

// Bytes a field of this type adds to the declared row size: text Size + 1; date-time 20;
// every other known type 12. -1 for ftUnknown.
int FieldReserveSize(TFieldType type, int size);

// One field as the connection builds it from a statement's columns.
struct TNyFieldDef {
  std::string Name;  // capital letters; "_1", "_2", ... appended to a repeated name
  TFieldType DataType = TFieldType::ftString;
  int Size = 0;           // text: characters; other types: the size the mapping gave
  int Precision = 0;      // float types: the declared scale
  bool ReadOnly = false;  // set for a column named exactly "rowid"
  int Offset = 0;         // start of the slot in a record
  int StorageSize = 0;    // FieldStorageSize
  std::string ColumnName;  // the column's name as the engine reports it (no suffix, any case)
};

// Converts engine text `text` for a non-text, non-blob field into its native value (the
// slot's form after the has-value byte) at `value` and returns true, or returns false for
// NULL (nothing written):
//   every type: "" -> NULL;
//   integers: a decimal number that fits 64 bits -> its value, anything else -> 0;
//   floats: the first '.' stands for the decimal separator; a number -> its value, anything
//           else -> 0;
//   date, time: ParseDateTimeText, then its day number or its milliseconds;
//   date-time: TryParseSQLiteDateTime when `sqliteDateFormat` (unreadable -> NULL), else
//              ParseDateTimeText;
//   Boolean: 1 for "1", "true", "t", "yes", "y" or a non-zero integer (letters in any case),
//            0 otherwise.
// Throws EConvertError "'<text>' is not a valid date" when a date, a time, or (without
// `sqliteDateFormat`) a date-time text is not readable. Text and blob types give false.
bool TextToNative(std::string_view text, TFieldType type, bool sqliteDateFormat, void* value);

// The longest prefix of `s` of at most `maxBytes` bytes that does not end inside a UTF-8
// character; the length of that prefix.
size_t Utf8CutLength(std::string_view s, size_t maxBytes);
// Bytes of the first `maxChars` characters of `s` (all of `s` when it has no more); a byte that
// is not valid UTF-8 counts as one character.
size_t Utf8CharsLength(std::string_view s, size_t maxChars);

}  // namespace ny
