#include "app/Form1.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "app/Form1Model.h"
#include "common/ProgramDirTest.h"
#include "common/TestDir.h"
#include "lang/NyLang.h"
#include "util/NyApi.h"
#include "util/NyFormat.h"

using ny::TForm1;
using ny::TViewerFont;

namespace {

// The window as the logic sees it: records every request, answers dialogs as told.
class FakeView : public ny::TForm1View {
 public:
  void SetFocus(const std::string& control) override { calls.push_back("focus " + control); }
  void FocusNext() override { calls.push_back("focus next"); }
  void SetBusy(bool busy) override { calls.push_back(busy ? "busy" : "idle"); }
  void ShowMessage(const std::string& text) override { calls.push_back("message " + text); }
  bool AskYesNo(const std::string& text) override {
    calls.push_back("ask " + text);
    return yes;
  }
  std::optional<std::string> RunOpenDialog(const ny::TOpenDialogRequest& request) override {
    calls.push_back("open dialog " + request.Title);
    return openResult;
  }
  bool RunFontDialog(TViewerFont& font) override {
    calls.push_back("font dialog " + font.Name);
    if (!fontResult) return false;
    font = *fontResult;
    return true;
  }
  void SetViewerFont(const TViewerFont& font) override {
    viewerFont = font;
    calls.push_back("viewer font");
  }
  void ProcessMessages() override { calls.push_back("process messages"); }
  void Beep() override { calls.push_back("beep"); }
  void Close() override { calls.push_back("close"); }

  std::vector<std::string> calls;
  bool yes = false;
  std::optional<std::string> openResult;
  std::optional<TViewerFont> fontResult;
  TViewerFont viewerFont{"?", 0, 0};
};

// The "key=value" lines of a file, in file order.
std::vector<std::string> Entries(const std::string& file) {
  std::vector<std::string> out;
  const std::string text = nytest::ReadFile(file);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string::npos) nl = text.size();
    std::string line = text.substr(pos, nl - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find('=') != std::string::npos && line[0] != ';') out.push_back(line);
    pos = nl + 1;
  }
  return out;
}

class Form1Test : public nytest::ProgramDirTest {
 protected:
  void Settings(const std::string& text) { nytest::WriteFile(env_.SettingsFile, text); }
  std::unique_ptr<TForm1> Start() {
    auto form = std::make_unique<TForm1>(view_, env_);
    form->FormCreate();
    form->FormShow();
    return form;
  }
  std::string Main(const char* key) const {
    return ny::IniReadStr(env_.SettingsFile, "main", key, "<none>");
  }
  static const std::string& Hint(TForm1& f, const char* button) {
    return f.Model().Get(button).Str("Hint");
  }
  static std::vector<int> Widths(TForm1& f) {
    std::vector<int> w;
    for (const auto& c : f.Model().Get(ny::kDocGrid).Columns("Columns")) w.push_back(c.Width);
    return w;
  }

  FakeView view_;
};

TEST_F(Form1Test, FirstStartWithoutSettingsFile) {
  auto f = Start();
  EXPECT_EQ(f->Model().Str("Caption"), "Vellum 00.20");
  EXPECT_EQ(f->ActivePage(), "LST");
  EXPECT_EQ(f->SortField(), 1);
  EXPECT_EQ(f->LibraryFile(), "");
  EXPECT_FALSE(f->LogEnabled());
  EXPECT_FALSE(ny::LangDump);
  for (const char* box : ny::kOptionBoxes) {
    const std::string b = box;
    const bool on = b == "chIntViewTxt" || b == "chFindAut" || b == "chFindNam" || b == "chFindTxt";
    EXPECT_EQ(f->Checked(b), on) << b;
  }
  EXPECT_EQ(f->ViewerFont(), (TViewerFont{"Courier New", 10, 1}));
  EXPECT_EQ(view_.viewerFont, (TViewerFont{"Courier New", 10, 1}));
  EXPECT_EQ(f->Model().Get("bFont").Str("Caption"), "Courier New - 10 - 1");
  EXPECT_EQ(Widths(*f), std::vector<int>(6, 100));
  ASSERT_FALSE(view_.calls.empty());
  EXPECT_EQ(view_.calls.back(), "focus DBGrid");
  // The language list: "Default" only, selected; its code is "Def".
  const ny::TNyComponent& lang = f->Model().Get("cbLang");
  EXPECT_EQ(lang.Items("Items"), std::vector<std::string>{"Default"});
  EXPECT_EQ(lang.Value("ItemIndex"), "0");
  EXPECT_EQ(f->LangCode(), "Def");
  EXPECT_EQ(ny::CurrentLanguage, "Def");
  // Only the boxes that start checked were written back; the language key was not.
  EXPECT_EQ(Entries(env_.SettingsFile), (std::vector<std::string>{"chIntViewTxt=1", "chFindAut=1",
                                                                  "chFindNam=1", "chFindTxt=1"}));
  // Closing writes all six widths.
  f->FormDestroy();
  for (const char* field : {"AUTHOR", "SUBJ", "NAME", "SIZE", "FILENAME", "ARCHNAME"}) {
    EXPECT_EQ(ny::IniReadStr(env_.SettingsFile, "Size", std::string("LstDoc_") + field), "100")
        << field;
  }
}

