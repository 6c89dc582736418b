// Moving through the query record sets: fetching records, first and last, bookmarks, the
// unidirectional mode, and the master/detail link.
#include <cxxabi.h>

#include <cstdlib>
#include <cstring>
#include <typeinfo>

#include "sqlite/NyDataSource.h"
#include "sqlite/NySQLRout3.h"
#include "sqlite/NySQLite3Query.h"
#include "util/NyApi.h"

namespace ny {
namespace {

std::string ClassNameOf(const TNyDataSet& ds) {
  const char* mangled = typeid(ds).name();
  int status = 0;
  char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  std::string name = status == 0 && demangled ? demangled : mangled;
  std::free(demangled);
  const size_t colon = name.rfind("::");
  return colon == std::string::npos ? name : name.substr(colon + 2);
}

}  // namespace

// ---- fetching ----------------------------------------------------------------------------

TGetResult TNySQLite3BaseQuery::GetRecord(uint8_t* buffer, TGetMode mode, bool doCheck) {
  const int count = store_ ? store_->RowCount() : 0;
  if (!uniDirectional_ && count == 0) return TGetResult::grEOF;
  TGetResult result = TGetResult::grOK;
  switch (mode) {
    case TGetMode::gmCurrent:
      if (uniDirectional_ ? uniRow_.empty() : currentIndex_ < 0 || currentIndex_ >= count)
        result = TGetResult::grError;
      break;
    case TGetMode::gmNext:
      if (!uniDirectional_) {
        if (currentIndex_ < count - 1)
          ++currentIndex_;
        else
          result = TGetResult::grEOF;
      }
      break;
    case TGetMode::gmPrior:
      if (uniDirectional_) throw SLError("operation PRIOR not allowed on unidirectional dataset");
      if (currentIndex_ > 0)
        --currentIndex_;
      else
        result = TGetResult::grBOF;
      break;
  }
  if (result == TGetResult::grOK) {
    if (uniDirectional_ && mode == TGetMode::gmCurrent) {
      std::memcpy(buffer, uniRow_.data(), static_cast<size_t>(bookmarkOffset_));
    } else if (uniDirectional_) {
      const uint8_t* row = connection_ ? connection_->FetchRow(stmt_, *this) : nullptr;
      if (!row) return TGetResult::grEOF;
      // The store keeps no fetched rows in this mode, but it owns their streams.
      for (int i : blobFields_) {
        TNyMemoryStream* s = nullptr;
        std::memcpy(&s, row + Def(i).Offset, sizeof s);
        store_->AdoptBlob(s);
      }
      std::memcpy(buffer, row, static_cast<size_t>(bookmarkOffset_));
      uniRow_.assign(row, row + bookmarkOffset_);
    } else {
      codec_.Decode(store_->RowAt(currentIndex_), buffer);
    }
    SetBookmarkFlag(buffer, TBookmarkFlag::bfCurrent);
    SetBookmarkData(buffer, uniDirectional_ ? -1 : store_->RowIdAt(currentIndex_));
    if (!uniDirectional_) NoteMove(store_->RowIdAt(currentIndex_));
  } else if (result == TGetResult::grError && doCheck) {
    DatabaseError("No Records");
  }
  return result;
}

bool TNySQLite3BaseQuery::GetRecordAt(int index, uint8_t* buffer) {
  const uint8_t* row = store_ ? store_->RowAt(index) : nullptr;
  if (!row) return false;
  codec_.Decode(row, buffer);
  SetBookmarkFlag(buffer, TBookmarkFlag::bfCurrent);
  SetBookmarkData(buffer, store_->RowIdAt(index));
  return true;
}

void TNySQLite3BaseQuery::InternalLast() {
  currentIndex_ = store_ ? store_->RowCount() : 0;
}

// ---- bookmarks ---------------------------------------------------------------------------

void TNySQLite3BaseQuery::InternalGotoBookmark(int32_t bookmark) {
  const int index = store_ ? store_->IndexOfRowId(bookmark) : -1;
  if (index >= 0) {
    currentIndex_ = index;
    return;
  }
  if (!uniDirectional_) DatabaseError("Bookmark not found");
}

void TNySQLite3BaseQuery::InternalSetToRecord(uint8_t* buffer) {
  // A new record (inserted or appended) has no row yet: the cursor stays where it is.
  if (GetBookmarkFlag(buffer) != TBookmarkFlag::bfCurrent) return;
  InternalGotoBookmark(GetBookmarkData(buffer));
}

bool TNySQLite3BaseQuery::BookmarkValidId(int32_t bookmark) {
  return store_ && store_->IndexOfRowId(bookmark) >= 0;
}

// ---- master / detail ---------------------------------------------------------------------

void TNySQLite3BaseQuery::SetMasterSource(TNyDataSource* source) {
  if (source && IsLinkedTo(source)) DatabaseError("circular references are not allowed", Name());
  masterSource_ = source;
}

void TNySQLite3BaseQuery::CheckMaster() {
  TNyDataSet* ds = masterSource_->DataSet();
  if (!ds) throw SLError("master dataset undefined");
  auto* master = dynamic_cast<TNySQLite3BaseQuery*>(ds);
  if (!master)
    throw SLError("master dataset " + ClassNameOf(*ds) + " is not of TSQLiteBaseQuery type");
  if (masterQuery_ && masterQuery_ != master) masterQuery_->UnregisterDetail(this);
  master->RegisterDetail(this);
  masterQuery_ = master;
}

void TNySQLite3BaseQuery::RegisterDetail(TNySQLite3BaseQuery* detail) {
  for (TNySQLite3BaseQuery* d : details_)
    if (d == detail) return;
  details_.push_back(detail);
}

void TNySQLite3BaseQuery::UnregisterDetail(TNySQLite3BaseQuery* detail) {
  for (size_t i = 0; i < details_.size(); ++i)
    if (details_[i] == detail) {
      details_.erase(details_.begin() + static_cast<long>(i));
      return;
    }
}

void TNySQLite3BaseQuery::NotifyDetailSets() {
  // A detail may register or go while it reopens: walk a copy.
  const std::vector<TNySQLite3BaseQuery*> details = details_;
  for (TNySQLite3BaseQuery* d : details) d->MasterChanged();
}

void TNySQLite3BaseQuery::NoteMove(int32_t rowId) {
  if (details_.empty() || rowId == notifiedRowId_) return;
  notifiedRowId_ = rowId;
  NotifyDetailSets();
}

void TNySQLite3Query::MasterChanged() {
  Close();
  SetFilter("");
  SetFiltered(false);

  // Pairs: each piece before a ';' trimmed; the piece after the last ';' as it stands, or,
  // when blank, the previous pair once more.
  std::vector<std::string> pairs;
  const std::string& fields = MasterFields();
  size_t start = 0;
  while (true) {
    const size_t semi = fields.find(';', start);
    if (semi == std::string::npos) {
      const std::string last = fields.substr(start);
      if (!TrimCtl(last).empty())
        pairs.push_back(last);
      else if (!pairs.empty())
        pairs.push_back(pairs.back());
      break;
    }
    pairs.push_back(TrimCtl(fields.substr(start, semi - start)));
    start = semi + 1;
  }

  auto* master =
      MasterSource() ? dynamic_cast<TNySQLite3BaseQuery*>(MasterSource()->DataSet()) : nullptr;
  std::string filter;
  for (size_t i = 0; i < pairs.size(); ++i) {
    const size_t eq = pairs[i].find('=');
    if (eq == std::string::npos)
      throw SLError("Syntax error: Masterfields not build of a=b;... pairs");
    const std::string detailName = pairs[i].substr(0, eq);
    const std::string masterName = pairs[i].substr(eq + 1, 99);
    std::string value = master && master->Rows() ? master->CurrentFieldText(masterName) : "";
    if (i) filter += " and ";
    filter += detailName + "=" + QuoteSQL(value, '\'');
  }
  SetFilter(filter);
  // The detail follows its master: it reopens with the new filter whenever the master is
  // open.
  if (master && master->Rows()) {
    SetFiltered(true);
    Open();
  }
}

}  // namespace ny
