#include "util/qt/NyAboutBox.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <cmath>

#include "util/qt/NyElided.h"

namespace ny {

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

struct TInfoLine {
  const char* Name;     // the value label's component name
  const char* Caption;  // the caption beside it
  std::string TNyAboutTexts::*Text;
  int Applet;  // TNyApplet of a clickable caption, -1 for none
};

const TInfoLine kLines[] = {
    {"VFile", "File:", &TNyAboutTexts::VFile, -1},
    {"VProduct", "Programm:", &TNyAboutTexts::VProduct, -1},
    {"OSName", "System:", &TNyAboutTexts::OSName, static_cast<int>(TNyApplet::System)},
    {"CPUName", "CPU:", &TNyAboutTexts::CPUName, -1},
    {"Memory", "Memory:", &TNyAboutTexts::Memory, -1},
    {"Display", "Dispaly:", &TNyAboutTexts::Display, static_cast<int>(TNyApplet::Display)},
    {"MemApp", "Programm:", &TNyAboutTexts::MemApp, -1},
    {"DiskFree0", "Hard disk:", &TNyAboutTexts::DiskFree0, -1},
    {"Comp", "Computer:", &TNyAboutTexts::Comp, static_cast<int>(TNyApplet::Computer)},
    {"User", "User:", &TNyAboutTexts::User, static_cast<int>(TNyApplet::User)},
    {"SysDir", "Directory Sys:", &TNyAboutTexts::SysDir, -1},
    {"WinDir", "Directory Win:", &TNyAboutTexts::WinDir, -1},
    {"TmpDir", "Directory Tmp:", &TNyAboutTexts::TmpDir, -1},
};

}  // namespace

TNyAboutBox::TNyAboutBox(const TNyAboutTexts& texts, TNyAbout& about, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      about_(about) {
  setWindowTitle(QStringLiteral("Information"));
  setFixedSize(341, 314);
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(6, 6, 6, 6);
  v->setSpacing(2);

  auto* top = new QHBoxLayout;
  icon_ = new QLabel;
  icon_->setObjectName("Icon");
  icon_->setFixedSize(32, 32);
  QIcon appIcon = parent != nullptr ? parent->window()->windowIcon() : QIcon();
  if (appIcon.isNull()) appIcon = QApplication::windowIcon();
  if (appIcon.isNull()) appIcon = style()->standardIcon(QStyle::SP_MessageBoxInformation);
  icon_->setPixmap(appIcon.pixmap(32, 32));
  icon_->installEventFilter(this);
  top->addWidget(icon_, 0, Qt::AlignTop);
  auto* heads = new QVBoxLayout;
  auto head = [&](const char* name, const std::string& text, bool bold, bool italic) {
    auto* l = new TNyElidedLabel(Q(text));
    l->setObjectName(name);
    l->setAlignment(Qt::AlignCenter);
    QFont f = l->font();
    f.setBold(bold);
    f.setItalic(italic);
    l->setFont(f);
    heads->addWidget(l);
    return l;
  };
  head("ProductName", texts.ProductName, true, false);
  head("Version", texts.Version, true, false);
  copyright_ = head("Copyright", texts.Copyright, false, true);
  top->addLayout(heads, 1);
  auto* ok = new QPushButton(QStringLiteral("OK"));
  ok->setObjectName("OKButton");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  top->addWidget(ok, 0, Qt::AlignTop);
  v->addLayout(top);

  auto* memo = new QPlainTextEdit;
  memo->setObjectName("LComment");
  memo->setReadOnly(true);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setPlainText(Q(texts.Comment).replace("\r\n", "\n").replace('\r', '\n'));
  memo->setFixedHeight(42);
  memo->setFocusPolicy(Qt::NoFocus);
  v->addWidget(memo);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(0);
  grid->setColumnStretch(1, 1);
  // The lines in a slightly smaller font, so that the long ones fit the fixed box.
  QFont small = font();
  small.setPointSizeF(small.pointSizeF() * 0.9);
  int row = 0;
  for (const TInfoLine& line : kLines) {
    auto* caption = new QLabel(QString::fromLatin1(line.Caption));
    caption->setFont(small);
    caption->setObjectName(QStringLiteral("L") + line.Name);
    if (line.Applet >= 0) {
      QFont f = caption->font();
      f.setUnderline(true);
      caption->setFont(f);
      caption->setCursor(Qt::PointingHandCursor);
      caption->setProperty("applet", line.Applet);
      caption->installEventFilter(this);
    }
    auto* value = new TNyElidedLabel(Q(texts.*line.Text));
    value->setFont(small);
    value->setObjectName(line.Name);
    value->setToolTip(value->text());
    grid->addWidget(caption, row, 0);
    grid->addWidget(value, row, 1);
    ++row;
  }
  v->addLayout(grid);
  v->addStretch(1);
  if (QScreen* s = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen()) {
    move(s->availableGeometry().center() - rect().center());
  }
}

QLabel* TNyAboutBox::Label(const QString& name) const {
  for (QLabel* l : findChildren<QLabel*>()) {
    if (l->objectName() == name || (l->objectName().startsWith('L') && l->text() == name)) {
      return l;
    }
  }
  return nullptr;
}

void TNyAboutBox::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    reject();
  } else {
    accept();
  }
}

