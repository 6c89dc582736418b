// TNySQLite3DB: the connection to one SQLite 3 database over an engine library bound at run
// time (dlopen by DLLName, every entry point resolved by name with dlsym; nothing links the
// engine). It runs scripts and single statements, begins transactions, registers user SQL
// functions, keeps an optional trace file, and opens statements and fetches rows for the record
// sets (TNyQueryLink).
//
// Errors are exceptions (sqlite/NySQLiteError.h):
//   SLError "Missing database property", "Could not load \"<DLLName>\" SQLite library",
//           "SQLiteExecute error: <code>";
//   EDatabaseError "Database <path> does not exist", "??? SQLite ERR-<engine message>".
//
// A busy database (another connection holds a lock): compiling and stepping are retried with
// short sleeps for at most BusyWaitMs milliseconds; then the engine's busy error is raised like
// any other engine error ("??? SQLite ERR-database is locked"). No engine busy handler is set.
//
// Texts are UTF-8 throughout; the UTF8 switch is kept for form files and converts nothing.
#pragma once

#include <sqlite3.h>  // types and constants only

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "sqlite/NySQLiteTypes.h"

namespace ny {

class TNySQLite3DB;
class TNyMemoryStream;

// What the connection asks of a record set when it opens a statement and fetches rows. The
// record set implements it; the connection never owns one.
class TNyQueryLink {
 public:
  virtual ~TNyQueryLink() = default;

