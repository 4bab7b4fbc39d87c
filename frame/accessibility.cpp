#include "frame/accessibility.h"

#include <utility>

#include "frame/errors.h"
#include "frame/form_walk.h"
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

std::optional<std::string> LabelCaptionFor(Dispatch& extender) {
  const Standing me = StandingOf(extender);
  std::optional<std::string> caption;
  ForEachFormControl(extender, OnError::kSkipControl, [&](const DispatchPtr& control) {
    if (caption || !control->IsA("Label") || control->Get("TabIndex").ToLong() != me.tab_index - 1 ||
        !SharesContainer(*control, me))
      return;
    std::string text = CaptionWithoutMnemonic(control->Get("Caption").ToString());
    if (!text.empty()) caption = std::move(text);
  });
  return caption;
}

AccessibleView DescribeForAccessibility(std::string_view class_name, Dispatch& control, Dispatch* extender) {
  AccessibleView view;
  view.role = AccessibleRole(class_name);
  const bool slider = view.role == kRoleSlider;
  if (!slider) view.name = CaptionWithoutMnemonic(control.Get("Caption").ToString());
  if (view.name.empty() && extender) {
    if (auto label = LabelCaptionFor(*extender)) view.name = std::move(*label);
  }
  if (view.name.empty() && extender) IgnoreErrors([&] { view.name = extender->Get("Name").ToString(); });
  if (view.name.empty()) view.name = std::string(class_name);
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

int32_t AccessibleState(const AccessibleView& view, bool focused, bool shown) {
  int32_t state = 0;
  if (view.checked) state |= kStateChecked;
  if (view.unavailable) state |= kStateUnavailable;
  if (view.focusable && !view.unavailable) state |= kStateFocusable;
  if (focused) state |= kStateFocused;
  if (!shown) state |= kStateInvisible;
  return state;
}

std::string AccessibleStateNames(int32_t state) {
  static constexpr std::pair<int32_t, const char*> kNames[] = {{kStateUnavailable, "unavailable"},
                                                               {kStateFocused, "focused"},
                                                               {kStateChecked, "checked"},
                                                               {kStateInvisible, "invisible"},
                                                               {kStateFocusable, "focusable"}};
  std::string names;
  for (const auto& [bit, name] : kNames) {
    if (!(state & bit)) continue;
    if (!names.empty()) names += ' ';
    names += name;
  }
  return names;
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
