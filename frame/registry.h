// The part of the system registry that server registration touches. Keys are paths
// relative to HKEY_CLASSES_ROOT ("CLSID\\{...}\\InprocServer32"), parts separated by
// a backslash; key and value names match without regard to case, as the platform
// matches them. The empty value name is a key's default value.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vitrelle {

// A registry value: a string (REG_SZ) or a 32-bit number (REG_DWORD).
using RegistryValue = std::variant<std::string, uint32_t>;

class Registry {
 public:
  virtual ~Registry() = default;

  // Each writing call returns false when the platform refused it.

  // Creates the key and any missing parents; succeeds for an existing key.
  virtual bool CreateKey(std::string_view key) = 0;
  // Set a value, creating the key as CreateKey does.
  virtual bool SetString(std::string_view key, std::string_view value_name, std::string_view data) = 0;
  virtual bool SetDword(std::string_view key, std::string_view value_name, uint32_t data) = 0;
  // Removes the key with every subkey and value. Removing a key that is not there
  // succeeds: the caller wanted it gone and it is.
  virtual bool DeleteTree(std::string_view key) = 0;
  // Removes one value; succeeds when it was not there.
  virtual bool DeleteValue(std::string_view key, std::string_view value_name) = 0;

  virtual bool KeyExists(std::string_view key) const = 0;
  virtual std::optional<RegistryValue> GetValue(std::string_view key, std::string_view value_name) const = 0;
  // Names of the direct subkeys and of the values of a key, each in the case it
  // was created with; empty for a missing key.
  virtual std::vector<std::string> SubKeys(std::string_view key) const = 0;
  virtual std::vector<std::string> ValueNames(std::string_view key) const = 0;
};

// Keys and values in memory, for tests and for listings of what registration
// writes. Every operation succeeds.
class InMemoryRegistry : public Registry {
 public:
  bool CreateKey(std::string_view key) override;
  bool SetString(std::string_view key, std::string_view value_name, std::string_view data) override;
  bool SetDword(std::string_view key, std::string_view value_name, uint32_t data) override;
  bool DeleteTree(std::string_view key) override;
  bool DeleteValue(std::string_view key, std::string_view value_name) override;

  bool KeyExists(std::string_view key) const override;
  std::optional<RegistryValue> GetValue(std::string_view key, std::string_view value_name) const override;
  std::vector<std::string> SubKeys(std::string_view key) const override;
  std::vector<std::string> ValueNames(std::string_view key) const override;

  // Every key with its values, one line each, sorted without regard to case:
  //   CLSID\{...}\InprocServer32
  //   CLSID\{...}\InprocServer32 @ = "C:\x\Vitrelle.ocx"
  //   CLSID\{...}\InprocServer32 ThreadingModel = "Apartment"
  // (@ is the default value; numbers are written as dword:0x...). Two registries
  // with the same dump hold the same keys and values.
  std::string Dump() const;

 private:
  struct LessNoCase {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };
  struct Key {
    std::string name;  // full path as first created
    std::map<std::string, RegistryValue, LessNoCase> values;
  };
  Key* Open(std::string_view key);
  const Key* Open(std::string_view key) const;

  std::map<std::string, Key, LessNoCase> keys_;  // by full path
};

}  // namespace vitrelle
