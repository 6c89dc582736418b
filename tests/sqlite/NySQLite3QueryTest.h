// Shared setup of the query record-set tests: a real connection on a database file in a fresh
// directory, with the trace written beside it.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "common/TestDir.h"
#include "sqlite/NySQLite3DB.h"
#include "sqlite/NySQLite3Query.h"

namespace nytest {

class QueryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db.SetDatabase(dir / "lib.sqb");
    db.SetTraceFile(dir / "trace.trc");
    db.SetConnected(true);
    ASSERT_TRUE(db.Connected());
    q.SetName("Q");
    q.SetConnection(&db);
  }

  void Exec(const std::string& sql) { db.ExecuteScript(sql); }
  // The library's document table with `rows` rows (AUTHOR A<i>, NAME N<i>, SIZE i).
  void MakeLstDoc(int rows) {
    Exec(
        "CREATE TABLE LSTDOC ( AUTHOR VARCHAR2(32) ,NAME VARCHAR2(64) ,SUBJ VARCHAR2(16) ,SIZE "
        "INTEGER ,SIZEARC INTEGER ,FILENAME VARCHAR2(128) ,ARCHNAME VARCHAR2(128) ,TEXT "
        "VARCHAR2(256));");
    std::string script = "begin;";
    for (int i = 1; i <= rows; ++i)
      script += ("insert into LSTDOC (AUTHOR,NAME,SUBJ,SIZE) values ('A" + std::to_string(i) +
                 "','N" + std::to_string(i) + "','Drama'," + std::to_string(i) + ");");
    Exec(script + "commit;");
  }
  void OpenDocs() {
    q.SetSQLText("select RowId,* from LSTDOC");
    q.SetSQLTable("LSTDOC");
    q.SetSQLWhere("RowId=:RowId");
    q.Open();
  }
  std::string Scalar(const std::string& sql) {
    std::string out;
    db.QueryValue(sql, {}, true, out);
    return out;
  }
  // Trace lines written while `action` runs (the trace is on only meanwhile).
  std::string TraceOf(const std::function<void()>& action) {
    const std::string before = ReadFile(dir / "trace.trc");
    db.SetTrace(true);
    action();
    db.SetTrace(false);
    return ReadFile(dir / "trace.trc").substr(before.size());
  }
  template <typename F>
  static std::string MessageOf(F&& f) {
    try {
      f();
    } catch (const std::exception& e) {
      return e.what();
    }
    return "(no error)";
  }

  TestDir dir;
  ny::TNySQLite3DB db;
  ny::TNySQLite3Query q;
};

}  // namespace nytest
