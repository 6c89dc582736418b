#include "sqlite/NySQLite3QueryText.h"

#include <gtest/gtest.h>

#include <string>

#include "sqlite/NyFResult.h"

using nyq::TSubstValue;

TEST(NyFResult, IdsAreNeverReusedAndFollowTheirRows) {
  ny::TNyFResult store(8);
  uint8_t row[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  store.AddRow(row);
  row[0] = 9;
  store.AddRow(row);
  EXPECT_EQ(store.RowIdAt(0), 0);
  EXPECT_EQ(store.RowIdAt(1), 1);
  EXPECT_EQ(store.RowAt(1)[0], 9);
  store.DeleteRow(0);
  store.AddRow(row);
  EXPECT_EQ(store.RowCount(), 2);
  EXPECT_EQ(store.RowIdAt(0), 1);
  EXPECT_EQ(store.RowIdAt(1), 2);  // the deleted id 0 is not issued again
  EXPECT_EQ(store.IndexOfRowId(0), -1);
  EXPECT_EQ(store.IndexOfRowId(2), 1);

  row[0] = 42;
  store.InsertRow(0, row);  // inserted in front: ids no longer ascending
  EXPECT_EQ(store.RowIdAt(0), 3);
  EXPECT_EQ(store.IndexOfRowId(3), 0);
  EXPECT_EQ(store.IndexOfRowId(2), 2);
  store.InsertRow(99, row);  // past the end: appended
  EXPECT_EQ(store.RowIdAt(3), 4);

  store.DeleteRow(-1);
  store.DeleteRow(4);
  EXPECT_EQ(store.RowCount(), 4);
  EXPECT_EQ(store.RowAt(4), nullptr);
  EXPECT_EQ(store.RowAt(-1), nullptr);
  EXPECT_EQ(store.RowIdAt(7), -1);
}

TEST(NyFResult, RowsOfTheirOwnLengthAreReplacedInPlaceWhenTheyFit) {
  ny::TNyFResult store(1);
  const std::string a = "four", big(5 << 20, 'x');  // larger than a block
  store.AddRow(reinterpret_cast<const uint8_t*>(a.data()), a.size());
  store.AddRow(reinterpret_cast<const uint8_t*>(big.data()), big.size());
  EXPECT_EQ(store.RowLength(1), big.size());
  EXPECT_EQ(store.RowAt(1)[big.size() - 1], 'x');
  const uint8_t* at = store.RowAt(0);
  EXPECT_TRUE(store.ReplaceRow(0, reinterpret_cast<const uint8_t*>("two"), 3));
  EXPECT_EQ(store.RowAt(0), at);  // fits: in place
  EXPECT_EQ(store.RowLength(0), 3u);
  EXPECT_TRUE(store.ReplaceRow(0, reinterpret_cast<const uint8_t*>("longer"), 6));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(store.RowAt(0)), store.RowLength(0)),
            "longer");
  EXPECT_EQ(store.RowIdAt(0), 0);
  EXPECT_FALSE(store.ReplaceRow(2, reinterpret_cast<const uint8_t*>("x"), 1));
  EXPECT_EQ(store.RowLength(2), 0u);
}

TEST(NyFResult, ManyRowsKeepTheirBytesAcrossBlocks) {
  ny::TNyFResult store(915);
  std::vector<uint8_t> row(915);
  for (int i = 0; i < 20000; ++i) {
    row[0] = static_cast<uint8_t>(i);
    row[914] = static_cast<uint8_t>(i >> 8);
    store.AddRow(row.data());
  }
  store.DeleteRow(5);
  row[0] = 0xAA;
  store.InsertRow(0, row.data());
  ASSERT_EQ(store.RowCount(), 20000);
  EXPECT_EQ(store.RowAt(0)[0], 0xAA);
  for (int i = 1; i < 20000; ++i) {
    const int n = i <= 5 ? i - 1 : i;  // row 5 is gone, one row is in front
    ASSERT_EQ(store.RowAt(i)[0], static_cast<uint8_t>(n)) << i;
    ASSERT_EQ(store.RowAt(i)[914], static_cast<uint8_t>(n >> 8)) << i;
  }
}

