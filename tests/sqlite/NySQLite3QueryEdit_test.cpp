#include "NySQLite3QueryTest.h"
#include "sqlite/NySQLiteError.h"

using nytest::QueryTest;

using QueryEdit = QueryTest;

namespace {
bool Has(const std::string& haystack, const std::string& needle) {
  return haystack.find(needle) != std::string::npos;
}
}  // namespace

TEST_F(QueryEdit, UpdateWritesOnlyChangedFieldsKeyedByRowId) {
  MakeLstDoc(2);
  OpenDocs();
  q.Next();
  q.Edit();
  q.FieldByName("AUTHOR").SetAsString("Tolstoy");
  q.FieldByName("TEXT").SetAsString("long");
  const std::string trace = TraceOf([&] { q.Post(); });
  EXPECT_TRUE(Has(trace, "UPDATE LSTDOC SET AUTHOR=:v1,TEXT=:v8 WHERE RowId=:RowId ")) << trace;
  EXPECT_EQ(Scalar("select AUTHOR||'/'||TEXT from LSTDOC where rowid=2"), "Tolstoy/long");
  EXPECT_EQ(Scalar("select AUTHOR from LSTDOC where rowid=1"), "A1");
  // The row store holds the edit without reading the row back.
  q.Close();
  q.Open();
  q.Next();
  EXPECT_EQ(q.FieldByName("AUTHOR").AsString(), "Tolstoy");
}

TEST_F(QueryEdit, UnchangedEditRunsNothingAndCaseOnlyChangeIsAChange) {
  MakeLstDoc(1);
  OpenDocs();
  q.Edit();
  q.FieldByName("AUTHOR").SetAsString("A1");  // the same text
  EXPECT_EQ(TraceOf([&] { q.Post(); }), "");

  q.Edit();
  q.FieldByName("AUTHOR").SetAsString("a1");
  EXPECT_TRUE(Has(TraceOf([&] { q.Post(); }), "UPDATE LSTDOC SET AUTHOR=:v1 WHERE"));
  EXPECT_EQ(Scalar("select AUTHOR from LSTDOC"), "a1");
}

TEST_F(QueryEdit, EmptiedTextIsWrittenAsNull) {
  MakeLstDoc(1);
  OpenDocs();
  q.Edit();
  q.FieldByName("NAME").SetAsString("");
  q.FieldByName("SIZE").Clear();
  q.Post();
  EXPECT_EQ(Scalar("select typeof(NAME)||'/'||typeof(SIZE) from LSTDOC"), "null/null");
}

TEST_F(QueryEdit, InsertLeavesOutFieldsWithoutValueAndTakesTheNewRowId) {
  MakeLstDoc(3);
  OpenDocs();
  q.Append();
  q.FieldByName("AUTHOR").SetAsString("?");
  q.FieldByName("NAME").SetAsString("War and Peace");
  q.FieldByName("SUBJ").SetAsString("Drama");
  const std::string trace = TraceOf([&] { q.Post(); });
  EXPECT_TRUE(Has(trace, "INSERT INTO LSTDOC (AUTHOR,NAME,SUBJ) VALUES (:v1,:v2,:v3) ")) << trace;
  EXPECT_EQ(q.FieldByName("ROWID").AsString(), "4");
  EXPECT_EQ(q.RecordCount(), 4);
  EXPECT_EQ(q.RecNo(), 4);

  // The next edit of that row updates that row and no other.
  q.Edit();
  q.FieldByName("TEXT").SetAsString("comment");
  q.Post();
  EXPECT_EQ(Scalar("select count(*) from LSTDOC where TEXT='comment'"), "1");
  EXPECT_EQ(Scalar("select NAME from LSTDOC where TEXT='comment'"), "War and Peace");
}

