// A simple-MAPI mail program for the tests: the platform's MAPI32.DLL hands it the
// calls once the registry names it the default mail client. Each call is one line of
// mail.log beside this DLL; a file mail_fails there makes every message fail, as a
// mail program that refuses it would.
#include <windows.h>
#include <mapi.h>

#include <string>

namespace {

HINSTANCE g_instance = nullptr;
ULONG g_next_session = 1;

std::wstring Beside(const wchar_t* name) {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(g_instance, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.find_last_of(L'\\') + 1) + name;
}

void Record(const std::string& line) {
  HANDLE file = ::CreateFileW(Beside(L"mail.log").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\n";
  DWORD written = 0;
  ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(file);
}

std::string Text(const char* s) { return s ? s : "(none)"; }

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_instance = instance;
  return TRUE;
}

extern "C" ULONG WINAPI MAPILogon(ULONG_PTR, LPSTR, LPSTR, FLAGS flags, ULONG, LPLHANDLE session) {
  *session = g_next_session++;
  Record("logon " + std::to_string(*session) + ((flags & MAPI_LOGON_UI) ? " ui" : ""));
  return SUCCESS_SUCCESS;
}

extern "C" ULONG WINAPI MAPISendMail(LHANDLE session, ULONG_PTR, lpMapiMessage message, FLAGS flags, ULONG) {
  std::string line = "send " + std::to_string(session);
  for (ULONG i = 0; i < message->nRecipCount; ++i) {
    line += " to " + Text(message->lpRecips[i].lpszName) + " <" + Text(message->lpRecips[i].lpszAddress) + ">";
  }
  line += " subject \"" + Text(message->lpszSubject) + "\"";
  if (flags & MAPI_DIALOG) line += " dialog";
  const bool fails = ::GetFileAttributesW(Beside(L"mail_fails").c_str()) != INVALID_FILE_ATTRIBUTES;
  Record(line + (fails ? " failed" : ""));
  return fails ? MAPI_E_FAILURE : SUCCESS_SUCCESS;
}

extern "C" ULONG WINAPI MAPILogoff(LHANDLE session, ULONG_PTR, FLAGS, ULONG) {
  Record("logoff " + std::to_string(session));
  return SUCCESS_SUCCESS;
}
