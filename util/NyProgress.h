// Progress of a batch the user may stop: a window that shows how many items of the batch are
// done and the name of the item at hand, with a Cancel button.
//
// The batch runs on the window's own thread. Each update lets the pending window events run,
// so the window repaints and a click on Cancel arrives; the batch asks after each item
// whether to go on, so Cancel stops after the item at hand and what is done stays done.
#pragma once

#include <string>

namespace ny {

// What a progress window does; util/qt/NyProgressDialog.h is the Qt one.
class TNyProgressView {
 public:
  virtual ~TNyProgressView() = default;
  // Shows the window titled `caption` for a batch of `total` items, none done, Cancel not
  // pressed.
  virtual void ProgressShow(const std::string& caption, int total) = 0;
  // Shows `done` items of `total` done and `current`, the item at hand ("" when none), then
  // lets the pending window events run.
  virtual void ProgressUpdate(int done, int total, const std::string& current) = 0;
  // True once Cancel was pressed since ProgressShow.
  virtual bool ProgressCancelled() = 0;
  // Hides the window.
  virtual void ProgressHide() = 0;
};

// One batch under a progress window: shown when made, hidden when the object goes, on every
// way out. With a null view nothing is shown and the batch never stops.
class TNyProgress {
 public:
  TNyProgress(TNyProgressView* view, const std::string& caption, int total);
  ~TNyProgress();
  TNyProgress(const TNyProgress&) = delete;
  TNyProgress& operator=(const TNyProgress&) = delete;

  // Before an item: shows the count so far and `name`.
  void Begin(const std::string& name);
  // After the item: counts it done and shows the count. False when Cancel was pressed: the
  // batch should stop here.
  bool End();
  int Done() const { return done_; }
  int Total() const { return total_; }

 private:
  TNyProgressView* view_;
  int total_;
  int done_ = 0;
};

}  // namespace ny
