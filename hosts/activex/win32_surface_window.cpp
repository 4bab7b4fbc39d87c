#include "hosts/activex/win32_surface.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "hosts/activex/com_util.h"
#include "hosts/activex/win32_back_buffer.h"
#include "hosts/activex/win32_nested_control.h"
#include "hosts/activex/win32_part_base.h"
#include "hosts/activex/win32_parts.h"
#include "hosts/activex/win32_runtime.h"

namespace vitrelle::activex {

namespace {

constexpr wchar_t kSurfaceClass[] = L"VitrelleSurface";

}  // namespace

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
  // A control loaded disabled was told so before it had a window: the window is
  // made disabled, or Tab and the mouse would still reach it.
  hwnd_ = ::CreateWindowExW(0, kSurfaceClass, L"",
                            WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (shown_ ? WS_VISIBLE : 0) |
                                (enabled_ ? 0 : WS_DISABLED),
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
      TakeFocusOnPress();
      mouse_capture_ = part;
      mouse_captured_on_surface_ = true;
      ::SetCapture(hwnd_);
      // The second press of a double click is the double click and no press of its
      // own: the release that follows still comes.
      releasing_double_click_ = msg == WM_LBUTTONDBLCLK;
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
      // A double click's second press gave DblClick: its release is no click.
      const bool after_double = msg == WM_LBUTTONUP && releasing_double_click_;
      if (msg == WM_LBUTTONUP) releasing_double_click_ = false;
      if (msg == WM_LBUTTONUP && !after_double && ::PtInRect(&client, p)) control_->Click(target);
      break;
    }
    default: break;
  }
}

// The window under the mouse takes the focus before it hears of the button, as a
// form's user control does: an option's glyph itself, a control around one
// through it (WM_SETFOCUS passes it on), a slider's own surface, a check box
// pressed on its caption. The platform's check box takes the focus on its own when
// its own window is pressed, and that press never reaches the surface's window.
void Win32Surface::TakeFocusOnPress() {
  HWND focus = ::GetFocus();
  if (!takes_focus_ || focus == hwnd_ || ::IsChild(hwnd_, focus) || !::IsWindowEnabled(hwnd_)) return;
  ::SetFocus(hwnd_);
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
    case WM_GETOBJECT:
      if (static_cast<LONG>(lparam) == static_cast<LONG>(OBJID_CLIENT) && site_) {
        if (IAccessible* accessible = site_->NewAccessible(hwnd_)) {
          const LRESULT result = ::LresultFromObject(kIidAccessible, wparam, accessible);
          accessible->Release();
          return result;
        }
      }
      break;
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
      // A control with a nested control is focused through it, as a form's user
      // control passes the focus to its first constituent control: the option
      // button's keys must come from its glyph. The platform's check box glyph
      // leaves the focus with the surface, which draws the control's own marks.
      for (auto& part : parts_) {
        auto* nested = dynamic_cast<NestedControl*>(part.get());
        HWND w = nested ? nested->Window() : nullptr;
        if (w && ::IsWindowVisible(w) && ::IsWindowEnabled(w)) {
          ::SetFocus(w);
          return 0;
        }
      }
      focus_told_ = true;
      if (control_) control_->GotFocus(nullptr);
      if (site_) site_->OnFocusChanged(true);
      return 0;
    case WM_KILLFOCUS:
      // A focus passed straight on to a part was never the surface's.
      if (!std::exchange(focus_told_, false)) return 0;
      if (control_) control_->LostFocus(nullptr);
      if (site_) site_->OnFocusChanged(false);
      return 0;
    default: break;
  }
  return ::DefWindowProcW(hwnd_, msg, wparam, lparam);
}

}  // namespace vitrelle::activex
