#include "archive/ArchiveCatalog.h"

#include "sqlite/NyDataSet.h"
#include "sqlite/NyField.h"

namespace ny {
namespace {

std::optional<std::string> LocateText(TNyDataSet& ds, const std::string& key,
                                      const char* resultField) {
  if (!ds.Active() || !ds.Locate("NAM", TNyValue(key), {TLocateOption::loCaseInsensitive})) {
    return std::nullopt;
  }
  return ds.FieldByName(resultField).AsString();
}

}  // namespace

std::optional<std::string> TDataSetSubjects::LocateSubject(const std::string& subject) {
  return LocateText(lstSbj_, subject, "DIR");
}

std::optional<std::string> TDataSetArchivers::LocateArchiver(const std::string& format) {
  return LocateText(lstArc_, format, "GET");
}

TDocumentRef CurrentDocument(const TNyDataSet& lstDoc) {
  return {lstDoc.FieldByName("SUBJ").AsString(), lstDoc.FieldByName("ARCHNAME").AsString(),
          lstDoc.FieldByName("FILENAME").AsString()};
}

}  // namespace ny
