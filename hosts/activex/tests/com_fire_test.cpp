// A COM client that throws at the registered server what careless and hostile
// containers hand it, run under Wine after regsvr32: every member of every class,
// found through its ITypeInfo, invoked with every VARIANT type and with broken calls;
// streams and property bags cut short, corrupt, failing or of the wrong types; names
// that do not exist. Every call must come back with an HRESULT (EXCEPINFO filled for
// DISP_E_EXCEPTION) and the object must work afterwards. Nothing may be left behind:
// objects made and released in random orders, containers that never close a control,
// DllCanUnloadNow, and 10,000 background copies and property changes against the
// process's GDI objects and windows. First, one control shows what a well-behaved
// container relies on beyond late binding.
//
// Prints one line per failed case, a few lines of counts, and
// "com_fire: N passed, M failed", one check per row of related cases.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "controls/library.h"
#include "frame/tracking.h"
#include "frame/type_model.h"
#include "hosts/activex/com_dispatch.h"
#include "hosts/activex/com_util.h"
#include "hosts/activex/control_internals.h"
#include "hosts/activex/win32_modal_form.h"

using namespace vitrelle;
using activex::ComPtr;
using activex::Narrow;
using activex::ToGuid;
using activex::Widen;

namespace {

// ---------------------------------------------------------------------------
// Reporting

int passed = 0;
int failed = 0;

struct Counts {
  long invokes = 0, names = 0, stream_loads = 0, bag_loads = 0, created = 0, copies = 0, changes = 0;
  long about_shown = 0, boxes_shown = 0;
} calls;

// Where the run is, for a crash or a hang to name.
std::mutex where_lock;
std::string where = "start";
volatile LONG progress = 0;

void At(std::string text) {
  std::lock_guard<std::mutex> hold(where_lock);
  where = std::move(text);
  ::InterlockedIncrement(&progress);
}
std::string Where() {
  std::lock_guard<std::mutex> hold(where_lock);
  return where;
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* e) {
  std::printf("com_fire: FAILED: crashed (exception %08lx) in %s\n", e->ExceptionRecord->ExceptionCode,
              Where().c_str());
  std::fflush(stdout);
  ::ExitProcess(2);
}

// A call that never returns (a modal loop nobody closes) would hang the suite.
DWORD WINAPI Watchdog(void*) {
  constexpr int kStallSeconds = 120;
  LONG last = -1;
  for (int still = 0;; ::Sleep(1000)) {
    const LONG now = progress;
    still = now != last ? 0 : still + 1;
    last = now;
    if (still >= kStallSeconds) {
      std::printf("com_fire: FAILED: no progress for %d s in %s\n", kStallSeconds, Where().c_str());
      std::fflush(stdout);
      ::ExitProcess(3);
    }
  }
}

std::string Hex(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08x", static_cast<unsigned>(v));
  return buf;
}
std::string HrText(HRESULT hr) { return "hr " + Hex(static_cast<uint32_t>(hr)); }

// One check made of related cases: it passes when every case held, and a row that
// checked nothing fails, so that a table that came out empty is seen.
class Row {
 public:
  explicit Row(std::string name) : name_(std::move(name)) {}
  Row(const Row&) = delete;
  Row& operator=(const Row&) = delete;
  ~Row() {
    if (cases_ == 0) Bad("no case was checked");
    if (bad_ == 0) {
      ++passed;
      return;
    }
    ++failed;
    if (bad_ > kShown) std::printf("com_fire: FAILED: %s: %d more cases\n", name_.c_str(), bad_ - kShown);
  }
  void Expect(bool ok, const std::string& detail) {
    ++cases_;
    if (!ok) Bad(detail);
  }

 private:
  static constexpr int kShown = 6;
  void Bad(const std::string& detail) {
    if (++bad_ <= kShown) std::printf("com_fire: FAILED: %s: %s\n", name_.c_str(), detail.c_str());
  }
  std::string name_;
  int cases_ = 0;
  int bad_ = 0;
};

void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// A VARIANT this program owns.
class Var {
 public:
  Var() { ::VariantInit(&v); }
  ~Var() { ::VariantClear(&v); }
  Var(const Var& o) : Var() { ::VariantCopy(&v, const_cast<VARIANT*>(&o.v)); }
  Var& operator=(const Var& o) {
    if (this != &o) ::VariantCopy(&v, const_cast<VARIANT*>(&o.v));  // clears what it held first
    return *this;
  }
  VARIANT v;
};

VARIANT Of(VARTYPE vt) {
  VARIANT v;
  ::VariantInit(&v);
  V_VT(&v) = vt;
  return v;
}
VARIANT Long(LONG n) {
  VARIANT v = Of(VT_I4);
  V_I4(&v) = n;
  return v;
}
VARIANT DispatchValue(IDispatch* object) {
  VARIANT v = Of(VT_DISPATCH);
  V_DISPATCH(&v) = object;
  return v;
}
VARIANT Text(const wchar_t* text) {
  VARIANT v = Of(VT_BSTR);
  V_BSTR(&v) = ::SysAllocString(text);
  return v;
}

bool Same(const VARIANT& a, const VARIANT& b) {
  if (V_VT(&a) != V_VT(&b)) return false;
  switch (V_VT(&a)) {
    case VT_EMPTY:
    case VT_NULL: return true;
    case VT_DISPATCH:
    case VT_UNKNOWN: return (V_UNKNOWN(&a) == nullptr) == (V_UNKNOWN(&b) == nullptr);
    default:
      return ::VarCmp(const_cast<VARIANT*>(&a), const_cast<VARIANT*>(&b), LOCALE_USER_DEFAULT, 0) == VARCMP_EQ;
  }
}

bool IsObject(const VARIANT& v) { return V_VT(&v) == VT_DISPATCH || V_VT(&v) == VT_UNKNOWN; }

// `object` as `iid`; null when it has no such interface, or there is no object.
template <class T>
ComPtr<T> Query(IUnknown* object, REFIID iid) {
  ComPtr<T> out;
  if (object && FAILED(object->QueryInterface(iid, reinterpret_cast<void**>(out.Put())))) out.Reset();
  return out;
}

// A platform font or picture: the platform's code, not the module's.
bool IsPlatformObject(IUnknown* object) {
  return Query<IUnknown>(object, IID_IFont) || Query<IUnknown>(object, IID_IPicture);
}

// ---------------------------------------------------------------------------
// Modal UI: the About box (a dialog with no owner) and the message boxes a control
// shows for a refused value (a slider's Max below its Min) really show under Wine's
// virtual display, and wait. A timer of this thread, running for the whole program,
// is dispatched by whatever loop runs, theirs included, and presses each dialog's
// cancel key (the About box's OK button, a message box's only one).

HWND last_closed = nullptr;

BOOL CALLBACK CloseDialog(HWND hwnd, LPARAM) {
  wchar_t name[16] = {};
  ::GetClassNameW(hwnd, name, 16);
  if (std::wstring(name) == L"#32770" && ::IsWindowVisible(hwnd) && hwnd != last_closed) {
    last_closed = hwnd;
    if (::GetPropW(hwnd, activex::kFormNameProperty)) {
      ++calls.about_shown;
    } else {
      ++calls.boxes_shown;
    }
    ::PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
  }
  return TRUE;
}

void CALLBACK DialogTimer(HWND, UINT, UINT_PTR, DWORD) { ::EnumThreadWindows(::GetCurrentThreadId(), CloseDialog, 0); }

// ---------------------------------------------------------------------------
// Objects this program hands to the controls. Each counts its references; the probes
// must be given back in the end, the sites and sinks let go of.

int live_sites = 0;
int live_sinks = 0;

// What every object this program hands out shares: QueryInterface for IUnknown and
// what `Self::Find` names, and a count of references. An object the control may be
// the last to release (a site, a sink) deletes itself then; the rest belong to this
// program, which checks their count at the end.
template <class Self, class First, class... More>
class Counted : public First, public More... {
 public:
  explicit Counted(bool deletes_itself = false) : deletes_itself_(deletes_itself) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = IsEqualIID(iid, IID_IUnknown) ? static_cast<First*>(this) : static_cast<Self*>(this)->Find(iid);
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0 && deletes_itself_) delete static_cast<Self*>(this);
    return left;
  }
  ULONG refs() const { return refs_; }

 protected:
  virtual ~Counted() = default;
  // For a Find of an object with one interface.
  void* Offer(bool offered) { return offered ? static_cast<First*>(this) : nullptr; }

 private:
  ULONG refs_ = 1;
  bool deletes_itself_;
};

// For the out parameters of what this program's objects do not do.
template <class T>
HRESULT Nothing(T** out, HRESULT hr) {
  if (out) *out = nullptr;
  return hr;
}

// A foreign object handed to the controls as a value (an IUnknown only, or an
// IDispatch without members), or an event sink, which takes every event.
class Dispatcher final : public Counted<Dispatcher, IDispatch> {
 public:
  enum Role { kPlain, kProbe, kSink };
  explicit Dispatcher(Role role) : Counted(role == kSink), role_(role) { live_sinks += role == kSink; }
  ~Dispatcher() override { live_sinks -= role_ == kSink; }
  void* Find(REFIID iid) { return Offer(role_ != kPlain && IsEqualIID(iid, IID_IDispatch)); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    if (!n) return E_POINTER;
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override { return Nothing(info, E_NOTIMPL); }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) override {
    for (UINT i = 0; ids && i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    if (role_ != kSink) return DISP_E_MEMBERNOTFOUND;
    heard.emplace_back(id, params ? params->cArgs : 0);
    return S_OK;
  }
  std::vector<std::pair<DISPID, UINT>> heard;  // a sink's events and their argument counts

 private:
  Role role_;
};

// A change sink: takes every notification. Given the control, it records each with
// the name the control says it reported, read while the notification is on.
class ChangeSink final : public Counted<ChangeSink, IPropertyNotifySink> {
 public:
  explicit ChangeSink(IUnknown* control = nullptr) : Counted(true) {
    ++live_sinks;
    // Not held: the control holds the sink, and it hears nothing once the control is gone.
    internals_ = Query<activex::IVitrelleControlInternals>(control, activex::IID_IVitrelleControlInternals).get();
  }
  ~ChangeSink() override { --live_sinks; }
  void* Find(REFIID iid) { return Offer(IsEqualIID(iid, IID_IPropertyNotifySink)); }
  HRESULT STDMETHODCALLTYPE OnChanged(DISPID id) override {
    if (!internals_) return S_OK;
    BSTR name = nullptr;
    std::wstring text = L"<no name>";
    if (internals_->GetChangedName(&name) == S_OK && name) text = name;
    ::SysFreeString(name);
    changes.emplace_back(id, text);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }
  std::vector<std::pair<DISPID, std::wstring>> changes;

 private:
  activex::IVitrelleControlInternals* internals_ = nullptr;
};

// The control's site on a window of this program: windowed in-place activation,
// nothing more (no ambients, no extender, no frame).
class Site final : public Counted<Site, IOleClientSite, IOleInPlaceSite> {
 public:
  Site(HWND window, RECT rect) : Counted(true), window_(window), rect_(rect) { ++live_sites; }
  ~Site() override { --live_sites; }
  void* Find(REFIID iid) {
    if (IsEqualIID(iid, IID_IOleClientSite)) return static_cast<IOleClientSite*>(this);
    const bool in_place = IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite);
    return in_place ? static_cast<IOleInPlaceSite*>(this) : nullptr;
  }
  HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** out) override { return Nothing(out, E_NOTIMPL); }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** out) override { return Nothing(out, E_NOINTERFACE); }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* hwnd) override {
    if (!hwnd) return E_POINTER;
    *hwnd = window_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                             LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
    if (!frame || !doc || !pos || !clip || !info) return E_POINTER;
    *frame = nullptr;
    *doc = nullptr;
    *pos = rect_;
    ::GetClientRect(window_, clip);
    *info = OLEINPLACEFRAMEINFO{info->cb, FALSE, window_, nullptr, 0};
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT rect) override {
    if (!rect) return E_POINTER;
    rect_ = *rect;
    return S_OK;
  }

 private:
  HWND window_;
  RECT rect_;
};

// ---------------------------------------------------------------------------
// The form the controls are placed on: a plain window whose colour the copies must
// show.

COLORREF form_colour = RGB(40, 120, 200);

LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_ERASEBKGND: {
      RECT client;
      ::GetClientRect(hwnd, &client);
      HBRUSH brush = ::CreateSolidBrush(form_colour);
      ::FillRect(reinterpret_cast<HDC>(wparam), &client, brush);
      ::DeleteObject(brush);
      return 1;
    }
    default: return ::DefWindowProcW(hwnd, msg, wparam, lparam);
  }
}

HWND MakeForm() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = FormProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ComFireForm";
  wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  ::RegisterClassW(&wc);
  HWND form = ::CreateWindowExW(0, L"ComFireForm", L"com_fire", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr,
                                nullptr, wc.hInstance, nullptr);
  ::UpdateWindow(form);
  Pump();
  return form;
}

void SetFormColour(HWND form, COLORREF colour) {
  form_colour = colour;
  ::InvalidateRect(form, nullptr, TRUE);
  ::UpdateWindow(form);
  Pump();
}

// ---------------------------------------------------------------------------
// The classes and their members, as the type model lists the classes and each
// object's type information its members.

// The classes the server offers: every creatable class, and every control class the
// library builds (the list registration works from).
std::vector<const ClassInfo*> OfferedClasses() {
  std::vector<const ClassInfo*> out;
  for (const ClassInfo& cls : Classes()) {
    if (cls.kind == ClassKind::kCreatable || FindLibraryControl(cls.name)) out.push_back(&cls);
  }
  return out;
}

struct MemberInfo {
  DISPID id = 0;
  std::string name;
  bool get = false, put = false, putref = false, method = false;
  int declared = 0;  // the most arguments any of its accessors declares (a put's value not counted)
  bool Writable() const { return put || putref; }
};

int DeclaredArguments(const FUNCDESC& f) {
  int n = 0;
  for (SHORT i = 0; i < f.cParams; ++i) {
    if (!(f.lprgelemdescParam[i].paramdesc.wParamFlags & (PARAMFLAG_FRETVAL | PARAMFLAG_FLCID))) ++n;
  }
  return n;
}

