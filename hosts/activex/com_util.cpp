#include "hosts/activex/com_util.h"

#include <algorithm>
#include <array>
#include <atomic>

#include <olectl.h>

#include <new>

#include "frame/members.h"
#include "frame/type_model.h"
#include "hosts/activex/com_dispatch.h"
#include "hosts/activex/ole_objects.h"

namespace vitrelle::activex {
namespace {

HINSTANCE module_instance = nullptr;
// DllCanUnloadNow may ask from any thread.
std::atomic<long> module_objects{0};

}  // namespace

ModuleObject::ModuleObject() { ++module_objects; }
ModuleObject::~ModuleObject() { --module_objects; }
long ModuleObject::Alive() { return module_objects; }

HINSTANCE ModuleInstance() { return module_instance; }
void SetModuleInstance(HINSTANCE instance) { module_instance = instance; }

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = ::GetModuleFileNameW(module_instance, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Narrow(const wchar_t* text, size_t length) {
  if (!text || length == 0) return {};
  int n = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
  return out;
}

std::string Narrow(std::wstring_view text) { return Narrow(text.data(), text.size()); }

std::string FromBstr(BSTR text) { return text ? Narrow(text, ::SysStringLen(text)) : std::string(); }

BSTR ToBstr(std::string_view utf8) {
  std::wstring wide = Widen(utf8);
  return ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

GUID ToGuid(const Guid& g) {
  GUID out;
  out.Data1 = g.data1;
  out.Data2 = g.data2;
  out.Data3 = g.data3;
  for (int i = 0; i < 8; ++i) out.Data4[i] = g.data4[i];
  return out;
}

Guid FromGuid(const GUID& g) {
  Guid out;
  out.data1 = g.Data1;
  out.data2 = g.Data2;
  out.data3 = g.Data3;
  for (int i = 0; i < 8; ++i) out.data4[i] = g.Data4[i];
  return out;
}

ITypeLib* ModuleTypeLib(HRESULT* hr) {
  // Loaded once and kept for the life of the process: every object's IDispatch
  // reads it, and a registry round trip per object would be wasted.
  static ITypeLib* library = nullptr;
  static HRESULT load_result = E_FAIL;
  if (!library) {
    std::wstring path = ModulePath();
    load_result = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
    if (FAILED(load_result)) library = nullptr;
  }
  if (hr) *hr = library ? S_OK : load_result;
  return library;
}

HRESULT GetModuleTypeInfo(const Guid& id, ITypeInfo** info) {
  *info = nullptr;
  HRESULT hr = S_OK;
  ITypeLib* library = ModuleTypeLib(&hr);
  if (!library) return hr;
  GUID guid = ToGuid(id);
  return library->GetTypeInfoOfGuid(guid, info);
}

Variant FromVariant(const VARIANT& in) {
  const VARIANT* v = &in;
  // A by-reference VARIANT* (what scripts pass for ByRef arguments) is read through.
  if (V_VT(v) == (VT_VARIANT | VT_BYREF)) v = V_VARIANTREF(v);
  // Every read below goes through a by-reference pointer; one that points nowhere
  // holds no value of any type.
  if (!v || ((V_VT(v) & VT_BYREF) && !V_BYREF(v))) Raise(err::kTypeMismatch);
  const bool by_ref = (V_VT(v) & VT_BYREF) != 0;
  switch (V_VT(v) & ~VT_BYREF) {
    case VT_EMPTY: return Variant();
    case VT_NULL: Raise(err::kTypeMismatch);  // Null has no value in the core
    case VT_BOOL: return Variant::Boolean((by_ref ? *V_BOOLREF(v) : V_BOOL(v)) != VARIANT_FALSE);
    case VT_UI1: return Variant::Integer(by_ref ? *V_UI1REF(v) : V_UI1(v));
    case VT_I2: return Variant::Integer(by_ref ? *V_I2REF(v) : V_I2(v));
    case VT_I4: return Variant::Long(by_ref ? *V_I4REF(v) : V_I4(v));
    case VT_INT: return Variant::Long(by_ref ? *V_INTREF(v) : V_INT(v));
    case VT_UI2: return Variant::Long(by_ref ? *V_UI2REF(v) : V_UI2(v));
    case VT_UI4:
    case VT_UINT: {
      // OLE_COLOR arrives unsigned; its bit pattern is what the core keeps as a Long.
      ULONG u = by_ref ? *V_UI4REF(v) : V_UI4(v);
      return Variant::Long(static_cast<int32_t>(u));
    }
    case VT_R4: return Variant::Single(by_ref ? *V_R4REF(v) : V_R4(v));
    case VT_R8: return Variant::Double(by_ref ? *V_R8REF(v) : V_R8(v));
    case VT_DATE: return Variant::Double(by_ref ? *V_DATEREF(v) : V_DATE(v));
    case VT_CY: {
      CY cy = by_ref ? *V_CYREF(v) : V_CY(v);
      return Variant::Double(static_cast<double>(cy.int64) / 10000.0);
    }
    case VT_BSTR: return Variant::String(FromBstr(by_ref ? *V_BSTRREF(v) : V_BSTR(v)));
    case VT_DISPATCH:
    case VT_UNKNOWN: {
      IUnknown* object = by_ref ? *V_UNKNOWNREF(v) : V_UNKNOWN(v);
      if (!object) return Variant::Object(nullptr);
      ComPtr<IPicture> picture;
      if (SUCCEEDED(object->QueryInterface(IID_IPicture, reinterpret_cast<void**>(picture.Put()))) && picture) {
        return Variant::OfPicture(std::make_shared<OlePicture>(picture.get()));
      }
      ComPtr<IFont> font;
      if (SUCCEEDED(object->QueryInterface(IID_IFont, reinterpret_cast<void**>(font.Put()))) && font) {
        return Variant::OfFont(std::make_shared<OleFont>(font.get()));
      }
      ComPtr<IDispatch> dispatch;
      if (SUCCEEDED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.Put()))) &&
          dispatch) {
        return Variant::Object(std::make_shared<ComDispatch>(dispatch.get()));
      }
      Raise(err::kTypeMismatch);
    }
    default:
      break;
  }
  // Anything else the platform can turn into a string or a number goes through
  // its own coercion, as the host would convert it.
  VARIANT copy;
  ::VariantInit(&copy);
  if (SUCCEEDED(::VariantChangeType(&copy, const_cast<VARIANT*>(v), 0, VT_R8))) return Variant::Double(V_R8(&copy));
  Raise(err::kTypeMismatch);
}

