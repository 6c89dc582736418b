// vellum-bench data --rows N: a library table of N document rows in a temporary file, and the
// floor any record set is measured against: the same query stepped with the same engine calls,
// every column read as text, nothing kept.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Bench.h"
#include "sqlite/NySQLite3DB.h"
#include "util/NyApi.h"

namespace vbench {

namespace {

using Clock = std::chrono::steady_clock;

const char* const kSubjects[] = {"Actions",   "Adventure", "Children",   "Classic",  "Comics",
                                 "Computers", "Cooking",   "Detective",  "Drama",    "Economy",
                                 "Fantasy",   "History",   "Horror",     "Humor",    "Law",
                                 "Medicine",  "Memoirs",   "Music",      "Nature",   "Philosophy",
                                 "Poetry",    "Politics",  "Psychology", "Religion", "Romance",
                                 "Science",   "SciFi",     "Sport",      "Travel"};

const char* const kLatinWords[] = {
    "the",   "house",  "of",     "silent",  "river",  "night",  "war",     "peace",  "garden",
    "stone", "king",   "winter", "letters", "island", "shadow", "road",    "secret", "city",
    "last",  "summer", "empire", "dream",   "glass",  "north",  "journey", "storm",  "light"};
const char* const kCyrillicWords[] = {
    "дом",     "тихой",  "реки",   "ночь",  "война",       "мир",   "сад",   "камень",    "король",
    "зима",    "письма", "остров", "тень",  "дорога",      "тайна", "город", "последнее", "лето",
    "империя", "сон",    "стекло", "север", "путешествие", "буря",  "свет"};
const char* const kLatinNames[] = {"Dickens C.",     "Austen J.",  "Verne J.",   "Twain M.",
                                   "Hugo V.",        "Wells H.G.", "Doyle A.C.", "London J.",
                                   "Stevenson R.L.", "Kipling R."};
const char* const kCyrillicNames[] = {"Толстой Л.Н.",     "Чехов А.П.",     "Пушкин А.С.",
                                      "Гоголь Н.В.",      "Тургенев И.С.",  "Булгаков М.А.",
                                      "Достоевский Ф.М.", "Лермонтов М.Ю.", "Бунин И.А."};

template <size_t N>
const char* Pick(std::mt19937& rng, const char* const (&list)[N]) {
  return list[std::uniform_int_distribution<size_t>(0, N - 1)(rng)];
}

// Words until the text would pass `maxBytes` (at least one word), capitalised Latin or
// Cyrillic as the row's language says.
std::string Words(std::mt19937& rng, bool cyrillic, int minWords, int maxWords, size_t maxBytes) {
  int n = std::uniform_int_distribution<int>(minWords, maxWords)(rng);
  std::string s;
  for (int i = 0; i < n; ++i) {
    std::string w = cyrillic ? Pick(rng, kCyrillicWords) : Pick(rng, kLatinWords);
    if (!s.empty() && s.size() + 1 + w.size() > maxBytes) break;
    if (!s.empty()) s += ' ';
    s += w;
  }
  if (!s.empty() && !cyrillic && s[0] >= 'a' && s[0] <= 'z') s[0] = char(s[0] - 32);
  return s;
}

// A file name of ASCII letters from a title (the archive store's names are plain).
std::string FileBase(std::mt19937& rng, int64_t row) {
  std::string s = Words(rng, false, 1, 4, 40);
  for (char& c : s)
    if (c == ' ') c = '_';
  return s + "_" + std::to_string(row);
}

struct TEngine {
  ny::TNySQLite3DB db;
  explicit TEngine(const std::string& path) {
    db.SetDatabase(path);
    db.SetConnected(true);
  }
};

}  // namespace

std::string MakeDocLibrary(int64_t rows, const std::string& path) {
  ny::ForceDeleteFile(path);
  TEngine e(path);
  ny::TNySQLite3DB& db = e.db;
  db.ExecuteScript(
      "CREATE TABLE LSTDOC ( AUTHOR VARCHAR2(32) ,NAME VARCHAR2(64) ,SUBJ VARCHAR2(16) ,SIZE "
      "INTEGER ,SIZEARC INTEGER ,FILENAME VARCHAR2(128) ,ARCHNAME VARCHAR2(128) ,TEXT "
      "VARCHAR2(256));");
  db.ExecuteScript("begin transaction");
  const char* sql =
      "insert into LSTDOC (AUTHOR,NAME,SUBJ,SIZE,SIZEARC,FILENAME,ARCHNAME,TEXT) "
      "values (?,?,?,?,?,?,?,?)";
  const char* pos = sql;
  sqlite3_stmt* st = nullptr;
  if (db.PrepareStatement(&pos, &st) != SQLITE_OK) db.RaiseLastError();
  std::mt19937 rng(20261208);
  std::uniform_int_distribution<int> percent(0, 99);
  std::lognormal_distribution<double> size(11.5, 1.4);  // median ~100 KB
  auto text = [&](int i, const std::string& s) {
    if (s.empty())
      db.sqlite3_bind_null(st, i);
    else
      db.sqlite3_bind_text(st, i, s.data(), int(s.size()), SQLITE_TRANSIENT);
  };
  for (int64_t r = 0; r < rows; ++r) {
    bool cyr = percent(rng) < 50;
    text(1, percent(rng) < 10
                ? std::string("?")
                : std::string(cyr ? Pick(rng, kCyrillicNames) : Pick(rng, kLatinNames)));
    text(2, Words(rng, cyr, 1, 7, 64));
    text(3, Pick(rng, kSubjects));
    db.sqlite3_bind_int(st, 4, int(std::min(size(rng), 2.0e9)));
    db.sqlite3_bind_null(st, 5);
    std::string base = FileBase(rng, r);
    static const char* const exts[] = {".txt", ".htm", ".doc", ".rtf", ".pdf", ".xls"};
    text(6, base + exts[r % 6]);
    text(7, base + ".ZIP");
    text(8, percent(rng) < 30 ? Words(rng, cyr, 3, 40, 256) : std::string());
    if (db.StepStatement(st) != SQLITE_DONE) db.RaiseLastError();
    db.sqlite3_reset(st);
  }
  db.FinalizeStatement(st);
  db.ExecuteScript("commit");
  return path;
}

TFloorResult MeasureFloor(const std::string& path) {
  TEngine e(path);
  ny::TNySQLite3DB& db = e.db;
  TFloorResult res;
  auto t0 = Clock::now();
  double c0 = CpuSeconds();
  const char* sql = "select RowId,* from LSTDOC";
  const char* pos = sql;
  sqlite3_stmt* st = nullptr;
  if (db.PrepareStatement(&pos, &st) != SQLITE_OK) db.RaiseLastError();
  int cols = db.sqlite3_column_count(st);
  for (int i = 0; i < cols; ++i) {
    db.sqlite3_column_name(st, i);
    db.sqlite3_column_decltype(st, i);
  }
  while (db.sqlite3_step(st) == SQLITE_ROW) {
    for (int i = 0; i < cols; ++i) {
      const unsigned char* t = db.sqlite3_column_text(st, i);
      int n = db.sqlite3_column_bytes(st, i);
      if (t && n) {
        res.textBytes += uint64_t(n);
        res.checksum += t[n - 1];
      }
    }
    ++res.rows;
  }
  db.FinalizeStatement(st);
  res.wallSeconds = std::chrono::duration<double>(Clock::now() - t0).count();
  res.cpuSeconds = CpuSeconds() - c0;
  return res;
}

namespace {

// The connection's own row loading (LoadAllRows with its text conversions) into plain row
// blocks: what the record set adds on top of this is its own cost.
class TPlainRows : public ny::TNyQueryLink {
 public:
  bool TypeLess() const override { return false; }
  bool SQLiteDateFormat() const override { return true; }
  void SetFieldDefs(std::vector<ny::TNyFieldDef> defs, int declaredRowSize) override {
    defs_ = std::move(defs);
    declared_ = declaredRowSize;
  }
  const std::vector<ny::TNyFieldDef>& FieldDefs() const override { return defs_; }
  int DeclaredRowSize() const override { return declared_; }
  std::vector<uint8_t>& FetchBuffer() override { return buffer_; }
  void AddFetchedRow(const uint8_t* row) override {
    rows_.emplace_back(new uint8_t[size_t(declared_) + 5]);
    std::memcpy(rows_.back().get(), row, std::min(ny::FetchRowSize(defs_), size_t(declared_) + 5));
  }
  void ConnectionDisconnecting(ny::TNySQLite3DB&) override {}
  void ConnectionDestroyed(ny::TNySQLite3DB&) override {}
  size_t RowCount() const { return rows_.size(); }
  int RecordSize() const { return declared_ + 5; }

