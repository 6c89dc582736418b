// Fuzz target of the files a user hands the program as settings or language files: the input
// is such a file, in any encoding or none. It is read as a settings file (a few keys, one
// write that must read back and leave every other key as it was) and as a language file
// (listed, its messages, a form translated from it, and a dump of the form into it that must
// translate the form back to its built-in texts). Every text read must be UTF-8 of at most
// 1023 characters. The files live in a private directory, removed at exit.
#include <stdlib.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "lang/NyLang.h"
#include "util/NyApi.h"
#include "util/NyComponent.h"
#include "util/NyText.h"

namespace {

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "settingsfile_fuzz: %s\n", what);
  abort();
}

class WorkDir {
 public:
  WorkDir() {
    std::string templ = std::filesystem::temp_directory_path().string() + "/inifuzz-XXXXXX";
    if (mkdtemp(templ.data()) == nullptr) abort();
    path_ = templ + "/";
    std::filesystem::create_directory(path_ + "lng");
    std::filesystem::create_directory(path_ + "dump");
  }
  ~WorkDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

const std::string& Dir() {
  static const WorkDir dir;
  return dir.Path();
}

void WriteInput(const std::string& file, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(file.c_str(), "wb");
  if (f == nullptr) abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) abort();
  if (std::fclose(f) != 0) abort();
}

bool Readable(const std::string& v) {
  return ny::IsValidUtf8(v) && ny::Utf8Length(v) <= 1023;
}

struct Probe {
  const char* Section;
  const char* Key;
};

// Keys the program reads, in other spellings too, and a Cyrillic section and key.
constexpr Probe kProbes[] = {
    {"main", "Language"},
    {"MAIN", "language"},
    {"main", "FontCSet"},
    {"main", "pathbook"},
    {"Size", "LstDoc_NAME"},
    {"Msg", "DelArc1"},
    {"Form1", "TForm1-Form1-Caption"},
    {"Словарь", "Ключ"},
    {"", "x"},
};

constexpr const char* kDefault = "\x01none";

// A value for the write made of the input's first bytes: one line of UTF-8 without blanks at
// either end or enclosing quotes, which therefore reads back as it was written.
std::string ValueOf(const uint8_t* data, size_t size) {
  std::string v(reinterpret_cast<const char*>(data), size < 64 ? size : 64);
  for (char& c : v) {
    if (c == '\r' || c == '\n') c = '.';
  }
  if (!ny::IsValidUtf8(v)) v = ny::DecodeCodePage(v, 1251);
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.pop_back();
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.erase(0, 1);
  if (v.size() >= 2 && v.front() == v.back() && (v.front() == '"' || v.front() == '\'')) {
    v += '.';
  }
  return v;
}

void FuzzSettings(const uint8_t* data, size_t size) {
  const std::string ini = Dir() + "vellum.ini";
  WriteInput(ini, data, size);
  std::vector<std::string> before;
  for (const Probe& p : kProbes) {
    std::string v = ny::IniReadStr(ini, p.Section, p.Key, kDefault);
    Check(v == kDefault || Readable(v), "a settings value is no UTF-8 or too long");
    before.push_back(std::move(v));
  }
  // Names match without regard to case, Cyrillic ones too.
  Check(ny::IniReadStr(ini, "СЛОВАРЬ", "ключ", kDefault) == before[7],
        "a Cyrillic name read in other case gives another value");
  // An integer is one sign at most and digits, within the range of int.
  const std::string text = ny::IniReadStr(ini, "main", "FontSize", "");
  int64_t v = 0;
  const bool isInt = ny::ParseDecimalInt(text, v) && v >= INT32_MIN && v <= INT32_MAX;
  Check(ny::IniReadInt(ini, "main", "FontSize", 10) == (isInt ? v : 10),
        "IniReadInt disagrees with the integer rule");

  const size_t pick = size % std::size(kProbes);
  const Probe& w = kProbes[pick];
  const std::string value = ValueOf(data, size);
  Check(ny::IniWriteStr(ini, w.Section, w.Key, value), "a settings write failed");
  Check(ny::IniReadStr(ini, w.Section, w.Key, kDefault) == value,
        "a written value does not read back");
  for (size_t i = 0; i < std::size(kProbes); ++i) {
    const Probe& p = kProbes[i];
    if (ny::SameText(p.Section, w.Section) && ny::SameText(p.Key, w.Key)) continue;
    Check(ny::IniReadStr(ini, p.Section, p.Key, kDefault) == before[i],
          "a write changed another key");
  }
}

