// Small bridges between COM's types and the core's: text, GUIDs, VARIANTs, the
// module's own type library, and the HRESULT a run-time error becomes.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <string>
#include <string_view>

#include "frame/errors.h"
#include "frame/guid.h"
#include "frame/variant.h"

namespace vitrelle::activex {

// The platform's stock property pages (MinGW's headers do not declare them).
inline constexpr CLSID kStockFontPage = {0x7EBDAAE0, 0x8120, 0x11CF, {0x89, 0x9F, 0x00, 0xAA, 0x00, 0x68, 0x8B, 0x10}};
inline constexpr CLSID kStockColorPage = {0x7EBDAAE1, 0x8120, 0x11CF, {0x89, 0x9F, 0x00, 0xAA, 0x00, 0x68, 0x8B, 0x10}};
// IAccessible. MinGW's oleacc import library resolves IID_IAccessible to a thunk in
// the DLL's import table, not to the GUID.
inline constexpr IID kIidAccessible = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
inline constexpr CLSID kStockPicturePage = {0x7EBDAAE2, 0x8120, 0x11CF, {0x89, 0x9F, 0x00, 0xAA, 0x00, 0x68, 0x8B, 0x10}};

// The module (Vitrelle.ocx) itself, set from DllMain.
HINSTANCE ModuleInstance();
void SetModuleInstance(HINSTANCE instance);
// The module's full path, as registration writes it.
std::wstring ModulePath();

// The screen's dots per inch (LOGPIXELSX or LOGPIXELSY), 96 when it cannot be
// asked. Read once: the system's DPI is fixed for a process's lifetime, and each
// question is a screen context and a round trip to the window server under Wine.
int ScreenDpi(int index);
// The screen's colour depth in bits per pixel, 0 when it cannot be asked; read once
// for the same reason.
int ScreenBitsPerPixel();
// A 32-bit section of memory that contexts draw into as into any bitmap; its rows
// run top-down when asked, so that row y starts `y * width` pixels into `*bits`.
HBITMAP CreateBitmap32(HDC dc, int width, int height, bool top_down, void** bits);

std::wstring Widen(std::string_view utf8);
std::string Narrow(const wchar_t* text, size_t length);
std::string Narrow(std::wstring_view text);
// A BSTR's text (a null BSTR is the empty string).
std::string FromBstr(BSTR text);
// A new BSTR the caller owns; null when memory ran out.
BSTR ToBstr(std::string_view utf8);

GUID ToGuid(const Guid& g);
Guid FromGuid(const GUID& g);

// The type library embedded as resource 1 TYPELIB, loaded once from the module path.
// Null (and the failure in `hr`) when it cannot be loaded.
ITypeLib* ModuleTypeLib(HRESULT* hr = nullptr);
// The type information of an interface or class of the library, AddRef'ed.
HRESULT GetModuleTypeInfo(const Guid& id, ITypeInfo** info);

// VARIANT -> Variant. By-reference VARIANTs are read through. Objects become
// Object (IDispatch), Picture (IPicture) or Font (IFont) as the object answers.
// Raises 13 for a VARIANT type the core has no value for.
Variant FromVariant(const VARIANT& v);
// Variant -> VARIANT (which the caller clears). Raises 7 when memory runs out.
void ToVariant(const Variant& value, VARIANT* out);
// Writes `value` back into a by-reference VARIANT of the type it points to, so that
// a handler's change to an event parameter reaches the caller.
HRESULT StoreByRef(const Variant& value, VARIANT* by_ref);

// Whether IDispatch::Invoke can read a caller's DISPPARAMS as they claim to be:
// E_POINTER for none, E_INVALIDARG when a count has no array behind it or there
// are more named arguments than arguments, else S_OK.
HRESULT CheckDispParams(const DISPPARAMS* params);

// A run-time error as a script sees it: DISP_E_EXCEPTION with the error as a
// FACILITY_CONTROL scode (CTL_E_* style) and the host's text.
HRESULT FillException(const RuntimeError& error, EXCEPINFO* info);
// The HRESULT of a run-time error for vtable callers: MAKE_HRESULT(1, FACILITY_CONTROL, n).
HRESULT ErrorHResult(int number);

// Held by each COM object of this module that is no control (the late-bound object
// handed out for a core object, such as a frame's Controls): the server counts its
// controls, and these run the module's code as well, so while one lives the module
// must stay loaded.
class ModuleObject {
 public:
  ModuleObject();
  ~ModuleObject();
  ModuleObject(const ModuleObject&) = delete;
  ModuleObject& operator=(const ModuleObject&) = delete;
  static long Alive();
};

// A COM reference that releases itself.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  explicit ComPtr(T* p, bool add_ref = true) : p_(p) {
    if (p_ && add_ref) p_->AddRef();
  }
  ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
  ComPtr(ComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  ComPtr& operator=(ComPtr o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~ComPtr() {
    if (p_) p_->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out-parameters: releases what is held and hands out the slot.
  T** Put() {
    if (p_) p_->Release();
    p_ = nullptr;
    return &p_;
  }
  void Reset() { *this = ComPtr(); }

 private:
  T* p_ = nullptr;
};

}  // namespace vitrelle::activex
