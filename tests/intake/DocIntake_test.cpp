// Appending, importing and deleting documents on a real library with real archives.
#include "intake/DocIntake.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <filesystem>

#include "app/LibraryFixture.h"
#include "archive/ArchiveList.h"
#include "archive/ZipWriter.h"
#include "common/TestDir.h"
#include "util/NyApi.h"

using namespace ny;
using nytest::ReadFile;
using nytest::WriteFile;
using Texts = std::vector<std::string>;

namespace {

void Put16(std::string& s, uint32_t v) {
  s += char(v & 0xff);
  s += char((v >> 8) & 0xff);
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xffff);
  Put16(s, v >> 16);
}

// A one-entry zip whose headers claim `size` uncompressed bytes for 3 stored... deflated bytes.
std::string ZipClaiming(const std::string& name, uint32_t size) {
  const std::string data = "\x03\x00";  // an empty final deflate block
  std::string local = "PK\x03\x04";
  Put16(local, 20); Put16(local, 0); Put16(local, 8); Put32(local, 0); Put32(local, 0);
  Put32(local, uint32_t(data.size())); Put32(local, size); Put16(local, uint32_t(name.size()));
  Put16(local, 0);
  local += name + data;
  std::string central = "PK\x01\x02";
  Put16(central, 20); Put16(central, 20); Put16(central, 0); Put16(central, 8); Put32(central, 0);
  Put32(central, 0); Put32(central, uint32_t(data.size())); Put32(central, size);
  Put16(central, uint32_t(name.size())); Put16(central, 0); Put16(central, 0); Put16(central, 0);
  Put16(central, 0); Put32(central, 0); Put32(central, 0);
  central += name;
  std::string end = "PK\x05\x06";
  Put16(end, 0); Put16(end, 0); Put16(end, 1); Put16(end, 1); Put32(end, uint32_t(central.size()));
  Put32(end, uint32_t(local.size())); Put16(end, 0);
  return local + central + end;
}

// The rar 4 archive of the test data with its single entry renamed `name`, stored as made on
// Windows; the header's CRC made anew.
std::string RarNamed(const std::string& name) {
  const std::string rar = ReadFile(std::string(VELLUM_TESTDATA_DIR) + "/rar/rar4_single_stored.rar");
  size_t pos = 7;  // the marker block
  pos += uint8_t(rar[pos + 5]) | uint8_t(rar[pos + 6]) << 8;  // the main header
  const size_t headSize = uint8_t(rar[pos + 5]) | uint8_t(rar[pos + 6]) << 8;
  const size_t nameSize = uint8_t(rar[pos + 26]) | uint8_t(rar[pos + 27]) << 8;
  std::string head = rar.substr(pos, headSize);
  head.replace(32, nameSize, name);
  head[15] = 2;  // host: Win32
  head[26] = char(name.size() & 0xff);
  head[27] = char(name.size() >> 8);
  head[5] = char(head.size() & 0xff);
  head[6] = char(head.size() >> 8);
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(head.data()) + 2, uInt(head.size() - 2));
  head[0] = char(crc & 0xff);
  head[1] = char((crc >> 8) & 0xff);
  return rar.substr(0, pos) + head + rar.substr(pos + headSize);
}

class DocIntakeTest : public nytest::LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    WriteFile(env_.SettingsFile, "[main]\nLogOut=1\n");
    form = Start();
    form->CreateLibrary(lib_);
    intake = std::make_unique<TDocIntake>(*form, view_);
    src = dir_ / "in/";
    ForceDirs(src);
  }
  std::string Log() { return ReadFile(env_.TempDir + "vellum.log"); }
  int64_t Count() { return std::stoll(Sql("select count(*) from LSTDOC")); }
  // "NAME|SUBJ|SIZE|FILENAME|ARCHNAME|SIZEARC|TEXT" of the row.
  std::string Row(int64_t id) {
    return Sql("select NAME||'|'||ifnull(SUBJ,'')||'|'||SIZE||'|'||FILENAME||'|'||ARCHNAME||'|'||"
               "ifnull(SIZEARC,'null')||'|'||ifnull(TEXT,'null')||'|'||AUTHOR from LSTDOC where RowId=" +
               std::to_string(id));
  }
  static Texts Entries(const std::string& zip) {
    Texts out;
    for (int i = 0, n = ListArchive(zip); i < n; ++i) out.push_back(ArchiveEntries()[i].EntryName);
    return out;
  }
  // What lies in a directory of the library, hidden staging directories included.
  Texts Listing(const std::string& d) {
    Texts out;
    for (const auto& e : std::filesystem::directory_iterator(d)) out.push_back(e.path().filename());
    std::sort(out.begin(), out.end());
    return out;
  }

  std::unique_ptr<TForm1> form;
  std::unique_ptr<TDocIntake> intake;
  std::string src;
  std::string books = dir_ / "Books/";
};

