// The records of the zip container shared by the writer and the reader: the per-entry header
// information, the end-of-directory information, the signatures, and the byte layout of the
// three fixed-size records. Every multi-byte field on disk is little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace ny {

// ---- signatures ------------------------------------------------------------------------
inline constexpr uint32_t kZipLocalSig = 0x04034b50;           // "PK\3\4"
inline constexpr uint32_t kZipCentralSig = 0x02014b50;         // "PK\1\2"
inline constexpr uint32_t kZipEndSig = 0x06054b50;             // "PK\5\6"
inline constexpr uint32_t kZipDataDescriptorSig = 0x08074b50;  // "PK\7\10"
inline constexpr uint32_t kZip64EndSig = 0x06064b50;           // "PK\6\6"
inline constexpr uint32_t kZip64LocatorSig = 0x07064b50;       // "PK\6\7"

// ---- general purpose flag bits ---------------------------------------------------------
inline constexpr uint16_t kZipFlagEncrypted = 0x0001;
inline constexpr uint16_t kZipFlagDeflateMax = 0x0002;   // written for levels 8 and 9
inline constexpr uint16_t kZipFlagDeflateFast = 0x0004;  // written for levels 1 and 2
inline constexpr uint16_t kZipFlagDataDescriptor = 0x0008;
inline constexpr uint16_t kZipFlagUtf8 = 0x0800;  // the stored name is UTF-8

// ---- compression methods ---------------------------------------------------------------
inline constexpr uint16_t kZipMethodStored = 0;
inline constexpr uint16_t kZipMethodDeflate = 8;

// ---- fixed record sizes (without the variable name, extra field and comment) ------------
inline constexpr size_t kZipLocalSize = 30;
inline constexpr size_t kZipCentralSize = 46;
inline constexpr size_t kZipEndSize = 22;
// The backward search for the end record looks at most at this many bytes from the end of the
// file: the record itself plus the longest archive comment (its length field is 16 bits).
inline constexpr size_t kZipEndSearchSpan = 22 + 65535;

// Byte offsets of the fields inside the local file header.
namespace zip_local {
inline constexpr size_t kSig = 0, kVersionNeeded = 4, kFlags = 6, kMethod = 8, kDosDateTime = 10,
                        kCrc32 = 14, kCompressedSize = 18, kUncompressedSize = 22, kNameLength = 26,
                        kExtraLength = 28;
}
// Byte offsets of the fields inside the central directory header.
namespace zip_central {
inline constexpr size_t kSig = 0, kVersionMadeBy = 4, kVersionNeeded = 6, kFlags = 8, kMethod = 10,
                        kDosDateTime = 12, kCrc32 = 16, kCompressedSize = 20,
                        kUncompressedSize = 24, kNameLength = 28, kExtraLength = 30,
                        kCommentLength = 32, kDiskStart = 34, kInternalAttr = 36,
                        kExternalAttr = 38, kLocalHeaderOffset = 42;
}
// Byte offsets of the fields inside the end of central directory record.
namespace zip_end {
inline constexpr size_t kSig = 0, kThisDisk = 4, kCentralDisk = 6, kEntriesThisDisk = 8,
                        kTotalEntries = 10, kCentralSize = 12, kCentralOffset = 16,
                        kCommentLength = 20;
}

// Per-entry header information, as the central directory holds it. The fields keep the
// order of the central header. FileName and Directory are the two halves of the stored name
// (Directory ends with '/' when not empty); Comment is the entry comment.
struct TZipHeaderInfo {
  uint16_t VersionMadeBy = 20;
  uint16_t VersionNeeded = 20;
  uint16_t Flags = 0;
  uint16_t Method = kZipMethodDeflate;
  uint32_t DosDateTime = 0;  // time in the low 16 bits, date in the high 16 bits
  uint32_t Crc32 = 0xFFFFFFFFu;
  uint32_t CompressedSize = 0;
  uint32_t UncompressedSize = 0;
  uint16_t NameLength = 0;
  uint16_t ExtraLength = 0;
  uint16_t CommentLength = 0;
  uint16_t DiskStart = 0;
  uint16_t InternalAttr = 1;
  uint32_t ExternalAttr = 32;
  uint32_t LocalHeaderOffset = 0;
  std::string FileName;
  std::string Directory;
  std::string Comment;
};

