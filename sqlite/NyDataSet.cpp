#include "sqlite/NyDataSet.h"

#include <algorithm>
#include <utility>

#include "sqlite/NyDataSource.h"
#include "util/NyApi.h"

namespace ny {

namespace {

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 128; });
}

char FoldAZ(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

bool AsciiCaseEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldAZ(a[i]) != FoldAZ(b[i])) return false;
  return true;
}

// Field names compare without regard to case; non-ASCII names by Unicode case mapping.
bool SameName(std::string_view a, std::string_view b) {
  if (IsAscii(a) && IsAscii(b)) return AsciiCaseEqual(a, b);
  return AnsiUpper(a) == AnsiUpper(b);
}

bool IsInternalState(TDataSetState s) {
  return s == TDataSetState::dsCalcFields || s == TDataSetState::dsFilter ||
         s == TDataSetState::dsNewValue;
}

bool IsEditState(TDataSetState s) {
  return s == TDataSetState::dsEdit || s == TDataSetState::dsInsert;
}

// Re-enables the views of a record set on every way out of a scope that disabled them.
class TControlsGuard {
 public:
  explicit TControlsGuard(TNyDataSet& ds) : ds_(ds.ControlsDisabled() ? nullptr : &ds) {
    if (ds_) ds_->DisableControls();
  }
  ~TControlsGuard() {
    if (ds_) ds_->EnableControls();
  }
  TControlsGuard(const TControlsGuard&) = delete;
  TControlsGuard& operator=(const TControlsGuard&) = delete;

 private:
  TNyDataSet* ds_;
};

}  // namespace

std::string FormatMsg(const char* format, const std::string& arg) {
  std::string s(format);
  size_t p = s.find("%s");
  if (p != std::string::npos) s.replace(p, 2, arg);
  return s;
}

void DatabaseError(const std::string& message, const std::string& component) {
  throw EDatabaseError(component.empty() ? message : component + ": " + message);
}

const char* DataSetStateName(TDataSetState s) {
  switch (s) {
    case TDataSetState::dsInactive:
      return "dsInactive";
    case TDataSetState::dsBrowse:
      return "dsBrowse";
    case TDataSetState::dsEdit:
      return "dsEdit";
    case TDataSetState::dsInsert:
      return "dsInsert";
    case TDataSetState::dsCalcFields:
      return "dsCalcFields";
    case TDataSetState::dsFilter:
      return "dsFilter";
    case TDataSetState::dsNewValue:
      return "dsNewValue";
    case TDataSetState::dsOldValue:
      return "dsOldValue";
    case TDataSetState::dsBlockRead:
      return "dsBlockRead";
  }
  return "?";
}

TNyDataSet::TNyDataSet() = default;

TNyDataSet::~TNyDataSet() {
  std::vector<TNyDataSource*> sources = dataSources_;
  for (TNyDataSource* s : sources) s->DataSetGone();
}

// ---- lifecycle ------------------------------------------------------------------------

void TNyDataSet::Open() {
  if (Active()) return;
  Fire(BeforeOpen);
  try {
    InternalOpen();
    CreateFields();
    activeBuffer_ = AllocRecordBuffer();
    scratchBuffer_ = AllocRecordBuffer();
    hasRecord_ = false;
    cursorInSync_ = false;
    InternalFirst();
    bool got = Fetch(TGetMode::gmNext, true);
    bof_ = true;
    eof_ = !got;
  } catch (...) {
    FreeBuffers();
    try {
      InternalClose();
    } catch (...) {
      // The open's own error is the one to report.
    }
    DestroyFields();
    hasRecord_ = false;
    bof_ = eof_ = true;
    throw;
  }
  SetState(TDataSetState::dsBrowse);
  Fire(AfterOpen);
  if (hasRecord_) DoAfterScroll();
}

void TNyDataSet::UpdateFieldDefs() {
  if (!Active()) OpenCursorForFieldInfo();
}

void TNyDataSet::OpenCursorForFieldInfo() {
  try {
    InternalOpen();
  } catch (...) {
    try {
      InternalClose();
    } catch (...) {
      // The open's own error is the one to report.
    }
    throw;
  }
  InternalClose();
}

void TNyDataSet::DestroyClose() {
  destroying_ = true;
  Close();
}

