// Listing zip archives (made at test time by zip and python) and the rar archives of the
// shared test data (listed where they lie), with 7z as the judge of rar packed sizes.
#include "archive/ArchiveList.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "archive/NyCrc32.h"
#include "archive/ZipReader.h"
#include "common/TestDir.h"

namespace {

using nytest::RunShell;
using nytest::TestDir;
using nytest::WriteFile;

std::string Listing(int count) {
  std::ostringstream s;
  s << count << "\n";
  for (const ny::TArchiveEntry& e : ny::ArchiveEntries())
    s << e.PackedSize << "\t" << e.UnpackedSize << "\t" << e.EntryName << "\n";
  return s.str();
}

void SetMarker() {
  ny::ArchiveEntries() = {{1, 2, "marker"}};
}
bool MarkerKept() {
  return ny::ArchiveEntries().size() == 1 && ny::ArchiveEntries()[0].EntryName == "marker";
}

// The shared test data lie beside the project's root; VELLUM_TESTDATA names them for a tree
// checked out somewhere else. They are read where they lie, never copied.
std::string RarDir() {
  const char* env = std::getenv("VELLUM_TESTDATA");
  return std::string(env != nullptr && *env != '\0' ? env : VELLUM_TESTDATA_DIR) + "/rar/";
}
const std::string kRarDir = RarDir();

// A tree without the shared data (a copy checked out elsewhere) skips these tests.
#define REQUIRE_RAR_DATA()                                \
  if (!std::filesystem::is_directory(kRarDir)) {          \
    GTEST_SKIP() << "no shared test data at " << kRarDir; \
  }

TEST(ArchiveListTest, ZipListingGivesNamePartsAndSizesAndRaisesTheReadersError) {
  if (!nytest::HaveTool("python3")) GTEST_SKIP() << "python3 is not installed";
  TestDir dir;
  std::string out;
  ASSERT_EQ(RunShell("cd " + dir.Path() +
                         " && python3 -c 'import zipfile\n"
                         "z = zipfile.ZipFile(\"Docs.Zip\", \"w\", zipfile.ZIP_DEFLATED)\n"
                         "z.writestr(\"deep/dir/notes.txt\", b\"n\" * 1000)\n"
                         "z.writestr(\"top.txt\", b\"\")\n"
                         "z.writestr(\"empty/\", b\"\")\n"
                         "z.close()'",
                     &out),
            0)
      << out;
  // The extension is compared without regard to case.
  std::string listed = Listing(ny::ListArchive(dir / "Docs.Zip"));
  ASSERT_EQ(ny::ArchiveEntries().size(), 3u);
  int64_t packed = ny::ArchiveEntries()[0].PackedSize;
  EXPECT_EQ(listed, "3\n" + std::to_string(packed) + "\t1000\tnotes.txt\n2\t0\ttop.txt\n2\t0\t\n");
  EXPECT_LT(packed, 100);

  // Other extensions are not listed and the last listing stays.
  SetMarker();
  WriteFile(dir / "book.arj", "not listed");
  EXPECT_EQ(ny::ListArchive(dir / "book.arj"), 0);
  EXPECT_EQ(ny::ListArchive(dir / "Docs"), 0);
  EXPECT_TRUE(MarkerKept());

  // A zip file that is no archive raises the reader's error; the list stays.
  WriteFile(dir / "bad.zip", "no archive at all");
  EXPECT_THROW(
      {
        try {
          ny::ListArchive(dir / "bad.zip");
        } catch (const ny::EZipError& e) {
          EXPECT_STREQ(e.what(), "Incomplete Zip File");
          throw;
        }
      },
      ny::EZipError);
  EXPECT_TRUE(MarkerKept());
  // An empty archive (end record only) empties the list.
  std::string end(ny::kZipEndSize, '\0');
  ny::ZipPut32(reinterpret_cast<unsigned char*>(end.data()), ny::kZipEndSig);
  WriteFile(dir / "empty.ZIP", end);
  EXPECT_EQ(ny::ListArchive(dir / "empty.ZIP"), 0);
  EXPECT_TRUE(ny::ArchiveEntries().empty());
}

TEST(ArchiveListTest, RarFourAndFiveListNamesAndSizesInArchiveOrder) {
  REQUIRE_RAR_DATA();
  EXPECT_EQ(Listing(ny::ListArchive(kRarDir + "rar4_single_stored.rar")), "1\n20\t20\ttest.txt\n");
  EXPECT_EQ(Listing(ny::ListRarArchive(kRarDir + "rar4_single_with_comment.rar")),
            "1\n20\t20\ttest.txt\n");
  EXPECT_EQ(
      Listing(ny::ListRarArchive(kRarDir + "rar4_multi_compressed.rar")),
      "6\n5874\t20111\tLibarchiveAddingTest.html\n25\t25\ttestlink\n33\t20\ttestdir/test.txt\n"
      "5874\t20111\ttestdir/LibarchiveAddingTest.html\n0\t0\ttestdir\n0\t0\ttestemptydir\n");
  // Stored with Windows separators; read with '/'.
  EXPECT_EQ(Listing(ny::ListRarArchive(kRarDir + "rar4_windows_paths.rar")),
            "5\n16\t16\ttestdir/test.txt\n16\t16\ttest.txt\n441\t441\ttestshortcut.lnk\n"
            "0\t0\ttestdir\n0\t0\ttestemptydir\n");
  EXPECT_EQ(ny::ListRarArchive(kRarDir + "rar4_unicode_names.rar"), 6);
  EXPECT_EQ(ny::ArchiveEntries()[1].EntryName,
            "表だよ/漢字長いファイル名long-filename-in-漢字.txt");
  EXPECT_EQ(ny::ArchiveEntries()[1].UnpackedSize, 5);
  // A self-extractor: the archive follows the program.
  EXPECT_EQ(ny::ListRarArchive(kRarDir + "rar4_sfx.exe"), 5);
  EXPECT_EQ(ny::ArchiveEntries()[1].EntryName, "testshortcut.lnk");
  EXPECT_EQ(Listing(ny::ListArchive(kRarDir + "rar5_one_file_stored.rar")),
            "1\n29\t29\thelloworld.txt\n");
  EXPECT_EQ(ny::ListRarArchive(kRarDir + "rar5_multi_win32_dir.rar"), 8);
  EXPECT_EQ(ny::ArchiveEntries()[0].EntryName, "testdir");
  EXPECT_EQ(ny::ArchiveEntries()[3].EntryName, "test2.bin");
  EXPECT_EQ(ny::ArchiveEntries()[3].PackedSize, 363);
  EXPECT_EQ(ny::ArchiveEntries()[3].UnpackedSize, 4096);
  EXPECT_EQ(ny::ListRarArchive(kRarDir + "rar5_solid.rar"), 7);
  // Headers readable, data solid and encrypted: every file header counts.
  EXPECT_EQ(Listing(ny::ListRarArchive(kRarDir + "rar4_solid_encrypted_data.rar")),
            "4\n48\t18\ta.txt\n16\t18\tb.txt\n16\t18\tc.txt\n16\t18\td.txt\n");
  EXPECT_EQ(ny::ListRarArchive(kRarDir + "rar4_truncated_no_end.rar"), 1);
  // A file block that claims to run past the end of the file: its header is listed as it
  // stands, and the listing ends there.
  EXPECT_EQ(Listing(ny::ListRarArchive(kRarDir + "rar4_truncated_header.rar")), "1\n12\t3\ttest\n");
  // Made on Unix: a symlink (with the stored size of its target's name) and two directory
  // entries among the files, in archive order.
  EXPECT_EQ(Listing(ny::ListRarArchive(kRarDir + "rar4_multi_dirs_symlink.rar")),
            "5\n20\t20\ttest.txt\n8\t8\ttestlink\n20\t20\ttestdir/test.txt\n0\t0\ttestdir\n"
            "0\t0\ttestemptydir\n");
}

TEST(ArchiveListTest, UnreadableRarArchivesGiveNoEntriesAndKeepTheLastListing) {
  REQUIRE_RAR_DATA();
  for (const char* name : {"rar4_encrypted_headers.rar", "rar5_hp_encrypted_headers.rar",
                           "rar5_truncated_huff.rar", "README.md", "missing.rar"}) {
    SetMarker();
    EXPECT_EQ(ny::ListRarArchive(kRarDir + name), 0) << name;
    EXPECT_TRUE(MarkerKept()) << name;
  }
  TestDir dir;
  WriteFile(dir / "fake.rar", "Rar!\x1a\x07");
  SetMarker();
  EXPECT_EQ(ny::ListArchive(dir / "fake.rar"), 0);
  EXPECT_TRUE(MarkerKept());
}

// "<packed>\t<unpacked>\t<name>" per entry as a judge lists the archive; "" when it cannot.
std::string SevenZipListing(const std::string& path) {
  std::string out;
  RunShell("7z l -slt -p- '" + path + "'", &out);
  const size_t table = out.find("----------");
  if (table == std::string::npos) return "";
  std::istringstream in(out.substr(table));
  std::string line, path_, listed;
  int64_t size = 0;
  int count = 0;
  while (std::getline(in, line)) {
    if (line.rfind("Path = ", 0) == 0) path_ = line.substr(7);
    if (line.rfind("Size = ", 0) == 0) size = std::stoll(line.substr(7));
    if (line.rfind("Packed Size = ", 0) == 0) {
      listed += line.substr(14) + "\t" + std::to_string(size) + "\t" + path_ + "\n";
      ++count;
    }
  }
  return std::to_string(count) + "\n" + listed;
}

std::string LsarListing(const std::string& path) {
  std::string out;
  if (RunShell("lsar -j '" + path +
                   "' | python3 -c 'import json,sys\n"
                   "c = json.load(sys.stdin)[\"lsarContents\"]\n"
                   "print(len(c))\n"
                   "for e in c: print(f\"{e[\"XADCompressedSize\"]}\\t{e.get(\"XADFileSize\", 0)}"
                   "\\t{e[\"XADFileName\"]}\")'",
               &out) != 0)
    return "";
  return out;
}

// Every rar archive of the shared data lists as 7z and lsar list it: count, names and both
// sizes; one that neither can list gives 0 entries.
TEST(ArchiveListTest, EveryRarArchiveListsAsSevenZipAndLsarListIt) {
  REQUIRE_RAR_DATA();
  const bool have7z = nytest::HaveTool("7z");
  const bool haveLsar = nytest::HaveTool("lsar") && nytest::HaveTool("python3");
  if (!have7z && !haveLsar) GTEST_SKIP() << "neither 7z nor lsar is installed";
  int judged = 0;
  for (const auto& f : std::filesystem::directory_iterator(kRarDir)) {
    const std::string path = f.path().string();
    if (path.size() < 4 || path.substr(path.size() - 4) == ".md") continue;
    const std::string ours = Listing(ny::ListRarArchive(path));
    std::string seven = have7z ? SevenZipListing(path) : "";
    std::string lsar = haveLsar ? LsarListing(path) : "";
    if (seven.empty() && lsar.empty()) {
      EXPECT_EQ(ours.substr(0, 2), "0\n") << path;
      continue;
    }
    if (!seven.empty()) {
      EXPECT_EQ(ours, seven) << path;
    }
    if (!lsar.empty()) {
      EXPECT_EQ(ours, lsar) << path;
    }
    ++judged;
  }
  EXPECT_GE(judged, 12);
}

// A rar 5 archive made here: signature, main header, then file headers with their data.
std::string Vint(uint64_t v) {
  std::string out;
  do {
    unsigned char b = v & 0x7F;
    v >>= 7;
    if (v != 0) b |= 0x80;
    out += static_cast<char>(b);
  } while (v != 0);
  return out;
}
std::string Rar5Block(const std::string& body) {
  std::string sized = Vint(body.size()) + body;
  std::string crc(4, '\0');
  ny::ZipPut32(reinterpret_cast<unsigned char*>(crc.data()), ny::Crc32(sized.data(), sized.size()));
  return crc + sized;
}
std::string Rar5File(const std::string& name, uint64_t data, uint64_t unpacked) {
  // type 2, flags: data size present; file flags 0, sizes, attributes, method, host 1 (Unix)
  return Rar5Block(Vint(2) + Vint(2) + Vint(data) + Vint(0) + Vint(unpacked) + Vint(0) + Vint(0) +
                   Vint(1) + Vint(name.size()) + name);
}

TEST(ArchiveListTest, RarHeadersAreCheckedBeforeTheyCount) {
  TestDir dir;
  const std::string start =
      std::string("Rar!\x1a\x07\x01\x00", 8) + Rar5Block(Vint(1) + Vint(0) + Vint(0));
  const std::string end = Rar5Block(Vint(5) + Vint(0) + Vint(0));
  auto list = [&](const std::string& bytes) {
    WriteFile(dir / "made.rar", bytes);
    return Listing(ny::ListRarArchive(dir / "made.rar"));
  };
  SetMarker();
  const std::string one = Rar5File("папка/один.txt", 3, 5) + "abc";
  EXPECT_EQ(list(start + one + Rar5File("two", 0, 0) + end),
            "2\n3\t5\tпапка/один.txt\n0\t0\ttwo\n");
  // A header whose CRC fails ends the listing before it.
  std::string bad = Rar5File("two", 0, 0);
  bad[6] ^= 1;
  EXPECT_EQ(list(start + one + bad + end), "1\n3\t5\tпапка/один.txt\n");
  // Sizes of 2^63 and more are no sizes any file has: that header ends the listing.
  EXPECT_EQ(list(start + one + Rar5File("huge", 0, uint64_t{1} << 63) + end),
            "1\n3\t5\tпапка/один.txt\n");
  EXPECT_EQ(list(start + one + Rar5File("big", 0, (uint64_t{1} << 63) - 1) + end),
            "2\n3\t5\tпапка/один.txt\n0\t9223372036854775807\tbig\n");
  // Data that runs past the end of the file: the header is listed, the walk ends there.
  EXPECT_EQ(list(start + Rar5File("cut", 4, 4) + "abc"), "1\n4\t4\tcut\n");
  EXPECT_EQ(list(start + Rar5File("exact", 3, 3) + "abc" + Rar5File("next", 0, 0)),
            "2\n3\t3\texact\n0\t0\tnext\n");
  // A header cut short by the end of the file lists nothing: the last listing stays.
  SetMarker();
  EXPECT_EQ(list(start + Rar5File("whole", 0, 0).substr(0, 12)), "0\n1\t2\tmarker\n");
}

}  // namespace
