// The settings store behind IniReadStr / IniWriteStr: a small ini parser that keeps every line
// it does not change, and an atomic writer.
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <string>
#include <vector>

#include "util/NyApi.h"
#include "util/NyText.h"

namespace ny {

namespace {

constexpr size_t kMaxValue = 1023;
// A settings file is small; anything beyond this is not a settings file and is read as empty
// rather than loaded whole.
constexpr off_t kMaxIniFile = 16 << 20;

struct Line {
  std::string text;  // without the line break
};

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return std::string(s.substr(b, e - b));
}

bool SameName(std::string_view a, std::string_view b) {
  return AnsiLower(a) == AnsiLower(b);
}

// The file's text split into lines; `brk` is the line break the file uses most ("\n" for a
// file without one). False when the file cannot be read (a missing file gives true and no
// lines).
bool LoadLines(const std::string& file, std::vector<Line>& lines, const char*& brk, bool& exists) {
  lines.clear();
  brk = "\n";
  exists = false;
  // Only a regular file is read. A FIFO or a device under the file's name is not opened at all
  // (opening a FIFO waits for a writer, opening some devices acts on them); O_NONBLOCK covers
  // one swapped in after the check.
  struct stat st;
  if (::stat(file.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    exists = true;
    return false;
  }
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR;
  exists = true;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxIniFile) {
    ::close(fd);
    return false;
  }
  std::string bytes;
  char buf[8192];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    bytes.append(buf, static_cast<size_t>(n));
    if (bytes.size() > static_cast<size_t>(kMaxIniFile)) break;
  }
  ::close(fd);
  const std::string decoded = DecodeTextBytes(bytes, 1251);
  std::string_view text = decoded;
  // A second mark (a file saved twice with one, or a UTF-16 file starting with one) is no
  // part of the first line either.
  while (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  // Lines end in CR LF, LF or a lone CR (older Mac editors); the file is written back with
  // the break it used most.
  size_t crlfCount = 0, lfCount = 0, crCount = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t nl = std::min(text.find_first_of("\r\n", pos), text.size());
    lines.push_back({std::string(text.substr(pos, nl - pos))});
    pos = nl + 1;
    if (nl >= text.size()) break;
    if (text[nl] == '\n') {
      ++lfCount;
    } else if (nl + 1 < text.size() && text[nl + 1] == '\n') {
      ++crlfCount;
      ++pos;
    } else {
      ++crCount;
    }
  }
  brk = crlfCount >= lfCount && crlfCount >= crCount && crlfCount > 0 ? "\r\n"
        : crCount > lfCount                                           ? "\r"
                                                                      : "\n";
  return true;
}

// Section name of a header line "[name]", or false when the line is no header.
bool SectionOf(const std::string& line, std::string& name) {
  const std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return false;
  const size_t close = t.find(']');
  if (close == std::string::npos) return false;
  name = Trim(std::string_view(t).substr(1, close - 1));
  return true;
}

// Key and raw value of a "key=value" line; false for comments, blanks and other lines.
bool KeyOf(const std::string& line, std::string& key, std::string& value) {
  const std::string t = Trim(line);
  if (t.empty() || t[0] == ';' || t[0] == '#' || t[0] == '[') return false;
  const size_t eq = t.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(std::string_view(t).substr(0, eq));
  value = Trim(std::string_view(t).substr(eq + 1));
  return !key.empty();
}

// Index range [begin, end) of the body of the first section named `section`; begin is the
// header's index. False when there is no such section.
bool FindSection(const std::vector<Line>& lines, std::string_view section, size_t& header,
                 size_t& end) {
  std::string name;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (SectionOf(lines[i].text, name) && SameName(name, section)) {
      header = i;
      end = lines.size();
      for (size_t j = i + 1; j < lines.size(); ++j) {
        if (SectionOf(lines[j].text, name)) {
          end = j;
          break;
        }
      }
      return true;
    }
  }
  return false;
}

std::string Unquote(std::string v) {
  if (v.size() >= 2 &&
      ((v.front() == '"' && v.back() == '"') || (v.front() == '\'' && v.back() == '\''))) {
    v = v.substr(1, v.size() - 2);
  }
  return v;
}

bool HasBreak(std::string_view s) {
  return s.find_first_of("\r\n") != std::string_view::npos;
}

