#include "hosts/model/library_classes.h"

#include "controls/library.h"
#include "frame/type_model.h"
#include "hosts/model/control_registry.h"

namespace vitrelle::model {

void RegisterLibraryClasses() {
  for (const LibraryControl& c : LibraryControls()) {
    ControlClassOptions options;
    options.container = c.container;
    if (const ClassInfo* info = FindClass(c.name)) {
      options.can_get_focus = (info->misc_status & kOleMiscNoUiActivate) == 0;
    }
    options.default_width = c.design_width;
    options.default_height = c.design_height;
    RegisterControlClass(std::string(c.name), c.make, options);
  }
}

}  // namespace vitrelle::model
