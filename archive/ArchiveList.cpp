#include "archive/ArchiveList.h"

#include "archive/RarHeaders.h"
#include "archive/ZipReader.h"
#include "util/NyApi.h"

namespace ny {

std::vector<TArchiveEntry>& ArchiveEntries() {
  static std::vector<TArchiveEntry> entries;
  return entries;
}

int ListArchive(std::string_view path) {
  std::string ext = AsciiUpper(ExtractExt(path));
  if (ext == ".ZIP") return ListZipArchive(path);
  if (ext == ".RAR") return ListRarArchive(path);
  return 0;
}

int ListZipArchive(std::string_view path) {
  TZipReader reader;
  reader.SetZipName(std::string(path));
  reader.ReadZip();
  return ListZipEntries(reader);
}

int ListZipEntries(const TZipReader& reader) {
  const int count = reader.Count();
  std::vector<TArchiveEntry> list;
  list.reserve(static_cast<size_t>(count));
  for (const TZipEntry& e : reader.Entries()) {
    list.push_back({static_cast<int64_t>(e.CompressedSize),
                    static_cast<int64_t>(e.UncompressedSize), e.Header.FileName});
  }
  ArchiveEntries() = std::move(list);
  return count;
}

int ListRarArchive(std::string_view path) {
  std::vector<TRarFileHeader> files = ReadRarHeaders(path);
  if (files.empty()) return 0;
  std::vector<TArchiveEntry> list;
  list.reserve(files.size());
  // The sizes are below 2^63 (ReadRarHeaders lists no larger one).
  for (TRarFileHeader& f : files) {
    list.push_back({static_cast<int64_t>(f.PackedSize), static_cast<int64_t>(f.UnpackedSize),
                    std::move(f.Name)});
  }
  ArchiveEntries() = std::move(list);
  return static_cast<int>(ArchiveEntries().size());
}

}  // namespace ny
