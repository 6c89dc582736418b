// Opening the current document of the list: unpacking it from its archive into the temporary
// directory, the size correction of its row, the view file, and showing it in the internal
// viewer or handing it to the desktop's program.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ny {

class TForm1;
class TForm1View;
class TNyDataSet;

// Base name of the view file in the temporary directory.
inline constexpr char kViewFileBase[] = "ArcBook";

// True when `name` names a file directly inside a directory: not empty, not "." or "..", and
// without '/' or '\' (so not absolute either).
bool IsPlainFileName(std::string_view name);

// The view file for an unpacked document at `unpacked`: tempDir, "ArcBook" and the extension
// of `unpacked` with its dot ("" when it has none). `tempDir` ends with '/'.
std::string ViewFileName(const std::string& tempDir, const std::string& unpacked);

// Puts the true size `actual` into SIZE of the current row of `lstDoc` when the stored value
// (NULL read as 0) differs: edit, set, post. Returns true when the row was changed. Errors of
// the data layer propagate (the edit is then cancelled).
bool CorrectDocumentSize(TNyDataSet& lstDoc, int64_t actual);

// Moves the unpacked document `unpacked` to `viewFile` (both in the temporary directory),
// replacing an earlier view file. When they are the same file nothing moves. False when the
// earlier view file cannot be removed or the move fails; the unpacked file is then removed,
// so that no stale copy stays behind.
bool ReplaceViewFile(const std::string& unpacked, const std::string& viewFile);

// What an opening came to.
enum class TOpenOutcome {
  ooNothing,      // an empty list, or the row's subject is not in the subjects table
  ooStopped,      // a message was shown ("File Not Found", a view file that cannot be replaced,
                  // or the archiver's missing archive) and nothing is shown
  ooViewer,       // the view file is in the internal viewer on page "TXT"
  ooShellOpened,  // the view file went to the desktop's program; the grid has the focus
};

struct TOpenResult {
  TOpenOutcome Outcome = TOpenOutcome::ooNothing;
  std::string ViewFile;  // the view file's full path for ooViewer and ooShellOpened
};

// Opens the current row of form.LstDoc() under the busy cursor (removed on every way out):
//  1. nothing for an empty list or when ArchivePath of the row is "" (no message);
//  2. the row's FILENAME must be a plain file name (IsPlainFileName), else nothing is unpacked
//     and the opening stops as in 4;
//  3. ExtractDocument into TempDir (a missing archive of an outside type: its message, stop);
//  4. no file at TempDir + FILENAME: the message "File Not Found", a line feed and that path;
//  5. CorrectDocumentSize with the unpacked file's 64-bit size;
//  6. ReplaceViewFile to ViewFileName; when it fails the message "The view file cannot be
//     replaced:", a line feed and the view file's path, and the opening stops;
//  7. with "chIntViewTxt" checked and FILENAME's extension "TXT" (ASCII case ignored): page
//     "TXT", the view loads the file into the viewer, lNameText becomes "<NAME> - <view file>";
//     otherwise the view hands the file to the desktop's program and the document grid gets
//     the focus.
// Errors of the data layer (no library open), of the zip reader and of the viewer's loading
// (ELoadStream) propagate.
TOpenResult OpenCurrentDocument(TForm1& form, TForm1View& view);

}  // namespace ny
