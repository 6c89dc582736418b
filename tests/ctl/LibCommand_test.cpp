// vellumctl lib run as a program on real library files.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/TestDir.h"
#include "util/NyText.h"

namespace {

using nytest::RunShell;
using nytest::TestDir;

const std::string kCtl = std::string(VELLUM_BINARY_DIR) + "/vellumctl";

int Ctl(const std::string& args, std::string* out) {
  return RunShell("'" + kCtl + "' " + args + " </dev/null", out);
}

class LibCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string out;
    ASSERT_EQ(Ctl("lib create " + lib, &out), 0) << out;
  }
  // Runs SQL on the library through the sqlite3 shell, which judges the file on its own.
  void Sql(const std::string& sql) {
    nytest::WriteFile(dir / "s.sql", sql);
    std::string out;
    ASSERT_EQ(RunShell("sqlite3 '" + lib + "' < '" + (dir / "s.sql") + "'", &out), 0) << out;
  }
  TestDir dir;
  std::string lib = dir / "Books.sqb";
};

TEST_F(LibCommand, CreateListAndSubjects) {
  if (!nytest::HaveTool("sqlite3")) GTEST_SKIP() << "sqlite3 is not installed";
  std::string out;
  ASSERT_EQ(RunShell("sqlite3 '" + lib + "' .schema", &out), 0);
  EXPECT_NE(out.find("CREATE TRIGGER TBU_LSTSBJ BEFORE UPDATE ON LSTSBJ FOR EACH ROW BEGIN\tSELECT "
                     "RAISE(ROLLBACK, 'Cannot update: table \"LSTDOC\" contains records "
                     "references to table \"LSTSBJ\"')\t\tWHERE (select count(*) from LSTDOC "
                     "where subj=OLD.nam)<>0; END;"),
            std::string::npos)
      << out;
  // A second create is refused, on one line.
  EXPECT_EQ(Ctl("lib create " + lib, &out), 1);
  EXPECT_EQ(out, "vellumctl: The file is not empty: a new library needs a new file: " + lib + "\n");

  // Rows of both kinds: UTF-8 and Windows-1251 bytes (as a library made on Windows holds).
  const std::string cp = ny::EncodeCodePage("Пушкин", 1251);
  Sql("insert into LSTDOC (AUTHOR,NAME,SUBJ,SIZE,FILENAME,ARCHNAME,TEXT) values "
      "('O''Brien','a\\b','War',12,'a.txt','a.ZIP','one\ttwo\nthree');"
      "insert into LSTDOC (AUTHOR,NAME,SUBJ,ARCHNAME) values ('" + cp + "','Стихи','Gone','b.ZIP');"
      "insert into LSTDOC (AUTHOR,NAME,SUBJ,ARCHNAME) values ('Howard','../x','war','../../x.ZIP');");
  std::filesystem::create_directories(dir / "Books/War");
  nytest::WriteFile(dir / "Books/War/a.ZIP", "zip");
  nytest::WriteFile(dir / "x.ZIP", "zip");
  ASSERT_EQ(Ctl("lib list " + lib, &out), 0) << out;
  EXPECT_EQ(out,
            "count\t3\n"
            "1\tO'Brien\ta\\\\b\tWar\t12\ta.txt\ta.ZIP\tok\tone\\ttwo\\nthree\n"
            "2\tПушкин\tСтихи\tGone\t\t\tb.ZIP\tnosubject\t\n"
            "3\tHoward\t../x\twar\t\t\t../../x.ZIP\tmissing\t\n");
  ASSERT_EQ(Ctl("lib list " + lib + " --search ПУШ --in name,author --sort -1", &out), 0);
  EXPECT_EQ(out.substr(0, out.find('\n', 8)), "count\t1\n2\tПушкин\tСтихи\tGone\t\t\tb.ZIP\tnosubject\t");
  ASSERT_EQ(Ctl("lib list " + lib + " --search \"o'b\" --in author", &out), 0);
  EXPECT_EQ(out.substr(0, 8), "count\t1\n");
  ASSERT_EQ(Ctl("lib list " + lib + " --search war --in subject --sort -1", &out), 0);
  EXPECT_EQ(out.substr(0, 10), "count\t2\n3\t");
  ASSERT_EQ(Ctl("lib subjects " + lib, &out), 0);
  EXPECT_EQ(out.substr(0, out.find('\n') + 1), "1\tActions\tActions\n");
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 29);
  // No settings file beside the program.
  EXPECT_FALSE(std::filesystem::exists(kCtl + ".ini"));
}

TEST_F(LibCommand, SetEditsAsTheGridDoesAndErrorsAreReported) {
  if (!nytest::HaveTool("sqlite3")) GTEST_SKIP() << "sqlite3 is not installed";
  Sql("insert into LSTDOC (AUTHOR,NAME,SUBJ,SIZE) values ('?','Doc','War',5);");
  std::string out;
  ASSERT_EQ(Ctl("lib set " + lib + " 1 author=Tolstoy 'TEXT=a comment'", &out), 0) << out;
  ASSERT_EQ(Ctl("lib list " + lib, &out), 0);
  EXPECT_EQ(out, "count\t1\n1\tTolstoy\tDoc\tWar\t5\t\t\tmissing\ta comment\n");
  // Read-only and unknown fields: nothing is written, not even the valid assignment before.
  EXPECT_EQ(Ctl("lib set " + lib + " 1 NAME=New SIZE=9", &out), 1);
  EXPECT_EQ(out, "vellumctl: Field is read-only: SIZE\n");
  EXPECT_EQ(Ctl("lib set " + lib + " 1 SUBJ=Drama", &out), 1);
  EXPECT_EQ(Ctl("lib set " + lib + " 1 COLOUR=red", &out), 1);
  EXPECT_EQ(out, "vellumctl: Field 'COLOUR' not found\n");
  EXPECT_EQ(Ctl("lib set " + lib + " 7 NAME=x", &out), 1);
  EXPECT_EQ(out, "vellumctl: no document with RowId 7\n");
  ASSERT_EQ(Ctl("lib list " + lib, &out), 0);
  EXPECT_NE(out.find("\tDoc\t"), std::string::npos);
  // A missing library is not created; a file that is no library fails with the engine's error.
  EXPECT_EQ(Ctl("lib list " + (dir / "none.sqb"), &out), 1);
  EXPECT_EQ(out, "vellumctl: File Not Found: " + (dir / "none.sqb") + "\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "none.sqb"));
  nytest::WriteFile(dir / "junk.sqb", "this is no database, only some text of no use at all....");
  EXPECT_EQ(Ctl("lib subjects " + (dir / "junk.sqb"), &out), 1);
  EXPECT_EQ(out.rfind("vellumctl: ", 0), 0u) << out;
  // Wrong usage.
  EXPECT_EQ(Ctl("lib list", &out), 2);
  EXPECT_EQ(Ctl("lib list " + lib + " --in author,colour", &out), 2);
  EXPECT_EQ(Ctl("lib list " + lib + " --sort x", &out), 2);
  EXPECT_EQ(Ctl("lib set " + lib + " 1 NAME", &out), 2);
  EXPECT_EQ(Ctl("lib frobnicate", &out), 2);
  EXPECT_NE(out.find("usage: vellumctl lib subjects LIB"), std::string::npos);
}

}  // namespace
