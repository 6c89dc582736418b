#include <filesystem>
#include <functional>
#include <memory>

#include "NySQLite3QueryTest.h"
#include "sqlite/NyDataSource.h"
#include "sqlite/NySQLiteError.h"

using ny::TLocateOption;
using ny::TNyValue;
using nytest::QueryTest;

using QueryNav = QueryTest;

namespace {

// The subject table of a library with a few rows.
void MakeSubjects(ny::TNySQLite3Query& q) {
  q.SetSQLText("select RowId,* from LSTSBJ order by NAM");
  q.SetSQLTable("LSTSBJ");
  q.SetSQLWhere("RowId=:RowId");
}

}  // namespace

TEST_F(QueryNav, LocateWithAndWithoutPartialKey) {
  Exec(
      "CREATE TABLE LSTSBJ ( NAM VARCHAR2(64) ,DIR VARCHAR2(128));"
      "insert into LSTSBJ values ('Actions','act');"
      "insert into LSTSBJ values ('Drama','dra');"
      "insert into LSTSBJ values ('Poetry','poe');");
  MakeSubjects(q);
  q.Open();
  EXPECT_TRUE(q.Locate("NAM", TNyValue("dra"),
                       {TLocateOption::loCaseInsensitive, TLocateOption::loPartialKey}));
  EXPECT_EQ(q.FieldByName("NAM").AsString(), "Drama");
  EXPECT_FALSE(q.Locate("NAM", TNyValue("dra"), {TLocateOption::loCaseInsensitive}));
  EXPECT_EQ(q.FieldByName("NAM").AsString(), "Poetry");  // the last row
  EXPECT_FALSE(q.Locate("NAM", TNyValue("drama"), {}));
  EXPECT_TRUE(q.Locate("NAM;DIR", TNyValue(std::vector<TNyValue>{"Actions", "act"}), {}));
  EXPECT_EQ(q.RecNo(), 1);
  EXPECT_EQ(MessageOf([&] { q.Locate("NAM; DIR", TNyValue("x"), {}); }), "Field ' DIR' not found");
  EXPECT_FALSE(q.ControlsDisabled());

  // Lookup: the value of the result field, or an empty text (not NULL) for a missing key.
  EXPECT_EQ(q.Lookup("NAM", TNyValue("Drama"), "DIR").AsText(), "dra");
  const TNyValue missing = q.Lookup("NAM", TNyValue("Comedy"), "DIR");
  EXPECT_FALSE(missing.IsNull());
  EXPECT_EQ(missing.AsText(), "");
}

TEST_F(QueryNav, CaseInsensitiveLocateFoldsOnlyLatinLetters) {
  Exec(
      "create table t(NAM VARCHAR2(64));"
      "insert into t values ('\xD0\x94\xD1\x80\xD0\xB0\xD0\xBC\xD0\xB0');"  // Драма
      "insert into t values ('DRAMA');");
  q.SetSQLText("select * from t");
  q.Open();
  EXPECT_TRUE(q.Locate("NAM", TNyValue("\xD0\x94\xD1\x80\xD0\xB0\xD0\xBC\xD0\xB0"),
                       {TLocateOption::loCaseInsensitive}));
  EXPECT_EQ(q.RecNo(), 1);
  // драма in small letters does not match Драма.
  EXPECT_FALSE(q.Locate("NAM", TNyValue("\xD0\xB4\xD1\x80\xD0\xB0\xD0\xBC\xD0\xB0"),
                        {TLocateOption::loCaseInsensitive}));
  EXPECT_TRUE(q.Locate("NAM", TNyValue("drama"), {TLocateOption::loCaseInsensitive}));
  EXPECT_EQ(q.RecNo(), 2);
}

TEST_F(QueryNav, EmptySetFetchesAndBookmarks) {
  MakeLstDoc(0);
  OpenDocs();
  EXPECT_TRUE(q.IsEmpty());
  EXPECT_TRUE(q.Eof());
  EXPECT_FALSE(q.Locate("NAME", TNyValue("x"), {}));
  q.Close();

  Exec("insert into LSTDOC(NAME) values ('a'); insert into LSTDOC(NAME) values ('b');");
  OpenDocs();
  const ny::TBookmark first = q.GetBookmark();
  q.Next();
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "b");
  q.GotoBookmark(first);
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "a");
  EXPECT_TRUE(q.BookmarkValid(first));
  q.Delete();
  EXPECT_FALSE(q.BookmarkValid(first));
  EXPECT_EQ(MessageOf([&] { q.GotoBookmark(first); }), "Bookmark not found");
  q.Next();
  EXPECT_TRUE(q.Eof());
  q.Prior();
  EXPECT_TRUE(q.Bof());
}

