// TNyDataSet: the record-set framework the data-aware views and the program's logic use.
//
// A record set is a cursor over records with typed fields. The framework keeps the state
// (inactive, browse, edit, insert), one active record buffer holding the current record,
// the BOF/EOF flags, the field objects, the before/after events and the notifications to
// the bound views (data sources and data links, sqlite/NyDataSource.h). A derived class (the
// SQLite query) keeps the rows and its own cursor and implements the protected hooks below;
// the framework calls them in the order the contracts state.
//
// Records and buffers. A record buffer is a block of bytes whose layout only the derived
// class knows (AllocRecordBuffer makes one). The framework owns two: the active buffer and a
// scratch buffer; a fetch goes into the scratch buffer and, on success, the two are swapped,
// so a failed fetch never spoils the current record. Besides the field data a buffer holds
// the record's bookmark and bookmark flag (Get/SetBookmarkData, Get/SetBookmarkFlag).
//
// Cursor. The derived class keeps a cursor position of its own. After a successful
// GetRecord the cursor is on the fetched record. The framework calls InternalSetToRecord
// (through UpdateCursorPos) to put the cursor back on the active record before moves and
// writes whenever it may have left it (after a failed fetch, InternalFirst, InternalLast).
//
// Errors: EDatabaseError (sqlite/NySQLiteError.h) with the toolkit's texts below; the record
// set's name and ": " go in front where the comment says "prefixed".
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sqlite/NyField.h"
#include "sqlite/NyMemoryStream.h"
#include "sqlite/NySQLiteError.h"
#include "sqlite/NySQLiteTypes.h"
#include "sqlite/NyValue.h"

namespace ny {

class TNyDataSource;

// dsCalcFields, dsFilter, dsNewValue, dsOldValue and dsBlockRead are the internal states in
// which a derived class's GetFieldData may be asked for other buffers; this framework itself
// enters none of them (it has no calculated fields, filters in code or block reads).
enum class TDataSetState {
  dsInactive,
  dsBrowse,
  dsEdit,
  dsInsert,
  dsCalcFields,
  dsFilter,
  dsNewValue,
  dsOldValue,
  dsBlockRead,
};
const char* DataSetStateName(TDataSetState s);  // "dsBrowse", ...

enum class TGetMode { gmCurrent, gmNext, gmPrior };
enum class TGetResult { grOK, grBOF, grEOF, grError };
// bfCurrent: a record of the row store; bfInserted: a new record made by Insert;
// bfEOF: a new record made by Append; bfBOF is not used by the framework.
enum class TBookmarkFlag : uint8_t { bfCurrent, bfBOF, bfEOF, bfInserted };
// What an OnPostError / OnDeleteError / OnEditError handler decides: daFail re-raises the
// error (the default), daAbort raises EAbort instead, daRetry runs the operation again.
enum class TDataAction { daFail, daAbort, daRetry };

// The events data links receive (see NyDataSource.h).
enum class TDataEvent {
  deFieldChange,      // a field of the current record was assigned (info: the field)
  deRecordChange,     // the current record changed as a whole (edit began)
  deDataSetChange,    // records changed or were re-read (open, post, delete, cancel, insert)
  deDataSetScroll,    // the cursor moved (info: the distance)
  deLayoutChange,     // the field list changed
  deUpdateRecord,     // before a post: views write their pending input into the fields
  deUpdateState,      // the state changed
  deCheckBrowseMode,  // before leaving edit or insert
};

// A bookmark: the row identity the derived class stores in a buffer; empty = none.
using TBookmark = std::optional<int32_t>;

// The options of Locate.
enum class TLocateOption : unsigned { loCaseInsensitive = 1, loPartialKey = 2 };
class TLocateOptions {
 public:
  TLocateOptions() = default;
  TLocateOptions(std::initializer_list<TLocateOption> options) {
    for (TLocateOption o : options) bits_ |= static_cast<unsigned>(o);
  }
  bool Contains(TLocateOption o) const { return (bits_ & static_cast<unsigned>(o)) != 0; }

