#include "app/qt/MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStyle>
#include <QTableView>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <exception>

#include "app/Form1Model.h"
#include "app/qt/AppIcons.h"
#include "app/qt/LibraryViews.h"
#include "app/qt/VellumApplication.h"
#include "intake/qt/IntakeCommands.h"
#include "util/NyVersion.h"
#include "util/qt/NyAboutBox.h"
#include "util/qt/NyElided.h"
#include "util/qt/NyRtfEdt.h"

namespace ny {

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

// The key code the window's handlers know for a Qt key; 0 for keys they never look at.
uint16_t VirtualKey(int key) {
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
    return static_cast<uint16_t>(0x70 + key - Qt::Key_F1);
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) {
    return static_cast<uint16_t>(key);
  }
  switch (key) {
    case Qt::Key_Escape:
      return 27;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 13;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return 9;
    case Qt::Key_Delete:
      return 46;
    case Qt::Key_Insert:
      return 45;
    default:
      return 0;
  }
}

unsigned ShiftOf(Qt::KeyboardModifiers m) {
  unsigned s = ssNone;
  if (m & Qt::ShiftModifier) s |= ssShift;
  if (m & Qt::AltModifier) s |= ssAlt;
  if (m & Qt::ControlModifier) s |= ssCtrl;
  return s;
}

// The character-set number of a writing system of the font dialog; -1 when it names none.
int CharsetOf(QFontDatabase::WritingSystem ws) {
  switch (ws) {
    case QFontDatabase::Latin:
      return 0;
    case QFontDatabase::Greek:
      return 161;
    case QFontDatabase::Cyrillic:
      return 204;
    case QFontDatabase::Hebrew:
      return 177;
    case QFontDatabase::Arabic:
      return 178;
    case QFontDatabase::Thai:
      return 222;
    case QFontDatabase::Vietnamese:
      return 163;
    default:
      return -1;
  }
}

}  // namespace

QStringList NameFilters(const std::string& filter) {
  const QStringList parts = Q(filter).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    // The description may name its patterns itself ("Library Files (*.SQB)"); Qt takes the
    // patterns from the last parentheses, so they are given once, at the end.
    QString description = parts[i].trimmed();
    if (description.endsWith(')')) {
      const qsizetype open = description.lastIndexOf('(');
      if (open > 0) description = description.left(open).trimmed();
    }
    QStringList patterns;
    for (QString p : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
      p = p.trimmed();
      if (p.isEmpty()) continue;
      // "*.*" is every file, also one without a dot in its name.
      if (p == "*.*") p = "*";
      // Patterns match without regard to letter case: "*.SQB" finds "lib.sqb" too, whatever
      // dialog the desktop puts in Qt's place.
      for (const QString& v : {p, p.toLower(), p.toUpper()}) {
        if (!patterns.contains(v)) patterns << v;
      }
    }
    if (patterns.isEmpty()) continue;
    filters << (description.isEmpty() ? QString() : description + " ") + "(" +
                   patterns.join(' ') + ")";
  }
  return filters;
}

template <class W>
W* MainWindow::Make(const std::string& name) {
  W* w = new W;
  binder_.Bind(name, w);
  return w;
}

MainWindow::MainWindow(TForm1Env env, QWidget* parent) : QMainWindow(parent) {
  form_ = std::make_unique<TForm1>(*this, std::move(env));
  binder_.Bind(kForm1, this);
  pages_ = Make<QStackedWidget>(kNotebook);
  QWidget* list = BuildListPage();
  list->setObjectName(kPageList);
  QWidget* options = BuildOptionsPage();
  options->setObjectName(kPageOptions);
  QWidget* text = BuildTextPage();
  text->setObjectName(kPageText);
  pages_->addWidget(list);
  pages_->addWidget(options);
  pages_->addWidget(text);
  setCentralWidget(pages_);
  resize(800, 580);
  library_ = new TLibraryViews(*this, *form_);
  new TIntakeCommands(*this);
  binder_.Attach(form_->Model());
  qApp->installEventFilter(this);
  setWindowIcon(AppIcon());
  try {
    form_->FormCreate();
  } catch (const std::exception& e) {
    TVellumApplication::ReportError(QString::fromUtf8(e.what()));
  }
  TVellumApplication::SetToolkitLanguage(form_->LangCode());
  if (form_->HasAbout()) aboutView_ = std::make_unique<TNyAboutQt>(form_->About());
}

MainWindow::~MainWindow() {
  aboutView_.reset();
  qApp->removeEventFilter(this);
  delete library_;
  binder_.Detach();
}

