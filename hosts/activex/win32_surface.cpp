#include "hosts/activex/win32_surface.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>

#include "frame/form_walk.h"
#include "frame/members.h"
#include "frame/part_rules.h"
#include "frame/units.h"
#include "hosts/activex/com_util.h"
#include "hosts/activex/ole_objects.h"
#include "hosts/activex/win32_nested_control.h"
#include "hosts/activex/win32_part_base.h"
#include "hosts/activex/win32_parts.h"
#include "hosts/activex/win32_runtime.h"

namespace vitrelle::activex {

namespace {

// The extender of a control whose container gives none (a script's object, or a
// container such as a bare window host): Visible shows and hides the control's own
// window; the members that background tracking and focus handling read answer
// what a lone control on its form would have.
class OwnExtender final : public Dispatch {
 public:
  explicit OwnExtender(Win32Surface& surface) : surface_(&surface) {}
  // What a client still holds (the frame's Controls) may outlive the control: from
  // then on it stands for nothing.
  void Detach() { surface_ = nullptr; }
  Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override {
    if (!surface_) Raise(err::kObjectNotSet);
    Win32Surface& surface = *surface_;
    const bool read = kind == InvokeKind::kGet || kind == InvokeKind::kCall;
    if (NamesEqual(member, "Visible")) {
      if (read) return Variant::Boolean(surface.ShownFlag());
      if (args.size() != 1) Raise(err::kWrongArguments);
      surface.SetShownFlag(args.back().ToBoolean());
      return {};
    }
    if (NamesEqual(member, "SetFocus") && kind == InvokeKind::kCall) {
      if (HWND hwnd = surface.window()) ::SetFocus(hwnd);
      return {};
    }
    if (!read) Raise(err::kNotSupported);
    if (NamesEqual(member, "Name")) return Variant::String(surface.AmbientDisplayName());
    if (NamesEqual(member, "TabIndex")) return Variant::Integer(0);
    if (NamesEqual(member, "TabStop")) return Variant::Boolean(true);
    // The form holds the control directly: never a frame of this library.
    if (NamesEqual(member, "Container") || NamesEqual(member, "Parent")) return Variant::Object(surface.Parent());
    Raise(err::kNotSupported);
  }
  // It stands for the control, as a container's extender would.
  bool IsA(std::string_view type_name) const override {
    if (NamesEqual(type_name, "Object")) return true;
    const Control* control = surface_ ? surface_->control() : nullptr;
    if (!control) return false;
    const std::string_view name = control->ClassName();
    return NamesEqual(type_name, name) ||
           (type_name.size() > 1 && type_name.front() == '_' && NamesEqual(type_name.substr(1), name));
  }

