// System facts for the about box, read from Linux, and the texts the box shows them in.
//
// The facts come from /proc/cpuinfo, /etc/os-release and uname, /proc/meminfo, the C
// library's heap statistics, statvfs of "/", the host and user names and the program's own
// directories. The parsers take the file's text, so that they can be fed any content; a fact
// that cannot be had stays empty (computer and user names: "Unknown"). No function throws.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ny {

// Facts gathered once, when the about component is made.
struct TNySysInfo {
  std::string CPUName;    // CpuTextFrom(/proc/cpuinfo)
  std::string OSName;     // OsNameFrom(/etc/os-release), else uname's system name
  std::string OSVersion;  // uname's release ("6.1.0-18-amd64")
  std::string OSBuild;    // uname's version ("#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1")
  std::string WinDir;     // the user's home directory, with a trailing '/'
  std::string SysDir;     // the program's directory, with a trailing '/'
  std::string TmpDir;     // the program's temporary directory (GetTempDir)
  std::string Computer;   // the host name, "Unknown" when it cannot be read
  std::string User;       // the login name of the real user, "Unknown" when it cannot be read
};

// Reads every fact of TNySysInfo from the running system. TmpDir is `tempDir` when that is
// not empty, else GetTempDir().
TNySysInfo GatherSysInfo(std::string_view tempDir = "");

// The processor text of a /proc/cpuinfo text: the number of "processor" entries, a blank and
// the first "model name" (blanks around it removed, runs of blanks made one); the number
// alone when no model is named; "" when no processor is listed.
std::string CpuTextFrom(std::string_view cpuinfo);
// PRETTY_NAME of an os-release text, without its quotes; NAME when there is no PRETTY_NAME;
// "" when neither is there.
std::string OsNameFrom(std::string_view osRelease);

// Physical memory from a /proc/meminfo text, in bytes: MemTotal and MemAvailable (MemFree
// when the kernel gives no MemAvailable). 0 for what is missing.
struct TNyMemory {
  uint64_t Total = 0;
  uint64_t Available = 0;
};
TNyMemory MemoryFrom(std::string_view meminfo);
// The running system's memory (MemoryFrom of /proc/meminfo).
TNyMemory SystemMemory();

// The program's own heap: the regions the allocator holds from the system (its main arena
// and every separately mapped block) and the bytes handed out and not yet freed.
struct TNyHeap {
  uint64_t Blocks = 0;
  uint64_t Bytes = 0;
};
TNyHeap ProgramHeap();

// Size of the file system of `path` in bytes: total, and free to an unprivileged user. Both 0
// when it cannot be asked.
struct TNyDisk {
  uint64_t Total = 0;
  uint64_t Free = 0;
};
TNyDisk DiskOf(const char* path);

// The screen as the view reports it.
struct TNyScreen {
  int Width = 0;         // pixels
  int Height = 0;        // pixels
  int Depth = 0;         // bits per pixel
  int RefreshRate = 0;   // Hz, whole
  int LogicalDpi = 0;    // logical dots per inch, horizontally
};

// ---- the texts of the about box ---------------------------------------------------------
// Megabytes are whole: bytes divided by 1024 twice, the fraction cut off.

// "/: Total=<MB> MB  Free=<MB> MB".
std::string DiskLine(const TNyDisk& disk);
// "Total: <MB> MB     Free: <MB> MB".
std::string MemoryLine(const TNyMemory& memory);
// "Use blocks: <blocks>  bytes: <bytes>".
std::string HeapLine(const TNyHeap& heap);
// "<name> <version> Build: <build>".
std::string OsLine(const TNySysInfo& info);
// "<cpu> - <mhz> Mhz".
std::string CpuLine(const TNySysInfo& info, uint32_t mhz);
// "<width> x <height>   <colours> colors  <refresh> Hz <font size name>", where the colours
// are 2 to the power of the depth (4294967296 at 32 bits; 1 for a depth of 0 or less; depths
// above 63 count as 63).
std::string DisplayLine(const TNyScreen& screen);
// "SmallFont" at 96 logical dots per inch, "BigFont" at 120, "" otherwise.
std::string FontSizeName(int logicalDpi);

// ---- clock and versions -----------------------------------------------------------------

// The clock in MHz from a time-stamp counter difference over half a second: the difference's
// low 32 bits divided by 500 000, rounded to the nearest integer.
uint32_t ClockMhzFromTicks(uint64_t ticks);
// Measures the processor clock: sleeps 10 ms, reads the time-stamp counter, sleeps 500 ms,
// reads it again, ClockMhzFromTicks of the difference. Runs at the process's normal priority
// (raising it to real time needs privileges a desktop program does not have). Blocks about
// half a second. 0 on a processor without a time-stamp counter the program can read.
uint32_t MeasureClockMhz();

// The program's file and product versions from the build: the four parts of the version,
// most significant first, joined by dots ("0.20.0.0").
struct TNyVersionStrings {
  std::string File;
  std::string Product;
};
TNyVersionStrings GetVersionStrings();

}  // namespace ny
