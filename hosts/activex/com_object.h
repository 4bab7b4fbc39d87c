// One COM object for every class of the library: IDispatch through the type
// library's information, class information, persistence and events. It wraps the
// core object the portable factory made; what a control needs beyond a plain
// object (a surface, a site, events) is there when the core object is a
// HostedControl.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <optional>
#include <string>
#include <vector>

#include "frame/type_model.h"
#include "hosts/activex/com_util.h"
#include "hosts/activex/control_internals.h"
#include "hosts/activex/hosted_control.h"
#include "hosts/activex/win32_surface.h"

namespace vitrelle::activex {

class ConnectionPoint;

class ComObject final : public IDispatch,
                        public IOleObject,
                        public IOleInPlaceObject,
                        public IOleInPlaceActiveObject,
                        public IOleControl,
                        public IViewObject2,
                        public IProvideClassInfo2,
                        public IPersistStreamInit,
                        public IPersistPropertyBag,
                        public IConnectionPointContainer,
                        public IPerPropertyBrowsing,
                        public ISpecifyPropertyPages,
                        public IQuickActivate,
                        public IVitrelleControlInternals,
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

  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR app, LPCOLESTR object) override;
  HRESULT STDMETHODCALLTYPE Close(DWORD save_option) override;
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD which, IMoniker* moniker) override;
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD reserved, IDataObject** data) override;
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent,
                                   LPCRECT rect) override;
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) override;
  HRESULT STDMETHODCALLTYPE Update() override;
  HRESULT STDMETHODCALLTYPE IsUpToDate() override;
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* type) override;
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* connection) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) override;
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advise) override;
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE* palette) override;

  // IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* hwnd) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) override;
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE UIDeactivate() override;
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT pos, LPCRECT clip) override;
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg) override;
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL activate) override;
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL activate) override;
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) override;
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;

  // IOleControl
  HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) override;
  HRESULT STDMETHODCALLTYPE OnMnemonic(MSG* msg) override;
  HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID id) override;
  HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) override;

  // IViewObject2
  HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG index, void* aspect_info, DVTARGETDEVICE* device, HDC target_dc,
                                 HDC dc, LPCRECTL bounds, LPCRECTL window_bounds,
                                 BOOL(STDMETHODCALLTYPE* keep_going)(ULONG_PTR), ULONG_PTR keep_going_arg) override;
  HRESULT STDMETHODCALLTYPE GetColorSet(DWORD aspect, LONG index, void* aspect_info, DVTARGETDEVICE* device,
                                        HDC target_dc, LOGPALETTE** colors) override;
  HRESULT STDMETHODCALLTYPE Freeze(DWORD aspect, LONG index, void* aspect_info, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unfreeze(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, LPSIZEL size) override;

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

  // IPerPropertyBrowsing, ISpecifyPropertyPages: what a property sheet offers
  HRESULT STDMETHODCALLTYPE GetDisplayString(DISPID id, BSTR* text) override;
  HRESULT STDMETHODCALLTYPE MapPropertyToPage(DISPID id, CLSID* page) override;
  HRESULT STDMETHODCALLTYPE GetPredefinedStrings(DISPID id, CALPOLESTR* strings, CADWORD* cookies) override;
  HRESULT STDMETHODCALLTYPE GetPredefinedValue(DISPID id, DWORD cookie, VARIANT* value) override;
  HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;

  // IQuickActivate: the site, the sinks and the ambients in one call
  HRESULT STDMETHODCALLTYPE QuickActivate(QACONTAINER* container, QACONTROL* control) override;
  HRESULT STDMETHODCALLTYPE SetContentExtent(LPSIZEL size) override;
  HRESULT STDMETHODCALLTYPE GetContentExtent(LPSIZEL size) override;

  // IVitrelleControlInternals
  HRESULT STDMETHODCALLTYPE GetChangedName(BSTR* name) override;
  HRESULT STDMETHODCALLTYPE GetPartRect(LPCOLESTR name, RECT* pixels, HWND* window) override;

  // SurfaceSite
  void FireEvent(std::string_view event, std::span<Variant> args) override;
  DispatchPtr ContainerExtender() override;
  DispatchPtr ContainerForm() override;
  bool HasContainer() override { return static_cast<bool>(client_site_); }
  std::optional<bool> AmbientUserMode() override;
  std::optional<std::string> AmbientDisplayName() override;
  FontPtr AmbientFont() override;
  void OnPropertyChanged(std::string_view property) override;
  void OnVisibleChanged(bool) override {}
  void OnSizeChangedByControl() override;
  IAccessible* NewAccessible(HWND window) override;

 private:
  ~ComObject();
  // A control used before any container initialised it (a script's CreateObject)
  // starts from its defaults, as one newly placed on a form.
  void EnsureInitialized();
  void ResizeAfterLoad();
  const Member* MemberById(DISPID id) const;
  // An ambient property read through the site's IDispatch; false when the
  // container does not answer it.
  bool ReadAmbient(DISPID id, VARIANT* value);
  HRESULT ActivateInPlace(IOleClientSite* site, LPCRECT rect, bool ui_activate);
  // The platform's property frame over the stock pages the members need (modal).
  HRESULT ShowPropertyPages(HWND parent);
  // The window the container puts us in, active or not (null without a site).
  HWND SiteWindow();
  RECT PixelExtent() const;
  // Gives the control the size of the container's rectangle; returns the
  // rectangle the control ends up with.
  RECT TakeRect(const RECT& pos);

  ULONG refs_ = 1;
  const ClassInfo& class_;
  const Interface* interface_;
  const EventInterface* events_;
  DispatchPtr object_;
  HostedControl* hosted_;  // null for EnumClass
  bool initialized_ = false;
  bool extent_before_load_ = false;  // the control is to hear of it once loaded
  bool dirty_ = false;
  ConnectionPoint* event_point_ = nullptr;   // owned (one reference)
  ConnectionPoint* notify_point_ = nullptr;  // IPropertyNotifySink; controls only
  std::string last_changed_;                 // the latest PropertyChanged name

  // Embedding state.
  ComPtr<IOleClientSite> client_site_;
  ComPtr<IOleInPlaceSite> in_place_site_;  // while active in place
  ComPtr<IOleInPlaceFrame> frame_;         // while UI active
  ComPtr<IOleInPlaceUIWindow> doc_window_;
  ComPtr<IOleAdviseHolder> advise_holder_;
  ComPtr<IAdviseSink> view_sink_;
  DWORD view_aspects_ = 0;
  DWORD view_flags_ = 0;
  DispatchPtr container_extender_;  // the container's, cached per site
  bool extender_asked_ = false;
  bool ui_active_ = false;
  bool telling_position_ = false;
  RECT pos_rect_{};  // in the container window's client pixels
  SIZEL extent_himetric_{0, 0};
  int freeze_count_ = 0;
  // Ambients handed over by QuickActivate, used until the container says one
  // changed; the site answers the rest.
  std::optional<bool> quick_user_mode_;
  ComPtr<IFont> quick_font_;
};

}  // namespace vitrelle::activex