TEST(NyFResult, OwnsItsStreams) {
  ny::TNyFResult store(4);
  ny::TNyMemoryStream* made = store.NewBlob();
  made->Write("abc", 3);
  store.AdoptBlob(new ny::TNyMemoryStream("xyz"));
  store.AdoptBlob(nullptr);
  EXPECT_EQ(store.BlobCount(), 2u);
  EXPECT_EQ(made->Bytes(), "abc");
}  // the sanitizer build reports a stream the store failed to free

TEST(QueryText, ParameterReferencesBecomeMarks) {
  std::vector<std::string> names;
  EXPECT_EQ(nyq::ParseParams("select * from t where a=:A and b in (:B,:C);", names),
            "select * from t where a=? and b in (?,?);");
  EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "C"}));

  names.clear();
  // Quoted texts hide colons; a doubled colon is one literal colon; a quoted name.
  EXPECT_EQ(nyq::ParseParams("select ':x', \"a:b\", `:c`, 'x'::y, :\"my name\" from t", names),
            "select ':x', \"a:b\", `:c`, 'x':y, ? from t");
  EXPECT_EQ(names, (std::vector<std::string>{"my name"}));

  names.clear();
  EXPECT_EQ(nyq::ParseParams("a=:P\nb=:Q\r\nc = : d:", names), "a=?\nb=?\r\nc = : d:");
  EXPECT_EQ(names, (std::vector<std::string>{"P", "Q"}));
}

TEST(QueryText, ValuesAreQuotedAndTheirMarksStayTheirs) {
  std::vector<TSubstValue> v(3);
  v[0].text = "what?";
  v[0].bound = true;
  v[1].text = "O'Brien";
  v[2].text = "";
  v[2].bound = true;
  EXPECT_EQ(nyq::SubstituteValues("a=? and b=? and c=?", v),
            "a='what?' and b='O''Brien' and c=NULL");

  std::vector<TSubstValue> blob(2);
  blob[0].kind = TSubstValue::Blob;
  blob[1].text = "";  // not bound: an empty quoted text
  EXPECT_EQ(nyq::SubstituteValues("insert into t values (?,?)", blob),
            "insert into t values (\x02,'')");
  // More values than marks: the rest are dropped.
  EXPECT_EQ(nyq::SubstituteValues("x", v), "x");
}

TEST(QueryText, FilterLimitAndOffset) {
  EXPECT_EQ(nyq::FilteredText("select 1", true, "a=1"), "select * from (select 1) where a=1");
  EXPECT_EQ(nyq::FilteredText("select 1", false, "a=1"), "select 1");
  EXPECT_EQ(nyq::FilteredText("select 1", true, ""), "select 1");
  EXPECT_EQ(nyq::PagedText("s", 5, 10), "s limit 5 offset 10");
  EXPECT_EQ(nyq::PagedText("s", -1, 20), "s limit -1 offset 20");
  EXPECT_EQ(nyq::PagedText("s", 10, 0), "s limit 10");
  EXPECT_EQ(nyq::PagedText("s", 0, 0), "s");
}

TEST(QueryText, DateTimeFormats) {
  // 2006-06-19 20:14:22.123 as days since 1899-12-30.
  const double dt = 38887 + (20 * 3600 + 14 * 60 + 22.123) / 86400.0;
  EXPECT_EQ(nyq::FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", dt), "2006-06-19 20:14:22.123");
  EXPECT_EQ(nyq::FormatDateTime("dd.mm.yyyy", dt), "19.06.2006");
  EXPECT_EQ(nyq::FormatDateTime("d/m/yy h:mm", dt), "19/6/06 20:14");
  EXPECT_EQ(nyq::FormatDateTime("yyyy'y'", 2.0), "1900y");
}