TEST_F(Form1Test, StoredValuesAreReadStrictly) {
  Settings(
      "[main]\nchFindSub=yes\nchIntViewTxt=0\nchFindAut=\nchDelSource=1\nLogOut=true\n"
      "LngOut=2\nFontName=Arial\nFontSize=abc\nFontCSet=204\npathbook=/no/such/lib.sqb\n");
  auto f = Start();
  EXPECT_FALSE(f->Checked("chFindSub"));
  EXPECT_FALSE(f->Checked("chIntViewTxt"));
  EXPECT_FALSE(f->Checked("chFindAut"));  // empty is not "1"
  EXPECT_TRUE(f->Checked("chDelSource"));
  EXPECT_TRUE(f->Checked("chFindNam"));  // missing: the default
  EXPECT_FALSE(f->LogEnabled());
  EXPECT_FALSE(ny::LangDump);
  EXPECT_EQ(f->ViewerFont(), (TViewerFont{"Arial", 10, 204}));
  EXPECT_EQ(f->Model().Get("bFont").Str("Caption"), "Arial - 10 - 204");
  EXPECT_EQ(f->LibraryFile(), "/no/such/lib.sqb");
  // The stored texts that read as unchecked stay as they were.
  EXPECT_EQ(Main("chFindSub"), "yes");
  EXPECT_EQ(Main("chFindAut"), "");
  EXPECT_EQ(Main("chDelSource"), "1");
  EXPECT_EQ(Main("FontSize"), "abc");
  EXPECT_EQ(f->ActivePage(), "LST");
}

// Nonsense sizes in the settings file give the defaults; the bounds themselves are kept.
TEST_F(Form1Test, FontSizeAndColumnWidthsOutsideTheirRangeGiveTheDefaults) {
  for (const auto& [stored, size] :
       std::vector<std::pair<std::string, int>>{{"3", 10}, {"4", 4}, {"72", 72}, {"73", 10},
                                                {"-12", 10}, {"100000", 10}}) {
    Settings("[main]\nFontSize=" + stored + "\n[Size]\nLstDoc_AUTHOR=9\nLstDoc_SUBJ=10\n"
             "LstDoc_NAME=2000\nLstDoc_SIZE=2001\nLstDoc_FILENAME=-5\nLstDoc_ARCHNAME=12281\n");
    auto f = Start();
    EXPECT_EQ(f->ViewerFont().Size, size) << stored;
    EXPECT_EQ(view_.viewerFont.Size, size) << stored;
    EXPECT_EQ(Widths(*f), (std::vector<int>{100, 10, 2000, 100, 100, 100}));
  }
}

