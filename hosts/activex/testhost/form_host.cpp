#include "hosts/activex/testhost/form_host.h"

#include <olectl.h>
#include <wincodec.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "frame/errors.h"
#include "frame/part_rules.h"
#include "frame/type_model.h"
#include "hosts/activex/control_internals.h"
#include "hosts/activex/ole_objects.h"
#include "hosts/activex/testhost/dispatch_base.h"

namespace vitrelle::testhost {

using activex::FromVariant;
using activex::Narrow;
using activex::ToBstr;
using activex::Widen;

namespace {

constexpr wchar_t kFormClass[] = L"VitrelleTestForm";

// Our own DISPIDs sit far from any control's so the extender can tell what it
// forwards.
constexpr DISPID kExtenderFirst = 0x60020000;

OLE_COLOR ColorRef(OLE_COLOR color) {
  COLORREF out = 0;
  ::OleTranslateColor(color, nullptr, &out);
  return out;
}

FONTDESC AmbientFont() {
  return FONTDESC{sizeof(FONTDESC), const_cast<LPOLESTR>(L"MS Sans Serif"), {{82500, 0}}, FW_NORMAL, ANSI_CHARSET,
                  FALSE, FALSE, FALSE};
}

void SetBool(VARIANT* v, bool on) {
  V_VT(v) = VT_BOOL;
  V_BOOL(v) = on ? VARIANT_TRUE : VARIANT_FALSE;
}
void SetI4(VARIANT* v, int32_t n) {
  V_VT(v) = VT_I4;
  V_I4(v) = n;
}
void SetI2(VARIANT* v, int16_t n) {
  V_VT(v) = VT_I2;
  V_I2(v) = n;
}
void SetR4(VARIANT* v, float n) {
  V_VT(v) = VT_R4;
  V_R4(v) = n;
}
void SetString(VARIANT* v, const std::string& s) {
  V_VT(v) = VT_BSTR;
  V_BSTR(v) = ToBstr(s);
}
void SetObject(VARIANT* v, IDispatch* d) {
  V_VT(v) = VT_DISPATCH;
  V_DISPATCH(v) = d;
  if (d) d->AddRef();
}

bool IsPut(WORD flags) { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }

Variant LastArg(std::span<const VARIANT> args) {
  if (args.empty()) Raise(450);
  return FromVariant(args.back());
}

// ---------------------------------------------------------------------------
// The frame a control asks for during in-place activation. This container has no
// menus, toolbars or accelerators to merge.

class InPlaceFrame final : public IOleInPlaceFrame {
 public:
  explicit InPlaceFrame(HWND hwnd) : hwnd_(hwnd) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleWindow) ||
        IsEqualIID(iid, IID_IOleInPlaceUIWindow) || IsEqualIID(iid, IID_IOleInPlaceFrame)) {
      *out = static_cast<IOleInPlaceFrame*>(this);
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
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* hwnd) override {
    *hwnd = hwnd_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

 private:
  ULONG refs_ = 1;
  HWND hwnd_;
};

}  // namespace

// ---------------------------------------------------------------------------
// The control's site: client site, windowed in-place site, control site, and
// the ambient properties through IDispatch.

