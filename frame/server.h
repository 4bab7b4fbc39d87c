// The in-process server's entry points, without the platform: what registration
// writes, which classes the factory hands out, and when the module may be unloaded.
// The ActiveX build wraps these in DllRegisterServer, DllUnregisterServer,
// DllGetClassObject and DllCanUnloadNow; the model host and the tests call them
// directly.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "frame/guid.h"
#include "frame/host.h"
#include "frame/registry.h"
#include "frame/type_model.h"

namespace vitrelle {

using HResult = int32_t;

namespace hr {
inline constexpr HResult kOk = 0;
inline constexpr HResult kFalse = 1;
inline constexpr HResult kFail = static_cast<HResult>(0x80004005);
inline constexpr HResult kUnexpected = static_cast<HResult>(0x8000FFFF);
inline constexpr HResult kOutOfMemory = static_cast<HResult>(0x8007000E);
inline constexpr HResult kInvalidArg = static_cast<HResult>(0x80070057);
inline constexpr HResult kClassNotAvailable = static_cast<HResult>(0x80040111);  // CLASS_E_CLASSNOTAVAILABLE
inline constexpr HResult kSelfRegClass = static_cast<HResult>(0x80040201);       // SELFREG_E_CLASS
}  // namespace hr

// ---------------------------------------------------------------------------
// Registration. Keys are relative to HKEY_CLASSES_ROOT.

// "CLSID\{...}" of a class.
std::string ClassKey(const ClassInfo& cls);

// Writes, for each class: CLSID\{clsid} (the description), its InprocServer32
// (the module path, ThreadingModel Apartment), ProgID, TypeLib and Version; for a
// control also Control, MiscStatus ("0") with MiscStatus\1 (the status bits in
// decimal) and ToolboxBitmap32 ("module_path, id"); and the ProgID key with its
// description and CLSID. Stale entries under those keys are cleared first. The
// type library itself is registered by the platform's own call, not here.
//
// The first form registers every class; the second the named ones only (a build
// registers just the classes it can create). An unknown name writes nothing and
// returns kInvalidArg. When the registry refuses a write, everything written for
// the named classes is removed again and the result is kSelfRegClass.
HResult RegisterServer(Registry& registry, std::string_view module_path);
HResult RegisterServer(Registry& registry, std::string_view module_path,
                       std::span<const std::string_view> class_names);

// Removes the CLSID key trees of the classes and their ProgID keys. A ProgID key
// that now names another CLSID belongs to someone else and stays. Keys outside
// these (the CLSID root, other classes) are never touched.
HResult UnregisterServer(Registry& registry);
HResult UnregisterServer(Registry& registry, std::span<const std::string_view> class_names);

// ---------------------------------------------------------------------------
// Class factory and unload bookkeeping.

// Makes a new object of one control class. The controls supply these; the module
// owns nothing of what they build except the count.
using ObjectCreator = std::function<DispatchPtr()>;

namespace detail {
struct ModuleState;
}

// The factory of one class, as DllGetClassObject hands it out.
class ClassFactory {
 public:
  const ClassInfo& Class() const { return *class_; }
  // kOk and a new object; kClassNotAvailable when the class's creator has been
  // withdrawn since; kFail or kOutOfMemory when the creator fails.
  HResult CreateInstance(DispatchPtr& object);
  HResult LockServer(bool lock);

 private:
  friend class ServerModule;
  ClassFactory(std::shared_ptr<detail::ModuleState> state, const ClassInfo& cls)
      : state_(std::move(state)), class_(&cls) {}

  std::shared_ptr<detail::ModuleState> state_;
  const ClassInfo* class_;
};

class ServerModule {
 public:
  ServerModule();

  // Makes a control class creatable through `creator` (a null creator withdraws
  // it). False for a name that is not one of the library's controls.
  bool SetCreator(std::string_view class_name, ObjectCreator creator);

  // EnumClass and every control that has a creator, in registration order: the
  // list to hand to RegisterServer.
  std::vector<std::string_view> AvailableClasses() const;

  // kClassNotAvailable for a CLSID that is not the library's or whose control
  // has no creator.
  HResult GetClassObject(const Guid& clsid, std::shared_ptr<ClassFactory>& factory) const;

  // Objects handed out are counted until their last reference goes.
  HResult CreateObject(const Guid& clsid, DispatchPtr& object);
  HResult CreateObject(std::string_view prog_id, DispatchPtr& object);

  // kUnexpected for an unlock without a lock.
  HResult LockServer(bool lock);

  // True only when no object is alive and no lock is held.
  bool CanUnloadNow() const;
  long ObjectCount() const;
  long LockCount() const;

 private:
  std::shared_ptr<detail::ModuleState> state_;
};

}  // namespace vitrelle
