// The zip reader: reads an archive's directory and extracts the entries that match a file list.
//
// Reading the directory: the end record is searched backwards within the last 22 + 65535 bytes
// of the file (the record and the longest comment; the nearest one to the end wins). When the
// central directory lies where the end record says, its headers are read; otherwise the file
// is scanned from its start for local headers. Zip64 records are read (sizes and offsets are
// 64 bits wide here); archives split over several disks are refused with their own message.
// The work of reading a directory is bounded by the size of the file, whatever its headers
// claim: the scan finds the sizes of an entry that keeps them after its data by the signature
// of that descriptor, and inflates data to learn them only within a budget of a few dozen
// times the file's size.
//
// Names: general-purpose bit 11 means UTF-8; without it, an entry made on MS-DOS, NTFS or
// VFAT (version made by 0, 11, 14) has an OEM (code page 866) name even when its bytes happen
// to form UTF-8; any other entry's name is taken as UTF-8 when it is valid UTF-8; anything
// else is decoded from code page 866. A name ends at a NUL byte. A '\' of a stored name is a
// separator and becomes '/', except in names from a Unix host (version made by 3), where it is
// part of the name. The name is then split into Directory (up to and including the last '/')
// and FileName.
//
// Testing reads each entry's data in chunks of at most 64 KiB into buffers the reader keeps
// from one call to the next, inflates it into those buffers and checks the result against the
// directory; nothing is written anywhere. Inflation stops one byte past the declared
// uncompressed size, so the work an entry costs is bounded by its declared sizes, whatever
// its data holds.
//
// Extraction writes each selected entry as DestDir + '/' + FileName; directories are never
// created. An entry whose FileName is empty, ".", ".." or holds a NUL byte is never written,
// and nothing is ever written outside DestDir (the file is made under a fresh temporary name in
// DestDir and renamed onto the target, so a symlink planted at the target is replaced, never
// followed).
//
// Every failure that ends a call is an EZipError carrying one of the fixed messages below.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "archive/ZipFormat.h"

namespace ny {

// The reader's error; what() is the message shown to the user.
class EZipError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Messages of the errors raised by the reader.
inline constexpr char kZipErrIncomplete[] = "Incomplete Zip File";
inline constexpr char kZipErrNotValid[] = "Not a valid zip file!";
inline constexpr char kZipErrPremature[] = "Premature end of file reached";
inline constexpr char kZipErrMultiPart[] =
    "Multi-part (split or spanned) zip archives are not supported";
inline constexpr char kZipErrOverlap[] =
    "Invalid zip file: entries overlap one another (possible zip bomb)";
inline constexpr char kZipErrCannotOpen[] = "Cannot open file ";    // + path
inline constexpr char kZipErrCannotWrite[] = "Cannot write file ";  // + path
inline constexpr char kZipErrCannotRead[] = "Cannot read file ";    // + path

// Texts of the questions and messages the reader hands to its caller.
inline constexpr char kZipAskReplace[] = "Replace existing file ";  // + name + "?"
inline constexpr char kZipAskReplaceTitle[] = "File Exists Alert";
inline constexpr char kZipMsgUnknownMethod[] = "Unknown Compression Method";
inline constexpr char kZipMsgEncrypted[] = "Encrypted entries are not supported";
inline constexpr char kZipMsgTitle[] = "Zip Error";
// Why a tested entry is damaged (besides kZipErrNotValid and kZipErrPremature).
inline constexpr char kZipMsgBadCrc[] = "CRC-32 of an entry does not match its data";
inline constexpr char kZipMsgBadSize[] = "Data of an entry does not match its declared size";
inline constexpr char kZipMsgBadData[] = "Compressed data of an entry is invalid";

// One entry of the directory. Header holds the fields as stored (the 32-bit size and offset
// fields keep 0xFFFFFFFF for Zip64 entries); the three 64-bit members hold the real values.
// Header.Crc32 is the CRC-32 the data must have (from the data descriptor for a scanned entry
// that has one).
struct TZipEntry {
  TZipHeaderInfo Header;
  uint64_t CompressedSize = 0;
  uint64_t UncompressedSize = 0;
  uint64_t LocalHeaderOffset = 0;
};

// True when `item` (a name from the file list) selects the entry. The item is first read as
// the writer stores a name (ZipStoredName: bytes that are not UTF-8 are Windows-1251) with
// '/' as its only separator, so that a Linux name holding '\' finds its entry; when that does
// not match, '\' is taken as a separator too. Both sides are compared in upper case
// (Unicode); '*' stands for any run of characters and '?' for any one character. An item
// without a directory part is compared with the file name only; an item with one is compared
// with directory + file name.
bool ZipItemMatches(std::string_view item, std::string_view directory, std::string_view fileName);

// True when an entry of this file name may be written: not empty, not "." or "..", no NUL,
// no '/'.
bool ZipFileNameIsSafe(std::string_view fileName);

// What a test found. Intact: every entry tested came out whole (Message empty, Index -1).
// Damaged: entry Index is not what the directory says; Message is kZipErrNotValid (its local
// header is missing), kZipErrPremature (its data runs past the end of the file),
// kZipMsgBadSize (stored data whose two sizes differ, or inflated data shorter or longer than
// the uncompressed size), kZipMsgBadData (the Deflate stream is invalid or does not end within
// the compressed size) or kZipMsgBadCrc. Unsupported: entry Index cannot be tested; Message is
// kZipMsgUnknownMethod or kZipMsgEncrypted.
struct TZipTestResult {
  enum TKind { Intact, Damaged, Unsupported };
  TKind Kind = Intact;
  std::string Message;
  int Index = -1;
};

class TZipReader {
 public:
  TZipReader() = default;
  TZipReader(const TZipReader&) = delete;
  TZipReader& operator=(const TZipReader&) = delete;

