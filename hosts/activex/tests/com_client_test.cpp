// A COM client of the registered server, run under Wine after regsvr32: what a
// container relies on beyond late binding. The class factory and the unload
// count, class information, persistence round trips through a property bag and a
// stream, events and property change notifications through the connection
// points, and error HRESULTs. Prints one line per failed check and
// "com_client: N passed, M failed".
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "frame/type_model.h"
#include "hosts/activex/com_dispatch.h"
#include "hosts/activex/com_util.h"
#include "hosts/activex/control_internals.h"

using namespace vitrelle;
using vitrelle::activex::ComPtr;
using vitrelle::activex::ToGuid;

namespace {

int passed = 0;
int failed = 0;

void Check(bool ok, const char* what) {
  if (ok) {
    ++passed;
  } else {
    ++failed;
    std::printf("com_client: FAILED: %s\n", what);
  }
}

// A property bag in memory, as a container keeps a text form's values.
class MemoryBag final : public IPropertyBag {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPropertyBag)) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
    auto it = values_.find(name);
    if (it == values_.end()) return E_INVALIDARG;
    VARTYPE wanted = V_VT(value);
    if (wanted == VT_EMPTY) return ::VariantCopy(value, &it->second);
    return ::VariantChangeType(value, &it->second, 0, wanted);
  }
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override {
    VARIANT copy;
    ::VariantInit(&copy);
    ::VariantCopy(&copy, value);
    values_[name] = copy;
    return S_OK;
  }
  bool Has(const wchar_t* name) const { return values_.count(name) != 0; }

 private:
  std::map<std::wstring, VARIANT> values_;
};

// An event sink that records what it was sent.
class Sink final : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    calls.push_back(id);
    arg_counts.push_back(params ? params->cArgs : 0);
    return S_OK;
  }
  std::vector<DISPID> calls;
  std::vector<UINT> arg_counts;
};

// A property change sink that records each DISPID with the name the control
// says it reported, read while the notification is on.
class NotifySink final : public IPropertyNotifySink {
 public:
  explicit NotifySink(IUnknown* control) {
    control->QueryInterface(vitrelle::activex::IID_IVitrelleControlInternals, reinterpret_cast<void**>(internals_.Put()));
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPropertyNotifySink)) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE OnChanged(DISPID id) override {
    BSTR name = nullptr;
    std::wstring text = L"<no name>";
    if (internals_ && internals_->GetChangedName(&name) == S_OK && name) text = name;
    ::SysFreeString(name);
    changes.emplace_back(id, text);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }
  bool Heard(DISPID id, const std::wstring& name) const {
    for (auto& [i, n] : changes) {
      if (i == id && n == name) return true;
    }
    return false;
  }
  std::vector<std::pair<DISPID, std::wstring>> changes;

 private:
  ComPtr<vitrelle::activex::IVitrelleControlInternals> internals_;
};

