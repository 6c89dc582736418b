// The layout of a library on disk and the archive operations the rest of the program calls:
// the library directory, archive names and paths, packing a document into a new archive and
// filing an archive into its subject's directory.
//
// A library file /data/Books.sqb keeps its archives under /data/Books/<subject DIR>/. A
// subject's DIR and an archive name are stored texts: DIR may separate sub-directories by
// '\' (as libraries made on Windows do) or '/'. Neither may climb out of the library: a DIR or
// an archive name holding a ".." component has no archive path and is never filed into.
//
// The operations are handed what they work on (the library file, the temporary directory,
// the writer, a lookup of subjects) instead of reaching into the main window.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ny {

class TZipWriter;

// What the archive operations ask of the catalogue's subject table.
class TSubjectLookup {
 public:
  virtual ~TSubjectLookup() = default;
  // Positions the subject table on the row whose NAM equals `subject` as a whole value,
  // without regard to letter case, and returns that row's DIR; nullopt (the position left
  // alone) when no row matches.
  virtual std::optional<std::string> LocateSubject(const std::string& subject) = 0;
};

// The catalogue fields of one document that the archive operations read.
struct TDocumentRef {
  std::string Subj;      // SUBJ: the subject's name
  std::string ArchName;  // ARCHNAME: the archive's file name
  std::string FileName;  // FILENAME: the document's name inside the archive
};

// The library file without its extension (ChangeExt with ""): /data/Books.sqb gives
// /data/Books; /data/Books.old/Fiction stays as it is.
std::string LibraryDir(std::string_view libraryFile);

// The archive name of a document packed by the program: its file name (after the last '/' of
// the whole path, however long) with the extension replaced by ".ZIP" (notes.txt ->
// notes.ZIP, a.b.doc -> a.b.ZIP, README -> README.ZIP, .profile -> .profile.ZIP). A name that
// would pass the 255 bytes a Linux file name may have loses the end of its base name (cut
// between characters) instead: the archive can always be made.
std::string ArchiveNameOf(std::string_view documentPath);

// The upper-case (ASCII) extension of an archive name without its dot: "ZIP" for x.zip, ""
// for a name without extension. The format of an archive is decided by this alone.
std::string ArchiveFormat(std::string_view archName);

// A stored DIR as a relative path: every '\' becomes '/'.
std::string SubjectDirPath(std::string_view dir);

// False when the stored name, read as a path ('\' and '/' both separate), has a ".."
// component.
bool StoredNameStaysInside(std::string_view name);

// libraryDir + '/' + DIR (as SubjectDirPath) + '/' + archName, nothing else normalised (an
// empty DIR gives two separators in a row). "" when DIR or archName climbs out of the
// library (StoredNameStaysInside) or archName is empty.
std::string ArchivePathOf(std::string_view libraryDir, std::string_view dir,
                          std::string_view archName);

// The archive path of a document: locates its subject through `subjects` (which stays
// positioned there) and joins LibraryDir(libraryFile), the subject's DIR and the archive
// name. "" when no subject matches the document's SUBJ, or as ArchivePathOf.
std::string ArchivePath(std::string_view libraryFile, TSubjectLookup& subjects,
                        const TDocumentRef& doc);

// Packs `source` into tempDir + ArchiveNameOf(source), level 5, the entry under the bare file
// name, the source left in place, replacing any file of that name. Returns the archive path
// in every case; after a failure (the source has vanished, cannot be read, the archive cannot
// be written) no file is at that path. `tempDir` is a directory, with or without its final
// '/'.
std::string PackDocument(TZipWriter& writer, std::string_view tempDir, std::string_view source);

// Files the archive `source` into libraryDir + '/' + DIR + '/' and returns true when the
// archive is there. The directory is made with every missing parent. The archive keeps its
// file name, except that an existing entry of that name (another document's archive) is
// never replaced: it is filed under the first free name of name(2).ext, name(3).ext, ...
// (notes(2).ZIP). `filedName`, when given, receives the file name used, for the catalogue's
// ARCHNAME, whenever the archive was filed. With `move` the source is deleted after the copy
// (or renamed onto the target when both lie on one file system).
// Returns false when the source is not a plain file (a name with '*' or '?' counts as
// missing), when DIR or the name would climb out of the library, when the directory cannot be
// made, when the copy fails (no partial target stays), or, with `move`, when the source
// cannot be deleted (the filed archive then stays in the library).
bool FileArchive(std::string_view libraryDir, std::string_view source, std::string_view dir,
                 bool move, std::string* filedName = nullptr);

}  // namespace ny
