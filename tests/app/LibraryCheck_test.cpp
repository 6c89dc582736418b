// Statistics and Check library over real libraries, archives packed by the program itself.
#include "app/LibraryCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "LibraryFixture.h"
#include "archive/ArchiveOps.h"
#include "common/TestDir.h"
#include "sqlite/NyValue.h"

namespace {

namespace fs = std::filesystem;

class LibraryCheckTest : public nytest::LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    ny::IniWriteStr(env_.SettingsFile, "main", "LogOut", "1");
    f_ = Start();
    f_->CreateLibrary(lib_);
    f_->OnCheckLog = [this](const std::string& line) { log_.push_back(line); };
  }
  // Packs a document of `bytes` bytes named `name` and files it under subject Actions; the
  // archive's path.
  std::string Pack(const std::string& name, size_t bytes) {
    const std::string src = dir_ / "src";
    ny::ForceDirs(src);
    std::string text;
    for (size_t i = 0; i < bytes; ++i) text += static_cast<char>('a' + (i * 7 + i / 13) % 26);
    nytest::WriteFile(src + "/" + name, text);
    const std::string zip = ny::PackDocument(f_->ZipWriter(), env_.TempDir, src + "/" + name);
    std::string filed;
    EXPECT_TRUE(ny::FileArchive(LibDir(), zip, "Actions", true, &filed));
    return LibDir() + "/Actions/" + filed;
  }
  std::string LibDir() const { return ny::LibraryDir(lib_); }
  void Row(const std::string& author, const std::string& size, const std::string& file,
           const std::string& arch) {
    Exec("insert into LSTDOC (AUTHOR,NAME,SUBJ,SIZE,FILENAME,ARCHNAME) values ('" + author +
         "','n','Actions'," + size + ",'" + file + "','" + arch + "');");
  }
  // The text of the last message box.
  std::string Shown() const {
    for (auto it = view_.calls.rbegin(); it != view_.calls.rend(); ++it)
      if (it->rfind("message ", 0) == 0) return it->substr(8);
    return "";
  }
  int64_t CurrentRowId() { return f_->LstDoc().FieldByName("RowId").AsLargeInt(); }
  void GoToRow(int recNo) { f_->LstDoc().SetRecNo(recNo); }

  std::unique_ptr<ny::TForm1> f_;
  std::vector<std::string> log_;
};

TEST_F(LibraryCheckTest, CheckClassifiesRowsCorrectsSizesAndComesBackToTheRow) {
  const std::string one = Pack("one.txt", 100);
  Pack("two.txt", 200);
  const std::string three = Pack("three.txt", 300);
  fs::remove(three);
  nytest::WriteFile(LibDir() + "/Actions/x.arj", "arj");
  Row("alpha", "100", "one.txt", "one.ZIP");
  Row("beta", "7", "TWO.TXT", "two.ZIP");  // letter case only; a wrong size
  Row("gamma", "300", "three.txt", "three.ZIP");
  Row("delta", "1", "x.txt", "x.arj");
  f_->OpenLibrary(lib_);
  GoToRow(3);
  const int64_t before = CurrentRowId();

  f_->bCheckClick();
  EXPECT_EQ(Shown(),
            "All records: 4\nValid files: 2\n    ZIP archive files: 2\nNot archive format: 1\n"
            "Archive file not exist: 1\n");
  EXPECT_EQ(log_, (std::vector<std::string>{"Not exist file: " + LibDir() + "/Actions/three.ZIP",
                                            "Not ZIP RAR format: " + LibDir() + "/Actions/x.arj"}));
  EXPECT_EQ(Sql("select SIZE from LSTDOC where AUTHOR='beta'"), "200");
  const std::string logFile = nytest::ReadFile(env_.TempDir + "vellum.log");
  EXPECT_NE(logFile.find(" Not ZIP RAR format: " + LibDir() + "/Actions/x.arj\n"), std::string::npos)
      << logFile;
  EXPECT_EQ(CurrentRowId(), before);
  EXPECT_EQ(f_->Model().Get("lRec").Str("Caption"), "4");
  EXPECT_FALSE(f_->LstDoc().ControlsDisabled());

  // A search narrows both walks; the statistics' first line still counts the whole table.
  f_->RefreshDocList("alpha");
  log_.clear();
  f_->bCheckClick();
  EXPECT_EQ(Shown(), "All records: 1\nValid files: 1\n    ZIP archive files: 1\n");
  EXPECT_TRUE(log_.empty());
  f_->RefreshDocList("");
  GoToRow(2);
  f_->RefreshDocList("a");  // alpha, beta, gamma, delta: all four
  GoToRow(2);
  const int64_t second = CurrentRowId();
  f_->RefreshDocList("alpha");
  f_->bStatsClick();
  const int64_t oneSize = ny::GetFileSize64(one);
  EXPECT_EQ(Shown(), "Library contain:\n4 documents 601 bytes\n\nArchive contain:\n1 files " +
                         std::to_string(oneSize) + " bytes\n\n\t" +
                         std::to_string(std::llround(oneSize * 100.0 / 601)) + "%");
  f_->RefreshDocList("a");
  GoToRow(2);
  f_->bStatsClick();
  EXPECT_EQ(CurrentRowId(), second);
}

