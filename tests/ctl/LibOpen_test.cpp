// vellumctl lib open run as a program: a real library made by vellumctl, rows and a zip
// archive made by sqlite3 and python3, the desktop's program played by a recording script.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "common/TestDir.h"

namespace {

using nytest::ReadFile;
using nytest::RunShell;
using nytest::WriteFile;

const std::string kCtl = std::string(VELLUM_BINARY_DIR) + "/vellumctl";

TEST(LibOpen, UnpacksCorrectsTheSizeAndPrintsTheViewFile) {
  for (const char* tool : {"sqlite3", "python3"})
    if (!nytest::HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
  nytest::TestDir dir;
  const std::string lib = dir / "Books.sqb";
  std::filesystem::create_directories(dir / "Books/War");
  std::filesystem::create_directories(dir / "bin");
  std::filesystem::create_directories(dir / "t");
  WriteFile(dir / "bin/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + (dir / "rec") + "'\n");
  ::chmod((dir / "bin/xdg-open").c_str(), 0755);
  const std::string env = "TMPDIR='" + (dir / "t") + "' PATH='" + (dir / "bin") + ":'\"$PATH\" ";
  auto ctl = [&](const std::string& args, std::string* out) {
    return RunShell(env + "'" + kCtl + "' lib " + args + " </dev/null", out);
  };
  std::string out;
  ASSERT_EQ(ctl("create " + lib, &out), 0) << out;
  WriteFile(dir / "s.sql",
            "insert into LSTDOC (AUTHOR,NAME,SUBJ,SIZE,FILENAME,ARCHNAME) values "
            "('A','Report','War',5,'Report.txt','Report.ZIP'),"
            "('A','Evil','War',5,'../Report.txt','Report.ZIP');");
  ASSERT_EQ(RunShell("sqlite3 '" + lib + "' < '" + (dir / "s.sql") + "'", &out), 0) << out;
  ASSERT_EQ(RunShell("python3 -c 'import zipfile,sys; zipfile.ZipFile(sys.argv[1], \"w\", "
                     "zipfile.ZIP_DEFLATED).writestr(\"Report.txt\", \"a report of 22 bytes.\\n\")' '" +
                         (dir / "Books/War/Report.ZIP") + "'",
                     &out),
            0)
      << out;
  const std::string temp = dir / ("t/vellum-" + std::to_string(::getuid()) + "/");

  ASSERT_EQ(ctl("open " + lib + " 1", &out), 0) << out;
  EXPECT_EQ(out, temp + "ArcBook.txt\n");
  EXPECT_EQ(ReadFile(temp + "ArcBook.txt"), "a report of 22 bytes.\n");
  EXPECT_FALSE(std::filesystem::exists(temp + "Report.txt"));
  ASSERT_EQ(RunShell("sqlite3 '" + lib + "' 'select SIZE from LSTDOC where RowId=1'", &out), 0);
  EXPECT_EQ(out, "22\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "rec"));  // not shown without --show

  ASSERT_EQ(ctl("open " + lib + " 1 --show", &out), 0) << out;
  for (int i = 0; i < 200 && !std::filesystem::exists(dir / "rec"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  EXPECT_EQ(ReadFile(dir / "rec"), temp + "ArcBook.txt\n");

  // A FILENAME that climbs out of the temporary directory reaches nothing there.
  WriteFile(dir / "t/Report.txt", "outside");
  EXPECT_EQ(ctl("open " + lib + " 2", &out), 1);
  EXPECT_EQ(out, "File Not Found\n" + temp + "../Report.txt\n");
  EXPECT_EQ(ReadFile(dir / "t/Report.txt"), "outside");
  EXPECT_EQ(ctl("open " + lib + " 9", &out), 1);
  EXPECT_EQ(out, "vellumctl: no document with RowId 9\n");
  EXPECT_EQ(ctl("open " + lib + " 1 --shown", &out), 2);
  EXPECT_EQ(out, "usage: vellumctl lib open LIB ROWID [--show]\n");
}

}  // namespace