void ToVariant(const Variant& value, VARIANT* out) {
  ::VariantInit(out);
  switch (value.type()) {
    case VarType::kEmpty: return;
    case VarType::kBoolean:
      V_VT(out) = VT_BOOL;
      V_BOOL(out) = value.ToBoolean() ? VARIANT_TRUE : VARIANT_FALSE;
      return;
    case VarType::kInteger:
      V_VT(out) = VT_I2;
      V_I2(out) = value.ToInteger();
      return;
    case VarType::kLong:
      V_VT(out) = VT_I4;
      V_I4(out) = value.ToLong();
      return;
    case VarType::kSingle:
      V_VT(out) = VT_R4;
      V_R4(out) = value.ToSingle();
      return;
    case VarType::kDouble:
      V_VT(out) = VT_R8;
      V_R8(out) = value.ToDouble();
      return;
    case VarType::kString: {
      BSTR text = ToBstr(value.ToString());
      if (!text) Raise(err::kOutOfMemory);
      V_VT(out) = VT_BSTR;
      V_BSTR(out) = text;
      return;
    }
    case VarType::kObject: {
      IDispatch* object = PlatformDispatch(value.ToObject());
      V_VT(out) = VT_DISPATCH;
      V_DISPATCH(out) = object;
      return;
    }
    case VarType::kPicture: {
      IPicture* picture = PlatformPicture(value.ToPicture());
      IDispatch* disp = nullptr;
      if (picture) picture->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&disp));
      V_VT(out) = VT_DISPATCH;
      V_DISPATCH(out) = disp;
      return;
    }
    case VarType::kFont: {
      IFont* font = PlatformFont(value.ToFont());
      IDispatch* disp = nullptr;
      if (font) font->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&disp));
      V_VT(out) = VT_DISPATCH;
      V_DISPATCH(out) = disp;
      return;
    }
  }
}

