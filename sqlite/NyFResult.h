// TNyFResult: the rows of an open record set, kept in memory.
//
// Every row is one block of RowSize() bytes owned by the store, cut from large blocks of
// memory (a few megabytes each) rather than allocated one by one: a load of a million rows
// then costs a few hundred allocations, and the memory is filled in order (the row layout is the
// record set's: the field slots, then the 4-byte row id and the 1-byte bookmark flag). Beside each
// row the store keeps its id. Ids are issued in ascending order from 0, are unique for the life
// of the store and are never reused; the record set uses them as its bookmarks.
//
// Blob and memo values are byte streams owned by the store. A field slot holds a pointer to
// its stream, so that copying a row or a record buffer copies only the reference and every
// copy sees the same bytes. The streams live until the store goes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sqlite/NyMemoryStream.h"

namespace ny {

class TNyFResult {
 public:
  // Requires rowSize > 0.
  explicit TNyFResult(int32_t rowSize);
  ~TNyFResult();
  TNyFResult(const TNyFResult&) = delete;
  TNyFResult& operator=(const TNyFResult&) = delete;

  int32_t RowSize() const { return rowSize_; }
  int RowCount() const { return static_cast<int>(rows_.size()); }

  // Copies RowSize() bytes from `bytes` into a new last row and gives it the next id.
  void AddRow(const uint8_t* bytes);
  // As AddRow, but the row is put at `index` when 0 <= index <= RowCount(); any other index
  // appends.
  void InsertRow(int index, const uint8_t* bytes);
  // Frees and removes the row and its id; an index out of range does nothing.
  void DeleteRow(int index);

  // The row's bytes, or null when the index is out of range.
  uint8_t* RowAt(int index);
  const uint8_t* RowAt(int index) const;
  // The row's id, or -1 when the index is out of range.
  int32_t RowIdAt(int index) const;
  // The index of the row with that id, or -1.
  int IndexOfRowId(int32_t id) const;

  // ---- blob streams --------------------------------------------------------------------
  // A new empty stream owned by the store.
  TNyMemoryStream* NewBlob();
  // The store takes over a stream made elsewhere (null is ignored).
  void AdoptBlob(TNyMemoryStream* stream);
  size_t BlobCount() const { return blobs_.size(); }

 private:
  int32_t rowSize_;
  uint8_t* NewRowMemory();

  std::vector<uint8_t*> rows_;
  // The blocks rows are cut from; a deleted row's bytes stay in their block until the store
  // goes.
  std::vector<std::unique_ptr<uint8_t[]>> blocks_;
  size_t blockCap_ = 0;   // rows the last block holds
  size_t blockUsed_ = 0;  // rows cut from the last block
  std::vector<int32_t> ids_;
  int32_t lastId_ = -1;
  // True while ids_ is ascending (only appends and deletions so far): id lookups can then
  // bisect instead of scanning.
  bool idsAscending_ = true;
  std::vector<std::unique_ptr<TNyMemoryStream>> blobs_;
};

}  // namespace ny
