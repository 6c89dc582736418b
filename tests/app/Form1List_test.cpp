// The document list through the window's handlers: query, search, sort marks, colours, keys
// and editing, on a real library.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/LibText.h"
#include "app/LibraryFixture.h"
#include "common/TestDir.h"
#include "util/NyText.h"

namespace {

using ny::TForm1;

class Form1List : public nytest::LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    f_ = Start();
    f_->CreateLibrary(lib_);
    Exec("insert into LSTDOC (AUTHOR,NAME,SUBJ,SIZE,FILENAME,ARCHNAME,TEXT) values "
         "('War','Alpha','War',300,'a.txt','a.ZIP','first');"
         "insert into LSTDOC (AUTHOR,NAME,SUBJ,SIZE,FILENAME,ARCHNAME,TEXT) values "
         "('Warren','Beta','Drama',20,'b.txt','b.ZIP','100% sure');"
         "insert into LSTDOC (AUTHOR,NAME,SUBJ,SIZE,FILENAME,ARCHNAME,TEXT) values "
         "('Howard','Gamma','War',1000,'c.txt','c.ZIP',NULL);"
         "insert into LSTDOC (AUTHOR,NAME,SUBJ,SIZE,FILENAME,ARCHNAME,TEXT) values "
         "('O''Brien','Delta','Others',5,'d.txt','d.ZIP','под_черта');"
         "insert into LSTDOC (AUTHOR,NAME,SUBJ,SIZE,FILENAME,ARCHNAME,TEXT) values "
         "('Толстой','Война и мир','Others',7,'e.txt','e.ZIP','');");
    f_->RefreshDocList("");
  }
  void Search(const std::string& text) {
    f_->Model().Get("eLike").SetStr("Text", text);
    f_->bSearchClick();
  }
  std::vector<std::string> Authors() {
    std::vector<std::string> out;
    for (const std::string& r : Rows(*f_)) out.push_back(r.substr(0, r.find('|')));
    return out;
  }
  std::vector<std::string> Titles() {
    std::vector<std::string> out;
    for (const auto& c : f_->Model().Get(ny::kDocGrid).Columns("Columns")) out.push_back(c.Title);
    return out;
  }
  std::unique_ptr<TForm1> f_;
};

TEST_F(Form1List, QueryTextsAndSearches) {
  EXPECT_EQ(f_->LstDoc().RunText(), "select RowId,* from LSTDOC order by 1");
  EXPECT_EQ(f_->Model().Get("lRec").Str("Caption"), "5");
  f_->SetChecked("chFindNam", false);
  f_->SetSortField(-3);
  EXPECT_EQ(f_->DocListQuery("war"),
            "select RowId,* from LSTDOC where 1<0 or MyLike(AUTHOR ,'war')>0 or "
            "MyLike(TEXT,'war')>0 order by 3 desc");
  f_->SetSortField(1);
  f_->SetChecked("chFindTxt", false);
  // Authors War, Warren and Howard; no document by its subject.
  Search("war");
  EXPECT_EQ(Authors(), (std::vector<std::string>{"War", "Warren", "Howard"}));
  EXPECT_EQ(f_->Model().Get("lRec").Str("Caption"), "3");
  Search("o'brien");
  EXPECT_EQ(Authors(), std::vector<std::string>{"O'Brien"});
  Search("ТОЛСТОЙ ");
  EXPECT_EQ(Authors(), std::vector<std::string>{"Толстой"});
  f_->SetChecked("chFindTxt", true);
  Search("0%");
  EXPECT_EQ(Authors(), std::vector<std::string>{"Warren"});
  Search("_");
  EXPECT_EQ(Authors(), std::vector<std::string>{"O'Brien"});
  // Blanks only: the where clause, and nothing found.
  Search("   ");
  EXPECT_NE(f_->LstDoc().RunText().find(" where 1<0 or MyLike(AUTHOR ,'   ')>0"), std::string::npos);
  EXPECT_EQ(f_->LstDoc().RecordCount(), 0);
  // Every box unchecked: " where 1<0" alone.
  for (const char* b : {"chFindAut", "chFindNam", "chFindSub", "chFindFil", "chFindArc", "chFindTxt"})
    f_->SetChecked(b, false);
  Search("war");
  EXPECT_EQ(f_->LstDoc().RunText(), "select RowId,* from LSTDOC where 1<0 order by 1");
  EXPECT_EQ(f_->Model().Get("lRec").Str("Caption"), "0");
  // The search box refreshes by itself only while "Auto refresh" is checked.
  f_->SetChecked("chFindAut", true);
  f_->Model().Get("eLike").SetStr("Text", "how");
  f_->eLikeChange();
  EXPECT_EQ(f_->LstDoc().RecordCount(), 0);
  f_->SetChecked("chAutoFind", true);
  f_->eLikeChange();
  EXPECT_EQ(Authors(), std::vector<std::string>{"Howard"});
}

