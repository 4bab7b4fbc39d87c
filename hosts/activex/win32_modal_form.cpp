#include "hosts/activex/win32_modal_form.h"

#include <algorithm>

#include "hosts/activex/com_util.h"
#include "hosts/activex/win32_runtime.h"

namespace vitrelle::activex {

namespace {

constexpr WORD kFirstId = 100;

// A dialog template without items: the children are made in WM_INITDIALOG, where
// their sizes can be given in pixels from the form's twips.
struct EmptyTemplate {
  DLGTEMPLATE header;
  WORD menu = 0, window_class = 0, title = 0;
};

HCURSOR MakeCursor(const FormElement& e) {
  if (e.cursor.size() != 32 * 32) return nullptr;
  // Monochrome masks, one bit a pixel: AND keeps the screen, XOR then sets white.
  BYTE and_mask[32 * 4], xor_mask[32 * 4];
  std::fill(std::begin(and_mask), std::end(and_mask), 0xFF);
  std::fill(std::begin(xor_mask), std::end(xor_mask), 0x00);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const uint8_t p = e.cursor[static_cast<size_t>(y) * 32 + x];
      const BYTE bit = static_cast<BYTE>(0x80 >> (x % 8));
      if (p == 0) continue;
      and_mask[y * 4 + x / 8] &= static_cast<BYTE>(~bit);
      if (p == 2) xor_mask[y * 4 + x / 8] |= bit;
    }
  }
  return ::CreateCursor(ModuleInstance(), e.cursor_hot_x, e.cursor_hot_y, 32, 32, and_mask, xor_mask);
}

}  // namespace

Win32ModalForm::Win32ModalForm(const FormSpec& spec, FormEvents& events) : spec_(spec), events_(events) {}

Win32ModalForm::~Win32ModalForm() {
  for (ATOM atom : atoms_) ::GlobalDeleteAtom(atom);
  if (font_) ::DeleteObject(font_);
  if (title_font_) ::DeleteObject(title_font_);
  if (link_cursor_) ::DestroyCursor(link_cursor_);
}

int Win32ModalForm::Px(float twips) const {
  return static_cast<int>(twips / Win32Runtime::Instance().TwipsPerPixelX() + 0.5f);
}

void Win32ModalForm::ShowModal() {
  EmptyTemplate t{};
  t.header.style = DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  t.header.cx = 100;
  t.header.cy = 50;
  // No owner: the About box belongs to no window of the application's.
  ::DialogBoxIndirectParamW(ModuleInstance(), &t.header, nullptr, &Win32ModalForm::DialogProc,
                            reinterpret_cast<LPARAM>(this));
  dialog_ = nullptr;
  events_.Unload();
}

void Win32ModalForm::Close() {
  if (dialog_) ::EndDialog(dialog_, IDOK);
}

