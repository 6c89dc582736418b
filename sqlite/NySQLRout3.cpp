#include "sqlite/NySQLRout3.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <ctime>

#include "sqlite/NySQLiteError.h"
#include "sqlite/NySQLiteTypes.h"
#include "util/NyApi.h"

namespace ny {

// ---- calendar --------------------------------------------------------------------------

namespace {

bool IsLeap(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

constexpr int64_t kDay1970 = 719163;  // day number of 1970-01-01

int CurrentYear() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm.tm_year + 1900;
}

// A run of 1..maxDigits decimal digits at s[*i]; advances *i.
bool ScanNumber(std::string_view s, size_t* i, int maxDigits, int* value, int* digits = nullptr) {
  int n = 0, v = 0;
  while (*i < s.size() && n < maxDigits && s[*i] >= '0' && s[*i] <= '9') {
    v = v * 10 + (s[*i] - '0');
    ++*i;
    ++n;
  }
  if (digits) *digits = n;
  *value = v;
  return n > 0;
}

void SkipBlanks(std::string_view s, size_t* i) {
  while (*i < s.size() && s[*i] == ' ') ++*i;
}

// Order of day, month and year in a date format: "DMY", "MDY" or "YMD".
std::string DateOrder(std::string_view format) {
  std::string order;
  for (char c : format) {
    char u = c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
    if ((u == 'D' || u == 'M' || u == 'Y') && order.find(u) == std::string::npos) order += u;
  }
  if (order == "MDY" || order == "YMD" || order == "DMY") return order;
  if (!order.empty() && order[0] == 'Y') return "YMD";
  if (!order.empty() && order[0] == 'M') return "MDY";
  return "DMY";
}

// A date at s[*i] in the order of `format` with `sep` between its numbers; two numbers (day and
// month) take the current year. A two-digit year lies within 50 years of the current one.
bool ScanDate(std::string_view s, size_t* i, const TNyFormatSettings& fs, int32_t* dayNumber) {
  SkipBlanks(s, i);
  int n[3] = {0, 0, 0}, digits[3] = {0, 0, 0}, count = 0;
  while (count < 3) {
    if (!ScanNumber(s, i, 4, &n[count], &digits[count])) return false;
    ++count;
    if (count < 3 && *i < s.size() && s[*i] == fs.DateSeparator)
      ++*i;
    else
      break;
  }
  if (count < 2) return false;
  std::string order = DateOrder(fs.ShortDateFormat);
  int y = 0, m = 0, d = 0;
  int yearDigits = 4;
  if (count == 2) {
    y = CurrentYear();
    if (order == "MDY") {
      m = n[0];
      d = n[1];
    } else if (order == "YMD") {
      m = n[0];
      d = n[1];
    } else {
      d = n[0];
      m = n[1];
    }
  } else {
    for (int k = 0; k < 3; ++k) {
      if (order[size_t(k)] == 'Y') {
        y = n[k];
        yearDigits = digits[k];
      } else if (order[size_t(k)] == 'M') {
        m = n[k];
      } else {
        d = n[k];
      }
    }
    if (yearDigits <= 2) {
      int cur = CurrentYear();
      y += cur / 100 * 100;
      if (y > cur + 50) y -= 100;
      if (y < cur - 49) y += 100;
    }
  }
  if (!IsValidDate(y, m, d)) return false;
  *dayNumber = EncodeDayNumber(y, m, d);
  return true;
}

// "h:m[:s[.z]]" with an optional AM/PM mark; milliseconds since midnight.
bool ScanTime(std::string_view s, size_t* i, const TNyFormatSettings& fs, int32_t* ms) {
  SkipBlanks(s, i);
  int h = 0, m = 0, sec = 0, z = 0;
  if (!ScanNumber(s, i, 2, &h)) return false;
  if (*i >= s.size() || s[*i] != fs.TimeSeparator) return false;
  ++*i;
  if (!ScanNumber(s, i, 2, &m)) return false;
  if (*i < s.size() && s[*i] == fs.TimeSeparator) {
    ++*i;
    if (!ScanNumber(s, i, 2, &sec)) return false;
    if (*i < s.size() && (s[*i] == '.' || s[*i] == fs.DecimalSeparator)) {
      ++*i;
      int digits = 0;
      if (!ScanNumber(s, i, 3, &z, &digits)) return false;
      while (digits++ < 3) z *= 10;
    }
  }
  SkipBlanks(s, i);
  if (s.size() - *i >= 2) {
    std::string mark = AsciiUpper(s.substr(*i, 2));
    if (mark == "AM" || mark == "PM") {
      if (h == 0 || h > 12) return false;
      if (mark == "AM" && h == 12) h = 0;
      if (mark == "PM" && h < 12) h += 12;
      *i += 2;
    }
  }
  if (h > 23 || m > 59 || sec > 59) return false;
  *ms = ((h * 60 + m) * 60 + sec) * 1000 + z;
  return true;
}

// Date, optionally followed by a time; or a time alone (on 1899-12-30). The whole text must
// be used.
bool TryDateTime(std::string_view s, const TNyFormatSettings& fs, bool allowTime, double* out) {
  size_t i = 0;
  int32_t day = kNullDate, ms = 0;
  if (ScanDate(s, &i, fs, &day)) {
    SkipBlanks(s, &i);
    if (i < s.size()) {
      if (!allowTime || !ScanTime(s, &i, fs, &ms)) return false;
      SkipBlanks(s, &i);
    }
  } else {
    i = 0;
    day = kNullDate;
    if (!allowTime || !ScanTime(s, &i, fs, &ms)) return false;
    SkipBlanks(s, &i);
  }
  if (i != s.size()) return false;
  *out = double(day) * kMSecsPerDay + ms;
  return true;
}

// Digits only, all of them; -1 otherwise.
int FixedNumber(std::string_view s, size_t from, size_t len) {
  if (from >= s.size()) return -1;
  std::string_view part = s.substr(from, len);
  int v = 0;
  for (char c : part) {
    if (c < '0' || c > '9') return -1;
    v = v * 10 + (c - '0');
  }
  return part.empty() ? -1 : v;
}

}  // namespace

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

int32_t EncodeDayNumber(int year, int month, int day) {
  return int32_t(DaysFromCivil(year, month, day) + kDay1970);
}

void DecodeDayNumber(int32_t dayNumber, int* year, int* month, int* day) {
  int64_t z = int64_t(dayNumber) - kDay1970 + 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t y = yoe + era * 400;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int d = int(doy - (153 * mp + 2) / 5 + 1);
  int m = int(mp < 10 ? mp + 3 : mp - 9);
  *year = int(y + (m <= 2));
  *month = m;
  *day = d;
}

std::string FormatDateTimeMs(std::string_view format, double msecs, const TNyFormatSettings& fs) {
  // 0001-01-01 is day 1; 10000-01-01 is day 3652060.
  if (!(msecs >= double(kMSecsPerDay) && msecs < 3652060.0 * kMSecsPerDay)) return "";
  int32_t day = int32_t(std::floor(msecs / kMSecsPerDay));
  int64_t ms = int64_t(msecs - double(day) * kMSecsPerDay);
  int y = 0, mo = 0, d = 0;
  DecodeDayNumber(day, &y, &mo, &d);
  int h = int(ms / 3600000), mi = int(ms / 60000 % 60), s = int(ms / 1000 % 60), z = int(ms % 1000);
  auto pad = [](int v, int width) {
    std::string t = std::to_string(v);
    return t.size() < size_t(width) ? std::string(size_t(width) - t.size(), '0') + t : t;
  };
  std::string out;
  bool afterHour = false;
  for (size_t i = 0; i < format.size();) {
    char c = format[i];
    char u = c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
    bool letter = u >= 'A' && u <= 'Z';
    size_t run = 1;
    while (i + run < format.size() &&
           (format[i + run] == c ||
            (letter && (format[i + run] == u || format[i + run] == char(u - 'A' + 'a')))))
      ++run;
    switch (u) {
      case 'D':
        out += pad(d, run >= 2 ? 2 : 1);
        break;
      case 'M':
        if (afterHour)
          out += pad(mi, run >= 2 ? 2 : 1);
        else
          out += pad(mo, run >= 2 ? 2 : 1);
        break;
      case 'Y':
        out += run <= 2 ? pad(y % 100, 2) : pad(y, 4);
        break;
      case 'H':
        out += pad(h, run >= 2 ? 2 : 1);
        afterHour = true;
        break;
      case 'N':
        out += pad(mi, run >= 2 ? 2 : 1);
        break;
      case 'S':
        out += pad(s, run >= 2 ? 2 : 1);
        break;
      case 'Z':
        out += pad(z, run >= 3 ? 3 : 1);
        break;
      case '/':
        out.append(run, fs.DateSeparator);
        break;
      case ':':
        out.append(run, fs.TimeSeparator);
        break;
      default:
        out.append(run, c);
        break;
    }
    if (u != 'H' && u != 'M' && u != ':' && u != ' ') afterHour = false;
    i += run;
  }
  return out;
}

// ---- numbers ---------------------------------------------------------------------------

std::string FixDecimalPoint(std::string_view text, char decimalSeparator) {
  std::string s(text);
  size_t dot = s.find('.');
  if (dot != std::string::npos) s[dot] = decimalSeparator;
  return s;
}

bool DropPlusSign(std::string_view& text) {
  if (text.empty() || text.front() != '+') return true;
  text.remove_prefix(1);
  return text.empty() || text.front() != '-';
}

int32_t IntTextToNative(std::string_view text) {
  if (text.empty()) return kNullInt;
  std::string_view t = text;
  if (!DropPlusSign(t)) return 0;
  int32_t v = 0;
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (t.empty() || ec != std::errc() || p != t.data() + t.size()) return 0;
  return v;
}

int64_t Int64TextToNative(std::string_view text) {
  std::string_view t = text;
  if (!DropPlusSign(t)) return 0;
  int64_t v = 0;
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (t.empty() || ec != std::errc() || p != t.data() + t.size()) return 0;
  return v;
}

double FloatTextToNative(std::string_view text) {
  return FloatTextToNative(text, FormatSettings.DecimalSeparator);
}

double FloatTextToNative(std::string_view text, char decimalSeparator) {
  std::string s = FixDecimalPoint(text, decimalSeparator);
  if (s.empty()) return NullFloat();
  // Written with the program's separator; parsed with '.', whatever the C locale says.
  size_t sep = s.find(decimalSeparator);
  if (decimalSeparator != '.') {
    if (s.find('.') != std::string::npos) return 0;
    if (sep != std::string::npos) s[sep] = '.';
  }
  std::string_view t = s;
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  if (!DropPlusSign(t)) return 0;
  double v = 0;
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (t.empty() || ec != std::errc() || p != t.data() + t.size() || !std::isfinite(v)) return 0;
  return v;
}

// ---- dates -----------------------------------------------------------------------------

double ParseDateTimeText(std::string_view text, const TNyFormatSettings& fs) {
  if (text.empty()) return kNullDateTime;
  double v = 0;
  if (TryDateTime(text, fs, true, &v) || TryDateTime(text, fs, false, &v)) return v;
  TNyFormatSettings alt = fs;
  alt.DateSeparator = '-';
  alt.ShortDateFormat = "dd-mm-yyyy";
  // The fallbacks read a date alone: a time after it is not theirs to read.
  if (TryDateTime(text, alt, false, &v)) return v;
  alt.ShortDateFormat = "yyyy-mm-dd";
  if (TryDateTime(text, alt, false, &v)) return v;
  throw EConvertError("'" + std::string(text) + "' is not a valid date");
}

double ParseSQLiteDateTime(std::string_view text) {
  double v = kNullDateTime;
  TryParseSQLiteDateTime(text, v);
  return v;
}

bool TryParseSQLiteDateTime(std::string_view text, double& msecs) {
  std::string s;
  for (char c : text)
    if (c != ' ') s += c;
  if (s.size() < 10) return false;
  int y, m, d;
  if (s[4] == '-' && s[7] == '-') {
    y = FixedNumber(s, 0, 4);
    m = FixedNumber(s, 5, 2);
    d = FixedNumber(s, 8, 2);
  } else if (s[2] == '.' && s[5] == '.') {
    d = FixedNumber(s, 0, 2);
    m = FixedNumber(s, 3, 2);
    y = FixedNumber(s, 6, 4);
  } else {
    return false;
  }
  if (!IsValidDate(y, m, d)) return false;
  int h = 0, mi = 0, sec = 0, z = 0;
  if (s.size() > 10) {
    h = FixedNumber(s, 10, 2);
    mi = FixedNumber(s, 13, 2);
    sec = s.size() > 16 ? FixedNumber(s, 16, 2) : 0;
    z = s.size() > 19 ? FixedNumber(s, 19, 3) : 0;
    if (h < 0 || h > 23 || mi < 0 || mi > 59 || sec < 0 || sec > 59 || z < 0 || z > 999)
      return false;
  }
  msecs =
      double(EncodeDayNumber(y, m, d)) * kMSecsPerDay + ((h * 60 + mi) * 60 + sec) * 1000.0 + z;
  return true;
}

// ---- quoting ---------------------------------------------------------------------------

std::string QuoteSQL(std::string_view text, char quote) {
  std::string out;
  out.reserve(text.size() + 2);
  out += quote;
  for (char c : text) {
    out += c;
    if (c == quote) out += quote;
  }
  out += quote;
  return out;
}

namespace {
// The engine's keywords (its documented list), in capital letters.
constexpr std::string_view kKeywords[] = {
    "ABORT", "ACTION", "ADD", "AFTER", "ALL", "ALTER", "ALWAYS", "ANALYZE", "AND", "AS", "ASC",
    "ATTACH", "AUTOINCREMENT", "BEFORE", "BEGIN", "BETWEEN", "BY", "CASCADE", "CASE", "CAST",
    "CHECK", "COLLATE", "COLUMN", "COMMIT", "CONFLICT", "CONSTRAINT", "CREATE", "CROSS",
    "CURRENT", "CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP", "DATABASE", "DEFAULT",
    "DEFERRABLE", "DEFERRED", "DELETE", "DESC", "DETACH", "DISTINCT", "DO", "DROP", "EACH",
    "ELSE", "END", "ESCAPE", "EXCEPT", "EXCLUDE", "EXCLUSIVE", "EXISTS", "EXPLAIN", "FAIL",
    "FILTER", "FIRST", "FOLLOWING", "FOR", "FOREIGN", "FROM", "FULL", "GENERATED", "GLOB",
    "GROUP", "GROUPS", "HAVING", "IF", "IGNORE", "IMMEDIATE", "IN", "INDEX", "INDEXED",
    "INITIALLY", "INNER", "INSERT", "INSTEAD", "INTERSECT", "INTO", "IS", "ISNULL", "JOIN", "KEY",
    "LAST", "LEFT", "LIKE", "LIMIT", "MATCH", "MATERIALIZED", "NATURAL", "NO", "NOT", "NOTHING",
    "NOTNULL", "NULL", "NULLS", "OF", "OFFSET", "ON", "OR", "ORDER", "OTHERS", "OUTER", "OVER",
    "PARTITION", "PLAN", "PRAGMA", "PRECEDING", "PRIMARY", "QUERY", "RAISE", "RANGE",
    "RECURSIVE", "REFERENCES", "REGEXP", "REINDEX", "RELEASE", "RENAME", "REPLACE", "RESTRICT",
    "RETURNING", "RIGHT", "ROLLBACK", "ROW", "ROWS", "SAVEPOINT", "SELECT", "SET", "TABLE",
    "TEMP", "TEMPORARY", "THEN", "TIES", "TO", "TRANSACTION", "TRIGGER", "UNBOUNDED", "UNION",
    "UNIQUE", "UPDATE", "USING", "VACUUM", "VALUES", "VIEW", "VIRTUAL", "WHEN", "WHERE",
    "WINDOW", "WITH", "WITHOUT"};
}  // namespace

std::string SQLName(std::string_view name) {
  bool plain = !name.empty() && !(name[0] >= '0' && name[0] <= '9');
  for (char c : name)
    plain = plain && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                      (c >= '0' && c <= '9') || c == '_');
  if (plain) {
    const std::string upper = AsciiUpper(name);
    for (std::string_view k : kKeywords)
      if (k == upper) plain = false;
  }
  return plain ? std::string(name) : QuoteSQL(name, '"');
}

