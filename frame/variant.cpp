#include "frame/variant.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "frame/errors.h"
#include "frame/members.h"
#include "frame/units.h"

namespace vitrelle {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// Removes trailing zeros of a fixed or scientific rendering ("1.500" -> "1.5", "2.000" -> "2").
std::string TrimZeros(std::string s) {
  const auto e = s.find_first_of("eE");
  std::string exponent;
  if (e != std::string::npos) {
    exponent = s.substr(e);
    s.resize(e);
  }
  if (s.find('.') != std::string::npos) {
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
  }
  return s + exponent;
}

std::string FormatSignificant(double v, int digits) {
  if (v == 0) return "0";
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
  char buf[64];
  const int exp10 = static_cast<int>(std::floor(std::log10(std::fabs(v))));
  if (exp10 >= digits || exp10 < -5) {
    std::snprintf(buf, sizeof buf, "%.*E", digits - 1, v);
    // The host writes 1.5E+20: mantissa without trailing zeros, signed exponent.
    std::string s = buf;
    const auto e = s.find('E');
    std::string mantissa = TrimZeros(s.substr(0, e));
    int ex = std::atoi(s.c_str() + e + 1);
    std::snprintf(buf, sizeof buf, "E%c%02d", ex < 0 ? '-' : '+', std::abs(ex));
    return mantissa + buf;
  }
  std::snprintf(buf, sizeof buf, "%.*f", std::max(0, digits - 1 - exp10), v);
  return TrimZeros(buf);
}

}  // namespace

bool ParseNumber(std::string_view text, double& out) {
  std::string_view s = Trim(text);
  if (s.empty()) return false;
  bool negative = false;
  if (s.front() == '-' || s.front() == '+') {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h')) {
    uint64_t v = 0;
    for (char c : s.substr(2)) {
      if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
      v = v * 16 + static_cast<uint64_t>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                                                                                    : std::tolower(c) - 'a' + 10);
      if (v > 0xFFFFFFFFull) return false;
    }
    // &H literals of up to 8 digits are 32-bit signed, as the host reads them.
    double d = v <= 0xFFFF && s.size() <= 6 ? static_cast<double>(static_cast<int16_t>(v))
                                             : static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(v)));
    out = negative ? -d : d;
    return true;
  }
  std::string buf(s);
  for (char c : buf) {
    if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == 'e' || c == 'E' || c == '-' || c == '+'))
      return false;
  }
  char* end = nullptr;
  const double d = std::strtod(buf.c_str(), &end);
  if (end != buf.c_str() + buf.size()) return false;
  out = negative ? -d : d;
  return true;
}

std::string FormatSingle(float v) { return FormatSignificant(static_cast<double>(v), 7); }
std::string FormatDouble(double v) { return FormatSignificant(v, 15); }

bool Variant::IsNumeric() const {
  switch (type()) {
    case VarType::kBoolean:
    case VarType::kInteger:
    case VarType::kLong:
    case VarType::kSingle:
    case VarType::kDouble: return true;
    default: return false;
  }
}

bool Variant::IsReference() const {
  return type() == VarType::kObject || type() == VarType::kPicture || type() == VarType::kFont;
}

bool Variant::IsNothing() const {
  switch (type()) {
    case VarType::kObject: return std::get<DispatchPtr>(value_) == nullptr;
    case VarType::kPicture: return std::get<PicturePtr>(value_) == nullptr;
    case VarType::kFont: return std::get<FontPtr>(value_) == nullptr;
    default: return false;
  }
}