  // Every field a text field of the mapped size.
  virtual bool TypeLess() const = 0;
  // Date-time columns in the engine's layout (ParseSQLiteDateTime) rather than the program's.
  virtual bool SQLiteDateFormat() const = 0;
  // Bytes of the blob parameters in parameter-list order; bound as blobs 1, 2, ... without a
  // copy, so they must stay valid while the statement lives.
  virtual std::vector<std::string_view> BlobParamValues() const { return {}; }
  // The definitions built from the statement's columns (only called when it has at least one
  // column) and the declared row size (sum of the reserve sizes). The slots of a fetched row
  // lie at the definitions' offsets (sqlite/NySQLiteTypes.h); FetchRowSize(defs) bytes hold
  // them.
  virtual void SetFieldDefs(std::vector<TNyFieldDef> defs, int declaredRowSize) = 0;
  virtual const std::vector<TNyFieldDef>& FieldDefs() const = 0;
  virtual int DeclaredRowSize() const = 0;
  // The record set's fetch buffer. FetchRow grows it to at least FetchRowSize(FieldDefs())
  // bytes when shorter, zeroes those bytes and fills the slots.
  virtual std::vector<uint8_t>& FetchBuffer() = 0;
  // LoadAllRows hands every fetched row here (the store copies it and takes over the streams
  // its blob slots point to), unless TakesStatementRows.
  virtual void AddFetchedRow(const uint8_t* row) = 0;
  // True: LoadAllRows hands every row to TakeStatementRow, while the statement stands on it,
  // and fills no fetch buffer (the record set reads the columns itself with ReadColumn).
  // Default: false (AddFetchedRow gets the rows).
  virtual bool TakesStatementRows() const { return false; }
  virtual void TakeStatementRow(sqlite3_stmt* stmt) { (void)stmt; }
  // The connection disconnects, or opens its database afresh while connected: the record set
  // closes (and so finalizes any statement it holds on the old database handle).
  virtual void ConnectionDisconnecting(TNySQLite3DB& connection) = 0;
  // The connection is destroyed: the record set closes and forgets it.
  virtual void ConnectionDestroyed(TNySQLite3DB& connection) = 0;
};

// Bytes the slots of `defs` take (the end of the last slot), at least 5.
size_t FetchRowSize(const std::vector<TNyFieldDef>& defs);

// One column value of a statement's current row, converted for a field (ReadColumn).
struct TNyColumnValue {
  bool HasValue = false;
  // Text types: the text, cut to the field's size in characters; blob types: the bytes.
  std::string_view Bytes;
  // Other types: the native value (FieldStorageSize - 1 bytes, after the has-value byte).
  alignas(8) uint8_t Native[8] = {};
};

// A value of ExecuteWithParams. Null -> bind_null; bool and int32_t -> bind_int; a date (days
// since 1899-12-30, truncated; one outside the years 1 to 9999 or not a number raises
// EDatabaseError "Invalid date value") -> bind_int; double -> bind_double; int64_t and text
// -> bind_text of the value's text.
struct TNyDateValue {
  double Days = 0;  // days since 1899-12-30, the fraction being the time of day
};
using TNyVariant =
    std::variant<std::monostate, bool, int32_t, int64_t, double, std::string, TNyDateValue>;

using TOnFetch = std::function<void(TNyQueryLink* dataSet, int32_t rowFetch)>;
using TNyQLite3NotifyEvent = std::function<void(TNySQLite3DB& sender)>;

// The engine entry points, in the order they are resolved.
#define NY_SQLITE3_ENTRY_POINTS(X) \
  X(sqlite3_open)                  \
  X(sqlite3_close)                 \
  X(sqlite3_exec)                  \
  X(sqlite3_libversion)            \
  X(sqlite3_errmsg)                \
  X(sqlite3_get_table)             \
  X(sqlite3_free_table)            \
  X(sqlite3_free)                  \
  X(sqlite3_complete)              \
  X(sqlite3_last_insert_rowid)     \
  X(sqlite3_interrupt)             \
  X(sqlite3_busy_timeout)          \
  X(sqlite3_busy_handler)          \
  X(sqlite3_changes)               \
  X(sqlite3_prepare)               \
  X(sqlite3_finalize)              \
  X(sqlite3_reset)                 \
  X(sqlite3_step)                  \
  X(sqlite3_column_blob)           \
  X(sqlite3_column_bytes)          \
  X(sqlite3_column_count)          \
  X(sqlite3_column_decltype)       \
  X(sqlite3_column_double)         \
  X(sqlite3_column_int)            \
  X(sqlite3_column_int64)          \
  X(sqlite3_column_name)           \
  X(sqlite3_column_text)           \
  X(sqlite3_column_text16)         \
  X(sqlite3_column_type)           \
  X(sqlite3_bind_double)           \
  X(sqlite3_bind_int)              \
  X(sqlite3_bind_int64)            \
  X(sqlite3_bind_null)             \
  X(sqlite3_bind_text)             \
  X(sqlite3_bind_blob)             \
  X(sqlite3_bind_text16)           \
  X(sqlite3_bind_parameter_count)  \
  X(sqlite3_create_function)       \
  X(sqlite3_value_blob)            \
  X(sqlite3_value_bytes)           \
  X(sqlite3_value_double)          \
  X(sqlite3_value_int)             \
  X(sqlite3_value_int64)           \
  X(sqlite3_value_text)            \
  X(sqlite3_value_type)            \
  X(sqlite3_result_double)         \
  X(sqlite3_result_int)            \
  X(sqlite3_result_int64)          \
  X(sqlite3_result_text)           \
  X(sqlite3_result_value)

// Names of the entry points in resolving order (50).
const std::vector<const char*>& SQLite3EntryPointNames();

inline constexpr const char* kDefaultSQLiteLibrary = "libsqlite3.so.0";

class TNySQLite3DB {
 public:
  TNySQLite3DB();
  // Finalizes the current statement, closes the database, unloads the library and tells every
  // registered record set (ConnectionDestroyed). No event fires.
  ~TNySQLite3DB();
  TNySQLite3DB(const TNySQLite3DB&) = delete;
  TNySQLite3DB& operator=(const TNySQLite3DB&) = delete;

  // ---- engine entry points (null while no library is loaded) -------------------------
#define NY_SQLITE3_MEMBER(name) decltype(&::name) name = nullptr;
  NY_SQLITE3_ENTRY_POINTS(NY_SQLITE3_MEMBER)
#undef NY_SQLITE3_MEMBER

  // ---- properties ---------------------------------------------------------------------
  bool Trace() const {
    return trace_;
  }
  void SetTrace(bool v) {
    trace_ = v;
  }
  const std::string& TraceFile() const {
    return traceFile_;
  }
  void SetTraceFile(std::string v) {
    traceFile_ = std::move(v);
  }
  bool UTF8() const {
    return utf8_;
  }
  void SetUTF8(bool v) {
    utf8_ = v;
  }
  const std::string& TransactionType() const {
    return transactionType_;
  }
  void SetTransactionType(std::string v) {
    transactionType_ = std::move(v);
  }
  const std::string& Database() const {
    return database_;
  }
  // Stores the value without its leading and trailing bytes of codes 0..32.
  void SetDatabase(std::string_view v);
  const std::string& Version() const {
    return version_;
  }
  // An empty name is replaced by, and stored as, "libsqlite3.so.0".
  const std::string& DLLName();
  void SetDLLName(std::string v) {
    dllName_ = std::move(v);
  }
  bool DBMustExist() const {
    return dbMustExist_;
  }
  void SetDBMustExist(bool v) {
    dbMustExist_ = v;
  }
  // Milliseconds a busy database is waited for before its busy error is raised (3000).
  int BusyWaitMs() const {
    return busyWaitMs_;
  }
  void SetBusyWaitMs(int ms) {
    busyWaitMs_ = ms < 0 ? 0 : ms;
  }

