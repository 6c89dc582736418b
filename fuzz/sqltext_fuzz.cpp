// Texts a library file hands the data layer: declared column types, column values of every
// field type, key conditions with parameters, Windows-1252 / UTF-8 bytes, and table and column
// names put into generated statements. The first byte
// picks what the rest is read as; nothing may crash or read past the text, and the byte
// conversion must give every Windows-1252 text back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sqlite/NySQLRout3.h"
#include "sqlite/NySQLiteError.h"
#include "sqlite/NySQLiteTypes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ny;
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  switch (mode % 6) {
    case 0: {
      try {
        TNyTypeInfo info = MapDeclaredType(text);
        if (FieldStorageSize(info.Type, info.Size) < 0) std::abort();
      } catch (const EConvertError&) {
      }
      break;
    }
    case 1: {
      // A value other than 0 and the NULL marker comes only from one sign and digits.
      const int32_t n = IntTextToNative(text);
      if (n != 0 && n != kNullInt) {
        size_t i = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
        if (i == text.size()) std::abort();
        for (; i < text.size(); ++i)
          if (text[i] < '0' || text[i] > '9') std::abort();
      }
      // The same for 64 bits, which has no NULL marker.
      if (Int64TextToNative(text) != 0) {
        size_t i = text[0] == '+' || text[0] == '-' ? 1 : 0;
        if (i == text.size()) std::abort();
        for (; i < text.size(); ++i)
          if (text[i] < '0' || text[i] > '9') std::abort();
      }
      alignas(8) unsigned char slot[16] = {};
      static const TFieldType kTypes[] = {TFieldType::ftInteger,  TFieldType::ftSmallint,
                                          TFieldType::ftFloat,    TFieldType::ftCurrency,
                                          TFieldType::ftDate,     TFieldType::ftTime,
                                          TFieldType::ftDateTime, TFieldType::ftBoolean};
      for (TFieldType t : kTypes) {
        for (bool engineDates : {true, false}) {
          try {
            if (TextToNative(text, t, engineDates, slot) && text.empty()) std::abort();
          } catch (const EConvertError&) {
            if (t == TFieldType::ftDateTime && engineDates) std::abort();  // never raises
          }
        }
      }
      break;
    }
    case 2: {
      std::string list = ScanParamNames(text, (mode & 8) != 0);
      int n = ParamNameCount(list);
      for (int i = 0; i <= n; ++i) (void)ParamNameAt(list, i);
      break;
    }
    case 3: {
      if (Utf8ToAnsiText(AnsiToUtf8Text(text)) != text) std::abort();
      (void)Utf8ToAnsiText(text);
      break;
    }
    case 5: {
      // A generated statement's name reads back as the name: unquoted only when plain, else
      // in double quotes with the inner ones doubled.
      const std::string name = SQLName(text);
      if (name != text) {
        if (name.size() < 2 || name.front() != '"' || name.back() != '"') std::abort();
        std::string back;
        for (size_t i = 1; i + 1 < name.size(); ++i) {
          back += name[i];
          if (name[i] == '"' && name[++i] != '"') std::abort();
        }
        if (back != text) std::abort();
      } else if (text.empty() || text.find_first_of("\" ;-'()") != std::string_view::npos) {
        std::abort();
      }
      // A cut by characters never ends inside a character nor passes the text.
      const size_t n = Utf8CharsLength(text, size_t{mode} >> 3);
      if (n > text.size() || Utf8CutLength(text, n) != n) std::abort();
      break;
    }
    default: {
      double v = ParseSQLiteDateTime(text);
      if (v != kNullDateTime) (void)FormatDateTimeMs("yyyy-mm-dd hh:nn:ss.zzz", v);
      try {
        (void)ParseDateTimeText(text);
      } catch (const EConvertError&) {
      }
      break;
    }
  }
  return 0;
}
