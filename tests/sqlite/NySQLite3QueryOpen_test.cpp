#include <cmath>

#include "NySQLite3QueryTest.h"
#include "sqlite/NySQLiteError.h"

using ny::TFieldType;
using nytest::QueryTest;

using QueryOpen = QueryTest;

TEST_F(QueryOpen, RepeatedColumnNamesAreSuffixedAndFieldsNumberedByColumn) {
  Exec("create table t(a integer); insert into t values (1);");
  q.SetSQLText("select a, A, a from t");
  q.Open();
  ASSERT_EQ(q.FieldCount(), 3);
  EXPECT_EQ(q.Field(0).FieldName(), "A");
  EXPECT_EQ(q.Field(1).FieldName(), "A_1");
  EXPECT_EQ(q.Field(2).FieldName(), "A_2");
  EXPECT_EQ(q.Field(2).FieldNo(), 3);
  EXPECT_EQ(q.FieldByName("a_2").AsInteger(), 1);
}

TEST_F(QueryOpen, DeclaredTypesGiveFieldTypesSizesAndPrecision) {
  Exec(
      "create table t(v VARCHAR2(64), n numeric(10,2), m numeric(10), o decimal, i integer, "
      "d datetime);");
  const std::string seventy(70, 'x');
  // 40 Cyrillic letters are 80 bytes: the cut at 64 bytes falls on a character boundary.
  std::string cyr;
  for (int i = 0; i < 40; ++i) cyr += "\xD0\x96";
  Exec("insert into t(v,n) values ('" + seventy + "', 12.345);");
  Exec("insert into t(v) values ('" + cyr + "');");
  // An odd cut: one ASCII byte first, so byte 64 is in the middle of a letter.
  Exec("insert into t(v) values ('x" + cyr + "');");
  q.SetSQLText("select * from t");
  q.Open();
  EXPECT_EQ(q.FieldByName("V").DataType(), TFieldType::ftString);
  EXPECT_EQ(q.FieldByName("V").Size(), 64);
  EXPECT_EQ(q.FieldByName("N").DataType(), TFieldType::ftFloat);
  EXPECT_EQ(q.FieldByName("N").DefPrecision(), 2);
  EXPECT_EQ(q.FieldByName("M").DefPrecision(), 0);
  EXPECT_EQ(q.FieldByName("O").DataType(), TFieldType::ftString);
  EXPECT_EQ(q.FieldByName("O").Size(), 255);
  EXPECT_EQ(q.FieldByName("I").DataType(), TFieldType::ftInteger);
  EXPECT_EQ(q.FieldByName("D").DataType(), TFieldType::ftDateTime);

  EXPECT_EQ(q.FieldByName("V").AsString(), std::string(64, 'x'));
  EXPECT_DOUBLE_EQ(q.FieldByName("N").AsFloat(), 12.345);
  q.Next();
  EXPECT_EQ(q.FieldByName("V").AsString(), cyr);  // 40 letters fit 64 characters
  q.Next();
  EXPECT_EQ(q.FieldByName("V").AsString(), "x" + cyr);
}

TEST_F(QueryOpen, IntegerTextsNullsAndDates) {
  Exec("create table t(i integer, d datetime, tm time);");
  Exec("insert into t values ('', '2006-06-19 20:14:22', '00:00:00');");
  Exec("insert into t values ('12abc', 'abc', '12:30:00');");
  Exec("insert into t values (-2147483648, NULL, NULL);");
  Exec("insert into t values (42, '19.06.2006 20:14', NULL);");
  q.SetSQLText("select * from t");
  q.Open();
  ny::TNyField& i = q.FieldByName("I");
  ny::TNyField& d = q.FieldByName("D");
  ny::TNyField& tm = q.FieldByName("TM");
  EXPECT_TRUE(i.IsNull());
  EXPECT_EQ(d.AsString(), "19.06.2006 20:14:22");
  EXPECT_FALSE(tm.IsNull());  // midnight is an ordinary time
  EXPECT_EQ(tm.AsString(), "00:00:00");
  q.Next();
  EXPECT_FALSE(i.IsNull());
  EXPECT_EQ(i.AsInteger(), 0);
  EXPECT_TRUE(d.IsNull());  // unreadable date-time: NULL, no error
  EXPECT_EQ(tm.AsString(), "12:30:00");
  q.Next();
  EXPECT_EQ(i.AsString(), "-2147483648");  // an ordinary integer
  EXPECT_TRUE(tm.IsNull());
  q.Next();
  EXPECT_EQ(i.AsInteger(), 42);
  EXPECT_EQ(d.AsString(), "19.06.2006 20:14:00");

  // Without the engine's date layout the same texts go through the program's parser (its own
  // formats, then a date alone as dd-mm-yyyy or yyyy-mm-dd), which refuses the engine's
  // date-time and abc: the open fails and the set stays closed.
  q.Close();
  q.SetSQLiteDateFormat(false);
  EXPECT_EQ(MessageOf([&] { q.Open(); }), "'2006-06-19 20:14:22' is not a valid date");
  EXPECT_FALSE(q.Active());
  Exec("update t set d = '2006-06-19' where d like '2006%';");
  EXPECT_EQ(MessageOf([&] { q.Open(); }), "'abc' is not a valid date");
  EXPECT_FALSE(q.Active());
  Exec("delete from t where d = 'abc';");
  q.Open();
  EXPECT_EQ(q.FieldByName("D").AsString(), "19.06.2006");
}