void TNyDataSet::Close() {
  if (!Active()) return;
  if (!destroying_) Fire(BeforeClose);
  SetState(TDataSetState::dsInactive);
  FreeBuffers();
  hasRecord_ = false;
  cursorInSync_ = false;
  bof_ = eof_ = true;
  try {
    InternalClose();
  } catch (...) {
    DestroyFields();
    throw;
  }
  DestroyFields();
  if (!destroying_) Fire(AfterClose);
}

void TNyDataSet::CreateFields() {
  fields_.clear();
  for (size_t i = 0; i < fieldDefs_.size(); ++i) {
    const TNyFieldDef& def = fieldDefs_[i];
    auto f = TNyField::Create(*this, def, static_cast<int>(i) + 1);
    f->index_ = static_cast<int>(i);
    if (auto* ff = dynamic_cast<TNyFloatField*>(f.get()); ff && def.Precision > 0)
      ff->SetPrecision(def.Precision);
    fields_.push_back(std::move(f));
  }
}

void TNyDataSet::DestroyFields() {
  fields_.clear();
}

void TNyDataSet::FreeBuffers() {
  if (activeBuffer_) FreeRecordBuffer(activeBuffer_);
  if (scratchBuffer_) FreeRecordBuffer(scratchBuffer_);
  activeBuffer_ = scratchBuffer_ = nullptr;
}

void TNyDataSet::SetState(TDataSetState s) {
  if (state_ == s) return;
  state_ = s;
  modified_ = false;
  DataEvent(TDataEvent::deUpdateState);
}

void TNyDataSet::CheckActive() const {
  if (!Active()) DatabaseError(dbmsg::DataSetClosed, name_);
}

void TNyDataSet::CheckInactive() const {
  if (Active()) DatabaseError(dbmsg::DataSetOpen, name_);
}

// ---- fields ---------------------------------------------------------------------------

TNyField* TNyDataSet::FindField(const std::string& name) const {
  for (const auto& f : fields_)
    if (SameName(f->FieldName(), name)) return f.get();
  return nullptr;
}

TNyField& TNyDataSet::FieldByName(const std::string& name) const {
  TNyField* f = FindField(name);
  if (!f) DatabaseError(FormatMsg(dbmsg::FieldNotFound, name));
  return *f;
}

std::vector<TNyField*> TNyDataSet::GetFieldList(const std::string& names) const {
  std::vector<TNyField*> list;
  size_t start = 0;
  while (start <= names.size()) {
    size_t end = names.find(';', start);
    if (end == std::string::npos) end = names.size();
    std::string piece = names.substr(start, end - start);
    if (!piece.empty()) list.push_back(&FieldByName(piece));
    start = end + 1;
  }
  return list;
}

bool TNyDataSet::ReadField(const TNyField& field, void* dest) {
  if (!ActiveBuffer()) return false;
  return GetFieldData(field, dest);
}

void TNyDataSet::WriteField(const TNyField& field, const void* src) {
  if (!IsEditState(state_) && !IsInternalState(state_)) DatabaseError(dbmsg::NotEditing, name_);
  SetFieldData(field, src);
  if (!IsInternalState(state_))
    DataEvent(TDataEvent::deFieldChange, reinterpret_cast<intptr_t>(&field));
}

// ---- cursor ---------------------------------------------------------------------------

uint8_t* TNyDataSet::ActiveBuffer() const {
  if (!Active()) return nullptr;
  if (IsEditState(state_) || hasRecord_) return activeBuffer_;
  return nullptr;
}

bool TNyDataSet::IsEmpty() const {
  return !Active() || (!hasRecord_ && !IsEditState(state_));
}

bool TNyDataSet::Fetch(TGetMode mode, bool doCheck) {
  cursorInSync_ = false;
  if (GetRecord(scratchBuffer_, mode, doCheck) != TGetResult::grOK) return false;
  std::swap(activeBuffer_, scratchBuffer_);
  hasRecord_ = true;
  cursorInSync_ = true;
  return true;
}

void TNyDataSet::UpdateCursorPos() {
  if (cursorInSync_ || !hasRecord_ || !activeBuffer_) return;
  if (GetBookmarkFlag(activeBuffer_) != TBookmarkFlag::bfCurrent) return;
  InternalSetToRecord(activeBuffer_);
  cursorInSync_ = true;
}