std::vector<MemberInfo> MembersOf(IDispatch* object) {
  std::vector<MemberInfo> out;
  ComPtr<ITypeInfo> info;
  if (FAILED(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Put())) || !info) return out;
  TYPEATTR* attr = nullptr;
  if (FAILED(info->GetTypeAttr(&attr))) return out;
  if (attr->typekind == TKIND_INTERFACE && (attr->wTypeFlags & TYPEFLAG_FDUAL)) {
    // The dispatch view of a dual interface is the one IDispatch::Invoke serves.
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> dispatch;
    if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
        SUCCEEDED(info->GetRefTypeInfo(ref, dispatch.Put())) && dispatch) {
      info->ReleaseTypeAttr(attr);
      info = dispatch;
      if (FAILED(info->GetTypeAttr(&attr))) return out;
    }
  }
  const WORD funcs = attr->cFuncs;
  info->ReleaseTypeAttr(attr);
  for (WORD i = 0; i < funcs; ++i) {
    FUNCDESC* f = nullptr;
    if (FAILED(info->GetFuncDesc(i, &f)) || !f) continue;
    // IUnknown's and IDispatch's own methods are restricted: a vtable's, not members.
    if (!(f->wFuncFlags & FUNCFLAG_FRESTRICTED)) {
      auto it = std::find_if(out.begin(), out.end(), [&](const MemberInfo& m) { return m.id == f->memid; });
      if (it == out.end()) {
        MemberInfo m;
        m.id = f->memid;
        BSTR name = nullptr;
        if (SUCCEEDED(info->GetDocumentation(f->memid, &name, nullptr, nullptr, nullptr)) && name) {
          m.name = Narrow(name, ::SysStringLen(name));
        }
        ::SysFreeString(name);
        it = out.insert(out.end(), m);
      }
      int declared = DeclaredArguments(*f);
      switch (f->invkind) {
        case INVOKE_PROPERTYGET: it->get = true; break;
        case INVOKE_PROPERTYPUT: it->put = true; --declared; break;
        case INVOKE_PROPERTYPUTREF: it->putref = true; --declared; break;
        default: it->method = true; break;
      }
      it->declared = std::max(it->declared, declared);
    }
    info->ReleaseFuncDesc(f);
  }
  return out;
}

// ---------------------------------------------------------------------------
// Calls, each checked for what every call owes its caller.

struct Outcome {
  HRESULT hr = S_OK;
  std::string problem;  // empty when the call kept the rules
};

struct Nulls {
  bool params = false, result = false, excep = false, arg_error = false;
};

constexpr UINT kNoArgError = 0xFFFFFFFFu;

Outcome Fire(IDispatch* object, DISPID id, WORD flags, DISPPARAMS* params, const IID& riid = IID_NULL,
             Nulls nulls = {}, Var* kept = nullptr) {
  VARIANT result;
  ::VariantInit(&result);
  EXCEPINFO excep{};
  UINT arg_error = kNoArgError;
  ++calls.invokes;
  ::InterlockedIncrement(&progress);
  Outcome out;
  out.hr = object->Invoke(id, riid, LOCALE_USER_DEFAULT, flags, nulls.params ? nullptr : params,
                          nulls.result ? nullptr : &result, nulls.excep ? nullptr : &excep,
                          nulls.arg_error ? nullptr : &arg_error);
  if (out.hr == DISP_E_EXCEPTION && !nulls.excep) {
    if (excep.pfnDeferredFillIn) excep.pfnDeferredFillIn(&excep);
    if ((excep.wCode != 0) == (excep.scode != 0)) {
      out.problem = "EXCEPINFO must set exactly one of wCode and scode";
    } else if (excep.scode != 0 && !FAILED(excep.scode)) {
      out.problem = "EXCEPINFO scode " + Hex(static_cast<uint32_t>(excep.scode)) + " is no error";
    } else if (!excep.bstrDescription || ::SysStringLen(excep.bstrDescription) == 0) {
      out.problem = "EXCEPINFO without a description";
    }
  } else if (excep.bstrSource || excep.bstrDescription || excep.bstrHelpFile) {
    out.problem = "EXCEPINFO filled without DISP_E_EXCEPTION";
  }
  if (FAILED(out.hr) && V_VT(&result) != VT_EMPTY) out.problem = "a result handed out with " + HrText(out.hr);
  if ((out.hr == DISP_E_TYPEMISMATCH || out.hr == DISP_E_PARAMNOTFOUND) && !nulls.arg_error && params &&
      arg_error >= params->cArgs) {
    out.problem = "the argument error index " + std::to_string(arg_error) + " names no argument";
  }
  ::SysFreeString(excep.bstrSource);
  ::SysFreeString(excep.bstrDescription);
  ::SysFreeString(excep.bstrHelpFile);
  if (kept && SUCCEEDED(out.hr)) {
    ::VariantClear(&kept->v);
    kept->v = result;
  } else if (FAILED(::VariantClear(&result))) {
    out.problem = "the result is no valid VARIANT (vt " + std::to_string(V_VT(&result)) + ")";
  }
  return out;
}

// Arguments as IDispatch takes them: rgvarg last first, named DISPIDs beside them.
struct Args {
  std::vector<VARIANT> values;
  std::vector<DISPID> named;
  DISPPARAMS params{};
  DISPPARAMS* Get() {
    params.rgvarg = values.empty() ? nullptr : values.data();
    params.cArgs = static_cast<UINT>(values.size());
    params.rgdispidNamedArgs = named.empty() ? nullptr : named.data();
    params.cNamedArgs = static_cast<UINT>(named.size());
    return &params;
  }
};

Args PutArgs(const VARIANT& value) { return Args{{value}, {DISPID_PROPERTYPUT}, {}}; }

const char* FlagName(WORD flags) {
  switch (flags) {
    case DISPATCH_PROPERTYGET: return "get";
    case DISPATCH_PROPERTYPUT: return "put";
    case DISPATCH_PROPERTYPUTREF: return "putref";
    case DISPATCH_METHOD: return "method";
    default: return "flags";
  }
}

Outcome Get(IDispatch* object, DISPID id, Var* value) {
  Args none;
  return Fire(object, id, DISPATCH_PROPERTYGET, none.Get(), IID_NULL, {}, value);
}

Outcome Put(IDispatch* object, DISPID id, const VARIANT& value, bool by_ref = false) {
  Args args = PutArgs(value);
  return Fire(object, id, by_ref ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT, args.Get());
}

DISPID IdOf(IDispatch* object, const wchar_t* name) {
  LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
  DISPID id = DISPID_UNKNOWN;
  ++calls.names;
  object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  return id;
}

// What every readable member answers, to hold a later reading against.
struct Reading {
  DISPID id;
  std::string name;
  HRESULT hr;
  Var value;
};

std::vector<Reading> ReadAll(IDispatch* object, const std::vector<MemberInfo>& members) {
  std::vector<Reading> out;
  for (const MemberInfo& m : members) {
    if (!m.get || m.declared > 0) continue;
    Reading r{m.id, m.name, S_OK, {}};
    r.hr = Get(object, m.id, &r.value).hr;
    out.push_back(r);
  }
  return out;
}

// "" when every member answers as it did; else what differs.
std::string AnswersAsBefore(IDispatch* object, const std::vector<MemberInfo>& members,
                            const std::vector<Reading>& before) {
  const std::vector<Reading> now = ReadAll(object, members);
  for (size_t i = 0; i < before.size() && i < now.size(); ++i) {
    if (now[i].hr != before[i].hr || V_VT(&now[i].value.v) != V_VT(&before[i].value.v)) {
      return now[i].name + " answered " + HrText(before[i].hr) + " vt " + std::to_string(V_VT(&before[i].value.v)) +
             ", now " + HrText(now[i].hr) + " vt " + std::to_string(V_VT(&now[i].value.v));
    }
  }
  return now.size() == before.size() ? "" : "the members changed";
}

// ---------------------------------------------------------------------------
// Objects, placed in place on the form or not.

struct Placed {
  const ClassInfo* cls = nullptr;
  ComPtr<IDispatch> object;
  ComPtr<IOleObject> ole;  // null for a class that is no control
  HWND window = nullptr;
};

Placed Create(const ClassInfo& cls) {
  Placed p;
  p.cls = &cls;
  ++calls.created;
  ::CoCreateInstance(ToGuid(cls.clsid), nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                     reinterpret_cast<void**>(p.object.Put()));
  return p;
}

// As a form container sites a control: client site, new properties, in-place
// activation in the form's window.
Placed Place(const ClassInfo& cls, HWND form, RECT rect, LONG verb = OLEIVERB_INPLACEACTIVATE) {
  Placed p = Create(cls);
  p.ole = Query<IOleObject>(p.object.get(), IID_IOleObject);
  if (!p.ole) return p;
  Site* site = new Site(form, rect);
  p.ole->SetClientSite(site);
  if (auto init = Query<IPersistStreamInit>(p.object.get(), IID_IPersistStreamInit)) init->InitNew();
  p.ole->DoVerb(verb, nullptr, site, 0, form, &rect);
  site->Release();  // the control holds it now
  if (auto in_place = Query<IOleInPlaceObject>(p.object.get(), IID_IOleInPlaceObject)) in_place->GetWindow(&p.window);
  return p;
}

// As a well-behaved container lets go of one.
void Unplace(Placed& p) {
  if (p.ole) {
    p.ole->Close(OLECLOSE_NOSAVE);
    p.ole->SetClientSite(nullptr);
  }
  p = Placed();
}

constexpr RECT kSweepRect{20, 20, 260, 80};

// ---------------------------------------------------------------------------
// Every VARIANT type a client can hand over, at its limits and in its odd forms.
// Rows are shallow VARIANTs the table owns; by-reference rows point into the table.

struct Value {
  std::string name;
  VARIANT v;
  bool owned = true;  // VariantClear frees it (and a bag hands out a copy)
  bool self = false;  // the object under test itself, filled in at the call
};

class ValueTable {
 public:
  ValueTable(IDispatch* probe, IUnknown* plain, IDispatch* other, IDispatch* font, IDispatch* picture) {
    Scalars();
    Strings();
    Arrays();
    Objects(probe, plain, other, font, picture);
    References(plain);
    Invalid();
  }
  ~ValueTable() {
    for (Value& r : rows_) {
      if (r.owned) ::VariantClear(&r.v);
    }
    for (VARIANT& t : targets_) ::VariantClear(&t);
  }
  ValueTable(const ValueTable&) = delete;
  ValueTable& operator=(const ValueTable&) = delete;

  const std::vector<Value>& rows() const { return rows_; }
  // The row's VARIANT for a call on `self`.
  static VARIANT For(const Value& row, IDispatch* self) { return row.self ? DispatchValue(self) : row.v; }

 private:
  template <class Fill>
  void Add(std::string name, VARTYPE vt, Fill fill, bool owned = true) {
    VARIANT v;
    ::VariantInit(&v);
    V_VT(&v) = vt;
    fill(v);
    rows_.push_back(Value{std::move(name), v, owned, false});
  }
  void AddDecimal(std::string name, BYTE scale, BYTE sign, ULONG hi, ULONGLONG lo) {
    DECIMAL d{};
    d.scale = scale;
    d.sign = sign;
    d.Hi32 = hi;
    d.Lo64 = lo;
    VARIANT v;
    ::VariantInit(&v);
    V_DECIMAL(&v) = d;  // covers the whole VARIANT, type field included
    V_VT(&v) = VT_DECIMAL;
    rows_.push_back(Value{std::move(name), v, true, false});
  }

  void Scalars() {
    const float fnan = std::numeric_limits<float>::quiet_NaN(), finf = std::numeric_limits<float>::infinity();
    const double dnan = std::numeric_limits<double>::quiet_NaN(), dinf = std::numeric_limits<double>::infinity();
    // Whole numbers are written through the widest: every type's value starts at the
    // same place in a VARIANT, lowest byte first. VT_R4, VT_R8 and VT_DATE take `real`.
    const struct {
      const char* name;
      VARTYPE vt;
      LONGLONG whole;
      double real;
    } numbers[] = {
        {"VT_EMPTY", VT_EMPTY, 0, 0}, {"VT_NULL", VT_NULL, 0, 0},
        {"VT_I1 min", VT_I1, -128, 0}, {"VT_I1 max", VT_I1, 127, 0},
        {"VT_I2 min", VT_I2, SHRT_MIN, 0}, {"VT_I2 max", VT_I2, SHRT_MAX, 0},
        {"VT_I4 min", VT_I4, LONG_MIN, 0}, {"VT_I4 max", VT_I4, LONG_MAX, 0},
        {"VT_I8 min", VT_I8, LLONG_MIN, 0}, {"VT_I8 max", VT_I8, LLONG_MAX, 0},
        {"VT_UI1 0", VT_UI1, 0, 0}, {"VT_UI1 max", VT_UI1, UCHAR_MAX, 0},
        {"VT_UI2 max", VT_UI2, USHRT_MAX, 0}, {"VT_UI4 max", VT_UI4, ULONG_MAX, 0},
        {"VT_UI8 max", VT_UI8, static_cast<LONGLONG>(ULLONG_MAX), 0}, {"VT_INT min", VT_INT, INT_MIN, 0},
        {"VT_UINT max", VT_UINT, UINT_MAX, 0},
        {"VT_R4 -max", VT_R4, 0, -FLT_MAX}, {"VT_R4 max", VT_R4, 0, FLT_MAX},
        {"VT_R4 denormal", VT_R4, 0, std::numeric_limits<float>::denorm_min()},
        {"VT_R4 NaN", VT_R4, 0, fnan}, {"VT_R4 +inf", VT_R4, 0, finf}, {"VT_R4 -inf", VT_R4, 0, -finf},
        {"VT_R8 -max", VT_R8, 0, -DBL_MAX}, {"VT_R8 max", VT_R8, 0, DBL_MAX},
        {"VT_R8 denormal", VT_R8, 0, std::numeric_limits<double>::denorm_min()}, {"VT_R8 -0", VT_R8, 0, -0.0},
        {"VT_R8 NaN", VT_R8, 0, dnan}, {"VT_R8 +inf", VT_R8, 0, dinf}, {"VT_R8 -inf", VT_R8, 0, -dinf},
        {"VT_CY min", VT_CY, LLONG_MIN, 0}, {"VT_CY max", VT_CY, LLONG_MAX, 0},
        {"VT_DATE first", VT_DATE, 0, -657434.0}, {"VT_DATE last", VT_DATE, 0, 2958465.99999},
        {"VT_DATE 1e300", VT_DATE, 0, 1e300}, {"VT_DATE NaN", VT_DATE, 0, dnan},
        {"VT_BOOL true", VT_BOOL, VARIANT_TRUE, 0}, {"VT_BOOL false", VT_BOOL, VARIANT_FALSE, 0},
        {"VT_BOOL 1", VT_BOOL, 1, 0},
        {"VT_ERROR missing", VT_ERROR, DISP_E_PARAMNOTFOUND, 0}, {"VT_ERROR E_FAIL", VT_ERROR, E_FAIL, 0}};
    for (const auto& n : numbers) {
      Add(n.name, n.vt, [&](VARIANT& v) {
        if (n.vt == VT_R4) {
          V_R4(&v) = static_cast<float>(n.real);
        } else if (n.vt == VT_R8 || n.vt == VT_DATE) {
          V_R8(&v) = n.real;
        } else {
          V_I8(&v) = n.whole;
        }
      });
    }
    AddDecimal("VT_DECIMAL max", 0, 0, 0xFFFFFFFFu, 0xFFFFFFFFFFFFFFFFull);
    AddDecimal("VT_DECIMAL min", 0, DECIMAL_NEG, 0xFFFFFFFFu, 0xFFFFFFFFFFFFFFFFull);
    AddDecimal("VT_DECIMAL scale 28", 28, 0, 0, 1);
    AddDecimal("VT_DECIMAL scale 200", 200, 0, 0, 1);
    AddDecimal("VT_DECIMAL sign 0x7F", 0, 0x7F, 0, 1);
  }

