// The selection dialogs of intake: TfImp ("Append document in library") picks document files
// to pack into the library, TfArc ("Import archive in library") picks ready-made archives.
// Both have the same controls: the directory label, an editable mask box, the file list
// (util/NyFileListBox.h), the subject grid over the main window's subject record set, the
// delete-source check box and the Execute button. Execute hands each picked file to the
// caller's work (appending or importing it) and leaves the dialog open for the next batch.
//
// The dialog's texts live in its form model (component names "fImp" / "fArc", the language
// file sections of the same names); the dialog is translated when it opens.
//
// The main window opens a dialog with RunIntakeDialog (the Qt window: ExecImpDialog /
// ExecArcDialog of intake/qt/IntakeDialog.h), passing its subject record set, the state of its
// option, its language and the work to run per file.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "intake/IntakeView.h"
#include "sqlite/NyDataSet.h"
#include "util/NyComponent.h"
#include "util/NyFileListBox.h"

namespace ny {

enum class TIntakeKind { Imp, Arc };

// One file of an Execute run, as the work gets it.
struct TIntakeItem {
  std::string Path;         // the file list's directory followed by the file's name
  std::string SubjectName;  // NAM of the current subject; "" when the record set has none
  std::string SubjectDir;   // DIR of the current subject; "" likewise
  bool DeleteSource = false;  // the dialog's check box
};

// The work run for each picked file (AddDocument for TfImp, AddArchive for TfArc). An
// exception it throws ends the Execute run and leaves through BitBtn1Click.
using TIntakeWork = std::function<void(const TIntakeItem& item)>;

// What the caller gives a dialog.
struct TIntakeRequest {
  std::string StartDir;             // the file list's first directory (the program's own)
  TNyDataSet* Subjects = nullptr;   // the main window's subject record set, may be null/closed
  bool DeleteSource = false;        // the option chDelSource (TfImp) / chDelArchive (TfArc)
  std::string LangCode;             // the main window's language code ("RUS"; "Def": built-in)
  TIntakeWork Work;                 // may be empty: Execute then does nothing
};

// Key codes the dialog's handlers look at.
inline constexpr char kIntakeKeyTab = 9;
inline constexpr char kIntakeKeyEnter = 13;
inline constexpr char kIntakeKeyEscape = 27;

// An Execute run of more than this many files shows the progress window.
inline constexpr int kProgressAbove = 3;

// The masks of the mask box, in order.
const std::vector<std::string>& IntakeMasks(TIntakeKind kind);

// A new form model of the dialog with its built-in texts: the directory label
// ". . . . . . . . . . . . .", the masks with none selected, the check box unchecked.
std::unique_ptr<TNyComponent> MakeIntakeModel(TIntakeKind kind);

class TfIntake {
 public:
  // The dialog over `view` (which must outlive it). Nothing is shown: see Open.
  TfIntake(TIntakeKind kind, TIntakeView& view, TIntakeRequest request);
  virtual ~TfIntake() = default;
  TfIntake(const TfIntake&) = delete;
  TfIntake& operator=(const TfIntake&) = delete;

  TIntakeKind Kind() const { return kind_; }
  TNyComponent& Model() { return *model_; }
  TNyFileListBox& FileList() { return fileList_; }
  // The subject record set of the request (may be null).
  TNyDataSet* Subjects() const { return request_.Subjects; }
  // The text of the mask box.
  const std::string& MaskText() const;
  // The state of the check box.
  bool DeleteSource() const;

  // Makes the dialog ready to show: with LangDump the texts are dumped under "Dbg", then the
  // dialog is translated into the request's language; the check box takes the request's
  // option; the first mask is selected; the file list shows the start directory (the label
  // follows it) with that mask.
  void Prepare();
  // Prepare, then the view's ShowModal; returns when the dialog closed.
  void Open();

  // ---- handlers the view forwards --------------------------------------------------------
  // An item of the mask box chosen: it becomes the box's text, then ComboBox1Click.
  void ComboBox1Select(int index);
  // The user typed into the mask box: its text (applied on Enter, on a click, on leaving).
  void ComboBox1Change(const std::string& text);
  // The file list's mask becomes the box's text and the list is read again.
  void ComboBox1Click();
  // Enter: consumed (key set to 0), then ComboBox1Click.
  void ComboBox1KeyPress(char& key);
  // Tab in the subject grid: consumed, and the focus moves to the next control.
  void DBGrid1KeyPress(char& key);
  // The user moved the grid's selection to row `row` (0-based): the subject record set moves
  // there (the subject used by Execute). Rows outside the record set are ignored.
  void DBGrid1Select(int row);
  // Escape anywhere in the dialog: consumed, and the dialog closes.
  void FormKeyPress(char& key);
  // The mask box, the file list or the subject grid got / lost the focus: it takes the
  // tooltip background / the window colour; leaving the mask box applies its mask too.
  void ControlEnter(const std::string& control);
  void ControlExit(const std::string& control);
  // The user toggled the check box (the options page keeps its own state).
  void CheckBox1Click(bool checked);
  // Execute: the selected file entries of the list (directories, the up entry and drives are
  // skipped), in list order, each handed to the request's work with the subject record set's
  // current NAM and DIR and the check box; then the list is read again (sources deleted by the
  // work disappear). Above kProgressAbove files a progress window shows the count and the name;
  // Cancel stops after the file at hand. An exception from the work ends the run (the window
  // hidden, the list not read again) and passes on.
  void BitBtn1Click();

 private:
  void OnChangeDir(const std::string& directory);
  std::string SubjectField(const char* name) const;

  TIntakeKind kind_;
  TIntakeView& view_;
  TIntakeRequest request_;
  std::unique_ptr<TNyComponent> model_;
  TNyFileListBox fileList_;
};

class TfImp : public TfIntake {
 public:
  TfImp(TIntakeView& view, TIntakeRequest request)
      : TfIntake(TIntakeKind::Imp, view, std::move(request)) {}
};

class TfArc : public TfIntake {
 public:
  TfArc(TIntakeView& view, TIntakeRequest request)
      : TfIntake(TIntakeKind::Arc, view, std::move(request)) {}
};

// Opens a dialog of `kind` over `view` and returns when it closed: the process's current
// directory is remembered first and restored on every way out (also when an exception leaves
// the dialog), and nothing of the dialog (mask, directory, check box) is kept.
void RunIntakeDialog(TIntakeKind kind, TIntakeView& view, const TIntakeRequest& request);

}  // namespace ny
