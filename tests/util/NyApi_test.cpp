#include "util/NyApi.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/TestDir.h"

using namespace ny;
using nytest::ReadFile;
using nytest::TestDir;
using nytest::WriteFile;

TEST(NyApiPaths, SplittingCorners) {
  EXPECT_EQ(ExtractDir("/lib/Books.sqb"), "/lib/");
  EXPECT_EQ(ExtractDir("Books.sqb"), "");
  EXPECT_EQ(ExtractDir("/"), "/");
  EXPECT_EQ(ExtractName("/lib/Books.sqb"), "Books.sqb");
  EXPECT_EQ(ExtractName("Books.sqb"), "Books.sqb");
  EXPECT_EQ(ExtractName("/lib/"), "");

  EXPECT_EQ(ExtractExt("/lib/Books.sqb"), ".sqb");
  EXPECT_EQ(ExtractExt(".profile"), "");          // the only dot is the first character
  EXPECT_EQ(ExtractExt("/home/a.b/readme"), "");  // last dot lies in a directory name
  EXPECT_EQ(ExtractExt("a.b.doc"), ".doc");
  EXPECT_EQ(ExtractExt("noext"), "");

  EXPECT_EQ(ChangeExt("/opt/vellum/vellum", ".ini"), "/opt/vellum/vellum.ini");
  EXPECT_EQ(ChangeExt("/lib/Books.sqb", ".ini"), "/lib/Books.ini");
  EXPECT_EQ(ChangeExt("/lib/Books.sqb", ""), "/lib/Books");
  EXPECT_EQ(ChangeExt("notes.txt", ".ZIP"), "notes.ZIP");
  EXPECT_EQ(ChangeExt("/a.b/README", ".ZIP"), "/a.b/README.ZIP");

  EXPECT_EQ(AddBackslash(""), "");
  EXPECT_EQ(AddBackslash("/lib"), "/lib/");
  EXPECT_EQ(AddBackslash("/lib/"), "/lib/");
  EXPECT_EQ(DelBackslash(""), "");
  EXPECT_EQ(DelBackslash("/lib//"), "/lib/");  // only one is removed
  EXPECT_EQ(DelBackslash("/lib"), "/lib");
}

TEST(NyApiPaths, LongPathsCutAt255Characters) {
  // The limit counts characters: 200 two-byte Cyrillic letters (400 bytes) are within it.
  std::string cyr;
  for (int i = 0; i < 200; ++i) cyr += "\xD0\x96";  // Ж
  const std::string path = "/lib/" + cyr + ".txt";
  EXPECT_EQ(ExtractName(path), cyr + ".txt");
  EXPECT_EQ(ExtractExt(path), ".txt");
  EXPECT_EQ(ExtractDir(path), "/lib/");
  EXPECT_EQ(ChangeExt(path, ".ZIP"), "/lib/" + cyr + ".ZIP");

  // Beyond 255 characters the path is cut, never inside a character.
  std::string longer;
  for (int i = 0; i < 300; ++i) longer += "\xD0\x96";
  const std::string name = ExtractName(longer + ".txt");
  EXPECT_EQ(name.size(), 510u);                // 255 letters
  EXPECT_EQ(ExtractExt(longer + ".txt"), "");  // the extension lies beyond the cut
  EXPECT_EQ(ChangeExt(std::string(300, 'a'), ".ZIP").size(), 255u);
}

TEST(NyApiStrings, CaseTrimAndNumbers) {
  EXPECT_EQ(AsciiUpper("rus-lang \xD0\xB0"), "RUS-LANG \xD0\xB0");  // Cyrillic untouched
  EXPECT_EQ(AnsiUpper("Война и мир ё"), "ВОЙНА И МИР Ё");
  EXPECT_EQ(AnsiLower("ЁЛКА Tree"), "ёлка tree");
  EXPECT_EQ(AnsiUpper(std::string("a\xFF"
                                  "b",
                                  3)),
            std::string("A\xFF"
                        "B",
                        3));  // bad byte kept
  EXPECT_EQ(TrimCtl(" \t\r\n x y \x01"), "x y");
  EXPECT_EQ(TrimCtl("\x01 \x1F"), "");
  EXPECT_EQ(Int64ToStr(-9223372036854775807LL - 1), "-9223372036854775808");
  EXPECT_EQ(Int64ToStr(5368709120LL), "5368709120");
  EXPECT_TRUE(SameText("Раздел", "рАЗДЕЛ"));
  EXPECT_TRUE(SameText("MAIN", "main"));
  EXPECT_FALSE(SameText("main", "mains"));
  EXPECT_FALSE(SameText("Раздел", "Разде"));
  EXPECT_EQ(FoldedText("ИмЯ Key"), "имя key");
  int64_t v = 42;
  EXPECT_TRUE(ParseDecimalInt("-9223372036854775808", v));
  EXPECT_EQ(v, INT64_MIN);
  EXPECT_TRUE(ParseDecimalInt("+12", v));
  EXPECT_EQ(v, 12);
  for (const char* bad :
       {"", "+", "-", "+-5", "-+5", "--5", " 5", "5 ", "5x", "9223372036854775808"}) {
    EXPECT_FALSE(ParseDecimalInt(bad, v)) << bad;
  }
  EXPECT_EQ(v, 12);
  EXPECT_EQ(IfElseStr(true, "a", "b"), "a");
  EXPECT_EQ(IfElseStr(false, "a", "b"), "b");
}

