#include "archive/ZipReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <new>
#include <optional>

#include "archive/NyCrc32.h"
#include "util/NyApi.h"
#include "util/NyText.h"

namespace ny {

namespace {

constexpr size_t kBlock = 64 * 1024;
constexpr uint64_t kScanTick = 10240;
constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint32_t kMax32 = 0xFFFFFFFFu;
constexpr size_t kZip64LocatorSize = 20;
constexpr size_t kZip64EndSize = 56;
// No file holds 2^63 bytes or more: a size that large is a lie.
constexpr uint64_t kMaxSize = uint64_t{1} << 63;

[[noreturn]] void Fail(const std::string& message) {
  throw EZipError(message);
}

uint64_t Get64(const unsigned char* p) {
  return static_cast<uint64_t>(ZipGet32(p)) | (static_cast<uint64_t>(ZipGet32(p + 4)) << 32);
}

// Stored name bytes as UTF-8 text with '/' separators. `host` is the entry's host (high byte
// of its version made by), or -1 for an entry known from its local header only; '\' is a
// separator in every name that does not come from a Unix host.
std::string DecodeName(std::string_view raw, uint16_t flags, int host) {
  std::string name = DecodeEntryName(raw, (flags & kZipFlagUtf8) != 0,
                                     host >= 0 && ZipHostIsDos(static_cast<unsigned>(host)));
  if (host != static_cast<int>(kZipHostUnix)) std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

void SplitName(const std::string& name, TZipHeaderInfo& h) {
  size_t slash = name.rfind('/');
  if (slash == std::string::npos) {
    h.Directory.clear();
    h.FileName = name;
  } else {
    h.Directory = name.substr(0, slash + 1);
    h.FileName = name.substr(slash + 1);
  }
}

// Takes the 64-bit values of a Zip64 extra block for the fields that hold their all-ones
// marker, in the order the format gives them. Blocks that run past the field are ignored.
// False when a marked field found no value (the real size or offset is unknown).
bool ApplyZip64Extra(std::string_view extra, const TZipHeaderInfo& h, TZipEntry& e,
                     bool hasOffset) {
  const bool marked = h.UncompressedSize == kMax32 || h.CompressedSize == kMax32 ||
                      (hasOffset && h.LocalHeaderOffset == kMax32);
  size_t pos = 0;
  while (pos + 4 <= extra.size()) {
    auto p = reinterpret_cast<const unsigned char*>(extra.data()) + pos;
    uint16_t id = ZipGet16(p);
    size_t len = ZipGet16(p + 2);
    if (pos + 4 + len > extra.size()) return !marked;
    if (id == kZip64ExtraId) {
      const unsigned char* v = p + 4;
      size_t left = len;
      bool complete = true;
      auto take = [&](uint64_t& field) {
        if (left < 8) {
          complete = false;
          return;
        }
        field = Get64(v);
        v += 8;
        left -= 8;
      };
      if (h.UncompressedSize == kMax32) take(e.UncompressedSize);
      if (h.CompressedSize == kMax32) take(e.CompressedSize);
      if (hasOffset && h.LocalHeaderOffset == kMax32) take(e.LocalHeaderOffset);
      return complete;
    }
    pos += 4 + len;
  }
  return !marked;
}

// '*' and '?' wildcard match, iterative with one backtrack point (linear in practice).
bool WildMatch(const std::u32string& pat, const std::u32string& text) {
  size_t p = 0, t = 0, starP = std::u32string::npos, starT = 0;
  while (t < text.size()) {
    if (p < pat.size() && (pat[p] == U'?' || pat[p] == text[t])) {
      ++p;
      ++t;
    } else if (p < pat.size() && pat[p] == U'*') {
      starP = p++;
      starT = t;
    } else if (starP != std::u32string::npos) {
      p = starP + 1;
      t = ++starT;
    } else {
      return false;
    }
  }
  while (p < pat.size() && pat[p] == U'*') ++p;
  return p == pat.size();
}

// A file descriptor closed on every way out.
struct TFd {
  int fd = -1;
  explicit TFd(int f) : fd(f) {}
  ~TFd() {
    if (fd >= 0) close(fd);
  }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
};

}  // namespace

// The archive file opened for reading, with its tail kept in memory: the end record and, as
// a rule, the whole central directory lie there.
struct TZipReader::TSource {
  const std::string& path;
  TFd file{-1};
  uint64_t size = 0;
  uint64_t tailStart = 0;
  std::vector<unsigned char> tail;

