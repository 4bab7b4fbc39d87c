// Dragging a slider's thumb: 10,000 mouse moves across a default slider, delivered
// through the model host's notifications as a user's drag arrives. Reports the time
// per move, with and without the paint pass a real drag gets between moves.
#include <benchmark/benchmark.h>

#include <memory>

#include "controls/slider/glaze_slider.h"
#include "hosts/model/control_registry.h"
#include "hosts/model/form.h"
#include "hosts/model/runtime.h"
#include "hosts/model/screen.h"

namespace vitrelle {
namespace {

constexpr int kMoves = 10000;

struct SliderOnForm {
  SliderOnForm() {
    model::ControlClassOptions options;
    options.default_width = GlazeSlider::kDesignWidth;
    options.default_height = GlazeSlider::kDesignHeight;
    model::RegisterControlClass("GlazeSlider", &MakeGlazeSlider, options);
    form = model::Form::Create(runtime, "Form1");
    form->SetClientSize(4800, 3000);
    model::ControlSpec spec{"GlazeSlider", "Slider1"};
    spec.left = 240;
    spec.top = 240;
    site = &dynamic_cast<model::LibrarySite&>(form->AddControl(spec));
    form->Show();
    runtime.Advance(200);  // past the delayed copy and the focus return
  }
  ~SliderOnForm() { form->Unload(); }

  model::Screen screen{640, 480};
  model::ModelRuntime runtime{screen};
  std::shared_ptr<model::Form> form;
  model::LibrarySite* site = nullptr;
};

// Back and forth over the whole length, edges and end zones included.
float PointerAt(int i) {
  const int step = i % 200;
  const float along = step < 100 ? step * 17.0f : (199 - step) * 17.0f;
  return along;
}

void Drag(benchmark::State& state, bool paint) {
  SliderOnForm s;
  for (auto _ : state) {
    s.site->Mouse("", model::MouseInput::kDown, 1, 0, 10, 140);
    for (int i = 0; i < kMoves; ++i) {
      s.site->Mouse("", model::MouseInput::kMove, 1, 0, PointerAt(i), 140);
      if (paint) s.runtime.DoEvents();
    }
    s.site->Mouse("", model::MouseInput::kUp, 1, 0, PointerAt(kMoves - 1), 140);
  }
  benchmark::DoNotOptimize(dynamic_cast<GlazeSlider&>(s.site->Object()).Value());
  state.counters["per_move"] =
      benchmark::Counter(kMoves, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_SliderDrag(benchmark::State& state) { Drag(state, false); }
void BM_SliderDragPainted(benchmark::State& state) { Drag(state, true); }

BENCHMARK(BM_SliderDrag)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SliderDragPainted)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vitrelle
