// TNySQLite3BaseQuery and TNySQLite3Query: record sets over one SELECT statement run on a
// TNySQLite3DB connection.
//
// Opening runs the statement, builds one field per result column (from the declared column
// types) and loads every row into the row store (TNyFResult), read straight from the engine's
// column values and kept encoded (sqlite/NyRowCodec.h); in unidirectional mode the statement
// stays open and rows are fetched one by one as the cursor moves forward. Edits are written
// back at once with generated INSERT, UPDATE and DELETE statements on SQLTable, keyed by
// SQLWhere, whose :NAME parameters are filled from the current row's fields of the same names.
// Table and column names go into those statements as SQLName gives them (sqlite/NySQLRout3.h:
// plain capital names as they stand, any other name in double quotes), the columns spelled as
// the engine reports them. An UPDATE or DELETE that changes no row raises EDatabaseError
// "Record not found or changed by another user" (the edit and the row stay as they were).
// After an insert the new row is read back by its row id when the record set selects from
// SQLTable (so it shows the column defaults); an edit keeps the posted values.
//
// Record buffers. A record buffer holds field i's slot at the field's offset, in the field
// type's native form (sqlite/NySQLiteTypes.h: texts up to their size in characters, a
// has-value byte before every other non-blob value), followed by the 4-byte row id (the
// bookmark) and a 1-byte bookmark flag. Buffers are made from the encoded rows only when
// handed out (the framework's buffers, the edit snapshot).
//
// Errors: SLError for usage errors ("no database connection", "no query specified", the
// read-only refusals, the master/detail checks), EDatabaseError for engine and record-set
// errors ("??? SQLite ERR-...", "No Records", "Bookmark not found").
#pragma once

#include <sqlite3.h>  // types only

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sqlite/NyDataSet.h"
#include "sqlite/NyFResult.h"
#include "sqlite/NyRowCodec.h"
#include "sqlite/NySQLite3DB.h"

namespace ny {

class TNyDataSource;

// One parameter of a query's statement text.
struct TNyParam {
  std::string Name;
  TFieldType DataType = TFieldType::ftUnknown;
  // The text value; the bytes for a blob or graphic parameter.
  std::string Value;
  // Native date-time (day number * 86400000 + milliseconds) of an ftDateTime parameter.
  double DateTime = 0;
  // Set by an assignment; an assigned empty text is written as NULL.
  bool Bound = false;
};

class TNySQLite3BaseQuery : public TNyDataSet, public TNyQueryLink {
 public:
  TNySQLite3BaseQuery();
  ~TNySQLite3BaseQuery() override;

