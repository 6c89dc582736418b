#include "app/LibraryCheck.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "app/ArchiveCatalog.h"
#include "app/LibText.h"
#include "archive/ArchiveList.h"
#include "archive/ArchiveOps.h"
#include "archive/ZipReader.h"
#include "lang/NyLang.h"
#include "sqlite/NyDataSet.h"
#include "sqlite/NyField.h"
#include "sqlite/NySQLite3DB.h"
#include "sqlite/NySQLite3Query.h"
#include "sqlite/NyValue.h"
#include "util/NyApi.h"
#include "util/NyProgress.h"

namespace ny {

namespace {

using TClock = std::chrono::steady_clock;

constexpr const char* kBlankRec = "             ";  // 13 blanks
constexpr int kUpdateMs = 100;                     // the progress window's update interval

// The walk over the document list: views off and the RowId of the current row remembered
// when made; views on and the list back on that row when it goes, on every way out.
class TDocWalk {
 public:
  explicit TDocWalk(TNySQLite3Query& doc) : doc_(doc) {
    doc_.DisableControls();
    if (!doc_.IsEmpty()) {
      hasRow_ = true;
      rowId_ = doc_.FieldByName("RowId").AsLargeInt();
    }
  }
  ~TDocWalk() {
    doc_.EnableControls();
    if (!hasRow_) return;
    try {
      doc_.Locate("RowId", TNyValue(rowId_), {});
    } catch (...) {
      // The list stays where the walk left it; the walk's own error, if any, is reported.
    }
  }
  TDocWalk(const TDocWalk&) = delete;
  TDocWalk& operator=(const TDocWalk&) = delete;

 private:
  TNySQLite3Query& doc_;
  bool hasRow_ = false;
  int64_t rowId_ = 0;
};

// The progress of one walk: the window appears once the walk has run ProgressDelayMs, is
// updated at most every kUpdateMs with the rows done and the rows per second, and is asked
// for Cancel at each update. Hidden when the object goes.
class TWalkProgress {
 public:
  TWalkProgress(TWalkContext& ctx, int total) : ctx_(ctx), total_(total), start_(TClock::now()) {
    next_ = start_ + std::chrono::milliseconds(ctx_.ProgressDelayMs);
  }
  ~TWalkProgress() {
    if (shown_) ctx_.Progress->ProgressHide();
  }
  TWalkProgress(const TWalkProgress&) = delete;
  TWalkProgress& operator=(const TWalkProgress&) = delete;

  // After a row: false when the walk is to stop.
  bool RowDone(int done) {
    if (ctx_.Progress == nullptr) return true;
    const TClock::time_point now = TClock::now();
    if (now < next_) return true;
    next_ = now + std::chrono::milliseconds(kUpdateMs);
    if (!shown_) {
      ctx_.Progress->ProgressShow(ctx_.ProgressCaption, total_);
      shown_ = true;
    }
    const double secs = std::chrono::duration<double>(now - start_).count();
    const long long rate = secs > 0 ? std::llround(done / secs) : 0;
    ctx_.Progress->ProgressUpdate(done, total_,
                                  std::to_string(rate) + " " + LangMsg("LibRowsSec", "rows per second"));
    return !ctx_.Progress->ProgressCancelled();
  }

 private:
  TWalkContext& ctx_;
  int total_;
  TClock::time_point start_;
  TClock::time_point next_;
  bool shown_ = false;
};

// Archive paths of the rows, with the subjects looked up once per subject name.
class TPathOfRow {
 public:
  explicit TPathOfRow(TWalkContext& ctx)
      : subjects_(*ctx.LstSbj, false), libraryDir_(LibraryDir(ctx.LibraryFile)) {}
  std::string operator()(const TDocumentRef& doc) {
    auto it = dirs_.find(doc.Subj);
    if (it == dirs_.end()) it = dirs_.emplace(doc.Subj, subjects_.LocateSubject(doc.Subj)).first;
    if (!it->second) return {};
    return ArchivePathOf(libraryDir_, *it->second, doc.ArchName);
  }

 private:
  TDataSetSubjects subjects_;
  std::string libraryDir_;
  std::unordered_map<std::string, std::optional<std::string>> dirs_;
};

// The SUBJ, ARCHNAME and FILENAME of the current row, the fields looked up once.
class TRowRef {
 public:
  explicit TRowRef(TNyDataSet& doc)
      : subj_(doc.FieldByName("SUBJ")), arch_(doc.FieldByName("ARCHNAME")),
        file_(doc.FieldByName("FILENAME")) {}
  TDocumentRef operator()() const { return {subj_.AsString(), arch_.AsString(), file_.AsString()}; }

