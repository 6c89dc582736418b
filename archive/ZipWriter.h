// The zip writer: packs the files of a file list into a new archive.
//
// The archive holds one local header and data per file, then the central directory and the
// end record; no data descriptor, no extra fields, no comments, no encryption, never split.
// Each local header is written first with the values known before compressing and written
// again with the final CRC-32 and sizes once the data is out.
//
// Level 0 stores the data (method 0). Every other level deflates it (method 8, raw Deflate
// through zlib) and marks the level in the flags: levels 1 and 2 set the "fast" bit, 8 and 9
// the "maximum" bit, the others none.
//
// Names: without StorePaths an entry is stored under the bare file name of its source. Names
// are stored as UTF-8: a file name whose bytes are not valid UTF-8 is decoded from
// Windows-1251 first (ZipStoredName), so that every tool and this program's reader read the
// same name. A name with any non-ASCII character also carries the UTF-8 flag bit, an
// all-ASCII name does not. Such an entry also says it was made on NTFS (version made by
// 0x0B14) rather than MS-DOS: Info-ZIP's unzip converts every name of an MS-DOS entry from the
// OEM code page, even one flagged UTF-8, and would garble it. The attribute byte means the
// same on both. A name holding '\' (an ordinary character of a Linux name) is stored with it
// from a Unix host (version made by 0x0314, the file mode in the high half of the external
// attributes): readers take '\' as a separator in the names of every other host.
//
// The archive is built under a fresh short temporary name beside ZipName() (the archive's name
// may use all 255 bytes a Linux name may have) and renamed onto it only
// when complete, so a failed run never leaves a half-written archive. Pack replaces the file
// of that name: after any run that writes no archive (nothing to pack, bad input, I/O error) no
// file of that name is left either, so a stale archive from an earlier run can never be taken
// for the new one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/ZipFormat.h"

namespace ny {

// Outcome of TZipWriter::Pack.
enum class TZipWriteStatus {
  zwOk,             // the archive was written
  zwNothingToPack,  // no file of the list exists as a plain file
  zwBadInput,       // a file cannot be stored: unusable name, or too large for the format
  zwIoError,        // reading a source or writing the archive failed
};

class TZipWriter {
 public:
  TZipWriter() = default;
  TZipWriter(const TZipWriter&) = delete;
  TZipWriter& operator=(const TZipWriter&) = delete;

  // The archive file to create.
  const std::string& ZipName() const { return zipName_; }
  void SetZipName(std::string name) { zipName_ = std::move(name); }

  // Compression level 0 (store) to 9; other values are clamped into that range. Default 5.
  int CompressionLevel() const { return level_; }
  void SetCompressionLevel(int level);

  // The files to pack, in the order given. A name that does not exist as a plain file (also
  // one holding '*' or '?') is skipped.
  const std::vector<std::string>& FilesList() const { return filesList_; }
  void SetFilesList(std::vector<std::string> files) { filesList_ = std::move(files); }

  // When on, the directory of a source (without its leading '/') is stored before its name.
  // Off by default.
  bool StorePaths() const { return storePaths_; }
  void SetStorePaths(bool on) { storePaths_ = on; }

  // When on, each source file is deleted after the archive has been written. Off by default.
  bool Dispose() const { return dispose_; }
  void SetDispose(bool on) { dispose_ = on; }

  // Writes ZipName() anew from FilesList().
  // Returns zwOk with the archive in place; zwNothingToPack when no listed file exists;
  // zwBadInput when a file's stored name would be empty, ".", "..", or longer than 65535
  // bytes, or when a file, its compressed data or the archive passes 4 GiB - 1 bytes (the
  // format's 32-bit fields); zwIoError when a source cannot be read or the archive cannot be
  // created, written or renamed into place. Except with zwOk, no file named ZipName() exists
  // afterwards (unless it could not be removed) and ErrorText() says what went wrong.
  TZipWriteStatus Pack();

  // The entries of the archive written by the last successful Pack.
  const std::vector<TZipHeaderInfo>& Headers() const { return headers_; }
  int Count() const { return static_cast<int>(headers_.size()); }
  // The reason of the last failure, "" after success.
  const std::string& ErrorText() const { return errorText_; }

 private:
  class TOutput;
  TZipWriteStatus AddFile(TOutput& out, const std::string& source);
  TZipWriteStatus Fail(TZipWriteStatus status, std::string text);

  std::string zipName_;
  int level_ = 5;
  std::vector<std::string> filesList_;
  bool storePaths_ = false;
  bool dispose_ = false;
  std::vector<TZipHeaderInfo> headers_;
  std::string errorText_;
};

}  // namespace ny
