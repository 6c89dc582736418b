// vellumctl lib add|import|delete: documents appended, archives imported and a document
// deleted by the window's own AddDocument, AddArchive and DeleteDocument.
#include <exception>
#include <iostream>

#include "app/ArchiveCatalog.h"
#include "ctl/LibCommand.h"
#include "intake/DocIntake.h"
#include "sqlite/NyValue.h"
#include "util/NyApi.h"

namespace vellumctl {

namespace {

constexpr const char* kAddUsage = "vellumctl lib add LIB --subject NAM [--delete-source] FILE...";
constexpr const char* kImportUsage =
    "vellumctl lib import LIB --subject NAM [--delete-source] ARCHIVE...";
constexpr const char* kDeleteUsage = "vellumctl lib delete LIB ROWID [--yes]";

struct TIntakeArgs {
  std::string Library, Subject;
  bool DeleteSource = false;
  std::vector<std::string> Files;
};

bool ParseIntake(const TArgs& args, TIntakeArgs& out) {
  if (args.empty()) return false;
  out.Library = args[0];
  bool haveSubject = false, files = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!files && a == "--subject" && i + 1 < args.size()) {
      out.Subject = args[++i];
      haveSubject = true;
    } else if (!files && a == "--delete-source") {
      out.DeleteSource = true;
    } else if (!files && a == "--") {
      files = true;
    } else if (!files && a.rfind("--", 0) == 0) {
      return false;
    } else {
      out.Files.push_back(a);
    }
  }
  return haveSubject && !out.Files.empty();
}

// Runs AddDocument (add) or AddArchive (import) on every file: one line per file on standard
// output, or a "skipped" line on standard error.
int RunIntake(const TArgs& args, bool import) {
  TIntakeArgs a;
  if (!ParseIntake(args, a)) return Usage(import ? kImportUsage : kAddUsage);
  TLibSession s;
  s.Open(a.Library);
  ny::TForm1& form = s.Form();
  ny::TDataSetSubjects subjects(form.LstSbj());
  const std::optional<std::string> dir = subjects.LocateSubject(a.Subject);
  if (!dir) return Fail("no subject " + a.Subject);
  const std::string nam = form.LstSbj().FieldByName("NAM").AsString();
  ny::TDocIntake intake(form, s.View());
  bool skipped = false;
  for (const std::string& file : a.Files) {
    ny::TIntakeOutcome r;
    try {
      r = import ? intake.AddArchive(file, nam, *dir, a.DeleteSource)
                 : intake.AddDocument(file, nam, *dir, a.DeleteSource);
    } catch (const std::exception& e) {
      r.Reason = e.what();
    }
    if (r.Added) {
      std::cout << (import ? "imported\t" : "added\t") << r.RowId << "\t"
                << Field(r.RelativePath) << "\n"
                << std::flush;
    } else {
      Fail("skipped " + file + ": " + r.Reason);
      skipped = true;
    }
  }
  return skipped ? kExitFailure : 0;
}

int RunAdd(const TArgs& args) {
  return RunIntake(args, false);
}

int RunImport(const TArgs& args) {
  return RunIntake(args, true);
}

int RunDelete(const TArgs& args) {
  if (args.size() < 2 || args.size() > 3) return Usage(kDeleteUsage);
  int64_t rowId = 0;
  if (!ny::TryStrToInt64(args[1], rowId)) return Usage(kDeleteUsage);
  const bool yes = args.size() == 3;
  if (yes && args[2] != "--yes") return Usage(kDeleteUsage);
  TLibSession s;
  s.Open(args[0]);
  ny::TForm1& form = s.Form();
  if (!form.LstDoc().Locate("RowId", ny::TNyValue(rowId), {})) {
    return Fail("no document with RowId " + std::to_string(rowId));
  }
  if (yes) {
    s.View().SetAnswer(true);
  } else {
    s.View().SetAnswerStream(&std::cin);
  }
  ny::TDocIntake intake(form, s.View());
  switch (intake.DeleteDocument()) {
    case ny::TDeleteOutcome::doDeleted:
      std::cout << "deleted\t" << rowId << "\n";
      return 0;
    case ny::TDeleteOutcome::doKept:
      return Fail("not deleted " + std::to_string(rowId) + ": the archive cannot be removed");
    default:
      return Fail("not deleted " + std::to_string(rowId));
  }
}

const TLibRegistrar kAdd{{"add", kAddUsage, RunAdd}};
const TLibRegistrar kImport{{"import", kImportUsage, RunImport}};
const TLibRegistrar kDelete{{"delete", kDeleteUsage, RunDelete}};

}  // namespace

}  // namespace vellumctl