 private:
  TNyField& subj_;
  TNyField& arch_;
  TNyField& file_;
};

// Whether a stored FILENAME names the entry: equal without regard to ASCII letter case, or
// else as library texts (Windows-1251 bytes and letters of every script).
bool SameName(const std::string& file, const std::string& entry) {
  if (file.size() == entry.size() && AsciiUpper(file) == AsciiUpper(entry)) return true;
  return SameLibText(file, entry);
}

void ShowRow(TWalkContext& ctx, const std::string& caption) {
  if (ctx.ShowRow) ctx.ShowRow(caption);
}

void Log(TWalkContext& ctx, const std::string& line) {
  if (ctx.Log) ctx.Log(line);
}

// The upper-cased extension (with its dot) of the file name of `path`.
std::string PathExt(const std::string& path) {
  const std::string format = ArchiveFormat(ExtractNameWhole(path));
  return format.empty() ? std::string() : "." + format;
}

std::string Normal(const std::string& path) {
  return std::filesystem::path(path).lexically_normal().string();
}

// Keys of archive paths for the search of stray files: the directory part normalised (looked
// up once per directory), the file name as it is.
class TPathKeys {
 public:
  std::string operator()(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return path;
    const std::string dir = path.substr(0, slash);
    auto it = dirs_.find(dir);
    if (it == dirs_.end()) it = dirs_.emplace(dir, Normal(dir + "/")).first;
    return it->second + path.substr(slash + 1);
  }

