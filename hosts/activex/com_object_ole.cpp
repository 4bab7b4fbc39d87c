// Embedding: how a container sites the control, activates it in place in a window
// of its own, sizes it, hands it keys and asks it to draw. Containers differ in
// what they offer (ambients, an extender, a frame for UI activation); whatever one
// does not offer is done without, quietly.
#include <olectl.h>

#include <algorithm>
#include <cmath>

#include "frame/errors.h"
#include "frame/members.h"
#include "hosts/activex/com_dispatch.h"
#include "hosts/activex/com_object.h"
#include "hosts/activex/ole_objects.h"
#include "hosts/activex/win32_runtime.h"

namespace vitrelle::activex {

namespace {

constexpr double kHimetricPerInch = 2540.0;

// The form a control sits on, as the top-level window that holds it: its
// activation is that window's, and it is never a frame of this library.
class WindowForm final : public Dispatch {
 public:
  explicit WindowForm(HWND hwnd) : hwnd_(hwnd) {}
  Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant>) override {
    if (kind != InvokeKind::kGet && kind != InvokeKind::kCall) Raise(err::kNotSupported);
    if (NamesEqual(member, "hWnd")) return Variant::Long(static_cast<int32_t>(reinterpret_cast<intptr_t>(hwnd_)));
    if (NamesEqual(member, "Caption") || NamesEqual(member, "Name")) {
      wchar_t text[256] = {};
      int n = ::GetWindowTextW(hwnd_, text, 256);
      return Variant::String(Narrow(text, static_cast<size_t>(std::max(0, n))));
    }
    Raise(err::kNotSupported);
  }
  bool IsA(std::string_view type_name) const override { return NamesEqual(type_name, "Form"); }

 private:
  HWND hwnd_;
};

LONG PixelsToHimetric(int pixels, int dpi) {
  return static_cast<LONG>(std::lround(pixels * kHimetricPerInch / dpi));
}

bool IsNavigationKey(WPARAM key) {
  switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_HOME:
    case VK_END: return true;
    default: return false;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// What the surface asks of its container

bool ComObject::ReadAmbient(DISPID id, VARIANT* value) {
  ::VariantInit(value);
  if (!client_site_) return false;
  ComPtr<IDispatch> ambients;
  if (FAILED(client_site_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(ambients.Put()))) || !ambients) {
    return false;
  }
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  HRESULT hr = ambients->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value, nullptr,
                                nullptr);
  if (FAILED(hr)) {
    ::VariantClear(value);
    return false;
  }
  return true;
}

std::optional<bool> ComObject::AmbientUserMode() {
  if (quick_user_mode_) return quick_user_mode_;
  VARIANT v;
  if (!ReadAmbient(DISPID_AMBIENT_USERMODE, &v)) return std::nullopt;
  std::optional<bool> mode;
  if (SUCCEEDED(::VariantChangeType(&v, &v, 0, VT_BOOL))) mode = V_BOOL(&v) != VARIANT_FALSE;
  ::VariantClear(&v);
  return mode;
}

std::optional<std::string> ComObject::AmbientDisplayName() {
  VARIANT v;
  if (!ReadAmbient(DISPID_AMBIENT_DISPLAYNAME, &v)) return std::nullopt;
  std::optional<std::string> name;
  if (SUCCEEDED(::VariantChangeType(&v, &v, 0, VT_BSTR))) name = FromBstr(V_BSTR(&v));
  ::VariantClear(&v);
  return name;
}

FontPtr ComObject::AmbientFont() {
  if (quick_font_) return std::make_shared<OleFont>(quick_font_.get());
  VARIANT v;
  if (!ReadAmbient(DISPID_AMBIENT_FONT, &v)) return nullptr;
  FontPtr font;
  if ((V_VT(&v) == VT_DISPATCH || V_VT(&v) == VT_UNKNOWN) && V_UNKNOWN(&v)) {
    ComPtr<IFont> ole;
    if (SUCCEEDED(V_UNKNOWN(&v)->QueryInterface(IID_IFont, reinterpret_cast<void**>(ole.Put()))) && ole) {
      font = std::make_shared<OleFont>(ole.get());
    }
  }
  ::VariantClear(&v);
  return font;
}