  explicit TSource(const std::string& p) : path(p), file(open(p.c_str(), O_RDONLY | O_CLOEXEC)) {
    struct stat st {};
    if (file.fd < 0 || fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode))
      Fail(kZipErrCannotOpen + path);
    size = static_cast<uint64_t>(st.st_size);
  }

  // The n bytes at off where they lie in the tail kept in memory, else null.
  const unsigned char* View(uint64_t off, uint64_t n) const {
    if (tail.empty() || off < tailStart || off > size || n > size - off) return nullptr;
    return tail.data() + (off - tailStart);
  }

  // Reads exactly n bytes at off; false when the file does not hold them (also when it
  // turns out shorter than it was). A read that fails raises "Cannot read file <path>".
  bool ReadAt(uint64_t off, void* dst, size_t n) const {
    if (off > size || n > size - off) return false;
    if (n == 0) return true;
    if (off >= tailStart && !tail.empty()) {
      std::memcpy(dst, tail.data() + (off - tailStart), n);
      return true;
    }
    auto* out = static_cast<unsigned char*>(dst);
    while (n > 0) {
      ssize_t r = pread(file.fd, out, n, static_cast<off_t>(off));
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) Fail(kZipErrCannotRead + path);
      if (r == 0) return false;
      out += r;
      off += static_cast<uint64_t>(r);
      n -= static_cast<size_t>(r);
    }
    return true;
  }

  // Position of the first occurrence of `sig` at or after `from`, if any. The block read last
  // is kept, so that searches that follow one another closely (a scan over many small
  // entries) read each byte of the file about once.
  std::optional<uint64_t> Find(uint64_t from, uint32_t sig) {
    while (from < size && size - from >= 4) {
      if (from < findStart || from - findStart + 4 > findBuf.size()) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(kBlock, size - from));
        findBuf.resize(n);
        findStart = from;
        if (!ReadAt(from, findBuf.data(), n)) {
          findBuf.clear();
          return std::nullopt;
        }
      }
      const size_t n = findBuf.size();
      for (size_t i = static_cast<size_t>(from - findStart); i + 4 <= n; ++i)
        if (findBuf[i] == 'P' && ZipGet32(&findBuf[i]) == sig) return findStart + i;
      from = findStart + n - 3;  // a signature may straddle the end of the block
    }
    return std::nullopt;
  }

 private:
  std::vector<unsigned char> findBuf;
  uint64_t findStart = 0;
};

bool ZipFileNameIsSafe(std::string_view fileName) {
  return !fileName.empty() && fileName != "." && fileName != ".." &&
         fileName.find('\0') == std::string_view::npos &&
         fileName.find('/') == std::string_view::npos;
}

namespace {

bool PatternMatches(const std::string& pattern, std::string_view directory,
                    std::string_view fileName) {
  std::string subject = pattern.find('/') == std::string::npos
                            ? std::string(fileName)
                            : std::string(directory) + std::string(fileName);
  return WildMatch(Utf8CodePoints(AnsiUpper(pattern)), Utf8CodePoints(AnsiUpper(subject)));
}

}  // namespace

bool ZipItemMatches(std::string_view item, std::string_view directory, std::string_view fileName) {
  // The item names the file as the writer stored it.
  const std::string pattern = ZipStoredName(item);
  if (PatternMatches(pattern, directory, fileName)) return true;
  if (pattern.find('\\') == std::string::npos) return false;
  std::string slashed = pattern;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  return PatternMatches(slashed, directory, fileName);
}

