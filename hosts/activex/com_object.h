// One COM object for every class of the library: IDispatch through the type
// library's information, class information, persistence and events. It wraps the
// core object the portable factory made; what a control needs beyond a plain
// object (a surface, a site, events) is there when the core object is a
// HostedControl.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <vector>

#include "frame/type_model.h"
#include "hosts/activex/com_util.h"
#include "hosts/activex/hosted_control.h"
#include "hosts/activex/win32_surface.h"

namespace vitrelle::activex {

class ConnectionPoint;

class ComObject final : public IDispatch,
                        public IProvideClassInfo2,
                        public IPersistStreamInit,
                        public IPersistPropertyBag,
                        public IConnectionPointContainer,
                        public SurfaceSite {
 public:
  ComObject(const ClassInfo& cls, DispatchPtr object);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* info, UINT* arg_error) override;

  // IProvideClassInfo2
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override;

  // IPersist, IPersistStreamInit, IPersistPropertyBag
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE IsDirty() override;
  HRESULT STDMETHODCALLTYPE Load(IStream* stream) override;
  HRESULT STDMETHODCALLTYPE Save(IStream* stream, BOOL clear_dirty) override;
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;
  HRESULT STDMETHODCALLTYPE InitNew() override;
  HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* log) override;
  HRESULT STDMETHODCALLTYPE Save(IPropertyBag* bag, BOOL clear_dirty, BOOL save_all) override;

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

  // SurfaceSite
  void FireEvent(std::string_view event, std::span<Variant> args) override;
  DispatchPtr ContainerExtender() override { return nullptr; }
  DispatchPtr ContainerForm() override { return nullptr; }
  bool HasContainer() override { return false; }
  std::optional<bool> AmbientUserMode() override { return std::nullopt; }
  std::optional<std::string> AmbientDisplayName() override { return std::nullopt; }
  FontPtr AmbientFont() override { return nullptr; }
  void OnPropertyChanged(std::string_view property) override;
  void OnVisibleChanged(bool) override {}

 private:
  ~ComObject();
  // A control used before any container initialised it (a script's CreateObject)
  // starts from its defaults, as one newly placed on a form.
  void EnsureInitialized();
  const Member* MemberById(DISPID id) const;

  ULONG refs_ = 1;
  const ClassInfo& class_;
  const Interface* interface_;
  const EventInterface* events_;
  DispatchPtr object_;
  HostedControl* hosted_;  // null for EnumClass
  bool initialized_ = false;
  bool dirty_ = false;
  ConnectionPoint* event_point_ = nullptr;  // owned (one reference)
};

}  // namespace vitrelle::activex