TEST_F(Form1Test, StoredCharacterSetOutsideOneByteGivesTheDefault) {
  const std::pair<const char*, int> cases[] = {
      {"0", 0},    {"255", 255}, {"204", 204}, {"256", 1},         {"-1", 1},
      {"1000", 1}, {"abc", 1},   {"", 1},      {"99999999999", 1}, {"0x10", 1},
  };
  for (const auto& [stored, want] : cases) {
    Settings(std::string("[main]\nFontName=Arial\nFontSize=12\nFontCSet=") + stored + "\n");
    auto f = Start();
    EXPECT_EQ(f->ViewerFont(), (TViewerFont{"Arial", 12, want})) << stored;
    EXPECT_EQ(view_.viewerFont, (TViewerFont{"Arial", 12, want})) << stored;
    EXPECT_EQ(f->Model().Get("bFont").Str("Caption"), "Arial - 12 - " + std::to_string(want))
        << stored;
    // The stored text stays until the user picks a font.
    EXPECT_EQ(Main("FontCSet"), stored);
  }
}

TEST_F(Form1Test, ColumnWidthsComeFromSectionSizeAndGoBackOnClose) {
  Settings("[Size]\nLstDoc_NAME=250\nLstDoc_SIZE=wide\n");
  auto f = Start();
  EXPECT_EQ(Widths(*f), (std::vector<int>{100, 100, 250, 100, 100, 100}));
  // The user drags two columns, then leaves.
  f->Model().Get("DBGrid").SetColumnWidth("Columns", 0, 180);
  f->Model().Get("DBGrid").SetColumnWidth("Columns", 5, 60);
  f->FormDestroy();
  const std::vector<std::string> size = {"LstDoc_AUTHOR", "LstDoc_SUBJ",     "LstDoc_NAME",
                                         "LstDoc_SIZE",   "LstDoc_FILENAME", "LstDoc_ARCHNAME"};
  const std::vector<std::string> want = {"180", "100", "250", "100", "100", "60"};
  for (size_t i = 0; i < size.size(); ++i) {
    EXPECT_EQ(ny::IniReadStr(env_.SettingsFile, "Size", size[i]), want[i]) << size[i];
  }
  // The next start shows them again.
  auto again = Start();
  EXPECT_EQ(Widths(*again), (std::vector<int>{180, 100, 250, 100, 100, 60}));
}

TEST_F(Form1Test, EscReturnsToTheListAndCtrlF3OpensTheOptions) {
  auto f = Start();
  view_.calls.clear();

  // On the list page Esc is not handled by the window.
  char key = ny::kKeyEscape;
  f->FormKeyPress(key);
  EXPECT_EQ(key, ny::kKeyEscape);
  EXPECT_EQ(f->ActivePage(), "LST");
  EXPECT_TRUE(view_.calls.empty());

  // Ctrl+F3 with another modifier, or F3 alone, does nothing.
  for (unsigned shift : {unsigned{ny::ssNone}, ny::ssCtrl | ny::ssShift, ny::ssCtrl | ny::ssAlt}) {
    uint16_t k = ny::VK_F3;
    f->FormKeyDown(k, shift);
    EXPECT_EQ(k, ny::VK_F3);
    EXPECT_EQ(f->ActivePage(), "LST");
  }
  uint16_t k = ny::VK_F3;
  f->FormKeyDown(k, ny::ssCtrl);
  EXPECT_EQ(k, 0);
  EXPECT_EQ(f->ActivePage(), "OPT");
  EXPECT_EQ(view_.calls, std::vector<std::string>{"focus G_LstArc"});

  // On the options page Ctrl+F3 is left to the control; another character is not Esc.
  k = ny::VK_F3;
  f->FormKeyDown(k, ny::ssCtrl);
  EXPECT_EQ(k, ny::VK_F3);
  key = 'a';
  f->FormKeyPress(key);
  EXPECT_EQ(key, 'a');
  EXPECT_EQ(f->ActivePage(), "OPT");

  key = ny::kKeyEscape;
  f->FormKeyPress(key);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(f->ActivePage(), "LST");
  EXPECT_EQ(view_.calls.back(), "focus DBGrid");

  // From the viewer page as well.
  f->ShowPage("TXT");
  key = ny::kKeyEscape;
  f->FormKeyPress(key);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(f->ActivePage(), "LST");
}

