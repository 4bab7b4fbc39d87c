#include "hosts/activex/com_object.h"

#include <algorithm>
#include <new>

#include "frame/members.h"
#include "frame/properties.h"
#include "hosts/activex/property_bags.h"

namespace vitrelle::activex {

// A connection point of the control: its event interface, and IPropertyNotifySink
// for containers that follow property changes. It lives inside the object and
// shares its reference count: a sink's container keeps the whole control alive,
// as a separate object would.
class ConnectionPoint final : public IConnectionPoint {
 public:
  // `fallback` is another interface a sink may answer instead of `iid` (IDispatch
  // for the event dispinterface), or null.
  ConnectionPoint(IConnectionPointContainer* owner, const GUID& iid, const IID* fallback)
      : owner_(owner), iid_(iid), fallback_(fallback) {}
  ~ConnectionPoint() {
    for (auto& [cookie, sink] : sinks_) sink->Release();
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
      *out = static_cast<IConnectionPoint*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return owner_->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return owner_->Release(); }

  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
    if (!iid) return E_POINTER;
    *iid = iid_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override {
    if (!out) return E_POINTER;
    *out = owner_;
    owner_->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    // The pointer kept is the one QueryInterface gave for the connection's
    // interface, so it can be called through that interface's vtable.
    IUnknown* held = nullptr;
    if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(&held))) &&
        (!fallback_ || FAILED(sink->QueryInterface(*fallback_, reinterpret_cast<void**>(&held))))) {
      return CONNECT_E_CANNOTCONNECT;
    }
    *cookie = ++last_cookie_;
    sinks_.emplace_back(*cookie, held);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
      if (it->first == cookie) {
        IUnknown* sink = it->second;
        sinks_.erase(it);
        sink->Release();
        return S_OK;
      }
    }
    return CONNECT_E_NOCONNECTION;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

  // A snapshot, AddRef'ed: a handler may unadvise while the notification runs.
  // `Sink` is the connection's interface (or its fallback, which for the event
  // point is IDispatch, the interface the event dispinterface's vtable is).
  template <class Sink>
  std::vector<Sink*> Sinks() const {
    std::vector<Sink*> out;
    for (auto& [cookie, sink] : sinks_) {
      sink->AddRef();
      out.push_back(static_cast<Sink*>(sink));
    }
    return out;
  }

 private:
  IConnectionPointContainer* owner_;
  GUID iid_;
  const IID* fallback_;
  std::vector<std::pair<DWORD, IUnknown*>> sinks_;
  DWORD last_cookie_ = 0;
};

ComObject::ComObject(const ClassInfo& cls, DispatchPtr object)
    : class_(cls),
      interface_(FindInterface(cls.default_interface)),
      events_(cls.event_interface.empty() ? nullptr : FindEventInterface(cls.event_interface)),
      object_(std::move(object)),
      hosted_(dynamic_cast<HostedControl*>(object_.get())) {
  if (events_) event_point_ = new ConnectionPoint(this, ToGuid(events_->id), &IID_IDispatch);
  if (hosted_) {
    notify_point_ = new ConnectionPoint(this, IID_IPropertyNotifySink, nullptr);
    hosted_->SetIdentity(static_cast<IDispatch*>(this));
    hosted_->surface().Attach(&hosted_->control(), this);
  }
}

ComObject::~ComObject() {
  if (hosted_) {
    hosted_->surface().Attach(&hosted_->control(), nullptr);
    hosted_->SetIdentity(nullptr);
  }
  delete event_point_;
  delete notify_point_;
}

