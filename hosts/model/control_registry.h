// Library control classes by name, as the form designer's toolbox knows them. Each
// control's library registers its class; form files and tests create by name.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "frame/host.h"

namespace vitrelle::model {

using ControlFactory = std::function<std::unique_ptr<Control>(Surface&)>;

struct ControlClassOptions {
  bool container = false;      // other controls can be placed on it (GlazeFrame)
  bool can_get_focus = true;   // the surface itself takes the focus when no part does
  std::vector<std::string> interfaces;  // further names its TypeOf tests answer to
  float default_width = 1215;  // size given to a control created without one
  float default_height = 375;
};

struct ControlClass {
  std::string name;
  ControlFactory factory;
  ControlClassOptions options;
};

// A second registration under the same name replaces the first.
void RegisterControlClass(std::string name, ControlFactory factory, ControlClassOptions options = {});
void UnregisterControlClass(std::string_view name);
const ControlClass* FindControlClass(std::string_view name);

// The host's own controls: OptionButton, CheckBox, TextBox, CommandButton, Label,
// Frame, PictureBox.
bool IsHostControlClass(std::string_view name);

}  // namespace vitrelle::model