void TZipReader::SetZipName(std::string name) {
  zipName_ = std::move(name);
  entries_.clear();
  end_ = TEndCentral();
  scanned_ = false;
}

void TZipReader::Forget() {
  entries_.clear();
  end_ = TEndCentral();
  scanned_ = false;
}

int TZipReader::ReadZip() {
  Forget();
  try {
    TSource in(zipName_);
    ReadDirectory(in);
  } catch (...) {
    entries_.clear();
    throw;
  }
  return Count();
}

void TZipReader::ReadDirectory(TSource& in) {
  if (in.size < kZipEndSize) Fail(kZipErrIncomplete);

  size_t tailLen = static_cast<size_t>(std::min<uint64_t>(in.size, kZipEndSearchSpan));
  std::vector<unsigned char> tail(tailLen);
  if (!in.ReadAt(in.size - tailLen, tail.data(), tailLen)) Fail(kZipErrPremature);
  in.tailStart = in.size - tailLen;
  in.tail = std::move(tail);

  std::optional<size_t> found;
  for (size_t i = tailLen - kZipEndSize + 1; i-- > 0;) {
    if (in.tail[i] == 'P' && ZipGet32(&in.tail[i]) == kZipEndSig) {
      found = i;
      break;
    }
  }
  if (!found) Fail(kZipErrIncomplete);
  const unsigned char* rec = &in.tail[*found];
  DecodeEndCentral(rec, end_);
  // A comment that claims more bytes than the file holds is cut to what is there.
  size_t room = tailLen - *found - kZipEndSize;
  end_.Comment.assign(reinterpret_cast<const char*>(rec + kZipEndSize),
                      std::min<size_t>(end_.CommentLength, room));
  uint64_t count = end_.TotalEntries;
  uint64_t cdOffset = end_.CentralOffset;
  uint64_t endPos = in.tailStart + *found;
  // Zip64: the locator sits right before the end record and points at the larger record,
  // which then holds every field the end record marks with all ones (disk numbers too).
  bool zip64 = false;
  unsigned char loc[kZip64LocatorSize];
  if (endPos >= kZip64LocatorSize && in.ReadAt(endPos - kZip64LocatorSize, loc, sizeof loc) &&
      ZipGet32(loc) == kZip64LocatorSig) {
    if (ZipGet32(loc + 4) != 0 || ZipGet32(loc + 16) > 1) Fail(kZipErrMultiPart);
    unsigned char z[kZip64EndSize];
    if (in.ReadAt(Get64(loc + 8), z, sizeof z) && ZipGet32(z) == kZip64EndSig) {
      zip64 = true;
      if (ZipGet32(z + 16) != 0 || ZipGet32(z + 20) != 0) Fail(kZipErrMultiPart);
      if (end_.TotalEntries == 0xFFFF) count = Get64(z + 32);
      if (end_.CentralOffset == kMax32) cdOffset = Get64(z + 48);
    }
  }
  auto otherDisk = [&](uint16_t disk) { return disk != 0 && !(zip64 && disk == 0xFFFF); };
  if (otherDisk(end_.ThisDisk) || otherDisk(end_.CentralDisk)) Fail(kZipErrMultiPart);
  if (count == 0) return;

  unsigned char sig[4];
  if (in.ReadAt(cdOffset, sig, 4) && ZipGet32(sig) == kZipCentralSig) {
    ReadCentral(in, cdOffset, count);
  } else {
    ScanLocal(in);
  }
}

