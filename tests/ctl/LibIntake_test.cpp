// vellumctl lib add|import|delete run as a program; the archives judged by outside tools.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <filesystem>
#include <iostream>
#include <random>

#include "archive/ZipReader.h"
#include "common/TestDir.h"
#include "util/NyApi.h"

extern char** environ;

namespace {

using nytest::RunShell;
using nytest::TestDir;
using nytest::WriteFile;

const std::string kCtl = std::string(VELLUM_BINARY_DIR) + "/vellumctl";

int Ctl(const std::string& args, std::string* out, const std::string& input = "") {
  return RunShell("printf '" + input + "' | '" + kCtl + "' " + args + " 2>&1", out);
}

class LibIntake : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string out;
    ASSERT_EQ(Ctl("lib create " + lib, &out), 0) << out;
    ny::ForceDirs(dir / "in");
  }
  std::string Sql(const std::string& sql) {
    std::string out;
    RunShell("sqlite3 '" + lib + "' \"" + sql + "\"", &out);
    return out;
  }
  TestDir dir;
  std::string lib = dir / "Books.sqb";
};

TEST_F(LibIntake, AddImportDeleteJudgedByOutsideTools) {
  for (const char* t : {"unzip", "7z", "python3", "sqlite3"})
    if (!nytest::HaveTool(t)) GTEST_SKIP() << t << " is not installed";
  const std::string in = dir / "in/";
  WriteFile(in + "война и мир.txt", std::string(5000, 'w') + "Война");
  WriteFile(in + "notes", "plain notes");
  std::string out;
  EXPECT_EQ(Ctl("lib add " + lib + " --subject history '" + in + "война и мир.txt' " + in +
                    "notes " + in + "missing.txt",
                &out),
            1);
  EXPECT_EQ(out,
            "added\t1\tHistory/война и мир.ZIP\nadded\t2\tHistory/notes.ZIP\n"
            "vellumctl: skipped " + in + "missing.txt: not a file\n");
  for (const char* a : {"война и мир.ZIP", "notes.ZIP"}) {
    const std::string zip = dir / "Books/History/" + a;
    EXPECT_EQ(RunShell("unzip -tq '" + zip + "'", &out), 0) << out;
    EXPECT_EQ(RunShell("7z t '" + zip + "'", &out), 0) << out;
    EXPECT_EQ(RunShell("python3 -m zipfile -t '" + zip + "'", &out), 0) << out;
  }
  EXPECT_EQ(Sql("select SUBJ,SIZE,FILENAME from LSTDOC where RowId=1"), "History|5010|война и мир.txt\n");

  // Import the archive made, with the source deleted; refused ones are kept and reported.
  ASSERT_TRUE(ny::CopyFileTo(dir / "Books/History/notes.ZIP", in + "n.zip", false));
  WriteFile(in + "x.7z", "7z");
  EXPECT_EQ(Ctl("lib import " + lib + " --subject War --delete-source " + in + "n.zip " + in + "x.7z",
                &out),
            1);
  EXPECT_EQ(out, "imported\t3\tWar/n.zip\nvellumctl: skipped " + in + "x.7z: not a zip or rar archive\n");
  EXPECT_FALSE(ny::FileExistsPlain(in + "n.zip"));
  EXPECT_TRUE(ny::FileExistsPlain(in + "x.7z"));
  EXPECT_EQ(Ctl("lib import " + lib + " --subject War " + in + "x.7z", &out), 1);
  EXPECT_EQ(Ctl("lib add " + lib + " --subject Nowhere " + in + "notes", &out), 1);
  EXPECT_EQ(out, "vellumctl: no subject Nowhere\n");
  EXPECT_EQ(Ctl("lib add " + lib + " " + in + "notes", &out), 2);

  // Delete: asked on the terminal; No keeps both.
  EXPECT_EQ(Ctl("lib delete " + lib + " 2", &out, "n\\n"), 1);
  EXPECT_NE(out.find("Delete record about document:\nnotes\n"), std::string::npos) << out;
  EXPECT_TRUE(ny::FileExistsPlain(dir / "Books/History/notes.ZIP"));
  EXPECT_EQ(Ctl("lib delete " + lib + " 2", &out, "yes\\n"), 0);
  EXPECT_NE(out.find("deleted\t2\n"), std::string::npos) << out;
  EXPECT_FALSE(ny::FileExistsPlain(dir / "Books/History/notes.ZIP"));
  EXPECT_EQ(Ctl("lib delete " + lib + " 3 --yes", &out), 0);
  EXPECT_EQ(Ctl("lib delete " + lib + " 3 --yes", &out), 1);
  EXPECT_EQ(out, "vellumctl: no document with RowId 3\n");
  EXPECT_EQ(Sql("select count(*) from LSTDOC"), "1\n");
}

// vellumctl lib add killed at random moments: the library stays sound, every row's archive
// exists and reads back whole.
TEST_F(LibIntake, KilledAddLeavesNoRowWithoutItsArchive) {
  if (!nytest::HaveTool("sqlite3")) GTEST_SKIP() << "sqlite3 is not installed";
  const std::string in = dir / "in/";
  std::vector<std::string> argv = {kCtl, "lib", "add", lib, "--subject", "War"};
  std::mt19937 rnd(12345);
  for (int i = 0; i < 100; ++i) {
    const std::string f = in + "doc" + std::to_string(i) + ".txt";
    WriteFile(f, std::string(20000 + rnd() % 20000, char('a' + i % 26)) + std::to_string(rnd()));
    argv.push_back(f);
  }
  std::vector<char*> cargs;
  for (std::string& a : argv) cargs.push_back(a.data());
  cargs.push_back(nullptr);
  for (int round = 0; round < 4; ++round) {
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, kCtl.c_str(), &fa, nullptr, cargs.data(), environ), 0);
    posix_spawn_file_actions_destroy(&fa);
    ::usleep(50000 + rnd() % 1200000);
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
  }
  EXPECT_EQ(Sql("PRAGMA integrity_check"), "ok\n");
  const std::string names = Sql("select ARCHNAME||'|'||FILENAME from LSTDOC");
  ASSERT_FALSE(names.empty());
  size_t pos = 0, rows = 0;
  while (pos < names.size()) {
    const size_t end = names.find('\n', pos);
    const std::string line = names.substr(pos, end - pos);
    pos = end + 1;
    const std::string arch = line.substr(0, line.find('|'));
    ++rows;
    ny::TZipReader reader;
    reader.SetZipName(dir / "Books/War/" + arch);
    ASSERT_EQ(reader.ReadZip(), 1) << arch;
    EXPECT_EQ(reader.Entry(0).Header.FileName, line.substr(line.find('|') + 1));
    TestDir out;
    reader.SetDestDir(out.Path());
    reader.SetFilesList({"*"});
    EXPECT_EQ(reader.UnZip(), 1) << arch;
  }
  EXPECT_GT(rows, 0u);
  EXPECT_LT(rows, 400u);  // the runs were cut short
  std::cout << rows << " rows after 4 killed runs\n";
}

}  // namespace
