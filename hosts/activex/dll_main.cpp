// The server's four exports and its class factory, over the portable bookkeeping of
// frame/server.h: which classes exist, what registration writes, when the module
// may go.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <new>

#include "controls/library.h"
#include "frame/server.h"
#include "hosts/activex/com_object.h"
#include "hosts/activex/com_util.h"
#include "hosts/activex/hosted_control.h"
#include "hosts/activex/win32_registry.h"

namespace vitrelle::activex {
namespace {

ServerModule& Module() {
  static ServerModule* module = [] {
    auto* m = new ServerModule();
    // Registration and the class factory offer exactly the library's controls (and
    // EnumClass).
    for (const LibraryControl& control : LibraryControls()) {
      const std::string_view name = control.name;
      const auto make = control.make;
      m->SetCreator(name, [name, make]() -> DispatchPtr { return std::make_shared<HostedControl>(name, make); });
    }
    return m;
  }();
  return *module;
}

class Factory final : public IClassFactory {
 public:
  explicit Factory(std::shared_ptr<ClassFactory> factory) : factory_(std::move(factory)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    DispatchPtr object;
    HRESULT hr = factory_->CreateInstance(object);
    if (FAILED(hr)) return hr;
    ComObject* com = nullptr;
    try {
      com = new ComObject(factory_->Class(), std::move(object));
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
    hr = com->QueryInterface(iid, out);
    com->Release();  // the constructor's reference
    return hr;
  }

  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override { return factory_->LockServer(lock != FALSE); }

 private:
  std::shared_ptr<ClassFactory> factory_;
  ULONG refs_ = 1;
};

std::string ModulePathUtf8() { return Narrow(ModulePath()); }

SYSKIND ThisSysKind() { return sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32; }

}  // namespace
}  // namespace vitrelle::activex

using namespace vitrelle;
using namespace vitrelle::activex;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    SetModuleInstance(instance);
    ::DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  std::shared_ptr<ClassFactory> factory;
  HRESULT hr = Module().GetClassObject(FromGuid(clsid), factory);
  if (FAILED(hr)) return hr;
  auto* com = new (std::nothrow) Factory(std::move(factory));
  if (!com) return E_OUTOFMEMORY;
  hr = com->QueryInterface(iid, out);
  com->Release();
  return hr;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return Module().CanUnloadNow() && ModuleObject::Alive() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  try {
    Win32Registry registry;
    const auto classes = Module().AvailableClasses();
    HRESULT hr = RegisterServer(registry, ModulePathUtf8(), classes);
    if (FAILED(hr)) return hr;
    // The type library comes from the module's own resource; registering it lets
    // containers and object browsers find it by its LIBID.
    ITypeLib* library = nullptr;
    const std::wstring path = ModulePath();
    hr = ::LoadTypeLibEx(path.c_str(), REGKIND_REGISTER, &library);
    if (library) library->Release();
    if (FAILED(hr)) {
      UnregisterServer(registry, classes);
      return SELFREG_E_TYPELIB;
    }
    return S_OK;
  } catch (...) {
    return SELFREG_E_CLASS;
  }
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  try {
    Win32Registry registry;
    const auto classes = Module().AvailableClasses();
    HRESULT hr = UnregisterServer(registry, classes);
    const LibraryInfo& lib = Library();
    const GUID libid = ToGuid(lib.id);
    HRESULT tl = ::UnRegisterTypeLib(libid, lib.major_version, lib.minor_version, lib.lcid, ThisSysKind());
    // A library that was never registered is already gone.
    if (FAILED(tl) && tl != TYPE_E_REGISTRYACCESS && tl != TYPE_E_CANTLOADLIBRARY) {
      if (SUCCEEDED(hr)) hr = SELFREG_E_TYPELIB;
    }
    return hr;
  } catch (...) {
    return SELFREG_E_CLASS;
  }
}
