#include "sqlite/NySQLite3DB.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "common/TestDir.h"
#include "sqlite/NyMemoryStream.h"
#include "sqlite/NySQLRout3.h"
#include "sqlite/NySQLiteError.h"
#include "sqlite/TestRowsLink.h"
#include "util/NyApi.h"

using namespace ny;
using nytest::ReadFile;
using nytest::RowsLink;
using nytest::TestDir;

namespace {

// Runs the test with the process's current directory set to `dir`.
class CurrentDirGuard {
 public:
  explicit CurrentDirGuard(const std::string& dir) {
    char buf[4096];
    old_ = getcwd(buf, sizeof buf) ? buf : "/";
    EXPECT_EQ(chdir(dir.c_str()), 0);
  }
  ~CurrentDirGuard() { (void)!chdir(old_.c_str()); }

 private:
  std::string old_;
};

template <class F>
std::string MessageOf(F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(no exception)";
}

void ConnectMemory(TNySQLite3DB& db) {
  db.SetDatabase(":memory:");
  db.SetConnected(true);
  ASSERT_TRUE(db.Connected());
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    if (nl == std::string::npos) nl = text.size();
    out.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
  return out;
}

// The trace line's message without its " dd.MM.yyyy hh:mm:ss" ending.
std::string TraceMessage(const std::string& line) {
  return line.size() >= 20 ? line.substr(0, line.size() - 20) : line;
}

}  // namespace

TEST(NySQLite3DBConnect, DatabasePathTrimmingMemoryAndMustExist) {
  TestDir dir;
  CurrentDirGuard cwd(dir.Path());
  TNySQLite3DB db;
  EXPECT_EQ(MessageOf([&] { db.SetConnected(true); }), "Missing database property");
  EXPECT_FALSE(db.Connected());

  db.SetDatabase(" \t lib.sqb  \n");
  EXPECT_EQ(db.Database(), "lib.sqb");
  db.SetDBMustExist(true);
  EXPECT_EQ(MessageOf([&] { db.SetConnected(true); }),
            "Database " + dir.Path() + "lib.sqb does not exist");
  EXPECT_FALSE(db.Connected());
  EXPECT_FALSE(db.LibraryLoaded());

  db.SetDBMustExist(false);
  db.SetConnected(true);
  EXPECT_TRUE(db.Connected());
  EXPECT_EQ(db.DatabasePath(), dir.Path() + "lib.sqb");
  db.ExecuteScript("create table t(x); insert into t values(7);");
  db.SetConnected(false);
  struct stat st {};
  EXPECT_EQ(stat((dir / "lib.sqb").c_str(), &st), 0) << "the engine creates the missing file";

  // The file persists across a reconnect, now also with DBMustExist.
  db.SetDBMustExist(true);
  db.SetConnected(true);
  std::string v;
  db.QueryValue("select x from t", {}, true, v);
  EXPECT_EQ(v, "7");
  db.Close();

  // A path with '/' is taken as it stands.
  db.SetDBMustExist(false);
  db.SetDatabase(dir / "sub.sqb");
  db.SetConnected(true);
  EXPECT_EQ(db.DatabasePath(), dir / "sub.sqb");
  db.Close();

  // :MEMORY: in capital letters is the in-memory database: nothing appears on disk.
  db.SetDatabase(":MEMORY:");
  db.SetConnected(true);
  EXPECT_TRUE(db.Connected());
  db.ExecuteScript("create table m(x);");
  db.Close();
  EXPECT_NE(stat((dir / ":MEMORY:").c_str(), &st), 0);
}