  void Strings() {
    using namespace std::literals;
    // 1 MB of digits: a caption as long as any, and a number to parse to its end.
    const std::wstring long_text(512 * 1024, L'7');
    Add("VT_BSTR null", VT_BSTR, [](VARIANT& v) { V_BSTR(&v) = nullptr; });
    for (const auto& [name, text] : std::initializer_list<std::pair<const char*, std::wstring_view>>{
             {"VT_BSTR empty", L""sv},
             {"VT_BSTR \"1\"", L"1"sv},
             {"VT_BSTR \"True\"", L"True"sv},
             {"VT_BSTR \"&H80000000\"", L"&H80000000"sv},
             {"VT_BSTR \"1e309\"", L"1e309"sv},
             {"VT_BSTR \"-1e-400\"", L"-1e-400"sv},
             {"VT_BSTR text", L"not a number"sv},
             {"VT_BSTR embedded NULs", L"1\0" L"2\0\0" L"3"sv},
             {"VT_BSTR lone surrogate", L"\xD800x\xDFFF"sv},
             {"VT_BSTR 1 MB of digits", long_text}}) {
      Add(name, VT_BSTR,
          [&](VARIANT& v) { V_BSTR(&v) = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())); });
    }
  }

  void Arrays() {
    Add("VT_ARRAY|VT_I4", VT_ARRAY | VT_I4, [](VARIANT& v) {
      V_ARRAY(&v) = ::SafeArrayCreateVector(VT_I4, 0, 3);
      for (LONG i = 0; i < 3; ++i) {
        LONG value = LONG_MAX - i;
        ::SafeArrayPutElement(V_ARRAY(&v), &i, &value);
      }
    });
    Add("VT_ARRAY|VT_VARIANT", VT_ARRAY | VT_VARIANT, [](VARIANT& v) {
      V_ARRAY(&v) = ::SafeArrayCreateVector(VT_VARIANT, 0, 2);
      VARIANT element = Long(1);
      LONG i = 0;
      ::SafeArrayPutElement(V_ARRAY(&v), &i, &element);
    });
    Add("VT_ARRAY|VT_BSTR empty", VT_ARRAY | VT_BSTR,
        [](VARIANT& v) { V_ARRAY(&v) = ::SafeArrayCreateVector(VT_BSTR, 0, 0); });
    Add("VT_ARRAY|VT_UI1 2-D", VT_ARRAY | VT_UI1, [](VARIANT& v) {
      SAFEARRAYBOUND bounds[2] = {{2, 0}, {3, -1}};
      V_ARRAY(&v) = ::SafeArrayCreate(VT_UI1, 2, bounds);
    });
    Add("VT_ARRAY|VT_I4 null", VT_ARRAY | VT_I4, [](VARIANT& v) { V_ARRAY(&v) = nullptr; });
  }

  void Objects(IDispatch* probe, IUnknown* plain, IDispatch* other, IDispatch* font, IDispatch* picture) {
    auto dispatch = [&](std::string name, IDispatch* object) {
      if (object) object->AddRef();
      Add(std::move(name), VT_DISPATCH, [&](VARIANT& v) { V_DISPATCH(&v) = object; });
    };
    dispatch("VT_DISPATCH null", nullptr);
    dispatch("VT_DISPATCH foreign object", probe);
    if (other) dispatch("VT_DISPATCH another control", other);
    if (font) dispatch("VT_DISPATCH font", font);
    if (picture) dispatch("VT_DISPATCH picture", picture);
    rows_.push_back(Value{"VT_DISPATCH the object itself", VARIANT{}, false, true});
    Add("VT_UNKNOWN null", VT_UNKNOWN, [](VARIANT& v) { V_UNKNOWN(&v) = nullptr; });
    plain->AddRef();
    Add("VT_UNKNOWN foreign object", VT_UNKNOWN, [&](VARIANT& v) { V_UNKNOWN(&v) = plain; });
    if (font) {
      Add("VT_UNKNOWN font", VT_UNKNOWN,
          [&](VARIANT& v) { font->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&V_UNKNOWN(&v))); });
    }
  }

  // What by-reference rows point at lives in VARIANTs the table keeps: a row of
  // VT_BYREF|VT_VARIANT points at one, any other at its value part.
  VARIANT& Target(VARTYPE vt) {
    VARIANT& t = targets_.emplace_back();
    ::VariantInit(&t);
    V_VT(&t) = vt;
    return t;
  }
  void Ref(std::string name, VARTYPE vt, void* target) {
    Add(std::move(name), static_cast<VARTYPE>(VT_BYREF | vt), [&](VARIANT& v) { V_BYREF(&v) = target; }, false);
  }

  void References(IUnknown* plain) {
    auto ref = [&](std::string name, VARTYPE vt, auto fill) {
      VARIANT& t = Target(vt);
      fill(t);
      Ref(std::move(name), vt, &V_BYREF(&t));
    };
    ref("VT_BYREF|VT_I4", VT_I4, [](VARIANT& t) { V_I4(&t) = LONG_MAX; });
    ref("VT_BYREF|VT_I2", VT_I2, [](VARIANT& t) { V_I2(&t) = -1; });
    ref("VT_BYREF|VT_R8 NaN", VT_R8, [](VARIANT& t) { V_R8(&t) = std::numeric_limits<double>::quiet_NaN(); });
    ref("VT_BYREF|VT_BOOL", VT_BOOL, [](VARIANT& t) { V_BOOL(&t) = VARIANT_TRUE; });
    ref("VT_BYREF|VT_BSTR", VT_BSTR, [](VARIANT& t) { V_BSTR(&t) = ::SysAllocString(L"By reference"); });
    ref("VT_BYREF|VT_CY", VT_CY, [](VARIANT& t) { V_CY(&t).int64 = LLONG_MAX; });
    ref("VT_BYREF|VT_DATE", VT_DATE, [](VARIANT& t) { V_DATE(&t) = 1e300; });
    VARIANT& decimal = Target(VT_EMPTY);  // a DECIMAL fills the whole VARIANT
    V_DECIMAL(&decimal).Hi32 = 0xFFFFFFFFu;
    Ref("VT_BYREF|VT_DECIMAL", VT_DECIMAL, &V_DECIMAL(&decimal));
    ref("VT_BYREF|VT_DISPATCH to null", VT_DISPATCH, [](VARIANT& t) { V_DISPATCH(&t) = nullptr; });
    plain->AddRef();
    ref("VT_BYREF|VT_UNKNOWN", VT_UNKNOWN, [&](VARIANT& t) { V_UNKNOWN(&t) = plain; });
    ref("VT_BYREF|VT_ARRAY|VT_I4", VT_ARRAY | VT_I4,
        [](VARIANT& t) { V_ARRAY(&t) = ::SafeArrayCreateVector(VT_I4, 0, 2); });
    VARIANT& inner_i4 = Target(VT_I4);
    V_I4(&inner_i4) = 7;
    Ref("VT_BYREF|VT_VARIANT to VT_I4", VT_VARIANT, &inner_i4);
    VARIANT& inner_bstr = Target(VT_BSTR);
    V_BSTR(&inner_bstr) = ::SysAllocString(L"Inner");
    Ref("VT_BYREF|VT_VARIANT to VT_BSTR", VT_VARIANT, &inner_bstr);
    VARIANT& nested = Target(VT_BYREF | VT_VARIANT);
    V_VARIANTREF(&nested) = &inner_i4;
    Ref("VT_BYREF|VT_VARIANT to a reference", VT_VARIANT, &nested);
    VARIANT& null_ref = Target(VT_BYREF | VT_I4);
    V_I4REF(&null_ref) = nullptr;
    Ref("VT_BYREF|VT_VARIANT to a null reference", VT_VARIANT, &null_ref);
    const VARTYPE null_targets[] = {VT_I4,      VT_I2,       VT_UI1,      VT_R4,      VT_R8,     VT_BOOL,
                                    VT_ERROR,   VT_CY,       VT_DATE,     VT_BSTR,    VT_DECIMAL, VT_DISPATCH,
                                    VT_UNKNOWN, VT_VARIANT,  VT_I8,       VT_EMPTY,   VT_ARRAY | VT_I4};
    for (VARTYPE vt : null_targets) Ref("VT_BYREF|vt " + std::to_string(vt) + " null", vt, nullptr);
  }

  void Invalid() {
    const VARTYPE invalid[] = {VT_VARIANT, VT_PTR, VT_VOID, VT_HRESULT, 0x0FFF, VT_VECTOR | VT_I4, VT_RESERVED | VT_I4};
    for (VARTYPE vt : invalid) {
      Add("vt " + std::to_string(vt) + " (no VARIANT type)", vt, [](VARIANT& v) { V_BYREF(&v) = nullptr; }, false);
    }
  }

  std::vector<Value> rows_;
  std::deque<VARIANT> targets_;  // where by-reference rows point; a deque keeps them in place
};

// ---------------------------------------------------------------------------
// GetIDsOfNames

HRESULT Names(IDispatch* object, std::vector<const wchar_t*> names, std::vector<DISPID>& ids) {
  ids.assign(std::max<size_t>(names.size(), 1), 0x0BAD);
  ++calls.names;
  ::InterlockedIncrement(&progress);
  return object->GetIDsOfNames(IID_NULL, const_cast<LPOLESTR*>(names.data()), static_cast<UINT>(names.size()),
                               LOCALE_USER_DEFAULT, ids.data());
}

std::wstring Cased(const std::wstring& name, int how) {
  std::wstring out = name;
  for (size_t i = 0; i < out.size(); ++i) {
    const bool upper = how == 0 || (how == 2 && i % 2 == 0);
    out[i] = static_cast<wchar_t>(upper ? ::towupper(out[i]) : ::towlower(out[i]));
  }
  return out;
}

void TestNames(IDispatch* o, const std::string& c, const std::vector<MemberInfo>& members) {
  At(c + " GetIDsOfNames");
  std::vector<DISPID> ids;
  Row row(c + ": GetIDsOfNames finds every member in any case; unknown, empty, null and very long names are not found");
  auto unknown = [&](const std::wstring& name, const std::string& what) {
    const HRESULT hr = Names(o, {name.c_str()}, ids);
    row.Expect(hr == DISP_E_UNKNOWNNAME && ids[0] == DISPID_UNKNOWN, what + ": " + HrText(hr));
  };
  unknown(L"NoSuchMember", "NoSuchMember");
  unknown(L"", "empty");
  unknown(std::wstring(65536, L'A'), "65536 characters");
  std::optional<Row> several;
  if (!members.empty()) several.emplace(c + ": several names: the member's DISPID, DISPID_UNKNOWN for each parameter "
                                            "name it lacks");
  for (const MemberInfo& m : members) {
    const std::wstring name = Widen(m.name);
    for (int how : {-1, 0, 1, 2}) {
      const std::wstring asked = how < 0 ? name : Cased(name, how);
      const HRESULT hr = Names(o, {asked.c_str()}, ids);
      row.Expect(hr == S_OK && ids[0] == m.id, m.name + " as " + Narrow(asked) + ": " + HrText(hr));
    }
    unknown(name + L" ", m.name + " with a space");
    unknown(name + L"x", m.name + "x");
    HRESULT hr = Names(o, {name.c_str(), L"Index", L"NoSuchParameter"}, ids);
    several->Expect(hr == DISP_E_UNKNOWNNAME && ids[0] == m.id && ids[1] == DISPID_UNKNOWN && ids[2] == DISPID_UNKNOWN,
                    m.name + " with two parameter names: " + HrText(hr));
    hr = Names(o, {L"NoSuchMember", name.c_str()}, ids);
    several->Expect(hr == DISP_E_UNKNOWNNAME && ids[0] == DISPID_UNKNOWN && ids[1] == DISPID_UNKNOWN,
                    "an unknown member with " + m.name + " as a parameter: " + HrText(hr));
    hr = Names(o, {name.c_str(), nullptr}, ids);
    several->Expect(FAILED(hr), m.name + " with a null parameter name: " + HrText(hr));
  }
  // Broken arrays are refused; no names at all may be answered either way, and must only come back.
  LPOLESTR null_name[1] = {nullptr}, caption[1] = {const_cast<LPOLESTR>(L"Caption")};
  DISPID id = 0;
  const struct {
    const char* what;
    LPOLESTR* names;
    UINT count;
    DISPID* ids;
  } broken[] = {{"a null name", null_name, 1, &id},
                {"no name array", nullptr, 1, &id},
                {"no DISPID array", caption, 1, nullptr},
                {nullptr, caption, 0, &id}};
  for (const auto& b : broken) {
    ++calls.names;
    const HRESULT hr = o->GetIDsOfNames(IID_NULL, b.names, b.count, LOCALE_USER_DEFAULT, b.ids);
    if (b.what) row.Expect(FAILED(hr), std::string(b.what) + ": " + HrText(hr));
  }
}

// ---------------------------------------------------------------------------
// IDispatch::Invoke: every member, every VARIANT type, every broken call.

// What a call must answer besides keeping the rules every call keeps.
enum class Want { kRules, kFailure, kSuccess, kAnswer };

// A call with arguments made up for it, its row and what it must answer.
struct Call {
  Row* row;
  std::string what;
  WORD flags;
  DISPPARAMS params;
  Want want;
  HRESULT answer = S_OK;  // for Want::kAnswer
  const IID* riid = &IID_NULL;
  Nulls nulls = {};
};

void Expect(Row& row, const Outcome& r, const std::string& what, Want want, HRESULT answer = S_OK) {
  const bool answered = want == Want::kRules || (want == Want::kFailure && FAILED(r.hr)) ||
                        (want == Want::kSuccess && SUCCEEDED(r.hr)) || (want == Want::kAnswer && r.hr == answer);
  row.Expect(r.problem.empty() && answered, what + ": " + HrText(r.hr) + " " + r.problem);
}

