// 128-bit identifiers of the library, its classes, interfaces and enumerations.
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vitrelle {

struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  std::array<uint8_t, 8> data4 = {};

  // Reads "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" or the same without braces, in
  // either case. Nothing for anything else (no partial or padded forms: registry
  // keys are compared as text, so only the canonical shape is worth accepting).
  static constexpr std::optional<Guid> Parse(std::string_view text);

  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case, as the registry shows it.
  std::string ToString() const;
  // The same without braces, as IDL's uuid() attribute takes it.
  std::string ToBareString() const;

  bool IsNull() const { return *this == Guid{}; }

  friend constexpr bool operator==(const Guid&, const Guid&) = default;
  friend constexpr auto operator<=>(const Guid&, const Guid&) = default;
};

namespace guid_detail {
constexpr int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace guid_detail

constexpr std::optional<Guid> Guid::Parse(std::string_view text) {
  if (text.size() == 38) {
    if (text.front() != '{' || text.back() != '}') return std::nullopt;
    text = text.substr(1, 36);
  }
  if (text.size() != 36) return std::nullopt;
  // Group boundaries of 8-4-4-4-12.
  for (size_t dash : {8u, 13u, 18u, 23u}) {
    if (text[dash] != '-') return std::nullopt;
  }
  uint8_t bytes[16] = {};
  size_t n = 0;
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '-') {
      ++i;
      continue;
    }
    int hi = guid_detail::HexDigit(text[i]);
    int lo = guid_detail::HexDigit(text[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    bytes[n++] = static_cast<uint8_t>(hi * 16 + lo);
    i += 2;
  }
  Guid g;
  g.data1 = (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
  g.data2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
  g.data3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
  for (size_t i = 0; i < 8; ++i) g.data4[i] = bytes[8 + i];
  return g;
}

// A GUID written in the source. A malformed literal stops the build instead of
// becoming a null identifier at run time.
consteval Guid GuidLiteral(std::string_view text) {
  auto g = Guid::Parse(text);
  if (!g) throw "malformed GUID literal";
  return *g;
}

}  // namespace vitrelle
