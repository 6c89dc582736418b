// vellum-bench search|open|grid --rows N: the document list of a library of N generated rows,
// each against a floor measured in the same run.
//
//   search  RefreshDocList with "war" and with "война" over AUTHOR, NAME and TEXT, against the
//           same query stepped bare with the engine's LIKE in place of MyLike;
//   open    OpenLibrary until the grid's model has its row count, against the bare loop over
//           "select RowId,* from LSTDOC order by 1";
//   grid    the real document grid of the main window, offscreen, "Check file exist" on,
//           painted at 200 random scroll positions (median frame time).
#include <unistd.h>

#include <QApplication>
#include <QHeaderView>
#include <QTableView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "Bench.h"
#include "app/Form1.h"
#include "app/Form1ConsoleView.h"
#include "app/Form1Model.h"
#include "app/LibrarySchema.h"
#include "app/qt/MainWindow.h"
#include "app/qt/NyDataSetModel.h"
#include "sqlite/NySQLite3DB.h"
#include "util/NyApi.h"

namespace vbench {

namespace {

using Clock = std::chrono::steady_clock;

// A whole library: the generated LSTDOC and the other tables with their seed rows.
std::string MakeLibrary(int64_t rows) {
  const std::string path =
      ny::GetTempDir() + "vellum-bench-lib-" + std::to_string(getpid()) + ".sqb";
  MakeDocLibrary(rows, path);
  ny::TNySQLite3DB db;
  db.SetDatabase(path);
  db.SetConnected(true);
  const auto& steps = ny::LibrarySchemaSteps();
  for (size_t i = 1; i < steps.size(); ++i) db.ExecuteScript(steps[i]);
  return path;
}

// Steps `sql` to its end reading every column as text, as a record set's load reads it;
// returns the number of rows.
int64_t BareLoop(const std::string& path, const std::string& sql) {
  ny::TNySQLite3DB db;
  db.SetDatabase(path);
  db.SetConnected(true);
  const char* pos = sql.c_str();
  sqlite3_stmt* st = nullptr;
  if (db.PrepareStatement(&pos, &st) != SQLITE_OK) db.RaiseLastError();
  const int cols = db.sqlite3_column_count(st);
  int64_t rows = 0;
  uint64_t sum = 0;
  while (db.sqlite3_step(st) == SQLITE_ROW) {
    for (int i = 0; i < cols; ++i) {
      const unsigned char* t = db.sqlite3_column_text(st, i);
      const int n = db.sqlite3_column_bytes(st, i);
      if (t != nullptr && n > 0) sum += t[n - 1];
    }
    ++rows;
  }
  db.FinalizeStatement(st);
  if (sum == 1) std::printf(" ");  // keeps the reads
  return rows;
}

// The main window's logic without a window, searching AUTHOR, NAME and TEXT.
struct TConsoleForm {
  std::ostringstream messages;
  ny::TForm1ConsoleView view{messages};
  ny::TForm1 form{view, ny::TForm1Env{}};
  TConsoleForm() {
    for (const char* box : {"chFindAut", "chFindNam", "chFindTxt"})
      form.Model().Get(box).SetValue("Checked", ny::BoolValue(true));
  }
};

bool ParseRows(int argc, char** argv, const char* name, int64_t& rows) {
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--rows") == 0 && i + 1 < argc) {
      rows = std::atoll(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: vellum-bench %s [--rows N]\n", name);
      return false;
    }
  }
  if (rows < 1) {
    std::fprintf(stderr, "vellum-bench %s: --rows must be at least 1\n", name);
    return false;
  }
  return true;
}

// Runs `body` on a fresh library of `rows` rows, removed afterwards.
template <class F>
int WithLibrary(const char* name, int64_t rows, F body) {
  std::string path;
  int status = 0;
  try {
    path = MakeLibrary(rows);
    std::printf("rows=%lld\n", static_cast<long long>(rows));
    BareLoop(path, "select RowId,* from LSTDOC");  // the file into the page cache
    status = body(path);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vellum-bench %s: %s\n", name, e.what());
    status = 1;
  }
  if (!path.empty()) ny::ForceDeleteFile(path);
  return status;
}

}  // namespace

