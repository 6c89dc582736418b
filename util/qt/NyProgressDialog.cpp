#include "util/qt/NyProgressDialog.h"

#include <QCoreApplication>

namespace ny {

TNyProgressDialog::~TNyProgressDialog() {
  ProgressHide();
}

void TNyProgressDialog::ProgressShow(const std::string& caption, int total) {
  ProgressHide();
  dialog_ = new QProgressDialog(parent_);
  dialog_->setObjectName(QStringLiteral("Progress"));
  dialog_->setWindowTitle(QString::fromStdString(caption));
  dialog_->setWindowModality(Qt::WindowModal);
  dialog_->setAutoClose(false);
  dialog_->setAutoReset(false);
  dialog_->setMinimumDuration(0);
  dialog_->setRange(0, total > 0 ? total : 1);
  dialog_->setValue(0);
  dialog_->show();
  QCoreApplication::processEvents();
}

void TNyProgressDialog::ProgressUpdate(int done, int total, const std::string& current) {
  if (!dialog_) return;
  dialog_->setLabelText(QStringLiteral("%1 / %2\n%3").arg(done).arg(total).arg(
      QString::fromStdString(current)));
  dialog_->setValue(done);
  QCoreApplication::processEvents();
}

bool TNyProgressDialog::ProgressCancelled() {
  if (!dialog_) return false;
  QCoreApplication::processEvents();
  return dialog_ && dialog_->wasCanceled();
}

void TNyProgressDialog::ProgressHide() {
  if (!dialog_) return;
  dialog_->hide();
  delete dialog_.data();
  dialog_ = nullptr;
}

}  // namespace ny
