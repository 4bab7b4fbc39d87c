// The Win32 surface's constituent parts: label, check box (a real BUTTON window),
// image, line, shape and timer.
#pragma once

#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "frame/members.h"
#include "frame/part_rules.h"
#include "frame/units.h"
#include "hosts/activex/com_util.h"
#include "hosts/activex/ole_objects.h"
#include "hosts/activex/win32_part_base.h"
#include "hosts/activex/win32_runtime.h"

namespace vitrelle::activex {

class Label final : public InputImpl<LabelPart> {
 public:
  Label(Win32Surface& surface, std::string_view name) : InputImpl(surface, name) {
    font_ = surface.GetRuntime().NewFont();
    AutoSize();
  }
  PartKind Kind() const override { return PartKind::kLabel; }
  std::string Caption() const override { return caption_; }
  void SetCaption(std::string_view text) override {
    const bool changed = caption_ != text;
    caption_ = text;
    AutoSize();
    if (!changed) return;
    if (Control* c = surface_.control()) c->Change(this);
  }
  int16_t BackStyle() const override { return back_style_; }
  void SetBackStyle(int16_t style) override {
    CheckZeroOrOne(style);
    back_style_ = style;
    surface_.Invalidate();
  }
  OleColor BackColor() const override { return back_color_; }
  void SetBackColor(OleColor c) override {
    CheckColor(c);
    back_color_ = c;
    surface_.Invalidate();
  }
  OleColor ForeColor() const override { return fore_color_; }
  void SetForeColor(OleColor c) override {
    CheckColor(c);
    fore_color_ = c;
    surface_.Invalidate();
  }
  FontPtr GetFont() const override { return font_; }
  void SetFont(FontPtr font) override {
    CheckFontObject(font);
    font_ = std::move(font);
    AutoSize();
  }
  void SetFontName(std::string_view name) override {
    font_->SetName(name);
    AutoSize();
  }
  void SetFontSize(float points) override {
    font_->SetSize(points);
    AutoSize();
  }
  void SetFontBold(bool on) override {
    font_->SetBold(on);
    AutoSize();
  }
  void SetFontItalic(bool on) override {
    font_->SetItalic(on);
    AutoSize();
  }
  void SetFontUnderline(bool on) override {
    font_->SetUnderline(on);
    AutoSize();
  }
  void SetFontStrikethrough(bool on) override {
    font_->SetStrikethrough(on);
    AutoSize();
  }

  void PaintOn(HDC dc, float tx, float ty) override {
    if (!visible_) return;
    RECT r = PixelRect(tx, ty);
    if (back_style_ == 1) {
      HBRUSH brush = ::CreateSolidBrush(ToColorRef(back_color_));
      ::FillRect(dc, &r, brush);
      ::DeleteObject(brush);
    }
    HGDIOBJ old = ::SelectObject(dc, FontHandle(font_));
    ::SetBkMode(dc, TRANSPARENT);
    std::wstring text = Widen(caption_);
    if (!enabled_) {
      // The classic disabled look: an embossed copy under grey text.
      ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
      RECT shifted{r.left + 1, r.top + 1, r.right + 1, r.bottom + 1};
      ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &shifted, DT_SINGLELINE | DT_NOPREFIX);
      ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
    } else {
      ::SetTextColor(dc, ToColorRef(fore_color_));
    }
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_NOPREFIX);
    ::SelectObject(dc, old);
  }

 private:
  // The label fits its text on one line: width and height follow every change of
  // caption or font.
  void AutoSize() {
    // A memory context measures as the screen does without asking the window
    // server for the screen's visible region every time.
    static HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, FontHandle(font_));
    std::wstring text = Widen(caption_);
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.empty() ? L" " : text.c_str(), text.empty() ? 1 : static_cast<int>(text.size()),
                            &size);
    if (text.empty()) size.cx = 0;
    ::SelectObject(dc, old);
    width_ = static_cast<float>(size.cx) * surface_.TwipsPerPixelX();
    height_ = static_cast<float>(size.cy) * surface_.TwipsPerPixelY();
    surface_.Invalidate();
  }

  std::string caption_;
  int16_t back_style_ = 1;
  OleColor back_color_ = 0x8000000F;
  OleColor fore_color_ = 0x80000012;
  FontPtr font_;
};

