#include "lang/NyLang.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <exception>
#include <utility>

#include "util/NyApi.h"
#include "util/NyText.h"

#ifndef VELLUM_SHARE_DIR
#define VELLUM_SHARE_DIR "/usr/local/share/vellum"
#endif

namespace ny {

std::string CurrentLanguage = "ENG";
bool LangDump = false;

namespace {

constexpr std::string_view kExt = ".lng";
constexpr std::string_view kMsgSection = "Msg";
constexpr std::string_view kDumpCode = "DBG";

// Classes whose string properties hold data, SQL, paths or page names.
constexpr std::string_view kSkippedClasses[] = {
    "TNotebook", "TNySQLite3DB", "TNySQLite3Query", "TNyAbout", "TNyDirScan", "TNyRun", "TNyLovD"};
constexpr std::string_view kSkippedProps[] = {"ImeName", "ActivePage"};

bool SkippedClass(std::string_view c) {
  return std::find(std::begin(kSkippedClasses), std::end(kSkippedClasses), c) !=
         std::end(kSkippedClasses);
}

bool SkippedProp(std::string_view p) {
  return std::find(std::begin(kSkippedProps), std::end(kSkippedProps), p) !=
         std::end(kSkippedProps);
}

bool IsDir(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A regular file (a link to one counts): a FIFO, socket or device under a language file's
// name is no language file, and reading a FIFO would wait for a writer.
bool IsPlainFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string RealDir(const std::string& dir) {
  char buf[PATH_MAX];
  if (::realpath(dir.c_str(), buf) == nullptr) return "";
  return AddBackslash(buf);
}

// The order of the language list: without regard to letter case, names equal apart from case
// by byte value.
struct NameOrder {
  bool operator()(const std::pair<std::string, std::string>& a,
                  const std::pair<std::string, std::string>& b) const {
    if (a.first != b.first) return a.first < b.first;
    return a.second < b.second;
  }
};

// Names of the regular files of `dir`, in listing order. Empty when the
// directory cannot be read.
std::vector<std::string> ListFiles(const std::string& dir) {
  std::vector<std::pair<std::string, std::string>> keyed;  // (upper-cased, name)
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return {};
  while (dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    if (!IsPlainFile(dir + name)) continue;
    keyed.emplace_back(AnsiUpper(name), name);
  }
  ::closedir(d);
  std::sort(keyed.begin(), keyed.end(), NameOrder());
  std::vector<std::string> names;
  names.reserve(keyed.size());
  for (auto& k : keyed) names.push_back(std::move(k.second));
  return names;
}

bool UsableCode(std::string_view code) {
  return code.find('/') == std::string_view::npos && code.find('\0') == std::string_view::npos;
}

// The file `name` in `dir`, matched exactly or else without regard to letter case; "" when
// there is none.
std::string FindInDir(const std::string& dir, const std::string& name) {
  if (dir.empty()) return "";
  if (IsPlainFile(dir + name)) return dir + name;
  const std::string upper = AnsiUpper(name);
  for (const std::string& n : ListFiles(dir)) {
    if (AnsiUpper(n) == upper) return dir + n;
  }
  return "";
}

std::string FileName(const TLangLocation& loc, std::string_view code) {
  return loc.Base + "-" + std::string(code) + std::string(kExt);
}

// Offsets at which the characters of `s` start: a valid UTF-8 sequence is one character, any
// other byte is one character of its own.
std::vector<size_t> CharStarts(std::string_view s) {
  std::vector<size_t> starts;
  size_t pos = 0;
  while (pos < s.size()) {
    starts.push_back(pos);
    const unsigned char c = static_cast<unsigned char>(s[pos]);
    size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (len > 1 && (pos + len > s.size() || !IsValidUtf8(s.substr(pos, len)))) len = 1;
    pos += len;
  }
  return starts;
}

// The code of a name "<anything>-XYZ.lng": the three characters before ".lng"; false when the
// name does not have that form or the code holds a control character.
bool CodeOfName(const std::string& name, std::string& code) {
  if (name.size() < kExt.size() + 4) return false;
  const std::string_view ext = std::string_view(name).substr(name.size() - kExt.size());
  if (AsciiUpper(ext) != AsciiUpper(kExt)) return false;
  const std::string_view stem = std::string_view(name).substr(0, name.size() - kExt.size());
  const std::vector<size_t> starts = CharStarts(stem);
  if (starts.size() < 4) return false;
  const size_t pos = starts[starts.size() - 3];
  if (stem[pos - 1] != '-') return false;
  code = std::string(stem.substr(pos));
  for (unsigned char c : code) {
    if (c < 32 || c == 127) return false;
  }
  return true;
}

// `text` as it is written so that IniReadStr gives it back: blanks at either end and a pair
// of enclosing quotes would otherwise be lost when the file is read.
std::string DumpText(const std::string& text) {
  bool quote = false;
  if (!text.empty()) {
    const char f = text.front(), b = text.back();
    quote = f == ' ' || f == '\t' || b == ' ' || b == '\t' ||
            (text.size() >= 2 && f == b && (f == '"' || f == '\''));
  }
  return quote ? "\"" + text + "\"" : text;
}

// One walk of TranslateForm.
class Walker {
 public:
  // Applying reads the form's section of the language file once, here.
  Walker(std::string section, std::string file, bool apply)
      : section_(std::move(section)),
        file_(std::move(file)),
        apply_(apply),
        texts_(apply ? TIniSection(file_, section_) : TIniSection("", "")) {}

  // Walks the tree. A dump is written to the file in one go at the end, also the part walked
  // before an error.
  void Run(TNyComponent& form) {
    try {
      Tree(form);
    } catch (...) {
      if (!apply_) IniWriteStrs(file_, section_, dumped_);
      throw;
    }
    if (!apply_) IniWriteStrs(file_, section_, dumped_);
  }

 private:
  void Tree(TNyComponent& c) {
    Props(c);
    for (size_t i = 0; i < c.ComponentCount(); ++i) Tree(c.Component(i));
  }

  void Props(TNyComponent& c) {
    if (std::find(path_.begin(), path_.end(), &c) != path_.end()) return;
    path_.push_back(&c);
    const bool skip = c.Name().empty() || SkippedClass(c.ClassName());
    const std::string prefix = c.ClassName() + "-" + c.Name() + "-";
    // By index: applying a text may run observers that declare properties.
    for (size_t i = 0; i < c.Properties().size(); ++i) {
      const TNyProperty p = c.Properties()[i];
      const bool text = !skip && !SkippedProp(p.Name) && !p.ProgramText;
      switch (p.Kind) {
        case TPropKind::String:
          if (text && p.Name != "Name") {
            std::string v = p.Text;
            if (Text(prefix + p.Name, v)) c.SetStr(p.Name, std::move(v));
          }
          break;
        case TPropKind::Strings:
          if (!text) break;
          for (size_t k = 0; k < p.Items.size(); ++k) {
            std::string v = p.Items[k];
            if (Text(prefix + p.Name + std::to_string(k), v)) c.SetItem(p.Name, k, std::move(v));
          }
          break;
        case TPropKind::Columns:
          if (!text) break;
          for (size_t k = 0; k < p.Columns.size(); ++k) {
            std::string v = p.Columns[k].Title;
            if (Text(prefix + p.Name + std::to_string(k), v)) {
              c.SetColumnTitle(p.Name, k, std::move(v));
            }
          }
          break;
        case TPropKind::Component:
          if (p.Ref != nullptr) Props(*p.Ref);
          break;
        case TPropKind::Object:
        case TPropKind::Value:
          break;
      }
    }
    path_.pop_back();
  }

  // Handles one text under `key`. True when `value` was replaced and must be set.
  bool Text(const std::string& key, std::string& value) {
    if (!apply_) {
      dumped_.emplace_back(key, DumpText(value));
      return false;
    }
    std::string v = texts_.Value(key);
    if (v.empty()) return false;
    value = std::move(v);
    return true;
  }

  std::string section_;
  std::string file_;
  bool apply_;
  TIniSection texts_;                                        // when applying
  std::vector<std::pair<std::string, std::string>> dumped_;  // when dumping
  std::vector<TNyComponent*> path_;  // components whose properties are being walked
};

TLangLocation& Location() {
  static TLangLocation loc = LangLocationFor(GetProgramFile(), VELLUM_SHARE_DIR);
  return loc;
}

}  // namespace

TLangLocation LangLocationFor(std::string_view programFile, std::string_view shareDir) {
  TLangLocation loc;
  const std::string dir = ExtractDirWhole(programFile);
  loc.Base = ChangeExtWhole(ExtractNameWhole(programFile), "");
  loc.Dirs.push_back(dir);
  loc.DumpDir = dir;
  // An installed program writes its dumps to the user's directory, also when run by root.
  if (!dir.empty() && (::access(dir.c_str(), W_OK) != 0 || !InstalledShareDir(dir).empty())) {
    const std::string user = UserConfigDir();
    if (!user.empty()) {
      loc.Dirs.push_back(user);
      loc.DumpDir = user;
    }
  }
  std::string share;
  const std::string moved = dir + "../share/vellum/";
  if (!dir.empty() && IsDir(moved)) {
    share = moved;
  } else if (!shareDir.empty()) {
    const std::string s = AddBackslash(shareDir);
    const std::string suffix = "share/vellum/";
    if (s.size() > suffix.size() &&
        s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0) {
      const std::string bin = s.substr(0, s.size() - suffix.size()) + "bin/";
      const std::string realBin = RealDir(bin);
      if (!realBin.empty() && realBin == RealDir(dir) && IsDir(s)) share = s;
    }
  }
  if (!share.empty() && RealDir(share) != RealDir(dir)) loc.Dirs.push_back(share);
  return loc;
}

const TLangLocation& LangLocation() {
  return Location();
}

void SetLangLocation(TLangLocation location) {
  Location() = std::move(location);
}

std::vector<std::string> GetLanguageList() {
  return GetLanguageList(Location());
}

std::vector<std::string> GetLanguageList(const TLangLocation& location) {
  std::vector<std::string> list{"Default"};
  std::vector<std::string> seen;  // upper-cased names listed so far
  for (const std::string& dir : location.Dirs) {
    if (dir.empty()) continue;
    for (const std::string& name : ListFiles(dir)) {
      std::string code;
      if (!CodeOfName(name, code)) continue;
      const std::string upper = AnsiUpper(name);
      if (std::find(seen.begin(), seen.end(), upper) != seen.end()) continue;
      seen.push_back(upper);
      list.push_back(AsciiUpper(code) + "-Lang");
    }
  }
  return list;
}

std::string LangCodeOfEntry(std::string_view entry) {
  const std::vector<size_t> starts = CharStarts(entry);
  if (starts.size() <= 3) return std::string(entry);
  return std::string(entry.substr(0, starts[3]));
}

std::string LanguageFile(std::string_view code) {
  return LanguageFile(Location(), code);
}

std::string LanguageFile(const TLangLocation& location, std::string_view code) {
  if (!UsableCode(code)) return "";
  const std::string name = FileName(location, code);
  for (const std::string& dir : location.Dirs) {
    std::string f = FindInDir(dir, name);
    if (!f.empty()) return f;
  }
  return "";
}

std::string DumpFileFor(const TLangLocation& location, std::string_view code) {
  if (!UsableCode(code) || location.DumpDir.empty()) return "";
  const std::string name = FileName(location, code);
  std::string f = FindInDir(location.DumpDir, name);
  if (f.empty()) {
    ForceDirs(location.DumpDir);
    f = location.DumpDir + name;
  }
  return f;
}

std::string LangMsg(std::string_view key, std::string_view defaultText) {
  return LangMsg(Location(), key, defaultText);
}

std::string LangMsg(const TLangLocation& location, std::string_view key,
                    std::string_view defaultText) {
  try {
    if (LangDump) {
      const std::string dump = DumpFileFor(location, kDumpCode);
      if (!dump.empty() && IniReadStr(dump, kMsgSection, key, "?") == "?") {
        IniWriteStr(dump, kMsgSection, key, DumpText(std::string(defaultText)));
      }
    }
    const std::string file = LanguageFile(location, CurrentLanguage);
    if (!file.empty()) {
      std::string v = IniReadStr(file, kMsgSection, key, "");
      if (!v.empty()) return v;
    }
  } catch (const std::exception&) {
    // Out of memory while reading: the built-in text still works.
  }
  return std::string(defaultText);
}

void TranslateForm(TNyComponent& form, std::string_view code, bool apply) {
  TranslateForm(Location(), form, code, apply);
}

void TranslateForm(const TLangLocation& location, TNyComponent& form, std::string_view code,
                   bool apply) {
  try {
    CurrentLanguage = std::string(code);
    const std::string file = apply ? LanguageFile(location, code) : DumpFileFor(location, code);
    if (file.empty()) return;
    Walker(form.Name(), file, apply).Run(form);
  } catch (...) {
    // A failing walk leaves the texts set so far; the form stays usable.
  }
}

const std::vector<TLangMessage>& LangMessages() {
  static const std::vector<TLangMessage> messages = {
      {"DelArc1", "Delete record about document:"},
      {"DelArc2", "and delete archive file from library:"},
      {"DelArc3", "You are assured?"},
      {"SelLib", "Select library file for open"},
      {"CreLib", "Select library file for create"},
      {"LibCont1", "Library contain:"},
      {"LibCont2", "documents"},
      {"LibCont3", "bytes"},
      {"LibCont4", "Archive contain:"},
      {"LibCont5", "files"},
      {"LibStat1", "All records: "},
      {"LibStat2", "Valid files: "},
      {"LibStat3", "ZIP archive files: "},
      {"LibStat4", "RAR archive files: "},
      {"LibStat5", "Not archive format: "},
      {"LibStat6", "Archive contain not one document: "},
      {"LibStat7", "Archive file not exist: "},
      {"LibStat8", "Document in library <> document in archive: "},
  };
  return messages;
}

}  // namespace ny
