#include "intake/IntakeDialog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/ProgramDirTest.h"
#include "sqlite/NySQLite3DB.h"
#include "sqlite/NySQLite3Query.h"
#include "util/NyApi.h"
#include "util/NyCurrentDir.h"

using namespace ny;
using nytest::WriteFile;
using Texts = std::vector<std::string>;

namespace {

// Records what the dialog asks of its window; ShowModal runs the test's script.
class FakeIntakeView : public TIntakeView, public TNyProgressView {
 public:
  void ShowModal(TfIntake& dialog) override {
    calls.push_back("show");
    if (script) script(dialog);
  }
  void Close() override { calls.push_back("close"); }
  void FocusNext() override { calls.push_back("next"); }
  void SetColor(const std::string& control, TNyColor color) override {
    calls.push_back(control + (color == TNyColor::clInfoBk ? " info" : " window"));
  }
  TNyProgressView* Progress() override { return this; }

  void ProgressShow(const std::string& caption, int total) override {
    calls.push_back("progress " + caption + " " + std::to_string(total));
  }
  void ProgressUpdate(int done, int total, const std::string& current) override {
    calls.push_back(std::to_string(done) + "/" + std::to_string(total) + " " + current);
  }
  bool ProgressCancelled() override { return --cancelAfter == 0; }
  void ProgressHide() override { calls.push_back("hide"); }

  std::function<void(TfIntake&)> script;
  Texts calls;
  int cancelAfter = -1;
};

class IntakeDialogTest : public nytest::ProgramDirTest {
 protected:
  void SetUp() override {
    ProgramDirTest::SetUp();
    start = dir_ / "docs/";
    ForceDirs(start);
    for (const char* f : {"c.txt", "a.txt", "b.txt", "notes.md", "book.zip", "d.txt", "e.txt"}) {
      WriteFile(start + f, "text");
    }
    ForceDirs(start + "sub.txt");
    db.SetDatabase(dir_ / "lib.sqb");
    db.SetConnected(true);
    ASSERT_TRUE(db.Connected());
    db.ExecuteScript("CREATE TABLE LSTSBJ ( NAM VARCHAR2(64) ,DIR VARCHAR2(128));");
    db.ExecuteScript(
        "insert into LSTSBJ (NAM,DIR) values ('Drama','Drama');insert into LSTSBJ (NAM,DIR) "
        "values ('Tales','Tales');insert into LSTSBJ (NAM,DIR) values ('Humor','Humor');");
    sbj.SetName("LstSbj");
    sbj.SetConnection(&db);
    sbj.SetSQLText("select RowId,* from LSTSBJ order by NAM");
    sbj.SetSQLTable("LSTSBJ");
    sbj.SetSQLWhere("RowId=:RowId");
    sbj.Open();
    request.StartDir = start;
    request.Subjects = &sbj;
    request.LangCode = "Def";
    request.Work = [this](const TIntakeItem& item) {
      done.push_back(ExtractName(item.Path) + "|" + item.SubjectName + "|" + item.SubjectDir +
                     "|" + (item.DeleteSource ? "del" : "keep"));
      if (item.DeleteSource) ForceDeleteFile(item.Path);
      if (ExtractName(item.Path) == failOn) throw std::runtime_error("Bad archive");
    };
  }

  // Selects the entries of those texts.
  static void Pick(TfIntake& d, const Texts& texts) {
    for (int i = 0; i < d.FileList().Count(); ++i) {
      for (const std::string& t : texts) {
        if (d.FileList().Items()[static_cast<size_t>(i)].Text == t) d.FileList().SetSelected(i, true);
      }
    }
  }

