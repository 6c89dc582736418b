// The zip reader against archives made at test time by Info-ZIP zip, python's zipfile, 7z and
// jar, with python's zipfile as the judge of names and sizes; and against damaged archives.
#include "archive/ZipReader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <sstream>

#include "archive/NyCrc32.h"
#include "common/TestDir.h"

namespace {

using nytest::ReadFile;
using nytest::RunShell;
using nytest::TestDir;
using nytest::WriteFile;

std::string RandomBytes(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

std::string Text(size_t lines) {
  std::string s;
  for (size_t i = 0; i < lines; ++i) s += "line " + std::to_string(i) + " of a plain document\n";
  return s;
}

// "<compressed>\t<uncompressed>\t<name>" per entry, as python's zipfile sees the archive.
std::string JudgeListing(const std::string& zip) {
  std::string out;
  int rc = RunShell(
      "PYTHONIOENCODING=utf-8 python3 -c 'import zipfile,sys\n"
      "for i in zipfile.ZipFile(sys.argv[1]).infolist(): "
      "print(f\"{i.compress_size}\\t{i.file_size}\\t{i.filename}\")' '" +
          zip + "'",
      &out);
  EXPECT_EQ(rc, 0) << out;
  return out;
}

std::string OurListing(ny::TZipReader& r) {
  std::ostringstream s;
  for (const ny::TZipEntry& e : r.Entries())
    s << e.CompressedSize << "\t" << e.UncompressedSize << "\t" << e.Header.Directory
      << e.Header.FileName << "\n";
  return s.str();
}

std::string ReadError(const std::string& zip) {
  ny::TZipReader r;
  r.SetZipName(zip);
  try {
    r.ReadZip();
  } catch (const ny::EZipError& e) {
    EXPECT_EQ(r.Count(), 0);
    return e.what();
  }
  return "no error";
}

void Sh(const std::string& cmd) {
  std::string out;
  ASSERT_EQ(RunShell(cmd, &out), 0) << cmd << "\n" << out;
}

#define REQUIRE_TOOL(t) \
  if (!nytest::HaveTool(t)) GTEST_SKIP() << t << " is not installed"

class ZipReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    src_ = dir_ / "src/";
    out_ = dir_ / "out/";
    std::filesystem::create_directories(src_ + "sub");
    std::filesystem::create_directories(out_);
    files_ = {{"a.txt", Text(2000)},
              {"b.bin", RandomBytes(70000, 1)},
              {"sub/c.txt", Text(10)},
              {"empty.txt", ""}};
    for (const auto& [name, bytes] : files_) WriteFile(src_ + name, bytes);
  }

  // Lists `zip`, checks names and sizes against the judge, then extracts every file entry
  // and compares it with its source.
  void CheckAgainstSources(const std::string& zip) {
    ny::TZipReader r;
    r.SetZipName(zip);
    ASSERT_NO_THROW(r.ReadZip());
    EXPECT_EQ(OurListing(r), JudgeListing(zip));
    r.SetDestDir(out_);
    r.SetFilesList({"*"});
    int written = r.UnZip();
    EXPECT_EQ(written, static_cast<int>(files_.size()));
    for (const auto& [name, bytes] : files_) {
      std::string base = std::filesystem::path(name).filename();
      EXPECT_EQ(ReadFile(out_ + base), bytes) << zip << ": " << name;
      std::filesystem::remove(out_ + base);
    }
  }

  TestDir dir_;
  std::string src_, out_;
  std::vector<std::pair<std::string, std::string>> files_;
};