 private:
  unsigned bits_ = 0;
};

// Raised instead of an error when an error handler chose daAbort: a silent exception that
// the event-loop boundary does not show.
class EAbort : public std::runtime_error {
 public:
  EAbort() : std::runtime_error("Operation aborted") {}
};

// The toolkit's record-set messages.
namespace dbmsg {
inline constexpr const char* FieldNotFound = "Field '%s' not found";
inline constexpr const char* DataSetClosed = "Cannot perform this operation on a closed dataset";
inline constexpr const char* DataSetOpen = "Cannot perform this operation on an open dataset";
inline constexpr const char* DataSetEmpty = "Cannot perform this operation on an empty dataset";
inline constexpr const char* NotEditing = "Dataset not in edit or insert mode";
inline constexpr const char* DataSetReadOnly = "Cannot modify a read-only dataset";
inline constexpr const char* CircularDataLink = "Circular datalinks are not allowed";
inline constexpr const char* InvalidVarCast = "Invalid variant type conversion";
inline constexpr const char* VarArrayBounds = "Variant or safe array index out of bounds";
}  // namespace dbmsg

// `format` with its first "%s" replaced by `arg`.
std::string FormatMsg(const char* format, const std::string& arg);
// Throws EDatabaseError(message), with "<name>: " in front when `component` is not empty.
[[noreturn]] void DatabaseError(const std::string& message, const std::string& component = "");

class TNyDataSet {
 public:
  using TNotify = std::function<void(TNyDataSet&)>;
  using TErrorEvent = std::function<void(TNyDataSet&, const std::exception&, TDataAction&)>;

  TNyDataSet();
  // A derived class must call DestroyClose() in its own destructor (hooks cannot run from
  // here). The framework's destructor detaches the data sources that still point at it.
  virtual ~TNyDataSet();
  TNyDataSet(const TNyDataSet&) = delete;
  TNyDataSet& operator=(const TNyDataSet&) = delete;

  // The component name, put in front of prefixed messages ("LstDoc").
  const std::string& Name() const { return name_; }
  void SetName(const std::string& v) { name_ = v; }

  // ---- lifecycle ----------------------------------------------------------------------
  // Open: nothing when active. Else BeforeOpen; InternalOpen; the field objects are made from
  // FieldDefs(); the buffers are allocated; InternalFirst and a fetch of the first record
  // (BOF true; EOF true when there is none); state browse; AfterOpen; AfterScroll when a
  // record exists. When InternalOpen or a later step throws, InternalClose runs, the fields
  // and buffers go, the state stays inactive and the error propagates.
  void Open();
  // Opens the cursor for field information only: while inactive, OpenCursorForFieldInfo
  // fills FieldDefs() and closes the cursor again at once; the state stays inactive, no event
  // fires, no field object or buffer is made. While active nothing happens (the definitions
  // are those of the open cursor). An error of the open propagates, the cursor closed.
  void UpdateFieldDefs();
  // Close: nothing when inactive. Else BeforeClose; state inactive (pending edits are
  // dropped); buffers freed; InternalClose; fields destroyed; AfterClose.
  void Close();
  bool Active() const { return state_ != TDataSetState::dsInactive; }
  void SetActive(bool v) { v ? Open() : Close(); }
  TDataSetState State() const { return state_; }

  // ---- fields -------------------------------------------------------------------------
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  // 0-based; throws std::out_of_range for a bad index.
  TNyField& Field(int index) const { return *fields_.at(index); }
  // The field of that name, compared without regard to case (Unicode case folding), or null.
  TNyField* FindField(const std::string& name) const;
  // As FindField; throws EDatabaseError "Field '<name>' not found" when there is none.
  TNyField& FieldByName(const std::string& name) const;
  // The fields named in `names`, split at ';' without trimming (an empty piece, such as
  // after a trailing ';', is skipped); an unknown name throws as FieldByName (so
  // "NAM; DIR" fails on " DIR").
  std::vector<TNyField*> GetFieldList(const std::string& names) const;
  const std::vector<TNyFieldDef>& FieldDefs() const { return fieldDefs_; }
  // Where the derived class stores its column definitions (in InternalOpen, before the
  // framework makes the field objects from them).
  std::vector<TNyFieldDef>& MutableFieldDefs() { return fieldDefs_; }

