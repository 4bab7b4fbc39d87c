// OLE colours as they cross a late-bound boundary: a Long, whose top bit makes
// system colours negative. Clients that hold them unsigned (a Double such as
// 2147483663, as some scripting hosts and form files produce) are accepted too, as
// the platform's conversion to OLE_COLOR accepts them.
#pragma once

#include <cstdint>

#include "frame/color.h"
#include "frame/errors.h"
#include "frame/units.h"
#include "frame/variant.h"

namespace vitrelle {

inline OleColor ToOleColor(const Variant& v) {
  if (v.type() == VarType::kLong || v.type() == VarType::kInteger) return static_cast<OleColor>(v.ToLong());
  const double d = RoundHalfEven(v.ToDouble());
  if (!(d >= -2147483648.0 && d <= 4294967295.0)) Raise(err::kOverflow);
  return d < 0 ? static_cast<OleColor>(static_cast<int32_t>(d)) : static_cast<OleColor>(d);
}

inline Variant FromOleColor(OleColor c) { return Variant::Long(static_cast<int32_t>(c)); }

}  // namespace vitrelle
