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

// One line per entry whatever its name holds: tab, line feed and backslash are escaped.
TEST(VellumCtlTest, ArchiveListEscapesNamesAndCountsEveryRarHeader) {
  if (!nytest::HaveTool("python3")) GTEST_SKIP() << "python3 is not installed";
  TestDir dir;
  std::string out;
  ASSERT_EQ(RunShell("cd " + dir.Path() +
                         " && python3 -c 'import zipfile\n"
                         "z = zipfile.ZipFile(\"odd.zip\", \"w\")\n"
                         "for n in [\"tab\\there\", \"line\\nfeed\", \"back\\\\slash\"]:\n"
                         "  z.writestr(n, b\"x\")\n"
                         "z.close()'",
                     &out),
            0)
      << out;
  ASSERT_EQ(Ctl("archive list " + (dir / "odd.zip"), &out), 0) << out;
  EXPECT_EQ(out, "3\n1\t1\ttab\\there\n1\t1\tline\\nfeed\n1\t1\tback\\\\slash\n");
  // A solid archive with encrypted data lists all four files, as 7z and lsar do.
  const std::string rar = std::string(VELLUM_TESTDATA_DIR) + "/rar/rar4_solid_encrypted_data.rar";
  if (!std::filesystem::exists(rar)) GTEST_SKIP() << "no shared test data at " << rar;
  ASSERT_EQ(Ctl("archive list '" + rar + "'", &out), 0) << out;
  EXPECT_EQ(out, "4\n48\t18\ta.txt\n16\t18\tb.txt\n16\t18\tc.txt\n16\t18\td.txt\n");
}

TEST(VellumCtlTest, ArchivePackMakesAnArchiveTheReaderAndUnzipAccept) {
  TestDir dir;
  std::string doc;
  for (int i = 0; i < 3000; ++i) doc += "Глава " + std::to_string(i) + "\n";
  WriteFile(dir / "Отчёт.final.txt", doc);
  std::filesystem::create_directories(dir / "lib");
  std::string out;
  ASSERT_EQ(Ctl("archive pack '" + (dir / "Отчёт.final.txt") + "' " + (dir / "lib"), &out), 0)
      << out;
  EXPECT_EQ(out, (dir / "lib/Отчёт.final.ZIP") + "\n");
  ASSERT_EQ(Ctl("archive list '" + (dir / "lib/Отчёт.final.ZIP") + "'", &out), 0) << out;
  ASSERT_EQ(out.substr(0, 2), "1\n");
  EXPECT_NE(out.find("\t" + std::to_string(doc.size()) + "\tОтчёт.final.txt\n"), std::string::npos)
      << out;
  if (nytest::HaveTool("unzip")) {
    EXPECT_EQ(RunShell("unzip -t '" + (dir / "lib/Отчёт.final.ZIP") + "'", &out), 0) << out;
  }
  std::filesystem::create_directories(dir / "x");
  ASSERT_EQ(Ctl("archive extract '" + (dir / "lib/Отчёт.final.ZIP") + "' 'отчёт.FINAL.txt' " +
                    (dir / "x"),
                &out),
            0)
      << out;
  EXPECT_EQ(ReadFile(dir / "x/Отчёт.final.txt"), doc);
  // Nothing to pack, or no such directory: status 1 and a message.
  EXPECT_EQ(Ctl("archive pack " + (dir / "missing.txt") + " " + (dir / "lib"), &out), 1);
  EXPECT_FALSE(out.empty());
  EXPECT_EQ(Ctl("archive pack '" + (dir / "Отчёт.final.txt") + "' " + (dir / "nodir"), &out), 1);
  EXPECT_EQ(out, "no such directory: " + (dir / "nodir") + "\n");
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
