#include <map>
#include <vector>

#include "hosts/activex/win32_surface.h"

namespace vitrelle::activex {

// The form's activation is its top-level window's WM_ACTIVATE; the surface listens
// by subclassing that window while it has one.
namespace {

struct FormHook {
  WNDPROC original = nullptr;
  std::vector<Win32Surface*> listeners;
};

// The forms this module has hooked. Every message to a form passes through
// FormProc, and a window property costs a round trip to the window server
// under Wine; the module's own table costs nothing.
std::map<HWND, FormHook*>& FormHooks() {
  static std::map<HWND, FormHook*> hooks;
  return hooks;
}

FormHook* HookOf(HWND form) {
  auto it = FormHooks().find(form);
  return it == FormHooks().end() ? nullptr : it->second;
}

LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  FormHook* hook = HookOf(hwnd);
  if (!hook) return ::DefWindowProcW(hwnd, msg, wparam, lparam);
  WNDPROC original = hook->original;
  // The controls hear of the activation before the form's own handler gives a
  // control the focus, as a form's Activate event comes before that focus: a
  // control whose first focus waits on a pending background capture relies on it.
  if (msg == WM_ACTIVATE && LOWORD(wparam) != WA_INACTIVE) {
    auto listeners = hook->listeners;  // a handler may stop listening
    for (Win32Surface* s : listeners) s->OnFormActivated();
  }
  return ::CallWindowProcW(original, hwnd, msg, wparam, lparam);
}

}  // namespace

void Win32Surface::HookForm() {
  if (!hwnd_ || hooked_form_) return;
  HWND form = ::GetAncestor(hwnd_, GA_ROOT);
  if (!form) return;
  FormHook* hook = HookOf(form);
  if (!hook) {
    hook = new FormHook();
    hook->original =
        reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(form, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FormProc)));
    FormHooks()[form] = hook;
  }
  hook->listeners.push_back(this);
  hooked_form_ = form;
}

void Win32Surface::UnhookForm() {
  if (!hooked_form_) return;
  FormHook* hook = HookOf(hooked_form_);
  if (hook) {
    std::erase(hook->listeners, this);
    // Only the last listener may restore the window procedure, and only while it
    // is still ours: another subclasser may have chained after it.
    if (hook->listeners.empty() &&
        ::GetWindowLongPtrW(hooked_form_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&FormProc)) {
      ::SetWindowLongPtrW(hooked_form_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(hook->original));
      FormHooks().erase(hooked_form_);
      delete hook;
    }
  }
  hooked_form_ = nullptr;
}

void Win32Surface::OnFormActivated() {
  if (control_) control_->ParentActivate();
}

}  // namespace vitrelle::activex