DispatchPtr ComObject::ContainerExtender() {
  if (!client_site_) return nullptr;
  if (!extender_asked_) {
    extender_asked_ = true;
    ComPtr<IOleControlSite> control_site;
    ComPtr<IDispatch> extender;
    if (SUCCEEDED(client_site_->QueryInterface(IID_IOleControlSite, reinterpret_cast<void**>(control_site.Put()))) &&
        control_site && control_site->GetExtendedControl(extender.Put()) == S_OK && extender) {
      container_extender_ = std::make_shared<ComDispatch>(extender.get());
    }
  }
  return container_extender_;
}

HWND ComObject::SiteWindow() {
  if (HWND own = hosted_ ? hosted_->surface().window() : nullptr) return ::GetParent(own);
  if (!client_site_) return nullptr;
  ComPtr<IOleInPlaceSite> site;
  HWND hwnd = nullptr;
  if (SUCCEEDED(client_site_->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(site.Put()))) && site &&
      SUCCEEDED(site->GetWindow(&hwnd))) {
    return hwnd;
  }
  return nullptr;
}

DispatchPtr ComObject::ContainerForm() {
  HWND window = SiteWindow();
  HWND root = window ? ::GetAncestor(window, GA_ROOT) : nullptr;
  if (!root) return nullptr;
  return std::make_shared<WindowForm>(root);
}

void ComObject::OnSizeChangedByControl() {
  if (!in_place_site_) return;
  RECT rect = PixelExtent();
  ::OffsetRect(&rect, pos_rect_.left, pos_rect_.top);
  pos_rect_ = rect;
  // A container answers with SetObjectRects; one that insists on its own size must
  // not bring us back here without end.
  if (telling_position_) return;
  telling_position_ = true;
  in_place_site_->OnPosRectChange(&rect);
  telling_position_ = false;
}

RECT ComObject::TakeRect(const RECT& pos) {
  Win32Surface& surface = hosted_->surface();
  surface.ResizeFromHost(pos.right - pos.left, pos.bottom - pos.top);
  // A control may keep a size of its own (a slider's fixed thickness): its window
  // has the control's size, placed where the container put it.
  RECT own = PixelExtent();
  ::OffsetRect(&own, pos.left, pos.top);
  return own;
}

RECT ComObject::PixelExtent() const {
  return RECT{0, 0, hosted_->surface().PixelWidth(), hosted_->surface().PixelHeight()};
}

// ---------------------------------------------------------------------------
// IOleObject

HRESULT ComObject::SetClientSite(IOleClientSite* site) {
  if (!site) {
    // The container is letting go: whatever is still active goes with it.
    InPlaceDeactivate();
  }
  client_site_ = ComPtr<IOleClientSite>(site);
  container_extender_.reset();
  extender_asked_ = false;
  return S_OK;
}

HRESULT ComObject::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  *site = client_site_.get();
  if (*site) (*site)->AddRef();
  return S_OK;
}

HRESULT ComObject::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

HRESULT ComObject::Close(DWORD save_option) {
  // Some containers close without deactivating first; the window must not outlive this.
  InPlaceDeactivate();
  if (client_site_ && dirty_ && (save_option == OLECLOSE_SAVEIFDIRTY || save_option == OLECLOSE_PROMPTSAVE)) {
    client_site_->SaveObject();
  }
  if (advise_holder_) advise_holder_->SendOnClose();
  return S_OK;
}

HRESULT ComObject::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }
HRESULT ComObject::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}
HRESULT ComObject::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }
HRESULT ComObject::GetClipboardData(DWORD, IDataObject** data) {
  if (data) *data = nullptr;
  return E_NOTIMPL;
}

