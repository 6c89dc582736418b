#include "app/MyLike.h"

#include <utf8proc.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/LibText.h"
#include "sqlite/NySQLite3DB.h"
#include "util/NyApi.h"
#include "util/NyText.h"

namespace ny {

namespace {

std::string_view Stripped(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) < 33) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) < 33) --e;
  return s.substr(b, e - b);
}

bool IsAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

// ASCII upper case of every byte; bytes from 128 on stay as they are.
struct TUpTable {
  unsigned char t[256];
  constexpr TUpTable() : t() {
    for (int c = 0; c < 256; ++c)
      t[c] = static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  }
};
constexpr TUpTable kUp;

inline unsigned char UpAscii(unsigned char c) {
  return kUp.t[c];
}

// Unicode upper case of a code point; a table covers ASCII, Latin and Cyrillic, where the
// search spends its time.
int32_t Upper(int32_t cp) {
  static const auto table = [] {
    std::vector<int32_t> t(0x530);
    for (int32_t c = 0; c < 0x530; ++c) t[static_cast<size_t>(c)] = utf8proc_toupper(c);
    return t;
  }();
  return cp >= 0 && cp < 0x530 ? table[static_cast<size_t>(cp)] : utf8proc_toupper(cp);
}

// The code points of the Windows-1251 bytes 128..255.
const std::vector<int32_t>& Cp1251() {
  static const std::vector<int32_t> table = [] {
    std::vector<int32_t> t(128, 0xFFFD);
    for (int b = 128; b < 256; ++b) {
      const std::string u = LibText(std::string(1, static_cast<char>(b)));
      utf8proc_int32_t cp = 0;
      if (utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(u.data()),
                           static_cast<utf8proc_ssize_t>(u.size()), &cp) > 0) {
        t[static_cast<size_t>(b - 128)] = cp;
      }
    }
    return t;
  }();
  return table;
}

// Upper-cased code points of a stripped text: UTF-8 as it is, other bytes as Windows-1251.
// `out` is reused, so a warm search allocates nothing.
void UpperCodePoints(std::string_view text, std::vector<int32_t>& out) {
  out.clear();
  const auto* p = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  utf8proc_ssize_t left = static_cast<utf8proc_ssize_t>(text.size());
  while (left > 0) {
    if (*p < 0x80) {
      out.push_back(Upper(*p));
      ++p;
      --left;
      continue;
    }
    utf8proc_int32_t cp;
    const utf8proc_ssize_t n = utf8proc_iterate(p, left, &cp);
    if (n <= 0) {  // not UTF-8: the whole text is Windows-1251
      out.clear();
      const std::vector<int32_t>& cp1251 = Cp1251();
      for (unsigned char c : text) out.push_back(Upper(c < 0x80 ? c : cp1251[c - 128u]));
      return;
    }
    out.push_back(Upper(cp));
    p += n;
    left -= n;
  }
}

// The 1-based character position of the byte at `i` of `v`: UTF-8 counts its lead bytes, a
// Windows-1251 text its bytes.
int CharPosition(std::string_view v, size_t i) {
  if (!IsValidUtf8(v)) return static_cast<int>(i + 1);
  int n = 1;
  for (size_t k = 0; k < i; ++k)
    if ((static_cast<unsigned char>(v[k]) & 0xC0) != 0x80) ++n;
  return n;
}

// Two characters outside ASCII upper-case to ASCII letters: dotless i (U+0131, to I) and
// long s (U+017F, to S). A value holding either is searched by code points.
bool HasAsciiUpperingLetter(std::string_view v) {
  for (const auto& [lead, next] : {std::pair{'\xC4', '\xB1'}, std::pair{'\xC5', '\xBF'}}) {
    const char* p = v.data();
    const char* end = v.data() + v.size();
    while ((p = static_cast<const char*>(std::memchr(p, lead, static_cast<size_t>(end - p)))) !=
           nullptr) {
      if (p + 1 < end && p[1] == next) return true;
      ++p;
    }
  }
  return false;
}

// A pattern made ready for many values.
struct TPreparedPattern {
  std::string raw;             // the argument as the engine gave it
  bool valid = false;          // `raw` has been prepared
  bool empty = true;           // nothing left after stripping: no value matches
  bool ascii = true;           // every upper-cased character is ASCII
  std::string asciiUpper;      // the upper-cased pattern when `ascii`
  std::vector<int32_t> upper;  // the upper-cased code points
};

