#include "sqlite/NySQLite3QueryText.h"

#include "sqlite/NySQLRout3.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace nyq {
namespace {

bool IsQuote(char c) {
  return c == '\'' || c == '"' || c == '`';
}

bool IsNameDelimiter(char c) {
  return c == '\n' || c == '\r' || c == ' ' || c == ')' || c == ',' || c == ';';
}

// Civil date of a day count from 1970-01-01 (proleptic Gregorian).
void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

std::string Pad(int value, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", width, value);
  return buf;
}

}  // namespace

std::string ParseParams(std::string_view sql, std::vector<std::string>& names) {
  std::string out;
  out.reserve(sql.size());
  char literal = 0;
  size_t i = 0;
  while (i < sql.size()) {
    const char c = sql[i];
    if (literal != 0) {
      out += c;
      if (c == literal) literal = 0;
      ++i;
      continue;
    }
    if (IsQuote(c)) {
      literal = c;
      out += c;
      ++i;
      continue;
    }
    if (c != ':') {
      out += c;
      ++i;
      continue;
    }
    if (i + 1 < sql.size() && sql[i + 1] == ':') {
      out += ':';
      i += 2;
      continue;
    }
    if (i + 1 >= sql.size() || IsNameDelimiter(sql[i + 1])) {
      out += c;
      ++i;
      continue;
    }
    std::string name;
    size_t j = i + 1;
    if (IsQuote(sql[j])) {
      const char q = sql[j++];
      while (j < sql.size() && sql[j] != q) name += sql[j++];
      if (j < sql.size()) ++j;  // the closing quote
    } else {
      while (j < sql.size() && !IsNameDelimiter(sql[j])) name += sql[j++];
    }
    names.push_back(std::move(name));
    out += '?';
    i = j;
  }
  return out;
}

std::string SubstituteValues(std::string_view text, const std::vector<TSubstValue>& values) {
  std::string out(text);
  for (const TSubstValue& v : values) {
    const size_t mark = out.find('?');
    if (mark == std::string::npos) continue;
    std::string put;
    if (v.kind == TSubstValue::Blob) {
      put = "\x02";
    } else if (v.bound && v.text.empty()) {
      put = "NULL";
    } else {
      std::string value = v.text;
      std::replace(value.begin(), value.end(), '?', '\x01');
      put = ny::QuoteSQL(value, '\'');
    }
    out.replace(mark, 1, put);
  }
  for (char& c : out)
    if (c == '\x01') c = '?';
  return out;
}

std::string FilteredText(std::string_view text, bool filtered, std::string_view filter) {
  if (!filtered || filter.empty()) return std::string(text);
  std::string out = "select * from (";
  out += text;
  out += ") where ";
  out += filter;
  return out;
}

std::string PagedText(std::string_view text, int32_t maxResults, int32_t startResult) {
  std::string out(text);
  if (maxResults != 0) out += " limit " + std::to_string(maxResults);
  if (startResult != 0) out += " offset " + std::to_string(startResult);
  return out;
}

std::string FormatDateTime(std::string_view format, double dateTime) {
  // Day 0 of a date-time is 1899-12-30, which is 25569 days before 1970-01-01.
  const double dayPart = std::floor(dateTime);
  int64_t ms = std::llround((dateTime - dayPart) * 86400000.0);
  int64_t days = static_cast<int64_t>(dayPart);
  if (ms >= 86400000) {
    ms -= 86400000;
    ++days;
  }
  int y = 0, mo = 0, d = 0;
  CivilFromDays(days - 25569, y, mo, d);
  const int h = static_cast<int>(ms / 3600000), n = static_cast<int>(ms / 60000 % 60);
  const int s = static_cast<int>(ms / 1000 % 60), z = static_cast<int>(ms % 1000);

  std::string out;
  bool afterHour = false;
  size_t i = 0;
  auto run = [&](char letter) {
    size_t k = i;
    while (k < format.size() && (format[k] | 0x20) == letter) ++k;
    return k - i;
  };
  while (i < format.size()) {
    const char c = format[i];
    const char lc = static_cast<char>(c | 0x20);
    if (c == '"' || c == '\'') {
      size_t k = i + 1;
      while (k < format.size() && format[k] != c) out += format[k++];
      i = k < format.size() ? k + 1 : k;
      continue;
    }
    const size_t len = (lc >= 'a' && lc <= 'z') ? run(lc) : 0;
    switch (len ? lc : 0) {
      case 'y':
        out += len <= 2 ? Pad(y % 100, 2) : Pad(y, 4);
        break;
      case 'm':
        out += afterHour ? Pad(n, len >= 2 ? 2 : 1) : Pad(mo, len >= 2 ? 2 : 1);
        afterHour = false;
        break;
      case 'd':
        out += Pad(d, len >= 2 ? 2 : 1);
        break;
      case 'h':
        out += Pad(h, len >= 2 ? 2 : 1);
        afterHour = true;
        break;
      case 'n':
        out += Pad(n, len >= 2 ? 2 : 1);
        afterHour = false;
        break;
      case 's':
        out += Pad(s, len >= 2 ? 2 : 1);
        break;
      case 'z':
        out += len >= 3 ? Pad(z, 3) : std::to_string(z);
        break;
      default:
        out += c;
        i += 1;
        continue;
    }
    i += len;
  }
  return out;
}

}  // namespace nyq
