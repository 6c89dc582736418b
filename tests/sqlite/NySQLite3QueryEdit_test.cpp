#include <cmath>

#include "NySQLite3QueryTest.h"
#include "sqlite/NySQLiteError.h"

using ny::TNyValue;
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

// ---- writes that hit the right row, and only when they can ----------------------------------

TEST_F(QueryEdit, RowIdsAndIntegersKeepAll64Bits) {
  Exec(
      "create table big(SIZE INTEGER, N VARCHAR2(8));"
      "insert into big(rowid, SIZE, N) values (1, 1, 'one');"
      "insert into big(rowid, SIZE, N) values (3000000000, 3221225472, 'three');"
      "insert into big(rowid, SIZE, N) values (4294967296, 5000000000, 'four');");
  q.SetSQLText("select RowId,* from big");
  q.SetSQLTable("big");
  q.SetSQLWhere("RowId=:RowId");
  q.Open();
  q.Next();
  ny::TNyField& size = q.FieldByName("SIZE");
  EXPECT_EQ(size.AsLargeInt(), 3221225472);  // a 3 GiB document
  EXPECT_EQ(MessageOf([&] { size.AsInteger(); }),
            "3221225472 is not a valid value for field 'SIZE'. The allowed range is -2147483648 "
            "to 2147483647");
  // An edit of the row with id 3000000000 reaches that row, and a 64-bit value stays whole.
  q.Edit();
  q.FieldByName("N").SetAsString("3x");
  size.SetAsLargeInt(6000000000);
  q.Post();
  EXPECT_EQ(Scalar("select N||'/'||SIZE from big where rowid=3000000000"), "3x/6000000000");
  // A new row gets the id after 4294967296, and its next edit updates it, not row 1.
  q.Append();
  q.FieldByName("N").SetAsString("five");
  q.Post();
  EXPECT_EQ(q.FieldByName("ROWID").AsString(), "4294967297");
  q.Edit();
  q.FieldByName("N").SetAsString("5x");
  q.Post();
  EXPECT_EQ(Scalar("select group_concat(N) from big order by rowid"), "one,3x,four,5x");
  q.First();
  EXPECT_TRUE(q.Locate("ROWID", TNyValue(int64_t{4294967296}), {}));
  EXPECT_EQ(q.FieldByName("N").AsString(), "four");
  // An INTEGER PRIMARY KEY is an integer field of 64 bits as well.
  Exec("create table k(ID INTEGER PRIMARY KEY, N text); insert into k values (3000000000, 'a');");
  ny::TNySQLite3Query k;
  k.SetConnection(&db);
  k.SetSQLText("select RowId,* from k");
  k.SetSQLTable("k");
  k.SetSQLWhere("ID=:ID");
  k.Open();
  EXPECT_EQ(k.Field(0).DataType(), ny::TFieldType::ftInteger);  // the engine names it ID
  EXPECT_EQ(k.Field(0).AsLargeInt(), 3000000000);
  k.Edit();
  k.FieldByName("N").SetAsString("b");
  k.Post();
  EXPECT_EQ(Scalar("select N from k where ID=3000000000"), "b");
}

TEST_F(QueryEdit, AWriteThatMatchesNoRowFailsAndKeepsTheEdit) {
  MakeLstDoc(2);
  OpenDocs();
  Exec("delete from LSTDOC where rowid=1;");  // another program
  q.Edit();
  q.FieldByName("NAME").SetAsString("lost");
  EXPECT_EQ(MessageOf([&] { q.Post(); }), "Record not found or changed by another user");
  EXPECT_EQ(q.State(), ny::TDataSetState::dsEdit);
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "lost");
  q.Cancel();
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "N1");
  EXPECT_EQ(MessageOf([&] { q.Delete(); }), "Record not found or changed by another user");
  EXPECT_EQ(q.RecordCount(), 2);
  EXPECT_EQ(Scalar("select count(*) from LSTDOC"), "1");
}

TEST_F(QueryEdit, ColumnNamesAreQuotedAsTheEngineSpellsThem) {
  Exec(
      "create table \"my t\"(\"a=null --\" text, \"my col\" text, \"order\" text, \"a\"\"b\" text,"
      " имя text);"
      "insert into \"my t\" values ('1', '1', '1', '1', '1');"
      "insert into \"my t\" values ('2', '2', '2', '2', '2');");
  q.SetSQLText("select RowId,* from \"my t\"");
  q.SetSQLTable("my t");
  q.SetSQLWhere("RowId=:RowId");
  q.Open();
  q.Edit();
  for (int i = 1; i < q.FieldCount(); ++i) q.Field(i).SetAsString("x" + std::to_string(i));
  q.Post();
  EXPECT_EQ(Scalar("select group_concat(\"a=null --\"||\"my col\"||\"order\"||\"a\"\"b\"||имя, ';')"
                   " from \"my t\" order by rowid"),
            "x1x2x3x4x5;22222");
  // The plain upper-case names of the library keep the statement's exact text.
  MakeLstDoc(1);
  q.Close();
  OpenDocs();
  q.Edit();
  q.FieldByName("NAME").SetAsString("n");
  EXPECT_TRUE(Has(TraceOf([&] { q.Post(); }), "UPDATE LSTDOC SET NAME=:v2 WHERE RowId=:RowId"));
  q.Append();
  q.FieldByName("NAME").SetAsString("m");
  EXPECT_TRUE(Has(TraceOf([&] { q.Post(); }), "INSERT INTO LSTDOC (NAME) VALUES (:v2)"));
}