void TZipReader::ReadCentral(TSource& in, uint64_t offset, uint64_t count) {
  // Every header takes at least its fixed part: a count the rest of the file cannot hold is
  // refused before anything is read or reserved.
  if (count > (in.size - offset) / kZipCentralSize) Fail(kZipErrPremature);
  entries_.reserve(static_cast<size_t>(count));
  uint64_t pos = offset;
  std::vector<unsigned char> var;
  for (uint64_t i = 0; i < count; ++i) {
    unsigned char fixed[kZipCentralSize];
    if (!in.ReadAt(pos, fixed, sizeof fixed)) Fail(kZipErrPremature);
    TZipEntry e;
    TZipHeaderInfo& h = e.Header;
    if (!DecodeCentralHeader(fixed, h)) Fail(kZipErrNotValid);
    size_t varLen = size_t{h.NameLength} + h.ExtraLength + h.CommentLength;
    var.resize(varLen);
    if (!in.ReadAt(pos + kZipCentralSize, var.data(), varLen)) Fail(kZipErrPremature);
    auto text = [&](size_t from, size_t len) {
      return std::string_view(reinterpret_cast<const char*>(var.data()) + from, len);
    };
    SplitName(DecodeName(text(0, h.NameLength), h.Flags, h.VersionMadeBy >> 8), h);
    h.Comment = std::string(text(size_t{h.NameLength} + h.ExtraLength, h.CommentLength));
    e.CompressedSize = h.CompressedSize;
    e.UncompressedSize = h.UncompressedSize;
    e.LocalHeaderOffset = h.LocalHeaderOffset;
    // A size or offset marked as held in a Zip64 field that is not there is unknown.
    if (!ApplyZip64Extra(text(h.NameLength, h.ExtraLength), h, e, true)) Fail(kZipErrNotValid);
    if (e.LocalHeaderOffset > in.size || in.size - e.LocalHeaderOffset < kZipLocalSize)
      Fail(kZipErrNotValid);
    if (e.CompressedSize >= kMaxSize || e.UncompressedSize >= kMaxSize) Fail(kZipErrNotValid);
    entries_.push_back(std::move(e));
    pos += kZipCentralSize + varLen;
  }
  RefuseOverlaps(in);
}

// Each entry owns the bytes from its local header to the end of its data. Entries that share
// bytes (several central headers pointing at one local entry) would let a small archive
// extract without end: such an archive is refused.
void TZipReader::RefuseOverlaps(TSource& in) {
  std::vector<std::pair<uint64_t, uint64_t>> spans;  // [start, end)
  spans.reserve(entries_.size());
  for (const TZipEntry& e : entries_) {
    unsigned char fixed[kZipLocalSize];
    uint64_t header = kZipLocalSize;
    if (in.ReadAt(e.LocalHeaderOffset, fixed, sizeof fixed) && ZipGet32(fixed) == kZipLocalSig) {
      header +=
          ZipGet16(fixed + zip_local::kNameLength) + ZipGet16(fixed + zip_local::kExtraLength);
    }
    spans.emplace_back(e.LocalHeaderOffset, e.LocalHeaderOffset + header + e.CompressedSize);
  }
  std::sort(spans.begin(), spans.end());
  for (size_t i = 1; i < spans.size(); ++i) {
    if (spans[i].first < spans[i - 1].second) Fail(kZipErrOverlap);
  }
}

