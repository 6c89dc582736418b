#include "lang/NyLang.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "common/TestDir.h"
#include "util/NyApi.h"
#include "util/NyText.h"

using ny::TLangLocation;
using ny::TNyColumn;
using ny::TNyComponent;

namespace {

// The globals are process-wide; every test starts from the program's initial state.
class NyLangTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ny::CurrentLanguage = "ENG";
    ny::LangDump = false;
    loc_.Dirs = {dir_.Path()};
    loc_.Base = "vellum";
    loc_.DumpDir = dir_.Path();
  }
  void TearDown() override {
    ny::CurrentLanguage = "ENG";
    ny::LangDump = false;
  }

  // Lines of the file that hold '=' (the entries), in file order.
  static std::vector<std::string> Entries(const std::string& file) {
    std::vector<std::string> out;
    const std::string text = nytest::ReadFile(file);
    size_t pos = 0;
    while (pos < text.size()) {
      size_t nl = text.find('\n', pos);
      if (nl == std::string::npos) nl = text.size();
      std::string line = text.substr(pos, nl - pos);
      if (line.find('=') != std::string::npos) out.push_back(line);
      pos = nl + 1;
    }
    return out;
  }

  nytest::TestDir dir_;
  TLangLocation loc_;
};

// A small main window: a page switcher, buttons, a combo box, a grid bound through a data
// source to a record set, a pop-up menu shared by two controls, and components whose texts
// are never translated.
std::unique_ptr<TNyComponent> MakeForm() {
  auto form = std::make_unique<TNyComponent>("TForm1", "Form1");
  form->AddString("Caption", "Form1").AddString("Hint").AddObject("Font").AddValue("Width", "800");
  TNyComponent& db = form->Add("TNySQLite3DB", "SQLiteDB");
  db.AddString("DLLName", "libsqlite3.so.0").AddString("Database", "/lib/b.sqb");
  TNyComponent& query = form->Add("TNySQLite3Query", "LstDoc");
  query.AddRef("Database", &db).AddStrings("SQL", {"select RowId,* from LSTDOC"});
  TNyComponent& ds = form->Add("TDataSource", "DS_LstDoc");
  ds.AddRef("DataSet", &query);
  TNyComponent& menu = form->Add("TPopupMenu", "PopupMenu1");
  menu.AddString("Hint", "Menu");
  TNyComponent& pages = form->Add("TNotebook", "Notebook1");
  pages.AddString("ActivePage", "LST").AddStrings("Pages", {"LST", "OPT", "TXT"});
  TNyComponent& b = form->Add("TSpeedButton", "bLibOpen");
  b.AddString("Caption").AddString("Hint", "Open library").AddRef("PopupMenu", &menu);
  TNyComponent& e = form->Add("TEdit", "eLike");
  e.AddString("ImeName", "ime").AddString("Text").AddString("Hint", "Search");
  e.AddRef("PopupMenu", &menu);
  TNyComponent& grid = form->Add("TDBGrid", "DBGrid");
  grid.AddColumns("Columns", {TNyColumn{"AUTHOR", "Author"}, TNyColumn{"NAME", "Document name "}})
      .AddRef("DataSource", &ds)
      .AddValue("DataField", "TEXT");
  TNyComponent& combo = form->Add("TComboBox", "cbLang");
  combo.AddString("Text").AddStrings("Items", {"Default", "RUS-Lang"});
  TNyComponent& label = form->Add("TLabel", "");
  label.AddString("Caption", "unnamed");
  return form;
}

const char* kFormKeys[] = {
    "TForm1-Form1-Caption=Form1",
    "TForm1-Form1-Hint=",
    "TPopupMenu-PopupMenu1-Hint=Menu",
    "TSpeedButton-bLibOpen-Caption=",
    "TSpeedButton-bLibOpen-Hint=Open library",
    "TEdit-eLike-Text=",
    "TEdit-eLike-Hint=Search",
    "TDBGrid-DBGrid-Columns0=Author",
    "TDBGrid-DBGrid-Columns1=\"Document name \"",
    "TComboBox-cbLang-Text=",
    "TComboBox-cbLang-Items0=Default",
    "TComboBox-cbLang-Items1=RUS-Lang",
};

}  // namespace

