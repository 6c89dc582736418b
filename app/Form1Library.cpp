// The library: the connection and the record sets of the main window, opening and creating a
// library file.
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "app/Form1.h"
#include "app/Form1Model.h"
#include "app/LibrarySchema.h"
#include "app/MyLike.h"
#include "lang/NyLang.h"
#include "util/NyApi.h"

namespace ny {

namespace {

constexpr const char* kLibraryFilter = "Library Files (*.SQB)|*.SQB|All Files (*.*)|*.*";

// Restores the process's current directory on every way out (a file dialog may change it).
class TCurrentDirGuard {
 public:
  TCurrentDirGuard() {
    char buf[PATH_MAX];
    if (::getcwd(buf, sizeof buf) != nullptr) dir_ = buf;
  }
  ~TCurrentDirGuard() {
    if (!dir_.empty() && ::chdir(dir_.c_str()) != 0) {
      // The directory has gone; there is nothing better to go back to.
    }
  }
  TCurrentDirGuard(const TCurrentDirGuard&) = delete;
  TCurrentDirGuard& operator=(const TCurrentDirGuard&) = delete;

 private:
  std::string dir_;
};

void SetUpQuery(TNySQLite3Query& q, TNySQLite3DB& db, const char* name, const char* table) {
  q.SetName(name);
  q.SetConnection(&db);
  q.SetAutoCommit(false);
  q.SetSQLiteDateFormat(true);
  q.SetMaxResults(0);
  q.SetStartResult(0);
  q.SetTypeLess(false);
  q.SetSQLCursor(true);
  q.SetReadOnly(false);
  q.SetUniDirectional(false);
  q.SetRawSQL(false);
  q.SetSQLWhere("RowId=:RowId");
  q.SetSQLTable(table);
}

// True when `file` may take a new library: it does not exist, is empty, or is an SQLite
// database without any table, index, view or trigger. Reads the file only.
bool MayHoldNewLibrary(TNySQLite3DB& probe, const std::string& file) {
  if (!FileExistsPlain(file)) return !DirExists(file);
  if (GetFileSize64(file) == 0) return true;
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char head[16] = {};
  const ssize_t n = ::read(fd, head, sizeof head);
  ::close(fd);
  if (n != 16 || std::memcmp(head, "SQLite format 3", 16) != 0) return false;
  probe.SetDLLName(kDefaultSQLiteLibrary);
  probe.SetDBMustExist(true);
  probe.SetDatabase(file);
  probe.Open();
  std::string count;
  probe.QueryValue("select count(*) from sqlite_master", {}, true, count);
  probe.Close();
  return count == "0";
}

}  // namespace

void TForm1::CreateDataAccess() {
  sqliteDB_ = std::make_unique<TNySQLite3DB>();
  TNySQLite3DB& db = *sqliteDB_;
  db.SetTraceFile("NySQLite.trc");
  db.SetTrace(false);
  db.SetDLLName(kDefaultSQLiteLibrary);
  db.SetDBMustExist(false);
  db.AfterConnect = [this](TNySQLite3DB& c) { SQLiteDBAfterConnect(c.Database()); };
  lstDoc_ = std::make_unique<TNySQLite3Query>();
  lstSbj_ = std::make_unique<TNySQLite3Query>();
  lstArc_ = std::make_unique<TNySQLite3Query>();
  SetUpQuery(*lstDoc_, db, "LstDoc", "LSTDOC");
  SetUpQuery(*lstSbj_, db, "LstSbj", "LSTSBJ");
  SetUpQuery(*lstArc_, db, "LstArc", "LSTARC");
  lstDoc_->AfterOpen = [this](TNyDataSet&) { LstDocAfterOpen(); };
  dsLstDoc_ = std::make_unique<TNyDataSource>(lstDoc_.get());
  dsLstSbj_ = std::make_unique<TNyDataSource>(lstSbj_.get());
  dsLstArc_ = std::make_unique<TNyDataSource>(lstArc_.get());
  dsLstDoc_->SetName("DS_LstDoc");
  dsLstSbj_->SetName("DS_LstSbj");
  dsLstArc_->SetName("DS_LstArc");
}

bool TForm1::LibraryOpen() const {
  return sqliteDB_->Connected() && lstDoc_->Active() && lstSbj_->Active() && lstArc_->Active();
}

void TForm1::CloseRecordSets() {
  lstDoc_->Close();
  lstArc_->Close();
  lstSbj_->Close();
}

void TForm1::bLibOpenClick() { RunLibraryDialog(false); }

void TForm1::bLibNewClick() { RunLibraryDialog(true); }

void TForm1::RunLibraryDialog(bool create) {
  TCurrentDirGuard cwd;
  struct TFocusGrid {
    TForm1View& v;
    ~TFocusGrid() { v.SetFocus(kDocGrid); }
  } focus{view_};
  TOpenDialogRequest req;
  req.Title = create ? LangMsg("CreLib", "Select library file for create")
                     : LangMsg("SelLib", "Select library file for open");
  req.InitialDir = ExtractDir(env_.ProgramFile);
  req.Filter = kLibraryFilter;
  if (create) {
    req.DefaultExt = "sqb";
    req.FileMustExist = false;
  }
  std::optional<std::string> file = view_.RunOpenDialog(req);
  if (!file) return;
  // The default extension goes onto a typed name that has none.
  if (create && ExtractExt(*file).empty()) *file += ".sqb";
  libraryFile_ = *file;
  if (create) {
    CreateLibrary(libraryFile_);
  } else {
    OpenLibrary(libraryFile_);
  }
  IniWriteStr(env_.SettingsFile, "main", "pathbook", libraryFile_);
}

void TForm1::OpenLibrary(const std::string& file) {
  // The archives are looked for beside the library being opened.
  libraryFile_ = file;
  CloseRecordSets();
  TNySQLite3DB& db = *sqliteDB_;
  db.Close();
  db.SetDatabase(file);
  db.Open();
  lstArc_->SetSQLText(kLstArcQuery);
  lstArc_->Open();
  lstSbj_->SetSQLText(kLstSbjQuery);
  lstSbj_->Open();
  RefreshDocList("");
  RegisterMyLike(db);
}

void TForm1::CreateLibrary(const std::string& file) {
  {
    TNySQLite3DB probe;
    if (!MayHoldNewLibrary(probe, file)) {
      throw ELibraryError(
          LangMsg("LibNotEmpty", "The file is not empty: a new library needs a new file") +
          "\n" + file);
    }
  }
  CloseRecordSets();
  TNySQLite3DB& db = *sqliteDB_;
  db.Close();
  db.SetDatabase(file);
  db.Open();
  // One transaction: a step that fails (a full disk) leaves the file without a half-made
  // library.
  db.ExecuteScript("begin transaction");
  try {
    for (const std::string& step : LibrarySchemaSteps()) db.ExecuteScript(step);
    db.ExecuteScript("commit");
  } catch (...) {
    try {
      db.ExecuteScript("rollback");
    } catch (...) {
      // The engine rolled back already; the first error is the one to report.
    }
    throw;
  }
  OpenLibrary(file);
}

}  // namespace ny
