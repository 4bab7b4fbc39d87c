#include "hosts/activex/testhost/win32_driver.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <stdexcept>

#include "frame/errors.h"
#include "frame/members.h"
#include "hosts/activex/control_internals.h"
#include "hosts/activex/ole_objects.h"
#include "hosts/activex/testhost/dispatch_base.h"
#include "hosts/activex/testhost/timer_clock.h"
#include "hosts/activex/win32_modal_form.h"

namespace vitrelle::testhost {

namespace {

Win32Driver* g_driver = nullptr;  // the hook has no context argument

// Focus changes are watched where they happen, inside whichever window gets
// WM_SETFOCUS, so a control that moves the focus itself is seen as well. Dialogs
// are seen after their WM_INITDIALOG, when a message box has its text.
// Focus changes and message boxes. A hook on every window procedure call would
// see them too, but under Wine each hooked call is three round trips to the
// window server, and a capture sends dozens of messages: the container's own
// watching made copies several times slower than the controls' work.
LRESULT CALLBACK WatchFocus(int code, WPARAM wp, LPARAM lp) {
  if (g_driver) {
    if (code == HCBT_SETFOCUS && wp) g_driver->OnFocusWindow(reinterpret_cast<HWND>(wp));
    if (code == HCBT_ACTIVATE) g_driver->OnDialog(reinterpret_cast<HWND>(wp));
    if (code == HCBT_DESTROYWND) g_driver->OnDestroy(reinterpret_cast<HWND>(wp));
  }
  return ::CallNextHookEx(nullptr, code, wp, lp);
}

constexpr UINT kModalStep = WM_APP + 1;

LRESULT CALLBACK StepperProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kModalStep && g_driver) {
    g_driver->RunModalStep();
    return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

std::string AtomText(HWND window, const wchar_t* property) {
  const auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(::GetPropW(window, property)));
  if (!atom) return {};
  wchar_t name[256] = {};
  const UINT n = ::GlobalGetAtomNameW(atom, name, 256);
  return activex::Narrow(std::wstring_view(name, n));
}

std::string TextOf(HWND w) {
  int n = ::GetWindowTextLengthW(w);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(w, text.data(), n + 1)));
  return activex::Narrow(text);
}

LRESULT CALLBACK OtherProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

// Shift state as GetKeyState reports it to the window that handles a message.
class HeldModifiers {
 public:
  explicit HeldModifiers(int16_t shift) {
    ::GetKeyboardState(saved_);
    BYTE state[256];
    std::copy(std::begin(saved_), std::end(saved_), state);
    auto hold = [&](int vk, bool on) { state[vk] = on ? 0x80 : 0; };
    hold(VK_SHIFT, shift & 1);
    hold(VK_CONTROL, shift & 2);
    hold(VK_MENU, shift & 4);
    ::SetKeyboardState(state);
  }
  ~HeldModifiers() { ::SetKeyboardState(saved_); }

 private:
  BYTE saved_[256];
};

WPARAM MouseState(int16_t button, int16_t shift) {
  WPARAM state = 0;
  if (button & 1) state |= MK_LBUTTON;
  if (button & 2) state |= MK_RBUTTON;
  if (button & 4) state |= MK_MBUTTON;
  if (shift & 1) state |= MK_SHIFT;
  if (shift & 2) state |= MK_CONTROL;
  return state;
}

}  // namespace

