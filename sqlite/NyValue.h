// TNyValue: a value of any of the kinds a record set hands out or takes as a search key
// (NULL, Boolean, integer, floating point, text, or an array of these).
//
// Text forms (AsText): NULL gives "", Booleans "True"/"False", integers decimal digits,
// floating point values the shortest of up to 15 significant digits with "." as decimal
// separator (ny::FloatToStr), texts themselves. An array has no text form: AsText throws
// EDatabaseError "Invalid variant type conversion".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ny {

class TNyValue {
 public:
  enum class Kind { Null, Bool, Int, Float, String, Array };

  TNyValue() = default;  // NULL
  TNyValue(bool v) : kind_(Kind::Bool), int_(v ? 1 : 0) {}
  TNyValue(int v) : kind_(Kind::Int), int_(v) {}
  TNyValue(int64_t v) : kind_(Kind::Int), int_(v) {}
  TNyValue(double v) : kind_(Kind::Float), float_(v) {}
  TNyValue(const char* v) : kind_(Kind::String), text_(v) {}
  TNyValue(std::string v) : kind_(Kind::String), text_(std::move(v)) {}
  TNyValue(std::vector<TNyValue> items) : kind_(Kind::Array), items_(std::move(items)) {}

  Kind GetKind() const { return kind_; }
  bool IsNull() const { return kind_ == Kind::Null; }
  bool IsArray() const { return kind_ == Kind::Array; }

  // See the file comment. Throws EDatabaseError for an array.
  std::string AsText() const;
  // Integer value: Bool 0/1, Int itself, Float truncated toward zero, String parsed as a
  // decimal integer. NULL, an unparsable text, a float that is not finite or not below 9.2e18
  // in magnitude, or an array throw EDatabaseError "Invalid variant type conversion".
  int64_t AsInt() const;
  // Floating value, under the same rules as AsInt (texts parsed with "." as separator).
  double AsFloat() const;
  // Bool itself, numbers non-zero, texts "True"/"False" (any case). Others throw as AsInt.
  bool AsBool() const;

  // The elements of an array; empty for any other kind.
  const std::vector<TNyValue>& Items() const { return items_; }

  bool operator==(const TNyValue& other) const;

 private:
  Kind kind_ = Kind::Null;
  int64_t int_ = 0;
  double float_ = 0;
  std::string text_;
  std::vector<TNyValue> items_;
};

// Shortest text of up to 15 significant digits that reads back as the value's 15-digit
// rounding; "." separates decimals; an exponent is written as "E" and its signed digits
// without leading zeros ("1E20", "1.5E-7"). NaN gives "NAN", infinities "INF" and "-INF".
std::string FloatToStr(double value);
// FloatToStr with at most `precision` (2..15) significant digits.
std::string FloatToStrPrec(double value, int precision);
// Parses a decimal number with "." as separator and an optional exponent; blanks around it
// are allowed. False for anything else (also for the empty text).
bool TryStrToFloat(const std::string& text, double& result);
// Parses an optional sign and decimal digits (blanks around allowed) into a 64-bit integer;
// false on anything else or on overflow.
bool TryStrToInt64(const std::string& text, int64_t& result);
}  // namespace ny