  // ---- properties ---------------------------------------------------------------------
  bool AutoCommit() const { return autoCommit_; }
  void SetAutoCommit(bool v) { autoCommit_ = v; }
  const std::string& TransactionType() const { return transactionType_; }
  void SetTransactionType(std::string v) { transactionType_ = std::move(v); }
  bool SQLiteDateFormat() const override { return sqliteDateFormat_; }
  void SetSQLiteDateFormat(bool v) { sqliteDateFormat_ = v; }
  const std::string& TableDateFormat() const { return tableDateFormat_; }
  void SetTableDateFormat(std::string v) { tableDateFormat_ = std::move(v); }
  // The connection used. Setting it registers the record set with the connection, so that a
  // disconnect closes it and the connection's end makes it close and forget the connection.
  TNySQLite3DB* Connection() const { return connection_; }
  void SetConnection(TNySQLite3DB* connection);
  // Row limit and offset appended at open; 0 means none. An offset without a limit makes the
  // limit -1 at the next open (the property keeps that value).
  int32_t MaxResults() const { return maxResults_; }
  void SetMaxResults(int32_t v) { maxResults_ = v; }
  int32_t StartResult() const { return startResult_; }
  void SetStartResult(int32_t v) { startResult_ = v; }
  bool TypeLess() const override { return typeLess_; }
  void SetTypeLess(bool v) { typeLess_ = v; }
  bool SQLCursor() const { return sqlCursor_; }
  void SetSQLCursor(bool v) { sqlCursor_ = v; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v) { readOnly_ = v; }
  // Unidirectional: the statement stays open and each move forward fetches the next row;
  // moving back raises SLError "operation PRIOR not allowed on unidirectional dataset" and the
  // record count is 0. No rows are kept: a posted edit runs the UPDATE and a posted insert the
  // INSERT, and the posted record stays current; a delete runs the DELETE and the next row
  // becomes current.
  bool UniDirectional() const { return uniDirectional_; }
  // The mode decides how the open set holds its rows (a statement, or the row store), so it
  // changes only while the set is closed: a change while open throws EDatabaseError
  // "<Name>: Cannot perform this operation on an open dataset" and keeps the mode. Setting the
  // value it has already does nothing.
  void SetUniDirectional(bool v);
  const std::string& SQLWhere() const { return sqlWhere_; }
  void SetSQLWhere(std::string v) { sqlWhere_ = std::move(v); }
  const std::string& SQLTable() const { return sqlTable_; }
  void SetSQLTable(std::string v) { sqlTable_ = std::move(v); }
  // Pairs "detail=master" separated by ';' (see MasterChanged).
  const std::string& MasterFields() const { return masterFields_; }
  void SetMasterFields(std::string v) { masterFields_ = std::move(v); }
  TNyDataSource* MasterSource() const { return masterSource_; }
  // Throws EDatabaseError "<Name>: circular references are not allowed" when the source's
  // record set already follows this one.
  void SetMasterSource(TNyDataSource* source);
  TNyDataSource* GetDataSource() const override { return masterSource_; }

  // ---- parameters ---------------------------------------------------------------------
  // In order of appearance in the statement text (a name used twice is listed twice).
  std::vector<TNyParam>& Params() { return params_; }
  // Assigns the text value of every parameter of that name (letters compared without regard
  // to case); throws EDatabaseError "Parameter '<name>' not found" when there is none.
  void SetParamText(const std::string& name, const std::string& value);
  // The parameter values put into `text`, whose "?" marks stand for the parameters in list
  // order (see nyq::SubstituteValues); date-time values are written in
  // "yyyy-mm-dd hh:nn:ss.zzz" with SQLiteDateFormat, else in TableDateFormat, else in the
  // program's short date format.
  std::string SubstituteParams(std::string_view text) const;

  // ---- state --------------------------------------------------------------------------
  // 0-based index of the current row; -1 before the first, RowCount() after the last.
  int CurrentIndex() const { return currentIndex_; }
  int DeclaredRowSize() const override { return declaredRowSize_; }
  // Declared row size + 5 (row id and bookmark flag): the size of the fixed record layout of
  // the columns, which the row store's encoded rows are measured against.
  int RecordSize() const { return declaredRowSize_ + 5; }
  // The row store; null while closed.
  TNyFResult* Rows() const { return store_.get(); }
  // The text run at the last open ("" while closed).
  const std::string& RunText() const { return runText_; }
  // The record buffer of the current state: browse: the active buffer (null when the set is
  // empty); edit, insert, filter, new value: the active buffer; old value: the edit snapshot
  // (else the active buffer); other states: null. Blob streams load from and save to it.
  uint8_t* CurrentStateBuffer();
  // Text form of field `index` (0-based) in `buffer`, as the field's AsString gives it; ""
  // for NULL.
  std::string SlotText(int index, const uint8_t* buffer) const;

  // ---- master / detail ----------------------------------------------------------------
  // Called by the master for every move of its cursor. Does nothing here; TNySQLite3Query
  // rebuilds its filter from the master's current row and reopens.
  virtual void MasterChanged() {}
  // MasterChanged of every registered detail, in registration order.
  void NotifyDetailSets();
  // Text form of the field named `name` in the record under the cursor (the edited record
  // while editing). Throws "Field '<name>' not found".
  std::string CurrentFieldText(const std::string& name);

