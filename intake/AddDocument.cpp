// Appending a document file: packed into an archive of its own, filed, catalogued.
#include <exception>

#include "app/Form1.h"
#include "archive/ArchiveOps.h"
#include "archive/ZipWriter.h"
#include "intake/ArchiveFiling.h"
#include "intake/DocIntake.h"
#include "util/NyApi.h"

namespace ny {

TIntakeOutcome TDocIntake::AddDocument(const std::string& path, const std::string& subject,
                                       const std::string& dir, bool deleteSource) {
  TIntakeOutcome out;
  const std::string fileName = SourceName(path, out);
  if (fileName.empty()) return out;
  TArchiveStage* stage = Stage();
  if (stage == nullptr) {
    out.Reason = "cannot make a directory in " + LibraryDir(form_.LibraryFile());
    return out;
  }
  const TStageCleared cleared{*stage};
  const std::string packed = PackDocument(writer_, stage->Dir(), path);
  if (!FileExistsPlain(packed)) {
    out.Reason = "cannot pack: " + writer_.ErrorText();
    return out;
  }
  if (!stage->File(packed, dir, &out.ArchName)) {
    out.Reason = "cannot file the archive into " + stage->TargetDir(dir);
    return out;
  }
  const std::string filed = stage->TargetDir(dir) + out.ArchName;
  try {
    out.RowId = PostRow({ChangeExt(fileName, ""), subject, fileName, out.ArchName,
                         GetFileSize64(path)});
  } catch (const std::exception& e) {
    ForceDeleteFile(filed);
    out.Reason = e.what();
    return out;
  }
  out.Added = true;
  out.RelativePath = RelativeArchivePath(dir, out.ArchName);
  DeleteSource(path, deleteSource);
  return out;
}

}  // namespace ny
