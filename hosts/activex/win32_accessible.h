// The IAccessible a control's window answers WM_GETOBJECT with: role, name, states,
// value and default action from the portable rules (frame/accessibility.h); where
// the window is, its parent and navigation from the platform's standard object for
// the window.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <functional>
#include <string>

#include "frame/host.h"

namespace vitrelle::activex {

// `owner` is kept alive as long as the object is. `extender` gives the container's
// extender of the control (null when it has none) each time the name is read: the
// label that names a control without a caption, and the control's Name, can change
// while a screen reader holds the object.
IAccessible* NewControlAccessible(HWND window, IUnknown* owner, DispatchPtr control, std::string class_name,
                                  std::function<DispatchPtr()> extender);

}  // namespace vitrelle::activex
