#include "sqlite/NySQLite3BlobStream.h"

#include <gtest/gtest.h>

#include <string>

#include "sqlite/NySQLite3DB.h"
#include "sqlite/NySQLiteError.h"
#include "sqlite/TestRowsLink.h"

using namespace ny;
using nytest::RowsLink;

namespace {

// Two rows with a blob and a text column, loaded from a real database.
class BlobRows : public ::testing::Test {
 protected:
  void SetUp() override {
    db.SetDatabase(":memory:");
    db.SetConnected(true);
    db.ExecuteScript(
        "create table t(b BLOB, s VARCHAR2(8)); insert into t values(x'0A0B0C0D', 'one');"
        "insert into t values(null, 'two');");
    db.LoadAllRows("select b, s from t", rows);
    ASSERT_EQ(rows.rows.size(), 2u);
  }
  TNyBlobTarget Target(size_t row) {
    TNyBlobTarget t;
    t.DataType = rows.defs[0].DataType;
    t.Offset = rows.defs[0].Offset;
    t.CurrentBuffer = [this, row]() -> uint8_t* {
      return row < rows.rows.size() ? rows.rows[row].data() : nullptr;
    };
    t.Modified = [this] { ++modified; };
    return t;
  }
  std::string Field(size_t row) { return std::string(rows.Stream(rows.rows[row], 0)->Bytes()); }
  std::string ReadAll(TNyMemoryStream& s) {
    std::string out(size_t(s.Size()), '\0');
    s.SetPosition(0);
    out.resize(size_t(s.Read(out.data(), s.Size())));
    return out;
  }

  RowsLink rows;  // outlives the connection
  TNySQLite3DB db;
  int modified = 0;
};

}  // namespace

TEST_F(BlobRows, WriteModeReplacesTheWholeValue) {
  {
    TNyQLite3BlobStream s(Target(0), TBlobStreamMode::bmWrite);
    EXPECT_EQ(s.Size(), 0) << "opened for writing it starts empty";
    EXPECT_EQ(s.Write("xyz", 3), 3);
    EXPECT_EQ(Field(0), "\x0A\x0B\x0C\x0D") << "saved only when destroyed";
  }
  EXPECT_EQ(Field(0), "xyz");
  EXPECT_EQ(rows.Stream(rows.rows[0], 0)->Position(), 0);
  EXPECT_EQ(modified, 1);
  // A null column became an empty stream; it takes a value the same way.
  {
    TNyQLite3BlobStream s(Target(1), TBlobStreamMode::bmWrite);
    s.Write("\0\1", 2);
  }
  EXPECT_EQ(Field(1), std::string("\0\1", 2));
}

TEST_F(BlobRows, ReadWriteModeAppendsToTheLoadedContent) {
  {
    TNyQLite3BlobStream s(Target(0), TBlobStreamMode::bmReadWrite);
    EXPECT_EQ(s.Size(), 4);
    EXPECT_EQ(s.Position(), 0);
    s.Seek(0, TSeekOrigin::soEnd);
    s.Write("\xEE", 1);
  }
  EXPECT_EQ(Field(0), "\x0A\x0B\x0C\x0D\xEE");
  // Overwriting in the middle keeps the rest.
  {
    TNyQLite3BlobStream s(Target(0), TBlobStreamMode::bmReadWrite);
    s.Seek(1, TSeekOrigin::soBeginning);
    s.Write("QQ", 2);
  }
  EXPECT_EQ(Field(0), "\x0AQQ\x0D\xEE");
}

TEST_F(BlobRows, ReadingNeverChangesTheField) {
  TNyMemoryStream* before = rows.Stream(rows.rows[0], 0);
  before->Seek(2, TSeekOrigin::soBeginning);
  {
    TNyQLite3BlobStream s(Target(0), TBlobStreamMode::bmRead);
    EXPECT_EQ(ReadAll(s), "\x0A\x0B\x0C\x0D");
    EXPECT_TRUE(s.WasRead());
    EXPECT_FALSE(s.Written());
    char c;
    EXPECT_EQ(s.Read(&c, 1), 0);  // at the end
  }
  EXPECT_EQ(rows.Stream(rows.rows[0], 0), before);
  EXPECT_EQ(Field(0), "\x0A\x0B\x0C\x0D");
  EXPECT_EQ(before->Position(), 2);
  EXPECT_EQ(modified, 0);
}

TEST_F(BlobRows, NoBufferLoadsEmptyAndSavesNothing) {
  {
    TNyQLite3BlobStream s(Target(5), TBlobStreamMode::bmReadWrite);
    EXPECT_EQ(s.Size(), 0);
    s.Write("abc", 3);
  }
  EXPECT_EQ(Field(0), "\x0A\x0B\x0C\x0D");
  EXPECT_EQ(Field(1), "");
}

TEST_F(BlobRows, OnlyBlobFieldsHaveBlobStreams) {
  TNyBlobTarget text = Target(0);
  text.DataType = rows.defs[1].DataType;
  try {
    TNyQLite3BlobStream s(text, TBlobStreamMode::bmRead);
    ADD_FAILURE() << "no error";
  } catch (const EInvalidCast& e) {
    EXPECT_STREQ(e.what(), "Invalid class typecast");
  }
  for (TFieldType t : {TFieldType::ftMemo, TFieldType::ftGraphic, TFieldType::ftFmtMemo}) {
    TNyBlobTarget other = Target(0);
    other.DataType = t;
    TNyQLite3BlobStream s(other, TBlobStreamMode::bmRead);
    EXPECT_EQ(s.Size(), 4);
  }
}

TEST(NyMemoryStream, SeekSizeAndSelfCopy) {
  TNyMemoryStream s("abc");
  EXPECT_EQ(s.Seek(-10, TSeekOrigin::soCurrent), 0);
  EXPECT_EQ(s.Seek(5, TSeekOrigin::soBeginning), 5);
  s.Write("z", 1);  // past the end: the gap is filled with zero bytes
  EXPECT_EQ(s.Bytes(), std::string("abc\0\0z", 6));
  s.SetSize(2);
  EXPECT_EQ(s.Position(), 2);
  EXPECT_EQ(s.Bytes(), "ab");
  s.CopyFrom(s);
  EXPECT_EQ(s.Bytes(), "abab");
  char buf[8];
  s.SetPosition(3);
  EXPECT_EQ(s.Read(buf, 8), 1);
  EXPECT_EQ(s.Read(buf, -1), 0);
  EXPECT_EQ(s.Write(buf, 0), 0);
  // Far past the end, and sums beyond the 64-bit range: the position stops at the largest
  // value, a read there gives nothing and a write is refused, the content kept.
  EXPECT_EQ(s.Seek(1000, TSeekOrigin::soEnd), 1004);
  EXPECT_EQ(s.Read(buf, 8), 0);
  EXPECT_EQ(s.Seek(INT64_MAX, TSeekOrigin::soEnd), INT64_MAX);
  EXPECT_EQ(s.Seek(INT64_MIN, TSeekOrigin::soCurrent), 0);
  s.Seek(INT64_MAX, TSeekOrigin::soBeginning);
  EXPECT_THROW(s.Write("x", 1), std::length_error);
  EXPECT_EQ(s.Bytes(), "abab");
}
