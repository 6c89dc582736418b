#include "util/NySysInfo.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "util/NyApi.h"

using namespace ny;

TEST(NySysInfoTexts, WholeMegabytesColoursAndFontSizeNames) {
  EXPECT_EQ(DiskLine({3ull << 30, 1992294}), "/: Total=3072 MB  Free=1 MB");  // 1.9 MiB free
  EXPECT_EQ(DiskLine({}), "/: Total=0 MB  Free=0 MB");
  EXPECT_EQ(MemoryLine({(16ull << 30) + (1 << 19), 1048575}), "Total: 16384 MB     Free: 0 MB");
  EXPECT_EQ(HeapLine({3, 123456}), "Use blocks: 3  bytes: 123456");
  EXPECT_EQ(DisplayLine({1920, 1080, 32, 60, 96}),
            "1920 x 1080   4294967296 colors  60 Hz SmallFont");
  EXPECT_EQ(DisplayLine({800, 600, 24, 75, 120}), "800 x 600   16777216 colors  75 Hz BigFont");
  EXPECT_EQ(DisplayLine({800, 600, 8, 0, 144}), "800 x 600   256 colors  0 Hz ");
  EXPECT_EQ(DisplayLine({1, 1, 0, 0, 0}), "1 x 1   1 colors  0 Hz ");
  TNySysInfo info;
  info.OSName = "Debian GNU/Linux 12 (bookworm)";
  info.OSVersion = "6.1.0-18-amd64";
  info.OSBuild = "#1 SMP";
  info.CPUName = "2 AMD EPYC";
  EXPECT_EQ(OsLine(info), "Debian GNU/Linux 12 (bookworm) 6.1.0-18-amd64 Build: #1 SMP");
  EXPECT_EQ(CpuLine(info, 2994), "2 AMD EPYC - 2994 Mhz");
}

TEST(NySysInfoClock, CounterDifferenceInWholeMegahertz) {
  EXPECT_EQ(ClockMhzFromTicks(1'500'000'000), 3000u);
  EXPECT_EQ(ClockMhzFromTicks(249'999), 0u);
  EXPECT_EQ(ClockMhzFromTicks(250'000), 1u);  // rounded to nearest
  // Only the low 32 bits count.
  EXPECT_EQ(ClockMhzFromTicks((1ull << 32) + 1'000'000'000), 2000u);
#if defined(__x86_64__) || defined(__i386__)
  EXPECT_GT(MeasureClockMhz(), 0u);
#endif
}

TEST(NySysInfoParse, CpuOsAndMemoryTexts) {
  EXPECT_EQ(CpuTextFrom("processor\t: 0\nmodel name\t: Intel(R)  Core(TM)   i5\n\n"
                        "processor\t: 1\nmodel name\t: other\n"),
            "2 Intel(R) Core(TM) i5");
  EXPECT_EQ(CpuTextFrom("processor : 0\nprocessor : 1\nprocessor : 2\n"), "3");
  EXPECT_EQ(CpuTextFrom("garbage without colons\n"), "");
  EXPECT_EQ(OsNameFrom("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
            "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(OsNameFrom("NAME='Alpine'\n"), "Alpine");
  EXPECT_EQ(OsNameFrom(""), "");
  const TNyMemory m = MemoryFrom("MemTotal:       16318412 kB\nMemFree: 100 kB\n"
                                 "MemAvailable:   8000000 kB\n");
  EXPECT_EQ(m.Total, 16318412ull * 1024);
  EXPECT_EQ(m.Available, 8000000ull * 1024);
  EXPECT_EQ(MemoryFrom("MemTotal: 2048 kB\nMemFree: 1024 kB\n").Available, 1024ull * 1024);
  EXPECT_EQ(MemoryFrom("MemTotal: lots\n").Total, 0u);
}

// The running system gives every fact.
TEST(NySysInfoGather, FactsOfThisComputer) {
  const TNySysInfo info = GatherSysInfo();
  EXPECT_FALSE(info.OSName.empty());
  EXPECT_FALSE(info.OSVersion.empty());
  EXPECT_FALSE(info.CPUName.empty());
  EXPECT_FALSE(info.Computer.empty());
  EXPECT_NE(info.User, "Unknown");
  EXPECT_EQ(info.SysDir, GetProgramDir());
  EXPECT_EQ(info.TmpDir, GetTempDir());
  EXPECT_EQ(info.WinDir.back(), '/');
  EXPECT_GT(SystemMemory().Total, 0u);
  EXPECT_GE(SystemMemory().Total, SystemMemory().Available);
  const TNyDisk disk = DiskOf("/");
  EXPECT_GT(disk.Total, 0u);
  EXPECT_GE(disk.Total, disk.Free);
  EXPECT_EQ(DiskOf("/no/such/place").Total, 0u);
#ifndef __SANITIZE_ADDRESS__  // the sanitizer's allocator keeps no such statistics
  auto block = std::make_unique<char[]>(1 << 20);
  block[0] = 1;
  EXPECT_GE(ProgramHeap().Bytes, 1u << 20);
  EXPECT_GT(ProgramHeap().Blocks, 0u);
#endif
  EXPECT_EQ(GetVersionStrings().File, "0.20.0.0");
  EXPECT_EQ(GetVersionStrings().Product, "0.20.0.0");
}
