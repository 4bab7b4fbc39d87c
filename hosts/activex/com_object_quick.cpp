// Quick activation: what a container does in several calls on the ordinary path
// (the client site, the event and change sinks, the view sink, the ambients) in
// one, with the misc status handed back.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstddef>

#include "hosts/activex/com_object.h"

namespace vitrelle::activex {

HRESULT ComObject::QuickActivate(QACONTAINER* container, QACONTROL* control) {
  if (!container || !control) return E_POINTER;
  // Older containers pass the shorter structures of their day; the fields up to
  // the bind host have always been there, the pointer policy is newer.
  if (container->cbSize < offsetof(QACONTAINER, pOleControlSite) ||
      control->cbSize < offsetof(QACONTROL, dwPointerActivationPolicy))
    return E_INVALIDARG;
  const ULONG control_size = control->cbSize;
  quick_user_mode_ = (container->dwAmbientFlags & QACONTAINER_USERMODE) != 0;
  quick_font_.Reset();
  if (container->pFont) container->pFont->QueryInterface(IID_IFont, reinterpret_cast<void**>(quick_font_.Put()));

  // In the ordinary order: the site first (the misc status asks for it), then the
  // sinks.
  HRESULT hr = SetClientSite(container->pClientSite);
  if (FAILED(hr)) return hr;
  DWORD event_cookie = 0, notify_cookie = 0;
  ComPtr<IConnectionPoint> point;
  if (container->pUnkEventSink && events_ && SUCCEEDED(FindConnectionPoint(ToGuid(events_->id), point.Put()))) {
    hr = point->Advise(container->pUnkEventSink, &event_cookie);
    if (FAILED(hr)) return hr;
  }
  if (container->pPropertyNotifySink && SUCCEEDED(FindConnectionPoint(IID_IPropertyNotifySink, point.Put()))) {
    hr = point->Advise(container->pPropertyNotifySink, &notify_cookie);
    if (FAILED(hr)) return hr;
  }
  if (container->pAdviseSink) SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);

  *control = QACONTROL{};
  control->cbSize = control_size;
  control->dwMiscStatus = class_.misc_status;
  // A transparent control shows what is beneath it: never opaque to the container.
  control->dwViewStatus = 0;
  control->dwEventCookie = event_cookie;
  control->dwPropNotifyCookie = notify_cookie;
  if (control_size >= sizeof(QACONTROL)) control->dwPointerActivationPolicy = 0;
  return S_OK;
}

HRESULT ComObject::SetContentExtent(LPSIZEL size) { return SetExtent(DVASPECT_CONTENT, size); }

HRESULT ComObject::GetContentExtent(LPSIZEL size) { return GetExtent(DVASPECT_CONTENT, size); }

}  // namespace vitrelle::activex
