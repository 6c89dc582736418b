#include "archive/RarHeaders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "archive/NyCrc32.h"
#include "archive/ZipFormat.h"
#include "util/NyText.h"

namespace ny {

namespace {

constexpr uint64_t kMarkerSearchSpan = 2u << 20;
constexpr size_t kRar5MaxHeader = 2u << 20;
constexpr uint64_t kMaxSize = uint64_t{1} << 63;  // no file holds that much

// rar 4 block types and flags.
constexpr unsigned char kRar4Main = 0x73, kRar4File = 0x74, kRar4Service = 0x7a, kRar4End = 0x7b;
constexpr unsigned kRar4MainEncrypted = 0x0080;
constexpr unsigned kRar4LongBlock = 0x8000;  // ADD_SIZE follows the fixed header
constexpr unsigned kRar4Large = 0x0100;      // 64-bit sizes
constexpr unsigned kRar4Unicode = 0x0200;
constexpr size_t kRar4FileFixed = 32;  // the file header up to its name, without 64-bit sizes

// rar 5 header types and flags.
constexpr uint64_t kRar5File = 2, kRar5Crypt = 4, kRar5End = 5;
constexpr uint64_t kRar5HasExtra = 0x1, kRar5HasData = 0x2;
constexpr uint64_t kRar5FileTime = 0x2, kRar5FileCrc = 0x4;

// A file opened for reading, closed on every way out.
class TFile {
 public:
  explicit TFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    struct stat st {};
    if (fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode))
      size_ = static_cast<uint64_t>(st.st_size);
  }
  ~TFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;

  uint64_t Size() const { return size_; }

  // Reads up to n bytes at off into out (fewer at the end of the file); false on an error or
  // when off lies at or past the end.
  bool Read(uint64_t off, size_t n, std::string& out) const {
    out.clear();
    if (off >= size_) return false;
    out.resize(static_cast<size_t>(std::min<uint64_t>(n, size_ - off)));
    size_t got = 0;
    while (got < out.size()) {
      ssize_t r = ::pread(fd_, out.data() + got, out.size() - got, static_cast<off_t>(off + got));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) break;
      got += static_cast<size_t>(r);
    }
    out.resize(got);
    return got > 0;
  }

 private:
  int fd_;
  uint64_t size_ = 0;
};

// Bounded little-endian reads from one header held in a string.
class TCursor {
 public:
  explicit TCursor(std::string_view b) : b_(b) {}
  size_t Pos() const { return pos_; }
  bool Seek(size_t pos) {
    if (pos > b_.size()) return false;
    pos_ = pos;
    return true;
  }
  bool Fixed(size_t n, uint64_t& v) {
    if (n > b_.size() - pos_) return false;
    v = 0;
    for (size_t i = n; i-- > 0;) v = (v << 8) | static_cast<unsigned char>(b_[pos_ + i]);
    pos_ += n;
    return true;
  }
  // A rar 5 variable-length integer: 7 bits a byte, low first, the high bit says more follow.
  bool Vint(uint64_t& v) {
    v = 0;
    for (int shift = 0; shift < 70 && pos_ < b_.size(); shift += 7) {
      auto c = static_cast<unsigned char>(b_[pos_++]);
      if (shift == 63 && (c & 0x7E) != 0) return false;  // more than 64 bits
      v |= static_cast<uint64_t>(c & 0x7F) << shift;
      if ((c & 0x80) == 0) return true;
    }
    return false;
  }
  bool Bytes(size_t n, std::string_view& out) {
    if (n > b_.size() - pos_) return false;
    out = b_.substr(pos_, n);
    pos_ += n;
    return true;
  }

 private:
  std::string_view b_;
  size_t pos_ = 0;
};

std::string CutAtNul(std::string_view s) {
  return std::string(s.substr(0, std::min(s.find('\0'), s.size())));
}

