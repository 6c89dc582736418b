// The viewer's loading (rich text first, plain text after) and its keypad keys with their
// limits.
#include "util/NyRichView.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/TestDir.h"
#include "util/NyText.h"

namespace {

using nytest::TestDir;
using nytest::WriteFile;

TEST(NyRichViewTest, LoadTriesRichTextThenPlainText) {
  TestDir dir;
  WriteFile(dir / "a.rtf", "{\\rtf1 {\\b bold}\\par}");
  WriteFile(dir / "a.txt", ny::EncodeCodePage("Первая\r\nвторая\rтретья\n", 866));
  ny::TViewerContent c = ny::LoadViewerFile(dir / "a.rtf", ny::TRichStreamFormat::sfDefault,
                                            false, 204);
  EXPECT_TRUE(c.Rich);
  EXPECT_EQ(ny::ViewerText(c), "bold\n");
  c = ny::LoadViewerFile(dir / "a.txt", ny::TRichStreamFormat::sfDefault, false, 204);
  EXPECT_FALSE(c.Rich);
  EXPECT_EQ(ny::ViewerText(c), "Первая\nвторая\nтретья\n");
  // Plain first (by the format or by PlainText) shows the rich text's source.
  for (auto [format, plain] : {std::pair{ny::TRichStreamFormat::sfPlainText, false},
                               std::pair{ny::TRichStreamFormat::sfDefault, true}}) {
    c = ny::LoadViewerFile(dir / "a.rtf", format, plain, 204);
    EXPECT_FALSE(c.Rich);
    EXPECT_EQ(c.PlainText, "{\\rtf1 {\\b bold}\\par}");
  }
  EXPECT_TRUE(ny::LoadViewerFile(dir / "a.rtf", ny::TRichStreamFormat::sfRichText, true, 0).Rich);
  WriteFile(dir / "empty", "");
  EXPECT_EQ(ny::ViewerText(ny::LoadViewerFile(dir / "empty", {}, false, 0)), "");
  std::filesystem::create_directory(dir / "sub");
  for (const std::string& bad : {dir / "missing.txt", dir / "sub"}) {
    try {
      ny::LoadViewerFile(bad, ny::TRichStreamFormat::sfDefault, false, 204);
      ADD_FAILURE() << bad;
    } catch (const ny::ELoadStream& e) {
      EXPECT_STREQ(e.what(), "Failed to Load Stream");
    }
  }
}

TEST(NyRichViewTest, KeypadKeysKeepTheirLimits) {
  using K = ny::TViewerKey;
  const ny::TViewerShift ctrl{false, true, false}, alt{false, false, true},
      ctrlShift{true, true, false};
  ny::TViewerFrame f;
  f.FontName = "Courier New";
  f.FontSize = 19;
  EXPECT_TRUE(ny::ViewerKeyDown(K::KeypadPlus, ctrl, f));
  EXPECT_EQ(f.FontSize, 20);
  EXPECT_TRUE(ny::ViewerKeyDown(K::KeypadPlus, ctrl, f)) << "consumed at the limit too";
  EXPECT_EQ(f.FontSize, 20);
  f.FontSize = 5;
  ny::ViewerKeyDown(K::KeypadMinus, ctrl, f);
  ny::ViewerKeyDown(K::KeypadMinus, ctrl, f);
  EXPECT_EQ(f.FontSize, 4);
  EXPECT_FALSE(ny::ViewerKeyDown(K::KeypadPlus, ctrlShift, f)) << "exactly Ctrl";
  EXPECT_FALSE(ny::ViewerKeyDown(K::KeypadMultiply, ctrl, f));
  EXPECT_FALSE(ny::ViewerKeyDown(K::Other, alt, f));
  EXPECT_EQ(f.FontSize, 4);
  ASSERT_TRUE(ny::ViewerKeyDown(K::KeypadMultiply, alt, f));
  EXPECT_EQ(f.FontName, "Arial");
  ny::ViewerKeyDown(K::KeypadMultiply, alt, f);
  EXPECT_EQ(f.FontName, "Courier New");
  f.FontName = "Liberation Mono";
  ny::ViewerKeyDown(K::KeypadMultiply, alt, f);
  EXPECT_EQ(f.FontName, "Courier New");

  // The window grows while height + 50 stays below the screen, shrinks while above 200.
  f.Left = 100;
  f.Top = 100;
  f.Width = 400;
  f.Height = 649;
  f.ScreenHeight = 700;
  EXPECT_TRUE(ny::ViewerKeyDown(K::KeypadPlus, alt, f));
  EXPECT_EQ(f.Left, 75);
  EXPECT_EQ(f.Top, 75);
  EXPECT_EQ(f.Width, 450);
  EXPECT_EQ(f.Height, 699);
  ny::ViewerKeyDown(K::KeypadPlus, alt, f);
  EXPECT_EQ(f.Height, 699);
  f.Height = 251;
  ny::ViewerKeyDown(K::KeypadMinus, alt, f);
  EXPECT_EQ(f.Height, 201);
  EXPECT_EQ(f.Width, 400);
  EXPECT_EQ(f.Left, 100);
  ny::ViewerKeyDown(K::KeypadMinus, alt, f);
  EXPECT_EQ(f.Height, 151);
  ny::ViewerKeyDown(K::KeypadMinus, alt, f);
  EXPECT_EQ(f.Height, 151);
  EXPECT_EQ(f.FontSize, 4);
}

}  // namespace
