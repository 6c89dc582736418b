#include "app/MyLike.h"

#include <utf8proc.h>

#include <string>
#include <vector>

#include "app/LibText.h"
#include "sqlite/NySQLite3DB.h"
#include "util/NyApi.h"

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

inline unsigned char UpAscii(unsigned char c) {
  return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c;
}

// Upper-cased code points of a stripped text (decoded first when it is not UTF-8).
void UpperCodePoints(std::string_view stripped, std::vector<int32_t>& out) {
  out.clear();
  const std::string text = LibText(stripped);
  const auto* p = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  utf8proc_ssize_t left = static_cast<utf8proc_ssize_t>(text.size());
  while (left > 0) {
    utf8proc_int32_t cp;
    const utf8proc_ssize_t n = utf8proc_iterate(p, left, &cp);
    if (n <= 0) {  // LibText gives valid UTF-8; kept safe all the same
      out.push_back(*p);
      ++p;
      --left;
      continue;
    }
    out.push_back(utf8proc_toupper(cp));
    p += n;
    left -= n;
  }
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
  if (IsAscii(v)) {
    // Upper-casing maps ASCII to ASCII, so an ASCII value holds no other character.
    if (!p.ascii) return 0;
    const std::string_view pat = p.asciiUpper;
    if (pat.size() > v.size()) return 0;
    const unsigned char first = static_cast<unsigned char>(pat[0]);
    const size_t last = v.size() - pat.size();
    for (size_t i = 0; i <= last; ++i) {
      if (UpAscii(static_cast<unsigned char>(v[i])) != first) continue;
      size_t k = 1;
      while (k < pat.size() &&
             UpAscii(static_cast<unsigned char>(v[i + k])) == static_cast<unsigned char>(pat[k]))
        ++k;
      if (k == pat.size()) return static_cast<int>(i + 1);
    }
    return 0;
  }
  static std::vector<int32_t> up;  // reused: the engine calls from one thread
  UpperCodePoints(v, up);
  const size_t n = p.upper.size();
  if (n > up.size()) return 0;
  for (size_t i = 0; i + n <= up.size(); ++i) {
    size_t k = 0;
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
