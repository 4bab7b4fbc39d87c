// The controls on a real form inside the platform's own ActiveX container window
// ("AtlAxWin" from atl.dll): the container creates, sites and activates them the way
// it does for any control, and the form paints a checker pattern that a transparent
// control must show through. Prints "ok NAME" or "FAIL NAME: why" per check and
// writes what the form showed as a BMP file (the argument), for a look by eye.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <oleacc.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// MinGW's oleacc import library resolves IID_IAccessible to an import thunk.
constexpr IID kIidAccessible = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

int failures = 0;

void Check(bool ok, const char* name, const std::string& why = {}) {
  if (ok) {
    std::printf("ok %s\n", name);
  } else {
    ++failures;
    std::printf("FAIL %s%s%s\n", name, why.empty() ? "" : ": ", why.c_str());
  }
  std::fflush(stdout);
}

// The form's pattern: 8-pixel squares in two colours no control paints itself.
constexpr int kSquare = 8;
constexpr COLORREF kDark = RGB(160, 32, 48);
constexpr COLORREF kLight = RGB(48, 160, 96);
COLORREF PatternAt(int x, int y) { return ((x / kSquare + y / kSquare) & 1) ? kDark : kLight; }

void PaintPattern(HWND hwnd, HDC dc) {
  RECT client;
  ::GetClientRect(hwnd, &client);
  HBRUSH dark = ::CreateSolidBrush(kDark);
  HBRUSH light = ::CreateSolidBrush(kLight);
  for (int y = 0; y < client.bottom; y += kSquare) {
    for (int x = 0; x < client.right; x += kSquare) {
      RECT r{x, y, x + kSquare, y + kSquare};
      ::FillRect(dc, &r, PatternAt(x, y) == kDark ? dark : light);
    }
  }
  ::DeleteObject(dark);
  ::DeleteObject(light);
}

LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_ERASEBKGND: PaintPattern(hwnd, reinterpret_cast<HDC>(wparam)); return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(hwnd, &ps);
      PaintPattern(hwnd, dc);
      ::EndPaint(hwnd, &ps);
      return 0;
    }
    default: return ::DefWindowProcW(hwnd, msg, wparam, lparam);
  }
}

void Pump(DWORD ms) {
  const DWORD end = ::GetTickCount() + ms;
  while (static_cast<LONG>(end - ::GetTickCount()) > 0) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(5);
  }
}

