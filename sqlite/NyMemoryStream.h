// A growable in-memory byte stream: the value of a blob or memo field, owned by its row.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

namespace ny {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TNyMemoryStream {
 public:
  TNyMemoryStream() = default;
  explicit TNyMemoryStream(std::string_view bytes) : data_(bytes) {}
  virtual ~TNyMemoryStream() = default;
  TNyMemoryStream(const TNyMemoryStream&) = delete;
  TNyMemoryStream& operator=(const TNyMemoryStream&) = delete;

  int64_t Size() const { return static_cast<int64_t>(data_.size()); }
  int64_t Position() const { return position_; }
  // Moves the position to `offset` from the start, the position or the end; a position
  // before the start becomes 0, one past the end is kept (a later write fills the gap with
  // zero bytes, a read there gives nothing), and a sum beyond the 64-bit range stops at its
  // largest value. Returns the new position.
  int64_t Seek(int64_t offset, TSeekOrigin origin);
  void SetPosition(int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }
  // Cuts or extends (with zero bytes) the content; the position stays, at most the new size.
  void SetSize(int64_t size);
  void Clear() {
    data_.clear();
    position_ = 0;
  }

  // Copies up to `count` bytes from the position on; returns the number copied.
  virtual int64_t Read(void* buffer, int64_t count);
  // Writes `count` bytes at the position, growing the content (a gap before it is filled
  // with zero bytes); returns `count`, or 0 for a count of 0 or less. A write whose end would
  // pass the 64-bit range throws std::length_error, one the memory cannot hold
  // std::bad_alloc; either leaves the content as it was.
  virtual int64_t Write(const void* buffer, int64_t count);
  // Writes the whole content of `source` at the position (the source's position is ignored
  // and left as it is), bypassing a derived class's Write. Returns the number of bytes written.
  int64_t CopyFrom(const TNyMemoryStream& source);

  // The whole content.
  std::string_view Bytes() const { return data_; }

 private:
  std::string data_;
  int64_t position_ = 0;
};

inline int64_t TNyMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == TSeekOrigin::soBeginning ? 0
                 : origin == TSeekOrigin::soCurrent ? position_
                                                    : Size();
  int64_t pos;
  if (__builtin_add_overflow(base, offset, &pos)) pos = offset < 0 ? 0 : INT64_MAX;
  position_ = std::max<int64_t>(0, pos);
  return position_;
}

inline void TNyMemoryStream::SetSize(int64_t size) {
  data_.resize(static_cast<size_t>(std::max<int64_t>(0, size)));
  position_ = std::min(position_, Size());
}

inline int64_t TNyMemoryStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || position_ >= Size()) return 0;
  int64_t n = std::min(count, Size() - position_);
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

inline int64_t TNyMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  int64_t end;
  if (__builtin_add_overflow(position_, count, &end)) throw std::length_error("stream too large");
  if (end > Size()) data_.resize(static_cast<size_t>(end));
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ += count;
  return count;
}

inline int64_t TNyMemoryStream::CopyFrom(const TNyMemoryStream& source) {
  std::string copy(source.Bytes());  // the source may be this stream
  // The plain write: a copy is not a write a derived stream counts.
  return TNyMemoryStream::Write(copy.data(), static_cast<int64_t>(copy.size()));
}

}  // namespace ny
