// What the main window's logic (app/Form1.h) asks of its window.
//
// Texts, the shown page, check box states, the language list and grid column widths live in
// the form model (app/Form1Model.h); a view renders the model and follows its changes, so
// none of those appear here. This interface holds the rest: focus, the busy cursor, message
// boxes, the file-open and font dialogs, the viewer font and closing the window.
//
// The Qt window (app/qt/MainWindow.h) is the real view; tests use a recording fake.
#pragma once

#include <optional>
#include <string>

namespace ny {

// The internal viewer's font: face name, point size, character-set number (0..255; 1 is the
// default character set).
struct TViewerFont {
  std::string Name;
  int Size = 10;
  int Charset = 1;
  bool operator==(const TViewerFont&) const = default;
};

// A file-open dialog: title, initial directory, filter ("Library Files (*.SQB)|*.SQB|All
// Files (*.*)|*.*": pairs of description and patterns separated by '|', patterns by ';',
// matched without regard to letter case, "*.*" meaning every file), default extension
// without the dot.
struct TOpenDialogRequest {
  std::string Title;
  std::string InitialDir;
  std::string Filter;
  std::string DefaultExt;
  bool FileMustExist = true;  // false: a new file's name may be typed
};

class TForm1View {
 public:
  virtual ~TForm1View() = default;

  // Gives the keyboard focus to the control of that component name (a name the view does not
  // show is ignored).
  virtual void SetFocus(const std::string& control) = 0;
  // Moves the focus to the control after the focused one, once the running handler returns.
  virtual void FocusNext() = 0;
  // Shows the busy cursor (true) or the normal one (false). Calls are balanced by TBusyCursor.
  virtual void SetBusy(bool busy) = 0;
  // A modal message box with an OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  // A modal question with Yes and No buttons; true for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
  // Runs a file-open dialog. The chosen file's full path, or nothing when cancelled.
  virtual std::optional<std::string> RunOpenDialog(const TOpenDialogRequest& request) = 0;
  // Runs a font dialog starting at `font`. On OK, stores the chosen face, size and character
  // set into `font` and returns true; on cancel returns false and leaves `font` alone.
  virtual bool RunFontDialog(TViewerFont& font) = 0;
  // Gives the internal text viewer that font.
  virtual void SetViewerFont(const TViewerFont& font) = 0;
  // Lets the window handle the events that are waiting (repaints, a click on Cancel) in the
  // middle of a long operation.
  virtual void ProcessMessages() = 0;
  // The standard beep.
  virtual void Beep() = 0;
  // Closes the window; the program ends once the window is gone.
  virtual void Close() = 0;
  // Loads the file at `path` into the internal text viewer, replacing its whole text. Throws
  // ELoadStream ("Failed to Load Stream") when the file can be read neither as rich nor as
  // plain text. A view without a viewer only reads the file (app/Form1Document.cpp).
  virtual void LoadViewer(const std::string& path);
  // Hands `file` to the desktop's program for its type, without waiting; failures are not
  // reported. By default through the program runner's ShellOpen (xdg-open).
  virtual void ShellOpen(const std::string& file);
};

// Shows the busy cursor for the life of the object, on every way out.
class TBusyCursor {
 public:
  explicit TBusyCursor(TForm1View& view) : view_(view) { view_.SetBusy(true); }
  ~TBusyCursor() { view_.SetBusy(false); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;

 private:
  TForm1View& view_;
};

}  // namespace ny