TEST_F(NyLangTest, LanguageListHoldsDefaultAndEveryMatchingFileInNameOrder) {
  EXPECT_EQ(ny::GetLanguageList(loc_), std::vector<std::string>{"Default"});

  // Created out of order: the listing does not depend on the order of creation.
  nytest::WriteFile(dir_ / "vellum-rus.lng", "[Msg]\n");
  nytest::WriteFile(dir_ / "other-xyz.lng", "");
  nytest::WriteFile(dir_ / "vellum-ENG.lng", "");
  nytest::WriteFile(dir_ / "x-abc.LNG", "");        // extension in any case
  nytest::WriteFile(dir_ / "-pol.lng", "");         // empty base name
  nytest::WriteFile(dir_ / "vellum-укр.lng", "");   // three characters, not bytes
  nytest::WriteFile(dir_ / "vellum-abcd.lng", "");  // no hyphen before the code
  nytest::WriteFile(dir_ / "vellum-ab.lng", "");    // two characters
  nytest::WriteFile(dir_ / "vellum-a\tb.lng", "");  // control character in the code
  nytest::WriteFile(dir_ / "vellum-DEU.lng.bak", "");
  nytest::WriteFile(dir_ / "vellum.ini", "");
  ASSERT_EQ(::mkdir((dir_ / "dir-fra.lng").c_str(), 0755), 0);  // a directory is no file

  EXPECT_EQ(ny::GetLanguageList(loc_),
            (std::vector<std::string>{"Default", "POL-Lang", "XYZ-Lang", "ENG-Lang", "RUS-Lang",
                                      "укр-Lang", "ABC-Lang"}));

  // A second directory adds its files after the first one's; a name already listed is not
  // listed again.
  nytest::TestDir share;
  nytest::WriteFile(share / "vellum-RUS.lng", "");
  nytest::WriteFile(share / "vellum-bel.lng", "");
  loc_.Dirs.push_back(share.Path());
  loc_.Dirs.push_back("/nonexistent-dir/");
  const auto list = ny::GetLanguageList(loc_);
  ASSERT_EQ(list.size(), 8u);
  EXPECT_EQ(list.back(), "BEL-Lang");

  // A FIFO under a language file's name is no language file: reading it would block.
  ASSERT_EQ(::mkfifo((share / "vellum-fif.lng").c_str(), 0600), 0);
  EXPECT_EQ(ny::GetLanguageList(loc_), list);
  EXPECT_EQ(ny::LanguageFile(loc_, "FIF"), "");
  ny::CurrentLanguage = "FIF";
  EXPECT_EQ(ny::LangMsg(loc_, "DelArc3", "You are assured?"), "You are assured?");

  EXPECT_EQ(ny::LangCodeOfEntry("RUS-Lang"), "RUS");
  EXPECT_EQ(ny::LangCodeOfEntry("Default"), "Def");
  EXPECT_EQ(ny::LangCodeOfEntry("укр-Lang"), "укр");
  EXPECT_EQ(ny::LangCodeOfEntry("ab"), "ab");
  EXPECT_EQ(ny::LangCodeOfEntry(""), "");
}

TEST_F(NyLangTest, LanguageFilesAreFoundWithoutRegardToLetterCase) {
  nytest::WriteFile(dir_ / "vellum-rus.lng", "[Msg]\nSelLib=Откройте библиотеку\n");
  nytest::WriteFile(dir_ / "other-xyz.lng",
                    "[Msg]\nSelLib=xyz\n[Form1]\nTForm1-Form1-Caption=xyz\n");
  EXPECT_EQ(ny::LanguageFile(loc_, "RUS"), dir_ / "vellum-rus.lng");
  EXPECT_EQ(ny::LanguageFile(loc_, "rus"), dir_ / "vellum-rus.lng");
  EXPECT_EQ(ny::LanguageFile(loc_, "XYZ"), "");
  EXPECT_EQ(ny::LanguageFile(loc_, "Def"), "");
  EXPECT_EQ(ny::LanguageFile(loc_, "../vellum-rus"), "");  // a code never leaves the directory
  EXPECT_EQ(ny::DumpFileFor(loc_, "a/b"), "");

  // A file of another base name is listed, but choosing it translates nothing.
  auto form = MakeForm();
  ny::TranslateForm(loc_, *form, ny::LangCodeOfEntry("XYZ-Lang"), true);
  EXPECT_EQ(ny::CurrentLanguage, "XYZ");
  EXPECT_EQ(form->Str("Caption"), "Form1");
  EXPECT_EQ(ny::LangMsg(loc_, "SelLib", "Select library file for open"),
            "Select library file for open");

  ny::TranslateForm(loc_, *form, "RUS", true);
  EXPECT_EQ(ny::LangMsg(loc_, "SelLib", "Select library file for open"), "Откройте библиотеку");
}