double Variant::ToDouble() const {
  switch (type()) {
    case VarType::kEmpty: return 0;
    case VarType::kBoolean: return std::get<BoolTag>(value_).v;
    case VarType::kInteger: return std::get<int16_t>(value_);
    case VarType::kLong: return std::get<int32_t>(value_);
    case VarType::kSingle: return std::get<float>(value_);
    case VarType::kDouble: return std::get<double>(value_);
    case VarType::kString: {
      const auto& s = std::get<std::string>(value_);
      double d = 0;
      if (ParseNumber(s, d)) return d;
      // The host reads "True" and "False" as numbers too.
      if (NamesEqual(Trim(s), "True")) return kTrue;
      if (NamesEqual(Trim(s), "False")) return kFalse;
      Raise(err::kTypeMismatch);
    }
    default: Raise(err::kTypeMismatch);
  }
}

int16_t Variant::ToInteger() const {
  if (type() == VarType::kInteger) return std::get<int16_t>(value_);
  return RoundToInteger(ToDouble());
}

int32_t Variant::ToLong() const {
  if (type() == VarType::kLong) return std::get<int32_t>(value_);
  return RoundToLong(ToDouble());
}

float Variant::ToSingle() const {
  const double d = ToDouble();
  if (std::isfinite(d) && std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max()))
    Raise(err::kOverflow);
  return static_cast<float>(d);
}

bool Variant::ToBoolean() const { return ToDouble() != 0; }

std::string Variant::ToString() const {
  switch (type()) {
    case VarType::kEmpty: return "";
    case VarType::kBoolean: return std::get<BoolTag>(value_).v ? "True" : "False";
    case VarType::kInteger: return std::to_string(std::get<int16_t>(value_));
    case VarType::kLong: return std::to_string(std::get<int32_t>(value_));
    case VarType::kSingle: return FormatSingle(std::get<float>(value_));
    case VarType::kDouble: return FormatDouble(std::get<double>(value_));
    case VarType::kString: return std::get<std::string>(value_);
    default: Raise(err::kTypeMismatch);
  }
}

DispatchPtr Variant::ToObject() const {
  if (type() == VarType::kObject) return std::get<DispatchPtr>(value_);
  if (IsEmpty()) Raise(err::kObjectRequired);
  Raise(err::kTypeMismatch);
}

PicturePtr Variant::ToPicture() const {
  if (type() == VarType::kPicture) return std::get<PicturePtr>(value_);
  if (type() == VarType::kObject && std::get<DispatchPtr>(value_) == nullptr) return nullptr;
  // An empty bag value reads back as "no picture".
  if (IsEmpty()) return nullptr;
  Raise(err::kTypeMismatch);
}

FontPtr Variant::ToFont() const {
  if (type() == VarType::kFont) return std::get<FontPtr>(value_);
  if (type() == VarType::kObject && std::get<DispatchPtr>(value_) == nullptr) return nullptr;
  if (IsEmpty()) return nullptr;
  Raise(err::kTypeMismatch);
}

std::string Variant::ToLiteral() const {
  switch (type()) {
    case VarType::kEmpty: return "Empty";
    case VarType::kString: {
      std::string out = "\"";
      for (char c : std::get<std::string>(value_)) {
        out += c;
        if (c == '"') out += '"';
      }
      return out + "\"";
    }
    case VarType::kSingle:
    case VarType::kDouble: {
      std::string s = ToString();
      // A whole number keeps a point so that it reads back as a number with a point.
      if (s.find_first_of(".EIN") == std::string::npos) s += ".0";
      return s;
    }
    case VarType::kObject:
    case VarType::kPicture:
    case VarType::kFont: return IsNothing() ? "Nothing" : "<object>";
    default: return ToString();
  }
}

bool operator==(const Variant& a, const Variant& b) {
  if (a.IsNumeric() && b.IsNumeric()) return a.ToDouble() == b.ToDouble();
  if (a.IsReference() && b.IsReference()) {
    if (a.IsNothing() || b.IsNothing()) return a.IsNothing() == b.IsNothing();
    return a.value_ == b.value_;
  }
  if (a.IsEmpty() || b.IsEmpty()) return a.IsEmpty() && b.IsEmpty();
  if (a.type() == VarType::kString && b.type() == VarType::kString) return a.value_ == b.value_;
  return false;
}

}  // namespace vitrelle