// A small window: texts in Cyrillic, with blanks at the ends, in quotes and empty; a list, a
// grid, a component shared by two others and a skipped class.
std::unique_ptr<ny::TNyComponent> MakeForm() {
  auto form = std::make_unique<ny::TNyComponent>("TForm1", "Form1");
  form->AddString("Caption", "Vellum 00.20").AddString("Hint").AddValue("Width", "800");
  ny::TNyComponent& db = form->Add("TNySQLite3DB", "SQLiteDB");
  db.AddString("Database", "/lib/b.sqb");
  ny::TNyComponent& menu = form->Add("TPopupMenu", "PopupMenu1");
  menu.AddString("Hint", "Меню");
  ny::TNyComponent& b = form->Add("TSpeedButton", "bLibOpen");
  b.AddString("Caption").AddString("Hint", "\"Open\" library").AddRef("PopupMenu", &menu);
  ny::TNyComponent& e = form->Add("TEdit", "eLike");
  e.AddString("Text", " ").AddString("Hint", "'Search'").AddRef("PopupMenu", &menu);
  ny::TNyComponent& grid = form->Add("TDBGrid", "DBGrid");
  grid.AddColumns("Columns",
                  {ny::TNyColumn{"AUTHOR", "Author"}, ny::TNyColumn{"NAME", "Document name "}})
      .AddRef("DataSource", &db);
  ny::TNyComponent& combo = form->Add("TComboBox", "cbLang");
  combo.AddString("Text").AddStrings("Items", {"Default", "RUS-Lang", "\tTab"});
  return form;
}

// Every translatable text of the form, in walk order.
void Texts(const ny::TNyComponent& c, std::vector<std::string>& out) {
  for (const ny::TNyProperty& p : c.Properties()) {
    if (p.Kind == ny::TPropKind::String) out.push_back(p.Text);
    if (p.Kind == ny::TPropKind::Strings) out.insert(out.end(), p.Items.begin(), p.Items.end());
    if (p.Kind == ny::TPropKind::Columns) {
      for (const ny::TNyColumn& col : p.Columns) out.push_back(col.Title);
    }
  }
  for (size_t i = 0; i < c.ComponentCount(); ++i) Texts(c.Component(i), out);
}

// Language files "vellum-<code>.lng" in `dir`, the dump written there too.
ny::TLangLocation Location(const std::string& dir) {
  ny::TLangLocation loc;
  loc.Dirs = {dir};
  loc.Base = "vellum";
  loc.DumpDir = dir;
  return loc;
}

void FuzzLanguage(const uint8_t* data, size_t size) {
  const std::string lngDir = Dir() + "lng/";
  WriteInput(lngDir + "vellum-FUZ.lng", data, size);
  const ny::TLangLocation loc = Location(lngDir);
  Check(ny::GetLanguageList(loc) == std::vector<std::string>{"Default", "FUZ-Lang"},
        "the language list is not Default, FUZ-Lang");

  ny::LangDump = false;
  ny::CurrentLanguage = "FUZ";
  for (const ny::TLangMessage& m : ny::LangMessages()) {
    const std::string v = ny::LangMsg(loc, m.Key, m.Text);
    Check(!v.empty() && Readable(v), "a message is empty, no UTF-8 or too long");
  }
  std::vector<std::string> builtIn;
  Texts(*MakeForm(), builtIn);
  {
    auto form = MakeForm();
    ny::TranslateForm(loc, *form, "FUZ", true);
    std::vector<std::string> texts;
    Texts(*form, texts);
    Check(texts.size() == builtIn.size(), "a translation changed the number of texts");
    for (size_t i = 0; i < texts.size(); ++i) {
      Check(texts[i] == builtIn[i] || (!texts[i].empty() && Readable(texts[i])),
            "a translated text is empty, no UTF-8 or too long");
    }
  }

  // The dump goes into an existing file of any content and must give the built-in texts back.
  const std::string dumpDir = Dir() + "dump/";
  WriteInput(dumpDir + "vellum-DBG.lng", data, size);
  const ny::TLangLocation dumpLoc = Location(dumpDir);
  auto dumped = MakeForm();
  ny::TranslateForm(dumpLoc, *dumped, "DBG", false);
  auto back = MakeForm();
  ny::TranslateForm(dumpLoc, *back, "DBG", true);
  std::vector<std::string> texts;
  Texts(*back, texts);
  Check(texts == builtIn, "a dump does not translate back to the built-in texts");
  ny::LangDump = true;
  for (const ny::TLangMessage& m : ny::LangMessages()) {
    Check(Readable(ny::LangMsg(dumpLoc, m.Key, m.Text)), "a dumped message is no UTF-8");
  }
  ny::LangDump = false;
  ny::CurrentLanguage = "ENG";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzSettings(data, size);
  FuzzLanguage(data, size);
  return 0;
}
