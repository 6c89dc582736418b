#include "archive/ArchiveOps.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "archive/CatalogRows.h"
#include "archive/ZipWriter.h"
#include "common/TestDir.h"
#include "util/NyApi.h"

namespace {

using nytest::ReadFile;
using nytest::RunShell;
using nytest::TestDir;
using nytest::WriteFile;
namespace fs = std::filesystem;

TEST(ArchiveOps, LibraryDirArchiveNamesAndFormats) {
  EXPECT_EQ(ny::LibraryDir("/data/Books.sqb"), "/data/Books");
  EXPECT_EQ(ny::LibraryDir("/data/Books.old/Fiction"), "/data/Books.old/Fiction");
  EXPECT_EQ(ny::LibraryDir("/data/lib.a.sqb"), "/data/lib.a");

  EXPECT_EQ(ny::ArchiveNameOf("/home/u/notes.txt"), "notes.ZIP");
  EXPECT_EQ(ny::ArchiveNameOf("a.b.doc"), "a.b.ZIP");
  EXPECT_EQ(ny::ArchiveNameOf("/x/README"), "README.ZIP");
  EXPECT_EQ(ny::ArchiveNameOf("/x/.profile"), ".profile.ZIP");
  EXPECT_EQ(ny::ArchiveNameOf("/x.d/Report.final.txt"), "Report.final.ZIP");
  EXPECT_EQ(ny::ArchiveNameOf("/x.d/\xD0\x9A\xD0\xBD\xD0\xB8\xD0\xB3\xD0\xB0.pdf"),
            "\xD0\x9A\xD0\xBD\xD0\xB8\xD0\xB3\xD0\xB0.ZIP");
  // A path of any length names the archive after its last part, and the name stays within
  // the 255 bytes of a Linux name (cut between characters).
  const std::string deep = "/" + std::string(300, 'd') + "/" + std::string(100, 'e') + "/";
  EXPECT_EQ(ny::ArchiveNameOf(deep + "notes.txt"), "notes.ZIP");
  EXPECT_EQ(ny::ArchiveNameOf(deep + std::string(253, 'x') + ".c"), std::string(251, 'x') + ".ZIP");
  std::string cyr;
  for (int i = 0; i < 127; ++i) cyr += "\xD0\xAF";  // 254 bytes of "Я"
  EXPECT_EQ(ny::ArchiveNameOf("/d/" + cyr), cyr.substr(0, 250) + ".ZIP");

  EXPECT_EQ(ny::ArchiveFormat("book.rar"), "RAR");
  EXPECT_EQ(ny::ArchiveFormat("notes.Zip"), "ZIP");
  EXPECT_EQ(ny::ArchiveFormat("old.NyH"), "NYH");
  EXPECT_EQ(ny::ArchiveFormat("a.tar.gz"), "GZ");
  EXPECT_EQ(ny::ArchiveFormat("noext"), "");
}

TEST(ArchiveOps, ArchivePathsJoinStoredNamesAndNeverClimbOut) {
  EXPECT_EQ(ny::ArchivePathOf("/Lib/Books", "Novels\\Old", "a.ZIP"), "/Lib/Books/Novels/Old/a.ZIP");
  EXPECT_EQ(ny::ArchivePathOf("/Lib/Books", "Novels/Old", "a.ZIP"), "/Lib/Books/Novels/Old/a.ZIP");
  EXPECT_EQ(ny::ArchivePathOf("/Lib/Books", "", "a.ZIP"), "/Lib/Books//a.ZIP");
  EXPECT_EQ(ny::ArchivePathOf("/Lib/Books", "..dots", "a..ZIP"), "/Lib/Books/..dots/a..ZIP");
  EXPECT_EQ(ny::ArchivePathOf("/Lib/Books", "..\\..\\etc", "passwd"), "");
  EXPECT_EQ(ny::ArchivePathOf("/Lib/Books", "Novels/../../x", "a.ZIP"), "");
  EXPECT_EQ(ny::ArchivePathOf("/Lib/Books", "Novels", "..\\a.ZIP"), "");
  EXPECT_EQ(ny::ArchivePathOf("/Lib/Books", "Novels", ".."), "");
  EXPECT_EQ(ny::ArchivePathOf("/Lib/Books", "Novels", ""), "");

  nytest::TCatalogRows subjects;
  subjects.subjects = {{"Fiction", "Novels\\Old"},
                       {"\xD0\x9F\xD0\xBE\xD1\x8D\xD0\xB7\xD0\xB8\xD1\x8F", "Poetry"},
                       {"Escape", "..\\outside"}};
  ny::TDocumentRef doc{"fiction", "War.ZIP", "War.txt"};
  EXPECT_EQ(ny::ArchivePath("/Lib/Books.sqb", subjects, doc), "/Lib/Books/Novels/Old/War.ZIP");
  EXPECT_EQ(subjects.currentSubject, "Fiction");  // the subject table is left on the match
  // Cyrillic subject in other letter case ("ПОЭЗИЯ" for "Поэзия").
  doc.Subj = "\xD0\x9F\xD0\x9E\xD0\xAD\xD0\x97\xD0\x98\xD0\xAF";
  EXPECT_EQ(ny::ArchivePath("/Lib/Books.sqb", subjects, doc), "/Lib/Books/Poetry/War.ZIP");
  doc.Subj = "Removed";
  EXPECT_EQ(ny::ArchivePath("/Lib/Books.sqb", subjects, doc), "");
  doc.Subj = "Fict";  // whole values only
  EXPECT_EQ(ny::ArchivePath("/Lib/Books.sqb", subjects, doc), "");
  doc.Subj = "Escape";
  EXPECT_EQ(ny::ArchivePath("/Lib/Books.sqb", subjects, doc), "");
}

TEST(ArchiveOps, PackDocumentMakesOneEntryArchiveInTheTemporaryDirectory) {
  TestDir dir;
  fs::create_directories(dir / "docs.v2");
  fs::create_directories(dir / "tmp");
  const std::string text(20000, 'x');
  WriteFile(dir / "docs.v2/Report.final.txt", text);
  ny::TZipWriter writer;
  writer.SetCompressionLevel(0);  // PackDocument sets its own level
  const std::string zip = ny::PackDocument(writer, dir / "tmp", dir / "docs.v2/Report.final.txt");
  EXPECT_EQ(zip, dir / "tmp/Report.final.ZIP");
  ASSERT_TRUE(ny::FileExistsPlain(zip));
  EXPECT_TRUE(ny::FileExistsPlain(dir / "docs.v2/Report.final.txt"));  // the source stays
  ASSERT_EQ(writer.Count(), 1);
  EXPECT_EQ(writer.Headers()[0].FileName, "Report.final.txt");
  EXPECT_EQ(writer.Headers()[0].Directory, "");
  EXPECT_EQ(writer.Headers()[0].Method, 8);
  EXPECT_EQ(writer.Headers()[0].Flags, 0);
  std::string out;
  EXPECT_EQ(RunShell("unzip -Z1 '" + zip + "'", &out), 0);
  EXPECT_EQ(out, "Report.final.txt\n");
  EXPECT_EQ(RunShell("unzip -t '" + zip + "'", &out), 0) << out;
  EXPECT_EQ(RunShell("unzip -p '" + zip + "'", &out), 0);
  EXPECT_EQ(out, text);

  // A source that vanished: the path comes back, but no archive (not even the old one) is
  // there to be filed by mistake.
  fs::remove(dir / "docs.v2/Report.final.txt");
  EXPECT_EQ(ny::PackDocument(writer, dir / "tmp/", dir / "docs.v2/Report.final.txt"), zip);
  EXPECT_FALSE(fs::exists(zip));
}

TEST(ArchiveOps, FilingNeverOverwritesAnotherDocumentsArchive) {
  TestDir dir;
  fs::create_directories(dir / "tmp");
  const std::string lib = ny::LibraryDir(dir / "Books.sqb");
  WriteFile(dir / "notes.txt", "plain notes");
  WriteFile(dir / "notes.doc", "word notes");
  ny::TZipWriter writer;

  // Two documents of one subject whose names differ only in the extension.
  std::string first, second;
  std::string zip = ny::PackDocument(writer, dir / "tmp", dir / "notes.txt");
  ASSERT_TRUE(ny::FileArchive(lib, zip, "Misc\\Notes", true, &first));
  EXPECT_EQ(first, "notes.ZIP");
  EXPECT_FALSE(fs::exists(zip));  // moved
  zip = ny::PackDocument(writer, dir / "tmp", dir / "notes.doc");
  ASSERT_TRUE(ny::FileArchive(lib, zip, "Misc\\Notes", true, &second));
  EXPECT_EQ(second, "notes(2).ZIP");
  std::string out;
  ASSERT_EQ(RunShell("unzip -p '" + lib + "/Misc/Notes/notes.ZIP'", &out), 0);
  EXPECT_EQ(out, "plain notes");
  ASSERT_EQ(RunShell("unzip -p '" + lib + "/Misc/Notes/notes(2).ZIP'", &out), 0);
  EXPECT_EQ(out, "word notes");

  // Importing (no move) keeps the source; the next free number is taken, gaps first.
  fs::remove(lib + "/Misc/Notes/notes(2).ZIP");
  WriteFile(lib + "/Misc/Notes/notes(3).ZIP", "third");
  WriteFile(dir / "notes.ZIP", "imported");
  std::string used;
  ASSERT_TRUE(ny::FileArchive(lib, dir / "notes.ZIP", "Misc/Notes", false, &used));
  EXPECT_EQ(used, "notes(2).ZIP");
  EXPECT_EQ(ReadFile(lib + "/Misc/Notes/notes(2).ZIP"), "imported");
  EXPECT_EQ(ReadFile(dir / "notes.ZIP"), "imported");
  ASSERT_TRUE(ny::FileArchive(lib, dir / "notes.ZIP", "Misc/Notes", false, &used));
  EXPECT_EQ(used, "notes(4).ZIP");
  EXPECT_EQ(ReadFile(lib + "/Misc/Notes/notes(3).ZIP"), "third");

  // A name without extension, and a dangling symbolic link that holds the plain name.
  WriteFile(dir / "README", "r");
  ASSERT_TRUE(ny::FileArchive(lib, dir / "README", "", false, &used));
  EXPECT_EQ(used, "README");
  EXPECT_EQ(ReadFile(lib + "//README"), "r");
  fs::create_symlink(dir / "nowhere", lib + "/Misc/link.ZIP");
  WriteFile(dir / "link.ZIP", "l");
  ASSERT_TRUE(ny::FileArchive(lib, dir / "link.ZIP", "Misc", false, &used));
  EXPECT_EQ(used, "link(2).ZIP");
  EXPECT_FALSE(fs::exists(dir / "nowhere"));
  ASSERT_TRUE(ny::FileArchive(lib, dir / "README", "", false, &used));
  EXPECT_EQ(used, "README(2)");
}

TEST(ArchiveOps, FilingFailures) {
  TestDir dir;
  const std::string lib = dir / "Books";
  std::string used = "unchanged";
  EXPECT_FALSE(ny::FileArchive(lib, dir / "missing.ZIP", "Misc", true, &used));
  WriteFile(dir / "a.ZIP", "a");
  EXPECT_FALSE(ny::FileArchive(lib, dir / "?.ZIP", "Misc", true, &used));
  EXPECT_FALSE(ny::FileArchive(lib, dir.Path(), "Misc", true, &used));  // a directory
  EXPECT_EQ(used, "unchanged");
  // A subject directory that would lie outside the library.
  EXPECT_FALSE(ny::FileArchive(lib, dir / "a.ZIP", "..\\escape", true, &used));
  EXPECT_FALSE(fs::exists(dir / "escape"));
  EXPECT_TRUE(fs::exists(dir / "a.ZIP"));
  // The subject directory cannot be made: a plain file stands in its place.
  fs::create_directories(lib);
  WriteFile(lib + "/Misc", "file");
  EXPECT_FALSE(ny::FileArchive(lib, dir / "a.ZIP", "Misc", true, &used));
  EXPECT_TRUE(fs::exists(dir / "a.ZIP"));
  EXPECT_EQ(used, "unchanged");
}

}  // namespace
