// Start-up and shut-down of the main window, and where its settings file lives.
#include <unistd.h>

#include <cstdlib>

#include "app/Form1.h"
#include "app/Form1Model.h"
#include "lang/NyLang.h"
#include "util/NyApi.h"

namespace ny {

namespace {

constexpr const char* kMain = "main";
constexpr const char* kSize = "Size";

// The settings default of an option box: the four boxes that a first start checks.
const char* OptionDefault(std::string_view box) {
  for (const char* on : {"chIntViewTxt", "chFindAut", "chFindNam", "chFindTxt"}) {
    if (box == on) return "1";
  }
  return "0";
}

std::string SizeKey(const TNyColumn& column) {
  return "LstDoc_" + column.FieldName;
}

}  // namespace

std::string SettingsFileFor(std::string_view programFile) {
  // Whole paths: a program deep in a directory tree keeps its own file names.
  const std::string beside = ChangeExtWhole(programFile, ".ini");
  const std::string dir = ExtractDirWhole(programFile);
  // An installed program never writes beside itself, also when run by root.
  const bool installed = !dir.empty() && !InstalledShareDir(dir).empty();
  if (dir.empty() || (!installed && ::access(dir.c_str(), W_OK) == 0)) return beside;
  const std::string config = UserConfigDir();
  if (config.empty()) return beside;
  ForceDirs(config);
  return config + ChangeExtWhole(ExtractNameWhole(programFile), ".ini");
}

std::string TForm1::ReadMain(const char* key, const char* def) const {
  return IniReadStr(env_.SettingsFile, kMain, key, def);
}

void TForm1::ShowFontCaption() {
  model_->Get(kFontButton)
      .SetStr("Caption", viewerFont_.Name + " - " + std::to_string(viewerFont_.Size) + " - " +
                             std::to_string(viewerFont_.Charset));
  view_.SetViewerFont(viewerFont_);
}

void TForm1::FormCreate() {
  TNyComponent& form = *model_;
  TNyComponent& lang = form.Get(kLangCombo);
  // 1. The language list, first item selected.
  lang.SetItems("Items", GetLanguageList());
  lang.SetValue("ItemIndex", "0");
  // 2. The caption: product name and version of the about component.
  const TNyComponent& about = form.Get(kAbout);
  form.SetStr("Caption", about.Str("ProductName") + " " + about.Str("Version"));
  // 3. Sort by the row id; the list page.
  sortField_ = 1;
  ShowPage(kPageList);
  // 4., 5. The temporary directory and the settings file.
  if (env_.ProgramFile.empty()) env_.ProgramFile = GetProgramFile();
  if (env_.TempDir.empty()) env_.TempDir = GetTempDir();
  if (env_.SettingsFile.empty()) env_.SettingsFile = SettingsFileFor(env_.ProgramFile);
  about_ = std::make_unique<TNyAbout>(form.Get(kAbout), env_.TempDir);
  // 6. The dump for translators holds the built-in texts: no translation has run yet.
  LangDump = ReadMain("LngOut", "0") == "1";
  if (LangDump) TranslateForm(form, "Dbg", false);
  // 7., 8.
  logEnabled_ = ReadMain("LogOut", "0") == "1";
  libraryFile_ = ReadMain("pathbook", "");
  // 9. The saved language; applied as the program's own change, so the key is not written.
  const std::string language = ReadMain("Language", "Default");
  const std::vector<std::string>& items = lang.Items("Items");
  int index = -1;
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i] == language) {
      index = static_cast<int>(i);
      break;
    }
  }
  lang.SetValue("ItemIndex", std::to_string(index));
  cbLangChange(false);
  // 10. The options; a box restored as checked stores its key again through its handler.
  for (const char* box : kOptionBoxes) {
    SetChecked(box, ReadMain(box, OptionDefault(box)) == "1");
  }
  // 11. The viewer font.
  viewerFont_.Name = ReadMain("FontName", "Courier New");
  // A character set is one byte; a stored number outside it (edited by hand, or from a
  // damaged file) gives the default rather than a set no font has.
  viewerFont_.Charset = IniReadInt(env_.SettingsFile, kMain, "FontCSet", 1);
  if (viewerFont_.Charset < 0 || viewerFont_.Charset > 255) viewerFont_.Charset = 1;
  viewerFont_.Size = IniReadInt(env_.SettingsFile, kMain, "FontSize", 10);
  if (viewerFont_.Size < 4 || viewerFont_.Size > 72) viewerFont_.Size = 10;
  ShowFontCaption();
  // 12. The zip components.
  CreateZipComponents();
  // 13. The library of the last run.
  if (FileExistsPlain(libraryFile_)) OpenLibrary(libraryFile_);
}

void TForm1::FormShow() {
  TNyComponent& grid = model_->Get(kDocGrid);
  const std::vector<TNyColumn>& columns = grid.Columns("Columns");
  for (size_t i = 0; i < columns.size(); ++i) {
    int width = IniReadInt(env_.SettingsFile, kSize, SizeKey(columns[i]), 100);
    // A width no one could drag to (a damaged or hand-edited file) gives the default.
    if (width < 10 || width > 2000) width = 100;
    grid.SetColumnWidth("Columns", i, width);
  }
  view_.SetFocus(kDocGrid);
}

void TForm1::FormDestroy() {
  for (const TNyColumn& c : model_->Get(kDocGrid).Columns("Columns")) {
    IniWriteInt(env_.SettingsFile, kSize, SizeKey(c), c.Width);
  }
}

}  // namespace ny
