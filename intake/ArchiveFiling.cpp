#include "intake/ArchiveFiling.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "archive/ArchiveOps.h"
#include "util/NyApi.h"

namespace ny {
namespace {

bool SyncPath(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

TArchiveStage::TArchiveStage(std::string_view libraryDir, std::string_view dir)
    : libraryDir_(libraryDir), dir_(dir) {
  if (libraryDir_.empty() || !StoredNameStaysInside(dir)) return;
  target_ = libraryDir_ + PathDelim + SubjectDirPath(dir) + PathDelim;
  if (!DirExists(target_)) ForceDirs(target_);
  if (!DirExists(target_)) return;
  std::string name = target_ + ".incoming-XXXXXX";
  if (::mkdtemp(name.data()) == nullptr) return;
  stage_ = name + PathDelim;
}

TArchiveStage::~TArchiveStage() {
  if (stage_.empty()) return;
  // Only files of this append lie here (the archive, or the packer's temporary file).
  if (DIR* d = ::opendir(stage_.c_str())) {
    while (dirent* e = ::readdir(d)) {
      const std::string n = e->d_name;
      if (n != "." && n != "..") ::unlink((stage_ + n).c_str());
    }
    ::closedir(d);
  }
  ::rmdir(stage_.c_str());
}

bool TArchiveStage::File(const std::string& staged, std::string* filedName) {
  if (stage_.empty() || !FileExistsPlain(staged) || !SyncPath(staged, O_RDONLY)) return false;
  std::string used;
  if (!FileArchive(libraryDir_, staged, dir_, true, &used)) return false;
  SyncPath(target_, O_RDONLY | O_DIRECTORY);
  if (filedName != nullptr) *filedName = used;
  return true;
}

}  // namespace ny
