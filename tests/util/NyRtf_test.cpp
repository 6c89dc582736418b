// The rich-text reader: files of independent producers give their source's words in order;
// hand-written files check the encodings, attributes, tables and what is skipped; malformed
// input ends with the text read so far.
#include "util/NyRtf.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/TestDir.h"
#include "util/NyText.h"

namespace {

using nytest::HaveTool;
using nytest::ReadFile;
using nytest::RunShell;
using nytest::TestDir;
using nytest::WriteFile;

// Words: runs of ASCII letters and digits and of Latin-1 and Cyrillic letters (UTF-8 lead
// bytes C3, D0, D1); punctuation such as « » — is a separator.
std::vector<std::string> Words(std::string_view s) {
  std::vector<std::string> out;
  std::string w;
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char u = static_cast<unsigned char>(s[i]);
    size_t n = u < 0x80 ? 1 : u < 0xE0 ? 2 : u < 0xF0 ? 3 : 4;
    n = std::min(n, s.size() - i);
    if (std::isalnum(u) || u == 0xC3 || u == 0xD0 || u == 0xD1) {
      w.append(s.substr(i, n));
    } else if (!w.empty()) {
      out.push_back(w);
      w.clear();
    }
    i += n - 1;
  }
  if (!w.empty()) out.push_back(w);
  return out;
}

std::string PlainOf(std::string_view rtf, bool* complete = nullptr) {
  ny::TRtfDocument doc;
  EXPECT_TRUE(ny::ParseRtf(rtf, doc));
  if (complete != nullptr) *complete = doc.Complete;
  return ny::RtfPlainText(doc);
}

// Text of unrtf's HTML: tags dropped, numeric and the common named entities decoded.
std::string UnrtfText(const std::string& html) {
  std::string out;
  for (size_t i = 0; i < html.size(); ++i) {
    if (html[i] == '<') {
      const size_t e = html.find('>', i);
      if (e == std::string::npos) break;
      i = e;
      out += ' ';
    } else if (html[i] == '&') {
      const size_t e = html.find(';', i);
      if (e == std::string::npos) break;
      const std::string name = html.substr(i + 1, e - i - 1);
      std::string t = " ";
      if (!name.empty() && name[0] == '#') {
        const long cp = std::strtol(name.c_str() + 1, nullptr, 10);
        t = ny::DecodeTextBytes(std::string("\xFF\xFE") + char(cp & 0xFF) + char(cp >> 8));
      } else if (name == "eacute") {
        t = "\xC3\xA9";
      } else if (name == "egrave") {
        t = "\xC3\xA8";
      } else if (name == "iuml") {
        t = "\xC3\xAF";
      }
      out += t;
      i = e;
    } else {
      out += html[i];
    }
  }
  return out;
}

const char kLatinSource[] =
    "# The Quick Report\n\nThe **quick** brown fox jumps over the *lazy* dog near 42 rivers.\n\n"
    "| Name | Value |\n|------|-------|\n| alpha | 17 |\n| beta | 23 |\n\n"
    "Caf\xC3\xA9 cr\xC3\xA8me and na\xC3\xAFve words end the text.\n";
const char kCyrillicSource[] =
    "# Отчёт о работе\n\nМороз и **солнце**; день *чудесный*! Ещё ты дремлешь, друг прелестный.\n\n"
    "| Имя | Значение |\n|-----|----------|\n| Альфа | 17 |\n| Бета | 23 |\n\n"
    "Ёлка, щука и съезд: буквы «ё» и «ъ» на месте.\n";

