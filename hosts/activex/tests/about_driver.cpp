// Drives the About box of another process as its user would, from outside: the
// dialog is modal inside the client's DisplayAboutBox call, so the client itself
// cannot. Each argument is one step; each step prints what it saw, and a step that
// waits in vain prints "timeout" and ends the run.
//
//   dialog            wait for a new About dialog (" About Vitrelle"); print its caption
//   texts             print the text of each of its child windows
//   shot:FILE.bmp     write what the screen shows of it (32-bit, rows from the top)
//   click:TEXT        click the child window with that text (a button or a link)
//   close             the dialog's close box
//   msgbox            wait for a message box; print its title and text, answer OK
//   closed            wait until the dialog has gone
//   started:FILE      wait for a start probe's record; print it, then delete it
//   set:KEY|NAME|TEXT a string value under HKEY_LOCAL_MACHINE
//   delete:KEY        a key of HKEY_LOCAL_MACHINE and everything under it
//   touch:FILE        an empty file
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

HWND g_dialog = nullptr;
HWND g_previous = nullptr;

std::string Narrow(const std::wstring& text) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring Widen(const std::string& text) {
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  // WM_GETTEXT crosses processes where GetWindowText of a child would not.
  ::SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  return name;
}

struct Search {
  const std::wstring& caption;
  HWND not_this;
  HWND found;
};

BOOL CALLBACK Visit(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  if (w != s->not_this && ::IsWindowVisible(w) && ClassOf(w) == L"#32770" && TextOf(w) == s->caption) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

// A visible dialog-class top-level window with this caption, other than `not_this`.
HWND FindDialog(const std::wstring& caption, HWND not_this) {
  Search search{caption, not_this, nullptr};
  ::EnumWindows(&Visit, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

template <class Ready>
bool WaitFor(Ready ready, int ms = 20000) {
  for (int waited = 0; waited < ms; waited += 50) {
    if (ready()) return true;
    ::Sleep(50);
  }
  return false;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> out;
  for (HWND c = ::GetWindow(parent, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
  return out;
}

bool Shot(const std::string& path) {
  // The dialog belongs to another process, which may not have painted all of it
  // yet, or not yet handed its pixels to the display: the screen is read only
  // after a paint of the whole dialog has run there and that process has had
  // time to flush it.
  ::RedrawWindow(g_dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  ::Sleep(200);
  RECT r;
  ::GetWindowRect(g_dialog, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  ::GdiFlush();
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
  file.bfSize = file.bfOffBits + static_cast<DWORD>(w * h * 4);
  FILE* out = std::fopen(path.c_str(), "wb");
  bool ok = out != nullptr;
  if (out) {
    std::fwrite(&file, sizeof(file), 1, out);
    std::fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, out);
    std::fwrite(bits, 4, static_cast<size_t>(w) * h, out);
    std::fclose(out);
  }
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  std::printf("shot %dx%d\n", w, h);
  return ok;
}

bool Step(const std::string& step) {
  const size_t colon = step.find(':');
  const std::string verb = step.substr(0, colon), arg = colon == std::string::npos ? "" : step.substr(colon + 1);
  if (verb == "dialog") {
    HWND found = nullptr;
    if (!WaitFor([&] { return (found = FindDialog(L" About Vitrelle", g_previous)) != nullptr; })) return false;
    g_dialog = g_previous = found;
    // The caption bar says nothing of ownership: ask the window.
    std::printf("dialog \"%s\", %s\n", Narrow(TextOf(found)).c_str(),
                ::GetWindow(found, GW_OWNER) ? "owned" : "no owner");
    return true;
  }
  if (verb == "texts") {
    for (HWND c : Children(g_dialog)) {
      std::printf("%s \"%s\"\n", Narrow(ClassOf(c)).c_str(), Narrow(TextOf(c)).c_str());
    }
    return true;
  }
  if (verb == "shot") return Shot(arg);
  if (verb == "click") {
    for (HWND c : Children(g_dialog)) {
      if (Narrow(TextOf(c)) != arg) continue;
      const bool button = ClassOf(c) == L"Button";
      const WORD id = static_cast<WORD>(::GetDlgCtrlID(c));
      ::PostMessageW(g_dialog, WM_COMMAND, MAKEWPARAM(id, button ? BN_CLICKED : STN_CLICKED),
                     reinterpret_cast<LPARAM>(c));
      std::printf("click \"%s\"\n", arg.c_str());
      return true;
    }
    std::printf("no \"%s\"\n", arg.c_str());
    return false;
  }
  if (verb == "close") {
    ::PostMessageW(g_dialog, WM_CLOSE, 0, 0);
    std::printf("close\n");
    return true;
  }
  if (verb == "msgbox") {
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = FindDialog(L"Vitrelle", nullptr)) != nullptr; }, 10000)) return false;
    HWND text = ::GetDlgItem(box, 0xFFFF);
    std::printf("msgbox \"%s\" \"%s\"\n", Narrow(TextOf(box)).c_str(), text ? Narrow(TextOf(text)).c_str() : "");
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return WaitFor([&] { return !::IsWindow(box); }, 10000);
  }
  if (verb == "closed") {
    if (!WaitFor([&] { return !::IsWindow(g_dialog); })) return false;
    std::printf("closed\n");
    return true;
  }
  if (verb == "started") {
    const std::wstring record = Widen(arg);
    if (!WaitFor([&] { return ::GetFileAttributesW(record.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000)) return false;
    ::Sleep(100);  // the probe has written and closed it
    std::string line;
    if (FILE* in = _wfopen(record.c_str(), L"rb")) {
      char buffer[1024];
      line.assign(buffer, std::fread(buffer, 1, sizeof buffer, in));
      std::fclose(in);
    }
    ::DeleteFileW(record.c_str());
    std::printf("started %s\n", line.c_str());
    return true;
  }
  if (verb == "set") {
    const size_t a = arg.find('|'), b = arg.find('|', a + 1);
    const std::wstring key = Widen(arg.substr(0, a)), name = Widen(arg.substr(a + 1, b - a - 1)),
                       data = Widen(arg.substr(b + 1));
    HKEY k = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr) !=
        ERROR_SUCCESS) {
      return false;
    }
    ::RegSetValueExW(k, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                     static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(k);
    return true;
  }
  if (verb == "delete") {
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, Widen(arg).c_str());
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, Widen(arg).c_str());
    return true;
  }
  if (verb == "touch") {
    HANDLE file = ::CreateFileW(Widen(arg).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(file);
    return true;
  }
  std::printf("unknown step %s\n", step.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (!Step(argv[i])) {
      std::printf("timeout at %s\n", argv[i]);
      std::fflush(stdout);
      return 1;
    }
    std::fflush(stdout);
  }
  return 0;
}
