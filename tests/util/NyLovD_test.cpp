#include "util/NyLovD.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/TestDir.h"
#include "sqlite/NySQLite3DB.h"
#include "sqlite/NySQLite3Query.h"

namespace {

TEST(NyLovD, ShowFieldIsStoredUpperCasedOnlyWhenItChanges) {
  ny::TNyLovD lov;
  EXPECT_EQ(lov.DataSet(), nullptr);
  EXPECT_EQ(lov.ShowField(), "");
  EXPECT_EQ(lov.Width(), 0);
  EXPECT_EQ(lov.PosTop(), 0);
  EXPECT_TRUE(lov.StorySize());
  lov.SetShowField("nam");
  EXPECT_EQ(lov.ShowField(), "NAM");
  lov.SetShowField("NAM");
  lov.SetShowField("Nam");
  EXPECT_EQ(lov.ShowFieldChanges(), 1);
  lov.SetShowField("тема");
  EXPECT_EQ(lov.ShowField(), "ТЕМА");
  lov.SetShowField(std::string(300, 'x'));
  EXPECT_EQ(lov.ShowField(), std::string(255, 'X'));
}

// The record set goes first: the component is told and forgets it.
TEST(NyLovD, DataSetIsClearedWhenTheRecordSetGoes) {
  nytest::TestDir dir;
  ny::TNySQLite3DB db;
  db.SetDatabase(dir / "lib.sqb");
  db.SetConnected(true);
  db.ExecuteScript("create table LSTSBJ (NAM VARCHAR2(32), DIR VARCHAR2(64));"
                   "insert into LSTSBJ values ('Others','Others');");
  ny::TNyLovD lov;
  {
    auto query = std::make_unique<ny::TNySQLite3Query>();
    query->SetConnection(&db);
    query->SetSQLText("select RowId,* from LSTSBJ");
    query->Open();
    lov.SetDataSet(query.get());
    EXPECT_EQ(lov.DataSet(), query.get());
  }
  EXPECT_EQ(lov.DataSet(), nullptr);
}

TEST(NyLovD, ObjectListDestroysWhatItHolds) {
  struct Counted : ny::TNyObject {
    explicit Counted(int& n) : n_(n) { ++n_; }
    ~Counted() override { --n_; }
    int& n_;
  };
  int alive = 0;
  {
    ny::TNyLovD lov;
    lov.List().Add(std::make_unique<Counted>(alive));
    lov.List().Add(std::make_unique<Counted>(alive));
    EXPECT_EQ(lov.List().Count(), 2u);
    EXPECT_EQ(lov.List().Item(2), nullptr);
    lov.List().Clear();
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(lov.List().Count(), 0u);
    lov.List().Add(std::make_unique<Counted>(alive));
  }
  EXPECT_EQ(alive, 0);
}

}  // namespace