void SweepMembers(const ClassInfo& cls, const std::vector<MemberInfo>& members, const ValueTable& values,
                  HWND form) {
  const std::string c(cls.name);
  const Interface* iface = FindInterface(cls.default_interface);
  Row puts(c + ": every member takes every VARIANT type as a put and a putref value with an HRESULT");
  const bool has_fixed = std::any_of(members.begin(), members.end(), [](const MemberInfo& m) { return !m.Writable(); });
  const bool has_method = std::any_of(members.begin(), members.end(), [](const MemberInfo& m) { return m.method; });
  std::optional<Row> refused, runs;
  if (has_fixed) refused.emplace(c + ": read-only members and methods refuse every put and putref");
  if (has_method) runs.emplace(c + ": each method runs when called without arguments");
  Row extra(c + ": an argument no member declares is refused, whatever its type");
  Row counts(c + ": wrong argument counts are refused, also arguments counted but not given");
  Row named(c + ": named arguments other than a put's value are refused");
  Row flags(c + ": no invoke flag, unknown flag bits, get with method, every bit");
  Row riid(c + ": an interface ID other than IID_NULL gives DISP_E_UNKNOWNINTERFACE");
  Row nulls(c + ": a null DISPPARAMS is refused; null result, exception and argument-error pointers are taken");
  Row works(c + ": after each member's calls every member answers as before and the member takes its value back");
  const long about_before = calls.about_shown;
  const bool has_about = std::any_of(members.begin(), members.end(), [](const MemberInfo& m) {
    return m.method && m.id == kDispidAboutBox;
  });
  const GUID made_up = {0x0BADF00D, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
  const GUID own = iface ? ToGuid(iface->id) : made_up;

  for (const MemberInfo& m : members) {
    const std::string at = c + "." + m.name;
    At(at);
    Placed p = Place(cls, form, kSweepRect);
    IDispatch* o = p.object.get();
    if (!o) {
      works.Expect(false, at + ": the object could not be created");
      continue;
    }
    const std::vector<Reading> before = ReadAll(o, members);
    const auto mine = std::find_if(before.begin(), before.end(), [&](const Reading& x) { return x.id == m.id; });
    const bool readable = mine != before.end();

    for (const Value& row : values.rows()) {
      At(at + " with " + row.name);
      const VARIANT v = ValueTable::For(row, o);
      for (WORD kind : {DISPATCH_PROPERTYPUT, DISPATCH_PROPERTYPUTREF}) {
        Args args = PutArgs(v);
        const Outcome r = Fire(o, m.id, kind, args.Get());
        const std::string what = at + " " + FlagName(kind) + " " + row.name;
        Expect(puts, r, what, Want::kRules);
        if (!m.Writable()) refused->Expect(FAILED(r.hr), what + ": " + HrText(r.hr));
      }
      for (WORD kind : {DISPATCH_PROPERTYGET, DISPATCH_METHOD}) {
        Args args{{v}, {}, {}};
        Expect(extra, Fire(o, m.id, kind, args.Get()), at + " " + FlagName(kind) + " with " + row.name,
               m.declared < 1 ? Want::kFailure : Want::kRules);
      }
    }

    At(at + " counts, names, flags");
    // What the broken calls point at; a call reads its arguments and leaves them.
    VARIANT value = Long(1);
    std::vector<VARIANT> many(31, value);
    DISPID put_id = DISPID_PROPERTYPUT;
    DISPID put_and_0[2] = {DISPID_PROPERTYPUT, 0};
    DISPID wrong[] = {0, 5, DISPID_UNKNOWN, 0x7FFFFFFF};
    DISPID beside[] = {DISPID_PROPERTYPUT, 0, 1, DISPID_UNKNOWN};
    std::vector<Call> broken;
    auto call = [&](Row& row, std::string what, WORD kind, DISPPARAMS params, Want want = Want::kFailure) -> Call& {
      return broken.emplace_back(Call{&row, std::move(what), kind, params, want});
    };
    constexpr WORD kGet = DISPATCH_PROPERTYGET, kPut = DISPATCH_PROPERTYPUT, kMethod = DISPATCH_METHOD;
    for (UINT n : {2u, 31u}) {
      for (WORD kind : {kGet, kMethod}) {
        call(counts, std::string(FlagName(kind)) + " with " + std::to_string(n) + " arguments", kind,
             {many.data(), nullptr, n, 0}, m.declared < static_cast<int>(n) ? Want::kFailure : Want::kRules);
      }
    }
    call(counts, "put of a named value that is not there", kPut, {nullptr, &put_id, 0, 1});
    call(counts, "put without a value", kPut, {nullptr, nullptr, 0, 0});
    call(counts, "put of two values", kPut, {many.data(), &put_id, 2, 1});
    for (WORD kind : {kGet, kMethod}) {
      call(counts, std::string(FlagName(kind)) + " of 1 argument without rgvarg", kind, {nullptr, nullptr, 1, 0});
    }
    call(counts, "put of 1 value without rgvarg", kPut, {nullptr, &put_id, 1, 1});
    call(counts, "put of 1 named value without its DISPID", kPut, {&value, nullptr, 1, 1});
    call(counts, "more named arguments than arguments", kPut, {&value, &put_id, 0, 1});
    call(named, "put without DISPID_PROPERTYPUT", kPut, {&value, nullptr, 1, 0}, Want::kRules);
    for (DISPID& id : wrong) call(named, "put named " + std::to_string(id), kPut, {&value, &id, 1, 1});
    call(named, "put with a second named argument", kPut, {many.data(), put_and_0, 2, 2});
    for (WORD kind : {kGet, kMethod}) {
      for (DISPID& id : beside) {
        call(named, std::string(FlagName(kind)) + " named " + std::to_string(id), kind, {&value, &id, 1, 1},
             m.declared < 1 ? Want::kFailure : Want::kRules);
      }
    }
    call(flags, "no flag", 0, {});
    call(flags, "an unknown flag bit", 0x10, {});
    // A readable member answers as its get did; anything else runs the method.
    call(flags, "get|method", kGet | kMethod, {}, readable ? Want::kAnswer : Want::kSuccess).answer =
        readable ? mine->hr : S_OK;
    call(flags, "every flag bit", 0xFFFF, {&value, &put_id, 1, 1}, Want::kRules);
    for (const IID* id : {&IID_IDispatch, &IID_IUnknown, &made_up, &own}) {
      Call& c = call(riid, "riid", kGet | kMethod, {}, Want::kAnswer);
      c.answer = DISP_E_UNKNOWNINTERFACE;
      c.riid = id;
    }
    for (WORD kind : {kGet, kPut, kMethod}) {
      call(nulls, std::string(FlagName(kind)) + " without DISPPARAMS", kind, {}).nulls.params = true;
    }
    const Nulls no_out{false, true, true, true};
    Call& no_result = call(nulls, "without a result pointer", m.method ? kMethod : kGet, {}, Want::kAnswer);
    no_result.answer = readable ? mine->hr : S_OK;
    no_result.nulls = no_out;
    VARIANT null_value;
    ::VariantInit(&null_value);
    V_VT(&null_value) = VT_NULL;
    call(nulls, "a put without exception and argument-error pointers", kPut, {&null_value, &put_id, 1, 1},
         Want::kRules).nulls = no_out;
    if (m.method) call(*runs, "", kMethod, {}, Want::kAnswer);
    for (Call& call : broken) {
      Expect(*call.row, Fire(o, m.id, call.flags, &call.params, *call.riid, call.nulls), at + " " + call.what,
             call.want, call.answer);
    }

    // The object still works: every member answers as before the calls, and the
    // member takes back the value it had.
    Pump();
    const std::string differs = AnswersAsBefore(o, members, before);
    works.Expect(differs.empty(), at + ": " + differs);
    if (m.Writable() && readable && mine->hr == S_OK) {
      const bool by_ref = IsObject(mine->value.v) && m.putref;
      const Outcome r = Put(o, m.id, mine->value.v, by_ref);
      Var again;
      const Outcome g = Get(o, m.id, &again);
      works.Expect(r.hr == S_OK && g.hr == S_OK && Same(again.v, mine->value.v),
                   at + ": its value back: " + HrText(r.hr) + ", read " + HrText(g.hr));
    }
    Unplace(p);
  }
  if (has_about) {
    Row about(c + ": DisplayAboutBox shows the About box and returns once it is closed");
    about.Expect(calls.about_shown > about_before, "the About box never showed");
  }
}

// The type information, unknown DISPIDs and names on one object; then every member.
void SweepInvoke(const ClassInfo& cls, const ValueTable& values, HWND form) {
  const std::string c(cls.name);
  At(c + " type information");
  Placed probe = Place(cls, form, kSweepRect);
  if (!probe.object) {
    Row created(c + ": is created through the registry");
    created.Expect(false, "CoCreateInstance failed");
    return;
  }
  const std::vector<MemberInfo> members = MembersOf(probe.object.get());
  const Interface* iface = FindInterface(cls.default_interface);
  {
    Row listed(c + ": its type information lists the type model's members");
    listed.Expect(iface && members.size() == iface->members.size(),
                  std::to_string(members.size()) + " members listed");
    for (const Member& m : iface ? iface->members : std::vector<Member>{}) {
      listed.Expect(std::any_of(members.begin(), members.end(), [&](const MemberInfo& x) { return x.id == m.dispid; }),
                    std::string(m.name) + " is not listed");
    }
  }
  {
    Row unknown(c + ": DISPIDs of no member give DISP_E_MEMBERNOTFOUND");
    std::vector<DISPID> ids = {0x12345,       DISPID_UNKNOWN, DISPID_VALUE, DISPID_NEWENUM, DISPID_EVALUATE,
                               DISPID_PROPERTYPUT, INT_MIN,    INT_MAX,      0x60000000,     0x60010000};
    for (const MemberInfo& m : members) {
      ids.push_back(m.id + 1);
      ids.push_back(m.id - 1);
    }
    const VARIANT one = Long(1);
    for (DISPID id : ids) {
      if (std::any_of(members.begin(), members.end(), [&](const MemberInfo& x) { return x.id == id; })) continue;
      for (WORD kind : {DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT, DISPATCH_METHOD}) {
        Args args = kind == DISPATCH_PROPERTYPUT ? PutArgs(one) : Args{};
        const Outcome r = Fire(probe.object.get(), id, kind, args.Get());
        unknown.Expect(r.problem.empty() && r.hr == DISP_E_MEMBERNOTFOUND,
                       std::to_string(id) + " " + FlagName(kind) + ": " + HrText(r.hr) + " " + r.problem);
      }
    }
  }
  TestNames(probe.object.get(), c, members);
  Unplace(probe);
  if (!members.empty()) SweepMembers(cls, members, values, form);
}

// ---------------------------------------------------------------------------
// Persistence: streams and property bags.

// A property that takes another value and keeps it, and the value it had.
struct Change {
  DISPID id;
  std::string name;
  Var base;
  Var other;
};

// Values of the base's type near it: the other Boolean, a number one away (or 1
// or 0), an empty text or a new one.
std::vector<Var> Candidates(const VARIANT& b) {
  std::vector<Var> out;
  auto add = [&](VARTYPE vt, double n, const wchar_t* text = nullptr) {
    Var v;
    V_VT(&v.v) = vt;
    switch (vt) {
      case VT_BOOL: V_BOOL(&v.v) = n != 0 ? VARIANT_TRUE : VARIANT_FALSE; break;
      case VT_I2: V_I2(&v.v) = static_cast<SHORT>(n); break;
      case VT_I4: V_I4(&v.v) = static_cast<LONG>(n); break;
      case VT_R4: V_R4(&v.v) = static_cast<float>(n); break;
      default: V_BSTR(&v.v) = ::SysAllocString(text); break;
    }
    out.push_back(v);
  };
  switch (V_VT(&b)) {
    case VT_BOOL: add(VT_BOOL, V_BOOL(&b) ? 0 : 1); break;
    case VT_I2:
    case VT_I4: {
      const double n = V_VT(&b) == VT_I2 ? V_I2(&b) : V_I4(&b);
      for (double d : {n + 1, n - 1, 1.0, 0.0}) add(V_VT(&b), d);
      break;
    }
    case VT_R4: add(VT_R4, V_R4(&b) + 1.0); break;
    case VT_BSTR: add(VT_BSTR, 0, ::SysStringLen(V_BSTR(&b)) ? L"" : L"Fired"); break;
    default: break;
  }
  return out;
}

std::vector<Change> FindChanges(IDispatch* object, const std::vector<MemberInfo>& members) {
  std::vector<Change> out;
  for (const MemberInfo& m : members) {
    if (!m.get || !m.put || m.declared > 0) continue;
    Change change{m.id, m.name, {}, {}};
    if (Get(object, m.id, &change.base).hr != S_OK) continue;
    const VARIANT& b = change.base.v;
    for (const Var& c : Candidates(b)) {
      Var back;
      if (!Same(c.v, b) && Put(object, m.id, c.v).hr == S_OK && Get(object, m.id, &back).hr == S_OK &&
          Same(back.v, c.v)) {
        change.other = c;
        break;
      }
    }
    Put(object, m.id, b);
    if (V_VT(&change.other.v) != VT_EMPTY) out.push_back(change);
  }
  return out;
}

// "" when the object still takes a new value of a property and its old one back,
// reading each back. Texts are tried first, then Booleans, then the rest: a setter
// may depend on another value a corrupt record left behind (a slider's Enabled
// repaints its thumb in its stored SliderColor), and one such is not a broken object.
std::string StillWorks(IDispatch* object, const std::vector<Change>& changes) {
  if (!object) return "no object";
  if (changes.empty()) return "";
  auto rank = [](const Change& c) { return V_VT(&c.base.v) == VT_BSTR ? 0 : V_VT(&c.base.v) == VT_BOOL ? 1 : 2; };
  std::vector<const Change*> order;
  for (const Change& c : changes) order.push_back(&c);
  std::stable_sort(order.begin(), order.end(), [&](const Change* a, const Change* b) { return rank(*a) < rank(*b); });
  std::string last;
  for (const Change* probe : order) {
    bool ok = true;
    for (const Var* value : {&probe->other, &probe->base}) {
      Var back;
      const Outcome put = Put(object, probe->id, value->v);
      const Outcome get = Get(object, probe->id, &back);
      if (!put.problem.empty() || !get.problem.empty()) return probe->name + ": " + put.problem + get.problem;
      if (put.hr != S_OK || get.hr != S_OK || !Same(back.v, value->v)) {
        last = probe->name + ": put " + HrText(put.hr) + ", get " + HrText(get.hr);
        ok = false;
        break;
      }
    }
    if (ok) return "";
  }
  return "no property takes a value any more (last " + last + ")";
}

std::vector<BYTE> StreamBytes(IStream* stream) {
  std::vector<BYTE> out;
  HGLOBAL memory = nullptr;
  STATSTG stat{};
  if (FAILED(::GetHGlobalFromStream(stream, &memory)) || FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return out;
  const BYTE* bytes = static_cast<const BYTE*>(::GlobalLock(memory));
  if (bytes) out.assign(bytes, bytes + stat.cbSize.QuadPart);
  ::GlobalUnlock(memory);
  return out;
}

ComPtr<IStream> StreamOf(const std::vector<BYTE>& bytes) {
  ComPtr<IStream> stream;
  ::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put());
  if (!bytes.empty()) stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
  stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
  return stream;
}

// A stream whose reads fail once `fail_at` bytes have been read.
class FailingStream final : public Counted<FailingStream, IStream> {
 public:
  FailingStream(const std::vector<BYTE>& bytes, size_t fail_at) : bytes_(bytes), fail_at_(fail_at) {}
  void* Find(REFIID iid) { return Offer(IsEqualIID(iid, IID_ISequentialStream) || IsEqualIID(iid, IID_IStream)); }
  HRESULT STDMETHODCALLTYPE Read(void* data, ULONG size, ULONG* read) override {
    if (read) *read = 0;
    if (!data) return STG_E_INVALIDPOINTER;
    const size_t end = std::min(bytes_.size(), fail_at_);
    const size_t n = at_ < end ? std::min<size_t>(size, end - at_) : 0;
    if (n) std::copy_n(bytes_.data() + at_, n, static_cast<BYTE*>(data));
    at_ += n;
    if (read) *read = static_cast<ULONG>(n);
    return n < size && at_ >= fail_at_ ? STG_E_READFAULT : S_OK;
  }
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* now) override {
    const size_t base = origin == STREAM_SEEK_SET ? 0 : origin == STREAM_SEEK_CUR ? at_ : bytes_.size();
    const LONGLONG to = static_cast<LONGLONG>(base) + move.QuadPart;
    if (to < 0) return STG_E_INVALIDFUNCTION;
    at_ = static_cast<size_t>(to);
    if (now) now->QuadPart = static_cast<ULONGLONG>(to);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
    if (!stat) return STG_E_INVALIDPOINTER;
    *stat = STATSTG{};
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = bytes_.size();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IStream** out) override { return Nothing(out, E_NOTIMPL); }

 private:
  const std::vector<BYTE>& bytes_;
  size_t fail_at_;
  size_t at_ = 0;
};