TEST_F(QueryEdit, SizesOfEveryValueAreStored) {
  MakeLstDoc(0);
  OpenDocs();
  for (int size : {0, 256, 512, 1024, 1}) {
    q.Append();
    q.FieldByName("NAME").SetAsString("doc" + std::to_string(size));
    q.FieldByName("SIZE").SetAsInteger(size);
    q.Post();
  }
  EXPECT_EQ(Scalar("select group_concat(SIZE, ',') from LSTDOC"), "0,256,512,1024,1");
}

TEST_F(QueryEdit, InsertBeforeTheCurrentRow) {
  MakeLstDoc(2);
  OpenDocs();
  q.Next();
  q.Insert();
  q.FieldByName("NAME").SetAsString("middle");
  q.Post();
  EXPECT_EQ(q.RecNo(), 2);
  q.First();
  q.Next();
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "middle");
  q.Next();
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "N2");
}

TEST_F(QueryEdit, WhereParametersRepeatedOrCommentedOut) {
  Exec(
      "create table t(K integer, A, B); insert into t values (1, 'x', 'y'); insert into t "
      "values (2, 'p', 'q');");
  q.SetSQLText("select * from t");
  q.SetSQLTable("t");
  q.SetSQLWhere("A=:K or B=:K or K=:K -- :x\n /* :y */ and ':z'=':z'");
  q.Open();
  q.Edit();
  q.FieldByName("A").SetAsString("1");  // A=1 now matches the key as well
  const std::string trace = TraceOf([&] { q.Post(); });
  EXPECT_TRUE(Has(trace, "UPDATE t SET A=:v1 WHERE A=:K or B=:K")) << trace;
  EXPECT_EQ(Scalar("select group_concat(A, ',') from t"), "1,p");

  // A key name without a field of that name.
  q.SetSQLWhere("K=:NOSUCH");
  q.Edit();
  q.FieldByName("B").SetAsString("new");
  EXPECT_EQ(MessageOf([&] { q.Post(); }), "Field 'NOSUCH' not found");
  EXPECT_EQ(q.State(), ny::TDataSetState::dsEdit);
  q.Cancel();
  EXPECT_EQ(Scalar("select B from t where K=1"), "y");
}

TEST_F(QueryEdit, DeleteTheLastAndTheOnlyRow) {
  MakeLstDoc(3);
  OpenDocs();
  q.Last();
  const std::string trace = TraceOf([&] { q.Delete(); });
  EXPECT_TRUE(Has(trace, "DELETE FROM LSTDOC WHERE RowId=:RowId")) << trace;
  EXPECT_EQ(q.RecordCount(), 2);
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "N2");  // the new last row
  EXPECT_EQ(Scalar("select count(*) from LSTDOC"), "2");
  q.First();
  q.Delete();
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "N2");
  q.Delete();
  EXPECT_EQ(q.RecordCount(), 0);
  EXPECT_TRUE(q.IsEmpty());
  EXPECT_EQ(Scalar("select count(*) from LSTDOC"), "0");
}

TEST_F(QueryEdit, ReadOnlySetRefusesEveryWrite) {
  MakeLstDoc(1);
  OpenDocs();
  q.SetReadOnly(true);
  EXPECT_EQ(MessageOf([&] { q.Delete(); }), "Cannot delete from a read-only dataset");
  EXPECT_EQ(MessageOf([&] { q.Append(); }), "Cannot write to a read-only dataset");
  q.Edit();
  q.FieldByName("NAME").SetAsString("x");
  EXPECT_EQ(MessageOf([&] { q.Post(); }), "Cannot post into a read-only dataset");
  q.Cancel();
  EXPECT_EQ(Scalar("select NAME||count(*) from LSTDOC"), "N11");
}

