// What the frame does for the controls placed in it, all about the copied
// background: after each copy of its own it has the library's controls inside it
// copy theirs, so that they show what the frame now paints beneath them. Also the
// frame's own tracking of its form, the caption's visibility and the events.
#include "controls/frame/glaze_frame.h"

#include "frame/errors.h"
#include "frame/events.h"
#include "frame/form_walk.h"
#include "frame/members.h"

namespace vitrelle {

// A frame lying in another frame takes no copy at activation: the outer frame's
// refresh reaches it once the outer frame has its own copy. Nor does a frame copy
// again 50 ms after every activation; its first copy stays until it is refreshed.
void GlazeFrame::OnParentActivate() {
  if (!UserMode()) return;
  if (!ContainerIsGlazeFrame()) ApplyBackStyle();
}

// The children copy only after the frame has been shown again with its new
// background and the form has had time to paint it.
void GlazeFrame::OnCopyTaken() { timer3_.SetEnabled(true); }

void GlazeFrame::OnOtherTimer(TimerPart& timer) {
  if (&timer == &timer3_) RefreshChildren();
}

void GlazeFrame::RefreshChildren() {
  // Disabled first: a refresh that comes back here through DoEvents schedules the
  // next pass rather than starting one inside this one.
  timer3_.SetEnabled(false);
  const DispatchPtr extender = surface().Extender();
  if (!extender) Raise(err::kObjectNotSet);
  const std::string name = extender->Get("Name").ToString();
  // By the container's name, so that every frame of a control array serves the
  // controls of all of them. One child that fails its refresh is passed over; the
  // others still get theirs. The container test comes first: it turns away nearly
  // every control of a large form, and costs less than asking a control's type.
  ForEachFormControl(*extender, OnError::kSkipControl, [&](const DispatchPtr& control) {
    if (!NamesEqual(ContainerNameOf(*control), name)) return;
    if (!IsLibraryControl(*control)) return;
    control->Call("Refresh");
    runtime().DoEvents();
  });
}

void GlazeFrame::ShowCaptionByRule() {
  lbl_caption_.SetVisible(border_style_ == kBorderFixedSingle && !caption_.empty());
}

void GlazeFrame::Change(Part* part) {
  if (part == &lbl_caption_) ShowCaptionByRule();
}

// Only the bare surface raises events: what lands on the caption stays there.
void GlazeFrame::Click(Part* part) {
  if (!part) surface().RaiseEvent("Click", {});
}

void GlazeFrame::DblClick(Part* part) {
  if (!part) surface().RaiseEvent("DblClick", {});
}

void GlazeFrame::MouseDown(Part* part, int16_t& button, int16_t& shift, float& x, float& y) {
  if (!part) RaiseMouseEvent(surface(), "MouseDown", button, shift, x, y);
}

void GlazeFrame::MouseMove(Part* part, int16_t& button, int16_t& shift, float& x, float& y) {
  if (!part) RaiseMouseEvent(surface(), "MouseMove", button, shift, x, y);
}

void GlazeFrame::MouseUp(Part* part, int16_t& button, int16_t& shift, float& x, float& y) {
  if (!part) RaiseMouseEvent(surface(), "MouseUp", button, shift, x, y);
}

}  // namespace vitrelle