  // ---- cursor -------------------------------------------------------------------------
  // The moves post or cancel a pending edit first (CheckBrowseMode) and fire BeforeScroll /
  // AfterScroll (also when nothing moves). All throw "prefixed DataSetClosed" when inactive.
  void First();  // BOF true afterwards
  void Last();   // EOF true afterwards
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Moves up to |distance| records; stops at either end (setting EOF or BOF); returns the
  // signed number of records moved. Nothing moves forward at EOF or backward at BOF.
  int MoveBy(int distance);
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  // True when there is no current record (inactive, or open with no rows outside insert).
  bool IsEmpty() const;
  // 1-based number of the current record as the derived class counts it.
  int RecNo() { return GetRecNo(); }
  // Moves to record `recNo` when InternalSetRecNo accepts it (CheckBrowseMode, BeforeScroll,
  // the move, the active record re-read, AfterScroll).
  void SetRecNo(int recNo);
  int RecordCount() { return GetRecordCount(); }

  // ---- editing ------------------------------------------------------------------------
  // Edit: nothing when editing or inserting already; Insert when there is no record.
  // Else BeforeEdit; InternalEdit (under OnEditError); state edit; AfterEdit.
  void Edit();
  // Insert a new record before the current one / Append one after the last. CheckBrowseMode;
  // BeforeInsert; BeforeScroll; (Append: InternalLast); InternalInsert; InternalInitRecord on
  // the active buffer with flag bfInserted (Append: bfEOF); state insert; OnNewRecord;
  // AfterInsert; AfterScroll. When OnNewRecord throws, the insert is undone (state browse,
  // the current record re-read) and the error propagates.
  void Insert();
  void Append();
  // Post: requires edit or insert (else "prefixed NotEditing"). Views write pending input
  // (deUpdateRecord); BeforePost; InternalPost under OnPostError; on success state browse,
  // the current record re-read from the cursor, AfterPost. When InternalPost throws (and no
  // handler retries), the state and the edited values stay as they were.
  void Post();
  // Cancel: nothing unless editing or inserting. BeforeCancel; InternalCancel (edit only);
  // state browse; the current record re-read; AfterCancel.
  void Cancel();
  // Delete: while inserting, Cancel. With no record "prefixed DataSetEmpty". Else
  // BeforeDelete; BeforeScroll; InternalDelete under OnDeleteError; state browse; the record
  // now under the cursor becomes current (none when the set became empty); AfterDelete;
  // AfterScroll.
  void Delete();
  // Posts a modified edit or insert, cancels an unmodified one; throws when inactive.
  void CheckBrowseMode();
  // Sends deUpdateRecord (views write their pending input). Requires edit or insert.
  void UpdateRecord();
  // True when a field was assigned since the record entered edit or insert. Blob streams
  // that write a field call SetModified(true).
  bool Modified() const { return modified_; }
  void SetModified(bool v) { modified_ = v; }
  // False makes Edit, Insert, Append and Delete throw "prefixed DataSetReadOnly". The SQLite
  // query leaves it true and refuses writes with its own messages.
  bool CanModify() const { return GetCanModify(); }

  // ---- bookmarks ----------------------------------------------------------------------
  // The current record's bookmark; empty when inactive, empty or on a new record.
  TBookmark GetBookmark() const;
  // Empty bookmark: nothing. Else CheckBrowseMode; BeforeScroll; InternalGotoBookmark (the
  // derived class raises "Bookmark not found" for an unknown one); the record re-read;
  // AfterScroll.
  void GotoBookmark(const TBookmark& bookmark);
  // False for an empty bookmark or when inactive; else the derived class's answer.
  bool BookmarkValid(const TBookmark& bookmark) {
    return bookmark && Active() && BookmarkValidId(*bookmark);
  }
  // -1, 0, 1. Empty bookmarks sort first and equal each other; others by CompareBookmarkIds.
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) const;

