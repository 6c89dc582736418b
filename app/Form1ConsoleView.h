// The main window's logic without a window: a view for scripts and the command line.
//
// It keeps no controls: focus, busy cursor, beeps and the viewer font are ignored; messages
// are written to the error stream given; questions get the answer set beforehand (No unless
// told); a file dialog returns the file set beforehand (cancelled when none is set) and the
// font dialog is always cancelled; the viewer only reads
// its file. Nothing here reads or writes a settings file.
#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/Form1View.h"

namespace ny {

class TForm1ConsoleView : public TForm1View {
 public:
  explicit TForm1ConsoleView(std::ostream& messages) : out_(messages) {}

  // The answer of the next file dialogs (nullopt: cancel).
  void SetDialogFile(std::optional<std::string> file) { dialogFile_ = std::move(file); }
  // The answer of every question.
  void SetAnswer(bool yes) { yes_ = yes; }
  // Questions read their answer from `in` instead (null: the set answer again): the question
  // and " [y/N] " are written, then one line is read; "y" or "yes" (any case) is Yes, anything
  // else and the end of input No.
  void SetAnswerStream(std::istream* in) { in_ = in; }
  // With `show` set, ShellOpen hands files to the desktop's program; otherwise (the default)
  // it only keeps their names (ShellOpened).
  void SetShellOpen(bool show) { shellOpen_ = show; }
  // The files given to ShellOpen so far, in order.
  const std::vector<std::string>& ShellOpened() const { return shellOpened_; }
  // Every message shown and question asked so far, in order.
  const std::vector<std::string>& Messages() const { return messages_; }

  void SetFocus(const std::string&) override {}
  void FocusNext() override {}
  void SetBusy(bool) override {}
  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  std::optional<std::string> RunOpenDialog(const TOpenDialogRequest&) override { return dialogFile_; }
  bool RunFontDialog(TViewerFont&) override { return false; }
  void SetViewerFont(const TViewerFont&) override {}
  void ProcessMessages() override {}
  void Beep() override {}
  void Close() override {}
  void ShellOpen(const std::string& file) override;

 private:
  std::ostream& out_;
  std::optional<std::string> dialogFile_;
  bool yes_ = false;
  std::istream* in_ = nullptr;
  bool shellOpen_ = false;
  std::vector<std::string> shellOpened_;
  std::vector<std::string> messages_;
};

}  // namespace ny
