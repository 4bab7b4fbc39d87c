// Activating a form of 1,000 transparent GlazeChecks spread over three levels of
// nested transparent GlazeFrames. At activation the outer frames copy their
// background; 150 ms after each frame's copy it refreshes what it holds, so the
// innermost checks copy last, three frame refreshes after the activation. The time
// per copy on the big form should stay what the same copy costs with nothing else
// on the form: the baselines copy one control of the nested form, with the frames
// that lie around it there and, for a frame, what it holds, alone on a form; the
// nested run counts its copies by kind and level so the two can be set side by side.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "hosts/model/form.h"
#include "hosts/model/form_file.h"
#include "hosts/model/library_classes.h"
#include "hosts/model/runtime.h"
#include "hosts/model/screen.h"

namespace vitrelle {
namespace {

// Twips; a check is 64 x 16 pixels.
constexpr int kCheckWidth = 960, kCheckHeight = 240;
constexpr int kCellWidth = 1020, kCellHeight = 270;
constexpr int kMargin = 120, kCaption = 300;
constexpr int kFanOut = 3;  // frames in each frame, and on the form
constexpr int kLevels = 3;
// Checks directly in a frame of each level (1..3); the rest lie on the form.
constexpr int kChecksAt[kLevels + 1] = {10, 12, 16, 30};
constexpr int kColumnsAt[kLevels + 1] = {20, 20, 10, 3};
constexpr int kControls = 1000;
// Virtual time by which every refresh has run: the last level's copy comes three
// frame refreshes (150 ms each) after the activation, the Wine script's 800 ms
// leaves the same room.
constexpr int64_t kSettle = 800;

struct Box {
  int width, height;
};

struct Builder {
  // "" for the transparent form; "   BackStyle = 1\n" makes every control opaque.
  std::string back_style;
  std::string text;
  int checks = 0, frames = 0;
  std::vector<std::string> check_names;
  std::vector<std::string> frame_names;
  std::map<std::string, int> frame_level;
  // The frame that holds each check; empty for the form.
  std::map<std::string, std::string> container_of;
  std::string current;

  void Check(int left, int top, const std::string& indent) {
    const std::string name = "Check" + std::to_string(checks);
    text += indent + "Begin GlazeCheck " + name + "\n";
    text += indent + "   Left = " + std::to_string(left) + "\n";
    text += indent + "   Top = " + std::to_string(top) + "\n";
    text += indent + "   Width = " + std::to_string(kCheckWidth) + "\n";
    text += indent + "   Height = " + std::to_string(kCheckHeight) + "\n";
    text += indent + "   TabIndex = " + std::to_string(checks + frames) + "\n";
    text += indent + "   Caption = \"#" + std::to_string(checks) + "\"\n";
    if (!back_style.empty()) text += indent + back_style;
    text += indent + "End\n";
    check_names.push_back(name);
    container_of[name] = current;
    ++checks;
  }

  // The size a container of `level` (0 = the form) takes with all it holds.
  static Box SizeAt(int level) {
    const int rows = (kChecksAt[level] + kColumnsAt[level] - 1) / kColumnsAt[level];
    Box inner{0, 0};
    if (level < kLevels) inner = SizeAt(level + 1);
    // The form stacks its frames, so that it fits a screen; frames set theirs side by side.
    const int across = level == 0 ? 1 : kFanOut;
    const int width = std::max(kColumnsAt[level] * kCellWidth, across * (inner.width + kMargin));
    const int height = rows * kCellHeight + (level < kLevels ? kFanOut / across * (inner.height + kMargin) : 0);
    return {width + 2 * kMargin, height + kCaption + kMargin};
  }

  // Opens a frame of `level`'s size; the caller writes what it holds and its End.
  void FrameHeader(const std::string& name, int level, int left, int top, const std::string& indent) {
    const Box size = SizeAt(level);
    text += indent + "Begin GlazeFrame " + name + "\n";
    text += indent + "   Left = " + std::to_string(left) + "\n";
    text += indent + "   Top = " + std::to_string(top) + "\n";
    text += indent + "   Width = " + std::to_string(size.width) + "\n";
    text += indent + "   Height = " + std::to_string(size.height) + "\n";
    text += indent + "   TabIndex = " + std::to_string(checks + frames++) + "\n";
    text += indent + "   Caption = \"Level " + std::to_string(level) + "\"\n";
    if (!back_style.empty()) text += indent + back_style;
  }

