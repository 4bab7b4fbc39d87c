#include "frame/accessibility.h"

#include "frame/errors.h"
#include "frame/members.h"

namespace vitrelle {
namespace {

bool Is(std::string_view class_name, std::string_view name) { return NamesEqual(class_name, name); }

bool Enabled(Dispatch& control) { return control.Get("Enabled").ToBoolean(); }

}  // namespace

int AccessibleRole(std::string_view class_name) {
  if (Is(class_name, "GlazeCheck")) return kRoleCheckButton;
  if (Is(class_name, "GlazeRadio")) return kRoleRadioButton;
  if (Is(class_name, "GlazeFrame")) return kRoleGrouping;
  if (Is(class_name, "GlazeSlider")) return kRoleSlider;
  return 0;
}

std::string CaptionWithoutMnemonic(std::string_view caption) {
  std::string out;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    else if (caption[i] == '&') continue;
    out += caption[i];
  }
  return out;
}

AccessibleView DescribeForAccessibility(std::string_view class_name, Dispatch& control,
                                        std::string_view fallback_name) {
  AccessibleView view;
  view.role = AccessibleRole(class_name);
  const bool slider = view.role == kRoleSlider;
  if (!slider) view.name = CaptionWithoutMnemonic(control.Get("Caption").ToString());
  if (view.name.empty()) view.name = std::string(fallback_name);
  view.unavailable = !Enabled(control);
  view.focusable = view.role != kRoleGrouping;
  if (view.role == kRoleCheckButton) {
    view.checked = control.Get("value").ToLong() != 0;
    view.default_action = view.checked ? "Uncheck" : "Check";
  } else if (view.role == kRoleRadioButton) {
    view.checked = control.Get("value").ToBoolean();
    view.default_action = "Check";
  } else if (slider) {
    view.value = std::to_string(control.Get("value").ToLong());
  }
  return view;
}

bool DoAccessibleDefaultAction(std::string_view class_name, Dispatch& control) {
  const int role = AccessibleRole(class_name);
  if (role != kRoleCheckButton && role != kRoleRadioButton) return false;
  if (!Enabled(control)) return false;
  if (role == kRoleCheckButton)
    control.Let("value", Variant::Integer(control.Get("value").ToLong() != 0 ? 0 : 1));
  else
    control.Let("value", Variant::Boolean(true));
  return true;
}

}  // namespace vitrelle