// Writes `content` to a sibling temporary file, flushes it to disk and renames it over `file`.
// The old file stays whole on every failure.
bool AtomicReplace(const std::string& file, const std::string& content) {
  std::string target = file;
  // Replace the file a symlink points to, not the link.
  char resolved[PATH_MAX];
  struct stat lst;
  if (::lstat(file.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode) &&
      ::realpath(file.c_str(), resolved) != nullptr) {
    target = resolved;
  }
  mode_t mode = 0644;
  struct stat st;
  if (::stat(target.c_str(), &st) == 0) {
    // A write-protected settings file stays as it is: the rename below would otherwise replace
    // it although its owner may not write it (and root always could).
    if ((st.st_mode & S_IWUSR) == 0) return false;
    mode = st.st_mode & 0777;
  }

  std::string tmp = target + ".tmp-XXXXXX";
  const int fd = ::mkstemp(tmp.data());
  if (fd < 0) return false;
  bool ok = WriteAllFd(fd, content.data(), content.size());
  if (ok && ::fchmod(fd, mode) != 0) ok = false;
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(tmp.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) {
    ::unlink(tmp.c_str());
    return false;
  }
  // Make the rename itself durable. The directory is split off whole: ExtractDir cuts paths
  // longer than 255 characters.
  const size_t slash = target.rfind(PathDelim);
  const std::string dir = slash == std::string::npos ? std::string(".")
                          : slash == 0               ? std::string("/")
                                                     : target.substr(0, slash);
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

}  // namespace

std::string IniReadStr(std::string_view file, std::string_view section, std::string_view key,
                       std::string_view def) {
  std::vector<Line> lines;
  const char* brk = "\n";
  bool exists = false;
  if (file.empty() || !LoadLines(std::string(file), lines, brk, exists)) return std::string(def);
  size_t header = 0, end = 0;
  if (!FindSection(lines, section, header, end)) return std::string(def);
  std::string k, v;
  for (size_t i = header + 1; i < end; ++i) {
    if (KeyOf(lines[i].text, k, v) && SameName(k, key)) return Utf8Prefix(Unquote(v), kMaxValue);
  }
  return std::string(def);
}

int IniReadInt(std::string_view file, std::string_view section, std::string_view key, int def) {
  const std::string text = IniReadStr(file, section, key, std::to_string(def));
  if (text.empty()) return def;
  const char* b = text.data();
  const char* e = b + text.size();
  if (*b == '+') ++b;
  long long v = 0;
  auto [ptr, ec] = std::from_chars(b, e, v);
  if (ec != std::errc() || ptr != e || v < INT_MIN || v > INT_MAX) return def;
  return static_cast<int>(v);
}

bool IniWriteStr(std::string_view file, std::string_view section, std::string_view key,
                 std::string_view value) {
  // A line break in any part would split the entry and corrupt the file.
  if (file.empty() || key.empty() || HasBreak(section) || HasBreak(key) || HasBreak(value) ||
      key.find('=') != std::string_view::npos || section.find(']') != std::string_view::npos ||
      Trim(key) != key || key[0] == ';' || key[0] == '#' || key[0] == '[') {
    return false;
  }
  const std::string f(file);
  std::vector<Line> lines;
  const char* brk = "\n";
  bool exists = false;
  if (!LoadLines(f, lines, brk, exists)) return false;

  const std::string entry = std::string(key) + "=" + std::string(value);
  size_t header = 0, end = 0;
  if (FindSection(lines, section, header, end)) {
    std::string k, v;
    bool done = false;
    size_t last = header;  // last entry of the section: a new key goes after it
    for (size_t i = header + 1; i < end; ++i) {
      const bool isKey = KeyOf(lines[i].text, k, v);
      if (isKey) last = i;
      if (!done && isKey && SameName(k, key)) {
        lines[i].text = k + "=" + std::string(value);  // the stored spelling of the key stays
        done = true;
      }
    }
    if (!done) lines.insert(lines.begin() + static_cast<long>(last + 1), Line{entry});
  } else {
    if (!lines.empty() && !Trim(lines.back().text).empty()) lines.push_back({""});
    lines.push_back({"[" + std::string(section) + "]"});
    lines.push_back({entry});
  }

  std::string out;
  for (const Line& l : lines) {
    out += l.text;
    out += brk;
  }
  return AtomicReplace(f, out);
}

bool IniWriteInt(std::string_view file, std::string_view section, std::string_view key, int value) {
  return IniWriteStr(file, section, key, std::to_string(value));
}

}  // namespace ny
