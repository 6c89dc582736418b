// Documents coming into a library and going out: appending document files, importing
// ready-made zip and rar archives, deleting a document with its archive, and the main window's
// commands that run them ("Append document", "Append archived document", "Delete document"
// and the document grid's Ctrl+Insert, Alt+Insert and Ctrl+Delete).
//
// The work runs on the main window's logic (TForm1): its library, its record sets LstDoc and
// LstSbj, its zip writer and its operation log. Every new archive is filed crash-safely
// (intake/ArchiveFiling.h) before its row is posted; a row that cannot be posted takes its
// just-filed archive away again, and a source is deleted only after its row is in the
// library. So the library never holds a row without its archive, and a failure leaves no
// orphan archive behind.
//
// The window shows none of the reasons an append or import was skipped (the outcome carries
// them for vellumctl); an import refused for its entries writes "Files<>1 <path>" to the log.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "archive/ZipWriter.h"
#include "intake/IntakeDialog.h"

namespace ny {

class TArchiveStage;
class TForm1;
class TForm1View;

// What became of one append or import.
struct TIntakeOutcome {
  bool Added = false;
  int64_t RowId = 0;         // of the new row
  std::string ArchName;      // ARCHNAME of the new row (the name the archive was filed under)
  std::string RelativePath;  // the archive's path under the library directory ("War/a.ZIP")
  std::string Reason;        // why nothing was added
};

// What became of a deletion.
enum class TDeleteOutcome {
  doNothing,       // no library open or no row
  doNotConfirmed,  // the user answered No
  doKept,          // the archive exists and cannot be removed: nothing changed
  doDeleted,       // the row is gone, and its archive unless another row names it too
};

// An archive's path under the library directory, for reports: "War/a.ZIP" for the subject
// directory "War" ('\\' taken as '/'), "a.ZIP" for a subject without a directory.
std::string RelativeArchivePath(const std::string& dir, const std::string& archName);

class TDocIntake {
 public:
  // Works on `form`'s library; asks its questions through `view`. Both must outlive it.
  TDocIntake(TForm1& form, TForm1View& view);
  // Removes its staging directory.
  ~TDocIntake();
  TDocIntake(const TDocIntake&) = delete;
  TDocIntake& operator=(const TDocIntake&) = delete;

  // How the window opens a selection dialog (ExecImpDialog / ExecArcDialog); the commands
  // do nothing while it is empty.
  std::function<void(TIntakeKind kind, const TIntakeRequest& request)> RunDialog;

  // Sets the window's slots OnDocAppend, OnArcAppend and OnDocDelete to the three commands.
  void Attach();

  // "Append document": with a library open, the dialog TfImp from `startDir` over LstSbj,
  // its check box from the option chDelSource, each picked file given to AddDocument; the
  // staging directory is removed when the dialog closes. Nothing without an open library.
  void bDocAppendClick(const std::string& startDir);
  // "Append archived document": likewise TfArc, the option chDelArchive, AddArchive.
  void bArcAppendClick(const std::string& startDir);
  // "Delete document": DeleteDocument.
  void bDocDeleteClick();

  // Packs the document `path` into an archive of its own (the archive store's PackDocument:
  // the entry under the file name, level 5) and files it in the subject directory `dir`
  // under the file name with ".ZIP" (notes.txt -> notes.ZIP, report -> report.ZIP), or the
  // next free name when that is taken; then appends and posts the row AUTHOR "?", NAME (the
  // file name without extension), SUBJ `subject`, SIZE (the file's size, 64 bits),
  // FILENAME, ARCHNAME (the name filed under). With `deleteSource` the source is deleted
  // after the row is posted; a failed deletion is written to the log ("Source not deleted:
  // <path>") and the row stays; a source inside the library directory is kept ("Source kept
  // in the library: <path>").
  // Never raises. Skipped (nothing filed, nothing posted, the source kept), with the reason:
  // no library open; `path` no plain file; a path longer than 255 characters; the directory
  // cannot be made; packing fails; filing fails; SUBJ, FILENAME or ARCHNAME would not fit
  // their columns; the post fails (the filed archive is removed, the record set cancelled).
  TIntakeOutcome AddDocument(const std::string& path, const std::string& subject,
                             const std::string& dir, bool deleteSource);

  // Imports the archive `path` as it is: accepted only when its extension is .zip or .rar
  // (any letter case) and its listing holds exactly one entry; otherwise "Files<>1 <path>"
  // goes to the log and it is skipped. The archive is copied into the subject directory `dir`
  // under its own file name, or the next free one (name(2).zip), and the row AUTHOR "?", NAME
  // (the entry's name without directory and extension), SUBJ, SIZE (the entry's
  // uncompressed size, 64 bits), FILENAME (the entry's name without directory), ARCHNAME (the
  // name filed under) is posted. `deleteSource` as for AddDocument; a refused source is kept.
  // Skipped with a reason as AddDocument, and when the entry is a directory. A zip that cannot
  // be read raises the reader's EZipError, and a failing post raises the data layer's error
  // (after removing the filed copy): both end the dialog's batch and are shown.
  TIntakeOutcome AddArchive(const std::string& path, const std::string& subject,
                            const std::string& dir, bool deleteSource);

  // Deletes the current document of LstDoc after the question
  // "\t<DelArc1>\n<NAME>\n\t<DelArc2>\n<archive path>\n\n<DelArc3>" (texts by key, the path
  // empty when the subject is unknown). On Yes the archive is deleted (read-only or not; a
  // missing one does not matter) unless another row names the same file, which then stays;
  // then the row is deleted. Errors of the data layer propagate.
  TDeleteOutcome DeleteDocument();

 private:
  struct TRow {
    std::string Name, Subject, FileName, ArchName;
    int64_t Size = 0;
  };
  // With `wanted`, deletes the source `path` of a new row: a failed deletion, and a source
  // inside the library directory (another document's archive, perhaps), which is never
  // deleted, are written to the log.
  void DeleteSource(const std::string& path, bool wanted);
  // Appends and posts `row` to LstDoc; on any failure the insert is cancelled and the error
  // propagates. Returns the new RowId.
  int64_t PostRow(const TRow& row);
  // True when a row other than `rowId` names the existing file `path`.
  bool ArchiveShared(const std::string& path, int64_t rowId);
  void RunIntake(TIntakeKind kind, const std::string& startDir);
  // The file name of a source that can come in: a library is open and `path` is a file whose
  // whole name fits the path helpers. Otherwise "" with the reason in `out`.
  std::string SourceName(const std::string& path, TIntakeOutcome& out) const;
  // The staging directory of the open library, made on first use and kept while the
  // library stays the same, empty between appends; null when it cannot be made.
  TArchiveStage* Stage();

  TForm1& form_;
  TForm1View& view_;
  // Packing sets every property it uses, so a writer of its own packs as the window's would,
  // also for a window logic whose FormCreate never ran (vellumctl).
  TZipWriter writer_;
  std::unique_ptr<TArchiveStage> stage_;
};

}  // namespace ny
