// Filing a new archive into a library so that a crash at any moment leaves no half-written
// file under an archive name.
//
// An archive is first made (packed or copied) in a fresh hidden directory inside its subject's
// directory, flushed to disk, then renamed onto the first free archive name of that directory
// (FileArchive: name.ext, name(2).ext, ...; another document's archive is never replaced), and
// the directory is flushed too. A crash before the rename leaves only the hidden directory; a
// crash after it leaves a complete archive, which the catalogue row posted next names.
#pragma once

#include <string>
#include <string_view>

namespace ny {

class TArchiveStage {
 public:
  // Makes libraryDir + '/' + DIR (as SubjectDirPath) + '/' with every missing parent, and in
  // it a fresh directory ".incoming-XXXXXX". Ok() is false when DIR climbs out of the library
  // (StoredNameStaysInside) or a directory cannot be made.
  TArchiveStage(std::string_view libraryDir, std::string_view dir);
  // Removes the staging directory with whatever is left in it.
  ~TArchiveStage();
  TArchiveStage(const TArchiveStage&) = delete;
  TArchiveStage& operator=(const TArchiveStage&) = delete;

  bool Ok() const { return !stage_.empty(); }
  // The subject's directory, ending with '/'.
  const std::string& TargetDir() const { return target_; }
  // The staging directory, ending with '/'; "" when !Ok().
  const std::string& Dir() const { return stage_; }

  // Flushes `staged` (a plain file in Dir()) to disk and renames it onto the first free name
  // of its own file name in TargetDir() (FileArchive with the move flag), then flushes
  // TargetDir(). True when the archive is there under *filedName. False (nothing filed) when
  // `staged` is missing or cannot be flushed, or FileArchive fails.
  bool File(const std::string& staged, std::string* filedName);

 private:
  std::string libraryDir_;
  std::string dir_;
  std::string target_;
  std::string stage_;
};

}  // namespace ny
