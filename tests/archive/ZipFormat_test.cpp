#include "archive/ZipFormat.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

TEST(ZipFormat, NewHeaderAndEndRecordDefaults) {
  ny::TZipHeaderInfo h;
  EXPECT_EQ(h.VersionMadeBy, 20);
  EXPECT_EQ(h.VersionNeeded, 20);
  EXPECT_EQ(h.Flags, 0);
  EXPECT_EQ(h.Method, 8);
  EXPECT_EQ(h.DosDateTime, 0u);
  EXPECT_EQ(h.Crc32, 0xFFFFFFFFu);
  EXPECT_EQ(h.CompressedSize | h.UncompressedSize, 0u);
  EXPECT_EQ(h.NameLength | h.ExtraLength | h.CommentLength | h.DiskStart, 0);
  EXPECT_EQ(h.InternalAttr, 1);
  EXPECT_EQ(h.ExternalAttr, 32u);
  EXPECT_EQ(h.LocalHeaderOffset, 0u);
  EXPECT_TRUE(h.FileName.empty() && h.Directory.empty() && h.Comment.empty());
  ny::TEndCentral e;
  EXPECT_EQ(e.ThisDisk | e.CentralDisk | e.EntriesThisDisk | e.TotalEntries, 0);
  EXPECT_EQ(e.CentralSize | e.CentralOffset, 0u);
  EXPECT_EQ(e.CommentLength, 0);
}

// The byte layout of the fixed records, checked against hand-assembled bytes of the published
// format, and read back.
TEST(ZipFormat, FixedRecordsEncodeLittleEndianAndDecodeBack) {
  ny::TZipHeaderInfo h;
  h.VersionMadeBy = 0x031E;
  h.Flags = 0x0802;
  h.DosDateTime = 0x5A3C7B21;
  h.Crc32 = 0x352441C2;
  h.CompressedSize = 0x01020304;
  h.UncompressedSize = 0x0A0B0C0D;
  h.NameLength = 7;
  h.ExtraLength = 0;
  h.CommentLength = 2;
  h.InternalAttr = 0;
  h.ExternalAttr = 0x81A40000;
  h.LocalHeaderOffset = 0x11223344;

  unsigned char local[ny::kZipLocalSize];
  ny::EncodeLocalHeader(h, local);
  const unsigned char wantLocal[ny::kZipLocalSize] = {
      'P',  'K',  3,    4, 20, 0, 0x02, 0x08, 8,    0,    0x21, 0x7B, 0x3C, 0x5A, 0xC2,
      0x41, 0x24, 0x35, 4, 3,  2, 1,    0x0D, 0x0C, 0x0B, 0x0A, 7,    0,    0,    0};
  EXPECT_EQ(0, memcmp(local, wantLocal, sizeof local));

  unsigned char central[ny::kZipCentralSize];
  ny::EncodeCentralHeader(h, central);
  EXPECT_EQ(0, memcmp(central, "PK\1\2\x1E\x03\x14\0", 8));
  EXPECT_EQ(central[32], 2);                                  // comment length
  EXPECT_EQ(0, memcmp(central + 38, "\0\0\xA4\x81", 4));      // external attributes
  EXPECT_EQ(0, memcmp(central + 42, "\x44\x33\x22\x11", 4));  // local header offset

  ny::TZipHeaderInfo back;
  ASSERT_TRUE(ny::DecodeCentralHeader(central, back));
  EXPECT_EQ(back.VersionMadeBy, h.VersionMadeBy);
  EXPECT_EQ(back.Flags, h.Flags);
  EXPECT_EQ(back.DosDateTime, h.DosDateTime);
  EXPECT_EQ(back.Crc32, h.Crc32);
  EXPECT_EQ(back.CompressedSize, h.CompressedSize);
  EXPECT_EQ(back.UncompressedSize, h.UncompressedSize);
  EXPECT_EQ(back.CommentLength, 2);
  EXPECT_EQ(back.InternalAttr, 0);
  EXPECT_EQ(back.ExternalAttr, h.ExternalAttr);
  EXPECT_EQ(back.LocalHeaderOffset, h.LocalHeaderOffset);
  ny::TZipHeaderInfo backLocal;
  ASSERT_TRUE(ny::DecodeLocalHeader(local, backLocal));
  EXPECT_EQ(backLocal.Crc32, h.Crc32);
  EXPECT_EQ(backLocal.NameLength, 7);
  EXPECT_FALSE(ny::DecodeLocalHeader(central, backLocal));  // wrong signature
  EXPECT_FALSE(ny::DecodeCentralHeader(local, back));

  ny::TEndCentral e;
  e.EntriesThisDisk = e.TotalEntries = 1;
  e.CentralSize = 53;
  e.CentralOffset = 0x100;
  unsigned char end[ny::kZipEndSize];
  ny::EncodeEndCentral(e, end);
  const unsigned char wantEnd[ny::kZipEndSize] = {'P', 'K', 5, 6, 0, 0, 0, 0, 1, 0, 1,
                                                  0,   53,  0, 0, 0, 0, 1, 0, 0, 0, 0};
  EXPECT_EQ(0, memcmp(end, wantEnd, sizeof end));
  ny::TEndCentral eback;
  ASSERT_TRUE(ny::DecodeEndCentral(end, eback));
  EXPECT_EQ(eback.TotalEntries, 1);
  EXPECT_EQ(eback.CentralSize, 53u);
  EXPECT_EQ(eback.CentralOffset, 0x100u);
}

TEST(ZipFormat, DosDateTimeRoundTripsAndClampsToItsRange) {
  struct tm tm {};
  tm.tm_year = 2024 - 1900;
  tm.tm_mon = 1;
  tm.tm_mday = 29;
  tm.tm_hour = 23;
  tm.tm_min = 58;
  tm.tm_sec = 31;
  tm.tm_isdst = -1;
  time_t t = mktime(&tm);
  uint32_t dos = ny::UnixToDosDateTime(t);
  EXPECT_EQ(dos >> 16, (44u << 9) | (2u << 5) | 29u);
  EXPECT_EQ(dos & 0xFFFF, (23u << 11) | (58u << 5) | 15u);  // seconds rounded down to even
  EXPECT_EQ(ny::DosDateTimeToUnix(dos), t - 1);
  // Before 1980: the earliest DOS date.
  EXPECT_EQ(ny::UnixToDosDateTime(0), 0x00210000u);
}

TEST(ZipFormat, AsciiNames) {
  EXPECT_TRUE(ny::ZipNameIsAscii("A B.txt"));
  EXPECT_TRUE(ny::ZipNameIsAscii(""));
  EXPECT_FALSE(ny::ZipNameIsAscii("\xD0\x9A\xD0\xBD\xD0\xB8\xD0\xB3\xD0\xB0.txt"));
  EXPECT_FALSE(ny::ZipNameIsAscii("caf\xC3\xA9"));
}

}  // namespace