void TNyDataSet::ResyncBuffer() {
  bool got = Fetch(TGetMode::gmCurrent, false) || Fetch(TGetMode::gmNext, false) ||
             Fetch(TGetMode::gmPrior, false);
  if (!got) hasRecord_ = false;
  bof_ = eof_ = !got;
}

void TNyDataSet::Resync() {
  ResyncBuffer();
  DataEvent(TDataEvent::deDataSetChange);
}

void TNyDataSet::First() {
  CheckBrowseMode();
  DoBeforeScroll();
  if (!(IsUniDirectional() && bof_ && hasRecord_)) {
    InternalFirst();
    bool got = Fetch(TGetMode::gmNext, true);
    if (!got) hasRecord_ = false;
    bof_ = true;
    eof_ = !got;
    DataEvent(TDataEvent::deDataSetChange);
  }
  DoAfterScroll();
}

void TNyDataSet::Last() {
  CheckBrowseMode();
  DoBeforeScroll();
  InternalLast();
  bool got = Fetch(TGetMode::gmPrior, true);
  if (!got) hasRecord_ = false;
  eof_ = true;
  bof_ = !got;
  DataEvent(TDataEvent::deDataSetChange);
  DoAfterScroll();
}

int TNyDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  DoBeforeScroll();
  int moved = 0;
  if (hasRecord_ && ((distance > 0 && !eof_) || (distance < 0 && !bof_))) {
    bof_ = eof_ = false;
    UpdateCursorPos();
    while (distance > 0) {
      if (!Fetch(TGetMode::gmNext, true)) {
        eof_ = true;
        break;
      }
      ++moved;
      --distance;
    }
    while (distance < 0) {
      if (!Fetch(TGetMode::gmPrior, true)) {
        bof_ = true;
        break;
      }
      --moved;
      ++distance;
    }
    if (moved != 0) DataEvent(TDataEvent::deDataSetScroll, moved);
  }
  DoAfterScroll();
  return moved;
}

void TNyDataSet::SetRecNo(int recNo) {
  CheckBrowseMode();
  DoBeforeScroll();
  cursorInSync_ = false;
  if (InternalSetRecNo(recNo)) Resync();
  DoAfterScroll();
}

// ---- editing --------------------------------------------------------------------------

void TNyDataSet::CheckCanModify() const {
  if (!GetCanModify()) DatabaseError(dbmsg::DataSetReadOnly, name_);
}

void TNyDataSet::CheckOperation(const std::function<void()>& op, const TErrorEvent& onError) {
  for (;;) {
    try {
      UpdateCursorPos();
      op();
      return;
    } catch (const EAbort&) {
      throw;
    } catch (const std::exception& e) {
      TDataAction action = TDataAction::daFail;
      if (onError) onError(*this, e, action);
      if (action == TDataAction::daFail) throw;
      if (action == TDataAction::daAbort) throw EAbort();
    }
  }
}

void TNyDataSet::Edit() {
  CheckActive();
  if (IsEditState(state_)) return;
  if (!hasRecord_) return Insert();
  CheckCanModify();
  Fire(BeforeEdit);
  CheckOperation([this] { InternalEdit(); }, OnEditError);
  SetState(TDataSetState::dsEdit);
  DataEvent(TDataEvent::deRecordChange);
  Fire(AfterEdit);
}

void TNyDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  CheckCanModify();
  Fire(BeforeInsert);
  DoBeforeScroll();
}

void TNyDataSet::EndInsertAppend() {
  hasRecord_ = true;
  cursorInSync_ = false;
  bof_ = eof_ = false;
  SetState(TDataSetState::dsInsert);
  try {
    Fire(OnNewRecord);
  } catch (...) {
    SetState(TDataSetState::dsBrowse);
    ResyncBuffer();
    DataEvent(TDataEvent::deDataSetChange);
    throw;
  }
  modified_ = false;
  DataEvent(TDataEvent::deDataSetChange);
  Fire(AfterInsert);
  DoAfterScroll();
}

void TNyDataSet::Insert() {
  BeginInsertAppend();
  UpdateCursorPos();
  InternalInsert();
  InternalInitRecord(activeBuffer_);
  SetBookmarkFlag(activeBuffer_, TBookmarkFlag::bfInserted);
  EndInsertAppend();
}

