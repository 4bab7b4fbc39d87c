// A surface for tests that records every change a control makes to it and to its
// parts, in order, as text ("Check1.Value=1", "PropertyChanged(Value)"). Tests
// compare the whole record with what they expect, so a call nobody expected fails
// the comparison; calls no GlazeCheck should make at all fail at once.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "controls/check/glaze_check.h"
#include "frame/color.h"
#include "frame/errors.h"
#include "frame/font_rules.h"
#include "frame/host.h"
#include "frame/part_rules.h"
#include "frame/variant.h"

namespace vitrelle::testing_support {

using Record = std::vector<std::string>;

[[noreturn]] inline void Unexpected(const std::string& what) {
  ADD_FAILURE() << "unexpected call: " << what;
  throw std::logic_error(what);
}

inline std::string Num(double v) {
  std::string s = std::to_string(v);
  s.erase(s.find_last_not_of('0') + 1);
  if (s.back() == '.') s.pop_back();
  return s;
}

class RecordingFont : public Font {
 public:
  RecordingFont(Record& record, std::string name) : record_(record), name_(std::move(name)) {}
  std::string Name() const override { return face_; }
  void SetName(std::string_view n) override {
    CheckFontName(n);
    Log(".Name=" + std::string(n));
    face_ = n;
  }
  float Size() const override { return size_; }
  void SetSize(float points) override {
    CheckFontSize(points);
    Log(".Size=" + Num(points));
    size_ = points;
  }
  bool Bold() const override { return bold_; }
  void SetBold(bool on) override { Log(".Bold=" + Num(on)), bold_ = on; }
  bool Italic() const override { return italic_; }
  void SetItalic(bool on) override { Log(".Italic=" + Num(on)), italic_ = on; }
  bool Underline() const override { return underline_; }
  void SetUnderline(bool on) override { Log(".Underline=" + Num(on)), underline_ = on; }
  bool Strikethrough() const override { return strike_; }
  void SetStrikethrough(bool on) override { Log(".Strikethrough=" + Num(on)), strike_ = on; }
  FontPtr Clone() const override {
    auto copy = std::make_shared<RecordingFont>(record_, name_ + "'");
    copy->face_ = face_, copy->size_ = size_;
    return copy;
  }
  const std::string& Id() const { return name_; }

 private:
  void Log(const std::string& what) { record_.push_back(name_ + what); }
  Record& record_;
  std::string name_;
  std::string face_ = "MS Sans Serif";
  float size_ = 8.25f;
  bool bold_ = false, italic_ = false, underline_ = false, strike_ = false;
};

inline std::string FontId(const FontPtr& f) {
  auto* rf = dynamic_cast<RecordingFont*>(f.get());
  return rf ? rf->Id() : f ? "<font>" : "Nothing";
}

template <class Base>
class RecordingInputPart : public Base {
 public:
  RecordingInputPart(Record& record, std::string name) : record_(record), name_(std::move(name)) {}
  const std::string& Name() const override { return name_; }
  int Index() const override { return -1; }
  bool Visible() const override { return true; }
  void SetVisible(bool) override { Unexpected(name_ + ".Visible"); }
  float Left() const override { return left_; }
  float Top() const override { return top_; }
  float Width() const override { return width_; }
  float Height() const override { return height_; }
  void SetLeft(float v) override { Log(".Left=" + Num(v)), left_ = v; }
  void SetTop(float v) override { Log(".Top=" + Num(v)), top_ = v; }
  void SetWidth(float v) override { Log(".Width=" + Num(v)), width_ = v; }
  void SetHeight(float v) override { Log(".Height=" + Num(v)), height_ = v; }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool on) override { Log(".Enabled=" + Num(on)), enabled_ = on; }
  PicturePtr MouseIcon() const override { return icon_; }
  void SetMouseIcon(PicturePtr icon) override {
    Log(std::string(".MouseIcon=") + (icon ? "<picture>" : "Nothing"));
    icon_ = std::move(icon);
  }
  int16_t MousePointer() const override { return pointer_; }
  void SetMousePointer(int16_t p) override {
    CheckMousePointer(p);
    Log(".MousePointer=" + Num(p)), pointer_ = p;
  }