// End-of-directory information.
struct TEndCentral {
  uint16_t ThisDisk = 0;
  uint16_t CentralDisk = 0;
  uint16_t EntriesThisDisk = 0;
  uint16_t TotalEntries = 0;
  uint32_t CentralSize = 0;
  uint32_t CentralOffset = 0;
  uint16_t CommentLength = 0;
  std::string Comment;
};

// ---- little-endian fields --------------------------------------------------------------
// The Get functions read from `p`, which must hold at least 2 (4) bytes.
inline uint16_t ZipGet16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t ZipGet32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void ZipPut16(unsigned char* p, uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
inline void ZipPut32(unsigned char* p, uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

// ---- the fixed records as bytes -------------------------------------------------------
// Each Encode function fills exactly the fixed part (kZipLocalSize, kZipCentralSize,
// kZipEndSize bytes) at `out`; the caller appends name, extra field and comment. The length
// fields are taken from the record as they stand.
void EncodeLocalHeader(const TZipHeaderInfo& h, unsigned char* out);
void EncodeCentralHeader(const TZipHeaderInfo& h, unsigned char* out);
void EncodeEndCentral(const TEndCentral& e, unsigned char* out);
// Each Decode function reads the fixed part at `in` (which must hold that many bytes) into
// the numeric fields; the texts are left alone. False when the signature does not match.
bool DecodeLocalHeader(const unsigned char* in, TZipHeaderInfo& h);
bool DecodeCentralHeader(const unsigned char* in, TZipHeaderInfo& h);
bool DecodeEndCentral(const unsigned char* in, TEndCentral& e);

// ---- times and names ------------------------------------------------------------------
// The DOS time and date (time low, date high) of a moment in local time. Moments before
// 1980 give 1980-01-01 00:00:00, moments after 2107 give 2107-12-31 23:59:58; seconds are
// rounded down to even.
uint32_t UnixToDosDateTime(time_t t);
// The moment (local time) of a DOS time and date; fields out of range are normalised the
// way mktime does it.
time_t DosDateTimeToUnix(uint32_t dosDateTime);

// True when every byte of the name is below 0x80; such names are stored without the UTF-8
// flag, all others with it.
bool ZipNameIsAscii(std::string_view name);

// The host of an entry: the high byte of its version made by. MS-DOS (0), NTFS (11) and VFAT
// (14) store names in the OEM code page; Unix (3) names use '/' alone as separator, so a '\'
// in them is part of the name.
inline constexpr unsigned kZipHostDos = 0, kZipHostUnix = 3, kZipHostNtfs = 11, kZipHostVfat = 14;
bool ZipHostIsDos(unsigned host);

// The text of a stored entry name (zip or rar), always well-formed UTF-8, cut at its first NUL
// byte (nothing after a NUL can be part of a file name). `utf8` (the entry says its name is
// UTF-8): taken as it is when it is valid UTF-8. `oemHost` (made on MS-DOS or Windows without
// that mark): decoded from the OEM code page 866, even when the bytes happen to form valid
// UTF-8. Otherwise valid UTF-8 is taken as it is. Anything else is decoded from code page 866.
// Separators are left as they are.
std::string DecodeEntryName(std::string_view raw, bool utf8, bool oemHost);

// The bytes under which a name is stored: UTF-8 as it is; a name that is not valid UTF-8 (a
// Linux file name written on a system set up for Windows-1251) decoded from Windows-1251 to
// UTF-8, so that every tool reads the same name.
std::string ZipStoredName(std::string_view name);

}  // namespace ny
