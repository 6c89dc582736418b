#include "app/qt/NyDataSetModel.h"

#include <QColor>

#include "app/Form1.h"
#include "app/LibText.h"
#include "app/qt/VellumApplication.h"
#include "sqlite/NyDataSource.h"

namespace ny {

class TNyDataSetModel::TLink : public TNyDataLink {
 public:
  explicit TLink(TNyDataSetModel& m) : m_(m) {}

 protected:
  void ActiveChanged() override { m_.Refresh(); }
  void EditingChanged() override { m_.Refresh(); }
  void DataSetChanged() override { m_.Refresh(); }
  void LayoutChanged() override { m_.Refresh(); }
  void DataSetScrolled(int) override { emit m_.CurrentRowMoved(m_.CurrentRow()); }
  void RecordChanged(TNyField*) override {
    const int row = m_.CurrentRow();
    if (row >= 0 && row < m_.rows_) {
      emit m_.dataChanged(m_.index(row, 0), m_.index(row, m_.columnCount() - 1));
    }
  }

 private:
  TNyDataSetModel& m_;
};

TNyDataSetModel::TNyDataSetModel(TForm1& form, std::string grid, TNyDataSource& source,
                                 QObject* parent)
    : QAbstractTableModel(parent), form_(form), grid_(std::move(grid)), ds_(source.DataSet()) {
  link_ = std::make_unique<TLink>(*this);
  link_->SetDataSource(&source);
  Refresh();
}

TNyDataSetModel::~TNyDataSetModel() = default;

int TNyDataSetModel::CurrentRow() const {
  if (ds_ == nullptr || !ds_->Active()) return -1;
  if (ds_->State() == TDataSetState::dsInsert) return ds_->RecordCount();
  if (ds_->IsEmpty()) return -1;
  return ds_->RecNo() - 1;
}

void TNyDataSetModel::Refresh() {
  int rows = 0;
  if (ds_ != nullptr && ds_->Active()) {
    rows = ds_->RecordCount() + (ds_->State() == TDataSetState::dsInsert ? 1 : 0);
  }
  if (rows != rows_) {
    beginResetModel();
    rows_ = rows;
    endResetModel();
  } else if (rows_ > 0) {
    emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
  }
  emit CurrentRowMoved(CurrentRow());
}

int TNyDataSetModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int TNyDataSetModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  TNyComponent* g = form_.Model().Find(grid_);
  return g != nullptr ? static_cast<int>(g->Columns("Columns").size()) : 0;
}

QString TNyDataSetModel::CellText(int row, int column) const {
  if (ds_ == nullptr || !ds_->Active()) return {};
  const std::vector<TNyColumn>& columns = form_.Model().Get(grid_).Columns("Columns");
  if (column < 0 || static_cast<size_t>(column) >= columns.size()) return {};
  TNyField* f = ds_->FindField(columns[static_cast<size_t>(column)].FieldName);
  if (f == nullptr) return {};
  const bool editing =
      ds_->State() == TDataSetState::dsEdit || ds_->State() == TDataSetState::dsInsert;
  if (editing && row == CurrentRow()) return QString::fromStdString(LibText(f->DisplayText()));
  TNyRecordPeek peek(*ds_, row);
  if (!peek.Found()) return {};
  return QString::fromStdString(LibText(f->DisplayText()));
}

QVariant TNyDataSetModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_) return {};
  if (role == Qt::DisplayRole || role == Qt::EditRole) return CellText(index.row(), index.column());
  if (role == Qt::ForegroundRole && grid_ == "DBGrid") {
    bool red = false;
    try {
      red = index.row() < ds_->RecordCount() && form_.DBGridDrawColumnCell(index.row());
    } catch (const std::exception&) {
      red = false;  // a paint never raises; the next command shows what is wrong
    }
    if (red) return QColor(255, 0, 0);
  }
  return {};
}

bool TNyDataSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole) return false;
  bool ok = false;
  Guarded<>([&] {
    form_.GridSetCell(grid_, index.row(), index.column(), value.toString().toStdString());
    ok = true;
  })();
  if (ok) emit dataChanged(index, index);
  return ok;
}

Qt::ItemFlags TNyDataSetModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (form_.GridColumnEditable(grid_, index.column())) f |= Qt::ItemIsEditable;
  return f;
}

QVariant TNyDataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return {};
  TNyComponent* g = form_.Model().Find(grid_);
  if (g == nullptr) return {};
  const std::vector<TNyColumn>& columns = g->Columns("Columns");
  if (section < 0 || static_cast<size_t>(section) >= columns.size()) return {};
  return QString::fromStdString(columns[static_cast<size_t>(section)].Title);
}

bool TNyDataSetModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant&,
                                    int) {
  if (orientation != Qt::Horizontal) return false;
  emit headerDataChanged(orientation, section, section);
  return true;
}

}  // namespace ny
