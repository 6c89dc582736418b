// Fuzz target of the zip reader: the input is an archive file. It is listed (zip reader and
// the rar listing), tested in memory, and its first entry with a usable name is extracted into
// a private directory, which is emptied again after every input.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "archive/ArchiveList.h"
#include "archive/ZipReader.h"

namespace {

const std::string& WorkDir() {
  static const std::string dir = [] {
    std::string templ = std::filesystem::temp_directory_path().string() + "/zipfuzz-XXXXXX";
    if (mkdtemp(templ.data()) == nullptr) abort();
    std::filesystem::create_directory(templ + "/out");
    return templ + "/";
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& dir = WorkDir();
  std::string zip = dir + "in.zip";
  FILE* f = std::fopen(zip.c_str(), "wb");
  if (f == nullptr) abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) abort();
  std::fclose(f);

  ny::TZipReader reader;
  reader.SetZipName(zip);
  reader.SetDestDir(dir + "out");
  reader.OnAskYesNo = [](const std::string&, const std::string&) { return true; };
  try {
    reader.ReadZip();
    for (const ny::TZipEntry& e : reader.Entries()) {
      if (!ny::ZipFileNameIsSafe(e.Header.FileName)) continue;
      reader.SetFilesList({e.Header.Directory + e.Header.FileName});
      reader.UnZip();
      break;
    }
  } catch (const ny::EZipError&) {
  }
  try {
    reader.TestAll();
  } catch (const ny::EZipError&) {
  }
  ny::ListRarArchive(zip);

  // Whatever was written must lie inside the output directory, as plain files.
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
    std::string name = e.path().filename();
    if (name != "in.zip" && name != "out") abort();
  }
  for (const auto& e : std::filesystem::directory_iterator(dir + "out", ec)) {
    if (!e.is_regular_file()) abort();
    std::filesystem::remove(e.path(), ec);
  }
  return 0;
}
