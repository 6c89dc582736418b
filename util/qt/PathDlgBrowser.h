// The folder chooser of TPathDlg (util/PathDlg.h) on screen: the toolkit's directory dialog
// (its own, not the desktop's, so that the status line and buttons can be added) with the
// title above the folder list, a status line showing the selected path, and the "Create"
// and "Delete" buttons in its lower left when asked for. Centred on the screen; owned by
// `parent` (the application's active window when null).
#pragma once

#include <QPointer>
#include <QWidget>

#include "util/PathDlg.h"

class QFileDialog;

namespace ny {

class TPathDlgBrowser : public TPathDlgView {
 public:
  explicit TPathDlgBrowser(QWidget* parent = nullptr) : parent_(parent) {}

  // The chooser while it is open; null otherwise.
  QFileDialog* Dialog() const { return dialog_; }

  TPathBrowseResult Browse(const TPathBrowseRequest& request, TPathDlg& dialog) override;
  void Select(const std::string& path) override;
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& initial) override;
  bool AskYesNo(const std::string& text) override;
  void ShowMessage(const std::string& text) override;

 private:
  QPointer<QWidget> parent_;
  QPointer<QFileDialog> dialog_;
};

}  // namespace ny
