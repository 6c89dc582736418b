// Deleting the current document with its archive.
#include <sys/stat.h>

#include "app/ArchiveCatalog.h"
#include "app/Form1.h"
#include "app/LibText.h"
#include "intake/DocIntake.h"
#include "lang/NyLang.h"
#include "util/NyApi.h"

namespace ny {

namespace {

// SQL text literal of stored bytes.
std::string Quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    q += c;
    if (c == '\'') q += '\'';
  }
  return q + "'";
}

}  // namespace

bool TDocIntake::ArchiveShared(const std::string& path, int64_t rowId) {
  struct stat mine {};
  if (path.empty() || ::stat(path.c_str(), &mine) != 0) return false;
  // Candidates by name (ASCII case ignored, for file systems that ignore it), then the same
  // file on disk through each one's own subject directory.
  TNySQLite3Query q;
  q.SetConnection(&form_.SQLiteDB());
  q.SetSQLText("select RowId,SUBJ,ARCHNAME,FILENAME from LSTDOC where RowId<>" +
               std::to_string(rowId) + " and upper(ARCHNAME)=upper(" +
               Quoted(CurrentDocument(form_.LstDoc()).ArchName) + ")");
  q.Open();
  TDataSetSubjects subjects(form_.LstSbj(), false);
  for (q.First(); !q.Eof(); q.Next()) {
    const std::string other = ArchivePath(form_.LibraryFile(), subjects, CurrentDocument(q));
    struct stat st {};
    if (!other.empty() && ::stat(other.c_str(), &st) == 0 && st.st_dev == mine.st_dev &&
        st.st_ino == mine.st_ino) {
      return true;
    }
  }
  return false;
}

TDeleteOutcome TDocIntake::DeleteDocument() {
  TNySQLite3Query& doc = form_.LstDoc();
  if (!form_.LibraryOpen() || !doc.Active() || doc.IsEmpty()) return TDeleteOutcome::doNothing;
  TDataSetSubjects subjects(form_.LstSbj());
  const std::string shown = ArchivePath(form_.LibraryFile(), subjects, CurrentDocument(doc));
  const std::string text = "\t" + LangMsg("DelArc1", "Delete record about document:") + "\n" +
                           LibText(doc.FieldByName("NAME").AsString()) + "\n\t" +
                           LangMsg("DelArc2", "and delete archive file from library:") + "\n" +
                           LibText(shown) + "\n\n" + LangMsg("DelArc3", "You are assured?");
  if (!view_.AskYesNo(text)) return TDeleteOutcome::doNotConfirmed;
  const std::string path = ArchivePath(form_.LibraryFile(), subjects, CurrentDocument(doc));
  const int64_t rowId = doc.FieldByName("RowId").AsLargeInt();
  // Another document's archive stays: only this row goes.
  if (!ArchiveShared(path, rowId) && !ForceDeleteFile(path)) return TDeleteOutcome::doKept;
  doc.Delete();
  return TDeleteOutcome::doDeleted;
}

}  // namespace ny