// FARPROC is a placeholder type; the detour through void* says so to the compiler.
template <class Fn>
Fn Export(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

DISPID IdOf(IDispatch* object, const wchar_t* name) {
  LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
  DISPID id = DISPID_UNKNOWN;
  object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  return id;
}

HRESULT Put(IDispatch* object, const wchar_t* name, VARIANT value, EXCEPINFO* info = nullptr) {
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{&value, &put, 1, 1};
  EXCEPINFO local{};
  HRESULT hr = object->Invoke(IdOf(object, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params,
                              nullptr, info ? info : &local, nullptr);
  return hr;
}

VARIANT Get(IDispatch* object, const wchar_t* name) {
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  VARIANT result;
  ::VariantInit(&result);
  object->Invoke(IdOf(object, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                 nullptr);
  return result;
}

VARIANT Text(const wchar_t* text) {
  VARIANT v;
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = ::SysAllocString(text);
  return v;
}

VARIANT Long(LONG n) {
  VARIANT v;
  V_VT(&v) = VT_I4;
  V_I4(&v) = n;
  return v;
}

std::wstring GetText(IDispatch* object, const wchar_t* name) {
  VARIANT v = Get(object, name);
  std::wstring text = V_VT(&v) == VT_BSTR && V_BSTR(&v) ? V_BSTR(&v) : L"<not a string>";
  ::VariantClear(&v);
  return text;
}

ComPtr<IDispatch> Create(const ClassInfo& cls) {
  ComPtr<IDispatch> object;
  GUID clsid = ToGuid(cls.clsid);
  ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(object.Put()));
  return object;
}

void TestFactoryAndUnload(HMODULE module) {
  using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();
  auto get_class_object = Export<GetClassObjectFn>(module, "DllGetClassObject");
  auto can_unload = Export<CanUnloadFn>(module, "DllCanUnloadNow");
  Check(get_class_object && can_unload, "the exports are found by their plain names");
  if (!get_class_object || !can_unload) return;

  IClassFactory* factory = nullptr;
  GUID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  Check(get_class_object(unknown, IID_IClassFactory, reinterpret_cast<void**>(&factory)) ==
            CLASS_E_CLASSNOTAVAILABLE,
        "an unknown CLSID has no factory");
  const ClassInfo* check = FindClass("GlazeCheck");
  Check(SUCCEEDED(get_class_object(ToGuid(check->clsid), IID_IClassFactory, reinterpret_cast<void**>(&factory))) &&
            factory,
        "GlazeCheck has a factory");
  if (!factory) return;
  factory->LockServer(TRUE);
  Check(can_unload() == S_FALSE, "a lock keeps the module");
  factory->LockServer(FALSE);
  Check(can_unload() == S_OK, "the module may go once the lock is released");

  IUnknown* outer = reinterpret_cast<IUnknown*>(factory);
  IUnknown* object = nullptr;
  Check(factory->CreateInstance(outer, IID_IUnknown, reinterpret_cast<void**>(&object)) == CLASS_E_NOAGGREGATION,
        "aggregation is refused");
  Check(SUCCEEDED(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object))) && object,
        "CreateInstance makes an object");
  Check(can_unload() == S_FALSE, "a live object keeps the module");
  if (object) object->Release();
  Check(can_unload() == S_OK, "the module may go once the object is released");
  factory->Release();
}

void TestClassInfo(const ClassInfo& cls) {
  ComPtr<IDispatch> object = Create(cls);
  ComPtr<IProvideClassInfo2> info;
  if (!object || FAILED(object->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(info.Put())))) {
    Check(false, "IProvideClassInfo2 is offered");
    return;
  }
  GUID source{};
  Check(SUCCEEDED(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source)) &&
            IsEqualGUID(source, ToGuid(FindEventInterface(cls.event_interface)->id)),
        "the default source is the event interface");
  ComPtr<ITypeInfo> class_info;
  BSTR name = nullptr;
  Check(SUCCEEDED(info->GetClassInfo(class_info.Put())) && class_info &&
            SUCCEEDED(class_info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr)) && name &&
            std::wstring(name) == activex::Widen(cls.name),
        "the class information names the class");
  ::SysFreeString(name);
  Check(IdOf(object.get(), L"CAPTION") == FindMember(cls.default_interface, "Caption")->dispid,
        "names resolve without regard to case to the type model's DISPIDs");
  // The About box starts programs and opens addresses: no control may tell a
  // browser that it is safe for untrusted scripts or data.
  static constexpr GUID kIidObjectSafety = {0xCB5BDC81, 0x93C1, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};
  ComPtr<IUnknown> safety;
  Check(object->QueryInterface(kIidObjectSafety, reinterpret_cast<void**>(safety.Put())) == E_NOINTERFACE && !safety,
        "no IObjectSafety claims safety");
}

