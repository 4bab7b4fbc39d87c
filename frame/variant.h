// The value that crosses late-bound boundaries: extender members, property bags,
// event parameters, script statements. Conversions follow the host's rules.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

namespace vitrelle {

class Dispatch;
class Picture;
class Font;
using DispatchPtr = std::shared_ptr<Dispatch>;
using PicturePtr = std::shared_ptr<Picture>;
using FontPtr = std::shared_ptr<Font>;

enum class VarType { kEmpty, kBoolean, kInteger, kLong, kSingle, kDouble, kString, kObject, kPicture, kFont };

// The host's Boolean: 16 bits, true is -1.
inline constexpr int16_t kTrue = -1;
inline constexpr int16_t kFalse = 0;

class Variant {
 public:
  Variant() = default;  // Empty

  static Variant Boolean(bool b) { return Variant(BoolTag{b ? kTrue : kFalse}); }
  static Variant Integer(int16_t v) { return Variant(v); }
  static Variant Long(int32_t v) { return Variant(v); }
  static Variant Single(float v) { return Variant(v); }
  static Variant Double(double v) { return Variant(v); }
  static Variant String(std::string v) { return Variant(std::move(v)); }
  static Variant Object(DispatchPtr v) { return Variant(std::move(v)); }
  static Variant OfPicture(PicturePtr v) { return Variant(std::move(v)); }
  static Variant OfFont(FontPtr v) { return Variant(std::move(v)); }

  VarType type() const { return static_cast<VarType>(value_.index()); }
  bool IsEmpty() const { return type() == VarType::kEmpty; }
  bool IsNumeric() const;  // Boolean, Integer, Long, Single or Double
  // An object, picture or font reference, including Nothing.
  bool IsReference() const;
  // A reference that is set to nothing.
  bool IsNothing() const;

  // Conversions; each raises 13 (type mismatch) for a value of the wrong kind and
  // 6 (overflow) for a number outside the target's range. Numbers round half to even.
  int16_t ToInteger() const;
  int32_t ToLong() const;
  float ToSingle() const;
  double ToDouble() const;
  bool ToBoolean() const;
  std::string ToString() const;
  DispatchPtr ToObject() const;
  PicturePtr ToPicture() const;
  FontPtr ToFont() const;

  // The value in the syntax of form files and script logs: True/False, decimal
  // integers, numbers with a point, strings in double quotes (a quote doubled),
  // Nothing, Empty, <object>.
  std::string ToLiteral() const;

  // Equality as a property bag judges "equal to its default": numbers by value
  // whatever their kind, strings exactly, references by identity.
  friend bool operator==(const Variant& a, const Variant& b);

 private:
  struct BoolTag {
    int16_t v;
    bool operator==(const BoolTag&) const = default;
  };
  using Storage = std::variant<std::monostate, BoolTag, int16_t, int32_t, float, double, std::string,
                               DispatchPtr, PicturePtr, FontPtr>;
  template <class T>
  explicit Variant(T v) : value_(std::move(v)) {}

  Storage value_;
};

// Parses a number as the host reads one from text ("12", "-3.5", "&H1F", "1E3");
// nothing for text that is not a number.
bool ParseNumber(std::string_view text, double& out);

// The host's text form of a Single (seven significant digits) and of a Double (fifteen).
std::string FormatSingle(float v);
std::string FormatDouble(double v);

}  // namespace vitrelle
