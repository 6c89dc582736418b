#include "intake/qt/SubjectListModel.h"

namespace ny {

class TSubjectListModel::TLink : public TNyDataLink {
 public:
  explicit TLink(TSubjectListModel& model) : model_(model) {}

 protected:
  void ActiveChanged() override { Reset(); }
  void DataSetChanged() override { Reset(); }
  void LayoutChanged() override { Reset(); }
  void DataSetScrolled(int) override {
    if (!model_.dying_) emit model_.CurrentMoved();
  }

 private:
  void Reset() {
    if (model_.dying_) return;
    model_.beginResetModel();
    model_.endResetModel();
    emit model_.CurrentMoved();
  }
  TSubjectListModel& model_;
};

TSubjectListModel::TSubjectListModel(TNyDataSet* dataSet, std::vector<std::string> fields,
                                     QObject* parent)
    : QAbstractTableModel(parent), dataSet_(dataSet), fields_(std::move(fields)) {
  for (const std::string& f : fields_) titles_.push_back(QString::fromStdString(f));
  link_ = std::make_unique<TLink>(*this);
  source_.SetDataSet(dataSet_);
  link_->SetDataSource(&source_);
}

TSubjectListModel::~TSubjectListModel() {
  // The views of the model may be half gone: the link's last news reaches nobody.
  dying_ = true;
  link_->SetDataSource(nullptr);
}

int TSubjectListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || dataSet_ == nullptr || !dataSet_->Active()) return 0;
  return dataSet_->RecordCount();
}

int TSubjectListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(fields_.size());
}

QVariant TSubjectListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || dataSet_ == nullptr || !dataSet_->Active()) {
    return {};
  }
  const TNyField* field = dataSet_->FindField(fields_[static_cast<size_t>(index.column())]);
  if (field == nullptr) return {};
  TNyRecordPeek peek(*dataSet_, index.row());
  if (!peek.Found()) return {};
  return QString::fromStdString(field->AsString());
}

QVariant TSubjectListModel::headerData(int section, Qt::Orientation orientation,
                                       int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= static_cast<int>(titles_.size())) {
    return {};
  }
  return titles_[static_cast<size_t>(section)];
}

bool TSubjectListModel::setHeaderData(int section, Qt::Orientation orientation,
                                      const QVariant& value, int role) {
  if (orientation != Qt::Horizontal || (role != Qt::EditRole && role != Qt::DisplayRole) ||
      section < 0 || section >= static_cast<int>(titles_.size())) {
    return false;
  }
  titles_[static_cast<size_t>(section)] = value.toString();
  emit headerDataChanged(orientation, section, section);
  return true;
}

Qt::ItemFlags TSubjectListModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

int TSubjectListModel::CurrentRow() const {
  if (dataSet_ == nullptr || !dataSet_->Active() || dataSet_->IsEmpty()) return -1;
  return dataSet_->RecNo() - 1;
}

}  // namespace ny