class SiteObject final : public IOleClientSite,
                         public IOleInPlaceSite,
                         public IOleControlSite,
                         public IDispatch {
 public:
  explicit SiteObject(Site& site) : site_(&site) {}
  void Detach() { site_ = nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite)) {
      *out = static_cast<IOleClientSite*>(this);
    } else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite)) {
      *out = static_cast<IOleInPlaceSite*>(this);
    } else if (IsEqualIID(iid, IID_IOleControlSite)) {
      *out = static_cast<IOleControlSite*>(this);
    } else if (IsEqualIID(iid, IID_IDispatch)) {
      *out = static_cast<IDispatch*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (!left) delete this;
    return left;
  }

  // IOleClientSite
  HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleInPlaceSite
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* hwnd) override {
    if (!site_) return E_UNEXPECTED;
    *hwnd = site_->form.Window();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return site_ ? S_OK : S_FALSE; }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                             LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
    if (!site_) return E_UNEXPECTED;
    *frame = new InPlaceFrame(site_->form.Window());
    *doc = nullptr;
    *pos = site_->PixelRect();
    ::GetClientRect(site_->form.Window(), clip);
    info->fMDIApp = FALSE;
    info->hwndFrame = site_->form.Window();
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT rect) override {
    if (!site_) return E_UNEXPECTED;
    // The control asks for another rectangle: the site's extent follows it.
    Form& form = site_->form;
    site_->left = static_cast<float>(rect->left) * form.TwipsPerPixelX();
    site_->top = static_cast<float>(rect->top) * form.TwipsPerPixelY();
    site_->width = static_cast<float>(rect->right - rect->left) * form.TwipsPerPixelX();
    site_->height = static_cast<float>(rect->bottom - rect->top) * form.TwipsPerPixelY();
    site_->ApplyExtent();
    return S_OK;
  }

  // IOleControlSite
  HRESULT STDMETHODCALLTYPE OnControlInfoChanged() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LockInPlaceActive(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** out) override {
    *out = site_ ? site_->ExtenderDispatch() : nullptr;
    if (!*out) return E_UNEXPECTED;
    (*out)->AddRef();
    return S_OK;
  }
  // The form's scale is twips.
  HRESULT STDMETHODCALLTYPE TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) override {
    constexpr float kTwipsPerHimetric = 1440.0f / 2540.0f;
    if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
      container->x = static_cast<float>(himetric->x) * kTwipsPerHimetric;
      container->y = static_cast<float>(himetric->y) * kTwipsPerHimetric;
    } else if (flags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
      himetric->x = std::lround(container->x / kTwipsPerHimetric);
      himetric->y = std::lround(container->y / kTwipsPerHimetric);
    } else {
      return E_INVALIDARG;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE OnFocus(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ShowPropertyFrame() override { return E_NOTIMPL; }

  // IDispatch: the ambient properties.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) override {
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                   UINT*) override {
    if (!site_) return E_UNEXPECTED;
    if (!(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
    ::VariantInit(result);
    switch (id) {
      case DISPID_AMBIENT_USERMODE:
        SetBool(result, site_->form.UserMode());
        return S_OK;
      case DISPID_AMBIENT_DISPLAYNAME:
        SetString(result, site_->Display());
        return S_OK;
      case DISPID_AMBIENT_FONT: {
        FONTDESC desc = AmbientFont();
        IFontDisp* font = nullptr;
        if (FAILED(::OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&font))))
          return E_OUTOFMEMORY;
        V_VT(result) = VT_DISPATCH;
        V_DISPATCH(result) = font;
        return S_OK;
      }
      case DISPID_AMBIENT_BACKCOLOR:
        SetI4(result, static_cast<int32_t>(site_->form.BackColor()));
        return S_OK;
      case DISPID_AMBIENT_FORECOLOR:
        SetI4(result, static_cast<int32_t>(0x80000012));  // button text
        return S_OK;
      case DISPID_AMBIENT_LOCALEID:
        SetI4(result, static_cast<int32_t>(::GetUserDefaultLCID()));
        return S_OK;
      case DISPID_AMBIENT_MESSAGEREFLECT:
      case DISPID_AMBIENT_SHOWGRABHANDLES:
      case DISPID_AMBIENT_SHOWHATCHING:
      case DISPID_AMBIENT_UIDEAD:
        SetBool(result, false);
        return S_OK;
      case DISPID_AMBIENT_SUPPORTSMNEMONICS:
        SetBool(result, true);
        return S_OK;
      case DISPID_AMBIENT_SCALEUNITS:
        SetString(result, "Twip");
        return S_OK;
      case DISPID_AMBIENT_APPEARANCE:
        SetI2(result, 1);
        return S_OK;
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

 private:
  ULONG refs_ = 1;
  Site* site_;
};

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
    if (!site_ || !site_->control_dispatch) return DISP_E_UNKNOWNNAME;
    return site_->control_dispatch->GetIDsOfNames(IID_NULL, &name, 1, lcid, id);
  }
  HRESULT ForeignInvoke(DISPID id, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                        UINT* arg_error) override {
    if (!site_ || !site_->control_dispatch) return DISP_E_MEMBERNOTFOUND;
    return site_->control_dispatch->Invoke(id, IID_NULL, lcid, flags, params, result, info, arg_error);
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
        if (!w || !::IsWindowVisible(w) || !::IsWindowEnabled(w)) Raise(err::kCantMoveFocus);
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
  Site* site_;
};

// ---------------------------------------------------------------------------
// Sinks: the control's events and its property change notifications, logged.

namespace {

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

}  // namespace

// ---------------------------------------------------------------------------

Site::Site(Form& f, std::string cls, std::string n) : class_name(std::move(cls)), name(std::move(n)), form(f) {}

Site::~Site() {
  if (ole_object) {
    if (in_place) in_place->InPlaceDeactivate();
    ole_object->Close(OLECLOSE_NOSAVE);
    ole_object->SetClientSite(nullptr);
  }
  auto unadvise = [&](REFIID iid, DWORD cookie) {
    ComPtr<IConnectionPointContainer> cpc;
    ComPtr<IConnectionPoint> cp;
    if (cookie && control && SUCCEEDED(control->QueryInterface(IID_IConnectionPointContainer,
                                                               reinterpret_cast<void**>(cpc.Put()))) &&
        SUCCEEDED(cpc->FindConnectionPoint(iid, cp.Put())))
      cp->Unadvise(cookie);
  };
  unadvise(event_iid, event_cookie);
  unadvise(IID_IPropertyNotifySink, notify_cookie);
  in_place.Reset();
  ole_object.Reset();
  control_dispatch.Reset();
  control.Reset();
  if (site_object) {
    site_object->Detach();
    site_object->Release();
  }
  if (extender) {
    extender->Detach();
    extender->Release();
  }
  if (host_window) ::DestroyWindow(host_window);
  if (host_back) ::DeleteObject(host_back);
}

std::string Site::Display() const { return index >= 0 ? name + "(" + std::to_string(index) + ")" : name; }

HWND Site::Window() const {
  if (host_window) return host_window;
  HWND hwnd = nullptr;
  if (in_place && SUCCEEDED(in_place->GetWindow(&hwnd))) return hwnd;
  return nullptr;
}

RECT Site::PixelRect() const {
  int x = form.ToPixelsX(left), y = form.ToPixelsY(top);
  return RECT{x, y, x + form.ToPixelsX(width), y + form.ToPixelsY(height)};
}

void Site::ApplyExtent() {
  RECT rect = PixelRect();
  if (host_window) {
    ::MoveWindow(host_window, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    return;
  }
  if (ole_object) {
    SIZEL himetric{std::lround(width * 2540.0f / 1440.0f), std::lround(height * 2540.0f / 1440.0f)};
    ole_object->SetExtent(DVASPECT_CONTENT, &himetric);
  }
  if (in_place) {
    RECT clip;
    ::GetClientRect(form.Window(), &clip);
    in_place->SetObjectRects(&rect, &clip);
  }
}

void Site::SetVisible(bool on) {
  visible = on;
  if (HWND w = Window()) ::ShowWindow(w, on ? SW_SHOWNA : SW_HIDE);
}

IDispatch* Site::ExtenderDispatch() const { return extender; }

// ---------------------------------------------------------------------------

Form::Form(const std::string& path, bool user_mode, script::ScriptLog** log)
    : path_(path), user_mode_(user_mode), log_(log) {
  vfm::Block block = vfm::ReadVfmFile(path);
  folder_ = std::filesystem::path(path).parent_path().string();
  name_ = block.name;
  caption_ = block.name;
  dispatch_ = new FormDispatch(*this);

  HDC screen = ::GetDC(nullptr);
  tpp_x_ = 1440.0f / static_cast<float>(::GetDeviceCaps(screen, LOGPIXELSX));
  tpp_y_ = 1440.0f / static_cast<float>(::GetDeviceCaps(screen, LOGPIXELSY));
  ::ReleaseDC(nullptr, screen);

  if (auto* e = block.Find("BackColor")) back_color_ = static_cast<OLE_COLOR>(e->value.value.ToLong());
  if (auto* e = block.Find("Width")) client_width_ = e->value.value.ToSingle();
  if (auto* e = block.Find("Height")) client_height_ = e->value.value.ToSingle();
  if (auto* e = block.Find("Caption")) caption_ = e->value.value.ToString();

  static bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Form::WindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kFormClass;
    return ::RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
  RECT frame{0, 0, ToPixelsX(client_width_), ToPixelsY(client_height_)};
  DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  ::AdjustWindowRectEx(&frame, style, FALSE, 0);
  hwnd_ = ::CreateWindowExW(0, kFormClass, Widen(caption_).c_str(), style, 0, 0, frame.right - frame.left,
                            frame.bottom - frame.top, nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
  if (!hwnd_) throw std::runtime_error("cannot create the form's window");

  for (const char* key : {"Picture", "Pattern"}) {
    const vfm::Entry* e = block.Find(key);
    if (!e || !e->value.picture_path) continue;
    try {
      ComPtr<IPicture> p = LoadPictureFile((std::filesystem::path(folder_) / *e->value.picture_path).string());
      p->AddRef();
      SetPicture(p.get(), key[1] == 'a');
    } catch (const RuntimeError& err) {
      load_errors_.push_back(err);
    }
  }
  for (const vfm::Block& child : block.children) AddControl(child);
}

Form::~Form() {
  sites_.clear();
  classes_.clear();
  if (hwnd_) {
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
  }
  if (dispatch_) dispatch_->Release();
  FreePictureCopy();
}

IDispatch* Form::Dispatch() const { return dispatch_; }

int Form::ToPixelsX(float twips) const { return static_cast<int>(std::lround(twips / tpp_x_)); }
int Form::ToPixelsY(float twips) const { return static_cast<int>(std::lround(twips / tpp_y_)); }

Site* Form::Find(const std::string& name, int index) {
  for (auto& s : sites_) {
    if (NamesMatch(s->name, name) && s->index == index) return s.get();
  }
  return nullptr;
}

Site* Form::SiteOfWindow(HWND window) {
  for (auto& s : sites_) {
    HWND w = s->Window();
    if (w && (w == window || ::IsChild(w, window))) return s.get();
  }
  return nullptr;
}

std::vector<Site*> Form::TabOrder() {
  std::vector<Site*> order;
  for (auto& s : sites_) {
    HWND w = s->Window();
    if (s->tab_stop && w && ::IsWindowVisible(w) && ::IsWindowEnabled(w)) order.push_back(s.get());
  }
  std::stable_sort(order.begin(), order.end(), [](Site* a, Site* b) { return a->tab_index < b->tab_index; });
  return order;
}

void Form::SetBackColor(OLE_COLOR color) {
  CheckColor(color);
  back_color_ = color;
  FreePictureCopy();
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void Form::SetPicture(IPicture* picture, bool tiled) {
  picture_ = ComPtr<IPicture>(picture, false);
  tiled_ = tiled;
  FreePictureCopy();
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void Form::SetClientSize(float width, float height) {
  CheckExtent(width);
  CheckExtent(height);
  client_width_ = width;
  client_height_ = height;
  RECT frame{0, 0, ToPixelsX(width), ToPixelsY(height)};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongW(hwnd_, GWL_STYLE)), FALSE, 0);
  ::SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SetCaption(const std::string& caption) {
  caption_ = caption;
  ::SetWindowTextW(hwnd_, Widen(caption).c_str());
}

void Form::PaintBackground(HDC dc) {
  RECT client;
  ::GetClientRect(hwnd_, &client);
  HBRUSH brush = ::CreateSolidBrush(ColorRef(back_color_));
  ::FillRect(dc, &client, brush);
  ::DeleteObject(brush);
  if (!picture_) return;
  OLE_XSIZE_HIMETRIC w = 0;
  OLE_YSIZE_HIMETRIC h = 0;
  picture_->get_Width(&w);
  picture_->get_Height(&h);
  int px = static_cast<int>(std::lround(static_cast<double>(w) * 1440 / 2540 / tpp_x_));
  int py = static_cast<int>(std::lround(static_cast<double>(h) * 1440 / 2540 / tpp_y_));
  if (px <= 0 || py <= 0) return;
  int cols = tiled_ ? (client.right + px - 1) / px : 1;
  int rows = tiled_ ? (client.bottom + py - 1) / py : 1;
  HDC source = PictureCopy(px, py);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      if (source) {
        ::BitBlt(dc, c * px, r * py, px, py, source, 0, 0, SRCCOPY);
      } else {
        picture_->Render(dc, c * px, r * py, px, py, 0, h, w, -h, nullptr);
      }
    }
  }
}

// The form's picture drawn once over its colour and kept, as form packages keep
// theirs: every control that copies its background makes the form paint again,
// and rendering the picture anew each time costs more than the copy itself.
HDC Form::PictureCopy(int width, int height) {
  if (picture_dc_ && picture_width_ == width && picture_height_ == height) return picture_dc_;
  FreePictureCopy();
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  picture_bitmap_ = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  picture_dc_ = picture_bitmap_ ? ::CreateCompatibleDC(nullptr) : nullptr;
  if (!picture_dc_) {
    FreePictureCopy();
    return nullptr;
  }
  picture_old_bitmap_ = ::SelectObject(picture_dc_, picture_bitmap_);
  picture_width_ = width;
  picture_height_ = height;
  RECT all{0, 0, width, height};
  HBRUSH brush = ::CreateSolidBrush(ColorRef(back_color_));
  ::FillRect(picture_dc_, &all, brush);
  ::DeleteObject(brush);
  OLE_XSIZE_HIMETRIC w = 0;
  OLE_YSIZE_HIMETRIC h = 0;
  picture_->get_Width(&w);
  picture_->get_Height(&h);
  picture_->Render(picture_dc_, 0, 0, width, height, 0, h, w, -h, nullptr);
  return picture_dc_;
}

void Form::FreePictureCopy() {
  if (picture_dc_) {
    ::SelectObject(picture_dc_, picture_old_bitmap_);
    ::DeleteDC(picture_dc_);
  }
  if (picture_bitmap_) ::DeleteObject(picture_bitmap_);
  picture_dc_ = nullptr;
  picture_bitmap_ = nullptr;
  picture_width_ = picture_height_ = 0;
}

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* form = reinterpret_cast<Form*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (form) {
    switch (msg) {
      case WM_ERASEBKGND:
        form->PaintBackground(reinterpret_cast<HDC>(wp));
        return 1;
      // Controls copy their background through this as well as through the screen.
      case WM_PRINTCLIENT:
        form->PaintBackground(reinterpret_cast<HDC>(wp));
        return 0;
      // A form hands the focus back to the control that had it, or on its first
      // activation to the first control in the tab order, as form packages do.
      case WM_ACTIVATE:
        if (LOWORD(wp) == WA_INACTIVE) {
          HWND focus = ::GetFocus();
          if (focus && ::IsChild(hwnd, focus)) form->last_focus_ = focus;
          return 0;
        }
        if (form->last_focus_ && ::IsWindow(form->last_focus_) && ::IsWindowVisible(form->last_focus_)) {
          ::SetFocus(form->last_focus_);
        } else if (auto order = form->TabOrder(); !order.empty()) {
          ::SetFocus(order.front()->Window());
        } else {
          ::SetFocus(hwnd);
        }
        return 0;
      // Host controls draw in the colours their file gives; the rest keep the
      // system's.
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLOREDIT:
        for (auto& s : form->sites_) {
          if (s->host_window != reinterpret_cast<HWND>(lp)) continue;
          HDC dc = reinterpret_cast<HDC>(wp);
          if (s->host_fore) ::SetTextColor(dc, ColorRef(*s->host_fore));
          if (!s->host_back) break;
          LOGBRUSH lb{};
          ::GetObjectW(s->host_back, sizeof lb, &lb);
          ::SetBkColor(dc, lb.lbColor);
          return reinterpret_cast<LRESULT>(s->host_back);
        }
        break;
      case WM_CLOSE:
        return 0;  // the script decides when the form goes
      default:
        break;
    }
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

void Form::AddControl(const vfm::Block& block) {
  auto site = std::make_unique<Site>(*this, block.class_name, block.name);
  Site& s = *site;
  if (auto* e = block.Find("Index")) s.index = e->value.value.ToInteger();
  if (auto* e = block.Find("Left")) s.left = e->value.value.ToSingle();
  if (auto* e = block.Find("Top")) s.top = e->value.value.ToSingle();
  // Host controls placed without a size get the size a designer draws them at.
  s.width = 1215;
  s.height = 495;
  if (auto* e = block.Find("Width")) s.width = e->value.value.ToSingle();
  if (auto* e = block.Find("Height")) s.height = e->value.value.ToSingle();
  s.tab_index = static_cast<int>(sites_.size());
  if (auto* e = block.Find("TabIndex")) s.tab_index = e->value.value.ToInteger();
  if (auto* e = block.Find("TabStop")) s.tab_stop = e->value.value.ToBoolean();
  if (auto* e = block.Find("Visible")) s.visible = e->value.value.ToBoolean();
  s.extender = new Extender(s);
  sites_.push_back(std::move(site));
  if (LibraryClass(block.class_name)) {
    SiteLibraryControl(s, block);
  } else {
    CreateHostWindow(s, block);
  }
  // Contained controls are sited on the form itself: this container keeps no
  // nested containers, and the files it runs have none.
  for (const vfm::Block& child : block.children) AddControl(child);
}

// A form names few classes many times, and each lookup of a class costs several
// reads of the registry: each class is looked up and its factory obtained once, as
// form packages do.
Form::LoadedClass* Form::LibraryClass(const std::string& class_name) {
  for (auto& c : classes_) {
    if (NamesMatch(c.name, class_name)) return c.found ? &c : nullptr;
  }
  LoadedClass c;
  c.name = class_name;
  c.found = SUCCEEDED(::CLSIDFromProgID(Widen("Vitrelle." + class_name).c_str(), &c.clsid));
  if (c.found) {
    ::CoGetClassObject(c.clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                       reinterpret_cast<void**>(c.factory.Put()));
  }
  classes_.push_back(std::move(c));
  return classes_.back().found ? &classes_.back() : nullptr;
}

void Form::SiteLibraryControl(Site& s, const vfm::Block& block) {
  LoadedClass* c = LibraryClass(block.class_name);
  HRESULT hr = E_FAIL;
  if (c && c->factory) {
    hr = c->factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(s.control.Put()));
  } else if (c) {
    hr = ::CoCreateInstance(c->clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                            reinterpret_cast<void**>(s.control.Put()));
  }
  if (FAILED(hr)) {
    load_errors_.push_back(RuntimeError(429, "ActiveX component can't create object"));
    return;
  }
  s.control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(s.control_dispatch.Put()));
  s.control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(s.ole_object.Put()));
  s.site_object = new SiteObject(s);

  // Events and change notifications are connected before the properties load so
  // that what loading reports reaches the log too.
  ComPtr<IProvideClassInfo2> info2;
  ComPtr<IConnectionPointContainer> cpc;
  s.control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(cpc.Put()));
  if (SUCCEEDED(s.control->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(info2.Put()))) &&
      SUCCEEDED(info2->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &s.event_iid))) {
    ComPtr<ITypeInfo> cls;
    ComPtr<ITypeLib> lib;
    UINT at = 0;
    if (SUCCEEDED(info2->GetClassInfo(cls.Put())) && SUCCEEDED(cls->GetContainingTypeLib(lib.Put(), &at)))
      lib->GetTypeInfoOfGuid(s.event_iid, s.events.Put());
    ComPtr<IConnectionPoint> cp;
    if (cpc && SUCCEEDED(cpc->FindConnectionPoint(s.event_iid, cp.Put()))) {
      auto* sink = new EventSink(s, s.event_iid);
      cp->Advise(sink, &s.event_cookie);
      sink->Release();
    }
  }
  ComPtr<IConnectionPoint> notify;
  if (cpc && SUCCEEDED(cpc->FindConnectionPoint(IID_IPropertyNotifySink, notify.Put()))) {
    auto* sink = new NotifySink(s);
    s.offers_property_notify = SUCCEEDED(notify->Advise(sink, &s.notify_cookie));
    sink->Release();
  }

  DWORD misc = 0;
  if (s.ole_object) {
    s.ole_object->GetMiscStatus(DVASPECT_CONTENT, &misc);
    if (misc & OLEMISC_SETCLIENTSITEFIRST) s.ole_object->SetClientSite(s.site_object);
  }
  // A form designer knows a saved control's extent before it loads the control's
  // properties, and a control may place its parts by its width while it loads (a
  // right-justified glyph does).
  SIZEL himetric{std::lround(s.width * 2540.0f / 1440.0f), std::lround(s.height * 2540.0f / 1440.0f)};
  if (s.ole_object) s.ole_object->SetExtent(DVASPECT_CONTENT, &himetric);
  ComPtr<IPersistPropertyBag> persist;
  if (SUCCEEDED(s.control->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(persist.Put())))) {
    FileBag bag(block, folder_);
    hr = persist->Load(&bag, nullptr);
    if (FAILED(hr)) {
      try {
        RaiseFromHResult(hr, nullptr);
      } catch (const RuntimeError& e) {
        load_errors_.push_back(e);
      }
    }
  }
  if (!s.ole_object) return;  // a control without in-place activation stays windowless
  if (!(misc & OLEMISC_SETCLIENTSITEFIRST)) s.ole_object->SetClientSite(s.site_object);
  s.ole_object->SetHostNames(L"Vitrelle test container", Widen(name_).c_str());
  s.ole_object->SetExtent(DVASPECT_CONTENT, &himetric);
  RECT rect = s.PixelRect();
  hr = s.ole_object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, s.site_object, 0, hwnd_, &rect);
  if (SUCCEEDED(hr)) {
    s.control->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(s.in_place.Put()));
    if (!s.visible) s.SetVisible(false);
  }
}