void TZipReader::ScanLocal(TSource& in) {
  scanned_ = true;
  uint64_t pos = 0;
  uint64_t nextTick = kScanTick;
  auto service = [&](uint64_t reached) {
    if (!doProcessMessages_ || !OnProcessMessages) return;
    while (reached >= nextTick) {
      OnProcessMessages();
      nextTick += kScanTick;
    }
  };
  std::vector<unsigned char> buf(kBlock);
  std::vector<unsigned char> outBuf(kBlock);
  uint64_t searchBudget = 4 * in.size + kBlock;
  uint64_t inflateBudget = 64 * in.size + (uint64_t{1} << 20);
  while (auto at = in.Find(pos, kZipLocalSig)) {
    service(*at);
    uint64_t p = *at;
    unsigned char fixed[kZipLocalSize];
    if (!in.ReadAt(p, fixed, sizeof fixed)) Fail(kZipErrPremature);
    TZipEntry e;
    TZipHeaderInfo& h = e.Header;
    DecodeLocalHeader(fixed, h);
    std::string var(size_t{h.NameLength} + h.ExtraLength, '\0');
    if (!in.ReadAt(p + kZipLocalSize, var.data(), var.size())) Fail(kZipErrPremature);
    SplitName(DecodeName(std::string_view(var).substr(0, h.NameLength), h.Flags, -1), h);
    e.CompressedSize = h.CompressedSize;
    e.UncompressedSize = h.UncompressedSize;
    e.LocalHeaderOffset = p;
    h.LocalHeaderOffset = p > kMax32 ? kMax32 : static_cast<uint32_t>(p);
    std::string_view extra = std::string_view(var).substr(h.NameLength);
    const bool sizesKnown = ApplyZip64Extra(extra, h, e, false);
    bool zip64 = h.CompressedSize == kMax32 || h.UncompressedSize == kMax32;
    uint64_t dataStart = p + kZipLocalSize + var.size();
    uint64_t next = dataStart;
    bool descriptorMissing = false;

    if ((h.Flags & kZipFlagDataDescriptor) == 0) {
      // Sizes marked as held in a Zip64 field that is not there are unknown, and no
      // descriptor follows to tell them.
      if (!sizesKnown || e.CompressedSize >= kMaxSize || e.UncompressedSize >= kMaxSize)
        Fail(kZipErrNotValid);
      next = dataStart + std::min(e.CompressedSize, in.size - dataStart);
    } else {
      // The sizes follow the data, in a descriptor. It is found by its signature: the first
      // one whose compressed size is the distance from the data's start (and, for stored
      // data, whose two sizes agree) ends the data. The searches of one scan share a budget
      // of a few passes over the file, so a file full of such headers stays linear.
      e.CompressedSize = e.UncompressedSize = 0;
      descriptorMissing = true;
      const size_t sizeLen = zip64 ? 8 : 4;
      uint64_t from = dataStart;
      while (searchBudget > 0) {
        auto d = in.Find(from, kZipDataDescriptorSig);
        uint64_t searched = (d ? *d + 4 : in.size) - from;
        searchBudget -= std::min(searchBudget, searched);
        if (!d) break;
        unsigned char dd[16];
        if (in.ReadAt(*d + 8, dd, 2 * sizeLen)) {
          const uint64_t packed = sizeLen == 8 ? Get64(dd) : ZipGet32(dd);
          const uint64_t unpacked = sizeLen == 8 ? Get64(dd + 8) : ZipGet32(dd + 4);
          if (packed == *d - dataStart && (h.Method != kZipMethodStored || unpacked == packed) &&
              unpacked < kMaxSize) {
            e.CompressedSize = packed;
            e.UncompressedSize = unpacked;
            descriptorMissing = false;
            break;
          }
        }
        from = *d + 1;
      }
      // A descriptor without its signature: the Deflate stream itself tells where the data
      // ends. Its output is capped by a budget in proportion to the file's size, so that a
      // small file cannot make the scan inflate gigabytes; past the cap the sizes stay
      // unknown.
      if (descriptorMissing && h.Method == kZipMethodDeflate &&
          (h.Flags & kZipFlagEncrypted) == 0) {
        z_stream zs{};
        if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) Fail(kZipErrNotValid);
        uint64_t inPos = dataStart;
        uint64_t produced = 0;
        int rc = Z_OK;
        while (rc == Z_OK && inPos < in.size && produced <= inflateBudget) {
          size_t n = static_cast<size_t>(std::min<uint64_t>(kBlock, in.size - inPos));
          if (!in.ReadAt(inPos, buf.data(), n)) break;
          zs.next_in = buf.data();
          zs.avail_in = static_cast<uInt>(n);
          do {
            zs.next_out = outBuf.data();
            zs.avail_out = static_cast<uInt>(outBuf.size());
            rc = inflate(&zs, Z_NO_FLUSH);
            produced += outBuf.size() - zs.avail_out;
          } while (rc == Z_OK && zs.avail_in > 0 && produced <= inflateBudget);
          inPos += n - zs.avail_in;
          service(inPos);
        }
        inflateBudget -= std::min(inflateBudget, produced);
        if (rc == Z_STREAM_END) {
          e.CompressedSize = zs.total_in;
          e.UncompressedSize = zs.total_out;
          descriptorMissing = false;
        }
        inflateEnd(&zs);
      }
      next = dataStart + e.CompressedSize;
    }
    // Without a descriptor found, the bytes after the header are no descriptor either: they
    // may well be the next header.
    if ((h.Flags & kZipFlagDataDescriptor) != 0 && !descriptorMissing) {
      unsigned char dd[24];
      size_t sizeLen = zip64 ? 8 : 4;
      uint64_t q = next;
      if (in.ReadAt(q, dd, 4) && ZipGet32(dd) == kZipDataDescriptorSig) q += 4;
      if (in.ReadAt(q, dd, 4 + 2 * sizeLen)) {
        h.Crc32 = ZipGet32(dd);
        next = q + 4 + 2 * sizeLen;
      }
    }
    h.CompressedSize = static_cast<uint32_t>(std::min<uint64_t>(e.CompressedSize, kMax32));
    h.UncompressedSize = static_cast<uint32_t>(std::min<uint64_t>(e.UncompressedSize, kMax32));
    entries_.push_back(std::move(e));
    pos = std::max(next, p + 4);
  }
  service(in.size);
  if (entries_.empty()) Fail(kZipErrNotValid);
}

