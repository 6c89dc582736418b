// The archive operations over real record sets on a real library database file: the road of
// an appended document (pack, file, catalogue) and of its opening (archive path, extraction).
#include "app/ArchiveCatalog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "archive/ArchiveOps.h"
#include "archive/ZipReader.h"
#include "archive/ZipWriter.h"
#include "common/TestDir.h"
#include "sqlite/NySQLite3DB.h"
#include "sqlite/NySQLite3Query.h"
#include "util/NyApi.h"
#include "util/NyRun.h"

namespace {

using nytest::ReadFile;
using nytest::TestDir;
using nytest::WriteFile;
namespace fs = std::filesystem;

class ArchiveCatalog : public ::testing::Test {
 protected:
  void SetUp() override {
    libraryFile = dir / "Books.sqb";
    db.SetDatabase(libraryFile);
    db.SetConnected(true);
    ASSERT_TRUE(db.Connected());
    db.ExecuteScript(
        "CREATE TABLE LSTDOC ( AUTHOR VARCHAR2(32) ,NAME VARCHAR2(64) ,SUBJ VARCHAR2(16) ,SIZE "
        "INTEGER ,SIZEARC INTEGER ,FILENAME VARCHAR2(128) ,ARCHNAME VARCHAR2(128) ,TEXT "
        "VARCHAR2(256));");
    db.ExecuteScript(
        "CREATE TABLE LSTARC ( USE VARCHAR2(1) ,NAM VARCHAR2(32) ,GET VARCHAR2(128) "
        ",PUT VARCHAR2(128));");
    db.ExecuteScript(
        "insert into LSTARC (NAM,GET,PUT) values ('NyH','internal','internal');"
        "insert into LSTARC (NAM,GET,PUT) values ('RAR','rar e -y \"%a\" \"%p\"','rar a -y "
        "\"%a\" \"%p\"');"
        "insert into LSTARC (NAM,GET,PUT) values ('ZIP','internal','internal');"
        "insert into LSTARC (NAM,GET,PUT) values ('7Z','7z e -y -bso0 -bsp0 \"%a\" "
        "\"-o%p\"','');");
    db.ExecuteScript("CREATE TABLE LSTSBJ ( NAM VARCHAR2(64) ,DIR VARCHAR2(128));");
    db.ExecuteScript(
        "insert into LSTSBJ (NAM,DIR) values ('War','War');"
        "insert into LSTSBJ (NAM,DIR) values ('Verse','Lyric\\Verse');"
        "insert into LSTSBJ (NAM,DIR) values ('Drama','Drama');");
    for (auto [q, table, sql] :
         {std::tuple{&lstSbj, "LSTSBJ", "select RowId,* from LSTSBJ order by NAM"},
          std::tuple{&lstArc, "LSTARC", "select Rowid,* from LSTARC order by NAM"},
          std::tuple{&lstDoc, "LSTDOC", "select RowId,* from LSTDOC"}}) {
      q->SetConnection(&db);
      q->SetName(table);
      q->SetSQLText(sql);
      q->SetSQLTable(table);
      q->SetSQLWhere("RowId=:RowId");
      q->Open();
    }
    fs::create_directories(temp);
  }

  // What appending does with one document: pack, file, catalogue.
  void Append(const std::string& source, const std::string& subject, const std::string& dirOf) {
    const std::string zip = ny::PackDocument(writer, temp, source);
    std::string filed;
    ASSERT_TRUE(ny::FileArchive(ny::LibraryDir(libraryFile), zip, dirOf, true, &filed));
    lstDoc.Append();
    lstDoc.FieldByName("AUTHOR").SetAsString("?");
    lstDoc.FieldByName("NAME").SetAsString(ny::ChangeExt(ny::ExtractName(source), ""));
    lstDoc.FieldByName("SUBJ").SetAsString(subject);
    lstDoc.FieldByName("FILENAME").SetAsString(ny::ExtractName(source));
    lstDoc.FieldByName("ARCHNAME").SetAsString(filed);
    lstDoc.Post();
  }

