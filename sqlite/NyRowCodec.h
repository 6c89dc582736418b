// TNyRowCodec: the encoded form in which the record sets keep their rows.
//
// A record buffer holds a slot per field at the field's offset, in the field type's native
// form (sqlite/NySQLiteTypes.h), so that fields read and write it directly; most of a slot is
// empty space (a VARCHAR2(256) slot takes 1025 bytes whatever it holds). The row store keeps
// only what a row holds:
//   - one bit per field, in field order (bit i % 8 of byte i / 8): set when the field has a
//     value;
//   - then, for each field with a value, in field order: a text as its byte length (7 bits a
//     byte, low bits first, the high bit set on every byte but the last) and its bytes; a blob
//     type its stream pointer; any other type its native value in its native width
//     (FieldStorageSize - 1 bytes).
// A record buffer is made from an encoded row only when the record set hands one out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sqlite/NySQLite3DB.h"
#include "sqlite/NySQLiteTypes.h"

namespace ny {

class TNyMemoryStream;

class TNyRowCodec {
 public:
  // The fields rows are encoded for (the record set's definitions, their offsets and sizes).
  void SetDefs(const std::vector<TNyFieldDef>& defs);
  size_t FieldCount() const { return fields_.size(); }

  // Encodes the record held in the slots of `buffer` into `out` (its content replaced). A
  // text slot must be zero-terminated within its storage size.
  void Encode(const uint8_t* buffer, std::vector<uint8_t>& out) const;
  // Writes every field of the encoded row `row` into its slot of `buffer` (a text with its
  // terminator, a has-value byte and the value, a stream pointer or null). Requires a row
  // made by this codec for the same definitions.
  void Decode(const uint8_t* row, uint8_t* buffer) const;

  // Building a row from column values: Begin, then Append for fields 0, 1, ... in order (the
  // fields not appended have no value). `stream` is the stream of a blob field (null: none).
  void Begin(std::vector<uint8_t>& out) const;
  void Append(std::vector<uint8_t>& out, size_t field, const TNyColumnValue& value,
              TNyMemoryStream* stream) const;
  // The same for a row being built in place: `row` its start (Begin wrote the bitmap there:
  // BitmapBytes zero bytes), `at` where the field's bytes go; returns the end of what was
  // written. Requires room for AppendBound(field, value) bytes at `at`.
  size_t BitmapBytes() const { return bitmapBytes_; }
  size_t AppendBound(size_t field, const TNyColumnValue& value) const {
    return IsTextType(fields_[field].type) ? value.Bytes.size() + 5 : 8;
  }
  uint8_t* AppendAt(uint8_t* row, uint8_t* at, size_t field, const TNyColumnValue& value,
                    TNyMemoryStream* stream) const;
  // The same in two steps for a whole row: the bytes the row of `values` (one per field;
  // `streams[i]` the stream of a blob field i, null for none) takes, and writing it to `out`
  // (which must hold that many bytes).
  size_t EncodedSize(const TNyColumnValue* values, TNyMemoryStream* const* streams) const;
  void Write(const TNyColumnValue* values, TNyMemoryStream* const* streams, uint8_t* out) const;

 private:
  struct TField {
    TFieldType type;
    int offset;
    int storage;  // FieldStorageSize
  };
  std::vector<TField> fields_;
  size_t bitmapBytes_ = 0;
};

}  // namespace ny
