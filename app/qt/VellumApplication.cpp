#include "app/qt/VellumApplication.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>
#include <QSocketNotifier>
#include <QWidget>
#include <exception>
#include <memory>
#include <utility>

#include "app/qt/AppIcons.h"
#include "util/NyVersion.h"

namespace ny {

namespace {

// The signal handler only writes a byte; the event loop reads it and closes the window.
int signalPipe[2] = {-1, -1};

extern "C" void OnTerminate(int) {
  const char b = 1;
  const ssize_t n = ::write(signalPipe[0], &b, 1);
  (void)n;
}

std::function<void(const QString&)>& Reporter() {
  static std::function<void(const QString&)> r;
  return r;
}

}  // namespace

TVellumApplication::TVellumApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QString::fromStdString(ProductName()));
  setApplicationVersion(QString::fromStdString(ProductVersion()));
  setWindowIcon(AppIcon());
}

bool TVellumApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ReportError(QString::fromUtf8(e.what()));
  } catch (...) {
    ReportError(QStringLiteral("Unknown error"));
  }
  return true;
}

namespace {

// The locale of the toolkit's translation files for a language code of the program.
QString LocaleOfCode(const std::string& code) {
  static const struct {
    const char* Code;
    const char* Locale;
  } kLocales[] = {{"RUS", "ru"}, {"UKR", "uk"}, {"BEL", "be"}, {"DEU", "de"}, {"GER", "de"},
                  {"FRA", "fr"}, {"ESP", "es"}, {"SPA", "es"}, {"ITA", "it"}, {"POL", "pl"},
                  {"CZE", "cs"}, {"CES", "cs"}, {"BUL", "bg"}, {"POR", "pt_BR"},
                  {"JPN", "ja"}, {"CHN", "zh_CN"}, {"KOR", "ko"}, {"TUR", "tr"},
                  {"HUN", "hu"}, {"SLK", "sk"}, {"SWE", "sv"}, {"DAN", "da"}, {"FIN", "fi"},
                  {"NLD", "nl"}, {"ARA", "ar"}, {"HEB", "he"}, {"GRE", "el"}, {"ELL", "el"}};
  std::string upper;
  for (char c : code) upper.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c);
  for (const auto& l : kLocales) {
    if (upper == l.Code) return QString::fromLatin1(l.Locale);
  }
  return {};
}

}  // namespace

bool TVellumApplication::SetToolkitLanguage(const std::string& code) {
  static QTranslator* installed = nullptr;
  if (installed != nullptr) {
    QCoreApplication::removeTranslator(installed);
    delete installed;
    installed = nullptr;
  }
  const QString locale = LocaleOfCode(code);
  if (locale.isEmpty()) return false;
  auto translator = std::make_unique<QTranslator>();
  const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (!translator->load(QStringLiteral("qtbase_") + locale, dir)) return false;
  installed = translator.release();
  QCoreApplication::installTranslator(installed);
  return true;
}

void TVellumApplication::ReportError(const QString& message) {
  if (Reporter()) {
    Reporter()(message);
    return;
  }
  QMessageBox::critical(QApplication::activeWindow(), QString::fromStdString(ProductName()),
                        message);
}

void TVellumApplication::SetErrorReporter(std::function<void(const QString&)> reporter) {
  Reporter() = std::move(reporter);
}

void TVellumApplication::CloseOnTerminate(QWidget* window) {
  if (signalPipe[0] >= 0) return;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
  QPointer<QWidget> target(window);
  connect(notifier, &QSocketNotifier::activated, this, [target] {
    char b[16];
    const ssize_t n = ::read(signalPipe[1], b, sizeof b);
    (void)n;
    if (target) target->close();
  });
  struct sigaction sa {};
  sa.sa_handler = OnTerminate;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &sa, nullptr);
}

}  // namespace ny
