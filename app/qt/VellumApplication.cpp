#include "app/qt/VellumApplication.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QMessageBox>
#include <QSocketNotifier>
#include <QWidget>
#include <exception>
#include <utility>

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
