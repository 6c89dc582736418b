// The document list: its query, the search, the sort marks, the row colours and the keys of
// the document grid.
#include <cstdlib>
#include <string_view>

#include "app/Form1.h"
#include "app/Form1Model.h"
#include "app/LibText.h"
#include "util/NyApi.h"
#include "util/NyText.h"

namespace ny {

namespace {

constexpr const char* kAscMark = "\xE2\x80\xA2 ";  // "• "
constexpr const char* kDescMark = "^ ";

// The searchable fields in their fixed order, with the box that switches each.
struct TSearchField {
  const char* Box;
  const char* Opening;
};
constexpr TSearchField kSearchFields[] = {
    {"chFindAut", " or MyLike(AUTHOR ,'"}, {"chFindNam", " or MyLike(NAME,'"},
    {"chFindSub", " or MyLike(SUBJ,'"},    {"chFindFil", " or MyLike(FILENAME,'"},
    {"chFindArc", " or MyLike(ARCHNAME,'"}, {"chFindTxt", " or MyLike(TEXT,'"},
};

// The result columns of "select RowId,* from LSTDOC", numbered from 1.
int DocColumnNumber(const std::string& field) {
  static const char* const kColumns[] = {"ROWID", "AUTHOR",   "NAME",     "SUBJ", "SIZE",
                                         "SIZEARC", "FILENAME", "ARCHNAME", "TEXT"};
  for (int i = 0; i < 9; ++i)
    if (AsciiUpper(field) == kColumns[i]) return i + 1;
  return 0;
}

std::string QuotedInside(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

}  // namespace

std::string TForm1::DocListQuery(const std::string& search) const {
  std::string q = "select RowId,* from LSTDOC";
  if (!search.empty()) {
    q += " where 1<0";
    const std::string inside = QuotedInside(search);
    for (const TSearchField& f : kSearchFields) {
      if (!Checked(f.Box)) continue;
      q += f.Opening;
      q += inside;
      q += "')>0";
    }
  }
  q += " order by ";
  q += std::to_string(sortField_ < 0 ? -static_cast<int64_t>(sortField_) : sortField_);
  if (sortField_ <= 0) q += " desc";
  return q;
}

void TForm1::RefreshDocList(const std::string& search) {
  TBusyCursor busy(view_);
  lstDoc_->SetSQLText(DocListQuery(search));
  lstDoc_->Open();
  TNyComponent& grid = model_->Get(kDocGrid);
  const std::vector<TNyColumn>& columns = grid.Columns("Columns");
  const int64_t sortAbs = sortField_ < 0 ? -static_cast<int64_t>(sortField_) : sortField_;
  for (size_t i = 0; i < columns.size(); ++i) {
    std::string title = columns[i].Title;
    if (title.rfind("\xE2\x80\xA2", 0) == 0 || title.rfind('^', 0) == 0) {
      // The mark and its blank; at most 64 characters are kept after them.
      const size_t markBytes = title[0] == '^' ? 1 : 3;
      std::string_view rest(title);
      rest.remove_prefix(markBytes);
      if (!rest.empty() && static_cast<unsigned char>(rest[0]) < 0x80) {
        rest.remove_prefix(1);
      } else if (!rest.empty()) {
        rest.remove_prefix(Utf8Prefix(rest, 1).size());
      }
      title = Utf8Prefix(rest, 64);
    }
    TNyField* f = lstDoc_->FindField(columns[i].FieldName);
    const int number = f != nullptr ? f->Index() + 1 : DocColumnNumber(columns[i].FieldName);
    if (number == sortAbs) title = (sortField_ > 0 ? kAscMark : kDescMark) + title;
    grid.SetColumnTitle("Columns", i, title);
  }
}

void TForm1::bSearchClick() {
  RefreshDocList(model_->Get("eLike").Str("Text"));
}

void TForm1::eLikeChange() {
  if (Checked("chAutoFind")) bSearchClick();
}

void TForm1::DBGridTitleClick(int column) {
  const std::vector<TNyColumn>& columns = model_->Get(kDocGrid).Columns("Columns");
  if (column < 0 || static_cast<size_t>(column) >= columns.size()) return;
  const std::string& name = columns[static_cast<size_t>(column)].FieldName;
  TNyField* f = lstDoc_->Active() ? lstDoc_->FindField(name) : nullptr;
  const int n = f != nullptr ? f->Index() + 1 : DocColumnNumber(name);
  sortField_ = n == sortField_ ? -n : n;
  bSearchClick();
}

void TForm1::LstDocAfterOpen() {
  TNyComponent& grid = model_->Get(kDocGrid);
  grid.SetColumnVisible("Columns", 4, Checked("chShowFileNam"));
  grid.SetColumnVisible("Columns", 5, Checked("chShowArchNam"));
  model_->Get("lRec").SetStr("Caption", std::to_string(lstDoc_->RecordCount()));
}

TArchiveState TForm1::DocArchiveState(int row) {
  const std::optional<TDocumentRef> doc = DocumentAt(*lstDoc_, row);
  if (!doc) return TArchiveState::asMissing;
  TDataSetSubjects subjects(*lstSbj_, false);
  return ArchiveStateOf(libraryFile_, subjects, *doc);
}

bool TForm1::DBGridDrawColumnCell(int row) {
  if (!Checked("chCheckFileExist") || !lstDoc_->Active()) return false;
  return DocArchiveState(row) != TArchiveState::asOk;
}

void TForm1::ReopenKeepingRow(TNySQLite3Query& ds, bool keepRow) {
  // The key is read before the set closes; an empty set has none.
  // A pending edit is posted first, so that reloading never drops what the user typed. When
  // the library refuses it, the edit is given up and the rows are read anew all the same (the
  // way out of a refused row); the refusal still propagates.
  if (ds.Active()) {
    try {
      ds.CheckBrowseMode();
    } catch (...) {
      ds.Cancel();
      ds.Close();
      ds.Open();
      throw;
    }
  }
  const bool had = keepRow && ds.Active() && !ds.IsEmpty();
  const int64_t rowId = had ? ds.FieldByName("RowId").AsLargeInt() : 0;
  ds.Close();
  ds.Open();
  if (had) ds.Locate("RowId", TNyValue(rowId), {});
}

void TForm1::DBGridKeyDown(uint16_t& key, unsigned shift) {
  const bool browsing = lstDoc_->State() == TDataSetState::dsBrowse;
  if (key == VK_F5) {
    key = 0;
    ReopenKeepingRow(*lstDoc_, true);
    view_.Beep();
  } else if (key == VK_TAB) {
    key = 0;
    view_.FocusNext();
  } else if (key == VK_INSERT && shift == ssCtrl && browsing) {
    key = 0;
    DocAppend(ExtractDir(env_.ProgramFile));
  } else if (key == VK_INSERT && shift == ssAlt && browsing) {
    key = 0;
    ArcAppend(ExtractDir(env_.ProgramFile));
  } else if (key == VK_DELETE && shift == ssCtrl && browsing) {
    key = 0;
    DocDelete();
  }
}

void TForm1::DBGridKeyPress(char& key) {
  if (key != kKeyEnter || lstDoc_->State() != TDataSetState::dsBrowse) return;
  key = 0;
  OpenDocument();
}

void TForm1::DBGridDblClick() {
  OpenDocument();
}

void TForm1::DBMemo1Change(const std::string& text) {
  if (!lstDoc_->Active() || (lstDoc_->IsEmpty() && lstDoc_->State() != TDataSetState::dsInsert))
    return;
  TNyField& f = lstDoc_->FieldByName("TEXT");
  if (LibText(f.AsString()) == text) return;
  lstDoc_->Edit();
  f.SetAsString(text);
}

void TForm1::DBMemo1Exit() {
  if (lstDoc_->State() == TDataSetState::dsEdit) lstDoc_->Post();
}

}  // namespace ny
