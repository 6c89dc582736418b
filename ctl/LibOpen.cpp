// vellumctl lib open: a document opened as the window opens it, through the console view.
#include <cstdint>
#include <iostream>

#include "app/Form1Document.h"
#include "ctl/LibCommand.h"
#include "sqlite/NyValue.h"
#include "util/NyApi.h"

namespace vellumctl {

namespace {

constexpr const char* kOpenUsage = "vellumctl lib open LIB ROWID [--show]";

// Unpacks the document of RowId ROWID into the temporary directory, corrects its SIZE, moves
// it to its view file and prints that path. The console has no viewer of its own, so every
// document goes the desktop's way, and only with --show does it reach the desktop's program.
int RunOpen(const TArgs& args) {
  if (args.size() < 2 || args.size() > 3) return Usage(kOpenUsage);
  const bool show = args.size() == 3;
  if (show && args[2] != "--show") return Usage(kOpenUsage);
  int64_t rowId = 0;
  if (!ny::TryStrToInt64(args[1], rowId)) return Usage(kOpenUsage);
  TLibSession s;
  s.SetBox("chIntViewTxt", false);
  s.View().SetShellOpen(show);
  s.Open(args[0]);
  ny::TNySQLite3Query& doc = s.Form().LstDoc();
  if (!doc.Locate("RowId", ny::TNyValue(rowId), {})) {
    return Fail("no document with RowId " + std::to_string(rowId));
  }
  const ny::TOpenResult r = ny::OpenCurrentDocument(s.Form(), s.View());
  switch (r.Outcome) {
    case ny::TOpenOutcome::ooNothing:
      return Fail("the subject of RowId " + std::to_string(rowId) + " is not in the library");
    case ny::TOpenOutcome::ooStopped:
      return kExitFailure;  // the console view has written the message
    default:
      std::cout << r.ViewFile << "\n";
      return 0;
  }
}

const TLibRegistrar kOpen{{"open", kOpenUsage, RunOpen}};

}  // namespace

}  // namespace vellumctl
