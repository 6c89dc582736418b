#include "sqlite/NyField.h"

#include <cmath>
#include <cstring>

#include "sqlite/NyDataSet.h"
#include "sqlite/NySQLRout3.h"
#include "sqlite/NySQLiteError.h"
#include "util/NyFormat.h"
#include "util/NyText.h"

namespace ny {

namespace {

constexpr double kMSecsPerDayF = 86400000.0;

[[maybe_unused]] int32_t RoundToInt32(double v, const TNyField& f, bool& ok) {
  double r = std::round(v);
  ok = std::isfinite(r) && r >= INT32_MIN && r <= INT32_MAX;
  (void)f;
  return ok ? static_cast<int32_t>(r) : 0;
}

[[noreturn]] void ConvertError(const std::string& text, const char* what) {
  throw EConvertError("'" + text + "' is not a valid " + what);
}

// "h:n" or "h:n:s", blanks around allowed; false when it does not read as a time of day.
bool ParseTimeOfDay(const std::string& text, int32_t& msecs) {
  size_t b = text.find_first_not_of(' ');
  size_t e = text.find_last_not_of(' ');
  if (b == std::string::npos) return false;
  std::string s = text.substr(b, e - b + 1);
  int parts[3] = {0, 0, 0};
  int n = 0;
  size_t i = 0;
  while (n < 3) {
    size_t start = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - start < 3) ++i;
    if (i == start) return false;
    parts[n++] = std::stoi(s.substr(start, i - start));
    if (i == s.size()) break;
    if (s[i] != ':') return false;
    ++i;
  }
  if (i != s.size() || n < 2) return false;
  if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return false;
  msecs = ((parts[0] * 60 + parts[1]) * 60 + parts[2]) * 1000;
  return true;
}

}  // namespace

bool IsValidDateTime(TDateTime value) {
  return value >= kFirstDateTime && value < kLastDateTime;  // false for NaN
}

double DateTimeToMSecs(TDateTime value) {
  double days = std::trunc(value);
  double ms = std::round(std::fabs(value - days) * kMSecsPerDayF);
  if (ms >= kMSecsPerDayF) {
    days += value < 0 ? -1 : 1;
    ms = 0;
  }
  return (days + kNullDate) * kMSecsPerDayF + ms;
}

TDateTime MSecsToDateTime(double msecs) {
  double day = std::floor(msecs / kMSecsPerDayF);
  double ms = msecs - day * kMSecsPerDayF;
  double dt = day - kNullDate;
  return dt >= 0 ? dt + ms / kMSecsPerDayF : dt - ms / kMSecsPerDayF;
}

// ---- TNyField ------------------------------------------------------------------------

std::unique_ptr<TNyField> TNyField::Create(TNyDataSet& ds, const TNyFieldDef& def, int no) {
  using T = TFieldType;
  switch (def.DataType) {
    case T::ftString:
      return std::make_unique<TNyStringField>(ds, def, no);
    case T::ftWideString:
      return std::make_unique<TNyWideStringField>(ds, def, no);
    case T::ftSmallint:
      return std::make_unique<TNySmallintField>(ds, def, no);
    case T::ftInteger:
      return std::make_unique<TNyIntegerField>(ds, def, no);
    case T::ftWord:
      return std::make_unique<TNyWordField>(ds, def, no);
    case T::ftBoolean:
      return std::make_unique<TNyBooleanField>(ds, def, no);
    case T::ftFloat:
      return std::make_unique<TNyFloatField>(ds, def, no);
    case T::ftCurrency:
      return std::make_unique<TNyCurrencyField>(ds, def, no);
    case T::ftBCD:
      return std::make_unique<TNyBCDField>(ds, def, no);
    case T::ftDate:
      return std::make_unique<TNyDateField>(ds, def, no);
    case T::ftTime:
      return std::make_unique<TNyTimeField>(ds, def, no);
    case T::ftDateTime:
      return std::make_unique<TNyDateTimeField>(ds, def, no);
    case T::ftBlob:
    case T::ftGraphic:
      return std::make_unique<TNyBlobField>(ds, def, no);
    case T::ftMemo:
    case T::ftFmtMemo:
      return std::make_unique<TNyMemoField>(ds, def, no);
    case T::ftUnknown:
      break;
  }
  DatabaseError(FormatMsg("Field '%s' is of an unknown type", def.Name));
}

TNyField::TNyField(TNyDataSet& ds, const TNyFieldDef& def, int no)
    : dataSet_(&ds),
      fieldName_(def.Name),
      dataType_(def.DataType),
      size_(def.Size),
      fieldNo_(no),
      offset_(def.Offset),
      defPrecision_(def.Precision),
      readOnly_(def.ReadOnly) {}

bool TNyField::CanModify() const {
  return !readOnly_ && dataSet_->Active() && dataSet_->CanModify();
}