// A 32-bit top-down copy of a window's client area.
struct Shot {
  int width = 0, height = 0;
  std::vector<DWORD> pixels;  // 0x00RRGGBB
  COLORREF At(int x, int y) const {
    DWORD p = pixels[static_cast<size_t>(y) * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
};

Shot CopyFrom(HDC src, int width, int height, void (*draw)(HDC, void*) = nullptr, void* context = nullptr) {
  Shot shot;
  shot.width = width;
  shot.height = height;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC memory = ::CreateCompatibleDC(src);
  HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  if (draw) {
    draw(memory, context);
  } else {
    ::BitBlt(memory, 0, 0, width, height, src, 0, 0, SRCCOPY);
  }
  ::GdiFlush();
  shot.pixels.assign(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + static_cast<size_t>(width) * height);
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  return shot;
}

Shot Screenshot(HWND form) {
  RECT client;
  ::GetClientRect(form, &client);
  HDC dc = ::GetDC(form);
  Shot shot = CopyFrom(dc, client.right, client.bottom);
  ::ReleaseDC(form, dc);
  return shot;
}

bool WriteBmp(const Shot& shot, const char* path) {
  FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = shot.width;
  header.biHeight = -shot.height;
  header.biPlanes = 1;
  header.biBitCount = 32;
  const DWORD data_size = static_cast<DWORD>(shot.pixels.size() * sizeof(DWORD));
  BITMAPFILEHEADER file_header{};
  file_header.bfType = 0x4D42;
  file_header.bfOffBits = sizeof(file_header) + sizeof(header);
  file_header.bfSize = file_header.bfOffBits + data_size;
  bool ok = std::fwrite(&file_header, sizeof(file_header), 1, file) == 1 &&
            std::fwrite(&header, sizeof(header), 1, file) == 1 &&
            std::fwrite(shot.pixels.data(), data_size, 1, file) == 1;
  return std::fclose(file) == 0 && ok;
}

std::string Hex(COLORREF c) {
  char text[16];
  std::snprintf(text, sizeof(text), "%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
  return text;
}

// Where a control's rectangle in the form shows something other than the form's
// pattern, among the pixels of `area` (form client coordinates); empty when none.
std::string PatternMismatch(const Shot& shot, const RECT& area) {
  int wrong = 0, total = 0;
  std::string first;
  for (int y = area.top; y < area.bottom; y += 3) {
    for (int x = area.left; x < area.right; x += 3) {
      ++total;
      if (shot.At(x, y) != PatternAt(x, y)) {
        if (wrong++ == 0) first = "at (" + std::to_string(x) + "," + std::to_string(y) + ") " + Hex(shot.At(x, y)) +
                                  " instead of " + Hex(PatternAt(x, y));
      }
    }
  }
  if (!wrong) return {};
  return std::to_string(wrong) + " of " + std::to_string(total) + " pixels differ, first " + first;
}

template <class T>
T* Query(IUnknown* object, REFIID iid) {
  T* out = nullptr;
  if (!object || FAILED(object->QueryInterface(iid, reinterpret_cast<void**>(&out)))) return nullptr;
  return out;
}

// A property by name as a script client reaches it: a get, or a put of `value`.
bool CallProperty(IDispatch* object, const wchar_t* name, WORD kind, VARIANT* value) {
  DISPID id = 0, named = DISPID_PROPERTYPUT;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return false;
  const bool put = kind == DISPATCH_PROPERTYPUT;
  DISPPARAMS params{put ? value : nullptr, put ? &named : nullptr, put ? 1u : 0u, put ? 1u : 0u};
  if (!put) ::VariantInit(value);
  return SUCCEEDED(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, put ? nullptr : value, nullptr,
                                  nullptr));
}

long LongProperty(IDispatch* object, const wchar_t* name) {
  VARIANT v;
  if (!CallProperty(object, name, DISPATCH_PROPERTYGET, &v) || FAILED(::VariantChangeType(&v, &v, 0, VT_I4))) {
    return -99999;
  }
  return V_I4(&v);
}

using AtlAxWinInitFn = BOOL(WINAPI*)();
using AtlAxGetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);

struct Hosted {
  HWND host = nullptr;     // the container's window
  IUnknown* control = nullptr;
  IDispatch* dispatch = nullptr;
  HWND window = nullptr;   // the control's own window
};

Hosted Place(AtlAxGetControlFn get_control, HWND form, const wchar_t* prog_id, int x, int y, int w, int h) {
  Hosted hosted;
  hosted.host = ::CreateWindowExW(0, L"AtlAxWin", prog_id, WS_CHILD | WS_VISIBLE, x, y, w, h, form, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
  if (!hosted.host) return hosted;
  if (FAILED(get_control(hosted.host, &hosted.control))) hosted.control = nullptr;
  hosted.dispatch = Query<IDispatch>(hosted.control, IID_IDispatch);
  if (IOleInPlaceObject* in_place = Query<IOleInPlaceObject>(hosted.control, IID_IOleInPlaceObject)) {
    in_place->GetWindow(&hosted.window);
    in_place->Release();
  }
  return hosted;
}

RECT RectInForm(HWND form, HWND window) {
  RECT r;
  ::GetWindowRect(window, &r);
  ::MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void DrawCheck(HDC dc, void* context) {
  auto* view = static_cast<IViewObject2*>(context);
  SIZEL size{};
  view->GetExtent(DVASPECT_CONTENT, -1, nullptr, &size);
  RECTL bounds{0, 0, 200, 40};
  view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0);
}

}  // namespace

int main(int argc, char** argv) {
  const char* bmp_path = argc > 1 ? argv[1] : "atl_host.bmp";
  ::OleInitialize(nullptr);

  HMODULE atl = ::LoadLibraryW(L"atl.dll");
  auto init = reinterpret_cast<AtlAxWinInitFn>(reinterpret_cast<void*>(::GetProcAddress(atl, "AtlAxWinInit")));
  auto get_control =
      reinterpret_cast<AtlAxGetControlFn>(reinterpret_cast<void*>(::GetProcAddress(atl, "AtlAxGetControl")));
  Check(atl && init && get_control && init(), "the container window class is available");
  if (failures) return 1;

  WNDCLASSW wc{};
  wc.lpfnWndProc = &FormProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"PatternForm";
  wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  ::RegisterClassW(&wc);
  HWND form = ::CreateWindowExW(0, L"PatternForm", L"Form1", WS_OVERLAPPEDWINDOW, 0, 0, 420, 260, nullptr, nullptr,
                                wc.hInstance, nullptr);

  // Placed before the form shows, as a form's controls are: the form's first
  // activation is what makes a transparent control copy its background.
  Hosted check = Place(get_control, form, L"Vitrelle.GlazeCheck", 24, 24, 200, 40);
  Hosted slider = Place(get_control, form, L"Vitrelle.GlazeSlider", 24, 120, 300, 40);
  Hosted radio = Place(get_control, form, L"Vitrelle.GlazeRadio", 24, 176, 200, 30);
  // A frame, and a control created inside the frame's own window as a container
  // that hosts controls in controls does it; the inner one reaches past the frame's
  // right edge, where the frame must clip it.
  Hosted frame = Place(get_control, form, L"Vitrelle.GlazeFrame", 240, 20, 150, 90);
  Hosted inner = frame.window ? Place(get_control, frame.window, L"Vitrelle.GlazeCheck", 10, 40, 200, 30) : Hosted{};
  ::ShowWindow(form, SW_SHOW);
  ::UpdateWindow(form);
  Pump(600);

  // --- the check box ---------------------------------------------------------
  const RECT slider_rect = slider.window ? RectInForm(form, slider.window) : RECT{};
  RECT check_rect = check.window ? RectInForm(form, check.window) : RECT{};
  Check(check.dispatch && check.window && ::GetParent(check.window) == check.host && ::IsWindowVisible(check.window),
        "GlazeCheck is created and shown in its own window inside the container's");
  Check(check_rect.left == 24 && check_rect.top == 24 && check_rect.right == 224 && check_rect.bottom == 64,
        "GlazeCheck's window fills the container's");

  Shot shot = Screenshot(form);
  WriteBmp(shot, bmp_path);
  // The glyph sits at the left and the caption follows it; the right part of the
  // control and a strip along its bottom show only the background.
  RECT background{check_rect.left + 130, check_rect.top + 1, check_rect.right - 1, check_rect.bottom - 1};
  std::string mismatch = check.window ? PatternMismatch(shot, background) : "no window";
  Check(mismatch.empty(), "GlazeCheck shows the form's pattern through its background", mismatch);
  RECT strip{check_rect.left + 1, check_rect.bottom - 6, check_rect.right - 1, check_rect.bottom - 1};
  mismatch = check.window ? PatternMismatch(shot, strip) : "no window";
  Check(mismatch.empty(), "GlazeCheck's pattern lines up under its caption and glyph too", mismatch);
  // The control still draws something of its own: the glyph and the caption.
  RECT content{check_rect.left, check_rect.top, check_rect.left + 120, check_rect.bottom};
  Check(!PatternMismatch(shot, content).empty(), "GlazeCheck draws its glyph and caption over the pattern");

  // Drawing into a container's context gives what the window shows.
  if (IViewObject2* view = Query<IViewObject2>(check.control, IID_IViewObject2)) {
    HDC screen = ::GetDC(nullptr);
    Shot drawn = CopyFrom(screen, 200, 40, &DrawCheck, view);
    ::ReleaseDC(nullptr, screen);
    int differ = 0;
    for (int y = 0; y < 40; ++y) {
      for (int x = 130; x < 199; ++x) differ += drawn.At(x, y) != shot.At(check_rect.left + x, check_rect.top + y);
    }
    Check(differ == 0, "IViewObject2::Draw paints the copied background", std::to_string(differ) + " pixels differ");
    SIZEL extent{};
    view->GetExtent(DVASPECT_CONTENT, -1, nullptr, &extent);
    const int dpi_x = ::GetDeviceCaps(screen, LOGPIXELSX);
    Check(extent.cx == MulDiv(200, 2540, dpi_x ? dpi_x : 96), "the extent is the window's size in HIMETRIC",
          std::to_string(extent.cx));
    view->Release();
  } else {
    Check(false, "IViewObject2::Draw paints the copied background", "no IViewObject2");
  }

  // The dual interface's own IID gives the same dispatch implementation.
  bool dual_ok = false;
  if (check.dispatch) {
    ITypeInfo* info = nullptr;
    TYPEATTR* attr = nullptr;
    if (SUCCEEDED(check.dispatch->GetTypeInfo(0, 0, &info)) && SUCCEEDED(info->GetTypeAttr(&attr))) {
      IUnknown* dual = Query<IUnknown>(check.control, attr->guid);
      dual_ok = dual == static_cast<IUnknown*>(check.dispatch);
      if (dual) dual->Release();
      info->ReleaseTypeAttr(attr);
    }
    if (info) info->Release();
  }
  Check(dual_ok, "the dual interface's IID is answered by the dispatch interface");

  // Its misc status against the registered one is com_fire_test's.
  if (IOleObject* ole = Query<IOleObject>(check.control, IID_IOleObject)) {
    IOleClientSite* site = nullptr;
    Check(SUCCEEDED(ole->GetClientSite(&site)) && site, "the container's site is kept");
    if (site) site->Release();
    IMoniker* moniker = nullptr;
    Check(ole->GetMoniker(OLEGETMONIKER_ONLYIFTHERE, OLEWHICHMK_OBJFULL, &moniker) == E_NOTIMPL && !moniker,
          "monikers are refused, not faked");
    ole->Release();
  }

  // --- the slider --------------------------------------------------------------
  Check(slider.dispatch && slider.window && ::IsWindowVisible(slider.window), "GlazeSlider is created and shown");
  mismatch = slider.window ? PatternMismatch(shot, RECT{slider_rect.left + 24, slider_rect.bottom - 5,
                                                         slider_rect.right - 8, slider_rect.bottom - 3})
                           : "no window";
  Check(mismatch.empty(), "GlazeSlider shows the form's pattern below its groove, right of its thumb", mismatch);
  if (slider.dispatch && slider.window) {
    IOleInPlaceActiveObject* active = Query<IOleInPlaceActiveObject>(slider.control, IID_IOleInPlaceActiveObject);
    const long before = LongProperty(slider.dispatch, L"Value");
    MSG key{slider.window, WM_KEYDOWN, VK_RIGHT, 1, ::GetTickCount(), {0, 0}};
    const HRESULT hr = active ? active->TranslateAccelerator(&key) : E_NOINTERFACE;
    const long after = LongProperty(slider.dispatch, L"Value");
    Check(hr == S_OK && after > before, "an arrow key through TranslateAccelerator moves the slider",
          std::to_string(before) + " -> " + std::to_string(after));
    MSG other{slider.window, WM_KEYDOWN, 'A', 1, ::GetTickCount(), {0, 0}};
    Check(active && active->TranslateAccelerator(&other) == S_FALSE, "other keys are left to the container");
    if (active) active->Release();

    // The container resizes its window: the control's window and size follow.
    ::MoveWindow(slider.host, 24, 120, 260, 48, TRUE);
    Pump(50);
    // The slider keeps the thickness it chose itself, in any container size.
    RECT r = RectInForm(form, slider.window);
    const int thickness = slider_rect.bottom - slider_rect.top;
    Check(r.right - r.left == 260 && thickness > 0 && thickness < 40 && r.bottom - r.top == thickness,
          "a new container size reaches the control's window",
          std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top));
    // The extent comes from the control's own size, which the resize set.
    SIZEL extent{};
    IOleObject* ole = Query<IOleObject>(slider.control, IID_IOleObject);
    HDC screen = ::GetDC(nullptr);
    const int dpi_x = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    Check(ole && SUCCEEDED(ole->GetExtent(DVASPECT_CONTENT, &extent)) && extent.cx == MulDiv(260, 2540, dpi_x),
          "the control takes the new size as its own", std::to_string(extent.cx));
    if (ole) ole->Release();
  }

