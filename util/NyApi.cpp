#include "util/NyApi.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utf8proc.h>

#include <charconv>
#include <climits>
#include <cstring>
#include <string>

#include "util/NyText.h"

namespace ny {

namespace {

constexpr size_t kMaxPath = 255;

std::string Z(std::string_view s) {
  return std::string(s);
}

// Maps every code point of `s` through `map`; bytes that are not UTF-8 are copied as they are.
template <typename Map>
std::string MapCase(std::string_view s, Map map) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const TUtf8Char c = Utf8Next(s, i);
    if (c.Len == 0) {
      out.push_back(s[i++]);
      continue;
    }
    AppendUtf8(out, static_cast<char32_t>(map(static_cast<utf8proc_int32_t>(c.Cp))));
    i += c.Len;
  }
  return out;
}

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

char AsciiLowerChar(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The limit counts characters, not bytes: a Cyrillic name takes two bytes a letter.
std::string Cut255(std::string_view path) {
  return Utf8Prefix(path, kMaxPath);
}

// The directory part (with its '/') and the name of a path of any length. The file functions
// work on whole paths; only the four splitting functions have the 255-character limit.
std::string WholeDir(std::string_view path) {
  const size_t slash = path.rfind(PathDelim);
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string WholeName(std::string_view path) {
  const size_t slash = path.rfind(PathDelim);
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool StatOf(std::string_view name, struct stat& st) {
  if (name.empty()) return false;
  return ::stat(Z(name).c_str(), &st) == 0;
}

}  // namespace

// ---- strings ---------------------------------------------------------------------------

std::string Int64ToStr(int64_t value) {
  return std::to_string(value);
}

std::string AnsiUpper(std::string_view s) {
  return MapCase(s, [](utf8proc_int32_t c) { return utf8proc_toupper(c); });
}

std::string AnsiLower(std::string_view s) {
  return MapCase(s, [](utf8proc_int32_t c) { return utf8proc_tolower(c); });
}

bool SameText(std::string_view a, std::string_view b) {
  if (IsAscii(a) && IsAscii(b)) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
      if (AsciiLowerChar(a[i]) != AsciiLowerChar(b[i])) return false;
    }
    return true;
  }
  return AnsiLower(a) == AnsiLower(b);
}

std::string FoldedText(std::string_view s) {
  if (!IsAscii(s)) return AnsiLower(s);
  std::string out(s);
  for (char& c : out) c = AsciiLowerChar(c);
  return out;
}

bool ParseDecimalInt(std::string_view text, int64_t& value) {
  std::string_view t = text;
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  if (t.empty() || t.front() == '+' || (text.front() == '+' && t.front() == '-')) return false;
  int64_t v = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec != std::errc() || end != t.data() + t.size()) return false;
  value = v;
  return true;
}

std::string AsciiUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string TrimCtl(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return std::string(s.substr(b, e - b));
}

std::string IfElseStr(bool flag, std::string_view yes, std::string_view no) {
  return std::string(flag ? yes : no);
}

// ---- paths -----------------------------------------------------------------------------

namespace {

std::string ExtOf(std::string_view p) {
  const size_t dot = p.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return {};
  const size_t slash = p.rfind(PathDelim);
  if (slash != std::string_view::npos && slash > dot) return {};
  return std::string(p.substr(dot));
}

std::string ChangeExtOf(std::string p, std::string_view ext) {
  p.resize(p.size() - ExtOf(p).size());
  p.append(ext);
  return p;
}

}  // namespace

std::string ExtractDir(std::string_view path) {
  return WholeDir(Cut255(path));
}

std::string ExtractName(std::string_view path) {
  return WholeName(Cut255(path));
}

std::string ExtractExt(std::string_view path) {
  return ExtOf(Cut255(path));
}

std::string ChangeExt(std::string_view path, std::string_view ext) {
  return Cut255(ChangeExtOf(Cut255(path), ext));
}

std::string ExtractDirWhole(std::string_view path) {
  return WholeDir(path);
}

std::string ExtractNameWhole(std::string_view path) {
  return WholeName(path);
}

std::string ChangeExtWhole(std::string_view path, std::string_view ext) {
  return ChangeExtOf(std::string(path), ext);
}

