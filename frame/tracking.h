// Background tracking: how a transparent control shows the pixels its form paints
// beneath it. Written once here; each control derives from TrackedControl and
// overrides only the steps where it differs (a loading flag that stops Refresh, its
// own activation rule, what its Timer1 tick does, extra timers of its own).
#pragma once

#include <cstdint>

#include "frame/host.h"

namespace vitrelle {

inline constexpr int32_t kBackStyleTransparent = 0;
inline constexpr int32_t kBackStyleOpaque = 1;

class TrackedControl : public Control {
 public:
  // The public Refresh: take a new copy now when transparent (run time only).
  virtual void Refresh();

  // Host notifications the mechanism handles. Errors in these are contained: a
  // failing tick or activation must not end the application that hosts the form.
  void ParentActivate() override;
  void TimerTick(TimerPart& timer) override;

  // Tells the host that a property changed; a control's property table calls it
  // after every assignment (frame/properties.h).
  void ReportChange(std::string_view property) { surface_.PropertyChanged(property); }

 protected:
  struct Options {
    bool with_timer2 = true;  // the focus-return timer
    // Raises the library-wide capture flag while the copy is taken, so that the
    // focus that comes and goes with the hiding draws nothing. A control that
    // never shows focus marks itself leaves the flag to the others.
    bool marks_capture = true;
    // Shows the control after the copy only when it was visible before: a control
    // that others rely on for their own copy may be refreshed while hidden.
    bool keeps_visibility = false;
  };
  explicit TrackedControl(Surface& surface) : TrackedControl(surface, Options{}) {}
  TrackedControl(Surface& surface, Options options);

  Surface& surface() const { return surface_; }
  Runtime& runtime() const { return surface_.GetRuntime(); }
  bool UserMode() const { return surface_.AmbientUserMode(); }

  // Assigns one of the control's own properties through its setter, as code that
  // uses the control would: the change is reported like any other.
  void Assign(std::string_view property, Variant value) {
    Variant args[1] = {std::move(value)};
    Invoke(property, InvokeKind::kLet, args);
  }

  // The control's BackStyle value as last set.
  virtual int32_t BackStyleValue() const = 0;
  // True while Refresh must do nothing (a control that is loading its properties).
  virtual bool RefreshSuppressed() const { return false; }

  // Steps a control may replace.
  virtual void OnParentActivate();
  virtual void OnTimer1();
  virtual void OnTimer2();
  // A tick of a timer the control added itself.
  virtual void OnOtherTimer(TimerPart&) {}
  // The opaque branch of Refresh: show the control's own colours, copy nothing.
  virtual void RefreshOpaque();
  // The new copy has just become the surface's picture; the control is still
  // hidden and the second DoEvents is still to come.
  virtual void OnCopyTaken() {}

  void ApplyBackStyle();
  void SetTransparent(bool transparent_on);
  PicturePtr CaptureBackground();
  // The capture itself (hide, let the form repaint, copy, show); shared by controls
  // that write their own Refresh around it. Shows the control again (as the options
  // say) and clears the capture flag even when a step fails, then lets the error go on.
  void CaptureIntoSurface();
  // End of ReadProperties at run time: remember the form and follow its Activate.
  void TakeParent();
  bool ContainerIsGlazeFrame();

  TimerPart& timer1() const { return timer1_; }
  TimerPart* timer2() const { return timer2_; }
  const DispatchPtr& my_parent() const { return my_parent_; }
  bool background_applied() const { return background_applied_; }

 private:
  Surface& surface_;
  Options options_;
  TimerPart& timer1_;
  TimerPart* timer2_ = nullptr;
  DispatchPtr my_parent_;
  bool background_applied_ = false;
  bool apply_busy_ = false;
  bool activate_busy_ = false;
};

}  // namespace vitrelle
