// The folder selection dialog: lets the user pick a directory, optionally with buttons that
// create a subdirectory and delete an empty one. No command of the program opens it.
//
// TPathDlg keeps the settings and runs the dialog's steps; the directory chooser itself is
// the view's (TPathDlgView; the Qt chooser is util/qt/PathDlgBrowser.h). Paths are POSIX
// paths; the root "/" plays the part of a drive root.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ny {

// The folder at the top of the chooser's tree.
enum class TRootItem {
  riNone, riAltStartup, riAppData, riBitBucket, riCommon_altstartup,
  riCommon_desktopdirectory, riCommon_favorites, riCommon_programs, riCommon_startmenu,
  riCommon_startup, riControls, riCookies, riDesktop, riDesktopDirectory, riDrivers,
  riFavorites, riFonts, riHistory, riInternet, riInternet_cache, riNetHood, riNetwork,
  riPersonal, riPrinters, riPrintHood, riPrograms, riRecent, riSendto, riStartMenu,
  riStartup, riTemplates
};

// The directory a root item stands for on Linux, with a trailing '/': "/" for riNone,
// riDesktop and riDrivers (the whole file system), the home directory for riPersonal, the
// XDG user directories for riDesktopDirectory and riTemplates, ~/.local/share for riAppData,
// the trash's files for riBitBucket, ~/.config/autostart for riAltStartup and riStartup,
// /usr/share/applications for riPrograms and riCommon_programs, /usr/share/fonts for
// riFonts. "" for the items Linux has no folder for (printers, network, control panel, ...)
// and for a folder that does not exist.
std::string RootItemDir(TRootItem item);

// Chooser options.
enum TDCPathDialogFlag : unsigned {
  pdfBrowseForComputer = 1,
  pdfBrowseForPrinter = 2,
  pdfBrowseIncludeFiles = 4,  // files are listed beside the directories
  pdfDontGoBelowDomain = 8,
  pdfEditBox = 16,  // a field to type the name in
  pdfReturnfsAncestors = 32,
  pdfReturnOnlyFSDirs = 64,
  pdfValidate = 128,
};
using TDCPathDialogFlags = unsigned;

class TPathDlg;

// What the chooser is asked to show.
struct TPathBrowseRequest {
  std::string Title;      // shown above the folder tree
  std::string Root;       // RootItemDir of RootItem
  std::string Selection;  // the directory selected at the start
  TDCPathDialogFlags Flags = pdfReturnOnlyFSDirs;
  bool EnableNew = false;  // a "Create" button
  bool EnableDel = false;  // a "Delete" button
};

// How the chooser closed.
struct TPathBrowseResult {
  enum TKind { Chosen, Cancelled, CreateClicked, DeleteClicked } Kind = Cancelled;
  std::string Path;  // Chosen: the chosen folder
};

class TPathDlgView {
 public:
  virtual ~TPathDlgView() = default;
  // Shows the chooser modally. Once it is up it calls dialog.BrowserShown(); each change of
  // the selection calls dialog.SelectionChanged(path) and shows the path in its status line.
  virtual TPathBrowseResult Browse(const TPathBrowseRequest& request, TPathDlg& dialog) = 0;
  // Makes `path` the open chooser's selection.
  virtual void Select(const std::string& path) = 0;
  // A text question with an OK and a Cancel button; nothing when cancelled.
  virtual std::optional<std::string> InputBox(const std::string& caption,
                                              const std::string& prompt,
                                              const std::string& initial) = 0;
  // A question with Yes and No; true for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
  virtual void ShowMessage(const std::string& text) = 0;
};

class TPathDlg {
 public:
  // Title and Directory empty, RootItem riNone, Flags pdfReturnOnlyFSDirs, no extra
  // buttons, Tag 0. `view` must outlive the dialog.
  explicit TPathDlg(TPathDlgView& view) : view_(view) {}

  const std::string& Title() const { return title_; }
  void SetTitle(std::string v) { title_ = std::move(v); }
  // The starting selection; after a successful Execute the chosen directory with a trailing
  // '/'. Setting: a trailing '/' is dropped (not from "/" itself); "" becomes the process's
  // current directory. While the chooser is open the value is also selected in it.
  const std::string& Directory() const { return directory_; }
  void SetDirectory(std::string_view v);
  TRootItem RootItem() const { return rootItem_; }
  void SetRootItem(TRootItem v) { rootItem_ = v; }
  TDCPathDialogFlags Flags() const { return flags_; }
  void SetFlags(TDCPathDialogFlags v) { flags_ = v; }
  bool EnableNew() const { return enableNew_; }
  void SetEnableNew(bool v) { enableNew_ = v; }
  bool EnableDel() const { return enableDel_; }
  void SetEnableDel(bool v) { enableDel_ = v; }
  int Tag() const { return tag_; }
  void SetTag(int v) { tag_ = v; }

  // Fired once the chooser is up, and at each change of its selection.
  std::function<void(TPathDlg& sender)> OnShow;
  std::function<void(TPathDlg& sender, const std::string& path)> OnSelect;

  // Shows the chooser. True when a folder was chosen (Directory then holds it with a trailing
  // '/'); false when cancelled (Directory keeps its value) and, without showing anything,
  // when RootItemDir(RootItem) is "". "Create" asks for a name ("Create new SubDirectory",
  // "For Directory: <selection>"), creates it with its missing parents under the selection,
  // makes it Directory and opens the chooser again; "Delete" asks "Delete Empty
  // directory\r<selection>", removes that directory on Yes (a directory that is not empty
  // stays, with the message "<selection> Содержит файла или каталоги") and opens the chooser
  // again.
  bool Execute();

  // ---- called by the view while the chooser is open -----------------------------------
  bool IsOpen() const { return open_; }
  // The selection's path the chooser reported last.
  const std::string& Selection() const { return selection_; }
  // Fires OnShow. An error it raises is shown as a message; the chooser stays open.
  void BrowserShown();
  // Remembers `path` and fires OnSelect with it (an error it raises is shown as a message).
  void SelectionChanged(const std::string& path);

 private:
  void Guard(const std::function<void()>& f);

  TPathDlgView& view_;
  std::string title_;
  std::string directory_;
  TRootItem rootItem_ = TRootItem::riNone;
  TDCPathDialogFlags flags_ = pdfReturnOnlyFSDirs;
  bool enableNew_ = false;
  bool enableDel_ = false;
  int tag_ = 0;
  bool open_ = false;
  std::string selection_;
};

}  // namespace ny