HRESULT ComObject::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT rect) {
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_UIACTIVATE: return ActivateInPlace(site, rect, true);
    case OLEIVERB_INPLACEACTIVATE: return ActivateInPlace(site, rect, false);
    case OLEIVERB_HIDE:
      UIDeactivate();
      if (HWND hwnd = hosted_->surface().window()) ::ShowWindow(hwnd, SW_HIDE);
      return S_OK;
    case OLEIVERB_PROPERTIES: return ShowPropertyPages(parent);
    case OLEIVERB_OPEN:
    case OLEIVERB_DISCARDUNDOSTATE: return E_NOTIMPL;
    default:
      if (verb > 0) {
        // An unknown positive verb runs the primary one, and says so.
        HRESULT hr = ActivateInPlace(site, rect, true);
        return FAILED(hr) ? hr : OLEOBJ_S_INVALIDVERB;
      }
      return OLEOBJ_E_INVALIDVERB;
  }
}

HRESULT ComObject::ActivateInPlace(IOleClientSite* site, LPCRECT rect, bool ui_activate) {
  if (!hosted_) return E_UNEXPECTED;
  if (!site) site = client_site_.get();
  if (!site) return E_INVALIDARG;
  EnsureInitialized();
  Win32Surface& surface = hosted_->surface();
  if (!in_place_site_) {
    ComPtr<IOleInPlaceSite> in_place;
    if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(in_place.Put()))) || !in_place) {
      return OLEOBJ_S_CANNOT_DOVERB_NOW;
    }
    if (in_place->CanInPlaceActivate() != S_OK) return OLEOBJ_S_CANNOT_DOVERB_NOW;
    HWND parent = nullptr;
    if (FAILED(in_place->GetWindow(&parent)) || !parent) return E_FAIL;
    in_place->OnInPlaceActivate();

    RECT pos{}, clip{};
    OLEINPLACEFRAMEINFO frame_info{};
    frame_info.cb = sizeof(frame_info);
    ComPtr<IOleInPlaceFrame> frame;
    ComPtr<IOleInPlaceUIWindow> doc;
    if (FAILED(in_place->GetWindowContext(frame.Put(), doc.Put(), &pos, &clip, &frame_info))) {
      pos = RECT{};
    }
    frame_ = frame;
    doc_window_ = doc;
    // The verb's rectangle is the container's latest word; its context the fallback.
    if (rect && rect->right > rect->left && rect->bottom > rect->top) pos = *rect;
    if (pos.right <= pos.left || pos.bottom <= pos.top) {
      RECT own = PixelExtent();
      pos = RECT{pos.left, pos.top, pos.left + own.right, pos.top + own.bottom};
    }
    in_place_site_ = in_place;
    const RECT own = TakeRect(pos);
    pos_rect_ = own;
    if (!surface.CreateWindowIn(parent, own)) {
      in_place_site_->OnInPlaceDeactivate();
      in_place_site_.Reset();
      frame_.Reset();
      doc_window_.Reset();
      return E_FAIL;
    }
    if (!::EqualRect(&own, &pos)) OnSizeChangedByControl();
  }
  if (HWND hwnd = surface.window(); hwnd && surface.ShownFlag() && !::IsWindowVisible(hwnd)) {
    ::ShowWindow(hwnd, SW_SHOWNA);
  }
  if (ui_activate && !ui_active_) {
    ui_active_ = true;
    in_place_site_->OnUIActivate();
    if (frame_) frame_->SetActiveObject(static_cast<IOleInPlaceActiveObject*>(this), nullptr);
    if (doc_window_) doc_window_->SetActiveObject(static_cast<IOleInPlaceActiveObject*>(this), nullptr);
    if (HWND hwnd = surface.window(); hwnd && !::IsChild(hwnd, ::GetFocus())) ::SetFocus(hwnd);
  }
  return S_OK;
}