  // ---- what the connection asks (TNyQueryLink) ------------------------------------------
  std::vector<std::string_view> BlobParamValues() const override;
  void SetFieldDefs(std::vector<TNyFieldDef> defs, int declaredRowSize) override;
  const std::vector<TNyFieldDef>& FieldDefs() const override { return TNyDataSet::FieldDefs(); }
  std::vector<uint8_t>& FetchBuffer() override { return fetchBuffer_; }
  void AddFetchedRow(const uint8_t* row) override;
  bool TakesStatementRows() const override { return true; }
  void TakeStatementRow(sqlite3_stmt* stmt) override;
  void ConnectionDisconnecting(TNySQLite3DB& connection) override;
  void ConnectionDestroyed(TNySQLite3DB& connection) override;

 protected:
  // The text to run at open, with parameters, filter, limit and offset applied. Throws
  // SLError "no query specified" when there is no statement text.
  virtual std::string BuildRunText();
  // The text after parameter parsing (the base class has none).
  virtual std::string EffectiveText() const { return ""; }
  // Empties the parameter list.
  void ClearParams() { params_.clear(); }

  // ---- framework hooks ----------------------------------------------------------------
  void InternalOpen() override;
  void InternalClose() override;
  bool IsCursorOpen() const override { return store_ != nullptr; }
  uint8_t* AllocRecordBuffer() override;
  void FreeRecordBuffer(uint8_t* buffer) override;
  TGetResult GetRecord(uint8_t* buffer, TGetMode mode, bool doCheck) override;
  void InternalFirst() override { currentIndex_ = -1; }
  void InternalLast() override;
  void InternalGotoBookmark(int32_t bookmark) override;
  void InternalSetToRecord(uint8_t* buffer) override;
  int32_t GetBookmarkData(const uint8_t* buffer) const override;
  void SetBookmarkData(uint8_t* buffer, int32_t bookmark) override;
  TBookmarkFlag GetBookmarkFlag(const uint8_t* buffer) const override;
  void SetBookmarkFlag(uint8_t* buffer, TBookmarkFlag flag) override;
  bool BookmarkValidId(int32_t bookmark) override;
  int GetRecordCount() override;
  int GetRecNo() override;
  bool InternalSetRecNo(int recNo) override;
  bool GetRecordAt(int index, uint8_t* buffer) override;
  bool GetFieldData(const TNyField& field, void* dest) override;
  void SetFieldData(const TNyField& field, const void* src) override;
  // A TNyQLite3BlobStream over the field's stream in the current state's buffer. Writing
  // through it assigns the field: a new record's blob is then inserted, and an edited blob is
  // written by the update (a blob counts as changed when it was written during the edit).
  // While editing or inserting, what is written goes into a new stream in the record buffer
  // only, so the row keeps its old bytes until the post succeeds; outside an edit it goes
  // into the row's own stream.
  std::unique_ptr<TNyMemoryStream> DoCreateBlobStream(TNyField& field,
                                                      TBlobStreamMode mode) override;
  void InternalEdit() override;
  void InternalInsert() override;
  void InternalInitRecord(uint8_t* buffer) override;
  void InternalPost() override;
  void InternalDelete() override;
  bool IsUniDirectional() const override { return uniDirectional_; }
  // Closes the record set, then stores the text.
  void SetFilterText(const std::string& v) override;