int TZipReader::UnZip() {
  ReadZip();
  TSource in(zipName_);
  int written = 0;
  for (const TZipEntry& e : entries_) {
    const TZipHeaderInfo& h = e.Header;
    if (!ZipFileNameIsSafe(h.FileName)) continue;
    bool wanted = std::any_of(filesList_.begin(), filesList_.end(), [&](const std::string& item) {
      return ZipItemMatches(item, h.Directory, h.FileName);
    });
    if (wanted && ExtractEntry(in, e)) ++written;
  }
  return written;
}

TZipTestResult TZipReader::TestAll() {
  Forget();
  TSource in(zipName_);
  try {
    ReadDirectory(in);
  } catch (...) {
    entries_.clear();
    throw;
  }
  for (size_t i = 0; i < entries_.size(); ++i) {
    TZipTestResult r = TestOne(in, entries_[i]);
    if (r.Kind != TZipTestResult::Intact) {
      r.Index = static_cast<int>(i);
      return r;
    }
  }
  return {};
}

TZipTestResult TZipReader::TestEntry(int index) {
  const TZipEntry& e = Entry(index);
  TSource in(zipName_);
  TZipTestResult r = TestOne(in, e);
  if (r.Kind != TZipTestResult::Intact) r.Index = index;
  return r;
}

