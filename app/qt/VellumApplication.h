// The program's QApplication: the one place where an exception that leaves an event handler
// is caught. It is shown in a message box with its message, and the event loop goes on;
// whatever the handler changed before the error stays changed.
#pragma once

#include <QApplication>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

namespace ny {

class TVellumApplication : public QApplication {
  Q_OBJECT
 public:
  TVellumApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // Shows `message` as the error report: a modal message box titled with the program's name,
  // or the replacement set by SetErrorReporter.
  static void ReportError(const QString& message);
  // Replaces the error report (tests record it instead of opening a modal box); an empty
  // function restores the message box.
  static void SetErrorReporter(std::function<void(const QString&)> reporter);

  // From now on SIGTERM, SIGINT and SIGHUP (the end of a session, Ctrl+C in a terminal) close
  // `window` the way its close box does, so that it saves what it saves on closing. Call once.
  void CloseOnTerminate(QWidget* window);
};

}  // namespace ny