TEST(NySQLite3DBConnect, EventsVersionAndUnloadAtDisconnect) {
  RowsLink query;  // outlives the connections it is registered with
  TNySQLite3DB db;
  db.RegisterQuery(&query);
  db.RegisterQuery(&query);  // once only
  std::vector<std::string> events;
  db.BeforeConnect = [&](TNySQLite3DB& d) {
    events.push_back("BeforeConnect");
    EXPECT_TRUE(d.Connected());
  };
  db.AfterConnect = [&](TNySQLite3DB& d) {
    events.push_back("AfterConnect");
    EXPECT_NE(d.DBHandle(), nullptr);
  };
  db.BeforeDisconnect = [&](TNySQLite3DB&) {
    events.push_back("BeforeDisconnect");
    EXPECT_EQ(query.disconnecting, 1);  // told by the reconnect only, not yet by the disconnect
  };
  db.AfterDisconnect = [&](TNySQLite3DB& d) {
    events.push_back("AfterDisconnect");
    EXPECT_FALSE(d.LibraryLoaded());
  };
  ConnectMemory(db);
  EXPECT_EQ(db.Version().substr(0, 2), "3.");
  EXPECT_NE(db.sqlite3_result_value, nullptr);
  // Connecting again while connected opens afresh (the old database is closed, the record
  // sets are told first).
  db.ExecuteScript("create table t(x);");
  EXPECT_EQ(query.disconnecting, 0);
  db.SetConnected(true);
  EXPECT_EQ(query.disconnecting, 1);
  EXPECT_THROW(db.ExecuteScript("insert into t values(1);"), EDatabaseError);
  db.SetConnected(false);
  db.SetConnected(false);  // nothing happens when already disconnected
  EXPECT_EQ(query.disconnecting, 2);
  EXPECT_EQ(db.sqlite3_open, nullptr);
  EXPECT_EQ(events,
            (std::vector<std::string>{"BeforeConnect", "AfterConnect", "BeforeConnect",
                                      "AfterConnect", "BeforeDisconnect", "AfterDisconnect"}));
  {
    TNySQLite3DB other;
    other.RegisterQuery(&query);
    ConnectMemory(other);
  }
  EXPECT_EQ(query.destroyed, 1);
}

TEST(NySQLite3DBConnect, LibraryNames) {
  TestDir dir;
  TNySQLite3DB db;
  db.SetTrace(true);
  db.SetTraceFile(dir / "t.trc");
  EXPECT_EQ(db.DLLName(), "libsqlite3.so.0");  // empty name: the default is stored
  ConnectMemory(db);
  db.Close();
  std::vector<std::string> lines = Lines(ReadFile(dir / "t.trc"));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(TraceMessage(lines[0]), "CONNECT :memory: libsqlite3.so.0");
  EXPECT_EQ(TraceMessage(lines[1]), "DISCONNECT");
  EXPECT_EQ(lines[2], "");

  db.SetDLLName(dir / "missing.so");
  db.SetDatabase(":memory:");
  EXPECT_EQ(MessageOf([&] { db.SetConnected(true); }),
            "Could not load \"" + (dir / "missing.so") + "\" SQLite library");
  EXPECT_FALSE(db.Connected());
  EXPECT_FALSE(db.LibraryLoaded());
  EXPECT_THROW(db.Open(), SLError);
  EXPECT_FALSE(db.Connected());

  // A real shared library without the engine's entry points.
  db.SetDLLName("libz.so.1");
  EXPECT_EQ(MessageOf([&] { db.SetConnected(true); }),
            "Could not load \"libz.so.1\" SQLite library");
  EXPECT_FALSE(db.LibraryLoaded());
}

