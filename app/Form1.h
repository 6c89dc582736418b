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
// Form1Options.cpp (the options page handlers), Form1Library.cpp (the connection, the record
// sets, opening and creating a library), Form1List.cpp (the document list: query, search,
// sort, keys), Form1Grids.cpp (editing in the grids, the reference tables' keys),
// Form1Hooks.cpp (the commands other units provide: opening a document, intake),
// Form1Check.cpp (Statistics and Check library).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "app/ArchiveCatalog.h"
#include "app/Form1View.h"
#include "archive/ZipReader.h"
#include "archive/ZipWriter.h"
#include "util/NyAbout.h"
#include "sqlite/NyDataSource.h"
#include "sqlite/NySQLite3DB.h"
#include "sqlite/NySQLite3Query.h"
#include "util/NyComponent.h"
#include "util/NyProgress.h"

namespace ny {

// Key codes and shift states the window-level key handlers look at.
inline constexpr char kKeyEscape = 27;
inline constexpr uint16_t VK_F3 = 0x72;
inline constexpr uint16_t VK_F5 = 0x74;
inline constexpr uint16_t VK_TAB = 9;
inline constexpr uint16_t VK_RETURN = 13;
inline constexpr uint16_t VK_ESCAPE = 27;
inline constexpr uint16_t VK_UP = 0x26;
inline constexpr uint16_t VK_DOWN = 0x28;
inline constexpr uint16_t VK_INSERT = 45;
inline constexpr uint16_t VK_DELETE = 46;
inline constexpr char kKeyEnter = 13;
// A refused library operation, with its message in the user's words.
class ELibraryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

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
  // The zip components of the archive store, made by FormCreate (or at their first use
  // before it) and kept for the whole run.
  TZipWriter& ZipWriter() {
    if (!zipWriter_) CreateZipComponents();
    return *zipWriter_;
  }
  TZipReader& ZipReader() {
    if (!zipReader_) CreateZipComponents();
    return *zipReader_;
  }

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
  // writing the key back; the option check boxes (a box restored as checked stores its key
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

  // ---- the library (Form1Library.cpp) -------------------------------------------------
  // The connection and the three record sets over LSTDOC, LSTSBJ and LSTARC, made with the
  // window and kept for the whole run; DS_LstDoc, DS_LstSbj and DS_LstArc are the data
  // sources the grids and the comment memo are bound to.
  TNySQLite3DB& SQLiteDB() { return *sqliteDB_; }
  TNySQLite3Query& LstDoc() { return *lstDoc_; }
  TNySQLite3Query& LstSbj() { return *lstSbj_; }
  TNySQLite3Query& LstArc() { return *lstArc_; }
  TNyDataSource& DS_LstDoc() { return *dsLstDoc_; }
  TNyDataSource& DS_LstSbj() { return *dsLstSbj_; }
  TNyDataSource& DS_LstArc() { return *dsLstArc_; }
  // True while a library is open (the connection connected, the record sets open).
  bool LibraryOpen() const;

  // "Open library": a file-open dialog (title LangMsg "SelLib" / "Select library file for
  // open", the program's directory, the library filter). On OK: LibraryFile becomes the
  // chosen path, OpenLibrary runs, and the path is stored under "pathbook". In every case the
  // process's current directory is restored and the document grid gets the focus. An error of
  // OpenLibrary propagates after that; "pathbook" then keeps its old value.
  void bLibOpenClick();
  // "Create new library": as bLibOpenClick with the title LangMsg "CreLib" / "Select library
  // file for create", the default extension "sqb", a new file's name allowed, and
  // CreateLibrary in place of OpenLibrary.
  void bLibNewClick();
  // LibraryFile becomes `file`; closes LstDoc, LstArc and LstSbj, reconnects the connection
  // to `file` (trimmed of codes 0..32; a missing file is created empty), opens LstArc and
  // LstSbj with their queries, RefreshDocList("") and registers "MyLike". Errors of the data
  // layer propagate (a file that is not a library fails at LstArc); the record sets stay
  // closed from the failing step on.
  void OpenLibrary(const std::string& file);
  // Makes a new library in `file` (the eight steps of LibrarySchemaSteps in one transaction,
  // rolled back when one fails; then OpenLibrary). A file that exists, is not empty and is not an SQLite database without any table is
  // refused before anything is written (a directory too): ELibraryError "The file is not
  // empty: a new library needs a new file", a line feed and the path (LangMsg "LibNotEmpty").
  // Other errors as OpenLibrary.
  void CreateLibrary(const std::string& file);