Win32Driver::Win32Driver(std::string form_path, Activation activation)
    : form_path_(std::move(form_path)), activation_(activation) {
  g_driver = this;
  hook_ = ::SetWindowsHookExW(WH_CBT, &WatchFocus, nullptr, ::GetCurrentThreadId());
  WNDCLASSW wc{};
  wc.lpfnWndProc = &StepperProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VitrelleModalStepper";
  ::RegisterClassW(&wc);
  stepper_ = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

Win32Driver::~Win32Driver() {
  if (hook_) ::UnhookWindowsHookEx(hook_);
  g_driver = nullptr;
  form_.reset();
  TimerClock::Unwatch();
  server_.Reset();
  if (other_) ::DestroyWindow(other_);
  if (stepper_) ::DestroyWindow(stepper_);
}

Form& Win32Driver::TheForm() const {
  if (!form_) throw std::invalid_argument("no form is loaded");
  return *form_;
}

void Win32Driver::SetLog(script::ScriptLog* log) { log_ = log; }

void Win32Driver::Load(bool design) {
  if (form_) return;
  WatchServerTimers();
  form_ = std::make_unique<Form>(form_path_, !design, &log_, activation_);
  Pump();
  // Every refusal of the load, in order, and the run goes on with the form as it
  // loaded, as the model host's driver does.
  if (log_) {
    log_->SetTime(Now());
    for (const RuntimeError& e : form_->LoadErrors()) log_->Error(e.number(), e.description());
  }
}

void Win32Driver::WatchServerTimers() {
  if (server_) return;
  CLSID clsid;
  if (FAILED(::CLSIDFromProgID(L"Vitrelle.GlazeCheck", &clsid)) ||
      FAILED(::CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                reinterpret_cast<void**>(server_.Put()))))
    return;  // no server: nothing of it to watch
  TimerClock::Callbacks clock;
  clock.now = [this] { return log_ ? log_->Time() : now_; };
  clock.tick = [this](int64_t due) {
    // Between steps no time passes, so a tick a step's own DoEvents runs keeps
    // the step's time; inside a wait it falls due at its own, never past the end.
    if (log_ && waiting_until_) log_->SetTime(std::min(due, *waiting_until_));
  };
  clock.restore = [this](int64_t time) {
    if (log_) log_->SetTime(time);
  };
  // The factory's table of methods lies in the server's module; holding the
  // factory keeps that module, and so the patched imports, loaded.
  TimerClock::Watch(*reinterpret_cast<void**>(server_.get()), std::move(clock));
}