int RunSearch(int argc, char** argv) {
  int64_t rows = 1000000;
  if (!ParseRows(argc, argv, "search", rows)) return 2;
  return WithLibrary("search", rows, [](const std::string& path) {
    TConsoleForm f;
    f.form.OpenLibrary(path);
    int status = 0;
    // "qqqzz" finds nothing: the cost of the search function alone, without rows to load.
    for (const auto& [label, word] : {std::pair{"search", "war"}, std::pair{"search_cyr", "война"},
                                      std::pair{"search_none", "qqqzz"}}) {
      const std::string w = word;
      int64_t found = 0;
      const TTimes ours = Time([&] {
        f.form.RefreshDocList(w);
        found = f.form.LstDoc().RecordCount();
      });
      // LIKE folds ASCII letters only: the generator writes Cyrillic words in lower case.
      const std::string like = "select RowId,* from LSTDOC where 1<0 or AUTHOR like '%" + w +
                               "%' or NAME like '%" + w + "%' or TEXT like '%" + w +
                               "%' order by 1";
      int64_t floorRows = 0;
      const TTimes floor = Time([&] { floorRows = BareLoop(path, like); });
      std::printf("%s_rows=%lld floor_rows=%lld%s\n", label, static_cast<long long>(found),
                  static_cast<long long>(floorRows), found == floorRows ? "" : " MISMATCH");
      std::printf("%s_seconds=%.3f (cpu %.3f) floor_seconds=%.3f (cpu %.3f)\n", label, ours.wall,
                  ours.cpu, floor.wall, floor.cpu);
      std::printf("%s_ratio=%.3f\n", label, ours.cpu / floor.cpu);
      if (found != floorRows) status = 1;
    }
    return status;
  });
}

int RunOpen(int argc, char** argv) {
  int64_t rows = 1000000;
  if (!ParseRows(argc, argv, "open", rows)) return 2;
  return WithLibrary("open", rows, [](const std::string& path) {
    TConsoleForm f;
    ny::TNyDataSetModel model(f.form, ny::kDocGrid, f.form.DS_LstDoc());
    int shown = 0;
    const TTimes ours = Time([&] {
      f.form.OpenLibrary(path);
      shown = model.rowCount();
    });
    int64_t floorRows = 0;
    const TTimes floor =
        Time([&] { floorRows = BareLoop(path, "select RowId,* from LSTDOC order by 1"); });
    std::printf("open_rows=%d floor_rows=%lld\n", shown, static_cast<long long>(floorRows));
    std::printf("open_seconds=%.3f (cpu %.3f) floor_seconds=%.3f (cpu %.3f)\n", ours.wall, ours.cpu,
                floor.wall, floor.cpu);
    std::printf("open_ratio=%.3f\n", ours.cpu / floor.cpu);
    return shown == floorRows ? 0 : 1;
  });
}

int RunGrid(int argc, char** argv) {
  int64_t rows = 1000000;
  if (!ParseRows(argc, argv, "grid", rows)) return 2;
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int qargc = 1;
  char name[] = "vellum-bench";
  char* qargv[] = {name, nullptr};
  QApplication app(qargc, qargv);
  return WithLibrary("grid", rows, [](const std::string& path) {
    const std::string dir = ny::ExtractDir(path) + "vellum-bench-grid-" + std::to_string(getpid()) + "/";
    ny::ForceDirs(dir + "tmp/");
    ny::TForm1Env env{dir + "vellum", dir + "vellum.ini", dir + "tmp/"};
    ny::IniWriteStr(env.SettingsFile, "main", "pathbook", path);
    ny::IniWriteStr(env.SettingsFile, "main", "chCheckFileExist", "1");
    int status = 0;
    {
      ny::MainWindow w(env);
      w.show();
      auto* grid = qobject_cast<QTableView*>(w.Control(ny::kDocGrid));
      QCoreApplication::processEvents();
      const int count = grid->model()->rowCount();
      std::printf("grid_rows=%d\n", count);
      std::mt19937 rng(20261209);
      std::vector<double> ms;
      for (int i = 0; i < 200 && count > 0; ++i) {
        const int r = std::uniform_int_distribution<int>(0, count - 1)(rng);
        const auto t0 = Clock::now();
        grid->scrollTo(grid->model()->index(r, 0), QAbstractItemView::PositionAtTop);
        grid->viewport()->repaint();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
      }
      std::sort(ms.begin(), ms.end());
      if (ms.empty()) {
        status = 1;
      } else {
        std::printf("grid_frame_ms_max=%.2f\n", ms.back());
        std::printf("grid_frame_ms=%.2f\n", ms[ms.size() / 2]);
      }
    }
    ny::ForceDeleteFile(env.SettingsFile);
    std::system(("rm -rf '" + dir + "'").c_str());
    return status;
  });
}

}  // namespace vbench
