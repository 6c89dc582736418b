// vellumctl lib stats|check: the window's Statistics and Check library on a console view;
// the texts the window shows go to standard output, after the check's log lines.
#include <iostream>

#include "app/Form1.h"
#include "app/Form1ConsoleView.h"
#include "app/Form1Model.h"
#include "ctl/LibCommand.h"
#include "util/NyApi.h"

namespace vellumctl {

namespace {

constexpr const char* kStatsUsage = "vellumctl lib stats LIB";
constexpr const char* kCheckUsage = "vellumctl lib check LIB [--verify]";

// The window's logic with its messages on standard output.
struct TOutSession {
  ny::TForm1ConsoleView view{std::cout};
  ny::TForm1 form{view, ny::TForm1Env{}};
  void Open(const std::string& file) {
    if (!ny::FileExistsPlain(file)) throw ny::ELibraryError("File Not Found: " + file);
    form.OpenLibrary(file);
  }
};

int RunStats(const TArgs& args) {
  if (args.size() != 1) return Usage(kStatsUsage);
  TOutSession s;
  s.Open(args[0]);
  s.form.bStatsClick();
  return 0;
}

int RunCheck(const TArgs& args) {
  if (args.empty() || args.size() > 2 || (args.size() == 2 && args[1] != "--verify"))
    return Usage(kCheckUsage);
  TOutSession s;
  s.form.Model().Get("chVerifyArc").SetValue("Checked", ny::BoolValue(args.size() == 2));
  s.Open(args[0]);
  s.form.OnCheckLog = [](const std::string& line) { std::cout << line << std::endl; };
  s.form.bCheckClick();
  return 0;
}

const TLibRegistrar kStats{{"stats", kStatsUsage, RunStats}};
const TLibRegistrar kCheck{{"check", kCheckUsage, RunCheck}};

}  // namespace

}  // namespace vellumctl