// Dirties the stack below the caller, so that a VARIANT a callee leaves
// uninitialised holds a pattern rather than a lucky zero.
__attribute__((noinline)) void DirtyStack() {
  volatile BYTE pad[32 * 1024];
  for (size_t i = 0; i < sizeof pad; ++i) pad[i] = 0xA5;
}

// A property bag that answers every key with one value, fails every read, or (with
// neither) keeps what Save writes as a container keeps a text form's values. It holds
// the control to the bag's rule: the VARIANT handed to Read says which type is wanted
// and holds nothing else.
class Bag final : public Counted<Bag, IPropertyBag> {
 public:
  explicit Bag(const Value* value = nullptr, HRESULT failure = S_OK, IDispatch* self = nullptr)
      : value_(value), failure_(failure), self_(self) {}
  void* Find(REFIID iid) { return Offer(IsEqualIID(iid, IID_IPropertyBag)); }
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
    ++reads;
    if (!name || !value) return E_POINTER;
    const VARTYPE wanted = V_VT(value);
    uninitialised += (wanted == VT_BSTR || wanted == VT_DISPATCH || wanted == VT_UNKNOWN) && V_BYREF(value);
    if (FAILED(failure_)) return failure_;
    if (!value_) {
      auto it = kept_.find(name);
      if (it == kept_.end()) return E_INVALIDARG;
      return wanted == VT_EMPTY ? ::VariantCopy(value, &it->second.v)
                                : ::VariantChangeType(value, &it->second.v, 0, wanted);
    }
    VARIANT out = ValueTable::For(*value_, self_);
    if (value_->self) {
      self_->AddRef();  // the reader clears what it was given
    } else if (value_->owned) {
      ::VariantInit(&out);
      if (FAILED(::VariantCopy(&out, const_cast<VARIANT*>(&value_->v)))) return E_OUTOFMEMORY;
    }
    *value = out;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override {
    if (!name || !value) return E_POINTER;
    return ::VariantCopy(&kept_[name].v, value);  // what Save writes must copy
  }
  bool Has(const wchar_t* name) const { return kept_.count(name) != 0; }
  int reads = 0;
  int uninitialised = 0;

 private:
  const Value* value_;
  HRESULT failure_;
  IDispatch* self_;
  std::map<std::wstring, Var> kept_;
};

// An icon as a file holds it: one 16 x 16 image of two colours, its mask below.
// The directory's entry is at 6 (its size at 14, its offset at 18), the image's
// bitmap header at 22 (width 26, height 30, bits 36, colours used 54).
std::vector<BYTE> IconFile() {
  std::vector<BYTE> file;
  auto u16 = [&](uint16_t v) { file.insert(file.end(), {BYTE(v), BYTE(v >> 8)}); };
  auto u32 = [&](uint32_t v) { file.insert(file.end(), {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)}); };
  constexpr uint32_t kDibSize = 40 + 2 * 4 + 16 * 4 + 16 * 4;
  u16(0), u16(1), u16(1);                                   // an icon file of one image
  file.insert(file.end(), {16, 16, 2, 0}), u16(1), u16(1);  // 16 x 16, two colours
  u32(kDibSize), u32(6 + 16);
  u32(40), u32(16), u32(32), u16(1), u16(1), u32(BI_RGB), u32(0), u32(0), u32(0), u32(0), u32(0);
  u32(0x00000000), u32(0x00FFFFFF);
  for (int row = 0; row < 16; ++row) u32(row % 2 ? 0x0000FFFFu : 0xFFFF0000u);  // the image
  for (int row = 0; row < 16; ++row) u32(row < 8 ? 0u : 0xFFFFFFFFu);           // the mask
  return file;
}

// The stream rows over a record saved with every property changed that can be,
// the platform's font and `picture` among them, so that every kind of entry is cut
// and corrupted. `c` names the class and the picture.
void TestStreams(const ClassInfo& cls, const std::string& c, const std::vector<MemberInfo>& members,
                 const std::vector<Change>& changes, IDispatch* font, IDispatch* picture,
                 const std::vector<BYTE>* picture_file = nullptr) {
  At(c + " streams");
  Placed saver = Create(cls);
  auto persist = Query<IPersistStreamInit>(saver.object.get(), IID_IPersistStreamInit);
  if (!persist) return;
  for (const Change& change : changes) Put(saver.object.get(), change.id, change.other.v);
  for (const MemberInfo& m : members) {
    for (IDispatch* object : {font, picture}) {
      if (m.putref && object && Put(saver.object.get(), m.id, DispatchValue(object), true).hr == S_OK) break;
    }
  }
  ComPtr<IStream> saved;
  ::CreateStreamOnHGlobal(nullptr, TRUE, saved.Put());
  const HRESULT save_hr = persist->Save(saved.get(), TRUE);
  const std::vector<BYTE> bytes = StreamBytes(saved.get());
  const std::vector<Reading> expected = ReadAll(saver.object.get(), members);
  // A fresh object loaded from `stream`: Load's answer, and "" when the object still works.
  auto load_into = [&](Placed& loaded, IStream* stream) {
    loaded = Create(cls);
    auto into = Query<IPersistStreamInit>(loaded.object.get(), IID_IPersistStreamInit);
    ++calls.stream_loads;
    ::InterlockedIncrement(&progress);
    return into ? into->Load(stream) : E_NOINTERFACE;
  };
  auto load = [&](IStream* stream) {
    Placed loaded;
    const HRESULT hr = load_into(loaded, stream);
    return std::make_pair(hr, StillWorks(loaded.object.get(), changes));
  };
  {
    Row row(c + ": a saved stream loads back with every changed property");
    row.Expect(save_hr == S_OK && bytes.size() > 8, "Save: " + HrText(save_hr));
    row.Expect(!changes.empty(), "no property takes another value");
    Placed loaded;
    const HRESULT hr = load_into(loaded, StreamOf(bytes).get());
    row.Expect(hr == S_OK, "Load: " + HrText(hr));
    const std::vector<Reading> got = loaded.object ? ReadAll(loaded.object.get(), members) : std::vector<Reading>{};
    for (size_t i = 0; i < expected.size() && i < got.size(); ++i) {
      row.Expect(got[i].hr == expected[i].hr && Same(got[i].value.v, expected[i].value.v),
                 expected[i].name + " differs after the load");
    }
  }
  {
    Row row(c + ": a saved stream followed by other data loads and stops at its own end");
    std::vector<BYTE> longer = bytes;
    longer.resize(bytes.size() + 1024 * 1024, 0xCC);
    ComPtr<IStream> stream = StreamOf(longer);
    const auto [hr, works] = load(stream.get());
    ULARGE_INTEGER at{};
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &at);
    row.Expect(hr == S_OK && works.empty(), "Load: " + HrText(hr) + " " + works);
    row.Expect(at.QuadPart == bytes.size(), "the stream was left at " + std::to_string(at.QuadPart) + " of a record of " +
                                                std::to_string(bytes.size()) + " bytes");
  }
  // Every corrupt record: made from the saved one, loaded into a fresh object that
  // must work after, and refused where the record cannot be read.
  Row prefixes(c + ": IPersistStreamInit::Load refuses every truncated prefix of a saved stream; the object works after");
  Row beyond(c + ": counts and lengths beyond the data, and a stream not a control's, are refused");
  Row inverted(c + ": corrupted streams (each byte inverted, random bytes) load or fail; the object works after");
  auto check = [&](Row& row, const std::string& what, const std::vector<BYTE>& record, bool refused) {
    At(c + " stream " + what);
    const auto [hr, works] = load(StreamOf(record).get());
    row.Expect((!refused || FAILED(hr)) && works.empty(), what + ": " + HrText(hr) + " " + works);
  };
  for (size_t n = 0; n < bytes.size(); ++n) {
    check(prefixes, std::to_string(n) + " of " + std::to_string(bytes.size()) + " bytes",
          std::vector<BYTE>(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(n)), true);
  }
  for (size_t offset : {size_t(4), size_t(8)}) {
    for (uint32_t huge : {0xFFFFFFFFu, 0x7FFFFFFFu, 0x01000000u}) {
      if (bytes.size() < offset + 4) continue;
      std::vector<BYTE> record = bytes;
      std::copy_n(reinterpret_cast<const BYTE*>(&huge), 4, record.begin() + static_cast<ptrdiff_t>(offset));
      check(beyond, Hex(huge) + " at " + std::to_string(offset), record, true);
    }
  }
  check(beyond, "a text", {'n', 'o', 't', ' ', 'a', ' ', 'c', 'o', 'n', 't', 'r', 'o', 'l'}, true);
  for (size_t k = 0; k < bytes.size(); ++k) {
    std::vector<BYTE> record = bytes;
    record[k] ^= 0xFF;
    check(inverted, "byte " + std::to_string(k) + " inverted", record, false);
  }
  std::mt19937 random(1729);
  for (int k = 0; k < 300 && !bytes.empty(); ++k) {
    std::vector<BYTE> record = bytes;
    for (int h = 0, hits = 1 + static_cast<int>(random() % 8); h < hits; ++h) {
      record[random() % bytes.size()] = static_cast<BYTE>(random());
    }
    check(inverted, "random bytes, case " + std::to_string(k), record, false);
  }
  if (picture_file) {
    // The platform's loader reads an icon wherever its directory and its bitmap
    // header point; the server's check of them has its own table of damages, and
    // these two show that a stored record goes through it. Each keeps the record's
    // lengths, so only the icon lies.
    Row hostile(c + ": an icon whose directory or bitmap points beyond its own bytes is refused; the object works after");
    const auto at = std::search(bytes.begin(), bytes.end(), picture_file->begin(), picture_file->end());
    hostile.Expect(at != bytes.end(), "the icon's bytes are not in the saved record");
    struct Damage {
      const char* what;
      std::vector<std::pair<size_t, uint32_t>> edits;  // 32-bit little-endian values at offsets
    };
    const Damage damages[] = {
        {"a directory of 65,535 images", {{4, 0x1010FFFFu}}},  // the count, and the first entry's 16 x 16 kept
        {"an image whose offset and size wrap around 4 GB", {{14, 0x20u}, {18, 0xFFFFFFF0u}}},
    };
    for (const Damage& d : damages) {
      if (at == bytes.end()) break;
      std::vector<BYTE> record = bytes;
      for (const auto& [offset, value] : d.edits) {
        for (int b = 0; b < 4; ++b) record[static_cast<size_t>(at - bytes.begin()) + offset + b] = BYTE(value >> (8 * b));
      }
      check(hostile, d.what, record, true);
    }
  }
  Row row(c + ": a stream whose reads fail is refused");
  for (size_t fail_at = 0; fail_at < bytes.size(); fail_at += std::max<size_t>(1, bytes.size() / 64)) {
    FailingStream stream(bytes, fail_at);
    const auto [hr, works] = load(&stream);
    row.Expect(FAILED(hr) && works.empty() && stream.refs() == 1,
               "failing after " + std::to_string(fail_at) + " bytes: " + HrText(hr) + " " + works +
                   (stream.refs() == 1 ? "" : ", the stream is still referenced"));
  }
}

void TestPersistence(const ClassInfo& cls, const ValueTable& values, IDispatch* font, IDispatch* picture,
                     IDispatch* icon) {
  const std::string c(cls.name);
  At(c + " persistence");
  Placed probe = Create(cls);
  if (!Query<IPersistStreamInit>(probe.object.get(), IID_IPersistStreamInit)) return;  // not a control
  const std::vector<MemberInfo> members = MembersOf(probe.object.get());
  const std::vector<Change> changes = FindChanges(probe.object.get(), members);
  probe = Placed();
  TestStreams(cls, c + " (bitmap)", members, changes, font, picture);
  if (icon) {
    const std::vector<BYTE> file = IconFile();
    TestStreams(cls, c + " (icon)", members, changes, font, icon, &file);
  }
  // Whatever Load answers, the object must work and save after, and no Read may be
  // handed more than the type it wants.
  Row row(c + ": IPersistPropertyBag::Load with every VARIANT type for every key, and through a bag whose reads "
          "fail; the object works and saves after; a missing key is a default");
  Row rule(c + ": the VARIANT handed to IPropertyBag::Read holds nothing but the wanted type");
  auto load = [&](const Value* value, HRESULT failure, const std::string& what) {
    Placed loaded = Create(cls);
    auto persist = Query<IPersistPropertyBag>(loaded.object.get(), IID_IPersistPropertyBag);
    Bag bag(value, failure, loaded.object.get()), saved;
    HRESULT hr = E_NOINTERFACE;
    if (persist) {
      ++calls.bag_loads;
      ::InterlockedIncrement(&progress);
      DirtyStack();
      hr = persist->Load(&bag, nullptr);
    }
    const std::string works = StillWorks(loaded.object.get(), changes);
    const HRESULT save = persist ? persist->Save(&saved, TRUE, TRUE) : E_NOINTERFACE;
    rule.Expect(bag.reads > 0 && bag.uninitialised == 0, what + ": " + std::to_string(bag.uninitialised) + " of " +
                                                             std::to_string(bag.reads) +
                                                             " reads were handed more than the wanted type");
    row.Expect(works.empty() && save == S_OK, what + ": " + works + ", Save " + HrText(save));
    return hr;
  };
  for (const Value& value : values.rows()) {
    At(c + " property bag of " + value.name);
    load(&value, S_OK, value.name);
  }
  for (HRESULT failure : {E_INVALIDARG, E_FAIL, E_OUTOFMEMORY, STG_E_ACCESSDENIED, E_UNEXPECTED}) {
    const HRESULT hr = load(nullptr, failure, HrText(failure));
    if (failure == E_INVALIDARG) row.Expect(hr == S_OK, "a bag without the keys: " + HrText(hr));
  }
}

// ---------------------------------------------------------------------------
// Nothing left behind

using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();

bool Ours(HWND hwnd) {
  DWORD process = 0;
  ::GetWindowThreadProcessId(hwnd, &process);
  return process == ::GetCurrentProcessId();
}

BOOL CALLBACK CountOne(HWND, LPARAM n) { return ++*reinterpret_cast<int*>(n), TRUE; }

BOOL CALLBACK CountTop(HWND hwnd, LPARAM n) {
  if (Ours(hwnd)) CountOne(hwnd, n), ::EnumChildWindows(hwnd, CountOne, n);
  return TRUE;
}

// The process's windows, children and message-only windows included.
int CountWindows() {
  int n = 0;
  ::EnumWindows(CountTop, reinterpret_cast<LPARAM>(&n));
  for (HWND w = ::FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w;
       w = ::FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr)) {
    n += Ours(w);
  }
  return n;
}

