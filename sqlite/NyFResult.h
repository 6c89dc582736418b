// TNyFResult: the rows of an open record set, kept in memory.
//
// A row is a run of bytes of its own length (the record set stores each row encoded, see
// sqlite/NyRowCodec.h), cut from large blocks of memory (up to a few megabytes each) rather
// than allocated one by one: a load of a million rows then costs a few hundred allocations,
// and the memory is filled in order. Beside each row the store keeps its length and its id.
// Ids are issued in ascending order from 0, are unique for the life of the store and are never
// reused; the record set uses them as its bookmarks.
//
// Blob and memo values are byte streams owned by the store. A row refers to a stream by its
// pointer, so that copying a row or a record buffer copies only the reference. The streams
// live until the store goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sqlite/NyMemoryStream.h"

namespace ny {

class TNyFResult {
 public:
  // `rowSize`: the bytes the fixed-length AddRow and InsertRow copy (a value below 1 is taken
  // as 1).
  explicit TNyFResult(int32_t rowSize);
  ~TNyFResult();
  TNyFResult(const TNyFResult&) = delete;
  TNyFResult& operator=(const TNyFResult&) = delete;

  int32_t RowSize() const { return rowSize_; }
  int RowCount() const { return static_cast<int>(rows_.size()); }

  // Copies RowSize() bytes from `bytes` into a new last row and gives it the next id.
  void AddRow(const uint8_t* bytes) { AddRow(bytes, static_cast<size_t>(rowSize_)); }
  // As AddRow, but the row is put at `index` when 0 <= index <= RowCount(); any other index
  // appends.
  void InsertRow(int index, const uint8_t* bytes) {
    InsertRow(index, bytes, static_cast<size_t>(rowSize_));
  }
  // The same for a row of `size` bytes (size < 2^32).
  void AddRow(const uint8_t* bytes, size_t size) { InsertRow(RowCount(), bytes, size); }
  void InsertRow(int index, const uint8_t* bytes, size_t size);
  // A new last row of `size` bytes with the next id, for the caller to fill at once; its
  // memory (returned) holds no defined bytes before that.
  uint8_t* AppendRow(size_t size);
  // Replaces the bytes of row `index` (its id stays): in place when `size` is at most the
  // row's length, else in new memory of the store. False (nothing changes) when the index is
  // out of range.
  bool ReplaceRow(int index, const uint8_t* bytes, size_t size);
  // Removes the row and its id; an index out of range does nothing. The row's bytes stay in
  // their block until the store goes.
  void DeleteRow(int index);

  // The row's bytes, or null when the index is out of range.
  uint8_t* RowAt(int index);
  const uint8_t* RowAt(int index) const;
  // The row's length in bytes, 0 when the index is out of range.
  size_t RowLength(int index) const;
  // The row's id, or -1 when the index is out of range.
  int32_t RowIdAt(int index) const;
  // The index of the row with that id, or -1.
  int IndexOfRowId(int32_t id) const;

  // ---- blob streams --------------------------------------------------------------------
  // A new stream owned by the store, holding `bytes`.
  TNyMemoryStream* NewBlob(std::string_view bytes = {});
  // The store takes over a stream made elsewhere (null is ignored).
  void AdoptBlob(TNyMemoryStream* stream);
  size_t BlobCount() const { return blobs_.size(); }

 private:
  uint8_t* NewRowMemory(size_t size);

  int32_t rowSize_;
  std::vector<uint8_t*> rows_;
  std::vector<uint32_t> lengths_;
  // The blocks rows are cut from.
  // Each block's memory, released by its deleter (large blocks are mapped, see NewRowMemory).
  struct TBlockRelease {
    size_t bytes = 0;
    void operator()(uint8_t* p) const;
  };
  std::vector<std::unique_ptr<uint8_t[], TBlockRelease>> blocks_;
  size_t blockCap_ = 0;   // bytes of the last block
  size_t blockUsed_ = 0;  // bytes cut from the last block
  std::vector<int32_t> ids_;
  int32_t lastId_ = -1;
  // True while ids_ is ascending (only appends and deletions so far): id lookups can then
  // bisect instead of scanning.
  bool idsAscending_ = true;
  std::vector<std::unique_ptr<TNyMemoryStream>> blobs_;
};

}  // namespace ny