TEST_F(LibraryCheckTest, RarEntriesAreListedAndComparedByName) {
  const char* env = std::getenv("VELLUM_TESTDATA");
  const std::string rar = std::string(env != nullptr && *env != '\0' ? env : VELLUM_TESTDATA_DIR) + "/rar/";
  if (!fs::is_directory(rar)) GTEST_SKIP() << "no shared test data at " << rar;
  ny::ForceDirs(LibDir() + "/Actions");
  ASSERT_TRUE(ny::CopyFileTo(rar + "rar4_single_stored.rar", LibDir() + "/Actions/one.rar", false));
  ASSERT_TRUE(ny::CopyFileTo(rar + "rar4_windows_paths.rar", LibDir() + "/Actions/many.RAR", false));
  Row("a", "0", "a.txt", "one.rar");      // the entry is test.txt
  Row("b", "0", "Test.TXT", "one.rar");   // valid, its size 20 stored
  Row("c", "16", "test.txt", "many.RAR"); // five entries, testdir\test.txt among them
  f_->OpenLibrary(lib_);
  f_->bCheckClick();
  EXPECT_EQ(Shown(),
            "All records: 3\nValid files: 1\n    RAR archive files: 3\n"
            "Archive contain not one document: 1\nDocument in library <> document in archive: 1\n");
  const std::string p = LibDir() + "/Actions/";
  EXPECT_EQ(log_, (std::vector<std::string>{"not = " + p + "one.rar ~ a.txt ~ test.txt",
                                            "Not have files in: " + p + "many.RAR"}));
  EXPECT_EQ(Sql("select SIZE from LSTDOC where AUTHOR='b'"), "20");
}