TEST_F(Form1Test, ZipComponentsLiveForTheRunAndTalkThroughTheWindow) {
  auto f = Start();
  EXPECT_EQ(f->ZipWriter().CompressionLevel(), 3);
  view_.calls.clear();
  // A zip that already holds the target asks the user; "No" keeps the old file.
  const std::string doc = dir_ / "note.txt";
  nytest::WriteFile(doc, "first text\n");
  f->ZipWriter().SetZipName(dir_ / "note.zip");
  f->ZipWriter().SetFilesList({doc});
  ASSERT_EQ(f->ZipWriter().Pack(), ny::TZipWriteStatus::zwOk);
  nytest::WriteFile(env_.TempDir + "note.txt", "kept\n");
  f->ZipReader().SetZipName(dir_ / "note.zip");
  f->ZipReader().SetDestDir(env_.TempDir);
  f->ZipReader().SetFilesList({"note.txt"});
  view_.yes = false;
  EXPECT_EQ(f->ZipReader().UnZip(), 0);
  EXPECT_EQ(nytest::ReadFile(env_.TempDir + "note.txt"), "kept\n");
  ASSERT_FALSE(view_.calls.empty());
  EXPECT_TRUE(view_.calls.front().starts_with("ask ")) << view_.calls.front();
  view_.yes = true;
  EXPECT_EQ(f->ZipReader().UnZip(), 1);
  EXPECT_EQ(nytest::ReadFile(env_.TempDir + "note.txt"), "first text\n");
}

TEST_F(Form1Test, CaptionNamesTheConnectedLibraryAndExitClosesTheWindow) {
  auto f = Start();
  f->SQLiteDBAfterConnect("/lib/Books.sqb");
  EXPECT_EQ(f->Model().Str("Caption"), "Vellum 00.20 [/lib/Books.sqb]");
  f->bExitClick();
  EXPECT_EQ(view_.calls.back(), "close");
}

TEST_F(Form1Test, WindowFixesTheFormatsWhateverWasSetBefore) {
  // Formats left behind by someone else (a regional setting, an earlier window).
  ny::FormatSettings.DecimalSeparator = ',';
  ny::FormatSettings.ThousandSeparator = ' ';
  ny::FormatSettings.DateSeparator = '/';
  ny::FormatSettings.ShortDateFormat = "MM/dd/yy";
  ny::FormatSettings.LongTimeFormat = "h:nn";
  TForm1 f(view_, env_);
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 7;
  t.tm_hour = 9;
  t.tm_min = 5;
  t.tm_sec = 2;
  const ny::TNyFormatSettings& fs = ny::FormatSettings;
  EXPECT_EQ(ny::FormatDateTime(fs.ShortDateFormat + " " + fs.LongTimeFormat, t),
            "07.12.2026 09:05:02");
  EXPECT_EQ(ny::FormatDateTime(fs.ShortTimeFormat, t), "09:05");
  EXPECT_EQ(ny::FormatDateTime("dd/mm/yyyy", t), "07.12.2026");
  EXPECT_EQ(ny::FormatThousands(-1234567), "-1,234,567");
  EXPECT_EQ(ny::FormatFixed(12.5, 2), "12.50");
  // The caption's product name and version come from the same component.
  const ny::TNyComponent& about = f.Model().Get(ny::kAbout);
  EXPECT_EQ(about.Str("ProductName"), "Vellum");
  EXPECT_EQ(about.Str("Version"), "00.20");
}

TEST_F(Form1Test, LogLinesOnlyWhenLogOutIsOne) {
  {
    auto f = Start();
    f->WriteLog("nothing to see");
    EXPECT_FALSE(ny::FileExistsPlain(env_.TempDir + "vellum.log"));
  }
  Settings("[main]\nLogOut=1\n");
  auto f = Start();
  EXPECT_TRUE(f->LogEnabled());
  f->WriteLog("Import: /home/u/a.zip");
  f->WriteLog("Check finished");
  const std::string log = nytest::ReadFile(env_.TempDir + "vellum.log");
  const std::regex line(
      "\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d Import: /home/u/a\\.zip\n"
      "\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d Check finished\n");
  EXPECT_TRUE(std::regex_match(log, line)) << log;
}

TEST_F(Form1Test, LogDoesNotFollowASymbolicLink) {
  Settings("[main]\nLogOut=1\n");
  const std::string target = dir_ / "elsewhere.txt";
  nytest::WriteFile(target, "keep\n");
  ASSERT_EQ(::symlink(target.c_str(), (env_.TempDir + "vellum.log").c_str()), 0);
  auto f = Start();
  f->WriteLog("planted");
  EXPECT_EQ(nytest::ReadFile(target), "keep\n");
}