TEST(NySQLite3DBConnect, LibraryLackingOneEntryPointFailsToLoad) {
  if (!nytest::HaveTool("cc")) GTEST_SKIP() << "no C compiler to build the test library";
  TestDir dir;
  // Every entry point but the last one; each is resolved in order, so only the last is missing.
  std::string src;
  const auto& names = SQLite3EntryPointNames();
  ASSERT_EQ(names.size(), 50u);
  EXPECT_STREQ(names.front(), "sqlite3_open");
  EXPECT_STREQ(names.back(), "sqlite3_result_value");
  for (size_t i = 0; i + 1 < names.size(); ++i)
    src += std::string("void ") + names[i] + "(void){}\n";
  nytest::WriteFile(dir / "part.c", src);
  std::string out;
  ASSERT_EQ(
      nytest::RunShell(
          "cc -shared -fPIC -o '" + (dir / "libpart.so") + "' '" + (dir / "part.c") + "'", &out),
      0)
      << out;
  TNySQLite3DB db;
  db.SetDLLName(dir / "libpart.so");
  db.SetDatabase(":memory:");
  EXPECT_EQ(MessageOf([&] { db.SetConnected(true); }),
            "Could not load \"" + (dir / "libpart.so") + "\" SQLite library");
  EXPECT_FALSE(db.Connected());
  EXPECT_FALSE(db.LibraryLoaded());
  EXPECT_EQ(db.sqlite3_open, nullptr);
  // The next connect loads afresh: with the real library it works.
  db.SetDLLName("");
  db.SetConnected(true);
  EXPECT_TRUE(db.Connected());
}

TEST(NySQLite3DBTrace, ScriptStatementsBeginAndUnwritableFile) {
  TestDir dir;
  TNySQLite3DB db;
  ConnectMemory(db);
  db.SetTrace(true);
  db.SetTraceFile(dir / "s.trc");
  EXPECT_EQ(db.ExecuteScript("create table a(x);create table b(y);"), 0);
  std::string v;
  db.QueryValue("select count(*) from sqlite_master", {}, true, v);
  EXPECT_EQ(v, "2");
  EXPECT_EQ(db.BeginTransaction("deferred"), "begin deferred transaction");
  EXPECT_THROW(db.ExecuteScript("create table a(z);"), EDatabaseError);
  std::vector<std::string> lines = Lines(ReadFile(dir / "s.trc"));
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(TraceMessage(lines[0]), "create table a(x);create table b(y);");
  EXPECT_EQ(TraceMessage(lines[1]), "create table b(y);");
  EXPECT_EQ(TraceMessage(lines[2]), "select count(*) from sqlite_master");
  EXPECT_EQ(TraceMessage(lines[3]), "begin deferred transaction");  // compiled
  EXPECT_EQ(TraceMessage(lines[4]), "begin deferred transaction");  // after it ran
  EXPECT_EQ(TraceMessage(lines[5]), "create table a(z);");
  EXPECT_EQ(TraceMessage(lines[6]), "table a already exists");
  // The ending is the date and time in the program's formats.
  ASSERT_GE(lines[0].size(), 20u);
  std::string stamp = lines[0].substr(lines[0].size() - 19);
  EXPECT_EQ(stamp[2], '.');
  EXPECT_EQ(stamp[5], '.');
  EXPECT_EQ(stamp[13], ':');

  // A name without a directory lies in the temporary directory.
  db.SetTraceFile("vellum-test-" + std::to_string(getpid()) + ".trc");
  EXPECT_EQ(db.TracePath(), GetTempDir() + db.TraceFile());
  db.WriteTrace("hello");
  EXPECT_EQ(TraceMessage(Lines(ReadFile(db.TracePath()))[0]), "hello");
  std::remove(db.TracePath().c_str());

  // A trace that cannot be written disturbs nothing.
  db.SetTraceFile(dir / "no/such/dir/x.trc");
  db.ExecuteScript("create table c(z);");
  db.QueryValue("select count(*) from sqlite_master", {}, true, v);
  EXPECT_EQ(v, "3");
  ASSERT_EQ(mkdir((dir / "ro").c_str(), 0500), 0);
  db.SetTraceFile(dir / "ro/x.trc");
  db.ExecuteScript("create table d(z);");
  EXPECT_THROW(db.ExecuteScript("create table d(z);"), EDatabaseError);
  db.QueryValue("select count(*) from sqlite_master", {}, true, v);
  EXPECT_EQ(v, "4");
  if (geteuid() != 0) {
    struct stat st {};
    EXPECT_NE(stat((dir / "ro/x.trc").c_str(), &st), 0);
  }
}

