#include "hosts/activex/testhost/dispatch_base.h"

#include <cctype>

#include "frame/errors.h"
#include "hosts/activex/testhost/type_name.h"

namespace vitrelle::testhost {

bool NamesMatch(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

HRESULT TableDispatch::QueryInterface(REFIID iid, void** out) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG TableDispatch::Release() {
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT TableDispatch::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = TypeName().empty() ? 0 : 1;
  return S_OK;
}

HRESULT TableDispatch::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  std::wstring name = TypeName();
  if (name.empty()) return E_NOTIMPL;
  if (index != 0) return DISP_E_BADINDEX;
  *info = new NamedTypeInfo(std::move(name));
  return S_OK;
}

HRESULT TableDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) {
  if (count == 0) return S_OK;
  std::string name = activex::Narrow(names[0]);
  for (UINT i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  for (size_t i = 0; i < names_.size(); ++i) {
    if (NamesMatch(names_[i], name)) {
      ids[0] = first_ + static_cast<DISPID>(i);
      return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
  }
  return ForeignIds(names[0], lcid, ids);
}

HRESULT TableDispatch::Invoke(DISPID id, REFIID, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO* info, UINT* arg_error) {
  if (id < first_ || id >= first_ + static_cast<DISPID>(names_.size()))
    return ForeignInvoke(id, lcid, flags, params, result, info, arg_error);
  std::vector<VARIANT> args;
  if (params) {
    for (UINT i = params->cArgs; i > 0; --i) args.push_back(params->rgvarg[i - 1]);
  }
  VARIANT scratch;
  ::VariantInit(&scratch);
  try {
    HRESULT hr = Member(static_cast<size_t>(id - first_), flags, args, result ? result : &scratch);
    ::VariantClear(&scratch);
    return hr;
  } catch (const RuntimeError& e) {
    ::VariantClear(&scratch);
    return activex::FillException(e, info);
  }
}

void RaiseFromHResult(HRESULT hr, const EXCEPINFO* info) {
  if (hr == DISP_E_EXCEPTION && info) {
    HRESULT code = info->scode ? info->scode : MAKE_HRESULT(1, FACILITY_CONTROL, info->wCode);
    int number = info->wCode ? info->wCode : HRESULT_CODE(code);
    std::string text = info->bstrDescription ? activex::FromBstr(info->bstrDescription) : DescribeError(number);
    throw RuntimeError(number, text);
  }
  if (HRESULT_FACILITY(hr) == FACILITY_CONTROL) Raise(HRESULT_CODE(hr));
  switch (hr) {
    case DISP_E_UNKNOWNNAME:
    case DISP_E_MEMBERNOTFOUND:
      Raise(438);
    case DISP_E_TYPEMISMATCH:
      Raise(13);
    case DISP_E_OVERFLOW:
      Raise(6);
    case DISP_E_BADPARAMCOUNT:
    case DISP_E_PARAMNOTOPTIONAL:
      Raise(450);
    case E_OUTOFMEMORY:
      Raise(7);
    default:
      throw RuntimeError(440, "Automation error");
  }
}

void CallByNameRaw(IDispatch* object, std::string_view member, WORD flags, std::span<VARIANT> args_in_order,
                   VARIANT* result) {
  if (!object) Raise(91);
  std::wstring wide = activex::Widen(member);
  LPOLESTR name = wide.data();
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) RaiseFromHResult(DISP_E_UNKNOWNNAME, nullptr);
  std::vector<VARIANT> reversed(args_in_order.rbegin(), args_in_order.rend());
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  EXCEPINFO info{};
  UINT arg_error = 0;
  hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &info, &arg_error);
  if (FAILED(hr)) {
    struct Clear {
      EXCEPINFO& i;
      ~Clear() {
        ::SysFreeString(i.bstrSource);
        ::SysFreeString(i.bstrDescription);
        ::SysFreeString(i.bstrHelpFile);
      }
    } clear{info};
    if (hr == DISP_E_EXCEPTION && info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
    RaiseFromHResult(hr, &info);
  }
}

Variant CallByName(IDispatch* object, std::string_view member, WORD flags, std::span<const Variant> args) {
  std::vector<VARIANT> in(args.size());
  for (size_t i = 0; i < args.size(); ++i) {
    ::VariantInit(&in[i]);
    activex::ToVariant(args[i], &in[i]);
  }
  VARIANT result;
  ::VariantInit(&result);
  struct Clear {
    std::vector<VARIANT>& in;
    VARIANT& result;
    ~Clear() {
      for (auto& v : in) ::VariantClear(&v);
      ::VariantClear(&result);
    }
  } clear{in, result};
  CallByNameRaw(object, member, flags, in, &result);
  return activex::FromVariant(result);
}

}  // namespace vitrelle::testhost
