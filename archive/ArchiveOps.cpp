#include "archive/ArchiveOps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "archive/ZipWriter.h"
#include "util/NyApi.h"
#include "util/NyText.h"

namespace ny {
namespace {

// The longest file name Linux allows, in bytes.
constexpr size_t kMaxNameBytes = 255;

// The highest number tried for a free archive name.
constexpr int kMaxFilingNumber = 9999;

bool EntryExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// name(n).ext for name.ext; name(n) for a name without extension.
std::string NumberedName(const std::string& name, int n) {
  const std::string ext = ExtractExt(name);
  return name.substr(0, name.size() - ext.size()) + "(" + std::to_string(n) + ")" + ext;
}

}  // namespace

std::string LibraryDir(std::string_view libraryFile) {
  return ChangeExt(libraryFile, "");
}

std::string ArchiveNameOf(std::string_view documentPath) {
  // The name is taken from the whole path: ExtractName would cut a long path first and name
  // the archive after a piece of a directory.
  const size_t slash = documentPath.rfind(PathDelim);
  std::string_view name =
      slash == std::string_view::npos ? documentPath : documentPath.substr(slash + 1);
  const std::string ext = ExtractExt(name);
  std::string base(name.substr(0, name.size() - ext.size()));
  return Utf8Cut(base, kMaxNameBytes - 4) + ".ZIP";
}

std::string ArchiveFormat(std::string_view archName) {
  std::string ext = ExtractExt(archName);
  if (!ext.empty()) ext.erase(0, 1);
  return AsciiUpper(ext);
}

std::string SubjectDirPath(std::string_view dir) {
  std::string d(dir);
  std::replace(d.begin(), d.end(), '\\', '/');
  return d;
}

bool StoredNameStaysInside(std::string_view name) {
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = name.size();
    if (name.substr(start, end - start) == "..") return false;
    start = end + 1;
  }
  return true;
}

std::string ArchivePathOf(std::string_view libraryDir, std::string_view dir,
                          std::string_view archName) {
  if (archName.empty() || !StoredNameStaysInside(dir) || !StoredNameStaysInside(archName)) {
    return {};
  }
  return std::string(libraryDir) + PathDelim + SubjectDirPath(dir) + PathDelim +
         std::string(archName);
}

std::string ArchivePath(std::string_view libraryFile, TSubjectLookup& subjects,
                        const TDocumentRef& doc) {
  std::optional<std::string> dir = subjects.LocateSubject(doc.Subj);
  if (!dir) return {};
  return ArchivePathOf(LibraryDir(libraryFile), *dir, doc.ArchName);
}

std::string PackDocument(TZipWriter& writer, std::string_view tempDir, std::string_view source) {
  const std::string archive = AddBackslash(tempDir) + ArchiveNameOf(source);
  writer.SetZipName(archive);
  writer.SetCompressionLevel(5);
  writer.SetStorePaths(false);
  writer.SetDispose(false);
  writer.SetFilesList({std::string(source)});
  writer.Pack();  // a failed run leaves no file at `archive`, which is how callers see it
  return archive;
}

bool FileArchive(std::string_view libraryDir, std::string_view source, std::string_view dir,
                 bool move, std::string* filedName) {
  const std::string src(source);
  if (!FileExistsPlain(src)) return false;
  const std::string name = ExtractName(src);
  if (!StoredNameStaysInside(dir) || name.empty() || name == "..") return false;
  const std::string targetDir =
      std::string(libraryDir) + PathDelim + SubjectDirPath(dir) + PathDelim;
  if (!DirExists(targetDir)) ForceDirs(targetDir);
  if (!DirExists(targetDir)) return false;

  // Claim the first free name by creating it exclusively, so that no other archive is ever
  // overwritten; the copy then fills the claimed file.
  std::string used, target;
  for (int n = 1; n <= kMaxFilingNumber && used.empty(); ++n) {
    const std::string candidate = n == 1 ? name : NumberedName(name, n);
    const std::string path = targetDir + candidate;
    if (EntryExists(path)) continue;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    ::close(fd);
    used = candidate;
    target = path;
  }
  if (used.empty()) return false;
  // Within one file system a move is a rename onto the claimed name.
  if (move && ::rename(src.c_str(), target.c_str()) == 0) {
    if (filedName != nullptr) *filedName = used;
    return true;
  }
  if (!CopyFileTo(src, target, false)) {
    ::unlink(target.c_str());
    return false;
  }
  if (filedName != nullptr) *filedName = used;
  return !move || ForceDeleteFile(src);
}

}  // namespace ny