TEST_F(Form1Test, OptionBoxesAreStoredTheMomentTheyChange) {
  {
    auto f = Start();
    f->SetChecked("chFindSub", true);
    EXPECT_EQ(Main("chFindSub"), "1");
    f->SetChecked("chIntViewTxt", false);
    EXPECT_EQ(Main("chIntViewTxt"), "0");
    EXPECT_EQ(Main("chAutoFind"), "<none>");  // never touched
  }
  auto f = Start();
  EXPECT_TRUE(f->Checked("chFindSub"));
  EXPECT_FALSE(f->Checked("chIntViewTxt"));
  EXPECT_THROW(f->SetChecked("chNoSuchBox", true), ny::ENyComponent);
}

TEST_F(Form1Test, FontDialogSetsCaptionViewerAndKeysOrNothingOnCancel) {
  auto f = Start();
  view_.fontResult.reset();
  f->bFontClick();
  EXPECT_EQ(view_.calls.back(), "font dialog Courier New");
  EXPECT_EQ(f->Model().Get("bFont").Str("Caption"), "Courier New - 10 - 1");
  EXPECT_EQ(Main("FontName"), "<none>");

  view_.fontResult = TViewerFont{"Arial", 12, 204};
  f->bFontClick();
  EXPECT_EQ(f->ViewerFont(), (TViewerFont{"Arial", 12, 204}));
  EXPECT_EQ(view_.viewerFont, (TViewerFont{"Arial", 12, 204}));
  EXPECT_EQ(f->Model().Get("bFont").Str("Caption"), "Arial - 12 - 204");
  EXPECT_EQ(Main("FontName"), "Arial");
  EXPECT_EQ(Main("FontSize"), "12");
  EXPECT_EQ(Main("FontCSet"), "204");

  view_.fontResult = TViewerFont{"DejaVu Sans Mono", 9, 300};
  f->bFontClick();
  EXPECT_EQ(Main("FontCSet"), "255");
  EXPECT_EQ(f->Model().Get("bFont").Str("Caption"), "DejaVu Sans Mono - 9 - 255");

  auto again = Start();
  EXPECT_EQ(again->ViewerFont(), (TViewerFont{"DejaVu Sans Mono", 9, 255}));
}

TEST_F(Form1Test, SavedLanguageTranslatesAtStartWithoutWritingTheKey) {
  InstallRussian();
  Settings("[main]\nLanguage=RUS-Lang\n");
  auto f = Start();
  EXPECT_EQ(f->LangCode(), "RUS");
  EXPECT_EQ(ny::CurrentLanguage, "RUS");
  EXPECT_EQ(f->Model().Get("cbLang").Value("ItemIndex"), "1");
  EXPECT_EQ(Hint(*f, "bLibOpen"), "Открыть библиотеку");
  EXPECT_EQ(f->Model().Get("DBGrid").Columns("Columns")[2].Title, "Название документа");
  EXPECT_EQ(f->Model().Get("chFindAut").Str("Caption"), "Автор");
  // Texts the program fills itself keep their own value: the Russian file leaves them empty.
  EXPECT_EQ(f->Model().Str("Caption"), "Vellum 00.20");
  EXPECT_EQ(f->Model().Get("lRec").Str("Caption"), ". . . . . . .");
  EXPECT_EQ(f->Model().Get("bFont").Str("Caption"), "Courier New - 10 - 1");
  EXPECT_EQ(f->Model().Get("cbLang").Items("Items")[0], "Default");
}

