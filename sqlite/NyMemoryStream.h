// A growable in-memory byte stream: the value of a blob or memo field, owned by its row.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
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
  // Moves the position; a position before the start becomes 0 (one past the end is allowed:
  // a write there fills the gap with zero bytes). Returns the new position.
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
  // Writes `count` bytes at the position, growing the content; returns `count`.
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
  position_ = std::max<int64_t>(0, base + offset);
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
  if (position_ + count > Size()) data_.resize(static_cast<size_t>(position_ + count));
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
