// The list-of-values dialog on screen, over the settings of a TNyLovD (util/NyLovD.h).
//
// Caption "Выберите", 300 by 280 pixels (or the size and place the component kept), centred,
// only the close button in its title bar. A panel along the top, 21 pixels high, with the
// caption "  Поиск" and the search field `Find` (44 pixels from the left, 245 wide, not a
// tab stop); the read-only grid `DBGrid` of the record set's ShowField (one column, no
// titles, no row numbers); the memo `DBMemo` along the bottom, 0 pixels high.
//
// Typing in Find selects the first row whose text starts with the search text (letter case
// ignored). A double click or Enter in the grid makes that row the record set's current one
// and closes the dialog with OK; Esc closes it as cancelled. With StorySize the dialog's size
// and place go back into the component when it closes.
#pragma once

#include <QDialog>
#include <vector>

#include "sqlite/NyDataSet.h"
#include "util/NyLovD.h"

class QLineEdit;
class QPlainTextEdit;
class QStandardItemModel;
class QTableView;

namespace ny {

class TNyLovFrm : public QDialog {
  Q_OBJECT
 public:
  // Lists the rows of lov.DataSet() (none when it has none or is closed). `lov` must outlive
  // the dialog.
  explicit TNyLovFrm(TNyLovD& lov, QWidget* parent = nullptr);

  QLineEdit* Find() const { return find_; }
  QTableView* Grid() const { return grid_; }
  QPlainTextEdit* Memo() const { return memo_; }

  // Handlers of the form's controls.
  void FindChange(const QString& text);
  void DBGridDblClick();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void done(int result) override;

 private:
  TNyLovD& lov_;
  QLineEdit* find_ = nullptr;
  QTableView* grid_ = nullptr;
  QPlainTextEdit* memo_ = nullptr;
  QStandardItemModel* model_ = nullptr;
  std::vector<TBookmark> rows_;
};

}  // namespace ny
