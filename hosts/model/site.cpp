#include "hosts/model/form.h"

#include <array>
#include <cmath>

#include "frame/errors.h"
#include "frame/members.h"
#include "frame/part_rules.h"
#include "frame/units.h"
#include "hosts/model/form_internal.h"

namespace vitrelle::model {

namespace {

using internal::PixelPoint;

}  // namespace

// ---------------------------------------------------------------------------
// Site

Site::Site(Form& form, Site* container, std::string class_name, std::string name, int index)
    : form_(form), container_(container), class_name_(std::move(class_name)), name_(std::move(name)),
      index_(index) {}

Site::~Site() = default;

std::string Site::DisplayName() const {
  if (index_ < 0) return name_;
  return name_ + "(" + std::to_string(index_) + ")";
}

bool Site::IsInside(const Site& ancestor) const {
  for (const Site* s = this; s; s = s->container_) {
    if (s == &ancestor) return true;
  }
  return false;
}

Rect Site::PixelRect() const {
  int l = TwipsToPixels(left_), t = TwipsToPixels(top_);
  return {l, t, l + TwipsToPixels(Width()), t + TwipsToPixels(Height())};
}

void Site::Move(float left, float top, float width, float height) {
  CheckExtent(width);
  CheckExtent(height);
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  form_.GetScreen().MoveWindow(window_, PixelRect());
}

void Site::ApplyWindowVisibility() { form_.GetScreen().ShowWindow(window_, visible_); }

void Site::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  Screen& screen = form_.GetScreen();
  ApplyWindowVisibility();
  if (!visible) {
    // The parent paints what the control uncovered on the next DoEvents.
    Handle parent = screen.Parent(window_);
    if (parent) {
      int border = screen.Border(parent);
      screen.Invalidate(parent, screen.WindowRect(window_).Offset(border, border));
    }
    if (form_.focus_site_ && form_.focus_site_->IsInside(*this)) form_.MoveFocusFrom(*this);
  } else if (form_.IsShown()) {
    Shown();
  }
}

void Site::SetEnabled(bool on) {
  enabled_ = on;
  form_.GetScreen().Invalidate(window_);
}

void Site::SetTabIndex(int index) { form_.AssignTabIndex(*this, index); }

bool Site::EffectivelyVisible() const {
  for (const Site* s = this; s; s = s->container_) {
    if (!s->visible_) return false;
  }
  return true;
}

bool Site::EffectivelyEnabled() const {
  for (const Site* s = this; s; s = s->container_) {
    if (!s->Enabled()) return false;
  }
  return true;
}

bool Site::CanFocusNow() const {
  return TakesFocus() && EffectivelyVisible() && EffectivelyEnabled() && form_.IsShown();
}

void Site::SetFocus() {
  if (!CanFocusNow()) vitrelle::Raise(err::kCantMoveFocus);
  form_.FocusOn(this, nullptr);
}

std::pair<float, float> Site::PartSize(std::string_view part) {
  if (!part.empty()) throw std::invalid_argument(DisplayName() + " has no part " + std::string(part));
  return {Width(), Height()};
}

void Site::Mouse(std::string_view part, MouseInput, int16_t, int16_t, float, float) { PartSize(part); }

std::pair<float, float> Site::PointerPoint(std::string_view part, float x, float y) {
  PartSize(part);
  return {PixelPoint(x), PixelPoint(y)};
}

void Site::Click(std::string_view part, float, float, bool) {
  PartSize(part);
  if (CanFocusNow()) form_.FocusOn(this, nullptr);
}

void Site::Key(std::string_view part, bool, int16_t, int16_t) { PartSize(part); }

void Site::KeyPress(std::string_view part, int16_t) { PartSize(part); }

namespace {

// Left, Top, Width and Height, in that order: assigning one moves the control with
// the other three as they are, so a size check sees the whole new rectangle.
std::array<float, 4> Extent(const Site& s) { return {s.Left(), s.Top(), s.Width(), s.Height()}; }

void MoveTo(Site& s, const std::array<float, 4>& e) { s.Move(e[0], e[1], e[2], e[3]); }

template <size_t kSide>
Variant GetExtent(Site& s) {
  return Variant::Single(Extent(s)[kSide]);
}

template <size_t kSide>
void PutExtent(Site& s, const Variant& v) {
  std::array<float, 4> e = Extent(s);
  e[kSide] = v.ToSingle();
  MoveTo(s, e);
}

}  // namespace

Variant Site::Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) {
  using S = Site;
  static constexpr MemberBinding<Site> kExtender[] = {
      {"Visible", [](S& s) { return Variant::Boolean(s.visible_); },
       [](S& s, const Variant& v) { s.SetVisible(v.ToBoolean()); }},
      {"Container",
       [](S& s) {
         if (s.container_) return Variant::Object(s.container_->shared_from_this());
         return Variant::Object(s.form_.shared_from_this());
       }},
      {"Parent", [](S& s) { return Variant::Object(s.form_.shared_from_this()); }},
      {"Name", [](S& s) { return Variant::String(s.name_); }},
      {"Index",
       [](S& s) {
         if (s.index_ < 0) vitrelle::Raise(err::kObjectNotArray);
         return Variant::Integer(static_cast<int16_t>(s.index_));
       }},
      {"TabIndex", [](S& s) { return Variant::Integer(static_cast<int16_t>(s.tab_index_)); },
       [](S& s, const Variant& v) { s.SetTabIndex(v.ToInteger()); }},
      {"TabStop",
       [](S& s) {
         if (!s.HasTabStop()) vitrelle::Raise(err::kNotSupported);
         return Variant::Boolean(s.tab_stop_);
       },
       [](S& s, const Variant& v) {
         if (!s.HasTabStop()) vitrelle::Raise(err::kNotSupported);
         s.SetTabStop(v.ToBoolean());
       }},
      {"SetFocus", nullptr, nullptr, [](S& s) { s.SetFocus(); }},
      {"Tag", [](S& s) { return Variant::String(s.tag_); }, [](S& s, const Variant& v) { s.tag_ = v.ToString(); }},
      {"Left", GetExtent<0>, PutExtent<0>},
      {"Top", GetExtent<1>, PutExtent<1>},
      {"Width", GetExtent<2>, PutExtent<2>},
      {"Height", GetExtent<3>, PutExtent<3>},
      {"Move", nullptr, nullptr, nullptr,
       [](S& s, std::span<Variant> args) {
         if (args.empty() || args.size() > 4) vitrelle::Raise(err::kWrongArguments);
         std::array<float, 4> e = Extent(s);
         for (size_t i = 0; i < args.size(); ++i) e[i] = args[i].ToSingle();
         MoveTo(s, e);
         return Variant();
       }},
  };
  if (const auto* m = FindBinding<Site>(kExtender, member)) return InvokeBinding(*this, *m, kind, args);
  return InvokeOwn(member, kind, args);
}

bool Site::IsA(std::string_view type_name) const {
  return NamesEqual(type_name, class_name_) || NamesEqual(type_name, "Control") || IsOwnType(type_name);
}

}  // namespace vitrelle::model