TEST_F(QueryOpen, TypeLessMakesEveryFieldText) {
  Exec("create table t(i integer, f float); insert into t values (-123, '3.5');");
  q.SetTypeLess(true);
  q.SetSQLText("select * from t");
  q.Open();
  EXPECT_EQ(q.Field(0).DataType(), TFieldType::ftString);
  EXPECT_EQ(q.Field(0).Size(), 12);
  EXPECT_EQ(q.Field(0).AsString(), "-123");
  EXPECT_EQ(q.Field(1).AsString(), "3.5");
  q.Close();
  q.SetTypeLess(false);
  q.Open();
  EXPECT_DOUBLE_EQ(q.Field(1).AsFloat(), 3.5);
}

TEST_F(QueryOpen, TheTextRunCarriesFilterLimitAndOffset) {
  MakeLstDoc(30);
  q.SetSQLText("select NAME from LSTDOC order by SIZE");
  q.SetMaxResults(5);
  q.SetStartResult(10);
  q.Open();
  EXPECT_EQ(q.RunText(), "select NAME from LSTDOC order by SIZE limit 5 offset 10");
  EXPECT_EQ(q.RecordCount(), 5);
  EXPECT_EQ(q.Field(0).AsString(), "N11");

  q.Close();
  q.SetMaxResults(0);
  q.SetStartResult(20);
  q.Open();
  EXPECT_EQ(q.MaxResults(), -1);
  EXPECT_EQ(q.RunText(), "select NAME from LSTDOC order by SIZE limit -1 offset 20");
  EXPECT_EQ(q.RecordCount(), 10);

  // Setting the filter closes the set; it applies at the next open with Filtered on.
  q.SetStartResult(0);
  q.SetMaxResults(0);
  q.SetFilter("NAME like 'N2%'");
  EXPECT_FALSE(q.Active());
  q.Open();
  EXPECT_EQ(q.RecordCount(), 30);
  q.Close();
  q.SetFiltered(true);
  q.Open();
  EXPECT_EQ(q.RunText(),
            "select * from (select NAME from LSTDOC order by SIZE) where NAME like 'N2%'");
  EXPECT_EQ(q.RecordCount(), 11);
}

TEST_F(QueryOpen, ParametersAreWrittenIntoTheText) {
  Exec(
      "create table t(a, b); insert into t values ('what?', 'x'); insert into t values ('y', "
      "'z');");
  q.SetSQLText("select * from t where a=:A or b=:B");
  ASSERT_EQ(q.Params().size(), 2u);
  q.SetParamText("a", "what?");
  q.SetParamText("B", "z");
  q.Open();
  EXPECT_EQ(q.RunText(), "select * from t where a='what?' or b='z'");
  EXPECT_EQ(q.RecordCount(), 2);
  EXPECT_EQ(MessageOf([&] { q.SetParamText("C", "1"); }), "Q: Parameter 'C' not found");

  // An assigned empty value is NULL; RawSQL leaves the text alone.
  q.SetParamText("A", "");
  q.Close();
  q.Open();
  EXPECT_EQ(q.RunText(), "select * from t where a=NULL or b='z'");
  q.SetRawSQL(true);
  q.SetSQLText("select ':A' from t");
  q.Open();
  EXPECT_EQ(q.RunText(), "select ':A' from t");
}

