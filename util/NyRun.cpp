#include "util/NyRun.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>
#include <thread>

#include "util/NyApi.h"

extern char** environ;

namespace ny {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Owns the spawn attributes and file actions common to both ways of starting a program.
class SpawnSetup {
 public:
  SpawnSetup() {
    posix_spawnattr_init(&attr_);
    posix_spawn_file_actions_init(&actions_);
    // The child starts with no blocked signals and default dispositions, whatever the window
    // changed for itself (an ignored SIGPIPE, for one).
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr_, &none);
    posix_spawnattr_setsigdefault(&attr_, &all);
    posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions_);
    posix_spawnattr_destroy(&attr_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  void SetFlags(short extra) {
    posix_spawnattr_setflags(
        &attr_, static_cast<short>(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | extra));
  }
  void SetProcessGroup() { posix_spawnattr_setpgroup(&attr_, 0); }
  void ChangeDirectory(const std::string& dir) {
    posix_spawn_file_actions_addchdir_np(&actions_, dir.c_str());
  }

  // Starts args[0] (searched on PATH) with `args`; the pid, or -1 when it cannot be started.
  pid_t Spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions_, &attr_, argv.data(), environ) != 0) return -1;
    return pid;
  }

 private:
  posix_spawnattr_t attr_;
  posix_spawn_file_actions_t actions_;
};

int PidfdOpen(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  return -1;
#endif
}

// Reaps `pid`, retrying on EINTR. The exit code of its status; 0 when the status is gone
// (someone else reaped it).
int Reap(pid_t pid) {
  int status = 0;
  pid_t r;
  do {
    r = ::waitpid(pid, &status, 0);
  } while (r < 0 && errno == EINTR);
  if (r != pid) return 0;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return 0;
}

// Waits at most `ms` milliseconds for `pid` to end, without reaping it. True when it ended.
bool WaitForEnd(pid_t pid, int pidfd, int ms) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (pidfd >= 0) {
      pollfd p{pidfd, POLLIN, 0};
      const int r = ::poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
      if (r > 0) return true;
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) return true;  // cannot wait: treat as ended and let the reap decide
      return false;
    }
    // Without a pidfd: look every 10 ms whether the child has become a zombie.
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
      if (errno == EINTR) continue;
      return true;
    }
    if (info.si_pid == pid) return true;
    if (left <= 0) return false;
    const timespec ten{0, 10 * 1000 * 1000};
    ::nanosleep(&ten, nullptr);
  }
}

// Low 32 bits of the user and system time (clock ticks) of `pid` from /proc/<pid>/stat;
// zeros when it cannot be read.
void ProcessTimes(pid_t pid, uint32_t& user, uint32_t& kernel) {
  user = kernel = 0;
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(in, line)) return;
  // The command name in parentheses may hold blanks and ')': fields count from the last ')'.
  const size_t close = line.rfind(')');
  if (close == std::string::npos) return;
  std::istringstream fields(line.substr(close + 1));
  std::string f;
  // After the name: state(3) ... utime(14) stime(15).
  for (int i = 3; i <= 15 && (fields >> f); ++i) {
    if (i == 14) user = static_cast<uint32_t>(std::strtoull(f.c_str(), nullptr, 10));
    if (i == 15) kernel = static_cast<uint32_t>(std::strtoull(f.c_str(), nullptr, 10));
  }
}

