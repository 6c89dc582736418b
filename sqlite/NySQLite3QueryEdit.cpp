// Editing the query record sets: the edit snapshot and the generated INSERT, UPDATE and
// DELETE statements that write each post and delete through to the table.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "sqlite/NySQLRout3.h"
#include "sqlite/NySQLite3Query.h"
#include "util/NyApi.h"

namespace ny {
namespace {

template <typename T>
T Load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Finalizes a write statement on every way out that has not finalized it already.
struct TStatementGuard {
  TNySQLite3DB& db;
  sqlite3_stmt* stmt = nullptr;
  ~TStatementGuard() {
    if (stmt) db.sqlite3_finalize(stmt);
  }
};

}  // namespace

std::string TNySQLite3BaseQuery::SlotText(int index, const uint8_t* buffer) const {
  if (!buffer || SlotIsNull(index, buffer)) return "";
  const TNyFieldDef& d = Def(index);
  const uint8_t* slot = buffer + d.Offset;
  const uint8_t* value = slot + 1;  // after the has-value byte
  if (IsTextType(d.DataType))
    return std::string(reinterpret_cast<const char*>(slot),
                       strnlen(reinterpret_cast<const char*>(slot),
                               static_cast<size_t>(d.StorageSize - 1)));
  switch (d.DataType) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
      return std::to_string(Load<int64_t>(value));
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD:
      return FloatToStr(Load<double>(value));
    case TFieldType::ftBoolean:
      return Load<int16_t>(value) ? "True" : "False";
    case TFieldType::ftDate:
      return FormatDateTimeMs(FormatSettings.ShortDateFormat,
                              Load<int32_t>(value) * static_cast<double>(kMSecsPerDay));
    case TFieldType::ftTime:
      return FormatDateTimeMs(FormatSettings.LongTimeFormat, kNullDateTime + Load<int32_t>(value));
    case TFieldType::ftDateTime: {
      const double ms = Load<double>(value);
      if (std::fmod(ms, static_cast<double>(kMSecsPerDay)) == 0)
        return FormatDateTimeMs(FormatSettings.ShortDateFormat, ms);
      return FormatDateTimeMs(FormatSettings.ShortDateFormat + " " + FormatSettings.LongTimeFormat,
                              ms);
    }
    default:
      if (IsBlobType(d.DataType)) {
        const TNyMemoryStream* s = Load<TNyMemoryStream*>(slot);
        return s ? std::string(s->Bytes()) : std::string();
      }
      return "";
  }
}

std::string TNySQLite3BaseQuery::CurrentFieldText(const std::string& name) {
  const int index = FieldByName(name).Index();
  const uint8_t* row = nullptr;
  if (State() == TDataSetState::dsEdit || State() == TDataSetState::dsInsert)
    row = ActiveBuffer();
  else
    row = DecodedRow(currentIndex_);
  return SlotText(index, row);
}

// ---- editing ---------------------------------------------------------------------------

void TNySQLite3BaseQuery::InternalEdit() {
  const uint8_t* active = ActiveBuffer();
  editSnapshot_.assign(static_cast<size_t>(bookmarkOffset_) + 5, 0);
  if (active) std::memcpy(editSnapshot_.data(), active, editSnapshot_.size());
  std::fill(assigned_.begin(), assigned_.end(), 0);
}

void TNySQLite3BaseQuery::InternalInsert() {
  if (readOnly_) throw SLError("Cannot write to a read-only dataset");
}

void TNySQLite3BaseQuery::InternalPost() {
  if (readOnly_) throw SLError("Cannot post into a read-only dataset");
  if (!connection_ || !connection_->Connected()) return;
  if (autoCommit_) connection_->BeginTransaction(transactionType_);
  uint8_t* buffer = ActiveBuffer();
  // A unidirectional set keeps no rows: its edits are updates all the same (an insert would
  // copy the row), and what it posts stays its current record.
  if (State() == TDataSetState::dsEdit && (uniDirectional_ || store_->RowCount() > 0))
    PostUpdate(buffer);
  else
    PostInsert(buffer);
}

void TNySQLite3BaseQuery::RunWrite(const std::string& text,
                                   const std::function<void(sqlite3_stmt*)>& bind) {
  TNySQLite3DB& db = *connection_;
  TStatementGuard guard{db};
  const char* pos = text.c_str();
  if (db.PrepareStatement(&pos, &guard.stmt) != SQLITE_OK) db.RaiseLastError();
  bind(guard.stmt);
  db.StepStatement(guard.stmt);
  sqlite3_stmt* stmt = guard.stmt;
  guard.stmt = nullptr;
  if (db.sqlite3_finalize(stmt) != SQLITE_OK) db.RaiseLastError();
}

void TNySQLite3BaseQuery::CheckRowsChanged() {
  if (connection_->sqlite3_changes(connection_->DBHandle()) == 0)
    DatabaseError("Record not found or changed by another user");
}