TZipTestResult TZipReader::TestOne(TSource& in, const TZipEntry& e) {
  const TZipHeaderInfo& h = e.Header;
  auto result = [](TZipTestResult::TKind kind, const char* message) {
    TZipTestResult r;
    r.Kind = kind;
    r.Message = message;
    return r;
  };
  auto damaged = [&](const char* message) { return result(TZipTestResult::Damaged, message); };
  if (h.Method != kZipMethodStored && h.Method != kZipMethodDeflate)
    return result(TZipTestResult::Unsupported, kZipMsgUnknownMethod);
  if ((h.Flags & kZipFlagEncrypted) != 0)
    return result(TZipTestResult::Unsupported, kZipMsgEncrypted);

  unsigned char fixed[kZipLocalSize];
  if (!in.ReadAt(e.LocalHeaderOffset, fixed, sizeof fixed) || ZipGet32(fixed) != kZipLocalSig)
    return damaged(kZipErrNotValid);
  const uint64_t dataStart = e.LocalHeaderOffset + kZipLocalSize +
                             ZipGet16(fixed + zip_local::kNameLength) +
                             ZipGet16(fixed + zip_local::kExtraLength);
  if (dataStart > in.size || e.CompressedSize > in.size - dataStart)
    return damaged(kZipErrPremature);
  if (h.Method == kZipMethodStored && e.CompressedSize != e.UncompressedSize)
    return damaged(kZipMsgBadSize);

  // The compressed bytes come straight from the tail kept in memory when they lie there (as
  // all of a small archive does), else in chunks through inBuf_.
  uint64_t inPos = dataStart;
  uint64_t inLeft = e.CompressedSize;
  const unsigned char* whole = in.View(dataStart, e.CompressedSize);
  if (whole == nullptr) inBuf_.resize(kBlock);
  // The next chunk of compressed bytes; 0 when the file turns out shorter than it was.
  auto nextChunk = [&](const unsigned char*& p) -> size_t {
    size_t n = static_cast<size_t>(std::min<uint64_t>(whole != nullptr ? kMax32 : kBlock, inLeft));
    if (whole != nullptr) {
      p = whole + (inPos - dataStart);
    } else {
      if (!in.ReadAt(inPos, inBuf_.data(), n)) return 0;
      p = inBuf_.data();
    }
    inPos += n;
    inLeft -= n;
    return n;
  };

  TNyCrc32 crc;
  if (h.Method == kZipMethodStored) {
    while (inLeft > 0) {
      const unsigned char* p = nullptr;
      const size_t n = nextChunk(p);
      if (n == 0) return damaged(kZipErrPremature);
      crc.Update(p, n);
    }
  } else {
    outBuf_.resize(kBlock);
    z_stream zs{};
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) throw std::bad_alloc();
    struct TEnd {
      z_stream& z;
      ~TEnd() { inflateEnd(&z); }
    } endInflate{zs};
    uint64_t left = e.UncompressedSize;
    for (;;) {
      if (zs.avail_in == 0 && inLeft > 0) {
        const unsigned char* p = nullptr;
        const size_t n = nextChunk(p);
        if (n == 0) return damaged(kZipErrPremature);
        zs.next_in = const_cast<unsigned char*>(p);
        zs.avail_in = static_cast<uInt>(n);
      }
      // Room for one byte more than is left: inflating it proves the data too long.
      const size_t room = static_cast<size_t>(std::min<uint64_t>(outBuf_.size(), left + 1));
      zs.next_out = outBuf_.data();
      zs.avail_out = static_cast<uInt>(room);
      const int rc = inflate(&zs, Z_NO_FLUSH);
      const size_t got = room - zs.avail_out;
      if (got > left) return damaged(kZipMsgBadSize);
      crc.Update(outBuf_.data(), got);
      left -= got;
      if (rc == Z_STREAM_END) break;
      if (rc == Z_MEM_ERROR) throw std::bad_alloc();
      // Z_BUF_ERROR: no progress is possible, every compressed byte is used and the stream
      // has not ended.
      if (rc != Z_OK) return damaged(kZipMsgBadData);
    }
    if (left != 0) return damaged(kZipMsgBadSize);
  }
  if (crc.Value() != h.Crc32) return damaged(kZipMsgBadCrc);
  return {};
}

