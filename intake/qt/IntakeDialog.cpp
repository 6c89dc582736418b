#include "intake/qt/IntakeDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <cstdlib>

#include "app/qt/VellumApplication.h"
#include "intake/qt/SubjectListModel.h"
#include "util/qt/NyFileListWidget.h"

namespace ny {

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

// The colour-changing controls, by the widget that gets the focus.
constexpr const char* kColored[] = {"ComboBox1", "FileList", "DBGrid1"};

}  // namespace

TIntakeDialog::TIntakeDialog(QWidget* parent) : QDialog(parent), progress_(this) {
  setModal(true);
  resize(560, 420);
}

TIntakeDialog::~TIntakeDialog() {
  Teardown();
}

QWidget* TIntakeDialog::Control(const std::string& name) const {
  if (logic_ == nullptr) return nullptr;
  if (name == "ComboBox1") return combo_;
  return binder_.Widget(name);
}

void TIntakeDialog::Build(TfIntake& dialog) {
  TNyComponent& model = dialog.Model();
  binder_.Bind(model.Name(), this);
  content_ = new QWidget(this);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(content_);
  auto* v = new QVBoxLayout(content_);

  auto* label = new QLabel;
  label->setTextFormat(Qt::PlainText);
  binder_.Bind("Label1", label);
  v->addWidget(label);

  // The mask box is drawn here, not by the binder: what the user types stays in the box.
  combo_ = new QComboBox;
  combo_->setObjectName("ComboBox1");
  combo_->setEditable(true);
  combo_->setInsertPolicy(QComboBox::NoInsert);
  const TNyComponent& c = model.Get("ComboBox1");
  for (const std::string& item : c.Items("Items")) combo_->addItem(Q(item));
  combo_->setCurrentIndex(std::atoi(c.Value("ItemIndex").c_str()));
  combo_->setEditText(Q(dialog.MaskText()));
  combo_->setToolTip(Q(c.Str("Hint")));
  v->addWidget(combo_);

  auto* h = new QHBoxLayout;
  list_ = new TNyFileListWidget(dialog.FileList());
  binder_.Bind("FileList", list_);
  h->addWidget(list_, 3);
  grid_ = new QTableView;
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->verticalHeader()->setDefaultSectionSize(20);
  grid_->horizontalHeader()->setStretchLastSection(true);
  std::vector<std::string> fields;
  for (const TNyColumn& col : model.Get("DBGrid1").Columns("Columns")) fields.push_back(col.FieldName);
  subjects_ = new TSubjectListModel(dialog.Subjects(), fields, grid_);
  grid_->setModel(subjects_);
  binder_.Bind("DBGrid1", grid_);
  h->addWidget(grid_, 2);
  v->addLayout(h, 1);

  auto* bottom = new QHBoxLayout;
  auto* check = new QCheckBox;
  check->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
  binder_.Bind("CheckBox1", check);
  bottom->addWidget(check, 1);
  auto* execute = new QPushButton;
  execute->setAutoDefault(false);
  QIcon run = QIcon::fromTheme("system-run");
  execute->setIcon(run.isNull() ? style()->standardIcon(QStyle::SP_DialogApplyButton) : run);
  binder_.Bind("BitBtn1", execute);
  bottom->addWidget(execute);
  v->addLayout(bottom);

  connect(combo_, &QComboBox::activated, this,
          Guarded<int>([this](int index) { logic_->ComboBox1Select(index); }));
  connect(combo_->lineEdit(), &QLineEdit::textEdited, this,
          Guarded<const QString&>([this](const QString& t) { logic_->ComboBox1Change(t.toStdString()); }));
  connect(check, &QCheckBox::clicked, this,
          Guarded<bool>([this](bool on) { logic_->CheckBox1Click(on); }));
  connect(execute, &QPushButton::clicked, this, Guarded<bool>([this](bool) { logic_->BitBtn1Click(); }));
  connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          Guarded<const QModelIndex&, const QModelIndex&>(
              [this](const QModelIndex& current, const QModelIndex&) {
                if (!syncing_ && current.isValid()) logic_->DBGrid1Select(current.row());
              }));
  connect(subjects_, &TSubjectListModel::CurrentMoved, this, [this] { ShowCurrentSubject(); });

  binder_.Attach(model);
  ShowCurrentSubject();
  qApp->installEventFilter(this);
}

