#include "sqlite/NyDataSource.h"

#include <algorithm>

namespace ny {

namespace {

bool Contains(const std::vector<TNyDataLink*>& v, const TNyDataLink* l) {
  return std::find(v.begin(), v.end(), l) != v.end();
}

}  // namespace

// ---- TNyDataSource --------------------------------------------------------------------

TNyDataSource::~TNyDataSource() {
  std::vector<TNyDataLink*> links = links_;
  links_.clear();
  for (TNyDataLink* l : links) {
    l->source_ = nullptr;
    l->active_ = l->editing_ = false;
  }
  if (dataSet_) dataSet_->RemoveDataSource(this);
}

void TNyDataSource::SetDataSet(TNyDataSet* dataSet) {
  if (dataSet == dataSet_) return;
  // A record set that (through its masters) follows this very source would make a loop.
  const TNyDataSet* d = dataSet;
  for (int guard = 0; d && guard < 1000; ++guard) {
    const TNyDataSource* s = d->GetDataSource();
    if (!s) break;
    if (s == this) DatabaseError(dbmsg::CircularDataLink, name_);
    d = s->DataSet();
  }
  if (dataSet_) dataSet_->RemoveDataSource(this);
  dataSet_ = dataSet;
  if (dataSet_) dataSet_->AddDataSource(this);
  UpdateState();
}

void TNyDataSource::SetEnabled(bool v) {
  enabled_ = v;
  UpdateState();
}

void TNyDataSource::DataSetGone() {
  dataSet_ = nullptr;
  UpdateState();
}

void TNyDataSource::UpdateState() {
  TDataSetState s = enabled_ && dataSet_ ? dataSet_->State() : TDataSetState::dsInactive;
  if (s == state_) return;
  TDataSetState prior = state_;
  state_ = s;
  std::vector<TNyDataLink*> links = links_;
  for (TNyDataLink* l : links)
    if (Contains(links_, l)) l->DataEvent(TDataEvent::deUpdateState, 0);
  if (OnStateChange) OnStateChange(*this);
  if (prior == TDataSetState::dsInactive && OnDataChange) OnDataChange(*this, nullptr);
}

void TNyDataSource::DataEvent(TDataEvent event, intptr_t info) {
  if (event == TDataEvent::deUpdateState) return UpdateState();
  if (state_ == TDataSetState::dsInactive) return;
  std::vector<TNyDataLink*> links = links_;
  for (TNyDataLink* l : links)
    if (Contains(links_, l)) l->DataEvent(event, info);
  switch (event) {
    case TDataEvent::deFieldChange:
      if (OnDataChange) OnDataChange(*this, reinterpret_cast<TNyField*>(info));
      break;
    case TDataEvent::deRecordChange:
    case TDataEvent::deDataSetChange:
    case TDataEvent::deDataSetScroll:
    case TDataEvent::deLayoutChange:
      if (OnDataChange) OnDataChange(*this, nullptr);
      break;
    case TDataEvent::deUpdateRecord:
      if (OnUpdateData) OnUpdateData(*this);
      break;
    default:
      break;
  }
}

// ---- TNyDataLink ----------------------------------------------------------------------

TNyDataLink::~TNyDataLink() {
  if (source_) {
    auto& v = source_->links_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
}

void TNyDataLink::SetDataSource(TNyDataSource* source) {
  if (source == source_) return;
  if (source_) {
    auto& v = source_->links_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
  source_ = source;
  if (source_) source_->links_.push_back(this);
  UpdateState();
}

void TNyDataLink::UpdateState() {
  TDataSetState s = source_ ? source_->State() : TDataSetState::dsInactive;
  bool active = s != TDataSetState::dsInactive;
  if (active != active_) {
    active_ = active;
    ActiveChanged();
  }
  bool editing = s == TDataSetState::dsEdit || s == TDataSetState::dsInsert;
  if (editing != editing_) {
    editing_ = editing;
    EditingChanged();
  }
}

void TNyDataLink::DataEvent(TDataEvent event, intptr_t info) {
  if (event == TDataEvent::deUpdateState) return UpdateState();
  if (!active_) return;
  switch (event) {
    case TDataEvent::deFieldChange:
      if (!updating_) RecordChanged(reinterpret_cast<TNyField*>(info));
      break;
    case TDataEvent::deRecordChange:
      if (!updating_) RecordChanged(nullptr);
      break;
    case TDataEvent::deDataSetChange:
      DataSetChanged();
      break;
    case TDataEvent::deDataSetScroll:
      DataSetScrolled(static_cast<int>(info));
      break;
    case TDataEvent::deLayoutChange:
      LayoutChanged();
      break;
    case TDataEvent::deUpdateRecord: {
      updating_ = true;
      struct Reset {
        bool& b;
        ~Reset() { b = false; }
      } reset{updating_};
      UpdateData();
      break;
    }
    case TDataEvent::deCheckBrowseMode:
      CheckBrowseMode();
      break;
    default:
      break;
  }
}

}  // namespace ny
