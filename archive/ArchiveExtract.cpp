#include "archive/ArchiveExtract.h"

#include "archive/ZipReader.h"
#include "util/NyApi.h"

namespace ny {

std::string FillGetTemplate(std::string_view getTemplate, std::string_view archive,
                            std::string_view tempDir) {
  const size_t a = getTemplate.find("%a");
  const size_t p = getTemplate.find("%p");
  std::string out;
  size_t pos = 0;
  // Replace the two placeholders in the order they stand in the template.
  for (auto [at, value] : {std::pair{std::min(a, p), a < p ? archive : tempDir},
                           std::pair{std::max(a, p), a < p ? tempDir : archive}}) {
    if (at == std::string_view::npos) continue;
    out.append(getTemplate.substr(pos, at - pos));
    out.append(value);
    pos = at + 2;
  }
  out.append(getTemplate.substr(pos));
  return out;
}

TExtractOutcome ExtractDocument(TExtractContext& ctx, const TDocumentRef& doc,
                                const std::string& archivePath) {
  const std::string format = ArchiveFormat(doc.ArchName);
  if (format == "ZIP") {
    ctx.Reader->SetZipName(archivePath);
    ctx.Reader->SetDestDir(DelBackslash(ctx.TempDir));
    ctx.Reader->SetFilesList({doc.FileName});
    ctx.Reader->UnZip();
    return TExtractOutcome::eoZipRead;
  }
  if (format == "NYH") return TExtractOutcome::eoNothing;

  std::optional<std::string> get = ctx.Archivers->LocateArchiver(format);
  if (!get) return TExtractOutcome::eoNothing;
  if (!ctx.Subjects->LocateSubject(doc.Subj)) return TExtractOutcome::eoNothing;
  if (!FileExistsPlain(archivePath)) {
    if (ctx.ShowMessage) ctx.ShowMessage(std::string(kFileNotFound) + "\n" + archivePath);
    return TExtractOutcome::eoArchiveMissing;
  }
  if (archivePath.find('"') != std::string::npos || ctx.TempDir.find('"') != std::string::npos) {
    return TExtractOutcome::eoNothing;
  }
  ctx.RunWait(FillGetTemplate(*get, archivePath, ctx.TempDir));
  return TExtractOutcome::eoCommandRun;
}

}  // namespace ny