  // --- the option button -----------------------------------------------------------
  Check(radio.dispatch && radio.window && ::IsWindowVisible(radio.window), "GlazeRadio is created and shown");
  // Its glyph is a window of its own, cut round.
  HWND glyph = radio.window ? ::FindWindowExW(radio.window, nullptr, nullptr, nullptr) : nullptr;
  HRGN round = ::CreateRectRgn(0, 0, 0, 0);
  const int kind = glyph ? ::GetWindowRgn(glyph, round) : ERROR;
  Check(kind == COMPLEXREGION && ::PtInRegion(round, 7, 7) && !::PtInRegion(round, 0, 0) &&
            !::PtInRegion(round, 13, 13),
        "GlazeRadio's glyph is a child window with a round region", std::to_string(kind));
  ::DeleteObject(round);
  if (glyph) {
    // Outside the circle the form's pattern shows; inside, the glyph's own picture.
    const RECT g = RectInForm(form, glyph);
    const RECT corner{g.left, g.top, g.left + 1, g.top + 1};
    Check(PatternMismatch(shot, corner).empty(), "GlazeRadio's glyph corner shows the form's pattern",
          PatternMismatch(shot, corner));
    const RECT middle{g.left + 6, g.top + 6, g.left + 7, g.top + 7};
    Check(!PatternMismatch(shot, middle).empty(), "GlazeRadio's glyph draws its own middle");
  }
  if (radio.dispatch) {
    // A container without extender gives the group walk nothing to walk: the
    // option is set all the same.
    VARIANT on;
    V_VT(&on) = VT_BOOL;
    V_BOOL(&on) = VARIANT_TRUE;
    const bool put = CallProperty(radio.dispatch, L"Value", DISPATCH_PROPERTYPUT, &on);
    Check(put && LongProperty(radio.dispatch, L"Value") == -1, "GlazeRadio is set in a container without extender",
          std::to_string(LongProperty(radio.dispatch, L"Value")));
  }