void TIntakeDialog::Teardown() {
  qApp->removeEventFilter(this);
  binder_.Detach();
  delete content_;
  content_ = nullptr;
  delete layout();
  subjects_ = nullptr;
  logic_ = nullptr;
}

void TIntakeDialog::ShowCurrentSubject() {
  if (!grid_ || subjects_ == nullptr) return;
  syncing_ = true;
  const int row = subjects_->CurrentRow();
  if (row >= 0) {
    grid_->selectionModel()->setCurrentIndex(subjects_->index(row, 0),
                                             QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
  } else {
    grid_->selectionModel()->clear();
  }
  syncing_ = false;
}

void TIntakeDialog::ShowModal(TfIntake& dialog) {
  logic_ = &dialog;
  Build(dialog);
  list_->setFocus(Qt::OtherFocusReason);
  exec();
  Teardown();
}

void TIntakeDialog::Close() {
  reject();
}

void TIntakeDialog::FocusNext() {
  QTimer::singleShot(0, this, [this] { focusNextChild(); });
}

void TIntakeDialog::SetColor(const std::string& control, TNyColor color) {
  QWidget* w = Control(control);
  if (w == nullptr) return;
  QPalette p = w->palette();
  p.setColor(QPalette::Base, color == TNyColor::clInfoBk
                                 ? QToolTip::palette().color(QPalette::ToolTipBase)
                                 : QApplication::palette(w).color(QPalette::Base));
  w->setPalette(p);
}

bool TIntakeDialog::eventFilter(QObject* watched, QEvent* event) {
  if (logic_ == nullptr) return QDialog::eventFilter(watched, event);
  if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
    for (const char* name : kColored) {
      if (watched != Control(name)) continue;
      const auto reason = static_cast<QFocusEvent*>(event)->reason();
      // The mask box's own drop-down list takes the focus for a moment: no leaving.
      if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) break;
      const bool in = event->type() == QEvent::FocusIn;
      Guarded<>([&] { in ? logic_->ControlEnter(name) : logic_->ControlExit(name); })();
      break;
    }
    return QDialog::eventFilter(watched, event);
  }
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  // A key travels up from the focused widget; the dialog looks at it once, first.
  auto* w = qobject_cast<QWidget*>(watched);
  if (w == nullptr || w->window() != this || w != QApplication::focusWidget()) {
    return QDialog::eventFilter(watched, event);
  }
  bool consumed = true;
  Guarded<>([&] { consumed = PreviewKey(watched, *static_cast<QKeyEvent*>(event)); })();
  return consumed || QDialog::eventFilter(watched, event);
}

bool TIntakeDialog::PreviewKey(QObject* watched, const QKeyEvent& key) {
  char ch = 0;
  if (key.key() == Qt::Key_Escape) {
    ch = kIntakeKeyEscape;
  } else if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) {
    ch = kIntakeKeyEnter;
  } else if (key.key() == Qt::Key_Tab && key.modifiers() == Qt::NoModifier) {
    ch = kIntakeKeyTab;
  }
  if (ch == 0) return false;
  logic_->FormKeyPress(ch);
  if (ch == 0) return true;
  const bool inCombo = watched == combo_ || (combo_ && watched == combo_->lineEdit());
  if (inCombo) {
    logic_->ComboBox1KeyPress(ch);
  } else if (watched == grid_) {
    logic_->DBGrid1KeyPress(ch);
  }
  return ch == 0;
}

void ExecImpDialog(QWidget* parent, const TIntakeRequest& request) {
  TIntakeDialog view(parent);
  RunIntakeDialog(TIntakeKind::Imp, view, request);
}

void ExecArcDialog(QWidget* parent, const TIntakeRequest& request) {
  TIntakeDialog view(parent);
  RunIntakeDialog(TIntakeKind::Arc, view, request);
}

}  // namespace ny
