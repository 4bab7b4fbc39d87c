#include "hosts/activex/testhost/form_host.h"

#include "hosts/activex/testhost/extender.h"
#include "hosts/activex/testhost/sinks.h"
#include "hosts/activex/testhost/site_object.h"

namespace vitrelle::testhost {

Site::Site(Form& f, Site* holder, std::string cls, std::string n)
    : class_name(std::move(cls)), name(std::move(n)), container(holder), form(f) {}

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

HWND Site::ParentWindow() const {
  if (container) {
    if (HWND w = container->Window()) return w;
  }
  return form.Window();
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
    ::GetClientRect(ParentWindow(), &clip);
    in_place->SetObjectRects(&rect, &clip);
  }
}

void Site::SetVisible(bool on) {
  visible = on;
  if (!on) form.MoveFocusFrom(*this);
  HWND w = Window();
  if (!w) return;
  if (on) {
    ::ShowWindow(w, SW_SHOWNA);
    return;
  }
  // What lay beneath paints when the container next pumps its messages, in one
  // paint with its erase, rather than erased at once and painted again later: a
  // control that copies its background hides, pumps and copies on every copy.
  ::SetWindowPos(w, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_DEFERERASE);
}

IDispatch* Site::ExtenderDispatch() const { return extender; }

}  // namespace vitrelle::testhost
