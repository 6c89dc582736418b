// The program runner: starts an outside program from a command line and waits for it, or
// hands a document to the desktop's "open" action.
//
// A command line is split into an argument vector by the Windows command-line rules
// (SplitCommandLine) and started with posix_spawnp: no shell ever sees it, so a file name
// holding "$(...)", ';' or a backtick stays a file name. The started program reads standard
// input from /dev/null, so a program that asks a question gets end-of-file instead of waiting
// forever on the window's input.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ny {

// Splits a command line into arguments as a Windows C runtime does:
//  - blanks (space, tab) separate arguments; any run of them counts as one;
//  - a double quote starts or ends a quoted part, in which blanks are kept; quoted and unquoted
//    parts next to each other form one argument; "" inside a quoted part gives one '"';
//  - 2n backslashes before a double quote give n backslashes and the quote acts as above;
//    2n+1 backslashes before it give n backslashes and a literal '"'; backslashes anywhere
//    else are kept as they are;
//  - the first argument (the program) ends at the first blank outside quotes, and its quotes
//    only group: no backslash or "" rules apply in it.
// A quoted empty part ("") yields an empty argument. An empty or blank line gives no argument.
std::vector<std::string> SplitCommandLine(std::string_view line);

enum class TShowWindow {
  swHide,
  swMaximize,
  swMinimize,
  swRestore,
  swShow,
  swShowDefault,
  swShowMaximized,
  swShowMinimized,
  swShowMinNoActive,
  swShowNA,
  swShowNoActivate,
  swShowNormal
};

class TNyRun {
 public:
  // The exit code RunWait reports when the run was ended by OnWorkWait's Terminate: the
  // result code of a wait that timed out.
  static constexpr int kWaitTimeout = 258;

  using TNotify = std::function<void(TNyRun& sender)>;
  using TFinished = std::function<void(TNyRun& sender, int ExitCode)>;
  using TWorkWait = std::function<void(TNyRun& sender, int WaitCode, int Seconds, bool& Terminate)>;
  using TStringOut = std::function<void(TNyRun& sender, const std::string& ConsoleOut)>;

  TNyRun() = default;
  TNyRun(const TNyRun&) = delete;
  TNyRun& operator=(const TNyRun&) = delete;

  // The command line and the directory of the last RunWait (RunWait stores its arguments).
  const std::string& Command() const { return command_; }
  void SetCommand(std::string v) { command_ = std::move(v); }
  const std::string& Directory() const { return directory_; }
  void SetDirectory(std::string v) { directory_ = std::move(v); }
  // Kept as set; neither operation reads them: RunWait always waits and never shows a window.
  const std::string& Parameters() const { return parameters_; }
  void SetParameters(std::string v) { parameters_ = std::move(v); }
  TShowWindow ShowWindow() const { return showWindow_; }
  void SetShowWindow(TShowWindow v) { showWindow_ = v; }
  bool Wait() const { return wait_; }
  void SetWait(bool v) { wait_ = v; }

  // The exit code of the last run; 0 before any run and after a run that could not start.
  int ExitCode() const { return exitCode_; }
  // True during a RunWait call (also seen by its event handlers).
  bool Running() const { return running_; }

  // Starts the program that `commandLine` names (found through PATH when the first argument
  // holds no '/') with the arguments split by SplitCommandLine, and blocks until it ends.
  //
  // The program runs in `directory` with its surrounding bytes of codes 0..32 removed, or in
  // the caller's working directory when that leaves nothing. It gets the caller's environment
  // and open descriptors, except that standard input is /dev/null; its signal dispositions and
  // mask are the defaults; it leads a process group of its own.
  //
  // Returns false when the program cannot be started (empty line, no such program, not
  // executable, no such directory): then only BeforeRun has fired. Otherwise returns true
  // whatever the exit code, after firing OnFinished and AfterRun.
  //
  // While the program runs, RunWait waits at most one second at a time. After each second in
  // which the program used no processor time (user + system, the program itself without its
  // children) it counts one idle second (the count never resets during the run) and fires
  // OnWorkWait(kWaitTimeout, count, Terminate). A handler that sets Terminate ends the run at
  // once: the program's whole process group is killed, and ExitCode becomes kWaitTimeout.
  // Without such a handler RunWait waits as long as the program lives. A program's own exit
  // code is its exit status; a program killed by signal s gives 128 + s.
  //
  // An exception thrown by a handler passes on to the caller; a program still running then is
  // killed and reaped first, and Running is cleared.
  bool RunWait(std::string_view commandLine, std::string_view directory);

  // Opens `fileName` with the desktop's program for its type: starts "xdg-open fileName" in a
  // session of its own, stdin from /dev/null, does not wait for it and reaps it when it ends.
  // An empty verb means "open"; "open" is the only verb the desktop offers, so any other verb
  // does nothing. Failures are not reported.
  void ShellOpen(std::string_view verb, std::string_view fileName);

  TFinished OnFinished;
  TWorkWait OnWorkWait;
  TNotify BeforeRun;
  TNotify AfterRun;
  // Never fired: output of the started program is not captured.
  TStringOut OnCUIStringOut;

 private:
  std::string command_;
  std::string directory_;
  std::string parameters_;
  TShowWindow showWindow_ = TShowWindow::swShowNormal;
  bool wait_ = true;
  int exitCode_ = 0;
  bool running_ = false;
};

}  // namespace ny
