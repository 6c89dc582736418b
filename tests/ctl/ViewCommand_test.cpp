// vellumctl view --text: the viewer's text of rich and plain files, and its errors.
#include <gtest/gtest.h>

#include "common/TestDir.h"
#include "util/NyText.h"

namespace {

using nytest::RunShell;
using nytest::TestDir;
using nytest::WriteFile;

const std::string kCtl = std::string(VELLUM_BINARY_DIR) + "/vellumctl";

int Ctl(const std::string& args, std::string* out) {
  return RunShell("'" + kCtl + "' " + args + " </dev/null", out);
}

TEST(ViewCommandTest, PrintsTheViewersText) {
  TestDir dir;
  WriteFile(dir / "t.rtf",
            "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2\\par\\trowd\\intbl "
            "a\\cell b\\cell\\row}");
  WriteFile(dir / "t.txt", ny::EncodeCodePage("Ёж\r\n", 1251));
  std::string out;
  EXPECT_EQ(Ctl("view --text '" + (dir / "t.rtf") + "'", &out), 0);
  EXPECT_EQ(out, "Привет\na\tb\n");
  // Two letters are too few for detection: the character set decides.
  EXPECT_EQ(Ctl("view --text '" + (dir / "t.txt") + "' --charset 204", &out), 0);
  EXPECT_EQ(out, "Ёж\n");
  EXPECT_EQ(Ctl("view --charset 0 --text '" + (dir / "t.txt") + "'", &out), 0);
  EXPECT_EQ(out, ny::DecodeCodePage(ny::EncodeCodePage("Ёж", 1251), 1252) + "\n");

  EXPECT_EQ(Ctl("view --text '" + (dir / "none.txt") + "'", &out), 1);
  EXPECT_EQ(out, "vellumctl: Failed to Load Stream: " + (dir / "none.txt") + "\n");
  for (const char* bad : {"view", "view --text", "view t.txt", "view --text a --charset x",
                          "view --text a --charset 300", "view --text a b"}) {
    EXPECT_EQ(Ctl(bad, &out), 2) << bad;
    EXPECT_NE(out.find("usage: vellumctl view --text FILE [--charset N]"), std::string::npos);
  }
}

}  // namespace
