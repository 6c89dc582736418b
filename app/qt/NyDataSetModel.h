// A record set shown in a QTableView: one thin QAbstractTableModel over a grid of the main
// window (its columns in the form model) and the record set behind it.
//
// The record set stays the one owner of the rows and of the current row. The model reads the
// stored rows through record peeks (the current row is not moved for painting), the row being
// edited or inserted from the record set's fields, every text through LibText; a new row made
// by Append shows after the last stored one. Edits go to TForm1::GridSetCell; a failure is
// shown in the error report and the cell keeps its old text. Rows of the document grid whose
// archive is missing are given a pure red foreground (TForm1::DBGridDrawColumnCell).
#pragma once

#include <QAbstractTableModel>
#include <memory>
#include <string>

namespace ny {

class TForm1;
class TNyDataSet;
class TNyDataSource;

class TNyDataSetModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // `grid` is the grid's component name (kDocGrid, kSubjectGrid, kArchiverGrid); `source` the
  // data source of its record set. Both must outlive the model.
  TNyDataSetModel(TForm1& form, std::string grid, TNyDataSource& source,
                  QObject* parent = nullptr);
  ~TNyDataSetModel() override;

  const std::string& Grid() const { return grid_; }
  // The 0-based row of the record set's current record (the new row while inserting); -1
  // when there is none.
  int CurrentRow() const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Column titles come from the form model; a title set here (by the form binder) only
  // tells the header to show them again.
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                     int role = Qt::EditRole) override;

 signals:
  // The record set's current row moved to `row` (0-based; -1: none).
  void CurrentRowMoved(int row);

 private:
  class TLink;
  void Refresh();
  QString CellText(int row, int column) const;

  TForm1& form_;
  std::string grid_;
  TNyDataSet* ds_ = nullptr;
  std::unique_ptr<TLink> link_;
  int rows_ = 0;
};

}  // namespace ny
