// vellum-bench archive: the archive store against Info-ZIP's tools on one generated corpus.
//
// The corpus (about 100 MB by default, --mb N to change) is made of text documents (Latin and
// Cyrillic prose drawn from a skewed vocabulary, as real documents are) and binary ones
// (incompressible blocks such as embedded pictures, and structured records). Each document is
// packed into an archive of its own, exactly as the program files documents:
//   pack      PackDocument (level 5) against `zip -q -5 -j` per document and against bare zlib
//             level-5 raw Deflate of the same bytes from memory (the floor);
//   extract   `unzip -o` per archive;
//   list      10,000 small archives: `unzip -Z1` over all of them in one run;
//   crc32     the program's CRC-32 against zlib's over 256 MiB in memory.
// The last line is pack_ratio=<PackDocument time / zip -5 time>.
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "Bench.h"
#include "archive/ArchiveList.h"
#include "archive/ArchiveOps.h"
#include "archive/NyCrc32.h"
#include "archive/ZipReader.h"
#include "archive/ZipWriter.h"
#include "util/NyApi.h"

extern char** environ;

namespace vbench {
namespace {

namespace fs = std::filesystem;
using TClock = std::chrono::steady_clock;

double Seconds(TClock::time_point since) {
  return std::chrono::duration<double>(TClock::now() - since).count();
}

// Wall and processor time of one measured stretch; the outside tools run as children, and
// their time counts.
struct TSpan {
  TClock::time_point wall = TClock::now();
  double cpu = CpuSeconds(true);
  double wallSeconds = 0, cpuSeconds = 0;
  void Stop() {
    wallSeconds += Seconds(wall);
    cpuSeconds += CpuSeconds(true) - cpu;
  }
  void Restart() {
    wall = TClock::now();
    cpu = CpuSeconds(true);
  }
};

// Runs a program with its output thrown away; the exit status, -1 when it cannot start.
int Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  int rc = posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HaveProgram(const char* name) {
  return Run({"sh", "-c", std::string("command -v ") + name}) == 0;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// ---- corpus ----------------------------------------------------------------------------

class TCorpusMaker {
 public:
  explicit TCorpusMaker(uint64_t seed) : rng_(seed) {
    static const char* latin = "etaoinshrdlucmfwypvbgkjqxz";
    static const char* cyr[] = {"\xD0\xBE", "\xD0\xB5", "\xD0\xB0", "\xD0\xB8", "\xD0\xBD",
                                "\xD1\x82", "\xD1\x81", "\xD1\x80", "\xD0\xB2", "\xD0\xBB",
                                "\xD0\xBA", "\xD0\xBC", "\xD0\xB4", "\xD0\xBF", "\xD1\x83"};
    for (int i = 0; i < 3000; ++i) {
      std::string w, c;
      int len = 2 + static_cast<int>(rng_() % 9);
      for (int k = 0; k < len; ++k) {
        w += latin[std::min<size_t>(rng_() % 26, rng_() % 26)];
        c += cyr[rng_() % 15];
      }
      latin_.push_back(w);
      cyrillic_.push_back(c);
    }
  }

  std::string Text(size_t size, bool cyrillic) {
    const auto& words = cyrillic ? cyrillic_ : latin_;
    std::string s;
    s.reserve(size + 64);
    size_t inLine = 0;
    while (s.size() < size) {
      // A skewed choice: a few words are very common, most are rare.
      double u = std::uniform_real_distribution<double>(0, 1)(rng_);
      size_t idx = static_cast<size_t>(u * u * u * static_cast<double>(words.size()));
      s += words[idx];
      inLine += words[idx].size() + 1;
      if (rng_() % 13 == 0) s += ',';
      if (inLine > 70) {
        s += rng_() % 6 == 0 ? ".\n\n" : "\n";
        inLine = 0;
      } else {
        s += ' ';
      }
    }
    s.resize(size);
    return s;
  }

  std::string Binary(size_t size) {
    std::string s;
    s.reserve(size + 8);
    while (s.size() < size) {
      if (rng_() % 2 == 0) {
        // An incompressible block: an embedded picture or compressed stream.
        size_t n = 4096 + rng_() % 65536;
        for (size_t i = 0; i < n; i += 8) {
          uint64_t v = rng_();
          s.append(reinterpret_cast<const char*>(&v), 8);
        }
      } else {
        // Structured records: small counters, offsets and a few flags.
        size_t n = 256 + rng_() % 2048;
        uint32_t base = static_cast<uint32_t>(rng_());
        for (size_t i = 0; i < n; ++i) {
          uint32_t rec[4] = {static_cast<uint32_t>(i), base + static_cast<uint32_t>(i) * 48,
                             static_cast<uint32_t>(rng_() % 16), 0};
          s.append(reinterpret_cast<const char*>(rec), sizeof rec);
        }
      }
    }
    s.resize(size);
    return s;
  }

  size_t Size(size_t lo, size_t hi) { return lo + rng_() % (hi - lo); }
  std::mt19937_64& Rng() { return rng_; }

 private:
  std::mt19937_64 rng_;
  std::vector<std::string> latin_, cyrillic_;
};

struct TDoc {
  std::string path;
  size_t size;
};

std::vector<TDoc> MakeCorpus(const std::string& dir, size_t totalBytes) {
  TCorpusMaker maker(20261208);
  std::vector<TDoc> docs;
  size_t total = 0;
  static const char* textExt[] = {".txt", ".htm", ".rtf"};
  static const char* binExt[] = {".pdf", ".doc", ".xls", ".ppt"};
  for (int i = 0; total < totalBytes; ++i) {
    const size_t size = std::min(maker.Size(32 * 1024, 3 * 1024 * 1024), totalBytes - total + 1);
    const int kind = static_cast<int>(maker.Rng()() % 10);
    std::string bytes, ext;
    if (kind < 6) {
      bytes = maker.Text(size, kind >= 4);
      ext = textExt[i % 3];
    } else {
      bytes = maker.Binary(size);
      ext = binExt[i % 4];
    }
    TDoc d{dir + "doc" + std::to_string(i) + ext, bytes.size()};
    WriteBytes(d.path, bytes);
    total += bytes.size();
    docs.push_back(d);
  }
  return docs;
}

uint64_t DirBytes(const std::string& dir) {
  uint64_t sum = 0;
  for (const auto& e : fs::directory_iterator(dir)) {
    if (e.is_regular_file()) sum += e.file_size();
  }
  return sum;
}

size_t RawDeflate5(const std::string& in, std::vector<unsigned char>& out) {
  z_stream zs{};
  deflateInit2(&zs, 5, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  out.resize(deflateBound(&zs, in.size()));
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  zs.avail_in = static_cast<uInt>(in.size());
  zs.next_out = out.data();
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  size_t n = zs.total_out;
  deflateEnd(&zs);
  return n;
}

void Figure(const char* name, const TSpan& t, double mb, const char* extra = "") {
  std::printf("%-28s %7.3f s wall %7.3f s cpu %8.1f MB/s cpu%s\n", name, t.wallSeconds,
              t.cpuSeconds, mb / t.cpuSeconds, extra);
}

}  // namespace

int RunArchive(int argc, char** argv) {
  size_t megabytes = 100;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--mb") == 0 && i + 1 < argc) {
      megabytes = std::strtoul(argv[++i], nullptr, 10);
    } else {
      std::fprintf(stderr, "usage: vellum-bench archive [--mb N]\n");
      return 2;
    }
  }
  if (!HaveProgram("zip") || !HaveProgram("unzip")) {
    std::fprintf(stderr, "vellum-bench archive: needs zip and unzip on PATH\n");
    return 1;
  }
  std::string base =
      (getenv("TMPDIR") ? std::string(getenv("TMPDIR")) : "/tmp") + "/vellum-bench-XXXXXX";
  if (mkdtemp(base.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::string root = base + "/";
  for (const char* sub : {"docs", "ours", "zip", "out-unzip", "out-ours", "small", "small-zips"}) {
    fs::create_directories(root + sub);
  }

  std::printf("corpus: generating %zu MB in %s\n", megabytes, root.c_str());
  const std::vector<TDoc> docs = MakeCorpus(root + "docs/", megabytes * 1024 * 1024);
  double corpusMb = 0;
  for (const TDoc& d : docs) corpusMb += static_cast<double>(d.size) / 1e6;
  std::printf("corpus: %zu documents, %.1f MB\n", docs.size(), corpusMb);
  Run({"sync"});

  // ---- packing ----
  char extra[128];
  const auto sizeNote = [&](const char* what, uint64_t bytes) {
    std::snprintf(extra, sizeof extra, "  %s %.1f MB (%.1f%%)", what, bytes / 1e6,
                  100.0 * bytes / 1e6 / corpusMb);
    return extra;
  };
  ny::TZipWriter writer;
  TSpan ours;
  for (const TDoc& d : docs) ny::PackDocument(writer, root + "ours/", d.path);
  ours.Stop();
  const uint64_t oursBytes = DirBytes(root + "ours/");
  Figure("pack PackDocument -5", ours, corpusMb, sizeNote("archives", oursBytes));

  TSpan zip;
  for (const TDoc& d : docs) {
    Run({"zip", "-q", "-5", "-j", root + "zip/" + ny::ArchiveNameOf(d.path), d.path});
  }
  zip.Stop();
  const uint64_t zipBytes = DirBytes(root + "zip/");
  Figure("pack zip -5 -j", zip, corpusMb, sizeNote("archives", zipBytes));

  TSpan floor;
  uint64_t floorBytes = 0;
  {
    std::vector<unsigned char> out;
    floor.Stop();
    for (const TDoc& d : docs) {
      const std::string bytes = ReadBytes(d.path);
      floor.Restart();
      floorBytes += RawDeflate5(bytes, out);
      floor.Stop();
    }
  }
  Figure("pack zlib-5 floor (memory)", floor, corpusMb, sizeNote("deflate ", floorBytes));
  std::printf("pack_size_ratio=%.3f\n", static_cast<double>(oursBytes) / zipBytes);

  // ---- extraction ----
  TSpan unzip;
  for (const TDoc& d : docs) {
    Run({"unzip", "-o", "-q", root + "ours/" + ny::ArchiveNameOf(d.path), "-d",
         root + "out-unzip"});
  }
  unzip.Stop();
  Figure("extract unzip -o", unzip, corpusMb);

  TSpan reader;
  for (const TDoc& d : docs) {
    ny::TZipReader r;
    r.SetZipName(root + "ours/" + ny::ArchiveNameOf(d.path));
    r.SetDestDir(root + "out-ours");
    r.SetFilesList({ny::ExtractName(d.path)});
    r.OnAskYesNo = [](const std::string&, const std::string&) { return true; };
    r.UnZip();
  }
  reader.Stop();
  Figure("extract TZipReader", reader, corpusMb);
  size_t same = 0;
  for (const TDoc& d : docs) {
    same += ReadBytes(root + "out-ours/" + ny::ExtractName(d.path)) == ReadBytes(d.path);
  }
  if (same != docs.size())
    std::printf("extract: %zu of %zu documents differ!\n", docs.size() - same, docs.size());
  std::printf("extract_ratio=%.3f\n", reader.cpuSeconds / unzip.cpuSeconds);

  // ---- listing ----
  const int kSmall = 10000;
  {
    TCorpusMaker maker(7);
    for (int i = 0; i < kSmall; ++i) {
      WriteBytes(root + "small/s" + std::to_string(i) + ".txt",
                 maker.Text(maker.Size(200, 4000), i % 3 == 0));
    }
  }
  TSpan smallPack;
  for (int i = 0; i < kSmall; ++i) {
    ny::PackDocument(writer, root + "small-zips/", root + "small/s" + std::to_string(i) + ".txt");
  }
  smallPack.Stop();
  std::printf("%-28s %7.3f s wall %7.3f s cpu %8.0f archives/s cpu\n", "pack 10000 small documents",
              smallPack.wallSeconds, smallPack.cpuSeconds, kSmall / smallPack.cpuSeconds);
  TSpan unzipList;
  Run({"unzip", "-Z1", root + "small-zips/*.ZIP"});
  unzipList.Stop();
  std::printf("%-28s %7.3f s wall %7.3f s cpu %8.0f archives/s cpu\n", "list unzip -Z1 (one run)",
              unzipList.wallSeconds, unzipList.cpuSeconds, kSmall / unzipList.cpuSeconds);
  TSpan listing;
  long listed = 0;
  for (int i = 0; i < kSmall; ++i) {
    listed += ny::ListZipArchive(root + "small-zips/s" + std::to_string(i) + ".ZIP");
  }
  listing.Stop();
  std::printf("%-28s %7.3f s wall %7.3f s cpu %8.0f archives/s cpu%s\n", "list ListZipArchive",
              listing.wallSeconds, listing.cpuSeconds, kSmall / listing.cpuSeconds,
              listed == kSmall ? "" : "  WRONG COUNT");
  std::printf("list_ratio=%.3f\n", listing.cpuSeconds / unzipList.cpuSeconds);

  // ---- CRC-32 ----
  {
    std::vector<unsigned char> buf(256u << 20);
    std::mt19937_64 rng(1);
    for (size_t i = 0; i + 8 <= buf.size(); i += 8) {
      uint64_t v = rng();
      std::memcpy(&buf[i], &v, 8);
    }
    const double mb = static_cast<double>(buf.size()) / 1e6;
    TSpan oursCrc;
    const uint32_t mine = ny::Crc32(buf.data(), buf.size());
    oursCrc.Stop();
    TSpan zlibCrc;
    const uint32_t theirs =
        static_cast<uint32_t>(crc32(0, buf.data(), static_cast<uInt>(buf.size())));
    zlibCrc.Stop();
    Figure("crc32 ours", oursCrc, mb, mine == theirs ? "" : "  MISMATCH");
    Figure("crc32 zlib", zlibCrc, mb);
  }

  std::error_code ec;
  fs::remove_all(base, ec);
  std::printf("pack_ratio=%.3f\n", ours.cpuSeconds / zip.cpuSeconds);
  return 0;
}

}  // namespace vbench
