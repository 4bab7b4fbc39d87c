#include "hosts/activex/win32_runtime.h"

#include <ole2.h>
#include <olectl.h>
#include <mapi.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "frame/errors.h"

#include "frame/part_rules.h"
#include "hosts/activex/com_dispatch.h"
#include "hosts/activex/com_util.h"
#include "hosts/activex/ole_objects.h"
#include "hosts/activex/win32_modal_form.h"

namespace vitrelle::activex {
namespace {

template <class T>
T As(Handle h) {
  return reinterpret_cast<T>(h);
}
template <class T>
Handle From(T h) {
  return reinterpret_cast<Handle>(h);
}

// The numbers the platform's mail controls raise for these failures.
constexpr int kMapiFailure = 32002;
constexpr int kMapiLogonFailed = 32003;
constexpr int kMapiUnavailable = 32050;

}  // namespace

COLORREF ToColorRef(OleColor color) {
  COLORREF out = 0;
  if (FAILED(::OleTranslateColor(color, nullptr, &out))) return 0;
  return out;
}

// ---------------------------------------------------------------------------
// GDI

Handle Win32Gdi::GetDC(Handle window) { return From(::GetDC(As<HWND>(window))); }
Handle Win32Gdi::GetWindowDC(Handle window) { return From(::GetWindowDC(As<HWND>(window))); }
int Win32Gdi::ReleaseDC(Handle window, Handle dc) { return ::ReleaseDC(As<HWND>(window), As<HDC>(dc)); }
Handle Win32Gdi::CreateCompatibleDC(Handle dc) { return From(::CreateCompatibleDC(As<HDC>(dc))); }
// A bitmap compatible with a true-colour screen is made as 32-bit memory in the
// screen's own pixel layout: the two take a copy of the screen and draw alike, but a
// device bitmap asks the display for its depth when it is made and again each time
// it is selected into a context, which under Wine is three round trips to the
// window server each time, the largest part of a background copy. Screens of fewer
// colours keep device bitmaps, whose colours follow the screen's palette.
Handle Win32Gdi::CreateCompatibleBitmap(Handle dc, int width, int height) {
  HDC hdc = As<HDC>(dc);
  if (width > 0 && height > 0 && ::GetObjectType(hdc) == OBJ_DC && ScreenBitsPerPixel() == 32) {
    if (HBITMAP section = CreateBitmap32(hdc, width, height, /*top_down=*/false, nullptr)) return From(section);
  }
  return From(::CreateCompatibleBitmap(hdc, width, height));
}
Handle Win32Gdi::SelectObject(Handle dc, Handle object) {
  return From(::SelectObject(As<HDC>(dc), As<HGDIOBJ>(object)));
}
int Win32Gdi::GetDeviceCaps(Handle dc, int index) { return ::GetDeviceCaps(As<HDC>(dc), index); }

unsigned Win32Gdi::GetSystemPaletteEntries(Handle dc, unsigned start, unsigned count, PaletteEntry* entries) {
  std::vector<PALETTEENTRY> got(count);
  UINT n = ::GetSystemPaletteEntries(As<HDC>(dc), start, count, got.data());
  for (UINT i = 0; i < n && i < count; ++i) {
    entries[i] = PaletteEntry{got[i].peRed, got[i].peGreen, got[i].peBlue, got[i].peFlags};
  }
  return n;
}

Handle Win32Gdi::CreatePalette(uint16_t version, std::span<const PaletteEntry> entries) {
  std::vector<BYTE> storage(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * (entries.size() ? entries.size() : 1));
  auto* palette = reinterpret_cast<LOGPALETTE*>(storage.data());
  palette->palVersion = version;
  palette->palNumEntries = static_cast<WORD>(entries.size());
  auto* out = palette->palPalEntry;
  for (size_t i = 0; i < entries.size(); ++i) {
    out[i] = PALETTEENTRY{entries[i].red, entries[i].green, entries[i].blue, entries[i].flags};
  }
  return From(::CreatePalette(palette));
}

Handle Win32Gdi::SelectPalette(Handle dc, Handle palette, bool force_background) {
  return From(::SelectPalette(As<HDC>(dc), As<HPALETTE>(palette), force_background ? TRUE : FALSE));
}
unsigned Win32Gdi::RealizePalette(Handle dc) { return ::RealizePalette(As<HDC>(dc)); }
bool Win32Gdi::BitBlt(Handle dest, int x, int y, int width, int height, Handle src, int src_x, int src_y,
                      uint32_t rop) {
  return ::BitBlt(As<HDC>(dest), x, y, width, height, As<HDC>(src), src_x, src_y, rop) != FALSE;
}
bool Win32Gdi::DeleteDC(Handle dc) { return ::DeleteDC(As<HDC>(dc)) != FALSE; }
bool Win32Gdi::DeleteObject(Handle object) { return ::DeleteObject(As<HGDIOBJ>(object)) != FALSE; }
uint32_t Win32Gdi::GetLastError() { return ::GetLastError(); }

PicturePtr Win32Gdi::OleCreatePictureIndirect(const PictDesc& desc, bool own) {
  PICTDESC pd{};
  pd.cbSizeofstruct = sizeof(pd);
  pd.picType = desc.type;
  pd.bmp.hbitmap = As<HBITMAP>(desc.bitmap);
  pd.bmp.hpal = As<HPALETTE>(desc.palette);
  ComPtr<IPicture> picture;
  if (FAILED(::OleCreatePictureIndirect(&pd, IID_IPicture, own ? TRUE : FALSE,
                                        reinterpret_cast<void**>(picture.Put()))) ||
      !picture) {
    return nullptr;
  }
  return std::make_shared<OlePicture>(picture.get());
}

Handle Win32Gdi::CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height) {
  return From(::CreateRoundRectRgn(left, top, right, bottom, width, height));
}
int Win32Gdi::SetWindowRgn(Handle window, Handle region, bool redraw) {
  return ::SetWindowRgn(As<HWND>(window), As<HRGN>(region), redraw ? TRUE : FALSE);
}