TEST_F(Form1List, TitleClicksSortAndMarkTheColumn) {
  EXPECT_EQ(Titles()[0], "Author");  // first start: no mark
  f_->DBGridTitleClick(0);
  EXPECT_EQ(f_->SortField(), 2);
  EXPECT_EQ(Titles()[0], "\xE2\x80\xA2 Author");
  EXPECT_EQ(Authors().front(), "Howard");
  f_->DBGridTitleClick(0);
  EXPECT_EQ(f_->SortField(), -2);
  EXPECT_EQ(Titles()[0], "^ Author");
  EXPECT_EQ(f_->LstDoc().RunText(), "select RowId,* from LSTDOC order by 2 desc");
  f_->DBGridTitleClick(0);
  EXPECT_EQ(Titles()[0], "\xE2\x80\xA2 Author");
  // "Size (B)": the mark moves, sizes sort as numbers.
  f_->DBGridTitleClick(3);
  EXPECT_EQ(f_->SortField(), 5);
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Author", "Subject", "Document name ",
                                                "\xE2\x80\xA2 Size (B)", "File name",
                                                "Archive Name"}));
  EXPECT_EQ(Authors(), (std::vector<std::string>{"O'Brien", "Толстой", "Warren", "War", "Howard"}));
  // The optional columns follow their boxes at the next opening only.
  EXPECT_FALSE(f_->Model().Get(ny::kDocGrid).Columns("Columns")[4].Visible);
  f_->SetChecked("chShowFileNam", true);
  EXPECT_FALSE(f_->Model().Get(ny::kDocGrid).Columns("Columns")[4].Visible);
  f_->bSearchClick();
  EXPECT_TRUE(f_->Model().Get(ny::kDocGrid).Columns("Columns")[4].Visible);
  EXPECT_FALSE(f_->Model().Get(ny::kDocGrid).Columns("Columns")[5].Visible);
}

TEST_F(Form1List, RowsWithoutTheirArchiveAreRed) {
  namespace fs = std::filesystem;
  const std::string root = dir_ / "Books/";
  for (const char* p : {"War/a.ZIP", "Drama/b.ZIP", "War/c.ZIP", "Others/d.ZIP", "Others/e.ZIP"}) {
    fs::create_directories(fs::path(root + p).parent_path());
    nytest::WriteFile(root + p, "zip");
  }
  EXPECT_FALSE(f_->DBGridDrawColumnCell(0));  // "Check file exist" is off
  f_->SetChecked("chCheckFileExist", true);
  for (int r = 0; r < 5; ++r) EXPECT_FALSE(f_->DBGridDrawColumnCell(r)) << r;
  fs::remove(root + "Drama/b.ZIP");
  EXPECT_TRUE(f_->DBGridDrawColumnCell(1));
  EXPECT_EQ(f_->DocArchiveState(1), ny::TArchiveState::asMissing);
  // A stored name that climbs out of the library is never looked at outside it.
  nytest::WriteFile(dir_ / "outside.ZIP", "zip");
  Exec("update LSTDOC set ARCHNAME='../../outside.ZIP' where AUTHOR='Howard'");
  Exec("delete from LSTSBJ where NAM='Others'");
  f_->LstSbj().Close();
  f_->LstSbj().Open();
  f_->RefreshDocList("");
  EXPECT_TRUE(f_->DBGridDrawColumnCell(2));
  EXPECT_EQ(f_->DocArchiveState(3), ny::TArchiveState::asNoSubject);
  EXPECT_TRUE(f_->DBGridDrawColumnCell(3));
  // The lookup read the subjects without moving their current row.
  EXPECT_EQ(f_->LstSbj().RecNo(), 1);
}

