// The progress window of a batch (util/NyProgress.h) on screen: a window-modal QProgressDialog
// with the count done of the batch, the name of the item at hand and a Cancel button.
#pragma once

#include <QPointer>
#include <QProgressDialog>
#include <string>

#include "util/NyProgress.h"

class QWidget;

namespace ny {

class TNyProgressDialog : public TNyProgressView {
 public:
  // The window opens over `parent` (may be null) at ProgressShow.
  explicit TNyProgressDialog(QWidget* parent) : parent_(parent) {}
  ~TNyProgressDialog() override;
  TNyProgressDialog(const TNyProgressDialog&) = delete;
  TNyProgressDialog& operator=(const TNyProgressDialog&) = delete;

  // The window while shown; null otherwise.
  QProgressDialog* Dialog() const { return dialog_; }

  // TNyProgressView. The label reads "<done> / <total>" and, on the next line, the item at
  // hand; each update and each question lets the pending window events run.
  void ProgressShow(const std::string& caption, int total) override;
  void ProgressUpdate(int done, int total, const std::string& current) override;
  bool ProgressCancelled() override;
  void ProgressHide() override;

 private:
  QPointer<QWidget> parent_;
  QPointer<QProgressDialog> dialog_;
};

}  // namespace ny
