#include "sqlite/NyRowCodec.h"

#include <cstring>

namespace ny {

namespace {

void PutLength(std::vector<uint8_t>& out, size_t n) {
  while (n >= 0x80) {
    out.push_back(static_cast<uint8_t>(n | 0x80));
    n >>= 7;
  }
  out.push_back(static_cast<uint8_t>(n));
}

size_t GetLength(const uint8_t*& p) {
  size_t n = 0;
  for (int shift = 0;; shift += 7) {
    const uint8_t b = *p++;
    n |= size_t(b & 0x7F) << shift;
    if (!(b & 0x80)) return n;
  }
}

void PutBytes(std::vector<uint8_t>& out, const void* p, size_t n) {
  const auto* b = static_cast<const uint8_t*>(p);
  out.insert(out.end(), b, b + n);
}

}  // namespace

void TNyRowCodec::SetDefs(const std::vector<TNyFieldDef>& defs) {
  fields_.clear();
  fields_.reserve(defs.size());
  for (const TNyFieldDef& d : defs) fields_.push_back({d.DataType, d.Offset, d.StorageSize});
  bitmapBytes_ = (fields_.size() + 7) / 8;
}

void TNyRowCodec::Begin(std::vector<uint8_t>& out) const {
  out.assign(bitmapBytes_, 0);
}

void TNyRowCodec::Append(std::vector<uint8_t>& out, size_t field, const TNyColumnValue& value,
                         TNyMemoryStream* stream) const {
  const TField& f = fields_[field];
  if (IsBlobType(f.type)) {
    if (!stream) return;
    PutBytes(out, &stream, sizeof stream);
  } else if (IsTextType(f.type)) {
    if (value.Bytes.empty()) return;
    PutLength(out, value.Bytes.size());
    PutBytes(out, value.Bytes.data(), value.Bytes.size());
  } else {
    if (!value.HasValue) return;
    PutBytes(out, value.Native, size_t(f.storage - 1));
  }
  out[field / 8] = static_cast<uint8_t>(out[field / 8] | (1u << (field % 8)));
}

namespace {
size_t LengthBytes(size_t n) {
  size_t k = 1;
  while (n >= 0x80) {
    n >>= 7;
    ++k;
  }
  return k;
}
}  // namespace

size_t TNyRowCodec::EncodedSize(const TNyColumnValue* values,
                                TNyMemoryStream* const* streams) const {
  size_t n = bitmapBytes_;
  for (size_t i = 0; i < fields_.size(); ++i) {
    const TField& f = fields_[i];
    if (IsBlobType(f.type)) {
      if (streams[i]) n += sizeof(TNyMemoryStream*);
    } else if (IsTextType(f.type)) {
      const size_t len = values[i].Bytes.size();
      if (len) n += LengthBytes(len) + len;
    } else if (values[i].HasValue) {
      n += size_t(f.storage - 1);
    }
  }
  return n;
}

void TNyRowCodec::Write(const TNyColumnValue* values, TNyMemoryStream* const* streams,
                        uint8_t* out) const {
  std::memset(out, 0, bitmapBytes_);
  uint8_t* p = out + bitmapBytes_;
  for (size_t i = 0; i < fields_.size(); ++i) {
    const TField& f = fields_[i];
    const TNyColumnValue& v = values[i];
    if (IsBlobType(f.type)) {
      if (!streams[i]) continue;
      std::memcpy(p, &streams[i], sizeof(TNyMemoryStream*));
      p += sizeof(TNyMemoryStream*);
    } else if (IsTextType(f.type)) {
      size_t len = v.Bytes.size();
      if (!len) continue;
      while (len >= 0x80) {
        *p++ = static_cast<uint8_t>(len | 0x80);
        len >>= 7;
      }
      *p++ = static_cast<uint8_t>(len);
      std::memcpy(p, v.Bytes.data(), v.Bytes.size());
      p += v.Bytes.size();
    } else {
      if (!v.HasValue) continue;
      std::memcpy(p, v.Native, size_t(f.storage - 1));
      p += f.storage - 1;
    }
    out[i / 8] = static_cast<uint8_t>(out[i / 8] | (1u << (i % 8)));
  }
}

uint8_t* TNyRowCodec::AppendAt(uint8_t* row, uint8_t* at, size_t field,
                               const TNyColumnValue& value, TNyMemoryStream* stream) const {
  const TField& f = fields_[field];
  if (IsBlobType(f.type)) {
    if (!stream) return at;
    std::memcpy(at, &stream, sizeof stream);
    at += sizeof stream;
  } else if (IsTextType(f.type)) {
    size_t len = value.Bytes.size();
    if (!len) return at;
    while (len >= 0x80) {
      *at++ = static_cast<uint8_t>(len | 0x80);
      len >>= 7;
    }
    *at++ = static_cast<uint8_t>(len);
    std::memcpy(at, value.Bytes.data(), value.Bytes.size());
    at += value.Bytes.size();
  } else {
    if (!value.HasValue) return at;
    std::memcpy(at, value.Native, size_t(f.storage - 1));
    at += f.storage - 1;
  }
  row[field / 8] = static_cast<uint8_t>(row[field / 8] | (1u << (field % 8)));
  return at;
}

void TNyRowCodec::Encode(const uint8_t* buffer, std::vector<uint8_t>& out) const {
  Begin(out);
  for (size_t i = 0; i < fields_.size(); ++i) {
    const TField& f = fields_[i];
    const uint8_t* slot = buffer + f.offset;
    bool has;
    if (IsBlobType(f.type)) {
      TNyMemoryStream* s = nullptr;
      std::memcpy(&s, slot, sizeof s);
      has = s != nullptr;
      if (has) PutBytes(out, &s, sizeof s);
    } else if (IsTextType(f.type)) {
      const size_t n = strnlen(reinterpret_cast<const char*>(slot), size_t(f.storage - 1));
      has = n > 0;
      if (has) {
        PutLength(out, n);
        PutBytes(out, slot, n);
      }
    } else {
      has = slot[0] != 0;
      if (has) PutBytes(out, slot + 1, size_t(f.storage - 1));
    }
    if (has) out[i / 8] = static_cast<uint8_t>(out[i / 8] | (1u << (i % 8)));
  }
}

void TNyRowCodec::Decode(const uint8_t* row, uint8_t* buffer) const {
  const uint8_t* p = row + bitmapBytes_;
  for (size_t i = 0; i < fields_.size(); ++i) {
    const TField& f = fields_[i];
    uint8_t* slot = buffer + f.offset;
    const bool has = (row[i / 8] >> (i % 8)) & 1;
    if (IsBlobType(f.type)) {
      if (has) {
        std::memcpy(slot, p, sizeof(TNyMemoryStream*));
        p += sizeof(TNyMemoryStream*);
      } else {
        std::memset(slot, 0, sizeof(TNyMemoryStream*));
      }
    } else if (IsTextType(f.type)) {
      size_t n = 0;
      if (has) {
        n = GetLength(p);
        std::memcpy(slot, p, n);
        p += n;
      }
      slot[n] = 0;
    } else {
      slot[0] = has ? 1 : 0;
      if (has) {
        std::memcpy(slot + 1, p, size_t(f.storage - 1));
        p += f.storage - 1;
      }
    }
  }
}

}  // namespace ny
