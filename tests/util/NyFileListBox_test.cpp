#include "util/NyFileListBox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>
#include <string>
#include <vector>

#include "common/TestDir.h"
#include "util/NyApi.h"

using namespace ny;
using nytest::TestDir;
using nytest::WriteFile;
using Texts = std::vector<std::string>;

namespace {

// Answers the list's questions from a script and records them.
class FakeListView : public TNyFileListView {
 public:
  std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                        const std::string& value) override {
    asked.push_back(caption + "|" + prompt + "|" + value);
    return input;
  }
  bool AskYesNo(const std::string& caption, const std::string& text) override {
    asked.push_back(caption + "|" + text);
    return yes;
  }
  void Beep() override { ++beeps; }

  std::optional<std::string> input;
  bool yes = false;
  std::vector<std::string> asked;
  int beeps = 0;
};

class NyFileListBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* f : {"b.txt", "A.txt", "Б.txt", "а.txt", "c.zip", "d.RAR", "notes"}) {
      WriteFile(dir / f, "x");
    }
    WriteFile(dir / "big.txt", std::string(3000, 'z'));
    WriteFile(dir / ".hidden.txt", "h");
    WriteFile(dir / "ro.txt", "r");
    ASSERT_EQ(::chmod((dir / "ro.txt").c_str(), 0444), 0);
    for (const char* d : {"Zeta", "alpha", "x.zip", ".git"}) ForceDirs(dir / d);
    WriteFile(dir / "alpha/inner.txt", "i");
    list.DriveSource = [] {
      return std::vector<TNyDrive>{{"/", "root", TDriveType::dtFixed},
                                   {"/tmp/", "tmpfs", TDriveType::dtRamDisk}};
    };
    list.SetView(&view);
  }

  TestDir dir;
  TNyFileListBox list;
  FakeListView view;
};

TEST_F(NyFileListBoxTest, EntriesSortedAndFilteredByMaskAndAttributes) {
  list.SetFilePath(dir.Path());
  // Letters beyond ASCII by their lower case: "а" before "Б", both after the Latin names.
  EXPECT_EQ(list.Texts(), (Texts{" .. ", " alpha", " x.zip", " Zeta", "A.txt", "b.txt", "big.txt",
                                 "c.zip", "d.RAR", "notes", "ro.txt", "а.txt", "Б.txt"}));
  const TNyFileItem& big = list.Items()[6];
  EXPECT_EQ(big.Kind, 'f');
  EXPECT_EQ(big.Size, 3000);
  EXPECT_EQ(big.Attr, faNormal);
  EXPECT_NE(big.Time, 0u);
  EXPECT_EQ(list.Items()[0].Kind, 'R');
  EXPECT_EQ(list.Items()[1].Kind, 'F');
  EXPECT_EQ(list.FullPath(1), dir / "alpha/");
  EXPECT_EQ(list.FullPath(6), dir / "big.txt");
  EXPECT_EQ(list.FullPath(0), "");
  EXPECT_EQ(list.ItemIndex(), -1);

  // A directory whose name matches the mask is listed once, as a directory.
  list.SetFileMask("*.zip");
  EXPECT_EQ(list.Texts(), (Texts{" .. ", " alpha", " x.zip", " Zeta", "c.zip"}));
  list.SetFileMask("*.zip;*.rar");
  EXPECT_EQ(list.Texts(), (Texts{" .. ", " alpha", " x.zip", " Zeta", "c.zip", "d.RAR"}));
  // A file matched by two parts is listed once; an empty part matches nothing.
  list.SetFileMask("*.zip;c.*;");
  EXPECT_EQ(list.Texts(), (Texts{" .. ", " alpha", " x.zip", " Zeta", "c.zip"}));

  list.SetOptionsFile({TNyFileOption::flHidden, TNyFileOption::flDirectory});
  list.SetFileMask("*.txt");
  EXPECT_EQ(list.Texts(), (Texts{" .. ", " .git", " alpha", " x.zip", " Zeta", ".hidden.txt",
                                 "A.txt", "b.txt", "big.txt", "а.txt", "Б.txt"}));
  // Without flDirectory and atDirChange: the files only.
  list.SetOptionsFile({TNyFileOption::flReadOnly});
  list.SetOptions({});
  EXPECT_EQ(list.Texts(), (Texts{"A.txt", "b.txt", "big.txt", "ro.txt", "а.txt", "Б.txt"}));

  // A directory that cannot be read: the up entry only.
  list.SetOptions({TNyAllowType::atDirChange});
  list.SetFilePath(dir / "missing");
  EXPECT_EQ(list.FilePath(), dir / "missing/");
  EXPECT_EQ(list.Texts(), (Texts{" .. "}));
}