TEST_F(QueryOpen, MissingStatementOrConnection) {
  EXPECT_EQ(MessageOf([&] { q.Open(); }), "no query specified");
  q.SetSQLText(" \n\t ");
  EXPECT_EQ(MessageOf([&] { q.Open(); }), "no query specified");
  ny::TNySQLite3Query lone;
  lone.SetSQLText("select 1");
  EXPECT_EQ(MessageOf([&] { lone.Open(); }), "no database connection");
  q.SetSQLText("select * from nowhere");
  EXPECT_EQ(MessageOf([&] { q.Open(); }), "??? SQLite ERR-no such table: nowhere");
  EXPECT_FALSE(q.Active());

  // A closed connection is connected by the open.
  db.SetConnected(false);
  q.SetSQLText("select 1 as one");
  q.Open();
  EXPECT_TRUE(db.Connected());
  EXPECT_EQ(q.FieldByName("ONE").AsString(), "1");
  // A disconnect closes the set.
  db.SetConnected(false);
  EXPECT_FALSE(q.Active());
}

TEST_F(QueryOpen, ARowWiderThanTheFetchBufferIsKeptWhole) {
  Exec("create table t(a VARCHAR2(20000), b VARCHAR2(20000));");
  const std::string a(20000, 'a'), b(19999, 'b');
  Exec("insert into t values ('" + a + "', '" + b + "');");
  q.SetSQLText("select * from t");
  q.Open();
  EXPECT_EQ(q.Field(0).AsString(), a);
  EXPECT_EQ(q.Field(1).AsString(), b);
}

TEST_F(QueryOpen, RecordNumberCountAndClose) {
  MakeLstDoc(3);
  OpenDocs();
  EXPECT_EQ(q.FieldCount(), 9);
  EXPECT_EQ(q.Field(0).FieldName(), "ROWID");
  EXPECT_EQ(q.RecordCount(), 3);
  EXPECT_EQ(q.RecNo(), 1);
  q.Last();
  EXPECT_EQ(q.RecNo(), 3);
  q.SetRecNo(2);
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "N2");
  q.SetRecNo(0);  // lands on the first row
  EXPECT_EQ(q.RecNo(), 1);
  q.SetRecNo(4);  // row count + 1: the last row
  EXPECT_EQ(q.RecNo(), 3);
  q.SetRecNo(9);  // ignored
  EXPECT_EQ(q.RecNo(), 3);
  q.Close();
  EXPECT_EQ(q.RecordCount(), 0);
  EXPECT_EQ(q.Rows(), nullptr);
  EXPECT_EQ(q.RunText(), "");
}

TEST_F(QueryOpen, NewRecordStartValues) {
  Exec("create table t(s text, i integer, f float, d date, dt datetime, b boolean);");
  q.SetSQLText("select * from t");
  q.Open();
  q.Append();
  EXPECT_EQ(q.FieldByName("S").AsString(), "");
  // Untouched start values count as having no value (so an insert leaves them out) ...
  EXPECT_TRUE(q.FieldByName("I").IsNull());
  EXPECT_TRUE(q.FieldByName("F").IsNull());
  EXPECT_TRUE(q.FieldByName("DT").IsNull());
  // ... and a new record shows no start value the insert would not write.
  EXPECT_TRUE(q.FieldByName("D").IsNull());
  EXPECT_TRUE(q.FieldByName("B").IsNull());
  q.FieldByName("I").SetAsInteger(0);
  EXPECT_FALSE(q.FieldByName("I").IsNull());
  EXPECT_EQ(q.FieldByName("I").AsInteger(), 0);
  q.Cancel();
}

TEST_F(QueryOpen, BlobFieldsLoadTheirBytesAndStreamsWriteBackIntoTheRow) {
  Exec(
      "create table t(b blob, m memo); insert into t values (x'00010203', 'memo text');"
      "insert into t values (NULL, NULL);");
  q.SetSQLText("select * from t");
  q.Open();
  ny::TNyField& b = q.FieldByName("B");
  EXPECT_EQ(b.DataType(), TFieldType::ftBlob);
  EXPECT_EQ(b.AsString(), std::string("\x00\x01\x02\x03", 4));
  EXPECT_EQ(q.FieldByName("M").AsString(), "memo text");
  {
    auto s = q.CreateBlobStream(b, ny::TBlobStreamMode::bmWrite);
    s->Write("xyz", 3);
  }
  q.Next();
  EXPECT_TRUE(b.IsNull());
  q.Prior();
  EXPECT_EQ(b.AsString(), "xyz");  // the row's own stream holds the new bytes
}