QWidget* MainWindow::BuildListPage() {
  auto* page = new QWidget;
  auto* v = new QVBoxLayout(page);
  v->setContentsMargins(0, 0, 0, 0);
  v->setSpacing(2);

  auto* bar = new QWidget;
  bar->setFixedHeight(28);
  auto* h = new QHBoxLayout(bar);
  h->setContentsMargins(1, 1, 1, 1);
  h->setSpacing(1);
  auto button = [&](const char* name) {
    auto* b = Make<QToolButton>(name);
    b->setAutoRaise(true);
    b->setFixedSize(26, 26);
    b->setFocusPolicy(Qt::NoFocus);
    b->setIcon(ToolIcon(QString::fromLatin1(name)));
    h->addWidget(b);
    return b;
  };
  for (const char* name :
       {"bLibOpen", "bLibNew", "bDocOpen", "bDocAppend", "bArcAppend", "bDocDelete", "bOption"}) {
    button(name);
  }
  h->addSpacing(8);
  auto* search = Make<TNyElidedLabel>("Label4");
  auto* like = Make<QLineEdit>("eLike");
  search->setBuddy(like);
  h->addWidget(search);
  h->addWidget(like, 1);
  button("bSearch");
  auto* rec = Make<TNyElidedLabel>("lRec");
  rec->setMinimumWidth(90);
  h->addSpacing(4);
  h->addWidget(rec);
  for (const char* name : {"bStats", "bCheck", "bAbout", "bExit"}) button(name);
  v->addWidget(bar);

  auto* grid = Make<QTableView>(kDocGrid);
  grid->verticalHeader()->setDefaultSectionSize(20);
  v->addWidget(grid, 1);
  v->addWidget(Make<TNyElidedLabel>("Label1"));
  auto* memo = Make<QPlainTextEdit>("DBMemo1");
  memo->setFixedHeight(89);
  v->addWidget(memo);

  connect(like, &QLineEdit::textEdited, this, Guarded<const QString&>([this](const QString& t) {
            form_->Model().Get("eLike").SetStr("Text", t.toStdString());
          }));
  connect(qobject_cast<QToolButton*>(Control("bDocOpen")), &QToolButton::clicked, this,
          Guarded<>([this] { form_->bDocOpenClick(); }));
  connect(qobject_cast<QToolButton*>(Control("bOption")), &QToolButton::clicked, this,
          Guarded<>([this] { form_->bOptionClick(); }));
  connect(qobject_cast<QToolButton*>(Control("bExit")), &QToolButton::clicked, this,
          Guarded<>([this] { form_->bExitClick(); }));
  connect(qobject_cast<QToolButton*>(Control("bAbout")), &QToolButton::clicked, this,
          Guarded<>([this] { form_->bAboutClick(); }));
  return page;
}

QWidget* MainWindow::BuildOptionsPage() {
  auto* page = new QWidget;
  auto* h = new QHBoxLayout(page);
  auto* left = new QVBoxLayout;
  auto* title = Make<TNyElidedLabel>("Label2");
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  left->addWidget(title);
  auto box = [&](const char* name) {
    auto* b = Make<TNyElidedCheckBox>(name);
    connect(b, &QCheckBox::clicked, this,
            Guarded<bool>([this, name](bool checked) { form_->SetChecked(name, checked); }));
    return b;
  };
  for (size_t i = 0; i < 7; ++i) left->addWidget(box(kOptionBoxes[i]));
  auto* group = Make<TNyElidedGroupBox>("GroupBox1");
  auto* g = new QGridLayout(group);
  for (size_t i = 7; i < 13; ++i) {
    const int n = static_cast<int>(i - 7);
    g->addWidget(box(kOptionBoxes[i]), n % 3, n / 3);
  }
  left->addWidget(group);
  left->addWidget(box(kOptionBoxes[13]));
  left->addWidget(Make<TNyElidedLabel>("Label5"));
  auto* font = Make<TNyElidedButton>(kFontButton);
  connect(font, &QPushButton::clicked, this, Guarded<>([this] { form_->bFontClick(); }));
  left->addWidget(font);
  left->addWidget(Make<TNyElidedLabel>("Label7"));
  auto* lang = Make<QComboBox>(kLangCombo);
  lang->setEditable(false);
  connect(lang, &QComboBox::activated, this,
          Guarded<int>([this](int index) {
            form_->SelectLanguage(index);
            TVellumApplication::SetToolkitLanguage(form_->LangCode());
          }));
  left->addWidget(lang);
  left->addStretch(1);
  h->addLayout(left, 2);

  auto* right = new QVBoxLayout;
  right->addWidget(Make<TNyElidedLabel>("Label6"));
  right->addWidget(Make<QTableView>(kSubjectGrid), 1);
  right->addWidget(Make<TNyElidedLabel>("Label3"));
  right->addWidget(Make<QTableView>(kArchiverGrid), 1);
  h->addLayout(right, 3);
  return page;
}

QWidget* MainWindow::BuildTextPage() {
  auto* page = new QWidget;
  auto* v = new QVBoxLayout(page);
  v->setContentsMargins(0, 0, 0, 0);
  v->addWidget(Make<TNyElidedLabel>("lNameText"));
  auto* viewer = Make<TNyRichEdit>("RichEdit");
  viewer->SetReadOnly(true);
  viewer->SetViewerFont("Courier New", 10, true);
  viewer->OnKeyDown = [this](QKeyEvent* key) { return RichEditKeyDown(key); };
  v->addWidget(viewer, 1);
  return page;
}