 private:
  const TNyFieldDef& Def(int index) const { return TNyDataSet::FieldDefs()[index]; }
  bool SlotIsNull(int index, const uint8_t* buffer) const;
  void CheckMaster();
  void RegisterDetail(TNySQLite3BaseQuery* detail);
  void UnregisterDetail(TNySQLite3BaseQuery* detail);
  void NoteMove(int32_t rowId);
  // Generated writes.
  void PostUpdate(uint8_t* buffer);
  void PostInsert(uint8_t* buffer);
  void BindField(sqlite3_stmt* stmt, int n, int index, const uint8_t* buffer, bool nullWhenEmpty);
  void BindWhereParams(sqlite3_stmt* stmt, int first, const uint8_t* buffer);
  void RunWrite(const std::string& text, const std::function<void(sqlite3_stmt*)>& bind);
  void SetRowIdField(uint8_t* buffer, int64_t rowId);
  // Column name of field `index` for a generated statement (SQLName of the engine's spelling).
  std::string ColumnSQLName(int index) const;
  // Raises "Record not found or changed by another user" when the last write changed no row.
  void CheckRowsChanged();
  // Fills `buffer` from the row of SQLTable with that row id (all fields; nothing changes
  // when the fields cannot be selected from the table or the row is not there).
  void ReReadRow(uint8_t* buffer, int64_t rowId);
  // The encoded row of `buffer` written into the store at `index` (replacing that row, or a
  // new row inserted there when `insert`).
  void StoreRow(int index, const uint8_t* buffer, bool insert);
  // The row at `index` decoded into the scratch buffer (null when out of range).
  const uint8_t* DecodedRow(int index);

  bool autoCommit_ = false;
  std::string transactionType_;
  bool sqliteDateFormat_ = true;
  std::string tableDateFormat_;
  TNySQLite3DB* connection_ = nullptr;
  int32_t maxResults_ = 0;
  int32_t startResult_ = 0;
  bool typeLess_ = false;
  bool sqlCursor_ = true;
  bool readOnly_ = false;
  bool uniDirectional_ = false;
  std::string sqlWhere_;
  std::string sqlTable_;
  std::string masterFields_;
  TNyDataSource* masterSource_ = nullptr;

  std::vector<TNyParam> params_;
  std::string runText_;
  std::unique_ptr<TNyFResult> store_;
  int currentIndex_ = -1;
  int declaredRowSize_ = 0;
  std::vector<uint8_t> fetchBuffer_;
  TNyRowCodec codec_;
  int bookmarkOffset_ = 0;            // where the row id sits in a record buffer
  std::vector<uint8_t> encoded_;      // scratch: a row being encoded
  std::vector<uint8_t> decoded_;      // scratch: a row decoded for CurrentFieldText
  sqlite3_stmt* stmt_ = nullptr;       // unidirectional mode
  // Unidirectional mode: the current record (the last row fetched, or the last one posted),
  // which a re-read after a post or a cancel shows again; empty when there is none.
  std::vector<uint8_t> uniRow_;
  std::vector<uint8_t> editSnapshot_;  // the record as it was when the edit began
  std::vector<char> assigned_;         // per field: assigned since the record was initialised
  std::vector<int> blobFields_;        // indexes of blob-type fields
  std::vector<TNySQLite3BaseQuery*> details_;
  TNySQLite3BaseQuery* masterQuery_ = nullptr;  // the master this set registered with
  int32_t notifiedRowId_ = -2;                  // store id the details last followed
};

class TNySQLite3Query : public TNySQLite3BaseQuery {
 public:
  TNySQLite3Query() = default;

  // Lines of the statement text. Setting them closes the record set and parses the text
  // again (parameter references become "?" and fill the parameter list, unless RawSQL).
  const std::vector<std::string>& SQL() const { return sql_; }
  void SetSQL(std::vector<std::string> lines);
  // The lines joined with line feeds.
  std::string SQLText() const;
  void SetSQLText(const std::string& text);
  // With RawSQL the text is run as it stands and the parameter list is left alone.
  bool RawSQL() const { return rawSQL_; }
  void SetRawSQL(bool v);

  // Closes the set, builds Filter from MasterFields and the master's current row
  // (detail='value' pairs joined by " and "), sets Filtered and reopens when the master is
  // open. Throws SLError "Syntax error: Masterfields not build of a=b;... pairs" for a pair
  // without '=' (the set then stays closed).
  void MasterChanged() override;

 protected:
  std::string BuildRunText() override;
  std::string EffectiveText() const override { return effectiveText_; }

 private:
  void Reparse();

  std::vector<std::string> sql_;
  bool rawSQL_ = false;
  std::string effectiveText_;
};

}  // namespace ny
