// What a container's property sheet shows of a member, from the type model alone:
// the values an enumeration property offers, each with its display string
// ("1 - 3D"), and which of the platform's stock pages edits a member's type.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "frame/type_model.h"

namespace vitrelle {

struct PredefinedValue {
  int32_t value = 0;
  std::string display;  // "0 - Transparent"
};

// The values of an enumeration property in the enumeration's order; empty for a
// member of any other type.
std::vector<PredefinedValue> PredefinedValues(const Member& member);

// How a property sheet shows a value of the member: the predefined value's display
// string, or nothing when the member has no predefined values or the value is not
// one of them (a script may store any number).
std::optional<std::string> DisplayString(const Member& member, int32_t value);

enum class StockPage { kFont, kColor, kPicture };

// The stock page that edits the member's value, if one does.
std::optional<StockPage> PageFor(const Member& member);

// The stock pages an interface's members need, each once, in the order font, colour,
// picture.
std::vector<StockPage> PagesFor(const Interface& iface);

}  // namespace vitrelle