void Win32Driver::Pump(bool with_timers) {
  // No time passes on the script's clock between its steps, so no timer falls due
  // there: a tick that real time brings due while a step runs (a busy machine, a
  // slow step) waits for the script's next wait, as it would on the model host.
  // Dispatched here, it ran at the wrong time on the log, and a copy it made could
  // hide a focused control and move the focus away.
  MSG msg;
  auto next = [&] {
    if (with_timers) return ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != 0;
    return ::PeekMessageW(&msg, nullptr, 0, WM_TIMER - 1, PM_REMOVE) ||
           ::PeekMessageW(&msg, nullptr, WM_TIMER + 1, 0xFFFFFFFF, PM_REMOVE);
  };
  while (next()) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

void Win32Driver::OnFocusWindow(HWND window) {
  if (!form_) return;
  Site* site = form_->SiteOfWindow(window);
  if (!site || site == focused_) return;
  focused_ = site;
  if (log_) log_->Focus(site->Display());
}

void Win32Driver::OnDialog(HWND dialog) {
  wchar_t window_class[16] = {};
  ::GetClassNameW(dialog, window_class, 16);
  if (std::wstring_view(window_class) != L"#32770") return;
  if (const std::string form = AtomText(dialog, activex::kFormNameProperty); !form.empty()) {
    if (dialog == modal_) return;  // activated again after a message box of its own
    modal_ = dialog;
    modal_name_ = form;
    modal_ended_by_script_ = false;
    if (log_) {
      log_->FormShown(form, TextOf(dialog));
      for (HWND c = ::GetWindow(dialog, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        const std::string element = AtomText(c, activex::kElementNameProperty);
        if (!element.empty()) log_->FormText(form, element, TextOf(c));
      }
    }
    // The first step runs once the dialog's own loop does.
    ::PostMessageW(stepper_, kModalStep, 0, 0);
    return;
  }
  auto text_of = [](HWND w) { return TextOf(w); };
  // A message box keeps its text in the static control with id 0xFFFF.
  HWND text = ::GetDlgItem(dialog, 0xFFFF);
  if (log_) log_->MsgBox(text_of(dialog), text ? text_of(text) : std::string());
  // Answered as soon as its own loop runs, as the model host answers OK.
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void Win32Driver::OnDestroy(HWND window) {
  if (window != modal_) return;
  modal_ = nullptr;
  if (log_) log_->FormClosed(modal_name_, modal_ended_by_script_);
}

void Win32Driver::RunModalStep() {
  // A step posted just before the form closed arrives after it: nothing to do then.
  if (!modal_ || !::IsWindow(modal_)) return;
  if (next_ && next_()) {
    if (modal_) ::PostMessageW(stepper_, kModalStep, 0, 0);
    return;
  }
  // The script has ended with the form open: it closes, as its user would close it.
  modal_ended_by_script_ = true;
  ::EndDialog(modal_, IDCANCEL);
}

HWND Win32Driver::ModalElement(const script::Target& target) const {
  if (!modal_ || target.index >= 0 || !NamesEqual(target.name, modal_name_)) return nullptr;
  for (HWND c = ::GetWindow(modal_, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
    if (NamesEqual(AtomText(c, activex::kElementNameProperty), target.part)) return c;
  }
  throw std::invalid_argument(target.Display() + ": no such element");
}

void Win32Driver::Show() {
  HWND form = TheForm().Window();
  ::ShowWindow(form, SW_SHOW);
  ::SetForegroundWindow(form);
  ::SetActiveWindow(form);
  ::UpdateWindow(form);
  Pump();
}

void Win32Driver::Deactivate() {
  if (!other_) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &OtherProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VitrelleOtherWindow";
    ::RegisterClassW(&wc);
    // Off to the side, so it never covers the form a control copies from.
    other_ = ::CreateWindowExW(0, wc.lpszClassName, L"Other", WS_OVERLAPPED | WS_CAPTION, 1200, 0, 200, 100, nullptr,
                               nullptr, wc.hInstance, nullptr);
  }
  ::ShowWindow(other_, SW_SHOW);
  ::SetForegroundWindow(other_);
  ::SetActiveWindow(other_);
  Pump();
}

void Win32Driver::Activate() {
  HWND form = TheForm().Window();
  ::SetForegroundWindow(form);
  ::SetActiveWindow(form);
  Pump();
}

void Win32Driver::Wait(int64_t ms) {
  LARGE_INTEGER freq, start, now;
  ::QueryPerformanceFrequency(&freq);
  ::QueryPerformanceCounter(&start);
  auto elapsed_ms = [&] {
    ::QueryPerformanceCounter(&now);
    return std::min<int64_t>(ms, (now.QuadPart - start.QuadPart) * 1000 / freq.QuadPart);
  };
  // Ticks the steps before left waiting are due now, and a wait can start with
  // them already in the queue, where a wait for new input would not see them.
  if (log_) log_->SetTime(now_);
  waiting_until_ = now_ + ms;
  Pump(/*with_timers=*/true);
  for (int64_t elapsed = elapsed_ms(); elapsed < ms; elapsed = elapsed_ms()) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(ms - elapsed), QS_ALLINPUT);
    if (log_) log_->SetTime(now_ + elapsed_ms());
    Pump(/*with_timers=*/true);
  }
  waiting_until_.reset();
  now_ += ms;
  if (log_) log_->SetTime(now_);
}

Variant Win32Driver::LoadPicture(const std::string& path) {
  ComPtr<IPicture> picture = LoadPictureFile(path);
  return Variant::OfPicture(std::make_shared<activex::OlePicture>(picture.get()));
}

Site& Win32Driver::SiteOf(const script::Target& target) const {
  Site* site = TheForm().Find(target.name, target.index);
  if (!site) throw std::invalid_argument(target.Display() + ": no such control");
  return *site;
}

IDispatch* Win32Driver::Resolve(const script::Target& target) const {
  if (target.IsForm()) return TheForm().Dispatch();
  Site& site = SiteOf(target);
  if (!target.part.empty())
    throw std::invalid_argument(target.Display() + ": this container reaches controls, not their parts");
  return site.ExtenderDispatch();
}

Win32Driver::Aim Win32Driver::AimAt(const script::Target& target) const {
  Aim aim;
  if (target.IsForm()) {
    aim.window = TheForm().Window();
    ::GetClientRect(aim.window, &aim.rect);
    return aim;
  }
  Site& site = SiteOf(target);
  HWND window = site.Window();
  if (!window) throw std::invalid_argument(target.Display() + ": the control has no window (not in-place active)");
  if (target.part.empty()) {
    aim.window = window;
    ::GetClientRect(window, &aim.rect);
    return aim;
  }
  // Parts are the control's own business; the library's controls say where
  // theirs are through their private interface.
  ComPtr<activex::IVitrelleControlInternals> internals;
  if (!site.control || FAILED(site.control->QueryInterface(activex::IID_IVitrelleControlInternals,
                                                           reinterpret_cast<void**>(internals.Put()))))
    throw std::invalid_argument(target.Display() + ": " + site.Display() + " has no parts");
  RECT rect{};
  HWND part_window = nullptr;
  if (FAILED(internals->GetPartRect(activex::Widen(target.part).c_str(), &rect, &part_window)))
    throw std::invalid_argument(target.Display() + ": no such part");
  if (part_window) {
    aim.window = part_window;
    ::GetClientRect(part_window, &aim.rect);
  } else {
    aim.window = window;
    aim.rect = rect;
    aim.windowless_part = true;
  }
  return aim;
}

HWND Win32Driver::KeyWindowOf(const script::Target& target) const {
  if (target.IsForm()) return ::GetFocus();
  Aim aim = AimAt(target);
  // The control's own keys go where its focus is: the part window that holds it,
  // or the one it would pass the focus to.
  if (target.part.empty()) {
    HWND focus = ::GetFocus();
    if (focus && (focus == aim.window || ::IsChild(aim.window, focus))) return focus;
    for (HWND child = ::GetWindow(aim.window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
      if (::IsWindowVisible(child) && ::IsWindowEnabled(child)) return child;
    }
    return aim.window;
  }
  // Keys reach windows only. The model host hands a windowless part's key to its
  // control marked as the part's, which the controls ignore; sending it to the
  // control's window instead would make it the control's own key.
  return aim.windowless_part ? nullptr : aim.window;
}

void Win32Driver::Set(const script::Target& target, std::string_view member, const Variant& value) {
  Variant args[1] = {value};
  CallByName(Resolve(target), member, value.IsReference() ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT, args);
  Pump();
}

Variant Win32Driver::Get(const script::Target& target, std::string_view member) {
  return CallByName(Resolve(target), member, DISPATCH_PROPERTYGET | DISPATCH_METHOD);
}

void Win32Driver::Call(const script::Target& target, std::string_view method) {
  CallByName(Resolve(target), method, DISPATCH_METHOD);
  Pump();
}

void Win32Driver::Focus(const script::Target& target) {
  // A windowless part cannot hold the focus: its control's window takes it.
  ::SetFocus(AimAt(target).window);
  Pump();
}

void Win32Driver::Tab(bool backwards) {
  std::vector<Site*> order = TheForm().TabOrder();
  if (order.empty()) return;
  Site* current = TheForm().SiteOfWindow(::GetFocus());
  auto it = std::find(order.begin(), order.end(), current);
  size_t at = it == order.end() ? (backwards ? order.size() - 1 : 0)
              : backwards      ? (static_cast<size_t>(it - order.begin()) + order.size() - 1) % order.size()
                               : (static_cast<size_t>(it - order.begin()) + 1) % order.size();
  ::SetFocus(order[at]->Window());
  Pump();
}

void Win32Driver::SendMouse(const Aim& aim, UINT message, WPARAM state, float x_twips, float y_twips) {
  Form& form = TheForm();
  // Real messages carry whole pixels: a point between two is rounded.
  POINT p{aim.rect.left + form.ToPixelsX(x_twips), aim.rect.top + form.ToPixelsY(y_twips)};
  // The message goes where a real pointer at that point would send it: the
  // deepest visible child window under it.
  HWND target = aim.window;
  for (;;) {
    HWND child = ::ChildWindowFromPointEx(target, p, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    if (!child || child == target) break;
    ::MapWindowPoints(target, child, &p, 1);
    target = child;
  }
  ::SendMessageW(target, message, state, MAKELPARAM(p.x, p.y));
}

void Win32Driver::Click(const script::Target& target, std::optional<std::pair<float, float>> at, bool double_click) {
  if (HWND element = ModalElement(target)) {
    // As the element reports a click to its dialog; the handler runs before this returns.
    wchar_t window_class[16] = {};
    ::GetClassNameW(element, window_class, 16);
    const bool button = std::wstring_view(window_class) == L"Button";
    const WPARAM command = MAKEWPARAM(::GetDlgCtrlID(element), button ? BN_CLICKED : STN_CLICKED);
    ::SendMessageW(modal_, WM_COMMAND, command, reinterpret_cast<LPARAM>(element));
    return;
  }
  Aim aim = AimAt(target);
  std::pair<float, float> middle;
  if (target.IsForm() || !target.part.empty()) {
    middle = {static_cast<float>(aim.rect.right - aim.rect.left) * TheForm().TwipsPerPixelX() / 2,
              static_cast<float>(aim.rect.bottom - aim.rect.top) * TheForm().TwipsPerPixelY() / 2};
  } else {
    Site& site = SiteOf(target);
    middle = {site.width / 2, site.height / 2};
  }
  auto [x, y] = at.value_or(middle);
  SendMouse(aim, WM_LBUTTONDOWN, MK_LBUTTON, x, y);
  SendMouse(aim, WM_LBUTTONUP, 0, x, y);
  if (double_click) {
    SendMouse(aim, WM_LBUTTONDBLCLK, MK_LBUTTON, x, y);
    SendMouse(aim, WM_LBUTTONUP, 0, x, y);
  }
  Pump();
}

void Win32Driver::Mouse(script::MouseAction action, const script::Target& target, int16_t button, int16_t shift,
                        float x, float y) {
  Aim aim = AimAt(target);
  HeldModifiers held(shift);
  UINT message = WM_MOUSEMOVE;
  WPARAM state = MouseState(button, shift);
  if (action != script::MouseAction::kMove) {
    bool down = action == script::MouseAction::kDown;
    message = (button & 1)   ? (down ? WM_LBUTTONDOWN : WM_LBUTTONUP)
              : (button & 2) ? (down ? WM_RBUTTONDOWN : WM_RBUTTONUP)
                             : (down ? WM_MBUTTONDOWN : WM_MBUTTONUP);
    if (!down) state = MouseState(0, shift);
  }
  SendMouse(aim, message, state, x, y);
  Pump();
}

void Win32Driver::Key(script::KeyAction action, const script::Target& target, int16_t key_code, int16_t shift) {
  HWND window = KeyWindowOf(target);
  if (!window) return;
  HeldModifiers held(shift);
  bool down = action == script::KeyAction::kDown;
  LPARAM lp = 1 | (down ? 0 : (LPARAM{3} << 30));
  ::SendMessageW(window, down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(key_code), lp);
  Pump();
}

void Win32Driver::KeyPress(const script::Target& target, int16_t key_ascii) {
  HWND window = KeyWindowOf(target);
  if (!window) return;
  ::SendMessageW(window, WM_CHAR, static_cast<WPARAM>(static_cast<uint16_t>(key_ascii)), 1);
  Pump();
}

bool Win32Driver::OfferToActiveControl(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  Site* site = TheForm().SiteOfWindow(window);
  if (!site || !site->in_place) return false;
  ComPtr<IOleInPlaceActiveObject> active;
  if (FAILED(site->in_place->QueryInterface(IID_IOleInPlaceActiveObject, reinterpret_cast<void**>(active.Put()))))
    return false;
  MSG msg{window, message, wp, lp, ::GetTickCount(), {0, 0}};
  return active->TranslateAccelerator(&msg) == S_OK;
}

void Win32Driver::Press(int16_t key_code, int16_t shift) {
  // The open modal form has the keyboard: Enter and Esc as its dialog takes them.
  if (modal_ && (key_code == VK_RETURN || key_code == VK_ESCAPE)) {
    ::SendMessageW(modal_, WM_COMMAND, key_code == VK_RETURN ? IDOK : IDCANCEL, 0);
    return;
  }
  if (key_code == VK_TAB && !(shift & ~1)) return Tab(shift & 1);
  HWND window = ::GetFocus();
  if (!window) return;
  HeldModifiers held(shift);
  // A form's message loop offers each key to the active control's accelerator
  // path first; what it takes is not dispatched again.
  if (!OfferToActiveControl(window, WM_KEYDOWN, static_cast<WPARAM>(key_code), 1))
    ::SendMessageW(window, WM_KEYDOWN, static_cast<WPARAM>(key_code), 1);
  UINT ch = ::MapVirtualKeyW(static_cast<UINT>(key_code), MAPVK_VK_TO_CHAR);
  if (ch && !(shift & 2)) {
    if (ch >= 'A' && ch <= 'Z' && !(shift & 1)) ch += 'a' - 'A';
    ::SendMessageW(window, WM_CHAR, ch, 1);
  }
  // The release reaches the window that has the focus by then: an arrow key may
  // have moved it.
  if (HWND now = ::GetFocus()) {
    const LPARAM up = 1 | (LPARAM{3} << 30);
    if (!OfferToActiveControl(now, WM_KEYUP, static_cast<WPARAM>(key_code), up))
      ::SendMessageW(now, WM_KEYUP, static_cast<WPARAM>(key_code), up);
  }
  Pump();
}

void Win32Driver::Resize(const script::Target& target, float width, float height) {
  if (target.IsForm()) {
    TheForm().SetClientSize(width, height);
  } else {
    // One move, as a user's drag of the form designer's handles makes one resize.
    Site& site = SiteOf(target);
    Variant args[4] = {Variant::Single(site.left), Variant::Single(site.top), Variant::Single(width),
                       Variant::Single(height)};
    CallByName(Resolve(target), "Move", DISPATCH_METHOD, args);
  }
  Pump();
}

void Win32Driver::Save(const std::string&) {
  // Writing a form needs every control's IPersistPropertyBag::Save into a text
  // bag; this container reads forms only.
  throw RuntimeError(5, "This container does not save forms");
}

void Win32Driver::Render(const std::string& path) {
  Pump();
  TheForm().WriteImage(path);
}

ComPtr<IAccessible> Win32Driver::AccessibleOf(const script::Target& target) const {
  Site& site = SiteOf(target);
  if (!site.IsLibrary()) throw std::invalid_argument(target.Display() + ": not a control of the library");
  HWND window = site.Window();
  if (!window) throw std::invalid_argument(target.Display() + ": the control has no window (not in-place active)");
  ComPtr<IAccessible> accessible;
  const HRESULT hr = ::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), activex::kIidAccessible,
                                                  reinterpret_cast<void**>(accessible.Put()));
  if (FAILED(hr) || !accessible) throw std::runtime_error(target.Display() + "'s window answers no IAccessible");
  return accessible;
}

namespace {

VARIANT Self() {
  VARIANT self;
  V_VT(&self) = VT_I4;
  V_I4(&self) = CHILDID_SELF;
  return self;
}

// A text the object reports: "" when it has none.
std::optional<std::string> Reported(HRESULT hr, BSTR text) {
  std::optional<std::string> out;
  if (hr == S_OK && text) out = activex::FromBstr(text);
  ::SysFreeString(text);
  return out;
}

}  // namespace

script::AccessibleReading Win32Driver::ReadAccessible(const script::Target& target) {
  ComPtr<IAccessible> accessible = AccessibleOf(target);
  script::AccessibleReading reading;
  VARIANT role, state;
  if (FAILED(accessible->get_accRole(Self(), &role)) || V_VT(&role) != VT_I4 ||
      FAILED(accessible->get_accState(Self(), &state)) || V_VT(&state) != VT_I4)
    throw std::runtime_error(target.Display() + "'s IAccessible reports no role or state");
  reading.role = static_cast<int>(V_I4(&role));
  reading.state = static_cast<int32_t>(V_I4(&state));
  BSTR text = nullptr;
  HRESULT hr = accessible->get_accName(Self(), &text);
  reading.name = Reported(hr, text).value_or("");
  text = nullptr;
  hr = accessible->get_accValue(Self(), &text);
  reading.value = Reported(hr, text);
  return reading;
}

bool Win32Driver::DoAccessibleAction(const script::Target& target) {
  ComPtr<IAccessible> accessible = AccessibleOf(target);
  const HRESULT hr = accessible->accDoDefaultAction(Self());
  Pump();
  if (hr == S_OK) return true;
  if (hr == DISP_E_MEMBERNOTFOUND) return false;
  throw std::runtime_error(target.Display() + "'s default action failed");
}

}  // namespace vitrelle::testhost
