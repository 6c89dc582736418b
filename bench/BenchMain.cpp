// vellum-bench: runs one benchmark, named by the first argument.
#include <cstdio>
#include <cstring>
#include <iterator>

#include <sys/resource.h>

#include "Bench.h"

double vbench::CpuSeconds(bool withChildren) {
  double sum = 0;
  for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    if (who == RUSAGE_CHILDREN && !withChildren) break;
    rusage ru{};
    getrusage(who, &ru);
    sum += double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
  }
  return sum;
}

namespace {

struct TSubcommand {
  const char* name;
  int (*run)(int argc, char** argv);
  const char* help;
};

const TSubcommand kSubcommands[] = {
    {"archive", vbench::RunArchive, "packing, extraction, listing and CRC-32 against zip/unzip"},
    {"data", vbench::RunData, "record set load of a library table against the bare engine loop"},
    {"search", vbench::RunSearch, "RefreshDocList with MyLike against the engine's LIKE"},
    {"open", vbench::RunOpen, "OpenLibrary into the grid's model against the bare engine loop"},
    {"grid", vbench::RunGrid, "the document grid painted offscreen at random scroll positions"},
    {"view", vbench::RunView, "viewer load of 20 MB plain and rich text against read+decode"},
    {"append", vbench::RunAppend, "AddDocument of N text documents against zlib and writing"},
    {"check", vbench::RunCheck, "the library check of N zip archives against bare reading loops"},
};

int Usage() {
  std::fprintf(stderr, "usage: vellum-bench <benchmark> [options]\nbenchmarks:\n");
  for (const TSubcommand& s : kSubcommands) std::fprintf(stderr, "  %-10s %s\n", s.name, s.help);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  for (const TSubcommand& s : kSubcommands) {
    if (std::strcmp(argv[1], s.name) == 0) return s.run(argc - 2, argv + 2);
  }
  std::fprintf(stderr, "vellum-bench: unknown benchmark \"%s\"\n", argv[1]);
  return Usage();
}
