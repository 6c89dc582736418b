#include "sqlite/NySQLite3BlobStream.h"

#include <cstring>

#include "sqlite/NySQLiteError.h"

namespace ny {

TNyQLite3BlobStream::TNyQLite3BlobStream(TNyBlobTarget target, TBlobStreamMode mode)
    : target_(std::move(target)), mode_(mode) {
  if (!IsBlobType(target_.DataType)) throw EInvalidCast();
  if (mode_ != TBlobStreamMode::bmWrite) Load();
}

TNyQLite3BlobStream::~TNyQLite3BlobStream() {
  try {
    if (written_) Save();
  } catch (...) {  // out of memory: the field keeps its old value
  }
}

TNyMemoryStream* TNyQLite3BlobStream::FieldStream() const {
  uint8_t* buffer = target_.CurrentBuffer ? target_.CurrentBuffer() : nullptr;
  if (!buffer) return nullptr;
  TNyMemoryStream* stream = nullptr;
  std::memcpy(&stream, buffer + target_.Offset, sizeof stream);
  return stream;
}

void TNyQLite3BlobStream::Load() {
  Clear();
  if (TNyMemoryStream* field = FieldStream()) CopyFrom(*field);
  SetPosition(0);
}

void TNyQLite3BlobStream::Save() {
  uint8_t* buffer = target_.CurrentBuffer ? target_.CurrentBuffer() : nullptr;
  if (!buffer) return;
  TNyMemoryStream* field = target_.NewStream ? target_.NewStream() : nullptr;
  if (field)
    std::memcpy(buffer + target_.Offset, &field, sizeof field);
  else
    field = FieldStream();
  if (!field) return;
  field->Clear();
  field->CopyFrom(*this);
  field->SetPosition(0);
}

int64_t TNyQLite3BlobStream::Read(void* buffer, int64_t count) {
  read_ = true;
  return TNyMemoryStream::Read(buffer, count);
}

int64_t TNyQLite3BlobStream::Write(const void* buffer, int64_t count) {
  written_ = true;
  int64_t n = TNyMemoryStream::Write(buffer, count);
  if (target_.Modified) target_.Modified();
  return n;
}

}  // namespace ny