// A translated copy of an old dump still holds the texts the program sets itself: they are
// not relabelled, and the stored language keeps its name.
TEST_F(Form1Test, ALanguageFileDoesNotRelabelTheProgramsOwnTexts) {
  nytest::WriteFile(dir_ / "vellum-XYZ.lng",
                    "[Form1]\nTForm1-Form1-Caption=Window\nTButton-bFont-Caption=Font\n"
                    "TComboBox-cbLang-Items0=Standard\nTComboBox-cbLang-Items1=Other\n"
                    "TLabel-lRec-Caption=none\nTLabel-lNameText-Caption=File\n"
                    "TSpeedButton-bExit-Hint=Leave\n");
  auto f = Start();
  f->SelectLanguage(1);
  EXPECT_EQ(Hint(*f, "bExit"), "Leave");
  EXPECT_EQ(f->Model().Str("Caption"), "Vellum 00.20");
  EXPECT_EQ(f->Model().Get("bFont").Str("Caption"), "Courier New - 10 - 1");
  EXPECT_EQ(f->Model().Get("cbLang").Items("Items"),
            (std::vector<std::string>{"Default", "XYZ-Lang"}));
  EXPECT_EQ(f->Model().Get("lRec").Str("Caption"), ". . . . . . .");
  EXPECT_EQ(f->Model().Get("lNameText").Str("Caption"), "TextFile");
  f->SelectLanguage(1);
  EXPECT_EQ(Main("Language"), "XYZ-Lang");
}

TEST_F(Form1Test, PickingALanguageStoresItAndTranslatesAtOnce) {
  InstallRussian();
  auto f = Start();
  EXPECT_EQ(Main("Language"), "<none>");  // the start-up's own call writes nothing
  EXPECT_EQ(Hint(*f, "bLibOpen"), "Open library");
  const auto& items = f->Model().Get("cbLang").Items("Items");
  ASSERT_EQ(items, (std::vector<std::string>{"Default", "RUS-Lang"}));

  f->SelectLanguage(1);
  EXPECT_EQ(ny::IniReadStr(env_.SettingsFile, "Main", "Language"), "RUS-Lang");
  EXPECT_EQ(f->LangCode(), "RUS");
  EXPECT_EQ(Hint(*f, "bLibOpen"), "Открыть библиотеку");
  EXPECT_EQ(f->Model().Get("Label4").Str("Caption"), "&1 Поиск");

  // Back to "Default": stored, but there is no file for "Def", so the texts stay.
  f->SelectLanguage(0);
  EXPECT_EQ(Main("Language"), "Default");
  EXPECT_EQ(f->LangCode(), "Def");
  EXPECT_EQ(Hint(*f, "bLibOpen"), "Открыть библиотеку");
}

TEST_F(Form1Test, UnknownSavedLanguageSelectsNothingAndTranslatesNothing) {
  InstallRussian();
  // A file of another base name is listed but never found for its code.
  nytest::WriteFile(dir_ / "other-xyz.lng", "[Form1]\nTSpeedButton-bLibOpen-Hint=xyz\n");
  Settings("[main]\nLanguage=Klingon\n");
  auto f = Start();
  EXPECT_EQ(f->Model().Get("cbLang").Value("ItemIndex"), "-1");
  EXPECT_EQ(f->LangCode(), "");
  EXPECT_EQ(Hint(*f, "bLibOpen"), "Open library");
  const auto& items = f->Model().Get("cbLang").Items("Items");
  // Listed in name order: "other-xyz.lng" before "vellum-RUS.lng".
  ASSERT_EQ(items, (std::vector<std::string>{"Default", "XYZ-Lang", "RUS-Lang"}));
  f->SelectLanguage(1);
  EXPECT_EQ(f->LangCode(), "XYZ");
  EXPECT_EQ(Hint(*f, "bLibOpen"), "Open library");
}

