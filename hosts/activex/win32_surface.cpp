#include "hosts/activex/win32_surface.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "frame/members.h"
#include "frame/part_rules.h"
#include "frame/units.h"
#include "hosts/activex/com_util.h"
#include "hosts/activex/ole_objects.h"
#include "hosts/activex/win32_runtime.h"

namespace vitrelle::activex {

namespace {

constexpr wchar_t kSurfaceClass[] = L"VitrelleSurface";

int ToPixels(float twips, float twips_per_pixel) {
  return static_cast<int>(RoundHalfEven(static_cast<double>(twips) / twips_per_pixel));
}

// A window without borders or scroll bars has no non-client area to paint. The
// default handling would still fetch a context of the whole window and its visible
// region, a round trip to the window server for each under Wine, every time the
// window is shown.
bool HasNonClientArea(HWND hwnd) {
  const LONG_PTR style = ::GetWindowLongPtrW(hwnd, GWL_STYLE);
  const LONG_PTR ex_style = ::GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
  return (style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME | WS_HSCROLL | WS_VSCROLL)) != 0 ||
         (ex_style & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_WINDOWEDGE | WS_EX_DLGMODALFRAME)) != 0;
}

// One back buffer for every surface of the module, kept between paints: surfaces
// paint on their thread one at a time, and a compatible bitmap made and selected for
// each paint costs a query of the display's configuration each time (three round
// trips to the window server under Wine). Its pixels are 32-bit and top-down, so a
// surface's background can be kept as plain memory and copied in.
class BackBuffer {
 public:
  ~BackBuffer() { Free(); }
  // A memory context at least width x height pixels, or null while another paint
  // holds it or when it cannot be made.
  HDC Acquire(int width, int height) {
    if (busy_) return nullptr;
    if (width > width_ || height > height_) {
      Free();
      if (!Make(std::max(width, width_), std::max(height, height_))) return nullptr;
    }
    busy_ = true;
    return dc_;
  }
  void Release() { busy_ = false; }
  // Rows of `width` pixels between the buffer and `pixels` (width x height, packed).
  void Save(std::vector<uint32_t>& pixels, int width, int height) const {
    ::GdiFlush();
    pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) std::copy_n(Row(y), width, pixels.data() + static_cast<size_t>(y) * width);
  }
  void Restore(const std::vector<uint32_t>& pixels, int width, int height) {
    ::GdiFlush();
    for (int y = 0; y < height; ++y) std::copy_n(pixels.data() + static_cast<size_t>(y) * width, width, Row(y));
  }

 private:
  bool Make(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc_ = bitmap_ ? ::CreateCompatibleDC(nullptr) : nullptr;
    if (!dc_) {
      Free();
      return false;
    }
    old_bitmap_ = ::SelectObject(dc_, bitmap_);
    bits_ = static_cast<uint32_t*>(bits);
    width_ = width;
    height_ = height;
    return true;
  }
  void Free() {
    if (dc_) {
      ::SelectObject(dc_, old_bitmap_);
      ::DeleteDC(dc_);
    }
    if (bitmap_) ::DeleteObject(bitmap_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    bits_ = nullptr;
    width_ = height_ = 0;
  }
  uint32_t* Row(int y) const { return bits_ + static_cast<size_t>(y) * static_cast<size_t>(width_); }

  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_bitmap_ = nullptr;
  uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  bool busy_ = false;
};

BackBuffer& SharedBackBuffer() {
  static BackBuffer buffer;
  return buffer;
}

HFONT FontHandle(const FontPtr& font) {
  IFont* ole = PlatformFont(font);
  HFONT handle = nullptr;
  if (ole) ole->get_hFont(&handle);
  return handle;
}

}  // namespace

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

namespace {

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
  ~CheckBox() override { OnWindowDestroyed(); }
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
  void OnWindowDestroyed() override {
    if (button_) {
      ::SetWindowLongPtrW(button_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_proc_));
      ::SetWindowLongPtrW(button_, GWLP_USERDATA, 0);
      ::DestroyWindow(button_);
      button_ = nullptr;
    }
  }
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
      width_ = static_cast<float>(picture_->WidthPixels()) * surface_.TwipsPerPixelX();
      height_ = static_cast<float>(picture_->HeightPixels()) * surface_.TwipsPerPixelY();
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