TEST(NySQLite3DBStatements, BeginTransactionKinds) {
  TNySQLite3DB db;
  ConnectMemory(db);
  EXPECT_EQ(db.BeginTransaction("immediate"), "begin immediate transaction");
  EXPECT_EQ(MessageOf([&] { db.BeginTransaction(""); }),
            "??? SQLite ERR-cannot start a transaction within a transaction");
  db.ExecuteScript("commit");
  EXPECT_EQ(db.BeginTransaction("bogus"), "begin transaction");
  db.ExecuteScript("rollback");
  db.SetTransactionType("Exclusive");
  EXPECT_EQ(db.BeginTransaction(""), "begin exclusive transaction");
  db.ExecuteScript("commit");
  db.SetTransactionType("");
  EXPECT_EQ(db.BeginTransaction(""), "begin transaction");
  db.ExecuteScript("commit");

  // Not connected: it connects first.
  db.SetConnected(false);
  EXPECT_EQ(db.BeginTransaction("DEFAULT"), "begin transaction");
  EXPECT_TRUE(db.Connected());
}

TEST(NySQLite3DBStatements, QueryValueColumnsAndBinding) {
  TNySQLite3DB db;
  ConnectMemory(db);
  db.ExecuteScript(
      "CREATE TABLE LSTDOC ( AUTHOR VARCHAR2(32) ,NAME VARCHAR2(64) ,SUBJ VARCHAR2(16) ,SIZE "
      "INTEGER ,SIZEARC INTEGER ,FILENAME VARCHAR2(128) ,ARCHNAME VARCHAR2(128) ,TEXT "
      "VARCHAR2(256));");
  std::string v = "junk";
  db.QueryValue("select count(*) CNT, Sum(Size) Size from LSTDOC", {}, false, v);
  EXPECT_EQ(v, "0");
  db.ColumnText(1, false, v);
  EXPECT_EQ(v, "");
  EXPECT_EQ(db.ColumnInt64(0, false), 0);
  EXPECT_EQ(db.ColumnInt64(1, true), 0);
  EXPECT_FALSE(db.HasCurrentStatement());
  EXPECT_EQ(db.ColumnInt64(0, true), 0);
  db.ColumnText(0, true, v);
  EXPECT_EQ(v, "");

  // Each kind of value binds as its engine type; byte 2 stands for a parameter mark.
  db.QueryValue(
      "  select typeof(?)||typeof(?)||typeof(?)||typeof(?)||typeof(?)||typeof(?)||typeof(\x02)\n",
      {TNyVariant{}, TNyVariant{true}, TNyVariant{int32_t(5)}, TNyVariant{2.5},
       TNyVariant{std::string("x")}, TNyVariant{int64_t(1) << 40}, TNyVariant{TNyDateValue{3.7}}},
      true, v);
  EXPECT_EQ(v, "nullintegerintegerrealtexttextinteger");
  db.QueryValue("select ?||'/'||?||'/'||?",
                {TNyVariant{int64_t(1) << 40}, TNyVariant{2.5}, TNyVariant{TNyDateValue{3.7}}},
                true, v);
  EXPECT_EQ(v, "1099511627776/2.5/3");
  // Missing values bind NULL.
  db.QueryValue("select coalesce(?, 'none')", {}, true, v);
  EXPECT_EQ(v, "none");

  // Two sums on one statement, read as text and as 64-bit integers.
  db.ExecuteScript(
      "insert into LSTDOC(NAME,SIZE) values('a',3000000000);insert into LSTDOC(NAME,SIZE) "
      "values('b',512);");
  db.QueryValue("select count(*) CNT, Sum(Size) Size from LSTDOC", {}, false, v);
  EXPECT_EQ(v, "2");
  db.ColumnText(1, false, v);
  EXPECT_EQ(v, "3000000512");
  EXPECT_EQ(db.ColumnInt64(0, false), 2);
  EXPECT_EQ(db.ColumnInt64(1, true), 3000000512);
}

