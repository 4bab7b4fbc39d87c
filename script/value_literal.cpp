#include "script/value_literal.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <limits>

#include "frame/members.h"

namespace vitrelle::script {

namespace {

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && NamesEqual(s.substr(0, prefix.size()), prefix);
}

size_t CountDigits(std::string_view s, size_t from) {
  size_t n = 0;
  while (from + n < s.size() && IsDigit(s[from + n])) ++n;
  return n;
}

// A string literal at the start of `text`; `consumed` covers both quotes.
std::optional<std::string> ParseString(std::string_view text, size_t& consumed, std::string& error) {
  std::string out;
  for (size_t i = 1; i < text.size(); ++i) {
    if (text[i] != '"') {
      out += text[i];
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '"') {
      out += '"';
      ++i;
      continue;
    }
    consumed = i + 1;
    return out;
  }
  error = "the string has no closing quote";
  return std::nullopt;
}

std::optional<Variant> ParseHex(std::string_view digits, std::string& error) {
  if (digits.empty()) {
    error = "expected hexadecimal digits after 0x";
    return std::nullopt;
  }
  uint64_t v = 0;
  for (char c : digits) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) {
      error = "\"" + std::string(digits) + "\" is not a hexadecimal number";
      return std::nullopt;
    }
    v = v * 16 + static_cast<uint64_t>(IsDigit(c) ? c - '0' : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
    if (v > 0xFFFFFFFFull) {
      error = "0x" + std::string(digits) + " does not fit in 32 bits";
      return std::nullopt;
    }
  }
  // Colours are written as their 32 bits; the system-colour bit makes them negative.
  return Variant::Long(static_cast<int32_t>(static_cast<uint32_t>(v)));
}

// [-+]digits[.digits][E[-+]digits]; nothing when `text` has another shape.
std::optional<Variant> ParseDecimal(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  const size_t whole = CountDigits(text, i);
  if (whole == 0) return std::nullopt;
  i += whole;
  bool integral = true;
  if (i < text.size() && text[i] == '.') {
    const size_t fraction = CountDigits(text, i + 1);
    if (fraction == 0) return std::nullopt;
    i += 1 + fraction;
    integral = false;
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    const size_t exponent = CountDigits(text, i);
    if (exponent == 0) return std::nullopt;
    i += exponent;
    integral = false;
  }
  if (i != text.size()) return std::nullopt;

  // from_chars takes no leading plus.
  std::string_view digits = text.front() == '+' ? text.substr(1) : text;
  if (integral) {
    int64_t v = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (ec == std::errc() && end == digits.data() + digits.size()) {
      // The host types a whole-number literal by the smallest kind that holds it.
      if (v >= std::numeric_limits<int16_t>::min() && v <= std::numeric_limits<int16_t>::max())
        return Variant::Integer(static_cast<int16_t>(v));
      if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max())
        return Variant::Long(static_cast<int32_t>(v));
    }
  }
  double d = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), d);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return Variant::Double(d);
}

std::optional<ValueLiteral> ParsePicture(std::string_view text, std::string& error) {
  std::string_view rest = Trim(text.substr(std::string_view("picture").size()));
  if (rest.empty() || rest.front() != '(') {
    error = "expected picture(\"path\")";
    return std::nullopt;
  }
  rest = Trim(rest.substr(1));
  if (rest.empty() || rest.front() != '"') {
    error = "expected a path in double quotes inside picture( )";
    return std::nullopt;
  }
  size_t consumed = 0;
  auto path = ParseString(rest, consumed, error);
  if (!path) return std::nullopt;
  rest = Trim(rest.substr(consumed));
  if (rest != ")") {
    error = "expected ) after the picture's path";
    return std::nullopt;
  }
  if (path->empty()) {
    error = "the picture's path is empty (write Nothing for no picture)";
    return std::nullopt;
  }
  return ValueLiteral{Variant(), std::move(*path)};
}

}  // namespace

std::optional<ValueLiteral> ParseValueLiteral(std::string_view text, std::string& error) {
  text = Trim(text);
  if (text.empty()) {
    error = "expected a value";
    return std::nullopt;
  }
  if (text.front() == '"') {
    size_t consumed = 0;
    auto s = ParseString(text, consumed, error);
    if (!s) return std::nullopt;
    if (consumed != text.size()) {
      error = "unexpected text after the string: " + std::string(text.substr(consumed));
      return std::nullopt;
    }
    return ValueLiteral{Variant::String(std::move(*s)), std::nullopt};
  }
  if (StartsWithNoCase(text, "0x")) {
    auto v = ParseHex(text.substr(2), error);
    if (!v) return std::nullopt;
    return ValueLiteral{std::move(*v), std::nullopt};
  }
  if (NamesEqual(text, "True")) return ValueLiteral{Variant::Boolean(true), std::nullopt};
  if (NamesEqual(text, "False")) return ValueLiteral{Variant::Boolean(false), std::nullopt};
  if (NamesEqual(text, "Nothing")) return ValueLiteral{Variant::Object(nullptr), std::nullopt};
  if (StartsWithNoCase(text, "picture") &&
      (text.size() == 7 || text[7] == '(' || IsSpace(text[7]))) {
    return ParsePicture(text, error);
  }
  if (auto v = ParseDecimal(text)) return ValueLiteral{std::move(*v), std::nullopt};
  error = "\"" + std::string(text) +
          "\" is not a value: expected a number, True, False, a string in double quotes, "
          "picture(\"path\") or Nothing";
  return std::nullopt;
}

}  // namespace vitrelle::script