// The extender of a control whose container gives none (a script's object, or a
// container such as a bare window host): Visible shows and hides the control's own
// window; the members that background tracking and focus handling read answer
// what a lone control on its form would have.
class OwnExtender final : public Dispatch {
 public:
  explicit OwnExtender(Win32Surface& surface) : surface_(surface) {}
  Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override {
    const bool read = kind == InvokeKind::kGet || kind == InvokeKind::kCall;
    if (NamesEqual(member, "Visible")) {
      if (read) return Variant::Boolean(surface_.ShownFlag());
      if (args.size() != 1) Raise(err::kWrongArguments);
      surface_.SetShownFlag(args.back().ToBoolean());
      return {};
    }
    if (NamesEqual(member, "SetFocus") && kind == InvokeKind::kCall) {
      if (HWND hwnd = surface_.window()) ::SetFocus(hwnd);
      return {};
    }
    if (!read) Raise(err::kNotSupported);
    if (NamesEqual(member, "Name")) return Variant::String(surface_.AmbientDisplayName());
    if (NamesEqual(member, "TabIndex")) return Variant::Integer(0);
    if (NamesEqual(member, "TabStop")) return Variant::Boolean(true);
    // The form holds the control directly: never a frame of this library.
    if (NamesEqual(member, "Container") || NamesEqual(member, "Parent")) return Variant::Object(surface_.Parent());
    Raise(err::kNotSupported);
  }
  // It stands for the control, as a container's extender would.
  bool IsA(std::string_view type_name) const override {
    if (NamesEqual(type_name, "Object")) return true;
    const Control* control = surface_.control();
    if (!control) return false;
    const std::string_view name = control->ClassName();
    return NamesEqual(type_name, name) ||
           (type_name.size() > 1 && type_name.front() == '_' && NamesEqual(type_name.substr(1), name));
  }

 private:
  Win32Surface& surface_;
};

}  // namespace

// ---------------------------------------------------------------------------
// The surface

Win32Surface::Win32Surface() { font_ = GetRuntime().NewFont(); }

Win32Surface::~Win32Surface() {
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
void Win32Surface::Invalidate() {
  if (hwnd_) ::InvalidateRect(hwnd_, nullptr, FALSE);
}

DispatchPtr Win32Surface::Parent() { return site_ ? site_->ContainerForm() : nullptr; }

DispatchPtr Win32Surface::Extender() {
  if (site_) {
    if (DispatchPtr ext = site_->ContainerExtender()) return ext;
  }
  if (!own_extender_) own_extender_ = std::make_shared<OwnExtender>(*this);
  return own_extender_;
}

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

// ---------------------------------------------------------------------------
// The window

bool Win32Surface::CreateWindowIn(HWND parent, const RECT& rect) {
  if (hwnd_) {
    ::SetParent(hwnd_, parent);
    MoveTo(rect);
    return true;
  }
  static ATOM atom = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &Win32Surface::WindowProc;
    wc.hInstance = ModuleInstance();
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kSurfaceClass;
    return ::RegisterClassExW(&wc);
  }();
  if (!atom) return false;
  hwnd_ = ::CreateWindowExW(0, kSurfaceClass, L"", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (shown_ ? WS_VISIBLE : 0),
                            rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                            ModuleInstance(), this);
  if (!hwnd_) return false;
  for (auto& part : parts_) part->OnWindowCreated(hwnd_);
  if (listening_) HookForm();
  return true;
}

void Win32Surface::DestroyWindowNow() {
  if (!hwnd_) return;
  UnhookForm();
  for (auto& part : parts_) part->OnWindowDestroyed();
  HWND old = hwnd_;
  hwnd_ = nullptr;
  ::SetWindowLongPtrW(old, GWLP_USERDATA, 0);
  ::DestroyWindow(old);
}

