// String, path, file and settings-file helpers used by every part of the program.
//
// All functions are free functions without state (TIniSection holds one section read; the
// settings writer's flush function is the one setting, SetIniFileSync); none throws. Strings
// are UTF-8. Paths are POSIX paths: the separator is '/', there is no drive colon. File
// functions report failure through their boolean, size or error-code result.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ny {

inline constexpr char PathDelim = '/';

// ---- strings ---------------------------------------------------------------------------

// Decimal text, a leading minus for negatives, no grouping.
std::string Int64ToStr(int64_t value);

// Unicode upper / lower case of UTF-8 text (Cyrillic included). Invalid UTF-8 bytes are
// copied unchanged.
std::string AnsiUpper(std::string_view s);
std::string AnsiLower(std::string_view s);

// The one comparison of names without regard to letter case (settings sections and keys,
// field names): true when `a` and `b` are equal after Unicode lower-casing ("Раздел" equals
// "раздел", "MAIN" equals "main"). All-ASCII names are compared in place, without allocating.
bool SameText(std::string_view a, std::string_view b);
// The form under which SameText-equal names are byte-equal (for sorting and lookup).
std::string FoldedText(std::string_view s);

// The one reading of a whole decimal integer text: at most one sign ('+' or '-') and then
// digits only: no blanks, no second sign ("+-5" and "-+5" are refused), no other character.
// True with `value` set when the text is such an integer that fits 64 bits; false otherwise,
// `value` then left alone.
bool ParseDecimalInt(std::string_view text, int64_t& value);

// Only a..z become A..Z; every other byte is copied unchanged.
std::string AsciiUpper(std::string_view s);

// Removes every leading and trailing byte of code 0..32. A string of such bytes only gives "".
std::string TrimCtl(std::string_view s);

// `yes` when `flag` is set, otherwise `no`.
std::string IfElseStr(bool flag, std::string_view yes, std::string_view no);

// ---- paths -----------------------------------------------------------------------------
// The four splitting functions cut a path longer than 255 characters (code points, not bytes)
// to its first 255 characters before splitting; their results are at most 255 characters.

// Everything up to and including the last '/'; "" when there is none.
std::string ExtractDir(std::string_view path);
// Everything after the last '/'; the whole path when there is none.
std::string ExtractName(std::string_view path);
// From the last dot to the end, when that dot stands after the last '/' and is not the
// path's first byte; otherwise "".
std::string ExtractExt(std::string_view path);
// The path without ExtractExt(path), followed by `ext` (which carries its own dot). An empty
// `ext` removes the extension.
std::string ChangeExt(std::string_view path, std::string_view ext);
// The path with one '/' appended, unless it is empty or already ends in '/'.
std::string AddBackslash(std::string_view path);
// The path without its last byte when that is '/'; only one '/' is removed.
std::string DelBackslash(std::string_view path);

// Whole-path forms of ExtractDir, ExtractName and ChangeExt: the same rules without the
// 255-character cut. The program's own files (settings file, language files, log) are located
// with these, so that a program installed deep in a directory tree still finds them.
std::string ExtractDirWhole(std::string_view path);
std::string ExtractNameWhole(std::string_view path);
std::string ChangeExtWhole(std::string_view path, std::string_view ext);

// The private per-user temporary directory, ending with '/': GetTempDirUnder($TMPDIR) for
// this user; when $TMPDIR is unset, relative or yields nothing (missing, not writable), the
// same under /tmp. "" only when /tmp fails too; callers must then not write temporary files.
std::string GetTempDir();
// The private directory of user `uid` under the directory `base`: "vellum-<uid>/", created
// with mode 0700, when that name is free or already a real directory (not a symlink) owned by
// `uid`. A name taken by anything else (a user's own file of that name, a symlink, another
// owner's directory) is never removed: the next of "vellum-<uid>-1/" .. "-9/" that qualifies
// is taken instead, and when all are taken a fresh mkdtemp directory ("vellum-<uid>-XXXXXX/",
// the same one for the rest of the process). "" when `base` is empty or cannot hold a
// directory.
std::string GetTempDirUnder(std::string_view base, unsigned uid);

// The running program file (/proc/self/exe) and its directory with a trailing '/'.
std::string GetProgramFile();
std::string GetProgramDir();

// The share directory of an installed program, ending with '/': "<prefix>/share/vellum/" when
// `programDir` is "<prefix>/bin/" (with or without its trailing '/') and that directory exists;
// "" otherwise (a build tree, a portable copy).
std::string InstalledShareDir(std::string_view programDir);

// The user's configuration directory of the program, ending with '/': $XDG_CONFIG_HOME/vellum/
// when that variable holds an absolute path, else $HOME/.config/vellum/; empty when neither
// gives an absolute path. The directory is not created.
std::string UserConfigDir();

// ---- files -----------------------------------------------------------------------------

// Windows-style attribute bits given by GetFileAttr.
inline constexpr uint32_t faReadOnly = 0x01;
inline constexpr uint32_t faHidden = 0x02;
inline constexpr uint32_t faSysFile = 0x04;
inline constexpr uint32_t faDirectory = 0x10;
inline constexpr uint32_t faArchive = 0x20;
inline constexpr uint32_t faNormal = 0x80;
inline constexpr uint32_t faInvalid = 0xFFFFFFFFu;