HRESULT ComObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
      (interface_ && IsEqualIID(iid, ToGuid(interface_->id)))) {
    // The dual interface's vtable is IDispatch's: its members are reached by DISPID.
    *out = static_cast<IDispatch*>(this);
  } else if (hosted_ && IsEqualIID(iid, IID_IOleObject)) {
    *out = static_cast<IOleObject*>(this);
  } else if (hosted_ && (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceObject))) {
    *out = static_cast<IOleInPlaceObject*>(this);
  } else if (hosted_ && IsEqualIID(iid, IID_IOleInPlaceActiveObject)) {
    *out = static_cast<IOleInPlaceActiveObject*>(this);
  } else if (hosted_ && IsEqualIID(iid, IID_IOleControl)) {
    *out = static_cast<IOleControl*>(this);
  } else if (hosted_ && (IsEqualIID(iid, IID_IViewObject) || IsEqualIID(iid, IID_IViewObject2))) {
    *out = static_cast<IViewObject2*>(this);
  } else if (IsEqualIID(iid, IID_IProvideClassInfo) || IsEqualIID(iid, IID_IProvideClassInfo2)) {
    *out = static_cast<IProvideClassInfo2*>(this);
  } else if (hosted_ && (IsEqualIID(iid, IID_IPersist) || IsEqualIID(iid, IID_IPersistStreamInit))) {
    *out = static_cast<IPersistStreamInit*>(this);
  } else if (hosted_ && IsEqualIID(iid, IID_IPersistPropertyBag)) {
    *out = static_cast<IPersistPropertyBag*>(this);
  } else if ((event_point_ || notify_point_) && IsEqualIID(iid, IID_IConnectionPointContainer)) {
    *out = static_cast<IConnectionPointContainer*>(this);
  } else if (hosted_ && IsEqualIID(iid, IID_IPerPropertyBrowsing)) {
    *out = static_cast<IPerPropertyBrowsing*>(this);
  } else if (hosted_ && IsEqualIID(iid, IID_ISpecifyPropertyPages)) {
    *out = static_cast<ISpecifyPropertyPages*>(this);
  } else if (hosted_ && IsEqualIID(iid, IID_IQuickActivate)) {
    *out = static_cast<IQuickActivate*>(this);
  } else if (hosted_ && IsEqualIID(iid, IID_IVitrelleControlInternals)) {
    *out = static_cast<IVitrelleControlInternals*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG ComObject::AddRef() { return ++refs_; }

ULONG ComObject::Release() {
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

// ---------------------------------------------------------------------------
// IDispatch

HRESULT ComObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT ComObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  if (!interface_) return E_UNEXPECTED;
  return GetModuleTypeInfo(interface_->id, info);
}

HRESULT ComObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  ComPtr<ITypeInfo> info;
  HRESULT hr = GetTypeInfo(0, 0, info.Put());
  if (FAILED(hr)) return hr;
  return ::DispGetIDsOfNames(info.get(), names, count, ids);
}

const Member* ComObject::MemberById(DISPID id) const {
  if (!interface_) return nullptr;
  for (const Member& m : interface_->members) {
    if (m.dispid == id) return &m;
  }
  return nullptr;
}

namespace {

// The core returns the narrowest value it has; a client reads the type the
// library declares (an enumeration as a Long, an Integer as an Integer).
Variant AsDeclared(const Variant& value, const TypeRef& type) {
  if (value.IsEmpty()) return value;
  switch (type.kind) {
    case ValueType::kInteger: return Variant::Integer(value.ToInteger());
    case ValueType::kLong:
    case ValueType::kOleColor:
    case ValueType::kEnum:
    case ValueType::kMousePointer:
    case ValueType::kAlignment: return Variant::Long(value.ToLong());
    case ValueType::kSingle: return Variant::Single(value.ToSingle());
    case ValueType::kBoolean: return Variant::Boolean(value.ToBoolean());
    case ValueType::kString: return Variant::String(value.ToString());
    default: return value;
  }
}

}  // namespace