std::string AddBackslash(std::string_view path) {
  std::string p(path);
  if (!p.empty() && p.back() != PathDelim) p.push_back(PathDelim);
  return p;
}

std::string DelBackslash(std::string_view path) {
  std::string p(path);
  if (!p.empty() && p.back() == PathDelim) p.pop_back();
  return p;
}

namespace {

// The private directory of user `uid` under `base` (ending with '/'): the first of
// "vellum-<uid>", "vellum-<uid>-1" .. "-9" that is a real directory (not a symlink) owned by
// that user, or that could be made as one. A name taken by anything else (a user's own file or
// link, another user's directory) is left alone: nothing is ever removed here. When all ten
// are taken, a fresh mkdtemp directory. "" when `base` can hold none of them.
std::string PrivateDirUnder(const std::string& base, uid_t uid) {
  const std::string stem = base + "vellum-" + std::to_string(uid);
  for (int i = 0; i < 10; ++i) {
    const std::string dir = i == 0 ? stem : stem + "-" + std::to_string(i);
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return {};
    struct stat st;
    if (::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == uid) {
      ::chmod(dir.c_str(), 0700);
      return dir + "/";
    }
  }
  // A fresh private directory, made once per process and base.
  static std::string fallbackBase, fallback;
  if (fallbackBase != base || fallback.empty()) {
    std::string templ = stem + "-XXXXXX";
    if (::mkdtemp(templ.data()) == nullptr) return {};
    fallbackBase = base;
    fallback = templ + "/";
  }
  return fallback;
}

}  // namespace

std::string GetTempDirUnder(std::string_view base, unsigned uid) {
  if (base.empty()) return {};
  return PrivateDirUnder(AddBackslash(base), static_cast<uid_t>(uid));
}

std::string GetTempDir() {
  // $TMPDIR when it names a usable place, else /tmp: an empty result would make callers write
  // their fixed names into the current directory.
  const char* env = ::getenv("TMPDIR");
  if (env != nullptr && env[0] == '/') {
    std::string dir = PrivateDirUnder(AddBackslash(env), ::getuid());
    if (!dir.empty()) return dir;
  }
  return PrivateDirUnder("/tmp/", ::getuid());
}

std::string GetProgramFile() {
  char buf[PATH_MAX + 1];
  ssize_t n = ::readlink("/proc/self/exe", buf, PATH_MAX);
  if (n <= 0) return {};
  return std::string(buf, static_cast<size_t>(n));
}

std::string GetProgramDir() {
  const std::string exe = GetProgramFile();
  const size_t slash = exe.rfind(PathDelim);
  return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}

std::string InstalledShareDir(std::string_view programDir) {
  const std::string dir = AddBackslash(programDir);
  constexpr std::string_view kBin = "/bin/";
  if (dir.size() < kBin.size() || dir.compare(dir.size() - kBin.size(), kBin.size(), kBin) != 0) {
    return {};
  }
  const std::string share = dir.substr(0, dir.size() - 4) + "share/vellum/";
  return DirExists(share) ? share : std::string();
}

std::string UserConfigDir() {
  const char* x = std::getenv("XDG_CONFIG_HOME");
  if (x != nullptr && x[0] == '/') return AddBackslash(x) + "vellum/";
  const char* h = std::getenv("HOME");
  if (h != nullptr && h[0] == '/') return AddBackslash(h) + ".config/vellum/";
  return "";
}

// ---- files -----------------------------------------------------------------------------

