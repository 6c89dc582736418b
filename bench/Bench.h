// The benchmark subcommands of vellum-bench. Each takes the arguments after its own name,
// prints its figures to standard output and returns the program's exit status.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace vbench {

// Processor time (user + system) of this process in seconds, with `withChildren` also of its
// waited-for children. The machine may be shared, so figures give processor time beside wall
// time and the ratios use it.
double CpuSeconds(bool withChildren = false);

// Wall and processor seconds of one run of `f`.
struct TTimes {
  double wall = 0;
  double cpu = 0;
};
template <class F>
TTimes Time(F&& f) {
  const auto t0 = std::chrono::steady_clock::now();
  const double c0 = CpuSeconds();
  f();
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(),
          CpuSeconds() - c0};
}

// vellum-bench archive [--mb N]: packing, extraction, listing and CRC-32 speed.
int RunArchive(int argc, char** argv);

// vellum-bench check [--docs N]: the library check over N small zip archives (CheckBench.cpp).
int RunCheck(int argc, char** argv);

// vellum-bench data [--rows N]: a library of N document rows, the floor loop, the record set.
int RunData(int argc, char** argv);

// vellum-bench search|open|grid [--rows N]: the document list of a library (LibraryBench.cpp).
int RunSearch(int argc, char** argv);
int RunOpen(int argc, char** argv);
int RunGrid(int argc, char** argv);
// vellum-bench view [--mb N]: the document viewer's load of plain and rich text against
// reading and decoding the bytes.
int RunView(int argc, char** argv);

// vellum-bench append [--docs N]: AddDocument of N text documents (AppendBench.cpp).
int RunAppend(int argc, char** argv);

// The LSTDOC table of a library with `rows` generated document rows (Latin and Cyrillic, the
// lengths of real catalogues) in a new database file at `path`; returns `path`.
std::string MakeDocLibrary(int64_t rows, const std::string& path);

// "select RowId,* from LSTDOC" stepped with the record set's engine calls, every column read
// as text and dropped: the floor of any load.
struct TFloorResult {
  int64_t rows = 0;
  uint64_t textBytes = 0;
  uint64_t checksum = 0;  // of the texts' last bytes, so that no read is left out
  double wallSeconds = 0;
  double cpuSeconds = 0;
};
TFloorResult MeasureFloor(const std::string& path);
// The connection's LoadAllRows of the same query into plain row blocks (no record set);
// `recordSize` receives the bytes of one row.
TFloorResult MeasureConnectionLoad(const std::string& path, int* recordSize);

// The record-set half of `data` (a strong definition replaces the placeholder): opens the same
// query into a record set and prints its figures; returns the load's processor seconds
// (user + system, compared with floor.cpuSeconds for load_ratio: the machine is shared, so
// wall time is noisy), or a negative number when it has none. It may run the floor again
// between its opens, so that both see the same load, and then lowers floor to the least run.
double RunDataRecordSet(const std::string& path, int64_t rows, TFloorResult& floor);

}  // namespace vbench
