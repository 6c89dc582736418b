#include "util/NyDirScan.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "common/TestDir.h"
#include "util/NyApi.h"

using namespace ny;
using nytest::TestDir;
using nytest::WriteFile;

TEST(NyDirScanMatch, PatternTable) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  };
  const Case cases[] = {
      {"*.ZIP", "book.zip", true},
      {"*.zip", "archive.zip.bak", false},
      {"*.zip", "zip", false},
      {"a*", "abc", true},
      {"a*", "a.txt", true},
      {"abc*.zip", "ab.zip", true},
      {"a?.zip", "a.zip", true},
      {"a?.zip", "ab.zip", true},
      {"a?.zip", "abc.zip", false},
      {"*.*", "readme", true},
      {"*.*", "a.b.c", true},
      {"*", "a.b.c", true},
      // Without wildcards: one name, letter case aside.
      {"Book.ZIP", "book.zip", true},
      {"book.zip", "book.zi", false},
      {"book", "book.zip", false},
      // A base longer than the pattern does not match.
      {"a?.t", "abcdef.t", false},
      {"*.t*", "a.txt", true},
      {"*.t*", "a.doc", false},
      {"*.t?t", "a.txt", true},
      {"*.t?t", "a.tt", false},
      {"*.?", "a.", false},
      // Letters beyond ASCII: lower-cased and taken as one position each.
      {"*.ТХТ", "книга.тхт", true},
      {"К?.txt", "кн.txt", true},
      {"К?.txt", "кни.txt", false},
      {"*.rar", "Книга.RAR", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MatchSpec(c.pattern, c.name), c.match) << c.pattern << " / " << c.name;
  }
}

namespace {

// Records what one scan reports.
struct Recorder {
  std::vector<std::string> files;  // paths, in order
  std::vector<std::string> dirs;   // bare names, in order
  std::vector<int32_t> sizes;
  std::vector<uint32_t> attrs;
  std::vector<double> times;
  int progress = 0;

  void Attach(TNyDirScan& s) {
    s.OnFileFound = [this](TNyDirScan&, const std::string& f, int32_t size, uint32_t attr,
                           double time) {
      files.push_back(f);
      sizes.push_back(size);
      attrs.push_back(attr);
      times.push_back(time);
    };
    s.OnDirectoryFound = [this](TNyDirScan&, const std::string& p) { dirs.push_back(p); };
    s.OnProgress = [this](TNyDirScan&) { ++progress; };
  }
};

void MakeDir(const std::string& p) {
  ASSERT_EQ(::mkdir(p.c_str(), 0755), 0) << p;
}

// root: a.zip b.txt .hidden.zip s1/{c.zip s11/{e.zip}} s2/{d.zip} .hdir/{h.zip}
void MakeTree(const TestDir& d) {
  WriteFile(d / "a.zip", "aaaa");
  WriteFile(d / "b.txt", "b");
  WriteFile(d / ".hidden.zip", "h");
  MakeDir(d / "s1");
  WriteFile(d / "s1/c.zip", "c");
  MakeDir(d / "s1/s11");
  WriteFile(d / "s1/s11/e.zip", "e");
  MakeDir(d / "s2");
  WriteFile(d / "s2/d.zip", "d");
  MakeDir(d / ".hdir");
  WriteFile(d / ".hdir/h.zip", "h");
}

}  // namespace

TEST(NyDirScan, BreadthFirstWithHiddenEntriesLeftOut) {
  TestDir d;
  MakeTree(d);
  const std::string root = DelBackslash(d.Path());

  TNyDirScan scan;
  Recorder r;
  r.Attach(scan);
  scan.SetDirectory(root);
  scan.SetFileSpec("*.zip");
  scan.SetSubdirectories(true);
  EXPECT_TRUE(scan.Scan());
  EXPECT_EQ(r.files, (std::vector<std::string>{root + "/a.zip", root + "/s1/c.zip",
                                               root + "/s2/d.zip", root + "/s1/s11/e.zip"}));
  EXPECT_EQ(r.dirs, (std::vector<std::string>{"s1", "s2", "s11"}));
  EXPECT_EQ(r.sizes.front(), 4);
  EXPECT_EQ(r.attrs.front(), faNormal);
  EXPECT_FALSE(scan.Busy());
  EXPECT_EQ(scan.CurrentDirectory(), "");

  // The same tree with a trailing separator and blanks around the directory.
  Recorder r2;
  r2.Attach(scan);
  scan.SetDirectory("  " + root + "/ \t");
  EXPECT_TRUE(scan.Scan());
  EXPECT_EQ(r2.files, r.files);
  EXPECT_EQ(r2.dirs, r.dirs);

  // An empty pattern means every file.
  Recorder r3;
  r3.Attach(scan);
  scan.SetFileSpec("  ");
  EXPECT_TRUE(scan.Scan());
  EXPECT_EQ(r3.files.size(), 5u);
  EXPECT_EQ(r3.files[1], root + "/b.txt");
}