 protected:
  void Log(const std::string& what) { record_.push_back(name_ + what); }
  Record& record_;
  std::string name_;
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool enabled_ = true;
  PicturePtr icon_;
  int16_t pointer_ = 0;
};

// Sizes itself to its text: 100 twips a character, 195 high.
class RecordingLabel : public RecordingInputPart<LabelPart> {
 public:
  RecordingLabel(Record& record, FontPtr font) : RecordingInputPart(record, "lblCaption"), font_(std::move(font)) {
    height_ = 195;
  }
  PartKind Kind() const override { return PartKind::kLabel; }
  std::string Caption() const override { return caption_; }
  void SetCaption(std::string_view text) override {
    Log(".Caption=" + std::string(text));
    caption_ = text;
    width_ = 100.0f * static_cast<float>(text.size());
  }
  int16_t BackStyle() const override { return back_style_; }
  void SetBackStyle(int16_t s) override {
    CheckZeroOrOne(s);
    Log(".BackStyle=" + Num(s)), back_style_ = s;
  }
  OleColor BackColor() const override { return back_; }
  void SetBackColor(OleColor c) override { CheckColor(c), Log(".BackColor=" + Num(c)), back_ = c; }
  OleColor ForeColor() const override { return fore_; }
  void SetForeColor(OleColor c) override { CheckColor(c), Log(".ForeColor=" + Num(c)), fore_ = c; }
  FontPtr GetFont() const override { return font_; }
  void SetFont(FontPtr f) override { Log(".Font=" + FontId(f)), font_ = std::move(f); }
  void SetFontName(std::string_view n) override { font_->SetName(n), Log(".FontName=" + std::string(n)); }
  void SetFontSize(float p) override { font_->SetSize(p), Log(".FontSize=" + Num(p)); }
  void SetFontBold(bool on) override { Log(".FontBold=" + Num(on)); }
  void SetFontItalic(bool on) override { Log(".FontItalic=" + Num(on)); }
  void SetFontUnderline(bool on) override { Log(".FontUnderline=" + Num(on)); }
  void SetFontStrikethrough(bool on) override { Log(".FontStrikethrough=" + Num(on)); }

 private:
  std::string caption_;
  int16_t back_style_ = 0;
  OleColor back_ = kColorButtonFace, fore_ = kColorButtonText;
  FontPtr font_;
};

class RecordingCheckBox : public RecordingInputPart<CheckBoxPart> {
 public:
  explicit RecordingCheckBox(Record& record) : RecordingInputPart(record, "Check1") {}
  PartKind Kind() const override { return PartKind::kCheckBox; }
  int16_t Value() const override { return value_; }
  // Like the host's check box: every change of the value reports a click.
  void SetValue(int16_t v) override {
    CheckCheckBoxValue(v);
    Log(".Value=" + Num(v));
    const bool changed = v != value_;
    value_ = v;
    if (changed && control) control->Click(this);
  }
  int16_t Appearance() const override { return appearance_; }
  void SetAppearance(int16_t a) override {
    CheckZeroOrOne(a);
    Log(".Appearance=" + Num(a)), appearance_ = a;
  }
  Handle hWnd() const override { return 0x1234; }
  void SetFocus() override { Unexpected("Check1.SetFocus"); }
  Control* control = nullptr;

 private:
  int16_t value_ = 0;
  int16_t appearance_ = 1;
};