TEST_F(QueryNav, NoRecordsWhenThereIsNoCurrentRecord) {
  // The framework asks for the current record without the report flag; these fetches ask
  // with it, as a bound grid may.
  struct Probe : ny::TNySQLite3Query {
    using TNySQLite3Query::GetRecord;
    using TNySQLite3Query::InternalLast;
    using TNySQLite3Query::AllocRecordBuffer;
    using TNySQLite3Query::FreeRecordBuffer;
  } p;
  Exec("create table t(a);");
  p.SetConnection(&db);
  p.SetSQLText("select * from t");
  p.Open();
  // A record buffer as the record set makes it for the open layout.
  using TBuffer = std::unique_ptr<uint8_t, std::function<void(uint8_t*)>>;
  auto alloc = [&p] {
    return TBuffer(p.AllocRecordBuffer(), [&p](uint8_t* b) { p.FreeRecordBuffer(b); });
  };
  TBuffer buffer = alloc();
  // No rows at all: after the last.
  EXPECT_EQ(p.GetRecord(buffer.get(), ny::TGetMode::gmCurrent, true), ny::TGetResult::grEOF);
  buffer.reset();
  Exec("insert into t values (1);");
  p.Close();
  p.Open();
  buffer = alloc();
  EXPECT_EQ(p.GetRecord(buffer.get(), ny::TGetMode::gmCurrent, true), ny::TGetResult::grOK);
  p.InternalLast();  // the cursor after the last row: no current record
  EXPECT_EQ(MessageOf([&] { p.GetRecord(buffer.get(), ny::TGetMode::gmCurrent, true); }),
            "No Records");
  buffer.reset();
}

TEST_F(QueryNav, UniDirectionalStreamsForwardOnly) {
  MakeLstDoc(3);
  q.SetUniDirectional(true);
  q.SetSQLText("select NAME from LSTDOC order by SIZE");
  q.Open();
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "N1");
  EXPECT_EQ(q.RecordCount(), 0);
  q.Next();
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "N2");
  EXPECT_EQ(MessageOf([&] { q.Prior(); }), "operation PRIOR not allowed on unidirectional dataset");
  q.Next();
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "N3");
  q.Next();
  EXPECT_TRUE(q.Eof());
  q.Close();  // finalizes the statement: the table can be dropped
  Exec("drop table LSTDOC;");
}

TEST_F(QueryNav, DetailFollowsItsMaster) {
  Exec(
      "CREATE TABLE LSTSBJ ( NAM VARCHAR2(64) ,DIR VARCHAR2(128));"
      "insert into LSTSBJ values ('Drama','dra');"
      "insert into LSTSBJ values ('O''Neil','one');"
      "insert into LSTSBJ values ('Poetry','poe');");
  MakeLstDoc(3);  // all Drama
  Exec(
      "update LSTDOC set SUBJ='Poetry' where rowid=3; update LSTDOC set SUBJ='O''Neil' where "
      "rowid=2;");
  MakeSubjects(q);
  ny::TNyDataSource source(&q);
  ny::TNySQLite3Query docs;
  docs.SetName("Docs");
  docs.SetConnection(&db);
  docs.SetSQLText("select NAME, SUBJ from LSTDOC");
  docs.SetMasterFields("SUBJ=NAM");
  docs.SetMasterSource(&source);
  docs.Open();
  q.Open();
  EXPECT_EQ(docs.Filter(), "SUBJ='Drama'");
  EXPECT_TRUE(docs.Active());
  EXPECT_EQ(docs.RecordCount(), 1);
  EXPECT_EQ(docs.FieldByName("NAME").AsString(), "N1");
  q.Next();
  EXPECT_EQ(docs.Filter(), "SUBJ='O''Neil'");
  EXPECT_EQ(docs.FieldByName("NAME").AsString(), "N2");
  q.Last();
  EXPECT_EQ(docs.FieldByName("NAME").AsString(), "N3");
  EXPECT_EQ(docs.RunText(), "select * from (select NAME, SUBJ from LSTDOC) where SUBJ='Poetry'");

  // A loop of masters is refused.
  ny::TNyDataSource docsSource(&docs);
  EXPECT_EQ(MessageOf([&] { q.SetMasterSource(&docsSource); }),
            "Q: circular references are not allowed");

  // Pairs: trimmed, a trailing blank piece repeats the last pair; a pair without '=' fails.
  docs.SetMasterFields(" SUBJ=NAM ; NAME=NAM;  ");
  docs.MasterChanged();
  EXPECT_EQ(docs.Filter(), "SUBJ='Poetry' and NAME='Poetry' and NAME='Poetry'");
  docs.SetMasterFields("SUBJ");
  EXPECT_EQ(MessageOf([&] { q.Prior(); }), "Syntax error: Masterfields not build of a=b;... pairs");
  EXPECT_FALSE(docs.Active());
  docs.SetMasterSource(nullptr);
  q.Close();
}

TEST_F(QueryNav, MasterMustBeAQueryRecordSet) {
  Exec("create table t(a);");
  ny::TNyDataSource empty;
  q.SetSQLText("select * from t");
  q.SetMasterSource(&empty);
  EXPECT_EQ(MessageOf([&] { q.Open(); }), "master dataset undefined");
  q.SetMasterSource(nullptr);
}

