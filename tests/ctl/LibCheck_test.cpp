// vellumctl lib stats|check run as a program on a real library.
#include <gtest/gtest.h>

#include <filesystem>

#include "archive/ArchiveOps.h"
#include "archive/ZipWriter.h"
#include "common/TestDir.h"
#include "util/NyApi.h"

namespace {

using nytest::RunShell;
using nytest::TestDir;

const std::string kCtl = std::string(VELLUM_BINARY_DIR) + "/vellumctl";

int Ctl(const std::string& args, std::string* out) {
  return RunShell("'" + kCtl + "' " + args + " </dev/null", out);
}

TEST(LibCheckCommand, StatsAndCheckWithAndWithoutVerification) {
  if (!nytest::HaveTool("sqlite3")) GTEST_SKIP() << "sqlite3 is not installed";
  TestDir dir;
  const std::string lib = dir / "Books.sqb";
  std::string out;
  ASSERT_EQ(Ctl("lib create " + lib, &out), 0) << out;
  // Two documents packed by the program; one archive then gets a flipped byte.
  ny::TZipWriter writer;
  ny::ForceDirs(dir / "tmp");
  std::string text(4000, 'x');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + (i * i) % 23);
  for (const char* name : {"a.txt", "b.txt"}) {
    nytest::WriteFile(dir / name, text);
    const std::string zip = ny::PackDocument(writer, dir / "tmp", dir / name);
    ASSERT_TRUE(ny::FileArchive(dir / "Books", zip, "Actions", true));
  }
  const std::string b = dir / "Books/Actions/b.ZIP";
  std::string bytes = nytest::ReadFile(b);
  bytes[bytes.size() / 3] ^= 0x21;
  nytest::WriteFile(b, bytes);
  if (nytest::HaveTool("unzip")) {
    EXPECT_NE(RunShell("unzip -tq '" + b + "'", &out), 0) << out;
  }
  nytest::WriteFile(dir / "s.sql",
                    "insert into LSTDOC (AUTHOR,NAME,SUBJ,SIZE,FILENAME,ARCHNAME) values "
                    "('a','A','Actions',1,'a.txt','a.ZIP'),('b','B','Actions',4000,'b.txt','b.ZIP'),"
                    "('c','C','Actions',5,'c.txt','c.ZIP');");
  ASSERT_EQ(RunShell("sqlite3 '" + lib + "' < '" + (dir / "s.sql") + "'", &out), 0) << out;

  ASSERT_EQ(Ctl("lib stats " + lib, &out), 0) << out;
  const int64_t files = ny::GetFileSize64(dir / "Books/Actions/a.ZIP") + ny::GetFileSize64(b);
  EXPECT_EQ(out.substr(0, out.find("\t")), "Library contain:\n3 documents 4006 bytes\n\nArchive contain:\n2 files " +
                                              std::to_string(files) + " bytes\n\n");

  ASSERT_EQ(Ctl("lib check " + lib, &out), 0) << out;
  EXPECT_EQ(out, "Not exist file: " + (dir / "Books/Actions/c.ZIP") +
                     "\nAll records: 3\nValid files: 2\n    ZIP archive files: 2\n"
                     "Archive file not exist: 1\n\n");
  EXPECT_EQ(nytest::RunShell("sqlite3 '" + lib + "' 'select SIZE from LSTDOC where AUTHOR=\"a\"'", &out), 0);
  EXPECT_EQ(out, "4000\n");

  ASSERT_EQ(Ctl("lib check " + lib + " --verify", &out), 0) << out;
  EXPECT_EQ(out.rfind("Damaged archive: " + b + " ~ ", 0), 0u) << out;
  EXPECT_NE(out.find("Valid files: 1\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Damaged archives: 1\n"), std::string::npos) << out;

  EXPECT_EQ(Ctl("lib check " + lib + " --fast", &out), 2);
  EXPECT_EQ(Ctl("lib stats", &out), 2);
  EXPECT_EQ(Ctl("lib check " + (dir / "none.sqb"), &out), 1);
  nytest::WriteFile(dir / "junk.sqb", "this is no database, only some text of no use at all....");
  EXPECT_EQ(Ctl("lib stats " + (dir / "junk.sqb"), &out), 1);
}

}  // namespace