// ---- Windows-1252 <-> UTF-8 --------------------------------------------------------------

namespace {

// Code points of the bytes 0x80..0x9F; the five undefined ones stand for themselves.
const uint16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char kNoAnsiByte = char(236);

char AnsiByteOf(uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return char(cp);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == cp) return char(0x80 + i);
  return kNoAnsiByte;
}

bool IsCont(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

}  // namespace

std::string AnsiToUtf8Text(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    uint32_t cp = b >= 0x80 && b <= 0x9F ? kCp1252High[b - 0x80] : b;
    if (cp < 0x80) {
      out += char(cp);
    } else if (cp < 0x800) {
      out += char(0xC0 | (cp >> 6));
      out += char(0x80 | (cp & 0x3F));
    } else {
      out += char(0xE0 | (cp >> 12));
      out += char(0x80 | ((cp >> 6) & 0x3F));
      out += char(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

std::string Utf8ToAnsiText(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0, n = utf8.size();
  auto at = [&](size_t k) { return static_cast<unsigned char>(utf8[k]); };
  while (i < n) {
    unsigned char b = at(i);
    if (b < 0x80) {
      out += char(b);
      ++i;
    } else if ((b & 0xE0) == 0xC0 && i + 1 < n && IsCont(at(i + 1))) {
      out += AnsiByteOf(((b & 0x1Fu) << 6) | (at(i + 1) & 0x3Fu));
      i += 2;
    } else if ((b & 0xF0) == 0xE0 && i + 2 < n && IsCont(at(i + 1)) && IsCont(at(i + 2))) {
      out += AnsiByteOf(((b & 0x0Fu) << 12) | ((at(i + 1) & 0x3Fu) << 6) | (at(i + 2) & 0x3Fu));
      i += 3;
    } else if ((b & 0xF8) == 0xF0 && i + 3 < n && IsCont(at(i + 1)) && IsCont(at(i + 2)) &&
               IsCont(at(i + 3))) {
      out += kNoAnsiByte;  // beyond the three-byte range: no Windows-1252 byte
      i += 4;
    } else {
      out += kNoAnsiByte;
      ++i;
    }
  }
  return out;
}

// ---- parameter names -------------------------------------------------------------------

std::string ScanParamNames(std::string_view text, bool keepDuplicates) {
  std::string s(text);
  s += "\r\n";
  enum State { S, Q, C, R, V } state = S;
  std::string list, name;
  char endMark = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    unsigned char uc = static_cast<unsigned char>(c);
    switch (state) {
      case S:
        if (c == ':') {
          name.clear();
          state = V;
        } else if (c == '\'') {
          endMark = '\'';
          state = Q;
        } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
          state = R;
          ++i;
        } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
          endMark = '\n';
          state = C;
          ++i;
        }
        break;
      case Q:
      case C:
        if (c == endMark) state = S;
        break;
      case R:
        if (c == '*' && i + 1 < s.size() && s[i + 1] == '/') {
          state = S;
          ++i;
        }
        break;
      case V:
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '_' || c == '#' || c == '$' || uc >= 128) {
          name += c;
        } else {
          std::string entry = ":" + AnsiUpper(name) + ";";
          if (!name.empty() && (keepDuplicates || list.find(entry) == std::string::npos))
            list += entry;
          state = S;
        }
        break;
    }
  }
  std::erase(list, ';');
  return list;
}

int ParamNameCount(std::string_view list) {
  return int(std::count(list.begin(), list.end(), ':'));
}

std::string ParamNameAt(std::string_view list, int n) {
  if (n < 0) return "";
  size_t pos = 0;
  for (int k = 0; k <= n; ++k) {
    pos = list.find(':', pos);
    if (pos == std::string_view::npos) return "";
    ++pos;
  }
  size_t next = list.find(':', pos);
  if (next == std::string_view::npos) return std::string(list.substr(pos, 253));
  return std::string(list.substr(pos, next - pos));
}

}  // namespace ny
