#include "archive/ZipWriter.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>
#include <zlib.h>

#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "archive/NyCrc32.h"
#include "archive/ZipFormat.h"
#include "archive/ZipReader.h"
#include "common/TestDir.h"

namespace {

namespace fs = std::filesystem;
using ny::TZipWriteStatus;
using nytest::ReadFile;
using nytest::RunShell;
using nytest::TestDir;
using nytest::WriteFile;

std::string Quote(const std::string& s) {
  return "'" + s + "'";
}

std::string RandomBytes(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(rng());
  return s;
}

std::string SomeText(size_t n) {
  std::string s;
  for (int i = 0; s.size() < n; ++i) {
    s += "Line " + std::to_string(i) + ": the catalogue keeps every document packed.\n";
  }
  s.resize(n);
  return s;
}

// The three outside tools must accept the archive as sound, each by its own test command.
void ExpectToolsAccept(const std::string& zip) {
  std::string out;
  if (nytest::HaveTool("unzip")) {
    EXPECT_EQ(RunShell("unzip -t " + Quote(zip), &out), 0) << out;
    EXPECT_NE(out.find("No errors detected"), std::string::npos) << out;
  }
  if (nytest::HaveTool("python3")) {
    EXPECT_EQ(RunShell("python3 -m zipfile -t " + Quote(zip), &out), 0) << out;
    EXPECT_NE(out.find("Done testing"), std::string::npos) << out;
  }
  if (nytest::HaveTool("7z")) {
    EXPECT_EQ(RunShell("7z t " + Quote(zip), &out), 0) << out;
    EXPECT_NE(out.find("Everything is Ok"), std::string::npos) << out;
  }
}

// Python's own reading of the archive: one line per entry.
std::string PythonInfo(const std::string& zip) {
  std::string out;
  RunShell(
      "python3 -c 'import sys,zipfile\n"
      "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
      " print(i.filename, i.flag_bits, i.compress_type, i.CRC, i.compress_size,"
      " i.file_size, i.internal_attr, i.external_attr, *i.date_time, sep=\"|\")' " +
          Quote(zip),
      &out);
  return out;
}

// The archive parsed record by record, checking that it holds nothing but the expected
// records back to back.
struct TParsed {
  std::vector<ny::TZipHeaderInfo> local, central;
  std::vector<std::string> localNames, centralNames, data;
  ny::TEndCentral end;
};

TParsed Parse(const std::string& bytes) {
  TParsed p;
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t pos = 0;
  while (pos + 4 <= bytes.size() && ny::ZipGet32(b + pos) == ny::kZipLocalSig) {
    ny::TZipHeaderInfo h;
    EXPECT_TRUE(ny::DecodeLocalHeader(b + pos, h));
    pos += ny::kZipLocalSize;
    p.localNames.push_back(bytes.substr(pos, h.NameLength));
    pos += h.NameLength + h.ExtraLength;
    p.data.push_back(bytes.substr(pos, h.CompressedSize));
    pos += h.CompressedSize;
    p.local.push_back(h);
  }
  const size_t centralStart = pos;
  while (pos + 4 <= bytes.size() && ny::ZipGet32(b + pos) == ny::kZipCentralSig) {
    ny::TZipHeaderInfo h;
    EXPECT_TRUE(ny::DecodeCentralHeader(b + pos, h));
    pos += ny::kZipCentralSize;
    p.centralNames.push_back(bytes.substr(pos, h.NameLength));
    pos += h.NameLength + h.ExtraLength + h.CommentLength;
    p.central.push_back(h);
  }
  EXPECT_EQ(pos + ny::kZipEndSize, bytes.size()) << "end record must close the file";
  if (pos + ny::kZipEndSize <= bytes.size()) {
    EXPECT_TRUE(ny::DecodeEndCentral(b + pos, p.end));
    EXPECT_EQ(p.end.CentralOffset, centralStart);
    EXPECT_EQ(p.end.CentralSize, pos - centralStart);
  }
  return p;
}

std::string RawInflate(const std::string& packed, size_t expected) {
  std::string out(expected + 16, '\0');
  z_stream zs{};
  EXPECT_EQ(inflateInit2(&zs, -MAX_WBITS), Z_OK);
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  zs.avail_in = static_cast<uInt>(packed.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(inflate(&zs, Z_FINISH), Z_STREAM_END);
  out.resize(zs.total_out);
  inflateEnd(&zs);
  return out;
}

TZipWriteStatus PackOne(const std::string& zip, const std::string& source, int level = 5) {
  ny::TZipWriter w;
  w.SetZipName(zip);
  w.SetCompressionLevel(level);
  w.SetFilesList({source});
  return w.Pack();
}

TEST(ZipWriter, OneDocumentArchiveHoldsExactlyItsRecordsFieldByField) {
  TestDir dir;
  const std::string text = SomeText(50000);
  WriteFile(dir / "A B.txt", text);
  // A known modification time: 2021-03-04 05:06:08 local time.
  struct tm tm {};
  tm.tm_year = 121, tm.tm_mon = 2, tm.tm_mday = 4, tm.tm_hour = 5, tm.tm_min = 6;
  tm.tm_sec = 8, tm.tm_isdst = -1;
  struct utimbuf ut {
    mktime(&tm), mktime(&tm)
  };
  ASSERT_EQ(utime((dir / "A B.txt").c_str(), &ut), 0);

  ny::TZipWriter w;
  w.SetZipName(dir / "A B.ZIP");
  w.SetFilesList({dir / "A B.txt"});
  ASSERT_EQ(w.Pack(), TZipWriteStatus::zwOk) << w.ErrorText();
  EXPECT_EQ(w.Count(), 1);
  EXPECT_EQ(w.ErrorText(), "");

  const std::string bytes = ReadFile(dir / "A B.ZIP");
  TParsed p = Parse(bytes);
  ASSERT_EQ(p.local.size(), 1u);
  ASSERT_EQ(p.central.size(), 1u);
  EXPECT_EQ(p.end.ThisDisk, 0);
  EXPECT_EQ(p.end.CentralDisk, 0);
  EXPECT_EQ(p.end.EntriesThisDisk, 1);
  EXPECT_EQ(p.end.TotalEntries, 1);
  EXPECT_EQ(p.end.CommentLength, 0);

  const ny::TZipHeaderInfo& l = p.local[0];
  const ny::TZipHeaderInfo& c = p.central[0];
  EXPECT_EQ(p.localNames[0], "A B.txt");
  EXPECT_EQ(p.centralNames[0], "A B.txt");
  EXPECT_EQ(l.VersionNeeded, 20);
  EXPECT_EQ(c.VersionMadeBy, 20);
  EXPECT_EQ(l.Flags, 0);  // level 5, ASCII name, no data descriptor
  EXPECT_EQ(l.Method, 8);
  EXPECT_EQ(l.ExtraLength, 0);
  EXPECT_EQ(c.ExtraLength | c.CommentLength | c.DiskStart, 0);
  EXPECT_EQ(c.LocalHeaderOffset, 0u);
  EXPECT_EQ(c.ExternalAttr, 0x80u);  // an ordinary file
  EXPECT_EQ(c.DosDateTime, (41u << 25 | 3u << 21 | 4u << 16 | 5u << 11 | 6u << 5 | 4u));
  // The rewritten local header carries the final values, equal to the central ones.
  EXPECT_EQ(l.Crc32, ny::Crc32(text.data(), text.size()));
  EXPECT_EQ(l.Crc32, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(text.data()),
                                                 static_cast<uInt>(text.size()))));
  EXPECT_EQ(c.Crc32, l.Crc32);
  EXPECT_EQ(l.UncompressedSize, text.size());
  EXPECT_EQ(c.UncompressedSize, text.size());
  EXPECT_EQ(c.CompressedSize, l.CompressedSize);
  EXPECT_LT(l.CompressedSize, text.size() / 4);
  EXPECT_EQ(c.DosDateTime, l.DosDateTime);
  EXPECT_EQ(RawInflate(p.data[0], text.size()), text);
  EXPECT_EQ(w.Headers().at(0).Crc32, l.Crc32);

