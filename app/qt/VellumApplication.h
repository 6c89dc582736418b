// The program's QApplication and its error report: an exception that leaves a handler is
// shown in a message box with its message, and the event loop goes on; whatever the handler
// changed before the error stays changed.
//
// Handlers connected to widget signals are wrapped with Guarded, which reports the error
// before it can travel through the toolkit's own frames (they are not built to be unwound:
// their temporaries would leak). notify catches whatever still comes through an event.
#pragma once

#include <QApplication>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <exception>
#include <functional>
#include <string>
#include <utility>

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

  // The toolkit's own texts (file and font dialogs, message box buttons) in the language of
  // the program's language code ("RUS": Russian); the toolkit's built-in English for a code
  // of no known language or without installed translations. True when a translation was
  // loaded. Replaces the translation of an earlier call.
  static bool SetToolkitLanguage(const std::string& code);

  // From now on SIGTERM, SIGINT and SIGHUP (the end of a session, Ctrl+C in a terminal) close
  // `window` the way its close box does, so that it saves what it saves on closing. Call once.
  void CloseOnTerminate(QWidget* window);
};

// `handler` wrapped so that an exception leaving it is reported (ReportError) and swallowed.
// Args are the parameter types of the signal it is connected to: Guarded<bool>(...).
template <class... Args, class F>
auto Guarded(F handler) {
  return [handler](Args... args) {
    try {
      handler(args...);
    } catch (const std::exception& e) {
      TVellumApplication::ReportError(QString::fromUtf8(e.what()));
    } catch (...) {
      TVellumApplication::ReportError(QStringLiteral("Unknown error"));
    }
  };
}

}  // namespace ny