bool WriteAllFd(int fd, const void* data, size_t n) {
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    const ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

bool FileExistsPlain(std::string_view name) {
  struct stat st;
  return StatOf(name, st) && !S_ISDIR(st.st_mode);
}

bool DirExists(std::string_view name) {
  struct stat st;
  return StatOf(name, st) && S_ISDIR(st.st_mode);
}

int64_t GetFileSize64(std::string_view name) {
  struct stat st;
  if (!StatOf(name, st)) return 0;
  return static_cast<int64_t>(st.st_size);
}

uint32_t GetFileAttr(std::string_view name) {
  struct stat st;
  if (!StatOf(name, st)) return faInvalid;
  uint32_t attr = 0;
  if (S_ISDIR(st.st_mode)) attr |= faDirectory;
  if ((st.st_mode & S_IWUSR) == 0) attr |= faReadOnly;
  const std::string base = WholeName(DelBackslash(name));
  if (!base.empty() && base[0] == '.' && base != "." && base != "..") attr |= faHidden;
  if (attr == 0) attr = faNormal;
  return attr;
}

int SetFileAttr(std::string_view name, uint32_t attr) {
  struct stat st;
  if (name.empty()) return ENOENT;
  if (::stat(Z(name).c_str(), &st) != 0) return errno;
  mode_t mode = st.st_mode & 07777;
  if ((attr & faReadOnly) != 0) {
    mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
  } else {
    mode |= S_IWUSR;
  }
  if (::chmod(Z(name).c_str(), mode) != 0) return errno;
  return 0;
}

bool ForceDeleteFile(std::string_view name) {
  if (!FileExistsPlain(name)) return true;
  const std::string n(name);
  struct stat lst;
  if (::lstat(n.c_str(), &lst) != 0) return false;
  // A symbolic link is removed as a link: never change the mode of what it points to.
  if (!S_ISLNK(lst.st_mode)) {
    const uint32_t attr = GetFileAttr(n);
    if (attr == faInvalid) return false;
    if (SetFileAttr(n, attr & ~static_cast<uint32_t>(0x27)) != 0) return false;
  }
  return ::unlink(n.c_str()) == 0;
}

namespace {

// True when both names reach the same file.
bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// The steps CopyFileTo and MoveFileTo share before the data moves: the source exists, the
// target directory exists (made when asked), the target is not the source and is cleared.
bool PrepareTarget(const std::string& source, const std::string& target, bool createDirs) {
  if (!FileExistsPlain(source)) return false;
  const std::string dir = WholeDir(target);
  if (!dir.empty() && !DirExists(dir) && createDirs) ForceDirs(dir);
  if (!dir.empty() && !DirExists(dir)) return false;
  if (SameFile(source, target)) return false;  // deleting the target would lose the source
  return ForceDeleteFile(target);
}

bool CopyData(const std::string& source, const std::string& target) {
  // Only a regular file has an end: a named pipe would block the open (and the window) until
  // some writer comes, a device such as /dev/zero would fill the disk. O_NONBLOCK keeps the
  // open of a pipe from waiting; it means nothing for the regular file that is read.
  const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (in < 0) return false;
  struct stat st;
  if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(in);
    return false;
  }
  const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW,
                         st.st_mode & 0777);
  if (out < 0) {
    ::close(in);
    return false;
  }
  bool ok = true;
  char buf[1 << 16];
  for (;;) {
    ssize_t n = ::read(in, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ok = false;
      break;
    }
    if (n == 0) break;
    if (!WriteAllFd(out, buf, static_cast<size_t>(n))) {
      ok = false;
      break;
    }
  }
  if (::close(out) != 0) ok = false;
  ::close(in);
  if (!ok) ::unlink(target.c_str());
  return ok;
}

}  // namespace

bool CopyFileTo(std::string_view source, std::string_view target, bool createDirs) {
  const std::string s(source), t(target);
  struct stat st;
  // Refused before the target is cleared, so that the target is not lost for nothing.
  if (!StatOf(s, st) || !S_ISREG(st.st_mode)) return false;
  if (!PrepareTarget(s, t, createDirs)) return false;
  return CopyData(s, t);
}

bool MoveFileTo(std::string_view source, std::string_view target, bool createDirs) {
  const std::string s(source), t(target);
  if (!PrepareTarget(s, t, createDirs)) return false;
  // A rename within one file system gives the same outcome as copy + delete, atomically.
  if (::rename(s.c_str(), t.c_str()) == 0) return true;
  if (!CopyData(s, t)) return false;
  return ForceDeleteFile(s);
}

void ForceDirs(std::string_view dir) {
  if (dir.empty()) return;
  const std::string d = DelBackslash(dir);
  if (d.empty() || DirExists(d)) return;
  // Split without the cut of ExtractDir: a long chain must still be made whole.
  const std::string parent = WholeDir(d);
  if (parent == d) return;
  if (!parent.empty()) ForceDirs(parent);
  ::mkdir(d.c_str(), 0777);
}

}  // namespace ny
