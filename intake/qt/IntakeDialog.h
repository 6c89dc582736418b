// The selection dialogs of intake on screen: the Qt view of TfImp / TfArc
// (intake/IntakeDialog.h).
//
// The main window opens them with ExecImpDialog / ExecArcDialog:
//
//   TIntakeRequest r;
//   r.StartDir = GetProgramDir();            // the program's own directory
//   r.Subjects = &lstSbj;                    // the subject record set (LstSbj)
//   r.DeleteSource = form.Checked("chDelSource");   // "chDelArchive" for the archive dialog
//   r.LangCode = form.LangCode();
//   r.Work = [&](const TIntakeItem& item) { AddDocument(item.Path, item.SubjectName,
//                                                       item.SubjectDir, item.DeleteSource); };
//   ExecImpDialog(this, r);
//
// The dialog lays out the directory label, the mask box, the file list
// (util/qt/NyFileListWidget.h) beside the subject grid, the check box and the Execute button;
// shows the form model through TNyFileListWidget and TNyFormBinder; sees every key of its
// controls first (Escape, Enter in the mask box, Tab in the grid) and forwards the user's
// actions to the logic. An exception that leaves a handler is shown in the program's error
// report and the dialog stays open. A batch of Execute shows TNyProgressDialog.
#pragma once

#include <QDialog>
#include <QPointer>
#include <memory>
#include <string>

#include "intake/IntakeDialog.h"
#include "intake/IntakeView.h"
#include "util/qt/NyFormBinder.h"
#include "util/qt/NyProgressDialog.h"

class QComboBox;
class QTableView;

namespace ny {

class TNyFileListWidget;
class TSubjectListModel;

class TIntakeDialog : public QDialog, public TIntakeView {
  Q_OBJECT
 public:
  explicit TIntakeDialog(QWidget* parent = nullptr);
  ~TIntakeDialog() override;

  // The logic shown while ShowModal runs; null otherwise.
  TfIntake* Logic() const { return logic_; }
  // The widget of component `name` while ShowModal runs; null otherwise.
  QWidget* Control(const std::string& name) const;
  // The progress window of Execute.
  TNyProgressDialog& ProgressDialog() { return progress_; }

  // TIntakeView
  void ShowModal(TfIntake& dialog) override;
  void Close() override;
  void FocusNext() override;
  void SetColor(const std::string& control, TNyColor color) override;
  TNyProgressView* Progress() override { return &progress_; }

 protected:
  // Key preview and the focus of the coloured controls.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Build(TfIntake& dialog);
  void Teardown();
  void ShowCurrentSubject();
  bool PreviewKey(QObject* watched, const QKeyEvent& key);

  TfIntake* logic_ = nullptr;
  QWidget* content_ = nullptr;
  TNyFormBinder binder_;
  TNyProgressDialog progress_;
  QPointer<QComboBox> combo_;
  QPointer<TNyFileListWidget> list_;
  QPointer<QTableView> grid_;
  TSubjectListModel* subjects_ = nullptr;
  bool syncing_ = false;
};

// Opens the document append dialog (TfImp) / the archive import dialog (TfArc) over `parent`
// and returns when the user closed it. The process's current directory is the same afterwards.
void ExecImpDialog(QWidget* parent, const TIntakeRequest& request);
void ExecArcDialog(QWidget* parent, const TIntakeRequest& request);

}  // namespace ny
