// Field definitions and field objects of the record sets.
//
// A record set describes its columns as field definitions (std::vector<TNyFieldDef>, filled
// when it opens) and makes one field object per definition (TNyField and its typed subclasses, made
// by TNyField::Create). Field objects belong to their record set; they exist while it is
// open and are destroyed when it closes, so never keep a field pointer across a close.
//
// Values travel between a field and its record set in the field type's native form, in a
// buffer of DataSize() bytes:
//   ftString, ftWideString      zero-terminated UTF-8 text of at most Size() characters
//                               (DataSize() = 4 * Size() + 1 bytes)
//   ftSmallint, ftInteger,      int64_t
//   ftWord
//   ftBoolean                   int16_t, 0 false, anything else true
//   ftFloat, ftCurrency, ftBCD  double
//   ftDate                      int32_t day number, 0001-01-01 being day 1
//   ftTime                      int32_t milliseconds since midnight
//   ftDateTime                  double, day number * 86400000 + milliseconds
//   blob types                  none: contents go through TNyDataSet::CreateBlobStream
// The record set decides which values are NULL (see TNyDataSet::GetFieldData).
//
// Reading a NULL (a Boolean one included): AsString gives "", AsInteger/AsLargeInt 0, AsFloat
// 0, AsBoolean false, AsDateTime 0, Value() a NULL variant, IsNull true. Writing requires the record set to be in the edit
// or insert state (else EDatabaseError "<name>: Dataset not in edit or insert mode", the
// record set's name and ": " only when it has a name). An access that the field type has no
// meaning for throws EDatabaseError "Cannot access field '<name>' as type <Type>".
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sqlite/NySQLiteTypes.h"
#include "sqlite/NyValue.h"

namespace ny {

class TNyDataSet;

// Days since 1899-12-30 00:00, the time of day as the fraction (1.5 is 1899-12-31 12:00).
using TDateTime = double;
// The instants a date-time field holds: from 0001-01-01 00:00 up to (not including)
// 10000-01-01 00:00.
inline constexpr TDateTime kFirstDateTime = -693593.0;
inline constexpr TDateTime kLastDateTime = 2958466.0;
// True for a TDateTime from kFirstDateTime up to (not including) kLastDateTime; false for
// anything else, NaN and the infinities included.
bool IsValidDateTime(TDateTime value);
// Native date-time form (day number * 86400000 + milliseconds, 0001-01-01 being day 1) from a
// TDateTime and back, rounded to the millisecond. DateTimeToMSecs requires IsValidDateTime.
double DateTimeToMSecs(TDateTime value);
TDateTime MSecsToDateTime(double msecs);

enum class TFieldKind { fkData };
// How a blob stream is opened: read the content, write a new content, or both.
enum class TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

class TNyField {
 public:
  // Makes the field object for `def` (the subclass by def.DataType) owned by `dataSet`,
  // numbered `fieldNo` (1-based column position). ftUnknown throws EDatabaseError
  // "Field '<name>' is of an unknown type".
  static std::unique_ptr<TNyField> Create(TNyDataSet& dataSet, const TNyFieldDef& def, int fieldNo);

  virtual ~TNyField() = default;
  TNyField(const TNyField&) = delete;
  TNyField& operator=(const TNyField&) = delete;

  TNyDataSet& DataSet() const { return *dataSet_; }
  const std::string& FieldName() const { return fieldName_; }
  TFieldType DataType() const { return dataType_; }
  TFieldKind FieldKind() const { return TFieldKind::fkData; }
  int Size() const { return size_; }
  // 1-based column position.
  int FieldNo() const { return fieldNo_; }
  // The definition's slot offset in a record (TNyFieldDef::Offset), for the record set.
  int Offset() const { return offset_; }
  // This system has no calculated fields; kept for the record set's field reading.
  bool Calculated() const { return false; }
  // Scale of a float column as the definition gave it (TNyFieldDef::Precision).
  int DefPrecision() const { return defPrecision_; }
  // 0-based position in the record set's field list.
  int Index() const { return index_; }
  // Bytes of the native form (see the file comment); 0 for blob types.
  virtual int DataSize() const = 0;

  // DisplayLabel when set, else FieldName.
  const std::string& DisplayName() const {
    return displayLabel_.empty() ? fieldName_ : displayLabel_;
  }
  const std::string& DisplayLabel() const { return displayLabel_; }
  void SetDisplayLabel(const std::string& v) { displayLabel_ = v; }
  // Characters a view shows by default: text Size, integers 11 (smallint 6, word 5), floats 10,
  // Boolean 5, date 10, time 8, date-time 19, blobs 10.
  int DisplayWidth() const { return displayWidth_ > 0 ? displayWidth_ : DefaultWidth(); }
  void SetDisplayWidth(int v) { displayWidth_ = v; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { visible_ = v; }
  // A read-only field is one views must not edit; code may still assign it (the record set
  // sets its ROWID field after an insert).
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v) { readOnly_ = v; }
  bool Required() const { return required_; }
  // True when views may edit the field: not read-only and the record set is open.
  bool CanModify() const;