void Form::CreateHostWindow(Site& s, const vfm::Block& block) {
  struct Kind {
    const char* name;
    const wchar_t* window_class;
    DWORD style;
  };
  static const Kind kinds[] = {
      {"TextBox", L"EDIT", WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP},
      {"CommandButton", L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP},
      {"CheckBox", L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP},
      {"OptionButton", L"BUTTON", BS_AUTORADIOBUTTON | WS_TABSTOP},
      {"Label", L"STATIC", 0},
      {"Frame", L"BUTTON", BS_GROUPBOX},
      {"PictureBox", L"STATIC", WS_BORDER},
  };
  const Kind* kind = nullptr;
  for (const Kind& k : kinds) {
    if (NamesMatch(k.name, s.class_name)) kind = &k;
  }
  if (!kind) {
    load_errors_.push_back(RuntimeError(429, "ActiveX component can't create object"));
    return;
  }
  // The text a designer gives a new control is its name; the file's Caption (a
  // TextBox's Text) replaces it.
  std::string text = NamesMatch(kind->name, "TextBox") ? std::string() : s.name;
  if (auto* e = block.Find(NamesMatch(kind->name, "TextBox") ? "Text" : "Caption")) text = e->value.value.ToString();
  if (auto* e = block.Find("ForeColor")) s.host_fore = static_cast<OLE_COLOR>(e->value.value.ToLong());
  if (auto* e = block.Find("BackColor"))
    s.host_back = ::CreateSolidBrush(ColorRef(static_cast<OLE_COLOR>(e->value.value.ToLong())));
  RECT r = s.PixelRect();
  s.host_window = ::CreateWindowExW(0, kind->window_class, Widen(text).c_str(),
                                    WS_CHILD | WS_CLIPSIBLINGS | (s.visible ? WS_VISIBLE : 0) | kind->style,
                                    r.left, r.top, r.right - r.left, r.bottom - r.top, hwnd_, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
  // The same face the library controls get as the ambient font.
  if (!host_font_) {
    FONTDESC desc = AmbientFont();
    ::OleCreateFontIndirect(&desc, IID_IFont, reinterpret_cast<void**>(host_font_.Put()));
  }
  HFONT font = nullptr;
  if (host_font_ && SUCCEEDED(host_font_->get_hFont(&font)) && s.host_window)
    ::SendMessageW(s.host_window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

// ---------------------------------------------------------------------------

ComPtr<IPicture> LoadPictureFile(const std::string& path) {
  if (!std::filesystem::exists(path)) Raise(53);
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.Put()))))
    Raise(481);
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(factory->CreateDecoderFromFilename(Widen(path).c_str(), nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnDemand, decoder.Put())) ||
      FAILED(decoder->GetFrame(0, frame.Put())) || FAILED(factory->CreateFormatConverter(converter.Put())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0,
                                   WICBitmapPaletteTypeCustom)))
    Raise(481);
  UINT w = 0, h = 0;
  converter->GetSize(&w, &h);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = static_cast<LONG>(w);
  bi.bmiHeader.biHeight = -static_cast<LONG>(h);
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) Raise(7);
  if (FAILED(converter->CopyPixels(nullptr, w * 4, w * h * 4, static_cast<BYTE*>(bits)))) {
    ::DeleteObject(bitmap);
    Raise(481);
  }
  PICTDESC desc{};
  desc.cbSizeofstruct = sizeof desc;
  desc.picType = PICTYPE_BITMAP;
  desc.bmp.hbitmap = bitmap;
  ComPtr<IPicture> picture;
  if (FAILED(::OleCreatePictureIndirect(&desc, IID_IPicture, TRUE, reinterpret_cast<void**>(picture.Put())))) {
    ::DeleteObject(bitmap);
    Raise(7);
  }
  return picture;
}

