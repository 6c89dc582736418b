// Decoding of plain-text documents for the viewer.
//
// A document may come from anywhere: UTF-8, UTF-16 with a byte-order mark, or a legacy code
// page of Russian or Western systems. The order of decisions: a byte-order mark (UTF-8,
// UTF-16 LE/BE) decides; else well-formed UTF-8 is taken as it is; else the code page is
// detected (uchardet) among Windows-1251, CP866, KOI8-R, ISO-8859-5 and the Western pages
// (Windows-1252, ISO-8859-1, ISO-8859-15, Windows-1250, ISO-8859-2, CP850); when the detector
// names nothing or another page, the code page of the viewer font's character set decides
// (204 -> 1251, 0 -> 1252, 238 -> 1250, 161 -> 1253, 1 -> 1251, ...).
#pragma once

#include <string>
#include <string_view>

namespace ny {

// How DecodeViewerText chose the encoding.
enum class TTextSource { Bom, Utf8, Detected, FontCharset };

struct TDecodedText {
  std::string Text;  // well-formed UTF-8; line ends as in the file
  int CodePage = 65001;  // 65001 UTF-8, 1200 UTF-16 LE, 1201 UTF-16 BE, or the legacy page
  TTextSource Source = TTextSource::Utf8;
};

// The code page uchardet finds for `bytes` (their first 64 KiB are examined), if it is one of
// the pages listed above; 0 when the detector names none of them or when those bytes hold
// fewer than 16 bytes outside ASCII (too few to judge).
int DetectCodePage(std::string_view bytes);

// The text of a plain-text document's bytes, decided as described above; `fontCharset` is
// the viewer font's character-set number. Never fails: a byte the chosen page does not
// define becomes U+FFFD.
TDecodedText DecodeViewerText(std::string_view bytes, int fontCharset);

// `text` with every CR LF pair and every lone CR turned into LF.
std::string NormalizeLineEnds(std::string_view text);

}  // namespace ny
