// Setting a GlazeRadio on forms of 10 to 10,000 controls, a tenth of them options
// of its group and the rest other kinds, host and library. Setting one walks every
// control of the form once, late-bound, and clears the others of the group, so the
// time per selection should grow linearly with the form; the complexity fit shows
// whether it does. Each iteration sets the option the one before did not, so every
// selection clears a set option as a user's click would.
//
// The form is not shown: painting and the start-up focus are not part of the walk.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "controls/check/glaze_check.h"
#include "controls/radio/glaze_radio.h"
#include "hosts/model/control_registry.h"
#include "hosts/model/form.h"
#include "hosts/model/runtime.h"
#include "hosts/model/screen.h"

namespace vitrelle {
namespace {

// What stands between the options: the host's controls with and without a tab
// stop, and a library control that answers the walk through its own extender.
constexpr const char* kOthers[] = {"Label", "CommandButton", "CheckBox", "TextBox", "GlazeCheck"};

void RegisterClasses() {
  model::ControlClassOptions radio;
  radio.default_width = GlazeRadio::kDesignWidth;
  radio.default_height = GlazeRadio::kDesignHeight;
  model::RegisterControlClass("GlazeRadio", &MakeGlazeRadio, radio);
  model::ControlClassOptions check;
  check.default_width = GlazeCheck::kDesignWidth;
  check.default_height = GlazeCheck::kDesignHeight;
  model::RegisterControlClass("GlazeCheck", &MakeGlazeCheck, check);
}

struct GroupForm {
  explicit GroupForm(int controls) {
    RegisterClasses();
    form = model::Form::Create(runtime, "Form1");
    // The smallest form still needs two options to alternate between.
    const int every = controls / 10 >= 2 ? 10 : controls / 2;
    for (int i = 0; i < controls; ++i) {
      model::ControlSpec spec;
      if (i % every == 0) {
        spec.class_name = "GlazeRadio";
        spec.name = "Option" + std::to_string(options++);
      } else {
        spec.class_name = kOthers[i % std::size(kOthers)];
        spec.name = "Other" + std::to_string(i);
      }
      spec.left = static_cast<float>(i % 40 * 120);
      spec.top = static_cast<float>(i / 40 * 120);
      form->AddControl(spec);
    }
    first = form->Extender("Option0");
    second = form->Extender("Option1");
    first->Let("Value", Variant::Boolean(true));
  }
  ~GroupForm() { form->Unload(); }

  // The selection left exactly one option set, and only it a tab stop.
  bool OnlySet(const DispatchPtr& option) const {
    for (int i = 0; i < options; ++i) {
      const DispatchPtr other = form->Extender("Option" + std::to_string(i));
      const bool self = other.get() == option.get();
      if (other->Get("Value").ToBoolean() != self || other->Get("TabStop").ToBoolean() != self) return false;
    }
    return true;
  }

  model::Screen screen{640, 480};
  model::ModelRuntime runtime{screen};
  std::shared_ptr<model::Form> form;
  int options = 0;
  DispatchPtr first, second;
};

// Built once for each size: a 10,000-control form takes far longer to place than
// to walk, and every run of the benchmark would otherwise place it again.
GroupForm& FormOf(int controls) {
  static std::map<int, std::unique_ptr<GroupForm>> forms;
  auto& form = forms[controls];
  if (!form) form = std::make_unique<GroupForm>(controls);
  return *form;
}

void BM_SelectInGroup(benchmark::State& state) {
  GroupForm& g = FormOf(static_cast<int>(state.range(0)));
  const Variant on = Variant::Boolean(true);
  // Whichever the last run left set, the first selection here clears it.
  bool to_second = g.first->Get("Value").ToBoolean();
  for (auto _ : state) {
    (to_second ? g.second : g.first)->Let("Value", on);
    to_second = !to_second;
  }
  const DispatchPtr& last = to_second ? g.first : g.second;
  // A walk that stops clearing would look fast; it must print no figures. (An
  // error reported through the state crashes the complexity fit, so not that.)
  if (!g.OnlySet(last)) {
    std::fprintf(stderr, "radio_group_bench: a selection on %d controls left another option set\n",
                 static_cast<int>(state.range(0)));
    std::exit(1);
  }
  state.SetComplexityN(state.range(0));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SelectInGroup)
    ->RangeMultiplier(10)
    ->Range(10, 10000)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oN);

}  // namespace
}  // namespace vitrelle