HRESULT ComObject::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* info, UINT* arg_error) {
  // The interface argument is reserved: a caller that names one expects something
  // this object does not know.
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (HRESULT bad = CheckDispParams(params); FAILED(bad)) return bad;
  const Member* member = MemberById(id);
  if (!member) return DISP_E_MEMBERNOTFOUND;
  const bool is_property = member->kind != MemberKind::kMethod;
  InvokeKind kind;
  if (flags & DISPATCH_PROPERTYPUTREF) {
    kind = InvokeKind::kSet;
  } else if (flags & DISPATCH_PROPERTYPUT) {
    // A script's plain assignment of an object to an object property comes as a
    // put; the core's setter takes either.
    kind = member->kind == MemberKind::kGetSet ? InvokeKind::kSet : InvokeKind::kLet;
  } else if ((flags & DISPATCH_PROPERTYGET) && is_property) {
    kind = InvokeKind::kGet;
  } else if (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) {
    kind = InvokeKind::kCall;
  } else {
    return E_INVALIDARG;
  }
  if (kind == InvokeKind::kLet || kind == InvokeKind::kSet) {
    if (params->cArgs < 1) return DISP_E_BADPARAMCOUNT;
    if (params->cNamedArgs != 1 || !params->rgdispidNamedArgs || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
      return DISP_E_PARAMNOTOPTIONAL;
    }
  } else if (params->cNamedArgs != 0) {
    return DISP_E_NONAMEDARGS;
  }
  try {
    EnsureInitialized();
    // rgvarg holds the arguments last first; the put value (the named argument)
    // is rgvarg[0] and goes last.
    std::vector<Variant> args;
    args.reserve(params->cArgs);
    for (UINT i = params->cArgs; i > 0; --i) {
      UINT slot = i - 1;
      if (kind == InvokeKind::kLet || kind == InvokeKind::kSet) slot = (i == params->cArgs) ? 0 : i;
      try {
        args.push_back(FromVariant(params->rgvarg[slot]));
      } catch (const RuntimeError&) {
        if (arg_error) *arg_error = slot;
        return DISP_E_TYPEMISMATCH;
      }
    }
    if (kind == InvokeKind::kLet || kind == InvokeKind::kSet) {
      // The loop above put the value first; the core wants it last.
      std::rotate(args.begin(), args.begin() + 1, args.end());
    }
    Variant value = object_->Invoke(member->name, kind, args);
    if (result && (kind == InvokeKind::kGet || kind == InvokeKind::kCall)) {
      ToVariant(AsDeclared(value, member->type), result);
    }
    return S_OK;
  } catch (const RuntimeError& error) {
    return FillException(error, info);
  } catch (const std::bad_alloc&) {
    return FillException(RuntimeError(err::kOutOfMemory), info);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

void ComObject::EnsureInitialized() {
  if (initialized_ || !hosted_) return;
  initialized_ = true;
  hosted_->control().InitProperties();
}

// ---------------------------------------------------------------------------
// IProvideClassInfo2

HRESULT ComObject::GetClassInfo(ITypeInfo** info) {
  if (!info) return E_POINTER;
  return GetModuleTypeInfo(class_.clsid, info);
}

HRESULT ComObject::GetGUID(DWORD kind, GUID* guid) {
  if (!guid) return E_POINTER;
  *guid = GUID_NULL;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
  if (!events_) return E_UNEXPECTED;
  *guid = ToGuid(events_->id);
  return S_OK;
}

// ---------------------------------------------------------------------------
// Persistence

HRESULT ComObject::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = ToGuid(class_.clsid);
  return S_OK;
}

HRESULT ComObject::IsDirty() { return dirty_ ? S_OK : S_FALSE; }

HRESULT ComObject::InitNew() {
  if (!hosted_) return E_UNEXPECTED;
  if (initialized_) return E_UNEXPECTED;
  initialized_ = true;
  try {
    hosted_->control().InitProperties();
    // A container that starts a new control at run time has no saved form to load
    // it from; it gets the control as a form would load what it just saved, so the
    // parts show its properties and it follows its form.
    if (hosted_->surface().AmbientUserMode()) {
      StreamPropertyBag bag;
      hosted_->control().WriteProperties(bag);
      hosted_->control().ReadProperties(bag);
    }
    ResizeAfterLoad();
    return S_OK;
  } catch (const RuntimeError& error) {
    return ErrorHResult(error.number());
  }
}

// An extent the container gave before the properties were loaded reaches the
// control now, as a form's Resize follows its controls' ReadProperties.
void ComObject::ResizeAfterLoad() {
  if (!extent_before_load_) return;
  extent_before_load_ = false;
  hosted_->control().Resize();
}

HRESULT ComObject::Load(IStream* stream) {
  if (!stream) return E_POINTER;
  if (!hosted_ || initialized_) return E_UNEXPECTED;
  StreamPropertyBag bag;
  HRESULT hr = bag.LoadFrom(stream);
  if (FAILED(hr)) return hr;
  initialized_ = true;
  try {
    hosted_->control().ReadProperties(bag);
    ResizeAfterLoad();
    return S_OK;
  } catch (const RuntimeError& error) {
    return ErrorHResult(error.number());
  }
}

HRESULT ComObject::Save(IStream* stream, BOOL clear_dirty) {
  if (!stream) return E_POINTER;
  if (!hosted_) return E_UNEXPECTED;
  StreamPropertyBag bag;
  try {
    EnsureInitialized();
    hosted_->control().WriteProperties(bag);
  } catch (const RuntimeError& error) {
    return ErrorHResult(error.number());
  }
  HRESULT hr = bag.SaveTo(stream);
  if (SUCCEEDED(hr) && clear_dirty) dirty_ = false;
  return hr;
}

HRESULT ComObject::GetSizeMax(ULARGE_INTEGER*) { return E_NOTIMPL; }

HRESULT ComObject::Load(IPropertyBag* bag, IErrorLog* log) {
  if (!bag) return E_POINTER;
  if (!hosted_ || initialized_) return E_UNEXPECTED;
  initialized_ = true;
  ComPropertyBag adapter(bag, log);
  try {
    hosted_->control().ReadProperties(adapter);
    ResizeAfterLoad();
    return S_OK;
  } catch (const RuntimeError& error) {
    return ErrorHResult(error.number());
  }
}

HRESULT ComObject::Save(IPropertyBag* bag, BOOL clear_dirty, BOOL) {
  if (!bag) return E_POINTER;
  if (!hosted_) return E_UNEXPECTED;
  ComPropertyBag adapter(bag, nullptr);
  try {
    EnsureInitialized();
    hosted_->control().WriteProperties(adapter);
  } catch (const RuntimeError& error) {
    return ErrorHResult(error.number());
  }
  if (clear_dirty) dirty_ = false;
  return S_OK;
}

void ComObject::OnPropertyChanged(std::string_view property) {
  dirty_ = true;
  if (!notify_point_) return;
  // A control reports each change under the name its declaration gives ("Value"
  // for value); the declaration names the member, and the type model its DISPID.
  // A name no declaration reports is a change of no one member, as OLE spells it.
  const Declaration* declared =
      hosted_ ? DeclarationOfChange(hosted_->control().Declarations(), property) : nullptr;
  const Member* member = interface_ && declared ? FindMember(*interface_, declared->name) : nullptr;
  const DISPID id = member ? member->dispid : DISPID_UNKNOWN;
  AddRef();
  for (IPropertyNotifySink* sink : notify_point_->Sinks<IPropertyNotifySink>()) {
    // Set again for each sink: one sink's OnChanged may lead to another change.
    last_changed_.assign(property);
    sink->OnChanged(id);
    sink->Release();
  }
  last_changed_.assign(property);
  Release();
}

HRESULT ComObject::GetChangedName(BSTR* name) {
  if (!name) return E_POINTER;
  *name = ToBstr(last_changed_);
  if (!*name) return E_OUTOFMEMORY;
  return last_changed_.empty() ? S_FALSE : S_OK;
}

HRESULT ComObject::GetPartRect(LPCOLESTR name, RECT* pixels, HWND* window) {
  if (!name || !pixels || !window) return E_POINTER;
  *pixels = RECT{};
  *window = nullptr;
  if (!hosted_) return E_UNEXPECTED;
  return hosted_->surface().FindPartPlace(Narrow(name), pixels, window) ? S_OK : E_INVALIDARG;
}

// ---------------------------------------------------------------------------
// Events

HRESULT ComObject::EnumConnectionPoints(IEnumConnectionPoints**) { return E_NOTIMPL; }

HRESULT ComObject::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ConnectionPoint* point = nullptr;
  if (event_point_ && IsEqualIID(iid, ToGuid(events_->id))) point = event_point_;
  if (notify_point_ && IsEqualIID(iid, IID_IPropertyNotifySink)) point = notify_point_;
  if (!point) return CONNECT_E_NOCONNECTION;
  *out = point;
  point->AddRef();
  return S_OK;
}

