#include "archive/NyCrc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

namespace {

TEST(NyCrc32, KnownVectors) {
  EXPECT_EQ(ny::Crc32("", 0), 0u);
  EXPECT_EQ(ny::Crc32(nullptr, 0), 0u);
  EXPECT_EQ(ny::Crc32("abc", 3), 0x352441C2u);
  EXPECT_EQ(ny::Crc32("123456789", 9), 0xCBF43926u);
  const std::string fox = "The quick brown fox jumps over the lazy dog";
  EXPECT_EQ(ny::Crc32(fox.data(), fox.size()), 0x414FA339u);
  // 32 zero bytes and 32 0xFF bytes cover both the table path and the byte tail.
  std::string zeros(32, '\0'), ones(32, '\xFF');
  EXPECT_EQ(ny::Crc32(zeros.data(), zeros.size()), 0x190A55ADu);
  EXPECT_EQ(ny::Crc32(ones.data(), ones.size()), 0xFF6CAB0Bu);
}

// zlib's crc32 is an independent implementation of the same function: every length around the
// sixteen-byte step, every start alignment, and chained pieces must agree with it.
TEST(NyCrc32, AgreesWithZlibOnAllLengthsAlignmentsAndSplits) {
  std::mt19937 rng(12345);
  std::vector<unsigned char> buf(4096 + 64);
  for (auto& b : buf) b = static_cast<unsigned char>(rng());

  for (size_t offset = 0; offset < 16; ++offset) {
    for (size_t len = 0; len <= 80; ++len) {
      uint32_t want = crc32(0, buf.data() + offset, static_cast<uInt>(len));
      ASSERT_EQ(ny::Crc32(buf.data() + offset, len), want) << offset << "/" << len;
    }
  }
  const uint32_t whole = crc32(0, buf.data(), static_cast<uInt>(buf.size()));
  EXPECT_EQ(ny::Crc32(buf.data(), buf.size()), whole);
  for (size_t split : {1u, 7u, 15u, 16u, 17u, 1000u, 4095u}) {
    ny::TNyCrc32 running;
    running.Update(buf.data(), split);
    running.Update(buf.data() + split, buf.size() - split);
    EXPECT_EQ(running.Value(), whole) << split;
  }
  ny::TNyCrc32 running;
  for (unsigned char b : buf) running.Update(&b, 1);
  EXPECT_EQ(running.Value(), whole);
  running.Reset();
  EXPECT_EQ(running.Value(), 0u);
}

}  // namespace
