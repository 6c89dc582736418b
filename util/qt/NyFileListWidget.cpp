#include "util/qt/NyFileListWidget.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>

namespace ny {

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

// The file list's code of a key; 0 for keys it never looks at.
uint16_t ListKey(int key) {
  if (key >= Qt::Key_0 && key <= Qt::Key_4) {
    return static_cast<uint16_t>(TNyFileListBox::kVk0 + (key - Qt::Key_0));
  }
  switch (key) {
    case Qt::Key_Backspace:
      return TNyFileListBox::kVkBack;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return TNyFileListBox::kVkReturn;
    case Qt::Key_Up:
      return TNyFileListBox::kVkUp;
    case Qt::Key_Delete:
      return TNyFileListBox::kVkDelete;
    case Qt::Key_F7:
      return TNyFileListBox::kVkF7;
    default:
      return 0;
  }
}

unsigned ShiftOf(Qt::KeyboardModifiers m) {
  unsigned s = 0;
  if (m & Qt::ShiftModifier) s |= TNyFileListBox::kShift;
  if (m & Qt::AltModifier) s |= TNyFileListBox::kAlt;
  if (m & Qt::ControlModifier) s |= TNyFileListBox::kCtrl;
  return s;
}

const QFileIconProvider& Icons() {
  static const QFileIconProvider provider;
  return provider;
}

QIcon ThemeOr(const char* name, QAbstractFileIconProvider::IconType fallback) {
  QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
  return icon.isNull() ? Icons().icon(fallback) : icon;
}

}  // namespace

TNyFileListWidget::TNyFileListWidget(TNyFileListBox& list, QWidget* parent)
    : QListWidget(parent), list_(list) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setUniformItemSizes(true);
  setIconSize(QSize(16, 16));
  setFlow(QListView::TopToBottom);
  setResizeMode(QListView::Adjust);
  list_.SetView(this);
  list_.OnChange = [this] { Render(); };
  connect(this, &QListWidget::itemSelectionChanged, this, [this] {
    if (rendering_) return;
    for (int i = 0; i < count() && i < list_.Count(); ++i) list_.SetSelected(i, item(i)->isSelected());
  });
  connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!rendering_) list_.SetItemIndex(row);
  });
  // A list never read is read now that it is shown.
  if (list_.FillCount() == 0) {
    list_.FillList();
  } else {
    Render();
  }
}

TNyFileListWidget::~TNyFileListWidget() {
  list_.OnChange = nullptr;
  list_.SetView(nullptr);
}

QIcon TNyFileListWidget::IconOf(int index) const {
  const TNyFileItem& item = list_.Items()[static_cast<size_t>(index)];
  switch (item.Kind) {
    case 'R':
      return ThemeOr("folder-open", QAbstractFileIconProvider::Folder);
    case 'D':
      switch (item.Drive) {
        case TDriveType::dtRemote:
          return Icons().icon(QAbstractFileIconProvider::Network);
        case TDriveType::dtCDROM:
          return ThemeOr("media-optical", QAbstractFileIconProvider::Drive);
        case TDriveType::dtRemovable:
          return ThemeOr("drive-removable-media", QAbstractFileIconProvider::Drive);
        default:
          return Icons().icon(QAbstractFileIconProvider::Drive);
      }
    default:
      return Icons().icon(QFileInfo(Q(list_.FullPath(index))));
  }
}

void TNyFileListWidget::Render() {
  rendering_ = true;
  if (shownFill_ != list_.FillCount() || count() != list_.Count()) {
    shownFill_ = list_.FillCount();
    clear();
    for (int i = 0; i < list_.Count(); ++i) {
      // Entry texts are shown as they are: an ampersand is no accelerator here.
      auto* it = new QListWidgetItem(Q(list_.Items()[static_cast<size_t>(i)].Text), this);
      if (list_.DisplayIcons()) it->setIcon(IconOf(i));
    }
  }
  for (int i = 0; i < count(); ++i) item(i)->setSelected(list_.Items()[static_cast<size_t>(i)].Selected);
  if (list_.ItemIndex() >= 0) {
    setCurrentRow(list_.ItemIndex(), QItemSelectionModel::NoUpdate);
    scrollToItem(item(list_.ItemIndex()));
  } else {
    setCurrentRow(-1, QItemSelectionModel::NoUpdate);
  }
  ApplyColumns();
  rendering_ = false;
}

void TNyFileListWidget::ApplyColumns() {
  const int columns = list_.Columns();
  if (columns <= 0) {
    setWrapping(false);
    setGridSize(QSize());
    return;
  }
  setWrapping(true);
  const int height = qMax(fontMetrics().height(), iconSize().height()) + 4;
  setGridSize(QSize(qMax(40, viewport()->width() / columns), height));
}

void TNyFileListWidget::keyPressEvent(QKeyEvent* event) {
  uint16_t key = ListKey(event->key());
  if (key != 0) {
    list_.KeyDown(key, ShiftOf(event->modifiers()));
    if (key == 0) {
      event->accept();
      return;
    }
  }
  QListWidget::keyPressEvent(event);
}

void TNyFileListWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  QListWidget::mouseDoubleClickEvent(event);
  const QModelIndex index = indexAt(event->position().toPoint());
  if (!index.isValid()) return;
  list_.SetItemIndex(index.row());
  list_.DblClick();
}

void TNyFileListWidget::resizeEvent(QResizeEvent* event) {
  QListWidget::resizeEvent(event);
  if (list_.Columns() > 0) ApplyColumns();
}

std::optional<std::string> TNyFileListWidget::InputQuery(const std::string& caption,
                                                         const std::string& prompt,
                                                         const std::string& value) {
  bool ok = false;
  const QString text =
      QInputDialog::getText(this, Q(caption), Q(prompt), QLineEdit::Normal, Q(value), &ok);
  if (!ok) return std::nullopt;
  return text.toStdString();
}

bool TNyFileListWidget::AskYesNo(const std::string& caption, const std::string& text) {
  return QMessageBox::question(this, Q(caption), Q(text), QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

void TNyFileListWidget::Beep() {
  QApplication::beep();
}

}  // namespace ny