HRESULT StoreByRef(const Variant& value, VARIANT* by_ref) {
  if (!(V_VT(by_ref) & VT_BYREF)) return S_OK;  // passed by value: nothing goes back
  try {
    if (V_VT(by_ref) == (VT_VARIANT | VT_BYREF)) {
      VARIANT fresh;
      ToVariant(value, &fresh);
      VARIANT* target = V_VARIANTREF(by_ref);
      ::VariantClear(target);
      *target = fresh;
      return S_OK;
    }
    switch (V_VT(by_ref) & ~VT_BYREF) {
      case VT_I2: *V_I2REF(by_ref) = value.ToInteger(); return S_OK;
      case VT_I4: *V_I4REF(by_ref) = value.ToLong(); return S_OK;
      case VT_R4: *V_R4REF(by_ref) = value.ToSingle(); return S_OK;
      case VT_R8: *V_R8REF(by_ref) = value.ToDouble(); return S_OK;
      case VT_BOOL: *V_BOOLREF(by_ref) = value.ToBoolean() ? VARIANT_TRUE : VARIANT_FALSE; return S_OK;
      case VT_BSTR: {
        BSTR text = ToBstr(value.ToString());
        if (!text) return E_OUTOFMEMORY;
        ::SysFreeString(*V_BSTRREF(by_ref));
        *V_BSTRREF(by_ref) = text;
        return S_OK;
      }
      default: return DISP_E_TYPEMISMATCH;
    }
  } catch (const RuntimeError&) {
    return DISP_E_TYPEMISMATCH;
  }
}

HRESULT CheckDispParams(const DISPPARAMS* params) {
  if (!params) return E_POINTER;
  if ((params->cArgs > 0 && !params->rgvarg) || (params->cNamedArgs > 0 && !params->rgdispidNamedArgs) ||
      params->cNamedArgs > params->cArgs) {
    return E_INVALIDARG;
  }
  return S_OK;
}

HRESULT ErrorHResult(int number) {
  return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, static_cast<unsigned>(number) & 0xFFFF);
}

HRESULT FillException(const RuntimeError& error, EXCEPINFO* info) {
  if (info) {
    *info = EXCEPINFO{};
    info->wCode = 0;
    info->bstrSource = ToBstr("Vitrelle");
    info->bstrDescription = ToBstr(error.description());
    // Only one of wCode and scode may be set. A control error as an HRESULT of
    // FACILITY_CONTROL is what every script engine turns back into Err.Number.
    info->scode = ErrorHResult(error.number());
  }
  return DISP_E_EXCEPTION;
}

