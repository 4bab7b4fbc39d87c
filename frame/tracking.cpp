#include "frame/tracking.h"

#include "frame/errors.h"
#include "frame/glaze_module.h"
#include "frame/units.h"

namespace vitrelle {

namespace {
constexpr int32_t kTimer1Interval = 50;
constexpr int32_t kTimer2Interval = 100;

DispatchPtr RequireExtender(Surface& surface) {
  DispatchPtr extender = surface.Extender();
  if (!extender) Raise(err::kObjectNotSet);
  return extender;
}
}  // namespace

TrackedControl::TrackedControl(Surface& surface, Options options)
    : surface_(surface), options_(options), timer1_(surface.AddTimer("Timer1")) {
  timer1_.SetInterval(kTimer1Interval);
  timer1_.SetEnabled(false);
  if (options.with_timer2) {
    timer2_ = &surface.AddTimer("Timer2");
    timer2_->SetInterval(kTimer2Interval);
    timer2_->SetEnabled(false);
  }
}

void TrackedControl::Refresh() {
  if (!UserMode() || RefreshSuppressed()) return;
  if (BackStyleValue() != kBackStyleTransparent) {
    RefreshOpaque();
    return;
  }
  CaptureIntoSurface();
}

void TrackedControl::CaptureIntoSurface() {
  // Another control's tick can run inside this capture's DoEvents and capture in
  // turn: it hands back the flag as it found it, so that this one stays marked.
  const bool outer_capture = GlazeModule::CaptureInProgress();
  if (options_.marks_capture) GlazeModule::SetCaptureInProgress(true);
  DispatchPtr extender;
  bool hidden = false;
  bool show_after = true;
  try {
    extender = RequireExtender(surface_);
    if (options_.keeps_visibility) show_after = extender->Get("Visible").ToBoolean();
    extender->Let("Visible", Variant::Boolean(false));
    hidden = true;
    runtime().DoEvents();
    PicturePtr copy = CaptureBackground();
    surface_.SetPicture(std::move(copy));
    OnCopyTaken();
    runtime().DoEvents();
    extender->Let("Visible", Variant::Boolean(show_after));
    hidden = false;
  } catch (...) {
    // A control left hidden, or a flag left set, would swallow every later focus
    // rectangle of the library (and a container would take its contents with it):
    // restore both before the error goes on.
    if (hidden) IgnoreErrors([&] { extender->Let("Visible", Variant::Boolean(show_after)); });
    if (options_.marks_capture) GlazeModule::SetCaptureInProgress(outer_capture);
    throw;
  }
  if (options_.marks_capture) GlazeModule::SetCaptureInProgress(outer_capture);
}

void TrackedControl::RefreshOpaque() {
  surface_.SetBackStyle(1);
  surface_.Refresh();
}

PicturePtr TrackedControl::CaptureBackground() {
  const float width_px = surface_.ScaleX(surface_.Width(), ScaleMode::kTwips, ScaleMode::kPixels);
  const float height_px = surface_.ScaleY(surface_.Height(), ScaleMode::kTwips, ScaleMode::kPixels);
  const int32_t width = RoundToLong(width_px);
  const int32_t height = RoundToLong(height_px);
  return GlazeModule::CaptureWindow(runtime().GetGdi(), surface_.hWnd(), false, 0, 0, width, height);
}

void TrackedControl::ApplyBackStyle() {
  if (!UserMode() || apply_busy_) return;
  apply_busy_ = true;
  try {
    SetTransparent(BackStyleValue() == kBackStyleTransparent);
  } catch (...) {
    apply_busy_ = false;
    throw;
  }
  apply_busy_ = false;
}

void TrackedControl::SetTransparent(bool transparent_on) {
  if (!transparent_on) {
    surface_.SetPicture(nullptr);
  } else if (!background_applied_) {
    Refresh();
  }
  background_applied_ = transparent_on;
}

void TrackedControl::TakeParent() {
  if (!UserMode()) return;
  DispatchPtr parent = surface_.Parent();
  surface_.ListenToActivate(parent);
  my_parent_ = std::move(parent);
}

bool TrackedControl::ContainerIsGlazeFrame() {
  const Variant container = RequireExtender(surface_)->Get("Container");
  const DispatchPtr object = container.ToObject();
  return object && object->IsA("GlazeFrame");
}

void TrackedControl::ParentActivate() {
  // Contained here: the host drives this handler, and an error escaping it would
  // take the whole application down with it.
  IgnoreErrors([&] { OnParentActivate(); });
}

void TrackedControl::OnParentActivate() {
  if (!UserMode()) return;
  if (!ContainerIsGlazeFrame() && !activate_busy_) {
    activate_busy_ = true;
    try {
      ApplyBackStyle();
    } catch (...) {
      activate_busy_ = false;
      throw;
    }
    activate_busy_ = false;
  }
  if (BackStyleValue() == kBackStyleTransparent) timer1_.SetEnabled(true);
}

void TrackedControl::TimerTick(TimerPart& timer) {
  // A tick can arrive inside another control's capture, from the DoEvents it makes
  // while hidden. The focus this tick gives is no side effect of that capture, and
  // must draw its mark and select as any other: the flag is the outer capture's and
  // is held back for the length of the tick.
  const bool outer_capture = GlazeModule::CaptureInProgress();
  GlazeModule::SetCaptureInProgress(false);
  IgnoreErrors([&] {
    if (&timer == &timer1_) {
      OnTimer1();
    } else if (&timer == timer2_) {
      OnTimer2();
    } else {
      OnOtherTimer(timer);
    }
  });
  GlazeModule::SetCaptureInProgress(outer_capture);
}

void TrackedControl::OnTimer1() {
  timer1_.SetEnabled(false);
  Refresh();
  if (timer2_ && RequireExtender(surface_)->Get("TabIndex").ToLong() == 0) timer2_->SetEnabled(true);
}

void TrackedControl::OnTimer2() {
  timer2_->SetEnabled(false);
  IgnoreErrors([&] { RequireExtender(surface_)->Call("SetFocus"); });
}

}  // namespace vitrelle
