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

TArchiveStage::TArchiveStage(std::string_view libraryDir) : libraryDir_(libraryDir) {
  if (libraryDir_.empty()) return;
  if (!DirExists(libraryDir_)) ForceDirs(libraryDir_);
  std::string name = AddBackslash(libraryDir_) + ".incoming-XXXXXX";
  if (::mkdtemp(name.data()) == nullptr) return;
  stage_ = name + PathDelim;
}

TArchiveStage::~TArchiveStage() {
  if (stage_.empty()) return;
  Clear();
  ::rmdir(stage_.c_str());
}

void TArchiveStage::Clear() {
  if (stage_.empty()) return;
  // Only files of this stage lie here (archives, or the packer's temporary files).
  if (DIR* d = ::opendir(stage_.c_str())) {
    while (dirent* e = ::readdir(d)) {
      const std::string n = e->d_name;
      if (n != "." && n != "..") ::unlink((stage_ + n).c_str());
    }
    ::closedir(d);
  }
}

std::string TArchiveStage::TargetDir(std::string_view dir) const {
  return libraryDir_ + PathDelim + SubjectDirPath(dir) + PathDelim;
}

bool TArchiveStage::File(const std::string& staged, std::string_view dir,
                         std::string* filedName) {
  if (stage_.empty() || !StoredNameStaysInside(dir) || !FileExistsPlain(staged) ||
      !SyncPath(staged, O_RDONLY)) {
    return false;
  }
  std::string used;
  if (!FileArchive(libraryDir_, staged, dir, true, &used)) return false;
  SyncPath(TargetDir(dir), O_RDONLY | O_DIRECTORY);
  if (filedName != nullptr) *filedName = used;
  return true;
}

}  // namespace ny