  ExpectToolsAccept(dir / "A B.ZIP");
  EXPECT_EQ(PythonInfo(dir / "A B.ZIP"), "A B.txt|0|8|" + std::to_string(l.Crc32) + "|" +
                                             std::to_string(l.CompressedSize) +
                                             "|50000|1|128|2021|3|4|5|6|8\n");
  std::string out;
  ASSERT_EQ(RunShell("unzip -p " + Quote(dir / "A B.ZIP"), &out), 0);
  EXPECT_EQ(out, text);
}

// Level 0 stores; the others deflate and mark the level in the flags. Binary and text data
// come back byte for byte through an outside extractor.
TEST(ZipWriter, EveryLevelWritesSoundArchivesWithItsFlags) {
  TestDir dir;
  const std::string data = RandomBytes(300000, 7) + SomeText(300000);
  WriteFile(dir / "mixed.bin", data);
  const uint16_t wantFlags[10] = {0, 4, 4, 0, 0, 0, 0, 0, 2, 2};
  for (int level = 0; level <= 9; ++level) {
    SCOPED_TRACE("level " + std::to_string(level));
    const std::string zip = dir / std::string("L").append(std::to_string(level)).append(".zip");
    ASSERT_EQ(PackOne(zip, dir / "mixed.bin", level), TZipWriteStatus::zwOk);
    TParsed p = Parse(ReadFile(zip));
    ASSERT_EQ(p.local.size(), 1u);
    EXPECT_EQ(p.local[0].Flags, wantFlags[level]);
    EXPECT_EQ(p.central[0].Flags, wantFlags[level]);
    EXPECT_EQ(p.central[0].Method, level == 0 ? 0 : 8);
    EXPECT_EQ(p.central[0].InternalAttr, level == 0 ? 0 : 1);
    if (level == 0) {
      EXPECT_EQ(p.central[0].CompressedSize, data.size());
      EXPECT_EQ(p.data[0], data);
    } else {
      EXPECT_LT(p.central[0].CompressedSize, data.size());
      EXPECT_EQ(RawInflate(p.data[0], data.size()), data);
    }
    ExpectToolsAccept(zip);
    std::string out;
    ASSERT_EQ(RunShell("unzip -p " + Quote(zip), &out), 0);
    EXPECT_TRUE(out == data);
  }
  // Levels outside 0..9 are clamped.
  ny::TZipWriter w;
  w.SetCompressionLevel(-3);
  EXPECT_EQ(w.CompressionLevel(), 0);
  w.SetCompressionLevel(12);
  EXPECT_EQ(w.CompressionLevel(), 9);
}