std::optional<GUID> EventIid(const ClassInfo& cls) {
  const EventInterface* events = cls.event_interface.empty() ? nullptr : FindEventInterface(cls.event_interface);
  return events ? std::optional<GUID>(ToGuid(events->id)) : std::nullopt;
}

ComPtr<IConnectionPoint> PointOf(IUnknown* object, REFIID iid) {
  ComPtr<IConnectionPoint> point;
  auto points = Query<IConnectionPointContainer>(object, IID_IConnectionPointContainer);
  if (points && FAILED(points->FindConnectionPoint(iid, point.Put()))) point.Reset();
  return point;
}

// What a container does with a verb enumerator: takes one verb.
void TakeVerb(IEnumOLEVERB* verbs) {
  OLEVERB verb{};
  ULONG got = 0;
  if (verbs->Next(1, &verb, &got) == S_OK && got == 1) ::CoTaskMemFree(verb.lpszVerbName);
}

// Calls the members of these names as a get or a method; a name `object` lacks is
// called as DISPID_UNKNOWN unless `only_known`.
void CallByName(Row& row, IDispatch* object, std::initializer_list<const wchar_t*> names, bool only_known,
                const std::string& whose) {
  for (const wchar_t* member : names) {
    const DISPID id = IdOf(object, member);
    if (only_known && id == DISPID_UNKNOWN) continue;
    Args none;
    const Outcome r = Fire(object, id, DISPATCH_PROPERTYGET | DISPATCH_METHOD, none.Get());
    row.Expect(r.problem.empty(), whose + Narrow(member) + ": " + r.problem);
  }
}

// Objects of every class made, queried, sited, advised, called and released in an
// order a fixed seed draws; DllCanUnloadNow must say S_FALSE exactly while something
// of the module is held, and S_OK at the end, so that whatever an earlier part of
// the run left behind shows here too.
void TestRandomOrders(const std::vector<const ClassInfo*>& classes, CanUnloadFn can_unload, HWND form) {
  At("random orders");
  struct Held {
    ComPtr<IUnknown> p;
    const ClassInfo* cls;
    enum Kind { kObject, kPoint, kEnum, kDispatch } kind;
    bool ours;
  };
  std::vector<Held> held;
  std::mt19937 random(20240601);
  auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
  // One of the objects made; its class is copied out before `held` grows.
  const ClassInfo* cls = nullptr;
  auto pick_object = [&]() -> IUnknown* {
    std::vector<Held*> objects;
    for (Held& h : held) {
      if (h.kind == Held::kObject) objects.push_back(&h);
    }
    if (objects.empty()) return nullptr;
    const Held* h = objects[pick(objects.size())];
    cls = h->cls;
    return h->p.get();
  };
  auto keep = [&](IUnknown* object, Held::Kind kind, bool ours = true) {
    held.push_back({ComPtr<IUnknown>(object), cls, kind, ours});
  };
  std::vector<std::vector<MemberInfo>> members(classes.size());
  Row row("objects made and released in random orders: DllCanUnloadNow is S_FALSE exactly while any is held");
  Row calls_row("objects made and released in random orders: calls on what is held keep the rules");
  auto expect_unload = [&](int step, const char* op) {
    const bool any = std::any_of(held.begin(), held.end(), [](const Held& h) { return h.ours; });
    const HRESULT hr = can_unload();
    row.Expect(hr == (any ? S_FALSE : S_OK), "step " + std::to_string(step) + " (" + op + "): DllCanUnloadNow " +
                                                 HrText(hr) + (any ? " while objects are held" : " with nothing held"));
  };
  constexpr int kSteps = 3000;
  for (int step = 0; step < kSteps; ++step) {
    const char* const names[] = {"create", "create", "site", "connection point", "verbs", "object property", "call",
                                 "close", "release", "release"};
    const int op = static_cast<int>(random() % 10);
    switch (op) {
      case 0:
      case 1: {
        cls = classes[pick(classes.size())];
        ComPtr<IUnknown> object;
        ++calls.created;
        if (SUCCEEDED(::CoCreateInstance(ToGuid(cls->clsid), nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                         reinterpret_cast<void**>(object.Put())))) {
          keep(object.get(), Held::kObject);
        }
        break;
      }
      case 2: {
        auto ole = Query<IOleObject>(pick_object(), IID_IOleObject);
        ComPtr<IOleClientSite> current;
        if (ole && SUCCEEDED(ole->GetClientSite(current.Put())) && !current) {
          const LONG x = static_cast<LONG>(pick(500)), y = static_cast<LONG>(pick(400));
          RECT rect{x, y, x + 40 + static_cast<LONG>(pick(200)), y + 20 + static_cast<LONG>(pick(100))};
          Site* site = new Site(form, rect);
          ole->SetClientSite(site);
          ole->DoVerb(pick(2) ? OLEIVERB_INPLACEACTIVATE : OLEIVERB_UIACTIVATE, nullptr, site, 0, form, &rect);
          site->Release();
        }
        break;
      }
      case 3: {
        auto points = Query<IConnectionPointContainer>(pick_object(), IID_IConnectionPointContainer);
        if (!points) break;
        const std::optional<GUID> events = EventIid(*cls);
        const bool notify = !events || pick(2);
        ComPtr<IConnectionPoint> point;
        if (FAILED(points->FindConnectionPoint(notify ? IID_IPropertyNotifySink : *events, point.Put()))) break;
        if (pick(2)) {
          DWORD cookie = 0;
          IUnknown* sink = notify ? static_cast<IUnknown*>(new ChangeSink()) : new Dispatcher(Dispatcher::kSink);
          point->Advise(sink, &cookie);
          sink->Release();  // left advised: the control holds it
        }
        keep(point.get(), Held::kPoint);
        break;
      }
      case 4: {
        auto ole = Query<IOleObject>(pick_object(), IID_IOleObject);
        ComPtr<IEnumOLEVERB> verbs;
        if (ole && SUCCEEDED(ole->EnumVerbs(verbs.Put())) && verbs) keep(verbs.get(), Held::kEnum);
        break;
      }
      case 5: {
        auto dispatch = Query<IDispatch>(pick_object(), IID_IDispatch);
        if (!dispatch) break;
        const size_t c = static_cast<size_t>(std::find(classes.begin(), classes.end(), cls) - classes.begin());
        if (members[c].empty()) members[c] = MembersOf(dispatch.get());
        if (members[c].empty()) break;
        const MemberInfo& m = members[c][pick(members[c].size())];
        if (!m.get || m.declared > 0) break;
        Var value;
        const Outcome r = Get(dispatch.get(), m.id, &value);
        calls_row.Expect(r.problem.empty(), "get " + m.name + ": " + r.problem);
        if (r.hr == S_OK && V_VT(&value.v) == VT_DISPATCH && V_DISPATCH(&value.v)) {
          keep(V_DISPATCH(&value.v), Held::kDispatch, !IsPlatformObject(V_DISPATCH(&value.v)));
        }
        break;
      }
      case 6: {
        if (held.empty()) break;
        const Held& h = held[pick(held.size())];
        // What is held may have outlived its control: it must still answer.
        if (h.kind == Held::kEnum) {
          if (auto verbs = Query<IEnumOLEVERB>(h.p.get(), IID_IEnumOLEVERB)) {
            TakeVerb(verbs.get());
            ComPtr<IEnumOLEVERB> clone;
            calls_row.Expect(verbs->Reset() == S_OK && SUCCEEDED(verbs->Clone(clone.Put())) && clone,
                             "a verb enumerator does not reset or clone");
          }
        } else if (h.kind == Held::kPoint) {
          IID iid{};
          const std::optional<GUID> events = EventIid(*h.cls);
          auto point = Query<IConnectionPoint>(h.p.get(), IID_IConnectionPoint);
          calls_row.Expect(point && point->GetConnectionInterface(&iid) == S_OK &&
                               (IsEqualIID(iid, IID_IPropertyNotifySink) || (events && IsEqualIID(iid, *events))),
                           "a connection point forgot its interface");
          const bool notify = IsEqualIID(iid, IID_IPropertyNotifySink);
          IUnknown* late = notify ? static_cast<IUnknown*>(new ChangeSink()) : new Dispatcher(Dispatcher::kSink);
          DWORD cookie = 0;
          if (point && SUCCEEDED(point->Advise(late, &cookie))) point->Unadvise(cookie);
          late->Release();
        } else if (auto dispatch = Query<IDispatch>(h.p.get(), IID_IDispatch)) {
          CallByName(calls_row, dispatch.get(), {L"Count", L"Caption", L"value", L"Refresh"}, true, "");
        }
        break;
      }
      case 7: {
        if (auto ole = Query<IOleObject>(pick_object(), IID_IOleObject)) {
          if (pick(2)) ole->Close(OLECLOSE_NOSAVE);
          if (pick(2)) ole->SetClientSite(nullptr);
        }
        break;
      }
      default:
        if (!held.empty()) held.erase(held.begin() + static_cast<ptrdiff_t>(pick(held.size())));
        break;
    }
    expect_unload(step, names[op]);
    if (step % 64 == 0) Pump();
  }
  std::shuffle(held.begin(), held.end(), random);
  while (!held.empty()) {
    held.pop_back();
    expect_unload(kSteps, "release at the end");
  }
  Pump();
}

void TestLifetimes(const std::vector<const ClassInfo*>& classes, CanUnloadFn can_unload, HWND form) {
  const int windows_before = CountWindows();
  const int sites_before = live_sites, sinks_before = live_sinks;
  TestRandomOrders(classes, can_unload, form);
  for (const ClassInfo* cls : classes) {
    const std::string c(cls->name);
    const std::optional<GUID> events = EventIid(*cls);
    if (!events) continue;
    At(c + " lifetimes");
    // Once the container has let go of a control, however it did, nothing of it is left.
    Row row(c + ": a container that never calls IOleObject::Close, nor Unadvise for its sinks, leaves nothing behind");
    const struct {
      const char* what;
      LONG verb;
      bool unsite, sinks;
    } ways[] = {{"released while active", OLEIVERB_INPLACEACTIVATE, false, false},
                {"released before its connection-point sinks", OLEIVERB_INPLACEACTIVATE, false, true},
                {"SetClientSite(NULL), then released", OLEIVERB_INPLACEACTIVATE, true, false},
                {"released while UI-active", OLEIVERB_UIACTIVATE, false, false}};
    for (const auto& way : ways) {
      const std::string what = std::string(way.what) + ": ";
      Placed p = Place(*cls, form, kSweepRect, way.verb);
      const HWND window = p.window;
      Dispatcher* event_sink = way.sinks ? new Dispatcher(Dispatcher::kSink) : nullptr;
      ChangeSink* change_sink = way.sinks ? new ChangeSink() : nullptr;
      if (way.sinks) {
        DWORD cookie = 0;
        if (auto point = PointOf(p.object.get(), *events)) point->Advise(event_sink, &cookie);
        if (auto point = PointOf(p.object.get(), IID_IPropertyNotifySink)) point->Advise(change_sink, &cookie);
        row.Expect(event_sink->refs() > 1 && change_sink->refs() > 1, what + "the sinks were not taken");
      }
      if (way.unsite && p.ole) p.ole->SetClientSite(nullptr);
      row.Expect(window != nullptr, what + "the control had no window");
      p = Placed();
      Pump();
      const HRESULT hr = can_unload();
      row.Expect(!::IsWindow(window) && live_sites == sites_before && hr == S_OK,
                 what + "the control's window or site is still there, or DllCanUnloadNow " + HrText(hr));
      if (!way.sinks) continue;
      row.Expect(event_sink->refs() == 1 && change_sink->refs() == 1, what + "the sinks are still held");
      event_sink->Release();
      change_sink->Release();
    }
  }
  Pump();
  Row row("the controls let go of every site and sink, and every window they made is gone");
  const int windows_after = CountWindows();
  row.Expect(live_sites == sites_before && live_sinks == sinks_before && windows_after == windows_before,
             std::to_string(live_sites - sites_before) + " sites and " + std::to_string(live_sinks - sinks_before) +
                 " sinks still held; windows before " + std::to_string(windows_before) + ", after " +
                 std::to_string(windows_after));
}

// ---------------------------------------------------------------------------
// What a container relies on beyond late binding, shown on one control.

// By name, as a script client sets a property; the value is cleared after.
HRESULT PutNamed(IDispatch* object, const wchar_t* name, VARIANT value) {
  const HRESULT hr = Put(object, IdOf(object, name), value).hr;
  ::VariantClear(&value);
  return hr;
}

std::wstring TextOf(IDispatch* object, const wchar_t* name) {
  Var v;
  Get(object, IdOf(object, name), &v);
  return V_VT(&v.v) == VT_BSTR && V_BSTR(&v.v) ? V_BSTR(&v.v) : L"<not a string>";
}

DISPID DispidOf(const ClassInfo& cls, const char* member) { return FindMember(cls.default_interface, member)->dispid; }

void TestFactory(const ClassInfo& cls, HMODULE module, CanUnloadFn can_unload) {
  Row row("the class factory: none for an unknown CLSID, no aggregation; a lock and an object keep the module");
  using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto get_class_object = reinterpret_cast<GetClassObjectFn>(
      reinterpret_cast<void*>(::GetProcAddress(module, "DllGetClassObject")));
  if (!get_class_object) return row.Expect(false, "DllGetClassObject is not found by its plain name");
  ComPtr<IClassFactory> factory;
  const GUID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  auto get = [&](const GUID& clsid) {
    return get_class_object(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory.Put()));
  };
  row.Expect(get(unknown) == CLASS_E_CLASSNOTAVAILABLE, "an unknown CLSID has a factory");
  row.Expect(SUCCEEDED(get(ToGuid(cls.clsid))) && factory, "no factory");
  if (!factory) return;
  factory->LockServer(TRUE);
  row.Expect(can_unload() == S_FALSE, "a lock does not keep the module");
  factory->LockServer(FALSE);
  row.Expect(can_unload() == S_OK, "the released lock still keeps the module");
  ComPtr<IUnknown> object;
  auto make = [&](IUnknown* outer) {
    return factory->CreateInstance(outer, IID_IUnknown, reinterpret_cast<void**>(object.Put()));
  };
  row.Expect(make(factory.get()) == CLASS_E_NOAGGREGATION, "aggregation is not refused");
  row.Expect(SUCCEEDED(make(nullptr)) && object, "CreateInstance makes no object");
  row.Expect(can_unload() == S_FALSE, "a live object does not keep the module");
  object.Reset();
  factory.Reset();
  row.Expect(can_unload() == S_OK, "the module is kept with the object released");
}

