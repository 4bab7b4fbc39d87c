// A core control on its Win32 surface: what the class factory's creator makes for
// a control class, and what the COM object wraps.
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "frame/host.h"
#include "hosts/activex/com_dispatch.h"
#include "hosts/activex/win32_surface.h"

namespace vitrelle::activex {

using ControlFactory = std::unique_ptr<Control> (*)(Surface&);

class HostedControl : public Dispatch, public HasComIdentity {
 public:
  HostedControl(std::string_view class_name, ControlFactory make);
  ~HostedControl() override;
  HostedControl(const HostedControl&) = delete;
  HostedControl& operator=(const HostedControl&) = delete;

  Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override;
  bool IsA(std::string_view type_name) const override;
  IDispatch* ComIdentity() override { return identity_; }

  void SetIdentity(IDispatch* identity) { identity_ = identity; }
  Control& control() { return *control_; }
  Win32Surface& surface() { return surface_; }

 private:
  std::string_view class_name_;
  Win32Surface surface_;
  std::unique_ptr<Control> control_;
  IDispatch* identity_ = nullptr;  // the COM object that owns this one
};

}  // namespace vitrelle::activex