class RecordingTimer : public TimerPart {
 public:
  explicit RecordingTimer(std::string name) : name_(std::move(name)) {}
  PartKind Kind() const override { return PartKind::kTimer; }
  const std::string& Name() const override { return name_; }
  int Index() const override { return -1; }
  bool Visible() const override { return false; }
  void SetVisible(bool) override { Unexpected(name_ + ".Visible"); }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool on) override { enabled_ = on; }
  int32_t Interval() const override { return interval_; }
  void SetInterval(int32_t ms) override { interval_ = ms; }

 private:
  std::string name_;
  bool enabled_ = true;
  int32_t interval_ = 0;
};

class RecordingRuntime : public Runtime {
 public:
  void DoEvents() override { Unexpected("DoEvents"); }
  int MsgBox(std::string_view, int32_t, std::string_view) override { Unexpected("MsgBox"); }
  float TwipsPerPixelX() const override { return 15; }
  float TwipsPerPixelY() const override { return 15; }
  std::string AppTitle() const override { return "Tests"; }
  int AppMajor() const override { return 1; }
  int AppMinor() const override { return 0; }
  int AppRevision() const override { return 0; }
  FontPtr NewFont() override { Unexpected("NewFont"); }
  PicturePtr NewPicture(int, int, std::span<const OleColor>) override { Unexpected("NewPicture"); }
  Gdi& GetGdi() override { Unexpected("GetGdi"); }
  Platform& GetPlatform() override { Unexpected("GetPlatform"); }
};

// A design-time surface (no capture, no parent) unless `user_mode` is set.
class RecordingSurface : public Surface {
 public:
  RecordingSurface() = default;

  // Connects the parts' reports to the control and starts the record afresh.
  void Attach(Control& c) {
    control_ = &c;
    if (check_) check_->control = &c;
    record.clear();
  }

  Record record;
  bool user_mode = false;
  std::string display_name = "GlazeCheck1";
  FontPtr ambient_font = std::make_shared<RecordingFont>(record, "AmbientFont");
  // What a handler does to by-reference parameters before they go back.
  std::function<void(std::string_view, std::span<Variant>)> on_event;

  RecordingLabel& label() { return *label_; }
  RecordingCheckBox& check() { return *check_; }

