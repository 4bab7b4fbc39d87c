#include "hosts/activex/win32_registry.h"

#include "hosts/activex/com_util.h"

namespace vitrelle::activex {
namespace {

// An open key that closes itself.
class Key {
 public:
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (key_) ::RegCloseKey(key_);
  }
  HKEY* Put() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

bool Create(HKEY root, std::string_view key, Key& out) {
  std::wstring path = Widen(key);
  return ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                           out.Put(), nullptr) == ERROR_SUCCESS;
}

bool Open(HKEY root, std::string_view key, REGSAM access, Key& out) {
  std::wstring path = Widen(key);
  return ::RegOpenKeyExW(root, path.c_str(), 0, access, out.Put()) == ERROR_SUCCESS;
}

}  // namespace

bool Win32Registry::CreateKey(std::string_view key) {
  Key k;
  return Create(root_, key, k);
}

bool Win32Registry::SetString(std::string_view key, std::string_view value_name, std::string_view data) {
  Key k;
  if (!Create(root_, key, k)) return false;
  std::wstring name = Widen(value_name);
  std::wstring text = Widen(data);
  return ::RegSetValueExW(k.get(), name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool Win32Registry::SetDword(std::string_view key, std::string_view value_name, uint32_t data) {
  Key k;
  if (!Create(root_, key, k)) return false;
  std::wstring name = Widen(value_name);
  DWORD value = data;
  return ::RegSetValueExW(k.get(), name.empty() ? nullptr : name.c_str(), 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&value), sizeof(value)) == ERROR_SUCCESS;
}

bool Win32Registry::DeleteTree(std::string_view key) {
  std::wstring path = Widen(key);
  LSTATUS status = ::RegDeleteTreeW(root_, path.c_str());
  if (status == ERROR_FILE_NOT_FOUND) return true;
  if (status != ERROR_SUCCESS) return false;
  // RegDeleteTree empties the key; the key itself goes with RegDeleteKey.
  status = ::RegDeleteKeyW(root_, path.c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool Win32Registry::DeleteValue(std::string_view key, std::string_view value_name) {
  Key k;
  if (!Open(root_, key, KEY_SET_VALUE, k)) return true;  // no key, no value
  std::wstring name = Widen(value_name);
  LSTATUS status = ::RegDeleteValueW(k.get(), name.empty() ? nullptr : name.c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool Win32Registry::KeyExists(std::string_view key) const {
  Key k;
  return Open(root_, key, KEY_READ, k);
}

std::optional<RegistryValue> Win32Registry::GetValue(std::string_view key, std::string_view value_name) const {
  Key k;
  if (!Open(root_, key, KEY_READ, k)) return std::nullopt;
  std::wstring name = Widen(value_name);
  const wchar_t* name_ptr = name.empty() ? nullptr : name.c_str();
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExW(k.get(), name_ptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
  if (type == REG_DWORD) {
    DWORD value = 0;
    size = sizeof(value);
    if (::RegQueryValueExW(k.get(), name_ptr, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
        ERROR_SUCCESS) {
      return std::nullopt;
    }
    return RegistryValue(uint32_t{value});
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (::RegQueryValueExW(k.get(), name_ptr, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  text.resize(size / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return RegistryValue(Narrow(text));
}

std::vector<std::string> Win32Registry::SubKeys(std::string_view key) const {
  std::vector<std::string> names;
  Key k;
  if (!Open(root_, key, KEY_READ, k)) return names;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (::RegEnumKeyExW(k.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.push_back(Narrow(name, length));
  }
  return names;
}

std::vector<std::string> Win32Registry::ValueNames(std::string_view key) const {
  std::vector<std::string> names;
  Key k;
  if (!Open(root_, key, KEY_READ, k)) return names;
  wchar_t name[16384];
  for (DWORD i = 0;; ++i) {
    DWORD length = 16384;
    if (::RegEnumValueW(k.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.push_back(Narrow(name, length));
  }
  return names;
}

}  // namespace vitrelle::activex