// The dialog's script: picks `names` of the list and runs Execute.
class PickingView : public TIntakeView {
 public:
  void ShowModal(TfIntake& d) override {
    for (int i = 0; i < d.FileList().Count(); ++i)
      for (const std::string& n : names) if (d.FileList().Items()[i].Name == n) d.FileList().SetSelected(i, true);
    d.BitBtn1Click();
    texts = d.FileList().Texts();
  }
  void Close() override {}
  void FocusNext() override {}
  void SetColor(const std::string&, TNyColor) override {}
  TNyProgressView* Progress() override { return nullptr; }
  Texts names, texts;
};

TEST_F(DocIntakeTest, AppendedThroughTheDialogInListOrderWithTheDeleteFlag) {
  // The grid's key opens the dialog in the program's directory.
  const std::string progDir = dir_.Path();
  for (const char* f : {"c.txt", "a.txt", "b.txt"}) WriteFile(progDir + f, std::string("text of ") + f);
  PickingView pick;
  intake->RunDialog = [&](TIntakeKind kind, const TIntakeRequest& r) {
    EXPECT_EQ(kind, TIntakeKind::Imp);
    RunIntakeDialog(kind, pick, r);
  };
  intake->Attach();
  pick.names = {"c.txt", "a.txt", "b.txt"};
  uint16_t key = VK_INSERT;
  form->LstSbj().Locate("NAM", TNyValue(std::string("Drama")), {});
  form->DBGridKeyDown(key, ssCtrl);  // the grid's Ctrl+Insert opens the dialog
  ASSERT_EQ(Count(), 3);
  EXPECT_EQ(Row(1), "a|Drama|13|a.txt|a.ZIP|null|null|?");
  EXPECT_EQ(Row(2), "b|Drama|13|b.txt|b.ZIP|null|null|?");
  EXPECT_EQ(Row(3), "c|Drama|13|c.txt|c.ZIP|null|null|?");
  EXPECT_EQ(Listing(books + "Drama"), (Texts{"a.ZIP", "b.ZIP", "c.ZIP"}));
  EXPECT_EQ(Entries(books + "Drama/b.ZIP"), (Texts{"b.txt"}));
  EXPECT_TRUE(FileExistsPlain(progDir + "a.txt"));  // the option is off: the sources stay
  // The new rows are in the window's list at once.
  EXPECT_EQ(form->LstDoc().RecordCount(), 3);

  // With the option on the sources go, after their rows, and the list no longer shows them.
  form->SetChecked("chDelSource", true);
  WriteFile(progDir + "d.txt", "d");
  pick.names = {"a.txt", "d.txt"};
  intake->bDocAppendClick(progDir);
  EXPECT_EQ(std::count(pick.texts.begin(), pick.texts.end(), "a.txt"), 0);
  EXPECT_EQ(std::count(pick.texts.begin(), pick.texts.end(), "b.txt"), 1);
  EXPECT_FALSE(FileExistsPlain(progDir + "d.txt"));
  EXPECT_EQ(Listing(books), Texts{"Drama"});  // the staging directory went with the dialog
  EXPECT_EQ(Row(4), "a|Drama|13|a.txt|a(2).ZIP|null|null|?");
  EXPECT_EQ(Row(5), "d|Drama|1|d.txt|d.ZIP|null|null|?");
  // Another document's archive of the same name is never touched.
  EXPECT_EQ(Entries(books + "Drama/a.ZIP"), (Texts{"a.txt"}));
  EXPECT_EQ(Log(), "");
}

