// The record-set framework, driven through a small in-memory record set defined here: rows
// in a vector, a cursor index and record buffers as structs. Its fetch and cursor rules are
// those of the program's query record set (a fetch past either end leaves the cursor where it
// was), so the framework is tested against the behaviour it really meets.
#include "sqlite/NyDataSet.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "sqlite/NyDataSource.h"
#include "sqlite/NySQLiteError.h"

namespace ny {
namespace {

using FT = TFieldType;
using L = std::vector<std::string>;

struct Cell {
  bool null = true;
  std::string bytes;  // native form; texts with their terminator
};
struct Rec {
  int32_t id = -1;
  TBookmarkFlag flag = TBookmarkFlag::bfCurrent;
  std::vector<Cell> cells;
};
Rec* R(uint8_t* b) {
  return reinterpret_cast<Rec*>(b);
}
const Rec* R(const uint8_t* b) {
  return reinterpret_cast<const Rec*>(b);
}

TNyFieldDef Def(const std::string& name, FT type, int size = 0) {
  TNyFieldDef d;
  d.Name = name;
  d.DataType = type;
  d.Size = size;
  return d;
}

class TMemSet;

// A blob stream over one cell: loads it unless opened for writing; stores it when written.
class TMemBlobStream : public TNyMemoryStream {
 public:
  TMemBlobStream(Cell* cell, TBlobStreamMode mode) : cell_(cell) {
    if (cell_ && mode != TBlobStreamMode::bmWrite && !cell_->null) {
      TNyMemoryStream::Write(cell_->bytes.data(), static_cast<int64_t>(cell_->bytes.size()));
      SetPosition(0);
    }
  }
  ~TMemBlobStream() override {
    if (written_ && cell_) {
      cell_->bytes = std::string(Bytes());
      cell_->null = cell_->bytes.empty();
    }
  }
  int64_t Write(const void* buffer, int64_t count) override {
    written_ = true;
    return TNyMemoryStream::Write(buffer, count);
  }

 private:
  Cell* cell_;
  bool written_ = false;
};

class TMemSet : public TNyDataSet {
 public:
  std::vector<TNyFieldDef> defs;
  std::vector<Rec> rows;
  int cur = -1;
  int32_t nextId = 0;
  bool isOpen = false;
  bool failOpen = false;
  int failPosts = 0;    // the next n posts throw
  int failDeletes = 0;  // the next n deletes throw
  int internalCloses = 0;
  int setToRecordCalls = 0;
  bool readOnly = false;
  bool blobs = true;   // false: the framework's default, no blob streams
  L* hooks = nullptr;  // when set, the editing hooks log their calls

  explicit TMemSet(std::vector<TNyFieldDef> d) : defs(std::move(d)) { SetName("T1"); }
  ~TMemSet() override { DestroyClose(); }

  // Appends a row; `values` in field order, NULL variants for NULL.
  void Add(const std::vector<TNyValue>& values) {
    Rec r;
    r.id = nextId++;
    r.cells.resize(defs.size());
    for (size_t i = 0; i < defs.size() && i < values.size(); ++i) {
      const TNyValue& v = values[i];
      Cell& c = r.cells[i];
      if (v.IsNull()) continue;
      c.null = false;
      switch (defs[i].DataType) {
        case FT::ftString:
        case FT::ftMemo:
        case FT::ftBlob:
          c.bytes = v.AsText() + (defs[i].DataType == FT::ftString ? std::string(1, '\0') : "");
          break;
        case FT::ftInteger:
        case FT::ftSmallint:
        case FT::ftWord:
        case FT::ftDate:
        case FT::ftTime: {
          int32_t x = static_cast<int32_t>(v.AsInt());
          c.bytes.assign(reinterpret_cast<char*>(&x), 4);
          break;
        }
        case FT::ftBoolean: {
          int16_t x = v.AsBool() ? 1 : 0;
          c.bytes.assign(reinterpret_cast<char*>(&x), 2);
          break;
        }
        default: {
          double x = v.AsFloat();
          c.bytes.assign(reinterpret_cast<char*>(&x), 8);
        }
      }
    }
    rows.push_back(std::move(r));
  }
  std::string Text(int row, int field) const {
    const Cell& c = rows.at(row).cells.at(field);
    return c.null ? "<null>" : std::string(c.bytes.c_str());
  }

