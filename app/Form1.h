// The main window's logic: start-up and settings, pages and window keys, the operation log,
// and the options page.
//
// TForm1 keeps the window's state and its handlers under their usual names. Texts and the
// state a view shows live in the form model (app/Form1Model.h); everything else it asks of
// its window goes through TForm1View. The Qt window forwards its events here; tests drive
// the same handlers with a recording fake view.
//
// Settings: section "main" holds the options (booleans as "1"/"0"; a stored text other than
// "1" reads as false), section "Size" the document grid's column widths.
//
// The sources are split by concern: Form1.cpp (state, pages, keys, caption, log),
// Form1Startup.cpp (FormCreate, FormShow, FormDestroy, where the settings file lives),
// Form1Options.cpp (the options page handlers).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/Form1View.h"
#include "archive/ZipReader.h"
#include "archive/ZipWriter.h"
#include "util/NyAbout.h"
#include "util/NyComponent.h"

namespace ny {

// Key codes and shift states the window-level key handlers look at.
inline constexpr char kKeyEscape = 27;
inline constexpr uint16_t VK_F3 = 0x72;
enum TShiftState : unsigned { ssNone = 0, ssShift = 1, ssAlt = 2, ssCtrl = 4 };

// The settings file of the program file `programFile` (a path of any length): the program's
// path with ".ini" when the program's directory is writable and the program is not an
// installed one (InstalledShareDir of its directory is ""); otherwise
// "<config>/vellum/<base>.ini", where <config> is $XDG_CONFIG_HOME or ~/.config (that
// directory is created). The program's path with ".ini" when no configuration directory can
// be named either.
std::string SettingsFileFor(std::string_view programFile);

// Where the window's files are. An empty field is filled at FormCreate the way the program
// finds it: ProgramFile from GetProgramFile(), SettingsFile from SettingsFileFor(ProgramFile),
// TempDir from GetTempDir().
struct TForm1Env {
  std::string ProgramFile;   // names the operation log "<base>.log"
  std::string SettingsFile;  // full path of the settings file
  std::string TempDir;       // ends with '/'
};

class TForm1 {
 public:
  // Creates the form model with its built-in texts and fixes the program's number, date and
  // time formats (util/NyFormat.h) from the about component's format properties, whatever
  // the user's regional settings and the toolkit's locale say. FormCreate is not run here: the view calls it once its
  // controls follow the model. `view` must outlive the form.
  TForm1(TForm1View& view, TForm1Env env = {});
  ~TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // The form model: the component tree with every text and the shown state.
  TNyComponent& Model() { return *model_; }

  // ---- state -------------------------------------------------------------------------
  int SortField() const { return sortField_; }
  const std::string& TempDir() const { return env_.TempDir; }
  const std::string& LibraryFile() const { return libraryFile_; }
  const std::string& SettingsFile() const { return env_.SettingsFile; }
  const std::string& ProgramFile() const { return env_.ProgramFile; }
  const TViewerFont& ViewerFont() const { return viewerFont_; }
  bool LogEnabled() const { return logEnabled_; }
  // The code of the selected language: the first three characters of the selected item of
  // the language list ("" when none is selected).
  const std::string& LangCode() const { return langCode_; }
  // The zip components of the archive store, made by FormCreate and kept for the whole run.
  // Requires FormCreate to have run.
  TZipWriter& ZipWriter() { return *zipWriter_; }
  TZipReader& ZipReader() { return *zipReader_; }

  // The about component over the model's "NyAbout1", made by FormCreate (its system facts
  // are gathered then). Requires FormCreate to have run.
  TNyAbout& About() { return *about_; }
  bool HasAbout() const { return about_ != nullptr; }

  // ---- what the view reads and forwards ----------------------------------------------
  // The name of the page shown ("LST", "OPT", "TXT").
  std::string ActivePage() const;
  // Shows the page of that name.
  void ShowPage(const std::string& page);
  // The state of an option check box (a name of kOptionBoxes). Throws ENyComponent for a
  // name the form does not have.
  bool Checked(const std::string& box) const;
  // Sets a check box. When the state really changes, the box's click handler runs
  // (chIntViewTxtClick), which stores it. The view calls this when the user toggles a box.
  void SetChecked(const std::string& box, bool checked);
  // The user picked item `index` of the language list (-1: none): selects it and runs
  // cbLangChange as a user's change. An index outside the list selects nothing.
  void SelectLanguage(int index);

