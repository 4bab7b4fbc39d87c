// What assistive technology is told of a library control, read through the
// control's own members so that both hosts and every container agree: its role,
// its name, its checked and available states, the slider's value, and the default
// action a screen reader's user can run.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "frame/host.h"

namespace vitrelle {

// The platform's role numbers.
inline constexpr int kRoleGrouping = 20;
inline constexpr int kRoleCheckButton = 44;
inline constexpr int kRoleRadioButton = 45;
inline constexpr int kRoleSlider = 51;

struct AccessibleView {
  int role = 0;
  std::string name;
  std::optional<std::string> value;  // the slider's position as text
  bool checked = false;
  bool unavailable = false;  // not Enabled
  bool focusable = false;    // the frame never takes the focus itself
  std::string default_action;  // empty when the control has none
};

// The role of a library class; 0 for a class without one.
int AccessibleRole(std::string_view class_name);

// A caption as it is read out: "&Save" is "Save", "&&" one ampersand.
std::string CaptionWithoutMnemonic(std::string_view caption);

// Reads the view from the control. `fallback_name` (the extender's Name, say) names
// a control without a caption: the slider, or a check box whose caption is empty.
AccessibleView DescribeForAccessibility(std::string_view class_name, Dispatch& control,
                                        std::string_view fallback_name);

// Runs the default action as a click would end: the check box toggles, the option
// is set. False when the class has no default action or the control is disabled.
bool DoAccessibleDefaultAction(std::string_view class_name, Dispatch& control);

}  // namespace vitrelle