TEST(ZipWriter, EmptyAndLargeDocuments) {
  TestDir dir;
  WriteFile(dir / "empty.txt", "");
  ASSERT_EQ(PackOne(dir / "empty.zip", dir / "empty.txt"), TZipWriteStatus::zwOk);
  TParsed p = Parse(ReadFile(dir / "empty.zip"));
  ASSERT_EQ(p.central.size(), 1u);
  EXPECT_EQ(p.central[0].Crc32, 0u);
  EXPECT_EQ(p.central[0].UncompressedSize, 0u);
  EXPECT_EQ(p.local[0].Crc32, 0u);
  ExpectToolsAccept(dir / "empty.zip");

  ASSERT_EQ(PackOne(dir / "empty0.zip", dir / "empty.txt", 0), TZipWriteStatus::zwOk);
  p = Parse(ReadFile(dir / "empty0.zip"));
  EXPECT_EQ(p.central.at(0).CompressedSize, 0u);
  ExpectToolsAccept(dir / "empty0.zip");

  // Several I/O blocks, the last one exactly full.
  const std::string big = RandomBytes(3 * 256 * 1024, 3);
  WriteFile(dir / "big.bin", big);
  ASSERT_EQ(PackOne(dir / "big.zip", dir / "big.bin"), TZipWriteStatus::zwOk);
  p = Parse(ReadFile(dir / "big.zip"));
  EXPECT_EQ(p.central.at(0).Crc32, ny::Crc32(big.data(), big.size()));
  ExpectToolsAccept(dir / "big.zip");
}

TEST(ZipWriter, CyrillicNameCarriesTheUtf8FlagAndShowsRightInOtherTools) {
  TestDir dir;
  const std::string name =
      "\xD0\x9A\xD0\xBD\xD0\xB8\xD0\xB3\xD0\xB0 \xD0\xBE\xD1\x82\xD1\x87"
      "\xD1\x91\xD1\x82.txt";  // "Книга отчёт.txt"
  WriteFile(dir / name, SomeText(2000));
  const std::string zip = dir / "book.zip";
  ASSERT_EQ(PackOne(zip, dir / name), TZipWriteStatus::zwOk);
  TParsed p = Parse(ReadFile(zip));
  ASSERT_EQ(p.central.size(), 1u);
  EXPECT_EQ(p.centralNames[0], name);  // UTF-8 bytes as they are
  EXPECT_EQ(p.central[0].Flags, ny::kZipFlagUtf8);
  EXPECT_EQ(p.local[0].Flags, ny::kZipFlagUtf8);
  EXPECT_EQ(p.central[0].VersionMadeBy, 0x0B14);
  ExpectToolsAccept(zip);

  std::string out;
  ASSERT_EQ(RunShell("LC_ALL=C.UTF-8 unzip -l " + Quote(zip), &out), 0);
  EXPECT_NE(out.find(name), std::string::npos) << out;
  ASSERT_EQ(RunShell("LC_ALL=C.UTF-8 7z l " + Quote(zip), &out), 0);
  EXPECT_NE(out.find(name), std::string::npos) << out;
  EXPECT_EQ(PythonInfo(zip).substr(0, name.size() + 6), name + "|2048|");
}

