// One model host for the whole fuzzing process: a screen, a runtime and the library's
// classes, made once and never torn down (a fuzz target runs until it is killed).
#pragma once

#include <cstdlib>

#include "hosts/model/library_classes.h"
#include "hosts/model/runtime.h"
#include "hosts/model/screen.h"

namespace vitrelle::fuzz {

struct ModelFixture {
  // Small, since every run paints it: large enough for any form the inputs make visible.
  model::Screen screen{480, 360};
  model::ModelRuntime runtime{screen};
};

inline ModelFixture& Model() {
  static ModelFixture* fixture = [] {
    model::RegisterLibraryClasses();
    return new ModelFixture();
  }();
  return *fixture;
}

// Whatever a form did, closing it gives back every device context, bitmap, palette
// and region it made.
class GdiBalance {
 public:
  GdiBalance() : before_(Model().screen.LiveGdiObjects()) {}
  ~GdiBalance() {
    if (Model().screen.LiveGdiObjects() != before_) std::abort();
  }

 private:
  size_t before_;
};

}  // namespace vitrelle::fuzz
