// An option button's group, found anew on every call by walking the controls of
// its form through their extenders (frame/form_walk.h). The group is the options
// (library option buttons and the host's own) whose container has the name of
// this control's container, so the members of a container array are one group.
// The arrow keys move among every focusable control of that container.
//
// Every walk runs with every error ignored, step by step: a control that lacks a
// member, a conversion that fails or a refused SetFocus passes over what it was
// about, and nothing reaches the caller. Each function takes the extender of the
// control it acts for; run time only (the caller checks).
#pragma once

#include "frame/host.h"

namespace vitrelle::option_group {

// Whether the control is a member of a control array (its Index can be read).
bool IsControlArray(Dispatch& extender);

// Whether a listed control counts as an option of a group.
bool IsOption(const Dispatch& control);

// After the control was set: it becomes the only tab stop among the options of
// its group, and every other option there is cleared.
void SelectInGroup(Dispatch& extender);

// The arrow keys: the focus to the next (previous) enabled control of the same
// container that has a TabStop, whatever its value, wrapping round at the ends.
void FocusInContainer(Dispatch& extender, bool forward);

// Whether a listed control can be the first to take the focus on its form: it has
// a tab index and is a tab stop.
bool CanTakeFocus(Dispatch& control);

// Shortly after start-up, once per control: the first focusable control of the
// form takes the focus (and so becomes the set option) unless its group already
// has a set option of another control.
void TakeInitialFocus(Dispatch& extender);

}  // namespace vitrelle::option_group