 protected:
  void Log(const char* what) {
    if (hooks) hooks->push_back(what);
  }
  void InternalOpen() override {
    if (failOpen) throw SLError("no query specified");
    MutableFieldDefs() = defs;
    isOpen = true;
    cur = -1;
  }
  void InternalClose() override {
    isOpen = false;
    ++internalCloses;
  }
  bool IsCursorOpen() const override { return isOpen; }
  uint8_t* AllocRecordBuffer() override {
    auto* r = new Rec;
    r->cells.resize(defs.size());
    return reinterpret_cast<uint8_t*>(r);
  }
  void FreeRecordBuffer(uint8_t* b) override { delete R(b); }
  TGetResult GetRecord(uint8_t* buffer, TGetMode mode, bool doCheck) override {
    const int n = static_cast<int>(rows.size());
    TGetResult res = TGetResult::grOK;
    if (n == 0) {
      res = TGetResult::grEOF;
    } else if (mode == TGetMode::gmCurrent) {
      if (cur < 0 || cur >= n) res = TGetResult::grError;
    } else if (mode == TGetMode::gmNext) {
      if (cur < n - 1)
        ++cur;
      else
        res = TGetResult::grEOF;
    } else {
      if (cur > 0)
        --cur;
      else
        res = TGetResult::grBOF;
    }
    if (res == TGetResult::grOK) {
      *R(buffer) = rows[cur];
      R(buffer)->flag = TBookmarkFlag::bfCurrent;
    } else if (res == TGetResult::grError && doCheck) {
      throw EDatabaseError("No Records");
    }
    return res;
  }
  void InternalFirst() override { cur = -1; }
  void InternalLast() override { cur = static_cast<int>(rows.size()); }
  int IndexOf(int32_t id) const {
    for (size_t i = 0; i < rows.size(); ++i)
      if (rows[i].id == id) return static_cast<int>(i);
    return -1;
  }
  void InternalGotoBookmark(int32_t id) override {
    int i = IndexOf(id);
    if (i < 0) DatabaseError("Bookmark not found");
    cur = i;
  }
  void InternalSetToRecord(uint8_t* buffer) override {
    ++setToRecordCalls;
    TNyDataSet::InternalSetToRecord(buffer);
  }
  int32_t GetBookmarkData(const uint8_t* b) const override { return R(b)->id; }
  void SetBookmarkData(uint8_t* b, int32_t id) override { R(b)->id = id; }
  TBookmarkFlag GetBookmarkFlag(const uint8_t* b) const override { return R(b)->flag; }
  void SetBookmarkFlag(uint8_t* b, TBookmarkFlag f) override { R(b)->flag = f; }
  bool BookmarkValidId(int32_t id) override { return IndexOf(id) >= 0; }
  int GetRecordCount() override { return isOpen ? static_cast<int>(rows.size()) : 0; }
  int GetRecNo() override {
    UpdateCursorPos();
    if (cur == -1 && !rows.empty()) return 1;
    return cur + 1;
  }
  bool InternalSetRecNo(int n) override {
    if (n < 0 || n >= static_cast<int>(rows.size()) + 2) return false;
    cur = n - 1;
    return true;
  }
  bool GetRecordAt(int index, uint8_t* buffer) override {
    if (index < 0 || index >= static_cast<int>(rows.size())) return false;
    *R(buffer) = rows[index];
    return true;
  }
  bool GetFieldData(const TNyField& f, void* dest) override {
    const Cell& c = R(ActiveBuffer())->cells.at(f.Index());
    if (c.null) return false;
    if (dest) std::memcpy(dest, c.bytes.data(), c.bytes.size());
    return true;
  }
  void SetFieldData(const TNyField& f, const void* src) override {
    Cell& c = R(ActiveBuffer())->cells.at(f.Index());
    c.null = src == nullptr;
    c.bytes.clear();
    if (!src) return;
    if (f.DataType() == FT::ftString) {
      c.bytes = std::string(static_cast<const char*>(src)) + '\0';
      c.null = c.bytes.size() == 1;  // an empty text is how a text NULL is stored
    } else {
      c.bytes.assign(static_cast<const char*>(src), f.DataSize());
    }
  }
  std::unique_ptr<TNyMemoryStream> DoCreateBlobStream(TNyField& f, TBlobStreamMode m) override {
    if (!blobs) return TNyDataSet::DoCreateBlobStream(f, m);
    uint8_t* b = ActiveBuffer();
    return std::make_unique<TMemBlobStream>(b ? &R(b)->cells.at(f.Index()) : nullptr, m);
  }
  bool GetCanModify() const override { return !readOnly; }
  void InternalEdit() override { Log("InternalEdit"); }
  void InternalInsert() override { Log("InternalInsert"); }
  void InternalInitRecord(uint8_t* b) override {
    for (Cell& c : R(b)->cells) c = Cell();
    R(b)->id = -1;
  }
  void InternalPost() override {
    Log("InternalPost");
    if (failPosts > 0) {
      --failPosts;
      throw EDatabaseError("??? SQLite ERR-constraint failed");
    }
    Rec r = *R(ActiveBuffer());
    r.flag = TBookmarkFlag::bfCurrent;
    if (State() == TDataSetState::dsEdit) {
      rows.at(cur) = r;
      return;
    }
    r.id = nextId++;
    int n = static_cast<int>(rows.size());
    int at = cur < 0 ? 0 : cur > n ? n : cur;
    rows.insert(rows.begin() + at, r);
    cur = at;
  }
  void InternalCancel() override { Log("InternalCancel"); }
  void InternalDelete() override {
    Log("InternalDelete");
    if (failDeletes > 0) {
      --failDeletes;
      throw EDatabaseError("??? SQLite ERR-database is locked");
    }
    rows.erase(rows.begin() + cur);
    if (cur >= static_cast<int>(rows.size())) --cur;
  }
};

// A record set whose master is a data source, for the loop check.
class TDetailSet : public TMemSet {
 public:
  using TMemSet::TMemSet;
  TNyDataSource* master = nullptr;
  TNyDataSource* GetDataSource() const override { return master; }
};

void Trace(TNyDataSet& ds, L& log) {
  auto on = [&log](const char* name) { return [&log, name](TNyDataSet&) { log.push_back(name); }; };
  ds.BeforeOpen = on("BeforeOpen");
  ds.AfterOpen = on("AfterOpen");
  ds.BeforeClose = on("BeforeClose");
  ds.AfterClose = on("AfterClose");
  ds.BeforeInsert = on("BeforeInsert");
  ds.AfterInsert = on("AfterInsert");
  ds.BeforeEdit = on("BeforeEdit");
  ds.AfterEdit = on("AfterEdit");
  ds.BeforePost = on("BeforePost");
  ds.AfterPost = on("AfterPost");
  ds.BeforeCancel = on("BeforeCancel");
  ds.AfterCancel = on("AfterCancel");
  ds.BeforeDelete = on("BeforeDelete");
  ds.AfterDelete = on("AfterDelete");
  ds.BeforeScroll = on("BeforeScroll");
  ds.AfterScroll = on("AfterScroll");
  ds.OnNewRecord = on("OnNewRecord");
}

// A data link that writes down what it is told.
class TRecLink : public TNyDataLink {
 public:
  L log;
  std::function<void()> onUpdateData;