TEST(NySQLite3DBStatements, EngineErrorsCarryTheEngineMessage) {
  TNySQLite3DB db;
  ConnectMemory(db);
  EXPECT_EQ(MessageOf([&] { db.ExecuteScript("create tabel x(y);"); }),
            "??? SQLite ERR-near \"tabel\": syntax error");
  db.ExecuteScript("create table t(x unique);insert into t values(1);");
  // A step error names the real cause, not a generic one; the statements before it are done.
  EXPECT_EQ(
      MessageOf([&] { db.ExecuteScript("insert into t values(2);insert into t values(1);"); }),
      "??? SQLite ERR-UNIQUE constraint failed: t.x");
  std::string v;
  db.QueryValue("select group_concat(x) from t", {}, true, v);
  EXPECT_EQ(v, "1,2");
  EXPECT_EQ(MessageOf([&] { db.ExecuteWithParams("insert into t values(?)", {int32_t(1)}); }),
            "??? SQLite ERR-UNIQUE constraint failed: t.x");
  EXPECT_FALSE(db.HasCurrentStatement());
  EXPECT_EQ(MessageOf([&] { db.QueryValue("select nope from t", {}, true, v); }),
            "??? SQLite ERR-no such column: nope");
  // Blank text and trailing comments compile to nothing.
  EXPECT_EQ(db.ExecuteScript(""), 0);
  EXPECT_EQ(db.ExecuteScript("insert into t values(5); -- done\n  "), 0);
  db.FinalizeStatement(nullptr);
  // Blobs from streams are bound to the parameters of each statement.
  TNyMemoryStream s1(std::string("\x00\x01\x02", 3)), s2("zz");
  std::vector<const TNyMemoryStream*> streams{&s1, &s2};
  db.ExecuteScript("create table b(p, q); insert into b values(?, \x02);", &streams);
  db.QueryValue("select hex(p)||'-'||q from b", {}, true, v);
  EXPECT_EQ(v, "000102-zz");
  db.SetConnected(false);
  EXPECT_EQ(MessageOf([&] { db.ExecuteScript("select 1"); }), "no database connection");
}

TEST(NySQLite3DBStatements, UserFunctionCallsBackThroughTheBoundLibrary) {
  TNySQLite3DB db;
  ConnectMemory(db);
  static TNySQLite3DB* current = nullptr;
  current = &db;
  auto twice = [](sqlite3_context* ctx, int, sqlite3_value** argv) {
    std::string s = reinterpret_cast<const char*>(current->sqlite3_value_text(argv[0]));
    s += s;
    current->sqlite3_result_text(ctx, s.c_str(), int(s.size()), SQLITE_TRANSIENT);
  };
  EXPECT_EQ(db.CreateFunction("Twice", 1, SQLITE_UTF8, nullptr, twice, nullptr, nullptr),
            SQLITE_OK);
  std::string v;
  db.QueryValue("select Twice('ab')", {}, true, v);
  EXPECT_EQ(v, "abab");
  // A disconnect unloads the library and with it the registration.
  db.SetConnected(false);
  db.SetConnected(true);
  EXPECT_THROW(db.QueryValue("select Twice('ab')", {}, true, v), EDatabaseError);
}