  Runtime& GetRuntime() override { return runtime_; }
  LabelPart& AddLabel(std::string_view name) override {
    EXPECT_EQ(name, "lblCaption");
    label_ = std::make_unique<RecordingLabel>(record, std::make_shared<RecordingFont>(record, "LabelFont"));
    return *label_;
  }
  CheckBoxPart& AddCheckBox(std::string_view name) override {
    EXPECT_EQ(name, "Check1");
    check_ = std::make_unique<RecordingCheckBox>(record);
    return *check_;
  }
  ImagePart& AddImage(std::string_view) override { Unexpected("AddImage"); }
  LinePart& AddLine(std::string_view, int) override { Unexpected("AddLine"); }
  ShapePart& AddShape(std::string_view) override { Unexpected("AddShape"); }
  TimerPart& AddTimer(std::string_view name) override {
    timers_.push_back(std::make_unique<RecordingTimer>(std::string(name)));
    return *timers_.back();
  }
  UserControlPart& AddUserControl(std::string_view, std::unique_ptr<Control> (*)(Surface&)) override {
    Unexpected("AddUserControl");
  }
  Handle hWnd() const override { return 0x4321; }
  float Width() const override { return width_; }
  float Height() const override { return height_; }
  void SetWidth(float t) override { Log("Width=" + Num(t)), width_ = t, Resized(); }
  void SetHeight(float t) override { Log("Height=" + Num(t)), height_ = t, Resized(); }
  float ScaleX(float v, ScaleMode, ScaleMode) const override { return v / 15; }
  float ScaleY(float v, ScaleMode, ScaleMode) const override { return v / 15; }
  PicturePtr GetPicture() const override { return nullptr; }
  void SetPicture(PicturePtr p) override { Log(std::string("Picture=") + (p ? "<picture>" : "Nothing")); }
  OleColor BackColor() const override { return back_; }
  void SetBackColor(OleColor c) override { CheckColor(c), Log("BackColor=" + Num(c)), back_ = c; }
  OleColor ForeColor() const override { return fore_; }
  void SetForeColor(OleColor c) override { CheckColor(c), Log("ForeColor=" + Num(c)), fore_ = c; }
  int16_t BackStyle() const override { return 1; }
  void SetBackStyle(int16_t s) override { Log("BackStyle=" + Num(s)); }
  FontPtr GetFont() const override { return font_; }
  void SetFont(FontPtr f) override { Log("Font=" + FontId(f)), font_ = std::move(f); }
  bool FontTransparent() const override { return font_transparent_; }
  void SetFontTransparent(bool on) override { Log("FontTransparent=" + Num(on)), font_transparent_ = on; }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool on) override { Log("Enabled=" + Num(on)), enabled_ = on; }
  int16_t Appearance() const override { return appearance_; }
  void SetAppearance(int16_t a) override {
    CheckZeroOrOne(a);
    Log("Appearance=" + Num(a)), appearance_ = a;
  }
  PicturePtr MouseIcon() const override { return nullptr; }
  void SetMouseIcon(PicturePtr) override { Unexpected("surface MouseIcon"); }
  int16_t MousePointer() const override { return 0; }
  void SetMousePointer(int16_t) override { Unexpected("surface MousePointer"); }
  void DrawLine(float x1, float y1, float x2, float y2, OleColor c) override {
    Log("Line(" + Num(x1) + "," + Num(y1) + ")-(" + Num(x2) + "," + Num(y2) + ")," + Num(c));
  }
  void Cls() override { Log("Cls"); }
  void Refresh() override { Log("Refresh"); }
  DispatchPtr Parent() override { Unexpected("Parent"); }
  DispatchPtr Extender() override { Unexpected("Extender"); }
  DispatchPtr ContainedControls() override { Unexpected("ContainedControls"); }
  bool AmbientUserMode() const override { return user_mode; }
  std::string AmbientDisplayName() const override { return display_name; }
  FontPtr AmbientFont() const override { return ambient_font; }
  void PropertyChanged(std::string_view p) override { Log("PropertyChanged(" + std::string(p) + ")"); }
  void RaiseEvent(std::string_view event, std::span<Variant> args) override {
    std::string line = "Event " + std::string(event) + "(";
    for (size_t i = 0; i < args.size(); ++i) line += (i ? "," : "") + args[i].ToLiteral();
    Log(line + ")");
    if (on_event) on_event(event, args);
  }
  void ListenToActivate(const DispatchPtr&) override { Unexpected("ListenToActivate"); }

 private:
  void Log(const std::string& what) { record.push_back(what); }
  void Resized() {
    if (control_) control_->Resize();
  }

  RecordingRuntime runtime_;
  Control* control_ = nullptr;
  std::unique_ptr<RecordingLabel> label_;
  std::unique_ptr<RecordingCheckBox> check_;
  std::vector<std::unique_ptr<RecordingTimer>> timers_;
  float width_ = 1680, height_ = 915;
  OleColor back_ = kColorButtonFace, fore_ = kColorButtonText;
  FontPtr font_ = std::make_shared<RecordingFont>(record, "SurfaceFont");
  bool font_transparent_ = true, enabled_ = true;
  int16_t appearance_ = 1;
};

// A GlazeCheck on a recording surface, at design time unless `user_mode`, with the
// record started afresh: what each test starts from.
struct CheckFixture {
  explicit CheckFixture(bool user_mode = false) : check(surface) {
    surface.user_mode = user_mode;
    surface.Attach(check);
  }
  Variant Let(std::string_view member, Variant value) {
    Variant args[] = {std::move(value)};
    return check.Invoke(member, InvokeKind::kLet, args);
  }
  Variant Get(std::string_view member) { return check.Invoke(member, InvokeKind::kGet, {}); }
  RecordingSurface surface;
  GlazeCheck check;
};

}  // namespace vitrelle::testing_support