TEST_F(ZipReaderTest, ReadsInfoZipArchivesStoredMaximumAndWithComment) {
  REQUIRE_TOOL("zip");
  Sh("cd " + src_ + " && zip -q -0 ../stored.zip a.txt b.bin sub/c.txt empty.txt");
  Sh("cd " + src_ + " && zip -q -9 ../max.zip a.txt b.bin sub/c.txt empty.txt");
  Sh("cd " + src_ + " && echo 'a comment of the archive' | zip -q -z ../comment.zip a.txt " +
     "b.bin sub/c.txt empty.txt");
  CheckAgainstSources(dir_ / "stored.zip");
  CheckAgainstSources(dir_ / "max.zip");
  CheckAgainstSources(dir_ / "comment.zip");

  ny::TZipReader r;
  r.SetZipName(dir_ / "stored.zip");
  r.ReadZip();
  EXPECT_EQ(r.Entry(0).Header.Method, ny::kZipMethodStored);
  EXPECT_EQ(r.Entry(2).Header.Directory, "sub/");
  EXPECT_EQ(r.Entry(2).Header.FileName, "c.txt");
  EXPECT_FALSE(r.Scanned());
  r.SetZipName(dir_ / "comment.zip");
  r.ReadZip();
  EXPECT_EQ(r.EndCentral().Comment, "a comment of the archive");
  EXPECT_EQ(r.Entry(1).Header.Method, ny::kZipMethodDeflate);
}

TEST_F(ZipReaderTest, ReadsStreamedInfoZipWithDataDescriptorsAndZip64Records) {
  REQUIRE_TOOL("zip");
  std::string doc = Text(500);
  WriteFile(src_ + "doc.txt", doc);
  // Into a pipe zip cannot seek back: sizes follow the data in descriptors.
  Sh("cd " + src_ + " && zip -q - doc.txt | cat > ../piped.zip");
  // From standard input into a file: Zip64 extra fields and the Zip64 end record.
  Sh("cd " + src_ + " && zip -q ../stdin.zip - < doc.txt");
  Sh("cd " + src_ + " && zip -q - - < doc.txt | cat > ../both.zip");
  for (const char* name : {"piped.zip", "stdin.zip", "both.zip"}) {
    ny::TZipReader r;
    r.SetZipName(dir_ / name);
    ASSERT_EQ(r.ReadZip(), 1) << name;
    EXPECT_EQ(OurListing(r), JudgeListing(dir_ / name)) << name;
    EXPECT_EQ(r.Entry(0).UncompressedSize, doc.size());
    r.SetDestDir(out_);
    r.SetFilesList({"*"});
    ASSERT_EQ(r.UnZip(), 1) << name;
    std::string written = r.Entry(0).Header.FileName;
    EXPECT_EQ(ReadFile(out_ + written), doc) << name;
    std::filesystem::remove(out_ + written);
  }
}

TEST_F(ZipReaderTest, ReadsPythonSevenZipAndJarArchives) {
  REQUIRE_TOOL("python3");
  Sh("cd " + src_ +
     " && python3 -c 'import zipfile\n"
     "z = zipfile.ZipFile(\"../py.zip\", \"w\")\n"
     "z.write(\"a.txt\", compress_type=zipfile.ZIP_DEFLATED)\n"
     "z.write(\"b.bin\", compress_type=zipfile.ZIP_STORED)\n"
     "z.write(\"sub/c.txt\", compress_type=zipfile.ZIP_DEFLATED)\n"
     "z.write(\"empty.txt\")\n"
     "z.close()\n"
     "z = zipfile.ZipFile(\"../py64.zip\", \"w\", allowZip64=True)\n"
     "for n in [\"a.txt\", \"b.bin\", \"sub/c.txt\", \"empty.txt\"]:\n"
     "  with open(n, \"rb\") as f, z.open(n, \"w\", force_zip64=True) as o: o.write(f.read())\n"
     "z.close()'");
  CheckAgainstSources(dir_ / "py.zip");
  CheckAgainstSources(dir_ / "py64.zip");
  if (nytest::HaveTool("7z")) {
    Sh("cd " + src_ + " && 7z a -tzip -bd ../7z.zip a.txt b.bin sub/c.txt empty.txt >/dev/null");
    CheckAgainstSources(dir_ / "7z.zip");
  }
  if (nytest::HaveTool("jar")) {
    Sh("cd " + src_ + " && jar cf ../doc.jar a.txt b.bin sub/c.txt empty.txt");
    std::string jar = dir_ / "doc.jar";
    ny::TZipReader r;
    r.SetZipName(jar);
    r.ReadZip();
    EXPECT_EQ(OurListing(r), JudgeListing(jar));
    EXPECT_EQ(r.Entry(0).Header.Directory, "META-INF/");
    EXPECT_EQ(r.Entry(0).Header.FileName, "");
    r.SetDestDir(out_);
    r.SetFilesList({"*"});
    // The two directory entries have no file name and are not written; the manifest is.
    EXPECT_EQ(r.UnZip(), 5);
    EXPECT_EQ(ReadFile(out_ + "b.bin"), files_[1].second);
  }
}

