// Loading and rendering a large form on the model host: 1,000 host controls in a
// grid, parsed from form-file text, sited, shown, painted and snapshotted.
#include <benchmark/benchmark.h>

#include <string>

#include "hosts/model/form_file.h"
#include "hosts/model/runtime.h"
#include "hosts/model/screen.h"

namespace vitrelle {
namespace {

constexpr int kControls = 1000;
constexpr const char* kKinds[] = {"CommandButton", "Label", "CheckBox", "TextBox", "OptionButton"};

std::string LargeForm() {
  // 40 columns of 25 rows, each cell 720 x 270 twips (48 x 18 pixels).
  std::string text = "Begin Form Big\n   BackColor = 0x00E0E0E0\n   Width = 28800\n   Height = 6750\n";
  for (int i = 0; i < kControls; ++i) {
    const int column = i % 40, row = i / 40;
    text += "   Begin " + std::string(kKinds[i % 5]) + " C" + std::to_string(i) + "\n";
    text += "      Left = " + std::to_string(column * 720) + "\n";
    text += "      Top = " + std::to_string(row * 270) + "\n";
    text += "      Width = 690\n      Height = 240\n";
    if (i % 5 != 3) text += "      Caption = \"#" + std::to_string(i) + "\"\n";
    text += "   End\n";
  }
  return text + "End\n";
}

void BM_LoadForm(benchmark::State& state) {
  const std::string text = LargeForm();
  model::Screen screen(1920, 1080);
  model::ModelRuntime runtime(screen);
  for (auto _ : state) {
    auto form = model::LoadFormText(runtime, text, "big.vfm", /*user_mode=*/true);
    benchmark::DoNotOptimize(form.get());
    form->Unload();
  }
  state.SetItemsProcessed(state.iterations() * kControls);
}
BENCHMARK(BM_LoadForm)->Unit(benchmark::kMillisecond);

void BM_LoadAndRenderForm(benchmark::State& state) {
  const std::string text = LargeForm();
  model::Screen screen(1920, 1080);
  model::ModelRuntime runtime(screen);
  for (auto _ : state) {
    auto form = model::LoadFormText(runtime, text, "big.vfm", /*user_mode=*/true);
    form->Show();
    runtime.DoEvents();
    const model::Bitmap pixels = form->Snapshot();
    benchmark::DoNotOptimize(pixels.Pixels().data());
    form->Unload();
  }
  state.SetItemsProcessed(state.iterations() * kControls);
}
BENCHMARK(BM_LoadAndRenderForm)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vitrelle