std::string SlashNames(std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

// The Unicode form of a rar 4 name: after the 8-bit name and a NUL, a high byte and then
// groups of four two-bit codes (a flag byte before each group) saying how each UTF-16 unit
// is made: 0 a low byte with high byte 0, 1 a low byte with the stored high byte, 2 both
// bytes, 3 a run copied from the 8-bit name (with a correction added to each byte when the
// run length's high bit is set).
std::u16string DecodeRar4Unicode(std::string_view name8, std::string_view enc) {
  std::u16string out;
  auto at = [&](size_t i) { return static_cast<unsigned char>(enc[i]); };
  auto name = [&](size_t i) -> unsigned {
    return i < name8.size() ? static_cast<unsigned char>(name8[i]) : 0;
  };
  const size_t maxLen = 0x10000;
  size_t pos = 0;
  if (enc.empty()) return out;
  const unsigned high = at(pos++);
  unsigned flags = 0, bits = 0;
  while (pos < enc.size() && out.size() < maxLen) {
    if (bits == 0) {
      flags = at(pos++);
      bits = 8;
      if (pos >= enc.size()) break;
    }
    switch (flags >> 6) {
      case 0:
        out.push_back(static_cast<char16_t>(at(pos++)));
        break;
      case 1:
        out.push_back(static_cast<char16_t>(at(pos++) | (high << 8)));
        break;
      case 2:
        if (pos + 1 >= enc.size()) return out;
        out.push_back(static_cast<char16_t>(at(pos) | (at(pos + 1) << 8)));
        pos += 2;
        break;
      default: {
        unsigned len = at(pos++);
        if ((len & 0x80) != 0) {
          if (pos >= enc.size()) return out;
          const unsigned correction = at(pos++);
          for (len = (len & 0x7F) + 2; len > 0 && out.size() < maxLen; --len) {
            out.push_back(
                static_cast<char16_t>(((name(out.size()) + correction) & 0xFF) | (high << 8)));
          }
        } else {
          for (len += 2; len > 0 && out.size() < maxLen && out.size() < name8.size(); --len)
            out.push_back(static_cast<char16_t>(name(out.size())));
        }
        break;
      }
    }
    flags = (flags << 2) & 0xFF;
    bits -= 2;
  }
  return out;
}

std::string Utf16ToUtf8(const std::u16string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
        s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

// The name of a rar 4 file header: `raw` is the stored name field.
std::string Rar4Name(std::string_view raw, unsigned flags, unsigned host) {
  if ((flags & kRar4Unicode) != 0) {
    const size_t nul = raw.find('\0');
    // Without the NUL the whole field is UTF-8.
    if (nul == std::string_view::npos) return SlashNames(DecodeEntryName(raw, true, false));
    return SlashNames(
        CutAtNul(Utf16ToUtf8(DecodeRar4Unicode(raw.substr(0, nul), raw.substr(nul + 1)))));
  }
  // Hosts 0, 1 and 2 are MS-DOS, OS/2 and Windows: their names are in the OEM code page.
  return SlashNames(DecodeEntryName(raw, false, host <= 2));
}

class TWalker {
 public:
  TWalker(const TFile& f, std::vector<TRarFileHeader>& out) : f_(f), out_(out) {}
  // True when the walk met encrypted headers: nothing can be listed.
  bool Encrypted() const { return encrypted_; }

  void Rar4(uint64_t pos) {
    std::string head;
    while (f_.Read(pos, 7, head) && head.size() == 7) {
      TCursor c(head);
      uint64_t crc = 0, type = 0, flags = 0, size = 0;
      c.Fixed(2, crc);
      c.Fixed(1, type);
      c.Fixed(2, flags);
      c.Fixed(2, size);
      if (size < 7 || !f_.Read(pos, static_cast<size_t>(size), head) || head.size() != size) return;
      if (type == kRar4End) return;
      if (type == kRar4Main && (flags & kRar4MainEncrypted) != 0) {
        encrypted_ = true;
        return;
      }
      c = TCursor(head);
      c.Seek(7);
      uint64_t add = 0;
      const bool file = type == kRar4File || type == kRar4Service;
      if ((file || (flags & kRar4LongBlock) != 0) && !c.Fixed(4, add)) return;
      if (file) {
        if ((Crc32(head.data() + 2, head.size() - 2) & 0xFFFF) != crc) return;
        uint64_t unpacked = 0, host = 0, nameLen = 0, highPack = 0, highUnp = 0;
        if (!c.Fixed(4, unpacked) || !c.Fixed(1, host) || !c.Seek(26) || !c.Fixed(2, nameLen) ||
            !c.Seek(kRar4FileFixed))
          return;
        if ((flags & kRar4Large) != 0 && (!c.Fixed(4, highPack) || !c.Fixed(4, highUnp))) return;
        add |= highPack << 32;
        unpacked |= highUnp << 32;
        std::string_view name;
        if (!c.Bytes(static_cast<size_t>(nameLen), name)) return;
        if (add >= kMaxSize || unpacked >= kMaxSize) return;
        if (type == kRar4File) {
          out_.push_back(
              {add, unpacked,
               Rar4Name(name, static_cast<unsigned>(flags), static_cast<unsigned>(host))});
        }
      }
      if (add > f_.Size() - pos - size) return;  // the data runs past the end of the file
      pos += size + add;
    }
  }

  void Rar5(uint64_t pos) {
    std::string head;
    while (f_.Read(pos, 4 + 3, head) && head.size() > 4) {
      TCursor c(head);
      uint64_t crc = 0, headSize = 0;
      c.Fixed(4, crc);
      if (!c.Vint(headSize) || headSize == 0 || headSize > kRar5MaxHeader) return;
      const size_t sizeLen = c.Pos() - 4;
      const uint64_t whole = 4 + sizeLen + headSize;
      if (whole > f_.Size() - pos || !f_.Read(pos, static_cast<size_t>(whole), head) ||
          head.size() != whole)
        return;
      if (Crc32(head.data() + 4, head.size() - 4) != crc) return;
      c = TCursor(std::string_view(head).substr(4 + sizeLen));
      uint64_t type = 0, flags = 0, extra = 0, data = 0;
      if (!c.Vint(type) || !c.Vint(flags)) return;
      if ((flags & kRar5HasExtra) != 0 && !c.Vint(extra)) return;
      if ((flags & kRar5HasData) != 0 && !c.Vint(data)) return;
      if (type == kRar5Crypt) {
        encrypted_ = true;
        return;
      }
      if (type == kRar5End) return;
      if (type == kRar5File) {
        uint64_t fileFlags = 0, unpacked = 0, attr = 0, skip = 0, method = 0, host = 0, nameLen = 0;
        if (!c.Vint(fileFlags) || !c.Vint(unpacked) || !c.Vint(attr)) return;
        if ((fileFlags & kRar5FileTime) != 0 && !c.Fixed(4, skip)) return;
        if ((fileFlags & kRar5FileCrc) != 0 && !c.Fixed(4, skip)) return;
        std::string_view name;
        if (!c.Vint(method) || !c.Vint(host) || !c.Vint(nameLen) || nameLen > headSize ||
            !c.Bytes(static_cast<size_t>(nameLen), name))
          return;
        if (data >= kMaxSize || unpacked >= kMaxSize) return;
        out_.push_back({data, unpacked, SlashNames(DecodeEntryName(name, true, false))});
      }
      if (data > f_.Size() - pos - whole) return;
      pos += whole + data;
    }
  }

 private:
  const TFile& f_;
  std::vector<TRarFileHeader>& out_;
  bool encrypted_ = false;
};

}  // namespace

std::vector<TRarFileHeader> ReadRarHeaders(std::string_view path) {
  std::vector<TRarFileHeader> files;
  TFile f{std::string(path)};
  std::string start;
  if (!f.Read(0, static_cast<size_t>(kMarkerSearchSpan), start)) return files;
  // The first marker whose headers read wins; a marker-like run inside a self-extractor's
  // program gives nothing and the search goes on.
  static constexpr char kMarker[] = "Rar!\x1a\x07";
  for (size_t at = start.find(kMarker, 0, 6); at != std::string::npos;
       at = start.find(kMarker, at + 1, 6)) {
    const std::string_view rest = std::string_view(start).substr(at + 6);
    TWalker walker(f, files);
    if (rest.size() >= 2 && rest[0] == '\x01' && rest[1] == '\x00') {
      walker.Rar5(at + 8);
    } else if (!rest.empty() && rest[0] == '\x00') {
      walker.Rar4(at + 7);
    } else {
      continue;
    }
    if (walker.Encrypted()) {
      files.clear();
      return files;
    }
    if (!files.empty()) return files;
  }
  return files;
}

}  // namespace ny