bool TNyField::GetData(void* dest) const {
  return dataSet_->ReadField(*this, dest);
}
void TNyField::SetData(const void* src) {
  dataSet_->WriteField(*this, src);
}

bool TNyField::IsNull() const {
  return !GetData(nullptr);
}
void TNyField::Clear() {
  SetData(nullptr);
}

void TNyField::AccessError(const char* typeName) const {
  DatabaseError("Cannot access field '" + DisplayName() + "' as type " + typeName);
}

void TNyField::InvalidValue(const std::string& text, const char* what) const {
  DatabaseError("'" + text + "' is not a valid " + what + " value for field '" + DisplayName() +
                "'");
}

int32_t TNyField::AsInteger() const {
  AccessError("Integer");
}
void TNyField::SetAsInteger(int32_t) {
  AccessError("Integer");
}
int64_t TNyField::AsLargeInt() const {
  AccessError("LargeInt");
}
void TNyField::SetAsLargeInt(int64_t) {
  AccessError("LargeInt");
}
double TNyField::AsFloat() const {
  AccessError("Float");
}
void TNyField::SetAsFloat(double) {
  AccessError("Float");
}
bool TNyField::AsBoolean() const {
  AccessError("Boolean");
}
void TNyField::SetAsBoolean(bool) {
  AccessError("Boolean");
}
TDateTime TNyField::AsDateTime() const {
  AccessError("DateTime");
}
void TNyField::SetAsDateTime(TDateTime) {
  AccessError("DateTime");
}

void TNyField::SetValue(const TNyValue& v) {
  switch (v.GetKind()) {
    case TNyValue::Kind::Null:
      Clear();
      return;
    case TNyValue::Kind::Bool:
      SetAsBoolean(v.AsBool());
      return;
    case TNyValue::Kind::Int:
      SetAsLargeInt(v.AsInt());
      return;
    case TNyValue::Kind::Float:
      SetAsFloat(v.AsFloat());
      return;
    case TNyValue::Kind::String:
      SetAsString(v.AsText());
      return;
    case TNyValue::Kind::Array:
      break;
  }
  DatabaseError(dbmsg::InvalidVarCast);
}

// ---- text ----------------------------------------------------------------------------

std::string TNyStringField::AsString() const {
  std::string buf(static_cast<size_t>(DataSize()), '\0');
  if (!GetData(buf.data())) return "";
  buf.resize(strnlen(buf.data(), buf.size() - 1));
  return buf;
}

void TNyStringField::SetAsString(const std::string& v) {
  // The text is stored up to its first zero byte, and never cut: a text that does not fit is
  // refused rather than written as something the user did not type.
  const std::string text = v.substr(0, v.find('\0'));
  if (Utf8Length(text) > static_cast<size_t>(std::max(0, Size())))
    DatabaseError("The text for field '" + DisplayName() + "' is longer than " +
                  std::to_string(std::max(0, Size())) + " characters");
  SetData(text.c_str());
}

int32_t TNyStringField::AsInteger() const {
  int64_t v = AsLargeInt();
  if (v < INT32_MIN || v > INT32_MAX) ConvertError(AsString(), "integer value");
  return static_cast<int32_t>(v);
}
void TNyStringField::SetAsInteger(int32_t v) {
  SetAsString(std::to_string(v));
}
int64_t TNyStringField::AsLargeInt() const {
  std::string s = AsString();
  int64_t v;
  if (!TryStrToInt64(s, v)) ConvertError(s, "integer value");
  return v;
}
void TNyStringField::SetAsLargeInt(int64_t v) {
  SetAsString(std::to_string(v));
}
double TNyStringField::AsFloat() const {
  std::string s = AsString();
  double v;
  if (!TryStrToFloat(s, v)) ConvertError(s, "floating point value");
  return v;
}
void TNyStringField::SetAsFloat(double v) {
  SetAsString(FloatToStr(v));
}
bool TNyStringField::AsBoolean() const {
  std::string s = AsString();
  return !s.empty() && std::strchr("TtYy1", s[0]) != nullptr;
}
void TNyStringField::SetAsBoolean(bool v) {
  SetAsString(v ? "T" : "F");
}
TDateTime TNyStringField::AsDateTime() const {
  std::string s = AsString();
  try {
    return MSecsToDateTime(ParseDateTimeText(s));
  } catch (const EConvertError&) {
    ConvertError(s, "date and time");
  }
}
void TNyStringField::SetAsDateTime(TDateTime v) {
  if (!IsValidDateTime(v)) InvalidValue(FloatToStr(v), "date and time");
  const TNyFormatSettings& fs = FormatSettings;
  SetAsString(FormatDateTimeMs(fs.ShortDateFormat + " " + fs.LongTimeFormat, DateTimeToMSecs(v)));
}
TNyValue TNyStringField::Value() const {
  if (IsNull()) return {};
  return TNyValue(AsString());
}

