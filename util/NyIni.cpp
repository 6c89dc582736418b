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

TFileSync fileSync = &::fsync;

constexpr size_t kMaxValue = 1023;
// A settings or language file is a few kilobytes; anything beyond this is not such a file and
// is not loaded at all.
constexpr off_t kMaxIniFile = 1 << 20;

struct Line {
  std::string text;  // without the line break
};

std::string_view Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

// The line of `text` that starts at `pos`, without its break; `pos` moves past the break
// (CR LF, LF or a lone CR) and `kind` tells which it was: 'c' (CR LF), 'n', 'r', or 0 at the
// end of the text. Call only while pos < text.size().
std::string_view NextLine(std::string_view text, size_t& pos, char& kind) {
  const size_t start = pos;
  const size_t nl = std::min(text.find_first_of("\r\n", pos), text.size());
  pos = nl + 1;
  kind = 0;
  if (nl < text.size()) {
    kind = text[nl] == '\n' ? 'n' : 'r';
    if (kind == 'r' && nl + 1 < text.size() && text[nl + 1] == '\n') {
      kind = 'c';
      ++pos;
    }
  }
  return text.substr(start, nl - start);
}

// The file's text as UTF-8, without byte-order marks. False when the file cannot be read (a
// missing file gives true and no text).
bool LoadText(const std::string& file, std::string& text, bool& exists) {
  text.clear();
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
    if (bytes.size() > static_cast<size_t>(kMaxIniFile)) {
      // Grown since it was looked at: only part of it would be read, and a write would drop
      // the rest.
      ::close(fd);
      return false;
    }
  }
  ::close(fd);
  text = DecodeTextBytes(bytes, 1251);
  // A second mark (a file saved twice with one, or a UTF-16 file starting with one) is no
  // part of the first line either.
  size_t marks = 0;
  while (text.compare(marks, 3, "\xEF\xBB\xBF") == 0) marks += 3;
  text.erase(0, marks);
  return true;
}

// The file's text split into lines; `brk` is the line break the file uses most ("\n" for a
// file without one): lines end in CR LF, LF or a lone CR (older Mac editors). False when the
// file cannot be read (a missing file gives true and no lines).
bool LoadLines(const std::string& file, std::vector<Line>& lines, const char*& brk, bool& exists) {
  lines.clear();
  brk = "\n";
  std::string text;
  if (!LoadText(file, text, exists)) return false;
  size_t crlfCount = 0, lfCount = 0, crCount = 0;
  size_t pos = 0;
  char kind = 0;
  while (pos < text.size()) {
    lines.push_back({std::string(NextLine(text, pos, kind))});
    crlfCount += kind == 'c';
    lfCount += kind == 'n';
    crCount += kind == 'r';
  }
  brk = crlfCount >= lfCount && crlfCount >= crCount && crlfCount > 0 ? "\r\n"
        : crCount > lfCount                                           ? "\r"
                                                                      : "\n";
  return true;
}

// Section name of a header line "[name]", or false when the line is no header.
bool SectionOf(std::string_view line, std::string_view& name) {
  const std::string_view t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return false;
  const size_t close = t.find(']');
  if (close == std::string::npos) return false;
  name = Trim(t.substr(1, close - 1));
  return true;
}

// Key and raw value of a "key=value" line; false for comments, blanks and other lines.
bool KeyOf(std::string_view line, std::string_view& key, std::string_view& value) {
  const std::string_view t = Trim(line);
  if (t.empty() || t[0] == ';' || t[0] == '#' || t[0] == '[') return false;
  const size_t eq = t.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(t.substr(0, eq));
  value = Trim(t.substr(eq + 1));
  return !key.empty();
}

