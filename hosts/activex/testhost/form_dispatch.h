#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include "frame/errors.h"
#include "frame/part_rules.h"
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
// The form as code sees it (Parent, Container) and its Controls collection.

class ControlsCollection final : public TableDispatch {
 public:
  explicit ControlsCollection(Form& form) : TableDispatch({"Count", "Item"}, 1), form_(form) {}

 protected:
  HRESULT Member(size_t index, WORD, std::span<const VARIANT> args, VARIANT* result) override {
    auto& sites = form_.Sites();
    if (index == 0) return SetI4(result, static_cast<int32_t>(sites.size())), S_OK;
    Variant key = LastArg(args);
    if (key.type() == VarType::kString) {
      for (auto& s : sites) {
        if (NamesMatch(s->name, key.ToString())) return SetObject(result, s->ExtenderDispatch()), S_OK;
      }
      RaiseNoSuchControl(key);
    }
    int32_t i = key.ToLong();
    if (i < 0 || static_cast<size_t>(i) >= sites.size()) RaiseNoSuchControl(key);
    SetObject(result, sites[static_cast<size_t>(i)]->ExtenderDispatch());
    return S_OK;
  }

 private:
  Form& form_;
};

class FormDispatch final : public TableDispatch {
 public:
  explicit FormDispatch(Form& form)
      : TableDispatch({"Name", "Controls", "BackColor", "Picture", "Caption", "Width", "Height", "ScaleWidth",
                       "ScaleHeight", "hWnd"},
                      1),
        form_(form) {}

 protected:
  std::wstring TypeName() const override { return L"Form"; }
  HRESULT Member(size_t index, WORD flags, std::span<const VARIANT> args, VARIANT* result) override {
    bool put = IsPut(flags);
    switch (index) {
      case 0:
        if (put) Raise(383);
        return SetString(result, form_.Name()), S_OK;
      case 1: {
        if (put) Raise(383);
        auto* controls = new ControlsCollection(form_);
        SetObject(result, controls);
        controls->Release();
        return S_OK;
      }
      case 2:
        if (put) return form_.SetBackColor(static_cast<OLE_COLOR>(LastArg(args).ToLong())), S_OK;
        return SetI4(result, static_cast<int32_t>(form_.BackColor())), S_OK;
      case 3:
        if (put) {
          if (args.empty()) Raise(450);
          const VARIANT& v = args.back();
          IPicture* picture = nullptr;
          if (V_VT(&v) == VT_DISPATCH && V_DISPATCH(&v))
            V_DISPATCH(&v)->QueryInterface(IID_IPicture, reinterpret_cast<void**>(&picture));
          else if (V_VT(&v) != VT_DISPATCH && V_VT(&v) != VT_EMPTY)
            Raise(13);
          form_.SetPicture(picture, false);
          return S_OK;
        }
        if (IPicture* p = form_.Picture()) {
          IDispatch* d = nullptr;
          p->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d));
          V_VT(result) = VT_DISPATCH;
          V_DISPATCH(result) = d;
        } else {
          SetObject(result, nullptr);
        }
        return S_OK;
      case 4:
        if (put) return form_.SetCaption(LastArg(args).ToString()), S_OK;
        return SetString(result, form_.Caption()), S_OK;
      case 5:
      case 6:
      case 7:
      case 8: {
        bool horizontal = index == 5 || index == 7;
        if (put) {
          float value = LastArg(args).ToSingle();
          if (horizontal) form_.SetClientSize(value, form_.ClientHeight());
          else form_.SetClientSize(form_.ClientWidth(), value);
          return S_OK;
        }
        return SetR4(result, horizontal ? form_.ClientWidth() : form_.ClientHeight()), S_OK;
      }
      default:
        if (put) Raise(383);
        return SetI4(result, static_cast<int32_t>(reinterpret_cast<intptr_t>(form_.Window()))), S_OK;
    }
  }

 private:
  Form& form_;
};

}  // namespace vitrelle::testhost
