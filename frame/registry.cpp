#include "frame/registry.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "frame/members.h"

namespace vitrelle {
namespace {

std::string_view Trim(std::string_view key) {
  while (!key.empty() && key.front() == '\\') key.remove_prefix(1);
  while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
  return key;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && NamesEqual(text.substr(0, prefix.size()), prefix);
}

}  // namespace

bool InMemoryRegistry::LessNoCase::operator()(std::string_view a, std::string_view b) const {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int ca = std::tolower(static_cast<unsigned char>(a[i]));
    int cb = std::tolower(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb;
  }
  return a.size() < b.size();
}

InMemoryRegistry::Key* InMemoryRegistry::Open(std::string_view key) {
  auto it = keys_.find(Trim(key));
  return it == keys_.end() ? nullptr : &it->second;
}

const InMemoryRegistry::Key* InMemoryRegistry::Open(std::string_view key) const {
  auto it = keys_.find(Trim(key));
  return it == keys_.end() ? nullptr : &it->second;
}

bool InMemoryRegistry::CreateKey(std::string_view key) {
  key = Trim(key);
  if (key.empty()) return true;  // the root always exists
  // Every ancestor is a key of its own, as on the platform.
  for (size_t pos = 0;; ++pos) {
    pos = key.find('\\', pos);
    std::string_view path = key.substr(0, pos);
    if (!keys_.contains(path)) keys_.emplace(std::string(path), Key{std::string(path), {}});
    if (pos == std::string_view::npos) break;
  }
  return true;
}

bool InMemoryRegistry::SetString(std::string_view key, std::string_view value_name, std::string_view data) {
  InMemoryRegistry::CreateKey(key);
  Key* k = Open(key);
  if (!k) return false;
  k->values.insert_or_assign(std::string(value_name), std::string(data));
  return true;
}

bool InMemoryRegistry::SetDword(std::string_view key, std::string_view value_name, uint32_t data) {
  InMemoryRegistry::CreateKey(key);
  Key* k = Open(key);
  if (!k) return false;
  k->values.insert_or_assign(std::string(value_name), data);
  return true;
}

bool InMemoryRegistry::DeleteTree(std::string_view key) {
  key = Trim(key);
  if (key.empty()) return false;  // never the whole hive
  keys_.erase(std::string(key));
  const std::string prefix = std::string(key) + "\\";
  auto it = keys_.lower_bound(prefix);
  while (it != keys_.end() && StartsWithNoCase(it->first, prefix)) it = keys_.erase(it);
  return true;
}

bool InMemoryRegistry::DeleteValue(std::string_view key, std::string_view value_name) {
  if (Key* k = Open(key)) {
    auto it = k->values.find(value_name);
    if (it != k->values.end()) k->values.erase(it);
  }
  return true;
}

bool InMemoryRegistry::KeyExists(std::string_view key) const { return Trim(key).empty() || Open(key) != nullptr; }

std::optional<RegistryValue> InMemoryRegistry::GetValue(std::string_view key, std::string_view value_name) const {
  const Key* k = Open(key);
  if (!k) return std::nullopt;
  auto it = k->values.find(value_name);
  if (it == k->values.end()) return std::nullopt;
  return it->second;
}

std::vector<std::string> InMemoryRegistry::SubKeys(std::string_view key) const {
  key = Trim(key);
  const std::string prefix = key.empty() ? std::string() : std::string(key) + "\\";
  std::vector<std::string> names;
  for (auto it = keys_.lower_bound(prefix); it != keys_.end() && StartsWithNoCase(it->first, prefix); ++it) {
    std::string_view rest = std::string_view(it->second.name).substr(prefix.size());
    if (rest.find('\\') == std::string_view::npos) names.emplace_back(rest);
  }
  return names;
}

std::vector<std::string> InMemoryRegistry::ValueNames(std::string_view key) const {
  std::vector<std::string> names;
  if (const Key* k = Open(key)) {
    for (const auto& [name, value] : k->values) names.push_back(name);
  }
  return names;
}

std::string InMemoryRegistry::Dump() const {
  std::string out;
  for (const auto& [path, key] : keys_) {
    out += key.name + "\n";
    for (const auto& [name, value] : key.values) {
      out += key.name + " " + (name.empty() ? "@" : name) + " = ";
      if (const auto* s = std::get_if<std::string>(&value)) {
        out += "\"" + *s + "\"\n";
      } else {
        char buf[24];
        std::snprintf(buf, sizeof buf, "dword:0x%08x", static_cast<unsigned>(std::get<uint32_t>(value)));
        out += std::string(buf) + "\n";
      }
    }
  }
  return out;
}

}  // namespace vitrelle