void TNyDataSet::Append() {
  BeginInsertAppend();
  InternalLast();
  cursorInSync_ = false;
  InternalInsert();
  InternalInitRecord(activeBuffer_);
  SetBookmarkFlag(activeBuffer_, TBookmarkFlag::bfEOF);
  EndInsertAppend();
}

void TNyDataSet::UpdateRecord() {
  if (!IsEditState(state_)) DatabaseError(dbmsg::NotEditing, name_);
  DataEvent(TDataEvent::deUpdateRecord);
}

void TNyDataSet::Post() {
  CheckActive();
  UpdateRecord();
  DataEvent(TDataEvent::deCheckBrowseMode);
  Fire(BeforePost);
  CheckOperation([this] { InternalPost(); }, OnPostError);
  SetState(TDataSetState::dsBrowse);
  Resync();
  Fire(AfterPost);
}

void TNyDataSet::Cancel() {
  if (!IsEditState(state_)) return;
  DataEvent(TDataEvent::deCheckBrowseMode);
  Fire(BeforeCancel);
  UpdateCursorPos();
  if (state_ == TDataSetState::dsEdit) InternalCancel();
  SetState(TDataSetState::dsBrowse);
  Resync();
  Fire(AfterCancel);
}

void TNyDataSet::Delete() {
  CheckActive();
  if (state_ == TDataSetState::dsInsert) return Cancel();
  if (!hasRecord_) DatabaseError(dbmsg::DataSetEmpty, name_);
  CheckCanModify();
  DataEvent(TDataEvent::deCheckBrowseMode);
  Fire(BeforeDelete);
  DoBeforeScroll();
  CheckOperation([this] { InternalDelete(); }, OnDeleteError);
  cursorInSync_ = false;
  SetState(TDataSetState::dsBrowse);
  Resync();
  Fire(AfterDelete);
  DoAfterScroll();
}

void TNyDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(TDataEvent::deCheckBrowseMode);
  if (IsEditState(state_)) {
    UpdateRecord();
    if (modified_)
      Post();
    else
      Cancel();
  }
}

// ---- bookmarks ------------------------------------------------------------------------

TBookmark TNyDataSet::GetBookmark() const {
  if (!Active() || !hasRecord_ || !activeBuffer_) return std::nullopt;
  if (GetBookmarkFlag(activeBuffer_) != TBookmarkFlag::bfCurrent) return std::nullopt;
  return GetBookmarkData(activeBuffer_);
}

void TNyDataSet::GotoBookmark(const TBookmark& bookmark) {
  if (!bookmark) return;
  CheckBrowseMode();
  DoBeforeScroll();
  cursorInSync_ = false;
  InternalGotoBookmark(*bookmark);
  Resync();
  DoAfterScroll();
}

int TNyDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
  if (!a || !b) return a ? 1 : b ? -1 : 0;
  int r = CompareBookmarkIds(*a, *b);
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

// ---- views ----------------------------------------------------------------------------

void TNyDataSet::DisableControls() {
  if (disableCount_ == 0) {
    disableState_ = state_;
    enableEvent_ = TDataEvent::deDataSetChange;
  }
  ++disableCount_;
}

void TNyDataSet::EnableControls() {
  if (disableCount_ == 0) return;
  if (--disableCount_ > 0) return;
  if (disableState_ != state_) DataEvent(TDataEvent::deUpdateState);
  if (disableState_ != TDataSetState::dsInactive && state_ != TDataSetState::dsInactive)
    DataEvent(enableEvent_);
}

void TNyDataSet::DataEvent(TDataEvent event, intptr_t info) {
  if (event == TDataEvent::deFieldChange) modified_ = true;
  if (disableCount_ == 0 && state_ != TDataSetState::dsBlockRead) {
    std::vector<TNyDataSource*> sources = dataSources_;
    for (TNyDataSource* s : sources)
      if (std::find(dataSources_.begin(), dataSources_.end(), s) != dataSources_.end())
        s->DataEvent(event, info);
  } else if ((event == TDataEvent::deUpdateState && state_ == TDataSetState::dsInactive) ||
             event == TDataEvent::deLayoutChange) {
    enableEvent_ = TDataEvent::deLayoutChange;
  }
}