HRESULT ComObject::Update() { return S_OK; }
HRESULT ComObject::IsUpToDate() { return S_OK; }

HRESULT ComObject::GetUserClassID(CLSID* clsid) { return GetClassID(clsid); }

HRESULT ComObject::GetUserType(DWORD form, LPOLESTR* type) {
  if (!type) return E_POINTER;
  return ::OleRegGetUserType(ToGuid(class_.clsid), form, type);
}

HRESULT ComObject::SetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!hosted_) return E_UNEXPECTED;
  extent_himetric_ = *size;
  // Once active in place the container's rectangles decide the size: some
  // containers pass extents here in units of their own.
  if (!in_place_site_) {
    const int width = static_cast<int>(std::lround(size->cx * ScreenDpi(LOGPIXELSX) / kHimetricPerInch));
    const int height = static_cast<int>(std::lround(size->cy * ScreenDpi(LOGPIXELSY) / kHimetricPerInch));
    hosted_->surface().ResizeFromHost(width, height, initialized_);
    extent_before_load_ = !initialized_;
  }
  return S_OK;
}

HRESULT ComObject::GetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!hosted_) return E_UNEXPECTED;
  size->cx = PixelsToHimetric(hosted_->surface().PixelWidth(), ScreenDpi(LOGPIXELSX));
  size->cy = PixelsToHimetric(hosted_->surface().PixelHeight(), ScreenDpi(LOGPIXELSY));
  return S_OK;
}

HRESULT ComObject::Advise(IAdviseSink* sink, DWORD* connection) {
  if (!sink || !connection) return E_POINTER;
  if (!advise_holder_) {
    HRESULT hr = ::CreateOleAdviseHolder(advise_holder_.Put());
    if (FAILED(hr)) return hr;
  }
  return advise_holder_->Advise(sink, connection);
}

HRESULT ComObject::Unadvise(DWORD connection) {
  if (!advise_holder_) return OLE_E_NOCONNECTION;
  return advise_holder_->Unadvise(connection);
}

HRESULT ComObject::EnumAdvise(IEnumSTATDATA** advise) {
  if (!advise) return E_POINTER;
  *advise = nullptr;
  if (!advise_holder_) return E_FAIL;
  return advise_holder_->EnumAdvise(advise);
}

HRESULT ComObject::GetMiscStatus(DWORD aspect, DWORD* status) {
  if (!status) return E_POINTER;
  *status = 0;
  if (aspect != DVASPECT_CONTENT) return S_OK;
  *status = class_.misc_status;
  return S_OK;
}

HRESULT ComObject::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// ---------------------------------------------------------------------------
// IOleInPlaceObject

HRESULT ComObject::GetWindow(HWND* hwnd) {
  if (!hwnd) return E_POINTER;
  *hwnd = hosted_ ? hosted_->surface().window() : nullptr;
  return *hwnd ? S_OK : E_FAIL;
}

HRESULT ComObject::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT ComObject::InPlaceDeactivate() {
  if (!in_place_site_) return S_OK;
  UIDeactivate();
  hosted_->surface().DestroyWindowNow();
  ComPtr<IOleInPlaceSite> site = in_place_site_;
  in_place_site_.Reset();
  frame_.Reset();
  doc_window_.Reset();
  site->OnInPlaceDeactivate();
  return S_OK;
}

HRESULT ComObject::UIDeactivate() {
  if (!ui_active_) return S_OK;
  ui_active_ = false;
  if (frame_) frame_->SetActiveObject(nullptr, nullptr);
  if (doc_window_) doc_window_->SetActiveObject(nullptr, nullptr);
  if (in_place_site_) in_place_site_->OnUIDeactivate(FALSE);
  return S_OK;
}