TEST_F(Form1List, KeysOfTheDocumentGrid) {
  std::vector<std::string> ran;
  f_->OnDocAppend = [&](const std::string& d) { ran.push_back("append " + d); };
  f_->OnArcAppend = [&](const std::string& d) { ran.push_back("import " + d); };
  f_->OnDocDelete = [&] { ran.push_back("delete"); };
  f_->OnOpenDocument = [&] { ran.push_back("open"); };
  ny::TNySQLite3Query& doc = f_->LstDoc();
  // F5 reloads and keeps the row by its RowId, even after a reorder.
  doc.SetRecNo(3);
  Exec("insert into LSTDOC (AUTHOR) values ('New');");
  f_->SetSortField(-1);
  f_->RefreshDocList("");
  ASSERT_TRUE(doc.Locate("AUTHOR", ny::TNyValue("Howard"), {}));
  uint16_t key = ny::VK_F5;
  view_.calls.clear();
  f_->DBGridKeyDown(key, ny::ssNone);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(doc.FieldByName("AUTHOR").AsString(), "Howard");
  EXPECT_EQ(doc.RecordCount(), 6);
  EXPECT_EQ(view_.calls.back(), "beep");
  key = ny::VK_TAB;
  f_->DBGridKeyDown(key, ny::ssShift);
  EXPECT_EQ(view_.calls.back(), "focus next");
  for (unsigned shift : {unsigned(ny::ssCtrl), unsigned(ny::ssAlt), ny::ssCtrl | ny::ssShift}) {
    key = ny::VK_INSERT;
    f_->DBGridKeyDown(key, shift);
  }
  EXPECT_EQ(key, ny::VK_INSERT);  // Ctrl+Shift+Insert is not a command
  key = ny::VK_DELETE;
  f_->DBGridKeyDown(key, ny::ssCtrl);
  char enter = ny::kKeyEnter;
  f_->DBGridKeyPress(enter);
  EXPECT_EQ(enter, 0);
  f_->DBGridDblClick();
  const std::string home = ny::ExtractDir(env_.ProgramFile);
  EXPECT_EQ(ran, (std::vector<std::string>{"append " + home, "import " + home, "delete", "open",
                                           "open"}));
  // While editing the commands wait.
  f_->GridSetCell(ny::kDocGrid, doc.RecNo() - 1, 0, "Howard H.");
  key = ny::VK_DELETE;
  f_->DBGridKeyDown(key, ny::ssCtrl);
  enter = ny::kKeyEnter;
  f_->DBGridKeyPress(enter);
  EXPECT_EQ(ran.size(), 5u);
  EXPECT_EQ(key, ny::VK_DELETE);
  // Leaving the memo posts the edit.
  f_->DBMemo1Exit();
  EXPECT_EQ(doc.State(), ny::TDataSetState::dsBrowse);
  EXPECT_EQ(Sql("select count(*) from LSTDOC where AUTHOR='Howard H.'"), "1");
}