TEST(NyApiFiles, ExistenceSizeAndAttributes) {
  TestDir d;
  WriteFile(d / "a.txt", "hello");
  mkdir((d / "sub").c_str(), 0755);
  EXPECT_TRUE(FileExistsPlain(d / "a.txt"));
  EXPECT_FALSE(FileExistsPlain(d / "sub"));
  EXPECT_FALSE(FileExistsPlain(d / "*.txt"));
  EXPECT_FALSE(FileExistsPlain(""));
  EXPECT_TRUE(DirExists(d / "sub"));
  EXPECT_FALSE(DirExists(d / "a.txt"));

  EXPECT_EQ(GetFileSize64(d / "a.txt"), 5);
  EXPECT_EQ(GetFileSize64(d / "missing"), 0);
  // A sparse file above 4 GiB is reported whole.
  {
    const std::string big = d / "big.bin";
    WriteFile(big, "");
    ASSERT_EQ(truncate(big.c_str(), 5LL * 1024 * 1024 * 1024), 0);
    EXPECT_EQ(GetFileSize64(big), 5LL * 1024 * 1024 * 1024);
  }

  EXPECT_EQ(GetFileAttr(d / "a.txt"), faNormal);
  EXPECT_EQ(GetFileAttr(d / "sub"), faDirectory);
  EXPECT_EQ(GetFileAttr(d / "missing"), faInvalid);
  WriteFile(d / ".hidden", "x");
  EXPECT_EQ(GetFileAttr(d / ".hidden"), faHidden);
  EXPECT_EQ(SetFileAttr(d / "a.txt", faReadOnly), 0);
  EXPECT_EQ(GetFileAttr(d / "a.txt"), faReadOnly);
  EXPECT_EQ(SetFileAttr(d / "a.txt", faNormal), 0);
  EXPECT_EQ(GetFileAttr(d / "a.txt"), faNormal);
  EXPECT_NE(SetFileAttr(d / "missing", faNormal), 0);
}