namespace {

// A core object with no COM identity of its own (a collection the core builds, the
// extender a control makes for itself without a container) handed out to a COM
// caller: late-bound only, its members numbered as callers ask for their names.
class CoreObject final : public IDispatch {
 public:
  explicit CoreObject(DispatchPtr object) : object_(std::move(object)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (!names || !ids || count == 0) return E_POINTER;
    // Whether the member exists is the object's to say when it is invoked (438).
    const std::string name = Narrow(std::wstring_view(names[0]));
    auto it = std::find_if(names_.begin(), names_.end(), [&](const std::string& n) { return NamesEqual(n, name); });
    if (it == names_.end()) it = names_.insert(names_.end(), name);
    ids[0] = static_cast<DISPID>(it - names_.begin()) + 1;
    for (UINT i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* info, UINT* arg_error) override {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (HRESULT bad = CheckDispParams(params); FAILED(bad)) return bad;
    std::string member;
    if (id != DISPID_VALUE) {
      if (id < 1 || static_cast<size_t>(id) > names_.size()) return DISP_E_MEMBERNOTFOUND;
      member = names_[static_cast<size_t>(id) - 1];
    }
    InvokeKind kind;
    if (flags & DISPATCH_PROPERTYPUTREF) {
      kind = InvokeKind::kSet;
    } else if (flags & DISPATCH_PROPERTYPUT) {
      kind = InvokeKind::kLet;
    } else if (flags & DISPATCH_PROPERTYGET) {
      kind = InvokeKind::kGet;
    } else if (flags & DISPATCH_METHOD) {
      kind = InvokeKind::kCall;
    } else {
      return E_INVALIDARG;
    }
    const bool put = kind == InvokeKind::kLet || kind == InvokeKind::kSet;
    if (put && (params->cArgs < 1 || params->cNamedArgs != 1 || !params->rgdispidNamedArgs ||
                params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)) {
      return DISP_E_PARAMNOTOPTIONAL;
    }
    if (!put && params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    try {
      // Arguments come last first; a put's value is rgvarg[0] and goes last.
      std::vector<Variant> args;
      args.reserve(params->cArgs);
      for (UINT i = params->cArgs; i > 0; --i) {
        const UINT slot = put ? (i == params->cArgs ? 0 : i) : i - 1;
        try {
          args.push_back(FromVariant(params->rgvarg[slot]));
        } catch (const RuntimeError&) {
          if (arg_error) *arg_error = slot;
          return DISP_E_TYPEMISMATCH;
        }
      }
      if (put) std::rotate(args.begin(), args.begin() + 1, args.end());
      Variant value = object_->Invoke(member, kind, args);
      if (result && !put) ToVariant(value, result);
      return S_OK;
    } catch (const RuntimeError& error) {
      return FillException(error, info);
    } catch (const std::bad_alloc&) {
      return FillException(RuntimeError(err::kOutOfMemory), info);
    } catch (...) {
      return E_UNEXPECTED;
    }
  }

 private:
  ~CoreObject() = default;
  DispatchPtr object_;
  std::vector<std::string> names_;
  ULONG refs_ = 1;
  ModuleObject counted_;
};

}  // namespace

IDispatch* PlatformDispatch(const DispatchPtr& object) {
  if (!object) return nullptr;
  IDispatch* out = nullptr;
  if (auto* wrapped = dynamic_cast<ComDispatch*>(object.get())) {
    out = wrapped->Get();
  } else if (auto* own = dynamic_cast<HasComIdentity*>(object.get())) {
    out = own->ComIdentity();
  } else {
    return new CoreObject(object);
  }
  if (out) out->AddRef();
  return out;
}

Variant ComDispatch::Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) {
  std::wstring name = Widen(member);
  LPOLESTR names[1] = {name.data()};
  DISPID dispid = 0;
  if (FAILED(object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid))) {
    Raise(err::kNotSupported);
  }
  // IDispatch takes its arguments last first.
  std::vector<VARIANT> vargs(args.size());
  for (size_t i = 0; i < args.size(); ++i) ToVariant(args[i], &vargs[args.size() - 1 - i]);
  DISPPARAMS params{vargs.data(), nullptr, static_cast<UINT>(vargs.size()), 0};
  DISPID put_id = DISPID_PROPERTYPUT;
  WORD flags = DISPATCH_METHOD;
  switch (kind) {
    case InvokeKind::kGet: flags = DISPATCH_PROPERTYGET | DISPATCH_METHOD; break;
    case InvokeKind::kLet: flags = DISPATCH_PROPERTYPUT; break;
    case InvokeKind::kSet: flags = DISPATCH_PROPERTYPUTREF; break;
    case InvokeKind::kCall: flags = DISPATCH_METHOD; break;
  }
  if (kind == InvokeKind::kLet || kind == InvokeKind::kSet) {
    params.rgdispidNamedArgs = &put_id;
    params.cNamedArgs = 1;
  }
  VARIANT result;
  ::VariantInit(&result);
  EXCEPINFO info{};
  UINT arg_err = 0;
  HRESULT hr = object_->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                               kind == InvokeKind::kLet || kind == InvokeKind::kSet ? nullptr : &result, &info,
                               &arg_err);
  for (auto& v : vargs) ::VariantClear(&v);
  if (hr == DISP_E_EXCEPTION) {
    int number = info.wCode ? info.wCode : static_cast<int>(HRESULT_CODE(info.scode));
    std::string text = FromBstr(info.bstrDescription);
    ::SysFreeString(info.bstrSource);
    ::SysFreeString(info.bstrDescription);
    ::SysFreeString(info.bstrHelpFile);
    if (text.empty()) throw RuntimeError(number);
    throw RuntimeError(number, text);
  }
  if (hr == DISP_E_MEMBERNOTFOUND || hr == DISP_E_UNKNOWNNAME) Raise(err::kNotSupported);
  if (hr == DISP_E_TYPEMISMATCH) Raise(err::kTypeMismatch);
  if (hr == DISP_E_OVERFLOW) Raise(err::kOverflow);
  if (hr == DISP_E_BADPARAMCOUNT) Raise(err::kWrongArguments);
  if (FAILED(hr)) Raise(HRESULT_FACILITY(hr) == FACILITY_CONTROL ? HRESULT_CODE(hr) : err::kNotSupported);
  Variant out;
  try {
    out = FromVariant(result);
  } catch (...) {
    ::VariantClear(&result);
    throw;
  }
  ::VariantClear(&result);
  return out;
}

