// The About box's registry reads on the platform's own registry, run under Wine:
// values are counted in bytes there, two to a character, and a string may have been
// stored with or without its terminator. Prints one line per failed check and
// "about_platform: N passed, M failed".
#include <windows.h>

#include <cstdio>
#include <string>

#include "about/about_box.h"
#include "hosts/activex/win32_runtime.h"

using namespace vitrelle;

namespace {

int passed = 0;
int failed = 0;

void Check(bool ok, const std::string& what) {
  if (ok) {
    ++passed;
  } else {
    ++failed;
    std::printf("about_platform: FAILED: %s\n", what.c_str());
  }
}

constexpr wchar_t kKey[] = L"SOFTWARE\\Vitrelle Tests";

void Store(const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
  HKEY key = nullptr;
  ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
  ::RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes);
  ::RegCloseKey(key);
}

struct Read {
  bool found;
  std::string value;
};

Read ReadValue(const char* name) {
  std::string value = "before";
  const bool found = GetKeyValue(activex::Win32Runtime::Instance().GetPlatform(), "SOFTWARE\\Vitrelle Tests", name,
                                 value);
  return {found, value};
}

}  // namespace

int main() {
  const std::wstring path = L"C:\\Program Files\\Tools\\tool.exe";
  Store(L"Terminated", REG_SZ, path.c_str(), static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
  Store(L"Unterminated", REG_SZ, path.c_str(), static_cast<DWORD>(path.size() * sizeof(wchar_t)));
  const DWORD number = 70000;
  Store(L"Number", REG_DWORD, &number, sizeof number);
  const BYTE bytes[3] = {1, 2, 3};
  Store(L"Bytes", REG_BINARY, bytes, sizeof bytes);
  const std::wstring longest(1023, L'x'), too_long(1024, L'x');
  Store(L"Longest", REG_SZ, longest.c_str(), static_cast<DWORD>((longest.size() + 1) * sizeof(wchar_t)));
  Store(L"TooLong", REG_SZ, too_long.c_str(), static_cast<DWORD>((too_long.size() + 1) * sizeof(wchar_t)));

  const struct Row {
    const char* name;
    bool found;
    std::string value;
  } rows[] = {
      {"Terminated", true, "C:\\Program Files\\Tools\\tool.exe"},
      {"Unterminated", true, "C:\\Program Files\\Tools\\tool.exe"},
      {"Number", true, "70000"},
      {"Bytes", true, "before"},
      {"Longest", true, std::string(1023, 'x')},
      {"TooLong", false, ""},
      {"Missing", false, ""},
  };
  for (const Row& row : rows) {
    const Read got = ReadValue(row.name);
    Check(got.found == row.found && got.value == row.value,
          std::string(row.name) + ": got " + (got.found ? "found" : "not found") + " \"" +
              got.value.substr(0, 80) + "\"");
  }
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKey);
  ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey);
  Check(!ReadValue("Terminated").found, "a key that is gone is not found");
  std::printf("about_platform: %d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