bool TNyAboutBox::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease) {
    return QDialog::eventFilter(watched, event);
  }
  auto* mouse = static_cast<QMouseEvent*>(event);
  if (watched == icon_) {
    constexpr auto kAll = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
    if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton &&
        mouse->buttons() == Qt::LeftButton && (mouse->modifiers() & kAll) == kAll && !egg_) {
      savedCopyright_ = copyright_->text().left(255);
      copyright_->setText(QString::fromStdString(EasterEggText()));
      egg_ = true;
    } else if (type == QEvent::MouseButtonRelease && egg_) {
      copyright_->setText(savedCopyright_);
      egg_ = false;
    }
    return true;
  }
  const QVariant applet = watched->property("applet");
  if (applet.isValid() && type == QEvent::MouseButtonRelease &&
      mouse->button() == Qt::LeftButton) {
    about_.AppletClick(static_cast<TNyApplet>(applet.toInt()));
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

TNyAboutQt::TNyAboutQt(TNyAbout& about) : about_(about) {
  about_.SetView(this);
}

TNyAboutQt::~TNyAboutQt() {
  HideHint();
  about_.SetView(nullptr);
}

TNyScreen TNyAboutQt::Screen() {
  TNyScreen s;
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return s;
  s.Width = screen->geometry().width();
  s.Height = screen->geometry().height();
  s.Depth = screen->depth();
  s.RefreshRate = static_cast<int>(std::lround(screen->refreshRate()));
  s.LogicalDpi = static_cast<int>(std::lround(screen->logicalDotsPerInchX()));
  return s;
}

void TNyAboutQt::SetBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

bool TNyAboutQt::RunAboutBox(const TNyAboutTexts& texts) {
  TNyAboutBox box(texts, about_, QApplication::activeWindow());
  return box.exec() == QDialog::Accepted;
}

namespace {

constexpr int kHintMargin = 8;

QFont HintFont(int fontSize) {
  QFont f = QApplication::font();
  f.setPixelSize(fontSize > 0 ? fontSize : 32);
  return f;
}

}  // namespace

void TNyAboutQt::MeasureHint(const std::string& text, int fontSize, int maxWidth, int& width,
                             int& height) {
  const QFontMetrics fm(HintFont(fontSize));
  const QRect r = fm.boundingRect(QRect(0, 0, std::max(maxWidth - 2 * kHintMargin, 1), 100000),
                                  Qt::TextWordWrap | Qt::AlignLeft, Q(text));
  width = r.width() + 2 * kHintMargin;
  height = r.height() + 2 * kHintMargin;
}

void TNyAboutQt::ShowHint(const std::string& text, const TNyRect& rect, int fontSize,
                          uint32_t color) {
  if (hint_ == nullptr) {
    hint_ = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    hint_->setAttribute(Qt::WA_DeleteOnClose);
    hint_->setObjectName("HintWindow");
    hint_->setWordWrap(true);
    hint_->setMargin(kHintMargin);
    hint_->setAutoFillBackground(true);
  }
  hint_->setFont(HintFont(fontSize));
  QPalette pal = hint_->palette();
  pal.setColor(QPalette::Window, QColor::fromRgb(color));
  pal.setColor(QPalette::WindowText, Qt::black);
  hint_->setPalette(pal);
  hint_->setText(Q(text));
  hint_->setGeometry(rect.Left, rect.Top, rect.Width, rect.Height);
  hint_->show();
  hint_->repaint();
  QCoreApplication::processEvents();
}

void TNyAboutQt::HideHint() {
  if (hint_ != nullptr) {
    delete hint_.data();
    hint_ = nullptr;
  }
}

void TNyAboutQt::StartDetached(const std::vector<std::string>& argv) {
  if (argv.empty()) return;
  QStringList args;
  for (size_t i = 1; i < argv.size(); ++i) args << Q(argv[i]);
  QProcess::startDetached(Q(argv[0]), args);
}

}  // namespace ny
