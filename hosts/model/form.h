// Forms of the model host and the controls sited on them. Every control, library or
// host, is a Site: its extender (Visible, Container, Name, Index, TabIndex, TabStop,
// Enabled, SetFocus, Parent, Left, Top, Width, Height) and, behind those, its own
// members, all reached by name.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "frame/errors.h"
#include "frame/host.h"
#include "hosts/model/control_registry.h"
#include "hosts/model/property_bag.h"
#include "hosts/model/runtime.h"
#include "hosts/model/screen.h"
#include "hosts/model/surface.h"

namespace vitrelle::model {

class Form;
class ControlsCollection;

enum class MouseInput { kDown, kMove, kUp };

class Site : public Dispatch, public std::enable_shared_from_this<Site> {
 public:
  Site(Form& form, Site* container, std::string class_name, std::string name, int index);
  ~Site() override;

  const std::string& ClassName() const { return class_name_; }
  const std::string& Name() const { return name_; }
  int Index() const { return index_; }
  // Name or Name(Index), as the log prints a control.
  std::string DisplayName() const;
  Form& GetForm() const { return form_; }
  Site* Container() const { return container_; }
  bool IsInside(const Site& ancestor) const;

  Handle Window() const { return window_; }
  // The window that contained controls are children of.
  virtual Handle ChildWindow() const { return window_; }
  virtual bool IsContainer() const { return false; }

  float Left() const { return left_; }
  float Top() const { return top_; }
  virtual float Width() const { return width_; }
  virtual float Height() const { return height_; }
  virtual void Move(float left, float top, float width, float height);

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  virtual bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool on);
  int TabIndex() const { return tab_index_; }
  void SetTabIndex(int index);
  bool TabStop() const { return tab_stop_; }
  void SetTabStop(bool on) { tab_stop_ = on; }
  // Whether code sees a TabStop on the extender: the platform's label and frame,
  // which never take the focus, have none (438).
  virtual bool HasTabStop() const { return true; }
  // Shown, with every container shown; enabled, with every container enabled.
  bool EffectivelyVisible() const;
  bool EffectivelyEnabled() const;

  // Focus: whether the control ever takes it, and whether it can now.
  virtual bool TakesFocus() const { return false; }
  bool CanFocusNow() const;
  // The extender's SetFocus: raises 5 when the control cannot take the focus.
  virtual void SetFocus();
  // The form moves the focus: `part` names the window of a library control that
  // gets or loses it (null for the control itself).
  virtual void ReceiveFocus(Part*) {}
  virtual void LoseFocus(Part*) {}

  // Input from a driver, in twips relative to the part (or the control).
  virtual std::pair<float, float> PartSize(std::string_view part);
  virtual void Mouse(std::string_view part, MouseInput action, int16_t button, int16_t shift, float x, float y);
  // Where a pointer aimed at (x, y) of the control or its part lands, in the same
  // twips: pointer messages carry whole pixels of the window beneath it.
  virtual std::pair<float, float> PointerPoint(std::string_view part, float x, float y);
  virtual void Click(std::string_view part, float x, float y, bool double_click);
  virtual void Key(std::string_view part, bool down, int16_t key_code, int16_t shift);
  virtual void KeyPress(std::string_view part, int16_t key_ascii);

  // Persistence of what the control keeps beyond the host's keys.
  virtual void ReadFrom(PropertyBag& bag) = 0;
  virtual void InitNew() = 0;
  virtual void WriteTo(PropertyBag& bag) = 0;
  virtual void Shown() {}
  virtual void Terminate() {}

  // Dispatch: extender members first, then the control's own.
  Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override;
  bool IsA(std::string_view type_name) const override;

  // Made by the form once the object is in place.
  virtual void CreateWindowIn(Handle parent, const Rect& pixels) = 0;
  Rect PixelRect() const;

 protected:
  virtual Variant InvokeOwn(std::string_view member, InvokeKind kind, std::span<Variant> args) = 0;
  virtual bool IsOwnType(std::string_view type_name) const = 0;
  void ApplyWindowVisibility();

  Form& form_;
  Site* container_;
  std::string class_name_;
  std::string name_;
  int index_;
  Handle window_ = 0;
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  int tab_index_ = 0;
  bool tab_stop_ = true;
  std::string tag_;

  friend class Form;
};

// A control of the library, on its surface.
class LibrarySite : public Site, public SurfaceOwner {
 public:
  LibrarySite(Form& form, Site* container, const ControlClass& control_class, std::string name, int index);
  ~LibrarySite() override;

