#include "hosts/activex/win32_back_buffer.h"

namespace vitrelle::activex {

BackBuffer& SharedBackBuffer() {
  static BackBuffer buffer;
  return buffer;
}

}  // namespace vitrelle::activex