  // --- the frame and the control it holds ------------------------------------------
  Check(frame.dispatch && frame.window && ::IsWindowVisible(frame.window), "GlazeFrame is created and shown");
  Check(inner.window && ::IsChild(frame.window, inner.window) && ::IsWindowVisible(inner.window),
        "a control created inside the frame's window lives in it");
  if (frame.window && inner.window) {
    const RECT f = RectInForm(form, frame.window);
    const RECT c = RectInForm(form, inner.window);
    Check(c.left == f.left + 10 && c.top == f.top + 40, "the inner control stands where it was placed in the frame",
          std::to_string(c.left - f.left) + "," + std::to_string(c.top - f.top));
    // Right of the frame the form's pattern shows, not the inner control.
    const RECT beyond{f.right + 1, c.top + 2, std::min<LONG>({f.right + 12, c.right, shot.width}), c.bottom - 2};
    Check(PatternMismatch(shot, beyond).empty(), "the frame clips the control it holds", PatternMismatch(shot, beyond));
    // Moved and hidden with the frame.
    ::MoveWindow(frame.host, 250, 30, 150, 90, TRUE);
    Pump(50);
    const RECT moved = RectInForm(form, inner.window);
    Check(moved.left == c.left + 10 && moved.top == c.top + 10, "the inner control moves with the frame",
          std::to_string(moved.left) + "," + std::to_string(moved.top));
    ::ShowWindow(frame.host, SW_HIDE);
    Pump(50);
    const bool hidden = !::IsWindowVisible(inner.window);
    ::ShowWindow(frame.host, SW_SHOW);
    Pump(50);
    Check(hidden && ::IsWindowVisible(inner.window), "the inner control hides and shows again with the frame");
  }