 private:
  std::vector<ny::TNyFieldDef> defs_;
  int declared_ = 0;
  std::vector<uint8_t> buffer_;
  std::vector<std::unique_ptr<uint8_t[]>> rows_;
};

}  // namespace

TFloorResult MeasureConnectionLoad(const std::string& path, int* recordSize) {
  TEngine e(path);
  TPlainRows rows;
  TFloorResult res;
  auto t0 = Clock::now();
  double c0 = CpuSeconds();
  e.db.LoadAllRows("select RowId,* from LSTDOC", rows);
  res.wallSeconds = std::chrono::duration<double>(Clock::now() - t0).count();
  res.cpuSeconds = CpuSeconds() - c0;
  res.rows = int64_t(rows.RowCount());
  *recordSize = rows.RecordSize();
  return res;
}

// Replaced by the record-set half of the benchmark when it is built in.
__attribute__((weak)) double RunDataRecordSet(const std::string&, int64_t, TFloorResult&) {
  std::printf("recordset: not built in\n");
  return -1;
}

int RunData(int argc, char** argv) {
  int64_t rows = 100000;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--rows") == 0 && i + 1 < argc) {
      rows = std::atoll(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: vellum-bench data [--rows N]\n");
      return 2;
    }
  }
  if (rows < 1) {
    std::fprintf(stderr, "vellum-bench data: --rows must be at least 1\n");
    return 2;
  }
  std::string path = ny::GetTempDir() + "vellum-bench-" + std::to_string(getpid()) + ".sqb";
  int status = 0;
  try {
    auto t0 = Clock::now();
    MakeDocLibrary(rows, path);
    double build = std::chrono::duration<double>(Clock::now() - t0).count();
    std::printf("rows=%lld\n", static_cast<long long>(rows));
    std::printf("build_seconds=%.3f\n", build);
    std::printf("file_mb=%.1f\n", double(ny::GetFileSize64(path)) / 1e6);
    MeasureFloor(path);  // warms the page cache, so that both loads read from memory
    // The least processor time of three runs (the machine is shared), as for the record set.
    TFloorResult floor = MeasureFloor(path);
    for (int i = 0; i < 2; ++i) {
      TFloorResult again = MeasureFloor(path);
      if (again.cpuSeconds < floor.cpuSeconds) floor = again;
    }
    std::printf("floor_seconds=%.3f (cpu %.3f, least of 3)\n", floor.wallSeconds,
                floor.cpuSeconds);
    std::printf("floor_rows_per_second=%.0f\n", double(floor.rows) / floor.wallSeconds);
    std::printf("floor_text_mb=%.1f\n", double(floor.textBytes) / 1e6);
    int recordSize = 0;
    TFloorResult conn = MeasureConnectionLoad(path, &recordSize);
    std::printf("connection_load_seconds=%.3f (cpu %.3f, %lld rows of %d bytes)\n",
                conn.wallSeconds, conn.cpuSeconds, static_cast<long long>(conn.rows), recordSize);
    std::printf("connection_load_ratio=%.3f\n", conn.cpuSeconds / floor.cpuSeconds);
    double load = RunDataRecordSet(path, rows, floor);
    if (load > 0) std::printf("load_ratio=%.3f\n", load / floor.cpuSeconds);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vellum-bench data: %s\n", e.what());
    status = 1;
  }
  ny::ForceDeleteFile(path);
  return status;
}

}  // namespace vbench
