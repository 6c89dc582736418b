// Text encodings: UTF-8 checks and cuts, and decoding of files written on Windows.
//
// The program holds every text as UTF-8. Files that come from Windows (language files,
// settings files, plain-text documents, zip entry names) may be in a legacy code page; these
// functions turn them into UTF-8. None throws.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ny {

// The one UTF-8 decoder of the program: the character that starts at s[pos] (pos < s.size()).
// Len is its length in bytes, 0 when the bytes there are not a well-formed sequence (an
// overlong form, a surrogate, a value past U+10FFFF, a cut or stray continuation byte); Cp is
// then the byte's own value, so that a caller may let the byte stand for itself.
struct TUtf8Char {
  char32_t Cp;
  size_t Len;
};
TUtf8Char Utf8Next(std::string_view s, size_t pos);

// The code points of `s`; a byte that is not part of a well-formed sequence stands for itself
// (its byte value).
std::u32string Utf8CodePoints(std::string_view s);

// Appends the UTF-8 form of `cp`; a surrogate or a value past U+10FFFF appends U+FFFD.
void AppendUtf8(std::string& out, char32_t cp);

// True when `s` is well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool IsValidUtf8(std::string_view s);

// The longest prefix of `s` of at most `maxBytes` bytes that does not end inside a UTF-8
// character. Bytes that are not valid UTF-8 count as one character each.
std::string Utf8Cut(std::string_view s, size_t maxBytes);

// The first `maxChars` characters of `s` (the whole of `s` when it is shorter). Bytes that
// are not valid UTF-8 count as one character each.
std::string Utf8Prefix(std::string_view s, size_t maxChars);

// Number of characters (code points; an invalid byte counts as one).
size_t Utf8Length(std::string_view s);

// Decodes bytes of a Windows code page (1250, 1251, 1252, 1253, 866, ...; 20866 is KOI8-R,
// 28591 to 28599 and 28605 are ISO-8859-1 to -9 and -15) to UTF-8 through
// iconv. A byte the code page does not define becomes U+FFFD. An unknown code page gives the
// bytes unchanged.
std::string DecodeCodePage(std::string_view bytes, int codePage);

// Encodes UTF-8 into a Windows code page; characters the page cannot hold become '?'.
std::string EncodeCodePage(std::string_view utf8, int codePage);

// Text of a file's bytes, always well-formed UTF-8: a byte-order mark (UTF-8, UTF-16 LE/BE)
// decides and is dropped (after a UTF-8 mark, a byte that is no part of a UTF-8 character
// becomes U+FFFD; so does a unit of UTF-16 that cannot be decoded); else valid UTF-8 is taken
// as it is; else the bytes are decoded from `legacyCodePage`.
std::string DecodeTextBytes(std::string_view bytes, int legacyCodePage = 1251);

// The Windows code page that a font character-set number names (204 -> 1251, 0 -> 1252,
// 238 -> 1250, 161 -> 1253, 162 -> 1254, 177 -> 1255, 178 -> 1256, 186 -> 1257, 222 -> 874,
// 163 -> 1258, 1 (default) -> 1251); 1251 for any other number.
int CodePageOfCharset(int charset);

}  // namespace ny