TEST_F(NyFileListBoxTest, NavigationAndTheChangeDirEvent) {
  std::vector<std::string> changes;
  bool refuse = false;
  list.OnChangeDir = [&](TNyFileListBox&, const std::string& oldDir, const std::string& newDir,
                         bool& canPrev) {
    changes.push_back(oldDir + ">" + newDir);
    if (refuse) canPrev = false;
  };
  list.SetFilePath(DelBackslash(dir.Path()));
  EXPECT_EQ(list.FilePath(), dir.Path());
  list.SetFilePath(dir.Path());  // the same path: no event
  ASSERT_EQ(changes, (Texts{">" + dir.Path()}));

  // Enter on a directory opens it with its first entry selected; Backspace comes back with
  // the directory just left selected.
  list.SetItemIndex(1);
  uint16_t key = TNyFileListBox::kVkReturn;
  list.KeyDown(key, 0);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(list.FilePath(), dir / "alpha/");
  EXPECT_EQ(list.Texts(), (Texts{" .. ", "inner.txt"}));
  EXPECT_EQ(list.ItemIndex(), 0);
  EXPECT_TRUE(list.Items()[0].Selected);
  key = TNyFileListBox::kVkBack;
  list.KeyDown(key, 0);
  EXPECT_EQ(list.FilePath(), dir.Path());
  EXPECT_EQ(list.ItemIndex(), 1);
  EXPECT_EQ(list.Items()[1].Text, " alpha");

  // A refusing handler keeps the list on double click, Backspace and Ctrl+Up.
  refuse = true;
  const int fills = list.FillCount();
  list.DblClick();
  for (uint16_t k : {TNyFileListBox::kVkBack, TNyFileListBox::kVkUp}) {
    key = k;
    list.KeyDown(key, TNyFileListBox::kCtrl);
  }
  EXPECT_EQ(list.FilePath(), dir.Path());
  EXPECT_EQ(list.FillCount(), fills);
  EXPECT_EQ(list.ItemIndex(), 1);
  refuse = false;

  // From "/" up to the drives, "/" selected; Enter on it goes back to the root.
  list.SetOptionsDrive({TDriveType::dtFixed});
  list.SetFilePath("/");
  list.GoParent();
  EXPECT_EQ(list.FilePath(), "");
  EXPECT_EQ(list.Texts(), (Texts{"/ root"}));
  EXPECT_EQ(list.ItemIndex(), 0);
  EXPECT_EQ(list.Items()[0].Kind, 'D');
  key = TNyFileListBox::kVkReturn;
  list.KeyDown(key, 0);
  EXPECT_EQ(list.FilePath(), "/");
  // Without atDirChange nobody moves.
  list.SetOptions({});
  list.GoParent();
  EXPECT_EQ(list.FilePath(), "/");
}

TEST_F(NyFileListBoxTest, UpdateCounterBlocksARebuildFromInsideARebuild) {
  int changes = 0;
  list.OnChange = [&] {
    ++changes;
    list.SetFileMask("*.zip");  // stored only while the rebuild runs
  };
  list.SetFilePath(dir.Path());
  EXPECT_EQ(list.FillCount(), 1);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(list.FileMask(), "*.zip");
  EXPECT_EQ(list.Count(), 13);
  list.OnChange = nullptr;
  list.FillList();
  EXPECT_EQ(list.Count(), 5);
}

