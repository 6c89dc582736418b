#include "intake/qt/IntakeCommands.h"

#include <QToolButton>

#include "app/qt/MainWindow.h"
#include "app/qt/VellumApplication.h"
#include "intake/qt/IntakeDialog.h"
#include "util/NyApi.h"

namespace ny {

TIntakeCommands::TIntakeCommands(MainWindow& window)
    : QObject(&window), window_(window), intake_(window.Form(), window) {
  intake_.RunDialog = [this](TIntakeKind kind, const TIntakeRequest& request) {
    if (kind == TIntakeKind::Imp) {
      ExecImpDialog(&window_, request);
    } else {
      ExecArcDialog(&window_, request);
    }
  };
  intake_.Attach();
  TForm1& form = window.Form();
  auto button = [&](const char* name, auto command) {
    if (auto* b = qobject_cast<QToolButton*>(window.Control(name))) {
      connect(b, &QToolButton::clicked, this, Guarded<>([&form, command] { command(form); }));
    }
  };
  button("bDocAppend", [](TForm1& f) { f.DocAppend(ExtractDir(f.ProgramFile())); });
  button("bArcAppend", [](TForm1& f) { f.ArcAppend(ExtractDir(f.ProgramFile())); });
  button("bDocDelete", [](TForm1& f) { f.DocDelete(); });
}

}  // namespace ny
