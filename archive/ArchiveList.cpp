#include "archive/ArchiveList.h"

#include <archive.h>
#include <archive_entry.h>
#include <locale.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>

#include "archive/ZipReader.h"
#include "util/NyApi.h"

namespace ny {

namespace {

// libarchive tells the unpacked size of a rar entry but not its packed size. The packed sizes
// are taken from the file headers themselves: a walk over the block chain of a rar 4 or rar 5
// archive that yields the data size of every file header in archive order. Any malformed
// block ends the walk; the i-th size found goes to the i-th entry libarchive reports (an
// entry past the walk's end keeps packed size 0).
class TRarPackedSizes {
 public:
  explicit TRarPackedSizes(std::string_view path) : in_(std::string(path), std::ios::binary) {
    if (!in_) return;
    in_.seekg(0, std::ios::end);
    size_ = static_cast<uint64_t>(std::max<std::streamoff>(0, in_.tellg()));
    // A self-extractor carries its program first; the archive starts at the signature.
    if (!Load(0, kSearchSpan)) return;
    size_t at = win_.find("Rar!\x1a\x07", 0, 6);
    if (at == std::string::npos || !Load(at, 8)) return;
    if (win_.compare(0, 8, "Rar!\x1a\x07\x01\x00", 8) == 0)
      Walk5(at + 8);
    else if (win_.compare(0, 7, "Rar!\x1a\x07\x00", 7) == 0)
      Walk4(at + 7);
  }
  const std::vector<int64_t>& Sizes() const { return sizes_; }

 private:
  static constexpr size_t kSearchSpan = 1 << 20;
  static constexpr size_t kHeaderSpan = 64;  // enough for every field read below

  // Reads up to n bytes at pos into win_ (fewer at the end of the file).
  bool Load(uint64_t pos, size_t n) {
    if (pos >= size_) return false;
    win_.resize(static_cast<size_t>(std::min<uint64_t>(n, size_ - pos)));
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(pos));
    in_.read(win_.data(), static_cast<std::streamsize>(win_.size()));
    return static_cast<size_t>(in_.gcount()) == win_.size();
  }
  uint64_t Le(size_t pos, size_t n) const {
    uint64_t v = 0;
    for (size_t i = n; i-- > 0;) v = (v << 8) | static_cast<unsigned char>(win_[pos + i]);
    return v;
  }
  // A rar 5 variable-length integer at pos of the window; false when it runs past the window
  // or is too long.
  bool Vint(size_t& pos, uint64_t& v) const {
    v = 0;
    for (int shift = 0; shift < 64 && pos < win_.size(); shift += 7) {
      auto b = static_cast<unsigned char>(win_[pos++]);
      v |= static_cast<uint64_t>(b & 0x7F) << shift;
      if ((b & 0x80) == 0) return true;
    }
    return false;
  }
  void Walk4(uint64_t pos) {
    while (Load(pos, kHeaderSpan) && win_.size() >= 7) {
      auto type = static_cast<unsigned char>(win_[2]);
      uint64_t flags = Le(3, 2);
      uint64_t size = Le(5, 2);
      if (size < 7 || type == 0x7b) return;  // broken block, or the end of the archive
      uint64_t add = 0;
      if (type == 0x74) {
        if (win_.size() < 32) return;
        add = Le(7, 4);
        if ((flags & 0x100) != 0) {
          if (win_.size() < 40) return;
          add |= Le(32, 4) << 32;
        }
        sizes_.push_back(static_cast<int64_t>(add));
      } else if ((flags & 0x8000) != 0) {
        if (win_.size() < 11) return;
        add = Le(7, 4);
      }
      if (size + add > size_ - pos) return;
      pos += size + add;
    }
  }
  void Walk5(uint64_t pos) {
    while (Load(pos, kHeaderSpan) && win_.size() > 4) {
      size_t p = 4;  // after the header CRC-32
      uint64_t headSize = 0, type = 0, flags = 0, extra = 0, data = 0;
      if (!Vint(p, headSize) || headSize == 0 || headSize > size_ - pos - p) return;
      uint64_t next = pos + p + headSize;
      if (!Vint(p, type) || !Vint(p, flags)) return;
      if ((flags & 1) != 0 && !Vint(p, extra)) return;
      if ((flags & 2) != 0 && !Vint(p, data)) return;
      if (type == 4 || type == 5) return;  // encrypted headers follow, or the end
      if (type == 2) sizes_.push_back(static_cast<int64_t>(data));
      if (data > size_ - next) return;
      pos = next + data;
    }
  }

  std::ifstream in_;
  uint64_t size_ = 0;
  std::string win_;
  std::vector<int64_t> sizes_;
};

struct TArchiveFree {
  void operator()(archive* a) const { archive_read_free(a); }
};

// libarchive converts stored names through the thread's character type; in the "C" locale
// it cannot turn the Unicode names of a rar archive into text. A UTF-8 locale is put in place
// for this thread only, for as long as the object lives.
class TUtf8Locale {
 public:
  TUtf8Locale() {
    loc_ = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (loc_ != static_cast<locale_t>(0)) old_ = uselocale(loc_);
  }
  ~TUtf8Locale() {
    if (loc_ == static_cast<locale_t>(0)) return;
    uselocale(old_);
    freelocale(loc_);
  }
  TUtf8Locale(const TUtf8Locale&) = delete;
  TUtf8Locale& operator=(const TUtf8Locale&) = delete;

 private:
  locale_t loc_ = static_cast<locale_t>(0);
  locale_t old_ = static_cast<locale_t>(0);
};

}  // namespace

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
  int count = reader.ReadZip();
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
  TUtf8Locale utf8;
  std::unique_ptr<archive, TArchiveFree> a(archive_read_new());
  if (!a) return 0;
  archive_read_support_format_rar(a.get());
  archive_read_support_format_rar5(a.get());
  if (archive_read_open_filename(a.get(), std::string(path).c_str(), 64 * 1024) != ARCHIVE_OK)
    return 0;
  std::vector<TArchiveEntry> list;
  archive_entry* entry = nullptr;
  while (true) {
    int rc = archive_read_next_header(a.get(), &entry);
    if (rc != ARCHIVE_OK && rc != ARCHIVE_WARN) break;
    TArchiveEntry e;
    const char* name = archive_entry_pathname_utf8(entry);
    if (name == nullptr) name = archive_entry_pathname(entry);
    e.EntryName = name != nullptr ? name : "";
    std::replace(e.EntryName.begin(), e.EntryName.end(), '\\', '/');
    e.UnpackedSize = archive_entry_size(entry);
    list.push_back(std::move(e));
    if (archive_read_data_skip(a.get()) == ARCHIVE_FATAL) break;
  }
  if (list.empty()) return 0;
  TRarPackedSizes packed(path);
  const std::vector<int64_t>& sizes = packed.Sizes();
  for (size_t i = 0; i < list.size() && i < sizes.size(); ++i) list[i].PackedSize = sizes[i];
  ArchiveEntries() = std::move(list);
  return static_cast<int>(ArchiveEntries().size());
}

}  // namespace ny
