#include "sqlite/NyFResult.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include <sys/mman.h>

namespace ny {

namespace {
// Blocks grow from 4 KB to 4 MB, so that the many small record sets stay small.
constexpr size_t kFirstBlockBytes = size_t{4} << 10;
constexpr size_t kBlockBytes = size_t{4} << 20;
}  // namespace

TNyFResult::TNyFResult(int32_t rowSize) : rowSize_(rowSize > 0 ? rowSize : 1) {}

TNyFResult::~TNyFResult() = default;

void TNyFResult::TBlockRelease::operator()(uint8_t* p) const {
  if (bytes)
    munmap(p, bytes);
  else
    delete[] p;
}

namespace {
// A block of `bytes`: the large ones mapped with their pages populated at once, since one
// mapping call that fills a block costs far less than a page fault for each of its pages.
uint8_t* NewBlock(size_t bytes, size_t& mapped) {
  mapped = 0;
  if (bytes >= kBlockBytes) {
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (p != MAP_FAILED) {
      mapped = bytes;
      return static_cast<uint8_t*>(p);
    }
  }
  return new uint8_t[bytes];
}
}  // namespace

uint8_t* TNyFResult::NewRowMemory(size_t size) {
  if (size == 0) size = 1;  // every row has an address of its own
  if (blocks_.empty() || blockCap_ - blockUsed_ < size) {
    size_t cap = blocks_.empty() ? kFirstBlockBytes : std::min(kBlockBytes, blockCap_ * 4);
    size_t mapped = 0;
    if (cap < size) {
      // A row larger than a block gets a block of its own; the last block stays the one rows
      // are cut from.
      uint8_t* p = NewBlock(size, mapped);
      blocks_.insert(blocks_.begin(),
                     std::unique_ptr<uint8_t[], TBlockRelease>(p, TBlockRelease{mapped}));
      return p;
    }
    uint8_t* p = NewBlock(cap, mapped);
    blocks_.emplace_back(p, TBlockRelease{mapped});
    blockCap_ = cap;
    blockUsed_ = 0;
  }
  uint8_t* p = blocks_.back().get() + blockUsed_;
  blockUsed_ += size;
  return p;
}

void TNyFResult::InsertRow(int index, const uint8_t* bytes, size_t size) {
  if (size > UINT32_MAX) throw std::length_error("row too large");
  uint8_t* row = NewRowMemory(size);
  if (size) std::memcpy(row, bytes, size);
  const int32_t id = ++lastId_;
  if (index < 0 || index >= RowCount()) {
    rows_.push_back(row);
    lengths_.push_back(static_cast<uint32_t>(size));
    ids_.push_back(id);
    return;
  }
  rows_.insert(rows_.begin() + index, row);
  lengths_.insert(lengths_.begin() + index, static_cast<uint32_t>(size));
  ids_.insert(ids_.begin() + index, id);
  idsAscending_ = false;
}

uint8_t* TNyFResult::AppendRow(size_t size) {
  if (size > UINT32_MAX) throw std::length_error("row too large");
  uint8_t* row = NewRowMemory(size);
  rows_.push_back(row);
  lengths_.push_back(static_cast<uint32_t>(size));
  ids_.push_back(++lastId_);
  return row;
}

bool TNyFResult::ReplaceRow(int index, const uint8_t* bytes, size_t size) {
  if (index < 0 || index >= RowCount()) return false;
  if (size > UINT32_MAX) throw std::length_error("row too large");
  const size_t i = static_cast<size_t>(index);
  uint8_t* row = size <= lengths_[i] ? rows_[i] : NewRowMemory(size);
  if (size) std::memmove(row, bytes, size);
  rows_[i] = row;
  lengths_[i] = static_cast<uint32_t>(size);
  return true;
}

void TNyFResult::DeleteRow(int index) {
  if (index < 0 || index >= RowCount()) return;
  rows_.erase(rows_.begin() + index);
  lengths_.erase(lengths_.begin() + index);
  ids_.erase(ids_.begin() + index);
}

uint8_t* TNyFResult::RowAt(int index) {
  return index < 0 || index >= RowCount() ? nullptr : rows_[static_cast<size_t>(index)];
}

const uint8_t* TNyFResult::RowAt(int index) const {
  return index < 0 || index >= RowCount() ? nullptr : rows_[static_cast<size_t>(index)];
}

size_t TNyFResult::RowLength(int index) const {
  return index < 0 || index >= RowCount() ? 0 : lengths_[static_cast<size_t>(index)];
}

int32_t TNyFResult::RowIdAt(int index) const {
  return index < 0 || index >= RowCount() ? -1 : ids_[static_cast<size_t>(index)];
}

int TNyFResult::IndexOfRowId(int32_t id) const {
  if (idsAscending_) {
    auto it = std::lower_bound(ids_.begin(), ids_.end(), id);
    return it != ids_.end() && *it == id ? static_cast<int>(it - ids_.begin()) : -1;
  }
  auto it = std::find(ids_.begin(), ids_.end(), id);
  return it == ids_.end() ? -1 : static_cast<int>(it - ids_.begin());
}

TNyMemoryStream* TNyFResult::NewBlob(std::string_view bytes) {
  blobs_.push_back(std::make_unique<TNyMemoryStream>(bytes));
  return blobs_.back().get();
}

void TNyFResult::AdoptBlob(TNyMemoryStream* stream) {
  if (stream != nullptr) blobs_.emplace_back(stream);
}

}  // namespace ny
