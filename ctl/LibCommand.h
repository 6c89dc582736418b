// vellumctl lib: the library commands, run through the main window's own logic (TForm1)
// with a console view (app/Form1ConsoleView.h). No settings file is read or written.
//
// Each sub-command lives in a file of its own under ctl/ and registers itself with a
// TLibRegistrar at namespace scope:
//
//   static const vellumctl::TLibRegistrar kOpen{
//       {"open", "vellumctl lib open LIB", RunOpen}};
//
// `vellumctl lib NAME ARGS...` then runs RunOpen(ARGS...) with the arguments after NAME.
// A sub-command returns the exit status: 0, kExitFailure after Fail() (the message on
// standard error as "vellumctl: <message>"), or kExitUsage after Usage() (its usage line).
// Exceptions leaving a sub-command are reported like Fail() with their message.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/Form1.h"
#include "app/Form1ConsoleView.h"

namespace vellumctl {

using TArgs = std::vector<std::string>;

inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct TLibSubcommand {
  const char* Name;   // the word after "lib"
  const char* Usage;  // the whole usage line, "vellumctl lib NAME ..."
  int (*Run)(const TArgs& args);
};

// Adds a sub-command to the table `vellumctl lib` dispatches on.
class TLibRegistrar {
 public:
  explicit TLibRegistrar(const TLibSubcommand& command);
};

// The registered sub-commands, by name.
std::vector<TLibSubcommand> LibSubcommands();

// `vellumctl lib ARGS...`: runs the sub-command ARGS[0]; without one, or with an unknown one,
// prints the usage of every sub-command and returns kExitUsage.
int Lib(const TArgs& args);

// Prints "usage: <usage>" to standard error; returns kExitUsage.
int Usage(const char* usage);
// Prints "vellumctl: <message>" to standard error on one line (a line feed of the message
// written as ": "); returns kExitFailure.
int Fail(const std::string& message);

// A value for a tab-separated line: a library text read through LibText, with tab, line feed
// and backslash written as \t, \n and \\.
std::string Field(std::string_view stored);

// The main window's logic on a console view, for one command.
class TLibSession {
 public:
  TLibSession();
  ny::TForm1& Form() { return *form_; }
  ny::TForm1ConsoleView& View() { return view_; }
  // Sets an option check box as the window shows it, without its click handler (which would
  // store it in the settings file).
  void SetBox(const std::string& box, bool checked);
  // OpenLibrary on `file`, which must exist (an ELibraryError "File Not Found: <file>"
  // otherwise, so that a mistyped name makes no empty file).
  void Open(const std::string& file);

 private:
  ny::TForm1ConsoleView view_;
  std::unique_ptr<ny::TForm1> form_;
};

}  // namespace vellumctl
