#include "hosts/activex/hosted_control.h"

#include "frame/members.h"
#include "frame/type_model.h"

namespace vitrelle::activex {

HostedControl::HostedControl(std::string_view class_name, ControlFactory make)
    : class_name_(class_name), control_(make(surface_)) {
  if (const ClassInfo* c = FindClass(class_name)) surface_.SetTakesFocus((c->misc_status & kOleMiscNoUiActivate) == 0);
  surface_.Attach(control_.get(), nullptr);
  control_->Initialize();
}

HostedControl::~HostedControl() {
  try {
    control_->Terminate();
  } catch (const RuntimeError&) {
    // Nothing a user can observe happens in Terminate; an error there changes nothing.
  }
  surface_.Attach(nullptr, nullptr);
  control_.reset();
}

Variant HostedControl::Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) {
  return control_->Invoke(member, kind, args);
}

bool HostedControl::IsA(std::string_view type_name) const {
  return NamesEqual(type_name, class_name_) || (type_name.size() > 1 && type_name.front() == '_' &&
                                                NamesEqual(type_name.substr(1), class_name_));
}

}  // namespace vitrelle::activex
