#include "intake/DocIntake.h"

#include <cstdlib>

#include "app/Form1.h"
#include "archive/ArchiveOps.h"
#include "intake/ArchiveFiling.h"
#include "util/NyApi.h"

namespace ny {

std::string RelativeArchivePath(const std::string& dir, const std::string& archName) {
  const std::string d = SubjectDirPath(dir);
  return d.empty() ? archName : AddBackslash(d) + archName;
}

TDocIntake::TDocIntake(TForm1& form, TForm1View& view) : form_(form), view_(view) {}

TDocIntake::~TDocIntake() = default;

TArchiveStage* TDocIntake::Stage() {
  const std::string libraryDir = LibraryDir(form_.LibraryFile());
  if (!stage_ || stage_->LibraryDir() != libraryDir || !DirExists(stage_->Dir())) {
    stage_.reset();
    stage_ = std::make_unique<TArchiveStage>(libraryDir);
  }
  return stage_->Ok() ? stage_.get() : nullptr;
}

std::string TDocIntake::SourceName(const std::string& path, TIntakeOutcome& out) const {
  if (!form_.LibraryOpen()) {
    out.Reason = "no library is open";
    return "";
  }
  if (!FileExistsPlain(path) || DirExists(path)) {
    out.Reason = "not a file";
    return "";
  }
  const std::string fileName = ExtractNameWhole(path);
  if (fileName.empty() || ExtractName(path) != fileName) {
    out.Reason = fileName.empty() ? "not a file" : "the path is longer than 255 characters";
    return "";
  }
  return fileName;
}

void TDocIntake::Attach() {
  form_.OnDocAppend = [this](const std::string& startDir) { bDocAppendClick(startDir); };
  form_.OnArcAppend = [this](const std::string& startDir) { bArcAppendClick(startDir); };
  form_.OnDocDelete = [this] { bDocDeleteClick(); };
}

void TDocIntake::RunIntake(TIntakeKind kind, const std::string& startDir) {
  if (!RunDialog || !form_.LibraryOpen()) return;
  const bool imp = kind == TIntakeKind::Imp;
  TIntakeRequest r;
  r.StartDir = startDir;
  r.Subjects = &form_.LstSbj();
  r.DeleteSource = form_.Checked(imp ? "chDelSource" : "chDelArchive");
  r.LangCode = form_.LangCode();
  r.Work = [this, imp](const TIntakeItem& f) {
    if (imp) {
      AddDocument(f.Path, f.SubjectName, f.SubjectDir, f.DeleteSource);
    } else {
      AddArchive(f.Path, f.SubjectName, f.SubjectDir, f.DeleteSource);
    }
  };
  // The staging directory goes with the dialog, on every way out.
  struct TStageGone {
    std::unique_ptr<TArchiveStage>& Stage;
    ~TStageGone() { Stage.reset(); }
  } gone{stage_};
  RunDialog(kind, r);
}

void TDocIntake::bDocAppendClick(const std::string& startDir) {
  RunIntake(TIntakeKind::Imp, startDir);
}

void TDocIntake::bArcAppendClick(const std::string& startDir) {
  RunIntake(TIntakeKind::Arc, startDir);
}

void TDocIntake::bDocDeleteClick() {
  DeleteDocument();
}

void TDocIntake::DeleteSource(const std::string& path, bool wanted) {
  if (!wanted) return;
  char* real = ::realpath(path.c_str(), nullptr);
  char* lib = ::realpath(LibraryDir(form_.LibraryFile()).c_str(), nullptr);
  const std::string source = real != nullptr ? real : "";
  const std::string library = lib != nullptr ? AddBackslash(lib) : "";
  std::free(real);
  std::free(lib);
  if (!library.empty() && source.rfind(library, 0) == 0) {
    form_.WriteLog("Source kept in the library: " + path);
  } else if (!ForceDeleteFile(path)) {
    form_.WriteLog("Source not deleted: " + path);
  }
}

int64_t TDocIntake::PostRow(const TRow& row) {
  TNySQLite3Query& doc = form_.LstDoc();
  doc.Append();
  try {
    doc.FieldByName("AUTHOR").SetAsString("?");
    doc.FieldByName("NAME").SetAsString(row.Name);
    doc.FieldByName("SUBJ").SetAsString(row.Subject);
    doc.FieldByName("SIZE").SetAsLargeInt(row.Size);
    doc.FieldByName("FILENAME").SetAsString(row.FileName);
    doc.FieldByName("ARCHNAME").SetAsString(row.ArchName);
    // A cut subject, file or archive name would leave the row without its archive.
    for (const auto& [field, value] : {std::pair<const char*, const std::string*>{"SUBJ", &row.Subject},
                                       {"FILENAME", &row.FileName},
                                       {"ARCHNAME", &row.ArchName}}) {
      if (doc.FieldByName(field).AsString() != *value) {
        throw ELibraryError(std::string("The name is too long for the catalogue's ") + field +
                            ": " + *value);
      }
    }
    doc.Post();
  } catch (...) {
    if (doc.State() == TDataSetState::dsInsert) doc.Cancel();
    throw;
  }
  return doc.FieldByName("RowId").AsLargeInt();
}

}  // namespace ny
