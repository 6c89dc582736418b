// The directory scanner: walks a directory, and on request its subdirectories, breadth first,
// and reports every file whose name matches a file pattern ("*.zip", "a?.txt") through
// an event.
//
// The scan lets pending window events run before each directory entry (through the
// ProcessMessages hook, which the view sets), so the window stays responsive and the user may
// ask the scan to stop. Everything runs on the calling thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ny {

// True when `name` (a bare file name) matches the file pattern, letter case
// aside (Unicode lower case of both):
//  - a pattern without '*' and '?' matches exactly the equal name;
//  - otherwise a pattern without a dot that ends in '*' gets ".*" appended, both are split
//    at their last dot (a string without a dot has the extension "."), and the extension and
//    then the base are compared position by position: '?' takes any one character, '*' ends
//    the comparison with a match; an extension of another length matches only when the
//    pattern's extension holds a '*'; the base comparison runs over the name's base
//    only, so "abc*.zip" matches "ab.zip".
// So "*.*" matches every name, "*.zip" every name ending in ".zip" and nothing else.
bool MatchSpec(std::string_view pattern, std::string_view name);

class TNyDirScan {
 public:
  // Filename: the directory being listed, '/', the file's name. Size: the low 32 bits of the
  // size. Attr: the attribute word of GetFileAttr. Time: the last-write time in local time at
  // two-second resolution, as days since 1899-12-30 00:00 (the fraction is the time of day).
  using TFileFound = std::function<void(TNyDirScan& sender, const std::string& Filename,
                                        int32_t Size, uint32_t Attr, double Time)>;
  // Pathname: the bare name of a subdirectory just queued for scanning.
  using TDirectoryFound = std::function<void(TNyDirScan& sender, const std::string& Pathname)>;
  using TNotify = std::function<void(TNyDirScan& sender)>;

  TNyDirScan() = default;
  TNyDirScan(const TNyDirScan&) = delete;
  TNyDirScan& operator=(const TNyDirScan&) = delete;

  // True while Scan runs.
  bool Busy() const { return busy_; }

  const std::string& Directory() const { return directory_; }
  void SetDirectory(std::string dir) { directory_ = std::move(dir); }
  // Default "*.*".
  const std::string& FileSpec() const { return fileSpec_; }
  void SetFileSpec(std::string pattern) { fileSpec_ = std::move(pattern); }
  // Whether subdirectories are entered (default false).
  bool Subdirectories() const { return subdirectories_; }
  void SetSubdirectories(bool on) { subdirectories_ = on; }

  // The directory being listed; "" before a scan and after a scan that reported something.
  const std::string& CurrentDirectory() const { return currentDirectory_; }

  // Runs one scan with the current properties.
  //
  // Returns false at once, changing nothing, while a scan runs (a call from an event handler).
  // Otherwise returns true when at least one entry was reported (a matching file, or a
  // subdirectory when Subdirectories is set), false when none was. Directory and FileSpec are
  // taken without leading and trailing bytes of codes 0..32; one trailing '/' is dropped; an
  // empty pattern means "*.*". An empty Directory scans nothing and gives false.
  //
  // Entries whose name starts with '.' are hidden and left out, also as directories. Entries
  // of one directory are taken in byte order of their names; every entry of a directory is
  // reported before anything of the directories queued from it. Only regular files are
  // reported as files. A symbolic link to a file is reported as that file; a symbolic link to a
  // directory is neither entered nor reported, so a link cycle cannot make the scan endless.
  // A directory that cannot be listed yields no entries.
  //
  // Before each entry ProcessMessages and OnProgress run, then a stop request ends the scan.
  // When anything was reported, CurrentDirectory is cleared and OnProgress fires once more at
  // the end, after Busy is cleared. An exception thrown by a handler ends the scan (Busy
  // cleared) and passes on to the caller.
  bool Scan();

  // Asks a running scan to stop before its next entry. A new Scan clears the request.
  void Stop() { stopRequest_ = true; }

  TFileFound OnFileFound;
  TDirectoryFound OnDirectoryFound;
  TNotify OnProgress;
  // Lets pending window events run; called before each directory entry. Set by the view.
  std::function<void()> ProcessMessages;

 private:
  // Lists `dir` into the entries that the scan looks at: hidden names left out, "." and ".."
  // kept, sorted. Empty when the directory cannot be listed.
  static void ListDirectory(const std::string& dir, std::vector<std::string>& names);

  bool busy_ = false;
  std::string directory_;
  std::string fileSpec_ = "*.*";
  bool subdirectories_ = false;
  std::string currentDirectory_;
  int count_ = 0;
  bool stopRequest_ = false;
};

}  // namespace ny
