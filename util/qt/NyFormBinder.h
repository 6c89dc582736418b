// Shows a form model (util/NyComponent.h) in Qt widgets and keeps them following it.
//
// Each bound widget shows the properties of the component of the same name:
//   the form's widget    window title from "Caption"
//   QLabel               "Caption" (with a buddy, "&x" makes Alt+x focus the buddy)
//   QAbstractButton      "Caption" as text, and "Checked" for a check box
//   QGroupBox            "Caption" as title
//   QLineEdit            "Text"
//   QComboBox            "Items" and "ItemIndex"
//   QStackedWidget       "ActivePage": the page whose objectName is that name
//   QTableView           "Columns": title, width, visibility of each column; a view without a
//                        model gets an empty QStandardItemModel with those columns
// and every widget "Hint" as its tool tip. Rendering never emits the widgets' user signals
// (clicked, activated, textEdited); the one thing the binder writes back is a column width
// that the user drags, so that the model always holds the widths on screen.
#pragma once

#include <QPointer>
#include <QWidget>
#include <map>
#include <string>

#include "util/NyComponent.h"

class QTableView;

namespace ny {

class TNyFormBinder {
 public:
  TNyFormBinder() = default;
  ~TNyFormBinder();
  TNyFormBinder(const TNyFormBinder&) = delete;
  TNyFormBinder& operator=(const TNyFormBinder&) = delete;

  // Shows component `name` in `widget` (bind before Attach). The widget's objectName becomes
  // the component name.
  void Bind(const std::string& name, QWidget* widget);
  // Renders every bound component of `form` and follows its changes from now on (the binder
  // takes the form's OnChange). `form` must outlive the binder or be detached first.
  void Attach(TNyComponent& form);
  // Stops following the form.
  void Detach();

  // The widget bound to a component name; null when there is none.
  QWidget* Widget(const std::string& name) const;

 private:
  void Render(TNyComponent& c);
  void RenderGrid(TNyComponent& c, QTableView* view);

  TNyComponent* form_ = nullptr;
  std::map<std::string, QPointer<QWidget>> widgets_;
  bool rendering_ = false;
};

}  // namespace ny