namespace {

// The interface a type name stands for in the library's type model: a class's
// default interface ("GlazeFrame"), or an interface named as such ("_GlazeFrame").
const Interface* LibraryInterfaceNamed(std::string_view type_name) {
  if (const ClassInfo* c = FindClass(type_name)) return FindInterface(c->default_interface);
  return FindInterface(type_name);
}

// The name of a type information with the leading underscores of a default
// interface taken off: "_Form" and "Form" both answer "Form".
bool TypeInfoNamed(ITypeInfo* info, std::string_view type_name) {
  BSTR name = nullptr;
  if (!info || FAILED(info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr))) return false;
  std::string text = FromBstr(name);
  ::SysFreeString(name);
  std::string_view bare = text;
  while (!bare.empty() && bare.front() == '_') bare.remove_prefix(1);
  return NamesEqual(text, type_name) || NamesEqual(bare, type_name);
}

}  // namespace

bool ComDispatch::IsA(std::string_view type_name) const {
  if (NamesEqual(type_name, "Object")) return true;
  if (const Interface* iface = LibraryInterfaceNamed(type_name)) {
    // The library's types have fixed interface IDs, so the object itself says
    // whether it is one: a control answers for its own, and a container's extender
    // for the control it stands for, whatever either calls its type information.
    const GUID iid = ToGuid(iface->id);
    ComPtr<IUnknown> answered;
    return SUCCEEDED(object_->QueryInterface(iid, reinterpret_cast<void**>(answered.Put()))) && answered;
  }
  // The container's own types (Form, OptionButton, ...) have no IDs the library
  // knows: their class or type information has to name them.
  ComPtr<IProvideClassInfo> provider;
  if (SUCCEEDED(object_->QueryInterface(IID_IProvideClassInfo, reinterpret_cast<void**>(provider.Put()))) &&
      provider) {
    ComPtr<ITypeInfo> class_info;
    if (SUCCEEDED(provider->GetClassInfo(class_info.Put())) && TypeInfoNamed(class_info.get(), type_name)) return true;
  }
  ComPtr<ITypeInfo> info;
  if (FAILED(object_->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Put()))) return false;
  return TypeInfoNamed(info.get(), type_name);
}

HBITMAP CreateBitmap32(HDC dc, int width, int height, bool top_down, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = top_down ? -height : height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* ignored = nullptr;
  return ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits ? bits : &ignored, nullptr, 0);
}

int ScreenBitsPerPixel() {
  static const int bits = [] {
    int value = 0;
    if (HDC dc = ::GetDC(nullptr)) {
      value = ::GetDeviceCaps(dc, BITSPIXEL) * ::GetDeviceCaps(dc, PLANES);
      ::ReleaseDC(nullptr, dc);
    }
    return value;
  }();
  return bits;
}

int ScreenDpi(int index) {
  static const std::array<int, 2> dpi = [] {
    std::array<int, 2> values{96, 96};
    if (HDC dc = ::GetDC(nullptr)) {
      values[0] = std::max(1, ::GetDeviceCaps(dc, LOGPIXELSX));
      values[1] = std::max(1, ::GetDeviceCaps(dc, LOGPIXELSY));
      ::ReleaseDC(nullptr, dc);
    }
    return values;
  }();
  return index == LOGPIXELSY ? dpi[1] : dpi[0];
}

}  // namespace vitrelle::activex
