#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include "frame/errors.h"
#include "frame/part_rules.h"
#include "frame/type_model.h"
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

// Our own DISPIDs sit far from any control's so the extender can tell what it
// forwards.
constexpr DISPID kExtenderFirst = 0x60020000;

// ---------------------------------------------------------------------------
// The extender: what the container adds to every control, and the control's own
// members forwarded to its IDispatch.

class Extender final : public TableDispatch {
 public:
  explicit Extender(Site& site)
      : TableDispatch({"Name", "Index", "Container", "Parent", "TabIndex", "TabStop", "Visible", "Enabled",
                       "SetFocus", "Left", "Top", "Width", "Height", "Object", "Move"},
                      kExtenderFirst),
        site_(&site) {}
  void Detach() { site_ = nullptr; }

  // An extender stands for its control in code: a type test of it ("TypeOf x Is
  // GlazeFrame") asks for the control's interface, and the control answers. Only
  // the library's dispatch interfaces go through; the control's OLE interfaces are
  // the container's business, not its code's.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    HRESULT hr = TableDispatch::QueryInterface(iid, out);
    if (hr != E_NOINTERFACE || !site_ || !site_->control_dispatch) return hr;
    for (const Interface& iface : Interfaces()) {
      if (IsEqualIID(iid, activex::ToGuid(iface.id))) return site_->control_dispatch->QueryInterface(iid, out);
    }
    return hr;
  }

 protected:
  HRESULT ForeignIds(LPOLESTR name, LCID lcid, DISPID* id) override {
    if (!site_) return DISP_E_UNKNOWNNAME;
    if (!site_->control_dispatch) {
      const std::string member = activex::Narrow(name);
      if (HasHostValue() && NamesMatch(member, "Value")) {
        *id = kHostValue;
        return S_OK;
      }
      if (HasHostCaption() && NamesMatch(member, "Caption")) {
        *id = kHostCaption;
        return S_OK;
      }
      return DISP_E_UNKNOWNNAME;
    }
    return site_->control_dispatch->GetIDsOfNames(IID_NULL, &name, 1, lcid, id);
  }
  HRESULT ForeignInvoke(DISPID id, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                        UINT* arg_error) override {
    if (!site_) return DISP_E_MEMBERNOTFOUND;
    if (!site_->control_dispatch) {
      try {
        if (id == kHostValue && HasHostValue()) return HostValue(flags, params, result);
        if (id == kHostCaption && HasHostCaption()) return HostCaption(flags, params, result);
      } catch (const RuntimeError& e) {
        return activex::FillException(e, info);
      }
      return DISP_E_MEMBERNOTFOUND;
    }
    return site_->control_dispatch->Invoke(id, IID_NULL, lcid, flags, params, result, info, arg_error);
  }
  // The host's own controls answer type tests by their class: "OptionButton".
  std::wstring TypeName() const override {
    if (!site_ || site_->control_dispatch) return {};
    return Widen(site_->class_name);
  }

  HRESULT Member(size_t index, WORD flags, std::span<const VARIANT> args, VARIANT* result) override {
    if (!site_) Raise(91);
    Site& s = *site_;
    bool put = IsPut(flags);
    auto extent = [&](float& field, bool is_size) {
      if (put) {
        const float value = LastArg(args).ToSingle();
        if (is_size) CheckExtent(value);
        field = value;
        s.ApplyExtent();
      } else {
        SetR4(result, field);
      }
      return S_OK;
    };
    switch (index) {
      case 0:
        if (put) Raise(382);  // set only at design time
        return SetString(result, s.name), S_OK;
      case 1:
        if (put) Raise(382);
        if (s.index < 0) Raise(343);  // not an array
        return SetI2(result, static_cast<int16_t>(s.index)), S_OK;
      case 2:
        if (put) Raise(383);
        return SetObject(result, s.container ? s.container->ExtenderDispatch() : s.form.Dispatch()), S_OK;
      case 3:
        if (put) Raise(383);
        return SetObject(result, s.form.Dispatch()), S_OK;
      case 4:
        if (put) {
          const int16_t index = LastArg(args).ToInteger();
          CheckTabIndex(index);
          s.tab_index = index;
          return S_OK;
        }
        return SetI2(result, static_cast<int16_t>(s.tab_index)), S_OK;
      case 5:
        if (put) return s.tab_stop = LastArg(args).ToBoolean(), S_OK;
        return SetBool(result, s.tab_stop), S_OK;
      case 6:
        if (put) return s.SetVisible(LastArg(args).ToBoolean()), S_OK;
        return SetBool(result, s.visible), S_OK;
      case 7: {
        // A control that declares Enabled owns it; the window follows either way.
        if (s.control_dispatch) {
          Variant value = put ? LastArg(args) : Variant();
          if (put) {
            Variant one[1] = {value};
            CallByName(s.control_dispatch.get(), "Enabled", DISPATCH_PROPERTYPUT, one);
          } else {
            Variant got = CallByName(s.control_dispatch.get(), "Enabled", DISPATCH_PROPERTYGET);
            activex::ToVariant(got, result);
            return S_OK;
          }
          if (HWND w = s.Window()) ::EnableWindow(w, value.ToBoolean());
          return S_OK;
        }
        HWND w = s.Window();
        if (put) return ::EnableWindow(w, LastArg(args).ToBoolean()), S_OK;
        return SetBool(result, w && ::IsWindowEnabled(w)), S_OK;
      }
      case 8: {
        HWND w = s.Window();
        if (!w || !s.takes_focus || !::IsWindowVisible(w) || !::IsWindowEnabled(w)) Raise(err::kCantMoveFocus);
        ::SetFocus(w);
        return S_OK;
      }
      case 9:
        return extent(s.left, false);
      case 10:
        return extent(s.top, false);
      case 11:
        return extent(s.width, true);
      case 12:
        return extent(s.height, true);
      case 13:
        if (put) Raise(383);
        return SetObject(result, s.control_dispatch.get()), S_OK;
      default: {
        // Move Left[, Top[, Width[, Height]]]
        if (args.empty()) Raise(450);
        float* fields[] = {&s.left, &s.top, &s.width, &s.height};
        float values[4] = {s.left, s.top, s.width, s.height};
        for (size_t i = 0; i < args.size() && i < 4; ++i) values[i] = FromVariant(args[i]).ToSingle();
        CheckExtent(values[2]);
        CheckExtent(values[3]);
        for (size_t i = 0; i < 4; ++i) *fields[i] = values[i];
        s.ApplyExtent();
        return S_OK;
      }
    }
  }


 private:
  static constexpr DISPID kHostValue = kExtenderFirst + 0x100;
  static constexpr DISPID kHostCaption = kExtenderFirst + 0x101;

  // The host's captioned windows: their text is the Caption a form file gives.
  bool HasHostCaption() const {
    if (!site_->host_window) return false;
    for (const char* cls : {"Label", "CommandButton", "CheckBox", "OptionButton", "Frame"}) {
      if (NamesMatch(site_->class_name, cls)) return true;
    }
    return false;
  }
  HRESULT HostCaption(WORD flags, DISPPARAMS* params, VARIANT* result) {
    HWND w = site_->host_window;
    if (IsPut(flags)) {
      if (!params || params->cArgs < 1) Raise(err::kWrongArguments);
      ::SetWindowTextW(w, Widen(FromVariant(params->rgvarg[0]).ToString()).c_str());
      return S_OK;
    }
    if (!result) return S_OK;
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(w)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(w, text.data(), static_cast<int>(text.size()))));
    SetString(result, Narrow(text));
    return S_OK;
  }

  bool HasHostValue() const {
    return site_->host_window && (NamesMatch(site_->class_name, "OptionButton") || NamesMatch(site_->class_name, "CheckBox"));
  }
  // An option button's Value is a Boolean, a check box's 0, 1 or 2. Setting an
  // option button clears the other option buttons of its container, as the user's
  // click does; a change to set (an option) or to any other state (a check box)
  // raises Click, as it does in form packages.
  HRESULT HostValue(WORD flags, DISPPARAMS* params, VARIANT* result) {
    Site& s = *site_;
    const bool option = NamesMatch(s.class_name, "OptionButton");
    const LRESULT before = ::SendMessageW(s.host_window, BM_GETCHECK, 0, 0);
    if (!IsPut(flags)) {
      if (option) return SetBool(result, before == BST_CHECKED), S_OK;
      return SetI2(result, static_cast<int16_t>(before)), S_OK;
    }
    if (!params || params->cArgs < 1) Raise(err::kWrongArguments);
    const Variant value = FromVariant(params->rgvarg[0]);
    WPARAM state = 0;
    if (option) {
      const bool on = value.ToBoolean();
      if (on) {
        for (auto& other : s.form.Sites()) {
          if (other.get() != &s && other->host_window && other->container == s.container &&
              NamesMatch(other->class_name, "OptionButton"))
            ::SendMessageW(other->host_window, BM_SETCHECK, BST_UNCHECKED, 0);
        }
      }
      state = on ? BST_CHECKED : BST_UNCHECKED;
    } else {
      const int16_t checked = value.ToInteger();
      CheckCheckBoxValue(checked);
      state = static_cast<WPARAM>(checked);
    }
    ::SendMessageW(s.host_window, BM_SETCHECK, state, 0);
    const bool clicked = option ? state == BST_CHECKED && before != BST_CHECKED : static_cast<LRESULT>(state) != before;
    if (clicked && s.form.Log()) s.form.Log()->Event(s.Display(), "Click", {});
    return S_OK;
  }

  Site* site_;
};

}  // namespace vitrelle::testhost