TEST_F(Form1List, EditingInTheGrids) {
  ny::TNySQLite3Query& doc = f_->LstDoc();
  // SUBJ and SIZE are read-only in the document grid.
  EXPECT_FALSE(f_->GridColumnEditable(ny::kDocGrid, 1));
  EXPECT_FALSE(f_->GridColumnEditable(ny::kDocGrid, 3));
  EXPECT_THROW(f_->GridSetCell(ny::kDocGrid, 0, 3, "9"), ny::ELibraryError);
  EXPECT_EQ(doc.State(), ny::TDataSetState::dsBrowse);
  // An edit is posted when the grid leaves the row.
  f_->GridSetCell(ny::kDocGrid, 1, 2, "Beta 2");
  f_->GridRowChanged(ny::kDocGrid, 2);
  EXPECT_EQ(Sql("select NAME from LSTDOC where AUTHOR='Warren'"), "Beta 2");
  // F5 with a pending edit posts it rather than dropping it.
  f_->GridSetCell(ny::kDocGrid, 2, 0, "Howard R.");
  uint16_t key = ny::VK_F5;
  f_->DBGridKeyDown(key, ny::ssNone);
  EXPECT_EQ(Sql("select count(*) from LSTDOC where AUTHOR='Howard R.'"), "1");

  // Subjects: a new row, then the trigger refuses a change to a subject in use and the row
  // stays in editing.
  ny::TNySQLite3Query& sbj = f_->LstSbj();
  sbj.Last();
  key = ny::VK_DOWN;
  f_->GridEditKey(ny::kSubjectGrid, key, ny::ssNone);
  ASSERT_EQ(sbj.State(), ny::TDataSetState::dsInsert);
  f_->GridSetCell(ny::kSubjectGrid, sbj.RecordCount(), 0, "Новое");
  f_->GridSetCell(ny::kSubjectGrid, sbj.RecordCount(), 1, "New");
  f_->GridRowChanged(ny::kSubjectGrid, 0);
  EXPECT_EQ(Sql("select DIR from LSTSBJ where NAM='Новое'"), "New");
  ASSERT_TRUE(sbj.Locate("NAM", ny::TNyValue("Drama"), {}));
  f_->GridSetCell(ny::kSubjectGrid, sbj.RecNo() - 1, 1, "Plays");
  EXPECT_THROW(f_->GridRowChanged(ny::kSubjectGrid, 0), std::exception);
  EXPECT_EQ(sbj.State(), ny::TDataSetState::dsEdit);
  EXPECT_EQ(sbj.FieldByName("NAM").AsString(), "Drama");
  // F5 gives a refused edit up after the refusal, and reads the rows anew.
  key = ny::VK_F5;
  EXPECT_THROW(f_->G_LstSbjKeyDown(ny::kSubjectGrid, key, ny::ssNone), std::exception);
  EXPECT_EQ(sbj.State(), ny::TDataSetState::dsBrowse);
  EXPECT_TRUE(sbj.Active());
  // Esc gives an edit up.
  ASSERT_TRUE(sbj.Locate("NAM", ny::TNyValue("Drama"), {}));
  f_->GridSetCell(ny::kSubjectGrid, sbj.RecNo() - 1, 1, "Plays");
  key = ny::VK_ESCAPE;
  f_->GridEditKey(ny::kSubjectGrid, key, ny::ssNone);
  EXPECT_EQ(sbj.State(), ny::TDataSetState::dsBrowse);
  EXPECT_EQ(sbj.FieldByName("DIR").AsString(), "Drama");
  // Delete after "Delete record?": No keeps the row, Yes deletes it.
  const int before = sbj.RecordCount();
  key = ny::VK_DELETE;
  f_->GridEditKey(ny::kSubjectGrid, key, ny::ssCtrl);
  EXPECT_EQ(view_.calls.back(), "ask Delete record?");
  EXPECT_EQ(sbj.RecordCount(), before);
  view_.yes = true;
  key = ny::VK_DELETE;
  f_->GridEditKey(ny::kSubjectGrid, key, ny::ssCtrl);
  EXPECT_EQ(sbj.RecordCount(), before - 1);
  EXPECT_EQ(Sql("select count(*) from LSTSBJ where NAM='Drama'"), "0");
  // F5 re-reads and re-sorts by NAM; Tab moves on.
  Exec("insert into LSTSBJ (NAM,DIR) values ('Aardvark','A');");
  key = ny::VK_F5;
  f_->G_LstSbjKeyDown(ny::kArchiverGrid, key, ny::ssNone);
  EXPECT_EQ(view_.calls.back(), "beep");
  key = ny::VK_F5;
  f_->G_LstSbjKeyDown(ny::kSubjectGrid, key, ny::ssNone);
  sbj.First();
  EXPECT_EQ(sbj.FieldByName("NAM").AsString(), "Aardvark");
  key = ny::VK_TAB;
  f_->G_LstSbjKeyDown(ny::kSubjectGrid, key, ny::ssShift | ny::ssCtrl);
  EXPECT_EQ(view_.calls.back(), "focus next");
}

// A library written on Windows: Windows-1251 bytes beside UTF-8 rows.
TEST_F(Form1List, WindowsTextsAreShownSearchedAndLookedUp) {
  const std::string author = ny::EncodeCodePage("Пушкин", 1251);
  const std::string subj = ny::EncodeCodePage("Стихи", 1251);
  Exec("insert into LSTSBJ (NAM,DIR) values ('" + ny::EncodeCodePage("СТИХИ", 1251) + "','Verse');");
  Exec("insert into LSTDOC (AUTHOR,NAME,SUBJ,ARCHNAME) values ('" + author + "','x','" + subj +
       "','p.ZIP');");
  f_->LstSbj().Close();
  f_->LstSbj().Open();
  Search("пушк");
  ASSERT_EQ(f_->LstDoc().RecordCount(), 1);
  EXPECT_EQ(ny::LibText(f_->LstDoc().FieldByName("AUTHOR").AsString()), "Пушкин");
  EXPECT_EQ(f_->DocArchiveState(0), ny::TArchiveState::asMissing);  // subject found
  std::filesystem::create_directories(dir_ / "Books/Verse");
  nytest::WriteFile(dir_ / "Books/Verse/p.ZIP", "zip");
  EXPECT_EQ(f_->DocArchiveState(0), ny::TArchiveState::asOk);
  // Cyrillic names are looked up without regard to case, in UTF-8 too.
  ny::TDataSetSubjects subjects(f_->LstSbj());
  EXPECT_EQ(subjects.LocateSubject("стихи"), "Verse");
  EXPECT_EQ(subjects.LocateSubject("стих"), std::nullopt);
}

}  // namespace