  // --- what assistive technology reads ----------------------------------------------
  // Names, values, states and default actions are the Win32 test container's
  // accessibility scripts'; here, the controls in a container without an extender.
  struct Expected {
    Hosted* hosted;
    const char* name;
    LONG role;
  };
  for (const Expected& e : {Expected{&check, "GlazeCheck", ROLE_SYSTEM_CHECKBUTTON},
                            Expected{&radio, "GlazeRadio", ROLE_SYSTEM_RADIOBUTTON},
                            Expected{&frame, "GlazeFrame", ROLE_SYSTEM_GROUPING},
                            Expected{&slider, "GlazeSlider", ROLE_SYSTEM_SLIDER}}) {
    IAccessible* acc = nullptr;
    const std::string who = e.name;
    const HRESULT found = e.hosted->window ? ::AccessibleObjectFromWindow(e.hosted->window, OBJID_CLIENT,
                                                                          kIidAccessible, reinterpret_cast<void**>(&acc))
                                           : E_HANDLE;
    if (FAILED(found) || !acc) {
      char why[64];
      std::snprintf(why, sizeof why, "0x%08lx", static_cast<unsigned long>(found));
      Check(false, (who + " answers AccessibleObjectFromWindow").c_str(), why);
      continue;
    }
    VARIANT self;
    V_VT(&self) = VT_I4;
    V_I4(&self) = CHILDID_SELF;
    VARIANT role;
    const bool has_role = SUCCEEDED(acc->get_accRole(self, &role)) && V_VT(&role) == VT_I4;
    Check(has_role && V_I4(&role) == e.role, (who + " has its role").c_str(),
          has_role ? std::to_string(V_I4(&role)) : "none");
    if (e.role == ROLE_SYSTEM_SLIDER) {
      // No caption, and no extender to name it: the class names it.
      BSTR name = nullptr;
      Check(SUCCEEDED(acc->get_accName(self, &name)) && name && ::SysStringLen(name) > 0, (who + " has a name").c_str());
      ::SysFreeString(name);
    }
    acc->Release();
  }

  // --- closing -------------------------------------------------------------------
  IOleInPlaceObject* in_place = Query<IOleInPlaceObject>(check.control, IID_IOleInPlaceObject);
  ::DestroyWindow(form);
  Pump(50);
  HWND after_close = nullptr;
  Check(in_place && in_place->GetWindow(&after_close) == E_FAIL && !after_close,
        "closing the container deactivates the control and ends its window");
  if (in_place) in_place->Release();
  for (Hosted* h : {&inner, &frame, &check, &slider, &radio}) {
    if (h->dispatch) h->dispatch->Release();
    if (h->control) h->control->Release();
  }
  ::OleUninitialize();
  std::printf("atl_host: %d failed\n", failures);
  return failures ? 1 : 0;
}
