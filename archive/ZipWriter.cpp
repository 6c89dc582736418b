#include "archive/ZipWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "archive/NyCrc32.h"
#include "util/NyApi.h"

namespace ny {
namespace {

constexpr size_t kIoBlock = 256 * 1024;
constexpr uint64_t kMax32 = 0xFFFFFFFFu;
// The host in the high byte, format version 2.0 in the low byte.
constexpr uint16_t kVersionMadeByNtfs = kZipHostNtfs << 8 | 20;
constexpr uint16_t kVersionMadeByUnix = kZipHostUnix << 8 | 20;

std::string ErrnoText(int err) {
  return std::strerror(err);
}

// Closes a descriptor on every way out.
class TFd {
 public:
  explicit TFd(int fd = -1) : fd_(fd) {}
  ~TFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int Get() const { return fd_; }
  // Closes now; the errno of a failing close, 0 otherwise.
  int Close() {
    int rc = fd_ >= 0 ? ::close(fd_) : 0;
    fd_ = -1;
    return rc == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

bool PWriteAll(int fd, const unsigned char* p, size_t n, off_t at) {
  while (n > 0) {
    ssize_t w = ::pwrite(fd, p, n, at);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    at += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

// Reads up to n bytes; the count read (0 at the end), -1 on error.
ssize_t ReadSome(int fd, unsigned char* p, size_t n) {
  size_t got = 0;
  while (got < n) {
    ssize_t r = ::read(fd, p + got, n - got);
    if (r < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (r == 0) break;
    got += static_cast<size_t>(r);
  }
  return static_cast<ssize_t>(got);
}

// The stored directory of a source: its directory without leading '/' and without empty, "."
// and ".." components, ending with '/' when not empty.
std::string StoredDirectory(const std::string& source) {
  std::string dir;
  size_t slash = source.rfind('/');
  if (slash == std::string::npos) return dir;
  size_t start = 0;
  while (start < slash) {
    size_t end = source.find('/', start);
    if (end == std::string::npos || end > slash) end = slash;
    std::string part = source.substr(start, end - start);
    if (!part.empty() && part != "." && part != "..") dir += part + '/';
    start = end + 1;
  }
  return dir;
}

uint16_t LevelFlags(int level) {
  if (level == 1 || level == 2) return kZipFlagDeflateFast;
  if (level == 8 || level == 9) return kZipFlagDeflateMax;
  return 0;
}

// Removes a file if it is there; the result of ForceDeleteFile.
bool RemoveIfThere(const std::string& name) {
  return ForceDeleteFile(name);
}

}  // namespace

// The archive being built: a buffered descriptor that knows its position and can go back to
// patch bytes already written.
class TZipWriter::TOutput {
 public:
  explicit TOutput(int fd) : fd_(fd) { buf_.reserve(kIoBlock); }

  uint64_t Position() const { return flushed_ + buf_.size(); }

  bool Write(const void* data, size_t n) {
    const auto* p = static_cast<const unsigned char*>(data);
    if (buf_.size() + n > kIoBlock) {
      if (!Flush()) return false;
      if (n >= kIoBlock) {
        if (!WriteAllFd(fd_, p, n)) return Failed();
        flushed_ += n;
        return true;
      }
    }
    buf_.insert(buf_.end(), p, p + n);
    return true;
  }

  // Overwrites n bytes at an earlier position.
  bool WriteAt(uint64_t at, const void* data, size_t n) {
    if (!Flush()) return false;
    if (!PWriteAll(fd_, static_cast<const unsigned char*>(data), n, static_cast<off_t>(at))) {
      return Failed();
    }
    return true;
  }

  bool Flush() {
    if (buf_.empty()) return true;
    if (!WriteAllFd(fd_, buf_.data(), buf_.size())) return Failed();
    flushed_ += buf_.size();
    buf_.clear();
    return true;
  }

  int Error() const { return error_; }

  // Deflate state, kept between entries.
  z_stream* Deflater(int level) {
    if (!zInit_) {
      std::memset(&zs_, 0, sizeof zs_);
      if (deflateInit2(&zs_, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return nullptr;
      }
      zInit_ = true;
    } else if (deflateReset(&zs_) != Z_OK) {
      return nullptr;
    }
    return &zs_;
  }

  ~TOutput() {
    if (zInit_) deflateEnd(&zs_);
  }

  std::vector<unsigned char> in_ = std::vector<unsigned char>(kIoBlock);
  std::vector<unsigned char> out_ = std::vector<unsigned char>(kIoBlock);

 private:
  bool Failed() {
    error_ = errno;
    return false;
  }

  int fd_;
  uint64_t flushed_ = 0;
  int error_ = 0;
  std::vector<unsigned char> buf_;
  z_stream zs_;
  bool zInit_ = false;
};

void TZipWriter::SetCompressionLevel(int level) {
  level_ = std::clamp(level, 0, 9);
}

TZipWriteStatus TZipWriter::Fail(TZipWriteStatus status, std::string text) {
  errorText_ = std::move(text);
  return status;
}

TZipWriteStatus TZipWriter::AddFile(TOutput& out, const std::string& source) {
  // O_NONBLOCK keeps the open of a FIFO from hanging; only regular files are packed.
  TFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (in.Get() < 0) {
    int err = errno;
    return Fail(TZipWriteStatus::zwIoError, "Cannot open " + source + ": " + ErrnoText(err));
  }
  struct stat st {};
  if (::fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    return Fail(TZipWriteStatus::zwBadInput, "Not a plain file: " + source);
  }
  ::fcntl(in.Get(), F_SETFL, ::fcntl(in.Get(), F_GETFL) & ~O_NONBLOCK);

  TZipHeaderInfo h;
  size_t slash = source.rfind('/');
  h.FileName = ZipStoredName(slash == std::string::npos ? source : source.substr(slash + 1));
  if (storePaths_) h.Directory = ZipStoredName(StoredDirectory(source));
  if (h.FileName.empty() || h.FileName == "." || h.FileName == ".." ||
      h.FileName.find('\0') != std::string::npos) {
    return Fail(TZipWriteStatus::zwBadInput, "Unusable file name: " + source);
  }
  const std::string stored = h.Directory + h.FileName;
  if (stored.size() > 0xFFFF) {
    return Fail(TZipWriteStatus::zwBadInput, "File name too long for a zip archive: " + source);
  }
  if (static_cast<uint64_t>(st.st_size) > kMax32) {
    return Fail(TZipWriteStatus::zwBadInput, "File too large for a zip archive: " + source);
  }
  if (out.Position() > kMax32) {
    return Fail(TZipWriteStatus::zwBadInput, "Archive too large: " + zipName_);
  }
  const bool deflate = level_ > 0;
  h.Method = deflate ? kZipMethodDeflate : kZipMethodStored;
  h.Flags = deflate ? LevelFlags(level_) : 0;
  if (!ZipNameIsAscii(stored)) {
    h.Flags |= kZipFlagUtf8;
    h.VersionMadeBy = kVersionMadeByNtfs;
  }
  if (!deflate) h.InternalAttr = 0;
  h.DosDateTime = UnixToDosDateTime(st.st_mtime);
  uint32_t attr = GetFileAttr(source);
  h.ExternalAttr = attr == faInvalid ? 32u : attr;
  if (stored.find('\\') != std::string::npos) {
    // A '\' is an ordinary character of a Linux file name. Only an entry from a Unix host
    // keeps it as part of the name for the readers (unzip, Python, this program's own);
    // from any other host it would be taken for a directory separator. The file mode goes
    // into the high half of the attributes, as Unix hosts keep it.
    h.VersionMadeBy = kVersionMadeByUnix;
    h.ExternalAttr |= static_cast<uint32_t>(st.st_mode & 0xFFFF) << 16;
  }
  h.UncompressedSize = static_cast<uint32_t>(st.st_size);
  h.NameLength = static_cast<uint16_t>(stored.size());
  h.LocalHeaderOffset = static_cast<uint32_t>(out.Position());

  unsigned char fixed[kZipLocalSize];
  EncodeLocalHeader(h, fixed);
  const auto ioFail = [&] {
    return Fail(TZipWriteStatus::zwIoError,
                "Cannot write " + zipName_ + ": " + ErrnoText(out.Error()));
  };
  if (!out.Write(fixed, sizeof fixed) || !out.Write(stored.data(), stored.size())) {
    return ioFail();
  }

  z_stream* zs = nullptr;
  if (deflate && (zs = out.Deflater(level_)) == nullptr) {
    return Fail(TZipWriteStatus::zwIoError, "Cannot start the Deflate compressor");
  }
  TNyCrc32 crc;
  uint64_t readTotal = 0, packedTotal = 0;
  for (bool end = false; !end;) {
    ssize_t got = ReadSome(in.Get(), out.in_.data(), out.in_.size());
    if (got < 0) {
      int err = errno;
      return Fail(TZipWriteStatus::zwIoError, "Cannot read " + source + ": " + ErrnoText(err));
    }
    end = static_cast<size_t>(got) < out.in_.size();
    readTotal += static_cast<uint64_t>(got);
    if (readTotal > kMax32) {
      return Fail(TZipWriteStatus::zwBadInput, "File too large for a zip archive: " + source);
    }
    crc.Update(out.in_.data(), static_cast<size_t>(got));
    if (!deflate) {
      if (!out.Write(out.in_.data(), static_cast<size_t>(got))) return ioFail();
      packedTotal += static_cast<uint64_t>(got);
      continue;
    }
    zs->next_in = out.in_.data();
    zs->avail_in = static_cast<uInt>(got);
    int rc;
    do {
      zs->next_out = out.out_.data();
      zs->avail_out = static_cast<uInt>(out.out_.size());
      rc = ::deflate(zs, end ? Z_FINISH : Z_NO_FLUSH);
      if (rc == Z_STREAM_ERROR) {
        return Fail(TZipWriteStatus::zwIoError, "Deflate failed on " + source);
      }
      size_t n = out.out_.size() - zs->avail_out;
      packedTotal += n;
      if (n > 0 && !out.Write(out.out_.data(), n)) return ioFail();
    } while (zs->avail_out == 0 || (end && rc != Z_STREAM_END));
  }
  if (packedTotal > kMax32) {
    return Fail(TZipWriteStatus::zwBadInput, "File too large for a zip archive: " + source);
  }
  h.Crc32 = crc.Value();
  h.CompressedSize = static_cast<uint32_t>(packedTotal);
  h.UncompressedSize = static_cast<uint32_t>(readTotal);
  EncodeLocalHeader(h, fixed);
  if (!out.WriteAt(h.LocalHeaderOffset, fixed, sizeof fixed)) return ioFail();
  headers_.push_back(std::move(h));
  return TZipWriteStatus::zwOk;
}

TZipWriteStatus TZipWriter::Pack() {
  headers_.clear();
  errorText_.clear();
  std::vector<std::string> sources;
  for (const std::string& f : filesList_) {
    if (FileExistsPlain(f)) sources.push_back(f);
  }
  const auto cleanFail = [&](TZipWriteStatus status) {
    headers_.clear();
    RemoveIfThere(zipName_);
    return status;
  };
  if (zipName_.empty()) {
    return Fail(TZipWriteStatus::zwBadInput, "No archive name given");
  }
  if (sources.empty()) {
    cleanFail(TZipWriteStatus::zwNothingToPack);
    return Fail(TZipWriteStatus::zwNothingToPack, "Nothing to pack");
  }

  // A short sibling name: the archive's own name may already use all 255 bytes a name can
  // have on Linux.
  const size_t slash = zipName_.rfind('/');
  std::string tmpl =
      (slash == std::string::npos ? std::string() : zipName_.substr(0, slash + 1)) + ".vz-XXXXXX";
  TFd fd(::mkostemp(tmpl.data(), O_CLOEXEC));
  if (fd.Get() < 0) {
    int err = errno;
    Fail(TZipWriteStatus::zwIoError, "Cannot create " + zipName_ + ": " + ErrnoText(err));
    return cleanFail(TZipWriteStatus::zwIoError);
  }
  const std::string tmpName = tmpl;
  // Give the archive the mode an ordinary new file gets.
  mode_t mask = ::umask(022);
  ::umask(mask);
  ::fchmod(fd.Get(), 0666 & ~mask);

  TZipWriteStatus status = TZipWriteStatus::zwOk;
  {
    TOutput out(fd.Get());
    for (const std::string& s : sources) {
      status = AddFile(out, s);
      if (status != TZipWriteStatus::zwOk) break;
    }
    if (status == TZipWriteStatus::zwOk && headers_.size() > 0xFFFF) {
      status = Fail(TZipWriteStatus::zwBadInput, "Too many files for a zip archive");
    }
    if (status == TZipWriteStatus::zwOk) {
      TEndCentral end;
      end.CentralOffset = static_cast<uint32_t>(out.Position());
      bool ok = out.Position() <= kMax32;
      for (const TZipHeaderInfo& h : headers_) {
        unsigned char fixed[kZipCentralSize];
        EncodeCentralHeader(h, fixed);
        const std::string stored = h.Directory + h.FileName;
        ok = ok && out.Write(fixed, sizeof fixed) && out.Write(stored.data(), stored.size());
      }
      uint64_t centralSize = out.Position() - end.CentralOffset;
      end.EntriesThisDisk = end.TotalEntries = static_cast<uint16_t>(headers_.size());
      end.CentralSize = static_cast<uint32_t>(centralSize);
      unsigned char fixed[kZipEndSize];
      EncodeEndCentral(end, fixed);
      if (out.Position() > kMax32) {
        status = Fail(TZipWriteStatus::zwBadInput, "Archive too large: " + zipName_);
      } else if (!ok || !out.Write(fixed, sizeof fixed) || !out.Flush()) {
        status = Fail(TZipWriteStatus::zwIoError,
                      "Cannot write " + zipName_ + ": " + ErrnoText(out.Error()));
      }
    }
  }
  if (status == TZipWriteStatus::zwOk) {
    if (int err = fd.Close(); err != 0) {
      status = Fail(TZipWriteStatus::zwIoError, "Cannot write " + zipName_ + ": " + ErrnoText(err));
    } else if (::rename(tmpName.c_str(), zipName_.c_str()) != 0) {
      int e = errno;
      status = Fail(TZipWriteStatus::zwIoError, "Cannot create " + zipName_ + ": " + ErrnoText(e));
    }
  }
  if (status != TZipWriteStatus::zwOk) {
    fd.Close();
    ::unlink(tmpName.c_str());
    return cleanFail(status);
  }
  if (dispose_) {
    for (const std::string& s : sources) ForceDeleteFile(s);
  }
  return status;
}

}  // namespace ny