void KillGroup(pid_t pid) {
  ::kill(-pid, SIGKILL);
  ::kill(pid, SIGKILL);
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> args;
  size_t i = 0;
  const size_t n = line.size();
  while (i < n && IsBlank(line[i])) ++i;
  if (i >= n) return args;

  // The program: quotes only group.
  {
    std::string arg;
    bool quoted = false;
    for (; i < n; ++i) {
      const char c = line[i];
      if (c == '"') {
        quoted = !quoted;
      } else if (!quoted && IsBlank(c)) {
        break;
      } else {
        arg.push_back(c);
      }
    }
    args.push_back(std::move(arg));
  }

  bool quoted = false;
  for (;;) {
    while (i < n && IsBlank(line[i])) ++i;
    if (i >= n) break;
    std::string arg;
    for (;;) {
      bool copy = true;
      size_t slashes = 0;
      while (i < n && line[i] == '\\') {
        ++i;
        ++slashes;
      }
      if (i < n && line[i] == '"') {
        if (slashes % 2 == 0) {
          if (quoted && i + 1 < n && line[i + 1] == '"') {
            ++i;  // "" inside quotes: one literal quote
          } else {
            copy = false;
            quoted = !quoted;
          }
        }
        slashes /= 2;
      }
      arg.append(slashes, '\\');
      if (i >= n || (!quoted && IsBlank(line[i]))) break;
      if (copy) arg.push_back(line[i]);
      ++i;
    }
    args.push_back(std::move(arg));
  }
  return args;
}

bool TNyRun::RunWait(std::string_view commandLine, std::string_view directory) {
  running_ = true;
  struct RunningGuard {
    bool& running;
    ~RunningGuard() { running = false; }
  } runningGuard{running_};
  command_ = std::string(commandLine);
  directory_ = std::string(directory);
  if (BeforeRun) BeforeRun(*this);

  exitCode_ = 0;
  const std::string dir = TrimCtl(directory_);
  const std::vector<std::string> args = SplitCommandLine(command_);
  if (args.empty() || args[0].empty()) return false;

  pid_t pid;
  {
    SpawnSetup setup;
    setup.SetFlags(POSIX_SPAWN_SETPGROUP);
    setup.SetProcessGroup();
    if (!dir.empty()) setup.ChangeDirectory(dir);
    pid = setup.Spawn(args);
  }
  if (pid < 0) return false;

  // Until the child is reaped it is killed on every way out, so a handler that throws leaves
  // neither a running program nor a zombie behind.
  struct Child {
    pid_t pid;
    int pidfd;
    bool reaped = false;
    ~Child() {
      if (!reaped) {
        KillGroup(pid);
        Reap(pid);
      }
      if (pidfd >= 0) ::close(pidfd);
    }
  } child{pid, PidfdOpen(pid)};

  uint32_t lastUser = 0, lastKernel = 0;
  int idleSeconds = 0;
  bool terminated = false;
  while (!WaitForEnd(pid, child.pidfd, 1000)) {
    uint32_t user, kernel;
    ProcessTimes(pid, user, kernel);
    if (user == lastUser && kernel == lastKernel) {
      ++idleSeconds;
      bool terminate = false;
      if (OnWorkWait) OnWorkWait(*this, kWaitTimeout, idleSeconds, terminate);
      if (terminate) {
        terminated = true;
        break;
      }
    }
    lastUser = user;
    lastKernel = kernel;
  }

  if (terminated) {
    KillGroup(pid);
    Reap(pid);
    exitCode_ = kWaitTimeout;
  } else {
    exitCode_ = Reap(pid);
  }
  child.reaped = true;

  if (OnFinished) OnFinished(*this, exitCode_);
  if (child.pidfd >= 0) {
    ::close(child.pidfd);
    child.pidfd = -1;
  }
  if (AfterRun) AfterRun(*this);
  return true;
}

void TNyRun::ShellOpen(std::string_view verb, std::string_view fileName) {
  const std::string v = AsciiUpper(TrimCtl(verb));
  if (!v.empty() && v != "OPEN") return;
  std::string file(fileName);
  if (file.empty()) return;
  // A name that starts with '-' would read as an option of xdg-open.
  if (file[0] == '-') file = "./" + file;

  pid_t pid;
  {
    SpawnSetup setup;
    setup.SetFlags(POSIX_SPAWN_SETSID);
    pid = setup.Spawn({"xdg-open", file});
  }
  if (pid < 0) return;
  // Not waited for, but reaped when it ends, so that no zombie stays behind. When no thread
  // can be had the opener still runs; only its exit status then waits for the program's end.
  try {
    std::thread([pid] { Reap(pid); }).detach();
  } catch (const std::system_error&) {
  }
}

}  // namespace ny