// ---------------------------------------------------------------------------
// Platform

Handle Win32Platform::RegOpenKey(std::string_view key, uint32_t access) {
  HKEY out = nullptr;
  std::wstring path = Widen(key);
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &out) != ERROR_SUCCESS) return 0;
  return From(out);
}

bool Win32Platform::RegQueryValue(Handle key, std::string_view value, uint32_t& type, std::u16string& buffer,
                                  uint32_t& size) {
  std::wstring name = Widen(value);
  DWORD bytes = std::min<DWORD>(size, static_cast<DWORD>(buffer.size() * sizeof(char16_t)));
  DWORD t = 0;
  if (::RegQueryValueExW(As<HKEY>(key), name.c_str(), nullptr, &t, reinterpret_cast<BYTE*>(buffer.data()), &bytes) !=
      ERROR_SUCCESS) {
    return false;
  }
  type = t;
  size = bytes;
  return true;
}

void Win32Platform::RegCloseKey(Handle key) { ::RegCloseKey(As<HKEY>(key)); }

void Win32Platform::ShellOpen(std::string_view target) {
  std::wstring text = Widen(target);
  ::ShellExecuteW(nullptr, L"open", text.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void Win32Platform::StartProcess(std::string_view path) {
  // The path names the program by itself: a folder with a blank in its name must not
  // be read as a program followed by arguments.
  const std::wstring program = Widen(path);
  std::wstring command = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    Raise(err::kFileNotFound);  // as the host's Shell reports it
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
}

bool Win32Platform::FileExists(std::string_view path) {
  std::wstring text = Widen(path);
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW(text.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  ::FindClose(search);
  // A listing of files only: a folder of that name is no program to start.
  return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

Win32Platform::~Win32Platform() {
  if (mapi_) ::FreeLibrary(mapi_);
}

// The exports' own types come back as a generic function pointer.
Win32Platform::AnyFunction Win32Platform::Mapi(const char* name) {
  if (!mapi_) mapi_ = ::LoadLibraryW(L"MAPI32.DLL");
  FARPROC proc = mapi_ ? ::GetProcAddress(mapi_, name) : nullptr;
  if (!proc) Raise(kMapiUnavailable);
  return reinterpret_cast<AnyFunction>(proc);
}

uint32_t Win32Platform::MailLogon() {
  auto logon = reinterpret_cast<LPMAPILOGON>(Mapi("MAPILogon"));
  LHANDLE handle = 0;
  // The platform may ask the user for a profile.
  if (logon(reinterpret_cast<ULONG_PTR>(::GetActiveWindow()), nullptr, nullptr, MAPI_LOGON_UI, 0, &handle) !=
      SUCCESS_SUCCESS) {
    Raise(kMapiLogonFailed);
  }
  sessions_.emplace_back(next_session_, handle);
  return next_session_++;
}

void Win32Platform::MailSend(uint32_t session, const MailMessage& message) {
  auto it = std::find_if(sessions_.begin(), sessions_.end(), [&](const auto& s) { return s.first == session; });
  if (it == sessions_.end()) Raise(kMapiFailure);
  auto send = reinterpret_cast<LPMAPISENDMAIL>(Mapi("MAPISendMail"));
  std::string name = message.recipient, address = "SMTP:" + message.recipient, subject = message.subject;
  MapiRecipDesc recipient{};
  recipient.ulRecipClass = MAPI_TO;
  recipient.lpszName = name.data();
  recipient.lpszAddress = address.data();
  MapiMessage mail{};
  mail.lpszSubject = subject.data();
  mail.nRecipCount = 1;
  mail.lpRecips = &recipient;
  // The user writes and sends the message in the mail program's own window.
  if (send(it->second, reinterpret_cast<ULONG_PTR>(::GetActiveWindow()), &mail, MAPI_DIALOG, 0) !=
      SUCCESS_SUCCESS) {
    Raise(kMapiFailure);
  }
}

void Win32Platform::MailLogoff(uint32_t session) {
  auto it = std::find_if(sessions_.begin(), sessions_.end(), [&](const auto& s) { return s.first == session; });
  if (it == sessions_.end()) return;
  const LHANDLE handle = it->second;
  sessions_.erase(it);
  auto logoff = reinterpret_cast<LPMAPILOGOFF>(Mapi("MAPILogoff"));
  logoff(handle, 0, 0, 0);
}

std::unique_ptr<ModalForm> Win32Platform::NewModalForm(const FormSpec& spec, FormEvents& events) {
  return std::make_unique<Win32ModalForm>(spec, events);
}

// ---------------------------------------------------------------------------
// Runtime

Win32Runtime& Win32Runtime::Instance() {
  static Win32Runtime* runtime = new Win32Runtime();
  return *runtime;
}

void Win32Runtime::DoEvents() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The application is ending; leave the quit for its own loop.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

int Win32Runtime::MsgBox(std::string_view text, int32_t style, std::string_view title) {
  std::wstring body = Widen(text);
  std::wstring caption = Widen(title.empty() ? AppTitle() : std::string(title));
  return ::MessageBoxW(::GetActiveWindow(), body.c_str(), caption.c_str(), static_cast<UINT>(style));
}


float Win32Runtime::TwipsPerPixelX() const { return TwipsPerPixelAt(ScreenDpi(LOGPIXELSX)); }
float Win32Runtime::TwipsPerPixelY() const { return TwipsPerPixelAt(ScreenDpi(LOGPIXELSY)); }

// Inside an in-process server the application object is the library's own: its
// title names the library, not the process that loaded it, as the About box and the
// default message box title show it.
std::string Win32Runtime::AppTitle() const { return "Vitrelle"; }

// The library's own version: the About box describes the library, not its host.
int Win32Runtime::AppMajor() const { return 1; }
int Win32Runtime::AppMinor() const { return 4; }
int Win32Runtime::AppRevision() const { return 0; }

FontPtr Win32Runtime::NewFont() { return NewOleFont(); }

// Made as the platform stores a control's design-time picture: a 24-bit
// device-independent bitmap, rows from the bottom, each padded to four bytes.
PicturePtr Win32Runtime::NewPicture(int width, int height, std::span<const OleColor> pixels) {
  CheckDesignPicture(width, height, pixels.size());
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) Raise(err::kOutOfMemory);
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  auto* out = static_cast<uint8_t*>(bits);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = out + stride * static_cast<size_t>(height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const OleColor c = pixels[static_cast<size_t>(y) * width + x];
      row[x * 3 + 0] = static_cast<uint8_t>(c >> 16);  // blue
      row[x * 3 + 1] = static_cast<uint8_t>(c >> 8);   // green
      row[x * 3 + 2] = static_cast<uint8_t>(c);        // red
    }
  }
  PictDesc desc;
  desc.bitmap = reinterpret_cast<Handle>(bitmap);
  PicturePtr picture = gdi_.OleCreatePictureIndirect(desc, true);
  if (!picture) {
    ::DeleteObject(bitmap);
    Raise(err::kOutOfMemory);
  }
  return picture;
}

}  // namespace vitrelle::activex