  TestDir dir;
  std::string libraryFile;
  std::string temp = dir / "tmp/";
  ny::TNySQLite3DB db;
  ny::TNySQLite3Query lstSbj, lstArc, lstDoc;
  ny::TZipWriter writer;
  ny::TNyRun runner;
};

TEST_F(ArchiveCatalog, AppendedDocumentsOpenFromTheirOwnArchives) {
  fs::create_directories(dir / "in");
  WriteFile(dir / "in/notes.txt", "plain notes");
  WriteFile(dir / "in/notes.doc", "word notes");
  Append(dir / "in/notes.txt", "Drama", "Drama");
  Append(dir / "in/notes.doc", "Drama", "Drama");
  std::string names;
  db.QueryValue("select group_concat(ARCHNAME, '|') from LSTDOC", {}, true, names);
  EXPECT_EQ(names, "notes.ZIP|notes(2).ZIP");  // each row keeps an archive of its own
  ny::TDataSetSubjects subjects(lstSbj);
  ny::TDataSetArchivers archivers(lstArc);
  ny::TZipReader reader;
  ny::TExtractContext ctx;
  ctx.TempDir = temp;
  ctx.Reader = &reader;
  ctx.Subjects = &subjects;
  ctx.Archivers = &archivers;
  ctx.RunWait = [this](const std::string& c) { return runner.RunWait(c, ""); };

  lstDoc.First();
  std::vector<std::string> archNames;
  for (const std::string want : {"plain notes", "word notes"}) {
    ny::TDocumentRef doc = ny::CurrentDocument(lstDoc);
    archNames.push_back(doc.ArchName);
    const std::string path = ny::ArchivePath(libraryFile, subjects, doc);
    EXPECT_EQ(path, dir / ("Books/Drama/" + doc.ArchName));
    EXPECT_EQ(lstSbj.FieldByName("NAM").AsString(), "Drama");  // positioned on the subject
    EXPECT_EQ(ny::ExtractDocument(ctx, doc, path), ny::TExtractOutcome::eoZipRead);
    EXPECT_EQ(ReadFile(temp + doc.FileName), want);
    lstDoc.Next();
  }
  EXPECT_EQ(archNames, (std::vector<std::string>{"notes.ZIP", "notes(2).ZIP"}));
}

TEST_F(ArchiveCatalog, SubjectsAndArchiversAreLocatedInTheirTables) {
  ny::TDataSetSubjects subjects(lstSbj);
  ny::TDataSetArchivers archivers(lstArc);
  EXPECT_EQ(subjects.LocateSubject("verse"), "Lyric\\Verse");
  EXPECT_EQ(lstSbj.FieldByName("NAM").AsString(), "Verse");
  EXPECT_EQ(subjects.LocateSubject("Vers"), std::nullopt);
  EXPECT_EQ(archivers.LocateArchiver("rar"), "rar e -y \"%a\" \"%p\"");
  EXPECT_EQ(archivers.LocateArchiver("ARJ"), std::nullopt);

  ny::TDocumentRef doc{"VERSE", "poems.rar", "poems.txt"};
  EXPECT_EQ(ny::ArchivePath(libraryFile, subjects, doc), dir / "Books/Lyric/Verse/poems.rar");
  doc.Subj = "Removed";
  EXPECT_EQ(ny::ArchivePath(libraryFile, subjects, doc), "");

  // A missing rar archive is told with its path; with its archiver row gone nothing happens.
  ny::TZipReader reader;
  std::vector<std::string> runs, messages;
  ny::TExtractContext ctx{temp,
                          &reader,
                          &subjects,
                          &archivers,
                          [&](const std::string& c) {
                            runs.push_back(c);
                            return runner.RunWait(c, "");  // no rar here: it cannot start
                          },
                          [&](const std::string& m) { messages.push_back(m); }};
  doc.Subj = "Verse";
  const std::string path = dir / "Books/Lyric/Verse/poems.rar";
  EXPECT_EQ(ny::ExtractDocument(ctx, doc, path), ny::TExtractOutcome::eoArchiveMissing);
  EXPECT_EQ(messages, std::vector<std::string>{"File Not Found\n" + path});
  fs::create_directories(dir / "Books/Lyric/Verse");
  WriteFile(path, "rar bytes");
  EXPECT_EQ(ny::ExtractDocument(ctx, doc, path), ny::TExtractOutcome::eoCommandRun);
  EXPECT_EQ(runs, std::vector<std::string>{"rar e -y \"" + path + "\" \"" + temp + "\""});
  ASSERT_TRUE(lstArc.Locate("NAM", ny::TNyValue("RAR"), {}));
  lstArc.Delete();
  EXPECT_EQ(ny::ExtractDocument(ctx, doc, path), ny::TExtractOutcome::eoNothing);
  EXPECT_EQ(runs.size(), 1u);
}

}  // namespace
