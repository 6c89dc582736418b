// The library's part of the main window on screen: the document grid, the comment memo, the
// subjects and archivers grids, the search box and the library buttons, bound to the record
// sets of TForm1 and forwarding the user's actions to its handlers.
//
// Made by the main window after its controls exist and before the form model is attached
// (the grids get their models here); destroyed before the form.
#pragma once

#include <QObject>
#include <memory>
#include <string>
#include <vector>

class QKeyEvent;
class QPlainTextEdit;
class QTableView;

namespace ny {

class MainWindow;
class TForm1;
class TNyDataSetModel;
class TNyProgressDialog;

class TLibraryViews : public QObject {
  Q_OBJECT
 public:
  TLibraryViews(MainWindow& window, TForm1& form);
  ~TLibraryViews() override;

  // The model of grid `grid` (kDocGrid, kSubjectGrid, kArchiverGrid); null for another.
  TNyDataSetModel* Model(const std::string& grid) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class TMemoLink;
  void BindGrid(const std::string& name);
  bool GridKey(QTableView* view, const std::string& grid, QKeyEvent* key);
  void ShowCurrentRow(QTableView* view, int row);

  MainWindow& window_;
  TForm1& form_;
  std::vector<std::pair<QTableView*, TNyDataSetModel*>> grids_;
  QPlainTextEdit* memo_ = nullptr;
  TMemoLink* memoLink_ = nullptr;
  bool syncing_ = false;
  std::unique_ptr<TNyProgressDialog> walkProgress_;  // the progress of Statistics and Check  // the view's current row is being set from the record set
};

}  // namespace ny
