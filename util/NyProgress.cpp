#include "util/NyProgress.h"

namespace ny {

TNyProgress::TNyProgress(TNyProgressView* view, const std::string& caption, int total)
    : view_(view), total_(total < 0 ? 0 : total) {
  if (view_ == nullptr) return;
  view_->ProgressShow(caption, total_);
  view_->ProgressUpdate(0, total_, "");
}

TNyProgress::~TNyProgress() {
  if (view_ != nullptr) view_->ProgressHide();
}

void TNyProgress::Begin(const std::string& name) {
  if (view_ != nullptr) view_->ProgressUpdate(done_, total_, name);
}

bool TNyProgress::End() {
  if (done_ < total_) ++done_;
  if (view_ == nullptr) return true;
  view_->ProgressUpdate(done_, total_, "");
  return !view_->ProgressCancelled();
}

}  // namespace ny