// The error a refused value gives is the script clients'; the default source the
// test container's, whose logs name every event through it.
void TestClassInfo(const ClassInfo& cls) {
  Row row(std::string(cls.name) + ": class information names the class; no safety is claimed; a caption saved "
          "into a property bag loads back; a second InitNew and a stream not its own are refused");
  Placed p = Create(cls), second = Create(cls);
  auto info = Query<IProvideClassInfo2>(p.object.get(), IID_IProvideClassInfo2);
  auto persist = Query<IPersistPropertyBag>(p.object.get(), IID_IPersistPropertyBag);
  auto loader = Query<IPersistPropertyBag>(second.object.get(), IID_IPersistPropertyBag);
  auto stream_loader = Query<IPersistStreamInit>(second.object.get(), IID_IPersistStreamInit);
  if (!info || !persist || !loader || !stream_loader) return row.Expect(false, "an interface is missing");
  ComPtr<ITypeInfo> class_info;
  BSTR name = nullptr;
  row.Expect(SUCCEEDED(info->GetClassInfo(class_info.Put())) && class_info &&
                 SUCCEEDED(class_info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr)) && name &&
                 std::wstring(name) == Widen(cls.name),
             "the class information does not name the class");
  ::SysFreeString(name);
  // The About box starts programs and opens addresses: no control may tell a
  // browser that it is safe for untrusted scripts or data.
  static constexpr GUID kIidObjectSafety = {0xCB5BDC81, 0x93C1, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};
  row.Expect(!Query<IUnknown>(p.object.get(), kIidObjectSafety), "IObjectSafety is offered");
  row.Expect(SUCCEEDED(persist->InitNew()), "InitNew fails");
  row.Expect(persist->InitNew() == E_UNEXPECTED, "a second InitNew is taken");
  PutNamed(p.object.get(), L"Caption", Text(L"Saved caption"));
  Bag bag;
  row.Expect(SUCCEEDED(persist->Save(&bag, TRUE, TRUE)) && bag.Has(L"Caption"), "Save writes no Caption");
  row.Expect(SUCCEEDED(loader->Load(&bag, nullptr)) && TextOf(second.object.get(), L"Caption") == L"Saved caption",
             "the caption does not come back from the bag");
  ComPtr<IStream> junk = StreamOf({'n', 'o', 't', ' ', 'a', ' ', 'c', 'o', 'n', 't', 'r', 'o', 'l'});
  row.Expect(FAILED(stream_loader->Load(junk.get())), "a stream that is not a control's is taken");
}

// Events and change notifications through the two connection points, and through
// IQuickActivate, which must give the registered misc status as GetMiscStatus
// does. That the quick path's events are the ordinary path's is for the Win32 test
// container's quick runs to show, and which names the changes report for its logs.
void TestSinks(const ClassInfo& cls) {
  Row row(std::string(cls.name) + ": Click through the event point for a new value only, changes only to "
          "IPropertyNotifySink with the member's DISPID, none once unadvised; quick activation connects both");
  Placed p = Create(cls), quick = Create(cls);
  IDispatch* o = p.object.get();
  auto points = Query<IConnectionPointContainer>(o, IID_IConnectionPointContainer);
  auto ole = Query<IOleObject>(o, IID_IOleObject);
  auto qa = Query<IQuickActivate>(quick.object.get(), IID_IQuickActivate);
  ComPtr<IConnectionPoint> point = PointOf(o, *EventIid(cls)), notify = PointOf(o, IID_IPropertyNotifySink), none;
  if (!points || !ole || !qa || !point || !notify) return row.Expect(false, "an interface or a point is missing");
  row.Expect(points->FindConnectionPoint(IID_IDispatch, none.Put()) == CONNECT_E_NOCONNECTION,
             "IDispatch has a connection point");
  IID iid{};
  row.Expect(SUCCEEDED(notify->GetConnectionInterface(&iid)) && IsEqualIID(iid, IID_IPropertyNotifySink),
             "the change connection point does not name IPropertyNotifySink");
  Dispatcher* events = new Dispatcher(Dispatcher::kSink);
  ChangeSink* changes = new ChangeSink(o);
  DWORD event_cookie = 0, change_cookie = 0;
  // An event sink is no change sink: the point must not take an IDispatch instead.
  row.Expect(notify->Advise(events, &change_cookie) == CONNECT_E_CANNOTCONNECT && change_cookie == 0,
             "a sink without IPropertyNotifySink is taken");
  row.Expect(SUCCEEDED(point->Advise(events, &event_cookie)) && event_cookie != 0 &&
                 SUCCEEDED(notify->Advise(changes, &change_cookie)) && change_cookie != 0,
             "Advise fails");
  PutNamed(o, L"value", Long(1));
  PutNamed(o, L"value", Long(1));
  const DISPID click = FindEvent(*FindEventInterface(cls.event_interface), "Click")->dispid;
  const std::vector<std::pair<DISPID, UINT>> once = {{click, 0}};
  row.Expect(events->heard == once, "setting the value twice raised " + std::to_string(events->heard.size()) +
                                        " events, not one Click without parameters");
  PutNamed(o, L"Caption", Text(L"Changed"));
  // The type library spells the member "value"; the control reports "Value".
  for (const char* member : {"Value", "Caption"}) {
    const std::pair<DISPID, std::wstring> wanted{DispidOf(cls, member), Widen(member)};
    row.Expect(std::count(changes->changes.begin(), changes->changes.end(), wanted) > 0,
               std::string("a new ") + member + " is not reported with its member's DISPID as " + member);
  }
  const size_t heard = changes->changes.size();
  row.Expect(SUCCEEDED(point->Unadvise(event_cookie)) && SUCCEEDED(notify->Unadvise(change_cookie)),
             "Unadvise fails");
  row.Expect(point->Unadvise(event_cookie) == CONNECT_E_NOCONNECTION, "a cookie works twice");
  PutNamed(o, L"value", Long(0));
  PutNamed(o, L"Caption", Text(L"Again"));
  row.Expect(events->heard == once && changes->changes.size() == heard, "an unadvised sink hears something");

  QACONTAINER container{};
  container.cbSize = sizeof container;
  container.pUnkEventSink = events;
  container.pPropertyNotifySink = changes;
  container.dwAmbientFlags = QACONTAINER_USERMODE;
  QACONTROL control{};
  control.cbSize = sizeof control;
  const HRESULT hr = qa->QuickActivate(&container, &control);
  row.Expect(hr == S_OK && control.dwEventCookie != 0 && control.dwPropNotifyCookie != 0,
             "QuickActivate " + HrText(hr) + " did not connect both sinks");
  DWORD misc = 0;
  row.Expect(SUCCEEDED(ole->GetMiscStatus(DVASPECT_CONTENT, &misc)) && misc == cls.misc_status &&
                 control.dwMiscStatus == cls.misc_status,
             "the misc status is " + std::to_string(misc) + ", quick " + std::to_string(control.dwMiscStatus) +
                 ", not the registered " + std::to_string(cls.misc_status));
  QACONTAINER short_container{};
  short_container.cbSize = 8;
  row.Expect(qa->QuickActivate(&short_container, &control) == E_INVALIDARG, "a structure too short is taken");
  events->Release();
  changes->Release();
}

// Where a container aims at a constituent part: the check box's caption label
// is windowless and follows the layout, the glyph has a window only once the
// control is active in place.
void TestPartPlaces(const ClassInfo& cls) {
  Row row(std::string(cls.name) + ": its parts are found in any case where the layout puts them, and a part it "
          "lacks is refused");
  Placed p = Create(cls);
  auto internals = Query<activex::IVitrelleControlInternals>(p.object.get(), activex::IID_IVitrelleControlInternals);
  if (!internals) return row.Expect(false, "the private interface is not offered");
  PutNamed(p.object.get(), L"Caption", Text(L"A caption"));
  RECT left{}, glyph{}, right{}, none{1, 1, 1, 1};
  HWND window = reinterpret_cast<HWND>(1);
  row.Expect(internals->GetPartRect(L"LBLCAPTION", &left, &window) == S_OK && left.right > left.left &&
                 left.bottom > left.top && window == nullptr,
             "LBLCAPTION is not found, has no area, or has a window");
  row.Expect(internals->GetPartRect(L"Check1", &glyph, &window) == S_OK && glyph.right > glyph.left && window == nullptr,
             "the glyph has no area, or a window before in-place activation");
  row.Expect(glyph.right <= left.left, "the caption does not lie right of the glyph");
  PutNamed(p.object.get(), L"Alignment", Long(1));
  row.Expect(internals->GetPartRect(L"lblCaption", &right, &window) == S_OK && right.left < left.left,
             "the caption's place does not follow the alignment");
  row.Expect(internals->GetPartRect(L"picGlyph", &none, &window) == E_INVALIDARG && none.right == 0,
             "a part the control does not have is not refused");
}

// An object as a container hands one out: it names a type information of its
// choice, and answers QueryInterface for what `inner` answers (an extender that
// stands for its control), or only for IDispatch.
class StandIn final : public Counted<StandIn, IDispatch> {
 public:
  StandIn(ITypeInfo* info, IDispatch* inner) : info_(info), inner_(inner) {}
  void* Find(REFIID iid) { return Offer(IsEqualIID(iid, IID_IDispatch)); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    const HRESULT hr = Counted::QueryInterface(iid, out);
    return hr == E_NOINTERFACE && inner_ ? inner_->QueryInterface(iid, out) : hr;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = info_ ? 1 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
    if (!info_) return Nothing(out, E_NOTIMPL);
    info_->AddRef();
    *out = info_.get();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

 private:
  ComPtr<ITypeInfo> info_;
  ComPtr<IDispatch> inner_;
};

ComPtr<ITypeInfo> RegisteredTypeInfo(const GUID& lib, WORD major, WORD minor, const GUID& type) {
  ComPtr<ITypeLib> library;
  ComPtr<ITypeInfo> info;
  if (SUCCEEDED(::LoadRegTypeLib(lib, major, minor, LOCALE_NEUTRAL, library.Put())) && library) {
    library->GetTypeInfoOfGuid(type, info.Put());
  }
  return info;
}

// A type test asks the object for the class's interface: neither the name of a
// type information nor its absence decides it.
void TestTypeTests(const ClassInfo& cls) {
  Row row("type tests: a control is of its class in any case; a stand-in is what it answers for, not what it names");
  Placed p = Create(cls);
  if (!p.object) return row.Expect(false, "no control to test types of");
  using activex::ComDispatch;
  ComDispatch control(p.object.get());
  row.Expect(control.IsA("GlazeCheck") && control.IsA("glazecheck") && control.IsA("_GlazeCheck"),
             "a control is not of its class and its default interface, in any case");
  row.Expect(!control.IsA("GlazeSlider") && !control.IsA("GlazeFrame") && !control.IsA("_GlazeRadio"),
             "a control is of another class of the library");
  row.Expect(control.IsA("Object") && !control.IsA("Form"), "a control is no Object, or a form");
  const LibraryInfo& lib = Library();
  ComPtr<ITypeInfo> frame_info = RegisteredTypeInfo(ToGuid(lib.id), lib.major_version, lib.minor_version,
                                                    ToGuid(FindInterface("_GlazeFrame")->id));
  row.Expect(static_cast<bool>(frame_info), "the registered type library does not describe _GlazeFrame");
  StandIn named_frame(frame_info.get(), nullptr), extender(nullptr, p.object.get());
  row.Expect(!ComDispatch(&named_frame).IsA("GlazeFrame"), "an object that only names the frame's interface is a frame");
  row.Expect(ComDispatch(&extender).IsA("GlazeCheck") && !ComDispatch(&extender).IsA("GlazeSlider"),
             "an object without type information that answers for the control's interface is not of its class");
  // The container's own types are known by name only: stdole, version 2.0.
  const GUID stdole{0x00020430, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  ComPtr<ITypeInfo> font_info = RegisteredTypeInfo(stdole, 2, 0, IID_IFontDisp);
  row.Expect(static_cast<bool>(font_info), "the standard library does not describe its font");
  StandIn host_object(font_info.get(), nullptr);
  ComDispatch host(&host_object);
  row.Expect(host.IsA("Font") && !host.IsA("Form") && !host.IsA("GlazeCheck"),
             "a host object is not of the type its type information names");
}

// What a designer's property sheet and object menu read: enumeration values with
// their display strings, the stock pages, the verbs and the user type.
void TestBrowsing(const ClassInfo& cls) {
  Row row(std::string(cls.name) + ": the property sheet's enumerations, display strings and stock pages; the "
          "verbs; the user type");
  Placed p = Create(cls);
  auto browsing = Query<IPerPropertyBrowsing>(p.object.get(), IID_IPerPropertyBrowsing);
  auto specify = Query<ISpecifyPropertyPages>(p.object.get(), IID_ISpecifyPropertyPages);
  auto ole = Query<IOleObject>(p.object.get(), IID_IOleObject);
  if (!browsing || !specify || !ole) return row.Expect(false, "an interface is missing");
  const DISPID appearance = DispidOf(cls, "Appearance"), caption = DispidOf(cls, "Caption");
  CALPOLESTR strings{};
  CADWORD cookies{};
  std::vector<std::wstring> shown;
  std::vector<DWORD> keys;
  if (SUCCEEDED(browsing->GetPredefinedStrings(appearance, &strings, &cookies))) {
    for (ULONG i = 0; i < strings.cElems; ++i) {
      shown.emplace_back(strings.pElems[i]);
      ::CoTaskMemFree(strings.pElems[i]);
    }
    keys.assign(cookies.pElems, cookies.pElems + cookies.cElems);
    ::CoTaskMemFree(strings.pElems);
    ::CoTaskMemFree(cookies.pElems);
  }
  row.Expect(shown == std::vector<std::wstring>{L"0 - Flat", L"1 - 3D"} && keys.size() == 2,
             "Appearance does not offer its members by value and exact name");
  Var value;
  row.Expect(keys.size() == 2 && browsing->GetPredefinedValue(appearance, keys[1], &value.v) == S_OK &&
                 V_VT(&value.v) == VT_I4 && V_I4(&value.v) == 1,
             "a chosen string does not give its value");
  row.Expect(browsing->GetPredefinedValue(appearance, 7, &value.v) == E_INVALIDARG, "a cookie of no member is taken");
  PutNamed(p.object.get(), L"Appearance", Long(1));
  BSTR text = nullptr;
  row.Expect(browsing->GetDisplayString(appearance, &text) == S_OK && text && std::wstring(text) == L"1 - 3D",
             "the sheet does not show the current value by its name");
  ::SysFreeString(text);
  text = nullptr;
  row.Expect(browsing->GetDisplayString(caption, &text) == E_NOTIMPL && !text &&
                 browsing->GetPredefinedStrings(caption, &strings, &cookies) == E_NOTIMPL && strings.cElems == 0,
             "a text property has predefined values");
  row.Expect(browsing->GetDisplayString(0x12345, &text) == DISP_E_MEMBERNOTFOUND, "an unknown DISPID is taken");
  CLSID page{};
  row.Expect(browsing->MapPropertyToPage(DispidOf(cls, "Font"), &page) == S_OK &&
                 IsEqualCLSID(page, activex::kStockFontPage) &&
                 browsing->MapPropertyToPage(DispidOf(cls, "BackColor"), &page) == S_OK &&
                 IsEqualCLSID(page, activex::kStockColorPage) &&
                 browsing->MapPropertyToPage(caption, &page) == PERPROP_E_NOPAGEAVAILABLE,
             "fonts and colours are not edited on the stock pages");
  CAUUID pages{};
  row.Expect(specify->GetPages(&pages) == S_OK && pages.cElems == 3 &&
                 IsEqualCLSID(pages.pElems[0], activex::kStockFontPage) &&
                 IsEqualCLSID(pages.pElems[1], activex::kStockColorPage) &&
                 IsEqualCLSID(pages.pElems[2], activex::kStockPicturePage),
             "the control does not name the font, colour and picture pages");
  ::CoTaskMemFree(pages.pElems);
  ComPtr<IEnumOLEVERB> verbs;
  OLEVERB verb[2]{};
  ULONG fetched = 0;
  row.Expect(ole->EnumVerbs(verbs.Put()) == S_OK && verbs->Next(2, verb, &fetched) == S_FALSE && fetched == 1 &&
                 verb[0].lVerb == OLEIVERB_PROPERTIES && verb[0].lpszVerbName &&
                 std::wstring(verb[0].lpszVerbName) == L"&Properties...",
             "the verbs are not the properties verb alone");
  if (fetched == 1) ::CoTaskMemFree(verb[0].lpszVerbName);
  LPOLESTR user_type = nullptr;
  row.Expect(ole->GetUserType(USERCLASSTYPE_FULL, &user_type) == S_OK && user_type &&
                 std::wstring(user_type) == Widen(cls.description),
             "the user type is not the class's name as the registry gives it");
  ::CoTaskMemFree(user_type);
}

void TestContainerBasics(HMODULE module, CanUnloadFn can_unload) {
  const ClassInfo& check = *FindClass("GlazeCheck");
  At("container basics");
  TestFactory(check, module, can_unload);
  for (void (*test)(const ClassInfo&) : {TestClassInfo, TestSinks, TestPartPlaces, TestTypeTests, TestBrowsing}) {
    test(check);
  }
  Pump();
}

// ---------------------------------------------------------------------------
// GDI objects and windows across 10,000 copies and 10,000 property changes

// Wine answers GetGuiResources with 0. Its GDI takes a handle by its table index
// alone, so there the process's live objects can be counted by asking each index
// for its type; the count is trusted only where making objects moves it by as many.
long ScanGdiObjects() {
  long n = 0;
  for (UINT_PTR i = 1; i < 0x10000; ++i) n += ::GetObjectType(reinterpret_cast<HGDIOBJ>(i)) != 0;
  return n;
}

enum class GdiMethod { kGuiResources, kHandleTable, kNone };

GdiMethod ChooseGdiMethod() {
  if (::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS) != 0) return GdiMethod::kGuiResources;
  const long before = ScanGdiObjects();
  HBRUSH brushes[8];
  for (HBRUSH& b : brushes) b = ::CreateSolidBrush(RGB(1, 2, 3));
  const long with = ScanGdiObjects();
  for (HBRUSH b : brushes) ::DeleteObject(b);
  return with == before + 8 && ScanGdiObjects() == before ? GdiMethod::kHandleTable : GdiMethod::kNone;
}

long GdiObjects(GdiMethod method) {
  if (method == GdiMethod::kHandleTable) return ScanGdiObjects();
  return method == GdiMethod::kNone ? 0 : static_cast<long>(::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS));
}