TEST_F(LibraryCheckTest, DamagedArchivesAndStrayFiles) {
  const std::string flipped = Pack("flip.txt", 3000);
  Pack("good.txt", 50);
  const std::string stray = Pack("extra.txt", 10);
  nytest::WriteFile(LibDir() + "/Actions/junk.ZIP", "this is no zip archive at all");
  std::string bytes = nytest::ReadFile(flipped);
  bytes[bytes.size() / 3] ^= 0x5a;  // inside the deflated data of flip.txt
  nytest::WriteFile(flipped, bytes);
  Row("a", "29", "junk.txt", "junk.ZIP");
  Row("b", "3000", "flip.txt", "flip.ZIP");
  Row("c", "50", "good.txt", "good.ZIP");
  f_->OpenLibrary(lib_);
  const std::string p = LibDir() + "/Actions/";

  // Without verification the flipped byte goes unnoticed; the unreadable archive does not
  // end the walk; the stray archive is reported and stays.
  f_->bCheckClick();
  EXPECT_EQ(Shown(), "All records: 3\nValid files: 2\n    ZIP archive files: 3\nDamaged archives: 1\n"
                     "Archives not in catalogue: 1\n");
  EXPECT_EQ(log_, (std::vector<std::string>{"Damaged archive: " + p + "junk.ZIP ~ Incomplete Zip File",
                                            "Not in catalogue: " + stray}));
  EXPECT_TRUE(fs::exists(stray));

  log_.clear();
  f_->SetChecked("chVerifyArc", true);
  EXPECT_EQ(ny::IniReadStr(env_.SettingsFile, "main", "chVerifyArc"), "1");
  f_->bCheckClick();
  EXPECT_NE(Shown().find("Valid files: 1\n"), std::string::npos) << Shown();
  EXPECT_NE(Shown().find("Damaged archives: 2\n"), std::string::npos) << Shown();
  ASSERT_EQ(log_.size(), 3u);
  EXPECT_EQ(log_[1].rfind("Damaged archive: " + p + "flip.ZIP ~ ", 0), 0u) << log_[1];
  // Nothing extracted stays behind.
  for (const auto& e : fs::directory_iterator(env_.TempDir))
    EXPECT_EQ(e.path().filename().string().rfind("vellum-check-", 0), std::string::npos);

  // Under a search the walk does not cover the catalogue: no stray files are looked for.
  log_.clear();
  f_->RefreshDocList("c");
  f_->bCheckClick();
  EXPECT_EQ(Shown(), "All records: 1\nValid files: 1\n    ZIP archive files: 1\n");
  EXPECT_TRUE(log_.empty());
}

class CancellingProgress : public ny::TNyProgressView {
 public:
  void ProgressShow(const std::string& caption, int total) override {
    calls.push_back("show " + caption + " " + std::to_string(total));
  }
  void ProgressUpdate(int done, int total, const std::string&) override {
    calls.push_back("update " + std::to_string(done) + "/" + std::to_string(total));
  }
  bool ProgressCancelled() override { return true; }
  void ProgressHide() override { calls.push_back("hide"); }
  std::vector<std::string> calls;
};

TEST_F(LibraryCheckTest, CancelShowsTheSummarySoFarAndRestoresTheRow) {
  Pack("one.txt", 10);
  for (const char* a : {"a", "b", "c"}) Row(a, "10", "one.txt", "one.ZIP");
  f_->OpenLibrary(lib_);
  CancellingProgress progress;
  f_->WalkProgress = &progress;
  f_->WalkProgressDelayMs = 0;
  GoToRow(3);
  const int64_t before = CurrentRowId();
  f_->bCheckClick();
  EXPECT_EQ(Shown(), "Cancelled, rows walked: 1 / 3\nAll records: 3\nValid files: 1\n"
                     "    ZIP archive files: 1\n");
  EXPECT_EQ(progress.calls, (std::vector<std::string>{"show Library check 3", "update 1/3", "hide"}));
  EXPECT_EQ(CurrentRowId(), before);
  EXPECT_TRUE(log_.empty());  // the stray search needs a whole walk
  f_->bStatsClick();
  EXPECT_NE(Shown().find("\n\nCancelled, rows walked: 1 / 3"), std::string::npos) << Shown();
  EXPECT_EQ(CurrentRowId(), before);
}

TEST(LibraryCheckShare, RoundsTiesToEvenAndAnEmptySumGivesZero) {
  EXPECT_EQ(ny::SharePercent(0, 0), "0");
  EXPECT_EQ(ny::SharePercent(5, 0), "0");
  EXPECT_EQ(ny::SharePercent(1, 8), "12");  // 12.5
  EXPECT_EQ(ny::SharePercent(3, 8), "38");  // 37.5
  EXPECT_EQ(ny::SharePercent(6000000000LL, 4000000000LL), "150");
}

TEST_F(LibraryCheckTest, StatisticsOfAnEmptyLibrary) {
  f_->bStatsClick();
  EXPECT_EQ(Shown(), "Library contain:\n0 documents  bytes\n\nArchive contain:\n0 files 0 bytes\n\n\t0%");
}

}  // namespace
