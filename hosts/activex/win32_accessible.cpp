#include "hosts/activex/win32_accessible.h"

#include <new>
#include <utility>

#include "frame/accessibility.h"
#include "frame/errors.h"
#include "hosts/activex/com_util.h"

namespace vitrelle::activex {
namespace {

// The core's role and state numbers are the platform's.
static_assert(kRoleCheckButton == ROLE_SYSTEM_CHECKBUTTON && kRoleRadioButton == ROLE_SYSTEM_RADIOBUTTON &&
              kRoleGrouping == ROLE_SYSTEM_GROUPING && kRoleSlider == ROLE_SYSTEM_SLIDER);
static_assert(kStateUnavailable == STATE_SYSTEM_UNAVAILABLE && kStateFocused == STATE_SYSTEM_FOCUSED &&
              kStateChecked == STATE_SYSTEM_CHECKED && kStateInvisible == STATE_SYSTEM_INVISIBLE &&
              kStateFocusable == STATE_SYSTEM_FOCUSABLE);

bool IsSelf(const VARIANT& child) { return V_VT(&child) == VT_I4 && V_I4(&child) == CHILDID_SELF; }

HRESULT Text(const std::string& text, BSTR* out) {
  *out = ::SysAllocString(Widen(text).c_str());
  return *out ? S_OK : E_OUTOFMEMORY;
}

class ControlAccessible final : public IAccessible {
 public:
  ControlAccessible(HWND window, IUnknown* owner, DispatchPtr control, std::string class_name,
                    std::function<DispatchPtr()> extender)
      : window_(window), owner_(owner), control_(std::move(control)), class_(std::move(class_name)),
        extender_(std::move(extender)) {
    owner_->AddRef();
    ::CreateStdAccessibleObject(window, OBJID_CLIENT, kIidAccessible, reinterpret_cast<void**>(standard_.Put()));
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch) && !IsEqualIID(iid, kIidAccessible))
      return E_NOINTERFACE;
    *out = static_cast<IAccessible*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  // Reached through its vtable only: assistive technology does not script it.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    return standard_ ? standard_->get_accParent(parent) : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = 0;  // the parts are the control's own business
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** child) override {
    if (!child) return E_POINTER;
    *child = nullptr;
    return E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!name) return E_POINTER;
    *name = nullptr;
    if (!IsSelf(child)) return E_INVALIDARG;
    AccessibleView view;
    if (!Describe(view)) return E_FAIL;
    return Text(view.name, name);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    if (!value) return E_POINTER;
    *value = nullptr;
    if (!IsSelf(child)) return E_INVALIDARG;
    AccessibleView view;
    if (!Describe(view)) return E_FAIL;
    if (!view.value) return DISP_E_MEMBERNOTFOUND;
    return Text(*view.value, value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override { return None(child, text); }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!role) return E_POINTER;
    ::VariantInit(role);
    if (!IsSelf(child)) return E_INVALIDARG;
    V_VT(role) = VT_I4;
    V_I4(role) = AccessibleRole(class_);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    if (!state) return E_POINTER;
    ::VariantInit(state);
    if (!IsSelf(child)) return E_INVALIDARG;
    AccessibleView view;
    if (!Describe(view)) return E_FAIL;
    const HWND focus = ::GetFocus();
    const bool focused = focus && (focus == window_ || ::IsChild(window_, focus));
    V_VT(state) = VT_I4;
    V_I4(state) = AccessibleState(view, focused, ::IsWindowVisible(window_) != FALSE);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* text) override { return None(child, text); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    if (!file || !topic) return E_POINTER;
    *file = nullptr;
    *topic = 0;
    return IsSelf(child) ? S_FALSE : E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* text) override { return None(child, text); }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (!focus) return E_POINTER;
    ::VariantInit(focus);
    const HWND now = ::GetFocus();
    if (now && (now == window_ || ::IsChild(window_, now))) {
      V_VT(focus) = VT_I4;
      V_I4(focus) = CHILDID_SELF;
      return S_OK;
    }
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (!selection) return E_POINTER;
    ::VariantInit(selection);
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    if (!action) return E_POINTER;
    *action = nullptr;
    if (!IsSelf(child)) return E_INVALIDARG;
    AccessibleView view;
    if (!Describe(view)) return E_FAIL;
    if (view.default_action.empty()) return S_FALSE;
    return Text(view.default_action, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
    return standard_ ? standard_->accSelect(flags, child) : E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
    if (!left || !top || !width || !height) return E_POINTER;
    if (!IsSelf(child)) return E_INVALIDARG;
    RECT r;
    if (!::GetWindowRect(window_, &r)) return E_FAIL;
    *left = r.left;
    *top = r.top;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    if (!end) return E_POINTER;
    ::VariantInit(end);
    return standard_ ? standard_->accNavigate(direction, start, end) : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
    if (!child) return E_POINTER;
    ::VariantInit(child);
    RECT r;
    if (!::GetWindowRect(window_, &r) || x < r.left || x >= r.right || y < r.top || y >= r.bottom) return S_FALSE;
    V_VT(child) = VT_I4;
    V_I4(child) = CHILDID_SELF;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    if (!IsSelf(child)) return E_INVALIDARG;
    try {
      return DoAccessibleDefaultAction(class_, *control_) ? S_OK : DISP_E_MEMBERNOTFOUND;
    } catch (const RuntimeError&) {
      return E_FAIL;
    }
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  ~ControlAccessible() { owner_->Release(); }

  bool Describe(AccessibleView& view) {
    try {
      const DispatchPtr extender = extender_ ? extender_() : nullptr;
      view = DescribeForAccessibility(class_, *control_, extender.get());
      return true;
    } catch (const RuntimeError&) {
      return false;
    }
  }

  static HRESULT None(const VARIANT& child, BSTR* text) {
    if (!text) return E_POINTER;
    *text = nullptr;
    return IsSelf(child) ? S_FALSE : E_INVALIDARG;
  }

  ULONG refs_ = 1;
  HWND window_;
  IUnknown* owner_;
  DispatchPtr control_;
  std::string class_;
  std::function<DispatchPtr()> extender_;
  ComPtr<IAccessible> standard_;
};

}  // namespace

IAccessible* NewControlAccessible(HWND window, IUnknown* owner, DispatchPtr control, std::string class_name,
                                  std::function<DispatchPtr()> extender) {
  return new (std::nothrow)
      ControlAccessible(window, owner, std::move(control), std::move(class_name), std::move(extender));
}

}  // namespace vitrelle::activex