// ---- integers ------------------------------------------------------------------------

TNyIntegerField::TNyIntegerField(TNyDataSet& ds, const TNyFieldDef& def, int no)
    : TNyField(ds, def, no) {
  switch (def.DataType) {
    case TFieldType::ftSmallint:
      min_ = -32768, max_ = 32767;
      break;
    case TFieldType::ftWord:
      min_ = 0, max_ = 65535;
      break;
    default:
      min_ = INT64_MIN, max_ = INT64_MAX;
  }
}

int TNyIntegerField::DefaultWidth() const {
  switch (DataType()) {
    case TFieldType::ftSmallint:
      return 6;
    case TFieldType::ftWord:
      return 5;
    default:
      return 11;
  }
}

void TNyIntegerField::CheckRange(int64_t v) const {
  if (v < min_ || v > max_)
    DatabaseError(std::to_string(v) + " is not a valid value for field '" + DisplayName() +
                  "'. The allowed range is " + std::to_string(min_) + " to " +
                  std::to_string(max_));
}

int32_t TNyIntegerField::AsInteger() const {
  const int64_t v = AsLargeInt();
  if (v < INT32_MIN || v > INT32_MAX)
    DatabaseError(std::to_string(v) + " is not a valid value for field '" + DisplayName() +
                  "'. The allowed range is -2147483648 to 2147483647");
  return static_cast<int32_t>(v);
}
int64_t TNyIntegerField::AsLargeInt() const {
  int64_t v = 0;
  return GetData(&v) ? v : 0;
}
std::string TNyIntegerField::AsString() const {
  int64_t v = 0;
  return GetData(&v) ? std::to_string(v) : "";
}
void TNyIntegerField::SetAsInteger(int32_t v) {
  SetAsLargeInt(v);
}
void TNyIntegerField::SetAsLargeInt(int64_t v) {
  CheckRange(v);
  SetData(&v);
}
void TNyIntegerField::SetAsFloat(double v) {
  const double r = std::round(v);
  // 2^63 itself does not fit; every double below it does.
  if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0))
    InvalidValue(FloatToStr(v), "integer");
  SetAsLargeInt(static_cast<int64_t>(r));
}
void TNyIntegerField::SetAsString(const std::string& v) {
  if (v.empty()) return Clear();
  int64_t i;
  if (!TryStrToInt64(v, i)) InvalidValue(v, "integer");
  SetAsLargeInt(i);
}
TNyValue TNyIntegerField::Value() const {
  int64_t v = 0;
  if (!GetData(&v)) return {};
  return TNyValue(v);
}

// ---- floats --------------------------------------------------------------------------

TNyFloatField::TNyFloatField(TNyDataSet& ds, const TNyFieldDef& def, int no)
    : TNyField(ds, def, no) {}

void TNyFloatField::SetPrecision(int v) {
  precision_ = v < 2 ? 2 : v > 15 ? 15 : v;
}

double TNyFloatField::AsFloat() const {
  double v = 0;
  return GetData(&v) ? v : 0;
}
void TNyFloatField::SetAsFloat(double v) {
  SetData(&v);
}
int32_t TNyFloatField::AsInteger() const {
  double v = 0;
  if (!GetData(&v)) return 0;
  bool ok;
  int32_t i = RoundToInt32(v, *this, ok);
  if (!ok)
    DatabaseError(FloatToStr(v) + " is not a valid value for field '" + DisplayName() +
                  "'. The allowed range is -2147483648 to 2147483647");
  return i;
}
int64_t TNyFloatField::AsLargeInt() const {
  double v = AsFloat();
  if (!std::isfinite(v) || std::fabs(v) >= 9.2e18) InvalidValue(FloatToStr(v), "integer");
  return static_cast<int64_t>(std::llround(v));
}
std::string TNyFloatField::AsString() const {
  double v = 0;
  return GetData(&v) ? FloatToStr(v) : "";
}
std::string TNyFloatField::DisplayText() const {
  double v = 0;
  return GetData(&v) ? FloatToStrPrec(v, precision_) : "";
}
void TNyFloatField::SetAsString(const std::string& v) {
  if (v.empty()) return Clear();
  double d;
  if (!TryStrToFloat(v, d)) InvalidValue(v, "floating point");
  SetAsFloat(d);
}
TNyValue TNyFloatField::Value() const {
  double v = 0;
  if (!GetData(&v)) return {};
  return TNyValue(v);
}