TEST(NyDirScan, SubdirectoriesOffAndEmptyResults) {
  TestDir d;
  MakeTree(d);
  TNyDirScan scan;
  Recorder r;
  r.Attach(scan);
  scan.SetDirectory(d.Path());
  scan.SetFileSpec("*.zip");
  EXPECT_TRUE(scan.Scan());
  EXPECT_EQ(r.files, (std::vector<std::string>{d / "a.zip"}));
  EXPECT_TRUE(r.dirs.empty());

  // Subdirectories alone do not count toward the result when they are not entered.
  TestDir onlyDirs;
  MakeDir(onlyDirs / "x");
  WriteFile(onlyDirs / "x/y.zip", "y");
  scan.SetDirectory(onlyDirs.Path());
  EXPECT_FALSE(scan.Scan());
  scan.SetSubdirectories(true);
  EXPECT_TRUE(scan.Scan());

  // Only a hidden matching file: nothing reported, and no final progress event.
  TestDir hidden;
  WriteFile(hidden / ".secret.zip", "s");
  Recorder rh;
  rh.Attach(scan);
  scan.SetDirectory(hidden.Path());
  EXPECT_FALSE(scan.Scan());
  EXPECT_TRUE(rh.files.empty());
  const int progressForDotEntries = rh.progress;
  EXPECT_EQ(progressForDotEntries, 2);  // "." and ".." are looked at, nothing else

  scan.SetDirectory(d / "missing");
  EXPECT_FALSE(scan.Scan());
  scan.SetDirectory("   ");
  EXPECT_FALSE(scan.Scan());
}

TEST(NyDirScan, SizeAttributesAndTime) {
  TestDir d;
  // A sparse file of 5 GiB + 123 bytes: the size is reported as its low 32 bits.
  const std::string big = d / "big.bin";
  {
    const int fd = ::open(big.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 5LL * 1024 * 1024 * 1024 + 123), 0);
    ::close(fd);
  }
  WriteFile(d / "ro.txt", "read only");
  ASSERT_EQ(::chmod((d / "ro.txt").c_str(), 0444), 0);

  // Last written at 2021-03-04 05:06:07 local time: reported at two-second resolution.
  struct tm lt = {};
  lt.tm_year = 121;
  lt.tm_mon = 2;
  lt.tm_mday = 4;
  lt.tm_hour = 5;
  lt.tm_min = 6;
  lt.tm_sec = 7;
  lt.tm_isdst = -1;
  const time_t when = mktime(&lt);
  struct timespec ts[2] = {{when, 0}, {when, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, big.c_str(), ts, 0), 0);

  TNyDirScan scan;
  Recorder r;
  r.Attach(scan);
  scan.SetDirectory(d.Path());
  ASSERT_TRUE(scan.Scan());
  ASSERT_EQ(r.files.size(), 2u);
  EXPECT_EQ(r.sizes[0], static_cast<int32_t>(1024 * 1024 * 1024 + 123));
  EXPECT_EQ(r.attrs[0], faNormal);
  EXPECT_DOUBLE_EQ(r.times[0], 44259.0 + (5 * 3600 + 6 * 60 + 6) / 86400.0);
  EXPECT_EQ(r.files[1], d / "ro.txt");
  EXPECT_EQ(r.attrs[1], faReadOnly);
}

