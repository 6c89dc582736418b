#include "sqlite/NySQLiteTypes.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "sqlite/NyMemoryStream.h"
#include "sqlite/NySQLRout3.h"
#include "sqlite/NySQLiteError.h"
#include "util/NyApi.h"
#include "util/NyText.h"

namespace ny {

namespace {

std::string Lower(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return r;
}

// The whole text as a decimal integer (the toolkit's StrToInt: optional blanks around,
// optional sign); EConvertError otherwise.
int StrToIntOrRaise(std::string_view s) {
  std::string_view t = s;
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  const bool oneSign = DropPlusSign(t);
  int v = 0;
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (t.empty() || !oneSign || ec != std::errc() || p != t.data() + t.size())
    throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
  return v;
}

// A text field's size from a declared type: a negative one gives an empty field, and no field
// holds more than kMaxTextFieldSize bytes (a row is one block of memory).
int ClampTextSize(int64_t size) {
  return int(std::clamp<int64_t>(size, 0, kMaxTextFieldSize));
}

}  // namespace

const char* FieldTypeName(TFieldType type) {
  switch (type) {
    case TFieldType::ftString:
      return "ftString";
    case TFieldType::ftWideString:
      return "ftWideString";
    case TFieldType::ftSmallint:
      return "ftSmallint";
    case TFieldType::ftInteger:
      return "ftInteger";
    case TFieldType::ftWord:
      return "ftWord";
    case TFieldType::ftBoolean:
      return "ftBoolean";
    case TFieldType::ftFloat:
      return "ftFloat";
    case TFieldType::ftCurrency:
      return "ftCurrency";
    case TFieldType::ftBCD:
      return "ftBCD";
    case TFieldType::ftDate:
      return "ftDate";
    case TFieldType::ftTime:
      return "ftTime";
    case TFieldType::ftDateTime:
      return "ftDateTime";
    case TFieldType::ftBlob:
      return "ftBlob";
    case TFieldType::ftMemo:
      return "ftMemo";
    case TFieldType::ftGraphic:
      return "ftGraphic";
    case TFieldType::ftFmtMemo:
      return "ftFmtMemo";
    case TFieldType::ftUnknown:
      break;
  }
  return "ftUnknown";
}

TNyTypeInfo MapDeclaredType(std::string_view declaredType) {
  using T = TFieldType;
  std::string decl = Lower(declaredType);
  size_t open = decl.find('(');
  if (open != std::string::npos) {
    size_t close = decl.find(')');
    if (close == std::string::npos) return {T::ftString, 256, 0};
    std::string base = decl.substr(0, open);
    std::string arg = close > open ? decl.substr(open + 1, close - open - 1) : std::string();
    if (base == "varchar" || base == "char" || base == "varchar2")
      return {T::ftString, ClampTextSize(StrToIntOrRaise(arg)), 0};
    if (base == "nvarchar" || base == "nchar" || base == "nvarchar2")
      return {T::ftWideString, ClampTextSize(2 * int64_t(StrToIntOrRaise(arg))), 0};
    if (base == "numeric") {
      size_t sep = arg.find('.');
      if (sep == std::string::npos) sep = arg.find(',');
      if (sep == std::string::npos) return {T::ftFloat, StrToIntOrRaise(arg), 0};
      return {T::ftFloat, StrToIntOrRaise(arg.substr(0, sep)),
              StrToIntOrRaise(arg.substr(sep + 1, 2))};
    }
    return {T::ftString, 255, 0};
  }
  struct Row {
    const char* name;
    T type;
    int size;
  };
  static const Row rows[] = {
      {"date", T::ftDate, 10},
      {"datetime", T::ftDateTime, 24},
      {"time", T::ftTime, 12},
      {"integer", T::ftInteger, 12},
      {"int", T::ftInteger, 12},
      {"float", T::ftFloat, 12},
      {"double", T::ftFloat, 12},
      {"real", T::ftFloat, 12},
      {"boolean", T::ftBoolean, 2},
      {"logical", T::ftBoolean, 2},
      {"text", T::ftString, 255},
      {"shorttext", T::ftString, 255},
      {"string", T::ftString, 255},
      {"widetext", T::ftWideString, 512},
      {"widestring", T::ftWideString, 512},
      {"currency", T::ftCurrency, 10},
      {"financial", T::ftCurrency, 10},
      {"money", T::ftCurrency, 10},
      {"blob", T::ftBlob, 4},
      {"graphic", T::ftGraphic, 4},
      {"clob", T::ftMemo, 4},
      {"memo", T::ftMemo, 4},
      {"longtext", T::ftMemo, 4},
  };
  for (const Row& r : rows)
    if (decl == r.name) return {r.type, r.size, 0};
  return {T::ftString, 255, 0};
}

int FieldStorageSize(TFieldType type, int size) {
  using T = TFieldType;
  switch (type) {
    case T::ftString:
    case T::ftWideString:
      return 4 * std::max(0, size) + 1;
    case T::ftSmallint:
    case T::ftInteger:
    case T::ftWord:
      return 1 + 8;
    case T::ftBoolean:
      return 1 + 2;
    case T::ftFloat:
    case T::ftCurrency:
    case T::ftBCD:
      return 1 + 8;
    case T::ftDate:
    case T::ftTime:
      return 1 + 4;
    case T::ftDateTime:
      return 1 + 8;
    case T::ftBlob:
    case T::ftMemo:
    case T::ftGraphic:
    case T::ftFmtMemo:
      return int(sizeof(TNyMemoryStream*));
    case T::ftUnknown:
      break;
  }
  return -1;
}

int FieldReserveSize(TFieldType type, int size) {
  if (type == TFieldType::ftUnknown) return -1;
  if (IsTextType(type)) return size + 1;
  if (type == TFieldType::ftDateTime) return 20;
  return 12;
}

bool TextToNative(std::string_view text, TFieldType type, bool sqliteDateFormat, void* value) {
  using T = TFieldType;
  if (text.empty() || !HasValueFlag(type)) return false;
  switch (type) {
    case T::ftSmallint:
    case T::ftInteger:
    case T::ftWord: {
      int64_t v = Int64TextToNative(text);
      std::memcpy(value, &v, sizeof v);
      return true;
    }
    case T::ftFloat:
    case T::ftCurrency:
    case T::ftBCD: {
      double v = FloatTextToNative(text);
      std::memcpy(value, &v, sizeof v);
      return true;
    }
    case T::ftDate:
    case T::ftTime: {
      double ms = ParseDateTimeText(text);
      int32_t day = int32_t(std::floor(ms / kMSecsPerDay));
      int32_t v = type == T::ftDate ? day : int32_t(ms - double(day) * kMSecsPerDay);
      std::memcpy(value, &v, sizeof v);
      return true;
    }
    case T::ftDateTime: {
      double v = 0;
      if (sqliteDateFormat) {
        if (!TryParseSQLiteDateTime(text, v)) return false;
      } else {
        v = ParseDateTimeText(text);
      }
      std::memcpy(value, &v, sizeof v);
      return true;
    }
    case T::ftBoolean: {
      std::string u = AsciiUpper(TrimCtl(text));
      int64_t n = Int64TextToNative(u);
      int16_t v = (u == "TRUE" || u == "T" || u == "YES" || u == "Y" || n != 0) ? 1 : 0;
      std::memcpy(value, &v, sizeof v);
      return true;
    }
    default:
      return false;
  }
}

size_t Utf8CharsLength(std::string_view s, size_t maxChars) {
  if (s.size() <= maxChars) return s.size();  // fewer bytes than that are fewer characters
  return Utf8Prefix(s, maxChars).size();
}

size_t Utf8CutLength(std::string_view s, size_t maxBytes) {
  if (s.size() <= maxBytes) return s.size();
  size_t n = maxBytes;
  // Step back over continuation bytes, so that the cut lands before a character's lead byte.
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return n;
}

}  // namespace ny