TEST_F(QueryEdit, EngineErrorsKeepTheEditAndTheRows) {
  Exec("create table t(a integer not null); insert into t values (1);");
  q.SetSQLText("select RowId,* from t");
  q.SetSQLTable("t");
  q.SetSQLWhere("RowId=:RowId");
  q.Open();
  q.Edit();
  q.FieldByName("A").Clear();
  EXPECT_EQ(MessageOf([&] { q.Post(); }), "??? SQLite ERR-NOT NULL constraint failed: t.a");
  EXPECT_EQ(q.State(), ny::TDataSetState::dsEdit);
  q.Cancel();
  EXPECT_EQ(q.FieldByName("A").AsInteger(), 1);

  // An insert without any value gives empty lists, which the engine refuses.
  q.Append();
  EXPECT_TRUE(Has(MessageOf([&] { q.Post(); }), "??? SQLite ERR-"));
  q.Cancel();
  EXPECT_EQ(q.RecordCount(), 1);
}

TEST_F(QueryEdit, AutoCommitBeginsATransactionPerWrite) {
  MakeLstDoc(2);
  OpenDocs();
  q.SetAutoCommit(true);
  q.SetTransactionType("IMMEDIATE");
  q.Edit();
  q.FieldByName("NAME").SetAsString("x");
  EXPECT_TRUE(Has(TraceOf([&] { q.Post(); }), "begin immediate transaction"));
  // The first transaction is still open: the second begin fails before any write.
  q.Next();
  EXPECT_TRUE(Has(MessageOf([&] { q.Delete(); }), "within a transaction"));
  EXPECT_EQ(q.RecordCount(), 2);
  Exec("commit;");
  EXPECT_EQ(Scalar("select NAME from LSTDOC where rowid=1"), "x");
}

TEST_F(QueryEdit, WritesWhileDisconnectedChangeNothing) {
  MakeLstDoc(2);
  OpenDocs();
  // A disconnect closes the record sets registered with the connection ...
  db.SetConnected(false);
  EXPECT_FALSE(q.Active());
  db.SetConnected(true);
  q.Open();
  // ... so an open set with a closed connection is one that is not registered.
  db.UnregisterQuery(&q);
  db.SetConnected(false);
  ASSERT_TRUE(q.Active());
  q.Edit();
  q.FieldByName("NAME").SetAsString("lost");
  EXPECT_NO_THROW(q.Post());
  q.Next();
  EXPECT_NO_THROW(q.Delete());
  EXPECT_EQ(q.RecordCount(), 2);
  q.First();
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "N1");  // the row store kept its row
  db.SetConnected(true);
  EXPECT_EQ(Scalar("select group_concat(NAME, ',') from LSTDOC"), "N1,N2");
  q.Close();
  db.RegisterQuery(&q);
}

TEST_F(QueryEdit, WritesToALockedDatabaseFailAfterABoundedWait) {
  MakeLstDoc(2);
  OpenDocs();
  db.SetBusyWaitMs(200);
  ny::TNySQLite3DB other;  // another program holding the lock
  other.SetDatabase(dir / "lib.sqb");
  other.SetConnected(true);
  other.BeginTransaction("exclusive");
  q.Edit();
  q.FieldByName("NAME").SetAsString("x");
  EXPECT_EQ(MessageOf([&] { q.Post(); }), "??? SQLite ERR-database is locked");
  EXPECT_EQ(q.State(), ny::TDataSetState::dsEdit);
  q.Cancel();
  EXPECT_EQ(MessageOf([&] { q.Delete(); }), "??? SQLite ERR-database is locked");
  q.Append();
  q.FieldByName("NAME").SetAsString("y");
  EXPECT_EQ(MessageOf([&] { q.Post(); }), "??? SQLite ERR-database is locked");
  q.Cancel();
  EXPECT_EQ(q.RecordCount(), 2);
  other.ExecuteScript("rollback;");
  // Once the lock is gone the same write goes through.
  q.First();
  q.Edit();
  q.FieldByName("NAME").SetAsString("x");
  q.Post();
  EXPECT_EQ(Scalar("select group_concat(NAME) from LSTDOC"), "x,N2");
}