void TestErrors(const ClassInfo& cls) {
  ComPtr<IDispatch> object = Create(cls);
  if (!object) return;
  EXCEPINFO info{};
  HRESULT hr = Put(object.get(), L"Appearance", Long(70000), &info);
  Check(hr == DISP_E_EXCEPTION && info.scode == static_cast<SCODE>(0x800A0006) && info.wCode == 0,
        "an overflow comes back as DISP_E_EXCEPTION with the control error 6");
  Check(info.bstrDescription && std::wstring(info.bstrDescription) == L"Overflow", "and the host's text");
  ::SysFreeString(info.bstrDescription);
  ::SysFreeString(info.bstrSource);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  Check(object->Invoke(0x12345, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr) ==
            DISP_E_MEMBERNOTFOUND,
        "an unknown DISPID is not found");
}

void TestPersistence(const ClassInfo& cls) {
  ComPtr<IDispatch> first = Create(cls);
  ComPtr<IPersistPropertyBag> bag_persist;
  if (!first || FAILED(first->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(bag_persist.Put())))) {
    Check(false, "IPersistPropertyBag is offered");
    return;
  }
  Check(SUCCEEDED(bag_persist->InitNew()), "InitNew");
  Check(bag_persist->InitNew() == E_UNEXPECTED, "a second InitNew is refused");
  Put(first.get(), L"Caption", Text(L"Saved caption"));
  MemoryBag bag;
  Check(SUCCEEDED(bag_persist->Save(&bag, TRUE, TRUE)), "Save into a property bag");
  Check(bag.Has(L"Caption"), "a changed caption is written");

  ComPtr<IDispatch> second = Create(cls);
  ComPtr<IPersistPropertyBag> second_persist;
  second->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(second_persist.Put()));
  Check(SUCCEEDED(second_persist->Load(&bag, nullptr)), "Load from the property bag");
  Check(GetText(second.get(), L"Caption") == L"Saved caption", "the caption comes back from the bag");

  ComPtr<IPersistStreamInit> stream_persist;
  second->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(stream_persist.Put()));
  ComPtr<IStream> stream;
  ::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put());
  Check(stream_persist && SUCCEEDED(stream_persist->Save(stream.get(), TRUE)), "Save into a stream");
  LARGE_INTEGER zero{};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  ComPtr<IDispatch> third = Create(cls);
  ComPtr<IPersistStreamInit> third_persist;
  third->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(third_persist.Put()));
  Check(SUCCEEDED(third_persist->Load(stream.get())), "Load from the stream");
  Check(GetText(third.get(), L"Caption") == L"Saved caption", "the caption comes back from the stream");
  ComPtr<IStream> junk;
  ::CreateStreamOnHGlobal(nullptr, TRUE, junk.Put());
  junk->Write("not a control", 13, nullptr);
  junk->Seek(zero, STREAM_SEEK_SET, nullptr);
  ComPtr<IDispatch> fourth = Create(cls);
  ComPtr<IPersistStreamInit> fourth_persist;
  fourth->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(fourth_persist.Put()));
  Check(FAILED(fourth_persist->Load(junk.get())), "a stream that is not ours is refused");
}

void TestEvents(const ClassInfo& cls) {
  ComPtr<IDispatch> object = Create(cls);
  ComPtr<IConnectionPointContainer> container;
  if (!object ||
      FAILED(object->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.Put())))) {
    Check(false, "IConnectionPointContainer is offered");
    return;
  }
  ComPtr<IConnectionPoint> point;
  Check(container->FindConnectionPoint(IID_IDispatch, point.Put()) == CONNECT_E_NOCONNECTION,
        "only the event interface has a connection point");
  const EventInterface* events = FindEventInterface(cls.event_interface);
  Check(SUCCEEDED(container->FindConnectionPoint(ToGuid(events->id), point.Put())) && point,
        "the event interface has a connection point");
  if (!point) return;
  Sink sink;
  DWORD cookie = 0;
  Check(SUCCEEDED(point->Advise(&sink, &cookie)) && cookie != 0, "Advise");
  Put(object.get(), L"value", Long(1));
  const DISPID click = FindEvent(*events, "Click")->dispid;
  Check(sink.calls.size() == 1 && sink.calls[0] == click && sink.arg_counts[0] == 0,
        "setting the value raises Click, without parameters");
  Put(object.get(), L"value", Long(1));
  Check(sink.calls.size() == 1, "setting the same value raises nothing");
  Check(SUCCEEDED(point->Unadvise(cookie)), "Unadvise");
  Check(point->Unadvise(cookie) == CONNECT_E_NOCONNECTION, "a cookie works once");
  Put(object.get(), L"value", Long(0));
  Check(sink.calls.size() == 1, "an unadvised sink hears nothing");
}

