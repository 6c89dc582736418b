// The intake commands on screen: the main window's buttons "Append document", "Append
// archived document" and "Delete document" and the document grid's keys run TDocIntake
// (intake/DocIntake.h), whose selection dialogs open as ExecImpDialog / ExecArcDialog over
// the window.
#pragma once

#include <QObject>

#include "intake/DocIntake.h"

namespace ny {

class MainWindow;

class TIntakeCommands : public QObject {
  Q_OBJECT
 public:
  // A child of `window`: sets the window's intake slots and connects its three buttons. It
  // goes with the window's children, after the window's logic, and touches it no more.
  explicit TIntakeCommands(MainWindow& window);

  TDocIntake& Intake() { return intake_; }

 private:
  MainWindow& window_;
  TDocIntake intake_;
};

}  // namespace ny