// Index range [begin, end) of the body of the first section named `section`; begin is the
// header's index. False when there is no such section.
bool FindSection(const std::vector<Line>& lines, std::string_view section, size_t& header,
                 size_t& end) {
  std::string_view name;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (SectionOf(lines[i].text, name) && SameText(name, section)) {
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

std::string_view Unquote(std::string_view v) {
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
  if (ok && fileSync(fd) != 0) ok = false;
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

TFileSync SetIniFileSync(TFileSync sync) {
  TFileSync old = fileSync;
  fileSync = sync != nullptr ? sync : &::fsync;
  return old;
}

std::string IniReadStr(std::string_view file, std::string_view section, std::string_view key,
                       std::string_view def) {
  return TIniSection(file, section).Value(key, def);
}

TIniSection::TIniSection(std::string_view file, std::string_view section) {
  std::string text;
  bool exists = false;
  if (file.empty() || !LoadText(std::string(file), text, exists)) return;
  bool inSection = false;
  size_t pos = 0;
  char kind = 0;
  std::string_view name, k, v;
  while (pos < text.size()) {
    const std::string_view line = NextLine(text, pos, kind);
    if (SectionOf(line, name)) {
      if (inSection) break;
      inSection = SameText(name, section);
    } else if (inSection && KeyOf(line, k, v)) {
      values_.emplace_back(FoldedText(k), Utf8Prefix(Unquote(v), kMaxValue));
    }
  }
  // Stable, so that of two entries of one key the first stays in front.
  std::stable_sort(values_.begin(), values_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
}

std::string TIniSection::Value(std::string_view key, std::string_view def) const {
  const std::string folded = FoldedText(key);
  auto it = std::lower_bound(values_.begin(), values_.end(), folded,
                             [](const auto& e, const std::string& k) { return e.first < k; });
  return it != values_.end() && it->first == folded ? it->second : std::string(def);
}

int IniReadInt(std::string_view file, std::string_view section, std::string_view key, int def) {
  const std::string text = IniReadStr(file, section, key, std::to_string(def));
  int64_t v = 0;
  if (!ParseDecimalInt(text, v) || v < INT_MIN || v > INT_MAX) return def;
  return static_cast<int>(v);
}

namespace {

// True when key=value can be written into `section` and read back as it was written.
bool Writable(std::string_view section, std::string_view key, std::string_view value) {
  // A line break in any part would split the entry and corrupt the file.
  return !key.empty() && !HasBreak(section) && !HasBreak(key) && !HasBreak(value) &&
         key.find('=') == std::string_view::npos && section.find(']') == std::string_view::npos &&
         Trim(key) == key && key[0] != ';' && key[0] != '#' && key[0] != '[';
}

// Sets key=value in the lines: the first entry of that key in the first section of that name
// is replaced (keeping the stored spelling of the key); a new key goes after the section's
// last entry; a missing section is appended.
void SetEntry(std::vector<Line>& lines, std::string_view section, std::string_view key,
              std::string_view value) {
  const std::string entry = std::string(key) + "=" + std::string(value);
  size_t header = 0, end = 0;
  if (FindSection(lines, section, header, end)) {
    std::string_view k, v;
    size_t last = header;  // last entry of the section: a new key goes after it
    for (size_t i = header + 1; i < end; ++i) {
      if (!KeyOf(lines[i].text, k, v)) continue;
      last = i;
      if (SameText(k, key)) {
        lines[i].text = std::string(k) + "=" + std::string(value);
        return;
      }
    }
    lines.insert(lines.begin() + static_cast<long>(last + 1), Line{entry});
  } else {
    if (!lines.empty() && !Trim(lines.back().text).empty()) lines.push_back({""});
    // Built by appending: GCC 12 at -O3 takes "[" + std::string(...) for an overlapping copy
    // (a false -Wrestrict).
    std::string header = "[";
    header.append(section).append("]");
    lines.push_back({std::move(header)});
    lines.push_back({entry});
  }
}

}  // namespace

bool IniWriteStrs(std::string_view file, std::string_view section,
                  const std::vector<std::pair<std::string, std::string>>& entries) {
  if (file.empty()) return false;
  for (const auto& [key, value] : entries) {
    if (!Writable(section, key, value)) return false;
  }
  const std::string f(file);
  std::vector<Line> lines;
  const char* brk = "\n";
  bool exists = false;
  if (!LoadLines(f, lines, brk, exists)) return false;
  for (const auto& [key, value] : entries) SetEntry(lines, section, key, value);
  std::string out;
  for (const Line& l : lines) {
    out += l.text;
    out += brk;
  }
  return AtomicReplace(f, out);
}

bool IniWriteStr(std::string_view file, std::string_view section, std::string_view key,
                 std::string_view value) {
  return IniWriteStrs(file, section, {{std::string(key), std::string(value)}});
}

bool IniWriteInt(std::string_view file, std::string_view section, std::string_view key, int value) {
  return IniWriteStr(file, section, key, std::to_string(value));
}

}  // namespace ny
