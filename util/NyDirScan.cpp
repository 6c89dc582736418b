#include "util/NyDirScan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <deque>

#include "util/NyApi.h"
#include "util/NyFormat.h"
#include "util/NyText.h"

namespace ny {

namespace {

// Splits at the last dot: the extension runs from that dot to the end; without a dot the
// extension is "." and the base the whole string.
void SplitExt(const std::u32string& s, std::u32string& base, std::u32string& ext) {
  const size_t dot = s.rfind(U'.');
  if (dot == std::u32string::npos) {
    base = s;
    ext.assign(1, U'.');
  } else {
    base = s.substr(0, dot);
    ext = s.substr(dot);
  }
}

bool ExtensionPasses(const std::u32string& specExt, const std::u32string& nameExt) {
  const bool specStar = specExt.find(U'*') != std::u32string::npos;
  if (specExt.size() != nameExt.size() && !specStar) return false;
  if (specExt == nameExt) return true;
  for (size_t i = 0; i < specExt.size(); ++i) {
    const char32_t c = specExt[i];
    if (c == U'*') return true;
    if (i >= nameExt.size()) return false;
    if (c != U'?' && c != nameExt[i]) return false;
  }
  return true;
}

// Local time of `t` at two-second resolution, as days since 1899-12-30.
double LocalDateTime(time_t t) {
  struct tm lt;
  if (localtime_r(&t, &lt) == nullptr) return 0;
  const int64_t days =
      CivilToDays(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday) - CivilToDays(1899, 12, 30);
  const int secs = lt.tm_hour * 3600 + lt.tm_min * 60 + (lt.tm_sec & ~1);
  return static_cast<double>(days) + secs / 86400.0;
}

bool IsHiddenName(const std::string& name) {
  return !name.empty() && name[0] == '.' && name != "." && name != "..";
}

}  // namespace

bool MatchSpec(std::string_view pattern, std::string_view name) {
  std::u32string s = Utf8CodePoints(AnsiLower(pattern));
  const std::u32string n = Utf8CodePoints(AnsiLower(name));
  if (s.find_first_of(U"*?") == std::u32string::npos) return s == n;
  if (s.find(U'.') == std::u32string::npos && s.back() == U'*') s += U".*";

  std::u32string specBase, specExt, nameBase, nameExt;
  SplitExt(s, specBase, specExt);
  SplitExt(n, nameBase, nameExt);
  if (!ExtensionPasses(specExt, nameExt)) return false;

  // The base is compared against the pattern from its first character on.
  for (size_t i = 0; i < nameBase.size(); ++i) {
    if (i >= s.size()) return false;
    if (s[i] == U'*') return true;
    if (s[i] != U'?' && s[i] != nameBase[i]) return false;
  }
  return true;
}

void TNyDirScan::ListDirectory(const std::string& dir, std::vector<std::string>& names) {
  names.clear();
  DIR* d = ::opendir(dir.empty() ? "/" : dir.c_str());
  if (d == nullptr) return;
  while (const dirent* e = ::readdir(d)) {
    std::string name(e->d_name);
    if (!IsHiddenName(name)) names.push_back(std::move(name));
  }
  ::closedir(d);
  std::sort(names.begin(), names.end());
}

bool TNyDirScan::Scan() {
  if (busy_) return false;
  stopRequest_ = false;
  busy_ = true;
  std::deque<std::string> work;
  // Busy is cleared on every way out, also when a handler throws.
  struct BusyGuard {
    bool& busy;
    ~BusyGuard() { busy = false; }
  } guard{busy_};

  currentDirectory_.clear();
  count_ = 0;
  std::string pattern = TrimCtl(fileSpec_);
  std::string start = TrimCtl(directory_);
  if (pattern.empty()) pattern = "*.*";
  if (!start.empty()) {
    if (start.back() == PathDelim) start.pop_back();  // "/" becomes "": the root
    work.push_back(start);
  }

  std::vector<std::string> names;
  while (!work.empty() && !stopRequest_) {
    const std::string dir = work.front();
    currentDirectory_ = dir;
    ListDirectory(dir, names);
    for (const std::string& name : names) {
      if (ProcessMessages) ProcessMessages();
      if (OnProgress) OnProgress(*this);
      if (stopRequest_) break;
      if (name == "." || name == "..") continue;

      const std::string path = dir + PathDelim + name;
      struct stat st;
      if (::lstat(path.c_str(), &st) != 0) continue;  // gone since the listing
      if (S_ISLNK(st.st_mode)) {
        if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
      }
      if (S_ISDIR(st.st_mode)) {
        if (!subdirectories_) continue;
        ++count_;
        work.push_back(path);
        if (OnDirectoryFound) OnDirectoryFound(*this, name);
      } else if (S_ISREG(st.st_mode) && MatchSpec(pattern, name)) {
        const uint32_t attr = GetFileAttr(path);
        if (attr == faInvalid) continue;
        ++count_;
        const auto size = static_cast<int32_t>(static_cast<uint32_t>(st.st_size));
        if (OnFileFound) OnFileFound(*this, path, size, attr, LocalDateTime(st.st_mtime));
      }
    }
    work.pop_front();
  }

  work.clear();
  busy_ = false;
  const bool found = count_ > 0;  // a handler below may start another scan
  if (found) {
    currentDirectory_.clear();
    if (OnProgress) OnProgress(*this);
  }
  return found;
}

}  // namespace ny