TEST_F(NyLangTest, ApplyReplacesNonEmptyTextsAndKeepsTheRest) {
  nytest::WriteFile(dir_ / "vellum-RUS.lng",
                    "[Form1]\n"
                    "TForm1-Form1-Caption=Веллум\n"
                    "TSpeedButton-bLibOpen-Hint=Открыть библиотеку\n"
                    "TSpeedButton-bLibOpen-Caption=\n"  // empty: built-in stays
                    "TEdit-eLike-Hint=\n"
                    "TPopupMenu-PopupMenu1-Hint=Меню\n"
                    "TDBGrid-DBGrid-Columns0=Автор\n"
                    "TDBGrid-DBGrid-Columns1=\"Название \"\n"
                    "TDBGrid-DBGrid-Columns2=Лишний\n"  // beyond the column count
                    "TComboBox-cbLang-Items0=По умолчанию\n"
                    "TComboBox-cbLang-Items7=Лишний\n"  // beyond the item count
                    "TComboBox-cbLang-Items=Весь список\n"
                    "TSpeedButton-bLibOpen-Name=bOther\n"
                    "TEdit-eLike-ImeName=ime2\n"
                    "TNotebook-Notebook1-ActivePage=OPT\n"
                    "TNotebook-Notebook1-Pages0=XXX\n"
                    "TNySQLite3DB-SQLiteDB-Database=/etc/passwd\n"
                    "TNySQLite3Query-LstDoc-SQL0=drop table LSTDOC\n"
                    "TLabel--Caption=безымянный\n"
                    "TDBGrid-DBGrid-DataField=NAME\n"
                    "[Other]\n"
                    "TEdit-eLike-Text=не та секция\n");
  auto form = MakeForm();
  int changes = 0;
  form->OnChange = [&](TNyComponent&, const std::string&, int) { ++changes; };
  ny::TranslateForm(loc_, *form, "RUS", true);

  EXPECT_EQ(ny::CurrentLanguage, "RUS");
  EXPECT_EQ(form->Str("Caption"), "Веллум");
  TNyComponent& b = form->Get("bLibOpen");
  EXPECT_EQ(b.Str("Hint"), "Открыть библиотеку");
  EXPECT_EQ(b.Str("Caption"), "");
  EXPECT_EQ(form->Get("eLike").Str("Hint"), "Search");
  EXPECT_EQ(form->Get("eLike").Str("Text"), "");  // other sections do not count
  EXPECT_EQ(form->Get("PopupMenu1").Str("Hint"), "Меню");
  const auto& cols = form->Get("DBGrid").Columns("Columns");
  ASSERT_EQ(cols.size(), 2u);
  EXPECT_EQ(cols[0].Title, "Автор");
  EXPECT_EQ(cols[1].Title, "Название ");
  EXPECT_EQ(cols[0].FieldName, "AUTHOR");
  EXPECT_EQ(form->Get("cbLang").Items("Items"),
            (std::vector<std::string>{"По умолчанию", "RUS-Lang"}));
  // Never touched: names, skipped properties and classes, unnamed components, non-texts.
  EXPECT_NE(form->Find("bLibOpen"), nullptr);
  EXPECT_EQ(form->Get("eLike").Str("ImeName"), "ime");
  EXPECT_EQ(form->Get("Notebook1").Str("ActivePage"), "LST");
  EXPECT_EQ(form->Get("Notebook1").Items("Pages")[0], "LST");
  EXPECT_EQ(form->Get("SQLiteDB").Str("Database"), "/lib/b.sqb");
  EXPECT_EQ(form->Get("LstDoc").Items("SQL")[0], "select RowId,* from LSTDOC");
  EXPECT_EQ(form->Component(form->ComponentCount() - 1).Str("Caption"), "unnamed");
  EXPECT_EQ(form->Get("DBGrid").Value("DataField"), "TEXT");
  EXPECT_EQ(changes, 6);  // the view is told of every text that changed, and only those

  // Choosing "Default" looks for a file of code "Def", which normally does not exist: the
  // texts on screen stay.
  ny::TranslateForm(loc_, *form, "Def", true);
  EXPECT_EQ(ny::CurrentLanguage, "Def");
  EXPECT_EQ(form->Str("Caption"), "Веллум");
}

