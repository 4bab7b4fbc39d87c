#include "controls/radio/group.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "frame/errors.h"
#include "frame/form_walk.h"
#include "frame/members.h"
#include "frame/tab_order.h"

namespace vitrelle::option_group {

namespace {

// Whether `control` is the one `extender` stands for: the same name and, for a
// member of a control array, the same index.
bool IsSelf(Dispatch& control, Dispatch& extender) {
  return IsNamed(control, extender.Get("Name").ToString(), ArrayIndexOf(extender));
}

bool InGroupOf(Dispatch& control, const std::string& container_name) {
  return NamesEqual(ContainerNameOf(control), container_name) && IsOption(control);
}

// Whether an option of the group is set; `count_self` counts the control itself.
bool GroupHasSetOption(Dispatch& extender, const std::string& container_name, bool count_self) {
  bool found = false;
  ForEachFormControl(extender, OnError::kSkipControl, [&](const DispatchPtr& control) {
    if (found || !InGroupOf(*control, container_name)) return;
    if (!count_self && IsSelf(*control, extender)) return;
    found = control->Get("value").ToBoolean();
  });
  return found;
}

}  // namespace

bool IsControlArray(Dispatch& extender) { return ArrayIndexOf(extender).has_value(); }

bool IsOption(const Dispatch& control) { return control.IsA("GlazeRadio") || control.IsA("OptionButton"); }

void SelectInGroup(Dispatch& extender) {
  // A control's name and index cannot change at run time; its container can, so
  // that is read afresh for every control: each option cleared here runs its own
  // setter, and its handlers, in the middle of the walk.
  const std::string my_name = extender.Get("Name").ToString();
  const std::optional<int32_t> my_index = ArrayIndexOf(extender);
  ForEachFormControl(extender, OnError::kSkipControl, [&](const DispatchPtr& control) {
    if (!InGroupOf(*control, ContainerNameOf(extender))) return;
    if (IsNamed(*control, my_name, my_index)) {
      IgnoreErrors([&] { control->Let("TabStop", Variant::Boolean(true)); });
      return;
    }
    // Only the set option is reached by Tab; the arrow keys reach the others.
    IgnoreErrors([&] { control->Let("TabStop", Variant::Boolean(false)); });
    IgnoreErrors([&] { control->Let("value", Variant::Boolean(false)); });
  });
}

void FocusInContainer(Dispatch& extender, bool forward) {
  const Standing me = StandingOf(extender);
  const std::optional<int32_t> my_index = ArrayIndexOf(extender);
  std::vector<TabCandidate> candidates;
  ForEachFormControl(extender, OnError::kSkipControl, [&](const DispatchPtr& control) {
    if (!control->Get("Enabled").ToBoolean()) return;
    if (IsNamed(*control, me.name, my_index)) return;
    // Labels, images, lines and timers have no TabStop and are never a target. Its
    // value does not matter: the cleared options of a group are not tab stops, and
    // the arrows are how they are reached.
    control->Get("TabStop");
    if (!SharesContainer(*control, me)) return;
    candidates.push_back({control, control->Get("TabIndex").ToLong()});
  });
  FocusInTabOrder(std::move(candidates), me.tab_index, forward);
}

bool CanTakeFocus(Dispatch& control) {
  if (!IgnoreErrors([&] { control.Get("TabIndex"); })) return false;
  bool tab_stop = false;
  IgnoreErrors([&] { tab_stop = control.Get("TabStop").ToBoolean(); });
  return tab_stop;
}

void TakeInitialFocus(Dispatch& extender) {
  const Standing me = StandingOf(extender);
  if (me.tab_index == 0) {
    if (GroupHasSetOption(extender, me.container_name, true)) return;
  } else {
    bool before_me = false;
    ForEachFormControl(extender, OnError::kSkipControl, [&](const DispatchPtr& control) {
      if (!before_me && CanTakeFocus(*control)) before_me = control->Get("TabIndex").ToLong() < me.tab_index;
    });
    if (before_me) return;
    // Taking the focus sets this option; a selection the form was saved with, or
    // that the application made, must not be lost to it.
    if (GroupHasSetOption(extender, me.container_name, false)) return;
  }
  IgnoreErrors([&] { extender.Call("SetFocus"); });
}

}  // namespace vitrelle::option_group