  std::string start;
  TNySQLite3DB db;
  TNySQLite3Query sbj;
  TIntakeRequest request;
  FakeIntakeView view;
  Texts done;
  std::string failOn;
};

TEST_F(IntakeDialogTest, OpensInTheStartDirectoryDumpedThenTranslated) {
  InstallRussian();
  LangDump = true;
  request.LangCode = "RUS";
  request.DeleteSource = true;
  view.script = [&](TfIntake& d) {
    EXPECT_EQ(d.Model().Get("Label1").Str("Caption"), start);
    EXPECT_EQ(d.MaskText(), "*.txt");
    EXPECT_EQ(d.FileList().Texts(),
              (Texts{" .. ", " sub.txt", "a.txt", "b.txt", "c.txt", "d.txt", "e.txt"}));
    EXPECT_TRUE(d.DeleteSource());
    EXPECT_EQ(d.Model().Str("Caption"), "Добавление документов в библиотеку");
    EXPECT_EQ(d.Model().Get("DBGrid1").Columns("Columns")[0].Title, "Тема");
  };
  RunIntakeDialog(TIntakeKind::Imp, view, request);
  EXPECT_EQ(view.calls, (Texts{"show"}));
  EXPECT_EQ(CurrentLanguage, "RUS");
  // The dump holds the built-in texts of the dialog under its own section.
  const std::string dump = dir_ / "vellum-Dbg.lng";
  EXPECT_EQ(IniReadStr(dump, "fImp", "TfImp-fImp-Caption"), "Append document in library");
  EXPECT_EQ(IniReadStr(dump, "fImp", "TComboBox-ComboBox1-Items5"), "*.*");
  EXPECT_EQ(IniReadStr(dump, "fImp", "TDBGrid-DBGrid1-Columns0"), "Subject");
  EXPECT_EQ(IniReadStr(dump, "fImp", "TNyFileListBox-FileList-Hint"), "Select file document");

  // The archive dialog: its own masks and texts.
  request.DeleteSource = false;
  view.script = [&](TfIntake& d) {
    EXPECT_EQ(d.FileList().Texts(), (Texts{" .. ", " sub.txt", "book.zip"}));
    EXPECT_FALSE(d.DeleteSource());
  };
  RunIntakeDialog(TIntakeKind::Arc, view, request);
  EXPECT_EQ(IniReadStr(dump, "fArc", "TfArc-fArc-Caption"), "Import archive in library");
}

TEST_F(IntakeDialogTest, MasksKeysFocusColoursAndTheCheckBox) {
  TfImp d(view, request);
  d.Prepare();
  // A typed mask applies on Enter, on leaving the box, and a chosen item at once.
  d.ComboBox1Change("*.md");
  EXPECT_EQ(d.FileList().FileMask(), "*.txt");
  char key = kIntakeKeyEnter;
  d.ComboBox1KeyPress(key);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(d.FileList().Texts(), (Texts{" .. ", " sub.txt", "notes.md"}));
  d.ControlEnter("ComboBox1");
  d.ComboBox1Change("*.zip");
  d.ControlExit("ComboBox1");
  EXPECT_EQ(d.FileList().Texts(), (Texts{" .. ", " sub.txt", "book.zip"}));
  // The list is read again on a click also when the mask stays: a new file shows.
  WriteFile(start + "new.zip", "z");
  d.ComboBox1Click();
  EXPECT_EQ(d.FileList().Count(), 4);
  d.ComboBox1Select(3);
  EXPECT_EQ(d.MaskText(), "*.pdf");
  EXPECT_EQ(d.FileList().Texts(), (Texts{" .. ", " sub.txt"}));

  d.ControlEnter("FileList");
  d.ControlExit("FileList");
  d.ControlEnter("BitBtn1");  // takes no colour
  key = kIntakeKeyTab;
  d.DBGrid1KeyPress(key);
  EXPECT_EQ(key, 0);
  key = 'x';
  d.FormKeyPress(key);
  EXPECT_EQ(key, 'x');
  key = kIntakeKeyEscape;
  d.FormKeyPress(key);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(view.calls, (Texts{"ComboBox1 info", "ComboBox1 window", "FileList info",
                               "FileList window", "next", "close"}));
  // Navigating shows the directory in the label.
  d.FileList().SetItemIndex(1);
  d.FileList().DblClick();
  EXPECT_EQ(d.Model().Get("Label1").Str("Caption"), start + "sub.txt/");
  d.CheckBox1Click(true);
  EXPECT_TRUE(d.DeleteSource());
  EXPECT_EQ(d.Model().Get("CheckBox1").Value("Checked"), "True");
}

TEST_F(IntakeDialogTest, ExecuteHandsThePickedFilesToTheWork) {
  TfImp d(view, request);
  d.Prepare();
  d.DBGrid1Select(2);  // Drama, Humor, Tales: the third
  EXPECT_EQ(sbj.FieldByName("NAM").AsString(), "Tales");
  d.DBGrid1Select(7);  // no such row
  Pick(d, {" .. ", " sub.txt", "c.txt", "a.txt", "b.txt"});
  d.BitBtn1Click();
  // Files only, in list order, with the current subject; three files show no progress.
  EXPECT_EQ(done, (Texts{"a.txt|Tales|Tales|keep", "b.txt|Tales|Tales|keep",
                         "c.txt|Tales|Tales|keep"}));
  EXPECT_TRUE(view.calls.empty());
  // The list was read again: nothing is selected.
  EXPECT_EQ(d.FileList().Count(), 7);
  for (const TNyFileItem& item : d.FileList().Items()) EXPECT_FALSE(item.Selected);

  // With the delete flag the sources go, and the list no longer shows them.
  done.clear();
  d.CheckBox1Click(true);
  Pick(d, {"a.txt"});
  d.BitBtn1Click();
  EXPECT_EQ(done, (Texts{"a.txt|Tales|Tales|del"}));
  EXPECT_EQ(d.FileList().Texts(), (Texts{" .. ", " sub.txt", "b.txt", "c.txt", "d.txt", "e.txt"}));

  // An empty subject record set gives an empty subject.
  db.ExecuteScript("delete from LSTSBJ;");
  sbj.Close();
  sbj.Open();
  done.clear();
  d.CheckBox1Click(false);
  Pick(d, {"b.txt"});
  d.BitBtn1Click();
  EXPECT_EQ(done, (Texts{"b.txt|||keep"}));
}

TEST_F(IntakeDialogTest, ProgressAboveThreeFilesStopsOnCancelAfterTheFileAtHand) {
  TfImp d(view, request);
  d.Prepare();
  Pick(d, {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"});
  view.cancelAfter = 2;
  d.BitBtn1Click();
  EXPECT_EQ(done.size(), 2u);
  EXPECT_EQ(view.calls,
            (Texts{"progress Append document in library 5", "0/5 ", "0/5 a.txt", "1/5 ",
                   "1/5 b.txt", "2/5 ", "hide"}));

  // An error of the work ends the run: the window goes, the error passes on.
  view.calls.clear();
  view.cancelAfter = -1;
  done.clear();
  failOn = "b.txt";
  Pick(d, {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"});
  EXPECT_THROW(d.BitBtn1Click(), std::runtime_error);
  EXPECT_EQ(done.size(), 2u);
  EXPECT_EQ(view.calls.back(), "hide");
}

TEST_F(IntakeDialogTest, CurrentDirectoryRestoredOnEveryWayOut) {
  const std::string before = GetCurrentDir();
  ASSERT_FALSE(before.empty());
  view.script = [&](TfIntake&) {
    ASSERT_EQ(::chdir(start.c_str()), 0);
    throw std::runtime_error("Bad archive");
  };
  EXPECT_THROW(RunIntakeDialog(TIntakeKind::Arc, view, request), std::runtime_error);
  EXPECT_EQ(GetCurrentDir(), before);
  view.script = [&](TfIntake&) { ASSERT_EQ(::chdir(start.c_str()), 0); };
  RunIntakeDialog(TIntakeKind::Imp, view, request);
  EXPECT_EQ(GetCurrentDir(), before);
}

}  // namespace