class CheckBox final : public InputImpl<CheckBoxPart> {
 public:
  using InputImpl::InputImpl;
  ~CheckBox() override {
    if (!button_) return;
    ::SetWindowLongPtrW(button_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_proc_));
    ::SetWindowLongPtrW(button_, GWLP_USERDATA, 0);
    ::DestroyWindow(button_);
  }
  PartKind Kind() const override { return PartKind::kCheckBox; }
  int16_t Value() const override { return value_; }
  void SetValue(int16_t v) override {
    CheckCheckBoxValue(v);
    bool changed = v != value_;
    value_ = v;
    if (button_) ::SendMessageW(button_, BM_SETCHECK, static_cast<WPARAM>(v), 0);
    if (changed) {
      if (Control* c = surface_.control()) c->Click(this);
    }
  }
  int16_t Appearance() const override { return appearance_; }
  void SetAppearance(int16_t a) override {
    CheckZeroOrOne(a);
    appearance_ = a;
    if (button_) {
      LONG_PTR style = ::GetWindowLongPtrW(button_, GWL_STYLE);
      style = a == 0 ? (style | BS_FLAT) : (style & ~static_cast<LONG_PTR>(BS_FLAT));
      ::SetWindowLongPtrW(button_, GWL_STYLE, style);
      ::InvalidateRect(button_, nullptr, TRUE);
    }
  }
  Handle hWnd() const override { return reinterpret_cast<Handle>(button_); }
  void SetFocus() override {
    // The window, not only the flag: a control hidden for a copy of its background
    // hides the button with it.
    CheckCanTakeFocus(button_ && ::IsWindowVisible(button_), enabled_, surface_.Enabled());
    ::SetFocus(button_);
  }
  void SetEnabled(bool on) override {
    InputImpl::SetEnabled(on);
    if (button_) ::EnableWindow(button_, on ? TRUE : FALSE);
  }
  bool Hit(int, int, float, float) override { return false; }  // its window takes the mouse

  void OnWindowCreated(HWND parent) override {
    float tx = surface_.TwipsPerPixelX(), ty = surface_.TwipsPerPixelY();
    RECT r = PixelRect(tx, ty);
    DWORD style = WS_CHILD | WS_TABSTOP | BS_CHECKBOX | (visible_ ? WS_VISIBLE : 0) | (appearance_ == 0 ? BS_FLAT : 0);
    button_ = ::CreateWindowExW(0, L"BUTTON", L"", style, r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
                                nullptr, ModuleInstance(), nullptr);
    if (!button_) return;
    ::SetWindowLongPtrW(button_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SendMessageW(button_, BM_SETCHECK, static_cast<WPARAM>(value_), 0);
    ::EnableWindow(button_, enabled_ ? TRUE : FALSE);
    original_proc_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(button_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ButtonProc)));
  }
  // The button goes with the surface's window, which destroys its children with
  // it (WM_NCDESTROY below lets go of it). Destroyed first on its own, the visible
  // button made the window server work out the regions of the surface and of the
  // form beneath once more: a dozen round trips under Wine for each control.
  HWND Window() const override { return button_; }
  // BN_CLICKED from the surface: a user's click toggles the value.
  void UserClicked() { SetValue(value_ == 0 ? 1 : 0); }
  HWND button() const { return button_; }

 protected:
  void Move(float left, float top, float width, float height) override {
    InputImpl::Move(left, top, width, height);
    if (button_) {
      RECT r = PixelRect(surface_.TwipsPerPixelX(), surface_.TwipsPerPixelY());
      ::MoveWindow(button_, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
  }
  void VisibilityChanged() override {
    if (button_) ::ShowWindow(button_, visible_ ? SW_SHOWNA : SW_HIDE);
  }

 private:
  // Mouse, key and focus messages of the button go to the control as the part's.
  static LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<CheckBox*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(hwnd, msg, wparam, lparam);
    if (msg == WM_NCPAINT && !HasNonClientArea(hwnd)) return 0;
    WNDPROC original = self->original_proc_;
    if (msg == WM_NCDESTROY) {
      ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
      self->button_ = nullptr;
      return ::CallWindowProcW(original, hwnd, msg, wparam, lparam);
    }
    Control* control = self->surface_.control();
    if (control) {
      try {
        // Asked only for input: each question is a round trip to the window server
        // under Wine, and the button hears many messages that are not input.
        const bool input = (msg >= WM_KEYFIRST && msg <= WM_KEYLAST) || (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST);
        int16_t shift = input ? static_cast<int16_t>((::GetKeyState(VK_SHIFT) < 0 ? 1 : 0) |
                                                     (::GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
                                                     (::GetKeyState(VK_MENU) < 0 ? 4 : 0))
                              : int16_t{0};
        switch (msg) {
          case WM_KEYDOWN: {
            int16_t key = static_cast<int16_t>(wparam);
            control->KeyDown(self, key, shift);
            if (key == 0) return 0;
            break;
          }
          case WM_KEYUP: {
            int16_t key = static_cast<int16_t>(wparam);
            control->KeyUp(self, key, shift);
            if (key == 0) return 0;
            break;
          }
          case WM_CHAR: {
            int16_t ascii = static_cast<int16_t>(wparam);
            control->KeyPress(self, ascii);
            if (ascii == 0) return 0;
            wparam = static_cast<WPARAM>(ascii);
            break;
          }
          case WM_SETFOCUS: control->GotFocus(self); break;
          case WM_KILLFOCUS: control->LostFocus(self); break;
          case WM_LBUTTONDOWN:
          case WM_RBUTTONDOWN:
          case WM_MBUTTONDOWN:
          case WM_LBUTTONUP:
          case WM_RBUTTONUP:
          case WM_MBUTTONUP:
          case WM_MOUSEMOVE: {
            int16_t button = static_cast<int16_t>(((wparam & MK_LBUTTON) ? 1 : 0) | ((wparam & MK_RBUTTON) ? 2 : 0) |
                                                  ((wparam & MK_MBUTTON) ? 4 : 0));
            if (msg == WM_LBUTTONUP) button = 1;
            if (msg == WM_RBUTTONUP) button = 2;
            if (msg == WM_MBUTTONUP) button = 4;
            float x = static_cast<float>(GET_X_LPARAM(lparam)) * self->surface_.TwipsPerPixelX();
            float y = static_cast<float>(GET_Y_LPARAM(lparam)) * self->surface_.TwipsPerPixelY();
            if (msg == WM_MOUSEMOVE)
              control->MouseMove(self, button, shift, x, y);
            else if (msg == WM_LBUTTONUP || msg == WM_RBUTTONUP || msg == WM_MBUTTONUP)
              control->MouseUp(self, button, shift, x, y);
            else
              control->MouseDown(self, button, shift, x, y);
            break;
          }
          default: break;
        }
      } catch (const RuntimeError&) {
        // An error in an event handler must not unwind through the window procedure.
      }
    }
    return ::CallWindowProcW(original, hwnd, msg, wparam, lparam);
  }

  int16_t value_ = 0;
  int16_t appearance_ = 1;
  HWND button_ = nullptr;
  WNDPROC original_proc_ = nullptr;
};

class Image final : public InputImpl<ImagePart> {
 public:
  using InputImpl::InputImpl;
  PartKind Kind() const override { return PartKind::kImage; }
  PicturePtr GetPicture() const override { return picture_; }
  void SetPicture(PicturePtr picture) override {
    const bool same = picture == picture_;
    picture_ = std::move(picture);
    // An image that does not stretch takes its picture's size.
    if (picture_ && picture_->Type() != 0) {
      width_ = static_cast<float>(picture_->WidthPixels()) * kTwipsPerDesignPixel;
      height_ = static_cast<float>(picture_->HeightPixels()) * kTwipsPerDesignPixel;
    }
    // A control that sets the same picture from its Paint handler (the option
    // button's glyph does, on every paint) must not make its surface paint forever.
    if (!same) surface_.Invalidate();
  }
  void PaintOn(HDC dc, float tx, float ty) override {
    if (!visible_ || !picture_) return;
    IPicture* ole = PlatformPicture(picture_);
    if (!ole) return;
    RECT r = PixelRect(tx, ty);
    OLE_XSIZE_HIMETRIC w = 0;
    OLE_YSIZE_HIMETRIC h = 0;
    ole->get_Width(&w);
    ole->get_Height(&h);
    ole->Render(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, 0, h, w, -h, nullptr);
  }

 private:
  PicturePtr picture_;
};

class Line final : public NamedPart<LinePart> {
 public:
  using NamedPart::NamedPart;
  PartKind Kind() const override { return PartKind::kLine; }
  float X1() const override { return x1_; }
  float Y1() const override { return y1_; }
  float X2() const override { return x2_; }
  float Y2() const override { return y2_; }
  void SetX1(float v) override { Set(x1_, v); }
  void SetY1(float v) override { Set(y1_, v); }
  void SetX2(float v) override { Set(x2_, v); }
  void SetY2(float v) override { Set(y2_, v); }
  OleColor BorderColor() const override { return color_; }
  void SetBorderColor(OleColor c) override {
    CheckColor(c);
    Set(color_, c);
  }
  int16_t BorderWidth() const override { return width_; }
  void SetBorderWidth(int16_t pixels) override {
    CheckBorderWidth(pixels);
    Set(width_, pixels);
  }
  void PaintOn(HDC dc, float tx, float ty) override {
    if (!visible_) return;
    HPEN pen = ::CreatePen(PS_SOLID, width_, ToColorRef(color_));
    HGDIOBJ old = ::SelectObject(dc, pen);
    ::MoveToEx(dc, ToPixels(x1_, tx), ToPixels(y1_, ty), nullptr);
    ::LineTo(dc, ToPixels(x2_, tx), ToPixels(y2_, ty));
    ::SelectObject(dc, old);
    ::DeleteObject(pen);
  }

 private:
  template <class T>
  void Set(T& field, T v) {
    field = v;
    surface_.Invalidate();
  }
  float x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
  OleColor color_ = 0x80000008;
  int16_t width_ = 1;
};

class ShapeImpl final : public RectImpl<ShapePart> {
 public:
  using RectImpl::RectImpl;
  PartKind Kind() const override { return PartKind::kShape; }
  ShapeKind Shape() const override { return shape_; }
  void SetShape(ShapeKind kind) override {
    CheckShapeKind(static_cast<int16_t>(kind));
    Set(shape_, kind);
  }
  OleColor FillColor() const override { return fill_color_; }
  void SetFillColor(OleColor c) override {
    CheckColor(c);
    Set(fill_color_, c);
  }
  int16_t FillStyle() const override { return fill_style_; }
  void SetFillStyle(int16_t style) override {
    CheckFillStyle(style);
    Set(fill_style_, style);
  }
  OleColor BorderColor() const override { return border_color_; }
  void SetBorderColor(OleColor c) override {
    CheckColor(c);
    Set(border_color_, c);
  }
  int16_t BorderWidth() const override { return border_width_; }
  void SetBorderWidth(int16_t pixels) override {
    CheckBorderWidth(pixels);
    Set(border_width_, pixels);
  }
  void PaintOn(HDC dc, float tx, float ty) override {
    if (!visible_) return;
    RECT r = PixelRect(tx, ty);
    HPEN pen = ::CreatePen(PS_INSIDEFRAME, border_width_, ToColorRef(border_color_));
    HBRUSH brush = fill_style_ == 0 ? ::CreateSolidBrush(ToColorRef(fill_color_))
                                    : static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
    HGDIOBJ old_pen = ::SelectObject(dc, pen);
    HGDIOBJ old_brush = ::SelectObject(dc, brush);
    // Square and circle kinds keep a square centred in the rectangle.
    if (shape_ == ShapeKind::kSquare || shape_ == ShapeKind::kCircle || shape_ == ShapeKind::kRoundedSquare) {
      int side = std::min(r.right - r.left, r.bottom - r.top);
      int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
      r = RECT{cx - side / 2, cy - side / 2, cx - side / 2 + side, cy - side / 2 + side};
    }
    switch (shape_) {
      case ShapeKind::kOval:
      case ShapeKind::kCircle: ::Ellipse(dc, r.left, r.top, r.right, r.bottom); break;
      case ShapeKind::kRoundedRectangle:
      case ShapeKind::kRoundedSquare: {
        int round = std::min(r.right - r.left, r.bottom - r.top) / 4;
        ::RoundRect(dc, r.left, r.top, r.right, r.bottom, round, round);
        break;
      }
      default: ::Rectangle(dc, r.left, r.top, r.right, r.bottom); break;
    }
    ::SelectObject(dc, old_brush);
    ::SelectObject(dc, old_pen);
    ::DeleteObject(pen);
    if (fill_style_ == 0) ::DeleteObject(brush);
  }

 private:
  template <class T>
  void Set(T& field, T v) {
    field = v;
    surface_.Invalidate();
  }
  ShapeKind shape_ = ShapeKind::kRectangle;
  OleColor fill_color_ = 0;
  int16_t fill_style_ = 1;
  OleColor border_color_ = 0x80000008;
  int16_t border_width_ = 1;
};

// Thread timers need no window, so a control created by a script without a form
// still ticks while its thread pumps messages.
class Timer final : public NamedPart<TimerPart> {
 public:
  using NamedPart::NamedPart;
  ~Timer() override { Stop(); }
  PartKind Kind() const override { return PartKind::kTimer; }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool on) override {
    enabled_ = on;
    Restart();
  }
  int32_t Interval() const override { return interval_; }
  void SetInterval(int32_t ms) override {
    CheckTimerInterval(ms);
    interval_ = ms;
    Restart();
  }

 private:
  static std::map<UINT_PTR, Timer*>& Running() {
    static std::map<UINT_PTR, Timer*> running;
    return running;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    auto it = Running().find(id);
    if (it == Running().end()) return;
    Timer* timer = it->second;
    if (Control* c = timer->surface_.control()) {
      try {
        c->TimerTick(*timer);
      } catch (const RuntimeError&) {
        // A tick's error has nobody to report to; the timer keeps its state.
      }
    }
  }
  void Restart() {
    Stop();
    if (enabled_ && interval_ > 0) {
      id_ = ::SetTimer(nullptr, 0, static_cast<UINT>(interval_), &Tick);
      if (id_) Running()[id_] = this;
    }
  }
  void Stop() {
    if (id_) {
      ::KillTimer(nullptr, id_);
      Running().erase(id_);
      id_ = 0;
    }
  }
  // Parts are made from code, so a timer starts as the controls declare theirs
  // (and as the model host's does): disabled.
  bool enabled_ = false;
  int32_t interval_ = 0;
  UINT_PTR id_ = 0;
};

}  // namespace vitrelle::activex