TEST_F(ZipReaderTest, NamesAreUtf8WhenFlaggedOrValidOtherwiseOem866) {
  REQUIRE_TOOL("python3");
  // python sets bit 11 for non-ASCII names.
  Sh("cd " + src_ +
     " && python3 -c 'import zipfile\n"
     "z = zipfile.ZipFile(\"../utf.zip\", \"w\")\n"
     "z.writestr(\"Папка\\\\Отчёт.txt\", b\"x\")\n"
     "z.close()'");
  ny::TZipReader r;
  r.SetZipName(dir_ / "utf.zip");
  r.ReadZip();
  EXPECT_NE(r.Entry(0).Header.Flags & ny::kZipFlagUtf8, 0);
  EXPECT_EQ(r.Entry(0).Header.Directory, "Папка/");  // the stored '\' separates
  EXPECT_EQ(r.Entry(0).Header.FileName, "Отчёт.txt");

  if (!nytest::HaveTool("zip")) return;
  // Info-ZIP in the C locale stores the name bytes as they are: "Привет.txt" in code page 866.
  std::string oem = "\x8f\xe0\xa8\xa2\xa5\xe2.txt";
  WriteFile(src_ + oem, "legacy");
  Sh("cd " + src_ + " && LC_ALL=C zip -q ../oem.zip '" + oem + "'");
  r.SetZipName(dir_ / "oem.zip");
  r.ReadZip();
  EXPECT_EQ(r.Entry(0).Header.Flags & ny::kZipFlagUtf8, 0);
  EXPECT_EQ(r.Entry(0).Header.FileName, "Привет.txt");
  r.SetDestDir(out_);
  r.SetFilesList({"привет.TXT"});  // matched in upper case, Cyrillic too
  EXPECT_EQ(r.UnZip(), 1);
  EXPECT_EQ(ReadFile(out_ + "Привет.txt"), "legacy");
}

TEST(ZipItemMatchesTest, UpperCaseWildcardsAndDirectoryParts) {
  EXPECT_TRUE(ny::ZipItemMatches("report.TXT", "docs/", "Report.txt"));
  EXPECT_TRUE(ny::ZipItemMatches("*.txt", "", "a.b.TXT"));
  EXPECT_TRUE(ny::ZipItemMatches("r?port.*", "x/", "report.doc"));
  EXPECT_FALSE(ny::ZipItemMatches("r?port.*", "", "rport.doc"));
  EXPECT_FALSE(ny::ZipItemMatches("*.txt", "", "a.txt.bak"));
  EXPECT_TRUE(ny::ZipItemMatches("ОТЧЁТ?.txt", "", "отчёт1.txt"));  // '?' is one character
  // With a directory part the directory must match too; '\' and '/' are the same.
  EXPECT_TRUE(ny::ZipItemMatches("DOCS\\report.txt", "docs/", "report.txt"));
  EXPECT_FALSE(ny::ZipItemMatches("other/report.txt", "docs/", "report.txt"));
  EXPECT_FALSE(ny::ZipItemMatches("docs/report.txt", "", "report.txt"));
  EXPECT_TRUE(ny::ZipItemMatches("*/report.txt", "a/b/", "report.txt"));
  EXPECT_TRUE(ny::ZipItemMatches("*", "", ""));
  EXPECT_FALSE(ny::ZipFileNameIsSafe(""));
  EXPECT_FALSE(ny::ZipFileNameIsSafe(".."));
  EXPECT_FALSE(ny::ZipFileNameIsSafe(std::string("a\0b", 3)));
  EXPECT_TRUE(ny::ZipFileNameIsSafe("..a"));
}

