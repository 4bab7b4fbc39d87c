// The registry that registration writes to: HKEY_CLASSES_ROOT of the real system.
#pragma once

#include <windows.h>

#include "frame/registry.h"

namespace vitrelle::activex {

class Win32Registry : public Registry {
 public:
  // `root` is HKEY_CLASSES_ROOT for registration; tests may pass a scratch key.
  explicit Win32Registry(HKEY root = HKEY_CLASSES_ROOT) : root_(root) {}

  bool CreateKey(std::string_view key) override;
  bool SetString(std::string_view key, std::string_view value_name, std::string_view data) override;
  bool SetDword(std::string_view key, std::string_view value_name, uint32_t data) override;
  bool DeleteTree(std::string_view key) override;
  bool DeleteValue(std::string_view key, std::string_view value_name) override;

  bool KeyExists(std::string_view key) const override;
  std::optional<RegistryValue> GetValue(std::string_view key, std::string_view value_name) const override;
  std::vector<std::string> SubKeys(std::string_view key) const override;
  std::vector<std::string> ValueNames(std::string_view key) const override;

 private:
  HKEY root_;
};

}  // namespace vitrelle::activex
