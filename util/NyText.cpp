#include "util/NyText.h"

#include <errno.h>
#include <iconv.h>

#include <cstdint>
#include <string>

namespace ny {

namespace {

size_t Utf8SeqLen(std::string_view s, size_t i) {
  return Utf8Next(s, i).Len;
}

std::string IconvName(int codePage) {
  switch (codePage) {
    case 65001:
      return "UTF-8";
    case 20866:
      return "KOI8-R";
    case 28591:
    case 28592:
    case 28593:
    case 28594:
    case 28595:
    case 28596:
    case 28597:
    case 28598:
    case 28599:
      return "ISO-8859-" + std::to_string(codePage - 28590);
    case 28605:
      return "ISO-8859-15";
    default:
      if (codePage <= 0) return {};
      return "CP" + std::to_string(codePage);
  }
}

// RAII holder of an iconv descriptor.
class Converter {
 public:
  Converter(const std::string& to, const std::string& from)
      : cd_(iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Converts `in` through `conv`. A sequence the source cannot decode (or the target cannot
// hold) is skipped one byte/character at a time and `bad` is emitted in its place.
std::string Run(Converter& conv, std::string_view in, std::string_view bad, bool fromUtf8) {
  std::string out;
  out.reserve(in.size() * 2 + 8);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char buf[4096];
  while (srcLeft > 0) {
    char* dst = buf;
    size_t dstLeft = sizeof buf;
    size_t r = iconv(conv.get(), &src, &srcLeft, &dst, &dstLeft);
    out.append(buf, static_cast<size_t>(dst - buf));
    if (r != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL: skip the offending input unit.
    size_t skip = 1;
    if (fromUtf8) {
      size_t n = Utf8SeqLen(std::string_view(src, srcLeft), 0);
      skip = n == 0 ? 1 : n;
    }
    if (skip > srcLeft) skip = srcLeft;
    src += skip;
    srcLeft -= skip;
    out.append(bad);
    iconv(conv.get(), nullptr, nullptr, nullptr, nullptr);
  }
  // Flush any shift state.
  char* dst = buf;
  size_t dstLeft = sizeof buf;
  iconv(conv.get(), nullptr, nullptr, &dst, &dstLeft);
  out.append(buf, static_cast<size_t>(dst - buf));
  return out;
}

std::string FromUtf16(std::string_view bytes, bool bigEndian) {
  Converter conv("UTF-8", bigEndian ? "UTF-16BE" : "UTF-16LE");
  if (!conv.ok()) return std::string(bytes);
  return Run(conv, bytes, "\xEF\xBF\xBD", false);
}

// `s` with every byte that is not part of a well-formed UTF-8 sequence replaced by U+FFFD.
std::string RepairUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const size_t n = Utf8SeqLen(s, i);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
    } else {
      out.append(s.substr(i, n));
      i += n;
    }
  }
  return out;
}

}  // namespace

TUtf8Char Utf8Next(std::string_view s, size_t i) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  const size_t left = s.size() - i;
  const TUtf8Char bad{c, 0};
  const auto cont = [&](size_t k) { return (b(i + k) & 0xC0) == 0x80; };
  if (c < 0x80) return {c, 1};
  if (c >= 0xC2 && c <= 0xDF) {
    if (left < 2 || !cont(1)) return bad;
    return {static_cast<char32_t>((c & 0x1F) << 6 | (b(i + 1) & 0x3F)), 2};
  }
  if (c >= 0xE0 && c <= 0xEF) {
    if (left < 3 || !cont(1) || !cont(2)) return bad;
    const unsigned char c1 = b(i + 1);
    if (c == 0xE0 && c1 < 0xA0) return bad;  // overlong
    if (c == 0xED && c1 > 0x9F) return bad;  // surrogate
    return {static_cast<char32_t>((c & 0x0F) << 12 | (c1 & 0x3F) << 6 | (b(i + 2) & 0x3F)), 3};
  }
  if (c >= 0xF0 && c <= 0xF4) {
    if (left < 4 || !cont(1) || !cont(2) || !cont(3)) return bad;
    const unsigned char c1 = b(i + 1);
    if (c == 0xF0 && c1 < 0x90) return bad;  // overlong
    if (c == 0xF4 && c1 > 0x8F) return bad;  // past U+10FFFF
    return {static_cast<char32_t>((c & 0x07) << 18 | (c1 & 0x3F) << 12 | (b(i + 2) & 0x3F) << 6 |
                                  (b(i + 3) & 0x3F)),
            4};
  }
  return bad;
}

std::u32string Utf8CodePoints(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const TUtf8Char c = Utf8Next(s, i);
    out.push_back(c.Cp);
    i += c.Len == 0 ? 1 : c.Len;
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFD;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool IsValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    size_t n = Utf8SeqLen(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string Utf8Cut(std::string_view s, size_t maxBytes) {
  if (s.size() <= maxBytes) return std::string(s);
  size_t i = 0;
  while (i < s.size()) {
    size_t n = Utf8SeqLen(s, i);
    if (n == 0) n = 1;
    if (i + n > maxBytes) break;
    i += n;
  }
  return std::string(s.substr(0, i));
}

std::string Utf8Prefix(std::string_view s, size_t maxChars) {
  size_t i = 0;
  for (size_t count = 0; i < s.size() && count < maxChars; ++count) {
    const size_t n = Utf8SeqLen(s, i);
    i += n == 0 ? 1 : n;
  }
  return std::string(s.substr(0, i));
}

size_t Utf8Length(std::string_view s) {
  size_t count = 0;
  for (size_t i = 0; i < s.size(); ++count) {
    size_t n = Utf8SeqLen(s, i);
    i += n == 0 ? 1 : n;
  }
  return count;
}

std::string DecodeCodePage(std::string_view bytes, int codePage) {
  const std::string name = IconvName(codePage);
  if (name.empty()) return std::string(bytes);
  Converter conv("UTF-8", name);
  if (!conv.ok()) return std::string(bytes);
  return Run(conv, bytes, "\xEF\xBF\xBD", name == "UTF-8");
}

std::string EncodeCodePage(std::string_view utf8, int codePage) {
  const std::string name = IconvName(codePage);
  if (name.empty()) return std::string(utf8);
  Converter conv(name, "UTF-8");
  if (!conv.ok()) return std::string(utf8);
  return Run(conv, utf8, "?", true);
}

std::string DecodeTextBytes(std::string_view bytes, int legacyCodePage) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    return RepairUtf8(bytes.substr(3));
  }
  if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE")
    return FromUtf16(bytes.substr(2), false);
  if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF")
    return FromUtf16(bytes.substr(2), true);
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return DecodeCodePage(bytes, legacyCodePage);
}

int CodePageOfCharset(int charset) {
  switch (charset) {
    case 0:
      return 1252;
    case 204:
      return 1251;
    case 238:
      return 1250;
    case 161:
      return 1253;
    case 162:
      return 1254;
    case 177:
      return 1255;
    case 178:
      return 1256;
    case 186:
      return 1257;
    case 222:
      return 874;
    case 163:
      return 1258;
    default:
      return 1251;
  }
}

}  // namespace ny