void ComObject::FireEvent(std::string_view name, std::span<Variant> args) {
  if (!event_point_ || freeze_count_ > 0) return;
  const Event* event = FindEvent(*events_, name);
  if (!event) return;
  // The object must outlive a handler that drops the last outside reference.
  AddRef();
  // By-reference parameters go out as VARIANT references to our own slots, so a
  // handler's change can be read back.
  const size_t n = args.size();
  std::vector<VARIANT> values(n);
  std::vector<VARIANT> slots(n);
  for (size_t i = 0; i < n; ++i) {
    ToVariant(args[i], &values[i]);
    VARIANT& slot = slots[n - 1 - i];
    ::VariantInit(&slot);
    const bool by_ref = i < event->params.size() && event->params[i].by_ref;
    if (by_ref) {
      V_VT(&slot) = VT_VARIANT | VT_BYREF;
      V_VARIANTREF(&slot) = &values[i];
    } else {
      ::VariantCopy(&slot, &values[i]);
    }
  }
  DISPPARAMS params{slots.data(), nullptr, static_cast<UINT>(n), 0};
  for (IDispatch* sink : event_point_->Sinks<IDispatch>()) {
    VARIANT result;
    ::VariantInit(&result);
    EXCEPINFO info{};
    UINT arg_error = 0;
    sink->Invoke(event->dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, &info, &arg_error);
    ::VariantClear(&result);
    ::SysFreeString(info.bstrSource);
    ::SysFreeString(info.bstrDescription);
    ::SysFreeString(info.bstrHelpFile);
    sink->Release();
  }
  for (size_t i = 0; i < n; ++i) {
    const bool by_ref = i < event->params.size() && event->params[i].by_ref;
    if (by_ref) {
      try {
        Variant changed = FromVariant(values[i]);
        args[i] = AsDeclared(changed, event->params[i].type);
      } catch (const RuntimeError&) {
        // A handler that stored something the parameter cannot hold changes nothing.
      }
    } else {
      ::VariantClear(&slots[n - 1 - i]);
    }
    ::VariantClear(&values[i]);
  }
  Release();
}

}  // namespace vitrelle::activex
