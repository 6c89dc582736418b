// The subject grid's rows: a thin table model over the main window's subject record set.
//
// One row per record, one column per field name given (the grid's columns); the record set
// stays the owner of the rows and of the current row. Cells are read through TNyRecordPeek,
// so painting never moves the cursor. The model follows the record set through a data link:
// a re-read or changed set resets the model, a move of the cursor emits CurrentMoved.
#pragma once

#include <QAbstractTableModel>
#include <memory>
#include <string>
#include <vector>

#include "sqlite/NyDataSet.h"
#include "sqlite/NyDataSource.h"

namespace ny {

class TSubjectListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // `dataSet` may be null or closed (no rows); it must outlive the model.
  TSubjectListModel(TNyDataSet* dataSet, std::vector<std::string> fields,
                    QObject* parent = nullptr);
  ~TSubjectListModel() override;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  // The field's text of that record (Qt::DisplayRole only).
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  // Column titles as set with setHeaderData; the field name until then. Rows are unnumbered.
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                     int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The 0-based row of the record set's current record; -1 when there is none.
  int CurrentRow() const;

 signals:
  // The record set's cursor moved (to CurrentRow()).
  void CurrentMoved();

 private:
  class TLink;
  TNyDataSet* dataSet_;
  std::vector<std::string> fields_;
  std::vector<QString> titles_;
  TNyDataSource source_;
  std::unique_ptr<TLink> link_;
  bool dying_ = false;
};

}  // namespace ny
