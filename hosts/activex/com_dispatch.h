// The core's Dispatch over a COM IDispatch: extenders, forms, other controls reached
// by name at run time.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "frame/host.h"
#include "hosts/activex/com_util.h"

namespace vitrelle::activex {

class ComDispatch : public Dispatch {
 public:
  explicit ComDispatch(IDispatch* object) : object_(object) {}
  Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override;
  // A class or interface of the library: whether the object answers QueryInterface
  // for that interface. "Object": any object. Any other (the container's types):
  // whether the object's class or type information has that name, with or without
  // the leading underscore of a default interface.
  bool IsA(std::string_view type_name) const override;
  IDispatch* Get() const { return object_.get(); }

 private:
  ComPtr<IDispatch> object_;
};

// The IDispatch behind a core object reference, AddRef'ed: a wrapped COM object,
// one of this module's own objects (which hand out their COM identity), or else a
// late-bound wrapper of the core object. Null for Nothing.
IDispatch* PlatformDispatch(const DispatchPtr& object);

// Objects of this module that have a COM identity implement this to be handed
// back out through a VARIANT.
class HasComIdentity {
 public:
  virtual ~HasComIdentity() = default;
  virtual IDispatch* ComIdentity() = 0;  // not AddRef'ed
};

}  // namespace vitrelle::activex
