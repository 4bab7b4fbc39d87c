// A property bag in memory: the keys in the order they were first written, so that
// a saved form lists them as the control wrote them.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "frame/host.h"

namespace vitrelle::model {

class ModelPropertyBag : public PropertyBag {
 public:
  Variant ReadProperty(std::string_view key, const Variant& default_value) override;
  void WriteProperty(std::string_view key, const Variant& value, const Variant& default_value) override;

  // Stores a value whatever it is (loading from a file, host controls' own state).
  void Put(std::string_view key, Variant value);
  bool Has(std::string_view key) const;
  void Remove(std::string_view key);
  const std::vector<std::pair<std::string, Variant>>& Entries() const { return entries_; }

 private:
  std::pair<std::string, Variant>* Find(std::string_view key);
  std::vector<std::pair<std::string, Variant>> entries_;
};

}  // namespace vitrelle::model