  Control& Object() { return *control_; }
  ModelSurface& GetSurface() { return *surface_; }
  Handle ChildWindow() const override;
  bool IsContainer() const override { return class_.options.container; }
  float Width() const override;
  float Height() const override;
  void Move(float left, float top, float width, float height) override;
  void SetVisible(bool visible) override;
  bool Enabled() const override;
  void SetEnabled(bool on) override;
  bool TakesFocus() const override;
  void SetFocus() override;
  void ReceiveFocus(Part* part) override;
  void LoseFocus(Part* part) override;
  std::pair<float, float> PartSize(std::string_view part) override;
  std::pair<float, float> PointerPoint(std::string_view part, float x, float y) override;
  void Mouse(std::string_view part, MouseInput action, int16_t button, int16_t shift, float x, float y) override;
  void Click(std::string_view part, float x, float y, bool double_click) override;
  void Key(std::string_view part, bool down, int16_t key_code, int16_t shift) override;
  void KeyPress(std::string_view part, int16_t key_ascii) override;
  void ReadFrom(PropertyBag& bag) override;
  void InitNew() override;
  void WriteTo(PropertyBag& bag) override;
  void Shown() override;
  void Terminate() override;
  void CreateWindowIn(Handle parent, const Rect& pixels) override;

  // Which window of the control has the focus, when it has it.
  Part* FocusPart() const { return focus_part_; }

  // SurfaceOwner
  DispatchPtr OwnerParent() override;
  DispatchPtr OwnerExtender() override;
  DispatchPtr OwnerContainedControls() override;
  bool OwnerUserMode() const override;
  std::string OwnerDisplayName() const override { return name_; }
  FontPtr OwnerAmbientFont() const override;
  void OwnerPropertyChanged(std::string_view property) override;
  void OwnerRaiseEvent(std::string_view event, std::span<Variant> args) override;
  void OwnerListenToActivate(const DispatchPtr& form) override;
  void OwnerSizeChanged(float width, float height) override;
  void OwnerRequestFocus(Part* part) override;

 protected:
  Variant InvokeOwn(std::string_view member, InvokeKind kind, std::span<Variant> args) override;
  bool IsOwnType(std::string_view type_name) const override;

 private:
  // The part a script names, or the control's surface for an empty name. Throws
  // std::invalid_argument for a part the control does not have.
  Part* ResolvePart(std::string_view part) const;
  // The control (and the part) that input to `part` reaches: a nested user control's
  // own object receives what lands on it.
  void Deliver(Part* part, const std::function<void(Control&, Part*)>& send);
  bool TakesInput(Part* part) const;

  const ControlClass& class_;
  std::unique_ptr<ModelSurface> surface_;
  std::unique_ptr<Control> control_;
  Part* focus_part_ = nullptr;
  bool has_focus_ = false;
  std::shared_ptr<ControlsCollection> contained_;
};

// The Controls collection of a form: Count and Item(i), in creation order. With a
// container, the controls placed directly in it, in the same order.
class ControlsCollection : public Dispatch {
 public:
  explicit ControlsCollection(Form& form, const Site* container = nullptr) : form_(form), container_(container) {}
  Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override;
  bool IsA(std::string_view type_name) const override;

 private:
  std::vector<Site*> Members() const;

  Form& form_;
  const Site* container_;
};

// Where and how a control is placed on a form.
struct ControlSpec {
  std::string class_name;
  std::string name;
  int index = -1;
  Site* container = nullptr;  // the form when null
  std::optional<float> left = std::nullopt, top = std::nullopt, width = std::nullopt, height = std::nullopt;
  std::optional<int> tab_index = std::nullopt;  // the end of the tab order when none
  bool tab_stop = true;
  bool visible = true;
};

class Form : public Dispatch, public WindowClient, public std::enable_shared_from_this<Form> {
 public:
  // `user_mode` false is design time: no activation, no tracking.
  static std::shared_ptr<Form> Create(ModelRuntime& runtime, std::string name, bool user_mode = true);
  Form(ModelRuntime& runtime, std::string name, bool user_mode);
  ~Form() override;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  // Terminates every control and destroys the windows. The destructor does it too;
  // controls that keep the form referenced need it called explicitly.
  void Unload();

  ModelRuntime& Runtime() { return runtime_; }
  Screen& GetScreen() { return runtime_.GetScreen(); }
  const std::string& Name() const { return name_; }
  bool UserMode() const { return user_mode_; }
  Handle Window() const { return window_; }