void TestPropertyNotify(const ClassInfo& cls) {
  ComPtr<IDispatch> object = Create(cls);
  ComPtr<IConnectionPointContainer> container;
  ComPtr<IConnectionPoint> point;
  if (!object ||
      FAILED(object->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.Put()))) ||
      FAILED(container->FindConnectionPoint(IID_IPropertyNotifySink, point.Put())) || !point) {
    Check(false, "IPropertyNotifySink has a connection point");
    return;
  }
  IID iid{};
  Check(SUCCEEDED(point->GetConnectionInterface(&iid)) && IsEqualIID(iid, IID_IPropertyNotifySink),
        "the change connection point names IPropertyNotifySink");
  // An event sink is no change sink: the point must not take an IDispatch instead.
  Sink events;
  DWORD wrong = 0;
  Check(point->Advise(&events, &wrong) == CONNECT_E_CANNOTCONNECT && wrong == 0,
        "a sink without IPropertyNotifySink is refused");
  NotifySink sink(object.get());
  DWORD cookie = 0;
  Check(SUCCEEDED(point->Advise(&sink, &cookie)) && cookie != 0, "Advise a change sink");
  Put(object.get(), L"Caption", Text(L"Changed"));
  Check(sink.Heard(FindMember(cls.default_interface, "Caption")->dispid, L"Caption"),
        "a new caption is reported with Caption's DISPID and name");
  // The type library spells the member "value"; the control reports "Value".
  sink.changes.clear();
  Put(object.get(), L"value", Long(1));
  Check(sink.Heard(FindMember(cls.default_interface, "Value")->dispid, L"Value"),
        "a new value is reported with the value member's DISPID, named as the control reported it");
  Check(SUCCEEDED(point->Unadvise(cookie)), "Unadvise the change sink");
  sink.changes.clear();
  Put(object.get(), L"Caption", Text(L"Again"));
  Check(sink.changes.empty(), "an unadvised change sink hears nothing");
}

// Where a container aims at a constituent part: the check box's caption label
// is windowless and follows the layout, the glyph has a window only once the
// control is active in place.
void TestPartPlaces(const ClassInfo& cls) {
  ComPtr<IDispatch> object = Create(cls);
  ComPtr<vitrelle::activex::IVitrelleControlInternals> internals;
  if (!object || FAILED(object->QueryInterface(vitrelle::activex::IID_IVitrelleControlInternals,
                                               reinterpret_cast<void**>(internals.Put())))) {
    Check(false, "the private interface is offered");
    return;
  }
  Put(object.get(), L"Caption", Text(L"A caption"));
  RECT left{};
  HWND window = reinterpret_cast<HWND>(1);
  Check(internals->GetPartRect(L"LBLCAPTION", &left, &window) == S_OK && left.right > left.left &&
            left.bottom > left.top && window == nullptr,
        "a part is found without regard to case; the windowless caption has an area and no window");
  RECT glyph{};
  Check(internals->GetPartRect(L"Check1", &glyph, &window) == S_OK && glyph.right > glyph.left && window == nullptr,
        "the glyph has an area, and no window before in-place activation");
  Check(glyph.right <= left.left, "the caption lies right of the glyph");
  Put(object.get(), L"Alignment", Long(1));
  RECT right{};
  Check(internals->GetPartRect(L"lblCaption", &right, &window) == S_OK && right.left < left.left,
        "the caption's place follows the layout when the alignment changes");
  RECT none{1, 1, 1, 1};
  Check(internals->GetPartRect(L"picGlyph", &none, &window) == E_INVALIDARG && none.right == 0,
        "a part the control does not have is refused");
}

