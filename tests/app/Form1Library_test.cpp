// Creating and opening a library through the main window's handlers, on real files.
#include <gtest/gtest.h>

#include "app/LibrarySchema.h"
#include "app/LibraryFixture.h"
#include "common/TestDir.h"

namespace {

using nytest::ReadFile;
using nytest::WriteFile;

class Form1Library : public nytest::LibraryTest {};

TEST_F(Form1Library, NewLibraryHoldsTheSeedRowsInOrder) {
  auto f = Start();
  f->CreateLibrary(lib_);
  ASSERT_TRUE(f->LibraryOpen());
  EXPECT_EQ(f->Model().Str("Caption"), "Vellum 00.20 [" + lib_ + "]");
  EXPECT_EQ(Sql("select group_concat(NAM||'='||RUN,',') from LSTSHW"),
            "Txt=NotePad,Rtf=WordPad,Htm=iExplore,Pdf=AcroRd32");
  EXPECT_EQ(Sql("select count(*) from LSTARC where USE is null"), "4");
  EXPECT_EQ(Sql("select group_concat(NAM,',') from LSTARC"), "NyH,RAR,ZIP,ARJ");
  EXPECT_EQ(Sql("select GET||'|'||PUT from LSTARC where NAM='RAR'"),
            "rar e -y \"%a\" \"%p\"|rar a -y \"%a\" \"%p\"");
  EXPECT_EQ(Sql("select count(*) from LSTSBJ where NAM=DIR"), "29");
  EXPECT_EQ(Sql("select group_concat(NAM,',') from (select NAM from LSTSBJ order by RowId "
                "limit 3)"),
            "Actions,War,Detective");
  EXPECT_EQ(Sql("select NAM from LSTSBJ order by RowId desc limit 1"), "Others");
  EXPECT_EQ(f->LstDoc().RecordCount(), 0);
  EXPECT_EQ(f->Model().Get("lRec").Str("Caption"), "0");
  // The grids show the tables sorted by NAM.
  ny::TNyDataSet& sbj = f->LstSbj();
  std::vector<std::string> first;
  for (sbj.First(); first.size() < 3; sbj.Next()) first.push_back(sbj.FieldByName("NAM").AsString());
  EXPECT_EQ(first, (std::vector<std::string>{"Actions", "Adventure", "Children"}));
  std::vector<std::string> arcs;
  ny::TNyDataSet& arc = f->LstArc();
  for (arc.First(); !arc.Eof(); arc.Next()) arcs.push_back(arc.FieldByName("NAM").AsString());
  EXPECT_EQ(arcs, (std::vector<std::string>{"ARJ", "NyH", "RAR", "ZIP"}));
  // The trigger is stored exactly, tabs included.
  EXPECT_EQ(Sql("select sql from sqlite_master where name='TBU_LSTSBJ'") + ";",
            ny::LibrarySchemaSteps()[7]);
  if (nytest::HaveTool("sqlite3")) {
    std::string schema;
    ASSERT_EQ(nytest::RunShell("sqlite3 '" + lib_ + "' .schema", &schema), 0);
    EXPECT_NE(schema.find(ny::LibrarySchemaSteps()[0]), std::string::npos) << schema;
    EXPECT_NE(schema.find("CREATE TABLE LSTSBJ ( NAM VARCHAR2(64) ,DIR VARCHAR2(128));"),
              std::string::npos);
  }
}

TEST_F(Form1Library, CreateRefusesAFileThatHoldsSomething) {
  auto f = Start();
  // Not a database at all: refused, the bytes untouched.
  WriteFile(lib_, "my notes, not a database");
  EXPECT_THROW(f->CreateLibrary(lib_), ny::ELibraryError);
  EXPECT_EQ(ReadFile(lib_), "my notes, not a database");
  EXPECT_FALSE(f->LibraryOpen());
  // A database with a table of its own: refused, no library tables added.
  ny::ForceDeleteFile(lib_);
  Exec("create table MINE (a);");
  const std::string before = ReadFile(lib_);
  try {
    f->CreateLibrary(lib_);
    ADD_FAILURE() << "no error";
  } catch (const ny::ELibraryError& e) {
    EXPECT_EQ(std::string(e.what()), "The file is not empty: a new library needs a new file\n" + lib_);
  }
  EXPECT_EQ(ReadFile(lib_), before);
  // An existing library is refused as well (not half-created again).
  ny::ForceDeleteFile(lib_);
  f->CreateLibrary(lib_);
  EXPECT_THROW(f->CreateLibrary(lib_), ny::ELibraryError);
  EXPECT_EQ(Sql("select count(*) from LSTSBJ"), "29");
  // An empty database file takes a library.
  const std::string other = dir_ / "empty.sqb";
  WriteFile(other, "");
  f->CreateLibrary(other);
  EXPECT_TRUE(f->LibraryOpen());
}

TEST_F(Form1Library, DialogsStoreThePathAndStartUpReopensIt) {
  auto f = Start();
  // Cancel changes nothing but the focus.
  f->bLibNewClick();
  EXPECT_EQ(view_.calls.back(), "focus DBGrid");
  EXPECT_EQ(view_.lastRequest.Title, "Select library file for create");
  EXPECT_EQ(view_.lastRequest.DefaultExt, "sqb");
  EXPECT_FALSE(view_.lastRequest.FileMustExist);
  EXPECT_FALSE(f->LibraryOpen());
  // A typed name without extension gets ".sqb".
  view_.openResult = dir_ / "Books";
  f->bLibNewClick();
  ASSERT_TRUE(f->LibraryOpen());
  EXPECT_EQ(f->LibraryFile(), lib_);
  EXPECT_EQ(ny::IniReadStr(env_.SettingsFile, "main", "pathbook", ""), lib_);
  Exec("insert into LSTDOC (AUTHOR,NAME) values ('Tolstoy','War and Peace');");
  f.reset();

  // The next start opens it again.
  auto g = Start();
  ASSERT_TRUE(g->LibraryOpen());
  EXPECT_EQ(Rows(*g), std::vector<std::string>{"Tolstoy|War and Peace"});

  // Opening a file that is no library fails at LSTARC; "pathbook" keeps the old path.
  const std::string bad = dir_ / "bad.sqb";
  WriteFile(bad, "");
  view_.openResult = bad;
  EXPECT_THROW(g->bLibOpenClick(), std::exception);
  EXPECT_EQ(view_.calls.back(), "focus DBGrid");
  EXPECT_EQ(view_.lastRequest.Title, "Select library file for open");
  EXPECT_EQ(g->LibraryFile(), bad);
  EXPECT_FALSE(g->LstArc().Active());
  EXPECT_FALSE(g->LstDoc().Active());
  EXPECT_EQ(ny::IniReadStr(env_.SettingsFile, "main", "pathbook", ""), lib_);
  view_.openResult = lib_;
  g->bLibOpenClick();
  EXPECT_TRUE(g->LibraryOpen());
}

TEST_F(Form1Library, TriggerGuardsSubjectsInUse) {
  auto f = Start();
  f->CreateLibrary(lib_);
  ny::TNySQLite3Query& sbj = f->LstSbj();
  auto setDir = [&](const char* nam, const char* dir) {
    ASSERT_TRUE(sbj.Locate("NAM", ny::TNyValue(nam), {}));
    sbj.Edit();
    sbj.FieldByName("DIR").SetAsString(dir);
    sbj.Post();
  };
  // A document of subject "war" (other case) does not hold War back.
  Exec("insert into LSTDOC (AUTHOR,SUBJ,ARCHNAME) values ('A','war','a.zip');");
  setDir("War", "War2");
  EXPECT_EQ(Sql("select DIR from LSTSBJ where NAM='War'"), "War2");
  Exec("insert into LSTDOC (AUTHOR,SUBJ,ARCHNAME) values ('B','War','b.zip');");
  try {
    setDir("War", "War3");
    ADD_FAILURE() << "the trigger let the update through";
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find(ny::kTriggerMessage), std::string::npos) << e.what();
  }
  // The row stays in editing with the typed value; the library keeps the old one.
  EXPECT_EQ(sbj.State(), ny::TDataSetState::dsEdit);
  EXPECT_EQ(sbj.FieldByName("DIR").AsString(), "War3");
  EXPECT_EQ(Sql("select DIR from LSTSBJ where NAM='War'"), "War2");
  sbj.Cancel();
  // Deleting a subject in use is not guarded; its documents then have no archive path.
  ASSERT_TRUE(sbj.Locate("NAM", ny::TNyValue("War"), {}));
  sbj.Delete();
  EXPECT_EQ(Sql("select count(*) from LSTSBJ where NAM='War'"), "0");
  f->RefreshDocList("");
  ASSERT_EQ(f->LstDoc().RecordCount(), 2);
  EXPECT_EQ(f->DocArchiveState(1), ny::TArchiveState::asNoSubject);
}

}  // namespace
