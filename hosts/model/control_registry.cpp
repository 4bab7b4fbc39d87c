#include "hosts/model/control_registry.h"

#include <algorithm>

#include "frame/members.h"

namespace vitrelle::model {

namespace {

std::vector<ControlClass>& Classes() {
  static std::vector<ControlClass> classes;
  return classes;
}

}  // namespace

void RegisterControlClass(std::string name, ControlFactory factory, ControlClassOptions options) {
  UnregisterControlClass(name);
  Classes().push_back({std::move(name), std::move(factory), std::move(options)});
}

void UnregisterControlClass(std::string_view name) {
  std::erase_if(Classes(), [&](const ControlClass& c) { return NamesEqual(c.name, name); });
}

const ControlClass* FindControlClass(std::string_view name) {
  for (const auto& c : Classes()) {
    if (NamesEqual(c.name, name)) return &c;
  }
  return nullptr;
}

bool IsHostControlClass(std::string_view name) {
  static constexpr std::string_view kHostClasses[] = {"OptionButton", "CheckBox", "TextBox", "CommandButton",
                                                      "Label", "Frame", "PictureBox"};
  return std::any_of(std::begin(kHostClasses), std::end(kHostClasses),
                     [&](std::string_view c) { return NamesEqual(c, name); });
}

}  // namespace vitrelle::model