// Linux names that Windows tools would misread: bytes that are not UTF-8 (a Windows-1251
// name) and a '\' inside the name. Every tool and the program's own reader must agree.
TEST(ZipWriter, NamesOfOtherEncodingsAndWithBackslashesReadTheSameEverywhere) {
  TestDir dir;
  fs::create_directories(dir / "out");
  const std::string cp1251 = "\xCF\xF0\xE8\xE2\xE5\xF2.txt";  // "Привет.txt" in Windows-1251
  const std::string utf8 = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.txt";
  const std::string slashed = "a\\b.txt";
  for (const std::string& name : {cp1251, slashed}) {
    WriteFile(dir / name, "text of " + name);
    const std::string zip = dir / "n.zip";
    ASSERT_EQ(PackOne(zip, dir / name), TZipWriteStatus::zwOk);
    ExpectToolsAccept(zip);
    const std::string stored = name == cp1251 ? utf8 : slashed;
    TParsed p = Parse(ReadFile(zip));
    ASSERT_EQ(p.central.size(), 1u);
    EXPECT_EQ(p.centralNames[0], stored);
    EXPECT_EQ(p.central[0].VersionMadeBy, name == cp1251 ? 0x0B14 : 0x0314);
    if (nytest::HaveTool("python3")) {
      EXPECT_EQ(PythonInfo(zip).substr(0, stored.size() + 1), stored + "|");
    }
    std::string out;
    if (nytest::HaveTool("unzip")) {
      ASSERT_EQ(RunShell("cd " + dir / "out" + " && LC_ALL=C.UTF-8 unzip -q -o ../n.zip", &out), 0)
          << out;
      EXPECT_EQ(ReadFile(dir / ("out/" + stored)), "text of " + name);
    }
    // The reader extracts it by the name the file had.
    ny::TZipReader r;
    r.SetZipName(zip);
    r.SetDestDir(dir / "mine");
    fs::create_directories(dir / "mine");
    r.SetFilesList({name});
    EXPECT_EQ(r.UnZip(), 1) << name;
    EXPECT_EQ(ReadFile(dir / ("mine/" + stored)), "text of " + name);
  }
}

// A name of 255 bytes, the most Linux allows: the archive's own name is that long too, and
// the temporary name used while writing must not pass the limit.
TEST(ZipWriter, ArchiveNamesOfTheLongestLengthAreWritten) {
  TestDir dir;
  for (size_t len : {size_t{249}, size_t{255}}) {
    const std::string base(len - 4, 'n');
    WriteFile(dir / (base + ".txt"), "long");
    const std::string zip = dir / (base + ".ZIP");
    ASSERT_EQ(PackOne(zip, dir / (base + ".txt")), TZipWriteStatus::zwOk) << len;
    EXPECT_TRUE(fs::exists(zip));
    ExpectToolsAccept(zip);
  }
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(dir.Path())) left.push_back(e.path().filename());
  EXPECT_EQ(left.size(), 4u);  // the two documents and their archives, no temporary file
}

