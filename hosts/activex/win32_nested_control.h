#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "frame/part_rules.h"
#include "hosts/activex/win32_part_base.h"
#include "hosts/activex/win32_surface.h"

namespace vitrelle::activex {

// A nested user control (the option button's glyph): a surface of its own, whose
// window is a child of the owner's and so can take a window region, the focus and
// the keys, and paints the nested control's own parts. What it raises arrives at
// the owner's PartEvent; its focus at the owner's GotFocus and LostFocus for the part.
class NestedControl final : public RectImpl<UserControlPart>, private SurfaceSite {
 public:
  NestedControl(Win32Surface& owner, std::string_view name, std::unique_ptr<Control> (*make)(Surface&))
      : RectImpl(owner, name), inner_(std::make_unique<Win32Surface>()) {
    width_ = kInitialSide;
    height_ = kInitialSide;
    inner_->PlaceInOwner(RECT{}, width_, height_);
    object_ = make(*inner_);
    inner_->Attach(object_.get(), this);
    inner_->SetWindowShown(visible_);
    object_->Initialize();
    object_->InitProperties();
    object_->Resize();
  }
  ~NestedControl() override {
    try {
      object_->Terminate();
    } catch (const RuntimeError&) {
      // Nothing the owner could do about it: the nested control goes either way.
    }
    inner_->Attach(nullptr, nullptr);
    object_.reset();
    inner_.reset();
  }

  PartKind Kind() const override { return PartKind::kUserControl; }
  Control& Object() override { return *object_; }
  Handle hWnd() const override { return inner_->hWnd(); }
  HWND Window() const override { return inner_->window(); }
  void SetFocus() override {
    HWND window = inner_->window();
    CheckCanTakeFocus(window && visible_, inner_->Enabled(), surface_.Enabled());
    ::SetFocus(window);
  }
  // The nested control may size itself: its surface's size is the part's.
  float Width() const override { return inner_->Width(); }
  float Height() const override { return inner_->Height(); }
  void SetLeft(float v) override { Move(v, top_, Width(), Height()); }
  void SetTop(float v) override { Move(left_, v, Width(), Height()); }
  void SetWidth(float v) override {
    CheckExtent(v);
    Move(left_, top_, v, Height());
  }
  void SetHeight(float v) override {
    CheckExtent(v);
    Move(left_, top_, Width(), v);
  }
  bool PixelBounds(float tx, float ty, RECT* out) const override {
    *out = Placement(tx, ty);
    return true;
  }

  void OnWindowCreated(HWND parent) override {
    // Made hidden and then shown: a child window made visible at once hears no
    // WM_SHOWWINDOW under Wine, and the nested control must hear Show each time
    // its window appears (the glyph takes its round region then).
    inner_->SetWindowShown(false);
    inner_->CreateWindowIn(parent, Placement(surface_.TwipsPerPixelX(), surface_.TwipsPerPixelY()));
    inner_->SetWindowShown(visible_);
  }
  void OnWindowDestroyed() override { inner_->DestroyWindowNow(); }
  // The owner was shown: the nested control hears Show after it, as its own window
  // does not hear its parent being shown.
  void OwnerShown() {
    if (visible_ && inner_->window() && object_) object_->Show();
  }

 protected:
  void Move(float left, float top, float width, float height) override {
    left_ = left;
    top_ = top;
    inner_->PlaceInOwner(Placement(left, top, width, height), width, height);
  }
  void VisibilityChanged() override { inner_->SetWindowShown(visible_); }

 private:
  static constexpr float kInitialSide = 195;  // 13 pixels, the glyph's size

  RECT Placement(float tx, float ty) const { return Placement(left_, top_, Width(), Height(), tx, ty); }
  RECT Placement(float left, float top, float width, float height) const {
    return Placement(left, top, width, height, surface_.TwipsPerPixelX(), surface_.TwipsPerPixelY());
  }
  static RECT Placement(float left, float top, float width, float height, float tx, float ty) {
    int l = ToPixels(left, tx), t = ToPixels(top, ty);
    return RECT{l, t, l + ToPixels(width, tx), t + ToPixels(height, ty)};
  }

  // SurfaceSite: the owner stands where a container would.
  void FireEvent(std::string_view event, std::span<Variant> args) override {
    if (Control* owner = surface_.control()) owner->PartEvent(*this, event, args);
  }
  DispatchPtr ContainerExtender() override { return surface_.Extender(); }
  DispatchPtr ContainerForm() override { return surface_.Parent(); }
  bool HasContainer() override { return surface_.site() && surface_.site()->HasContainer(); }
  std::optional<bool> AmbientUserMode() override { return surface_.AmbientUserMode(); }
  std::optional<std::string> AmbientDisplayName() override { return Name(); }
  FontPtr AmbientFont() override { return surface_.GetFont(); }
  // The owner persists what it wants of the nested control itself.
  void OnPropertyChanged(std::string_view) override {}
  void OnVisibleChanged(bool) override {}
  void OnSizeChangedByControl() override { surface_.Invalidate(); }
  void OnFocusChanged(bool gained) override {
    Control* owner = surface_.control();
    if (!owner) return;
    if (gained) {
      owner->GotFocus(this);
    } else {
      owner->LostFocus(this);
    }
  }

  std::unique_ptr<Win32Surface> inner_;
  std::unique_ptr<Control> object_;
};

}  // namespace vitrelle::activex