void Win32Surface::MoveTo(const RECT& rect) {
  if (!hwnd_) return;
  ::MoveWindow(hwnd_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

void Win32Surface::PaintBackground(HDC dc, int width, int height) {
  RECT all{0, 0, width, height};
  HBRUSH brush = ::CreateSolidBrush(ToColorRef(back_color_));
  ::FillRect(dc, &all, brush);
  ::DeleteObject(brush);
  if (IPicture* picture = PlatformPicture(picture_)) {
    OLE_XSIZE_HIMETRIC w = 0;
    OLE_YSIZE_HIMETRIC h = 0;
    picture->get_Width(&w);
    picture->get_Height(&h);
    int pw = picture_->WidthPixels(), ph = picture_->HeightPixels();
    picture->Render(dc, 0, 0, pw, ph, 0, h, w, -h, nullptr);
  }
}

void Win32Surface::PaintContent(HDC dc) {
  const float tx = TwipsPerPixelX(), ty = TwipsPerPixelY();
  for (auto& part : parts_) part->PaintOn(dc, tx, ty);
}

void Win32Surface::DrawInto(HDC dc, const RECT& rect) {
  int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return;
  BackBuffer& shared = SharedBackBuffer();
  if (HDC memory = shared.Acquire(width, height)) {
    // The colour and the picture change seldom; the parts drawn over them on
    // every paint.
    const BackgroundKey key{background_version_, width, height, ToColorRef(back_color_)};
    if (key == background_key_ && !background_.empty()) {
      shared.Restore(background_, width, height);
    } else {
      PaintBackground(memory, width, height);
      shared.Save(background_, width, height);
      background_key_ = key;
    }
    PaintContent(memory);
    ::BitBlt(dc, rect.left, rect.top, width, height, memory, 0, 0, SRCCOPY);
    shared.Release();
    return;
  }
  // A paint inside another one (a picture rendering a control, say) gets a buffer
  // of its own.
  HDC memory = ::CreateCompatibleDC(dc);
  HBITMAP bitmap = ::CreateCompatibleBitmap(dc, width, height);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  PaintBackground(memory, width, height);
  PaintContent(memory);
  ::BitBlt(dc, rect.left, rect.top, width, height, memory, 0, 0, SRCCOPY);
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
}

bool Win32Surface::FindPartPlace(std::string_view name, RECT* pixels, HWND* window) const {
  for (auto& part : parts_) {
    if (!NamesEqual(part->AsPart().Name(), name)) continue;
    if (!part->PixelBounds(TwipsPerPixelX(), TwipsPerPixelY(), pixels)) return false;
    *window = part->Window();
    return true;
  }
  return false;
}

Win32Part* Win32Surface::PartAt(int x, int y) {
  const float tx = TwipsPerPixelX(), ty = TwipsPerPixelY();
  for (auto it = parts_.rbegin(); it != parts_.rend(); ++it) {
    if ((*it)->Hit(x, y, tx, ty)) return it->get();
  }
  return nullptr;
}

void Win32Surface::MouseEvent(UINT msg, WPARAM wparam, LPARAM lparam) {
  if (!control_) return;
  const int px = GET_X_LPARAM(lparam), py = GET_Y_LPARAM(lparam);
  // A move with no button held means the press ended where this window did not
  // hear of it (the release went to another window): the press keeps no target.
  if (msg == WM_MOUSEMOVE && mouse_captured_on_surface_ && !(wparam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) {
    mouse_capture_ = nullptr;
    mouse_captured_on_surface_ = false;
    if (::GetCapture() == hwnd_) ::ReleaseCapture();
  }
  Win32Part* part = nullptr;
  if (mouse_capture_ || mouse_captured_on_surface_) {
    part = mouse_capture_;  // a press keeps its target until the release
  } else {
    part = PartAt(px, py);
  }
  int16_t button = static_cast<int16_t>(((wparam & MK_LBUTTON) ? 1 : 0) | ((wparam & MK_RBUTTON) ? 2 : 0) |
                                        ((wparam & MK_MBUTTON) ? 4 : 0));
  int16_t shift = static_cast<int16_t>(((wparam & MK_SHIFT) ? 1 : 0) | ((wparam & MK_CONTROL) ? 2 : 0) |
                                       (::GetKeyState(VK_MENU) < 0 ? 4 : 0));
  const float tx = TwipsPerPixelX(), ty = TwipsPerPixelY();
  float x = static_cast<float>(px) * tx - (part ? part->OriginX() : 0);
  float y = static_cast<float>(py) * ty - (part ? part->OriginY() : 0);
  Part* target = part ? &part->AsPart() : nullptr;
  switch (msg) {
    case WM_MOUSEMOVE: control_->MouseMove(target, button, shift, x, y); break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      mouse_capture_ = part;
      mouse_captured_on_surface_ = true;
      ::SetCapture(hwnd_);
      // The second press of a double click is the double click and no press of its
      // own: the release that follows still comes.
      if (msg == WM_LBUTTONDBLCLK) {
        control_->DblClick(target);
        break;
      }
      control_->MouseDown(target, button, shift, x, y);
      break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      button = msg == WM_LBUTTONUP ? 1 : msg == WM_RBUTTONUP ? 2 : 4;
      mouse_capture_ = nullptr;
      mouse_captured_on_surface_ = false;
      ::ReleaseCapture();
      control_->MouseUp(target, button, shift, x, y);
      RECT client;
      ::GetClientRect(hwnd_, &client);
      POINT p{px, py};
      if (msg == WM_LBUTTONUP && ::PtInRect(&client, p)) control_->Click(target);
      break;
    }
    default: break;
  }
}

void Win32Surface::KeyEvent(UINT msg, WPARAM wparam) {
  if (!control_) return;
  if (msg == WM_CHAR) {
    int16_t ascii = static_cast<int16_t>(wparam);
    control_->KeyPress(nullptr, ascii);
    return;
  }
  int16_t key = static_cast<int16_t>(wparam);
  int16_t shift = static_cast<int16_t>((::GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (::GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
                                       (::GetKeyState(VK_MENU) < 0 ? 4 : 0));
  if (msg == WM_KEYDOWN) {
    control_->KeyDown(nullptr, key, shift);
  } else {
    control_->KeyUp(nullptr, key, shift);
  }
}

LRESULT CALLBACK Win32Surface::WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32Surface*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self || self->hwnd_ != hwnd) return ::DefWindowProcW(hwnd, msg, wparam, lparam);
  try {
    return self->HandleMessage(msg, wparam, lparam);
  } catch (const RuntimeError&) {
    // Errors raised by handlers of user input end here, as in a host's event loop.
    return 0;
  }
}

LRESULT Win32Surface::HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_ERASEBKGND: return 1;  // WM_PAINT covers every pixel from its back buffer
    case WM_NCPAINT:
      if (!HasNonClientArea(hwnd_)) return 0;
      break;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(hwnd_, &ps);
      RECT client;
      ::GetClientRect(hwnd_, &client);
      DrawInto(dc, client);
      ::EndPaint(hwnd_, &ps);
      if (control_) control_->Paint();
      return 0;
    }
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED) {
        for (auto& part : parts_) {
          auto* box = dynamic_cast<CheckBox*>(part.get());
          if (box && box->button() == reinterpret_cast<HWND>(lparam)) box->UserClicked();
        }
        return 0;
      }
      break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_LBUTTONDBLCLK: MouseEvent(msg, wparam, lparam); return 0;
    case WM_SHOWWINDOW:
      if (wparam && control_) {
        control_->Show();
        for (auto& part : parts_) {
          if (auto* nested = dynamic_cast<NestedControl*>(part.get())) nested->OwnerShown();
        }
      }
      break;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR: KeyEvent(msg, wparam); return 0;
    case WM_SETFOCUS:
      if (control_) control_->GotFocus(nullptr);
      if (site_) site_->OnFocusChanged(true);
      return 0;
    case WM_KILLFOCUS:
      if (control_) control_->LostFocus(nullptr);
      if (site_) site_->OnFocusChanged(false);
      return 0;
    default: break;
  }
  return ::DefWindowProcW(hwnd_, msg, wparam, lparam);
}