bool TNyDataSet::IsLinkedTo(const TNyDataSource* source) const {
  for (int guard = 0; source && guard < 1000; ++guard) {
    const TNyDataSet* ds = source->DataSet();
    if (!ds) break;
    if (ds == this) return true;
    source = ds->GetDataSource();
  }
  return false;
}

void TNyDataSet::AddDataSource(TNyDataSource* s) {
  if (std::find(dataSources_.begin(), dataSources_.end(), s) == dataSources_.end())
    dataSources_.push_back(s);
}

void TNyDataSet::RemoveDataSource(TNyDataSource* s) {
  dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), s), dataSources_.end());
}

// ---- search ---------------------------------------------------------------------------

bool TNyDataSet::Locate(const std::string& keyFields, const TNyValue& keyValues,
                        TLocateOptions options) {
  CheckBrowseMode();
  TControlsGuard controls(*this);
  std::vector<TNyField*> keys = GetFieldList(keyFields);
  if (keys.empty()) DatabaseError(FormatMsg(dbmsg::FieldNotFound, keyFields));
  std::vector<std::string> wanted;
  if (keys.size() == 1) {
    wanted.push_back(keyValues.AsText());
  } else {
    if (!keyValues.IsArray()) DatabaseError(dbmsg::InvalidVarCast);
    if (keyValues.Items().size() < keys.size()) DatabaseError(dbmsg::VarArrayBounds);
    for (size_t i = 0; i < keys.size(); ++i) wanted.push_back(keyValues.Items()[i].AsText());
  }
  const bool partial = options.Contains(TLocateOption::loPartialKey);
  const bool fold = options.Contains(TLocateOption::loCaseInsensitive);

  First();
  if (IsEmpty()) return false;
  const int count = RecordCount();
  for (int n = 1; n <= count; ++n) {
    SetRecNo(n);
    bool all = true;
    for (size_t i = 0; i < keys.size() && all; ++i) {
      std::string text = keys[i]->AsString();
      std::string_view have = text;
      if (partial && have.size() >= wanted[i].size()) have = have.substr(0, wanted[i].size());
      all = fold ? AsciiCaseEqual(have, wanted[i]) : have == wanted[i];
    }
    if (all) return true;
  }
  return false;
}

TNyValue TNyDataSet::Lookup(const std::string& keyFields, const TNyValue& keyValues,
                            const std::string& resultFields) {
  std::vector<TNyField*> results = GetFieldList(resultFields);  // a bad name fails at once
  if (!Locate(keyFields, keyValues, {})) return TNyValue(std::string());
  if (results.size() == 1) return results[0]->Value();
  std::vector<TNyValue> values;
  for (TNyField* f : results) values.push_back(f->Value());
  return TNyValue(std::move(values));
}

// ---- blobs ----------------------------------------------------------------------------

std::unique_ptr<TNyMemoryStream> TNyDataSet::CreateBlobStream(TNyField& field,
                                                              TBlobStreamMode mode) {
  CheckActive();
  return DoCreateBlobStream(field, mode);
}

std::unique_ptr<TNyMemoryStream> TNyDataSet::DoCreateBlobStream(TNyField&, TBlobStreamMode) {
  throw EInvalidCast();
}

// ---- peeking --------------------------------------------------------------------------

TNyRecordPeek::TNyRecordPeek(TNyDataSet& ds, int index) : ds_(ds) {
  if (!ds.Active() || ds.peeking_ || !ds.scratchBuffer_) return;
  bool ok = ds.GetRecordAt(index, ds.scratchBuffer_);
  std::swap(ds.activeBuffer_, ds.scratchBuffer_);
  savedState_ = ds.state_;
  savedHasRecord_ = ds.hasRecord_;
  ds.state_ = TDataSetState::dsBrowse;
  ds.hasRecord_ = ok;
  ds.peeking_ = true;
  engaged_ = true;
  found_ = ok;
}

TNyRecordPeek::~TNyRecordPeek() {
  if (!engaged_) return;
  std::swap(ds_.activeBuffer_, ds_.scratchBuffer_);
  ds_.state_ = savedState_;
  ds_.hasRecord_ = savedHasRecord_;
  ds_.peeking_ = false;
}

}  // namespace ny