TEST_F(DocIntakeTest, AppendEdgeCasesAndFailuresLeaveNoOrphan) {
  WriteFile(src + "report", std::string(1000, 'r'));
  TIntakeOutcome r = intake->AddDocument(src + "report", "War", "War", false);
  ASSERT_TRUE(r.Added) << r.Reason;
  EXPECT_EQ(r.RelativePath, "War/report.ZIP");
  EXPECT_EQ(Row(r.RowId), "report|War|1000|report|report.ZIP|null|null|?");
  // No subject: the archive lies right under the library directory, SUBJ is empty.
  r = intake->AddDocument(src + "report", "", "", false);
  ASSERT_TRUE(r.Added) << r.Reason;
  EXPECT_EQ(Row(r.RowId), "report||1000|report|report.ZIP|null|null|?");
  EXPECT_TRUE(FileExistsPlain(books + "report.ZIP"));
  // Not files, or no subject directory the library may hold: nothing filed.
  EXPECT_EQ(intake->AddDocument(src, "War", "War", true).Reason, "not a file");
  EXPECT_FALSE(intake->AddDocument(src + "report", "War", "../out", true).Added);
  EXPECT_FALSE(intake->AddDocument(src + "gone.txt", "War", "War", true).Added);
  // A subject name the catalogue would cut is refused: the row would lose its archive.
  r = intake->AddDocument(src + "report", "A subject name far too long", "Long", true);
  EXPECT_FALSE(r.Added);
  EXPECT_EQ(Listing(books + "Long"), Texts{});
  // A refused post takes the just-filed archive away and keeps the source.
  Exec("CREATE TRIGGER no_ins BEFORE INSERT ON LSTDOC BEGIN SELECT RAISE(ABORT,'refused'); END;");
  form->OpenLibrary(lib_);
  r = intake->AddDocument(src + "report", "War", "War", true);
  EXPECT_FALSE(r.Added);
  EXPECT_NE(r.Reason.find("refused"), std::string::npos) << r.Reason;
  EXPECT_EQ(Listing(books + "War"), (Texts{"report.ZIP"}));
  EXPECT_TRUE(FileExistsPlain(src + "report"));
  EXPECT_EQ(form->LstDoc().State(), TDataSetState::dsBrowse);
  EXPECT_EQ(Count(), 2);
}

