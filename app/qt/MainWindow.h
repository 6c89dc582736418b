// The main window on screen: the Qt view of TForm1 (app/Form1.h).
//
// It lays out the three pages, shows the form model through TNyFormBinder, forwards the
// user's actions and the window-level keys to the logic, and serves the logic's requests
// (focus, busy cursor, message boxes, file and font dialogs). It holds no behaviour of its
// own.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <memory>
#include <string>

#include "app/Form1.h"
#include "app/Form1View.h"
#include "util/qt/NyFormBinder.h"

namespace ny {
class TNyAboutQt;
class TNyRichEdit;
}

class QKeyEvent;
class QStackedWidget;

namespace ny {

class TLibraryViews;

// The name filters of a file dialog for a filter of "description|patterns" pairs
// ("Library Files (*.SQB)|*.SQB|All Files (*.*)|*.*"; patterns separated by ';'): each pair
// becomes "description (patterns)", the description without parentheses of its own at the
// end, "*.*" as "*" (every file), and each pattern also in lower and upper case, so that it
// matches without regard to letter case. Pairs without a pattern are left out.
QStringList NameFilters(const std::string& filter);

class MainWindow : public QMainWindow, public TForm1View {
  Q_OBJECT
 public:
  // Builds the window and runs FormCreate. An error raised by the start-up is shown in the
  // error report; the window still comes up. `env` as for TForm1 (empty: the program's own
  // places).
  explicit MainWindow(TForm1Env env = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  TForm1& Form() { return *form_; }
  // The widget showing component `name`; null when there is none.
  QWidget* Control(const std::string& name) const { return binder_.Widget(name); }
  // The library's grids, memo and buttons.
  TLibraryViews& Library() { return *library_; }
  // The objectName of the page shown ("LST", "OPT", "TXT").
  QString ShownPage() const;

  // TForm1View
  void SetFocus(const std::string& control) override;
  void FocusNext() override;
  void SetBusy(bool busy) override;
  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  std::optional<std::string> RunOpenDialog(const TOpenDialogRequest& request) override;
  bool RunFontDialog(TViewerFont& font) override;
  void SetViewerFont(const TViewerFont& font) override;
  void ProcessMessages() override;
  void Beep() override;
  void Close() override;
  void LoadViewer(const std::string& path) override;

  // The internal viewer on page "TXT".
  TNyRichEdit* Viewer() const;
  // Keys of the viewer: its keypad keys (util/NyRichView.h ViewerKeyDown); true when consumed.
  bool RichEditKeyDown(QKeyEvent* key);

 protected:
  // Key preview: every key for a widget of this window comes here first.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // The window's own handling of a key before the focused control; true when consumed.
  bool PreviewKey(const QKeyEvent& key);
  QWidget* BuildListPage();
  QWidget* BuildOptionsPage();
  QWidget* BuildTextPage();
  template <class W>
  W* Make(const std::string& name);

  std::unique_ptr<TForm1> form_;
  std::unique_ptr<TNyAboutQt> aboutView_;
  TNyFormBinder binder_;
  TLibraryViews* library_ = nullptr;  // a child of the window, deleted before the form
  QStackedWidget* pages_ = nullptr;
  bool shown_ = false;
  bool destroyed_ = false;
};

}  // namespace ny
