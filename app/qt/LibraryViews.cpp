#include "app/qt/LibraryViews.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QToolButton>

#include "app/Form1.h"
#include "app/Form1Model.h"
#include "app/LibText.h"
#include "app/qt/MainWindow.h"
#include "app/qt/NyDataSetModel.h"
#include "app/qt/VellumApplication.h"
#include "util/qt/NyProgressDialog.h"

namespace ny {

namespace {

uint16_t GridKeyCode(int key) {
  switch (key) {
    case Qt::Key_F5:
      return VK_F5;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return VK_TAB;
    case Qt::Key_Insert:
      return VK_INSERT;
    case Qt::Key_Delete:
      return VK_DELETE;
    case Qt::Key_Escape:
      return VK_ESCAPE;
    case Qt::Key_Down:
      return VK_DOWN;
    default:
      return 0;
  }
}

unsigned ShiftState(Qt::KeyboardModifiers m) {
  unsigned s = ssNone;
  if (m & Qt::ShiftModifier) s |= ssShift;
  if (m & Qt::AltModifier) s |= ssAlt;
  if (m & Qt::ControlModifier) s |= ssCtrl;
  return s;
}

}  // namespace

// The comment memo follows TEXT of the current document, except while the user types in it.
class TLibraryViews::TMemoLink : public TNyDataLink {
 public:
  TMemoLink(TLibraryViews& v) : v_(v) {}
  bool typing = false;

 protected:
  void ActiveChanged() override { Show(); }
  void DataSetChanged() override { Show(); }
  void DataSetScrolled(int) override { Show(); }
  void RecordChanged(TNyField*) override { Show(); }

 private:
  void Show() {
    if (typing || v_.memo_ == nullptr) return;
    TNyDataSet* ds = DataSet();
    QString text;
    if (ds != nullptr && ds->Active() &&
        (!ds->IsEmpty() || ds->State() == TDataSetState::dsInsert)) {
      if (TNyField* f = ds->FindField("TEXT")) text = QString::fromStdString(LibText(f->AsString()));
    }
    if (v_.memo_->toPlainText() != text) {
      const QSignalBlocker block(v_.memo_);
      v_.memo_->setPlainText(text);
    }
    v_.memo_->setReadOnly(ds == nullptr || !ds->Active() ||
                          (ds->IsEmpty() && ds->State() != TDataSetState::dsInsert));
  }
  TLibraryViews& v_;
};

TLibraryViews::TLibraryViews(MainWindow& window, TForm1& form)
    : QObject(&window), window_(window), form_(form) {
  BindGrid(kDocGrid);
  BindGrid(kSubjectGrid);
  BindGrid(kArchiverGrid);

  memo_ = qobject_cast<QPlainTextEdit*>(window.Control("DBMemo1"));
  if (memo_ != nullptr) {
    memoLink_ = new TMemoLink(*this);
    memoLink_->SetDataSource(&form.DS_LstDoc());
    memo_->installEventFilter(this);
    connect(memo_, &QPlainTextEdit::textChanged, this, Guarded<>([this] {
              memoLink_->typing = true;
              struct TEnd {
                TMemoLink* l;
                ~TEnd() { l->typing = false; }
              } end{memoLink_};
              form_.DBMemo1Change(memo_->toPlainText().toStdString());
            }));
  }
  // The handler holds the form itself: a `this` taken inside a lambda that captured by
  // reference is not the object's in every build.
  auto button = [&window, &form, this](const char* name, void (TForm1::*handler)()) {
    if (auto* b = qobject_cast<QToolButton*>(window.Control(name))) {
      TForm1* target = &form;
      connect(b, &QToolButton::clicked, this, Guarded<>([target, handler] { (target->*handler)(); }));
    }
  };
  button("bLibOpen", &TForm1::bLibOpenClick);
  button("bLibNew", &TForm1::bLibNewClick);
  button("bSearch", &TForm1::bSearchClick);
  button("bStats", &TForm1::bStatsClick);
  button("bCheck", &TForm1::bCheckClick);
  walkProgress_ = std::make_unique<TNyProgressDialog>(&window);
  form.WalkProgress = walkProgress_.get();
  if (auto* like = qobject_cast<QLineEdit*>(window.Control("eLike"))) {
    // After the window's own slot has put the text into the form model.
    connect(like, &QLineEdit::textEdited, this,
            Guarded<const QString&>([this](const QString&) { form_.eLikeChange(); }));
    connect(like, &QLineEdit::returnPressed, this, Guarded<>([this] { form_.bSearchClick(); }));
  }
}

TLibraryViews::~TLibraryViews() {
  form_.WalkProgress = nullptr;
  // The models and the memo's link leave their data sources while the form still lives.
  for (auto& [view, model] : grids_) {
    view->setModel(nullptr);
    delete model;
  }
  delete memoLink_;
}

TNyDataSetModel* TLibraryViews::Model(const std::string& grid) const {
  for (const auto& [view, model] : grids_)
    if (model->Grid() == grid) return model;
  return nullptr;
}

void TLibraryViews::BindGrid(const std::string& name) {
  auto* view = qobject_cast<QTableView*>(window_.Control(name));
  TNySQLite3Query* ds = form_.GridDataSet(name);
  if (view == nullptr || ds == nullptr) return;
  TNyDataSource& source = name == kDocGrid       ? form_.DS_LstDoc()
                          : name == kSubjectGrid ? form_.DS_LstSbj()
                                                 : form_.DS_LstArc();
  auto* model = new TNyDataSetModel(form_, name, source);
  QAbstractItemModel* old = view->model();
  view->setModel(model);
  if (old != nullptr && old->parent() == view) old->deleteLater();
  grids_.emplace_back(view, model);
  view->setSelectionBehavior(QAbstractItemView::SelectItems);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view->setEditTriggers(name == kDocGrid ? QAbstractItemView::EditKeyPressed |
                                               QAbstractItemView::AnyKeyPressed
                                         : QAbstractItemView::EditKeyPressed |
                                               QAbstractItemView::AnyKeyPressed |
                                               QAbstractItemView::DoubleClicked);
  view->installEventFilter(this);

  connect(model, &TNyDataSetModel::CurrentRowMoved, this,
          [this, view](int row) { ShowCurrentRow(view, row); });
  // The user moved to another row: the record set follows, which posts a pending edit. When
  // the post is refused, the report is shown and the grid goes back to the edited row.
  connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this, view, name, model](const QModelIndex& now, const QModelIndex&) {
            if (syncing_ || !now.isValid()) return;
            Guarded<>([&] { form_.GridRowChanged(name, now.row()); })();
            ShowCurrentRow(view, model->CurrentRow());
          });
  if (name == kDocGrid) {
    view->horizontalHeader()->setSectionsClickable(true);
    connect(view->horizontalHeader(), &QHeaderView::sectionClicked, this,
            Guarded<int>([this](int section) { form_.DBGridTitleClick(section); }));
    connect(view, &QTableView::doubleClicked, this,
            Guarded<const QModelIndex&>([this](const QModelIndex&) { form_.DBGridDblClick(); }));
  }
}