TEST(ZipWriter, SeveralFilesAndStoredPaths) {
  TestDir dir;
  std::filesystem::create_directories(dir / "sub/deeper");
  WriteFile(dir / "sub/one.txt", SomeText(1000));
  WriteFile(dir / "sub/deeper/two.bin", RandomBytes(5000, 1));
  ny::TZipWriter w;
  w.SetZipName(dir / "two.zip");
  w.SetFilesList(
      {dir / "sub/one.txt", dir / "missing.txt", dir / "sub/./deeper/../deeper/two.bin"});
  ASSERT_EQ(w.Pack(), TZipWriteStatus::zwOk) << w.ErrorText();
  TParsed p = Parse(ReadFile(dir / "two.zip"));
  ASSERT_EQ(p.central.size(), 2u);
  EXPECT_EQ(p.centralNames[0], "one.txt");
  EXPECT_EQ(p.centralNames[1], "two.bin");
  EXPECT_EQ(p.central[1].LocalHeaderOffset, ny::kZipLocalSize + 7 + p.central[0].CompressedSize);
  EXPECT_EQ(p.end.TotalEntries, 2);
  ExpectToolsAccept(dir / "two.zip");

  // With StorePaths the directory goes in, without the leading '/' and without "." or "..".
  w.SetZipName(dir / "paths.zip");
  w.SetStorePaths(true);
  ASSERT_EQ(w.Pack(), TZipWriteStatus::zwOk) << w.ErrorText();
  p = Parse(ReadFile(dir / "paths.zip"));
  ASSERT_EQ(p.central.size(), 2u);
  std::string d = dir.Path().substr(1);
  EXPECT_EQ(p.centralNames[0], d + "sub/one.txt");
  EXPECT_EQ(p.centralNames[1], d + "sub/deeper/deeper/two.bin");
  ExpectToolsAccept(dir / "paths.zip");

  // Dispose removes the sources once the archive is written.
  w.SetStorePaths(false);
  w.SetDispose(true);
  w.SetZipName(dir / "dispose.zip");
  ASSERT_EQ(w.Pack(), TZipWriteStatus::zwOk);
  EXPECT_FALSE(std::filesystem::exists(dir / "sub/one.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir / "sub/deeper/two.bin"));
  ExpectToolsAccept(dir / "dispose.zip");
}

// Names of the directory after a failed run: only the files the test made itself.
std::vector<std::string> Listing(const TestDir& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(ZipWriter, NothingToPackAndBadInputLeaveNoArchive) {
  TestDir dir;
  // A stale archive from an earlier run must not survive as if it were the new one.
  WriteFile(dir / "notes.ZIP", "stale");
  ny::TZipWriter w;
  w.SetZipName(dir / "notes.ZIP");
  w.SetFilesList({dir / "notes.txt", dir / "n*.txt", dir.Path()});
  EXPECT_EQ(w.Pack(), TZipWriteStatus::zwNothingToPack);
  EXPECT_NE(w.ErrorText(), "");
  EXPECT_EQ(w.Count(), 0);
  EXPECT_TRUE(Listing(dir).empty());

  // A FIFO is no document: refused at once instead of waiting for a writer.
  ASSERT_EQ(mkfifo((dir / "pipe.txt").c_str(), 0600), 0);
  w.SetFilesList({dir / "pipe.txt"});
  EXPECT_EQ(w.Pack(), TZipWriteStatus::zwBadInput);
  EXPECT_EQ(Listing(dir), std::vector<std::string>{"pipe.txt"});

  // A document past the 32-bit size fields (a sparse file, no disk space used) is refused
  // before any byte is packed.
  WriteFile(dir / "huge.bin", "");
  std::filesystem::resize_file(dir / "huge.bin", 0x100000001ull);
  w.SetFilesList({dir / "huge.bin"});
  EXPECT_EQ(w.Pack(), TZipWriteStatus::zwBadInput);
  EXPECT_NE(w.ErrorText().find("too large"), std::string::npos) << w.ErrorText();
  EXPECT_FALSE(std::filesystem::exists(dir / "notes.ZIP"));
  std::filesystem::remove(dir / "huge.bin");

  ny::TZipWriter noName;
  noName.SetFilesList({dir / "pipe.txt"});
  EXPECT_EQ(noName.Pack(), TZipWriteStatus::zwBadInput);
}

TEST(ZipWriter, IoFailuresAreToldApartAndLeaveNoHalfArchive) {
  TestDir dir;
  WriteFile(dir / "doc.bin", RandomBytes(2 * 1024 * 1024, 9));
  // The archive's directory does not exist.
  EXPECT_EQ(PackOne(dir / "nowhere/doc.zip", dir / "doc.bin"), TZipWriteStatus::zwIoError);

  // The disk "fills up" after 64 KiB: the file size limit makes every later write fail.
  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 64 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  ny::TZipWriter w;
  w.SetZipName(dir / "doc.zip");
  w.SetFilesList({dir / "doc.bin"});
  TZipWriteStatus status = w.Pack();
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(status, TZipWriteStatus::zwIoError);
  EXPECT_NE(w.ErrorText().find("Cannot write"), std::string::npos) << w.ErrorText();
  EXPECT_EQ(Listing(dir), std::vector<std::string>{"doc.bin"});

  // An unreadable source (only meaningful when not running as root).
  if (geteuid() != 0) {
    WriteFile(dir / "secret.txt", "x");
    chmod((dir / "secret.txt").c_str(), 0);
    EXPECT_EQ(PackOne(dir / "secret.zip", dir / "secret.txt"), TZipWriteStatus::zwIoError);
    EXPECT_FALSE(std::filesystem::exists(dir / "secret.zip"));
  }
  // After the failures the same writer works again.
  ASSERT_EQ(w.Pack(), TZipWriteStatus::zwOk);
  ExpectToolsAccept(dir / "doc.zip");
}

}  // namespace