bool TZipReader::ExtractEntry(TSource& in, const TZipEntry& e) {
  const TZipHeaderInfo& h = e.Header;
  std::string dir = destDir_.empty() ? std::string(".") : DelBackslash(destDir_);
  std::string target = dir + "/" + h.FileName;

  struct stat st {};
  if (lstat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return false;
    std::string question = kZipAskReplace + h.FileName + "?";
    if (!OnAskYesNo || !OnAskYesNo(question, kZipAskReplaceTitle)) return false;
  }
  auto tell = [&](const char* text) {
    if (OnMessage) OnMessage(text, kZipMsgTitle);
  };
  if (h.Method != kZipMethodStored && h.Method != kZipMethodDeflate) {
    tell(kZipMsgUnknownMethod);
    return false;
  }
  if ((h.Flags & kZipFlagEncrypted) != 0) {
    tell(kZipMsgEncrypted);
    return false;
  }

  unsigned char fixed[kZipLocalSize];
  if (!in.ReadAt(e.LocalHeaderOffset, fixed, sizeof fixed) || ZipGet32(fixed) != kZipLocalSig)
    Fail(kZipErrNotValid);
  uint64_t dataStart = e.LocalHeaderOffset + kZipLocalSize +
                       ZipGet16(fixed + zip_local::kNameLength) +
                       ZipGet16(fixed + zip_local::kExtraLength);
  if (dataStart > in.size || e.CompressedSize > in.size - dataStart) Fail(kZipErrPremature);

  // Written under a fresh name in the destination, renamed onto the target when complete.
  std::string temp = dir + "/.vellum-unzip-XXXXXX";
  TFd out(mkostemp(temp.data(), O_CLOEXEC));
  if (out.fd < 0) Fail(kZipErrCannotWrite + target);
  bool done = false;
  struct TRemoveTemp {
    const std::string& path;
    const bool& keep;
    ~TRemoveTemp() {
      if (!keep) unlink(path.c_str());
    }
  } removeTemp{temp, done};

  TNyCrc32 crc;
  uint64_t left = e.UncompressedSize;  // output is never allowed to grow past this
  std::vector<unsigned char> inBuf(kBlock);
  std::vector<unsigned char> outBuf(kBlock);
  uint64_t inPos = dataStart;
  uint64_t inLeft = e.CompressedSize;
  auto emit = [&](const unsigned char* p, size_t n) {
    n = static_cast<size_t>(std::min<uint64_t>(n, left));
    if (!WriteAllFd(out.fd, p, n)) Fail(kZipErrCannotWrite + target);
    crc.Update(p, n);
    left -= n;
  };
  auto readChunk = [&]() {
    size_t n = static_cast<size_t>(std::min<uint64_t>(kBlock, inLeft));
    if (!in.ReadAt(inPos, inBuf.data(), n)) Fail(kZipErrPremature);
    inPos += n;
    inLeft -= n;
    return n;
  };

  if (h.Method == kZipMethodStored) {
    while (inLeft > 0 && left > 0) {
      size_t n = readChunk();
      emit(inBuf.data(), n);
    }
  } else {
    z_stream zs{};
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) Fail(kZipErrCannotWrite + target);
    struct TEnd {
      z_stream& z;
      ~TEnd() { inflateEnd(&z); }
    } endInflate{zs};
    int rc = Z_OK;
    while (rc == Z_OK && left > 0) {
      if (zs.avail_in == 0) {
        if (inLeft == 0) break;
        zs.avail_in = static_cast<uInt>(readChunk());
        zs.next_in = inBuf.data();
      }
      zs.next_out = outBuf.data();
      zs.avail_out = static_cast<uInt>(outBuf.size());
      rc = inflate(&zs, Z_NO_FLUSH);
      emit(outBuf.data(), outBuf.size() - zs.avail_out);
      if (rc == Z_BUF_ERROR && zs.avail_in == 0 && inLeft > 0) rc = Z_OK;
    }
  }

  if (crc.Value() != h.Crc32) {
    // A damaged entry leaves no file behind, also not the one the user agreed to replace.
    unlink(target.c_str());
    return false;
  }
  fchmod(out.fd, 0644);
  time_t mtime = DosDateTimeToUnix(h.DosDateTime);
  struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
  futimens(out.fd, times);
  if (rename(temp.c_str(), target.c_str()) != 0) Fail(kZipErrCannotWrite + target);
  done = true;
  return true;
}

}  // namespace ny