 private:
  Win32Surface* surface_;
};

}  // namespace

// ---------------------------------------------------------------------------
// The surface

Win32Surface::Win32Surface() { font_ = GetRuntime().NewFont(); }

Win32Surface::~Win32Surface() {
  if (auto* own = dynamic_cast<OwnExtender*>(own_extender_.get())) own->Detach();
  UnhookForm();
  DestroyWindowNow();
  parts_.clear();
}

void Win32Surface::Attach(Control* control, SurfaceSite* site) {
  control_ = control;
  site_ = site;
}

Runtime& Win32Surface::GetRuntime() { return Win32Runtime::Instance(); }

template <class P>
P& Win32Surface::Add(std::unique_ptr<P> part) {
  P& ref = *part;
  if (hwnd_) part->OnWindowCreated(hwnd_);
  parts_.push_back(std::move(part));
  Invalidate();
  return ref;
}

LabelPart& Win32Surface::AddLabel(std::string_view name) { return Add(std::make_unique<Label>(*this, name)); }
CheckBoxPart& Win32Surface::AddCheckBox(std::string_view name) {
  return Add(std::make_unique<CheckBox>(*this, name));
}
ImagePart& Win32Surface::AddImage(std::string_view name) { return Add(std::make_unique<Image>(*this, name)); }
LinePart& Win32Surface::AddLine(std::string_view name, int index) {
  return Add(std::make_unique<Line>(*this, name, index));
}
ShapePart& Win32Surface::AddShape(std::string_view name) { return Add(std::make_unique<ShapeImpl>(*this, name)); }
TimerPart& Win32Surface::AddTimer(std::string_view name) { return Add(std::make_unique<Timer>(*this, name)); }

UserControlPart& Win32Surface::AddUserControl(std::string_view name, std::unique_ptr<Control> (*make)(Surface&)) {
  return Add(std::make_unique<NestedControl>(*this, name, make));
}

void Win32Surface::PlaceInOwner(const RECT& pixels, float width, float height) {
  const bool resized = width != width_ || height != height_;
  width_ = width;
  height_ = height;
  if (hwnd_) {
    ::MoveWindow(hwnd_, pixels.left, pixels.top, pixels.right - pixels.left, pixels.bottom - pixels.top, TRUE);
  }
  if (!resized) return;
  host_resizing_ = true;
  try {
    if (control_) control_->Resize();
  } catch (...) {
    host_resizing_ = false;
    throw;
  }
  host_resizing_ = false;
  Invalidate();
}

void Win32Surface::SetWindowShown(bool shown) {
  shown_ = shown;
  if (hwnd_) ::ShowWindow(hwnd_, shown ? SW_SHOWNA : SW_HIDE);
}

float Win32Surface::TwipsPerPixelX() const { return Win32Runtime::Instance().TwipsPerPixelX(); }
float Win32Surface::TwipsPerPixelY() const { return Win32Runtime::Instance().TwipsPerPixelY(); }
int Win32Surface::PixelWidth() const { return ToPixels(width_, TwipsPerPixelX()); }
int Win32Surface::PixelHeight() const { return ToPixels(height_, TwipsPerPixelY()); }

// As a form's user control: assigning the size it already has raises no Resize.
void Win32Surface::SetWidth(float twips) {
  CheckExtent(twips);
  if (twips == width_) return;
  width_ = twips;
  ApplySize();
}

void Win32Surface::SetHeight(float twips) {
  CheckExtent(twips);
  if (twips == height_) return;
  height_ = twips;
  ApplySize();
}

void Win32Surface::ApplySize() {
  if (hwnd_) ::SetWindowPos(hwnd_, nullptr, 0, 0, PixelWidth(), PixelHeight(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (control_) control_->Resize();
  Invalidate();
  // A change the control made itself goes back to the container, which owns the
  // rectangle; one the container made is already known to it.
  if (hwnd_ && site_ && !host_resizing_) site_->OnSizeChangedByControl();
}

void Win32Surface::ResizeFromHost(int width_px, int height_px, bool notify) {
  const float width = static_cast<float>(std::max(0, width_px)) * TwipsPerPixelX();
  const float height = static_cast<float>(std::max(0, height_px)) * TwipsPerPixelY();
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  if (!notify) return;
  host_resizing_ = true;
  try {
    if (control_) control_->Resize();
  } catch (const RuntimeError&) {
    // The container's resize has no caller to report to; the control keeps its layout.
  }
  host_resizing_ = false;
  Invalidate();
}

float Win32Surface::ScaleX(float value, ScaleMode from, ScaleMode to) const {
  return ConvertScale(value, from, to, TwipsPerPixelX());
}
float Win32Surface::ScaleY(float value, ScaleMode from, ScaleMode to) const {
  return ConvertScale(value, from, to, TwipsPerPixelY());
}

void Win32Surface::SetPicture(PicturePtr picture) {
  picture_ = std::move(picture);
  ++background_version_;
  Invalidate();
}
void Win32Surface::SetBackColor(OleColor c) {
  CheckColor(c);
  back_color_ = c;
  Invalidate();
}
void Win32Surface::SetForeColor(OleColor c) {
  CheckColor(c);
  fore_color_ = c;
  Invalidate();
}
void Win32Surface::SetBackStyle(int16_t style) {
  CheckZeroOrOne(style);
  back_style_ = style;
  Invalidate();
}
void Win32Surface::SetFont(FontPtr font) {
  CheckFontObject(font);
  font_ = std::move(font);
  Invalidate();
}
void Win32Surface::SetEnabled(bool on) {
  enabled_ = on;
  if (hwnd_) ::EnableWindow(hwnd_, on ? TRUE : FALSE);
}
void Win32Surface::SetAppearance(int16_t a) {
  CheckZeroOrOne(a);
  appearance_ = a;
  Invalidate();
}
void Win32Surface::SetMousePointer(int16_t pointer) {
  CheckMousePointer(pointer);
  mouse_pointer_ = pointer;
}

// Straight onto the window, kept nowhere: the next WM_PAINT covers a line drawn
// outside it, as a form's user control loses what it drew, and the focus marks rely
// on that.
void Win32Surface::DrawLine(float x1, float y1, float x2, float y2, OleColor color) {
  if (!hwnd_ || !::IsWindowVisible(hwnd_)) return;
  const float tx = TwipsPerPixelX(), ty = TwipsPerPixelY();
  HDC dc = ::GetDC(hwnd_);
  HPEN pen = ::CreatePen(PS_SOLID, 1, ToColorRef(color));
  HGDIOBJ old = ::SelectObject(dc, pen);
  ::MoveToEx(dc, ToPixels(x1, tx), ToPixels(y1, ty), nullptr);
  ::LineTo(dc, ToPixels(x2, tx), ToPixels(y2, ty));
  ::SelectObject(dc, old);
  ::DeleteObject(pen);
  ::ReleaseDC(hwnd_, dc);
}
// The surface paints again without what was drawn on it.
void Win32Surface::Cls() { Invalidate(); }
void Win32Surface::Refresh() {
  if (hwnd_) {
    ::InvalidateRect(hwnd_, nullptr, FALSE);
    ::UpdateWindow(hwnd_);
  }
}
// A window that does not show paints whole when it shows again, so marking it
// now is a call into the window system for nothing: under Wine a round trip to
// its server, and a copy sets the picture while the control is hidden.
void Win32Surface::Invalidate() {
  if (hwnd_ && ::IsWindowVisible(hwnd_)) ::InvalidateRect(hwnd_, nullptr, FALSE);
}

DispatchPtr Win32Surface::Parent() { return site_ ? site_->ContainerForm() : nullptr; }

DispatchPtr Win32Surface::Extender() {
  if (site_) {
    if (DispatchPtr ext = site_->ContainerExtender()) return ext;
  }
  if (!own_extender_) own_extender_ = std::make_shared<OwnExtender>(*this);
  return own_extender_;
}

DispatchPtr Win32Surface::ContainedControls() { return ControlsPlacedIn(Extender()); }

// Without a container there is no design time: a script's object runs.
bool Win32Surface::AmbientUserMode() const {
  auto mode = site_ ? site_->AmbientUserMode() : std::nullopt;
  return mode.value_or(true);
}
std::string Win32Surface::AmbientDisplayName() const {
  auto name = site_ ? site_->AmbientDisplayName() : std::nullopt;
  return name.value_or(control_ ? std::string(control_->ClassName()) : std::string());
}
FontPtr Win32Surface::AmbientFont() const {
  FontPtr font = site_ ? site_->AmbientFont() : nullptr;
  return font ? font : Win32Runtime::Instance().NewFont();
}

void Win32Surface::PropertyChanged(std::string_view property) {
  if (site_) site_->OnPropertyChanged(property);
}

void Win32Surface::RaiseEvent(std::string_view event, std::span<Variant> args) {
  if (site_) site_->FireEvent(event, args);
}

void Win32Surface::ListenToActivate(const DispatchPtr& form) {
  if (!form) {
    // An object loaded before any container sited it has no form yet: it follows
    // the form its window is later placed on. One that is sited must be given a form.
    if (site_ && !site_->HasContainer()) {
      listening_ = true;
      HookForm();
      return;
    }
    Raise(err::kTypeMismatch);
  }
  listening_ = true;
  HookForm();
}

void Win32Surface::SetShownFlag(bool shown) {
  shown_ = shown;
  if (hwnd_) {
    // What lies beneath must paint again for a copy of it: not only the parent,
    // which in some containers is a window of theirs that paints nothing, but the
    // form under it too.
    RECT beneath{};
    ::GetWindowRect(hwnd_, &beneath);
    ::ShowWindow(hwnd_, shown ? SW_SHOWNA : SW_HIDE);
    if (HWND root = shown ? nullptr : ::GetAncestor(hwnd_, GA_ROOT); root && root != hwnd_) {
      ::MapWindowPoints(nullptr, root, reinterpret_cast<POINT*>(&beneath), 2);
      ::RedrawWindow(root, &beneath, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
  }
  if (site_) site_->OnVisibleChanged(shown);
}

}  // namespace vitrelle::activex
