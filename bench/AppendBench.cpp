// vellum-bench append [--docs N]: N text documents (about 70 KB each, Latin and Cyrillic)
// appended through the window's own AddDocument into a new library, against the floor of
// packing the same files with bare zlib (raw Deflate level 5 and the CRC-32) and writing
// each packed file; the floor also once with each file flushed to disk, as filing does.
// AddDocument is timed twice: as the program runs it, and with the engine's commit work cut
// down (PRAGMA synchronous=OFF: no flush; journal_mode=MEMORY: no journal file made and
// removed per insert), which shows what each insert's commit costs.
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "Bench.h"
#include "app/Form1.h"
#include "app/Form1ConsoleView.h"
#include "intake/DocIntake.h"
#include "util/NyApi.h"

namespace vbench {
namespace {

using Clock = std::chrono::steady_clock;

// Prose of a skewed vocabulary: Latin words, or Cyrillic ones in every third document.
std::string MakeText(std::mt19937_64& rng, size_t size, bool cyrillic) {
  static const char* latin = "etaoinshrdlucmfwypvbgkjqxz";
  static const char* cyr[] = {"о", "е", "а", "и", "н", "т", "с", "р", "в", "л", "к", "м", "д", "п", "у"};
  static std::vector<std::string> words[2];
  if (words[0].empty()) {
    std::mt19937_64 w(7);
    for (int i = 0; i < 3000; ++i) {
      std::string a, c;
      for (int k = 0, n = 2 + int(w() % 9); k < n; ++k) {
        a += latin[std::min<size_t>(w() % 26, w() % 26)];
        c += cyr[w() % 15];
      }
      words[0].push_back(a);
      words[1].push_back(c);
    }
  }
  const auto& list = words[cyrillic ? 1 : 0];
  std::string s;
  s.reserve(size + 32);
  size_t line = 0;
  while (s.size() < size) {
    const double u = std::uniform_real_distribution<double>(0, 1)(rng);
    const std::string& word = list[size_t(u * u * u * double(list.size()))];
    s += word;
    line += word.size() + 1;
    if (line > 70) {
      s += '\n';
      line = 0;
    } else {
      s += ' ';
    }
  }
  s.resize(size);
  return s;
}

std::string ReadAll(const std::string& path) {
  std::string s(size_t(ny::GetFileSize64(path)), '\0');
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || ::read(fd, s.data(), s.size()) != ssize_t(s.size())) std::abort();
  ::close(fd);
  return s;
}

// Read, CRC-32, raw Deflate level 5, write: the least any packer of these files does.
void Floor(const std::vector<std::string>& docs, const std::string& outDir, bool sync) {
  std::vector<unsigned char> out;
  for (const std::string& d : docs) {
    const std::string in = ReadAll(d);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(in.data()), uInt(in.size()));
    z_stream zs{};
    deflateInit2(&zs, 5, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    out.resize(deflateBound(&zs, in.size()) + 4);
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    zs.avail_in = uInt(in.size());
    zs.next_out = out.data();
    zs.avail_out = uInt(out.size() - 4);
    deflate(&zs, Z_FINISH);
    const size_t n = zs.total_out;
    deflateEnd(&zs);
    std::memcpy(out.data() + n, &crc, 4);
    const std::string target = outDir + ny::ExtractName(d) + ".z";
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || !ny::WriteAllFd(fd, out.data(), n + 4) || (sync && ::fsync(fd) != 0)) std::abort();
    ::close(fd);
  }
}

// Every document appended into a new library at `lib`; returns the rows added.
int Append(const std::vector<std::string>& docs, const std::string& lib, bool commitFlush) {
  std::ostringstream messages;
  ny::TForm1ConsoleView view(messages);
  ny::TForm1 form(view, ny::TForm1Env{});
  form.CreateLibrary(lib);
  if (!commitFlush) form.SQLiteDB().ExecuteScript("PRAGMA synchronous=OFF;PRAGMA journal_mode=MEMORY;");
  ny::TDocIntake intake(form, view);
  int added = 0;
  for (const std::string& d : docs) added += intake.AddDocument(d, "War", "War", false).Added;
  return added;
}

void Print(const char* name, const TTimes& t, double mb) {
  std::printf("%-34s %8.3f s wall %8.3f s cpu %7.1f MB/s cpu\n", name, t.wall, t.cpu,
              t.cpu > 0 ? mb / t.cpu : 0.0);
}

}  // namespace

int RunAppend(int argc, char** argv) {
  int docs = 1000;
  for (int i = 0; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--docs") == 0) docs = std::atoi(argv[i + 1]);
  }
  if (docs <= 0) {
    std::fprintf(stderr, "usage: vellum-bench append [--docs N]\n");
    return 2;
  }
  namespace fs = std::filesystem;
  // Beside the library of a user, not in a memory file system: filing flushes to disk.
  const std::string base = fs::current_path().string() + "/vellum-bench-append-" +
                           std::to_string(getpid()) + "/";
  for (const char* d : {"docs", "floor", "floorsync", "lib1", "lib2"}) fs::create_directories(base + d);
  std::mt19937_64 rng(20261209);
  std::vector<std::string> paths;
  uint64_t bytes = 0;
  for (int i = 0; i < docs; ++i) {
    const size_t size = 40000 + rng() % 60000;
    const std::string p = base + "docs/doc" + std::to_string(i) + ".txt";
    const std::string text = MakeText(rng, size, i % 3 == 2);
    const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || !ny::WriteAllFd(fd, text.data(), text.size())) std::abort();
    ::close(fd);
    bytes += text.size();
    paths.push_back(p);
  }
  ::sync();
  const double mb = double(bytes) / 1e6;
  std::printf("documents %d, %.1f MB in %s\n", docs, mb, base.c_str());
  for (const std::string& p : paths) ReadAll(p);  // every measure reads from the page cache
  const TTimes floor = Time([&] { Floor(paths, base + "floor/", false); });
  Print("floor zlib-5 + crc + write", floor, mb);
  const TTimes floorSync = Time([&] { Floor(paths, base + "floorsync/", true); });
  Print("floor + fsync per file", floorSync, mb);
  int added = 0;
  const TTimes noFlush = Time([&] { added = Append(paths, base + "lib1/Books.sqb", false); });
  Print("AddDocument, commit work cut down", noFlush, mb);
  if (added != docs) std::fprintf(stderr, "vellum-bench: only %d of %d appended\n", added, docs);
  const TTimes ours = Time([&] { added = Append(paths, base + "lib2/Books.sqb", true); });
  Print("AddDocument", ours, mb);
  if (added != docs) std::fprintf(stderr, "vellum-bench: only %d of %d appended\n", added, docs);
  std::printf("append_wall_ratio=%.3f append_commit_cut_ratio=%.3f\n", ours.wall / floor.wall,
              noFlush.cpu / floor.cpu);
  std::printf("append_ratio=%.3f\n", ours.cpu / floor.cpu);
  fs::remove_all(base);
  return added == docs ? 0 : 1;
}

}  // namespace vbench
