#include "util/NyRun.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "common/TestDir.h"
#include "util/NyApi.h"

using namespace ny;
using nytest::ReadFile;
using nytest::TestDir;
using nytest::WriteFile;

namespace {

using Args = std::vector<std::string>;

// Fields of /proc/<pid>/stat from the state on (state, ppid, pgrp, session, ...); empty when
// the process no longer exists.
std::vector<std::string> ProcStat(pid_t pid) {
  const std::string line = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  const size_t close = line.rfind(')');
  if (close == std::string::npos) return {};
  std::istringstream in(line.substr(close + 1));
  std::vector<std::string> fields;
  std::string f;
  while (in >> f) fields.push_back(f);
  return fields;
}

// True when the process is gone or only a zombie that is not ours to reap.
bool Dead(pid_t pid) {
  const auto f = ProcStat(pid);
  return f.empty() || f[0] == "Z";
}

// Polls `cond` every 20 ms for up to 15 seconds.
bool Eventually(const std::function<bool()>& cond) {
  for (int i = 0; i < 750; ++i) {
    if (cond()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return cond();
}

pid_t ReadPid(const std::string& file) {
  return static_cast<pid_t>(atoi(ReadFile(file).c_str()));
}

void MakeScript(const std::string& path, const std::string& body) {
  WriteFile(path, "#!/bin/sh\n" + body);
  ASSERT_EQ(::chmod(path.c_str(), 0755), 0);
}

// Records the order in which the events fire.
struct EventLog {
  std::vector<std::string> events;
  std::vector<int> seconds;
  int finishedCode = -1;

  void Attach(TNyRun& run) {
    run.BeforeRun = [this](TNyRun& r) {
      EXPECT_TRUE(r.Running());
      events.push_back("before");
    };
    run.OnFinished = [this](TNyRun& r, int code) {
      EXPECT_TRUE(r.Running());
      finishedCode = code;
      events.push_back("finished");
    };
    run.AfterRun = [this](TNyRun&) { events.push_back("after"); };
  }
};

}  // namespace

TEST(NyRunSplit, WindowsCommandLineRules) {
  EXPECT_EQ(SplitCommandLine(R"(rar e -y "/lib/Прочее/a b.rar" "/tmp/vellum-1/")"),
            (Args{"rar", "e", "-y", "/lib/Прочее/a b.rar", "/tmp/vellum-1/"}));
  EXPECT_EQ(SplitCommandLine("  prog \t a\t\tb  "), (Args{"prog", "a", "b"}));
  EXPECT_EQ(SplitCommandLine(""), Args{});
  EXPECT_EQ(SplitCommandLine(" \t "), Args{});
  // Quoted and unquoted parts join; an empty quoted part is an empty argument.
  EXPECT_EQ(SplitCommandLine(R"(p a"b c"d "" x)"), (Args{"p", "ab cd", "", "x"}));
  EXPECT_EQ(SplitCommandLine(R"(p "a ""quoted"" word")"), (Args{"p", R"(a "quoted" word)"}));
  EXPECT_EQ(SplitCommandLine(R"(p "open end)"), (Args{"p", "open end"}));
  // Backslashes count only before a double quote.
  EXPECT_EQ(SplitCommandLine(R"(p a\\b c\\"d e" \"x\" f\\\"g)"),
            (Args{"p", R"(a\\b)", R"(c\d e)", R"("x")", R"(f\"g)"}));
  // The program name: quotes group, backslashes stay.
  EXPECT_EQ(SplitCommandLine(R"("/opt/my prog/x" arg)"), (Args{"/opt/my prog/x", "arg"}));
  EXPECT_EQ(SplitCommandLine(R"("C:\dir\" x)"), (Args{R"(C:\dir\)", "x"}));
  // Shell characters mean nothing.
  EXPECT_EQ(SplitCommandLine(R"~(p "$(touch x)" ; `id` | a>b)~"),
            (Args{"p", "$(touch x)", ";", "`id`", "|", "a>b"}));
}

TEST(NyRun, ExitCodeEventsAndStoredProperties) {
  TNyRun run;
  EXPECT_EQ(run.ExitCode(), 0);
  EXPECT_TRUE(run.Wait());
  EXPECT_EQ(run.ShowWindow(), TShowWindow::swShowNormal);
  run.SetParameters("-x");
  run.SetShowWindow(TShowWindow::swShowMaximized);
  run.SetWait(false);

  EventLog log;
  log.Attach(run);
  EXPECT_TRUE(run.RunWait(R"(sh -c "exit 3")", ""));
  EXPECT_EQ(log.events, (Args{"before", "finished", "after"}));
  EXPECT_EQ(log.finishedCode, 3);
  EXPECT_EQ(run.ExitCode(), 3);
  EXPECT_FALSE(run.Running());
  EXPECT_EQ(run.Command(), R"(sh -c "exit 3")");
  // Kept as set, and RunWait still waits although Wait is false.
  EXPECT_EQ(run.Parameters(), "-x");
  EXPECT_EQ(run.ShowWindow(), TShowWindow::swShowMaximized);
  EXPECT_FALSE(run.Wait());

  // A program killed by a signal.
  EXPECT_TRUE(run.RunWait(R"(sh -c "kill -9 $$")", ""));
  EXPECT_EQ(run.ExitCode(), 128 + 9);
  EXPECT_TRUE(run.RunWait("true", ""));
  EXPECT_EQ(run.ExitCode(), 0);
}

TEST(NyRun, ProgramThatCannotStart) {
  TestDir d;
  WriteFile(d / "notexec", "#!/bin/sh\n");
  TNyRun run;
  EventLog log;
  log.Attach(run);
  const std::string cases[][2] = {
      {"vellum-no-such-program-xyz --help", ""},
      {d / "notexec", ""},
      {"", ""},
      {"  \"\" x", ""},
      {"true", d / "no-such-dir"},
  };
  for (const auto& c : cases) {
    log.events.clear();
    EXPECT_FALSE(run.RunWait(c[0], c[1])) << c[0];
    EXPECT_EQ(log.events, Args{"before"}) << c[0];
    EXPECT_EQ(run.ExitCode(), 0);
    EXPECT_FALSE(run.Running());
    EXPECT_EQ(run.Command(), c[0]);
    EXPECT_EQ(run.Directory(), c[1]);
  }
}

TEST(NyRun, WorkingDirectory) {
  TestDir d;
  mkdir((d / "work").c_str(), 0755);
  const std::string out = d / "pwd.txt";
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  TNyRun run;

  ASSERT_TRUE(run.RunWait("sh -c \"pwd > " + out + "\"", " \t "));
  EXPECT_EQ(ReadFile(out), std::string(cwd) + "\n");
  ASSERT_TRUE(run.RunWait("sh -c \"pwd > " + out + "\"", "  " + d / "work" + "\n"));
  EXPECT_EQ(ReadFile(out), d / "work\n");
  char after[4096];
  ASSERT_NE(getcwd(after, sizeof after), nullptr);
  EXPECT_STREQ(after, cwd);  // the caller's directory is untouched
}

TEST(NyRun, IdleSecondsAndTerminate) {
  TestDir d;
  const std::string shPid = d / "sh.pid", sleepPid = d / "sleep.pid";
  TNyRun run;
  EventLog log;
  log.Attach(run);
  run.OnWorkWait = [&](TNyRun&, int waitCode, int seconds, bool& terminate) {
    EXPECT_EQ(waitCode, TNyRun::kWaitTimeout);
    log.seconds.push_back(seconds);
    if (seconds == 3) terminate = true;
  };
  // The shell also leaves a helper behind, which must die with it.
  const std::string cmd = "sh -c \"echo $$ > " + shPid + "; sleep 60 & echo $! > " + sleepPid +
                          "; sleep 5; touch " + d / "slept" + "\"";
  EXPECT_TRUE(run.RunWait(cmd, ""));
  EXPECT_EQ(log.seconds, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(log.finishedCode, TNyRun::kWaitTimeout);
  EXPECT_EQ(run.ExitCode(), TNyRun::kWaitTimeout);
  EXPECT_EQ(log.events, (Args{"before", "finished", "after"}));
  // Killed and reaped before RunWait returned; its helper dies too.
  const pid_t sh = ReadPid(shPid);
  ASSERT_GT(sh, 0);
  EXPECT_TRUE(ProcStat(sh).empty());
  const pid_t helper = ReadPid(sleepPid);
  ASSERT_GT(helper, 0);
  EXPECT_TRUE(Eventually([&] { return Dead(helper); }));
  EXPECT_NE(access((d / "slept").c_str(), F_OK), 0) << "the program ran to its end";

  // Without a handler that terminates, the run lasts as long as the program.
  log = EventLog{};
  log.Attach(run);
  run.OnWorkWait = [&](TNyRun&, int, int seconds, bool&) { log.seconds.push_back(seconds); };
  EXPECT_TRUE(run.RunWait("sh -c \"sleep 2; exit 4\"", ""));
  EXPECT_EQ(log.finishedCode, 4);
  ASSERT_FALSE(log.seconds.empty());
  for (size_t i = 0; i < log.seconds.size(); ++i) EXPECT_EQ(log.seconds[i], int(i) + 1);
}

TEST(NyRun, IdleSecondsCountOnlyIdleSecondsAndNeverReset) {
  if (!nytest::HaveTool("python3")) GTEST_SKIP() << "python3 is not installed";
  TestDir d;
  const std::string phase = d / "phase";
  // Busy, idle, busy again, idle again; the program writes the phase it is in.
  const std::string script = d / "phases.py";
  WriteFile(script,
            "import time, sys\n"
            "def mark(p):\n"
            "    open(sys.argv[1], 'w').write(p)\n"
            "def busy(s):\n"
            "    end = time.time() + s\n"
            "    while time.time() < end: pass\n"
            "mark('busy1'); busy(2.2)\n"
            "mark('idle1'); time.sleep(3)\n"
            "mark('busy2'); busy(2.2)\n"
            "mark('idle2'); time.sleep(3)\n");
  TNyRun run;
  std::vector<int> seconds;
  std::vector<std::string> phases;
  run.OnWorkWait = [&](TNyRun&, int, int s, bool&) {
    seconds.push_back(s);
    phases.push_back(ReadFile(phase));
  };
  ASSERT_TRUE(run.RunWait("python3 " + script + " " + phase, ""));
  EXPECT_EQ(run.ExitCode(), 0);
  ASSERT_GE(seconds.size(), 2u);
  for (size_t i = 0; i < seconds.size(); ++i) {
    EXPECT_EQ(seconds[i], int(i) + 1);
    EXPECT_TRUE(phases[i] == "idle1" || phases[i] == "idle2") << i << ": " << phases[i];
  }
  EXPECT_EQ(phases.front(), "idle1");
  EXPECT_EQ(phases.back(), "idle2");  // the count went on after the busy stretch
}

TEST(NyRun, ArgumentsNeverReachAShell) {
  TestDir d;
  const std::string script = d / "args.sh";
  MakeScript(script, "out=$1; shift; for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$out\"\n");
  TNyRun run;
  ASSERT_TRUE(run.RunWait(
      script + " " + d / "out" + R"~( "$(touch x)" "a;touch y" "b`touch z`" "c d" 'e' $HOME)~",
      d.Path()));
  EXPECT_EQ(ReadFile(d / "out"), "$(touch x)\na;touch y\nb`touch z`\nc d\n'e'\n$HOME\n");
  for (const char* f : {"x", "y", "z"}) {
    EXPECT_NE(access((d / f).c_str(), F_OK), 0) << f << " was created";
  }

  // A document whose name holds shell code is copied as it is, the way an archiver gets it.
  const std::string odd = d / "$(touch x);`touch y`.txt";
  WriteFile(odd, "payload");
  ASSERT_TRUE(run.RunWait("cp \"" + odd + "\" \"" + d / "copy.txt" + "\"", d.Path()));
  EXPECT_EQ(run.ExitCode(), 0);
  EXPECT_EQ(ReadFile(d / "copy.txt"), "payload");
  for (const char* f : {"x", "y"}) {
    EXPECT_NE(access((d / f).c_str(), F_OK), 0) << f << " was created";
  }
}

TEST(NyRun, StandardInputIsDevNull) {
  TestDir d;
  // Give this process a standard input that never delivers anything.
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const int savedStdin = dup(STDIN_FILENO);
  ASSERT_GE(savedStdin, 0);
  ASSERT_GE(dup2(fds[0], STDIN_FILENO), 0);

  TNyRun run;
  int idle = 0;
  run.OnWorkWait = [&](TNyRun&, int, int s, bool& terminate) {
    idle = s;
    terminate = s >= 10;  // a hanging read would end here, not hang the test
  };
  const bool ok = run.RunWait(
      "sh -c \"readlink /proc/self/fd/0 > " + d / "fd0" + "; read a; echo $? > " + d / "rc" + "\"",
      "");

  dup2(savedStdin, STDIN_FILENO);
  close(savedStdin);
  close(fds[0]);
  close(fds[1]);

  ASSERT_TRUE(ok);
  EXPECT_NE(run.ExitCode(), TNyRun::kWaitTimeout) << "the program waited on its input";
  EXPECT_EQ(ReadFile(d / "fd0"), "/dev/null\n");
  EXPECT_EQ(ReadFile(d / "rc"), "1\n");  // end of file at once
  EXPECT_LT(idle, 10);
}

TEST(NyRun, HandlerErrorsLeaveNoProgramBehind) {
  TestDir d;
  TNyRun run;
  run.OnWorkWait = [](TNyRun&, int, int, bool&) { throw std::runtime_error("handler failed"); };
  EXPECT_THROW(run.RunWait("sh -c \"echo $$ > " + d / "pid" + "; exec sleep 60\"", ""),
               std::runtime_error);
  EXPECT_FALSE(run.Running());
  const pid_t pid = ReadPid(d / "pid");
  ASSERT_GT(pid, 0);
  EXPECT_TRUE(ProcStat(pid).empty()) << "killed and reaped";

  run.OnWorkWait = nullptr;
  run.OnFinished = [](TNyRun&, int) { throw std::runtime_error("finished failed"); };
  bool after = false;
  run.AfterRun = [&](TNyRun&) { after = true; };
  EXPECT_THROW(run.RunWait("true", ""), std::runtime_error);
  EXPECT_FALSE(run.Running());
  EXPECT_FALSE(after);
}

TEST(NyRun, ShellOpenRunsXdgOpenDetachedAndReapsIt) {
  TestDir d;
  mkdir((d / "bin").c_str(), 0755);
  // A stand-in desktop opener that records its arguments and waits for the test to let it go.
  MakeScript(d / "bin/xdg-open", "printf '%s\\n' \"$@\" > '" + d / "args.tmp" +
                                     "'\n"
                                     "mv '" +
                                     d / "args.tmp" + "' '" + d / "args" +
                                     "'\n"
                                     "echo $$ > '" +
                                     d / "pid.tmp" + "'; mv '" + d / "pid.tmp" + "' '" + d / "pid" +
                                     "'\n"
                                     "i=0; while [ ! -e '" +
                                     d / "go" +
                                     "' ] && [ $i -lt 300 ]; do sleep 0.05; i=$((i+1)); done\n"
                                     "echo done > '" +
                                     d / "finished" + "'\n");
  const char* oldPath = getenv("PATH");
  const std::string saved = oldPath != nullptr ? oldPath : "/usr/bin:/bin";
  setenv("PATH", (d / "bin:" + saved).c_str(), 1);

  TNyRun run;
  const std::string doc = d / "my book $(touch x);`touch y`.txt";
  run.ShellOpen("", doc);
  EXPECT_NE(access((d / "finished").c_str(), F_OK), 0) << "ShellOpen waited for the opener";

  ASSERT_TRUE(Eventually([&] { return access((d / "pid").c_str(), F_OK) == 0; }));
  const pid_t pid = ReadPid(d / "pid");
  ASSERT_GT(pid, 0);
  EXPECT_EQ(ReadFile(d / "args"), doc + "\n");
  const auto stat = ProcStat(pid);
  ASSERT_GE(stat.size(), 4u);
  EXPECT_EQ(stat[3], std::to_string(pid)) << "not in a session of its own";

  WriteFile(d / "go", "");
  EXPECT_TRUE(Eventually([&] { return access((d / "finished").c_str(), F_OK) == 0; }));
  EXPECT_TRUE(Eventually([&] { return ProcStat(pid).empty(); })) << "left as a zombie";
  EXPECT_NE(access((d / "x").c_str(), F_OK), 0);
  EXPECT_NE(access((d / "y").c_str(), F_OK), 0);

  // A name that looks like an option stays a name; other verbs are not offered.
  unlink((d / "pid").c_str());
  run.ShellOpen("print", "/etc/hostname");
  run.ShellOpen("Open", "-v");
  ASSERT_TRUE(Eventually([&] { return access((d / "pid").c_str(), F_OK) == 0; }));
  EXPECT_EQ(ReadFile(d / "args"), "./-v\n");
  const pid_t second = ReadPid(d / "pid");
  EXPECT_TRUE(Eventually([&] { return second > 0 && ProcStat(second).empty(); }));

  setenv("PATH", saved.c_str(), 1);
}
