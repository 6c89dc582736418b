// The two maintenance walks over the document list: the statistics (what the catalogue says
// against what the library directory holds) and the library check (every row's archive
// opened and classified, stored sizes corrected, damaged and stray archives found).
//
// Both walk the rows of the document list as it is queried (a search narrows the walk) with
// the list's views switched off, and always leave the list on the row that was current
// before, by its RowId, also after an error or a cancel. A walk that lasts longer than a
// moment shows a progress window (rows done of rows, rows per second) whose Cancel stops it
// after the row at hand.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace ny {

class TNySQLite3DB;
class TNySQLite3Query;
class TNyDataSet;
class TNyProgressView;

// What a walk works on, owned by the caller.
struct TWalkContext {
  TNySQLite3DB* DB = nullptr;            // the library's connection (required)
  TNySQLite3Query* LstDoc = nullptr;     // the open document list over "select RowId,* ..."
  TNyDataSet* LstSbj = nullptr;          // the open subject record set (NAM, DIR); read only
  std::string LibraryFile;               // the open library's file
  // Called with each row's RowId before the row is worked on (the window's lRec), and with
  // 13 blanks before the walk. May be empty.
  std::function<void(const std::string& caption)> ShowRow;
  // One line of the operation log. May be empty.
  std::function<void(const std::string& line)> Log;
  // The progress window; null: none, the walk is never cancelled.
  TNyProgressView* Progress = nullptr;
  // The walk shows the progress window once it has run this long.
  int ProgressDelayMs = 400;
  // The progress window's caption (already translated).
  std::string ProgressCaption;
};

// Counters and totals of the statistics.
struct TStatistics {
  std::string CountText;  // count(*) of LSTDOC, as the engine gives it
  std::string SumText;    // Sum(SIZE) of LSTDOC as text ("" over no rows)
  int64_t Sum = 0;        // Sum(SIZE) as a 64-bit integer (0 over no rows)
  int64_t Files = 0;      // rows visited whose archive file exists
  int64_t Bytes = 0;      // their total size in bytes
  bool Cancelled = false;
  int Done = 0;           // rows visited
  int Total = 0;          // rows of the document list
};

// Counters of the check.
struct TCheckCounters {
  int32_t Valid = 0, Zip = 0, Rar = 0, NotArchive = 0, NotOne = 0, Missing = 0, Mismatch = 0;
  int32_t Damaged = 0;     // zip archives the reader could not read, or (verifying) whose data fails
  int32_t Stray = 0;       // files of subject directories no row names
  bool StrayListed = false;  // the walk covered the whole table, so stray files were looked for
  bool Cancelled = false;
  int Done = 0;            // rows visited
  int Total = 0;           // rows of the document list
};

// The share of `bytes` in `sum` in percent: bytes * 100 / sum in extended floating point,
// rounded to the nearest integer (ties to even), in decimal. "0" when `sum` is 0 or less.
std::string SharePercent(int64_t bytes, int64_t sum);

// Runs the statistics walk. The first line's count and sum cover the whole table
// (QueryValue on "select count(*) CNT, Sum(Size) Size from LSTDOC"); the files are those of
// the rows visited. Errors of the data layer propagate after the list is restored.
TStatistics RunStatistics(TWalkContext& ctx);
// The text shown: LangMsg "LibCont1".."LibCont5" as the window shows them, then the share
// and "%"; a cancelled walk adds a line LangMsg "LibCancel" followed by "<done> / <total>".
std::string StatisticsText(const TStatistics& s);

// Runs the check walk; with `verify` every entry of every zip archive is read and inflated in
// memory (TZipReader::TestAll), its sizes and CRC-32 checked against the directory; nothing is
// written. An archive whose test fails is damaged, with the test's message.
// Per row with archive path A, the log gets "Not exist file: " + A, "Not ZIP RAR format: " +
// A, "Not have files in: " + A, "not = " + A + " ~ " + FILENAME + " ~ " + entry name, or
// "Damaged archive: " + A + " ~ " + the reader's message. A wrong or negative (or empty)
// SIZE of a valid row is set to the entry's unpacked size (a failing correction is ignored;
// a size the field cannot hold is refused by the field, never cut). After a walk over every
// row of the table that was not cancelled, each file directly in a subject directory that no
// row's archive path names is logged "Not in catalogue: " + its path; nothing is deleted.
// Errors of the data layer propagate after the list is restored; a zip archive the reader
// cannot read counts as damaged and the walk goes on.
TCheckCounters RunCheck(TWalkContext& ctx, bool verify);
// The summary shown: "LibStat1".."LibStat8" as the window shows them, then "LibStat9"
// (damaged archives) and "LibStat10" (archives not in catalogue) when above 0; a cancelled
// check begins with the line LangMsg "LibCancel" followed by "<done> / <total>".
std::string CheckSummary(const TCheckCounters& c);

}  // namespace ny
