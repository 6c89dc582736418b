#include "sqlite/NySQLite3DB.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>
#include <utility>

#include "sqlite/NyMemoryStream.h"
#include "sqlite/NySQLRout3.h"
#include "sqlite/NySQLiteError.h"
#include "util/NyApi.h"
#include "util/NyFormat.h"

namespace ny {

namespace {

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Rows are single blocks of memory; a statement whose declared fields need more is refused.
constexpr int64_t kMaxRowSize = int64_t(1) << 28;

bool IsBusy(int rc) {
  return rc == SQLITE_BUSY || rc == SQLITE_LOCKED;
}

std::string CurrentDir() {
  std::string buf(4096, '\0');
  if (!getcwd(buf.data(), buf.size())) return ".";
  buf.resize(std::char_traits<char>::length(buf.c_str()));
  return buf;
}

}  // namespace

const std::vector<const char*>& SQLite3EntryPointNames() {
  static const std::vector<const char*> names = {
#define NY_SQLITE3_NAME(name) #name,
      NY_SQLITE3_ENTRY_POINTS(NY_SQLITE3_NAME)
#undef NY_SQLITE3_NAME
  };
  return names;
}

TNySQLite3DB::TNySQLite3DB() {
  SetConnected(false);
}

TNySQLite3DB::~TNySQLite3DB() {
  auto queries = queries_;
  queries_.clear();
  for (TNyQueryLink* q : queries) q->ConnectionDestroyed(*this);
  if (lib_) {
    if (current_) sqlite3_finalize(current_);
    current_ = nullptr;
    CloseDatabase();
    UnloadLibrary();
  }
  connected_ = false;
}

void TNySQLite3DB::SetDatabase(std::string_view v) {
  database_ = TrimCtl(v);
}

const std::string& TNySQLite3DB::DLLName() {
  if (dllName_.empty()) dllName_ = kDefaultSQLiteLibrary;
  return dllName_;
}

void TNySQLite3DB::RegisterQuery(TNyQueryLink* query) {
  if (query && std::find(queries_.begin(), queries_.end(), query) == queries_.end())
    queries_.push_back(query);
}

void TNySQLite3DB::UnregisterQuery(TNyQueryLink* query) {
  queries_.erase(std::remove(queries_.begin(), queries_.end(), query), queries_.end());
}

// ---- library -------------------------------------------------------------------------

bool TNySQLite3DB::BindLibrary() {
  char& sep = FormatSettings.DecimalSeparator;
  if (sep != ',' && sep != '.') sep = '.';
  lib_ = dlopen(DLLName().c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!lib_) return false;
  void* p = nullptr;
#define NY_SQLITE3_RESOLVE(name)   \
  if (!(p = dlsym(lib_, #name))) { \
    UnloadLibrary();               \
    return false;                  \
  }                                \
  name = reinterpret_cast<decltype(name)>(p);
  NY_SQLITE3_ENTRY_POINTS(NY_SQLITE3_RESOLVE)
#undef NY_SQLITE3_RESOLVE
  return true;
}

void TNySQLite3DB::UnloadLibrary() {
  if (lib_) dlclose(lib_);
  lib_ = nullptr;
#define NY_SQLITE3_CLEAR(name) name = nullptr;
  NY_SQLITE3_ENTRY_POINTS(NY_SQLITE3_CLEAR)
#undef NY_SQLITE3_CLEAR
}

void TNySQLite3DB::CloseDatabase() {
  if (db_ && sqlite3_close) sqlite3_close(db_);
  db_ = nullptr;
}

// ---- connect / disconnect ------------------------------------------------------------

void TNySQLite3DB::SetConnected(bool value) {
  if (value)
    Connect();
  else if (connected_)
    Disconnect();
  connected_ = value && connected_;
}

void TNySQLite3DB::Connect() {
  if (database_.empty()) throw SLError("Missing database property");
  bool memory = AsciiUpper(database_) == ":MEMORY:";
  if (memory)
    path_ = database_;
  else if (database_.find(PathDelim) != std::string::npos)
    path_ = database_;
  else
    path_ = CurrentDir() + PathDelim + database_;
  if (!memory && dbMustExist_ && !FileExistsPlain(path_))
    throw EDatabaseError("Database " + path_ + " does not exist");
  if (!lib_ && !BindLibrary()) {
    connected_ = false;
    throw SLError("Could not load \"" + DLLName() + "\" SQLite library");
  }
  connected_ = true;
  const char* version = sqlite3_libversion();
  version_ = version ? version : "";
  // Connecting again while connected opens the database afresh; the old handle is closed
  // rather than left open. The engine refuses to close a handle with live statements, and the
  // rows of the record sets came from the old database (a post would write them into the new
  // one by row ids of the old): the record sets close first, finalizing their statements.
  if (current_) sqlite3_finalize(current_);
  current_ = nullptr;
  if (db_) {
    auto queries = queries_;
    for (TNyQueryLink* q : queries) q->ConnectionDisconnecting(*this);
  }
  CloseDatabase();
  if (BeforeConnect) BeforeConnect(*this);
  // The engine knows an in-memory database only by the name in small letters.
  int rc = sqlite3_open(memory ? ":memory:" : path_.c_str(), &db_);
  if (rc != SQLITE_OK) RaiseLastError();
  if (AfterConnect) AfterConnect(*this);
  if (!db_) connected_ = false;
  WriteTrace("CONNECT " + database_ + " " + DLLName());
}

void TNySQLite3DB::Disconnect() {
  if (lib_) {
    if (BeforeDisconnect) BeforeDisconnect(*this);
    auto queries = queries_;
    for (TNyQueryLink* q : queries) q->ConnectionDisconnecting(*this);
    if (current_) sqlite3_finalize(current_);
    current_ = nullptr;
    CloseDatabase();
    UnloadLibrary();
    if (AfterDisconnect) AfterDisconnect(*this);
  }
  connected_ = false;
}

void TNySQLite3DB::Open() {
  SetConnected(true);
  if (!lib_) SetConnected(false);
}

void TNySQLite3DB::Close() {
  SetConnected(false);
  WriteTrace("DISCONNECT", true);
}

// ---- trace ---------------------------------------------------------------------------

std::string TNySQLite3DB::TracePath() const {
  if (traceFile_.empty()) return "";
  if (traceFile_.find(PathDelim) == std::string::npos) return GetTempDir() + traceFile_;
  return traceFile_;
}

void TNySQLite3DB::WriteTrace(std::string_view message, bool emptyLine) {
  if (!trace_ || traceFile_.empty()) return;
  try {
    std::string path = TracePath();
    std::FILE* f = std::fopen(path.c_str(), "a");
    if (!f) return;
    std::string line(message);
    line += ' ';
    line += DateTimeToStr(std::time(nullptr));
    line += '\n';
    if (emptyLine) line += '\n';
    std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
  } catch (...) {
  }
}

// ---- errors and statements -------------------------------------------------------------

void TNySQLite3DB::RaiseLastError() {
  const char* msg = sqlite3_errmsg ? sqlite3_errmsg(db_) : nullptr;
  std::string text = msg ? msg : "library not loaded";
  WriteTrace(text);
  throw EDatabaseError("??? SQLite ERR-" + text);
}

// In the engine's first statement interface the specific error of a failed step is only
// reported after a reset, so the message is taken after one.
void TNySQLite3DB::RaiseStepError(sqlite3_stmt* stmt) {
  sqlite3_reset(stmt);
  RaiseLastError();
}

void TNySQLite3DB::RaiseAndFinalize(sqlite3_stmt* stmt) {
  sqlite3_reset(stmt);
  const char* msg = sqlite3_errmsg(db_);
  std::string text = msg ? msg : "";
  sqlite3_finalize(stmt);
  WriteTrace(text);
  throw EDatabaseError("??? SQLite ERR-" + text);
}

bool TNySQLite3DB::WaitBusy(int64_t startMs) {
  if (NowMs() - startMs >= busyWaitMs_) return false;
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return true;
}

int TNySQLite3DB::PrepareStatement(const char** pos, sqlite3_stmt** stmt) {
  *stmt = nullptr;
  if (!lib_ || !db_) throw SLError("no database connection");
  WriteTrace(*pos);
  const char* start = *pos;
  int rc = sqlite3_prepare(db_, start, -1, stmt, pos);
  if (IsBusy(rc)) {
    int64_t t0 = NowMs();
    while (IsBusy(rc) && WaitBusy(t0)) {
      *pos = start;
      rc = sqlite3_prepare(db_, start, -1, stmt, pos);
    }
  }
  return rc;
}

int TNySQLite3DB::StepStatement(sqlite3_stmt* stmt) {
  int rc = sqlite3_step(stmt);
  if (IsBusy(rc)) {
    int64_t t0 = NowMs();
    while (IsBusy(rc) && WaitBusy(t0)) rc = sqlite3_step(stmt);
  }
  return rc;
}

void TNySQLite3DB::FinalizeStatement(sqlite3_stmt* stmt) {
  if (!stmt) return;
  sqlite3_reset(stmt);
  int rc = sqlite3_finalize(stmt);
  if (rc != SQLITE_OK) throw SLError("SQLiteExecute error: " + std::to_string(rc));
}

void TNySQLite3DB::FinalizeCurrent() {
  sqlite3_stmt* stmt = current_;
  current_ = nullptr;
  if (stmt && sqlite3_finalize(stmt) != SQLITE_OK) RaiseLastError();
}

std::string TNySQLite3DB::BeginTransaction(std::string_view kind) {
  std::string k = AsciiUpper(kind.empty() ? std::string_view(transactionType_) : kind);
  std::string statement = "begin transaction";
  if (k == "DEFERRED")
    statement = "begin deferred transaction";
  else if (k == "IMMEDIATE")
    statement = "begin immediate transaction";
  else if (k == "EXCLUSIVE")
    statement = "begin exclusive transaction";
  if (!connected_) SetConnected(true);
  if (!connected_) return "";
  ExecuteScript(statement);
  WriteTrace(statement);
  return statement;
}

int TNySQLite3DB::ExecuteScript(std::string_view text,
                                const std::vector<const TNyMemoryStream*>* streams) {
  std::string script(text);
  std::replace(script.begin(), script.end(), '\x02', '?');
  const char* pos = script.c_str();
  const char* end = pos + script.size();
  while (pos < end && *pos) {
    sqlite3_stmt* stmt = nullptr;
    if (PrepareStatement(&pos, &stmt) != SQLITE_OK) RaiseLastError();
    if (!stmt) break;
    if (streams) {
      for (size_t i = 0; i < streams->size(); ++i) {
        std::string_view bytes = (*streams)[i] ? (*streams)[i]->Bytes() : std::string_view();
        sqlite3_bind_blob(stmt, int(i + 1), bytes.data(), int(bytes.size()), SQLITE_STATIC);
      }
    }
    int rc;
    do {
      rc = StepStatement(stmt);
    } while (rc == SQLITE_ROW);
    if (rc != SQLITE_DONE) RaiseAndFinalize(stmt);
    if (sqlite3_finalize(stmt) != SQLITE_OK) RaiseLastError();
  }
  return 0;
}

bool TNySQLite3DB::ExecuteWithParams(std::string_view text, const std::vector<TNyVariant>& values) {
  FinalizeCurrent();
  std::string sql = TrimCtl(text);
  std::replace(sql.begin(), sql.end(), '\x02', '?');
  const char* pos = sql.c_str();
  if (PrepareStatement(&pos, &current_) != SQLITE_OK) {
    current_ = nullptr;
    RaiseLastError();
  }
  if (!current_) return true;
  int count = sqlite3_bind_parameter_count(current_);
  int rc = SQLITE_OK;
  for (int i = 1; i <= count; ++i) {
    const TNyVariant null;
    const TNyVariant& v = size_t(i - 1) < values.size() ? values[size_t(i - 1)] : null;
    if (std::holds_alternative<std::monostate>(v)) {
      rc = sqlite3_bind_null(current_, i);
    } else if (auto* b = std::get_if<bool>(&v)) {
      rc = sqlite3_bind_int(current_, i, *b ? 1 : 0);
    } else if (auto* n = std::get_if<int32_t>(&v)) {
      rc = sqlite3_bind_int(current_, i, *n);
    } else if (auto* d = std::get_if<TNyDateValue>(&v)) {
      // Days of the years 1 to 9999 only: anything else has no integer to bind.
      if (!(d->Days >= -693594.0 && d->Days < 2958466.0)) {
        sqlite3_finalize(std::exchange(current_, nullptr));
        throw EDatabaseError("Invalid date value");
      }
      rc = sqlite3_bind_int(current_, i, static_cast<int>(d->Days));
    } else if (auto* f = std::get_if<double>(&v)) {
      rc = sqlite3_bind_double(current_, i, *f);
    } else {
      std::string s = std::holds_alternative<int64_t>(v) ? std::to_string(std::get<int64_t>(v))
                                                         : std::get<std::string>(v);
      rc = sqlite3_bind_text(current_, i, s.data(), int(s.size()), SQLITE_TRANSIENT);
    }
  }
  if (rc != SQLITE_OK) RaiseAndFinalize(std::exchange(current_, nullptr));
  rc = StepStatement(current_);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) RaiseAndFinalize(std::exchange(current_, nullptr));
  return true;
}

void TNySQLite3DB::QueryValue(std::string_view text, const std::vector<TNyVariant>& values,
                              bool closeAfter, std::string& out) {
  out.clear();
  if (ExecuteWithParams(text, values)) ColumnText(0, closeAfter, out);
}

void TNySQLite3DB::ColumnText(int column, bool closeAfter, std::string& out) {
  out.clear();
  if (!current_) return;
  const unsigned char* t = sqlite3_column_text(current_, column);
  if (t)
    out.assign(reinterpret_cast<const char*>(t), size_t(sqlite3_column_bytes(current_, column)));
  if (closeAfter) FinalizeCurrent();
}

int64_t TNySQLite3DB::ColumnInt64(int column, bool closeAfter) {
  if (!current_) return 0;
  int64_t v = sqlite3_column_int64(current_, column);
  if (closeAfter) FinalizeCurrent();
  return v;
}

int TNySQLite3DB::CreateFunction(const char* name, int nArg, int eTextRep, void* userData,
                                 void (*xFunc)(sqlite3_context*, int, sqlite3_value**),
                                 void (*xStep)(sqlite3_context*, int, sqlite3_value**),
                                 void (*xFinal)(sqlite3_context*)) {
  if (!sqlite3_create_function) return SQLITE_MISUSE;
  return sqlite3_create_function(db_, name, nArg, eTextRep, userData, xFunc, xStep, xFinal);
}

// ---- record sets -----------------------------------------------------------------------

sqlite3_stmt* TNySQLite3DB::OpenStatement(std::string_view text, TNyQueryLink& query) {
  std::string sql(text);
  std::replace(sql.begin(), sql.end(), '\x02', '?');
  const char* pos = sql.c_str();
  sqlite3_stmt* stmt = nullptr;
  if (PrepareStatement(&pos, &stmt) != SQLITE_OK) RaiseLastError();
  if (!stmt) return nullptr;
  try {
    int counter = 1;
    for (std::string_view bytes : query.BlobParamValues())
      sqlite3_bind_blob(stmt, counter++, bytes.data(), int(bytes.size()), SQLITE_STATIC);
    int columns = sqlite3_column_count(stmt);
    if (columns > 0) {
      std::vector<TNyFieldDef> defs;
      defs.reserve(size_t(columns));
      bool typeLess = query.TypeLess();
      int64_t declared = 0, offset = 0;
      for (int i = 0; i < columns; ++i) {
        const char* cn = sqlite3_column_name(stmt, i);
        std::string base = cn ? cn : "";
        std::string name = base;
        auto taken = [&defs](const std::string& n) {
          std::string u = AnsiUpper(n);
          return std::any_of(defs.begin(), defs.end(),
                             [&u](const TNyFieldDef& d) { return d.Name == u; });
        };
        for (int k = 1; taken(name); ++k) name = base + "_" + std::to_string(k);
        const char* decl = sqlite3_column_decltype(stmt, i);
        TNyTypeInfo info = MapDeclaredType(decl ? decl : "string");
        TNyFieldDef def;
        def.Name = AnsiUpper(name);
        def.ColumnName = base;
        def.Size = info.Size;
        if (typeLess) {
          def.DataType = TFieldType::ftString;
        } else {
          def.DataType = info.Type;
          if (IsFloatType(info.Type)) def.Precision = info.Scale;
          def.ReadOnly = name == "rowid";
        }
        def.StorageSize = FieldStorageSize(def.DataType, def.Size);
        int reserve = FieldReserveSize(def.DataType, def.Size);
        if (def.StorageSize < 0 || reserve < 0)
          throw SLError("Fieldtype of Field \"" + def.Name + "\" not supported!");
        def.Offset = int(offset);
        offset += def.StorageSize;
        declared += reserve;
        if (declared > kMaxRowSize || offset > 4 * kMaxRowSize)
          throw SLError("Row of the query too large");
        defs.push_back(std::move(def));
      }
      query.SetFieldDefs(std::move(defs), int(declared));
    }
  } catch (...) {
    sqlite3_finalize(stmt);
    throw;
  }
  return stmt;
}

size_t FetchRowSize(const std::vector<TNyFieldDef>& defs) {
  size_t end = 5;
  for (const TNyFieldDef& d : defs) end = std::max(end, size_t(d.Offset) + size_t(d.StorageSize));
  return end;
}

void TNySQLite3DB::ReadColumn(sqlite3_stmt* stmt, int col, const TNyFieldDef& def,
                              bool sqliteDateFormat, TNyColumnValue& out) {
  out.HasValue = false;
  out.Bytes = {};
  if (IsTextType(def.DataType)) {
    // The engine gives no text for NULL, and an empty text is no value either: the storage
    // class is not needed.
    const char* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
    if (!t) return;
    const std::string_view text(t, size_t(sqlite3_column_bytes(stmt, col)));
    out.Bytes = text.size() <= size_t(def.Size)
                    ? text
                    : text.substr(0, Utf8CharsLength(text, size_t(def.Size)));
    out.HasValue = !out.Bytes.empty();
    return;
  }
  const int type = sqlite3_column_type(stmt, col);
  if (IsBlobType(def.DataType)) {
    const void* p = sqlite3_column_blob(stmt, col);
    out.Bytes = p ? std::string_view(static_cast<const char*>(p),
                                     size_t(sqlite3_column_bytes(stmt, col)))
                  : std::string_view();
    out.HasValue = type != SQLITE_NULL;
    return;
  }
  if (type == SQLITE_NULL) return;
  if (IsIntegerType(def.DataType) && type == SQLITE_INTEGER) {
    const int64_t v = sqlite3_column_int64(stmt, col);
    std::memcpy(out.Native, &v, sizeof v);
    out.HasValue = true;
    return;
  }
  const char* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
  std::string_view text =
      t ? std::string_view(t, size_t(sqlite3_column_bytes(stmt, col))) : std::string_view();
  out.HasValue = TextToNative(text, def.DataType, sqliteDateFormat, out.Native);
}

uint8_t* TNySQLite3DB::FetchRow(sqlite3_stmt* stmt, TNyQueryLink& query) {
  if (!stmt) return nullptr;
  std::vector<uint8_t>& buf = query.FetchBuffer();
  const std::vector<TNyFieldDef>& defs = query.FieldDefs();
  const size_t rowSize = std::max(FetchRowSize(defs), size_t(query.DeclaredRowSize()) + 5);
  if (buf.size() < rowSize) buf.resize(rowSize);
  std::memset(buf.data(), 0, rowSize);
  int rc = StepStatement(stmt);
  uint8_t* result = nullptr;
  if (rc == SQLITE_ROW) {
    bool sqliteDate = query.SQLiteDateFormat();
    size_t n = std::min(size_t(sqlite3_column_count(stmt)), defs.size());
    try {
      TNyColumnValue v;
      for (size_t i = 0; i < n; ++i) {
        const TNyFieldDef& def = defs[i];
        uint8_t* slot = buf.data() + def.Offset;
        ReadColumn(stmt, int(i), def, sqliteDate, v);
        if (IsBlobType(def.DataType)) {
          auto* stream = new TNyMemoryStream(v.Bytes);
          std::memcpy(slot, &stream, sizeof stream);
        } else if (IsTextType(def.DataType)) {
          if (!v.Bytes.empty()) std::memcpy(slot, v.Bytes.data(), v.Bytes.size());
          slot[v.Bytes.size()] = 0;
        } else {
          slot[0] = v.HasValue ? 1 : 0;
          if (v.HasValue) std::memcpy(slot + 1, v.Native, size_t(def.StorageSize - 1));
        }
      }
    } catch (...) {
      // The row is not handed on: its streams go with it.
      for (size_t i = 0; i < n; ++i) {
        if (!IsBlobType(defs[i].DataType)) continue;
        TNyMemoryStream* stream = nullptr;
        std::memcpy(&stream, buf.data() + defs[i].Offset, sizeof stream);
        delete stream;
        std::memset(buf.data() + defs[i].Offset, 0, sizeof stream);
      }
      throw;
    }
    result = buf.data();
  } else if (rc != SQLITE_DONE) {
    RaiseStepError(stmt);
  }
  if (OnFetchRows) OnFetchRows(&query, 0);
  return result;
}

void TNySQLite3DB::LoadAllRows(std::string_view text, TNyQueryLink& query) {
  sqlite3_stmt* stmt = OpenStatement(text, query);
  try {
    if (stmt && query.TakesStatementRows()) {
      int rc;
      while ((rc = StepStatement(stmt)) == SQLITE_ROW) {
        query.TakeStatementRow(stmt);
        if (OnFetchRows) OnFetchRows(&query, 0);
      }
      if (rc != SQLITE_DONE) RaiseStepError(stmt);
      if (OnFetchRows) OnFetchRows(&query, 0);
    } else {
      while (uint8_t* row = FetchRow(stmt, query)) query.AddFetchedRow(row);
    }
  } catch (...) {
    if (stmt) sqlite3_finalize(stmt);
    throw;
  }
  FinalizeStatement(stmt);
}

}  // namespace ny
