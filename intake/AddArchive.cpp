// Importing a ready-made archive of one document: copied as it is, filed, catalogued.
#include <exception>

#include "app/Form1.h"
#include "archive/ArchiveList.h"
#include "archive/ArchiveOps.h"
#include "intake/ArchiveFiling.h"
#include "intake/DocIntake.h"
#include "util/NyApi.h"

namespace ny {

namespace {

// The part of an entry's name after its last directory separator ('/' or '\').
std::string EntryFileName(const std::string& entry) {
  const size_t cut = entry.find_last_of("/\\");
  return cut == std::string::npos ? entry : entry.substr(cut + 1);
}

}  // namespace

TIntakeOutcome TDocIntake::AddArchive(const std::string& path, const std::string& subject,
                                      const std::string& dir, bool deleteSource) {
  TIntakeOutcome out;
  const std::string fileName = SourceName(path, out);
  if (fileName.empty()) return out;
  const std::string format = ArchiveFormat(fileName);
  int count = 0;
  if (format == "ZIP") {
    count = ListZipArchive(path);  // a broken zip raises the reader's error
  } else if (format == "RAR") {
    count = ListRarArchive(path);
  }
  if (count != 1) {
    form_.WriteLog("Files<>1 " + path);
    out.Reason = format == "ZIP" || format == "RAR"
                     ? "the archive holds " + std::to_string(count) + " entries, not one"
                     : "not a zip or rar archive";
    return out;
  }
  const TArchiveEntry entry = ArchiveEntries().front();
  const std::string entryName = EntryFileName(entry.EntryName);
  if (entryName.empty()) {
    out.Reason = "the archive's entry is a directory";
    return out;
  }
  TArchiveStage* stage = Stage();
  if (stage == nullptr) {
    out.Reason = "cannot make a directory in " + LibraryDir(form_.LibraryFile());
    return out;
  }
  const TStageCleared cleared{*stage};
  const std::string copy = stage->Dir() + fileName;
  if (!CopyFileTo(path, copy, false)) {
    out.Reason = "cannot copy the archive";
    return out;
  }
  if (!stage->File(copy, dir, &out.ArchName)) {
    out.Reason = "cannot file the archive into " + stage->TargetDir(dir);
    return out;
  }
  try {
    out.RowId = PostRow({ChangeExt(entryName, ""), subject, entryName, out.ArchName,
                         entry.UnpackedSize});
  } catch (...) {
    ForceDeleteFile(stage->TargetDir(dir) + out.ArchName);
    throw;
  }
  out.Added = true;
  out.RelativePath = RelativeArchivePath(dir, out.ArchName);
  DeleteSource(path, deleteSource);
  return out;
}

}  // namespace ny
