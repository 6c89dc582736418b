#include "archive/ArchiveExtract.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "archive/ArchiveOps.h"
#include "archive/CatalogRows.h"
#include "archive/ZipReader.h"
#include "archive/ZipWriter.h"
#include "common/TestDir.h"
#include "util/NyApi.h"
#include "util/NyRun.h"

namespace {

using nytest::ReadFile;
using nytest::RunShell;
using nytest::TestDir;
using nytest::WriteFile;
namespace fs = std::filesystem;

// A library under a test directory with the seeded archiver rows, a real reader and the real
// program runner; every command and message is recorded.
struct TLibrary {
  TestDir dir;
  std::string libDir = dir / "Books";
  std::string temp = dir / "tmp/";
  nytest::TCatalogRows rows;
  ny::TZipReader reader;
  ny::TNyRun runner;
  std::vector<std::string> commands, messages;
  ny::TExtractContext ctx;

  TLibrary() {
    fs::create_directories(temp);
    rows.subjects = {{"War", "War"}, {"Verse", "Lyric\\Verse"}};
    rows.archivers = {{"NyH", "internal"},
                      {"RAR", "rar e -y \"%a\" \"%p\""},
                      {"ZIP", "internal"},
                      {"7z", "7z e -y -bso0 -bsp0 \"%a\" \"-o%p\""}};
    ctx.TempDir = temp;
    ctx.Reader = &reader;
    ctx.Subjects = &rows;
    ctx.Archivers = &rows;
    ctx.RunWait = [this](const std::string& line) {
      commands.push_back(line);
      return runner.RunWait(line, "");
    };
    ctx.ShowMessage = [this](const std::string& text) { messages.push_back(text); };
  }
};

TEST(ArchiveExtract, CommandTemplates) {
  EXPECT_EQ(ny::FillGetTemplate("rar e -y \"%a\" \"%p\"", "/lib/Books/War/book.rar", "/tmp/v/"),
            "rar e -y \"/lib/Books/War/book.rar\" \"/tmp/v/\"");
  // A "%p" inside the archive path stays as it is.
  EXPECT_EQ(ny::FillGetTemplate("x \"%a\" \"%p\"", "/lib/100%parts.rar", "/t/"),
            "x \"/lib/100%parts.rar\" \"/t/\"");
  EXPECT_EQ(ny::FillGetTemplate("x %p %a", "A", "P"), "x P A");
  EXPECT_EQ(ny::FillGetTemplate("x %a %a %p %p", "A", "P"), "x A %a P %p");
  EXPECT_EQ(ny::FillGetTemplate("x %A %P", "A", "P"), "x %A %P");  // case-sensitive
  EXPECT_EQ(ny::FillGetTemplate("internal", "A", "P"), "internal");
}

TEST(ArchiveExtract, ZipArchivesAreReadByTheProgramItself) {
  TLibrary lib;
  const std::string name = "\xD0\x9A\xD0\xBD\xD0\xB8\xD0\xB3\xD0\xB0 War.txt";  // "Книга War.txt"
  WriteFile(lib.dir / name, "war and peace");
  ny::TZipWriter writer;
  std::string filed;
  ASSERT_TRUE(ny::FileArchive(lib.libDir, ny::PackDocument(writer, lib.temp, lib.dir / name), "War",
                              true, &filed));
  ny::TDocumentRef doc{"war", filed, name};
  const std::string path = ny::ArchivePathOf(lib.libDir, "War", filed);
  EXPECT_EQ(ny::ExtractDocument(lib.ctx, doc, path), ny::TExtractOutcome::eoZipRead);
  EXPECT_EQ(ReadFile(lib.temp + name), "war and peace");
  EXPECT_TRUE(lib.commands.empty());

  // Letter case of the catalogue's FILENAME does not matter; a name not in the archive gives
  // no file.
  fs::remove(lib.temp + name);
  doc.FileName = "\xD0\xBA\xD0\x9D\xD0\x98\xD0\x93\xD0\x90 war.TXT";
  EXPECT_EQ(ny::ExtractDocument(lib.ctx, doc, path), ny::TExtractOutcome::eoZipRead);
  EXPECT_EQ(ReadFile(lib.temp + name), "war and peace");
  doc.FileName = "other.txt";
  EXPECT_EQ(ny::ExtractDocument(lib.ctx, doc, path), ny::TExtractOutcome::eoZipRead);
  EXPECT_FALSE(fs::exists(lib.temp + "other.txt"));

  // A zip archive that is missing is the reader's error.
  EXPECT_THROW(ny::ExtractDocument(lib.ctx, doc, lib.libDir + "/War/gone.ZIP"), ny::EZipError);
}

TEST(ArchiveExtract, OutsideArchiversRunTheirTemplate) {
  if (!nytest::HaveTool("7z")) GTEST_SKIP() << "7z is not installed";
  TLibrary lib;
  fs::create_directories(lib.libDir + "/Lyric/Verse");
  WriteFile(lib.dir / "poems.txt", "roses are red");
  std::string out;
  ASSERT_EQ(
      RunShell("7z a -bd '" + lib.libDir + "/Lyric/Verse/poems.7z' '" + lib.dir / "poems.txt'",
               &out),
      0)
      << out;
  ny::TDocumentRef doc{"Verse", "poems.7z", "poems.txt"};
  const std::string path = ny::ArchivePathOf(lib.libDir, "Lyric\\Verse", doc.ArchName);
  EXPECT_EQ(ny::ExtractDocument(lib.ctx, doc, path), ny::TExtractOutcome::eoCommandRun);
  ASSERT_EQ(lib.commands.size(), 1u);
  EXPECT_EQ(lib.commands[0], "7z e -y -bso0 -bsp0 \"" + path + "\" \"-o" + lib.temp + "\"");
  EXPECT_EQ(ReadFile(lib.temp + "poems.txt"), "roses are red");
  EXPECT_TRUE(lib.messages.empty());

  // A missing archive is told, nothing is run.
  doc.ArchName = "lost.7z";
  const std::string lost = ny::ArchivePathOf(lib.libDir, "Lyric\\Verse", doc.ArchName);
  EXPECT_EQ(ny::ExtractDocument(lib.ctx, doc, lost), ny::TExtractOutcome::eoArchiveMissing);
  ASSERT_EQ(lib.messages.size(), 1u);
  EXPECT_EQ(lib.messages[0], "File Not Found\n" + lost);
  EXPECT_EQ(lib.commands.size(), 1u);

  // No subject row, or no archiver row: nothing extracted, nothing said.
  doc = {"Removed", "poems.7z", "poems.txt"};
  EXPECT_EQ(ny::ExtractDocument(lib.ctx, doc, path), ny::TExtractOutcome::eoNothing);
  doc.Subj = "verse";
  lib.rows.archivers.erase("7z");
  EXPECT_EQ(ny::ExtractDocument(lib.ctx, doc, path), ny::TExtractOutcome::eoNothing);
  // The "NyH" type is never extracted, not even with its row present.
  doc.ArchName = "poems.nyh";
  EXPECT_EQ(ny::ExtractDocument(lib.ctx, doc, path), ny::TExtractOutcome::eoNothing);
  EXPECT_EQ(lib.commands.size(), 1u);
  EXPECT_EQ(lib.messages.size(), 1u);
}

TEST(ArchiveExtract, APathWithAQuoteNeverReachesACommand) {
  TLibrary lib;
  fs::create_directories(lib.libDir + "/War");
  const std::string evil = lib.libDir + "/War/a\" \"-o..x.rar";
  WriteFile(evil, "not really rar");
  ny::TDocumentRef doc{"War", ny::ExtractName(evil), "a.txt"};
  EXPECT_EQ(ny::ExtractDocument(lib.ctx, doc, evil), ny::TExtractOutcome::eoNothing);
  EXPECT_TRUE(lib.commands.empty());
}

}  // namespace