HRESULT ComObject::SetObjectRects(LPCRECT pos, LPCRECT) {
  if (!pos) return E_POINTER;
  if (!hosted_) return E_UNEXPECTED;
  const RECT own = TakeRect(*pos);
  pos_rect_ = own;
  hosted_->surface().MoveTo(own);
  if (!::EqualRect(&own, pos)) OnSizeChangedByControl();
  return S_OK;
}

HRESULT ComObject::ReactivateAndUndo() { return INPLACE_E_NOTUNDOABLE; }

// ---------------------------------------------------------------------------
// IOleInPlaceActiveObject

HRESULT ComObject::TranslateAccelerator(LPMSG msg) {
  if (!msg) return E_POINTER;
  HWND own = hosted_ ? hosted_->surface().window() : nullptr;
  if (!own) return S_FALSE;
  const bool ours = msg->hwnd == own || ::IsChild(own, msg->hwnd);
  // Containers that run dialog navigation would turn arrows into focus moves; the
  // control's own keys go to it first, to the window they were for: a part that
  // holds the focus (an option's glyph) handles its arrows itself.
  if (ours && (msg->message == WM_KEYDOWN || msg->message == WM_KEYUP) && IsNavigationKey(msg->wParam)) {
    ::SendMessageW(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    return S_OK;
  }
  return S_FALSE;
}

HRESULT ComObject::OnFrameWindowActivate(BOOL) { return S_OK; }
HRESULT ComObject::OnDocWindowActivate(BOOL) { return S_OK; }
HRESULT ComObject::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
HRESULT ComObject::EnableModeless(BOOL) { return S_OK; }

// ---------------------------------------------------------------------------
// IOleControl

HRESULT ComObject::GetControlInfo(CONTROLINFO* info) {
  if (!info) return E_POINTER;
  if (info->cb < sizeof(CONTROLINFO)) return E_INVALIDARG;
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

// No mnemonics are announced, so none can arrive.
HRESULT ComObject::OnMnemonic(MSG*) { return E_NOTIMPL; }

HRESULT ComObject::OnAmbientPropertyChange(DISPID id) {
  if (id == DISPID_UNKNOWN || id == DISPID_AMBIENT_USERMODE) quick_user_mode_.reset();
  if (id == DISPID_UNKNOWN || id == DISPID_AMBIENT_FONT) quick_font_.Reset();
  // What quick activation handed over is now out of date; the site answers for
  // it from here on, and every other ambient is read from the site whenever the
  // control asks. A change only needs the control repainted in what may be a new
  // font or colour.
  if (hosted_) hosted_->surface().Invalidate();
  return S_OK;
}

HRESULT ComObject::FreezeEvents(BOOL freeze) {
  if (freeze) {
    ++freeze_count_;
  } else if (freeze_count_ > 0) {
    --freeze_count_;
  }
  return S_OK;
}

// ---------------------------------------------------------------------------
// IViewObject2

HRESULT ComObject::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                        BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!dc || !bounds) return E_INVALIDARG;
  if (!hosted_) return E_UNEXPECTED;
  RECT rect{bounds->left, bounds->top, bounds->right, bounds->bottom};
  hosted_->surface().DrawInto(dc, rect);
  return S_OK;
}

HRESULT ComObject::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors) {
  if (colors) *colors = nullptr;
  return E_NOTIMPL;
}
HRESULT ComObject::Freeze(DWORD, LONG, void*, DWORD*) { return E_NOTIMPL; }
HRESULT ComObject::Unfreeze(DWORD) { return E_NOTIMPL; }

HRESULT ComObject::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  view_sink_ = ComPtr<IAdviseSink>(sink);
  view_aspects_ = aspects;
  view_flags_ = flags;
  return S_OK;
}

HRESULT ComObject::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = view_aspects_;
  if (flags) *flags = view_flags_;
  if (sink) {
    *sink = view_sink_.get();
    if (*sink) (*sink)->AddRef();
  }
  return S_OK;
}

HRESULT ComObject::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) { return GetExtent(aspect, size); }

}  // namespace vitrelle::activex