TEST(NyApiFiles, ForceDeleteFile) {
  TestDir d;
  // Nothing to delete: true and nothing happens.
  EXPECT_TRUE(ForceDeleteFile(d / "missing"));
  mkdir((d / "dir").c_str(), 0755);
  EXPECT_TRUE(ForceDeleteFile(d / "dir"));
  EXPECT_TRUE(DirExists(d / "dir"));
  WriteFile(d / "x1", "1");
  EXPECT_TRUE(ForceDeleteFile(d / "x*"));
  EXPECT_TRUE(FileExistsPlain(d / "x1"));

  // A read-only, hidden file goes.
  WriteFile(d / ".ro", "data");
  chmod((d / ".ro").c_str(), 0444);
  EXPECT_TRUE(ForceDeleteFile(d / ".ro"));
  EXPECT_FALSE(FileExistsPlain(d / ".ro"));

  // A symlink is removed as a link; the file it points to keeps its mode.
  WriteFile(d / "target", "keep");
  chmod((d / "target").c_str(), 0444);
  ASSERT_EQ(symlink((d / "target").c_str(), (d / "link").c_str()), 0);
  EXPECT_TRUE(ForceDeleteFile(d / "link"));
  struct stat st;
  ASSERT_EQ(stat((d / "target").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
  EXPECT_EQ(ReadFile(d / "target"), "keep");
}

TEST(NyApiFiles, CopyAndMove) {
  TestDir d;
  WriteFile(d / "src.txt", "payload");
  const std::string deep = d / "a/b/c/copy.txt";
  EXPECT_FALSE(CopyFileTo(d / "src.txt", deep, false));
  EXPECT_FALSE(DirExists(d / "a"));
  EXPECT_TRUE(CopyFileTo(d / "src.txt", deep, true));
  EXPECT_EQ(ReadFile(deep), "payload");
  EXPECT_FALSE(CopyFileTo(d / "none.txt", d / "x.txt", true));

  // An existing read-only target is overwritten.
  WriteFile(d / "old.txt", "old contents");
  chmod((d / "old.txt").c_str(), 0444);
  EXPECT_TRUE(CopyFileTo(d / "src.txt", d / "old.txt", false));
  EXPECT_EQ(ReadFile(d / "old.txt"), "payload");

  // A named pipe is no file to copy: refused at once (no wait for a writer), target kept.
  ASSERT_EQ(mkfifo((d / "pipe").c_str(), 0644), 0);
  WriteFile(d / "kept.txt", "kept");
  EXPECT_FALSE(CopyFileTo(d / "pipe", d / "kept.txt", false));
  EXPECT_EQ(ReadFile(d / "kept.txt"), "kept");
  EXPECT_FALSE(CopyFileTo("/dev/zero", d / "zero", false));
  EXPECT_FALSE(FileExistsPlain(d / "zero"));

  // Copying a file onto itself must not delete it.
  EXPECT_FALSE(CopyFileTo(d / "src.txt", d / "src.txt", false));
  EXPECT_FALSE(MoveFileTo(d / "src.txt", d / "./src.txt", false));
  EXPECT_EQ(ReadFile(d / "src.txt"), "payload");

  EXPECT_TRUE(MoveFileTo(d / "src.txt", d / "m/moved.txt", true));
  EXPECT_FALSE(FileExistsPlain(d / "src.txt"));
  EXPECT_EQ(ReadFile(d / "m/moved.txt"), "payload");
  EXPECT_FALSE(MoveFileTo(d / "src.txt", d / "m/again.txt", true));
  EXPECT_FALSE(MoveFileTo(d / "m/moved.txt", d / "nodir/x.txt", false));
  EXPECT_EQ(ReadFile(d / "m/moved.txt"), "payload");

  ForceDirs(d / "p/q/r/");
  EXPECT_TRUE(DirExists(d / "p/q/r"));
  ForceDirs("");
}

TEST(NyApiFiles, PathsLongerThanTheSplittingLimit) {
  TestDir d;
  // The file functions take whole paths; the 255-character cut of the splitting functions must
  // not decide which name or directory they look at.
  const std::string deep =
      d / (std::string(100, 'a') + "/" + std::string(100, 'b') + "/" + std::string(100, 'c'));
  ForceDirs(deep);
  ASSERT_TRUE(DirExists(deep));
  WriteFile(deep + "/.hidden", "h");
  EXPECT_EQ(GetFileAttr(deep + "/.hidden"), faHidden);

  // A component ".cache" that the cut would end inside, leaving a name ".cach".
  const std::string pad = d / std::string(250 - d.Path().size() - 1, 'p') + "/";
  ASSERT_EQ(pad.size(), 250u);
  ForceDirs(pad + ".cache");
  WriteFile(pad + ".cache/file.txt", "f");
  EXPECT_EQ(GetFileAttr(pad + ".cache/file.txt"), faNormal);

  WriteFile(d / "src.txt", "payload");
  const std::string target = deep + "/d/e/copy.txt";
  EXPECT_FALSE(CopyFileTo(d / "src.txt", target, false));
  EXPECT_TRUE(CopyFileTo(d / "src.txt", target, true));
  EXPECT_EQ(ReadFile(target), "payload");
  EXPECT_TRUE(MoveFileTo(d / "src.txt", deep + "/f/moved.txt", true));
  EXPECT_EQ(ReadFile(deep + "/f/moved.txt"), "payload");
}

// '*' and '?' are plain characters of Linux file names.
TEST(NyApiFiles, NamesWithWildcardCharactersArePlainNames) {
  TestDir d;
  WriteFile(d / "Why?.txt", "q");
  WriteFile(d / "a*b.txt", "s");
  EXPECT_TRUE(FileExistsPlain(d / "Why?.txt"));
  EXPECT_EQ(GetFileSize64(d / "a*b.txt"), 1);
  EXPECT_TRUE(CopyFileTo(d / "Why?.txt", d / "copy?.txt", false));
  EXPECT_EQ(ReadFile(d / "copy?.txt"), "q");
  EXPECT_TRUE(MoveFileTo(d / "a*b.txt", d / "moved*.txt", false));
  EXPECT_EQ(ReadFile(d / "moved*.txt"), "s");
  EXPECT_FALSE(FileExistsPlain(d / "a*b.txt"));
  EXPECT_TRUE(ForceDeleteFile(d / "Why?.txt"));
  EXPECT_FALSE(FileExistsPlain(d / "Why?.txt"));
  EXPECT_FALSE(FileExistsPlain(d / "*.txt"));  // no file of that name
}

TEST(NyApiPaths, WholePathHelpersKeepLongPaths) {
  const std::string dir = "/" + std::string(200, 'd') + "/" + std::string(100, 'e') + "/";
  const std::string file = dir + "vellum";
  EXPECT_EQ(ExtractDirWhole(file), dir);
  EXPECT_EQ(ExtractNameWhole(file), "vellum");
  EXPECT_EQ(ChangeExtWhole(file, ".ini"), file + ".ini");
  EXPECT_EQ(ChangeExtWhole(dir + "a.b.lng", ""), dir + "a.b");
  EXPECT_EQ(ChangeExtWhole("/x.y/name", ".log"), "/x.y/name.log");
  EXPECT_EQ(ExtractDirWhole("name"), "");
  EXPECT_NE(ChangeExt(file, ".ini"), file + ".ini");  // the cut forms are for stored names
}

TEST(NyApiTemp, PrivateDirectoryResistsPlantedSymlink) {
  TestDir d;
  const char* old = getenv("TMPDIR");
  const std::string saved = old ? old : "";
  setenv("TMPDIR", d.Path().c_str(), 1);
  const std::string expected = d.Path() + "vellum-" + std::to_string(getuid()) + "/";

  // Someone planted a symlink under our name, pointing at a directory of theirs.
  mkdir((d / "elsewhere").c_str(), 0777);
  ASSERT_EQ(
      symlink((d / "elsewhere").c_str(), (d.Path() + "vellum-" + std::to_string(getuid())).c_str()),
      0);
  // The link is left alone (it may be the user's own) and another name is taken.
  const std::string t = GetTempDir();
  EXPECT_EQ(t, d.Path() + "vellum-" + std::to_string(getuid()) + "-1/");
  struct stat st;
  ASSERT_EQ(lstat(DelBackslash(expected).c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(lstat(DelBackslash(t).c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(st.st_uid, getuid());
  EXPECT_EQ(GetTempDir(), t);  // stable across calls

  // A $TMPDIR that leads nowhere gives the private directory under /tmp, never "" (which would
  // put temporary files into the current directory).
  WriteFile(d / "plain", "");
  for (const std::string& bad : {d / "missing", d / "plain/sub"}) {
    setenv("TMPDIR", bad.c_str(), 1);
    const std::string fallback = GetTempDir();
    EXPECT_EQ(fallback.rfind("/tmp/vellum-" + std::to_string(getuid()), 0), 0u) << fallback;
    ASSERT_EQ(lstat(DelBackslash(fallback).c_str(), &st), 0) << fallback;
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_uid, getuid());
  }
  EXPECT_FALSE(DirExists(d / "missing"));

  if (old)
    setenv("TMPDIR", saved.c_str(), 1);
  else
    unsetenv("TMPDIR");
}

TEST(NyApiTemp, NamesTakenByOthersAreLeftAloneAndSkipped) {
  TestDir d;
  const unsigned uid = getuid();
  const std::string own = d / ("vellum-" + std::to_string(uid));
  // The user's own regular file of that name stays as it was.
  WriteFile(own, "my notes");
  EXPECT_EQ(GetTempDirUnder(d.Path(), uid), own + "-1/");
  EXPECT_EQ(ReadFile(own), "my notes");
  // A directory under the name of another user, but owned by this one, is not that user's.
  const std::string other = d / ("vellum-" + std::to_string(uid + 1));
  ASSERT_EQ(mkdir(other.c_str(), 0700), 0);
  const std::string t = GetTempDirUnder(d.Path(), uid + 1);
  EXPECT_NE(t, other + "/");
  EXPECT_EQ(t.rfind(other + "-", 0), 0u) << t;
  EXPECT_TRUE(DirExists(t));
  // A directory of this user with a loose mode is taken and made private.
  const std::string loose = d / "sub/";
  ForceDirs(loose + "vellum-" + std::to_string(uid));
  chmod((loose + "vellum-" + std::to_string(uid)).c_str(), 0755);
  EXPECT_EQ(GetTempDirUnder(loose, uid), loose + "vellum-" + std::to_string(uid) + "/");
  struct stat st;
  ASSERT_EQ(stat((loose + "vellum-" + std::to_string(uid)).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(GetTempDirUnder("", uid), "");
}

TEST(NyApiTemp, UserConfigDirFollowsXdgThenHome) {
  const char* oldXdg = getenv("XDG_CONFIG_HOME");
  const char* oldHome = getenv("HOME");
  const std::string keepXdg = oldXdg ? oldXdg : "", keepHome = oldHome ? oldHome : "";
  setenv("XDG_CONFIG_HOME", "/cfg/x", 1);
  setenv("HOME", "/home/u", 1);
  EXPECT_EQ(ny::UserConfigDir(), "/cfg/x/vellum/");
  setenv("XDG_CONFIG_HOME", "relative/dir", 1);  // a relative value is ignored
  EXPECT_EQ(ny::UserConfigDir(), "/home/u/.config/vellum/");
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", "", 1);
  EXPECT_EQ(ny::UserConfigDir(), "");
  if (oldXdg) setenv("XDG_CONFIG_HOME", keepXdg.c_str(), 1);
  if (oldHome)
    setenv("HOME", keepHome.c_str(), 1);
  else
    unsetenv("HOME");
}

TEST(NyApiIni, ReadsWithDefaultsAndIgnoresCase) {
  TestDir d;
  const std::string ini = d / "vellum.ini";
  EXPECT_EQ(IniReadStr(ini, "main", "pathbook", "dflt"), "dflt");  // no file
  EXPECT_EQ(IniReadStr(ini, "main", "pathbook"), "");
  ASSERT_TRUE(IniWriteStr(ini, "Main", "Language", "RUS-Lang"));
  EXPECT_EQ(IniReadStr(ini, "main", "language"), "RUS-Lang");
  EXPECT_EQ(IniReadStr(ini, "MAIN", "LANGUAGE"), "RUS-Lang");
  EXPECT_EQ(IniReadStr(ini, "Size", "Language", "none"), "none");  // no section
  EXPECT_EQ(IniReadStr(ini, "main", "other", "none"), "none");     // no key
  ASSERT_TRUE(IniWriteStr(ini, "main", "LANGUAGE", "Default"));    // replaces, no duplicate
  EXPECT_EQ(ReadFile(ini), "[Main]\nLanguage=Default\n");

  WriteFile(ini,
            "[main]\nFontSize=12\nA=\nB=12abc\nC= 7 \nD=-2147483648\nE=99999999999\n"
            "F=-2147483649\nG=+-5\nH=+7\nI=-+5\nJ=2147483647\nK=2147483648\n");
  EXPECT_EQ(IniReadInt(ini, "main", "FontSize", 10), 12);
  EXPECT_EQ(IniReadInt(ini, "main", "A", 10), 10);
  EXPECT_EQ(IniReadInt(ini, "main", "B", 10), 10);
  EXPECT_EQ(IniReadInt(ini, "main", "C", 10), 7);
  EXPECT_EQ(IniReadInt(ini, "main", "D", 10), -2147483647 - 1);
  EXPECT_EQ(IniReadInt(ini, "main", "E", 10), 10);
  EXPECT_EQ(IniReadInt(ini, "main", "F", 10), 10);  // one below the range of int
  EXPECT_EQ(IniReadInt(ini, "main", "G", 10), 10);  // one sign at most
  EXPECT_EQ(IniReadInt(ini, "main", "H", 10), 7);
  EXPECT_EQ(IniReadInt(ini, "main", "I", 10), 10);
  EXPECT_EQ(IniReadInt(ini, "main", "J", 10), 2147483647);
  EXPECT_EQ(IniReadInt(ini, "main", "K", 10), 10);
  EXPECT_EQ(IniReadInt(ini, "main", "missing", 10), 10);
  ASSERT_TRUE(IniWriteInt(ini, "Size", "LstDoc_NAME", 250));
  EXPECT_EQ(IniReadInt(ini, "size", "lstdoc_name", 100), 250);
}

TEST(NyApiIni, NonAsciiSectionsAndKeysMatchWithoutRegardToCase) {
  TestDir d;
  const std::string ini = d / "vellum.ini";
  WriteFile(ini, "[Раздел]\nКлюч=значение\n[Другой]\nКлюч=нет\n");
  EXPECT_EQ(IniReadStr(ini, "раздел", "ключ"), "значение");
  EXPECT_EQ(IniReadStr(ini, "РАЗДЕЛ", "КЛЮЧ"), "значение");
  EXPECT_EQ(TIniSection(ini, "раздел").Value("КЛЮЧ"), "значение");
  ASSERT_TRUE(IniWriteStr(ini, "РАЗДЕЛ", "ключ", "новое"));
  EXPECT_EQ(ReadFile(ini), "[Раздел]\nКлюч=новое\n[Другой]\nКлюч=нет\n");
}

// The new file is on disk before it takes the old one's place: a crash between the two never
// leaves a settings file with missing bytes.
int syncCalls = 0;
std::string syncedText, targetAtSync, syncTarget;
int WatchSync(int fd) {
  ++syncCalls;
  char buf[256];
  ssize_t n = ::pread(fd, buf, sizeof buf, 0);
  syncedText.assign(buf, n > 0 ? static_cast<size_t>(n) : 0);
  targetAtSync = ReadFile(syncTarget);
  return ::fsync(fd);
}
int FailSync(int) {
  errno = EIO;
  return -1;
}

TEST(NyApiIni, EveryWriteFlushesTheNewFileBeforeTheRename) {
  TestDir d;
  syncTarget = d / "vellum.ini";
  WriteFile(syncTarget, "[main]\nA=1\n");
  TFileSync old = SetIniFileSync(&WatchSync);
  syncCalls = 0;
  ASSERT_TRUE(IniWriteStr(syncTarget, "main", "B", "2"));
  EXPECT_EQ(syncCalls, 1);
  EXPECT_EQ(syncedText, "[main]\nA=1\nB=2\n");  // the whole new text
  EXPECT_EQ(targetAtSync, "[main]\nA=1\n");     // not yet in place
  ASSERT_TRUE(IniWriteStrs(syncTarget, "main", {{"C", "3"}, {"D", "4"}}));
  EXPECT_EQ(syncCalls, 2);
  // A flush that fails fails the write and leaves the old file.
  SetIniFileSync(&FailSync);
  EXPECT_FALSE(IniWriteStr(syncTarget, "main", "E", "5"));
  EXPECT_EQ(ReadFile(syncTarget), "[main]\nA=1\nB=2\nC=3\nD=4\n");
  SetIniFileSync(old);
  size_t files = 0;
  for (const auto& e : std::filesystem::directory_iterator(d.Path())) files += e.is_regular_file();
  EXPECT_EQ(files, 1u);  // no temporary file left behind
}

TEST(NyApiIni, KeepsOtherLinesAndCutsLongValues) {
  TestDir d;
  const std::string ini = d / "keep.ini";
  WriteFile(ini,
            "; settings of the catalogue\r\n[main]\r\npathbook=/lib/a.sqb\r\n\r\n"
            "# a note\r\n[Size]\r\nLstDoc_NAME=250\r\nnot a key line\r\n");
  ASSERT_TRUE(IniWriteStr(ini, "MAIN", "chFindAut", "1"));
  ASSERT_TRUE(IniWriteStr(ini, "size", "LSTDOC_NAME", "300"));
  EXPECT_EQ(ReadFile(ini),
            "; settings of the catalogue\r\n[main]\r\npathbook=/lib/a.sqb\r\nchFindAut=1\r\n\r\n"
            "# a note\r\n[Size]\r\nLstDoc_NAME=300\r\nnot a key line\r\n");

  const std::string longValue(2000, 'v');
  ASSERT_TRUE(IniWriteStr(ini, "main", "long", longValue));
  EXPECT_EQ(IniReadStr(ini, "main", "long"), std::string(1023, 'v'));
  // The cut counts characters, not bytes.
  std::string cyr700, cyr1023;
  for (int i = 0; i < 700; ++i) cyr700 += "ж";
  for (int i = 0; i < 1023; ++i) cyr1023 += "ж";
  ASSERT_TRUE(IniWriteStr(ini, "main", "cyr", cyr700));
  EXPECT_EQ(IniReadStr(ini, "main", "cyr"), cyr700);
  ASSERT_TRUE(IniWriteStr(ini, "main", "cyr", cyr1023 + "жж"));
  EXPECT_EQ(IniReadStr(ini, "main", "cyr"), cyr1023);

  // A line break would split the entry, a key like a comment or a header would not read back:
  // refused, file unchanged.
  const std::string before = ReadFile(ini);
  EXPECT_FALSE(IniWriteStr(ini, "main", "pathbook", "/a\n[evil]\nx=1"));
  for (const char* key : {";note", "#note", "[x", " pad", "a=b", ""}) {
    EXPECT_FALSE(IniWriteStr(ini, "main", key, "1")) << key;
  }
  // Several keys in one rewrite: one refused entry refuses them all.
  EXPECT_FALSE(IniWriteStrs(ini, "main", {{"good", "1"}, {";note", "1"}}));
  EXPECT_EQ(ReadFile(ini), before);
  ASSERT_TRUE(IniWriteStrs(ini, "Size", {{"LstDoc_SIZE", "80"}, {"lstdoc_name", "310"}}));
  const TIniSection size(ini, "SIZE");
  EXPECT_EQ(size.Value("LSTDOC_NAME"), "310");
  EXPECT_EQ(size.Value("LstDoc_SIZE"), "80");
  EXPECT_EQ(size.Value("none", "d"), "d");
  EXPECT_NE(ReadFile(ini).find("[Size]\r\nLstDoc_NAME=310\r\nLstDoc_SIZE=80\r\nnot a key line"),
            std::string::npos);

  // Blanks around a value are kept only inside quotes, which the reader removes.
  ASSERT_TRUE(IniWriteStr(ini, "main", "Caption", "\" Find \""));
  ASSERT_TRUE(IniWriteStr(ini, "main", "Bare", "  Find  "));
  EXPECT_EQ(IniReadStr(ini, "main", "Caption"), " Find ");
  EXPECT_EQ(IniReadStr(ini, "main", "Bare"), "Find");
}

TEST(NyApiIni, WindowsCodePageFileReadsRight) {
  TestDir d;
  const std::string ini = d / "win.ini";
  // "Каталог" in Windows-1251, CR LF breaks.
  WriteFile(ini, "[Main]\r\npathbook=C:\\\xCA\xE0\xF2\xE0\xEB\xEE\xE3\r\n");
  EXPECT_EQ(IniReadStr(ini, "main", "pathbook"), "C:\\Каталог");
  ASSERT_TRUE(IniWriteStr(ini, "main", "LogOut", "1"));
  EXPECT_EQ(IniReadStr(ini, "main", "pathbook"), "C:\\Каталог");
  EXPECT_EQ(ReadFile(ini), "[Main]\r\npathbook=C:\\Каталог\r\nLogOut=1\r\n");
}

TEST(NyApiIni, FilesOfEveryEncodingAndLineBreakReadRight) {
  TestDir d;
  const std::string ini = d / "any.ini";
  // Lone CR breaks, as older Mac editors write them, in Windows-1251.
  WriteFile(ini, "[main]\rLanguage=RUS-Lang\r[Msg]\rDelArc1=\xD3\xE4\xE0\xEB\xE8\xF2\xFC\r");
  EXPECT_EQ(IniReadStr(ini, "main", "Language"), "RUS-Lang");
  EXPECT_EQ(IniReadStr(ini, "Msg", "DelArc1"), "Удалить");
  ASSERT_TRUE(IniWriteStr(ini, "main", "LogOut", "1"));
  EXPECT_EQ(ReadFile(ini), "[main]\rLanguage=RUS-Lang\rLogOut=1\r[Msg]\rDelArc1=Удалить\r");

  // Mixed breaks: every kind ends a line; the write uses the one seen most.
  WriteFile(ini, "[main]\r\nA=1\nB=2\r\n[Size]\rC=3\r\n");
  EXPECT_EQ(IniReadStr(ini, "main", "B"), "2");
  EXPECT_EQ(IniReadStr(ini, "Size", "C"), "3");
  ASSERT_TRUE(IniWriteStr(ini, "Size", "D", "4"));
  EXPECT_EQ(ReadFile(ini), "[main]\r\nA=1\r\nB=2\r\n[Size]\r\nC=3\r\nD=4\r\n");

  // A byte-order mark saved twice is no part of the first header.
  WriteFile(ini, "\xEF\xBB\xBF\xEF\xBB\xBF[main]\nLanguage=ENG\n");
  EXPECT_EQ(IniReadStr(ini, "main", "Language"), "ENG");

  // UTF-8 with a mark but with stray bytes: the rest still reads as UTF-8 and every value is
  // UTF-8, before a write and after it.
  WriteFile(ini, "\xEF\xBB\xBF[main]\nName=Каталог\xFF\nPath=\xC0x\n");
  EXPECT_EQ(IniReadStr(ini, "main", "Name"), "Каталог\uFFFD");
  EXPECT_EQ(IniReadStr(ini, "main", "Path"), "\uFFFDx");
  ASSERT_TRUE(IniWriteStr(ini, "main", "LogOut", "1"));
  EXPECT_EQ(IniReadStr(ini, "main", "Name"), "Каталог\uFFFD");
  EXPECT_EQ(IniReadStr(ini, "main", "Path"), "\uFFFDx");

  // UTF-16 with a mark, either byte order, written back as UTF-8 with the same texts.
  for (const std::string& file :
       {std::string("\xFF\xFE[\0m\0]\0\r\0\n\0k\0=\0\x16\x04\r\0\n\0", 20),
        std::string("\xFE\xFF\0[\0m\0]\0\r\0\n\0k\0=\x04\x16\0\r\0\n", 20)}) {
    WriteFile(ini, file);
    EXPECT_EQ(IniReadStr(ini, "M", "K"), "Ж");
    ASSERT_TRUE(IniWriteStr(ini, "m", "x", "1"));
    EXPECT_EQ(ReadFile(ini), "[m]\r\nk=Ж\r\nx=1\r\n");
  }
}

TEST(NyApiIni, OnlyRegularFilesOfSettingsSizeAreReadOrReplaced) {
  TestDir d;
  // A FIFO would block the program on open until someone writes into it.
  const std::string fifo = d / "fifo.ini";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(IniReadStr(fifo, "main", "Language", "Default"), "Default");
  EXPECT_EQ(IniReadInt(fifo, "main", "FontSize", 10), 10);
  EXPECT_FALSE(IniWriteStr(fifo, "main", "Language", "RUS-Lang"));
  struct stat st;
  ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  // A link to a device is not opened and not replaced either.
  const std::string dev = d / "dev.ini";
  ASSERT_EQ(::symlink("/dev/zero", dev.c_str()), 0);
  EXPECT_EQ(IniReadStr(dev, "main", "Language", "Default"), "Default");
  EXPECT_FALSE(IniWriteStr(dev, "main", "Language", "RUS-Lang"));
  ASSERT_EQ(::lstat(dev.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  // A file of more than a mebibyte is no settings file (a language file is read once per text
  // of a window, so a huge one would stall the start): not read, not rewritten.
  const std::string big = d / "big.ini";
  std::string text = "[main]\nLanguage=RUS-Lang\n;";
  WriteFile(big, text + std::string((1 << 20) - text.size(), 'x'));
  EXPECT_EQ(IniReadStr(big, "main", "Language", "Default"), "RUS-Lang");
  WriteFile(big, text + std::string((1 << 20) - text.size() + 1, 'x'));
  EXPECT_EQ(IniReadStr(big, "main", "Language", "Default"), "Default");
  EXPECT_FALSE(IniWriteStr(big, "main", "Language", "ENG-Lang"));
  EXPECT_EQ(ReadFile(big).size(), (1u << 20) + 1);
}

TEST(NyApiIni, FailedWriteLeavesOldFileWhole) {
  TestDir d;
  const std::string ini = d / "safe.ini";
  ASSERT_TRUE(IniWriteStr(ini, "main", "pathbook", "/lib/books.sqb"));
  const std::string before = ReadFile(ini);

  // Let the write run out of room midway, as on a full disk.
  struct rlimit old;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool ok = IniWriteStr(ini, "main", "big", std::string(500, 'x'));
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, SIG_DFL);

  EXPECT_FALSE(ok);
  EXPECT_EQ(ReadFile(ini), before);
  EXPECT_EQ(IniReadStr(ini, "main", "pathbook"), "/lib/books.sqb");
  // No temporary file is left beside it.
  std::string out;
  nytest::RunShell("ls -A '" + d.Path() + "'", &out);
  EXPECT_EQ(out, "safe.ini\n");

  // A read-only settings file is not replaced behind its owner's back (root included).
  ASSERT_EQ(chmod(ini.c_str(), 0444), 0);
  EXPECT_FALSE(IniWriteStr(ini, "main", "pathbook", "/other.sqb"));
  EXPECT_EQ(ReadFile(ini), before);
  struct stat st;
  ASSERT_EQ(stat(ini.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
  ASSERT_EQ(chmod(ini.c_str(), 0640), 0);
  ASSERT_TRUE(IniWriteStr(ini, "main", "pathbook", "/other.sqb"));
  ASSERT_EQ(stat(ini.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // the file's mode is kept
}