// The form's activation is its top-level window's WM_ACTIVATE; the surface listens
// by subclassing that window while it has one.
namespace {

struct FormHook {
  WNDPROC original = nullptr;
  std::vector<Win32Surface*> listeners;
};

// The forms this module has hooked. Every message to a form passes through
// FormProc, and a window property costs a round trip to the window server
// under Wine; the module's own table costs nothing.
std::map<HWND, FormHook*>& FormHooks() {
  static std::map<HWND, FormHook*> hooks;
  return hooks;
}

FormHook* HookOf(HWND form) {
  auto it = FormHooks().find(form);
  return it == FormHooks().end() ? nullptr : it->second;
}

LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  FormHook* hook = HookOf(hwnd);
  if (!hook) return ::DefWindowProcW(hwnd, msg, wparam, lparam);
  WNDPROC original = hook->original;
  LRESULT result = ::CallWindowProcW(original, hwnd, msg, wparam, lparam);
  if (msg == WM_ACTIVATE && LOWORD(wparam) != WA_INACTIVE) {
    auto listeners = hook->listeners;  // a handler may stop listening
    for (Win32Surface* s : listeners) s->OnFormActivated();
  }
  return result;
}

}  // namespace

void Win32Surface::HookForm() {
  if (!hwnd_ || hooked_form_) return;
  HWND form = ::GetAncestor(hwnd_, GA_ROOT);
  if (!form) return;
  FormHook* hook = HookOf(form);
  if (!hook) {
    hook = new FormHook();
    hook->original =
        reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(form, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FormProc)));
    FormHooks()[form] = hook;
  }
  hook->listeners.push_back(this);
  hooked_form_ = form;
}

void Win32Surface::UnhookForm() {
  if (!hooked_form_) return;
  FormHook* hook = HookOf(hooked_form_);
  if (hook) {
    std::erase(hook->listeners, this);
    // Only the last listener may restore the window procedure, and only while it
    // is still ours: another subclasser may have chained after it.
    if (hook->listeners.empty() &&
        ::GetWindowLongPtrW(hooked_form_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&FormProc)) {
      ::SetWindowLongPtrW(hooked_form_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(hook->original));
      FormHooks().erase(hooked_form_);
      delete hook;
    }
  }
  hooked_form_ = nullptr;
}

void Win32Surface::OnFormActivated() {
  if (control_) control_->ParentActivate();
}

}  // namespace vitrelle::activex
