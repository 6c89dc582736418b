// Data sources and data links: how bound views learn what changed in a record set.
//
// A view (a grid model, an edit, a detail record set following its master) owns a
// TNyDataLink subclass and points it at a TNyDataSource; the source points at a TNyDataSet.
// The record set's DataEvent goes to each of its sources, and each source passes it on to
// its links, which turn it into the virtual calls below. While the record set's controls are
// disabled, nothing arrives (see TNyDataSet::DisableControls).
//
// Lifetimes: any of the three may go first. A source that goes detaches its links (their
// DataSource() becomes null) and leaves its record set; a record set that goes detaches its
// sources (their DataSet() becomes null, their links turn inactive).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sqlite/NyDataSet.h"

namespace ny {

class TNyDataLink;

class TNyDataSource {
 public:
  TNyDataSource() = default;
  explicit TNyDataSource(TNyDataSet* dataSet) { SetDataSet(dataSet); }
  ~TNyDataSource();
  TNyDataSource(const TNyDataSource&) = delete;
  TNyDataSource& operator=(const TNyDataSource&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(const std::string& v) { name_ = v; }

  TNyDataSet* DataSet() const { return dataSet_; }
  // Re-points the source; the links see the new record set's state (ActiveChanged when
  // that differs). Pointing at a record set that follows this source (a loop) throws
  // EDatabaseError "Circular datalinks are not allowed".
  void SetDataSet(TNyDataSet* dataSet);
  // A disabled source passes nothing on and reads as inactive.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  // The record set's state, dsInactive without one or when disabled.
  TDataSetState State() const { return state_; }

  // OnStateChange: after every state change. OnDataChange: after field, record, data-set,
  // scroll and layout events (the field for deFieldChange, else null), and when the state
  // leaves dsInactive. OnUpdateData: on deUpdateRecord, after the links.
  std::function<void(TNyDataSource&)> OnStateChange;
  std::function<void(TNyDataSource&, TNyField*)> OnDataChange;
  std::function<void(TNyDataSource&)> OnUpdateData;

  const std::vector<TNyDataLink*>& DataLinks() const { return links_; }

 private:
  friend class TNyDataSet;
  friend class TNyDataLink;
  void DataEvent(TDataEvent event, intptr_t info);
  void UpdateState();
  void DataSetGone();

  std::string name_;
  TNyDataSet* dataSet_ = nullptr;
  bool enabled_ = true;
  TDataSetState state_ = TDataSetState::dsInactive;
  std::vector<TNyDataLink*> links_;
};

// Base of every view's link. Override what the view needs; each default does nothing except
// as noted. Calls arrive only while the link is Active(), except ActiveChanged and
// EditingChanged, which report the changes of Active() and Editing() themselves.
class TNyDataLink {
 public:
  TNyDataLink() = default;
  virtual ~TNyDataLink();
  TNyDataLink(const TNyDataLink&) = delete;
  TNyDataLink& operator=(const TNyDataLink&) = delete;

  TNyDataSource* DataSource() const { return source_; }
  void SetDataSource(TNyDataSource* source);
  // The source's record set, or null.
  TNyDataSet* DataSet() const { return source_ ? source_->DataSet() : nullptr; }
  // The source has an open record set.
  bool Active() const { return active_; }
  // The record set is in edit or insert.
  bool Editing() const { return editing_; }

 protected:
  virtual void ActiveChanged() {}
  virtual void EditingChanged() {}
  // Records changed or were re-read. Default: RecordChanged(nullptr).
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  // The cursor moved by `distance` records. Default: DataSetChanged().
  virtual void DataSetScrolled(int distance) {
    (void)distance;
    DataSetChanged();
  }
  // The field list changed. Default: DataSetChanged().
  virtual void LayoutChanged() { DataSetChanged(); }
  // `field` (null: the whole record) of the current record changed. Not called while this
  // link's own UpdateData runs.
  virtual void RecordChanged(TNyField* field) { (void)field; }
  // Write pending input into the fields (before a post).
  virtual void UpdateData() {}
  // The record set is about to leave edit or insert.
  virtual void CheckBrowseMode() {}

 private:
  friend class TNyDataSource;
  void DataEvent(TDataEvent event, intptr_t info);
  void UpdateState();

  TNyDataSource* source_ = nullptr;
  bool active_ = false;
  bool editing_ = false;
  bool updating_ = false;
};

}  // namespace ny