TEST_F(NyFileListBoxTest, KeysForColumnsCreateAndDelete) {
  list.SetFilePath(dir.Path());
  uint16_t key = TNyFileListBox::kVk0 + 3;
  list.KeyDown(key, TNyFileListBox::kCtrl);
  EXPECT_EQ(list.Columns(), 3);
  key = TNyFileListBox::kVk0 + 2;
  list.KeyDown(key, TNyFileListBox::kCtrl | TNyFileListBox::kShift);
  EXPECT_EQ(list.Columns(), 3);
  EXPECT_NE(key, 0);

  // F7 without atDirCreate: nothing asked.
  key = TNyFileListBox::kVkF7;
  list.KeyDown(key, 0);
  EXPECT_TRUE(view.asked.empty());
  EXPECT_NE(key, 0);
  list.SetOptions({TNyAllowType::atDirChange, TNyAllowType::atDirCreate,
                   TNyAllowType::atDirDelete, TNyAllowType::atFileDelete});
  view.input = "new";
  key = TNyFileListBox::kVkF7;
  list.KeyDown(key, 0);
  EXPECT_EQ(view.asked, (Texts{"Внимание|Создать каталог|"}));
  EXPECT_TRUE(DirExists(dir / "new"));
  EXPECT_EQ(list.Items()[2].Text, " new");
  EXPECT_EQ(view.beeps, 1);
  // A name leading out of the directory is not made; the beep comes all the same.
  view.input = "../escaped";
  key = TNyFileListBox::kVkF7;
  list.KeyDown(key, 0);
  EXPECT_FALSE(DirExists(dir / "../escaped"));
  EXPECT_EQ(view.beeps, 2);
  view.input.reset();
  key = TNyFileListBox::kVkF7;
  list.KeyDown(key, 0);
  EXPECT_EQ(view.beeps, 2);

  // Delete of a file: asked with its path; No keeps it, Yes deletes it and its entry.
  view.asked.clear();
  const int big = 7;
  ASSERT_EQ(list.Items()[big].Text, "big.txt");
  list.SetItemIndex(big);
  key = TNyFileListBox::kVkDelete;
  list.KeyDown(key, 0);
  EXPECT_EQ(view.asked, (Texts{"Внимание|Удалиь файл\n\n" + dir / "big.txt"}));
  EXPECT_TRUE(FileExistsPlain(dir / "big.txt"));
  view.yes = true;
  list.KeyDown(key = TNyFileListBox::kVkDelete, 0);
  EXPECT_FALSE(FileExistsPlain(dir / "big.txt"));
  EXPECT_EQ(list.Items()[big].Text, "c.zip");
  // A directory that is not empty stays with its entry; an empty one goes.
  list.SetItemIndex(1);
  list.KeyDown(key = TNyFileListBox::kVkDelete, 0);
  EXPECT_EQ(view.asked.back(), "Внимание|Удалить каталог\n\n" + dir / "alpha");
  EXPECT_EQ(list.Items()[1].Text, " alpha");
  list.SetItemIndex(2);
  list.KeyDown(key = TNyFileListBox::kVkDelete, 0);
  EXPECT_FALSE(DirExists(dir / "new"));
  EXPECT_EQ(list.Items()[2].Text, " x.zip");

  // Delete on the first entry does nothing, also when it is a file.
  list.SetOptions({TNyAllowType::atFileDelete});
  list.SetOptionsFile({TNyFileOption::flReadOnly});
  ASSERT_EQ(list.Items()[0].Text, "A.txt");
  view.asked.clear();
  list.SetItemIndex(0);
  list.KeyDown(key = TNyFileListBox::kVkDelete, 0);
  EXPECT_TRUE(view.asked.empty());
  EXPECT_TRUE(FileExistsPlain(dir / "A.txt"));
}

TEST(NyFileListTime, PackedDateTime) {
  struct tm t {};
  t.tm_year = 2024 - 1900;
  t.tm_mon = 2;
  t.tm_mday = 15;
  t.tm_hour = 13;
  t.tm_min = 45;
  t.tm_sec = 31;
  t.tm_isdst = -1;
  const uint32_t packed = PackedFileTime(mktime(&t));
  EXPECT_EQ(packed, (44u << 25) | (3u << 21) | (15u << 16) | (13u << 11) | (45u << 5) | 15u);
  EXPECT_EQ(PackedFileTime(0) >> 16, (1u << 5) | 1u);  // before 1980: 1980-01-01
}

}  // namespace
