// The IAccessible a control's window answers WM_GETOBJECT with: role, name, states,
// value and default action from the portable rules (frame/accessibility.h); where
// the window is, its parent and navigation from the platform's standard object for
// the window.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <string>

#include "frame/host.h"

namespace vitrelle::activex {

// `owner` is kept alive as long as the object is; `fallback_name` names a control
// without a caption.
IAccessible* NewControlAccessible(HWND window, IUnknown* owner, DispatchPtr control, std::string class_name,
                                  std::string fallback_name);

}  // namespace vitrelle::activex