  // ---- values ------------------------------------------------------------------------
  // True when the current record holds no value for the field (or there is no record).
  virtual bool IsNull() const;
  // Sets the field to NULL.
  virtual void Clear();

  virtual std::string AsString() const = 0;
  // Text: empty text stores the empty text (which the record set treats as NULL); other
  // types: "" means Clear(), anything else is parsed (errors below, per type).
  virtual void SetAsString(const std::string& v) = 0;
  virtual int32_t AsInteger() const;
  virtual void SetAsInteger(int32_t v);
  virtual int64_t AsLargeInt() const;
  virtual void SetAsLargeInt(int64_t v);
  virtual double AsFloat() const;
  virtual void SetAsFloat(double v);
  double AsCurrency() const { return AsFloat(); }
  void SetAsCurrency(double v) { SetAsFloat(v); }
  virtual bool AsBoolean() const;
  virtual void SetAsBoolean(bool v);
  virtual TDateTime AsDateTime() const;
  virtual void SetAsDateTime(TDateTime v);
  // The value as a variant of the field's natural kind (text, Int, Float, Bool; date and
  // time fields give their TDateTime as Float); NULL gives a NULL variant.
  virtual TNyValue Value() const = 0;
  // NULL clears; otherwise by the variant's kind through SetAsString / SetAsLargeInt /
  // SetAsFloat / SetAsBoolean. An array throws EDatabaseError "Invalid variant type
  // conversion".
  void SetValue(const TNyValue& v);
  // The text a view shows: AsString, except floats (general format with Precision digits)
  // and currency (two decimals).
  virtual std::string DisplayText() const { return AsString(); }

 protected:
  TNyField(TNyDataSet& dataSet, const TNyFieldDef& def, int fieldNo);
  virtual int DefaultWidth() const { return 10; }

  // Native-form exchange with the record set. GetData returns false for NULL (then `dest`
  // is left as it was); SetData with null `src` stores NULL.
  bool GetData(void* dest) const;
  void SetData(const void* src);
  [[noreturn]] void AccessError(const char* typeName) const;
  // "'<text>' is not a valid <what> value for field '<DisplayName>'" (EDatabaseError).
  [[noreturn]] void InvalidValue(const std::string& text, const char* what) const;

 private:
  friend class TNyDataSet;
  TNyDataSet* dataSet_;
  std::string fieldName_;
  std::string displayLabel_;
  TFieldType dataType_;
  int size_;
  int fieldNo_;
  int offset_;
  int defPrecision_;
  int index_ = 0;
  int displayWidth_ = 0;
  bool visible_ = true;
  bool readOnly_;
  bool required_ = false;
};

// ftString and ftWideString. Size() counts characters. Setting a text (up to its first zero
// byte) of more than Size() characters throws EDatabaseError "The text for field '<name>' is
// longer than <Size> characters" and keeps the old value. AsInteger/AsFloat/AsDateTime parse the text and
// throw EConvertError "'<text>' is not a valid integer value" / "... floating point value" /
// "... date and time" when it does not parse; AsBoolean is true for a text starting with
// T, t, Y, y or 1.
class TNyStringField : public TNyField {
 public:
  TNyStringField(TNyDataSet& ds, const TNyFieldDef& def, int no) : TNyField(ds, def, no) {}
  int DataSize() const override { return 4 * std::max(0, Size()) + 1; }
  std::string AsString() const override;
  void SetAsString(const std::string& v) override;
  int32_t AsInteger() const override;
  void SetAsInteger(int32_t v) override;
  int64_t AsLargeInt() const override;
  void SetAsLargeInt(int64_t v) override;
  double AsFloat() const override;
  void SetAsFloat(double v) override;
  bool AsBoolean() const override;
  void SetAsBoolean(bool v) override;
  TDateTime AsDateTime() const override;
  void SetAsDateTime(TDateTime v) override;
  TNyValue Value() const override;

 protected:
  int DefaultWidth() const override { return Size(); }
};

class TNyWideStringField : public TNyStringField {
 public:
  using TNyStringField::TNyStringField;
};

// ftInteger (the full 64-bit range: the engine's integers and row ids), ftSmallint
// (-32768..32767), ftWord (0..65535). A value out of range throws EDatabaseError "<v> is not a
// valid value for field '<name>'. The allowed range is <min> to <max>"; an unparsable text
// "'<text>' is not a valid integer value for field '<name>'". AsInteger of a value outside 32
// bits throws the same range error with the 32-bit range (AsLargeInt gives it whole).
class TNyIntegerField : public TNyField {
 public:
  TNyIntegerField(TNyDataSet& ds, const TNyFieldDef& def, int no);
  int DataSize() const override { return 8; }
  std::string AsString() const override;
  void SetAsString(const std::string& v) override;
  int32_t AsInteger() const override;
  void SetAsInteger(int32_t v) override;
  int64_t AsLargeInt() const override;
  void SetAsLargeInt(int64_t v) override;
  double AsFloat() const override { return static_cast<double>(AsLargeInt()); }
  void SetAsFloat(double v) override;
  TNyValue Value() const override;
  int64_t MinValue() const { return min_; }
  int64_t MaxValue() const { return max_; }