std::string TNyCurrencyField::DisplayText() const {
  double v = 0;
  if (!GetData(&v)) return "";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

// ---- Boolean -------------------------------------------------------------------------

bool TNyBooleanField::AsBoolean() const {
  int16_t v = 0;
  return GetData(&v) && v != 0;
}
void TNyBooleanField::SetAsBoolean(bool v) {
  int16_t b = v ? 1 : 0;
  SetData(&b);
}
std::string TNyBooleanField::AsString() const {
  int16_t v = 0;
  if (!GetData(&v)) return "";
  return v ? "True" : "False";
}
void TNyBooleanField::SetAsString(const std::string& v) {
  if (v.empty()) return Clear();
  auto prefixOf = [&v](const char* word) {
    size_t n = std::strlen(word);
    if (v.size() > n) return false;
    for (size_t i = 0; i < v.size(); ++i) {
      char c = v[i];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
      char w = word[i];
      if (w >= 'a' && w <= 'z') w = static_cast<char>(w - 32);
      if (c != w) return false;
    }
    return true;
  };
  if (prefixOf("True")) return SetAsBoolean(true);
  if (prefixOf("False")) return SetAsBoolean(false);
  InvalidValue(v, "boolean");
}
TNyValue TNyBooleanField::Value() const {
  int16_t v = 0;
  if (!GetData(&v)) return {};
  return TNyValue(v != 0);
}

// ---- dates and times -----------------------------------------------------------------

int TNyDateTimeField::DataSize() const {
  return DataType() == TFieldType::ftDateTime ? 8 : 4;
}

int TNyDateTimeField::DefaultWidth() const {
  switch (DataType()) {
    case TFieldType::ftDate:
      return 10;
    case TFieldType::ftTime:
      return 8;
    default:
      return 19;
  }
}

TDateTime TNyDateTimeField::AsDateTime() const {
  switch (DataType()) {
    case TFieldType::ftDate: {
      int32_t day = 0;
      return GetData(&day) ? static_cast<double>(day) - kNullDate : 0;
    }
    case TFieldType::ftTime: {
      int32_t ms = 0;
      return GetData(&ms) ? ms / kMSecsPerDayF : 0;
    }
    default: {
      double msecs = 0;
      return GetData(&msecs) ? MSecsToDateTime(msecs) : 0;
    }
  }
}

void TNyDateTimeField::SetAsDateTime(TDateTime v) {
  if (!IsValidDateTime(v)) InvalidValue(FloatToStr(v), "date and time");
  double msecs = DateTimeToMSecs(v);
  double day = std::floor(msecs / kMSecsPerDayF);
  switch (DataType()) {
    case TFieldType::ftDate: {
      int32_t d = static_cast<int32_t>(day);
      SetData(&d);
      return;
    }
    case TFieldType::ftTime: {
      int32_t ms = static_cast<int32_t>(msecs - day * kMSecsPerDayF);
      SetData(&ms);
      return;
    }
    default:
      SetData(&msecs);
  }
}

std::string TNyDateTimeField::AsString() const {
  if (IsNull()) return "";
  const TNyFormatSettings& fs = FormatSettings;
  double msecs = DateTimeToMSecs(AsDateTime());
  switch (DataType()) {
    case TFieldType::ftDate:
      return FormatDateTimeMs(fs.ShortDateFormat, msecs);
    case TFieldType::ftTime:
      return FormatDateTimeMs(fs.LongTimeFormat, msecs);
    default:
      if (std::fmod(msecs, kMSecsPerDayF) == 0) return FormatDateTimeMs(fs.ShortDateFormat, msecs);
      return FormatDateTimeMs(fs.ShortDateFormat + " " + fs.LongTimeFormat, msecs);
  }
}

void TNyDateTimeField::SetAsString(const std::string& v) {
  if (v.empty()) return Clear();
  if (DataType() == TFieldType::ftTime) {
    int32_t ms;
    if (!ParseTimeOfDay(v, ms)) ConvertError(v, "time");
    SetData(&ms);
    return;
  }
  SetAsDateTime(MSecsToDateTime(ParseDateTimeText(v)));
}

TNyValue TNyDateTimeField::Value() const {
  if (IsNull()) return {};
  return TNyValue(AsDateTime());
}

// ---- blobs ---------------------------------------------------------------------------

std::string TNyBlobField::AsString() const {
  auto stream =
      DataSet().CreateBlobStream(const_cast<TNyBlobField&>(*this), TBlobStreamMode::bmRead);
  return std::string(stream->Bytes());
}

void TNyBlobField::SetAsString(const std::string& v) {
  auto stream = DataSet().CreateBlobStream(*this, TBlobStreamMode::bmWrite);
  stream->Write(v.data(), static_cast<int64_t>(v.size()));
}

int64_t TNyBlobField::BlobSize() const {
  auto stream =
      DataSet().CreateBlobStream(const_cast<TNyBlobField&>(*this), TBlobStreamMode::bmRead);
  return stream->Size();
}

TNyValue TNyBlobField::Value() const {
  if (IsNull()) return {};
  return TNyValue(AsString());
}

}  // namespace ny