// An object as a container hands one out: it names a type information of its
// choice, and answers QueryInterface for what `inner` answers (an extender that
// stands for its control), or only for IDispatch.
class StandIn final : public IDispatch {
 public:
  StandIn(ITypeInfo* info, IDispatch* inner) : info_(info), inner_(inner) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
      *out = static_cast<IDispatch*>(this);
      return S_OK;
    }
    if (inner_) return inner_->QueryInterface(iid, out);
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = info_ ? 1 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
    *out = info_.get();
    if (!*out) return E_NOTIMPL;
    info_->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

 private:
  ComPtr<ITypeInfo> info_;
  ComPtr<IDispatch> inner_;
};

ComPtr<ITypeInfo> RegisteredTypeInfo(const GUID& lib, WORD major, WORD minor, const GUID& type) {
  ComPtr<ITypeLib> library;
  ComPtr<ITypeInfo> info;
  if (SUCCEEDED(::LoadRegTypeLib(lib, major, minor, LOCALE_NEUTRAL, library.Put())) && library) {
    library->GetTypeInfoOfGuid(type, info.Put());
  }
  return info;
}

// A type test asks the object for the class's interface: neither the name of a
// type information nor its absence decides it.
void TestTypeTests(const ClassInfo& cls) {
  ComPtr<IDispatch> object = Create(cls);
  if (!object) {
    Check(false, "a control to test types of");
    return;
  }
  vitrelle::activex::ComDispatch control(object.get());
  Check(control.IsA("GlazeCheck") && control.IsA("glazecheck") && control.IsA("_GlazeCheck"),
        "a control is of its class and its default interface, without regard to case");
  Check(!control.IsA("GlazeSlider") && !control.IsA("GlazeFrame") && !control.IsA("_GlazeRadio"),
        "a control is of no other class of the library");
  Check(control.IsA("Object") && !control.IsA("Form"), "a control is an Object and not a form");

  const LibraryInfo& lib = Library();
  const Interface* frame = FindInterface("_GlazeFrame");
  ComPtr<ITypeInfo> frame_info =
      RegisteredTypeInfo(ToGuid(lib.id), lib.major_version, lib.minor_version, ToGuid(frame->id));
  Check(static_cast<bool>(frame_info), "the registered type library describes _GlazeFrame");
  StandIn named_frame(frame_info.get(), nullptr);
  Check(!vitrelle::activex::ComDispatch(&named_frame).IsA("GlazeFrame"),
        "an object that only names the frame's interface is not a frame");
  StandIn extender(nullptr, object.get());
  vitrelle::activex::ComDispatch stands_for(&extender);
  Check(stands_for.IsA("GlazeCheck") && !stands_for.IsA("GlazeSlider"),
        "an object without type information that answers for the control's interface is of its class");

  // The container's own types are known by name only.
  // stdole, version 2.0
  const GUID stdole{0x00020430, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  ComPtr<ITypeInfo> font_info = RegisteredTypeInfo(stdole, 2, 0, IID_IFontDisp);
  Check(static_cast<bool>(font_info), "the standard library describes its font");
  StandIn host_object(font_info.get(), nullptr);
  vitrelle::activex::ComDispatch host(&host_object);
  Check(host.IsA("Font") && !host.IsA("Form") && !host.IsA("GlazeCheck"),
        "a host object is of the type its type information names");
}

// What a designer's property sheet and object menu read: enumeration values with
// their display strings, the stock pages, the verbs and the user type.
void TestBrowsing(const ClassInfo& cls) {
  ComPtr<IDispatch> object = Create(cls);
  ComPtr<IPerPropertyBrowsing> browsing;
  if (!object || FAILED(object->QueryInterface(IID_IPerPropertyBrowsing, reinterpret_cast<void**>(browsing.Put())))) {
    Check(false, "IPerPropertyBrowsing is offered");
    return;
  }
  const DISPID appearance = FindMember(cls.default_interface, "Appearance")->dispid;
  CALPOLESTR strings{};
  CADWORD cookies{};
  std::vector<std::wstring> shown;
  std::vector<DWORD> keys;
  if (SUCCEEDED(browsing->GetPredefinedStrings(appearance, &strings, &cookies))) {
    for (ULONG i = 0; i < strings.cElems; ++i) {
      shown.emplace_back(strings.pElems[i]);
      ::CoTaskMemFree(strings.pElems[i]);
    }
    keys.assign(cookies.pElems, cookies.pElems + cookies.cElems);
    ::CoTaskMemFree(strings.pElems);
    ::CoTaskMemFree(cookies.pElems);
  }
  Check(shown == std::vector<std::wstring>{L"0 - Flat", L"1 - 3D"} && keys.size() == 2,
        "an enumeration property offers its members by value and exact name");
  VARIANT value;
  ::VariantInit(&value);
  Check(keys.size() == 2 && browsing->GetPredefinedValue(appearance, keys[1], &value) == S_OK && value.vt == VT_I4 &&
            value.lVal == 1,
        "a chosen string gives its value");
  Check(browsing->GetPredefinedValue(appearance, 7, &value) == E_INVALIDARG, "a cookie of no member is refused");
  Put(object.get(), L"Appearance", Long(1));
  BSTR text = nullptr;
  Check(browsing->GetDisplayString(appearance, &text) == S_OK && text && std::wstring(text) == L"1 - 3D",
        "the sheet shows the current value by its name");
  ::SysFreeString(text);
  text = nullptr;
  const DISPID caption = FindMember(cls.default_interface, "Caption")->dispid;
  Check(browsing->GetDisplayString(caption, &text) == E_NOTIMPL && !text &&
            browsing->GetPredefinedStrings(caption, &strings, &cookies) == E_NOTIMPL && strings.cElems == 0,
        "a text property has no predefined values");
  CLSID page{};
  Check(browsing->MapPropertyToPage(FindMember(cls.default_interface, "Font")->dispid, &page) == S_OK &&
            IsEqualCLSID(page, activex::kStockFontPage) &&
            browsing->MapPropertyToPage(FindMember(cls.default_interface, "BackColor")->dispid, &page) == S_OK &&
            IsEqualCLSID(page, activex::kStockColorPage) &&
            browsing->MapPropertyToPage(caption, &page) == PERPROP_E_NOPAGEAVAILABLE,
        "fonts and colours are edited on the stock pages");
  Check(browsing->GetDisplayString(0x12345, &text) == DISP_E_MEMBERNOTFOUND, "an unknown DISPID is refused");

  ComPtr<ISpecifyPropertyPages> specify;
  CAUUID pages{};
  Check(SUCCEEDED(object->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(specify.Put()))) &&
            specify->GetPages(&pages) == S_OK && pages.cElems == 3 &&
            IsEqualCLSID(pages.pElems[0], activex::kStockFontPage) && IsEqualCLSID(pages.pElems[1], activex::kStockColorPage) &&
            IsEqualCLSID(pages.pElems[2], activex::kStockPicturePage),
        "the control names the font, colour and picture pages");
  ::CoTaskMemFree(pages.pElems);

  ComPtr<IOleObject> ole;
  ComPtr<IEnumOLEVERB> verbs;
  OLEVERB verb[2]{};
  ULONG fetched = 0;
  Check(SUCCEEDED(object->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(ole.Put()))) &&
            ole->EnumVerbs(verbs.Put()) == S_OK && verbs->Next(2, verb, &fetched) == S_FALSE && fetched == 1 &&
            verb[0].lVerb == OLEIVERB_PROPERTIES && verb[0].lpszVerbName &&
            std::wstring(verb[0].lpszVerbName) == L"&Properties...",
        "the verbs are the properties verb");
  if (fetched == 1) ::CoTaskMemFree(verb[0].lpszVerbName);
  LPOLESTR user_type = nullptr;
  Check(ole && ole->GetUserType(USERCLASSTYPE_FULL, &user_type) == S_OK && user_type &&
            std::wstring(user_type) == activex::Widen(cls.description),
        "the user type is the class's name as the registry gives it");
  ::CoTaskMemFree(user_type);
}