void TLibraryViews::ShowCurrentRow(QTableView* view, int row) {
  QItemSelectionModel* sel = view->selectionModel();
  if (sel == nullptr) return;
  const QModelIndex cur = sel->currentIndex();
  if (row < 0) return;
  if (cur.isValid() && cur.row() == row) return;
  syncing_ = true;
  const int column = cur.isValid() ? cur.column() : 0;
  sel->setCurrentIndex(view->model()->index(row, column), QItemSelectionModel::ClearAndSelect);
  syncing_ = false;
}

bool TLibraryViews::GridKey(QTableView* view, const std::string& grid, QKeyEvent* key) {
  // A key that the open cell editor let through (Enter commits the edit, then rises to the
  // view) is the editor's, not a command of the grid.
  QWidget* focus = QApplication::focusWidget();
  if (focus != nullptr && focus != view && view->isAncestorOf(focus)) return false;
  uint16_t code = GridKeyCode(key->key());
  const unsigned shift = ShiftState(key->modifiers());
  if (code != 0) {
    if (grid == kDocGrid) {
      form_.DBGridKeyDown(code, shift);
    } else {
      form_.G_LstSbjKeyDown(grid, code, shift);
    }
    if (code == 0) return true;
    form_.GridEditKey(grid, code, shift);
    if (code == 0) return true;
  }
  if (grid == kDocGrid && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
    char ch = kKeyEnter;
    form_.DBGridKeyPress(ch);
    if (ch == 0) return true;
  }
  return false;
}

bool TLibraryViews::eventFilter(QObject* watched, QEvent* event) {
  if (watched == memo_ && event->type() == QEvent::FocusOut) {
    Guarded<>([this] { form_.DBMemo1Exit(); })();
    return false;
  }
  if (event->type() == QEvent::ShortcutOverride &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    // Esc gives up the grid's edit before the window sees the key (which may change pages).
    for (auto& [view, model] : grids_) {
      if (watched != view) continue;
      uint16_t code = VK_ESCAPE;
      const unsigned shift = ShiftState(static_cast<QKeyEvent*>(event)->modifiers());
      Guarded<>([&] { form_.GridEditKey(model->Grid(), code, shift); })();
    }
    return false;
  }
  if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
  for (auto& [view, model] : grids_) {
    if (watched != view) continue;
    bool consumed = true;  // a handler that fails ends the key's handling
    Guarded<>([&] { consumed = GridKey(view, model->Grid(), static_cast<QKeyEvent*>(event)); })();
    return consumed;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace ny
