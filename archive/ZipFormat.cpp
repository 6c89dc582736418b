#include "archive/ZipFormat.h"

#include <algorithm>

#include "util/NyText.h"

namespace ny {

namespace {

// The local and the central header share one run of fields, from the version needed to the
// extra field length; `p` points at its first byte (local offset 4, central offset 6).
constexpr size_t kSharedRun = zip_local::kVersionNeeded;
static_assert(zip_central::kVersionNeeded - zip_local::kVersionNeeded == 2 &&
                  zip_central::kExtraLength - zip_local::kExtraLength == 2,
              "the shared run has the same layout in both headers");

void PutShared(const TZipHeaderInfo& h, unsigned char* p) {
  using namespace zip_local;
  ZipPut16(p + kVersionNeeded - kSharedRun, h.VersionNeeded);
  ZipPut16(p + kFlags - kSharedRun, h.Flags);
  ZipPut16(p + kMethod - kSharedRun, h.Method);
  ZipPut32(p + kDosDateTime - kSharedRun, h.DosDateTime);
  ZipPut32(p + kCrc32 - kSharedRun, h.Crc32);
  ZipPut32(p + kCompressedSize - kSharedRun, h.CompressedSize);
  ZipPut32(p + kUncompressedSize - kSharedRun, h.UncompressedSize);
  ZipPut16(p + kNameLength - kSharedRun, h.NameLength);
  ZipPut16(p + kExtraLength - kSharedRun, h.ExtraLength);
}

void GetShared(const unsigned char* p, TZipHeaderInfo& h) {
  using namespace zip_local;
  h.VersionNeeded = ZipGet16(p + kVersionNeeded - kSharedRun);
  h.Flags = ZipGet16(p + kFlags - kSharedRun);
  h.Method = ZipGet16(p + kMethod - kSharedRun);
  h.DosDateTime = ZipGet32(p + kDosDateTime - kSharedRun);
  h.Crc32 = ZipGet32(p + kCrc32 - kSharedRun);
  h.CompressedSize = ZipGet32(p + kCompressedSize - kSharedRun);
  h.UncompressedSize = ZipGet32(p + kUncompressedSize - kSharedRun);
  h.NameLength = ZipGet16(p + kNameLength - kSharedRun);
  h.ExtraLength = ZipGet16(p + kExtraLength - kSharedRun);
}

}  // namespace

void EncodeLocalHeader(const TZipHeaderInfo& h, unsigned char* out) {
  ZipPut32(out + zip_local::kSig, kZipLocalSig);
  PutShared(h, out + zip_local::kVersionNeeded);
}

void EncodeCentralHeader(const TZipHeaderInfo& h, unsigned char* out) {
  using namespace zip_central;
  ZipPut32(out + kSig, kZipCentralSig);
  ZipPut16(out + kVersionMadeBy, h.VersionMadeBy);
  PutShared(h, out + kVersionNeeded);
  ZipPut16(out + kCommentLength, h.CommentLength);
  ZipPut16(out + kDiskStart, h.DiskStart);
  ZipPut16(out + kInternalAttr, h.InternalAttr);
  ZipPut32(out + kExternalAttr, h.ExternalAttr);
  ZipPut32(out + kLocalHeaderOffset, h.LocalHeaderOffset);
}

void EncodeEndCentral(const TEndCentral& e, unsigned char* out) {
  using namespace zip_end;
  ZipPut32(out + kSig, kZipEndSig);
  ZipPut16(out + kThisDisk, e.ThisDisk);
  ZipPut16(out + kCentralDisk, e.CentralDisk);
  ZipPut16(out + kEntriesThisDisk, e.EntriesThisDisk);
  ZipPut16(out + kTotalEntries, e.TotalEntries);
  ZipPut32(out + kCentralSize, e.CentralSize);
  ZipPut32(out + kCentralOffset, e.CentralOffset);
  ZipPut16(out + kCommentLength, e.CommentLength);
}

bool DecodeLocalHeader(const unsigned char* in, TZipHeaderInfo& h) {
  if (ZipGet32(in + zip_local::kSig) != kZipLocalSig) return false;
  GetShared(in + zip_local::kVersionNeeded, h);
  return true;
}

bool DecodeCentralHeader(const unsigned char* in, TZipHeaderInfo& h) {
  using namespace zip_central;
  if (ZipGet32(in + kSig) != kZipCentralSig) return false;
  h.VersionMadeBy = ZipGet16(in + kVersionMadeBy);
  GetShared(in + kVersionNeeded, h);
  h.CommentLength = ZipGet16(in + kCommentLength);
  h.DiskStart = ZipGet16(in + kDiskStart);
  h.InternalAttr = ZipGet16(in + kInternalAttr);
  h.ExternalAttr = ZipGet32(in + kExternalAttr);
  h.LocalHeaderOffset = ZipGet32(in + kLocalHeaderOffset);
  return true;
}

bool DecodeEndCentral(const unsigned char* in, TEndCentral& e) {
  using namespace zip_end;
  if (ZipGet32(in + kSig) != kZipEndSig) return false;
  e.ThisDisk = ZipGet16(in + kThisDisk);
  e.CentralDisk = ZipGet16(in + kCentralDisk);
  e.EntriesThisDisk = ZipGet16(in + kEntriesThisDisk);
  e.TotalEntries = ZipGet16(in + kTotalEntries);
  e.CentralSize = ZipGet32(in + kCentralSize);
  e.CentralOffset = ZipGet32(in + kCentralOffset);
  e.CommentLength = ZipGet16(in + kCommentLength);
  return true;
}

uint32_t UnixToDosDateTime(time_t t) {
  struct tm tm {};
  if (localtime_r(&t, &tm) == nullptr) return (1u << 5 | 1u) << 16;  // 1980-01-01
  int year = tm.tm_year + 1900;
  if (year < 1980) return (1u << 5 | 1u) << 16;
  if (year > 2107) {
    return ((127u << 9) | (12u << 5) | 31u) << 16 | ((23u << 11) | (59u << 5) | 29u);
  }
  uint32_t date = (static_cast<uint32_t>(year - 1980) << 9) |
                  (static_cast<uint32_t>(tm.tm_mon + 1) << 5) | static_cast<uint32_t>(tm.tm_mday);
  uint32_t time = (static_cast<uint32_t>(tm.tm_hour) << 11) |
                  (static_cast<uint32_t>(tm.tm_min) << 5) | static_cast<uint32_t>(tm.tm_sec / 2);
  return date << 16 | time;
}

time_t DosDateTimeToUnix(uint32_t dosDateTime) {
  uint32_t date = dosDateTime >> 16, time = dosDateTime & 0xFFFF;
  struct tm tm {};
  tm.tm_year = static_cast<int>((date >> 9) & 0x7F) + 80;
  tm.tm_mon = static_cast<int>((date >> 5) & 0x0F) - 1;
  tm.tm_mday = static_cast<int>(date & 0x1F);
  tm.tm_hour = static_cast<int>((time >> 11) & 0x1F);
  tm.tm_min = static_cast<int>((time >> 5) & 0x3F);
  tm.tm_sec = static_cast<int>((time & 0x1F) * 2);
  tm.tm_isdst = -1;
  return mktime(&tm);
}

bool ZipNameIsAscii(std::string_view name) {
  for (unsigned char c : name) {
    if (c >= 0x80) return false;
  }
  return true;
}

bool ZipHostIsDos(unsigned host) {
  return host == kZipHostDos || host == kZipHostNtfs || host == kZipHostVfat;
}

std::string DecodeEntryName(std::string_view raw, bool utf8, bool oemHost) {
  raw = raw.substr(0, std::min(raw.find('\0'), raw.size()));
  if ((utf8 || !oemHost) && IsValidUtf8(raw)) return std::string(raw);
  return ZipNameIsAscii(raw) ? std::string(raw) : DecodeCodePage(raw, 866);
}

std::string ZipStoredName(std::string_view name) {
  return IsValidUtf8(name) ? std::string(name) : DecodeCodePage(name, 1251);
}

}  // namespace ny
