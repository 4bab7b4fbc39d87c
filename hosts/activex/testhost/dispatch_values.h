// How the container's own IDispatch objects fill in results and read arguments.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstdint>
#include <span>
#include <string>

#include "frame/errors.h"
#include "frame/variant.h"
#include "hosts/activex/com_util.h"
#include "hosts/activex/ole_objects.h"

namespace vitrelle::testhost {

using activex::FromVariant;
using activex::ToBstr;

inline void SetBool(VARIANT* v, bool on) {
  V_VT(v) = VT_BOOL;
  V_BOOL(v) = on ? VARIANT_TRUE : VARIANT_FALSE;
}
inline void SetI4(VARIANT* v, int32_t n) {
  V_VT(v) = VT_I4;
  V_I4(v) = n;
}
inline void SetI2(VARIANT* v, int16_t n) {
  V_VT(v) = VT_I2;
  V_I2(v) = n;
}
inline void SetR4(VARIANT* v, float n) {
  V_VT(v) = VT_R4;
  V_R4(v) = n;
}
inline void SetString(VARIANT* v, const std::string& s) {
  V_VT(v) = VT_BSTR;
  V_BSTR(v) = ToBstr(s);
}
inline void SetObject(VARIANT* v, IDispatch* d) {
  V_VT(v) = VT_DISPATCH;
  V_DISPATCH(v) = d;
  if (d) d->AddRef();
}

inline bool IsPut(WORD flags) { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }

inline Variant LastArg(std::span<const VARIANT> args) {
  if (args.empty()) Raise(450);
  return FromVariant(args.back());
}

}  // namespace vitrelle::testhost
