#include "app/ArchiveCatalog.h"

#include "app/LibText.h"
#include "sqlite/NyDataSet.h"
#include "sqlite/NyField.h"
#include "util/NyApi.h"

namespace ny {
namespace {

// The record number (1-based) of the first row whose NAM matches `key`, 0 when none does.
// Rows are read through peeks, so the current row stays where it is.
int FindByName(TNyDataSet& ds, const std::string& key) {
  if (!ds.Active()) return 0;
  TNyField& nam = ds.FieldByName("NAM");
  const int count = ds.RecordCount();
  for (int i = 0; i < count; ++i) {
    TNyRecordPeek peek(ds, i);
    if (peek.Found() && SameLibText(nam.AsString(), key)) return i + 1;
  }
  return 0;
}

std::optional<std::string> LocateText(TNyDataSet& ds, const std::string& key,
                                      const char* resultField, bool move) {
  if (!ds.Active()) return std::nullopt;
  TNyField& result = ds.FieldByName(resultField);
  if (move) ds.CheckBrowseMode();
  const int recNo = FindByName(ds, key);
  if (recNo == 0) return std::nullopt;
  if (move) {
    ds.SetRecNo(recNo);
    return result.AsString();
  }
  TNyRecordPeek peek(ds, recNo - 1);
  return result.AsString();
}

}  // namespace

std::optional<std::string> TDataSetSubjects::LocateSubject(const std::string& subject) {
  return LocateText(lstSbj_, subject, "DIR", move_);
}

std::optional<std::string> TDataSetArchivers::LocateArchiver(const std::string& format) {
  return LocateText(lstArc_, format, "GET", true);
}

TDocumentRef CurrentDocument(const TNyDataSet& lstDoc) {
  return {lstDoc.FieldByName("SUBJ").AsString(), lstDoc.FieldByName("ARCHNAME").AsString(),
          lstDoc.FieldByName("FILENAME").AsString()};
}

std::optional<TDocumentRef> DocumentAt(TNyDataSet& lstDoc, int index) {
  if (!lstDoc.Active()) return std::nullopt;
  TNyField& subj = lstDoc.FieldByName("SUBJ");
  TNyField& arch = lstDoc.FieldByName("ARCHNAME");
  TNyField& file = lstDoc.FieldByName("FILENAME");
  TNyRecordPeek peek(lstDoc, index);
  if (!peek.Found()) return std::nullopt;
  return TDocumentRef{subj.AsString(), arch.AsString(), file.AsString()};
}

TArchiveState ArchiveStateOf(const std::string& libraryFile, TSubjectLookup& subjects,
                             const TDocumentRef& doc) {
  const std::optional<std::string> dir = subjects.LocateSubject(doc.Subj);
  if (!dir) return TArchiveState::asNoSubject;
  const std::string path = ArchivePathOf(LibraryDir(libraryFile), *dir, doc.ArchName);
  return !path.empty() && FileExistsPlain(path) ? TArchiveState::asOk : TArchiveState::asMissing;
}

}  // namespace ny
