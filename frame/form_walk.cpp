#include "frame/form_walk.h"

#include "frame/errors.h"
#include "frame/members.h"
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