// Writes all n bytes at p to the open descriptor fd, retrying after interrupts and short
// writes. False on the first failed write (errno tells why); some bytes may then be written.
bool WriteAllFd(int fd, const void* p, size_t n);

// False for "" and for anything that is not an existing non-directory entry. '*' and '?' are
// ordinary characters of a file name.
bool FileExistsPlain(std::string_view name);
// True when the name exists and is a directory (symlinks followed).
bool DirExists(std::string_view name);
// Size of the file in bytes (sizes above 4 GiB whole); 0 when it cannot be reached.
int64_t GetFileSize64(std::string_view name);
// Attribute word: faDirectory for a directory, faReadOnly when the owner may not write,
// faHidden when the name starts with '.', faNormal when none of these holds. faInvalid (all
// bits) when the file cannot be reached.
uint32_t GetFileAttr(std::string_view name);
// Applies faReadOnly to the owner write bit (other bits are ignored). 0 on success, otherwise
// the errno of the failure.
int SetFileAttr(std::string_view name, uint32_t attr);
// Deletes a plain file, clearing its read-only bit first. True when the file did not exist
// (also for "" or a directory, which is left alone); false when it exists
// but could not be deleted.
bool ForceDeleteFile(std::string_view name);
// Copies `source` (a plain file) to `target`, overwriting it. With `createDirs` the target's
// directory chain is created when missing. False when the source is missing, the directory
// does not exist, the target is the source, an existing target cannot be deleted, or the copy
// fails (a partial target is removed). A source that is no regular file (a named pipe, a
// device) is not copied: false, and the target is left alone.
bool CopyFileTo(std::string_view source, std::string_view target, bool createDirs);
// CopyFileTo, then ForceDeleteFile(source). Stops at the first failure.
bool MoveFileTo(std::string_view source, std::string_view target, bool createDirs);
// Creates the directory and every missing parent. Failures are not reported; callers ask
// DirExists.
void ForceDirs(std::string_view dir);

// ---- settings file ---------------------------------------------------------------------
// An ini file of "[section]" headers and "key=value" lines. Sections and keys match without
// regard to letter case (Unicode case folding). Values are cut to their first 1023
// characters. A file written on Windows in Windows-1251 reads as the right text, and so does
// UTF-8 (with or without a byte-order mark) and UTF-16 with one; every text read is UTF-8.
// Lines end in CR LF, LF or a lone CR; a write keeps the break the file uses most. Every write
// rewrites the whole file atomically (sibling temporary file, fsync, rename), keeping every
// other line and comment as it was; a failed write leaves the old file whole.

// Value of the key, or `def` when the file, section or key is missing or the file cannot be
// read: not a regular file, or larger than 1 MiB (no settings file is). The value is taken
// without the blanks around it and without one pair of enclosing double or single quotes,
// so "\" a \"" reads as " a ".
std::string IniReadStr(std::string_view file, std::string_view section, std::string_view key,
                       std::string_view def = "");
// The value as a decimal integer (ParseDecimalInt: one sign at most, digits only); `def` when
// the value is missing, not wholly such an integer (the empty string included) or outside
// the range of int.
int IniReadInt(std::string_view file, std::string_view section, std::string_view key, int def);
// Sets the key to `value` as it stands (a caller that needs surrounding blanks or quotes back
// encloses the value in double quotes itself), creating the file and the section when missing.
// True on success. False, leaving the file as it was: when the file cannot be read or replaced
// or is read-only (its owner may not write it); when a line break in the section, key or value
// would split the entry; when the key could not be read back: empty, with blanks around it,
// holding '=', or starting with ';', '#' or '[' (such a line reads as a comment or a header).
bool IniWriteStr(std::string_view file, std::string_view section, std::string_view key,
                 std::string_view value);
bool IniWriteInt(std::string_view file, std::string_view section, std::string_view key, int value);

// How a settings write puts the new file's bytes on disk before the rename: called with the
// descriptor of the complete temporary file, 0 for success (fsync by default). A non-zero
// result fails the write, leaving the old file. Replaced only to watch or fail that step (a
// test); nullptr restores fsync. Returns the function used before.
using TFileSync = int (*)(int fd);
TFileSync SetIniFileSync(TFileSync sync);

// The keys of one section read in a single pass over the file, for a caller that looks up
// many keys of it (the texts of a window): Value(key, def) gives what IniReadStr(file, section,
// key, def) gave when the section was read. A missing or unreadable file or section reads as
// an empty section.
class TIniSection {
 public:
  TIniSection(std::string_view file, std::string_view section);
  std::string Value(std::string_view key, std::string_view def = "") const;

 private:
  std::vector<std::pair<std::string, std::string>> values_;  // by folded key, sorted; first wins
};

// Sets each key of `entries` in order as IniWriteStr does, in one rewrite of the file. False,
// leaving the file as it was, when the file cannot be read or replaced or when IniWriteStr
// would refuse any one of the entries.
bool IniWriteStrs(std::string_view file, std::string_view section,
                  const std::vector<std::pair<std::string, std::string>>& entries);

}  // namespace ny