TEST_F(ZipReaderTest, SelectsByFileListAsksBeforeReplacingAndReportsSkippedEntries) {
  REQUIRE_TOOL("zip");
  Sh("cd " + src_ + " && zip -q ../sel.zip a.txt b.bin sub/c.txt empty.txt");
  ny::TZipReader r;
  r.SetZipName(dir_ / "sel.zip");
  r.SetDestDir(out_ + "/");  // a trailing separator is ignored
  r.SetFilesList({"SUB/C.TXT", "other/a.txt"});
  EXPECT_EQ(r.UnZip(), 1);
  EXPECT_TRUE(std::filesystem::exists(out_ + "c.txt"));  // no directory is recreated
  EXPECT_FALSE(std::filesystem::exists(out_ + "a.txt"));

  std::vector<std::string> asked;
  bool answer = false;
  r.OnAskYesNo = [&](const std::string& text, const std::string& title) {
    asked.push_back(title + "|" + text);
    return answer;
  };
  WriteFile(out_ + "c.txt", "mine");
  r.SetFilesList({"c.txt"});
  EXPECT_EQ(r.UnZip(), 0);
  EXPECT_EQ(ReadFile(out_ + "c.txt"), "mine");
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], "File Exists Alert|Replace existing file c.txt?");
  answer = true;
  EXPECT_EQ(r.UnZip(), 1);
  EXPECT_EQ(ReadFile(out_ + "c.txt"), files_[2].second);
  r.OnAskYesNo = nullptr;  // nobody to ask: the existing file stays
  WriteFile(out_ + "c.txt", "mine");
  EXPECT_EQ(r.UnZip(), 0);
  EXPECT_EQ(ReadFile(out_ + "c.txt"), "mine");

  std::vector<std::string> told;
  r.OnMessage = [&](const std::string& text, const std::string& title) {
    told.push_back(title + "|" + text);
  };
  if (nytest::HaveTool("7z")) {
    Sh("cd " + src_ + " && 7z a -tzip -mm=BZip2 -bd ../bz.zip a.txt >/dev/null");
    r.SetZipName(dir_ / "bz.zip");
    r.SetFilesList({"a.txt"});
    EXPECT_EQ(r.UnZip(), 0);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], "Zip Error|Unknown Compression Method");
    EXPECT_FALSE(std::filesystem::exists(out_ + "a.txt"));
  }
  told.clear();
  Sh("cd " + src_ + " && zip -q -P secret ../enc.zip a.txt");
  r.SetZipName(dir_ / "enc.zip");
  r.SetFilesList({"a.txt"});
  EXPECT_EQ(r.UnZip(), 0);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0], "Zip Error|Encrypted entries are not supported");
  // Nothing but the extracted file is left in the destination (no temporary files).
  std::vector<std::string> left;
  for (const auto& e : std::filesystem::directory_iterator(out_))
    left.push_back(e.path().filename());
  EXPECT_EQ(left, std::vector<std::string>{"c.txt"});
}

// ---- damaged and hostile archives -----------------------------------------------------