INT_PTR CALLBACK Win32ModalForm::DialogProc(HWND dialog, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrW(dialog, DWLP_USER, lp);
    reinterpret_cast<Win32ModalForm*>(lp)->Create(dialog);
    return TRUE;
  }
  auto* self = reinterpret_cast<Win32ModalForm*>(::GetWindowLongPtrW(dialog, DWLP_USER));
  if (!self) return FALSE;
  switch (message) {
    case WM_COMMAND:
      return self->Command(LOWORD(wp), HIWORD(wp));
    case WM_CTLCOLORSTATIC: {
      const FormElement* e = self->ElementOf(reinterpret_cast<HWND>(lp));
      if (!e) return FALSE;
      HDC dc = reinterpret_cast<HDC>(wp);
      ::SetTextColor(dc, ToColorRef(e->fore_color));
      ::SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SETCURSOR: {
      const FormElement* e = self->ElementOf(reinterpret_cast<HWND>(wp));
      if (e && e->kind == FormElement::Kind::kLink && self->link_cursor_) {
        ::SetCursor(self->link_cursor_);
        ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    }
    case WM_PAINT:
      self->Paint(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}

void Win32ModalForm::Create(HWND dialog) {
  dialog_ = dialog;
  auto tag = [&](HWND window, const wchar_t* property, const std::string& name) {
    const ATOM atom = ::GlobalAddAtomW(Widen(name).c_str());
    if (!atom) return;
    atoms_.push_back(atom);
    ::SetPropW(window, property, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(atom)));
  };
  tag(dialog, kFormNameProperty, spec_.name);
  std::wstring caption = Widen(spec_.caption);
  ::SetWindowTextW(dialog, caption.c_str());
  RECT outer{0, 0, Px(spec_.width), Px(spec_.height)};
  ::AdjustWindowRectEx(&outer, static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
  const int width = outer.right - outer.left, height = outer.bottom - outer.top;
  ::SetWindowPos(dialog, nullptr, (::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (::GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);

  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  auto make_font = [&](float points, bool bold) {
    return ::CreateFontW(-static_cast<int>(points * dpi / 72 + 0.5f), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE,
                         FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH, L"MS Sans Serif");
  };
  font_ = make_font(8.25f, false);

  children_.assign(spec_.elements.size(), nullptr);
  for (size_t i = 0; i < spec_.elements.size(); ++i) {
    const FormElement& e = spec_.elements[i];
    const WORD id = static_cast<WORD>(kFirstId + i);
    const wchar_t* window_class = nullptr;
    DWORD style = WS_CHILD | WS_VISIBLE;
    switch (e.kind) {
      case FormElement::Kind::kLabel: window_class = L"STATIC"; style |= SS_LEFT | SS_NOPREFIX; break;
      case FormElement::Kind::kLink: window_class = L"STATIC"; style |= SS_LEFT | SS_NOPREFIX | SS_NOTIFY; break;
      case FormElement::Kind::kButton:
        window_class = L"BUTTON";
        style |= WS_TABSTOP | (e.default_button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        break;
      case FormElement::Kind::kLine:
      case FormElement::Kind::kPicture: continue;  // painted by the dialog
    }
    std::wstring text = Widen(e.text);
    HWND child = ::CreateWindowExW(0, window_class, text.c_str(), style, Px(e.left), Px(e.top), Px(e.width),
                                   Px(e.height), dialog, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                   ModuleInstance(), nullptr);
    HFONT font = font_;
    if (e.font_size > 0 || e.bold) {
      if (!title_font_) title_font_ = make_font(e.font_size > 0 ? e.font_size : 8.25f, e.bold);
      font = title_font_;
    }
    ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (e.kind == FormElement::Kind::kLink && !link_cursor_) link_cursor_ = MakeCursor(e);
    tag(child, kElementNameProperty, e.name);
    children_[i] = child;
  }
  // The dialog gives the focus to its first button, the default one, when it shows.
}

const FormElement* Win32ModalForm::ElementOf(HWND child) const {
  for (size_t i = 0; i < children_.size(); ++i) {
    if (children_[i] && children_[i] == child) return &spec_.elements[i];
  }
  return nullptr;
}

INT_PTR Win32ModalForm::Command(WORD id, WORD code) {
  // Esc and the close box arrive as IDCANCEL: they press the cancel button when the
  // form has one, and close it otherwise.
  if (id == IDCANCEL || id == IDOK) {
    const bool cancel = id == IDCANCEL;
    for (const FormElement& e : spec_.elements) {
      if (cancel ? e.cancel_button : e.default_button) {
        events_.Click(e.name);
        return TRUE;
      }
    }
    if (cancel) Close();
    return TRUE;
  }
  if (id < kFirstId || id >= kFirstId + spec_.elements.size()) return FALSE;
  const FormElement& e = spec_.elements[id - kFirstId];
  const bool clicked = (e.kind == FormElement::Kind::kButton && code == BN_CLICKED) ||
                       (e.kind == FormElement::Kind::kLink && code == STN_CLICKED);
  if (!clicked) return FALSE;
  // The handler may close the form or show a message box of its own.
  const std::string name = e.name;
  events_.Click(name);
  return TRUE;
}

void Win32ModalForm::Paint(HWND dialog) {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(dialog, &ps);
  for (const FormElement& e : spec_.elements) {
    if (e.kind == FormElement::Kind::kLine) {
      HPEN pen = ::CreatePen(PS_SOLID, e.border_width, ToColorRef(e.fore_color));
      HGDIOBJ old = ::SelectObject(dc, pen);
      ::MoveToEx(dc, Px(e.left), Px(e.top), nullptr);
      ::LineTo(dc, Px(e.x2), Px(e.y2));
      ::SelectObject(dc, old);
      ::DeleteObject(pen);
    } else if (e.kind == FormElement::Kind::kPicture && e.picture_width > 0 &&
               e.picture.size() == static_cast<size_t>(e.picture_width) * e.picture_height) {
      std::vector<uint32_t> bits(e.picture.size());
      for (size_t i = 0; i < bits.size(); ++i) {
        const OleColor c = e.picture[i];  // 0x00BBGGRR to the DIB's 0x00RRGGBB
        bits[i] = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
      }
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof(info.bmiHeader);
      info.bmiHeader.biWidth = e.picture_width;
      info.bmiHeader.biHeight = -e.picture_height;  // rows from the top
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      info.bmiHeader.biCompression = BI_RGB;
      ::SetDIBitsToDevice(dc, Px(e.left), Px(e.top), e.picture_width, e.picture_height, 0, 0, 0,
                          e.picture_height, bits.data(), &info, DIB_RGB_COLORS);
    }
  }
  ::EndPaint(dialog, &ps);
}

}  // namespace vitrelle::activex