 protected:
  int DefaultWidth() const override;

 private:
  void CheckRange(int64_t v) const;
  int64_t min_, max_;
};

class TNySmallintField : public TNyIntegerField {
 public:
  using TNyIntegerField::TNyIntegerField;
};
class TNyWordField : public TNyIntegerField {
 public:
  using TNyIntegerField::TNyIntegerField;
};

// ftFloat, ftCurrency, ftBCD. AsString: ny::FloatToStr. An unparsable text throws
// EDatabaseError "'<text>' is not a valid floating point value for field '<name>'".
// AsInteger rounds to the nearest integer (range error outside 32 bits).
class TNyFloatField : public TNyField {
 public:
  TNyFloatField(TNyDataSet& ds, const TNyFieldDef& def, int no);
  int DataSize() const override { return 8; }
  std::string AsString() const override;
  void SetAsString(const std::string& v) override;
  int32_t AsInteger() const override;
  void SetAsInteger(int32_t v) override { SetAsFloat(v); }
  int64_t AsLargeInt() const override;
  void SetAsLargeInt(int64_t v) override { SetAsFloat(static_cast<double>(v)); }
  double AsFloat() const override;
  void SetAsFloat(double v) override;
  TNyValue Value() const override;
  std::string DisplayText() const override;
  // Significant digits of DisplayText, 2..15 (values outside are clamped); default 15.
  int Precision() const { return precision_; }
  void SetPrecision(int v);

 private:
  int precision_ = 15;
};

class TNyCurrencyField : public TNyFloatField {
 public:
  using TNyFloatField::TNyFloatField;
  std::string DisplayText() const override;  // two decimals
};
class TNyBCDField : public TNyFloatField {
 public:
  using TNyFloatField::TNyFloatField;
};

// ftBoolean. AsString "True" / "False"; SetAsString accepts "True", "False" or any leading
// part of them, without regard to case, else throws EDatabaseError "'<text>' is not a valid
// boolean value for field '<name>'".
class TNyBooleanField : public TNyField {
 public:
  TNyBooleanField(TNyDataSet& ds, const TNyFieldDef& def, int no) : TNyField(ds, def, no) {}
  int DataSize() const override { return 2; }
  std::string AsString() const override;
  void SetAsString(const std::string& v) override;
  bool AsBoolean() const override;
  void SetAsBoolean(bool v) override;
  TNyValue Value() const override;

 protected:
  int DefaultWidth() const override { return 5; }
};

// ftDateTime, and the base of ftDate and ftTime. AsString uses the program's formats
// (FormatSettings: ftDate the short date, ftTime the long time, ftDateTime both joined by a
// blank, or the date alone at midnight). SetAsString reads them: ftDate and ftDateTime
// through ParseDateTimeText (EConvertError "'<text>' is not a valid date"), ftTime as
// "h:n" or "h:n:s" (EConvertError "'<text>' is not a valid time"). SetAsDateTime keeps only
// the date part for ftDate and only the time part for ftTime; a value that is not
// IsValidDateTime (NaN, 1e300, a year outside 1..9999) throws EDatabaseError "'<value>' is not
// a valid date and time value for field '<name>'" and keeps the old value. Midnight and
// 1899-12-30 are ordinary values.
class TNyDateTimeField : public TNyField {
 public:
  TNyDateTimeField(TNyDataSet& ds, const TNyFieldDef& def, int no) : TNyField(ds, def, no) {}
  int DataSize() const override;
  std::string AsString() const override;
  void SetAsString(const std::string& v) override;
  double AsFloat() const override { return AsDateTime(); }
  void SetAsFloat(double v) override { SetAsDateTime(v); }
  TDateTime AsDateTime() const override;
  void SetAsDateTime(TDateTime v) override;
  TNyValue Value() const override;

 protected:
  int DefaultWidth() const override;
};

class TNyDateField : public TNyDateTimeField {
 public:
  using TNyDateTimeField::TNyDateTimeField;
};
class TNyTimeField : public TNyDateTimeField {
 public:
  using TNyDateTimeField::TNyDateTimeField;
};

// ftBlob, ftGraphic (TNyBlobField) and ftMemo, ftFmtMemo (TNyMemoField). The content is
// read and written through the record set's CreateBlobStream: AsString reads the whole
// stream, SetAsString replaces the content. IsNull and Clear go to the record set's
// GetFieldData / SetFieldData as for every field.
class TNyBlobField : public TNyField {
 public:
  TNyBlobField(TNyDataSet& ds, const TNyFieldDef& def, int no) : TNyField(ds, def, no) {}
  int DataSize() const override { return 0; }
  std::string AsString() const override;
  void SetAsString(const std::string& v) override;
  TNyValue Value() const override;
  // Bytes of the content.
  int64_t BlobSize() const;
};

class TNyMemoField : public TNyBlobField {
 public:
  using TNyBlobField::TNyBlobField;
};

}  // namespace ny
