// The list-of-values component: the settings of a pick-list dialog over a record set (a
// search field, a read-only grid of one field, a memo). The dialog itself is TNyLovFrm
// (util/qt/NyLovFrm.h); no command of the program opens it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sqlite/NyDataSource.h"

namespace ny {

// Base of the objects a TListVar owns.
class TNyObject {
 public:
  virtual ~TNyObject() = default;
};

// A list that owns its objects: Clear (and the destructor) destroys every object it holds,
// then empties the list.
class TListVar {
 public:
  TListVar() = default;
  ~TListVar() { Clear(); }
  TListVar(const TListVar&) = delete;
  TListVar& operator=(const TListVar&) = delete;

  void Add(std::unique_ptr<TNyObject> object) { items_.push_back(std::move(object)); }
  size_t Count() const { return items_.size(); }
  // Object number `i`; null when out of range.
  TNyObject* Item(size_t i) const { return i < items_.size() ? items_[i].get() : nullptr; }
  void Clear() { items_.clear(); }

 private:
  std::vector<std::unique_ptr<TNyObject>> items_;
};

class TNyLovD {
 public:
  // DataSet none, ShowField empty, the sizes 0, StorySize true, the object list empty.
  TNyLovD() = default;
  TNyLovD(const TNyLovD&) = delete;
  TNyLovD& operator=(const TNyLovD&) = delete;

  // The record set the dialog lists; null when none. When that record set is destroyed the
  // reference is cleared (it is followed through a data source).
  TNyDataSet* DataSet() const { return source_.DataSet(); }
  void SetDataSet(TNyDataSet* dataSet) { source_.SetDataSet(dataSet); }

  // The field the grid shows: stored upper-cased (Unicode case mapping) and cut to 255
  // characters; a value equal to the stored one changes nothing.
  const std::string& ShowField() const { return showField_; }
  void SetShowField(std::string_view value);

  int16_t Width() const { return width_; }
  void SetWidth(int16_t v) { width_ = v; }
  int16_t Height() const { return height_; }
  void SetHeight(int16_t v) { height_ = v; }
  int16_t PosLeft() const { return posLeft_; }
  void SetPosLeft(int16_t v) { posLeft_ = v; }
  int16_t PosTop() const { return posTop_; }
  void SetPosTop(int16_t v) { posTop_ = v; }
  // Whether the dialog keeps its size and place in Width, Height, PosLeft and PosTop when it
  // closes and opens with them again.
  bool StorySize() const { return storySize_; }
  void SetStorySize(bool v) { storySize_ = v; }

  TListVar& List() { return list_; }
  // How many times ShowField really changed (a new value stored).
  int ShowFieldChanges() const { return showFieldChanges_; }

 private:
  TNyDataSource source_;
  std::string showField_;
  int16_t width_ = 0, height_ = 0, posLeft_ = 0, posTop_ = 0;
  bool storySize_ = true;
  TListVar list_;
  int showFieldChanges_ = 0;
};

}  // namespace ny
