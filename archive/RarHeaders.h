// The file headers of a rar archive, read from its block chain without decoding any data.
//
// Both layouts are read: rar 4 (marker "Rar!\x1a\x07\x00", fixed little-endian fields, a 16-bit
// header CRC) and rar 5 (marker "Rar!\x1a\x07\x01\x00", variable-length integers, a 32-bit
// header CRC). Because no data is decoded, every file header counts, also those of solid or
// encrypted data. A self-extractor is read from the first marker within its first 2 MiB.
//
// The walk is bounded by the file: each header is read whole (at most 64 KiB for rar 4, 2 MiB
// for rar 5) and checked against its CRC and against the size of the file before anything in
// it is used; the data of an entry is skipped by its stated size, never read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ny {

struct TRarFileHeader {
  uint64_t PackedSize = 0;    // the size of the entry's data in the archive
  uint64_t UnpackedSize = 0;  // the stored unpacked size (for a symbolic link: its target's)
  // The stored path, UTF-8, with '/' between directories: rar 5 names are UTF-8; a rar 4
  // Unicode name is decoded from its UTF-16 form; any other rar 4 name is taken as UTF-8 when
  // it is valid UTF-8 and made on a Unix-like host, else decoded from the OEM code page 866.
  // A name is cut at a NUL byte.
  std::string Name;
};

// Every file header of the rar archive at `path` before the walk ended, in archive order;
// empty when the file is no rar archive (no marker, missing, unreadable) or its headers are
// encrypted. The walk ends at the end block, at the end of the file, at a header that is cut
// short, fails its CRC, holds a field that runs past the header or states a size of 2^63 or
// more (that header is not listed), at an encryption header, or after a file header whose
// data runs past the end of the file (that one is listed). Never raises.
std::vector<TRarFileHeader> ReadRarHeaders(std::string_view path);

}  // namespace ny
