// Extracting the document of a catalogue record into the temporary directory: zip archives by
// the program's own reader, the "NyH" type never, any other type by the outside archiver
// whose extraction command template the archiver table holds.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "archive/ArchiveOps.h"

namespace ny {

class TZipReader;

// What extraction asks of the catalogue's archiver table.
class TArchiverLookup {
 public:
  virtual ~TArchiverLookup() = default;
  // The GET template of the row whose NAM equals `format` as a whole value, without regard to
  // letter case; nullopt when no row matches.
  virtual std::optional<std::string> LocateArchiver(const std::string& format) = 0;
};

// The collaborators of ExtractDocument, owned by the caller. Reader, Subjects, Archivers and
// RunWait are required; ShowMessage may be empty (the message is then dropped).
struct TExtractContext {
  std::string TempDir;  // where the document goes, with its final '/'
  TZipReader* Reader = nullptr;
  TSubjectLookup* Subjects = nullptr;
  TArchiverLookup* Archivers = nullptr;
  // Runs a command line and waits until the program has ended (the program runner's
  // RunWait, with no working directory); false when it could not be started.
  std::function<bool(const std::string& commandLine)> RunWait;
  // Shows a plain message to the user.
  std::function<void(const std::string& text)> ShowMessage;
};

// What ExtractDocument did.
enum class TExtractOutcome {
  eoZipRead,         // the zip reader ran over the archive
  eoCommandRun,      // the archiver's command was run (its result is not examined)
  eoNothing,         // nothing to do: the "NyH" type, no archiver row or no subject row, or a
                     // command that could not be made safely
  eoArchiveMissing,  // the archive of an outside type is missing: "File Not Found" was shown
};

// The message shown for a missing archive: "File Not Found", a line feed and the path.
inline constexpr char kFileNotFound[] = "File Not Found";

// The archiver command for one archive: `getTemplate` with its first "%a" replaced by
// `archive` and its first "%p" by `tempDir`. Both placeholders are found in the template
// itself, so a "%p" inside the archive path is never taken for the placeholder. No quoting
// is added: the templates carry their own.
std::string FillGetTemplate(std::string_view getTemplate, std::string_view archive,
                            std::string_view tempDir);

// Extracts `doc`'s FILENAME from the archive at `archivePath` (ArchivePath of the record, not
// empty) into ctx.TempDir; the caller then looks for TempDir + FILENAME.
//  - ZIP (the extension of ARCHNAME, any case): the reader extracts the entries whose file
//    name matches FILENAME (any stored directory and letter case ignored) straight into
//    TempDir. Raises the reader's EZipError (also for a missing archive).
//  - NyH: nothing.
//  - any other type: needs an archiver row for the type and a subject row for SUBJ (else
//    nothing). When the archive exists, runs FillGetTemplate(GET, archivePath, TempDir)
//    through ctx.RunWait; when it does not, shows "File Not Found\n" + archivePath. A path
//    holding a double quote is never put into a command (it could end the template's quoted
//    argument and add arguments of its own): nothing is run.
TExtractOutcome ExtractDocument(TExtractContext& ctx, const TDocumentRef& doc,
                                const std::string& archivePath);

}  // namespace ny