void TNySQLite3BaseQuery::BindField(sqlite3_stmt* stmt, int n, int index, const uint8_t* buffer,
                                    bool nullWhenEmpty) {
  TNySQLite3DB& db = *connection_;
  const TNyFieldDef& d = Def(index);
  const uint8_t* slot = buffer + d.Offset;
  if (SlotIsNull(index, buffer) && (nullWhenEmpty || !IsTextType(d.DataType))) {
    db.sqlite3_bind_null(stmt, n);
  } else if (IsIntegerType(d.DataType)) {
    db.sqlite3_bind_int64(stmt, n, Load<int64_t>(slot + 1));
  } else if (IsFloatType(d.DataType)) {
    db.sqlite3_bind_double(stmt, n, Load<double>(slot + 1));
  } else if (d.DataType == TFieldType::ftBlob || d.DataType == TFieldType::ftGraphic) {
    // The bytes as they are: the stream lives in the store until the statement is done.
    const std::string_view bytes = Load<TNyMemoryStream*>(slot)->Bytes();
    db.sqlite3_bind_blob(stmt, n, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
  } else {
    const std::string value = SlotText(index, buffer);
    db.sqlite3_bind_text(stmt, n, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
  }
}

void TNySQLite3BaseQuery::BindWhereParams(sqlite3_stmt* stmt, int first, const uint8_t* buffer) {
  const std::string names = ScanParamNames(sqlWhere_, false);
  const int count = ParamNameCount(names);
  for (int k = 0; k < count; ++k)
    BindField(stmt, first + k, FieldByName(ParamNameAt(names, k)).Index(), buffer, false);
}

void TNySQLite3BaseQuery::PostUpdate(uint8_t* buffer) {
  const int fields = FieldCount();
  const uint8_t* before = editSnapshot_.size() == static_cast<size_t>(bookmarkOffset_) + 5
                              ? editSnapshot_.data()
                              : DecodedRow(currentIndex_);
  std::vector<int> changed;
  std::string setList;
  for (int i = 0; i < fields; ++i) {
    if (IsBlobType(Def(i).DataType)) {
      // A blob has changed when it was written through a blob stream during the edit.
      if (!assigned_[static_cast<size_t>(i)]) continue;
    } else if (SlotText(i, before) == SlotText(i, buffer)) {
      continue;
    }
    changed.push_back(i);
    setList += "," + ColumnSQLName(i) + "=:v" + std::to_string(i);
  }
  if (changed.empty()) return;
  // Resolve the key fields before anything runs: an unknown name fails with nothing done.
  const std::string names = ScanParamNames(sqlWhere_, false);
  for (int k = 0; k < ParamNameCount(names); ++k) FieldByName(ParamNameAt(names, k));

  std::string text = "UPDATE " + SQLName(sqlTable_) + " SET " + setList.substr(1) + " WHERE " +
                     sqlWhere_;
  std::replace(text.begin(), text.end(), '\x02', '?');
  RunWrite(text, [&](sqlite3_stmt* stmt) {
    int n = 1;
    for (int i : changed) BindField(stmt, n++, i, buffer, true);
    BindWhereParams(stmt, n, buffer);
  });
  CheckRowsChanged();
  if (uniDirectional_)
    uniRow_.assign(buffer, buffer + bookmarkOffset_);
  else if (store_->RowAt(currentIndex_))
    StoreRow(currentIndex_, buffer, false);
}

std::string TNySQLite3BaseQuery::ColumnSQLName(int index) const {
  const TNyField& f = Field(index);
  // The column as the engine spells it, unless the application gave the field a label of its
  // own.
  if (!f.DisplayLabel().empty() || Def(index).ColumnName.empty()) return SQLName(f.DisplayName());
  return SQLName(Def(index).ColumnName);
}

void TNySQLite3BaseQuery::PostInsert(uint8_t* buffer) {
  const int fields = FieldCount();
  std::vector<int> valued;
  std::string columns, values;
  for (int i = 0; i < fields; ++i) {
    if (!GetFieldData(Field(i), nullptr)) continue;
    valued.push_back(i);
    columns += "," + ColumnSQLName(i);
    values += ",:v" + std::to_string(i);
  }
  const std::string text = "INSERT INTO " + SQLName(sqlTable_) + " (" +
                           (columns.empty() ? columns : columns.substr(1)) + ") VALUES (" +
                           (values.empty() ? values : values.substr(1)) + ")";
  RunWrite(text, [&](sqlite3_stmt* stmt) {
    int n = 1;
    for (int i : valued) BindField(stmt, n++, i, buffer, false);
  });
  const int64_t rowId = connection_->sqlite3_last_insert_rowid(connection_->DBHandle());
  try {
    ReReadRow(buffer, rowId);
  } catch (const std::exception&) {
    // The row is in the table: it shows the posted values rather than fail a done insert.
  }
  if (FindField("ROWID")) SetRowIdField(buffer, rowId);
  if (uniDirectional_) {
    uniRow_.assign(buffer, buffer + bookmarkOffset_);
    SetBookmarkData(buffer, -1);
    SetBookmarkFlag(buffer, TBookmarkFlag::bfCurrent);
    return;
  }
  const bool append = currentIndex_ < 0 || currentIndex_ >= store_->RowCount() ||
                      GetBookmarkFlag(buffer) == TBookmarkFlag::bfEOF;
  const int at = append ? store_->RowCount() : currentIndex_;
  StoreRow(at, buffer, true);
  currentIndex_ = at;
  SetBookmarkData(buffer, store_->RowIdAt(at));
  SetBookmarkFlag(buffer, TBookmarkFlag::bfCurrent);
}

void TNySQLite3BaseQuery::ReReadRow(uint8_t* buffer, int64_t rowId) {
  TNySQLite3DB& db = *connection_;
  if (sqlTable_.empty() || FieldCount() == 0) return;
  // Only when every field is a column of the table (or its row id): the fields of a join or
  // of an expression cannot be read back from it.
  std::vector<std::string> columns;
  {
    const std::string sql = "PRAGMA table_info(" + QuoteSQL(sqlTable_, '"') + ")";
    const char* pos = sql.c_str();
    TStatementGuard info{db};
    if (db.sqlite3_prepare(db.DBHandle(), pos, -1, &info.stmt, nullptr) != SQLITE_OK || !info.stmt)
      return;
    while (db.sqlite3_step(info.stmt) == SQLITE_ROW) {
      const auto* name = reinterpret_cast<const char*>(db.sqlite3_column_text(info.stmt, 1));
      if (name) columns.push_back(AnsiUpper(name));
    }
  }
  std::string select;
  for (int i = 0; i < FieldCount(); ++i) {
    const std::string name = AnsiUpper(Def(i).ColumnName);
    const bool isRowId = name == "ROWID" || name == "OID" || name == "_ROWID_";
    if (!isRowId && std::find(columns.begin(), columns.end(), name) == columns.end()) return;
    select += std::string(i ? "," : "") + (isRowId ? std::string("rowid") : SQLName(Def(i).ColumnName));
  }
  const std::string sql =
      "SELECT " + select + " FROM " + SQLName(sqlTable_) + " WHERE rowid=?";
  const char* pos = sql.c_str();
  TStatementGuard guard{db};
  if (db.sqlite3_prepare(db.DBHandle(), pos, -1, &guard.stmt, nullptr) != SQLITE_OK ||
      !guard.stmt)
    return;
  db.sqlite3_bind_int64(guard.stmt, 1, rowId);
  if (db.StepStatement(guard.stmt) != SQLITE_ROW) return;
  const std::vector<TNyFieldDef>& defs = TNyDataSet::FieldDefs();
  codec_.Begin(encoded_);
  TNyColumnValue v;
  for (size_t i = 0; i < defs.size(); ++i) {
    db.ReadColumn(guard.stmt, static_cast<int>(i), defs[i], sqliteDateFormat_, v);
    TNyMemoryStream* stream = nullptr;
    if (IsBlobType(defs[i].DataType) && v.HasValue) stream = store_->NewBlob(v.Bytes);
    codec_.Append(encoded_, i, v, stream);
  }
  codec_.Decode(encoded_.data(), buffer);
}

void TNySQLite3BaseQuery::SetRowIdField(uint8_t* buffer, int64_t rowId) {
  const int index = FindField("ROWID")->Index();
  const TNyFieldDef& d = Def(index);
  uint8_t* slot = buffer + d.Offset;
  if (IsTextType(d.DataType)) {
    const std::string text = std::to_string(rowId);
    const size_t len = std::min(text.size(), static_cast<size_t>(d.Size));
    std::memcpy(slot, text.data(), len);
    slot[len] = 0;
  } else if (IsIntegerType(d.DataType)) {
    slot[0] = 1;
    std::memcpy(slot + 1, &rowId, sizeof rowId);
  } else if (IsFloatType(d.DataType)) {
    const double v = static_cast<double>(rowId);
    slot[0] = 1;
    std::memcpy(slot + 1, &v, sizeof v);
  }
  assigned_[static_cast<size_t>(index)] = 1;
}

void TNySQLite3BaseQuery::InternalDelete() {
  if (readOnly_) throw SLError("Cannot delete from a read-only dataset");
  if (!connection_ || !connection_->Connected()) return;
  if (autoCommit_) connection_->BeginTransaction(transactionType_);
  const uint8_t* buffer = ActiveBuffer();
  const std::string names = ScanParamNames(sqlWhere_, false);
  for (int k = 0; k < ParamNameCount(names); ++k) FieldByName(ParamNameAt(names, k));
  RunWrite("DELETE FROM " + SQLName(sqlTable_) + " WHERE " + sqlWhere_,
           [&](sqlite3_stmt* stmt) { BindWhereParams(stmt, 1, buffer); });
  CheckRowsChanged();
  // Unidirectional: the deleted record is no longer current; the next fetch shows the next.
  uniRow_.clear();
  store_->DeleteRow(currentIndex_);
  if (currentIndex_ >= store_->RowCount()) --currentIndex_;
}

}  // namespace ny