  // ---- handlers ----------------------------------------------------------------------
  // Start-up, in this order: the language list filled from GetLanguageList with its first
  // item selected; the caption "<product> <version>" of the about component; SortField 1 and
  // page "LST"; TempDir; SettingsFile; "LngOut" sets LangDump and, when "1", dumps the
  // built-in texts under "Dbg"; "LogOut"; "pathbook" into LibraryFile; "Language" selects the
  // item of that text (none when no item matches) and the language is applied without
  // writing the key back; the thirteen check boxes (a box restored as checked stores its key
  // again); the viewer font from "FontName", "FontCSet", "FontSize" (defaults Courier New,
  // 1, 10; a value that is not an integer gives the default, and so does a "FontCSet"
  // outside 0..255 and a "FontSize" outside 4..72) onto the font button's caption
  // and the viewer; the zip components (ZipWriter at compression level 3, ZipReader asking
  // and telling through the view); and OpenLibrary(LibraryFile) when that file exists. Missing
  // settings give the defaults (the boxes chIntViewTxt, chFindAut, chFindNam, chFindTxt checked,
  // the others not) and report nothing.
  void FormCreate();
  // Column widths of the document grid from section "Size" ("LstDoc_<field>", default 100,
  // also for a width outside 10..2000), then the focus to the document grid.
  void FormShow();
  // Column widths of the document grid to section "Size".
  void FormDestroy();
  // Esc while page "OPT" or "TXT" is shown: the key is consumed (set to 0), page "LST" is
  // shown and the document grid gets the focus. Other keys and pages are left alone.
  void FormKeyPress(char& key);
  // Ctrl+F3 (no other modifier) while page "LST" is shown: the key is consumed (set to 0)
  // and the Options button is clicked.
  void FormKeyDown(uint16_t& key, unsigned shift);
  // The connection opened `databasePath`: caption "<product> <version> [<path>]".
  void SQLiteDBAfterConnect(const std::string& databasePath);
  // Closes the window (which ends the program).
  void bExitClick();
  // Shows page "OPT" and gives the archivers grid the focus.
  void bOptionClick();
  // The check box `box` changed: stores "1" (checked) or "0" under its name in "main".
  void chIntViewTxtClick(const std::string& box);
  // Runs the font dialog from the viewer font. On OK: the chosen face, size and character set
  // (clamped to 0..255) become the viewer font, the font button's caption
  // "<face> - <size> - <charset>" and the keys "FontName", "FontCSet", "FontSize". Cancel
  // changes nothing.
  void bFontClick();
  // The About button: the about box, with an empty comment prefix and the desktop's
  // settings behind its labels; its result is ignored. Nothing before FormCreate.
  void bAboutClick();
  // The language list's selection changed (by the user when `byUser`): the user's choice is
  // stored as the item's whole text under "Language"; LangCode becomes the item's first three
  // characters; the window is translated into that language.
  void cbLangChange(bool byUser);

  // When logging is on ("LogOut"=1), appends "<dd.MM.yyyy hh:mm:ss> <message>" and a line
  // feed to "<program base name>.log" in TempDir, creating the file. Failures are not
  // reported; a symbolic link in the log's place is not followed.
  void WriteLog(std::string_view message);

  // Opens the library file `file`. The library arrives with its own unit; until then this
  // does nothing and no library is ever open.
  void OpenLibrary(const std::string& file);

 private:
  void ApplyAboutFormats();
  void CreateZipComponents();
  void ShowFontCaption();
  std::string ReadMain(const char* key, const char* def) const;

  TForm1View& view_;
  TForm1Env env_;
  std::unique_ptr<TNyComponent> model_;
  std::unique_ptr<TZipWriter> zipWriter_;
  std::unique_ptr<TZipReader> zipReader_;
  std::unique_ptr<TNyAbout> about_;

  int sortField_ = 1;
  std::string libraryFile_;
  TViewerFont viewerFont_{"Courier New", 10, 1};
  bool logEnabled_ = false;
  std::string langCode_;
};

}  // namespace ny
