// Routines of the data layer: number and date texts as the engine stores them, the number and
// date formats of the program, the Windows-1252 <-> UTF-8 byte conversion, and the parameter
// names of a key condition.
//
// All routines are free functions without state; they read FormatSettings (util/NyFormat.h),
// which the program fixes at start, and never change it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "util/NyFormat.h"

namespace ny {

// Calendar helpers. Day numbers count 0001-01-01 as day 1 (1899-12-30 is 693594).
bool IsValidDate(int year, int month, int day);
int32_t EncodeDayNumber(int year, int month, int day);  // requires a valid date
void DecodeDayNumber(int32_t dayNumber, int* year, int* month, int* day);

// Writes the instant `msecs` (day number * 86400000 + milliseconds) by `format`, whose letters
// count in either case: d / dd the day, m / mm the month (the minutes right after an hour),
// yy the year's last two digits, yyyy (any other run of y) the year, h / hh the hour, n / nn
// the minutes, s / ss the seconds, z / zzz the milliseconds (one letter unpadded, two or more
// padded with zeros); '/' stands for the date separator and ':' for the time separator of
// `fs`; every other character is copied (quotes included). An instant outside the years 1 to
// 9999 (NaN included) gives the empty text.
std::string FormatDateTimeMs(std::string_view format, double msecs,
                             const TNyFormatSettings& fs = FormatSettings);

// The text with its first '.' replaced by the decimal separator.
std::string FixDecimalPoint(std::string_view text, char decimalSeparator);

// Drops one leading '+' of a number text. False when a '-' follows it ("+-5"): a number
// carries one sign at most.
bool DropPlusSign(std::string_view& text);

// Integer text: "" -> -2147483648 (the integer NULL marker); a whole decimal number (optional
// sign, no blanks) that fits 32 bits -> its value; anything else (12abc, 1e3, overflow) -> 0.
int32_t IntTextToNative(std::string_view text);

// As IntTextToNative for 64 bits, without a NULL marker: a whole decimal number (optional
// sign, no blanks) that fits 64 bits -> its value; anything else, "" included, -> 0.
int64_t Int64TextToNative(std::string_view text);

// Float text: the first '.' is replaced by the decimal separator (so the engine's "3.5" reads
// whatever that separator is), then "" -> the NULL marker (all bits set); a number written with
// the decimal separator (blanks around and an exponent allowed) -> its value, whatever the C
// library's locale; anything else -> 0.
double FloatTextToNative(std::string_view text);
double FloatTextToNative(std::string_view text, char decimalSeparator);

// Date-time text in the program's formats: "" -> kNullDateTime. Otherwise tried in this order:
// the short date format with a time ("h:m[:s[.z]]"), the date alone, then the date alone as
// "dd-mm-yyyy" with '-' as separator, then the date alone as "yyyy-mm-dd". Throws EConvertError
// "'<text>' is not a valid date" when no attempt reads it. FormatSettings is not changed.
double ParseDateTimeText(std::string_view text, const TNyFormatSettings& fs = FormatSettings);

// The engine's own layout, at fixed positions after every blank is removed: "yyyy-mm-dd" or
// "dd.mm.yyyy", optionally followed by "hh:nn", ":ss" and ".zzz". Any invalid part, a text
// shorter than 10 characters or another layout gives kNullDateTime (which reads as NULL).
double ParseSQLiteDateTime(std::string_view text);
// As ParseSQLiteDateTime, telling a readable text (true, `msecs` set; 1899-12-30 00:00 is an
// ordinary instant here) from an unreadable one (false, `msecs` untouched).
bool TryParseSQLiteDateTime(std::string_view text, double& msecs);

// Windows-1252 bytes -> UTF-8. The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) stand for the code points of the same value.
std::string AnsiToUtf8Text(std::string_view bytes);
// UTF-8 -> Windows-1252 bytes. One-, two- and three-byte sequences are read; a code point
// without a Windows-1252 byte, and any other byte sequence, becomes the byte 236 (0xEC).
std::string Utf8ToAnsiText(std::string_view utf8);

// `text` between two `quote` characters, each `quote` inside doubled: QuoteSQL("it's", '\'')
// is 'it''s' (a literal), QuoteSQL("a\"b", '"') is "a""b" (a name).
std::string QuoteSQL(std::string_view text, char quote);
// A table or column name for a generated statement: as it stands when it is a plain
// identifier (ASCII letters, digits and '_', not starting with a digit) that is not a keyword
// of the engine in any letter case; otherwise QuoteSQL(name, '"') ("my col", "order", "a""b",
// "имя").
std::string SQLName(std::string_view name);

// Parameter names of an SQL text as ":NAME1:NAME2" (names in capital letters, in order of
// appearance). A name is ':' followed by letters A-Z a-z, digits, '_', '#', '$' and bytes
// 128..255. Nothing inside single quotes, block comments or "--" line comments counts. With
// `keepDuplicates` false a repeated name is listed once.
std::string ScanParamNames(std::string_view text, bool keepDuplicates);
// Number of ':' in a list of ScanParamNames.
int ParamNameCount(std::string_view list);
// Name n (from 0) of the list: the text after the (n+1)-th ':' up to the next ':'; the last
// name is cut to 253 bytes. "" when n is out of range.
std::string ParamNameAt(std::string_view list, int n);

}  // namespace ny
