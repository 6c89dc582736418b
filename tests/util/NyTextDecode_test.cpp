// Plain-text decoding of the viewer: a Russian text reads the same in every encoding it may
// come in; the font's character set decides what detection cannot place.
#include "util/NyTextDecode.h"

#include <gtest/gtest.h>

#include "util/NyText.h"

namespace {

const std::string kRussian =
    "Мороз и солнце; день чудесный! Ещё ты дремлешь, друг прелестный. Пора, красавица, "
    "проснись: открой сомкнуты негой взоры навстречу северной Авроры.\nВечор, ты помнишь, "
    "вьюга злилась, на мутном небе мгла носилась; луна, как бледное пятно, сквозь тучи "
    "мрачные желтела.\n";

std::string Utf16(const std::string& utf8, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  // Every letter of the text lies in the Basic Multilingual Plane.
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    unsigned cp = c;
    size_t n = 1;
    if (c >= 0xE0) {
      cp = ((c & 0x0F) << 12) | ((utf8[i + 1] & 0x3F) << 6) | (utf8[i + 2] & 0x3F);
      n = 3;
    } else if (c >= 0xC0) {
      cp = ((c & 0x1F) << 6) | (utf8[i + 1] & 0x3F);
      n = 2;
    }
    const char hi = static_cast<char>(cp >> 8), lo = static_cast<char>(cp & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
    i += n;
  }
  return out;
}

TEST(NyTextDecodeTest, RussianReadsTheSameInEveryEncoding) {
  struct {
    std::string bytes;
    ny::TTextSource source;
    int codePage;
  } cases[] = {
      {kRussian, ny::TTextSource::Utf8, 65001},
      {"\xEF\xBB\xBF" + kRussian, ny::TTextSource::Bom, 65001},
      {Utf16(kRussian, false), ny::TTextSource::Bom, 1200},
      {Utf16(kRussian, true), ny::TTextSource::Bom, 1201},
      {ny::EncodeCodePage(kRussian, 1251), ny::TTextSource::Detected, 1251},
      {ny::EncodeCodePage(kRussian, 866), ny::TTextSource::Detected, 866},
      {ny::EncodeCodePage(kRussian, 20866), ny::TTextSource::Detected, 20866},
      {ny::EncodeCodePage(kRussian, 28595), ny::TTextSource::Detected, 28595},
  };
  for (const auto& c : cases) {
    // A Western font does not mislead the detection of a Cyrillic page.
    const ny::TDecodedText d = ny::DecodeViewerText(c.bytes, 0);
    EXPECT_EQ(d.Text, kRussian) << c.codePage;
    EXPECT_EQ(d.Source, c.source) << c.codePage;
    EXPECT_EQ(d.CodePage, c.codePage);
  }
  const std::string german =
      "Der Bär läuft über die Straße, schön und groß; Käse, Öl, Übung, Mädchen, Größe, "
      "fröhlich, Grüße und Müll.\n";
  EXPECT_EQ(ny::DecodeViewerText(ny::EncodeCodePage(german, 1252), 204).Text, german);
}

TEST(NyTextDecodeTest, FontCharsetDecidesWhenDetectionCannot) {
  // Greek is no page of ours: the Greek font's 161 (1253) reads it, a Cyrillic font does not.
  const std::string greek = "Καλημέρα κόσμε, αυτό είναι ένα κείμενο στα ελληνικά για δοκιμή.";
  const std::string bytes = ny::EncodeCodePage(greek, 1253);
  const ny::TDecodedText d = ny::DecodeViewerText(bytes, 161);
  EXPECT_EQ(d.Source, ny::TTextSource::FontCharset);
  EXPECT_EQ(d.CodePage, 1253);
  EXPECT_EQ(d.Text, greek);
  EXPECT_EQ(ny::DecodeViewerText(bytes, 204).CodePage, 1251);
  EXPECT_EQ(ny::DetectCodePage(bytes), 0);
  // Undecodable bytes are replaced, never passed on.
  EXPECT_TRUE(ny::IsValidUtf8(ny::DecodeViewerText("\xFF\xFE\x00", 0).Text));
  EXPECT_TRUE(ny::IsValidUtf8(ny::DecodeViewerText("\x98\x98\x98", 0).Text));
}

TEST(NyTextDecodeTest, NormalizeLineEnds) {
  EXPECT_EQ(ny::NormalizeLineEnds("a\r\nb\rc\n\r\nd\r"), "a\nb\nc\n\nd\n");
  EXPECT_EQ(ny::NormalizeLineEnds(""), "");
}

}  // namespace