  // The archive file. Setting it forgets a directory read before.
  const std::string& ZipName() const { return zipName_; }
  void SetZipName(std::string name);

  // Where extracted files go (a trailing '/' is ignored). Must exist when UnZip runs.
  const std::string& DestDir() const { return destDir_; }
  void SetDestDir(std::string dir) { destDir_ = std::move(dir); }

  // The names (with wildcards) UnZip extracts; see ZipItemMatches.
  const std::vector<std::string>& FilesList() const { return filesList_; }
  void SetFilesList(std::vector<std::string> items) { filesList_ = std::move(items); }

  // When on (the default), OnProcessMessages is called every 10240 bytes of a local-header
  // scan, so that a window stays alive.
  bool DoProcessMessages() const { return doProcessMessages_; }
  void SetDoProcessMessages(bool on) { doProcessMessages_ = on; }

  // Asked before an existing target is replaced: text "Replace existing file <name>?", title
  // "File Exists Alert"; true means Yes. When unset the answer is No.
  std::function<bool(const std::string& text, const std::string& title)> OnAskYesNo;
  // Told about an entry that is skipped ("Unknown Compression Method", title "Zip Error").
  std::function<void(const std::string& text, const std::string& title)> OnMessage;
  std::function<void()> OnProcessMessages;

  // Reads the directory of ZipName() and returns the number of entries.
  // Raises EZipError:
  //  "Cannot open file <path>" when the file cannot be opened;
  //  "Incomplete Zip File" when there is no end record (also for files of 21 bytes or less);
  //  the multi-part message for an archive spread over several disks;
  //  "Not a valid zip file!" when neither a central directory nor a local header is found, or
  //    a header lacks its signature where the directory says it is, an entry's local
  //    header would lie past the end of the file, a size or offset marked as held in a
  //    Zip64 extra field has no value there, or a size is 2^63 or more;
  //  "Premature end of file reached" when a header, a name, an extra field or a comment would
  //    run past the end of the file (also an entry count that the file cannot hold);
  //  the overlap message when two entries of the central directory share bytes: from its
  //    local header to the end of its data each entry must have the file to itself;
  //  "Cannot read file <path>" when reading the file fails (an I/O error).
  // After a failure the reader holds no entries.
  int ReadZip();

  // The directory read by the last ReadZip or UnZip.
  int Count() const { return static_cast<int>(entries_.size()); }
  const std::vector<TZipEntry>& Entries() const { return entries_; }
  const TZipEntry& Entry(int i) const { return entries_.at(static_cast<size_t>(i)); }
  const TEndCentral& EndCentral() const { return end_; }
  // True when the entries came from the local-header scan rather than the central directory.
  bool Scanned() const { return scanned_; }

  // Reads the directory (as ReadZip), then writes every entry that matches an item of
  // FilesList() into DestDir(), in archive order. For each: an unsafe file name is skipped;
  // an existing target is replaced only when OnAskYesNo says Yes; an unknown method or an
  // encrypted entry is reported through OnMessage and skipped; at most the uncompressed size
  // is written; a CRC-32 that differs from the header's deletes the file. Returns the number
  // of files written.
  // Raises the errors of ReadZip, and "Premature end of file reached" when an entry's data
  // ends before its compressed size, "Not a valid zip file!" when its local header is missing,
  // "Cannot write file <path>" when the target cannot be made; files written before stay.
  int UnZip();

  // Reads the directory (as ReadZip), then tests every entry in archive order and stops at the
  // first one that is not intact, whatever its name or FilesList(). Writes nothing.
  // Returns that entry's result, or Intact when all are whole (also for no entries).
  // Raises the errors of ReadZip (the reader then holds no entries), and "Cannot read file
  // <path>" when reading the file fails (an I/O error, not damage). OnMessage is not called.
  TZipTestResult TestAll();
  // Tests entry `index` of the directory read last, as TestAll does. Requires 0 <= index <
  // Count() (else std::out_of_range). Raises "Cannot open file <path>" and "Cannot read file
  // <path>".
  TZipTestResult TestEntry(int index);

 private:
  struct TSource;
  void Forget();
  void ReadDirectory(TSource& in);
  TZipTestResult TestOne(TSource& in, const TZipEntry& e);
  void ReadCentral(TSource& in, uint64_t offset, uint64_t count);
  void RefuseOverlaps(TSource& in);
  void ScanLocal(TSource& in);
  bool ExtractEntry(TSource& in, const TZipEntry& e);

  std::string zipName_;
  std::string destDir_;
  std::vector<std::string> filesList_;
  bool doProcessMessages_ = true;
  std::vector<TZipEntry> entries_;
  TEndCentral end_;
  bool scanned_ = false;
  std::vector<unsigned char> inBuf_;  // kept for the next test
  std::vector<unsigned char> outBuf_;
};

}  // namespace ny
