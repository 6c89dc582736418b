#include "archive/NyCrc32.h"

#include <array>
#include <cstring>

namespace ny {
namespace {

constexpr uint32_t kPolynomial = 0xEDB88320u;
constexpr int kSlices = 16;

using TCrcTables = std::array<std::array<uint32_t, 256>, kSlices>;

// tables[0] is the classic byte table; tables[k][b] is the CRC contribution of byte b followed
// by k zero bytes, which lets one step fold sixteen input bytes with sixteen look-ups.
constexpr TCrcTables MakeTables() {
  TCrcTables t{};
  for (uint32_t b = 0; b < 256; ++b) {
    uint32_t c = b;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? (c >> 1) ^ kPolynomial : c >> 1;
    t[0][b] = c;
  }
  for (uint32_t b = 0; b < 256; ++b) {
    for (int k = 1; k < kSlices; ++k) {
      uint32_t prev = t[k - 1][b];
      t[k][b] = (prev >> 8) ^ t[0][prev & 0xFF];
    }
  }
  return t;
}

constexpr TCrcTables kTables = MakeTables();

static_assert(kTables[0][1] == 0x77073096u, "byte table of the reflected polynomial");

inline uint32_t Load32LE(const unsigned char* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  v = __builtin_bswap32(v);
#endif
  return v;
}

}  // namespace

uint32_t Crc32Update(uint32_t crc, const void* data, size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  uint32_t c = ~crc;
  while (size >= kSlices) {
    uint32_t w0 = Load32LE(p) ^ c;
    uint32_t w1 = Load32LE(p + 4);
    uint32_t w2 = Load32LE(p + 8);
    uint32_t w3 = Load32LE(p + 12);
    c = kTables[15][w0 & 0xFF] ^ kTables[14][(w0 >> 8) & 0xFF] ^ kTables[13][(w0 >> 16) & 0xFF] ^
        kTables[12][w0 >> 24] ^ kTables[11][w1 & 0xFF] ^ kTables[10][(w1 >> 8) & 0xFF] ^
        kTables[9][(w1 >> 16) & 0xFF] ^ kTables[8][w1 >> 24] ^ kTables[7][w2 & 0xFF] ^
        kTables[6][(w2 >> 8) & 0xFF] ^ kTables[5][(w2 >> 16) & 0xFF] ^ kTables[4][w2 >> 24] ^
        kTables[3][w3 & 0xFF] ^ kTables[2][(w3 >> 8) & 0xFF] ^ kTables[1][(w3 >> 16) & 0xFF] ^
        kTables[0][w3 >> 24];
    p += kSlices;
    size -= kSlices;
  }
  while (size-- > 0) c = (c >> 8) ^ kTables[0][(c ^ *p++) & 0xFF];
  return ~c;
}

}  // namespace ny
