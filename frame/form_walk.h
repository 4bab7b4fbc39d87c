// The walks a control makes over the other controls of its form, all through the
// host's late-bound members: the form's Controls collection (which lists every
// control of the form, those inside containers included), each control's
// Container, Name and Index, and type tests by interface. The slider's focus keys,
// the option button's group and the frame's refresh of its children are such walks.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "frame/host.h"

namespace vitrelle {

// An object reference a member returned, or 91 when it is Nothing.
DispatchPtr ObjectOf(const Variant& value);

// Where a control stands on its form, as its extender reports it. A read that
// fails leaves its default: the walks that use it run with every error ignored.
struct Standing {
  std::string name;
  int32_t tab_index = 0;
  std::string container_name;
  bool container_is_form = false;
};
Standing StandingOf(Dispatch& extender);

// The control's index in its control array; nothing when it is not in one (the
// host raises for Index then).
std::optional<int32_t> ArrayIndexOf(Dispatch& control);

enum class OnError {
  kStop,         // an error ends the walk and reaches the caller
  kSkipControl,  // an error skips the control it came from; the walk goes on
};

// Visits the controls of the form that `extender`'s control is sited on
// (Parent.Controls), in the collection's order, reading each item as it comes.
void ForEachFormControl(Dispatch& extender, OnError on_error, const std::function<void(const DispatchPtr& control)>& visit);

// By container: the name of `control`'s container.
std::string ContainerNameOf(Dispatch& control);
// Whether `control` shares the container of the one standing at `me`, as the focus
// keys judge it: on a form, any control whose container is a form; otherwise one
// whose container has the same name (so the members of a container array count as
// one container).
bool SharesContainer(Dispatch& control, const Standing& me);

// By name and index: whether `control` is the one named `name` (and, for a member
// of a control array, with that index).
bool IsNamed(Dispatch& control, std::string_view name, std::optional<int32_t> index = std::nullopt);

// The controls placed directly in the container that `extender` stands for, as a
// live collection (Count, Item by index or name, in the form's order) read through
// Parent.Controls and each control's Container: for hosts whose form knows no other
// way to list a container's children.
DispatchPtr ControlsPlacedIn(DispatchPtr extender);

// By type: one of the library's own controls, as the type model lists them.
bool IsLibraryControl(const Dispatch& control);

}  // namespace vitrelle
