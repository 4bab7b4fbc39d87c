#include "hosts/model/property_bag.h"

#include <algorithm>

#include "frame/members.h"

namespace vitrelle::model {

std::pair<std::string, Variant>* ModelPropertyBag::Find(std::string_view key) {
  for (auto& entry : entries_) {
    if (NamesEqual(entry.first, key)) return &entry;
  }
  return nullptr;
}

Variant ModelPropertyBag::ReadProperty(std::string_view key, const Variant& default_value) {
  if (auto* entry = Find(key)) return entry->second;
  return default_value;
}

void ModelPropertyBag::WriteProperty(std::string_view key, const Variant& value, const Variant& default_value) {
  if (value == default_value) return;
  Put(key, value);
}

void ModelPropertyBag::Put(std::string_view key, Variant value) {
  if (auto* entry = Find(key)) {
    entry->second = std::move(value);
  } else {
    entries_.emplace_back(std::string(key), std::move(value));
  }
}

bool ModelPropertyBag::Has(std::string_view key) const {
  return std::any_of(entries_.begin(), entries_.end(), [&](const auto& e) { return NamesEqual(e.first, key); });
}

void ModelPropertyBag::Remove(std::string_view key) {
  std::erase_if(entries_, [&](const auto& e) { return NamesEqual(e.first, key); });
}

}  // namespace vitrelle::model
