// Forms of N library controls against their baselines on the model host: N
// GlazeChecks (76 x 20 pixels) over the showcase's picture, transparent and opaque,
// against N host controls of the same size. A transparent check copies its
// background while it loads and at the first activation; an opaque one copies
// nothing, so the difference between the two forms is the copies' cost. One copy
// on a form of N shown checks is measured on its own too: it must cost what its
// area costs, however many windows the form has.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "hosts/model/form.h"
#include "hosts/model/form_file.h"
#include "hosts/model/library_classes.h"
#include "hosts/model/runtime.h"
#include "hosts/model/screen.h"

namespace vitrelle {
namespace {

constexpr int kColumns = 20;
// Twips: a 76 x 20 pixel control in a cell of 80 x 20.
constexpr int kWidth = 1140, kHeight = 300, kCellWidth = 1200;
// The script of the Wine runs, "show" then "wait 300": every copy of the first
// activation is taken well within it.
constexpr int64_t kSettle = 300;

enum class Kind { kTransparent, kOpaque, kHost };

std::string FormText(int n, Kind kind) {
  const int rows = (n + kColumns - 1) / kColumns;
  std::string text = "Begin Form Bench\n   Picture = picture(\"" VITRELLE_SOURCE_ROOT "/examples/backdrop.png\")\n";
  text += "   Width = " + std::to_string(kColumns * kCellWidth) + "\n";
  text += "   Height = " + std::to_string(rows * kHeight) + "\n";
  for (int i = 0; i < n; ++i) {
    text += kind == Kind::kHost ? "   Begin CheckBox Check" : "   Begin GlazeCheck Check";
    text += std::to_string(i) + "\n";
    text += "      Left = " + std::to_string(i % kColumns * kCellWidth) + "\n";
    text += "      Top = " + std::to_string(i / kColumns * kHeight) + "\n";
    text += "      Width = " + std::to_string(kWidth) + "\n      Height = " + std::to_string(kHeight) + "\n";
    text += "      TabIndex = " + std::to_string(i) + "\n";
    text += "      Caption = \"Check " + std::to_string(i) + "\"\n";
    if (kind == Kind::kOpaque) text += "      BackStyle = 1\n";
    text += "   End\n";
  }
  return text + "End\n";
}

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "library_form_bench: %s\n", what.c_str());
  std::exit(1);
}

constexpr int kScreenWidth = kColumns * kCellWidth / 15 + 40, kScreenHeight = 1100;

// Load, show and paint: what a user waits for before the form is on the screen.
// For transparent checks this includes every copy of the first activation.
void LoadAndShow(benchmark::State& state, Kind kind) {
  model::RegisterLibraryClasses();
  const int n = static_cast<int>(state.range(0));
  const std::string text = FormText(n, kind);
  model::Screen screen(kScreenWidth, kScreenHeight);
  int64_t copies = 0;
  for (auto _ : state) {
    model::ModelRuntime runtime(screen);
    screen.SetCaptureObserver([&](Handle, int, int) { ++copies; });
    auto form = model::LoadFormText(runtime, text, "bench.vfm", /*user_mode=*/true);
    form->Show();
    runtime.Advance(kSettle);
    const model::Bitmap pixels = form->Snapshot();
    benchmark::DoNotOptimize(pixels.Pixels().data());
    state.PauseTiming();
    form->Unload();
    state.ResumeTiming();
  }
  screen.SetCaptureObserver(nullptr);
  const double per_run = static_cast<double>(copies) / static_cast<double>(state.iterations());
  // Two copies at the activation and one while loading, for each transparent check.
  const double expected = kind == Kind::kTransparent ? 3.0 * n : 0.0;
  if (per_run != expected) Fail(std::to_string(per_run) + " copies a run, not " + std::to_string(expected));
  state.counters["copies"] = per_run;
  state.counters["per_control"] =
      benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate |
                                                      benchmark::Counter::kInvert);
}

void BM_HostControls(benchmark::State& state) { LoadAndShow(state, Kind::kHost); }
void BM_OpaqueChecks(benchmark::State& state) { LoadAndShow(state, Kind::kOpaque); }
void BM_TransparentChecks(benchmark::State& state) { LoadAndShow(state, Kind::kTransparent); }
BENCHMARK(BM_HostControls)->Arg(50)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpaqueChecks)->Arg(50)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TransparentChecks)->Arg(50)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// One copy of one check, amid N shown transparent checks (its Refresh: hide, the
// form repaints beneath it, one blit, show), the middle one so that its
// neighbours on every side are on the screen.
void BM_OneCopy(benchmark::State& state) {
  model::RegisterLibraryClasses();
  const int n = static_cast<int>(state.range(0));
  model::Screen screen(kScreenWidth, kScreenHeight);
  model::ModelRuntime runtime(screen);
  auto form = model::LoadFormText(runtime, FormText(n, Kind::kTransparent), "bench.vfm", /*user_mode=*/true);
  form->Show();
  runtime.Advance(kSettle);
  int64_t copies = 0;
  std::string size;
  screen.SetCaptureObserver([&](Handle, int width, int height) {
    size = std::to_string(width) + "x" + std::to_string(height);
    ++copies;
  });
  const DispatchPtr check = form->Extender("Check" + std::to_string(n / 2));
  for (auto _ : state) check->Call("Refresh");
  screen.SetCaptureObserver(nullptr);
  if (copies != static_cast<int64_t>(state.iterations())) {
    Fail(std::to_string(copies) + " copies for " + std::to_string(state.iterations()) + " refreshes");
  }
  form->Unload();
  state.SetLabel(size);
}
BENCHMARK(BM_OneCopy)->Arg(1)->Arg(50)->Arg(200)->Arg(1000)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
}  // namespace vitrelle
