#include "util/NySysInfo.h"

#include <errno.h>
#include <fcntl.h>
#include <malloc.h>
#include <pwd.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

#include "util/NyApi.h"

namespace ny {

namespace {

constexpr uint64_t kMiB = 1024 * 1024;

// The text of a small file (the /proc files have no size of their own); at most 1 MiB. ""
// when it cannot be read.
std::string ReadText(const char* path) {
  std::string out;
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return out;
  char buf[8192];
  while (out.size() < kMiB) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return out;
}

// Calls `line(key, value)` for every "key<sep>value" line of `text`, key and value trimmed.
template <class F>
void ForEachEntry(std::string_view text, char sep, F line) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) nl = text.size();
    const std::string_view l = text.substr(pos, nl - pos);
    pos = nl + 1;
    const size_t at = l.find(sep);
    if (at == std::string_view::npos) continue;
    line(TrimCtl(l.substr(0, at)), TrimCtl(l.substr(at + 1)));
  }
}

// Runs of blanks as one blank.
std::string OneBlank(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == ' ' && !out.empty() && out.back() == ' ') continue;
    out.push_back(c);
  }
  return out;
}

// The value of a meminfo line ("  16318412 kB") in bytes; 0 when it is no number.
uint64_t KiloBytes(std::string_view v) {
  uint64_t n = 0;
  const auto r = std::from_chars(v.data(), v.data() + v.size(), n);
  if (r.ec != std::errc()) return 0;
  return n * 1024;
}

std::string Mb(uint64_t bytes) {
  return std::to_string(bytes / kMiB);
}

}  // namespace

std::string CpuTextFrom(std::string_view cpuinfo) {
  int count = 0;
  std::string model;
  ForEachEntry(cpuinfo, ':', [&](const std::string& k, const std::string& v) {
    if (k == "processor") ++count;
    if (k == "model name" && model.empty()) model = OneBlank(v);
  });
  if (count == 0) return {};
  return model.empty() ? std::to_string(count) : std::to_string(count) + " " + model;
}

std::string OsNameFrom(std::string_view osRelease) {
  std::string pretty, name;
  ForEachEntry(osRelease, '=', [&](const std::string& k, std::string v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
      v = v.substr(1, v.size() - 2);
    }
    if (k == "PRETTY_NAME") pretty = v;
    if (k == "NAME") name = v;
  });
  return pretty.empty() ? name : pretty;
}

TNyMemory MemoryFrom(std::string_view meminfo) {
  TNyMemory m;
  uint64_t free = 0;
  bool available = false;
  ForEachEntry(meminfo, ':', [&](const std::string& k, const std::string& v) {
    if (k == "MemTotal") m.Total = KiloBytes(v);
    if (k == "MemFree") free = KiloBytes(v);
    if (k == "MemAvailable") {
      m.Available = KiloBytes(v);
      available = true;
    }
  });
  if (!available) m.Available = free;
  return m;
}

TNyMemory SystemMemory() {
  return MemoryFrom(ReadText("/proc/meminfo"));
}

TNyHeap ProgramHeap() {
  TNyHeap h;
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
  const struct mallinfo2 mi = ::mallinfo2();
  h.Blocks = (mi.arena > 0 ? 1 : 0) + mi.hblks;
  h.Bytes = mi.uordblks + mi.hblkhd;
#endif
  return h;
}

TNyDisk DiskOf(const char* path) {
  TNyDisk d;
  struct statvfs st;
  if (::statvfs(path, &st) != 0) return d;
  d.Total = static_cast<uint64_t>(st.f_blocks) * st.f_frsize;
  d.Free = static_cast<uint64_t>(st.f_bavail) * st.f_frsize;
  return d;
}

TNySysInfo GatherSysInfo(std::string_view tempDir) {
  TNySysInfo info;
  info.CPUName = CpuTextFrom(ReadText("/proc/cpuinfo"));
  info.OSName = OsNameFrom(ReadText("/etc/os-release"));
  if (info.OSName.empty()) info.OSName = OsNameFrom(ReadText("/usr/lib/os-release"));
  struct utsname u;
  if (::uname(&u) == 0) {
    if (info.OSName.empty()) info.OSName = u.sysname;
    info.OSVersion = u.release;
    info.OSBuild = u.version;
    info.Computer = u.nodename;
  }
  if (info.Computer.empty()) info.Computer = "Unknown";
  // The real user: getlogin() names the terminal's owner, which a desktop session may lack.
  if (const struct passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_name[0] != 0) {
    info.User = pw->pw_name;
    if (pw->pw_dir != nullptr && pw->pw_dir[0] == '/') info.WinDir = AddBackslash(pw->pw_dir);
  }
  if (info.User.empty()) info.User = "Unknown";
  if (info.WinDir.empty()) {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') info.WinDir = AddBackslash(home);
  }
  info.SysDir = GetProgramDir();
  info.TmpDir = tempDir.empty() ? GetTempDir() : std::string(tempDir);
  return info;
}

std::string DiskLine(const TNyDisk& disk) {
  return "/: Total=" + Mb(disk.Total) + " MB  Free=" + Mb(disk.Free) + " MB";
}

std::string MemoryLine(const TNyMemory& memory) {
  return "Total: " + Mb(memory.Total) + " MB     Free: " + Mb(memory.Available) + " MB";
}

std::string HeapLine(const TNyHeap& heap) {
  return "Use blocks: " + std::to_string(heap.Blocks) + "  bytes: " + std::to_string(heap.Bytes);
}

std::string OsLine(const TNySysInfo& info) {
  return info.OSName + " " + info.OSVersion + " Build: " + info.OSBuild;
}

std::string CpuLine(const TNySysInfo& info, uint32_t mhz) {
  return info.CPUName + " - " + std::to_string(mhz) + " Mhz";
}

std::string FontSizeName(int logicalDpi) {
  if (logicalDpi == 96) return "SmallFont";
  if (logicalDpi == 120) return "BigFont";
  return {};
}

std::string DisplayLine(const TNyScreen& screen) {
  const int depth = screen.Depth <= 0 ? 0 : (screen.Depth > 63 ? 63 : screen.Depth);
  const uint64_t colours = uint64_t{1} << depth;
  return std::to_string(screen.Width) + " x " + std::to_string(screen.Height) + "   " +
         std::to_string(colours) + " colors  " + std::to_string(screen.RefreshRate) + " Hz " +
         FontSizeName(screen.LogicalDpi);
}

uint32_t ClockMhzFromTicks(uint64_t ticks) {
  const uint32_t low = static_cast<uint32_t>(ticks & 0xFFFFFFFFu);
  return static_cast<uint32_t>((static_cast<uint64_t>(low) + 250000) / 500000);
}

uint32_t MeasureClockMhz() {
#if defined(__x86_64__) || defined(__i386__)
  using std::chrono::milliseconds;
  std::this_thread::sleep_for(milliseconds(10));
  const uint64_t start = __rdtsc();
  std::this_thread::sleep_for(milliseconds(500));
  const uint64_t end = __rdtsc();
  return ClockMhzFromTicks(end - start);
#else
  return 0;
#endif
}

TNyVersionStrings GetVersionStrings() {
  return {VELLUM_FILE_VERSION, VELLUM_FILE_VERSION};
}

}  // namespace ny