  bool Connected() const {
    return connected_;
  }
  // true: connect (see Connect below), also when already connected (the database is then
  // opened afresh: the current statement is finalized, every registered record set closes and
  // the old database handle is closed before the new one opens; no disconnect event fires);
  // false: disconnect when connected.
  //
  // Connect: SLError "Missing database property" when Database is empty. The path is Database
  // for ":memory:" (any letter case) or a text holding '/', otherwise the current directory +
  // '/' + Database. With DBMustExist a missing file raises EDatabaseError "Database <path> does
  // not exist". The library is loaded when none is (failure: Connected false, SLError "Could not
  // load \"<DLLName>\" SQLite library"); Version is set; BeforeConnect; the engine opens the
  // path (failure: EDatabaseError with the engine's message, Connected stays true);
  // AfterConnect; trace "CONNECT <Database> <DLLName>".
  //
  // Disconnect: BeforeDisconnect; every registered record set closes; the current statement
  // is finalized; the database is closed and the library unloaded; AfterDisconnect.
  void SetConnected(bool value);
  // SetConnected(true); back to false when no library got loaded.
  void Open();
  // SetConnected(false), then the trace line "DISCONNECT" and an empty line.
  void Close();
  bool LibraryLoaded() const {
    return lib_ != nullptr;
  }
  sqlite3* DBHandle() const {
    return db_;
  }
  // The worked-out path of the last connect.
  const std::string& DatabasePath() const {
    return path_;
  }

  // ---- events -------------------------------------------------------------------------
  TOnFetch OnFetchRows;
  TNyQLite3NotifyEvent BeforeConnect, AfterConnect, BeforeDisconnect, AfterDisconnect;

  // ---- record sets --------------------------------------------------------------------
  // A record set using this connection registers itself (once; repeated calls are ignored)
  // so that it closes at a disconnect and hears of the connection's end.
  void RegisterQuery(TNyQueryLink* query);
  void UnregisterQuery(TNyQueryLink* query);

  // ---- statements ---------------------------------------------------------------------
  // Begins a transaction: kind "" -> TransactionType; "DEFERRED", "IMMEDIATE", "EXCLUSIVE"
  // (any letter case) give "begin <kind> transaction", anything else "begin transaction".
  // Connects first when not connected; runs the statement (errors as ExecuteScript) and traces
  // it. Returns the statement text run ("" when the connect left it disconnected).
  std::string BeginTransaction(std::string_view kind);
  // Runs every statement of `text` to its end, one after the other; byte 2 stands for '?'.
  // With `streams`, stream i is bound as blob i+1 of every statement (not copied). Rows are
  // discarded. A compile, step or finalize error raises EDatabaseError with the engine's
  // message (the failing statement is finalized; the statements before it stay done).
  // Returns 0.
  int ExecuteScript(std::string_view text,
                    const std::vector<const TNyMemoryStream*>* streams = nullptr);
  // Finalizes the current statement (its error raises EDatabaseError), compiles the trimmed
  // text (byte 2 stands for '?'), binds values[0..] to parameters 1..n, steps once. A row or
  // done result keeps the statement current for ColumnText/ColumnInt64; an engine error (busy
  // after the wait included) finalizes it and raises EDatabaseError. Parameters without a value
  // (values shorter than the statement's parameter count) bind NULL. Returns true.
  bool ExecuteWithParams(std::string_view text, const std::vector<TNyVariant>& values);
  // `out` = "", then ExecuteWithParams and ColumnText(0, closeAfter, out).
  void QueryValue(std::string_view text, const std::vector<TNyVariant>& values, bool closeAfter,
                  std::string& out);
  // Column text of the current statement's row ("" for NULL, for no row, or without a current
  // statement). With closeAfter the statement is finalized afterwards (its error raises
  // EDatabaseError) and there is no current statement any more.
  void ColumnText(int column, bool closeAfter, std::string& out);
  // As ColumnText, for the column's 64-bit integer value (0 without a current statement).
  int64_t ColumnInt64(int column, bool closeAfter);
  bool HasCurrentStatement() const {
    return current_ != nullptr;
  }
  // sqlite3_create_function on the database handle; its result is returned unchecked.
  int CreateFunction(const char* name, int nArg, int eTextRep, void* userData,
                     void (*xFunc)(sqlite3_context*, int, sqlite3_value**),
                     void (*xStep)(sqlite3_context*, int, sqlite3_value**),
                     void (*xFinal)(sqlite3_context*));

