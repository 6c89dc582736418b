// CRC-32 of the zip format: the reflected polynomial 0xEDB88320, register preset to all ones,
// final complement. CRC-32("abc") is 0x352441C2; CRC-32("") is 0.
//
// Table-driven, sixteen bytes per step (slicing-by-16), no processor-specific instructions.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ny {

// Continues a CRC-32 over `size` more bytes at `data` and returns the CRC-32 of everything so
// far. `crc` is the value returned for the preceding bytes, 0 for the first call (so a file is
// summed by chaining calls over its blocks). `data` may be null only when `size` is 0.
uint32_t Crc32Update(uint32_t crc, const void* data, size_t size);

// The CRC-32 of one buffer: Crc32Update(0, data, size).
inline uint32_t Crc32(const void* data, size_t size) {
  return Crc32Update(0, data, size);
}

// A running CRC-32 for data that arrives in pieces.
class TNyCrc32 {
 public:
  void Update(const void* data, size_t size) { value_ = Crc32Update(value_, data, size); }
  // The CRC-32 of every byte given to Update so far (0 when none).
  uint32_t Value() const { return value_; }
  void Reset() { value_ = 0; }

 private:
  uint32_t value_ = 0;
};

}  // namespace ny