// A container that activates in one call sees what the ordinary path gives: the
// same events, the same change notifications, the misc status it would have read.
void TestQuickActivation(const ClassInfo& cls) {
  struct Heard {
    std::vector<DISPID> events;
    std::vector<std::pair<DISPID, std::wstring>> changes;
  };
  auto drive = [&](bool quick, Heard& heard, DWORD& misc) {
    ComPtr<IDispatch> object = Create(cls);
    if (!object) return false;
    Sink events;
    NotifySink changes(object.get());
    if (quick) {
      ComPtr<IQuickActivate> qa;
      if (FAILED(object->QueryInterface(IID_IQuickActivate, reinterpret_cast<void**>(qa.Put())))) return false;
      QACONTAINER container{};
      container.cbSize = sizeof container;
      container.pUnkEventSink = &events;
      container.pPropertyNotifySink = &changes;
      container.dwAmbientFlags = QACONTAINER_USERMODE;
      QACONTROL control{};
      control.cbSize = sizeof control;
      if (qa->QuickActivate(&container, &control) != S_OK || control.dwEventCookie == 0 ||
          control.dwPropNotifyCookie == 0)
        return false;
      misc = control.dwMiscStatus;
      QACONTAINER short_container{};
      short_container.cbSize = 8;
      Check(qa->QuickActivate(&short_container, &control) == E_INVALIDARG, "a structure too short is refused");
    } else {
      ComPtr<IConnectionPointContainer> points;
      ComPtr<IConnectionPoint> point;
      ComPtr<IOleObject> ole;
      DWORD cookie = 0;
      if (FAILED(object->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(points.Put()))) ||
          FAILED(points->FindConnectionPoint(ToGuid(FindEventInterface(cls.event_interface)->id), point.Put())) ||
          FAILED(point->Advise(&events, &cookie)) ||
          FAILED(points->FindConnectionPoint(IID_IPropertyNotifySink, point.Put())) ||
          FAILED(point->Advise(&changes, &cookie)) ||
          FAILED(object->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(ole.Put()))) ||
          FAILED(ole->GetMiscStatus(DVASPECT_CONTENT, &misc)))
        return false;
    }
    Put(object.get(), L"value", Long(1));
    Put(object.get(), L"Caption", Text(L"Quick"));
    Put(object.get(), L"value", Long(0));
    heard.events = events.calls;
    heard.changes = changes.changes;
    return true;
  };
  Heard ordinary, quick;
  DWORD ordinary_misc = 0, quick_misc = 0;
  Check(drive(false, ordinary, ordinary_misc), "the ordinary activation path");
  Check(drive(true, quick, quick_misc), "IQuickActivate activates the control");
  Check(!ordinary.events.empty() && quick.events == ordinary.events, "quick activation hears the same events");
  Check(!ordinary.changes.empty() && quick.changes == ordinary.changes,
        "quick activation hears the same change notifications");
  Check(quick_misc == cls.misc_status && ordinary_misc == cls.misc_status, "the misc status is the registered one");
}

}  // namespace

int main() {
  if (FAILED(::OleInitialize(nullptr))) {
    std::printf("com_client: OleInitialize failed\n");
    return 1;
  }
  const ClassInfo* check = FindClass("GlazeCheck");
  {
    // Load the server through COM first, so that the module under test is the
    // registered one.
    ComPtr<IDispatch> probe = Create(*check);
    Check(static_cast<bool>(probe), "GlazeCheck is created through the registry");
  }
  HMODULE module = ::GetModuleHandleW(L"Vitrelle.ocx");
  Check(module != nullptr, "the registered module is loaded");
  if (module) TestFactoryAndUnload(module);
  TestClassInfo(*check);
  TestErrors(*check);
  TestPersistence(*check);
  TestEvents(*check);
  TestPropertyNotify(*check);
  TestPartPlaces(*check);
  TestTypeTests(*check);
  TestBrowsing(*check);
  TestQuickActivation(*check);
  ::OleUninitialize();
  std::printf("com_client: %d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
