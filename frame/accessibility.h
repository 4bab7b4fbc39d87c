// What assistive technology is told of a library control, read through the
// control's own members and its extender so that both hosts and every container
// agree: its role, its name, its states, the slider's value, and the default
// action a screen reader's user can run.
#pragma once

#include <cstdint>
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

// The platform's state bits, those a library control can be in.
inline constexpr int32_t kStateUnavailable = 0x1;
inline constexpr int32_t kStateFocused = 0x4;
inline constexpr int32_t kStateChecked = 0x10;
inline constexpr int32_t kStateInvisible = 0x8000;
inline constexpr int32_t kStateFocusable = 0x100000;

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

// The caption of the label that names a control without a caption of its own, as
// screen readers find the label of an edit box: a Label in the control's container
// whose TabIndex is one less than the control's. A designer draws the label, then
// the control it names, and the tab indexes follow in that order; a label placed
// anywhere else names nothing, since nothing but its place ties it to a control.
// Read without its mnemonic; nothing when there is no such label (or its caption is
// empty). Every error of the walk is ignored: a form that cannot be walked leaves
// the control to its Name.
std::optional<std::string> LabelCaptionFor(Dispatch& extender);

// Reads the view from the control. A control without a caption (the slider, or a
// check box whose caption is empty) is named by its label, else by its Name, both
// read through `extender`; a container that gives no extender leaves the class to
// name it.
AccessibleView DescribeForAccessibility(std::string_view class_name, Dispatch& control, Dispatch* extender);

// The state bits of the view, with what only the host knows: whether the focus is
// in the control and whether it is shown. A disabled control cannot take the focus,
// so it is never focusable.
int32_t AccessibleState(const AccessibleView& view, bool focused, bool shown);

// The names of the state bits, in the bits' order: "checked focusable".
std::string AccessibleStateNames(int32_t state);

// Runs the default action as a click would end: the check box toggles, the option
// is set. False when the class has no default action or the control is disabled.
bool DoAccessibleDefaultAction(std::string_view class_name, Dispatch& control);

}  // namespace vitrelle