  OleColor BackColor() const { return back_color_; }
  void SetBackColor(OleColor c);
  PicturePtr GetPicture() const { return picture_; }
  void SetPicture(PicturePtr picture);  // drawn at the top left
  PicturePtr Pattern() const { return pattern_; }
  void SetPattern(PicturePtr picture);  // tiled over the whole client area
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption) { caption_ = std::move(caption); }
  float ClientWidth() const { return width_; }
  float ClientHeight() const { return height_; }
  void SetClientSize(float width, float height);
  // Screen position of the client area's top left corner, pixels.
  void SetPosition(int x, int y);

  // Places a control. Without `bag` the control is new (InitProperties); with one it
  // is loaded from it (ReadProperties). Raises std::invalid_argument for an unknown
  // class, a name taken by another kind of control or a duplicate array index.
  Site& AddControl(const ControlSpec& spec, PropertyBag* bag = nullptr);
  // While a form file loads, tab indexes are taken as written and put in order at
  // the end; controls without one follow those that have one. A control whose
  // ReadProperties raises stays on the form as far as it got, and the error is kept
  // for whoever loads the form to report; the rest of the form loads.
  void BeginLoad() { loading_ = true; }
  void EndLoad();
  struct LoadError {
    std::string control;  // Name or Name(Index)
    RuntimeError error;
  };
  const std::vector<LoadError>& LoadErrors() const { return load_errors_; }
  const std::vector<std::shared_ptr<Site>>& Controls() const { return controls_; }
  Site* Find(std::string_view name, int index = -1) const;
  // Find, or std::invalid_argument naming what is missing.
  Site& GetSite(std::string_view name, int index = -1) const;
  LibrarySite& GetLibrary(std::string_view name, int index = -1) const;
  // The control's extender, for tests that drive it by name.
  DispatchPtr Extender(std::string_view name, int index = -1) const;

  // Showing and activation (run time only).
  void Show();
  void Hide();
  bool IsShown() const { return shown_; }
  void Activate();
  void Deactivate();
  bool IsActive() const { return active_; }
  void ListenToActivate(LibrarySite& site);

  // Focus and tab order.
  Site* FocusSite() const { return focus_site_; }
  Part* FocusPart() const { return focus_part_; }
  void FocusOn(Site* site, Part* part = nullptr);
  void Tab(bool backwards);
  // Sites in tab order.
  std::vector<Site*> TabOrder() const;
  void AssignTabIndex(Site& site, int index);
  // Keys with no target go to the window with the focus; Tab moves it.
  void Press(int16_t key_code, int16_t shift);

  // Events raised by controls: logged, then handed to the handlers registered for
  // "Name" or "Name(Index)" and the event name. A handler may change by-ref arguments.
  using EventHandler = std::function<void(std::span<Variant> args)>;
  void OnEvent(std::string_view control, std::string_view event, EventHandler handler);
  void DeliverEvent(Site& site, std::string_view event, std::span<Variant> args);
  void LogChanged(Site& site, std::string_view property);

  // Dispatch: the form's members, and its controls by name.
  Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override;
  bool IsA(std::string_view type_name) const override;

  // WindowClient
  void Paint(Canvas& canvas) override;

  // The client area as the screen shows it now.
  Bitmap Snapshot() const;

 private:
  void RenumberTabs();
  void ForgetName(const Site& site);
  void MoveFocusFrom(Site& leaving);
  void Unsite(Site& site);

  ModelRuntime& runtime_;
  std::string name_;
  bool user_mode_;
  Handle window_ = 0;
  OleColor back_color_ = kColorButtonFace;
  PicturePtr picture_;
  PicturePtr pattern_;
  std::string caption_;
  float width_ = 4800, height_ = 3600;
  int x_ = 0, y_ = 0;
  std::vector<std::shared_ptr<Site>> controls_;
  // controls_ by folded name: a form of many controls checks each new name and
  // finds scripts' targets without walking them all.
  std::unordered_multimap<std::string, Site*> by_name_;
  std::vector<LibrarySite*> activate_listeners_;
  bool loading_ = false;
  std::vector<LoadError> load_errors_;
  bool shown_ = false;
  bool active_ = false;
  bool ever_activated_ = false;
  Site* focus_site_ = nullptr;
  Part* focus_part_ = nullptr;
  Site* last_focus_ = nullptr;
  std::map<std::string, std::vector<EventHandler>> handlers_;
  std::shared_ptr<ControlsCollection> controls_collection_;

  friend class Site;
};

// A pointer that refers to `object` without owning it: what controls are given for
// their form and extender, which own them in turn.
template <class T>
std::shared_ptr<T> Unowned(T* object) {
  return std::shared_ptr<T>(std::shared_ptr<T>(), object);
}

}  // namespace vitrelle::model
