// vellum-bench check --docs N: the library check over N small zip archives packed by the
// program, against bare loops over the same files:
//  - check_ratio: CheckLibrary (no verification) against opening each archive, reading its
//    end record and central directory and closing it again;
//  - verify_ratio: CheckLibrary with "Verify archive contents" against reading each archive
//    whole and inflating its entry with bare zlib (raw deflate) into a buffer, CRC-32 included.
// Processor time (user + system) is compared; the machine is shared.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Bench.h"
#include "app/Form1.h"
#include "app/Form1ConsoleView.h"
#include "app/Form1Model.h"
#include "archive/ArchiveOps.h"
#include "sqlite/NySQLite3DB.h"
#include "util/NyApi.h"

namespace vbench {

namespace {

uint32_t Get32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}
uint16_t Get16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// Opens the archive, finds the end record in its tail, reads the central directory; the
// number of entries, 0 when something is off.
int FloorList(const std::string& path, uint64_t& sink) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  struct stat st {};
  fstat(fd, &st);
  const size_t size = static_cast<size_t>(st.st_size);
  const size_t tail = std::min<size_t>(size, 65557);
  std::vector<unsigned char> buf(tail);
  int entries = 0;
  if (pread(fd, buf.data(), tail, static_cast<off_t>(size - tail)) == static_cast<ssize_t>(tail)) {
    for (size_t i = tail >= 22 ? tail - 22 + 1 : 0; i-- > 0;) {
      if (Get32(&buf[i]) != 0x06054b50) continue;
      const uint32_t cdSize = Get32(&buf[i + 12]);
      const uint32_t cdOff = Get32(&buf[i + 16]);
      std::vector<unsigned char> cd(cdSize);
      if (pread(fd, cd.data(), cdSize, cdOff) == static_cast<ssize_t>(cdSize)) {
        for (size_t p = 0; p + 46 <= cd.size() && Get32(&cd[p]) == 0x02014b50;) {
          sink += Get32(&cd[p + 24]) + cd[p + 46 - 1];
          ++entries;
          p += 46 + Get16(&cd[p + 28]) + Get16(&cd[p + 30]) + Get16(&cd[p + 32]);
        }
      }
      break;
    }
  }
  ::close(fd);
  return entries;
}

// Reads the archive whole and inflates its first entry; true when the CRC-32 matches.
bool FloorInflate(const std::string& path, std::vector<unsigned char>& out) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  fstat(fd, &st);
  std::vector<unsigned char> buf(static_cast<size_t>(st.st_size));
  const bool read = pread(fd, buf.data(), buf.size(), 0) == static_cast<ssize_t>(buf.size());
  ::close(fd);
  if (!read || buf.size() < 30 || Get32(buf.data()) != 0x04034b50) return false;
  const uint32_t crc = Get32(&buf[14]);
  const uint32_t packed = Get32(&buf[18]);
  const uint32_t unpacked = Get32(&buf[22]);
  const size_t data = 30 + Get16(&buf[26]) + Get16(&buf[28]);
  if (data + packed > buf.size()) return false;
  out.resize(unpacked);
  z_stream zs{};
  inflateInit2(&zs, -MAX_WBITS);
  zs.next_in = &buf[data];
  zs.avail_in = packed;
  zs.next_out = out.data();
  zs.avail_out = unpacked;
  inflate(&zs, Z_FINISH);
  inflateEnd(&zs);
  return crc32(0, out.data(), unpacked) == crc;
}

}  // namespace

int RunCheck(int argc, char** argv) {
  long long docs = 10000;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--docs") == 0 && i + 1 < argc) {
      docs = std::atoll(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: vellum-bench check [--docs N]\n");
      return 2;
    }
  }
  if (docs < 1) {
    std::fprintf(stderr, "vellum-bench check: --docs must be at least 1\n");
    return 2;
  }
  char templ[] = "/tmp/vellum-bench-check-XXXXXX";
  if (mkdtemp(templ) == nullptr) return 1;
  const std::string dir = std::string(templ) + "/";
  int rc = 0;
  try {
    std::ostringstream messages;
    ny::TForm1ConsoleView view{messages};
    ny::TForm1 form{view, ny::TForm1Env{dir + "vellum", dir + "vellum.ini", dir + "tmp/"}};
    ny::ForceDirs(dir + "tmp/");
    ny::ForceDirs(dir + "src/");
    const std::string lib = dir + "Books.sqb";
    form.CreateLibrary(lib);
    form.FormCreate();

    // N documents of a few hundred bytes, each in its own archive, and their rows.
    std::vector<std::string> archives;
    std::string sql = "begin;";
    for (long long i = 0; i < docs; ++i) {
      const std::string name = "doc" + std::to_string(i) + ".txt";
      std::string text;
      for (int k = 0; k < 40; ++k) text += "line " + std::to_string(k * i) + " of document\n";
      std::ofstream(dir + "src/" + name, std::ios::binary) << text;
      const std::string zip = ny::PackDocument(form.ZipWriter(), dir + "tmp/", dir + "src/" + name);
      std::string filed;
      if (!ny::FileArchive(ny::LibraryDir(lib), zip, "Actions", true, &filed)) throw std::runtime_error("filing failed");
      unlink((dir + "src/" + name).c_str());
      archives.push_back(ny::LibraryDir(lib) + "/Actions/" + filed);
      sql += "insert into LSTDOC (AUTHOR,NAME,SUBJ,SIZE,FILENAME,ARCHNAME) values ('a','n','Actions'," +
             std::to_string(text.size()) + ",'" + name + "','" + filed + "');";
    }
    sql += "commit;";
    form.SQLiteDB().ExecuteScript(sql);
    form.OpenLibrary(lib);

    uint64_t sink = 0;
    int listed = 0;
    const TTimes floorList = Time([&] {
      for (const std::string& a : archives) listed += FloorList(a, sink);
    });
    const TTimes check = Time([&] { form.CheckLibrary(); });
    const std::string summary = messages.str();
    messages.str("");
    std::vector<unsigned char> out;
    int intact = 0;
    const TTimes floorInflate = Time([&] {
      for (const std::string& a : archives) intact += FloorInflate(a, out) ? 1 : 0;
    });
    form.Model().Get("chVerifyArc").SetValue("Checked", ny::BoolValue(true));
    const TTimes verify = Time([&] { form.CheckLibrary(); });
    const std::string verified = messages.str();
    const std::string want = "Valid files: " + std::to_string(docs) + "\n";
    if (listed != docs || intact != docs || summary.find(want) == std::string::npos ||
        verified.find(want) == std::string::npos) {
      std::fprintf(stderr, "vellum-bench check: results differ: %d %d\n%s%s", listed, intact,
                   summary.c_str(), verified.c_str());
      rc = 1;
    }
    std::printf("docs=%lld\n", docs);
    std::printf("check_seconds=%.3f (cpu %.3f) floor_seconds=%.3f (cpu %.3f)\n", check.wall,
                check.cpu, floorList.wall, floorList.cpu);
    std::printf("check_ratio=%.3f\n", check.cpu / floorList.cpu);
    std::printf("verify_seconds=%.3f (cpu %.3f) floor_seconds=%.3f (cpu %.3f)\n", verify.wall,
                verify.cpu, floorInflate.wall, floorInflate.cpu);
    std::printf("verify_ratio=%.3f\n", verify.cpu / floorInflate.cpu);
    if (sink == 1) std::printf(" ");  // keeps the reads
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vellum-bench check: %s\n", e.what());
    rc = 1;
  }
  std::filesystem::remove_all(templ);
  return rc;
}

}  // namespace vbench
