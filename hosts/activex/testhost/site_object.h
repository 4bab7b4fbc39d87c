#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cmath>

#include "frame/errors.h"
#include "frame/part_rules.h"
#include "hosts/activex/control_internals.h"
#include "hosts/activex/ole_objects.h"
#include "hosts/activex/testhost/dispatch_values.h"
#include "hosts/activex/testhost/form_host.h"

namespace vitrelle::testhost {

using activex::FromVariant;
using activex::Narrow;
using activex::ToBstr;
using activex::Widen;

inline FONTDESC AmbientFont() {
  return FONTDESC{sizeof(FONTDESC), const_cast<LPOLESTR>(L"MS Sans Serif"), {{82500, 0}}, FW_NORMAL, ANSI_CHARSET,
                  FALSE, FALSE, FALSE};
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
    *hwnd = site_->ParentWindow();
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
    ::GetClientRect(site_->ParentWindow(), clip);
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

}  // namespace vitrelle::testhost
