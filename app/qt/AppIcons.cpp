#include "app/qt/AppIcons.h"

#include <QFile>

// The pictures are compiled into the views library; a static library needs them registered.
static void InitVellumResources() {
  Q_INIT_RESOURCE(vellum);
}

namespace ny {

namespace {

struct TToolIcon {
  const char* Button;
  const char* Theme;
};

// Names of the freedesktop icon naming scheme, each saying what its button does.
constexpr TToolIcon kToolIcons[] = {
    {"bLibOpen", "document-open"},       {"bLibNew", "document-new"},
    {"bDocOpen", "x-office-document"},   {"bDocAppend", "list-add"},
    {"bArcAppend", "package-x-generic"}, {"bDocDelete", "edit-delete"},
    {"bOption", "preferences-system"},   {"bSearch", "edit-find"},
    {"bStats", "x-office-spreadsheet"},  {"bCheck", "tools-check-spelling"},
    {"bAbout", "help-about"},            {"bExit", "application-exit"},
};

void EnsureResources() {
  static const bool done = [] {
    InitVellumResources();
    return true;
  }();
  (void)done;
}

}  // namespace

QIcon AppIcon() {
  EnsureResources();
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/vellum/icons/vellum-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

QString ToolIconName(const QString& button) {
  for (const TToolIcon& t : kToolIcons) {
    if (button == QLatin1String(t.Button)) return QString::fromLatin1(t.Theme);
  }
  return {};
}

QIcon ToolFallbackIcon(const QString& button) {
  EnsureResources();
  const QString file = QStringLiteral(":/vellum/toolbar/%1.png").arg(button);
  if (ToolIconName(button).isEmpty() || !QFile::exists(file)) return {};
  return QIcon(file);
}

QIcon ToolIcon(const QString& button) {
  const QString name = ToolIconName(button);
  if (name.isEmpty()) return {};
  return QIcon::fromTheme(name, ToolFallbackIcon(button));
}

}  // namespace ny