TEST(NySQLite3DBBusy, LockedDatabaseWaitsBoundedThenRaisesOrProceeds) {
  TestDir dir;
  TNySQLite3DB holder, waiter;
  holder.SetDatabase(dir / "busy.sqb");
  holder.SetConnected(true);
  holder.ExecuteScript("create table t(x); insert into t values(1);");
  waiter.SetDatabase(dir / "busy.sqb");
  waiter.SetConnected(true);
  waiter.SetBusyWaitMs(300);

  holder.BeginTransaction("exclusive");
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(MessageOf([&] { waiter.ExecuteScript("insert into t values(2);"); }),
            "??? SQLite ERR-database is locked");
  std::string v;
  EXPECT_EQ(MessageOf([&] { waiter.QueryValue("select count(*) from t", {}, true, v); }),
            "??? SQLite ERR-database is locked");
  RowsLink rows;
  EXPECT_EQ(MessageOf([&] { waiter.LoadAllRows("select x from t", rows); }),
            "??? SQLite ERR-database is locked");
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_GE(seconds, 0.8) << "each of the three waited before giving up";
  EXPECT_LT(seconds, 30.0);

  // A lock released while waiting lets the statement through.
  waiter.SetBusyWaitMs(5000);
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    holder.ExecuteScript("commit;");
  });
  waiter.ExecuteScript("insert into t values(3);");
  release.join();
  waiter.QueryValue("select group_concat(x) from t", {}, true, v);
  EXPECT_EQ(v, "1,3");
}

TEST(NySQLite3DBRecordSets, FieldDefinitionsFromColumns) {
  TNySQLite3DB db;
  ConnectMemory(db);
  db.ExecuteScript(
      "create table t(a VARCHAR2(64), n INTEGER, f FLOAT, d DATETIME, m numeric(10,2), "
      "w NVARCHAR(10), b BLOB, u);"
      "insert into t values('x', 1, 2.5, '2006-06-19 20:14:22', 1.25, 'w', x'00ff', 'u');");
  RowsLink q;
  db.LoadAllRows("select a, A, a, RowId, rowid, n, f, d, m, w, b, u, 1+1 from t", q);
  std::vector<std::string> names;
  for (const auto& d : q.defs) names.push_back(d.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"A", "A_1", "A_2", "ROWID", "ROWID_1", "N", "F", "D",
                                             "M", "W", "B", "U", "1+1"}));
  EXPECT_EQ(q.defs[0].DataType, TFieldType::ftString);
  EXPECT_EQ(q.defs[0].Size, 64);
  // The engine names the row id column "rowid" however the statement spells it; a repeated one
  // is "rowid_1" and so not the row id field.
  EXPECT_TRUE(q.defs[3].ReadOnly);
  EXPECT_FALSE(q.defs[4].ReadOnly);
  EXPECT_EQ(q.defs[3].DataType, TFieldType::ftInteger);
  EXPECT_EQ(q.defs[5].DataType, TFieldType::ftInteger);
  EXPECT_EQ(q.defs[6].DataType, TFieldType::ftFloat);
  EXPECT_EQ(q.defs[7].DataType, TFieldType::ftDateTime);
  EXPECT_EQ(q.defs[8].DataType, TFieldType::ftFloat);
  EXPECT_EQ(q.defs[8].Precision, 2);
  EXPECT_EQ(q.defs[9].DataType, TFieldType::ftWideString);
  EXPECT_EQ(q.defs[9].Size, 20);
  EXPECT_EQ(q.defs[10].DataType, TFieldType::ftBlob);
  EXPECT_EQ(q.defs[11].DataType, TFieldType::ftString);  // no declared type: "string"
  EXPECT_EQ(q.defs[12].Size, 255);
  // Slots follow each other; the declared row size sums the reserve sizes.
  int offset = 0, declared = 0;
  for (const auto& d : q.defs) {
    EXPECT_EQ(d.Offset, offset) << d.Name;
    offset += d.StorageSize;
    declared += FieldReserveSize(d.DataType, d.Size);
  }
  EXPECT_EQ(q.declared, declared);
  ASSERT_EQ(q.rows.size(), 1u);
  EXPECT_EQ(q.Text(0, 2), "x");
  EXPECT_EQ(q.Int(0, 3), 1);
  EXPECT_DOUBLE_EQ(q.Float(0, 6), 2.5);
  EXPECT_DOUBLE_EQ(q.Float(0, 7), EncodeDayNumber(2006, 6, 19) * 86400000.0 + 72862000.0);
  EXPECT_EQ(q.Stream(q.rows[0], 10)->Bytes(), std::string("\x00\xff", 2));
  EXPECT_EQ(q.Text(0, 12), "2");

  // TypeLess makes an INTEGER a 12-byte text field.
  RowsLink tl;
  tl.typeLess = true;
  db.LoadAllRows("select rowid, n, f from t", tl);
  EXPECT_EQ(tl.defs[1].DataType, TFieldType::ftString);
  EXPECT_EQ(tl.defs[1].Size, 12);
  EXPECT_EQ(tl.Text(0, 1), "1");
  EXPECT_EQ(tl.Text(0, 2), "2.5");
  EXPECT_FALSE(tl.defs[0].ReadOnly) << "TypeLess fields are all plain text";

  // A declared size that is not an integer fails the open.
  db.ExecuteScript("create table bad(v varchar(1e3));");
  RowsLink b;
  EXPECT_EQ(MessageOf([&] { db.LoadAllRows("select v from bad", b); }),
            "'1e3' is not a valid integer value");
  EXPECT_EQ(MessageOf([&] { db.LoadAllRows("select * from nowhere", b); }),
            "??? SQLite ERR-no such table: nowhere");
}