TEST_F(NyLangTest, SkippedNamesCompareExactly) {
  nytest::WriteFile(dir_ / "vellum-RUS.lng",
                    "[Form1]\n"
                    "TMyNotebook-Book-Caption=книга\n"
                    "TMyNotebook-Book-activepage=страница\n"
                    "Tnotebook-Book2-Caption=книга2\n");
  TNyComponent form("TForm1", "Form1");
  // Derived from a skipped class, under another class name: walked.
  form.Add("TMyNotebook", "Book").AddString("Caption", "book").AddString("activepage", "p");
  form.Add("Tnotebook", "Book2").AddString("Caption", "book2");
  ny::TranslateForm(loc_, form, "RUS", true);
  EXPECT_EQ(form.Get("Book").Str("Caption"), "книга");
  EXPECT_EQ(form.Get("Book").Str("activepage"), "страница");
  EXPECT_EQ(form.Get("Book2").Str("Caption"), "книга2");
}

TEST_F(NyLangTest, DumpWritesEveryTextOnceInWalkOrder) {
  auto form = MakeForm();
  ny::TranslateForm(loc_, *form, "Dbg", false);
  EXPECT_EQ(ny::CurrentLanguage, "Dbg");
  const std::string dump = dir_ / "vellum-Dbg.lng";
  ASSERT_TRUE(ny::FileExistsPlain(dump));
  EXPECT_EQ(nytest::ReadFile(dump).rfind("[Form1]\n", 0), 0u);
  // The shared pop-up menu is reached twice (through bLibOpen and eLike): same key, one line.
  EXPECT_EQ(Entries(dump), std::vector<std::string>(std::begin(kFormKeys), std::end(kFormKeys)));
  // The dump reads back as the built-in texts, blanks included.
  EXPECT_EQ(ny::IniReadStr(dump, "Form1", "TDBGrid-DBGrid-Columns1"), "Document name ");
  EXPECT_EQ(form->Get("DBGrid").Columns("Columns")[1].Title, "Document name ");

  // A dump of a translated form holds the texts on screen; keys already there are rewritten.
  nytest::WriteFile(dir_ / "vellum-RUS.lng", "[Form1]\nTEdit-eLike-Hint=Поиск\n");
  ny::TranslateForm(loc_, *form, "RUS", true);
  ny::TranslateForm(loc_, *form, "DBG", false);
  EXPECT_EQ(ny::IniReadStr(dump, "Form1", "TEdit-eLike-Hint"), "Поиск");
  EXPECT_EQ(Entries(dump).size(), std::size(kFormKeys));

  // Messages go into the same file, each once, the first time it is shown.
  ny::CurrentLanguage = "ENG";
  ny::LangDump = true;
  EXPECT_EQ(ny::LangMsg(loc_, "LibStat1", "All records: "), "All records: ");
  EXPECT_EQ(ny::LangMsg(loc_, "LibStat1", "changed"), "changed");
  EXPECT_EQ(ny::LangMsg(loc_, "DelArc1", "Delete record about document:"),
            "Delete record about document:");
  EXPECT_EQ(ny::IniReadStr(dump, "Msg", "LibStat1"), "All records: ");
  // A placeholder "?" is replaced; any other value is kept.
  ny::IniWriteStr(dump, "Msg", "SelLib", "?");
  ny::IniWriteStr(dump, "Msg", "CreLib", "mine");
  ny::LangMsg(loc_, "SelLib", "Select library file for open");
  ny::LangMsg(loc_, "CreLib", "Select library file for create");
  EXPECT_EQ(ny::IniReadStr(dump, "Msg", "SelLib"), "Select library file for open");
  EXPECT_EQ(ny::IniReadStr(dump, "Msg", "CreLib"), "mine");
  const auto entries = Entries(dump);
  EXPECT_EQ(std::count(entries.begin(), entries.end(), "LibStat1=\"All records: \""), 1);
  EXPECT_EQ(std::count(entries.begin(), entries.end(), "DelArc1=Delete record about document:"), 1);
  // One file for both spellings, and it is listed like a language.
  const auto list = ny::GetLanguageList(loc_);
  EXPECT_EQ(std::count(list.begin(), list.end(), "DBG-Lang"), 1);
}

TEST_F(NyLangTest, DumpOfAMessageWithoutAFormCreatesTheDumpFile) {
  ny::LangDump = true;
  ny::LangMsg(loc_, "SelLib", "Select library file for open");
  EXPECT_EQ(nytest::ReadFile(dir_ / "vellum-DBG.lng"),
            "[Msg]\nSelLib=Select library file for open\n");
  // Without the flag nothing is written.
  ny::LangDump = false;
  ny::LangMsg(loc_, "CreLib", "Select library file for create");
  EXPECT_EQ(ny::IniReadStr(dir_ / "vellum-DBG.lng", "Msg", "CreLib", "none"), "none");
}