  // ---- the document list (Form1List.cpp) -----------------------------------------------
  // Sets the sort of the next RefreshDocList (scripts; the grid sets it by title clicks).
  void SetSortField(int v) { sortField_ = v; }
  // The query text of the document list for `search` (see RefreshDocList).
  std::string DocListQuery(const std::string& search) const;
  // Rebuilds and reopens the document list under the busy cursor: "select RowId,* from
  // LSTDOC", with a search text " where 1<0" and " or MyLike(<field>,'<text>')>0" for each
  // checked "Find in field" box (quotes doubled), then " order by |SortField|" and " desc"
  // when SortField <= 0; then the sort mark "• " (ascending) or "^ " (descending) on the
  // title of the column of that field, and no mark on the others. Errors of the data layer
  // (no library open) propagate; the busy cursor is removed on every way out.
  void RefreshDocList(const std::string& search);
  void bSearchClick();
  // Every change of the search box: bSearchClick while "Auto refresh" is checked.
  void eLikeChange();
  // A click on the title of grid column `column` (0-based): the sort field becomes that
  // column's field number, or its negation when it was already that; then RefreshDocList.
  void DBGridTitleClick(int column);
  // After every opening of LstDoc: columns "File name" and "Archive Name" shown as their
  // boxes say; lRec shows the row count.
  void LstDocAfterOpen();
  // Whether the cells of document row `row` (0-based) are drawn pure red: "Check file exist"
  // is checked and there is no file at the row's archive path (no subject, names that climb
  // out of the library and a removed archive included). Reads the row without moving any
  // current row; a change of the file system shows at the next call.
  bool DBGridDrawColumnCell(int row);
  // Keys of the document grid (each handled key is set to 0): F5 reloads the list, keeps the
  // row of the same RowId and beeps (a pending edit is posted first; when that is refused the
  // edit is given up, the list reloaded and the error propagates without the beep); Tab (any modifiers) moves the focus on; Ctrl+Insert,
  // Alt+Insert and Ctrl+Delete, while LstDoc is browsing, run DocAppend, ArcAppend and
  // DocDelete.
  void DBGridKeyDown(uint16_t& key, unsigned shift);
  // Enter while LstDoc is browsing: consumed, OpenDocument.
  void DBGridKeyPress(char& key);
  void DBGridDblClick();
  // The user changed the comment memo's text to `text` (UTF-8): unless it equals the shown
  // TEXT, LstDoc enters edit and TEXT takes it. Nothing without a current row.
  void DBMemo1Change(const std::string& text);
  // The focus left the comment memo: an edit (not an insert) of LstDoc is posted.
  void DBMemo1Exit();
  // The archive state of document row `row` (0-based) of the open list; subjects are looked
  // up without moving LstSbj.
  TArchiveState DocArchiveState(int row);

  // ---- editing in the grids (Form1Grids.cpp) -------------------------------------------
  // The record set shown by grid `grid` (kDocGrid, kSubjectGrid, kArchiverGrid); null for
  // another name.
  TNySQLite3Query* GridDataSet(const std::string& grid);
  // Whether grid column `column` of `grid` may be edited in place: not a read-only column
  // (SUBJ and SIZE of the document grid), an open record set.
  bool GridColumnEditable(const std::string& grid, int column);
  // The user typed `text` into column `column` of row `row` (0-based) of `grid`: the record
  // set moves to the row (posting a pending edit of another row), enters edit and the
  // column's field takes the text (UTF-8). Throws ELibraryError "Field <name> is read-only"
  // for a column that is not editable; errors of the data layer propagate.
  void GridSetCell(const std::string& grid, int row, int column, const std::string& text);
  // The grid's current row became `row` (0-based): the record set moves there, which posts a
  // pending edit. When the post fails the error propagates and the record set stays on the
  // edited row, still editing.
  void GridRowChanged(const std::string& grid, int row);
  // The grid's own editing keys (each handled key set to 0): Insert, and Down on the last
  // row, append a new row; Esc cancels an edit or a new row; Ctrl+Delete asks "Delete
  // record?" and deletes the current row on Yes (the document grid leaves Ctrl+Delete and
  // Insert to DBGridKeyDown).
  void GridEditKey(const std::string& grid, uint16_t& key, unsigned shift);
  // Keys of the subjects and archivers grids: F5 reopens the grid's record set and beeps (a
  // pending edit as for the document grid's F5); Tab
  // (any modifiers) moves the focus on. Each handled key is set to 0.
  void G_LstSbjKeyDown(const std::string& grid, uint16_t& key, unsigned shift);

  // ---- statistics and the library check (Form1Check.cpp, the walks in app/LibraryCheck.h)
  // The statistics of the open library (RunStatistics) in a message box; lRec shows each
  // row's RowId. Errors of the data layer propagate; the list is back on its row.
  void ShowStatistics();
  // The check of the open library (RunCheck; verifying zip contents while "chVerifyArc" is
  // checked): each log line through WriteLog and OnCheckLog, then the summary in a message
  // box, also after a cancel. Errors of the data layer propagate; the list is back on its row.
  void CheckLibrary();
  void bStatsClick();
  void bCheckClick();
  // The progress window of the walks; null (the default): none is shown.
  TNyProgressView* WalkProgress = nullptr;
  // The walks show the progress window after this many milliseconds.
  int WalkProgressDelayMs = 400;
  // Called with every log line of the check, logging on or off. May be empty.
  std::function<void(const std::string& line)> OnCheckLog;

  // ---- commands provided by other units (Form1Hooks.cpp) -------------------------------
  // Each calls its slot when one is set and does nothing otherwise. `startDir` is the program
  // file's directory. OpenDocument without a slot opens the current document
  // (OpenCurrentDocument, app/Form1Document.h); bDocOpenClick runs OpenDocument.
  std::function<void()> OnOpenDocument;
  std::function<void(const std::string& startDir)> OnDocAppend;
  std::function<void(const std::string& startDir)> OnArcAppend;
  std::function<void()> OnDocDelete;
  void OpenDocument();
  void bDocOpenClick();
  void DocAppend(const std::string& startDir);
  void ArcAppend(const std::string& startDir);
  void DocDelete();

 private:
  // The library file dialog of bLibOpenClick (create false) and bLibNewClick (create true).
  void RunLibraryDialog(bool create);
  void CreateDataAccess();
  void CloseRecordSets();
  void ReopenKeepingRow(TNySQLite3Query& ds, bool keepRow);
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
  // The connection goes last: the record sets leave it first.
  std::unique_ptr<TNySQLite3DB> sqliteDB_;
  std::unique_ptr<TNySQLite3Query> lstDoc_, lstSbj_, lstArc_;
  std::unique_ptr<TNyDataSource> dsLstDoc_, dsLstSbj_, dsLstArc_;

  int sortField_ = 1;
  std::string libraryFile_;
  TViewerFont viewerFont_{"Courier New", 10, 1};
  bool logEnabled_ = false;
  std::string langCode_;
};

}  // namespace ny
