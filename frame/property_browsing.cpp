#include "frame/property_browsing.h"

#include <algorithm>

namespace vitrelle {

std::vector<PredefinedValue> PredefinedValues(const Member& member) {
  const ValueType kind = member.type.kind;
  if (member.kind == MemberKind::kMethod ||
      (kind != ValueType::kEnum && kind != ValueType::kMousePointer && kind != ValueType::kAlignment))
    return {};
  const Enumeration* e = FindEnumeration(TypeName(member.type));
  if (e == nullptr) return {};
  std::vector<PredefinedValue> out;
  for (const EnumMember& m : e->members) out.push_back({m.value, std::to_string(m.value) + " - " + std::string(m.name)});
  return out;
}

std::optional<std::string> DisplayString(const Member& member, int32_t value) {
  for (PredefinedValue& v : PredefinedValues(member))
    if (v.value == value) return std::move(v.display);
  return std::nullopt;
}

std::optional<StockPage> PageFor(const Member& member) {
  if (member.kind == MemberKind::kMethod) return std::nullopt;
  switch (member.type.kind) {
    case ValueType::kFont: return StockPage::kFont;
    case ValueType::kOleColor: return StockPage::kColor;
    case ValueType::kPicture: return StockPage::kPicture;
    default: return std::nullopt;
  }
}

std::vector<StockPage> PagesFor(const Interface& iface) {
  std::vector<StockPage> out;
  for (StockPage page : {StockPage::kFont, StockPage::kColor, StockPage::kPicture}) {
    if (std::any_of(iface.members.begin(), iface.members.end(),
                    [&](const Member& m) { return PageFor(m) == page; }))
      out.push_back(page);
  }
  return out;
}

}  // namespace vitrelle
