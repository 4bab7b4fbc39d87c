#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "frame/errors.h"
#include "hosts/activex/control_internals.h"
#include "hosts/activex/ole_objects.h"
#include "hosts/activex/testhost/dispatch_base.h"
#include "hosts/activex/testhost/dispatch_values.h"
#include "hosts/activex/testhost/form_host.h"

namespace vitrelle::testhost {

using activex::FromVariant;
using activex::Narrow;
using activex::ToBstr;
using activex::Widen;

// ---------------------------------------------------------------------------
// Sinks: the control's events and its property change notifications, logged.

class EventSink final : public IDispatch {
 public:
  EventSink(Site& site, REFIID iid) : site_(&site), iid_(iid) {}
  void Detach() { site_ = nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, iid_)) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (!left) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    if (!site_ || !site_->form.Log()) return S_OK;
    std::string name = "#" + std::to_string(id);
    if (site_->events) {
      BSTR bstr = nullptr;
      UINT got = 0;
      if (SUCCEEDED(site_->events->GetNames(id, &bstr, 1, &got)) && got == 1) {
        name = activex::FromBstr(bstr);
        ::SysFreeString(bstr);
      }
    }
    std::vector<Variant> args;
    try {
      for (UINT i = params ? params->cArgs : 0; i > 0; --i) args.push_back(FromVariant(params->rgvarg[i - 1]));
    } catch (const RuntimeError&) {
      args.clear();
      args.push_back(Variant::String("?"));
    }
    site_->form.Log()->Event(site_->Display(), name, args);
    return S_OK;
  }

 private:
  ULONG refs_ = 1;
  Site* site_;
  IID iid_;
};

class NotifySink final : public IPropertyNotifySink {
 public:
  explicit NotifySink(Site& site) : site_(&site) {}
  void Detach() { site_ = nullptr; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPropertyNotifySink)) {
      *out = static_cast<IPropertyNotifySink*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (!left) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE OnChanged(DISPID id) override {
    if (!site_ || !site_->form.Log()) return S_OK;
    std::string name = "#" + std::to_string(id);
    // The log names a change as the control reported it; the DISPID alone gives
    // the type library's spelling ("value" for the control's "Value"). The
    // library's controls say which name this notification is for; any other
    // control is named through its type information.
    ComPtr<activex::IVitrelleControlInternals> internals;
    BSTR reported = nullptr;
    if (site_->control &&
        SUCCEEDED(site_->control->QueryInterface(activex::IID_IVitrelleControlInternals,
                                                 reinterpret_cast<void**>(internals.Put()))) &&
        internals->GetChangedName(&reported) == S_OK) {
      site_->form.Log()->Changed(site_->Display(), activex::FromBstr(reported));
      ::SysFreeString(reported);
      return S_OK;
    }
    ::SysFreeString(reported);
    ComPtr<ITypeInfo> info;
    if (site_->control_dispatch && SUCCEEDED(site_->control_dispatch->GetTypeInfo(0, 0, info.Put()))) {
      BSTR bstr = nullptr;
      UINT got = 0;
      if (SUCCEEDED(info->GetNames(id, &bstr, 1, &got)) && got == 1) {
        name = activex::FromBstr(bstr);
        ::SysFreeString(bstr);
      }
    }
    site_->form.Log()->Changed(site_->Display(), name);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }

 private:
  ULONG refs_ = 1;
  Site* site_;
};

// A form file's keys for one control, as the control's IPersistPropertyBag reads
// them. Pictures and fonts become the platform's OLE objects.
class FileBag final : public IPropertyBag {
 public:
  FileBag(const vfm::Block& block, std::string folder) : block_(block), folder_(std::move(folder)) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPropertyBag)) {
      *out = static_cast<IPropertyBag*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the loader's stack
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* out, IErrorLog*) override {
    std::string key = Narrow(name);
    const vfm::Entry* entry = vfm::IsExtentOrExtenderKey(key) ? nullptr : block_.Find(key);
    if (!entry) return E_INVALIDARG;
    VARIANT value;
    ::VariantInit(&value);
    try {
      if (entry->font) {
        const auto& f = *entry->font;
        std::wstring face = Widen(f.name);
        FONTDESC desc{};
        desc.cbSizeofstruct = sizeof desc;
        desc.lpstrName = face.data();
        desc.cySize.int64 = std::llround(f.size * 10000.0);
        desc.sWeight = static_cast<SHORT>(f.bold ? FW_BOLD : FW_NORMAL);
        desc.sCharset = ANSI_CHARSET;
        desc.fItalic = f.italic;
        desc.fUnderline = f.underline;
        desc.fStrikethrough = f.strikethrough;
        IFontDisp* font = nullptr;
        if (FAILED(::OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&font)))) return E_FAIL;
        V_VT(&value) = VT_DISPATCH;
        V_DISPATCH(&value) = font;
      } else if (entry->value.picture_path) {
        ComPtr<IPicture> picture =
            LoadPictureFile((std::filesystem::path(folder_) / *entry->value.picture_path).string());
        IDispatch* d = nullptr;
        picture->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d));
        V_VT(&value) = VT_DISPATCH;
        V_DISPATCH(&value) = d;
      } else {
        activex::ToVariant(entry->value.value, &value);
      }
    } catch (const RuntimeError&) {
      return E_FAIL;
    }
    HRESULT hr = S_OK;
    if (V_VT(out) == VT_EMPTY || V_VT(out) == V_VT(&value)) {
      *out = value;
      return S_OK;
    }
    hr = ::VariantChangeType(out, &value, 0, V_VT(out));
    ::VariantClear(&value);
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }

 private:
  const vfm::Block& block_;
  std::string folder_;
};

}  // namespace vitrelle::testhost