  // Writes the contents of a container of `level`: its checks in a grid at the top,
  // its frames in a row beneath them.
  void Contents(int level, const std::string& indent) {
    for (int i = 0; i < kChecksAt[level]; ++i) {
      Check(kMargin + i % kColumnsAt[level] * kCellWidth, kCaption + i / kColumnsAt[level] * kCellHeight,
            indent);
    }
    if (level == kLevels) return;
    const Box inner = SizeAt(level + 1);
    const int rows = (kChecksAt[level] + kColumnsAt[level] - 1) / kColumnsAt[level];
    for (int f = 0; f < kFanOut; ++f) {
      const int along = level == 0 ? 0 : f, down = level == 0 ? f : 0;
      const std::string outer = current;
      current = "Frame" + std::to_string(frames);
      FrameHeader(current, level + 1, kMargin + along * (inner.width + kMargin),
                  kCaption + rows * kCellHeight + down * (inner.height + kMargin), indent);
      frame_names.push_back(current);
      frame_level[current] = level + 1;
      Contents(level + 1, indent + "   ");
      current = outer;
      text += indent + "End\n";
    }
  }
};

Builder NestedForm(bool opaque) {
  Builder b;
  if (opaque) b.back_style = "   BackStyle = 1\n";
  const Box size = Builder::SizeAt(0);
  b.text = "Begin Form Nested\n   BackColor = 0x00C0E0FF\n";
  b.text += "   Width = " + std::to_string(size.width) + "\n   Height = " + std::to_string(size.height) + "\n";
  b.Contents(0, "   ");
  b.text += "End\n";
  return b;
}

// A form holding one control and nothing else but the `around` frames, one inside
// the other, of the nested form's sizes that lie around such a control there: all
// that a copy of it has beneath it on the nested form. `body` writes the control.
Builder Alone(int around, const std::function<void(Builder&, const std::string& indent)>& body) {
  Builder b;
  const Box size = Builder::SizeAt(1);
  b.text = "Begin Form Alone\n   BackColor = 0x00C0E0FF\n";
  b.text += "   Width = " + std::to_string(size.width + 4 * kMargin) + "\n   Height = " +
            std::to_string(size.height + 4 * kMargin) + "\n";
  std::string indent = "   ";
  for (int level = 1; level <= around; ++level) {
    b.current = "Around" + std::to_string(level);
    b.FrameHeader(b.current, level, kMargin, kCaption, indent);
    indent += "   ";
  }
  body(b, indent);
  for (int level = around; level >= 1; --level) {
    indent.resize(indent.size() - 3);
    b.text += indent + "End\n";
  }
  b.text += "End\n";
  return b;
}

// The check numbered `number` (its caption as wide as that check's on the nested
// form) inside `level` frames.
Builder LoneCheck(int level, int number) {
  return Alone(level, [number](Builder& b, const std::string& indent) {
    b.checks = number;
    b.Check(kMargin, kCaption, indent);
  });
}

// A frame of `level` holding what such a frame holds on the nested form, its checks
// numbered from `first_check` as that frame's are.
Builder LoneFrame(int level, int first_check) {
  return Alone(level - 1, [level, first_check](Builder& b, const std::string& indent) {
    b.current = "Outer";
    b.FrameHeader(b.current, level, kMargin, kCaption, indent);
    b.checks = first_check;
    b.Contents(level, indent + "   ");
    b.text += indent + "End\n";
  });
}

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "frame_activation_bench: %s\n", what.c_str());
  std::exit(1);
}

// The level of the container a control of the nested form lies in: 0 for the form.
int LevelOf(const Builder& b, const std::string& control) {
  const std::string& frame = b.container_of.at(control);
  return frame.empty() ? 0 : b.frame_level.at(frame);
}

// The last check the nested form places in a container of `level`, and the last
// frame of `level`.
std::string LastCheckAt(const Builder& b, int level) {
  std::string name;
  for (const std::string& check : b.check_names)
    if (LevelOf(b, check) == level) name = check;
  if (name.empty()) Fail("no check at level " + std::to_string(level));
  return name;
}

std::string LastFrameAt(const Builder& b, int level) {
  std::string name;
  for (const std::string& frame : b.frame_names)
    if (b.frame_level.at(frame) == level) name = frame;
  if (name.empty()) Fail("no frame of level " + std::to_string(level));
  return name;
}

// The number of a check of the nested form, as its name has it.
int NumberOf(const std::string& check) { return std::stoi(check.substr(std::string_view("Check").size())); }

// The first check placed in `frame` itself.
int FirstCheckIn(const Builder& b, const std::string& frame) {
  for (const std::string& check : b.check_names)
    if (b.container_of.at(check) == frame) return NumberOf(check);
  Fail(frame + " holds no check");
}

// Every copy the screen takes, with its window, its size and the virtual time.
struct Copies {
  struct Copy {
    Handle window;
    int width, height;
    int64_t at;
  };
  std::vector<Copy> taken;
};

