// What every constituent part of a Win32 surface is to the surface (Win32Part), and
// the bases the parts share: a name and visibility, a rectangle, the mouse.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "frame/host.h"
#include "frame/part_rules.h"
#include "frame/units.h"
#include "hosts/activex/ole_objects.h"
#include "hosts/activex/win32_surface.h"

namespace vitrelle::activex {

inline int ToPixels(float twips, float twips_per_pixel) { return PixelCoordinate(twips, twips_per_pixel); }

inline HFONT FontHandle(const FontPtr& font) {
  IFont* ole = PlatformFont(font);
  HFONT handle = nullptr;
  if (ole) ole->get_hFont(&handle);
  return handle;
}

// A window without borders or scroll bars has no non-client area to paint. The
// default handling would still fetch a context of the whole window and its visible
// region, a round trip to the window server for each under Wine, every time the
// window is shown.
inline bool HasNonClientArea(HWND hwnd) {
  const LONG_PTR style = ::GetWindowLongPtrW(hwnd, GWL_STYLE);
  const LONG_PTR ex_style = ::GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
  return (style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME | WS_HSCROLL | WS_VSCROLL)) != 0 ||
         (ex_style & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_WINDOWEDGE | WS_EX_DLGMODALFRAME)) != 0;
}

// ---------------------------------------------------------------------------
// Parts

class Win32Part {
 public:
  explicit Win32Part(Win32Surface& surface) : surface_(surface) {}
  virtual ~Win32Part() = default;
  virtual Part& AsPart() = 0;
  // Windowless parts paint onto the surface; windowed ones leave it to their window.
  virtual void PaintOn(HDC, float, float) {}
  // Whether a windowless part takes the mouse at this surface pixel.
  virtual bool Hit(int, int, float, float) { return false; }
  virtual void OnWindowCreated(HWND) {}
  virtual void OnWindowDestroyed() {}
  // Twips position of the part, for mouse coordinates relative to it.
  virtual float OriginX() const { return 0; }
  virtual float OriginY() const { return 0; }
  // The area the part covers in surface pixels; false for parts without one.
  virtual bool PixelBounds(float, float, RECT*) const { return false; }
  virtual HWND Window() const { return nullptr; }

 protected:
  Win32Surface& surface_;
};

template <class Base>
class NamedPart : public Base, public Win32Part {
 public:
  NamedPart(Win32Surface& surface, std::string_view name, int index = -1)
      : Win32Part(surface), name_(name), index_(index) {}
  const std::string& Name() const override { return name_; }
  int Index() const override { return index_; }
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override {
    visible_ = visible;
    VisibilityChanged();
    surface_.Invalidate();
  }
  Part& AsPart() override { return *this; }

 protected:
  virtual void VisibilityChanged() {}
  bool visible_ = true;

 private:
  std::string name_;
  int index_;
};

template <class Base>
class RectImpl : public NamedPart<Base> {
 public:
  using NamedPart<Base>::NamedPart;
  float Left() const override { return left_; }
  float Top() const override { return top_; }
  float Width() const override { return width_; }
  float Height() const override { return height_; }
  void SetLeft(float v) override { Move(v, top_, width_, height_); }
  void SetTop(float v) override { Move(left_, v, width_, height_); }
  void SetWidth(float v) override {
    CheckExtent(v);
    Move(left_, top_, v, height_);
  }
  void SetHeight(float v) override {
    CheckExtent(v);
    Move(left_, top_, width_, v);
  }
  float OriginX() const override { return left_; }
  float OriginY() const override { return top_; }
  bool PixelBounds(float tx, float ty, RECT* out) const override {
    *out = PixelRect(tx, ty);
    return true;
  }

 protected:
  virtual void Move(float left, float top, float width, float height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    this->surface_.Invalidate();
  }
  RECT PixelRect(float tx, float ty) const {
    int l = ToPixels(left_, tx), t = ToPixels(top_, ty);
    return RECT{l, t, l + ToPixels(width_, tx), t + ToPixels(height_, ty)};
  }

  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
};

template <class Base>
class InputImpl : public RectImpl<Base> {
 public:
  using RectImpl<Base>::RectImpl;
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool on) override {
    enabled_ = on;
    this->surface_.Invalidate();
  }
  PicturePtr MouseIcon() const override { return mouse_icon_; }
  void SetMouseIcon(PicturePtr icon) override { mouse_icon_ = std::move(icon); }
  int16_t MousePointer() const override { return mouse_pointer_; }
  void SetMousePointer(int16_t pointer) override {
    CheckMousePointer(pointer);
    mouse_pointer_ = pointer;
  }
  bool Hit(int x, int y, float tx, float ty) override {
    if (!this->visible_) return false;
    RECT r = this->PixelRect(tx, ty);
    POINT p{x, y};
    return ::PtInRect(&r, p) != FALSE;
  }

 protected:
  bool enabled_ = true;
  PicturePtr mouse_icon_;
  int16_t mouse_pointer_ = 0;
};

}  // namespace vitrelle::activex
