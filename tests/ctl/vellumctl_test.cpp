// vellumctl run as a program: output lines, exit statuses and messages.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/TestDir.h"

namespace {

using nytest::ReadFile;
using nytest::RunShell;
using nytest::TestDir;
using nytest::WriteFile;

const std::string kCtl = std::string(VELLUM_BINARY_DIR) + "/vellumctl";

int Ctl(const std::string& args, std::string* out) {
  return RunShell("'" + kCtl + "' " + args + " </dev/null", out);
}

TEST(VellumCtlTest, ArchiveListAndExtract) {
  if (!nytest::HaveTool("zip")) GTEST_SKIP() << "zip is not installed";
  TestDir dir;
  WriteFile(dir / "a.txt", std::string(5000, 'a'));
  WriteFile(dir / "b.txt", "bee\n");
  std::string out;
  ASSERT_EQ(
      RunShell("cd " + dir.Path() + " && mkdir d && cp b.txt d/ && zip -q -0 t.zip a.txt d/b.txt",
               &out),
      0)
      << out;
  ASSERT_EQ(Ctl("archive list " + (dir / "t.zip"), &out), 0) << out;
  EXPECT_EQ(out, "2\n5000\t5000\ta.txt\n4\t4\tb.txt\n");

  std::filesystem::create_directories(dir / "x");
  ASSERT_EQ(Ctl("archive extract " + (dir / "t.zip") + " B.TXT " + (dir / "x"), &out), 0) << out;
  EXPECT_EQ(ReadFile(dir / "x/b.txt"), "bee\n");
  // The target exists and the answer (end of input) is No: nothing extracted.
  EXPECT_EQ(Ctl("archive extract " + (dir / "t.zip") + " b.txt " + (dir / "x"), &out), 1);
  EXPECT_NE(out.find("File Exists Alert: Replace existing file b.txt? [y/N]"), std::string::npos)
      << out;
  EXPECT_EQ(
      RunShell("echo y | '" + kCtl + "' archive extract " + (dir / "t.zip") + " '*' " + (dir / "x"),
               &out),
      0)
      << out;
  EXPECT_EQ(ReadFile(dir / "x/a.txt"), std::string(5000, 'a'));
}

TEST(VellumCtlTest, ErrorsGoToStandardErrorWithStatusOne) {
  TestDir dir;
  WriteFile(dir / "bad.zip", "this is no archive");
  std::string out;
  EXPECT_EQ(
      RunShell("( '" + kCtl + "' archive list " + (dir / "bad.zip") + " 2>&1 >/dev/null )", &out),
      1);
  EXPECT_EQ(out, "Incomplete Zip File\n");
  EXPECT_EQ(Ctl("archive extract " + (dir / "bad.zip") + " a " + dir.Path(), &out), 1);
  EXPECT_EQ(out, "Incomplete Zip File\n");
  // Not a zip or rar name: listed as empty.
  EXPECT_EQ(Ctl("archive list " + (dir / "bad.arj"), &out), 0);
  EXPECT_EQ(out, "0\n");
  EXPECT_EQ(Ctl("archive", &out), 2);
  EXPECT_EQ(Ctl("nosuchcommand", &out), 2);
  EXPECT_NE(out.find("usage: "), std::string::npos);
}

}  // namespace