void BM_ActivateNestedForm(benchmark::State& state) {
  model::RegisterLibraryClasses();
  const Builder b = NestedForm(/*opaque=*/false);
  if (b.checks != kControls) Fail("the form holds " + std::to_string(b.checks) + " checks, not 1000");
  const Box size = Builder::SizeAt(0);
  model::Screen screen(size.width / 15 + 40, size.height / 15 + 80);
  int64_t copies = 0, check_copies = 0, last_copy = 0;
  // By the level of the frame that holds the check (0: the form), and of the frame.
  int64_t checks_at[kLevels + 1] = {}, frame_copies[kLevels + 1] = {};
  std::string check_size;
  for (auto _ : state) {
    state.PauseTiming();
    model::ModelRuntime runtime(screen);
    Copies log;
    screen.SetCaptureObserver([&](Handle window, int width, int height) {
      log.taken.push_back({window, width, height, runtime.Now()});
    });
    auto form = model::LoadFormText(runtime, b.text, "nested.vfm", /*user_mode=*/true);
    std::map<Handle, std::string> control_of;
    for (const std::string& name : b.check_names) control_of[form->GetLibrary(name).GetSurface().hWnd()] = name;
    for (const std::string& name : b.frame_names) control_of[form->GetLibrary(name).GetSurface().hWnd()] = name;
    log.taken.clear();  // the copies of loading are not the activation's
    state.ResumeTiming();

    form->Show();
    runtime.Advance(kSettle);

    state.PauseTiming();
    // Every check copies at the activation, and its last copy comes after its
    // frame's last one, so that it shows what the frame now paints: a check left
    // out, or one still showing the frame's old copy, fails the run. (The last copy
    // may follow the frame's closely: a frame refreshed while its Timer3 still runs
    // keeps the tick it had.)
    std::map<std::string, int64_t> last_of;
    for (const auto& copy : log.taken) {
      auto it = control_of.find(copy.window);
      if (it == control_of.end()) Fail("a copy of a window that is no check or frame");
      last_of[it->second] = copy.at;
      if (auto level = b.frame_level.find(it->second); level != b.frame_level.end()) ++frame_copies[level->second];
      if (it->second.starts_with("Check")) {
        ++check_copies;
        ++checks_at[LevelOf(b, it->second)];
        check_size = std::to_string(copy.width) + "x" + std::to_string(copy.height);
      }
    }
    for (const std::string& name : b.check_names) {
      auto it = last_of.find(name);
      if (it == last_of.end()) Fail(name + " took no copy at activation");
      const std::string& frame = b.container_of.at(name);
      if (frame.empty()) continue;
      auto held = last_of.find(frame);
      if (held == last_of.end()) Fail(frame + " took no copy at activation");
      if (it->second <= held->second) {
        Fail(name + " last copied at " + std::to_string(it->second) + " ms, not after " + frame + "'s copy at " +
             std::to_string(held->second) + " ms");
      }
    }
    for (const auto& copy : log.taken) last_copy = std::max(last_copy, copy.at);
    if (last_copy + 150 > kSettle) Fail("the last copy came at " + std::to_string(last_copy) + " ms");
    copies += static_cast<int64_t>(log.taken.size());
    form->Unload();
    screen.SetCaptureObserver(nullptr);
    state.ResumeTiming();
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["copies"] = static_cast<double>(copies) / runs;
  state.counters["check_copies"] = static_cast<double>(check_copies) / runs;
  state.counters["frames"] = b.frames;
  for (int level = 0; level <= kLevels; ++level) {
    state.counters["checks_at" + std::to_string(level)] = static_cast<double>(checks_at[level]) / runs;
    if (level > 0)
      state.counters["frame" + std::to_string(level) + "_copies"] = static_cast<double>(frame_copies[level]) / runs;
  }
  state.SetLabel("checks " + check_size);
  state.counters["last_copy_virtual_ms"] = static_cast<double>(last_copy);
  // Wall time per copy: the whole activation divided by the copies it took.
  state.counters["per_copy"] =
      benchmark::Counter(static_cast<double>(copies), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ActivateNestedForm)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The same form with every control opaque: it loads, shows and paints the same
// windows and runs the same timers, and copies nothing. What the transparent form
// takes beyond it is what its copies cost, the repaints they bring included.
void BM_ActivateNestedOpaqueForm(benchmark::State& state) {
  model::RegisterLibraryClasses();
  const Builder b = NestedForm(/*opaque=*/true);
  const Box size = Builder::SizeAt(0);
  model::Screen screen(size.width / 15 + 40, size.height / 15 + 80);
  int64_t copies = 0;
  screen.SetCaptureObserver([&](Handle, int, int) { ++copies; });
  for (auto _ : state) {
    state.PauseTiming();
    model::ModelRuntime runtime(screen);
    auto form = model::LoadFormText(runtime, b.text, "nested.vfm", /*user_mode=*/true);
    copies = 0;
    state.ResumeTiming();

    form->Show();
    runtime.Advance(kSettle);

    state.PauseTiming();
    if (copies != 0) Fail("the opaque form took " + std::to_string(copies) + " copies");
    form->Unload();
    state.ResumeTiming();
  }
  screen.SetCaptureObserver(nullptr);
}
BENCHMARK(BM_ActivateNestedOpaqueForm)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// A form loaded from `text`, shown and left to settle: every copy of its activation
// taken.
std::shared_ptr<model::Form> SettledForm(model::ModelRuntime& runtime, const std::string& text, const char* file) {
  auto form = model::LoadFormText(runtime, text, file, /*user_mode=*/true);
  form->Show();
  runtime.Advance(kSettle);
  return form;
}

// A form shown and settled on a screen and in a runtime of its own, so that two of
// them can take turns in one loop.
struct Stage {
  Stage(const std::string& text, const Box& size) : screen(size.width / 15 + 40, size.height / 15 + 80), runtime(screen) {
    form = SettledForm(runtime, text, "stage.vfm");
  }
  ~Stage() { form->Unload(); }

  // Seconds for `n` copies of `control`, each let paint after it, as every copy on
  // the nested form is: without the DoEvents the next Refresh would hide the control
  // before it painted, and that paint would never be paid for.
  double Copies(const DispatchPtr& control, int n) {
    int copies = 0;
    screen.SetCaptureObserver([&](Handle, int width, int height) {
      copied = std::to_string(width) + "x" + std::to_string(height);
      ++copies;
    });
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i) {
      control->Call("Refresh");
      runtime.DoEvents();
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    screen.SetCaptureObserver(nullptr);
    if (copies != n) Fail(std::to_string(copies) + " copies for " + std::to_string(n) + " refreshes");
    return took.count();
  }

  model::Screen screen;
  model::ModelRuntime runtime;
  std::shared_ptr<model::Form> form;
  std::string copied;
};

// One control of the settled nested form copying its background through Refresh,
// as a frame's refresh has it do, against the same control on a form that holds
// only it and what lies beneath it there: a check (with its caption) inside as many
// frames as it has around it on the nested form, or a frame inside its outer frames
// holding what it holds (a frame's copy hides and shows all it holds, and all of
// that paints again). The two take turns, so that a machine busy with other work
// slows both alike; `nested_over_alone` is the median of the turns' ratios.
// Arguments: 0 and the level of the frame that holds the check (0: the form), or
// 1 and the frame's level; the last such control of the nested form is the one.
void BM_CopyOnNestedForm(benchmark::State& state) {
  model::RegisterLibraryClasses();
  const bool frame = state.range(0) != 0;
  const int level = static_cast<int>(state.range(1));
  const Builder nested = NestedForm(/*opaque=*/false);
  const std::string name = frame ? LastFrameAt(nested, level) : LastCheckAt(nested, level);
  const Builder alone =
      frame ? LoneFrame(level, FirstCheckIn(nested, name)) : LoneCheck(level, NumberOf(name));
  Stage on_nested(nested.text, Builder::SizeAt(0)), on_its_own(alone.text, Builder::SizeAt(1));
  const DispatchPtr there = on_nested.form->Extender(name);
  const DispatchPtr here = on_its_own.form->Extender(frame ? "Outer" : name);
  // Enough copies to a turn that a turn outlasts the clock's and the loop's noise.
  int n = 1;
  while (on_nested.Copies(there, n) < 2e-3) n *= 2;
  std::vector<double> ratios;
  double nested_s = 0, alone_s = 0;
  for (auto _ : state) {
    const double x = on_nested.Copies(there, n), y = on_its_own.Copies(here, n);
    ratios.push_back(x / y);
    nested_s += x;
    alone_s += y;
  }
  std::sort(ratios.begin(), ratios.end());
  const double copies = static_cast<double>(state.iterations()) * n;
  state.counters["nested_over_alone"] = ratios[ratios.size() / 2];
  state.counters["nested_us"] = nested_s / copies * 1e6;
  state.counters["alone_us"] = alone_s / copies * 1e6;
  state.SetLabel(name + " " + on_nested.copied);
  if (on_its_own.copied != on_nested.copied) Fail(name + " copies " + on_nested.copied + " there, " + on_its_own.copied + " alone");
}
BENCHMARK(BM_CopyOnNestedForm)
    ->ArgsProduct({{0}, {0, 1, 2, 3}})
    ->ArgsProduct({{1}, {1, 2, 3}})
    ->MinTime(2)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

}  // namespace
}  // namespace vitrelle
