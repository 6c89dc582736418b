// The archive operations over the catalogue's own record sets: the subject table (LSTSBJ),
// the archiver table (LSTARC) and the current row of the document list (LSTDOC).
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
  explicit TDataSetSubjects(TNyDataSet& lstSbj) : lstSbj_(lstSbj) {}
  // Locate on NAM without regard to (ASCII) letter case; the record set stays on the match.
  std::optional<std::string> LocateSubject(const std::string& subject) override;

 private:
  TNyDataSet& lstSbj_;
};

// Locates archivers in an open record set over LSTARC (fields NAM and GET).
class TDataSetArchivers : public TArchiverLookup {
 public:
  explicit TDataSetArchivers(TNyDataSet& lstArc) : lstArc_(lstArc) {}
  std::optional<std::string> LocateArchiver(const std::string& format) override;

 private:
  TNyDataSet& lstArc_;
};

// SUBJ, ARCHNAME and FILENAME of the current row of an open record set over LSTDOC.
// Raises the record set's EDatabaseError when a field is missing.
TDocumentRef CurrentDocument(const TNyDataSet& lstDoc);

}  // namespace ny