TEST(NyDirScan, BusyGuardStopAndErrors) {
  TestDir d;
  MakeTree(d);
  TNyDirScan scan;
  scan.SetDirectory(d.Path());
  scan.SetSubdirectories(true);

  // A nested scan from a handler is refused and changes nothing.
  int found = 0;
  scan.OnFileFound = [&](TNyDirScan& s, const std::string&, int32_t, uint32_t, double) {
    ++found;
    EXPECT_TRUE(s.Busy());
    EXPECT_FALSE(s.Scan());
  };
  EXPECT_TRUE(scan.Scan());
  EXPECT_EQ(found, 5);
  EXPECT_FALSE(scan.Busy());

  // Stop from a handler: nothing more is reported; the next scan starts afresh.
  found = 0;
  scan.OnFileFound = [&](TNyDirScan& s, const std::string&, int32_t, uint32_t, double) {
    ++found;
    s.Stop();
  };
  int dirsAfterStop = 0;
  scan.OnDirectoryFound = [&](TNyDirScan&, const std::string&) { ++dirsAfterStop; };
  EXPECT_TRUE(scan.Scan());
  EXPECT_EQ(found, 1);
  EXPECT_EQ(dirsAfterStop, 0);  // "a.zip" sorts before "s1"
  scan.OnFileFound = [&](TNyDirScan&, const std::string&, int32_t, uint32_t, double) { ++found; };
  found = 0;
  EXPECT_TRUE(scan.Scan());
  EXPECT_EQ(found, 5);

  // An exception from a handler reaches the caller and leaves the scanner idle.
  scan.OnDirectoryFound = [](TNyDirScan&, const std::string&) {
    throw std::runtime_error("handler failed");
  };
  EXPECT_THROW(scan.Scan(), std::runtime_error);
  EXPECT_FALSE(scan.Busy());
  scan.OnDirectoryFound = nullptr;
  found = 0;
  EXPECT_TRUE(scan.Scan());
  EXPECT_EQ(found, 5);
}

TEST(NyDirScan, MessagesAndProgressAroundEachEntry) {
  TestDir d;
  WriteFile(d / "one.txt", "1");
  WriteFile(d / "two.txt", "2");
  MakeDir(d / "sub");
  WriteFile(d / "sub/three.txt", "3");

  TNyDirScan scan;
  scan.SetDirectory(d.Path());
  scan.SetSubdirectories(true);
  int messages = 0;
  std::vector<std::string> progressDirs;
  std::vector<bool> progressBusy;
  scan.ProcessMessages = [&] { ++messages; };
  scan.OnProgress = [&](TNyDirScan& s) {
    progressDirs.push_back(s.CurrentDirectory());
    progressBusy.push_back(s.Busy());
  };
  EXPECT_TRUE(scan.Scan());
  const std::string root = DelBackslash(d.Path());
  // Root: ".", "..", one.txt, sub, two.txt; sub: ".", "..", three.txt; then the final event.
  ASSERT_EQ(progressDirs.size(), 9u);
  EXPECT_EQ(messages, 8);
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(progressDirs[i], root);
  for (size_t i = 5; i < 8; ++i) EXPECT_EQ(progressDirs[i], root + "/sub");
  EXPECT_EQ(progressDirs[8], "");
  EXPECT_TRUE(progressBusy[7]);
  EXPECT_FALSE(progressBusy[8]);
}

TEST(NyDirScan, SymbolicLinks) {
  TestDir d;
  WriteFile(d / "real.zip", "r");
  MakeDir(d / "sub");
  ASSERT_EQ(::symlink(d.Path().c_str(), (d / "sub/loop").c_str()), 0);
  ASSERT_EQ(::symlink((d / "real.zip").c_str(), (d / "sub/link.zip").c_str()), 0);
  ASSERT_EQ(::symlink((d / "nowhere").c_str(), (d / "sub/dangling.zip").c_str()), 0);

  TNyDirScan scan;
  Recorder r;
  r.Attach(scan);
  scan.SetDirectory(d.Path());
  scan.SetFileSpec("*.zip");
  scan.SetSubdirectories(true);
  EXPECT_TRUE(scan.Scan());  // ends although sub/loop leads back to the start
  EXPECT_EQ(r.files, (std::vector<std::string>{d / "real.zip", d / "sub/link.zip"}));
  EXPECT_EQ(r.dirs, (std::vector<std::string>{"sub"}));
}
