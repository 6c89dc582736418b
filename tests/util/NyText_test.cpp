#include "util/NyText.h"

#include <gtest/gtest.h>

using namespace ny;

TEST(NyText, Utf8ValidityAndCuts) {
  EXPECT_TRUE(IsValidUtf8("plain"));
  EXPECT_TRUE(IsValidUtf8("Ёж 漢字 \xF0\x9F\x98\x80"));
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong '/'
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xD0"));              // cut sequence
  EXPECT_FALSE(IsValidUtf8("\xCA\xE0\xF2"));      // Windows-1251 bytes

  EXPECT_EQ(Utf8Cut("abcdef", 4), "abcd");
  EXPECT_EQ(Utf8Cut("абв", 5), "аб");  // never inside a character
  EXPECT_EQ(Utf8Cut("абв", 6), "абв");
  EXPECT_EQ(Utf8Cut("a\xFF\xFF", 2), "a\xFF");
  EXPECT_EQ(Utf8Length("aбв"), 3u);
  EXPECT_EQ(Utf8Prefix("aбвг", 3), "aбв");
  EXPECT_EQ(Utf8Prefix("aб", 5), "aб");
  EXPECT_EQ(Utf8Prefix("\xFF\xFFб", 2), "\xFF\xFF");
  EXPECT_EQ(Utf8Prefix("abc", 0), "");

  // The decoder gives each character's code point and length; a bad byte stands for itself.
  EXPECT_EQ(Utf8CodePoints("aЖ漢\xF0\x9F\x98\x80"), U"aЖ漢\U0001F600");
  EXPECT_EQ(Utf8CodePoints("\xC0\xAF\xE2\x82"), (std::u32string{0xC0, 0xAF, 0xE2, 0x82}));
  EXPECT_EQ(Utf8Next("\xE2\x82\xAC", 0).Cp, U'€');
  EXPECT_EQ(Utf8Next("\xE2\x82\xAC", 0).Len, 3u);
  EXPECT_EQ(Utf8Next("x\xE2\x82", 1).Len, 0u);
  std::string out;
  for (char32_t c : {U'a', U'Ж', U'€', U'\U0001F600', char32_t{0xD800}, char32_t{0x110000}})
    AppendUtf8(out, c);
  EXPECT_EQ(out, "aЖ€\xF0\x9F\x98\x80\uFFFD\uFFFD");
}

TEST(NyText, DecodesFilesWrittenOnWindows) {
  EXPECT_EQ(DecodeTextBytes("\xCA\xE0\xF2\xE0\xEB\xEE\xE3"), "Каталог");
  EXPECT_EQ(DecodeTextBytes("Каталог"), "Каталог");  // valid UTF-8 stays
  EXPECT_EQ(DecodeTextBytes("\xEF\xBB\xBFtext"), "text");
  // After a UTF-8 mark the text is UTF-8 even where a byte is not.
  EXPECT_EQ(DecodeTextBytes("\xEF\xBB\xBF\xC0\xE4\xEC\xE8\xED ok"),
            "\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD ok");
  EXPECT_EQ(DecodeTextBytes("\xEF\xBB\xBF"
                            "a\xE2\x82"),
            "a\uFFFD\uFFFD");                                                     // cut character
  EXPECT_EQ(DecodeTextBytes(std::string("\xFF\xFE\x41\x00\x16", 5)), "A\uFFFD");  // odd length
  EXPECT_EQ(DecodeTextBytes(std::string("\xFF\xFE\x41\x00\x16\x04", 6)), "AЖ");
  EXPECT_EQ(DecodeTextBytes(std::string("\xFE\xFF\x00\x41\x04\x16", 6)), "AЖ");
  EXPECT_EQ(DecodeTextBytes("caf\xE9", 1252), "café");

  EXPECT_EQ(DecodeCodePage("\x8A\xA0\xE2", 866), "Кат");
  EXPECT_EQ(DecodeCodePage("\x98", 1251), "\xEF\xBF\xBD");  // undefined in 1251
  EXPECT_EQ(EncodeCodePage("Каталог", 1251), "\xCA\xE0\xF2\xE0\xEB\xEE\xE3");
  EXPECT_EQ(EncodeCodePage("a漢b", 1251), "a?b");

  EXPECT_EQ(CodePageOfCharset(204), 1251);
  EXPECT_EQ(CodePageOfCharset(0), 1252);
  EXPECT_EQ(CodePageOfCharset(238), 1250);
  EXPECT_EQ(CodePageOfCharset(161), 1253);
  EXPECT_EQ(CodePageOfCharset(1), 1251);
}
