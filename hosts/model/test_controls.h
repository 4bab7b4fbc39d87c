// Small library controls for the model host's own tests: they record what the host
// tells them and expose their parts by name.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "frame/color_variant.h"
#include "frame/errors.h"
#include "frame/host.h"
#include "frame/members.h"
#include "hosts/model/control_registry.h"

namespace vitrelle::model::testing {

// The round glyph's stand-in: a nested control that reports clicks to its owner.
class TestGlyph : public Control {
 public:
  explicit TestGlyph(Surface& surface) : surface_(surface), image_(surface.AddImage("Option1")) {
    image_.SetWidth(195);
    image_.SetHeight(195);
  }
  std::string_view ClassName() const override { return "TestGlyph"; }
  Variant Invoke(std::string_view, InvokeKind, std::span<Variant>) override { Raise(err::kNotSupported); }
  void Click(Part*) override { surface_.RaiseEvent("Click", {}); }
  void KeyDown(Part*, int16_t& key_code, int16_t& shift) override {
    Variant args[] = {Variant::Integer(key_code), Variant::Integer(shift)};
    surface_.RaiseEvent("KeyDown", args);
  }
  static std::unique_ptr<Control> Make(Surface& surface) { return std::make_unique<TestGlyph>(surface); }

 private:
  Surface& surface_;
  ImagePart& image_;
};

// A check-box-like control: a check box part, a caption label, a timer, and with
// `with_glyph` a nested glyph control.
class TestControl : public Control {
 public:
  TestControl(Surface& surface, bool with_glyph)
      : surface_(surface),
        check_(surface.AddCheckBox("Check1")),
        caption_(surface.AddLabel("lblCaption")),
        timer_(surface.AddTimer("Timer1")) {
    if (with_glyph) glyph_ = &surface.AddUserControl("RadioButton1", &TestGlyph::Make);
    timer_.SetInterval(50);
  }

  std::string_view ClassName() const override { return glyph_ ? "TestRadio" : "TestCheck"; }

  Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override {
    static constexpr MemberBinding<TestControl> kMembers[] = {
        {"Caption", [](TestControl& c) { return Variant::String(c.caption_.Caption()); },
         [](TestControl& c, const Variant& v) {
           c.caption_.SetCaption(v.ToString());
           c.surface_.PropertyChanged("Caption");
         }},
        {"Value", [](TestControl& c) { return Variant::Integer(c.check_.Value()); },
         [](TestControl& c, const Variant& v) { c.check_.SetValue(v.ToInteger()); }},
        {"BackColor", [](TestControl& c) { return FromOleColor(c.surface_.BackColor()); },
         [](TestControl& c, const Variant& v) { c.surface_.SetBackColor(ToOleColor(v)); }},
        {"StartTimer", nullptr, nullptr, [](TestControl& c) { c.timer_.SetEnabled(true); }},
    };
    return InvokeMember<TestControl>(*this, kMembers, member, kind, args);
  }

  void Initialize() override { calls.push_back("Initialize"); }
  void InitProperties() override {
    calls.push_back("InitProperties");
    caption_.SetCaption(surface_.AmbientDisplayName());
  }
  void ReadProperties(PropertyBag& bag) override {
    calls.push_back("ReadProperties");
    caption_.SetCaption(bag.ReadProperty("Caption", Variant::String("")).ToString());
    check_.SetValue(bag.ReadProperty("Value", Variant::Integer(0)).ToInteger());
    surface_.SetBackColor(ToOleColor(bag.ReadProperty("BackColor", FromOleColor(0x8000000Fu))));
    if (surface_.AmbientUserMode()) surface_.ListenToActivate(surface_.Parent());
  }
  void WriteProperties(PropertyBag& bag) override {
    bag.WriteProperty("Caption", Variant::String(caption_.Caption()), Variant::String(""));
    bag.WriteProperty("Value", Variant::Integer(check_.Value()), Variant::Integer(0));
    bag.WriteProperty("BackColor", FromOleColor(surface_.BackColor()), FromOleColor(0x8000000Fu));
  }
  void Resize() override { calls.push_back("Resize"); }
  void Show() override { calls.push_back("Show"); }
  void Terminate() override { calls.push_back("Terminate"); }
  void Click(Part* part) override {
    calls.push_back("Click " + Of(part));
    surface_.RaiseEvent("Click", {});
  }
  void GotFocus(Part* part) override { calls.push_back("GotFocus " + Of(part)); }
  void LostFocus(Part* part) override { calls.push_back("LostFocus " + Of(part)); }
  void MouseDown(Part* part, int16_t& button, int16_t&, float& x, float& y) override {
    calls.push_back("MouseDown " + Of(part) + " " + std::to_string(button) + " " + std::to_string(static_cast<int>(x)) +
                    "," + std::to_string(static_cast<int>(y)));
  }
  void MouseUp(Part* part, int16_t&, int16_t&, float&, float&) override { calls.push_back("MouseUp " + Of(part)); }
  void KeyDown(Part* part, int16_t& key_code, int16_t&) override {
    calls.push_back("KeyDown " + Of(part) + " " + std::to_string(key_code));
  }
  void Change(Part* part) override { calls.push_back("Change " + part->Name()); }
  void TimerTick(TimerPart& timer) override {
    calls.push_back("Tick " + timer.Name());
    timer.SetEnabled(false);
  }
  void PartEvent(UserControlPart& part, std::string_view event, std::span<Variant>) override {
    calls.push_back("PartEvent " + part.Name() + " " + std::string(event));
  }
  void ParentActivate() override { calls.push_back("ParentActivate"); }

  Surface& surface() { return surface_; }
  CheckBoxPart& check() { return check_; }
  LabelPart& caption() { return caption_; }
  TimerPart& timer() { return timer_; }
  UserControlPart* glyph() { return glyph_; }

  std::vector<std::string> calls;

 private:
  static std::string Of(Part* part) { return part ? part->Name() : std::string("surface"); }

  Surface& surface_;
  CheckBoxPart& check_;
  LabelPart& caption_;
  TimerPart& timer_;
  UserControlPart* glyph_ = nullptr;
};

// A control with no window of its own parts: the surface takes the focus.
class TestPlain : public Control {
 public:
  explicit TestPlain(Surface& surface) : surface_(surface) {}
  std::string_view ClassName() const override { return "TestPlain"; }
  Variant Invoke(std::string_view, InvokeKind, std::span<Variant>) override { Raise(err::kNotSupported); }
  void GotFocus(Part*) override { calls.push_back("GotFocus"); }
  void LostFocus(Part*) override { calls.push_back("LostFocus"); }
  std::vector<std::string> calls;

 private:
  Surface& surface_;
};

inline void RegisterTestControls() {
  RegisterControlClass("TestCheck",
                       [](Surface& s) -> std::unique_ptr<Control> { return std::make_unique<TestControl>(s, false); });
  RegisterControlClass("TestRadio",
                       [](Surface& s) -> std::unique_ptr<Control> { return std::make_unique<TestControl>(s, true); });
  ControlClassOptions container;
  container.container = true;
  container.can_get_focus = false;
  container.interfaces = {"TestContainer"};
  RegisterControlClass(
      "TestFrame", [](Surface& s) -> std::unique_ptr<Control> { return std::make_unique<TestPlain>(s); }, container);
  RegisterControlClass("TestPlain",
                       [](Surface& s) -> std::unique_ptr<Control> { return std::make_unique<TestPlain>(s); });
}

}  // namespace vitrelle::model::testing