TEST(NyRtfTest, ProducersGiveTheWordsOfTheirSourceInOrder) {
  if (!HaveTool("pandoc")) GTEST_SKIP() << "pandoc is not installed";
  TestDir dir;
  int n = 0;
  for (const char* source : {kLatinSource, kCyrillicSource}) {
    const std::string base = dir / ("s" + std::to_string(n++));
    WriteFile(base + ".md", source);
    std::string out;
    ASSERT_EQ(RunShell("pandoc -s -f markdown -t rtf -o '" + base + ".rtf' '" + base + ".md'", &out),
              0)
        << out;
    const std::string plain = PlainOf(ReadFile(base + ".rtf"));
    EXPECT_TRUE(ny::IsValidUtf8(plain));
    EXPECT_EQ(Words(plain), Words(source)) << plain;
    // The table's row reads as its cells separated by a tab.
    EXPECT_NE(plain.find(source == kLatinSource ? "alpha\t17\n" : "Альфа\t17\n"), std::string::npos)
        << plain;
    // unrtf is a witness: it drops letters after some \u, so each of its words must only
    // begin ours, in the same order.
    if (HaveTool("unrtf")) {
      ASSERT_EQ(RunShell("unrtf --html '" + base + ".rtf' 2>/dev/null", &out), 0);
      const size_t body = out.find("<body>");
      const auto theirs = Words(UnrtfText(out.substr(body == std::string::npos ? 0 : body)));
      const auto ours = Words(plain);
      ASSERT_EQ(theirs.size(), ours.size());
      for (size_t i = 0; i < ours.size(); ++i)
        EXPECT_EQ(ours[i].rfind(theirs[i], 0), 0u) << ours[i] << " / " << theirs[i];
    }
    if (HaveTool("soffice")) {
      WriteFile(base + ".txt", std::string(source));
      ASSERT_EQ(RunShell("cd '" + dir.Path() + "' && soffice --headless "
                         "--infilter='Text (encoded):UTF8,LF,,' --convert-to rtf '" + base +
                         ".txt' >/dev/null 2>&1"),
                0);
      EXPECT_EQ(Words(PlainOf(ReadFile(base + ".rtf"))), Words(source));
    }
  }
}

TEST(NyRtfTest, CodePagesUnicodeAndSymbols) {
  // \ansicpg1251 decides for a font of \fcharset0; \fcharset204 for a document in 1252.
  EXPECT_EQ(PlainOf("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset0 Arial;}}\\f0 "
                    "\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2\\par}"),
            "Привет\n");
  EXPECT_EQ(PlainOf("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset204 Arial "
                    "Cyr;}}\\f0 caf\\'e9 {\\f1 \\'ec\\'e8\\'f0} \\'e9\\par}"),
            "café мир é\n");
  // \uc1 default, \uc0 skips nothing, \uc2 skips two (a \'hh counts as one), a group ends a
  // skip, a surrogate pair is joined, a lone one is replaced.
  EXPECT_EQ(PlainOf("{\\rtf1 a\\u1046?b\\uc0\\u1047 c\\uc2\\u1048\\'3f?d{\\u1049?}?e\\par}"),
            "aЖbЗcИdЙ?e\n");
  EXPECT_EQ(PlainOf("{\\rtf1 \\u-10179?\\u-8704?!\\u-10179?x\\par}"), "😀!\xEF\xBF\xBDx\n");
  EXPECT_EQ(PlainOf("{\\rtf1 a\\~b\\emdash c\\{\\}\\\\\\ldblquote q\\rdblquote\\tab t\\line "
                    "l\\par}"),
            "a\xC2\xA0" "b—c{}\\“q”\tt\nl\n");
}

