// The archive operations over the catalogue's own record sets: the subject table (LSTSBJ),
// the archiver table (LSTARC) and the rows of the document list (LSTDOC).
//
// Names are compared as library texts (app/LibText.h): a name stored as Windows-1251 bytes
// matches its UTF-8 spelling, and letter case is ignored in every script.
#pragma once

#include <optional>
#include <string>

#include "archive/ArchiveExtract.h"
#include "archive/ArchiveOps.h"

namespace ny {

class TNyDataSet;

// Locates subjects in an open record set over LSTSBJ (fields NAM and DIR).
class TDataSetSubjects : public TSubjectLookup {
 public:
  // With `move` false the lookup reads the rows without moving the record set's current row
  // (for painting many rows); with true the record set is left on the match.
  explicit TDataSetSubjects(TNyDataSet& lstSbj, bool move = true) : lstSbj_(lstSbj), move_(move) {}
  // The DIR of the first row (in the record set's order) whose NAM equals `subject` as a
  // whole value without regard to letter case (SameLibText); nullopt when none does or the
  // record set is closed. A pending edit of the subjects is posted first when `move` is set.
  // Raises the record set's EDatabaseError when NAM or DIR is missing.
  std::optional<std::string> LocateSubject(const std::string& subject) override;

 private:
  TNyDataSet& lstSbj_;
  bool move_;
};

// Locates archivers in an open record set over LSTARC (fields NAM and GET), which is left on
// the match. Names compare as in TDataSetSubjects.
class TDataSetArchivers : public TArchiverLookup {
 public:
  explicit TDataSetArchivers(TNyDataSet& lstArc) : lstArc_(lstArc) {}
  std::optional<std::string> LocateArchiver(const std::string& format) override;

 private:
  TNyDataSet& lstArc_;
};

// SUBJ, ARCHNAME and FILENAME of the current row of an open record set over LSTDOC, as stored.
// Raises the record set's EDatabaseError when a field is missing.
TDocumentRef CurrentDocument(const TNyDataSet& lstDoc);
// The same of the row at 0-based `index`, read without moving the current row; nullopt when
// there is no such row.
std::optional<TDocumentRef> DocumentAt(TNyDataSet& lstDoc, int index);

// What the archive of a document amounts to.
enum class TArchiveState {
  asOk,         // the archive file exists
  asMissing,    // no file at the archive path, or the stored names climb out of the library
  asNoSubject,  // no subject has the document's SUBJ
};
// The state of `doc`'s archive in the library of `libraryFile`.
TArchiveState ArchiveStateOf(const std::string& libraryFile, TSubjectLookup& subjects,
                             const TDocumentRef& doc);

}  // namespace ny
