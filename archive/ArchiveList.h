// Listing the entries of an archive: zip archives through the program's own reader, rar
// archives (format 4 and 5) from their block headers. Every listing fills the one shared
// entry list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ny {

class TZipReader;

// One entry as a listing reports it. Sizes are 64 bits wide so that no size is ever misread
// (the catalogue keeps its own 32-bit copy).
struct TArchiveEntry {
  int64_t PackedSize = 0;    // the compressed size
  int64_t UnpackedSize = 0;  // the uncompressed size
  // zip: the file name without any stored directory; rar: the stored path with '/' between
  // directories. UTF-8.
  std::string EntryName;
};

// The list filled by the last listing, in archive order. Its size is the count of entries.
std::vector<TArchiveEntry>& ArchiveEntries();

// Dispatches on the extension of `path`, compared without regard to ASCII case: ".ZIP" ->
// ListZipArchive, ".RAR" -> ListRarArchive. Any other extension returns 0 and leaves
// ArchiveEntries() as it was.
int ListArchive(std::string_view path);

// Reads the zip archive's directory and replaces ArchiveEntries() by its entries; returns the
// count. Raises the reader's EZipError (ArchiveEntries() is then left as it was).
int ListZipArchive(std::string_view path);
// Replaces ArchiveEntries() by the entries of the directory `reader` read last; returns the
// count.
int ListZipEntries(const TZipReader& reader);

// Reads the rar archive's file headers one after the other (ReadRarHeaders) and returns how
// many were read: every file header counts, also when its data is solid, encrypted or cannot
// be decoded. A directory is an entry too; a symbolic link reports its stored size (that of
// its target's name). When at least one header was read, ArchiveEntries() holds exactly those
// entries; when none could be read (no such file, not a rar archive, encrypted headers, a
// broken first header) it returns 0 and leaves ArchiveEntries() as it was. A header that
// cannot be read ends the listing with the entries before it. Never raises.
int ListRarArchive(std::string_view path);

}  // namespace ny