TEST_F(QueryNav, UniDirectionalWritesReachTheirOwnRows) {
  MakeLstDoc(3);
  q.SetUniDirectional(true);
  OpenDocs();
  // An edit is an update of that row, never a second copy of it; the record stays current.
  q.Edit();
  q.FieldByName("NAME").SetAsString("edited");
  EXPECT_TRUE(TraceOf([&] { q.Post(); }).find("UPDATE LSTDOC SET NAME=:v2 WHERE RowId=:RowId") !=
              std::string::npos);
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "edited");
  EXPECT_EQ(Scalar("select group_concat(rowid||':'||NAME) from LSTDOC"), "1:edited,2:N2,3:N3");
  // A cancel does not skip a row.
  q.Next();
  q.Edit();
  q.FieldByName("NAME").SetAsString("dropped");
  q.Cancel();
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "N2");
  // A delete removes that row and the next one becomes current.
  q.Delete();
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "N3");
  EXPECT_EQ(Scalar("select group_concat(rowid||':'||NAME) from LSTDOC"), "1:edited,3:N3");
  // An insert writes its row and keeps nothing: the count stays 0.
  q.Append();
  q.FieldByName("NAME").SetAsString("new");
  q.Post();
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "new");
  EXPECT_EQ(q.FieldByName("ROWID").AsInteger(), 4);
  EXPECT_EQ(q.RecordCount(), 0);
  EXPECT_EQ(Scalar("select count(*) from LSTDOC"), "3");
  q.Close();
}

namespace {

// Number of this process's open file descriptors that lead to `path`.
int OpenDescriptorsTo(const std::string& path) {
  int n = 0;
  for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    if (std::filesystem::read_symlink(e.path(), ec) == path) ++n;
  }
  return n;
}

}  // namespace

TEST_F(QueryNav, ConnectingAgainClosesRecordSetsAndReleasesTheOldDatabase) {
  MakeLstDoc(3);
  const std::string file = std::filesystem::canonical(dir / "lib.sqb").string();
  q.SetUniDirectional(true);
  q.SetSQLText("select NAME from LSTDOC order by SIZE");
  q.Open();  // a statement in the middle of its rows holds the database's read lock
  ny::TNySQLite3Query loaded;
  loaded.SetConnection(&db);
  loaded.SetSQLText("select RowId,* from LSTDOC");
  loaded.Open();
  int closes = 0;
  q.AfterClose = loaded.AfterClose = [&](ny::TNyDataSet&) { ++closes; };
  db.SetBusyWaitMs(200);
  db.SetConnected(true);
  ASSERT_TRUE(db.Connected());
  // The rows came from the database handle that is gone: both sets are closed.
  EXPECT_FALSE(q.Active());
  EXPECT_FALSE(loaded.Active());
  EXPECT_EQ(closes, 2);
  // No handle of the old connection keeps a lock: the new one can write.
  Exec("insert into LSTDOC (NAME) values ('after');");
  EXPECT_EQ(Scalar("select count(*) from LSTDOC"), "4");
  EXPECT_EQ(OpenDescriptorsTo(file), 1);
  q.Open();
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "after");  // SIZE NULL sorts first
  db.SetConnected(false);
  EXPECT_FALSE(q.Active());
  EXPECT_EQ(OpenDescriptorsTo(file), 0);
}

TEST_F(QueryNav, UniDirectionalChangesOnlyWhileClosed) {
  MakeLstDoc(3);
  q.SetSQLText("select NAME from LSTDOC order by SIZE");
  q.Open();
  // An open set keeps the mode it holds its rows in.
  EXPECT_EQ(MessageOf([&] { q.SetUniDirectional(true); }),
            "Q: Cannot perform this operation on an open dataset");
  EXPECT_FALSE(q.UniDirectional());
  q.SetUniDirectional(false);  // no change: accepted
  q.Next();
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "N2");
  EXPECT_EQ(q.RecordCount(), 3);
  q.Close();
  q.SetUniDirectional(true);
  q.Open();
  q.Next();
  EXPECT_EQ(MessageOf([&] { q.SetUniDirectional(false); }),
            "Q: Cannot perform this operation on an open dataset");
  EXPECT_EQ(MessageOf([&] { q.Prior(); }), "operation PRIOR not allowed on unidirectional dataset");
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "N2");
  q.Close();  // the statement goes with the set: the table can be dropped
  Exec("drop table LSTDOC;");
}

TEST_F(QueryNav, PriorFromTheSecondRowReachesTheFirst) {
  MakeLstDoc(3);
  OpenDocs();
  q.Next();
  q.Prior();
  EXPECT_EQ(q.RecNo(), 1);
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "N1");
  EXPECT_FALSE(q.Bof());
  q.Prior();
  EXPECT_TRUE(q.Bof());
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "N1");
}
