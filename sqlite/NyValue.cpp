#include "sqlite/NyValue.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "sqlite/NySQLRout3.h"
#include "sqlite/NySQLiteError.h"

namespace ny {

namespace {

[[noreturn]] void BadCast() {
  throw EDatabaseError("Invalid variant type conversion");
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool CaseEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

// "%.Ng" output rewritten in the toolkit's way: "E", no "+", no leading exponent zeros.
std::string General(double value, int digits) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*g", digits, value);
  std::string s(buf);
  size_t e = s.find('e');
  if (e == std::string::npos) return s;
  std::string mantissa = s.substr(0, e);
  std::string exp = s.substr(e + 1);
  bool negative = !exp.empty() && exp[0] == '-';
  if (!exp.empty() && (exp[0] == '-' || exp[0] == '+')) exp.erase(0, 1);
  size_t nz = exp.find_first_not_of('0');
  exp = nz == std::string::npos ? "0" : exp.substr(nz);
  return mantissa + "E" + (negative ? "-" : "") + exp;
}

}  // namespace

std::string FloatToStr(double value) {
  return General(value, 15);
}

std::string FloatToStrPrec(double value, int precision) {
  if (precision < 2) precision = 2;
  if (precision > 15) precision = 15;
  return General(value, precision);
}

bool TryStrToFloat(const std::string& text, double& result) {
  std::string_view s = TrimBlanks(text);
  if (!DropPlusSign(s)) return false;
  std::string_view digits = s;
  if (!digits.empty() && digits[0] == '-') digits.remove_prefix(1);
  // Only plain decimal notation: no "inf", "nan" or hexadecimal forms.
  if (digits.empty() || !(std::isdigit(static_cast<unsigned char>(digits[0])) || digits[0] == '.'))
    return false;
  if (digits.size() > 1 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) return false;
  double v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
  if (ec != std::errc() || end != s.data() + s.size()) return false;
  result = v;
  return true;
}

bool TryStrToInt64(const std::string& text, int64_t& result) {
  std::string_view s = TrimBlanks(text);
  if (!DropPlusSign(s)) return false;
  if (s.empty()) return false;
  int64_t v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 10);
  if (ec != std::errc() || end != s.data() + s.size()) return false;
  result = v;
  return true;
}

std::string TNyValue::AsText() const {
  switch (kind_) {
    case Kind::Null:
      return "";
    case Kind::Bool:
      return int_ ? "True" : "False";
    case Kind::Int:
      return std::to_string(int_);
    case Kind::Float:
      return FloatToStr(float_);
    case Kind::String:
      return text_;
    case Kind::Array:
      break;
  }
  BadCast();
}

int64_t TNyValue::AsInt() const {
  switch (kind_) {
    case Kind::Bool:
    case Kind::Int:
      return int_;
    case Kind::Float:
      if (!std::isfinite(float_) || std::fabs(float_) >= 9.2e18) BadCast();
      return static_cast<int64_t>(float_);
    case Kind::String: {
      int64_t v;
      if (TryStrToInt64(text_, v)) return v;
      break;
    }
    default:
      break;
  }
  BadCast();
}

double TNyValue::AsFloat() const {
  switch (kind_) {
    case Kind::Bool:
    case Kind::Int:
      return static_cast<double>(int_);
    case Kind::Float:
      return float_;
    case Kind::String: {
      double v;
      if (TryStrToFloat(text_, v)) return v;
      break;
    }
    default:
      break;
  }
  BadCast();
}

bool TNyValue::AsBool() const {
  switch (kind_) {
    case Kind::Bool:
    case Kind::Int:
      return int_ != 0;
    case Kind::Float:
      return float_ != 0;
    case Kind::String:
      if (CaseEqual(text_, "True")) return true;
      if (CaseEqual(text_, "False")) return false;
      break;
    default:
      break;
  }
  BadCast();
}

bool TNyValue::operator==(const TNyValue& o) const {
  if (kind_ != o.kind_) return false;
  switch (kind_) {
    case Kind::Null:
      return true;
    case Kind::Bool:
    case Kind::Int:
      return int_ == o.int_;
    case Kind::Float:
      return float_ == o.float_;
    case Kind::String:
      return text_ == o.text_;
    case Kind::Array:
      return items_ == o.items_;
  }
  return false;
}

}  // namespace ny
