#include "app/Form1Document.h"

#include <cstdio>
#include <sys/stat.h>

#include "app/ArchiveCatalog.h"
#include "app/Form1.h"
#include "app/Form1Model.h"
#include "app/LibText.h"
#include "archive/ArchiveExtract.h"
#include "lang/NyLang.h"
#include "sqlite/NyDataSet.h"
#include "util/NyApi.h"
#include "util/NyRichView.h"
#include "util/NyRun.h"

namespace ny {

void TForm1View::LoadViewer(const std::string& path) {
  // A view without a viewer still reads the file as the viewer would, so that a file it
  // could not show fails the same way.
  (void)LoadViewerFile(path, TRichStreamFormat::sfDefault, false, 1);
}

void TForm1View::ShellOpen(const std::string& file) {
  TNyRun runner;
  runner.ShellOpen("", file);
}

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find_first_of("/\\") == std::string_view::npos;
}

std::string ViewFileName(const std::string& tempDir, const std::string& unpacked) {
  return tempDir + kViewFileBase + ExtractExt(unpacked);
}

bool CorrectDocumentSize(TNyDataSet& lstDoc, int64_t actual) {
  TNyField& size = lstDoc.FieldByName("SIZE");
  const int64_t stored = size.IsNull() ? 0 : size.AsLargeInt();
  if (stored == actual) return false;
  lstDoc.Edit();
  try {
    size.SetAsLargeInt(actual);
    lstDoc.Post();
  } catch (...) {
    lstDoc.Cancel();
    throw;
  }
  return true;
}

bool ReplaceViewFile(const std::string& unpacked, const std::string& viewFile) {
  if (unpacked == viewFile) return true;
  struct stat st {};
  // A directory in the view file's place is never removed; ForceDeleteFile leaves it alone.
  if (!ForceDeleteFile(viewFile) || (lstat(viewFile.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ||
      std::rename(unpacked.c_str(), viewFile.c_str()) != 0) {
    ForceDeleteFile(unpacked);
    return false;
  }
  return true;
}

TOpenResult OpenCurrentDocument(TForm1& form, TForm1View& view) {
  TBusyCursor busy(view);
  TNyDataSet& lstDoc = form.LstDoc();
  if (lstDoc.Active() && lstDoc.IsEmpty()) return {};
  const TDocumentRef doc = CurrentDocument(lstDoc);
  TDataSetSubjects subjects(form.LstSbj());
  const std::string archivePath = ArchivePath(form.LibraryFile(), subjects, doc);
  if (archivePath.empty()) return {};

  const std::string& tempDir = form.TempDir();
  const std::string unpacked = tempDir + doc.FileName;
  auto notFound = [&] {
    view.ShowMessage(std::string(kFileNotFound) + "\n" + unpacked);
    return TOpenResult{TOpenOutcome::ooStopped, {}};
  };
  // A FILENAME that names anything but a file directly in the temporary directory would make
  // the steps below read, size and move a file elsewhere.
  if (!IsPlainFileName(doc.FileName)) return notFound();

  TDataSetArchivers archivers(form.LstArc());
  TNyRun runner;
  TExtractContext ctx;
  ctx.TempDir = tempDir;
  ctx.Reader = &form.ZipReader();
  ctx.Subjects = &subjects;
  ctx.Archivers = &archivers;
  ctx.RunWait = [&runner](const std::string& commandLine) { return runner.RunWait(commandLine, ""); };
  ctx.ShowMessage = [&view](const std::string& text) { view.ShowMessage(text); };
  if (ExtractDocument(ctx, doc, archivePath) == TExtractOutcome::eoArchiveMissing) {
    return {TOpenOutcome::ooStopped, {}};
  }
  if (!FileExistsPlain(unpacked)) return notFound();

  CorrectDocumentSize(lstDoc, GetFileSize64(unpacked));

  const std::string viewFile = ViewFileName(tempDir, unpacked);
  if (!ReplaceViewFile(unpacked, viewFile)) {
    view.ShowMessage(LangMsg("ViewFileBusy", "The view file cannot be replaced:") + "\n" + viewFile);
    return {TOpenOutcome::ooStopped, {}};
  }

  std::string ext = ExtractExt(doc.FileName);
  if (!ext.empty()) ext.erase(0, 1);
  if (form.Checked("chIntViewTxt") && AsciiUpper(ext) == "TXT") {
    form.ShowPage(kPageText);
    view.LoadViewer(viewFile);
    form.Model().Get("lNameText").SetStr("Caption", LibText(lstDoc.FieldByName("NAME").AsString()) + " - " + viewFile);
    return {TOpenOutcome::ooViewer, viewFile};
  }
  view.ShellOpen(viewFile);
  view.SetFocus(kDocGrid);
  return {TOpenOutcome::ooShellOpened, viewFile};
}

}  // namespace ny
