// The file list box on screen: a QListWidget that shows a TNyFileListBox (util/NyFileListBox.h)
// and forwards the user's keys, double clicks and selection to it.
//
// Each entry is drawn with the desktop theme's icon of its file, folder or drive
// (QFileIconProvider) when DisplayIcons is set; the up entry shows the open-folder icon. The
// widget follows the list's changes (OnChange) and answers its questions (TNyFileListView)
// with an input box and a Yes/No message box. Columns 1..4 lay the entries out in that many
// columns, scrolling sideways; 0 shows one column.
#pragma once

#include <QListWidget>
#include <optional>
#include <string>

#include "util/NyFileListBox.h"

namespace ny {

class TNyFileListWidget : public QListWidget, public TNyFileListView {
  Q_OBJECT
 public:
  // Shows `list` from now on (reading it first when it was never read): takes its OnChange
  // and becomes its view. `list` must outlive the widget; the widget gives both back when it
  // goes.
  explicit TNyFileListWidget(TNyFileListBox& list, QWidget* parent = nullptr);
  ~TNyFileListWidget() override;

  TNyFileListBox& List() { return list_; }

  // TNyFileListView
  std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                        const std::string& value) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  void Beep() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Shows the list's entries (again when they were rebuilt), its selection and its layout.
  void Render();
  void ApplyColumns();
  QIcon IconOf(int index) const;

  TNyFileListBox& list_;
  int shownFill_ = -1;
  bool rendering_ = false;
};

}  // namespace ny
