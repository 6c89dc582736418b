// TNyQLite3BlobStream: byte-stream access to the value of a blob or memo field of a record set.
//
// A blob field's slot in a record buffer holds a TNyMemoryStream* owned by the row store (or
// null for no value). The blob stream works on a copy of those bytes: it loads them when
// created (unless opened for writing only) and, when anything was written, saves its whole
// content when it is destroyed: into a new stream put into the slot when the target makes new
// streams, else into the field's stream. Opened for writing it therefore starts empty and replaces the
// value; opened for reading it sees the field's current content and never changes it.
#pragma once

#include <cstdint>
#include <functional>

#include "sqlite/NyField.h"  // TBlobStreamMode
#include "sqlite/NyMemoryStream.h"
#include "sqlite/NySQLiteTypes.h"

namespace ny {

// The field a blob stream serves, as its record set describes it.
struct TNyBlobTarget {
  TFieldType DataType = TFieldType::ftUnknown;  // must be a blob, memo or graphic type
  int Offset = 0;                               // the field's slot in a record buffer
  // The record buffer of the record set's current state; null when there is none (an empty
  // record set in browse state).
  std::function<uint8_t*()> CurrentBuffer;
  // Marks the record set as modified for the framework (called on every write).
  std::function<void()> Modified;
  // Makes a new empty stream (owned elsewhere) to save into; when unset or when it gives null,
  // the save goes into the stream already in the slot.
  std::function<TNyMemoryStream*()> NewStream;
};

class TNyQLite3BlobStream : public TNyMemoryStream {
 public:
  // Throws EInvalidCast "Invalid class typecast" when the field is not a blob type. Unless
  // `mode` is bmWrite, the stream starts with the field's bytes (none without a buffer or a
  // stream in the slot), positioned at 0.
  TNyQLite3BlobStream(TNyBlobTarget target, TBlobStreamMode mode);
  // When written: a new stream from NewStream (else the field's stream, emptied) gets this
  // stream's whole content, positioned at 0, and is put into the slot; nothing is saved when
  // the current state has no buffer. Never throws.
  ~TNyQLite3BlobStream() override;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;

  TBlobStreamMode Mode() const { return mode_; }
  bool Written() const { return written_; }
  bool WasRead() const { return read_; }

 private:
  // The stream referenced by the field's slot in the current buffer, or null.
  TNyMemoryStream* FieldStream() const;
  void Load();
  void Save();

  TNyBlobTarget target_;
  TBlobStreamMode mode_;
  bool written_ = false;
  bool read_ = false;
};

}  // namespace ny