TNyRichEdit* MainWindow::Viewer() const {
  return qobject_cast<TNyRichEdit*>(Control("RichEdit"));
}

bool MainWindow::RichEditKeyDown(QKeyEvent* key) {
  // The keypad keys of the viewer act on its font and on this window's frame.
  TNyRichEdit* viewer = Viewer();
  return viewer != nullptr && viewer->HandleViewerKey(key);
}

void MainWindow::LoadViewer(const std::string& path) {
  if (TNyRichEdit* viewer = Viewer()) {
    viewer->LoadFromFile(path);
    viewer->setFocus(Qt::OtherFocusReason);
  }
}

QString MainWindow::ShownPage() const {
  return pages_->currentWidget() != nullptr ? pages_->currentWidget()->objectName() : QString();
}

void MainWindow::SetFocus(const std::string& control) {
  if (QWidget* w = Control(control)) w->setFocus(Qt::OtherFocusReason);
}

void MainWindow::FocusNext() {
  QTimer::singleShot(0, this, [this] { focusNextChild(); });
}

void MainWindow::SetBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void MainWindow::ShowMessage(const std::string& text) {
  QMessageBox::information(this, Q(ProductName()), Q(text));
}

bool MainWindow::AskYesNo(const std::string& text) {
  return QMessageBox::question(this, Q(ProductName()), Q(text),
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::optional<std::string> MainWindow::RunOpenDialog(const TOpenDialogRequest& request) {
  QFileDialog dialog(this, Q(request.Title), Q(request.InitialDir));
  const QStringList filters = NameFilters(request.Filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(Q(request.DefaultExt));
  dialog.setFileMode(request.FileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

bool MainWindow::RunFontDialog(TViewerFont& font) {
  QFont stored(Q(font.Name));
  if (font.Size > 0) stored.setPointSize(font.Size);
  // The face the viewer really shows: a stored face this computer lacks (Courier New) is
  // shown in another one, and the dialog starts from that.
  const QString inUse = QFontInfo(stored).family();
  QFont initial(stored);
  initial.setFamilies({inUse});
  QFontDialog dialog(initial, this);
  dialog.setOption(QFontDialog::DontUseNativeDialog);
  if (dialog.exec() != QDialog::Accepted) return false;
  const QFont chosen = dialog.selectedFont();
  // A face the user did not change stays as stored.
  if (chosen.family() != inUse) font.Name = chosen.family().toStdString();
  if (chosen.pointSize() > 0) font.Size = chosen.pointSize();
  // The dialog's only combo box is its writing-system choice; "Any" keeps the number.
  if (auto* ws = dialog.findChild<QComboBox*>()) {
    for (QFontDatabase::WritingSystem w : QFontDatabase::writingSystems()) {
      if (QFontDatabase::writingSystemName(w) == ws->currentText() && CharsetOf(w) >= 0) {
        font.Charset = CharsetOf(w);
      }
    }
  }
  return true;
}

void MainWindow::SetViewerFont(const TViewerFont& font) {
  if (TNyRichEdit* viewer = Viewer()) {
    viewer->SetFontCharset(font.Charset);
    viewer->SetViewerFont(font.Name, font.Size, true);
  }
}

void MainWindow::ProcessMessages() {
  QCoreApplication::processEvents();
}

void MainWindow::Beep() {
  QApplication::beep();
}

void MainWindow::Close() {
  close();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QMainWindow::eventFilter(watched, event);
  // A key event travels up from the focused widget; the window looks at it once, first.
  auto* w = qobject_cast<QWidget*>(watched);
  QWidget* focus = QApplication::focusWidget();
  if (w == nullptr || w->window() != this || (focus != nullptr ? w != focus : w != this)) {
    return QMainWindow::eventFilter(watched, event);
  }
  auto* key = static_cast<QKeyEvent*>(event);
  // A handler that fails ends the key's handling: the key goes no further.
  bool consumed = true;
  Guarded<>([&] { consumed = PreviewKey(*key); })();
  return consumed || QMainWindow::eventFilter(watched, event);
}

bool MainWindow::PreviewKey(const QKeyEvent& key) {
  uint16_t code = VirtualKey(key.key());
  if (code != 0) {
    form_->FormKeyDown(code, ShiftOf(key.modifiers()));
    if (code == 0) return true;
  }
  char ch = 0;
  if (key.key() == Qt::Key_Escape) {
    ch = kKeyEscape;
  } else if (key.text().size() == 1 && key.text()[0].unicode() < 0x80) {
    ch = static_cast<char>(key.text()[0].unicode());
  }
  if (ch != 0) {
    form_->FormKeyPress(ch);
    if (ch == 0) return true;
  }
  return false;
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  if (QScreen* s = screen()) {
    // Never wider or taller than the screen, whatever a caption asks for.
    resize(size().boundedTo(s->availableGeometry().size()));
    move(s->availableGeometry().center() - rect().center());
  }
  Guarded<>([this] { form_->FormShow(); })();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!destroyed_) {
    destroyed_ = true;
    Guarded<>([this] { form_->FormDestroy(); })();
  }
  event->accept();
}

}  // namespace ny
