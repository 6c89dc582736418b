// Characters of the RTF reader: the code pages that fonts and documents name, the UTF-8 text
// of a code-page byte, and UTF-8 encoding of a code point. None throws.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace ny {

// Writes the UTF-8 form of `cp` into `out` (room for 4 bytes) and returns its length: none
// for U+0000, U+FFFD for a surrogate or a number past U+10FFFF.
size_t EncodeUtf8(char* out, uint32_t cp);

// The code page of a font's \fcharset: 0 for 0 (ANSI) and 1 (default), which mean the
// document's page; 1252 for 2 (symbol); 10000 (77), 932 (128), 949 (129), 936 (134), 950 (136),
// 437 (255); else CodePageOfCharset (204 -> 1251, 238 -> 1250, ...).
int CodePageOfFontCharset(int charset);

// True for the code pages whose characters take one or two bytes (932, 936, 949, 950, 1361).
bool IsMultiByteCodePage(int cp);

// The UTF-8 text of each byte of a single-byte code page: ASCII as it is; a byte the page
// does not define, or any byte of a page iconv does not know, reads as in Windows-1252, and as
// U+FFFD where that defines none either. Always well-formed UTF-8.
using TByteTable = std::array<std::string, 256>;

// Byte tables, each built once (through iconv) on first use. Safe to use from several threads
// with one object per thread.
class TByteTables {
 public:
  // The table of `cp`; the reference stays valid while this object lives.
  const TByteTable& Get(int cp);

 private:
  std::map<int, std::unique_ptr<TByteTable>> own_;
};

}  // namespace ny
