// A private interface of the library's controls for containers built with the
// library (the test container): what a standard container cannot learn through
// the OLE control interfaces. It is not in the type library and never will be;
// its IID and vtable may change with any build, so the server and its clients
// come from the same tree.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace vitrelle::activex {

// {4B44E6FC-C29C-4CEF-BE20-9741587E1385}
inline constexpr IID IID_IVitrelleControlInternals = {
    0x4b44e6fc, 0xc29c, 0x4cef, {0xbe, 0x20, 0x97, 0x41, 0x58, 0x7e, 0x13, 0x85}};

class IVitrelleControlInternals : public IUnknown {
 public:
  // The property name the control passed to its latest PropertyChanged, spelled
  // as the control wrote it. IPropertyNotifySink::OnChanged carries only a
  // DISPID, and the type library's spelling of a member may differ in case from
  // the control's ("value" and "Value"); a sink that reads this during OnChanged
  // gets the very name of that notification. S_FALSE and an empty string before
  // the first change. The caller frees the string.
  virtual HRESULT STDMETHODCALLTYPE GetChangedName(BSTR* name) = 0;
  // Where the constituent part `name` (matched without regard to case) lies, in
  // the control's client pixels, and its own window (null for a windowless part,
  // which draws on the control and takes the mouse through the control's window).
  // A container aims real mouse messages at a part with it. E_INVALIDARG when
  // the control has no such part or the part has no area (a timer, a line).
  virtual HRESULT STDMETHODCALLTYPE GetPartRect(LPCOLESTR name, RECT* pixels, HWND* window) = 0;
};

}  // namespace vitrelle::activex