TEST(NyRtfTest, AttributesParagraphsAndTables) {
  ny::TRtfDocument doc;
  ASSERT_TRUE(ny::ParseRtf(
      "{\\rtf1{\\fonttbl{\\f0\\froman{\\*\\panose 02}Times New Roman;}{\\f1 Courier;}}"
      "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
      "\\pard\\qc\\li720\\fi-360 {\\b\\f1\\fs36 B}{\\i I}{\\ul U}{\\strike S}\\cf2 C\\cf0 D\\par"
      "\\pard\\trowd\\cellx100\\cellx200\\intbl x\\cell {\\pard\\intbl y1\\par}{\\pard\\intbl "
      "y2\\par}\\cell\\row\\trowd\\cellx100\\intbl z\\cell\\row\\pard\\qr after\\par}",
      doc));
  EXPECT_TRUE(doc.Complete);
  ASSERT_EQ(doc.Blocks.size(), 3u);
  const ny::TRtfParagraph& p = doc.Blocks[0].Paragraph;
  EXPECT_EQ(p.Align, ny::TRtfAlign::Center);
  EXPECT_EQ(p.LeftIndent, 720);
  EXPECT_EQ(p.FirstIndent, -360);
  ASSERT_EQ(p.Runs.size(), 6u);
  EXPECT_EQ(p.Runs[0].Text, "B");
  EXPECT_TRUE(p.Runs[0].Format.Bold);
  EXPECT_EQ(p.Runs[0].Format.FontSize, 36);
  EXPECT_EQ(p.Runs[0].Format.Face, "Courier");
  EXPECT_EQ(p.Runs[1].Format.Face, "") << "no \\f, no \\deff: the viewer's face";
  EXPECT_TRUE(p.Runs[1].Format.Italic && !p.Runs[1].Format.Bold);
  EXPECT_TRUE(p.Runs[2].Format.Underline);
  EXPECT_TRUE(p.Runs[3].Format.Strike && !p.Runs[3].Format.Underline);
  EXPECT_EQ(p.Runs[4].Format.Color, 0x0000FF);
  EXPECT_EQ(p.Runs[5].Format.Color, -1);
  ASSERT_TRUE(doc.Blocks[1].IsTable());
  ASSERT_EQ(doc.Blocks[1].Rows.size(), 2u);
  ASSERT_EQ(doc.Blocks[1].Rows[0].size(), 2u);
  EXPECT_EQ(doc.Blocks[1].Rows[0][1].Paragraphs.size(), 2u);
  EXPECT_EQ(doc.Blocks[1].Rows[1].size(), 1u);
  EXPECT_EQ(doc.Blocks[2].Paragraph.Align, ny::TRtfAlign::Right);
  EXPECT_EQ(ny::RtfPlainText(doc), "BIUSCD\nx\ty1 y2\nz\nafter\n");
  // \deff names the face of text without \f; \plain returns to it.
  ASSERT_TRUE(ny::ParseRtf("{\\rtf1\\deff1{\\fonttbl{\\f0 A;}{\\f1 B;}}x\\f0 y\\plain z}", doc));
  ASSERT_EQ(doc.Blocks.size(), 1u);
  ASSERT_EQ(doc.Blocks[0].Paragraph.Runs.size(), 3u);
  EXPECT_EQ(doc.Blocks[0].Paragraph.Runs[2].Format.Face, "B");
}

TEST(NyRtfTest, SkippedGroupsShowNothing) {
  EXPECT_EQ(PlainOf("{\\rtf1{\\*\\generator Gen;}{\\info{\\title Title}{\\author Who}}"
                    "{\\stylesheet{\\s0 Normal;}}{\\header Head}{\\footerr Foot}"
                    "{\\pict\\pngblip 89504e47{\\*\\blipuid 1}}{\\object{\\*\\objdata 01}{\\result "
                    "R}}{\\field{\\*\\fldinst HYPERLINK \"u\"}{\\fldrslt shown}} "
                    "{\\*\\unknown{a{b}}c}{\\v hidden}x\\bin3 {}}y{\\*\\x \\} \\{ }z\\par}"),
            "shown xyz\n");
}

TEST(NyRtfTest, MalformedInputGivesTheTextReadSoFar) {
  bool complete = true;
  EXPECT_EQ(PlainOf("{\\rtf1 one\\par two {\\b three {\\i fo", &complete), "one\ntwo three fo\n");
  EXPECT_FALSE(complete);
  EXPECT_EQ(PlainOf("{\\rtf1 a\\par}} b}", &complete), "a\n");
  EXPECT_TRUE(complete);
  EXPECT_EQ(PlainOf("{\\rtf1 a\\'4"), "a\n");
  EXPECT_EQ(PlainOf("{\\rtf1 a\\'4x"), "ax\n");
  EXPECT_EQ(PlainOf("{\\rtf1 x\\" + std::string(10000, 'q') + " y\\fs" + std::string(40, '9') +
                    " z\\u99999999999 w\\li-99999999999 v}"),
            "xyz\xEF\xBF\xBDv\n");
  EXPECT_EQ(PlainOf("{\\rtf1 " + std::string(100000, '{') + "deep" + std::string(100000, '}') +
                    " end}",
                    &complete),
            "deep end\n");
  EXPECT_TRUE(complete);
  std::string open = "{\\rtf1 ";
  for (int i = 0; i < 100000; ++i) open += "{\\b ";
  EXPECT_EQ(PlainOf(open + "x"), "x\n");
  // Cells never closed by \row still show; a \bin longer than the file ends it.
  EXPECT_EQ(PlainOf("{\\rtf1\\trowd\\intbl a\\cell b"), "a\tb\n");
  EXPECT_EQ(PlainOf("{\\rtf1 a\\bin999999999 xyz"), "a\n");
  ny::TRtfDocument doc;
  EXPECT_FALSE(ny::ParseRtf("plain {\\rtf1 text}", doc));
  EXPECT_FALSE(ny::ParseRtf("", doc));
  EXPECT_TRUE(ny::ParseRtf("\r\n {\\rtf", doc));
}

}  // namespace