  // Traces the text from *pos to its end, then compiles one statement from *pos (busy retried);
  // *pos moves past the compiled statement. *stmt is null for a blank or comment-only text.
  // Returns the engine's result code. Requires a connection and a zero-terminated text.
  int PrepareStatement(const char** pos, sqlite3_stmt** stmt);
  // Steps the statement; while the result is busy (SQLITE_BUSY or SQLITE_LOCKED) it sleeps a
  // few milliseconds and steps again, for at most BusyWaitMs. Returns the last result.
  int StepStatement(sqlite3_stmt* stmt);
  // Traces the engine's message and throws EDatabaseError "??? SQLite ERR-<message>".
  [[noreturn]] void RaiseLastError();
  // Null: nothing. Otherwise reset, then finalize; a non-zero finalize result raises SLError
  // "SQLiteExecute error: <code>".
  void FinalizeStatement(sqlite3_stmt* stmt);

  // Compiles the record set's statement (byte 2 stands for '?'), binds its blob parameters and,
  // when the statement has columns, hands the record set its new field definitions: column
  // names in capital letters with "_1", "_2", ... for repeated names (compared without regard
  // to case), types from MapDeclaredType of the declared type ("string" when there is none),
  // every field text with TypeLess, ColumnName as the engine reports it. Compile errors raise
  // EDatabaseError; a declared size that is not an integer raises EConvertError; fields whose
  // declared sizes pass 256 MB per row (or their record slots 1 GB) raise SLError "Row of the
  // query too large"; on every failure the statement is finalized.
  // Returns the statement, which the caller finalizes (FinalizeStatement).
  sqlite3_stmt* OpenStatement(std::string_view text, TNyQueryLink& query);
  // Steps once (busy retried). On a row: fills the record set's fetch buffer (each slot by
  // ReadColumn; blobs as new streams, also an empty one for NULL) and returns it; on done: null. An engine error (busy after the wait included) raises
  // EDatabaseError; a date that does not convert raises EConvertError. Raises OnFetchRows
  // (query, 0) after a row or done.
  uint8_t* FetchRow(sqlite3_stmt* stmt, TNyQueryLink& query);
  // Column `col` of the statement's current row for field `def`: NULL gives HasValue false.
  // Text types: the column text cut to def.Size characters (HasValue when it is not empty);
  // blob types: the column's bytes; integers stored as integers: their 64-bit value; every
  // other value: TextToNative of its text (errors as there).
  void ReadColumn(sqlite3_stmt* stmt, int col, const TNyFieldDef& def, bool sqliteDateFormat,
                  TNyColumnValue& out);
  // OpenStatement, then for each row TakeStatementRow (when the record set TakesStatementRows)
  // or FetchRow and AddFetchedRow, until done, then FinalizeStatement. On an error the statement is finalized and the exception
  // passes on.
  void LoadAllRows(std::string_view text, TNyQueryLink& query);

  // Writes one trace line ("<message> <short date> <long time>", then an empty line when
  // `emptyLine`) when Trace is on and TraceFile not empty; a name without '/' lies in the
  // temporary directory. Every failure is swallowed.
  void WriteTrace(std::string_view message, bool emptyLine = false);
  // The path the trace is written to ("" when the trace file name is empty).
  std::string TracePath() const;

 private:
  bool BindLibrary();
  void UnloadLibrary();
  void Connect();
  void Disconnect();
  void CloseDatabase();
  void FinalizeCurrent();  // raises EDatabaseError on a non-zero result
  [[noreturn]] void RaiseStepError(sqlite3_stmt* stmt);
  // Takes the engine's message of a failed statement, finalizes it and raises it.
  [[noreturn]] void RaiseAndFinalize(sqlite3_stmt* stmt);
  bool WaitBusy(int64_t startMs);

  bool trace_ = false;
  std::string traceFile_ = "NySQLite.trc";
  bool utf8_ = false;
  std::string transactionType_;
  std::string database_;
  std::string version_;
  std::string dllName_;
  bool connected_ = false;
  bool dbMustExist_ = false;
  int busyWaitMs_ = 3000;
  std::string path_;

  void* lib_ = nullptr;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* current_ = nullptr;
  std::vector<TNyQueryLink*> queries_;
};

}  // namespace ny