class ZipDamageTest : public ZipReaderTest {
 protected:
  void SetUp() override {
    ZipReaderTest::SetUp();
    if (!nytest::HaveTool("zip")) GTEST_SKIP() << "zip is not installed";
    Sh("cd " + src_ + " && zip -q ../good.zip a.txt b.bin");
    good_ = ReadFile(dir_ / "good.zip");
    end_ = good_.size() - ny::kZipEndSize;
    ASSERT_EQ(ny::ZipGet32(Bytes(good_, end_)), ny::kZipEndSig);
    cd_ = ny::ZipGet32(Bytes(good_, end_ + ny::zip_end::kCentralOffset));
  }
  static unsigned char* Bytes(std::string& s, size_t at) {
    return reinterpret_cast<unsigned char*>(s.data() + at);
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    WriteFile(dir_ / name, bytes);
    return dir_ / name;
  }
  std::string good_;
  size_t end_ = 0, cd_ = 0;
};

TEST_F(ZipDamageTest, MissingOrBrokenDirectoryGivesTheReadersErrors) {
  EXPECT_EQ(ReadError(dir_ / "nothing.zip"), "Cannot open file " + (dir_ / "nothing.zip"));
  EXPECT_EQ(ReadError(Write("short.zip", good_.substr(end_, 21))), "Incomplete Zip File");
  EXPECT_EQ(ReadError(Write("text.zip", Text(50))), "Incomplete Zip File");
  EXPECT_EQ(ReadError(Write("cut.zip", good_.substr(0, good_.size() - 5))), "Incomplete Zip File");
  // The end record alone is an empty archive.
  ny::TZipReader r;
  std::string onlyEnd(ny::kZipEndSize, '\0');
  ny::ZipPut32(Bytes(onlyEnd, 0), ny::kZipEndSig);
  r.SetZipName(Write("end.zip", onlyEnd));
  EXPECT_EQ(r.ReadZip(), 0);
  // An end record whose directory offset points nowhere, with no local header to scan.
  std::string lost = Text(20) + good_.substr(end_);
  EXPECT_EQ(ReadError(Write("lost.zip", lost)), "Not a valid zip file!");

  // More entries than the file can hold.
  std::string many = good_;
  ny::ZipPut16(Bytes(many, end_ + ny::zip_end::kTotalEntries), 60000);
  EXPECT_EQ(ReadError(Write("many.zip", many)), "Premature end of file reached");
  // A central header without its signature.
  std::string unsigned_ = good_;
  unsigned_[cd_ + ny::kZipCentralSize + 5 + 24 + 2] = 'X';  // second header, after the first
  EXPECT_EQ(ReadError(Write("sig.zip", unsigned_)), "Not a valid zip file!");
  // A name that claims more bytes than remain.
  std::string longName = good_;
  ny::ZipPut16(Bytes(longName, cd_ + ny::zip_central::kNameLength), 0xFFFF);
  EXPECT_EQ(ReadError(Write("name.zip", longName)), "Premature end of file reached");
  // A local header offset past the end of the file.
  std::string farLocal = good_;
  ny::ZipPut32(Bytes(farLocal, cd_ + ny::zip_central::kLocalHeaderOffset), 0x7FFFFFF0);
  EXPECT_EQ(ReadError(Write("far.zip", farLocal)), "Not a valid zip file!");
  // A disk number: a part of a split archive.
  std::string part = good_;
  ny::ZipPut16(Bytes(part, end_ + ny::zip_end::kThisDisk), 2);
  EXPECT_EQ(ReadError(Write("part.zip", part)),
            "Multi-part (split or spanned) zip archives are not supported");
}

TEST_F(ZipDamageTest, SplitArchiveOfInfoZipIsRefused) {
  WriteFile(src_ + "big.bin", RandomBytes(200000, 7));
  Sh("cd " + src_ + " && zip -q -s 64k ../split.zip big.bin");
  EXPECT_EQ(ReadError(dir_ / "split.zip"),
            "Multi-part (split or spanned) zip archives are not supported");
}