TEST_F(DocIntakeTest, ImportsOneDocumentArchivesAndRefusesTheRest) {
  TZipWriter w;
  WriteFile(src + "story.txt", std::string(12345, 's'));
  WriteFile(src + "other.txt", "o");
  auto zip = [&](const std::string& name, Texts files) {
    for (std::string& f : files) f = src + f;
    w.SetZipName(src + name);
    w.SetFilesList(files);
    ASSERT_EQ(w.Pack(), TZipWriteStatus::zwOk);
  };
  zip("story.zip", {"story.txt"});
  zip("two.zip", {"story.txt", "other.txt"});
  zip("BOOK.Zip", {"other.txt"});
  WriteFile(src + "empty.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
  WriteFile(src + "one.7z", "7z\xbc\xaf\x27\x1c");
  const std::string story = ReadFile(src + "story.zip");

  TIntakeOutcome r = intake->AddArchive(src + "story.zip", "War", "War", false);
  ASSERT_TRUE(r.Added) << r.Reason;
  EXPECT_EQ(Row(r.RowId), "story|War|12345|story.txt|story.zip|null|null|?");
  EXPECT_EQ(ReadFile(books + "War/story.zip"), story);
  r = intake->AddArchive(src + "story.zip", "War", "War", true);  // again: a name of its own
  EXPECT_EQ(r.RelativePath, "War/story(2).zip");
  EXPECT_FALSE(FileExistsPlain(src + "story.zip"));
  EXPECT_EQ(ReadFile(books + "War/story.zip"), story);
  EXPECT_TRUE(intake->AddArchive(src + "BOOK.Zip", "War", "War", false).Added);
  // An archive of the library imported again is never deleted as a source.
  r = intake->AddArchive(books + "War/story.zip", "Tales", "Tales", true);
  EXPECT_EQ(r.RelativePath, "Tales/story.zip");
  EXPECT_EQ(ReadFile(books + "War/story.zip"), story);
  EXPECT_NE(Log().find("Source kept in the library: " + books + "War/story.zip"), std::string::npos);

  const int64_t before = Count();
  for (const char* f : {"two.zip", "empty.zip", "one.7z"}) {
    EXPECT_FALSE(intake->AddArchive(src + f, "War", "War", true).Added) << f;
    EXPECT_TRUE(FileExistsPlain(src + f)) << f;  // a refused source is kept
  }
  EXPECT_EQ(Count(), before);
  EXPECT_EQ(Listing(books + "War"), (Texts{"BOOK.Zip", "story(2).zip", "story.zip"}));
  EXPECT_EQ(Listing(books + "Tales"), (Texts{"story.zip"}));
  const std::string log = Log();
  for (const char* f : {"two.zip", "empty.zip", "one.7z"})
    EXPECT_NE(log.find(" Files<>1 " + src + f + "\n"), std::string::npos) << log;
  // A zip that is no archive: the reader's error, nothing filed.
  WriteFile(src + "junk.zip", "not a zip at all, but long enough to look at it.......");
  EXPECT_ANY_THROW(intake->AddArchive(src + "junk.zip", "War", "War", false));

  // A rar entry stored with its directory: the file name only.
  WriteFile(src + "texts.rar", RarNamed("texts\\a.txt"));
  if (nytest::HaveTool("lsar")) {
    std::string out;
    ASSERT_EQ(nytest::RunShell("lsar '" + src + "texts.rar'", &out), 0) << out;
    EXPECT_NE(out.find("a.txt"), std::string::npos) << out;
  }
  r = intake->AddArchive(src + "texts.rar", "Tales", "Tales", false);
  ASSERT_TRUE(r.Added) << r.Reason;
  EXPECT_EQ(Row(r.RowId), "a|Tales|20|a.txt|texts.rar|null|null|?");
  r = intake->AddArchive(std::string(VELLUM_TESTDATA_DIR) + "/rar/rar5_one_file_stored.rar",
                         "Tales", "Tales", false);
  EXPECT_EQ(Row(r.RowId), "helloworld|Tales|29|helloworld.txt|rar5_one_file_stored.rar|null|null|?");

  // Sizes of 2 GiB and more are never cut to 32 bits.
  WriteFile(src + "big.zip", ZipClaiming("big.txt", 3000000000u));
  ASSERT_EQ(ListZipArchive(src + "big.zip"), 1);
  ASSERT_EQ(ArchiveEntries()[0].UnpackedSize, 3000000000);
  // Stored whole, or refused with no archive left behind.
  try {
    r = intake->AddArchive(src + "big.zip", "War", "War", false);
    EXPECT_EQ(Sql("select SIZE from LSTDOC where RowId=" + std::to_string(r.RowId)), "3000000000");
  } catch (const std::exception& e) {
    EXPECT_FALSE(FileExistsPlain(books + "War/big.zip")) << e.what();
    EXPECT_EQ(form->LstDoc().State(), TDataSetState::dsBrowse);
  }
}

TEST_F(DocIntakeTest, DeletesAfterTheQuestion) {
  intake->Attach();
  uint16_t key = VK_DELETE;
  form->DBGridKeyDown(key, ssCtrl);  // an empty list: nothing asked
  EXPECT_TRUE(std::none_of(view_.calls.begin(), view_.calls.end(),
                           [](const std::string& c) { return c.rfind("ask", 0) == 0; }));
  for (const char* f : {"a.txt", "b.txt", "c.txt"}) {
    WriteFile(src + f, f);
    ASSERT_TRUE(intake->AddDocument(src + f, "War", "War", false).Added);
  }
  // Two rows on one archive.
  Exec("insert into LSTDOC (AUTHOR,NAME,SUBJ,ARCHNAME) values ('?','twin','war','c.ZIP');");
  form->RefreshDocList("");
  TNySQLite3Query& doc = form->LstDoc();
  ASSERT_TRUE(doc.Locate("NAME", TNyValue(std::string("a")), {}));
  view_.yes = false;
  EXPECT_EQ(intake->DeleteDocument(), TDeleteOutcome::doNotConfirmed);
  EXPECT_EQ(view_.calls.back(), "ask \tDelete record about document:\na\n\tand delete archive file "
                                "from library:\n" + books + "War/a.ZIP\n\nYou are assured?");
  EXPECT_TRUE(FileExistsPlain(books + "War/a.ZIP"));
  EXPECT_EQ(Count(), 4);

  view_.yes = true;
  ::chmod((books + "War/a.ZIP").c_str(), 0444);  // read-only is deleted all the same
  key = VK_DELETE;
  form->DBGridKeyDown(key, ssCtrl);
  EXPECT_FALSE(FileExistsPlain(books + "War/a.ZIP"));
  EXPECT_EQ(Sql("select count(*) from LSTDOC where NAME='a'"), "0");
  // A removed archive does not keep the row.
  ASSERT_TRUE(doc.Locate("NAME", TNyValue(std::string("b")), {}));
  ASSERT_TRUE(ForceDeleteFile(books + "War/b.ZIP"));
  EXPECT_EQ(intake->DeleteDocument(), TDeleteOutcome::doDeleted);
  // The twin goes, the archive the other row names stays.
  ASSERT_TRUE(doc.Locate("NAME", TNyValue(std::string("twin")), {}));
  EXPECT_EQ(intake->DeleteDocument(), TDeleteOutcome::doDeleted);
  EXPECT_TRUE(FileExistsPlain(books + "War/c.ZIP"));
  ASSERT_TRUE(doc.Locate("NAME", TNyValue(std::string("c")), {}));
  EXPECT_EQ(intake->DeleteDocument(), TDeleteOutcome::doDeleted);
  EXPECT_FALSE(FileExistsPlain(books + "War/c.ZIP"));
  EXPECT_EQ(Count(), 0);
  EXPECT_EQ(doc.RecordCount(), 0);
  EXPECT_EQ(Listing(books + "War"), Texts{});  // the subject directory stays, empty
  intake.reset();  // and nothing of the staging is left
  EXPECT_EQ(Listing(books), Texts{"War"});
}

}  // namespace
