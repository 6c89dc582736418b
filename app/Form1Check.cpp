// The maintenance commands of the list page: Statistics and Check library.
#include "app/Form1.h"
#include "app/Form1Model.h"
#include "app/LibraryCheck.h"
#include "lang/NyLang.h"

namespace ny {

namespace {

TWalkContext WalkContext(TForm1& form, const std::string& caption) {
  TWalkContext ctx;
  ctx.DB = &form.SQLiteDB();
  ctx.LstDoc = &form.LstDoc();
  ctx.LstSbj = &form.LstSbj();
  ctx.LibraryFile = form.LibraryFile();
  TNyComponent& rec = form.Model().Get("lRec");
  ctx.ShowRow = [&rec](const std::string& text) { rec.SetStr("Caption", text); };
  ctx.Progress = form.WalkProgress;
  ctx.ProgressDelayMs = form.WalkProgressDelayMs;
  ctx.ProgressCaption = caption;
  return ctx;
}

}  // namespace

void TForm1::ShowStatistics() {
  TWalkContext ctx = WalkContext(*this, LangMsg("LibProgStat", "Library statistics"));
  const TStatistics s = RunStatistics(ctx);
  view_.ShowMessage(StatisticsText(s));
}

void TForm1::CheckLibrary() {
  TWalkContext ctx = WalkContext(*this, LangMsg("LibProgCheck", "Library check"));
  ctx.Log = [this](const std::string& line) {
    WriteLog(line);
    if (OnCheckLog) OnCheckLog(line);
  };
  const TCheckCounters c = RunCheck(ctx, Checked("chVerifyArc"));
  view_.ShowMessage(CheckSummary(c));
}

void TForm1::bStatsClick() {
  ShowStatistics();
}

void TForm1::bCheckClick() {
  CheckLibrary();
}

}  // namespace ny