TEST(NySQLite3DBRecordSets, ValuesAsRowsHoldThem) {
  TNySQLite3DB db;
  ConnectMemory(db);
  db.ExecuteScript("create table t(v VARCHAR2(64), n INTEGER, d DATETIME, f FLOAT);");
  std::string seventy(70, 'z');
  for (int i = 0; i < 64; ++i) seventy[size_t(i)] = char('a' + i % 26);
  // A size counts characters: of 70 Cyrillic letters (140 bytes) the first 64 stay.
  std::string cyr;
  for (int i = 0; i < 70; ++i) cyr += "\xD0\x96";
  db.ExecuteWithParams("insert into t values(?, '', 'abc', '3.5')", {seventy});
  db.ExecuteWithParams("insert into t values(?, '12abc', '19.06.2006 20:14', '')", {cyr});
  db.ExecuteWithParams("insert into t values('', -2147483648, '', 'x')", {});
  db.ExecuteWithParams("insert into t values(null, 42, null, null)", {});
  db.ExecuteWithParams("select 1", {});  // finalizes the last insert

  char& sep = FormatSettings.DecimalSeparator;
  sep = ',';
  RowsLink q;
  int fetches = 0;
  db.OnFetchRows = [&](TNyQueryLink* set, int32_t n) {
    EXPECT_EQ(set, &q);
    EXPECT_EQ(n, 0);
    ++fetches;
  };
  db.LoadAllRows("select * from t", q);
  sep = '.';
  EXPECT_EQ(fetches, 5);  // four rows, then the end
  ASSERT_EQ(q.rows.size(), 4u);
  EXPECT_EQ(q.Text(0, 0), seventy.substr(0, 64));
  EXPECT_EQ(q.Text(1, 0), cyr.substr(0, 128));
  EXPECT_EQ(q.Text(2, 0), "");
  EXPECT_EQ(q.Text(3, 0), "");
  EXPECT_FALSE(q.Has(0, 1));  // empty text: NULL
  EXPECT_TRUE(q.Has(1, 1));
  EXPECT_EQ(q.Int(1, 1), 0);  // not a number
  EXPECT_TRUE(q.Has(2, 1));
  EXPECT_EQ(q.Int(2, 1), kNullInt);  // an ordinary value
  EXPECT_EQ(q.Int(3, 1), 42);
  EXPECT_FALSE(q.Has(0, 2));  // abc: NULL without error
  EXPECT_DOUBLE_EQ(q.Float(1, 2), EncodeDayNumber(2006, 6, 19) * 86400000.0 + 72840000.0);
  EXPECT_DOUBLE_EQ(q.Float(0, 3), 3.5) << "the engine's '.' under a ',' separator";
  EXPECT_FALSE(q.Has(1, 3));
  EXPECT_DOUBLE_EQ(q.Float(2, 3), 0.0);

  // Without the engine's date layout the same text fails the open; rows before stay out.
  RowsLink p;
  p.sqliteDate = false;
  EXPECT_EQ(MessageOf([&] { db.LoadAllRows("select d from t", p); }), "'abc' is not a valid date");
  EXPECT_TRUE(p.rows.empty());
  // The failed statement was finalized: the table can still be dropped.
  db.ExecuteScript("drop table t;");
}