TEST_F(NyLangTest, MessagesFollowTheCurrentLanguage) {
  nytest::WriteFile(dir_ / "vellum-RUS.lng",
                    "[Msg]\nDelArc3=Вы уверены?\nLibStat1=\"Всего записей: \"\nLibCont2=\n");
  EXPECT_EQ(ny::LangMsg(loc_, "DelArc3", "You are assured?"), "You are assured?");  // ENG
  ny::CurrentLanguage = "RUS";
  EXPECT_EQ(ny::LangMsg(loc_, "DelArc3", "You are assured?"), "Вы уверены?");
  EXPECT_EQ(ny::LangMsg(loc_, "LibStat1", "All records: "), "Всего записей: ");
  EXPECT_EQ(ny::LangMsg(loc_, "LibCont2", "documents"), "documents");  // empty value
  EXPECT_EQ(ny::LangMsg(loc_, "LibCont5", "files"), "files");          // missing key
  // Nothing is cached: an edited file counts at the next message.
  nytest::WriteFile(dir_ / "vellum-RUS.lng", "[msg]\ndelarc3=Точно?\n");
  EXPECT_EQ(ny::LangMsg(loc_, "DelArc3", "You are assured?"), "Точно?");
  ny::CurrentLanguage = "";  // a saved language that matched no entry
  EXPECT_EQ(ny::LangMsg(loc_, "DelArc3", "You are assured?"), "You are assured?");
  nytest::WriteFile(dir_ / "vellum-.lng", "[Msg]\nDelArc3=empty code\n");
  EXPECT_EQ(ny::LangMsg(loc_, "DelArc3", "You are assured?"), "empty code");
}

TEST_F(NyLangTest, Windows1251FileReadsAsTheRightText) {
  const std::string text =
      "[Form1]\r\nTSpeedButton-bLibOpen-Hint=Открыть библиотеку\r\n"
      "TComboBox-cbLang-Items1=Русский\r\n[Msg]\r\nDelArc3=Вы уверены?\r\n";
  const std::string bytes = ny::EncodeCodePage(text, 1251);
  ASSERT_FALSE(ny::IsValidUtf8(bytes));
  nytest::WriteFile(dir_ / "vellum-RUS.lng", bytes);
  auto form = MakeForm();
  ny::TranslateForm(loc_, *form, "RUS", true);
  EXPECT_EQ(form->Get("bLibOpen").Str("Hint"), "Открыть библиотеку");
  EXPECT_EQ(form->Get("cbLang").Items("Items")[1], "Русский");
  EXPECT_EQ(ny::LangMsg(loc_, "DelArc3", "You are assured?"), "Вы уверены?");

  // Notepad's "UTF-8" and "Unicode" files: the byte-order mark is no part of the first line.
  nytest::WriteFile(dir_ / "vellum-RUS.lng", "\xEF\xBB\xBF[Msg]\r\nDelArc3=Точно?\r\n");
  EXPECT_EQ(ny::LangMsg(loc_, "DelArc3", "You are assured?"), "Точно?");
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("[Msg]\r\nDelArc3=Sure?\r\n")) {
    utf16 += c;
    utf16 += '\0';
  }
  nytest::WriteFile(dir_ / "vellum-RUS.lng", utf16);
  EXPECT_EQ(ny::LangMsg(loc_, "DelArc3", "You are assured?"), "Sure?");
}

TEST_F(NyLangTest, ErrorsAndCyclesEndOrBoundTheWalkQuietly) {
  nytest::WriteFile(dir_ / "vellum-RUS.lng",
                    "[Form1]\nTForm1-Form1-Caption=один\nTA-A-Hint=два\nTB-B-Hint=три\n"
                    "TC-C-Hint=четыре\n");
  TNyComponent form("TForm1", "Form1");
  form.AddString("Caption", "one");
  TNyComponent& a = form.Add("TA", "A");
  TNyComponent& b = form.Add("TB", "B");
  a.AddString("Hint", "two").AddRef("Next", &b);
  b.AddString("Hint", "three").AddRef("Next", &a);  // a cycle of references
  form.Add("TC", "C").AddString("Hint", "four");

  ny::TranslateForm(loc_, form, "DBG", false);
  EXPECT_EQ(Entries(dir_ / "vellum-DBG.lng"),
            (std::vector<std::string>{"TForm1-Form1-Caption=one", "TA-A-Hint=two",
                                      "TB-B-Hint=three", "TC-C-Hint=four"}));

  // A view that fails on the third change ends the walk; what was set stays set.
  int n = 0;
  form.OnChange = [&](TNyComponent&, const std::string&, int) {
    if (++n == 3) throw std::runtime_error("view failed");
  };
  EXPECT_NO_THROW(ny::TranslateForm(loc_, form, "RUS", true));
  EXPECT_EQ(form.Str("Caption"), "один");
  EXPECT_EQ(a.Str("Hint"), "два");
  EXPECT_EQ(form.Get("C").Str("Hint"), "four");
}

