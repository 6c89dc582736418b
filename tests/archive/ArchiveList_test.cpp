// Listing zip archives (made at test time by zip and python) and the rar archives of the
// shared test data (listed where they lie), with 7z as the judge of rar packed sizes.
#include "archive/ArchiveList.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

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
#define REQUIRE_RAR_DATA()                                          \
  if (!std::filesystem::is_directory(kRarDir)) {                    \
    GTEST_SKIP() << "no shared test data at " << kRarDir;           \
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
  EXPECT_EQ(Listing(ny::ListRarArchive(kRarDir + "rar4_multi_compressed.rar")),
            "6\n5874\t20111\tLibarchiveAddingTest.html\n25\t0\ttestlink\n33\t20\ttestdir/test.txt\n"
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
  // Headers readable, data encrypted: listed; a header cut short ends the listing after the
  // entries before it.
  EXPECT_EQ(ny::ListRarArchive(kRarDir + "rar4_solid_encrypted_data.rar"), 1);
  EXPECT_EQ(ny::ArchiveEntries()[0].EntryName, "a.txt");
  EXPECT_EQ(ny::ListRarArchive(kRarDir + "rar4_truncated_no_end.rar"), 1);
  // A file block that claims to run past the end of the file: its header is listed as it
  // stands, and the listing ends there.
  EXPECT_EQ(Listing(ny::ListRarArchive(kRarDir + "rar4_truncated_header.rar")), "1\n12\t3\ttest\n");
  // Made on Unix: a symlink and two directory entries among the files, in archive order.
  EXPECT_EQ(Listing(ny::ListRarArchive(kRarDir + "rar4_multi_dirs_symlink.rar")),
            "5\n20\t20\ttest.txt\n8\t0\ttestlink\n20\t20\ttestdir/test.txt\n0\t0\ttestdir\n"
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

// 7z reports the packed size of every rar entry; the listing must agree for files.
TEST(ArchiveListTest, RarPackedSizesAgreeWithSevenZip) {
  REQUIRE_RAR_DATA();
  if (!nytest::HaveTool("7z")) GTEST_SKIP() << "7z is not installed";
  for (const char* name : {"rar4_multi_compressed.rar", "rar4_windows_paths.rar",
                           "rar5_multi_win32_dir.rar", "rar5_solid.rar", "rar4_sfx.exe"}) {
    std::string out;
    ASSERT_EQ(RunShell("7z l -slt '" + kRarDir + name + "'", &out), 0) << out;
    std::map<std::string, std::pair<int64_t, int64_t>> judge;  // path -> packed, size
    std::istringstream in(out.substr(out.find("----------")));
    std::string line, path;
    int64_t size = 0;
    while (std::getline(in, line)) {
      if (line.rfind("Path = ", 0) == 0) path = line.substr(7);
      if (line.rfind("Size = ", 0) == 0) size = std::stoll(line.substr(7));
      if (line.rfind("Packed Size = ", 0) == 0 && line.size() > 14)
        judge[path] = {std::stoll(line.substr(14)), size};
    }
    int count = ny::ListRarArchive(kRarDir + name);
    ASSERT_EQ(static_cast<size_t>(count), judge.size()) << name;
    for (const ny::TArchiveEntry& e : ny::ArchiveEntries()) {
      ASSERT_TRUE(judge.count(e.EntryName)) << name << ": " << e.EntryName;
      EXPECT_EQ(e.PackedSize, judge[e.EntryName].first) << name << ": " << e.EntryName;
      if (e.EntryName != "testlink") {  // libarchive gives a symlink no size
        EXPECT_EQ(e.UnpackedSize, judge[e.EntryName].second) << name << ": " << e.EntryName;
      }
    }
  }
}

}  // namespace