// How many pixels of what the control draws (through IViewObject::Draw) are `colour`.
int PixelsOf(IDispatch* object, COLORREF colour, int* total) {
  *total = 0;
  auto view = Query<IViewObject>(object, IID_IViewObject);
  auto ole = Query<IOleObject>(object, IID_IOleObject);
  SIZEL himetric{};
  if (!view || !ole || FAILED(ole->GetExtent(DVASPECT_CONTENT, &himetric))) return 0;
  HDC screen = ::GetDC(nullptr);
  const int width = ::MulDiv(himetric.cx, ::GetDeviceCaps(screen, LOGPIXELSX), 2540);
  const int height = ::MulDiv(himetric.cy, ::GetDeviceCaps(screen, LOGPIXELSY), 2540);
  ::ReleaseDC(nullptr, screen);
  if (width <= 0 || height <= 0) return 0;
  void* bits = nullptr;
  HBITMAP bitmap = activex::CreateBitmap32(nullptr, width, height, true, &bits);
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  RECTL bounds{0, 0, width, height};
  view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0);
  ::GdiFlush();
  const uint32_t want = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
  const uint32_t* px = static_cast<const uint32_t*>(bits);
  *total = width * height;
  const int n = static_cast<int>(std::count_if(px, px + *total, [&](uint32_t p) { return (p & 0xFFFFFF) == want; }));
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  ::DeleteObject(bitmap);
  return n;
}

// How long each phase took, for the time line.
std::string times;

void Took(const char* phase, ULONGLONG since) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s%s %.1f s", times.empty() ? "" : ", ", phase,
                static_cast<double>(::GetTickCount64() - since) / 1000.0);
  times += buf;
}

void TestHandles(const std::vector<const ClassInfo*>& classes, HWND form) {
  At("handles");
  struct Subject {
    const ClassInfo* cls;
    DISPID back_style, refresh;
    std::vector<Change> changes;
    std::vector<bool> changed;
    Placed p;
  };
  std::vector<Subject> subjects;
  for (const ClassInfo* cls : classes) {
    const Interface* iface = FindInterface(cls->default_interface);
    const Member* back_style = iface ? FindMember(*iface, "BackStyle") : nullptr;
    const Member* refresh = iface ? FindMember(*iface, "Refresh") : nullptr;
    Placed probe = Create(*cls);
    if (!back_style || !refresh || !probe.object) continue;
    Subject s{cls, back_style->dispid, refresh->dispid, FindChanges(probe.object.get(), MembersOf(probe.object.get())),
              {}, {}};
    s.changed.assign(s.changes.size(), false);
    if (!s.changes.empty()) subjects.push_back(std::move(s));
  }
  const VARIANT transparent = Long(kBackStyleTransparent);
  auto place_all = [&]() {
    for (size_t i = 0; i < subjects.size(); ++i) {
      const LONG x = 20 + static_cast<LONG>(i) * 190;
      subjects[i].p = Place(*subjects[i].cls, form, RECT{x, 120, x + 170, 200});
      if (subjects[i].p.object) Put(subjects[i].p.object.get(), subjects[i].back_style, transparent);
      std::fill(subjects[i].changed.begin(), subjects[i].changed.end(), false);
    }
    Pump();
  };
  auto unplace_all = [&]() {
    for (Subject& s : subjects) Unplace(s.p);
    Pump();
  };
  Args none;
  auto copy = [&](Subject& s) {
    ++calls.copies;
    return Fire(s.p.object.get(), s.refresh, DISPATCH_METHOD, none.Get());
  };
  auto change = [&](Subject& s, size_t k) {
    const size_t i = k % s.changes.size();
    s.changed[i] = !s.changed[i];
    ++calls.changes;
    return Put(s.p.object.get(), s.changes[i].id, s.changed[i] ? s.changes[i].other.v : s.changes[i].base.v);
  };

  // What the first copies and changes make for good (shared buffers, fonts,
  // cached screen contexts) is made before the count starts.
  place_all();
  for (int round = 0; round < 4; ++round) {
    for (Subject& s : subjects) {
      copy(s);
      for (size_t k = 0; k < s.changes.size(); ++k) change(s, k);
    }
  }
  unplace_all();
  const long warm_copies = calls.copies, warm_changes = calls.changes;

  const GdiMethod method = ChooseGdiMethod();
  const long gdi_before = GdiObjects(method);
  const int windows_before = CountWindows();
  constexpr int kCopies = 10000, kChanges = 10000;
  place_all();
  ULONGLONG started = ::GetTickCount64();
  {
    Row row("10,000 background copies: each Refresh of a transparent control in place succeeds");
    Row follows("the copies show the form: a transparent control in place follows its form's colour");
    const COLORREF colours[] = {RGB(200, 40, 120), RGB(40, 200, 60), RGB(120, 60, 220), RGB(230, 180, 20),
                                RGB(40, 120, 200)};
    for (int i = 0; i < kCopies && !subjects.empty(); ++i) {
      Subject& s = subjects[static_cast<size_t>(i) % subjects.size()];
      // The next copy of each must show the form's new colour.
      if (i % 2000 == 0) SetFormColour(form, colours[(i / 2000) % 5]);
      const Outcome r = copy(s);
      row.Expect(r.hr == S_OK && r.problem.empty(), std::string(s.cls->name) + " Refresh: " + HrText(r.hr) + " " + r.problem);
      if (i % 2000 < static_cast<int>(subjects.size())) {
        int total = 0;
        const int shown = PixelsOf(s.p.object.get(), form_colour, &total);
        follows.Expect(total > 0 && shown * 2 > total, std::string(s.cls->name) + " copy " + std::to_string(i) + ": " +
                                                           std::to_string(shown) + " of " + std::to_string(total) +
                                                           " pixels show the form's colour");
      }
      if (i % 250 == 0) Pump();
    }
  }
  Took("copies", started);
  started = ::GetTickCount64();
  {
    Row row("10,000 property changes of controls in place each succeed");
    for (int i = 0; i < kChanges && !subjects.empty(); ++i) {
      Subject& s = subjects[static_cast<size_t>(i) % subjects.size()];
      const Outcome r = change(s, static_cast<size_t>(i) / subjects.size());
      row.Expect(r.hr == S_OK && r.problem.empty(), std::string(s.cls->name) + " change: " + HrText(r.hr));
      if (i % 250 == 0) Pump();
    }
  }
  Took("changes", started);
  unplace_all();
  const long gdi_after = GdiObjects(method);
  const int windows_after = CountWindows();

  std::printf("com_fire: copies: %ld, property changes: %ld (after %ld and %ld to warm up)\n",
              calls.copies - warm_copies, calls.changes - warm_changes, warm_copies, warm_changes);
  if (method == GdiMethod::kNone) {
    std::printf("com_fire: not measured: GDI objects (GetGuiResources answers 0, the handle table cannot be read)\n");
  } else {
    std::printf("com_fire: GDI objects (%s): before %ld, after %ld\n",
                method == GdiMethod::kGuiResources ? "GetGuiResources" : "counted in the handle table", gdi_before,
                gdi_after);
    Row row("GDI objects after the copies and changes are where they started");
    row.Expect(gdi_after <= gdi_before, std::to_string(gdi_after - gdi_before) + " more");
  }
  // Wine's GetGuiResources answers 0 for USER objects too: the windows stand for them.
  std::printf("com_fire: windows of the process: before %d, after %d\n", windows_before, windows_after);
  Row row("the process's windows after the copies and changes are where they started");
  row.Expect(windows_after <= windows_before, std::to_string(windows_after - windows_before) + " more");
}

// ---------------------------------------------------------------------------
// ---------------------------------------------------------------------------

ComPtr<IDispatch> PlatformFont() {
  FONTDESC desc{sizeof(FONTDESC), const_cast<LPOLESTR>(L"Arial"), {{120000, 0}}, FW_BOLD, ANSI_CHARSET,
                TRUE, FALSE, FALSE};
  ComPtr<IDispatch> font;
  ::OleCreateFontIndirect(&desc, IID_IDispatch, reinterpret_cast<void**>(font.Put()));
  return font;
}

ComPtr<IDispatch> PlatformPicture() {
  PICTDESC desc{};
  desc.cbSizeofstruct = sizeof desc;
  desc.picType = PICTYPE_BITMAP;
  desc.bmp.hbitmap = ::CreateBitmap(16, 16, 1, 1, nullptr);
  ComPtr<IDispatch> picture;
  if (FAILED(::OleCreatePictureIndirect(&desc, IID_IDispatch, TRUE, reinterpret_cast<void**>(picture.Put()))))
    ::DeleteObject(desc.bmp.hbitmap);
  return picture;
}

// An icon loaded by the platform from IconFile(), which keeps the file's bytes and
// saves them as they are.
ComPtr<IDispatch> PlatformIcon() {
  const std::vector<BYTE> file = IconFile();
  ComPtr<IStream> stream = StreamOf(file);
  ComPtr<IDispatch> picture;
  ::OleLoadPicture(stream.get(), static_cast<LONG>(file.size()), FALSE, IID_IDispatch,
                   reinterpret_cast<void**>(picture.Put()));
  return picture;
}

}  // namespace

int main() {
  ::SetUnhandledExceptionFilter(OnCrash);
  ::SetTimer(nullptr, 0, 10, DialogTimer);
  ::CloseHandle(::CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr));
  if (FAILED(::OleInitialize(nullptr))) {
    std::printf("com_fire: OleInitialize failed\n");
    return 1;
  }
  const std::vector<const ClassInfo*> classes = OfferedClasses();
  HWND form = MakeForm();

  // The module under test is the registered one, loaded through COM.
  HMODULE module = nullptr;
  {
    Placed first = Create(*classes.front());
    module = ::GetModuleHandleW(L"Vitrelle.ocx");
  }
  auto can_unload = module ? reinterpret_cast<CanUnloadFn>(reinterpret_cast<void*>(::GetProcAddress(
                                 module, "DllCanUnloadNow")))
                           : nullptr;
  if (!can_unload) {
    std::printf("com_fire: FAILED: %s\n", module ? "no DllCanUnloadNow" : "Vitrelle.ocx is not loaded");
    return 1;
  }

  TestContainerBasics(module, can_unload);
  {
    Dispatcher probe(Dispatcher::kProbe), plain(Dispatcher::kPlain);
    {
      ComPtr<IDispatch> font = PlatformFont(), picture = PlatformPicture();
      Placed other = Create(*classes.front());
      ValueTable values(&probe, &plain, other.object.get(), font.get(), picture.get());
      std::printf("com_fire: %u VARIANT rows, %u classes\n", static_cast<unsigned>(values.rows().size()),
                  static_cast<unsigned>(classes.size()));
      ULONGLONG start = ::GetTickCount64();
      for (const ClassInfo* cls : classes) SweepInvoke(*cls, values, form);
      Took("invoke and names", start);
      start = ::GetTickCount64();
      // An icon's record too, for the first control only: its rows are the bitmap's.
      ComPtr<IDispatch> icon = PlatformIcon();
      for (const ClassInfo* cls : classes) {
        const bool first_control = cls == classes.front();
        TestPersistence(*cls, values, font.get(), picture.get(), first_control ? icon.get() : nullptr);
      }
      Took("persistence", start);
    }
    Pump();
    Row row("every object handed to the controls is given back");
    row.Expect(probe.refs() == 1, "a dispatch probe holds " + std::to_string(probe.refs() - 1) + " references");
    row.Expect(plain.refs() == 1, "an unknown probe holds " + std::to_string(plain.refs() - 1) + " references");
  }
  ULONGLONG start = ::GetTickCount64();
  TestLifetimes(classes, can_unload, form);
  Took("lifetimes", start);
  start = ::GetTickCount64();
  TestHandles(classes, form);
  Took("handles", start);
  {
    Row row("DllCanUnloadNow is S_OK at the end");
    const HRESULT hr = can_unload();
    row.Expect(hr == S_OK, HrText(hr));
  }
  ::DestroyWindow(form);
  At("end");
  std::printf("com_fire: calls: %ld Invoke, %ld GetIDsOfNames, %ld stream loads, %ld property bag loads, "
              "%ld objects created, %ld About boxes and %ld message boxes shown and closed\n",
              calls.invokes, calls.names, calls.stream_loads, calls.bag_loads, calls.created, calls.about_shown,
              calls.boxes_shown);
  std::printf("com_fire: time: %s\n", times.c_str());
  ::OleUninitialize();
  std::printf("com_fire: %d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