  // ---- views --------------------------------------------------------------------------
  // While disabled (the calls nest), data links get no events. Enabling the last level
  // sends deUpdateState when the state differs from the one at the first DisableControls,
  // and then, when both states are active, deDataSetChange (deLayoutChange when the field
  // layout changed meanwhile). An EnableControls without DisableControls does nothing.
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disableCount_ > 0; }
  // Tells the data sources (and through them the links) about `event`; nothing while
  // controls are disabled. deFieldChange also sets Modified.
  void DataEvent(TDataEvent event, intptr_t info = 0);
  // The master this record set follows (a detail returns its master source); null here.
  virtual TNyDataSource* GetDataSource() const { return nullptr; }
  // True when `source` leads back to this record set through the GetDataSource chain.
  bool IsLinkedTo(const TNyDataSource* source) const;
  const std::vector<TNyDataSource*>& DataSources() const { return dataSources_; }

  // Reading other records for a view without moving the cursor: while a TNyRecordPeek lives
  // the fields read the record at a 0-based index (see TNyRecordPeek below).

  // ---- search -------------------------------------------------------------------------
  // Linear search from the first record: the bound views are disabled for the scan (unless
  // already disabled) and re-enabled on every way out. The key fields are GetFieldList
  // (keyFields), resolved before the scan. For each record number n from 1 to RecordCount:
  // SetRecNo(n) and compare each key field's AsString with the wanted text (one key field:
  // keyValues.AsText(); several: element i of the array keyValues, which must have an
  // element per field, else EDatabaseError VarArrayBounds). loPartialKey: when the field
  // text is at least as long as the wanted text, only that many leading bytes are compared.
  // loCaseInsensitive folds A-Z only. Returns true on the first record where all match
  // (it stays current); false when none matches (the last record stays current) or the set
  // is empty. Several key fields with a key value that is not an array: EDatabaseError
  // InvalidVarCast. A pending edit is posted (or cancelled) first.
  virtual bool Locate(const std::string& keyFields, const TNyValue& keyValues,
                      TLocateOptions options);
  // Locate without options; when found, the Value() of the result field (an array of values
  // for several ';'-separated result fields); when not found, the empty text (not NULL).
  virtual TNyValue Lookup(const std::string& keyFields, const TNyValue& keyValues,
                          const std::string& resultFields);

  // ---- filter -------------------------------------------------------------------------
  // Stored for the derived class, which decides what they mean (the SQLite query makes the
  // filter an SQL condition applied at the next open).
  const std::string& Filter() const { return filter_; }
  void SetFilter(const std::string& v) { SetFilterText(v); }
  bool Filtered() const { return filtered_; }
  void SetFiltered(bool v) { SetFilteredValue(v); }
  bool AutoCalcFields() const { return autoCalcFields_; }
  void SetAutoCalcFields(bool v) { autoCalcFields_ = v; }

  // ---- blobs --------------------------------------------------------------------------
  // A stream over the content of blob field `field` of the current record (see the hook).
  std::unique_ptr<TNyMemoryStream> CreateBlobStream(TNyField& field, TBlobStreamMode mode);

  // ---- events -------------------------------------------------------------------------
  TNotify BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TNotify BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TNotify BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TNotify BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  // OnCalcFields is kept for the record set's users; there are no calculated fields here and
  // the framework never fires it.
  TNotify OnNewRecord, OnCalcFields;
  TErrorEvent OnPostError, OnDeleteError, OnEditError;

 protected:
  // ==== hooks of the derived class ======================================================
  // Open the cursor: run the query, fill MutableFieldDefs(), load or prepare the rows and
  // put the cursor before the first record. The framework then makes the fields. Throw on
  // failure; InternalClose follows and must cope with a half-done open.
  virtual void InternalOpen() = 0;
  // Release the rows and the cursor. Called with the fields still present.
  virtual void InternalClose() = 0;
  // Open the cursor for its field definitions and close it again at once (InternalOpen, then
  // InternalClose, also when the open fails). Called only while inactive.
  virtual void OpenCursorForFieldInfo();
  // True while the cursor is open (rows present).
  virtual bool IsCursorOpen() const = 0;

  // A zero-filled buffer for one record (layout of the derived class); FreeRecordBuffer
  // releases one made by it. Called after InternalOpen and before InternalClose.
  virtual uint8_t* AllocRecordBuffer() = 0;
  virtual void FreeRecordBuffer(uint8_t* buffer) = 0;

  // Fetch the record at (gmCurrent), after (gmNext) or before (gmPrior) the cursor into
  // `buffer`, with its bookmark and the flag bfCurrent, and move the cursor onto it. grEOF /
  // grBOF when there is none in that direction (the cursor may stay where it was), grError
  // when there is no current record; with `doCheck` an error throws instead (the query:
  // EDatabaseError "No Records"). The framework asks gmNext and gmPrior with doCheck true,
  // gmCurrent with false.
  virtual TGetResult GetRecord(uint8_t* buffer, TGetMode mode, bool doCheck) = 0;
  // Cursor before the first record / after the last record.
  virtual void InternalFirst() = 0;
  virtual void InternalLast() = 0;
  // Put the cursor on the record of `bookmark`; unknown: throw (the query: "Bookmark not
  // found").
  virtual void InternalGotoBookmark(int32_t bookmark) = 0;
  // Put the cursor on the record held by `buffer` (default: its bookmark). Called before
  // moves and writes when the cursor may have left the active record.
  virtual void InternalSetToRecord(uint8_t* buffer) {
    InternalGotoBookmark(GetBookmarkData(buffer));
  }
  virtual int32_t GetBookmarkData(const uint8_t* buffer) const = 0;
  virtual void SetBookmarkData(uint8_t* buffer, int32_t bookmark) = 0;
  virtual TBookmarkFlag GetBookmarkFlag(const uint8_t* buffer) const = 0;
  virtual void SetBookmarkFlag(uint8_t* buffer, TBookmarkFlag flag) = 0;
  // True when the rows hold a record of that bookmark.
  virtual bool BookmarkValidId(int32_t bookmark) = 0;
  // Order of two bookmarks (-1, 0, 1); default: by their numbers.
  virtual int CompareBookmarkIds(int32_t a, int32_t b) const { return a < b ? -1 : a > b ? 1 : 0; }

  // Number of records (0 when closed) and the 1-based number of the current record.
  virtual int GetRecordCount() = 0;
  virtual int GetRecNo() = 0;
  // Put the cursor on record `recNo` and return true, or return false (nothing changes)
  // when the number is not acceptable. The framework re-reads the active record after true
  // (gmCurrent, then gmNext, then gmPrior), so a number just outside the rows may land on
  // the first or last record.
  virtual bool InternalSetRecNo(int recNo) = 0;
  // Copy the record at 0-based `index` into `buffer` (with its bookmark and bfCurrent)
  // without moving the cursor; false when out of range or not supported (default).
  virtual bool GetRecordAt(int index, uint8_t* buffer) {
    (void)index;
    (void)buffer;
    return false;
  }

  // Field values of the current record, in the native forms of NyField.h. The buffer for
  // the current state is ActiveBuffer() (null when there is none); old values of an edit
  // are the derived class's own. GetFieldData: `dest` null only asks whether the field has
  // a value; else copies the value into `dest` (DataSize() bytes) and returns true, or
  // returns false for NULL or no record. SetFieldData: `src` null stores NULL; it is called
  // only in edit or insert (the framework checks) and need not notify anyone.
  virtual bool GetFieldData(const TNyField& field, void* dest) = 0;
  virtual void SetFieldData(const TNyField& field, const void* src) = 0;
  // A stream over a blob field's content (the query: its blob stream; read mode loads the
  // content, write mode starts empty, and the content is stored when the stream goes).
  // Default (record sets without blobs): EInvalidCast "Invalid class typecast".
  virtual std::unique_ptr<TNyMemoryStream> DoCreateBlobStream(TNyField& field,
                                                              TBlobStreamMode mode);

  // Editing. InternalEdit: the record under the cursor (the active one) enters edit (the
  // query takes its snapshot). InternalInsert: a new record is about to be made at the
  // cursor (Insert: the cursor is on the current record, the new one goes before it;
  // Append: after InternalLast; when the set is empty the cursor may be before the first
  // or after the last record). InternalInitRecord: put start values into a new record's
  // buffer. InternalPost: write the active buffer (State() tells edit or insert; the bookmark
  // flag bfEOF tells an append) to the rows and leave the cursor on the written record.
  // InternalCancel: an edit is dropped. InternalDelete: remove the record under the cursor
  // and leave the cursor on the record that should become current (the next one, or the
  // new last one). Errors propagate to the error events.
  virtual void InternalEdit() {}
  virtual void InternalInsert() {}
  virtual void InternalInitRecord(uint8_t* buffer) = 0;
  virtual void InternalPost() = 0;
  virtual void InternalCancel() {}
  virtual void InternalDelete() = 0;

  virtual bool GetCanModify() const { return true; }
  virtual bool IsUniDirectional() const { return false; }
  // Filter and Filtered setters; default: store the value.
  virtual void SetFilterText(const std::string& v) { filter_ = v; }
  virtual void SetFilteredValue(bool v) { filtered_ = v; }

  // ==== services for the derived class ==================================================
  // Close for the derived class's destructor: as Close, but BeforeClose and AfterClose do
  // not fire (their handlers may already be gone).
  void DestroyClose();
  // The buffer holding the current record: in edit and insert the record being edited; in
  // browse the current record, or null when there is none; null when inactive.
  uint8_t* ActiveBuffer() const;
  // Puts the cursor back on the active record when it may have left it.
  void UpdateCursorPos();
  // Re-reads the active record from the cursor (gmCurrent, else gmNext, else gmPrior; none:
  // the set is empty) and tells the views (deDataSetChange).
  void Resync();
  // Throws "prefixed DataSetClosed" when inactive.
  void CheckActive() const;
  // Throws "prefixed DataSetOpen" when active.
  void CheckInactive() const;
  void DoBeforeScroll() { Fire(BeforeScroll); }
  void DoAfterScroll() { Fire(AfterScroll); }

 private:
  friend class TNyField;
  friend class TNyDataSource;
  friend class TNyRecordPeek;

  void Fire(const TNotify& event) {
    if (event) event(*this);
  }
  void SetState(TDataSetState s);
  bool Fetch(TGetMode mode, bool doCheck);
  void ResyncBuffer();
  void CreateFields();
  void DestroyFields();
  void FreeBuffers();
  void CheckCanModify() const;
  void BeginInsertAppend();
  void EndInsertAppend();
  void CheckOperation(const std::function<void()>& op, const TErrorEvent& onError);
  bool ReadField(const TNyField& field, void* dest);
  void WriteField(const TNyField& field, const void* src);
  void AddDataSource(TNyDataSource* s);
  void RemoveDataSource(TNyDataSource* s);

  std::string name_;
  TDataSetState state_ = TDataSetState::dsInactive;
  std::vector<TNyFieldDef> fieldDefs_;
  std::vector<std::unique_ptr<TNyField>> fields_;
  uint8_t* activeBuffer_ = nullptr;
  uint8_t* scratchBuffer_ = nullptr;
  bool hasRecord_ = false;     // the active buffer holds a current record (browse)
  bool cursorInSync_ = false;  // the derived class's cursor is on the active record
  bool bof_ = true;
  bool eof_ = true;
  bool modified_ = false;
  int disableCount_ = 0;
  TDataSetState disableState_ = TDataSetState::dsInactive;
  TDataEvent enableEvent_ = TDataEvent::deDataSetChange;
  std::vector<TNyDataSource*> dataSources_;
  std::string filter_;
  bool filtered_ = false;
  bool autoCalcFields_ = true;
  bool peeking_ = false;     // a TNyRecordPeek lives
  bool destroying_ = false;  // DestroyClose runs
};

// Lets the fields of `dataSet` read the record at 0-based `index` while the object lives,
// without moving the cursor, firing events or touching the current record; the state reads
// as browse meanwhile. Found() is false (and the fields read as without a record) when the
// index is out of range or the record set cannot read records by index. Peeks do not nest.
// For a view that paints many rows; requires the hook GetRecordAt.
class TNyRecordPeek {
 public:
  TNyRecordPeek(TNyDataSet& dataSet, int index);
  ~TNyRecordPeek();
  TNyRecordPeek(const TNyRecordPeek&) = delete;
  TNyRecordPeek& operator=(const TNyRecordPeek&) = delete;
  bool Found() const { return found_; }

 private:
  TNyDataSet& ds_;
  bool engaged_ = false;
  TDataSetState savedState_ = TDataSetState::dsInactive;
  bool savedHasRecord_ = false;
  bool found_ = false;
};

}  // namespace ny