// The archive with its end record moved into Zip64 records: the classic record keeps only
// all-ones markers, disk numbers included, and the Zip64 end record holds the real values.
TEST_F(ZipDamageTest, Zip64EndRecordsAreReadAndTheirDisksChecked) {
  const std::string body = good_.substr(0, end_);  // local headers and central directory
  const uint64_t cdSize = end_ - cd_;
  auto make = [&](uint32_t z64Disk, uint32_t totalDisks) {
    std::string z(56, '\0'), loc(20, '\0'), end(ny::kZipEndSize, '\0');
    ny::ZipPut32(Bytes(z, 0), ny::kZip64EndSig);
    ny::ZipPut32(Bytes(z, 4), 44);  // size of the rest of the record
    ny::ZipPut16(Bytes(z, 12), 45);
    ny::ZipPut16(Bytes(z, 14), 45);
    ny::ZipPut32(Bytes(z, 16), z64Disk);
    ny::ZipPut32(Bytes(z, 24), 2);  // entries on this disk (64 bits)
    ny::ZipPut32(Bytes(z, 32), 2);  // total entries (64 bits)
    ny::ZipPut32(Bytes(z, 40), static_cast<uint32_t>(cdSize));
    ny::ZipPut32(Bytes(z, 48), static_cast<uint32_t>(cd_));
    ny::ZipPut32(Bytes(loc, 0), ny::kZip64LocatorSig);
    ny::ZipPut32(Bytes(loc, 8), static_cast<uint32_t>(body.size()));
    ny::ZipPut32(Bytes(loc, 16), totalDisks);
    ny::ZipPut32(Bytes(end, 0), ny::kZipEndSig);
    for (size_t f : {ny::zip_end::kThisDisk, ny::zip_end::kCentralDisk,
                     ny::zip_end::kEntriesThisDisk, ny::zip_end::kTotalEntries})
      ny::ZipPut16(Bytes(end, f), 0xFFFF);
    ny::ZipPut32(Bytes(end, ny::zip_end::kCentralSize), 0xFFFFFFFF);
    ny::ZipPut32(Bytes(end, ny::zip_end::kCentralOffset), 0xFFFFFFFF);
    return body + z + loc + end;
  };
  const std::string z64 = Write("z64.zip", make(0, 1));
  ny::TZipReader r;
  r.SetZipName(z64);
  ASSERT_EQ(r.ReadZip(), 2);
  EXPECT_FALSE(r.Scanned());
  EXPECT_EQ(OurListing(r), JudgeListing(z64));
  r.SetDestDir(out_);
  r.SetFilesList({"b.bin"});
  EXPECT_EQ(r.UnZip(), 1);
  EXPECT_EQ(ReadFile(out_ + "b.bin"), files_[1].second);
  // The Zip64 records name another disk: a part of a split archive.
  const std::string multi = "Multi-part (split or spanned) zip archives are not supported";
  EXPECT_EQ(ReadError(Write("z64disk.zip", make(1, 2))), multi);
  EXPECT_EQ(ReadError(Write("z64parts.zip", make(0, 3))), multi);

  // A central header that marks its sizes as held in a Zip64 field it does not carry: the
  // real sizes are unknown, and the archive is refused rather than listed with 4 GiB.
  std::string marked = good_;
  ny::ZipPut32(Bytes(marked, cd_ + ny::zip_central::kUncompressedSize), 0xFFFFFFFF);
  EXPECT_EQ(ReadError(Write("marked.zip", marked)), "Not a valid zip file!");
  // The same in a local header found by the scan (junk in front moves the directory away).
  std::string markedLocal = "JUNK" + good_;
  ny::ZipPut32(Bytes(markedLocal, 4 + ny::zip_local::kCompressedSize), 0xFFFFFFFF);
  EXPECT_EQ(ReadError(Write("marked-local.zip", markedLocal)), "Not a valid zip file!");
}