void Prepare(TPreparedPattern& p, std::string_view raw) {
  p.raw.assign(raw.data(), raw.size());
  p.valid = true;
  UpperCodePoints(Stripped(raw), p.upper);
  p.empty = p.upper.empty();
  p.ascii = true;
  p.asciiUpper.clear();
  for (int32_t c : p.upper) {
    if (c >= 0x80) p.ascii = false;
    p.asciiUpper.push_back(static_cast<char>(c));
  }
}

int Search(std::string_view value, const TPreparedPattern& p) {
  if (p.empty) return 0;
  const std::string_view v = Stripped(value);
  if (p.ascii && (IsAscii(v) || !HasAsciiUpperingLetter(v))) {
    // Every other character outside ASCII upper-cases outside ASCII, so its bytes (UTF-8 or
    // Windows-1251, all 128 and above) never match a byte of the pattern.
    const std::string_view pat = p.asciiUpper;
    if (pat.size() > v.size()) return 0;
    // Candidates are the places of the first letter in either case, found by memchr.
    const char up = pat[0];
    const char low = up >= 'A' && up <= 'Z' ? static_cast<char>(up + 32) : up;
    const char* const begin = v.data();
    const char* const stop = begin + (v.size() - pat.size()) + 1;  // last start + 1
    auto next = [stop](const char* from, char c) {
      return from < stop ? static_cast<const char*>(
                               std::memchr(from, c, static_cast<size_t>(stop - from)))
                         : nullptr;
    };
    const char* nu = next(begin, up);
    const char* nl = low == up ? nullptr : next(begin, low);
    while (nu != nullptr || nl != nullptr) {
      const bool lowFirst = nl != nullptr && (nu == nullptr || nl < nu);
      const char* c = lowFirst ? nl : nu;
      size_t k = 1;
      while (k < pat.size() &&
             UpAscii(static_cast<unsigned char>(c[k])) == static_cast<unsigned char>(pat[k]))
        ++k;
      if (k == pat.size()) return CharPosition(v, static_cast<size_t>(c - begin));
      if (lowFirst)
        nl = next(c + 1, low);
      else
        nu = next(c + 1, up);
    }
    return 0;
  }
  // Upper-casing maps ASCII to ASCII, so an ASCII value holds no other character.
  if (IsAscii(v)) return 0;
  static std::vector<int32_t> up;  // reused: the engine calls from one thread
  UpperCodePoints(v, up);
  const size_t n = p.upper.size();
  if (n > up.size()) return 0;
  const int32_t first = p.upper[0];
  for (size_t i = 0; i + n <= up.size(); ++i) {
    if (up[i] != first) continue;
    size_t k = 1;
    while (k < n && up[i + k] == p.upper[k]) ++k;
    if (k == n) return static_cast<int>(i + 1);
  }
  return 0;
}

// The engine entry points the function needs, taken from the connection that registered it
// (every connection binds the same library).
decltype(&::sqlite3_value_text) gValueText = nullptr;
decltype(&::sqlite3_value_bytes) gValueBytes = nullptr;
decltype(&::sqlite3_result_int) gResultInt = nullptr;

TPreparedPattern gPattern;

std::string_view ArgText(sqlite3_value* v) {
  const unsigned char* t = gValueText(v);
  if (t == nullptr) return {};
  return {reinterpret_cast<const char*>(t), static_cast<size_t>(gValueBytes(v))};
}

void MyLikeFunc(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (argc != 2) {
    gResultInt(ctx, 0);
    return;
  }
  const std::string_view value = ArgText(argv[0]);
  const std::string_view pattern = ArgText(argv[1]);
  if (!gPattern.valid || pattern != gPattern.raw) Prepare(gPattern, pattern);
  gResultInt(ctx, Search(value, gPattern));
}

}  // namespace

int MyLikePosition(std::string_view value, std::string_view pattern) {
  TPreparedPattern p;
  Prepare(p, pattern);
  return Search(value, p);
}

int RegisterMyLike(TNySQLite3DB& db) {
  if (db.sqlite3_value_text == nullptr || db.sqlite3_value_bytes == nullptr ||
      db.sqlite3_result_int == nullptr) {
    return SQLITE_MISUSE;
  }
  gValueText = db.sqlite3_value_text;
  gValueBytes = db.sqlite3_value_bytes;
  gResultInt = db.sqlite3_result_int;
  return db.CreateFunction("MyLike", 2, SQLITE_UTF8, nullptr, MyLikeFunc, nullptr, nullptr);
}

}  // namespace ny