TEST_F(QueryEdit, ANewRowShowsWhatTheTableHolds) {
  Exec(
      "create table t(N text, D datetime default '2001-02-03 04:05:06', K integer default 7,"
      " T time, B boolean);");
  q.SetSQLText("select RowId,* from t");
  q.SetSQLTable("t");
  q.SetSQLWhere("RowId=:RowId");
  q.Open();
  q.Append();
  EXPECT_TRUE(q.FieldByName("D").IsNull());  // no start value the insert would not write
  q.FieldByName("N").SetAsString("new");
  q.Post();
  EXPECT_EQ(q.FieldByName("D").AsString(), "03.02.2001 04:05:06");
  EXPECT_EQ(q.FieldByName("K").AsInteger(), 7);
  EXPECT_TRUE(q.FieldByName("T").IsNull());
  EXPECT_EQ(Scalar("select typeof(T)||typeof(B) from t"), "nullnull");
}

TEST_F(QueryEdit, MidnightTheNullDateAndTheSmallestIntegerAreValues) {
  Exec("create table t(T time, D date, I integer, B boolean); "
       "insert into t values ('12:00:00', '2006-06-19', 1, NULL);");
  q.SetSQLText("select RowId,* from t");
  q.SetSQLTable("t");
  q.SetSQLWhere("RowId=:RowId");
  q.Open();
  EXPECT_TRUE(q.FieldByName("B").IsNull());
  EXPECT_TRUE(q.FieldByName("B").Value().IsNull());
  q.Edit();
  q.FieldByName("T").SetAsString("00:00:00");
  q.FieldByName("D").SetAsDateTime(0);  // 1899-12-30
  q.FieldByName("I").SetAsInteger(INT32_MIN);
  q.FieldByName("B").SetAsBoolean(false);
  q.Post();
  EXPECT_EQ(Scalar("select typeof(T)||typeof(D)||typeof(I)||typeof(B) from t"),
            "texttextintegertext");
  EXPECT_EQ(Scalar("select I from t"), "-2147483648");
  q.Close();
  q.Open();
  EXPECT_EQ(q.FieldByName("T").AsString(), "00:00:00");
  EXPECT_EQ(q.FieldByName("D").AsDateTime(), 0.0);
  EXPECT_FALSE(q.FieldByName("D").IsNull());
  EXPECT_EQ(q.FieldByName("I").AsInteger(), INT32_MIN);
  EXPECT_FALSE(q.FieldByName("B").IsNull());
}

TEST_F(QueryEdit, BlobsAreBoundAsBlobsAndACancelKeepsTheOldBytes) {
  Exec("create table t(b blob); insert into t values (x'0102');");
  Exec("create trigger refuse before update on t when length(new.b) = 3 begin"
       " select raise(abort, 'refused'); end;");
  q.SetSQLText("select RowId,* from t");
  q.SetSQLTable("t");
  q.SetSQLWhere("RowId=:RowId");
  q.Open();
  ny::TNyField& b = q.FieldByName("B");
  std::string big(10 << 20, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = char(i * 131 % 251);
  q.Edit();
  b.SetAsString(big);
  q.Post();
  db.SetConnected(false);  // the file as another program sees it
  std::string out;
  ASSERT_EQ(nytest::RunShell("sqlite3 '" + dir / "lib.sqb" +
                                 "' 'select typeof(b), length(b), hex(substr(b, 10485000, 4))"
                                 " from t'",
                             &out),
            0);
  static const char* hex = "0123456789ABCDEF";
  std::string tail;
  for (size_t i = 10484999; i < 10485003; ++i)
    tail += std::string{hex[uint8_t(big[i]) >> 4], hex[uint8_t(big[i]) & 15]};
  EXPECT_EQ(out, "blob|10485760|" + tail + "\n");
  db.SetConnected(true);
  q.Open();
  ny::TNyField& b2 = q.FieldByName("B");  // the fields are made afresh at every open
  EXPECT_TRUE(b2.AsString() == big);
  // A cancelled edit, and one whose post fails, leave the row with its old bytes.
  q.Edit();
  b2.SetAsString("new");
  q.Cancel();
  EXPECT_TRUE(b2.AsString() == big);
  q.Edit();
  b2.SetAsString("abc");
  EXPECT_EQ(MessageOf([&] { q.Post(); }), "??? SQLite ERR-refused");
  EXPECT_EQ(b2.AsString(), "abc");
  q.Cancel();
  EXPECT_TRUE(b2.AsString() == big);
}

TEST_F(QueryEdit, DatesOutOfRangeAreRefused) {
  Exec("create table t(D datetime, S text); insert into t values ('2006-06-19 20:14:22', '');");
  q.SetSQLText("select * from t");
  q.Open();
  q.Edit();
  for (ny::TNyField* f : {&q.FieldByName("D"), &q.FieldByName("S")}) {
    for (double v : {1e300, -1e300, std::nan(""), 2958466.0, -693594.0}) {
      const std::string before = f->AsString();
      EXPECT_NE(MessageOf([&] { f->SetAsDateTime(v); }).find("is not a valid date and time value"),
                std::string::npos)
          << v;
      EXPECT_EQ(f->AsString(), before);
    }
  }
  q.FieldByName("D").SetAsDateTime(2958465.5);  // 9999-12-31 12:00
  EXPECT_EQ(q.FieldByName("D").AsString(), "31.12.9999 12:00:00");
  q.Cancel();
  EXPECT_EQ(MessageOf([&] { db.ExecuteWithParams("select ?", {ny::TNyDateValue{1e300}}); }),
            "Invalid date value");
}
