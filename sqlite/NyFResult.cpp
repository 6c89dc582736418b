#include "sqlite/NyFResult.h"

#include <algorithm>
#include <cstring>

namespace ny {

namespace {
constexpr size_t kBlockBytes = size_t{4} << 20;
}

TNyFResult::TNyFResult(int32_t rowSize) : rowSize_(rowSize > 0 ? rowSize : 1) {}

uint8_t* TNyFResult::NewRowMemory() {
  const size_t size = static_cast<size_t>(rowSize_);
  if (blockUsed_ == blockCap_) {
    // Blocks grow from 16 rows to kBlockBytes, so that the many small record sets stay small.
    const size_t largest = std::max<size_t>(1, kBlockBytes / size);
    blockCap_ = blocks_.empty() ? std::min<size_t>(16, largest) : std::min(largest, blockCap_ * 4);
    blocks_.emplace_back(new uint8_t[blockCap_ * size]);
    blockUsed_ = 0;
  }
  return blocks_.back().get() + size * blockUsed_++;
}

TNyFResult::~TNyFResult() = default;

void TNyFResult::AddRow(const uint8_t* bytes) {
  InsertRow(RowCount(), bytes);
}

void TNyFResult::InsertRow(int index, const uint8_t* bytes) {
  uint8_t* row = NewRowMemory();
  std::memcpy(row, bytes, static_cast<size_t>(rowSize_));
  const int32_t id = ++lastId_;
  if (index < 0 || index >= RowCount()) {
    rows_.push_back(row);
    ids_.push_back(id);
    return;
  }
  rows_.insert(rows_.begin() + index, row);
  ids_.insert(ids_.begin() + index, id);
  idsAscending_ = false;
}

void TNyFResult::DeleteRow(int index) {
  if (index < 0 || index >= RowCount()) return;
  rows_.erase(rows_.begin() + index);
  ids_.erase(ids_.begin() + index);
}

uint8_t* TNyFResult::RowAt(int index) {
  return index < 0 || index >= RowCount() ? nullptr : rows_[static_cast<size_t>(index)];
}

const uint8_t* TNyFResult::RowAt(int index) const {
  return index < 0 || index >= RowCount() ? nullptr : rows_[static_cast<size_t>(index)];
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

TNyMemoryStream* TNyFResult::NewBlob() {
  blobs_.push_back(std::make_unique<TNyMemoryStream>());
  return blobs_.back().get();
}

void TNyFResult::AdoptBlob(TNyMemoryStream* stream) {
  if (stream != nullptr) blobs_.emplace_back(stream);
}

}  // namespace ny