TEST_F(QueryOpen, BlobsWrittenIntoANewOrEditedRowReachTheTable) {
  Exec("create table t(n integer, m memo); insert into t values (1, 'old');");
  q.SetSQLText("select RowId,* from t");
  q.SetSQLTable("t");
  q.SetSQLWhere("RowId=:RowId");
  q.Open();
  // A new row: the memo written through its stream has a value, so the insert carries it.
  q.Append();
  q.FieldByName("N").SetAsInteger(2);
  q.FieldByName("M").SetAsString("new memo");
  q.Post();
  EXPECT_EQ(Scalar("select m from t where n=2"), "new memo");
  // A new row whose memo is never written leaves the column out.
  q.Append();
  q.FieldByName("N").SetAsInteger(3);
  q.Post();
  EXPECT_EQ(Scalar("select typeof(m) from t where n=3"), "null");
  // An edited memo is written by the update, although the snapshot shares its stream.
  q.First();
  q.Edit();
  q.FieldByName("M").SetAsString("changed");
  q.Post();
  EXPECT_EQ(Scalar("select m from t where n=1"), "changed");
  // An edit that does not touch the memo leaves it out of the statement.
  q.Edit();
  q.FieldByName("N").SetAsInteger(10);
  const std::string trace = TraceOf([&] { q.Post(); });
  // The column as the engine spells it.
  EXPECT_NE(trace.find("UPDATE t SET n=:v1 WHERE RowId=:RowId"), std::string::npos) << trace;
  EXPECT_EQ(Scalar("select n||'/'||m from t where rowid=1"), "10/changed");
}

TEST_F(QueryOpen, FieldInformationWithoutOpening) {
  MakeLstDoc(2);
  q.SetSQLText("select RowId, NAME, SIZE, NAME from LSTDOC");
  int events = 0;
  q.BeforeOpen = q.AfterOpen = q.BeforeClose = q.AfterClose = [&](ny::TNyDataSet&) { ++events; };
  q.UpdateFieldDefs();
  EXPECT_FALSE(q.Active());
  EXPECT_EQ(events, 0);
  EXPECT_EQ(q.FieldCount(), 0);
  EXPECT_EQ(q.Rows(), nullptr);
  ASSERT_EQ(q.FieldDefs().size(), 4u);
  EXPECT_EQ(q.FieldDefs()[0].Name, "ROWID");
  EXPECT_TRUE(q.FieldDefs()[0].ReadOnly);
  EXPECT_EQ(q.FieldDefs()[1].DataType, TFieldType::ftString);
  EXPECT_EQ(q.FieldDefs()[1].Size, 64);
  EXPECT_EQ(q.FieldDefs()[2].DataType, TFieldType::ftInteger);
  EXPECT_EQ(q.FieldDefs()[3].Name, "NAME_1");
  // Nothing stays open on the database: the table can be dropped at once.
  Exec("drop table LSTDOC;");
  MakeLstDoc(1);
  // Streaming mode: its statement is finalized again as well.
  q.SetUniDirectional(true);
  q.SetSQLText("select AUTHOR from LSTDOC");
  q.UpdateFieldDefs();
  ASSERT_EQ(q.FieldDefs().size(), 1u);
  EXPECT_EQ(q.FieldDefs()[0].Name, "AUTHOR");
  Exec("drop table LSTDOC;");
  // A failing statement reports its error and leaves the set closed.
  EXPECT_EQ(MessageOf([&] { q.UpdateFieldDefs(); }), "??? SQLite ERR-no such table: LSTDOC");
  EXPECT_FALSE(q.Active());
  // While open, the open cursor's definitions stand.
  q.SetUniDirectional(false);
  q.SetSQLText("select 1 as ONE");
  q.Open();
  q.UpdateFieldDefs();
  EXPECT_TRUE(q.Active());
  EXPECT_EQ(q.FieldByName("ONE").AsInteger(), 1);
  EXPECT_EQ(events, 2);
}

TEST_F(QueryOpen, TextSizesCountCharactersOnLoadAndWrite) {
  MakeLstDoc(0);
  const std::string subj = "Психология";  // 10 letters, 20 bytes, in a VARCHAR2(16)
  std::string author;
  for (int i = 0; i < 32; ++i) author += "ж";
  Exec("insert into LSTDOC (AUTHOR, SUBJ) values ('" + author + "', '" + subj + "');");
  OpenDocs();
  EXPECT_EQ(q.FieldByName("SUBJ").AsString(), subj);
  EXPECT_EQ(q.FieldByName("AUTHOR").AsString(), author);
  EXPECT_TRUE(q.Locate("SUBJ", ny::TNyValue(subj), {}));
  // A text that fits is written whole; one that does not is refused, the field unchanged.
  q.Edit();
  q.FieldByName("NAME").SetAsString(author + author);
  EXPECT_EQ(MessageOf([&] { q.FieldByName("AUTHOR").SetAsString(author + "ж"); }),
            "The text for field 'AUTHOR' is longer than 32 characters");
  q.Post();
  EXPECT_EQ(Scalar("select NAME||'/'||AUTHOR from LSTDOC"), author + author + "/" + author);
}
