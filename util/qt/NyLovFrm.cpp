#include "util/qt/NyLovFrm.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include "sqlite/NyField.h"

namespace ny {

TNyLovFrm::TNyLovFrm(TNyLovD& lov, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      lov_(lov) {
  setWindowTitle(QStringLiteral("Выберите"));
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(0, 0, 0, 0);
  v->setSpacing(0);

  auto* panel = new QWidget;
  panel->setObjectName("Panel");
  panel->setFixedHeight(21);
  auto* caption = new QLabel(QStringLiteral("  Поиск"), panel);
  caption->setGeometry(0, 0, 44, 21);
  find_ = new QLineEdit(panel);
  find_->setObjectName("Find");
  find_->setGeometry(44, 0, 245, 21);
  find_->setFocusPolicy(Qt::ClickFocus);
  connect(find_, &QLineEdit::textChanged, this, &TNyLovFrm::FindChange);
  v->addWidget(panel);

  grid_ = new QTableView;
  grid_->setObjectName("DBGrid");
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->horizontalHeader()->hide();
  grid_->verticalHeader()->hide();
  grid_->horizontalHeader()->setStretchLastSection(true);
  model_ = new QStandardItemModel(0, 1, grid_);
  grid_->setModel(model_);
  connect(grid_, &QTableView::doubleClicked, this, [this] { DBGridDblClick(); });
  v->addWidget(grid_, 1);

  memo_ = new QPlainTextEdit;
  memo_->setObjectName("DBMemo");
  memo_->setFixedHeight(0);
  memo_->setFocusPolicy(Qt::NoFocus);
  v->addWidget(memo_);

  // The rows: the shown field of every record, the current record kept where it was.
  TNyDataSet* ds = lov_.DataSet();
  TNyField* field = ds != nullptr && ds->Active() ? ds->FindField(lov_.ShowField()) : nullptr;
  if (field != nullptr) {
    const TBookmark here = ds->GetBookmark();
    int current = -1;
    for (ds->First(); !ds->Eof(); ds->Next()) {
      const TBookmark b = ds->GetBookmark();
      if (here && b && *here == *b) current = static_cast<int>(rows_.size());
      rows_.push_back(b);
      model_->appendRow(new QStandardItem(QString::fromStdString(field->AsString())));
    }
    if (here) ds->GotoBookmark(here);
    if (current >= 0) grid_->selectRow(current);
  }

  resize(300, 280);
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    move(s->availableGeometry().center() - rect().center());
  }
  if (lov_.StorySize() && lov_.Width() > 0 && lov_.Height() > 0) {
    setGeometry(lov_.PosLeft(), lov_.PosTop(), lov_.Width(), lov_.Height());
  }
  grid_->setFocus();
}

void TNyLovFrm::FindChange(const QString& text) {
  if (text.isEmpty()) return;
  for (int r = 0; r < model_->rowCount(); ++r) {
    if (model_->item(r)->text().startsWith(text, Qt::CaseInsensitive)) {
      grid_->selectRow(r);
      grid_->scrollTo(model_->index(r, 0));
      return;
    }
  }
}

void TNyLovFrm::DBGridDblClick() {
  const int row = grid_->currentIndex().row();
  if (row < 0 || row >= static_cast<int>(rows_.size())) return;
  if (TNyDataSet* ds = lov_.DataSet(); ds != nullptr && ds->Active()) {
    ds->GotoBookmark(rows_[static_cast<size_t>(row)]);
  }
  accept();
}

void TNyLovFrm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    DBGridDblClick();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TNyLovFrm::done(int result) {
  if (lov_.StorySize()) {
    lov_.SetWidth(static_cast<int16_t>(width()));
    lov_.SetHeight(static_cast<int16_t>(height()));
    lov_.SetPosLeft(static_cast<int16_t>(x()));
    lov_.SetPosTop(static_cast<int16_t>(y()));
  }
  QDialog::done(result);
}

}  // namespace ny