 private:
  std::unordered_map<std::string, std::string> dirs_;
};

// The files directly in the library's subject directories that `named` does not hold.
std::vector<std::string> StrayFiles(TWalkContext& ctx, const std::unordered_set<std::string>& named,
                                    TPathKeys& keyOf) {
  std::vector<std::string> stray;
  TNyDataSet& sbj = *ctx.LstSbj;
  if (!sbj.Active()) return stray;
  const std::string libraryDir = LibraryDir(ctx.LibraryFile);
  TNyField& dirField = sbj.FieldByName("DIR");
  std::set<std::string> dirsSeen;
  const int count = sbj.RecordCount();
  for (int i = 0; i < count; ++i) {
    std::string dir;
    {
      TNyRecordPeek peek(sbj, i);
      if (!peek.Found()) continue;
      dir = dirField.AsString();
    }
    if (!StoredNameStaysInside(dir)) continue;
    const std::string base = libraryDir + "/" + SubjectDirPath(dir);
    if (!dirsSeen.insert(Normal(base)).second) continue;
    std::error_code ec;
    std::vector<std::string> names;
    for (std::filesystem::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
      std::error_code fec;
      if (it->is_regular_file(fec)) names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) {
      const std::string path = base + "/" + n;
      if (named.count(keyOf(path)) == 0) stray.push_back(path);
    }
  }
  return stray;
}

std::string TableCount(TWalkContext& ctx, std::string* sumText, int64_t* sum) {
  std::string count;
  ctx.DB->QueryValue("select count(*) CNT, Sum(Size) Size from LSTDOC", {}, false, count);
  std::string s;
  ctx.DB->ColumnText(1, false, s);
  const int64_t v = ctx.DB->ColumnInt64(1, true);
  if (sumText != nullptr) *sumText = s;
  if (sum != nullptr) *sum = v;
  return count;
}

std::string CancelLine(int done, int total) {
  return LangMsg("LibCancel", "Cancelled, rows walked: ") + std::to_string(done) + " / " +
         std::to_string(total);
}

}  // namespace

std::string SharePercent(int64_t bytes, int64_t sum) {
  if (sum <= 0) return "0";
  const long double share = static_cast<long double>(bytes) * 100.0L / static_cast<long double>(sum);
  return std::to_string(static_cast<long long>(std::nearbyintl(share)));
}

TStatistics RunStatistics(TWalkContext& ctx) {
  TStatistics s;
  ShowRow(ctx, kBlankRec);
  s.CountText = TableCount(ctx, &s.SumText, &s.Sum);
  TNySQLite3Query& doc = *ctx.LstDoc;
  TDocWalk walk(doc);
  TPathOfRow pathOf(ctx);
  TRowRef rowRef(doc);
  TNyField& rowId = doc.FieldByName("RowId");
  s.Total = doc.RecordCount();
  TWalkProgress progress(ctx, s.Total);
  for (doc.First(); !doc.Eof(); doc.Next()) {
    ShowRow(ctx, rowId.AsString());
    const std::string path = pathOf(rowRef());
    if (!path.empty() && FileExistsPlain(path)) {
      ++s.Files;
      s.Bytes += GetFileSize64(path);
    }
    ++s.Done;
    if (!progress.RowDone(s.Done)) {
      s.Cancelled = s.Done < s.Total;
      break;
    }
  }
  return s;
}

std::string StatisticsText(const TStatistics& s) {
  const std::string bytes = LangMsg("LibCont3", "bytes");
  std::string t = LangMsg("LibCont1", "Library contain:") + "\n" + s.CountText + " " +
                  LangMsg("LibCont2", "documents") + " " + s.SumText + " " + bytes;
  t += "\n\n" + LangMsg("LibCont4", "Archive contain:") + "\n" + std::to_string(s.Files) + " " +
       LangMsg("LibCont5", "files") + " " + std::to_string(s.Bytes) + " " + bytes;
  t += "\n\n\t" + SharePercent(s.Bytes, s.Sum) + "%";
  if (s.Cancelled) t += "\n\n" + CancelLine(s.Done, s.Total);
  return t;
}

TCheckCounters RunCheck(TWalkContext& ctx, bool verify) {
  TCheckCounters c;
  ShowRow(ctx, kBlankRec);
  TNySQLite3Query& doc = *ctx.LstDoc;
  // One reader for the walk: its buffers serve every archive tested.
  TZipReader tester;
  tester.SetDoProcessMessages(false);
  TDocWalk walk(doc);
  TPathOfRow pathOf(ctx);
  TRowRef rowRef(doc);
  TNyField& rowId = doc.FieldByName("RowId");
  TNyField& size = doc.FieldByName("SIZE");
  std::unordered_set<std::string> named;
  TPathKeys keyOf;
  c.Total = doc.RecordCount();
  TWalkProgress progress(ctx, c.Total);
  for (doc.First(); !doc.Eof(); doc.Next()) {
    ShowRow(ctx, rowId.AsString());
    const TDocumentRef ref = rowRef();
    const std::string a = pathOf(ref);
    if (!a.empty()) named.insert(keyOf(a));
    [&] {
      if (a.empty() || !FileExistsPlain(a)) {
        Log(ctx, "Not exist file: " + a);
        ++c.Missing;
        return;
      }
      const std::string ext = PathExt(a);
      int count = 0;
      if (ext == ".ZIP") {
        ++c.Zip;
        std::string message;
        try {
          if (verify) {
            // The directory is read once, for the test and the listing.
            tester.SetZipName(a);
            const TZipTestResult tested = tester.TestAll();
            if (tested.Kind == TZipTestResult::Intact)
              count = ListZipEntries(tester);
            else
              message = tested.Message;
          } else {
            count = ListZipArchive(a);
          }
        } catch (const EZipError& e) {
          message = e.what();
        }
        if (!message.empty()) {
          Log(ctx, "Damaged archive: " + a + " ~ " + message);
          ++c.Damaged;
          return;
        }
      } else if (ext == ".RAR") {
        ++c.Rar;
        count = ListRarArchive(a);
      } else {
        Log(ctx, "Not ZIP RAR format: " + a);
        ++c.NotArchive;
        return;
      }
      if (count != 1) {
        Log(ctx, "Not have files in: " + a);
        ++c.NotOne;
        return;
      }
      const TArchiveEntry& entry = ArchiveEntries().front();
      const std::string& file = ref.FileName;
      if (!SameName(file, entry.EntryName)) {
        Log(ctx, "not = " + a + " ~ " + LibText(file) + " ~ " + entry.EntryName);
        ++c.Mismatch;
        return;
      }
      if (size.IsNull() || size.AsLargeInt() < 0 || size.AsLargeInt() != entry.UnpackedSize) {
        try {
          doc.Edit();
          size.SetAsLargeInt(entry.UnpackedSize);
          doc.Post();
        } catch (...) {
          // A correction the library refuses leaves the stored size; the row is still valid.
          try {
            doc.Cancel();
          } catch (...) {
          }
        }
      }
      ++c.Valid;
    }();
    ++c.Done;
    if (!progress.RowDone(c.Done)) {
      c.Cancelled = c.Done < c.Total;
      break;
    }
  }
  if (!c.Cancelled) {
    // Stray files are looked for only when every row of the table was looked at.
    std::string total = TableCount(ctx, nullptr, nullptr);
    if (total == std::to_string(c.Done)) {
      c.StrayListed = true;
      for (const std::string& path : StrayFiles(ctx, named, keyOf)) {
        Log(ctx, "Not in catalogue: " + path);
        ++c.Stray;
      }
    }
  }
  return c;
}

std::string CheckSummary(const TCheckCounters& c) {
  std::string t;
  if (c.Cancelled) t += CancelLine(c.Done, c.Total) + "\n";
  t += LangMsg("LibStat1", "All records: ") + std::to_string(c.Total) + "\n";
  t += LangMsg("LibStat2", "Valid files: ") + std::to_string(c.Valid) + "\n";
  auto line = [&](const char* indent, const char* key, const char* text, int32_t n) {
    if (n > 0) t += indent + LangMsg(key, text) + std::to_string(n) + "\n";
  };
  line("    ", "LibStat3", "ZIP archive files: ", c.Zip);
  line("    ", "LibStat4", "RAR archive files: ", c.Rar);
  line("", "LibStat5", "Not archive format: ", c.NotArchive);
  line("", "LibStat6", "Archive contain not one document: ", c.NotOne);
  line("", "LibStat7", "Archive file not exist: ", c.Missing);
  line("", "LibStat8", "Document in library <> document in archive: ", c.Mismatch);
  line("", "LibStat9", "Damaged archives: ", c.Damaged);
  line("", "LibStat10", "Archives not in catalogue: ", c.Stray);
  return t;
}

}  // namespace ny
