#include "util/NyRtfCodePage.h"

#include <mutex>

#include "util/NyText.h"

namespace ny {

size_t EncodeUtf8(char* out, uint32_t cp) {
  if (cp == 0) return 0;
  if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFD;
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (cp >> 18));
  out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

int CodePageOfFontCharset(int charset) {
  switch (charset) {
    case 0:
    case 1:
      return 0;  // the document's
    case 2:
      return 1252;
    case 77:
      return 10000;
    case 128:
      return 932;
    case 129:
      return 949;
    case 134:
      return 936;
    case 136:
      return 950;
    case 255:
      return 437;
    default:
      return CodePageOfCharset(charset);
  }
}

bool IsMultiByteCodePage(int cp) {
  return cp == 932 || cp == 936 || cp == 949 || cp == 950 || cp == 1361;
}

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";

std::unique_ptr<TByteTable> MakeByteTable(int cp) {
  auto table = std::make_unique<TByteTable>();
  for (int i = 0; i < 256; ++i) {
    const char byte = static_cast<char>(i);
    std::string t = i < 0x80 ? std::string(1, byte) : DecodeCodePage(std::string_view(&byte, 1), cp);
    if (t.empty() || !IsValidUtf8(t) || (i >= 0x80 && t == std::string_view(&byte, 1))) {
      t = DecodeCodePage(std::string_view(&byte, 1), 1252);
      if (t.empty() || !IsValidUtf8(t) || t == std::string_view(&byte, 1)) t = kReplacement;
    }
    (*table)[static_cast<size_t>(i)] = std::move(t);
  }
  return table;
}

}  // namespace

// The first 64 pages asked for are kept for the process; later ones in this object only, so a
// file naming thousands of pages cannot grow the shared cache.
const TByteTable& TByteTables::Get(int cp) {
  static std::mutex mutex;
  static std::map<int, std::unique_ptr<TByteTable>> shared;
  {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = shared.find(cp);
    if (it != shared.end()) return *it->second;
    if (shared.size() < 64) return *shared.emplace(cp, MakeByteTable(cp)).first->second;
  }
  auto it = own_.find(cp);
  if (it == own_.end()) it = own_.emplace(cp, MakeByteTable(cp)).first;
  return *it->second;
}

}  // namespace ny