 protected:
  void ActiveChanged() override { log.push_back(Active() ? "Active" : "Inactive"); }
  void EditingChanged() override { log.push_back(Editing() ? "Editing" : "NotEditing"); }
  void DataSetChanged() override { log.push_back("Changed"); }
  void LayoutChanged() override { log.push_back("Layout"); }
  void DataSetScrolled(int d) override { log.push_back("Scrolled " + std::to_string(d)); }
  void RecordChanged(TNyField* f) override {
    log.push_back("Record " + (f ? f->FieldName() : std::string("*")));
  }
  void UpdateData() override {
    log.push_back("UpdateData");
    if (onUpdateData) onUpdateData();
  }
};

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "<no error>";
}

// Subjects as in a library: NAM, DIR.
std::unique_ptr<TMemSet> Subjects(std::vector<std::string> names) {
  auto ds = std::make_unique<TMemSet>(
      std::vector<TNyFieldDef>{Def("NAM", FT::ftString, 64), Def("DIR", FT::ftString, 128)});
  for (const auto& n : names) ds->Add({TNyValue(n), TNyValue(n)});
  return ds;
}

std::string Nam(TNyDataSet& ds) {
  return ds.FieldByName("NAM").AsString();
}

// ---------------------------------------------------------------------------------------

TEST(NyDataSet, OpenCloseLifecycleAndFields) {
  auto ds = Subjects({"Actions", "Drama"});
  L log;
  Trace(*ds, log);
  EXPECT_EQ(ErrorOf([&] { ds->First(); }), "T1: Cannot perform this operation on a closed dataset");
  EXPECT_EQ(ds->RecordCount(), 0);
  EXPECT_TRUE(ds->IsEmpty());

  ds->Open();
  EXPECT_EQ(log, (L{"BeforeOpen", "AfterOpen", "AfterScroll"}));
  EXPECT_EQ(ds->State(), TDataSetState::dsBrowse);
  EXPECT_TRUE(ds->Bof());
  EXPECT_FALSE(ds->Eof());
  EXPECT_EQ(ds->RecNo(), 1);
  ASSERT_EQ(ds->FieldCount(), 2);
  EXPECT_EQ(ds->Field(1).FieldName(), "DIR");
  EXPECT_EQ(ds->Field(1).FieldNo(), 2);
  EXPECT_EQ(ds->Field(1).Index(), 1);
  EXPECT_EQ(ds->Field(1).DisplayWidth(), 128);
  EXPECT_EQ(&ds->FieldByName("dir"), &ds->Field(1));
  EXPECT_EQ(ds->FindField("NAME"), nullptr);
  EXPECT_EQ(ErrorOf([&] { ds->FieldByName("NAME"); }), "Field 'NAME' not found");
  EXPECT_EQ(Nam(*ds), "Actions");
  ds->Open();  // opening an open record set does nothing
  EXPECT_EQ(log.size(), 3u);

  log.clear();
  ds->Close();
  EXPECT_EQ(log, (L{"BeforeClose", "AfterClose"}));
  EXPECT_EQ(ds->State(), TDataSetState::dsInactive);
  EXPECT_EQ(ds->FieldCount(), 0);
  EXPECT_EQ(ds->internalCloses, 1);
  EXPECT_FALSE(ds->GetBookmark().has_value());

  // An open that fails leaves the record set closed and its cursor released.
  ds->failOpen = true;
  log.clear();
  EXPECT_EQ(ErrorOf([&] { ds->Open(); }), "no query specified");
  EXPECT_FALSE(ds->Active());
  EXPECT_EQ(ds->internalCloses, 2);
  EXPECT_EQ(log, (L{"BeforeOpen"}));

  // Destroying an open record set closes it without firing the close events.
  L late;
  {
    auto gone = Subjects({"A"});
    gone->Open();
    Trace(*gone, late);
  }
  EXPECT_TRUE(late.empty());

  // A record set without blob support refuses blob streams.
  TMemSet plain({Def("M", FT::ftMemo)});
  plain.blobs = false;
  plain.Add({TNyValue("x")});
  plain.Open();
  EXPECT_EQ(ErrorOf([&] { plain.Field(0).AsString(); }), "Invalid class typecast");

  // A field type without a field class fails the open the same way.
  TMemSet bad({Def("X", FT::ftUnknown)});
  EXPECT_EQ(ErrorOf([&] { bad.Open(); }), "Field 'X' is of an unknown type");
  EXPECT_FALSE(bad.Active());
  EXPECT_FALSE(bad.isOpen);
}

TEST(NyDataSet, CursorMovesAndEnds) {
  auto ds = Subjects({"A", "B", "C"});
  ds->Open();
  L log;
  Trace(*ds, log);
  ds->Next();
  EXPECT_EQ(Nam(*ds), "B");
  EXPECT_FALSE(ds->Bof());
  EXPECT_EQ(ds->RecNo(), 2);
  EXPECT_EQ(ds->MoveBy(5), 1);
  EXPECT_EQ(Nam(*ds), "C");
  EXPECT_TRUE(ds->Eof());
  EXPECT_EQ(ds->MoveBy(0), 0);  // moving nowhere leaves the end flags as they are
  EXPECT_TRUE(ds->Eof());
  log.clear();
  ds->Next();  // at the end nothing moves, but the scroll events still come
  EXPECT_EQ(Nam(*ds), "C");
  EXPECT_EQ(log, (L{"BeforeScroll", "AfterScroll"}));
  EXPECT_EQ(ds->MoveBy(-5), -2);
  EXPECT_TRUE(ds->Bof());
  EXPECT_EQ(Nam(*ds), "A");
  EXPECT_EQ(ds->MoveBy(0), 0);
  EXPECT_TRUE(ds->Bof());
  ds->Prior();
  EXPECT_EQ(Nam(*ds), "A");
  ds->Last();
  EXPECT_TRUE(ds->Eof());
  EXPECT_FALSE(ds->Bof());
  EXPECT_EQ(Nam(*ds), "C");
  ds->Prior();
  EXPECT_EQ(Nam(*ds), "B");
  EXPECT_FALSE(ds->Eof());
  ds->First();
  EXPECT_TRUE(ds->Bof());
  EXPECT_EQ(Nam(*ds), "A");

  // Walking to the end visits every row once.
  std::string seen;
  for (ds->First(); !ds->Eof(); ds->Next()) seen += Nam(*ds);
  EXPECT_EQ(seen, "ABC");

  // Record numbers: 0 lands on the first row, count + 1 on the last, others are ignored.
  ds->SetRecNo(3);
  EXPECT_EQ(Nam(*ds), "C");
  ds->SetRecNo(0);
  EXPECT_EQ(Nam(*ds), "A");
  ds->SetRecNo(4);
  EXPECT_EQ(Nam(*ds), "C");
  ds->SetRecNo(2);
  ds->SetRecNo(99);
  EXPECT_EQ(Nam(*ds), "B");

  // After the cursor left the current row by a failed fetch, the next move first puts it
  // back; while it stays on the row no repositioning is asked for.
  ds->Last();
  int before = ds->setToRecordCalls;
  ds->Prior();
  ds->Prior();
  EXPECT_EQ(ds->setToRecordCalls, before);
  ds->Prior();  // fails at the first row
  EXPECT_EQ(Nam(*ds), "A");
  EXPECT_TRUE(ds->Bof());
  ds->Next();
  EXPECT_EQ(ds->setToRecordCalls, before + 1);
  EXPECT_EQ(Nam(*ds), "B");
}

TEST(NyDataSet, EmptyRecordSet) {
  auto ds = Subjects({});
  L log;
  Trace(*ds, log);
  ds->Open();
  EXPECT_EQ(log, (L{"BeforeOpen", "AfterOpen"}));  // no record, no AfterScroll
  EXPECT_TRUE(ds->Bof());
  EXPECT_TRUE(ds->Eof());
  EXPECT_TRUE(ds->IsEmpty());
  EXPECT_EQ(ds->RecordCount(), 0);
  EXPECT_EQ(ds->MoveBy(1), 0);
  ds->Last();
  ds->First();
  EXPECT_TRUE(ds->Eof());
  EXPECT_TRUE(ds->FieldByName("NAM").IsNull());
  EXPECT_EQ(ds->FieldByName("NAM").AsString(), "");
  EXPECT_FALSE(ds->GetBookmark().has_value());
  EXPECT_EQ(ErrorOf([&] { ds->Delete(); }),
            "T1: Cannot perform this operation on an empty dataset");
  // Edit of an empty set starts an insert.
  ds->Edit();
  EXPECT_EQ(ds->State(), TDataSetState::dsInsert);
  EXPECT_FALSE(ds->IsEmpty());
  ds->FieldByName("NAM").SetAsString("Drama");
  ds->Post();
  EXPECT_EQ(ds->RecordCount(), 1);
  EXPECT_EQ(Nam(*ds), "Drama");
  EXPECT_FALSE(ds->Eof());
}

TEST(NyDataSet, EditPostCancelWithEvents) {
  auto ds = Subjects({"A", "B"});
  ds->Open();
  L log;
  Trace(*ds, log);
  ds->hooks = &log;
  TNyField& nam = ds->FieldByName("NAM");
  EXPECT_EQ(ErrorOf([&] { nam.SetAsString("x"); }), "T1: Dataset not in edit or insert mode");
  EXPECT_EQ(ErrorOf([&] { ds->Post(); }), "T1: Dataset not in edit or insert mode");

  ds->Edit();
  EXPECT_EQ(ds->State(), TDataSetState::dsEdit);
  EXPECT_FALSE(ds->Modified());
  nam.SetAsString("Actions");
  EXPECT_TRUE(ds->Modified());
  EXPECT_EQ(ds->Text(0, 0), "A");  // not written before the post
  ds->Post();
  EXPECT_EQ(log, (L{"BeforeEdit", "InternalEdit", "AfterEdit", "BeforePost", "InternalPost",
                    "AfterPost"}));
  EXPECT_EQ(ds->Text(0, 0), "Actions");
  EXPECT_EQ(ds->State(), TDataSetState::dsBrowse);
  EXPECT_EQ(Nam(*ds), "Actions");

  log.clear();
  ds->Edit();
  nam.SetAsString("Lost");
  ds->Cancel();
  EXPECT_EQ(log, (L{"BeforeEdit", "InternalEdit", "AfterEdit", "BeforeCancel", "InternalCancel",
                    "AfterCancel"}));
  EXPECT_EQ(Nam(*ds), "Actions");

  // Moving away posts a changed edit ...
  ds->Edit();
  nam.SetAsString("Moved");
  ds->Next();
  EXPECT_EQ(ds->Text(0, 0), "Moved");
  EXPECT_EQ(Nam(*ds), "B");
  // ... and cancels an unchanged one.
  log.clear();
  ds->Edit();
  ds->Prior();
  EXPECT_EQ(log, (L{"BeforeEdit", "InternalEdit", "AfterEdit", "BeforeCancel", "InternalCancel",
                    "AfterCancel", "BeforeScroll", "AfterScroll"}));
  // A second Edit while editing changes nothing.
  ds->Edit();
  log.clear();
  ds->Edit();
  EXPECT_TRUE(log.empty());
  ds->Cancel();
  // A record set that refuses changes says so before any event fires.
  ds->readOnly = true;
  log.clear();
  EXPECT_EQ(ErrorOf([&] { ds->Edit(); }), "T1: Cannot modify a read-only dataset");
  EXPECT_EQ(ErrorOf([&] { ds->Append(); }), "T1: Cannot modify a read-only dataset");
  EXPECT_EQ(ErrorOf([&] { ds->Delete(); }), "T1: Cannot modify a read-only dataset");
  EXPECT_TRUE(log.empty());
  EXPECT_FALSE(nam.CanModify());
  ds->readOnly = false;
  EXPECT_TRUE(nam.CanModify());
  // Closing while editing drops the edit.
  ds->Edit();
  nam.SetAsString("Dropped");
  ds->Close();
  EXPECT_EQ(ds->Text(0, 0), "Moved");
}

TEST(NyDataSet, InsertAndAppend) {
  auto ds = Subjects({"A", "B", "C"});
  ds->Open();
  ds->Next();  // on B
  L log;
  Trace(*ds, log);
  ds->OnNewRecord = [&log](TNyDataSet& d) {
    log.push_back("OnNewRecord");
    d.FieldByName("DIR").SetAsString("new");
  };
  ds->Insert();
  EXPECT_EQ(log, (L{"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll"}));
  EXPECT_FALSE(ds->Modified());  // values set by OnNewRecord do not count
  EXPECT_TRUE(ds->FieldByName("NAM").IsNull());
  EXPECT_EQ(ds->FieldByName("DIR").AsString(), "new");
  EXPECT_FALSE(ds->GetBookmark().has_value());
  ds->FieldByName("NAM").SetAsString("AB");
  ds->Post();
  // The new row stands before the row that was current, and is current now.
  EXPECT_EQ(ds->Text(1, 0), "AB");
  EXPECT_EQ(ds->Text(2, 0), "B");
  EXPECT_EQ(Nam(*ds), "AB");

  // Cancelling an insert returns to the row that was current.
  ds->Last();
  ds->Insert();
  ds->Cancel();
  EXPECT_EQ(Nam(*ds), "C");
  EXPECT_EQ(ds->RecordCount(), 4);

  // Append goes after the last row, wherever the cursor was.
  ds->First();
  ds->Append();
  ds->FieldByName("NAM").SetAsString("Z");
  ds->Post();
  EXPECT_EQ(ds->Text(4, 0), "Z");
  EXPECT_EQ(Nam(*ds), "Z");
  ds->First();
  ds->Append();
  ds->Cancel();  // an appended row cancelled leaves the last row current
  EXPECT_EQ(Nam(*ds), "Z");

  // A failing OnNewRecord undoes the insert.
  ds->OnNewRecord = [](TNyDataSet&) { throw EDatabaseError("no default"); };
  ds->First();
  EXPECT_EQ(ErrorOf([&] { ds->Insert(); }), "no default");
  EXPECT_EQ(ds->State(), TDataSetState::dsBrowse);
  EXPECT_EQ(Nam(*ds), "A");
  EXPECT_EQ(ds->RecordCount(), 5);

  // An insert left without any change is dropped when the cursor moves.
  ds->OnNewRecord = nullptr;
  ds->Insert();
  ds->Next();
  EXPECT_EQ(ds->RecordCount(), 5);
  EXPECT_EQ(ds->State(), TDataSetState::dsBrowse);
}

TEST(NyDataSet, DeleteKeepsACurrentRowWhereOneIsLeft) {
  auto ds = Subjects({"A", "B", "C"});
  ds->Open();
  L log;
  Trace(*ds, log);
  ds->Next();
  log.clear();
  ds->Delete();  // the middle row: the next one becomes current
  EXPECT_EQ(log, (L{"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}));
  EXPECT_EQ(Nam(*ds), "C");
  ds->Delete();  // the last row: the new last row becomes current
  EXPECT_EQ(Nam(*ds), "A");
  EXPECT_FALSE(ds->Eof());
  EXPECT_EQ(ds->RecordCount(), 1);
  ds->Delete();  // the only row: the set is empty
  EXPECT_TRUE(ds->IsEmpty());
  EXPECT_TRUE(ds->Bof());
  EXPECT_TRUE(ds->Eof());
  EXPECT_EQ(ds->RecordCount(), 0);
  EXPECT_TRUE(ds->FieldByName("NAM").IsNull());

  // Deleting a row being edited deletes it without posting the edit.
  auto three = Subjects({"A", "B", "C"});
  three->Open();
  three->hooks = &log;
  log.clear();
  three->Edit();
  three->FieldByName("NAM").SetAsString("A2");
  three->Delete();
  EXPECT_EQ(log, (L{"InternalEdit", "InternalDelete"}));
  EXPECT_EQ(three->State(), TDataSetState::dsBrowse);
  EXPECT_EQ(Nam(*three), "B");
  EXPECT_EQ(three->Text(0, 0), "B");

  // Deleting while inserting only cancels the new row.
  auto two = Subjects({"A", "B"});
  two->Open();
  two->Insert();
  two->Delete();
  EXPECT_EQ(two->RecordCount(), 2);
  EXPECT_EQ(Nam(*two), "A");
  // Deleting every row from the top.
  while (!two->IsEmpty()) two->Delete();
  EXPECT_TRUE(two->rows.empty());
}

TEST(NyDataSet, FailedWritesKeepTheEditAndReachTheErrorEvents) {
  L log;
  auto ds = Subjects({"A", "B"});
  ds->Open();
  ds->failPosts = 1;
  ds->Edit();
  ds->FieldByName("NAM").SetAsString("X");
  EXPECT_EQ(ErrorOf([&] { ds->Post(); }), "??? SQLite ERR-constraint failed");
  EXPECT_EQ(ds->State(), TDataSetState::dsEdit);
  EXPECT_EQ(Nam(*ds), "X");
  EXPECT_EQ(ds->Text(0, 0), "A");

  // A BeforePost handler that throws stops the post before anything is written.
  ds->hooks = &log;
  ds->BeforePost = [](TNyDataSet&) { throw EDatabaseError("not now"); };
  EXPECT_EQ(ErrorOf([&] { ds->Post(); }), "not now");
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(ds->State(), TDataSetState::dsEdit);
  ds->BeforePost = nullptr;
  ds->hooks = nullptr;

  // A handler may retry: the post runs again and succeeds.
  ds->failPosts = 1;
  std::string seen;
  ds->OnPostError = [&seen](TNyDataSet&, const std::exception& e, TDataAction& a) {
    seen = e.what();
    a = TDataAction::daRetry;
  };
  ds->Post();
  EXPECT_EQ(seen, "??? SQLite ERR-constraint failed");
  EXPECT_EQ(ds->Text(0, 0), "X");
  EXPECT_EQ(ds->State(), TDataSetState::dsBrowse);

  // daAbort turns the error into a silent EAbort.
  ds->failPosts = 1;
  ds->OnPostError = [](TNyDataSet&, const std::exception&, TDataAction& a) {
    a = TDataAction::daAbort;
  };
  ds->Edit();
  ds->FieldByName("NAM").SetAsString("Y");
  EXPECT_THROW(ds->Post(), EAbort);
  EXPECT_EQ(ds->State(), TDataSetState::dsEdit);
  ds->Cancel();

  // A failed delete keeps the row; the handler sees the error and lets it fail.
  ds->failDeletes = 1;
  int calls = 0;
  ds->OnDeleteError = [&calls](TNyDataSet&, const std::exception&, TDataAction&) { ++calls; };
  EXPECT_EQ(ErrorOf([&] { ds->Delete(); }), "??? SQLite ERR-database is locked");
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(ds->RecordCount(), 2);
  EXPECT_EQ(Nam(*ds), "X");
}

TEST(NyDataSet, BookmarksSurviveOtherDeletes) {
  auto ds = Subjects({"A", "B", "C", "D"});
  ds->Open();
  ds->SetRecNo(3);
  TBookmark c = ds->GetBookmark();
  ASSERT_TRUE(c.has_value());
  ds->First();
  TBookmark a = ds->GetBookmark();
  EXPECT_EQ(ds->CompareBookmarks(a, c), -1);
  EXPECT_EQ(ds->CompareBookmarks(c, c), 0);
  EXPECT_EQ(ds->CompareBookmarks(std::nullopt, a), -1);
  EXPECT_EQ(ds->CompareBookmarks(std::nullopt, std::nullopt), 0);

  ds->Next();
  ds->Delete();  // B goes; C moves up one place
  ds->GotoBookmark(c);
  EXPECT_EQ(Nam(*ds), "C");
  EXPECT_EQ(ds->RecNo(), 2);
  EXPECT_TRUE(ds->BookmarkValid(c));

  ds->Delete();  // C itself goes
  EXPECT_FALSE(ds->BookmarkValid(c));
  EXPECT_EQ(Nam(*ds), "D");
  EXPECT_EQ(ErrorOf([&] { ds->GotoBookmark(c); }), "Bookmark not found");
  EXPECT_EQ(Nam(*ds), "D");
  ds->GotoBookmark(std::nullopt);  // nothing
  EXPECT_EQ(Nam(*ds), "D");
  EXPECT_FALSE(ds->BookmarkValid(std::nullopt));
  ds->GotoBookmark(a);
  EXPECT_EQ(Nam(*ds), "A");

  // A bookmark taken in edit mode names the edited row; a pending change is posted first
  // when going to another bookmark.
  ds->Last();
  ds->Edit();
  EXPECT_EQ(ds->GetBookmark(), ds->rows.back().id);
  ds->FieldByName("NAM").SetAsString("D2");
  ds->GotoBookmark(a);
  EXPECT_EQ(ds->Text(1, 0), "D2");
  ds->Close();
  EXPECT_FALSE(ds->BookmarkValid(a));
}

TEST(NyDataSet, DataLinksHearWhatChanged) {
  auto ds = Subjects({"A", "B"});
  TNyDataSource src(ds.get());
  TRecLink link;
  link.SetDataSource(&src);
  std::vector<TDataSetState> states;
  src.OnStateChange = [&states](TNyDataSource& s) { states.push_back(s.State()); };
  int dataChanges = 0;
  src.OnDataChange = [&dataChanges](TNyDataSource&, TNyField*) { ++dataChanges; };
  EXPECT_FALSE(link.Active());

  ds->Open();
  EXPECT_EQ(link.log, (L{"Active"}));
  EXPECT_TRUE(link.Active());
  EXPECT_EQ(link.DataSet(), ds.get());
  link.log.clear();
  ds->Next();
  EXPECT_EQ(link.log, (L{"Scrolled 1"}));
  link.log.clear();
  ds->Edit();
  ds->FieldByName("DIR").SetAsString("d");
  link.onUpdateData = [&ds] { ds->FieldByName("NAM").SetAsString("typed"); };
  ds->Post();
  EXPECT_EQ(link.log,
            (L{"Editing", "Record *", "Record DIR", "UpdateData", "NotEditing", "Changed"}));
  // What the view wrote in UpdateData was posted with the record.
  EXPECT_EQ(ds->Text(1, 0), "typed");
  EXPECT_EQ(states, (std::vector<TDataSetState>{TDataSetState::dsBrowse, TDataSetState::dsEdit,
                                                TDataSetState::dsBrowse}));
  EXPECT_GT(dataChanges, 0);

  // While disabled (nested) the link hears nothing; the last enable sends one change.
  link.onUpdateData = nullptr;
  link.log.clear();
  ds->DisableControls();
  ds->DisableControls();
  ds->First();
  ds->Next();
  ds->EnableControls();
  EXPECT_TRUE(link.log.empty());
  EXPECT_TRUE(ds->ControlsDisabled());
  ds->EnableControls();
  EXPECT_FALSE(ds->ControlsDisabled());
  EXPECT_EQ(link.log, (L{"Changed"}));
  ds->EnableControls();  // one too many: nothing
  EXPECT_EQ(link.log.size(), 1u);

  // A state change while disabled is reported on enable.
  link.log.clear();
  ds->DisableControls();
  ds->Edit();
  ds->EnableControls();
  EXPECT_EQ(link.log, (L{"Editing", "Changed"}));
  ds->Cancel();
  // Reopening while disabled: the fields were made anew, so the views hear of the layout.
  link.log.clear();
  ds->DisableControls();
  ds->Close();
  ds->Open();
  ds->EnableControls();
  EXPECT_EQ(link.log, (L{"Layout"}));
  EXPECT_EQ(ds->FieldCount(), 2);
  // Closing while disabled: on enable the link goes inactive and hears no data change.
  link.log.clear();
  ds->DisableControls();
  ds->Close();
  ds->EnableControls();
  EXPECT_EQ(link.log, (L{"Inactive"}));

  // A disabled source reads as inactive and passes nothing on.
  ds->Open();
  src.SetEnabled(false);
  EXPECT_EQ(src.State(), TDataSetState::dsInactive);
  link.log.clear();
  ds->Next();
  EXPECT_TRUE(link.log.empty());
  src.SetEnabled(true);
  EXPECT_EQ(link.log, (L{"Active"}));
}

TEST(NyDataSet, LinksSourcesAndRecordSetsMayGoInAnyOrder) {
  TRecLink link;
  {
    auto ds = Subjects({"A"});
    TNyDataSource src(ds.get());
    link.SetDataSource(&src);
    ds->Open();
    EXPECT_TRUE(link.Active());
    ds.reset();  // the record set goes first: the source and link turn inactive
    EXPECT_EQ(src.DataSet(), nullptr);
    EXPECT_FALSE(link.Active());
    EXPECT_EQ(link.DataSet(), nullptr);
  }
  EXPECT_EQ(link.DataSource(), nullptr);  // the source went: the link forgot it

  auto ds = Subjects({"A"});
  {
    auto src = std::make_unique<TNyDataSource>(ds.get());
    auto l2 = std::make_unique<TRecLink>();
    l2->SetDataSource(src.get());
    l2.reset();  // a link goes first
    EXPECT_TRUE(src->DataLinks().empty());
  }
  EXPECT_TRUE(ds->DataSources().empty());
  ds->Open();
  ds->Next();  // no source left to tell: nothing dangles

  // A source may not point at a record set that follows the same source.
  TDetailSet detail({Def("SUBJ", FT::ftString, 16)});
  TNyDataSource masterSrc(ds.get());
  detail.master = &masterSrc;
  EXPECT_TRUE(detail.IsLinkedTo(&masterSrc) == false);
  TNyDataSource detailSrc(&detail);
  EXPECT_TRUE(ds->IsLinkedTo(&masterSrc));
  detailSrc.SetName("DS_Detail");
  masterSrc.SetName("DS_Master");
  EXPECT_EQ(ErrorOf([&] { masterSrc.SetDataSet(&detail); }),
            "DS_Master: Circular datalinks are not allowed");
  EXPECT_EQ(masterSrc.DataSet(), ds.get());
}

TEST(NyDataSet, LocateWithItsOptions) {
  auto ds = Subjects({"Actions", "Drama", "War"});
  ds->Open();
  TLocateOptions both{TLocateOption::loCaseInsensitive, TLocateOption::loPartialKey};
  EXPECT_TRUE(ds->Locate("NAM", TNyValue("dra"), both));
  EXPECT_EQ(Nam(*ds), "Drama");
  EXPECT_FALSE(ds->Locate("NAM", TNyValue("dra"), {TLocateOption::loCaseInsensitive}));
  EXPECT_EQ(Nam(*ds), "War");  // no match leaves the last row current
  EXPECT_FALSE(ds->Locate("NAM", TNyValue("dra"), {TLocateOption::loPartialKey}));
  EXPECT_TRUE(ds->Locate("NAM", TNyValue("Dra"), {TLocateOption::loPartialKey}));
  EXPECT_TRUE(ds->Locate("nam", TNyValue("actions"), {TLocateOption::loCaseInsensitive}));
  EXPECT_EQ(ds->RecNo(), 1);
  // A wanted text longer than the field text is compared whole, also with partial key.
  EXPECT_FALSE(ds->Locate("NAM", TNyValue("Warrior"), both));
  EXPECT_TRUE(ds->Locate("NAM", TNyValue("War"), {}));

  // Several key fields take an array of values, one per field.
  ds->Last();
  ds->Edit();
  ds->FieldByName("DIR").SetAsString("W");
  ds->Post();
  EXPECT_TRUE(ds->Locate("NAM;DIR", TNyValue(std::vector<TNyValue>{"War", "W"}), {}));
  EXPECT_FALSE(ds->Locate("NAM;DIR", TNyValue(std::vector<TNyValue>{"War", "War"}), {}));
  EXPECT_EQ(ErrorOf([&] { ds->Locate("NAM;DIR", TNyValue(std::vector<TNyValue>{"War"}), {}); }),
            "Variant or safe array index out of bounds");

  // Names are split at ";" without trimming; the views are enabled again after the error.
  EXPECT_EQ(ErrorOf([&] {
              ds->Locate("NAM; DIR", TNyValue(std::vector<TNyValue>{"War", "W"}), {});
            }),
            "Field ' DIR' not found");
  EXPECT_FALSE(ds->ControlsDisabled());

  // The views see no scrolling during the scan, only one change at its end.
  TNyDataSource src(ds.get());
  TRecLink link;
  link.SetDataSource(&src);
  link.log.clear();
  EXPECT_TRUE(ds->Locate("NAM", TNyValue("Drama"), {}));
  EXPECT_EQ(link.log, (L{"Changed"}));
  // Controls that were disabled before stay disabled.
  ds->DisableControls();
  ds->Locate("NAM", TNyValue("War"), {});
  EXPECT_TRUE(ds->ControlsDisabled());
  ds->EnableControls();

  // Case folding is A-Z only: a Cyrillic text matches only in the same letter case.
  auto cyr = Subjects({"Драма", "драма"});
  cyr->Open();
  EXPECT_TRUE(cyr->Locate("NAM", TNyValue("драма"), {TLocateOption::loCaseInsensitive}));
  EXPECT_EQ(cyr->RecNo(), 2);
  EXPECT_FALSE(cyr->Locate("NAM", TNyValue("ДРАМА"), {TLocateOption::loCaseInsensitive}));

  auto empty = Subjects({});
  empty->Open();
  EXPECT_FALSE(empty->Locate("NAM", TNyValue("x"), both));
}

TEST(NyDataSet, LookupReturnsValuesOrAnEmptyText) {
  auto ds = std::make_unique<TMemSet>(std::vector<TNyFieldDef>{
      Def("ROWID", FT::ftInteger), Def("NAM", FT::ftString, 32), Def("SIZE", FT::ftInteger)});
  ds->Add({TNyValue(7), TNyValue("zip"), TNyValue(100)});
  ds->Add({TNyValue(9), TNyValue("rar"), TNyValue()});
  ds->Open();
  EXPECT_EQ(ds->Lookup("NAM", TNyValue("rar"), "ROWID"), TNyValue(int64_t{9}));
  EXPECT_EQ(ds->Lookup("NAM", TNyValue("rar"), "SIZE"), TNyValue());  // a NULL field
  EXPECT_EQ(Nam(*ds), "rar");                                         // the found row stays current
  TNyValue missing = ds->Lookup("NAM", TNyValue("arj"), "ROWID");
  EXPECT_FALSE(missing.IsNull());
  EXPECT_EQ(missing, TNyValue(""));
  TNyValue both = ds->Lookup("ROWID", TNyValue(7), "NAM;SIZE");
  ASSERT_TRUE(both.IsArray());
  EXPECT_EQ(both.Items()[0], TNyValue("zip"));
  EXPECT_EQ(both.Items()[1], TNyValue(int64_t{100}));
  EXPECT_EQ(ErrorOf([&] { ds->Lookup("NAM", TNyValue("arj"), "NAME"); }), "Field 'NAME' not found");
  // An integer key compares by its decimal text.
  EXPECT_TRUE(ds->Locate("ROWID", TNyValue(int64_t{9}), {}));
}

TEST(NyDataSet, FieldNamesMatchWithoutRegardToCaseInEveryScript) {
  TMemSet ds({Def("ИМЯ", FT::ftString, 5), Def("Ёлка", FT::ftInteger)});
  ds.Add({});
  ds.Open();
  EXPECT_EQ(ds.FindField("имя"), &ds.Field(0));
  EXPECT_EQ(&ds.FieldByName("ёЛКА"), &ds.Field(1));
  EXPECT_EQ(ds.FindField("имяx"), nullptr);
}

TEST(NyDataSet, FieldConversionsAndNulls) {
  TMemSet ds({Def("NAME", FT::ftString, 5), Def("SIZE", FT::ftInteger), Def("S", FT::ftSmallint),
              Def("F", FT::ftFloat), Def("B", FT::ftBoolean), Def("DT", FT::ftDateTime),
              Def("D", FT::ftDate), Def("T", FT::ftTime), Def("M", FT::ftMemo)});
  ds.Add({});
  ds.Open();
  ds.Edit();
  TNyField& name = ds.FieldByName("NAME");
  TNyField& size = ds.FieldByName("SIZE");
  for (int i = 0; i < ds.FieldCount(); ++i) {
    EXPECT_TRUE(ds.Field(i).IsNull()) << i;
    EXPECT_EQ(ds.Field(i).AsString(), "") << i;
    EXPECT_TRUE(ds.Field(i).Value().IsNull()) << i;
  }
  EXPECT_EQ(size.AsInteger(), 0);
  EXPECT_EQ(ds.FieldByName("F").AsFloat(), 0.0);

  // A size counts characters; a longer text is refused, never cut.
  name.SetAsString("абвгд");  // 10 bytes, 5 letters
  EXPECT_EQ(name.AsString(), "абвгд");
  EXPECT_EQ(ErrorOf([&] { name.SetAsString("abcdef"); }),
            "The text for field 'NAME' is longer than 5 characters");
  EXPECT_EQ(name.AsString(), "абвгд");
  name.SetAsString("");
  EXPECT_TRUE(name.IsNull());
  name.SetAsString("12");
  EXPECT_EQ(name.AsInteger(), 12);
  name.SetAsString("1x");
  EXPECT_EQ(ErrorOf([&] { name.AsInteger(); }), "'1x' is not a valid integer value");

  size.SetAsString("512");
  EXPECT_EQ(size.AsInteger(), 512);
  EXPECT_EQ(size.AsString(), "512");
  EXPECT_EQ(size.Value(), TNyValue(int64_t{512}));
  size.SetAsInteger(-2147483647);
  EXPECT_EQ(size.AsLargeInt(), -2147483647);
  EXPECT_EQ(ErrorOf([&] { size.SetAsString("12abc"); }),
            "'12abc' is not a valid integer value for field 'SIZE'");
  EXPECT_EQ(ErrorOf([&] { size.SetAsString("+-7"); }),
            "'+-7' is not a valid integer value for field 'SIZE'");
  size.SetAsString("+7");
  EXPECT_EQ(size.AsInteger(), 7);
  // Integers are 64-bit; the 32-bit accessor refuses what it cannot hold.
  size.SetAsLargeInt(int64_t{5} << 30);
  EXPECT_EQ(size.AsLargeInt(), int64_t{5} << 30);
  EXPECT_EQ(size.AsString(), "5368709120");
  EXPECT_EQ(ErrorOf([&] { size.AsInteger(); }),
            "5368709120 is not a valid value for field 'SIZE'. The allowed range is -2147483648 "
            "to 2147483647");
  EXPECT_EQ(ErrorOf([&] { ds.FieldByName("S").SetAsInteger(40000); }),
            "40000 is not a valid value for field 'S'. The allowed range is -32768 to 32767");
  EXPECT_EQ(ErrorOf([&] { size.AsBoolean(); }), "Cannot access field 'SIZE' as type Boolean");
  size.SetAsString("");
  EXPECT_TRUE(size.IsNull());
  size.SetValue(TNyValue(int64_t{5}));
  EXPECT_EQ(size.AsInteger(), 5);
  size.Clear();
  EXPECT_TRUE(size.IsNull());

  TNyField& f = ds.FieldByName("F");
  f.SetAsString("3.5");
  EXPECT_EQ(f.AsFloat(), 3.5);
  EXPECT_EQ(f.AsString(), "3.5");
  f.SetAsFloat(1e20);
  EXPECT_EQ(f.AsString(), "1E20");
  f.SetAsFloat(2.5);
  EXPECT_EQ(f.AsInteger(), 3);  // rounded
  EXPECT_EQ(ErrorOf([&] { f.SetAsString("3,5"); }),
            "'3,5' is not a valid floating point value for field 'F'");
  EXPECT_EQ(ErrorOf([&] { f.SetAsString("+-3.5"); }),
            "'+-3.5' is not a valid floating point value for field 'F'");

  TNyField& b = ds.FieldByName("B");
  b.SetAsString("t");
  EXPECT_TRUE(b.AsBoolean());
  EXPECT_EQ(b.AsString(), "True");
  b.SetAsString("FALSE");
  EXPECT_EQ(b.AsString(), "False");
  EXPECT_EQ(ErrorOf([&] { b.SetAsString("yes"); }),
            "'yes' is not a valid boolean value for field 'B'");

  TNyField& dt = ds.FieldByName("DT");
  dt.SetAsString("19.06.2006 20:14:22");
  EXPECT_EQ(dt.AsString(), "19.06.2006 20:14:22");
  EXPECT_NEAR(dt.AsDateTime(), 38887 + (20 * 3600 + 14 * 60 + 22) / 86400.0, 1e-9);
  dt.SetAsDateTime(38887);
  EXPECT_EQ(dt.AsString(), "19.06.2006");  // midnight: the date alone
  EXPECT_EQ(ErrorOf([&] { dt.SetAsString("abc"); }), "'abc' is not a valid date");
  TNyField& d = ds.FieldByName("D");
  d.SetAsDateTime(38887.75);
  EXPECT_EQ(d.AsString(), "19.06.2006");
  EXPECT_EQ(d.AsDateTime(), 38887.0);
  TNyField& t = ds.FieldByName("T");
  t.SetAsString("20:14:22");
  EXPECT_EQ(t.AsString(), "20:14:22");
  EXPECT_EQ(ErrorOf([&] { t.SetAsString("25:00"); }), "'25:00' is not a valid time");

  TNyField& m = ds.FieldByName("M");
  m.SetAsString(std::string("a\0b", 3));
  EXPECT_EQ(m.AsString(), std::string("a\0b", 3));
  EXPECT_EQ(static_cast<TNyMemoField&>(m).BlobSize(), 3);
  ds.Post();
  EXPECT_EQ(ds.rows[0].cells[8].bytes, std::string("a\0b", 3));
  EXPECT_EQ(ds.rows[0].cells[0].bytes, std::string("1x\0", 3));
  EXPECT_EQ(ErrorOf([&] { size.SetAsInteger(1); }), "T1: Dataset not in edit or insert mode");
}

TEST(NyDataSet, PeekReadsOtherRowsWithoutMovingTheCursor) {
  auto ds = Subjects({"A", "B", "C"});
  ds->Open();
  ds->Next();
  TNyDataSource src(ds.get());
  TRecLink link;
  link.SetDataSource(&src);
  link.log.clear();
  {
    TNyRecordPeek peek(*ds, 2);
    EXPECT_TRUE(peek.Found());
    EXPECT_EQ(Nam(*ds), "C");
    EXPECT_EQ(ErrorOf([&] { ds->FieldByName("NAM").SetAsString("x"); }),
              "T1: Dataset not in edit or insert mode");
  }
  EXPECT_EQ(Nam(*ds), "B");
  EXPECT_TRUE(link.log.empty());
  {
    TNyRecordPeek peek(*ds, 3);
    EXPECT_FALSE(peek.Found());
    EXPECT_TRUE(ds->FieldByName("NAM").IsNull());
  }
  // While editing, a peek shows stored rows and the edit survives it.
  ds->Edit();
  ds->FieldByName("NAM").SetAsString("B2");
  {
    TNyRecordPeek peek(*ds, 1);
    EXPECT_EQ(Nam(*ds), "B");
  }
  EXPECT_EQ(ds->State(), TDataSetState::dsEdit);
  EXPECT_EQ(Nam(*ds), "B2");
  ds->Post();
  EXPECT_EQ(ds->Text(1, 0), "B2");
}

TEST(NyValue, TextForms) {
  EXPECT_EQ(TNyValue().AsText(), "");
  EXPECT_EQ(TNyValue(true).AsText(), "True");
  EXPECT_EQ(TNyValue(int64_t{-42}).AsText(), "-42");
  EXPECT_EQ(TNyValue(0.1).AsText(), "0.1");
  EXPECT_EQ(TNyValue(1.5e-7).AsText(), "1.5E-7");
  EXPECT_EQ(TNyValue(123456789012.0).AsText(), "123456789012");
  EXPECT_EQ(TNyValue("x").AsText(), "x");
  EXPECT_EQ(ErrorOf([] { TNyValue(std::vector<TNyValue>{1}).AsText(); }),
            "Invalid variant type conversion");
  EXPECT_EQ(TNyValue(" 12 ").AsInt(), 12);
  EXPECT_EQ(ErrorOf([] { TNyValue("12abc").AsInt(); }), "Invalid variant type conversion");
  EXPECT_EQ(TNyValue("2.5e1").AsFloat(), 25.0);
  EXPECT_EQ(ErrorOf([] { TNyValue("inf").AsFloat(); }), "Invalid variant type conversion");
  EXPECT_TRUE(TNyValue("TRUE").AsBool());
  EXPECT_EQ(FloatToStrPrec(123.456, 2), "1.2E2");
  EXPECT_EQ(FloatToStrPrec(123.456, 0), "1.2E2");  // clamped to 2 digits
}

}  // namespace
}  // namespace ny
