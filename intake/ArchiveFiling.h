// Filing a new archive into a library so that a crash at any moment leaves no half-written
// file under an archive name.
//
// An archive is first made (packed or copied) in a hidden staging directory of the library
// directory, flushed to disk, then renamed onto the first free archive name of its subject's
// directory (FileArchive: name.ext, name(2).ext, ...; another document's archive is never
// replaced), and that directory is flushed too. A crash before the rename leaves at most a
// file in the staging directory; a crash after it leaves a complete archive, which the
// catalogue row posted next names.
#pragma once

#include <string>
#include <string_view>

namespace ny {

class TArchiveStage {
 public:
  // Makes a fresh directory ".incoming-XXXXXX" in `libraryDir` (created when missing). Ok()
  // is false when that cannot be made.
  explicit TArchiveStage(std::string_view libraryDir);
  // Removes the staging directory with whatever is left in it.
  ~TArchiveStage();
  TArchiveStage(const TArchiveStage&) = delete;
  TArchiveStage& operator=(const TArchiveStage&) = delete;

  bool Ok() const { return !stage_.empty(); }
  const std::string& LibraryDir() const { return libraryDir_; }
  // The staging directory, ending with '/'; "" when !Ok().
  const std::string& Dir() const { return stage_; }
  // Removes every file left in the staging directory.
  void Clear();

  // The directory of subject directory `dir`: LibraryDir() + '/' + DIR (as SubjectDirPath)
  // + '/'.
  std::string TargetDir(std::string_view dir) const;

  // Flushes `staged` (a plain file in Dir()) to disk and renames it onto the first free name
  // of its own file name in TargetDir(dir), made with its parents when missing (FileArchive
  // with the move flag), then flushes that directory. True when the archive is there under
  // *filedName. False (nothing filed) when `staged` is missing or cannot be flushed, `dir`
  // climbs out of the library, or FileArchive fails.
  bool File(const std::string& staged, std::string_view dir, std::string* filedName);

 private:
  std::string libraryDir_;
  std::string stage_;
};

// Clears a stage when it goes: nothing of one append is left for the next.
struct TStageCleared {
  TArchiveStage& Stage;
  ~TStageCleared() { Stage.Clear(); }
};

}  // namespace ny
