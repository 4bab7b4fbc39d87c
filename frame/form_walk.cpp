#include "frame/form_walk.h"

#include <utility>
#include <vector>

#include "frame/errors.h"
#include "frame/members.h"
#include "frame/part_rules.h"
#include "frame/type_model.h"

namespace vitrelle {

DispatchPtr ObjectOf(const Variant& value) {
  DispatchPtr object = value.ToObject();
  if (!object) Raise(err::kObjectNotSet);
  return object;
}

Standing StandingOf(Dispatch& extender) {
  Standing me;
  IgnoreErrors([&] { me.name = extender.Get("Name").ToString(); });
  IgnoreErrors([&] { me.tab_index = extender.Get("TabIndex").ToLong(); });
  IgnoreErrors([&] {
    const DispatchPtr container = ObjectOf(extender.Get("Container"));
    me.container_is_form = container->IsA("Form");
    me.container_name = container->Get("Name").ToString();
  });
  return me;
}

std::optional<int32_t> ArrayIndexOf(Dispatch& control) {
  std::optional<int32_t> index;
  IgnoreErrors([&] { index = control.Get("Index").ToLong(); });
  return index;
}

void ForEachFormControl(Dispatch& extender, OnError on_error, const std::function<void(const DispatchPtr& control)>& visit) {
  DispatchPtr controls;
  int32_t count = 0;
  const auto open = [&] {
    controls = ObjectOf(ObjectOf(extender.Get("Parent"))->Get("Controls"));
    count = controls->Get("Count").ToLong();
  };
  const auto step = [&](int32_t i) {
    Variant index[1] = {Variant::Long(i)};
    const DispatchPtr control = ObjectOf(controls->Invoke("Item", InvokeKind::kGet, index));
    visit(control);
  };
  if (on_error == OnError::kStop) {
    open();
    for (int32_t i = 0; i < count; ++i) step(i);
    return;
  }
  if (!IgnoreErrors(open)) return;
  for (int32_t i = 0; i < count; ++i) IgnoreErrors([&] { step(i); });
}

namespace {

class PlacedControls final : public Dispatch {
 public:
  explicit PlacedControls(DispatchPtr extender) : extender_(std::move(extender)) {}

  Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override {
    if (kind == InvokeKind::kLet || kind == InvokeKind::kSet) Raise(err::kNotSupported);
    // Read again at every call, as a form's own collection is: controls come, go
    // and change containers while the form runs.
    const std::vector<DispatchPtr> controls = Members();
    if (NamesEqual(member, "Count")) return Variant::Integer(static_cast<int16_t>(controls.size()));
    if (!NamesEqual(member, "Item") && !member.empty()) Raise(err::kNotSupported);
    if (args.size() != 1) Raise(err::kWrongArguments);
    if (args[0].type() == VarType::kString) {
      const std::string name = args[0].ToString();
      for (const DispatchPtr& control : controls) {
        bool named = false;
        IgnoreErrors([&] { named = IsNamed(*control, name); });
        if (named) return Variant::Object(control);
      }
      RaiseNoSuchControl(args[0]);
    }
    const int32_t i = args[0].ToLong();
    if (i < 0 || i >= static_cast<int32_t>(controls.size())) RaiseNoSuchControl(args[0]);
    return Variant::Object(controls[static_cast<size_t>(i)]);
  }
  bool IsA(std::string_view type_name) const override {
    return NamesEqual(type_name, "Controls") || NamesEqual(type_name, "Object");
  }

 private:
  std::vector<DispatchPtr> Members() {
    const std::string my_name = extender_->Get("Name").ToString();
    const std::optional<int32_t> my_index = ArrayIndexOf(*extender_);
    std::vector<DispatchPtr> out;
    ForEachFormControl(*extender_, OnError::kSkipControl, [&](const DispatchPtr& control) {
      const DispatchPtr container = ObjectOf(control->Get("Container"));
      if (IsNamed(*container, my_name, my_index)) out.push_back(control);
    });
    return out;
  }

  DispatchPtr extender_;
};

}  // namespace

DispatchPtr ControlsPlacedIn(DispatchPtr extender) {
  if (!extender) return nullptr;
  return std::make_shared<PlacedControls>(std::move(extender));
}

std::string ContainerNameOf(Dispatch& control) { return ObjectOf(control.Get("Container"))->Get("Name").ToString(); }

bool SharesContainer(Dispatch& control, const Standing& me) {
  const DispatchPtr container = ObjectOf(control.Get("Container"));
  if (me.container_is_form) return container->IsA("Form");
  return NamesEqual(container->Get("Name").ToString(), me.container_name);
}

bool IsNamed(Dispatch& control, std::string_view name, std::optional<int32_t> index) {
  if (!NamesEqual(control.Get("Name").ToString(), name)) return false;
  return !index || control.Get("Index").ToLong() == *index;
}

bool IsLibraryControl(const Dispatch& control) {
  for (const ClassInfo& c : Classes()) {
    if (c.kind == ClassKind::kControl && control.IsA(c.name)) return true;
  }
  return false;
}

}  // namespace vitrelle