void Form::WriteImage(const std::string& path) {
  ::UpdateWindow(hwnd_);
  RECT client;
  ::GetClientRect(hwnd_, &client);
  int w = client.right, h = client.bottom;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = ::GetDC(hwnd_);
  HBITMAP bitmap = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = ::CreateCompatibleDC(screen);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  ::ReleaseDC(hwnd_, screen);
  struct Free {
    HBITMAP b;
    ~Free() { ::DeleteObject(b); }
  } free_bitmap{bitmap};
  auto* pixels = static_cast<BYTE*>(bits);
  size_t size = static_cast<size_t>(w) * static_cast<size_t>(h) * 4;
  // The fourth byte of a copied pixel is whatever last wrote it: GDI drawing leaves 0,
  // a bitmap blitted from a 32-bit picture leaves its own. Readers that take that
  // byte as alpha then show text and lines drawn over a picture as transparent, so
  // every pixel is written opaque.
  for (size_t i = 3; i < size; i += 4) pixels[i] = 0xFF;

  std::string ext = std::filesystem::path(path).extension().string();
  if (NamesMatch(ext, ".png")) {
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    bool ok = SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Put()))) &&
              SUCCEEDED(factory->CreateStream(stream.Put())) &&
              SUCCEEDED(stream->InitializeFromFilename(Widen(path).c_str(), GENERIC_WRITE)) &&
              SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Put())) &&
              SUCCEEDED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) &&
              SUCCEEDED(encoder->CreateNewFrame(frame.Put(), nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
              SUCCEEDED(frame->SetSize(static_cast<UINT>(w), static_cast<UINT>(h))) &&
              SUCCEEDED(frame->SetPixelFormat(&format)) && IsEqualGUID(format, GUID_WICPixelFormat32bppBGR) &&
              SUCCEEDED(frame->WritePixels(static_cast<UINT>(h), static_cast<UINT>(w) * 4,
                                           static_cast<UINT>(size), pixels)) &&
              SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    if (!ok) throw std::runtime_error("cannot write " + path + " as PNG");
    return;
  }
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = static_cast<DWORD>(file.bfOffBits + size);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
  out.write(reinterpret_cast<const char*>(pixels), static_cast<std::streamsize>(size));
  if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace vitrelle::testhost