TEST(NyLangLocation, ProgramDirectoryBaseNameAndShareDirectory) {
  nytest::TestDir d;
  TLangLocation loc = ny::LangLocationFor(d / "vellum", "");
  EXPECT_EQ(loc.Base, "vellum");
  EXPECT_EQ(loc.Dirs, std::vector<std::string>{d.Path()});
  EXPECT_EQ(loc.DumpDir, d.Path());
  EXPECT_EQ(ny::LangLocationFor(d / "vellum.bin", "").Base, "vellum");

  // A program deep in a directory tree: its whole directory, and its files are found.
  const std::string deep = d / (std::string(150, 'a') + "/" + std::string(150, 'b') + "/");
  ny::ForceDirs(deep);
  nytest::WriteFile(deep + "vellum-RUS.lng", "[Msg]\nk=v\n");
  loc = ny::LangLocationFor(deep + "vellum", "");
  EXPECT_EQ(loc.Dirs, std::vector<std::string>{deep});
  EXPECT_EQ(loc.Base, "vellum");
  EXPECT_EQ(ny::GetLanguageList(loc), (std::vector<std::string>{"Default", "RUS-Lang"}));
  EXPECT_EQ(ny::LanguageFile(loc, "RUS"), deep + "vellum-RUS.lng");

  // An installed program: <prefix>/bin/vellum with <prefix>/share/vellum/. Its dumps go to
  // the user's directory even when it could write beside itself (run by root).
  const char* oldXdg = ::getenv("XDG_CONFIG_HOME");
  const std::string savedXdg = oldXdg != nullptr ? oldXdg : "";
  ::setenv("XDG_CONFIG_HOME", (d / "config").c_str(), 1);
  ny::ForceDirs(d / "usr/bin");
  ny::ForceDirs(d / "usr/share/vellum");
  loc = ny::LangLocationFor(d / "usr/bin/vellum", d / "usr/share/vellum");
  ASSERT_EQ(loc.Dirs.size(), 3u);
  EXPECT_EQ(loc.Dirs[1], d / "config/vellum/");
  EXPECT_EQ(loc.DumpDir, d / "config/vellum/");
  EXPECT_EQ(loc.Dirs[2], d / "usr/bin/../share/vellum/");
  if (oldXdg != nullptr) {
    ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
  // A share directory of another prefix is not searched.
  ny::ForceDirs(d / "opt/bin");
  loc = ny::LangLocationFor(d / "opt/bin/vellum", d / "usr/share/vellum");
  EXPECT_EQ(loc.Dirs, std::vector<std::string>{d / "opt/bin/"});
  loc = ny::LangLocationFor(d / "opt/bin/vellum", d / "opt/share/vellum");
  EXPECT_EQ(loc.Dirs, std::vector<std::string>{d / "opt/bin/"});  // not there
}

// The language file we ship: well formed, every message translated.
TEST(NyLangFiles, RussianFileTranslatesEveryMessage) {
  const std::string file = std::string(VELLUM_SOURCE_DIR) + "/lang/files/vellum-RUS.lng";
  const std::string bytes = nytest::ReadFile(file);
  ASSERT_FALSE(bytes.empty());
  EXPECT_TRUE(ny::IsValidUtf8(bytes));
  for (const auto& m : ny::LangMessages()) {
    const std::string v = ny::IniReadStr(file, "Msg", m.Key);
    EXPECT_FALSE(v.empty()) << m.Key;
    EXPECT_NE(v, m.Text) << m.Key;
    // Texts that end in a blank are followed by a number: the translation keeps the blank.
    if (std::string_view(m.Text).ends_with(' ')) {
      EXPECT_TRUE(v.ends_with(' ')) << m.Key;
    }
  }
}