TEST(NySQLite3DBRecordSets, StreamingRowsByHand) {
  TNySQLite3DB db;
  ConnectMemory(db);
  db.ExecuteScript(
      "create table t(b BLOB, s VARCHAR2(4)); insert into t values(x'0102', 'ab');"
      "insert into t values(null, 'cd');");
  RowsLink q;
  q.blobParams = {std::string("\x01\x02", 2)};
  sqlite3_stmt* st = db.OpenStatement("select b, s from t where b = \x02 or b is null", q);
  ASSERT_NE(st, nullptr);
  ASSERT_EQ(q.defs.size(), 2u);
  std::vector<std::string> got;
  while (uint8_t* row = db.FetchRow(st, q)) {
    TNyMemoryStream* s;
    std::memcpy(&s, row + q.defs[0].Offset, sizeof s);
    got.push_back(std::string(s->Bytes()) + "|" + reinterpret_cast<char*>(row + q.defs[1].Offset));
    delete s;
  }
  db.FinalizeStatement(st);
  EXPECT_EQ(got, (std::vector<std::string>{"\x01\x02|ab", "|cd"}));
  EXPECT_EQ(db.OpenStatement("  -- nothing\n", q), nullptr);
  EXPECT_EQ(db.FetchRow(nullptr, q), nullptr);
}

TEST(NySQLite3DBRecordSets, RowWiderThanTheOldFetchBufferFits) {
  TNySQLite3DB db;
  ConnectMemory(db);
  std::string cols, values;
  for (int i = 0; i < 10; ++i) {
    cols += (i ? "," : "") + std::string("c") + std::to_string(i) + " VARCHAR2(5000)";
    values +=
        (i ? "," : "") + std::string("printf('%.5000c', char(") + std::to_string(65 + i) + "))";
  }
  db.ExecuteScript("create table w(" + cols + "); insert into w values(" + values + ");");
  RowsLink q;
  q.buffer.resize(30000);
  db.LoadAllRows("select * from w", q);
  EXPECT_GE(q.declared, 50000);
  EXPECT_GE(q.buffer.size(), size_t(q.declared) + 5);
  ASSERT_EQ(q.rows.size(), 1u);
  EXPECT_TRUE(q.Text(0, 9) == std::string(5000, 'J'));
  EXPECT_TRUE(q.Text(0, 0) == std::string(5000, 'A'));
}

TEST(NySQLite3DBRecordSets, DeclaredSizesOutOfRange) {
  TNySQLite3DB db;
  ConnectMemory(db);
  db.ExecuteScript("create table n(v VARCHAR2(-4), w INTEGER); insert into n values('abc', 1);");
  RowsLink q;
  db.LoadAllRows("select v, w from n", q);
  ASSERT_EQ(q.rows.size(), 1u);
  EXPECT_EQ(q.defs[0].Size, 0);
  EXPECT_EQ(q.Text(0, 0), "");
  EXPECT_EQ(q.Int(0, 1), 1);
  // A row the fields would make larger than a row block may be is refused.
  std::string cols;
  for (int i = 0; i < 300; ++i)
    cols += (i ? "," : "") + std::string("c") + std::to_string(i) + " varchar(1000000)";
  db.ExecuteScript("create table big(" + cols + ");");
  RowsLink b;
  EXPECT_EQ(MessageOf([&] { db.LoadAllRows("select * from big", b); }),
            "Row of the query too large");
  EXPECT_TRUE(b.defs.empty());
  db.ExecuteScript("drop table big;");
}
