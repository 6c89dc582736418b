// Opening and closing the query record sets, the row store, and reading and writing the
// field slots of a record.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "sqlite/NySQLRout3.h"
#include "sqlite/NySQLite3BlobStream.h"
#include "sqlite/NySQLite3Query.h"
#include "sqlite/NySQLite3QueryText.h"
#include "util/NyApi.h"

namespace ny {
namespace {

// Where the row id and the bookmark flag sit in a record.
constexpr int kBookmarkSize = 4;

template <typename T>
T Load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
void Store(uint8_t* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

}  // namespace

TNySQLite3BaseQuery::TNySQLite3BaseQuery() : fetchBuffer_(30000) {}

TNySQLite3BaseQuery::~TNySQLite3BaseQuery() {
  try {
    DestroyClose();
  } catch (...) {
    // A failing finalization cannot be reported from here.
  }
  for (TNySQLite3BaseQuery* d : details_) d->masterQuery_ = nullptr;
  if (masterQuery_) masterQuery_->UnregisterDetail(this);
  if (connection_) connection_->UnregisterQuery(this);
}

void TNySQLite3BaseQuery::SetConnection(TNySQLite3DB* connection) {
  if (connection == connection_) return;
  Close();
  if (connection_) connection_->UnregisterQuery(this);
  connection_ = connection;
  if (connection_) connection_->RegisterQuery(this);
}

void TNySQLite3BaseQuery::SetUniDirectional(bool v) {
  if (v != uniDirectional_) CheckInactive();
  uniDirectional_ = v;
}

void TNySQLite3BaseQuery::ConnectionDisconnecting(TNySQLite3DB&) {
  Close();
}

void TNySQLite3BaseQuery::ConnectionDestroyed(TNySQLite3DB&) {
  Close();
  connection_ = nullptr;
}

void TNySQLite3BaseQuery::SetFilterText(const std::string& v) {
  Close();
  TNyDataSet::SetFilterText(v);
}

// ---- parameters -------------------------------------------------------------------------

void TNySQLite3BaseQuery::SetParamText(const std::string& name, const std::string& value) {
  bool found = false;
  const std::string wanted = AnsiUpper(name);
  for (TNyParam& p : params_) {
    if (AnsiUpper(p.Name) != wanted) continue;
    p.Value = value;
    p.Bound = true;
    found = true;
  }
  if (!found) DatabaseError(FormatMsg("Parameter '%s' not found", name), Name());
}

std::string TNySQLite3BaseQuery::SubstituteParams(std::string_view text) const {
  std::string dateFormat = "yyyy-mm-dd hh:nn:ss.zzz";
  if (!sqliteDateFormat_)
    dateFormat = tableDateFormat_.empty() ? FormatSettings.ShortDateFormat : tableDateFormat_;
  std::vector<nyq::TSubstValue> values;
  values.reserve(params_.size());
  for (const TNyParam& p : params_) {
    nyq::TSubstValue v;
    v.bound = p.Bound;
    if (p.DataType == TFieldType::ftBlob || p.DataType == TFieldType::ftGraphic) {
      v.kind = nyq::TSubstValue::Blob;
    } else if (p.DataType == TFieldType::ftDateTime) {
      v.kind = nyq::TSubstValue::DateTime;
      v.text = FormatDateTimeMs(dateFormat, p.DateTime);
    } else {
      v.text = p.Value;
    }
    values.push_back(std::move(v));
  }
  return nyq::SubstituteValues(text, values);
}

std::vector<std::string_view> TNySQLite3BaseQuery::BlobParamValues() const {
  std::vector<std::string_view> out;
  for (const TNyParam& p : params_)
    if (p.DataType == TFieldType::ftBlob || p.DataType == TFieldType::ftGraphic)
      out.push_back(p.Value);
  return out;
}

// ---- open and close ---------------------------------------------------------------------

std::string TNySQLite3BaseQuery::BuildRunText() {
  const std::string text = EffectiveText();
  if (TrimCtl(text).empty()) throw SLError("no query specified");
  if (maxResults_ == 0 && startResult_ != 0) maxResults_ = -1;
  std::string run = nyq::FilteredText(text, Filtered(), Filter());
  if (!params_.empty()) run = SubstituteParams(run);
  return nyq::PagedText(run, maxResults_, startResult_);
}

void TNySQLite3BaseQuery::InternalOpen() {
  const std::string text = BuildRunText();
  declaredRowSize_ = 0;
  if (!connection_) throw SLError("no database connection");
  if (!connection_->Connected()) connection_->SetConnected(true);
  if (masterSource_ && connection_->LibraryLoaded()) CheckMaster();
  runText_ = text;
  uniRow_.clear();
  currentIndex_ = -1;
  notifiedRowId_ = -2;
  if (uniDirectional_) {
    stmt_ = connection_->OpenStatement(text, *this);
  } else if (connection_->Connected()) {
    connection_->LoadAllRows(text, *this);
  }
  // A statement without columns hands over no definitions: the rows of the old layout go.
  if (!store_) {
    codec_.SetDefs(TNyDataSet::FieldDefs());
    bookmarkOffset_ = static_cast<int>(FetchRowSize(TNyDataSet::FieldDefs()));
    store_ = std::make_unique<TNyFResult>(RecordSize());
  }
  currentIndex_ = -1;
}

void TNySQLite3BaseQuery::SetFieldDefs(std::vector<TNyFieldDef> defs, int declaredRowSize) {
  MutableFieldDefs() = std::move(defs);
  declaredRowSize_ = declaredRowSize;
  store_ = std::make_unique<TNyFResult>(RecordSize());
  blobFields_.clear();
  const std::vector<TNyFieldDef>& d = TNyDataSet::FieldDefs();
  for (int i = 0; i < static_cast<int>(d.size()); ++i)
    if (IsBlobType(d[i].DataType)) blobFields_.push_back(i);
  assigned_.assign(d.size(), 0);
  codec_.SetDefs(d);
  bookmarkOffset_ = static_cast<int>(FetchRowSize(d));
}

void TNySQLite3BaseQuery::AddFetchedRow(const uint8_t* row) {
  for (int i : blobFields_) store_->AdoptBlob(Load<TNyMemoryStream*>(row + Def(i).Offset));
  codec_.Encode(row, encoded_);
  store_->AddRow(encoded_.data(), encoded_.size());
}

void TNySQLite3BaseQuery::TakeStatementRow(sqlite3_stmt* stmt) {
  const std::vector<TNyFieldDef>& defs = TNyDataSet::FieldDefs();
  const size_t n =
      std::min(static_cast<size_t>(connection_->sqlite3_column_count(stmt)), defs.size());
  // The row is encoded as its columns are read, in one pass, then copied into the store.
  const size_t bitmap = codec_.BitmapBytes();
  if (encoded_.size() < bitmap + 64) encoded_.resize(bitmap + 64);
  std::memset(encoded_.data(), 0, bitmap);
  size_t used = bitmap;
  TNyColumnValue v;
  for (size_t i = 0; i < n; ++i) {
    const TNyFieldDef& d = defs[i];
    connection_->ReadColumn(stmt, static_cast<int>(i), d, sqliteDateFormat_, v);
    const size_t bound = codec_.AppendBound(i, v);
    if (encoded_.size() - used < bound) encoded_.resize(std::max(2 * encoded_.size(), used + bound));
    // A NULL blob has no stream; any other gets one, owned by the store from the start.
    TNyMemoryStream* stream =
        IsBlobType(d.DataType) && v.HasValue ? store_->NewBlob(v.Bytes) : nullptr;
    used = static_cast<size_t>(
        codec_.AppendAt(encoded_.data(), encoded_.data() + used, i, v, stream) - encoded_.data());
  }
  store_->AddRow(encoded_.data(), used);
}

void TNySQLite3BaseQuery::StoreRow(int index, const uint8_t* buffer, bool insert) {
  codec_.Encode(buffer, encoded_);
  if (insert)
    store_->InsertRow(index, encoded_.data(), encoded_.size());
  else
    store_->ReplaceRow(index, encoded_.data(), encoded_.size());
}

const uint8_t* TNySQLite3BaseQuery::DecodedRow(int index) {
  const uint8_t* row = store_ ? store_->RowAt(index) : nullptr;
  if (!row) return nullptr;
  decoded_.resize(static_cast<size_t>(bookmarkOffset_) + 5);
  codec_.Decode(row, decoded_.data());
  return decoded_.data();
}

void TNySQLite3BaseQuery::InternalClose() {
  if (stmt_) {
    sqlite3_stmt* stmt = stmt_;
    stmt_ = nullptr;
    if (connection_ && connection_->LibraryLoaded()) connection_->FinalizeStatement(stmt);
  }
  store_.reset();
  uniRow_.clear();
  currentIndex_ = -1;
  runText_.clear();
}

// ---- record buffers and field slots ------------------------------------------------------

uint8_t* TNySQLite3BaseQuery::AllocRecordBuffer() {
  const size_t n = static_cast<size_t>(bookmarkOffset_) + 5 + 10;
  auto* buffer = new uint8_t[n];
  std::memset(buffer, 0, n);
  return buffer;
}

void TNySQLite3BaseQuery::FreeRecordBuffer(uint8_t* buffer) {
  delete[] buffer;
}

int32_t TNySQLite3BaseQuery::GetBookmarkData(const uint8_t* buffer) const {
  return Load<int32_t>(buffer + bookmarkOffset_);
}

void TNySQLite3BaseQuery::SetBookmarkData(uint8_t* buffer, int32_t bookmark) {
  Store(buffer + bookmarkOffset_, bookmark);
}

TBookmarkFlag TNySQLite3BaseQuery::GetBookmarkFlag(const uint8_t* buffer) const {
  return static_cast<TBookmarkFlag>(buffer[bookmarkOffset_ + kBookmarkSize]);
}

void TNySQLite3BaseQuery::SetBookmarkFlag(uint8_t* buffer, TBookmarkFlag flag) {
  buffer[bookmarkOffset_ + kBookmarkSize] = static_cast<uint8_t>(flag);
}

uint8_t* TNySQLite3BaseQuery::CurrentStateBuffer() {
  switch (State()) {
    case TDataSetState::dsBrowse:
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert:
    case TDataSetState::dsFilter:
    case TDataSetState::dsNewValue:
      return ActiveBuffer();
    case TDataSetState::dsOldValue:
      return editSnapshot_.empty() ? ActiveBuffer() : editSnapshot_.data();
    default:
      return nullptr;
  }
}

bool TNySQLite3BaseQuery::SlotIsNull(int index, const uint8_t* buffer) const {
  const TNyFieldDef& d = Def(index);
  const uint8_t* slot = buffer + d.Offset;
  if (IsTextType(d.DataType)) return slot[0] == 0;
  if (IsBlobType(d.DataType)) {
    const TNyMemoryStream* s = Load<TNyMemoryStream*>(slot);
    return s == nullptr || s->Size() == 0;
  }
  return slot[0] == 0;  // the has-value byte
}

bool TNySQLite3BaseQuery::GetFieldData(const TNyField& field, void* dest) {
  const uint8_t* buffer = CurrentStateBuffer();
  const int index = field.Index();
  if (!buffer || index < 0 || index >= static_cast<int>(TNyDataSet::FieldDefs().size()))
    return false;
  if (!dest) {
    // A field has a value when its slot holds one. The untouched fields of a new record
    // (ROWID included) have none, so the insert leaves them out and the engine fills them.
    if (State() == TDataSetState::dsInsert && !assigned_[static_cast<size_t>(index)]) return false;
    return !SlotIsNull(index, buffer);
  }
  const TNyFieldDef& d = Def(index);
  const uint8_t* slot = buffer + d.Offset;
  if (IsTextType(d.DataType)) {
    const size_t len =
        strnlen(reinterpret_cast<const char*>(slot), static_cast<size_t>(d.StorageSize - 1));
    std::memcpy(dest, slot, len);
    static_cast<uint8_t*>(dest)[len] = 0;
    return true;
  }
  if (IsBlobType(d.DataType)) {
    std::memcpy(dest, slot, sizeof(TNyMemoryStream*));
    return true;
  }
  if (slot[0] == 0) return false;
  std::memcpy(dest, slot + 1, static_cast<size_t>(d.StorageSize - 1));
  return true;
}

void TNySQLite3BaseQuery::SetFieldData(const TNyField& field, const void* src) {
  uint8_t* buffer = ActiveBuffer();
  const int index = field.Index();
  if (!buffer || index < 0 || index >= static_cast<int>(TNyDataSet::FieldDefs().size())) return;
  const TNyFieldDef& d = Def(index);
  uint8_t* slot = buffer + d.Offset;
  assigned_[static_cast<size_t>(index)] = 1;
  if (IsBlobType(d.DataType)) {
    // Contents go through the blob stream; NULL empties a memo (a new empty stream, so that
    // the row's own stream keeps its bytes until the post).
    if (!src && (d.DataType == TFieldType::ftMemo || d.DataType == TFieldType::ftFmtMemo))
      Store(slot, static_cast<TNyMemoryStream*>(nullptr));
    return;
  }
  if (IsTextType(d.DataType)) {
    const char* s = src ? static_cast<const char*>(src) : "";
    const size_t limit = static_cast<size_t>(d.StorageSize - 1);
    const std::string_view text(s, strnlen(s, limit + 1));
    const size_t len = Utf8CutLength(
        std::string_view(text.data(), Utf8CharsLength(text, static_cast<size_t>(d.Size))), limit);
    std::memcpy(slot, s, len);
    slot[len] = 0;
    return;
  }
  slot[0] = src ? 1 : 0;
  if (src) std::memcpy(slot + 1, src, static_cast<size_t>(d.StorageSize - 1));
}

std::unique_ptr<TNyMemoryStream> TNySQLite3BaseQuery::DoCreateBlobStream(TNyField& field,
                                                                         TBlobStreamMode mode) {
  TNyBlobTarget target;
  target.DataType = field.DataType();
  target.Offset = field.Index() < static_cast<int>(TNyDataSet::FieldDefs().size())
                      ? Def(field.Index()).Offset
                      : 0;
  target.CurrentBuffer = [this] { return CurrentStateBuffer(); };
  // A written value goes into a new stream of its own: the row keeps its bytes until a post
  // succeeds, so a cancel or a failed post shows them again.
  // (Outside an edit there is nothing to cancel: the row's own stream takes the bytes.)
  target.NewStream = [this]() -> TNyMemoryStream* {
    const bool editing = State() == TDataSetState::dsEdit || State() == TDataSetState::dsInsert;
    return editing && store_ ? store_->NewBlob() : nullptr;
  };
  // A write through the stream assigns the field: a new record's blob then has a value for
  // the insert, and an edited one is written by the update.
  const int index = field.Index();
  target.Modified = [this, index] {
    SetModified(true);
    if (index >= 0 && static_cast<size_t>(index) < assigned_.size())
      assigned_[static_cast<size_t>(index)] = 1;
  };
  return std::make_unique<TNyQLite3BlobStream>(std::move(target), mode);
}

void TNySQLite3BaseQuery::InternalInitRecord(uint8_t* buffer) {
  // A new record starts with every field NULL: what it shows is what the insert writes (the
  // engine fills the rest, and the row is read back after the insert).
  std::memset(buffer, 0, static_cast<size_t>(bookmarkOffset_) + 5);
  std::fill(assigned_.begin(), assigned_.end(), 0);
}

// ---- record count and number -------------------------------------------------------------

int TNySQLite3BaseQuery::GetRecordCount() {
  return store_ ? store_->RowCount() : 0;
}

int TNySQLite3BaseQuery::GetRecNo() {
  UpdateCursorPos();
  NotifyDetailSets();
  if (currentIndex_ == -1 && GetRecordCount() > 0) return 1;
  return currentIndex_ + 1;
}

bool TNySQLite3BaseQuery::InternalSetRecNo(int recNo) {
  if (recNo < 0 || recNo >= GetRecordCount() + 2) return false;
  currentIndex_ = recNo - 1;
  return true;
}

// ---- the statement text of a query --------------------------------------------------------

void TNySQLite3Query::SetSQL(std::vector<std::string> lines) {
  Close();
  sql_ = std::move(lines);
  Reparse();
}

std::string TNySQLite3Query::SQLText() const {
  std::string text;
  for (size_t i = 0; i < sql_.size(); ++i) {
    if (i) text += '\n';
    text += sql_[i];
  }
  return text;
}

void TNySQLite3Query::SetSQLText(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (true) {
    const size_t lf = text.find('\n', start);
    std::string line = text.substr(start, lf == std::string::npos ? std::string::npos : lf - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    if (lf == std::string::npos) break;
    start = lf + 1;
  }
  if (text.empty()) lines.clear();
  SetSQL(std::move(lines));
}

void TNySQLite3Query::SetRawSQL(bool v) {
  if (v == rawSQL_) return;
  Close();
  rawSQL_ = v;
  Reparse();
}

void TNySQLite3Query::Reparse() {
  const std::string text = SQLText();
  if (rawSQL_) {
    effectiveText_ = text;
    return;
  }
  ClearParams();
  std::vector<std::string> names;
  effectiveText_ = nyq::ParseParams(text, names);
  for (std::string& n : names) {
    TNyParam p;
    p.Name = std::move(n);
    Params().push_back(std::move(p));
  }
}

std::string TNySQLite3Query::BuildRunText() {
  if (TrimCtl(SQLText()).empty()) throw SLError("no query specified");
  return TNySQLite3BaseQuery::BuildRunText();
}

}  // namespace ny
