// The library's controls as every host needs to know them: the class name (as the
// type model names it), how to make one over a surface, and its design size.
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "frame/host.h"

namespace vitrelle {

struct LibraryControl {
  std::string_view name;
  std::unique_ptr<Control> (*make)(Surface&);
  float design_width;   // twips, the size of a control placed without one
  float design_height;
  bool container;       // other controls can be placed on it
};

// The controls built so far, in the type model's class order.
std::span<const LibraryControl> LibraryControls();
const LibraryControl* FindLibraryControl(std::string_view name);

}  // namespace vitrelle
