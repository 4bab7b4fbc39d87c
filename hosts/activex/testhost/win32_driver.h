// The script driver over the test container's form: statements become real window
// messages, activations and calls through the extender, so a script's log on this
// host can be laid beside the model host's.
#pragma once

#include <oleacc.h>

#include <memory>
#include <optional>
#include <string>

#include "hosts/activex/testhost/form_host.h"
#include "script/driver.h"

namespace vitrelle::testhost {

class Win32Driver : public script::Driver {
 public:
  explicit Win32Driver(std::string form_path, Activation activation = Activation::kOrdinary);
  ~Win32Driver() override;

  Form* GetForm() const { return form_.get(); }

  void SetLog(script::ScriptLog* log) override;
  void Load(bool design) override;
  void Show() override;
  void Deactivate() override;
  void Activate() override;
  // Real timers fire in real time: the wait pumps messages for MS milliseconds.
  // The log's clock is the sum of the waits, so lines between statements carry
  // the same times as on the model host. Inside a wait a timer's tick carries
  // the time it falls due on that clock (see timer_clock.h), and other lines the
  // real time they happened at; neither is ever past the wait's end.
  void Wait(int64_t ms) override;
  int64_t Now() const override { return now_; }
  Variant LoadPicture(const std::string& path) override;
  void Set(const script::Target& target, std::string_view member, const Variant& value) override;
  Variant Get(const script::Target& target, std::string_view member) override;
  void Call(const script::Target& target, std::string_view method) override;
  void Focus(const script::Target& target) override;
  void Tab(bool backwards) override;
  void Click(const script::Target& target, std::optional<std::pair<float, float>> at, bool double_click) override;
  void Mouse(script::MouseAction action, const script::Target& target, int16_t button, int16_t shift, float x,
             float y) override;
  void Key(script::KeyAction action, const script::Target& target, int16_t key_code, int16_t shift) override;
  void KeyPress(const script::Target& target, int16_t key_ascii) override;
  void Press(int16_t key_code, int16_t shift) override;
  void Resize(const script::Target& target, float width, float height) override;
  void Save(const std::string& path) override;
  void Render(const std::string& path) override;
  // Through the IAccessible that AccessibleObjectFromWindow gets from the control's
  // window, as a screen reader reaches it.
  script::AccessibleReading ReadAccessible(const script::Target& target) override;
  bool DoAccessibleAction(const script::Target& target) override;
  // While the library's modal form is open its loop runs the script's next
  // statements, one a message, as the model host's form does.
  void SetNextStatement(std::function<bool()> next) override { next_ = std::move(next); }

  // Handles every message that is waiting, without waiting for more.
  void Pump(bool with_timers = false);  // timers only inside a wait: a step takes no time
  // The window focus moved to: logged once per control it enters.
  void OnFocusWindow(HWND window);
  // A message box opened: logged, then answered OK. The library's own form is
  // logged as it shows and driven by the statements after the one that opened it.
  void OnDialog(HWND dialog);
  void OnDestroy(HWND window);
  // Runs the next statement inside the open modal form's loop.
  void RunModalStep();

 private:
  // Where a target's input goes: the window that gets its messages and the
  // target's rectangle in that window's client pixels. A windowless part's window
  // is its control's, where the control hit-tests the mouse to the part.
  struct Aim {
    HWND window = nullptr;
    RECT rect{};
    bool windowless_part = false;
  };

  Form& TheForm() const;
  // Hands a key message to the IOleInPlaceActiveObject of the control holding
  // `window`, as a form's message loop does; true when the control took it.
  bool OfferToActiveControl(HWND window, UINT message, WPARAM wp, LPARAM lp);
  Site& SiteOf(const script::Target& target) const;
  ComPtr<IAccessible> AccessibleOf(const script::Target& target) const;
  IDispatch* Resolve(const script::Target& target) const;
  Aim AimAt(const script::Target& target) const;
  // The window that takes a key notification for the target; null for a
  // windowless part, which never has the keyboard.
  HWND KeyWindowOf(const script::Target& target) const;
  // A mouse message at (x, y) twips from the aim's top left corner.
  void SendMouse(const Aim& aim, UINT message, WPARAM state, float x_twips, float y_twips);
  // Puts the server's timers on the script's clock, before the first control loads.
  void WatchServerTimers();

  std::string form_path_;
  Activation activation_;
  std::unique_ptr<Form> form_;
  script::ScriptLog* log_ = nullptr;
  int64_t now_ = 0;
  std::optional<int64_t> waiting_until_;  // the end of the wait that is running
  ComPtr<IClassFactory> server_;          // keeps the watched server loaded
  HWND other_ = nullptr;  // the top-level window that takes activation away
  Site* focused_ = nullptr;
  HHOOK hook_ = nullptr;
  std::function<bool()> next_;
  HWND modal_ = nullptr;         // the library's form while it is open
  std::string modal_name_;
  bool modal_ended_by_script_ = false;
  HWND stepper_ = nullptr;       // receives the modal steps
  // The element of the open modal form that a target names; null when the target
  // is not the form.
  HWND ModalElement(const script::Target& target) const;
};

}  // namespace vitrelle::testhost