// The dump for translators, and the Russian file checked against it: every key the file
// holds names a real text of the window, and every text a user reads has a translation.
TEST_F(Form1Test, DumpHoldsTheBuiltInTextsAndTheRussianFileCoversThem) {
  InstallRussian();
  Settings("[main]\nLngOut=1\nLanguage=RUS-Lang\n");
  auto f = Start();
  EXPECT_TRUE(ny::LangDump);
  EXPECT_EQ(Hint(*f, "bLibOpen"), "Открыть библиотеку");  // translated after the dump
  const std::string dump = dir_ / "vellum-Dbg.lng";
  const std::vector<std::string> entries = Entries(dump);
  auto has = [&](const std::string& e) {
    return std::find(entries.begin(), entries.end(), e) != entries.end();
  };

  EXPECT_TRUE(has("TSpeedButton-bLibOpen-Hint=Open library"));
  EXPECT_TRUE(has("TSpeedButton-bLibOpen-Caption="));
  EXPECT_TRUE(has("TEdit-eLike-Text="));
  EXPECT_TRUE(has("TLabel-Label4-Caption=&1 Search"));
  EXPECT_TRUE(has("TDBGrid-DBGrid-Columns2=\"Document name \""));
  EXPECT_TRUE(has("TCheckBox-chShowFileNam-Caption=Show field \"File name\" document"));
  EXPECT_TRUE(has("TDBGrid-G_LstArc-Columns3=Append command"));
  // The texts the program sets itself are not for translators.
  for (const char* own : {"TForm1-Form1-Caption", "TLabel-lRec-Caption",
                                 "TButton-bFont-Caption", "TComboBox-cbLang-Items0",
                                 "TComboBox-cbLang-Items1", "TLabel-lNameText-Caption"}) {
    EXPECT_EQ(ny::IniReadStr(dump, "Form1", own, "<none>"), "<none>") << own;
  }
  std::vector<std::string> keys;
  for (const std::string& e : entries) {
    const std::string key = e.substr(0, e.find('='));
    EXPECT_EQ(key.find("ImeName"), std::string::npos) << e;
    EXPECT_EQ(key.find("Notebook1"), std::string::npos) << e;
    EXPECT_EQ(key.find("SQLiteDB"), std::string::npos) << e;
    EXPECT_EQ(key.find("NyAbout1"), std::string::npos) << e;
    EXPECT_EQ(std::count(keys.begin(), keys.end(), key), 0) << "twice: " << key;
    keys.push_back(key);
  }
  // Every key of the Russian file is one the window produces ...
  const std::string rus = dir_ / "vellum-RUS.lng";
  const std::vector<std::string> rusEntries = Entries(rus);
  size_t formKeys = 0;
  for (const std::string& e : rusEntries) {
    const std::string key = e.substr(0, e.find('='));
    if (key.starts_with("T") && key.find('-') != std::string::npos &&
        ny::IniReadStr(rus, "Form1", key, "<none>") != "<none>") {
      ++formKeys;
      EXPECT_NE(std::find(keys.begin(), keys.end(), key), keys.end()) << "unknown key " << key;
    }
  }
  EXPECT_GT(formKeys, 40u);
  // ... and every non-empty built-in text has a translation.
  for (const std::string& e : entries) {
    const std::string key = e.substr(0, e.find('='));
    if (e.size() == key.size() + 1) continue;  // empty built-in text
    EXPECT_NE(ny::IniReadStr(rus, "Form1", key), "") << "untranslated " << key;
  }
}

TEST(SettingsFileFor, BesideAWritableProgramOtherwiseInTheUserConfiguration) {
  nytest::TestDir d;
  EXPECT_EQ(ny::SettingsFileFor(d / "vellum"), d / "vellum.ini");
  EXPECT_EQ(ny::SettingsFileFor(d / "vellum.bin"), d / "vellum.ini");

  const char* old = ::getenv("XDG_CONFIG_HOME");
  const std::string saved = old != nullptr ? old : "";
  ::setenv("XDG_CONFIG_HOME", (d / "config").c_str(), 1);
  // A program directory that cannot be written (here: one that does not exist).
  EXPECT_EQ(ny::SettingsFileFor("/nonexistent-vellum/bin/vellum"), d / "config/vellum/vellum.ini");
  EXPECT_TRUE(ny::DirExists(d / "config/vellum"));
  // A program deep in a directory tree keeps the whole path.
  const std::string deep = d / (std::string(150, 'a') + "/" + std::string(150, 'b') + "/");
  ny::ForceDirs(deep);
  EXPECT_EQ(ny::SettingsFileFor(deep + "vellum"), deep + "vellum.ini");
  // An installed program (<prefix>/bin with <prefix>/share/vellum) keeps its settings in the
  // user's directory, also when its directory is writable (run by root).
  ny::ForceDirs(d / "usr/bin");
  EXPECT_EQ(ny::SettingsFileFor(d / "usr/bin/vellum"), d / "usr/bin/vellum.ini");
  ny::ForceDirs(d / "usr/share/vellum");
  EXPECT_EQ(ny::SettingsFileFor(d / "usr/bin/vellum"), d / "config/vellum/vellum.ini");
  if (old != nullptr) {
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