// A file full of local headers whose stored data ends at a descriptor that is never there:
// each header's search for its descriptor must not run over the whole rest of the file (one
// pass per header would take hours here), and every header is still listed.
TEST_F(ZipDamageTest, ScanOverManyHeadersWithoutDescriptorsStaysLinear) {
  std::string header(ny::kZipLocalSize, '\0');
  ny::ZipPut32(Bytes(header, 0), ny::kZipLocalSig);
  ny::ZipPut16(Bytes(header, ny::zip_local::kFlags), ny::kZipFlagDataDescriptor);
  ny::ZipPut16(Bytes(header, ny::zip_local::kMethod), ny::kZipMethodStored);
  ny::ZipPut16(Bytes(header, ny::zip_local::kNameLength), 1);
  std::string file;
  const size_t headers = 40000;
  for (size_t i = 0; i < headers; ++i) file += header + "n";
  std::string end(ny::kZipEndSize, '\0');
  ny::ZipPut32(Bytes(end, 0), ny::kZipEndSig);
  ny::ZipPut16(Bytes(end, ny::zip_end::kTotalEntries), 1);
  ny::ZipPut32(Bytes(end, ny::zip_end::kCentralOffset), 0x7FFFFFFF);  // no directory there
  ny::TZipReader r;
  r.SetZipName(Write("many.zip", file + end));
  ASSERT_EQ(r.ReadZip(), static_cast<int>(headers));
  EXPECT_TRUE(r.Scanned());
  EXPECT_EQ(r.Entry(static_cast<int>(headers) - 1).LocalHeaderOffset, (headers - 1) * 31);
  EXPECT_EQ(r.Entry(7).CompressedSize, 0u);
}

TEST_F(ZipDamageTest, LocalHeaderScanWhenTheDirectoryIsNotWhereTheEndRecordSays) {
  // Junk before the archive shifts every header: the directory offset misses.
  std::string shifted = "JUNK" + good_;
  ny::TZipReader r;
  int ticks = 0;
  r.OnProcessMessages = [&] { ++ticks; };
  r.SetZipName(Write("shifted.zip", shifted));
  ASSERT_EQ(r.ReadZip(), 2);
  EXPECT_TRUE(r.Scanned());
  EXPECT_EQ(ticks, static_cast<int>(shifted.size() / 10240));
  EXPECT_EQ(r.Entry(0).LocalHeaderOffset, 4u);
  r.SetDestDir(out_);
  r.SetFilesList({"*"});
  EXPECT_EQ(r.UnZip(), 2);
  EXPECT_EQ(ReadFile(out_ + "b.bin"), files_[1].second);
  r.SetDoProcessMessages(false);
  ticks = 0;
  r.ReadZip();
  EXPECT_EQ(ticks, 0);

  // Sizes in data descriptors: the scan takes them from the Deflate stream and the descriptor.
  Sh("cd " + src_ + " && zip -q - a.txt b.bin | cat > ../piped.zip");
  std::string piped = "JUNK" + ReadFile(dir_ / "piped.zip");
  r.SetZipName(Write("piped-shifted.zip", piped));
  ASSERT_EQ(r.ReadZip(), 2);
  EXPECT_TRUE(r.Scanned());
  EXPECT_EQ(r.Entry(1).UncompressedSize, files_[1].second.size());
  EXPECT_EQ(r.Entry(1).Header.Crc32, ny::Crc32(files_[1].second.data(), files_[1].second.size()));
  std::filesystem::remove(out_ + "a.txt");
  std::filesystem::remove(out_ + "b.bin");
  EXPECT_EQ(r.UnZip(), 2);
  EXPECT_EQ(ReadFile(out_ + "b.bin"), files_[1].second);
}

