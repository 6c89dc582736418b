// The search rule of MyLike, alone and as the engine runs it.
#include "app/MyLike.h"

#include <gtest/gtest.h>

#include "common/TestDir.h"
#include "sqlite/NySQLite3DB.h"
#include "util/NyText.h"

namespace {

using ny::MyLikePosition;

TEST(MyLike, PositionsIgnoreCaseBlanksAndNothingIsSpecial) {
  EXPECT_EQ(MyLikePosition("Howard", "war"), 3);
  EXPECT_EQ(MyLikePosition("  WAR\t", " war  "), 1);
  EXPECT_EQ(MyLikePosition("Warren", "x"), 0);
  EXPECT_EQ(MyLikePosition("anything", "   "), 0);  // an empty pattern finds nothing
  EXPECT_EQ(MyLikePosition("", ""), 0);
  EXPECT_EQ(MyLikePosition("100% pure", "0%"), 3);
  EXPECT_EQ(MyLikePosition("1000 pure", "0%"), 0);
  EXPECT_EQ(MyLikePosition("a_b", "_"), 2);
  EXPECT_EQ(MyLikePosition("axb", "a_b"), 0);
  EXPECT_EQ(MyLikePosition("O'Brien", "o'b"), 1);
  EXPECT_EQ(MyLikePosition("ab", "abc"), 0);
  // Positions count characters; Cyrillic folds too.
  EXPECT_EQ(MyLikePosition("Мир и Война", "война"), 7);
  EXPECT_EQ(MyLikePosition(" ВОЙНА ", "Война"), 1);
  EXPECT_EQ(MyLikePosition("Война", "war"), 0);
  EXPECT_EQ(MyLikePosition("war", "война"), 0);
  EXPECT_EQ(MyLikePosition("Мир war", "WAR"), 5);
  // Letters outside ASCII whose capitals are ASCII letters: long s and dotless i.
  EXPECT_EQ(MyLikePosition("\xC5\xBFun", "SUN"), 1);
  EXPECT_EQ(MyLikePosition("k\xC4\xB1t", "KIT"), 1);
  // Windows-1251 bytes on either side read as the letters they are.
  const std::string cp = ny::EncodeCodePage("Война и мир", 1251);
  EXPECT_EQ(MyLikePosition(cp, "МИР"), 9);
  EXPECT_EQ(MyLikePosition("мир", ny::EncodeCodePage("Мир", 1251)), 1);
  EXPECT_EQ(MyLikePosition(ny::EncodeCodePage("Лев War", 1251), "war"), 5);
}

TEST(MyLike, TheEngineCallsItWithNullsAndChangingPatterns) {
  nytest::TestDir dir;
  ny::TNySQLite3DB db;
  db.SetDatabase(dir / "t.sqb");
  db.SetConnected(true);
  ASSERT_EQ(ny::RegisterMyLike(db), SQLITE_OK);
  db.ExecuteScript("create table T (A); insert into T values ('Warren'); insert into T values "
                   "(NULL); insert into T values ('Howard'); insert into T values ('Peace');");
  std::string out;
  db.QueryValue("select group_concat(MyLike(A,'war'),',') from T", {}, true, out);
  EXPECT_EQ(out, "1,0,3,0");
  // A pattern per row: the prepared one follows each new pattern.
  db.QueryValue("select group_concat(MyLike(A,A),',') from T", {}, true, out);
  EXPECT_EQ(out, "1,0,1,1");
  db.QueryValue("select MyLike(NULL,'x')", {}, true, out);
  EXPECT_EQ(out, "0");
}

}  // namespace
