// What a background copy costs against the plain copy of the same bytes: the
// capture should stay close to memcpy however large the control is.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "frame/glaze_module.h"
#include "hosts/model/screen.h"

namespace vitrelle {
namespace {

class Painter : public model::WindowClient {
 public:
  void Paint(model::Canvas& canvas) override { canvas.FillRect({0, 0, 4000, 4000}, Rgb(10, 120, 200)); }
};

struct Size {
  int width, height;
};
constexpr Size kSizes[] = {{112, 19}, {640, 480}, {1920, 1080}};

void BM_CaptureWindow(benchmark::State& state) {
  const Size size = kSizes[state.range(0)];
  model::Screen screen(1920, 1080);
  Painter painter;
  const Handle form = screen.CreateWindow(0, {0, 0, 1920, 1080}, 0, &painter);
  const Handle control = screen.CreateWindow(form, {0, 0, size.width, size.height}, 0, &painter);
  screen.ShowWindow(form, true);
  screen.PaintPending();
  for (auto _ : state) {
    PicturePtr picture =
        GlazeModule::CaptureWindow(screen.GetGdi(), control, false, 0, 0, size.width, size.height);
    benchmark::DoNotOptimize(picture.get());
  }
  state.SetBytesProcessed(state.iterations() * size.width * size.height * 4);
  state.SetLabel(std::to_string(size.width) + "x" + std::to_string(size.height));
}
BENCHMARK(BM_CaptureWindow)->DenseRange(0, 2);

// The baseline: allocate the destination and copy the same number of bytes, row by
// row as a bitmap copy must.
void BM_Memcpy(benchmark::State& state) {
  const Size size = kSizes[state.range(0)];
  std::vector<uint32_t> source(1920u * 1080u, 0x00C87A0Au);
  for (auto _ : state) {
    // Uninitialised, as a new bitmap's pixels are before the copy lands in them.
    auto dest = std::make_unique_for_overwrite<uint32_t[]>(static_cast<size_t>(size.width) * size.height);
    for (int y = 0; y < size.height; ++y)
      std::memcpy(dest.get() + static_cast<size_t>(y) * size.width, source.data() + static_cast<size_t>(y) * 1920,
                  static_cast<size_t>(size.width) * 4);
    benchmark::DoNotOptimize(dest.get());
  }
  state.SetBytesProcessed(state.iterations() * size.width * size.height * 4);
  state.SetLabel(std::to_string(size.width) + "x" + std::to_string(size.height));
}
BENCHMARK(BM_Memcpy)->DenseRange(0, 2);

}  // namespace
}  // namespace vitrelle