TEST_F(ZipDamageTest, DamagedDataIsNeverLeftBehind) {
  ny::TZipReader r;
  r.SetDestDir(out_);
  r.SetFilesList({"*"});
  // A flipped byte inside the compressed text: the CRC-32 check deletes the file.
  std::string flipped = good_;
  flipped[ny::kZipLocalSize + 5 + 100] ^= 0x55;
  r.SetZipName(Write("flipped.zip", flipped));
  EXPECT_EQ(r.UnZip(), 1);
  EXPECT_FALSE(std::filesystem::exists(out_ + "a.txt"));
  EXPECT_EQ(ReadFile(out_ + "b.bin"), files_[1].second);

  // Data that ends before the compressed size: the directory is moved up to cut the data.
  Sh("cd " + src_ + " && zip -q ../one.zip b.bin");
  std::string one = ReadFile(dir_ / "one.zip");
  size_t oneCd = one.size() - ny::kZipEndSize - ny::kZipCentralSize - 5 - 24;
  ASSERT_EQ(ny::ZipGet32(Bytes(one, oneCd)), ny::kZipCentralSig);
  std::string cut = one.substr(0, 200) + one.substr(oneCd);
  ny::ZipPut32(Bytes(cut, cut.size() - ny::kZipEndSize + ny::zip_end::kCentralOffset), 200);
  r.SetZipName(Write("cut.zip", cut));
  std::filesystem::remove(out_ + "b.bin");
  try {
    r.UnZip();
    ADD_FAILURE() << "no error";
  } catch (const ny::EZipError& e) {
    EXPECT_STREQ(e.what(), "Premature end of file reached");
  }
  EXPECT_TRUE(std::filesystem::is_empty(out_));

  // An uncompressed size smaller than the data: output stops there. With the CRC-32 of that
  // prefix in the directory, exactly the prefix is written.
  std::string bounded = good_;
  const std::string& text = files_[0].second;
  ny::ZipPut32(Bytes(bounded, cd_ + ny::zip_central::kUncompressedSize), 1000);
  ny::ZipPut32(Bytes(bounded, cd_ + ny::zip_central::kCrc32), ny::Crc32(text.data(), 1000));
  r.SetZipName(Write("bounded.zip", bounded));
  r.SetFilesList({"a.txt"});
  EXPECT_EQ(r.UnZip(), 1);
  EXPECT_EQ(ReadFile(out_ + "a.txt"), text.substr(0, 1000));
}

TEST_F(ZipDamageTest, HostileNamesNeverEscapeTheDestination) {
  REQUIRE_TOOL("python3");
  std::string inner = out_ + "dest/";
  std::filesystem::create_directories(inner);
  Sh("cd " + dir_.Path() +
     " && python3 -c 'import zipfile\n"
     "z = zipfile.ZipFile(\"evil.zip\", \"w\")\n"
     "for n in [\"../up.txt\", \"/abs/root.txt\", \"..\\\\..\\\\win.txt\", \"a/..\", \".\", "
     "\"x/\", \"nulXname.txt\", \"ok.txt\"]:\n"
     "  z.writestr(n, b\"data\")\n"
     "z.close()'");
  // zipfile cuts names at a NUL; put one in place of the X in both headers.
  std::string evil = ReadFile(dir_ / "evil.zip");
  for (size_t at = evil.find("nulXname"); at != std::string::npos;
       at = evil.find("nulXname", at + 1))
    evil[at + 3] = '\0';
  WriteFile(dir_ / "evil.zip", evil);
  // A symlink planted at a target name points outside.
  WriteFile(out_ + "outside.txt", "keep");
  ASSERT_EQ(symlink((out_ + "outside.txt").c_str(), (inner + "ok.txt").c_str()), 0);

  ny::TZipReader r;
  r.SetZipName(dir_ / "evil.zip");
  r.SetDestDir(inner);
  r.SetFilesList({"*"});
  r.OnAskYesNo = [](const std::string&, const std::string&) { return true; };
  EXPECT_EQ(r.UnZip(), 4);  // up.txt, root.txt, win.txt, ok.txt by their name parts
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(inner))
    names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"ok.txt", "root.txt", "up.txt", "win.txt"}));
  EXPECT_FALSE(std::filesystem::is_symlink(inner + "ok.txt"));
  EXPECT_EQ(ReadFile(out_ + "outside.txt"), "keep");
  names.clear();
  for (const auto& e : std::filesystem::directory_iterator(out_))
    names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"dest", "outside.txt"}));
}

}  // namespace
