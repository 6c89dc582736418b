// What the selection dialogs of intake (intake/IntakeDialog.h) ask of their window.
//
// Texts and the state shown (captions, hints, the mask list, the check box) live in the
// dialog's form model, the entries in its file list (util/NyFileListBox.h), the subjects in
// the main window's subject record set; a view renders those and forwards the user's actions
// to the dialog's handlers. This interface holds the rest.
//
// The Qt dialog (intake/qt/IntakeDialog.h) is the real view; tests use a recording fake.
#pragma once

#include <string>

#include "util/NyProgress.h"

namespace ny {

class TfIntake;

// The two colours a control of the dialogs takes: the window colour, and the tooltip
// background while it has the focus.
enum class TNyColor { clWindow, clInfoBk };

class TIntakeView {
 public:
  virtual ~TIntakeView() = default;
  // Shows the dialog modally and returns when it closed. Meanwhile the view shows `dialog`'s
  // form model, file list and subjects and forwards the user's actions to its handlers.
  virtual void ShowModal(TfIntake& dialog) = 0;
  // Closes the dialog (ShowModal returns).
  virtual void Close() = 0;
  // Moves the focus to the control after the focused one, once the running handler returns.
  virtual void FocusNext() = 0;
  // Gives the control of that component name the colour.
  virtual void SetColor(const std::string& control, TNyColor color) = 0;
  // The progress window for a batch of Execute; null: none is shown.
  virtual TNyProgressView* Progress() = 0;
};

}  // namespace ny
