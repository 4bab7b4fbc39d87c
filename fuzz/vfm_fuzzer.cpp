// Form files, read and loaded by the model host exactly as `vitrelle run` loads them:
// the text reader, the values, the controls' ReadProperties from the file's bags. A
// file either loads or gets one error naming the file and a line; a loaded form is
// shown, run for a while and closed, and gives back every GDI object it made.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/model_fixture.h"
#include "hosts/model/form_file.h"

namespace {

// Relative pictures resolve against the examples, so the showcase's backdrop opens.
const std::string kFormPath = std::string(VITRELLE_SOURCE_ROOT) + "/examples/fuzzed.vfm";

// A picture path may name a device that never ends; that is no form file's fault.
bool NamesADevice(std::string_view text) {
  for (std::string_view dir : {"/dev", "/proc", "/sys"}) {
    if (text.find(dir) != std::string_view::npos) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vitrelle;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (NamesADevice(text)) return 0;
  auto& model = fuzz::Model();
  fuzz::GdiBalance balance;
  std::shared_ptr<model::Form> form;
  try {
    form = model::LoadFormText(model.runtime, text, kFormPath, /*user_mode=*/true);
  } catch (const model::FormFileError& e) {
    if (std::string_view(e.what()).substr(0, kFormPath.size() + 1) != kFormPath + ":") std::abort();
    return 0;
  }
  form->Show();
  form->Activate();
  model.runtime.Advance(250);
  form->Unload();
  return 0;
}
