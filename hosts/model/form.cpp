#include "hosts/model/form.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <stdexcept>

#include "frame/color_variant.h"
#include "frame/errors.h"
#include "frame/members.h"
#include "frame/part_rules.h"
#include "frame/units.h"
#include "hosts/model/font.h"
#include "hosts/model/host_controls.h"
#include "hosts/model/parts.h"
#include "script/driver.h"

namespace vitrelle::model {

namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool Is(std::string_view member, std::string_view name) { return NamesEqual(member, name); }

const Variant& Assigned(std::span<Variant> args) {
  if (args.empty()) Raise(err::kWrongArguments);
  return args.back();
}

bool IsAssign(InvokeKind kind) { return kind == InvokeKind::kLet || kind == InvokeKind::kSet; }

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

namespace {

constexpr float kTwipsPerPixel = ModelRuntime::kTwipsPerPixel;

// A window sits on whole pixels: its origin is its twips position rounded.
float WindowOrigin(float twips) { return static_cast<float>(RoundHalfEven(twips / kTwipsPerPixel)) * kTwipsPerPixel; }

// Mouse messages carry whole pixels of the window under the pointer: a point aimed
// in twips goes to the nearest pixel (a half away from zero).
float PixelPoint(float twips) { return std::round(twips / kTwipsPerPixel) * kTwipsPerPixel; }

}  // namespace

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
      {"TabStop", [](S& s) { return Variant::Boolean(s.tab_stop_); },
       [](S& s, const Variant& v) { s.SetTabStop(v.ToBoolean()); }},
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

// ---------------------------------------------------------------------------
// LibrarySite

LibrarySite::LibrarySite(Form& form, Site* container, const ControlClass& control_class, std::string name, int index)
    : Site(form, container, control_class.name, std::move(name), index), class_(control_class) {}

LibrarySite::~LibrarySite() {
  control_.reset();
  if (surface_) {
    surface_->SetControl(nullptr);
    surface_->DestroyParts();
  }
  surface_.reset();
}

void LibrarySite::CreateWindowIn(Handle parent, const Rect& pixels) {
  surface_ = std::make_unique<ModelSurface>(form_.Runtime(), *this, parent, pixels, width_, height_);
  window_ = surface_->Window();
  form_.Runtime().NameWindow(window_, DisplayName());
  control_ = class_.factory(*surface_);
  if (!control_) throw std::invalid_argument("control class " + class_.name + " made no control");
  surface_->SetControl(control_.get());
  control_->Initialize();
}

Handle LibrarySite::ChildWindow() const { return window_; }

float LibrarySite::Width() const { return surface_ ? surface_->Width() : width_; }
float LibrarySite::Height() const { return surface_ ? surface_->Height() : height_; }

void LibrarySite::Move(float left, float top, float width, float height) {
  CheckExtent(width);
  CheckExtent(height);
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  surface_->Place(left, top, width, height);
}

void LibrarySite::SetVisible(bool visible) { Site::SetVisible(visible); }

bool LibrarySite::Enabled() const { return surface_->Enabled(); }

void LibrarySite::SetEnabled(bool on) { surface_->SetEnabled(on); }

bool LibrarySite::TakesFocus() const {
  return surface_->FirstFocusPart() != nullptr || class_.options.can_get_focus;
}

void LibrarySite::SetFocus() {
  if (!CanFocusNow()) vitrelle::Raise(err::kCantMoveFocus);
  form_.FocusOn(this, surface_->FirstFocusPart());
}

void LibrarySite::ReceiveFocus(Part* part) {
  focus_part_ = part;
  has_focus_ = true;
  if (auto* nested = dynamic_cast<ModelUserControl*>(part)) {
    nested->Object().GotFocus(nullptr);
  }
  control_->GotFocus(part);
}

void LibrarySite::LoseFocus(Part* part) {
  has_focus_ = false;
  focus_part_ = nullptr;
  if (auto* nested = dynamic_cast<ModelUserControl*>(part)) {
    nested->Object().LostFocus(nullptr);
  }
  control_->LostFocus(part);
}

void LibrarySite::OwnerRequestFocus(Part* part) {
  if (!CanFocusNow()) vitrelle::Raise(err::kCantMoveFocus);
  form_.FocusOn(this, part);
}

Part* LibrarySite::ResolvePart(std::string_view part) const {
  if (part.empty()) return nullptr;
  if (PartNode* node = surface_->FindPart(part)) return &node->AsPart();
  // Parts of nested controls are reached by their own names too.
  for (PartNode* node : surface_->PartNodes()) {
    if (auto* nested = dynamic_cast<ModelUserControl*>(node)) {
      if (PartNode* inner = nested->Inner().FindPart(part)) return &inner->AsPart();
    }
  }
  throw std::invalid_argument(DisplayName() + " has no part " + std::string(part));
}

std::pair<float, float> LibrarySite::PartSize(std::string_view part) {
  Part* p = ResolvePart(part);
  if (!p) return {Width(), Height()};
  if (auto* rect = dynamic_cast<RectPart*>(p)) return {rect->Width(), rect->Height()};
  if (auto* line = dynamic_cast<LinePart*>(p)) {
    return {std::abs(line->X2() - line->X1()), std::abs(line->Y2() - line->Y1())};
  }
  return {0.0f, 0.0f};
}

namespace {

// What a point of a surface lands on: the topmost window part, then the topmost
// windowless part that takes input, else the surface itself. Coordinates become
// relative to what was hit.
struct Hit {
  ModelSurface* surface;
  Part* part;
  float x, y;
};

Hit HitTest(ModelSurface& surface, float x, float y) {
  auto nodes = surface.PartNodes();
  auto inside = [&](RectPart& r) {
    return r.Visible() && x >= r.Left() && x < r.Left() + r.Width() && y >= r.Top() && y < r.Top() + r.Height();
  };
  for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
    if (!(*it)->Window()) continue;
    auto& rect = dynamic_cast<RectPart&>((*it)->AsPart());
    if (!inside(rect)) continue;
    const float left = WindowOrigin(rect.Left()), top = WindowOrigin(rect.Top());
    if (auto* nested = dynamic_cast<ModelUserControl*>(*it)) return HitTest(nested->Inner(), x - left, y - top);
    return {&surface, &rect, x - left, y - top};
  }
  for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
    if ((*it)->Window()) continue;
    auto* input = dynamic_cast<InputPart*>(&(*it)->AsPart());
    if (!input || !inside(*input)) continue;
    return {&surface, input, x - input->Left(), y - input->Top()};
  }
  return {&surface, nullptr, x, y};
}

// The surface a part belongs to, searching nested controls.
ModelSurface* SurfaceOf(ModelSurface& surface, Part* part) {
  for (PartNode* node : surface.PartNodes()) {
    if (&node->AsPart() == part) return &surface;
    if (auto* nested = dynamic_cast<ModelUserControl*>(node)) {
      if (ModelSurface* s = SurfaceOf(nested->Inner(), part)) return s;
    }
  }
  return nullptr;
}

// Whether a part is a window of its own on its surface.
bool IsWindowPart(ModelSurface& surface, const Part* part) {
  for (PartNode* node : surface.PartNodes()) {
    if (&node->AsPart() == part) return node->Window() != 0;
  }
  return false;
}

}  // namespace

bool LibrarySite::TakesInput(Part* part) const {
  if (!EffectivelyEnabled() || !form_.IsShown()) return false;
  if (auto* input = dynamic_cast<InputPart*>(part)) return input->Enabled();
  return true;
}

std::pair<float, float> LibrarySite::PointerPoint(std::string_view part, float x, float y) {
  Part* named = ResolvePart(part);
  const float px = PixelPoint(x), py = PixelPoint(y);
  // A windowless part hears the pixel relative to its own position, which need not
  // fall on a pixel of its window.
  auto* rect = dynamic_cast<RectPart*>(named);
  ModelSurface* owner = rect ? SurfaceOf(*surface_, named) : nullptr;
  if (!owner || dynamic_cast<ModelUserControl*>(named) || IsWindowPart(*owner, named)) return {px, py};
  return {WindowOrigin(rect->Left()) + px - rect->Left(), WindowOrigin(rect->Top()) + py - rect->Top()};
}

void LibrarySite::Mouse(std::string_view part, MouseInput action, int16_t button, int16_t shift, float x, float y) {
  Part* named = ResolvePart(part);
  Hit hit{surface_.get(), nullptr, x, y};
  if (!named) {
    hit = HitTest(*surface_, x, y);
  } else if (auto* nested = dynamic_cast<ModelUserControl*>(named)) {
    hit = HitTest(nested->Inner(), x, y);
  } else {
    hit = {SurfaceOf(*surface_, named), named, x, y};
  }
  if (!hit.surface->Enabled() || !TakesInput(hit.part)) return;
  if (action == MouseInput::kDown) {
    // The window under the mouse takes the focus before it hears of the button.
    Part* focus_window = nullptr;
    if (hit.surface != surface_.get()) {
      for (PartNode* node : surface_->PartNodes()) {
        auto* nested = dynamic_cast<ModelUserControl*>(node);
        if (nested && &nested->Inner() == hit.surface && nested->CanTakeFocus()) focus_window = nested;
      }
    } else if (hit.part && dynamic_cast<CheckBoxPart*>(hit.part)) {
      focus_window = hit.part;
    } else {
      focus_window = surface_->FirstFocusPart();
    }
    if (CanFocusNow() && (focus_window || class_.options.can_get_focus)) form_.FocusOn(this, focus_window);
  }
  Control* receiver = hit.surface->GetControl();
  if (!receiver) return;
  float px = hit.x, py = hit.y;
  switch (action) {
    case MouseInput::kDown: receiver->MouseDown(hit.part, button, shift, px, py); break;
    case MouseInput::kMove: receiver->MouseMove(hit.part, button, shift, px, py); break;
    case MouseInput::kUp: receiver->MouseUp(hit.part, button, shift, px, py); break;
  }
}

void LibrarySite::Click(std::string_view part, float x, float y, bool double_click) {
  Part* named = ResolvePart(part);
  Hit hit{surface_.get(), nullptr, x, y};
  if (!named) {
    hit = HitTest(*surface_, x, y);
  } else if (auto* nested = dynamic_cast<ModelUserControl*>(named)) {
    hit = HitTest(nested->Inner(), x, y);
  } else {
    hit = {SurfaceOf(*surface_, named), named, x, y};
  }
  if (!hit.surface->Enabled() || !TakesInput(hit.part)) return;
  // Mouse() repeats the hit test from the control's own origin; give it the point there.
  std::string_view hit_name = hit.part ? std::string_view(hit.part->Name()) : std::string_view();
  auto send = [&](MouseInput action) {
    if (hit.part) {
      Mouse(hit_name, action, 1, 0, hit.x, hit.y);
    } else if (hit.surface == surface_.get()) {
      Mouse({}, action, 1, 0, x, y);
    } else {
      Mouse(part, action, 1, 0, x, y);
    }
  };
  send(MouseInput::kDown);
  send(MouseInput::kUp);
  auto* check = dynamic_cast<ModelCheckBox*>(hit.part);
  Control* receiver = hit.surface->GetControl();
  // A check box's click is its value changing.
  if (check) {
    check->Toggle();
  } else if (receiver) {
    receiver->Click(hit.part);
  }
  if (double_click) {
    if (receiver) receiver->DblClick(hit.part);
    send(MouseInput::kUp);
  }
}

void LibrarySite::Key(std::string_view part, bool down, int16_t key_code, int16_t shift) {
  Part* target = part.empty() ? (has_focus_ ? focus_part_ : surface_->FirstFocusPart()) : ResolvePart(part);
  if (!EffectivelyEnabled()) return;
  auto deliver = [&](Control& control, Part* p) {
    if (down) {
      control.KeyDown(p, key_code, shift);
    } else {
      control.KeyUp(p, key_code, shift);
    }
  };
  if (auto* nested = dynamic_cast<ModelUserControl*>(target)) {
    deliver(nested->Object(), nullptr);
    return;
  }
  deliver(*control_, target);
  // The space bar clicks a check box when it comes up.
  if (auto* check = dynamic_cast<ModelCheckBox*>(target); check && !down && key_code == 32 && check->Enabled()) {
    check->Toggle();
  }
}

void LibrarySite::KeyPress(std::string_view part, int16_t key_ascii) {
  Part* target = part.empty() ? (has_focus_ ? focus_part_ : surface_->FirstFocusPart()) : ResolvePart(part);
  if (!EffectivelyEnabled()) return;
  if (auto* nested = dynamic_cast<ModelUserControl*>(target)) {
    nested->Object().KeyPress(nullptr, key_ascii);
    return;
  }
  control_->KeyPress(target, key_ascii);
}

void LibrarySite::ReadFrom(PropertyBag& bag) {
  control_->ReadProperties(bag);
  control_->Resize();
}

void LibrarySite::InitNew() {
  control_->InitProperties();
  control_->Resize();
}

void LibrarySite::WriteTo(PropertyBag& bag) { control_->WriteProperties(bag); }

void LibrarySite::Shown() { surface_->NotifyShow(); }

void LibrarySite::Terminate() {
  if (control_) control_->Terminate();
}

DispatchPtr LibrarySite::OwnerParent() { return Unowned<Dispatch>(&form_); }

DispatchPtr LibrarySite::OwnerExtender() { return Unowned<Dispatch>(this); }

bool LibrarySite::OwnerUserMode() const { return form_.UserMode(); }

FontPtr LibrarySite::OwnerAmbientFont() const { return form_.Runtime().NewFont(); }

void LibrarySite::OwnerPropertyChanged(std::string_view property) { form_.LogChanged(*this, property); }

void LibrarySite::OwnerRaiseEvent(std::string_view event, std::span<Variant> args) {
  form_.DeliverEvent(*this, event, args);
}

void LibrarySite::OwnerListenToActivate(const DispatchPtr& form) {
  auto* target = dynamic_cast<Form*>(form.get());
  if (!target) vitrelle::Raise(err::kTypeMismatch);
  target->ListenToActivate(*this);
}

void LibrarySite::OwnerSizeChanged(float width, float height) {
  width_ = width;
  height_ = height;
}

Variant LibrarySite::InvokeOwn(std::string_view member, InvokeKind kind, std::span<Variant> args) {
  if (Is(member, "Enabled")) {
    // The control's own Enabled when it declares one, the surface's otherwise.
    try {
      return control_->Invoke(member, kind, args);
    } catch (const RuntimeError& e) {
      if (e.number() != err::kNotSupported) throw;
    }
    if (IsAssign(kind)) {
      SetEnabled(Assigned(args).ToBoolean());
      return {};
    }
    return Variant::Boolean(Enabled());
  }
  if (Is(member, "Object")) return Variant::Object(shared_from_this());
  return control_->Invoke(member, kind, args);
}

bool LibrarySite::IsOwnType(std::string_view type_name) const {
  if (NamesEqual(type_name, "_" + class_.name)) return true;
  return std::any_of(class_.options.interfaces.begin(), class_.options.interfaces.end(),
                     [&](const std::string& i) { return NamesEqual(i, type_name); });
}

// ---------------------------------------------------------------------------
// Controls collection

Variant ControlsCollection::Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) {
  if (IsAssign(kind)) vitrelle::Raise(err::kNotSupported);
  const auto& controls = form_.Controls();
  if (Is(member, "Count")) return Variant::Integer(static_cast<int16_t>(controls.size()));
  if (Is(member, "Item") || member.empty()) {
    if (args.size() != 1) vitrelle::Raise(err::kWrongArguments);
    if (args[0].type() == VarType::kString) {
      Site* site = form_.Find(args[0].ToString());
      if (!site) RaiseNoSuchControl(args[0]);
      return Variant::Object(site->shared_from_this());
    }
    int i = args[0].ToLong();
    if (i < 0 || i >= static_cast<int>(controls.size())) RaiseNoSuchControl(args[0]);
    return Variant::Object(controls[static_cast<size_t>(i)]);
  }
  vitrelle::Raise(err::kNotSupported);
}

bool ControlsCollection::IsA(std::string_view type_name) const {
  return NamesEqual(type_name, "Controls") || NamesEqual(type_name, "Object");
}

// ---------------------------------------------------------------------------
// Form

std::shared_ptr<Form> Form::Create(ModelRuntime& runtime, std::string name, bool user_mode) {
  return std::make_shared<Form>(runtime, std::move(name), user_mode);
}

Form::Form(ModelRuntime& runtime, std::string name, bool user_mode)
    : runtime_(runtime), name_(std::move(name)), user_mode_(user_mode) {
  window_ = GetScreen().CreateWindow(0, {x_, y_, x_ + TwipsToPixels(width_), y_ + TwipsToPixels(height_)}, 0, this);
  runtime_.NameWindow(window_, name_);
  controls_collection_ = std::make_shared<ControlsCollection>(*this);
}

Form::~Form() {
  Unload();
  runtime_.ForgetWindow(window_);
  if (GetScreen().IsWindow(window_)) GetScreen().DestroyWindow(window_);
}

void Form::Unload() {
  if (controls_.empty()) return;
  for (const auto& site : controls_) site->Terminate();
  activate_listeners_.clear();
  focus_site_ = nullptr;
  focus_part_ = nullptr;
  last_focus_ = nullptr;
  // Contained controls were created after their containers: undo in reverse.
  while (!controls_.empty()) {
    std::shared_ptr<Site> site = controls_.back();
    controls_.pop_back();
    runtime_.ForgetWindow(site->Window());
  }
}

void Form::SetBackColor(OleColor c) {
  CheckColor(c);
  back_color_ = c;
  GetScreen().Invalidate(window_);
}

void Form::SetPicture(PicturePtr picture) {
  picture_ = std::move(picture);
  GetScreen().Invalidate(window_);
}

void Form::SetPattern(PicturePtr picture) {
  pattern_ = std::move(picture);
  GetScreen().Invalidate(window_);
}

void Form::SetClientSize(float width, float height) {
  CheckExtent(width);
  CheckExtent(height);
  width_ = width;
  height_ = height;
  GetScreen().MoveWindow(window_, {x_, y_, x_ + TwipsToPixels(width_), y_ + TwipsToPixels(height_)});
  GetScreen().Invalidate(window_);
}

void Form::SetPosition(int x, int y) {
  x_ = x;
  y_ = y;
  SetClientSize(width_, height_);
}

Site& Form::AddControl(const ControlSpec& spec, PropertyBag* bag) {
  const ControlClass* library = FindControlClass(spec.class_name);
  bool host = IsHostControlClass(spec.class_name);
  if (!library && !host) throw std::invalid_argument("unknown control class " + spec.class_name);
  if (spec.name.empty()) throw std::invalid_argument("a control needs a name");
  for (const auto& other : controls_) {
    if (!NamesEqual(other->Name(), spec.name)) continue;
    if (other->Index() < 0 || spec.index < 0 || other->Index() == spec.index ||
        !NamesEqual(other->ClassName(), spec.class_name)) {
      throw std::invalid_argument("the name " + spec.name + " is already taken");
    }
  }
  if (spec.container && !spec.container->IsContainer()) {
    throw std::invalid_argument(spec.container->DisplayName() + " cannot contain controls");
  }
  std::shared_ptr<Site> site;
  if (library) {
    site = std::make_shared<LibrarySite>(*this, spec.container, *library, spec.name, spec.index);
    site->width_ = spec.width.value_or(library->options.default_width);
    site->height_ = spec.height.value_or(library->options.default_height);
  } else {
    site = MakeHostControl(*this, spec.container, spec.class_name, spec.name, spec.index);
    site->width_ = spec.width.value_or(1215);
    site->height_ = spec.height.value_or(375);
  }
  site->left_ = spec.left.value_or(0);
  site->top_ = spec.top.value_or(0);
  site->tab_stop_ = spec.tab_stop;
  site->visible_ = spec.visible;
  constexpr int kUnnumbered = 1 << 24;
  if (loading_) {
    site->tab_index_ = spec.tab_index.value_or(kUnnumbered + static_cast<int>(controls_.size()));
  } else {
    site->tab_index_ = static_cast<int>(controls_.size());
  }
  controls_.push_back(site);
  try {
    site->CreateWindowIn(spec.container ? spec.container->ChildWindow() : window_, site->PixelRect());
    if (!loading_ && spec.tab_index) AssignTabIndex(*site, *spec.tab_index);
    if (bag) {
      try {
        site->ReadFrom(*bag);
      } catch (const RuntimeError& e) {
        // A container that loads a form reports a control's refusal and goes on; the
        // control keeps what its ReadProperties had done.
        if (!loading_) throw;
        load_errors_.push_back({site->DisplayName(), e});
      }
    } else {
      site->InitNew();
    }
    site->ApplyWindowVisibility();
    if (shown_ && site->EffectivelyVisible()) site->Shown();
  } catch (...) {
    Unsite(*site);
    throw;
  }
  return *site;
}

void Form::EndLoad() {
  loading_ = false;
  RenumberTabs();
}

void Form::Unsite(Site& site) {
  site.Terminate();
  std::erase_if(activate_listeners_, [&](LibrarySite* l) { return l == &site; });
  if (focus_site_ == &site) focus_site_ = nullptr, focus_part_ = nullptr;
  if (last_focus_ == &site) last_focus_ = nullptr;
  runtime_.ForgetWindow(site.Window());
  std::erase_if(controls_, [&](const std::shared_ptr<Site>& s) { return s.get() == &site; });
  RenumberTabs();
}

Site* Form::Find(std::string_view name, int index) const {
  for (const auto& site : controls_) {
    if (NamesEqual(site->Name(), name) && site->Index() == index) return site.get();
  }
  return nullptr;
}

Site& Form::GetSite(std::string_view name, int index) const {
  Site* site = Find(name, index);
  if (!site) {
    throw std::invalid_argument("no control " + std::string(name) +
                                (index >= 0 ? "(" + std::to_string(index) + ")" : std::string()) + " on " + name_);
  }
  return *site;
}

LibrarySite& Form::GetLibrary(std::string_view name, int index) const {
  auto* site = dynamic_cast<LibrarySite*>(&GetSite(name, index));
  if (!site) throw std::invalid_argument(std::string(name) + " is not a library control");
  return *site;
}

DispatchPtr Form::Extender(std::string_view name, int index) const { return GetSite(name, index).shared_from_this(); }

void Form::Show() {
  GetScreen().ShowWindow(window_, true);
  if (!shown_) {
    shown_ = true;
    for (const auto& site : std::vector<std::shared_ptr<Site>>(controls_)) {
      if (site->EffectivelyVisible()) site->Shown();
    }
  }
  if (user_mode_) Activate();
}

void Form::Hide() {
  Deactivate();
  GetScreen().ShowWindow(window_, false);
  shown_ = false;
}

void Form::Activate() {
  if (!user_mode_ || !shown_ || active_) return;
  active_ = true;
  bool first = !ever_activated_;
  ever_activated_ = true;
  // Listeners may stop listening (or be unloaded) from inside the notification.
  for (LibrarySite* listener : std::vector<LibrarySite*>(activate_listeners_)) {
    if (std::find(activate_listeners_.begin(), activate_listeners_.end(), listener) == activate_listeners_.end()) {
      continue;
    }
    listener->Object().ParentActivate();
  }
  if (focus_site_) return;
  Site* target = nullptr;
  if (!first && last_focus_ && last_focus_->CanFocusNow()) target = last_focus_;
  if (!target) {
    for (Site* site : TabOrder()) {
      if (site->TabStop() && site->CanFocusNow()) {
        target = site;
        break;
      }
    }
  }
  if (target) IgnoreErrors([&] { target->SetFocus(); });
}

void Form::Deactivate() { active_ = false; }

void Form::ListenToActivate(LibrarySite& site) {
  if (std::find(activate_listeners_.begin(), activate_listeners_.end(), &site) == activate_listeners_.end()) {
    activate_listeners_.push_back(&site);
  }
}

void Form::FocusOn(Site* site, Part* part) {
  if (site == focus_site_ && part == focus_part_) return;
  Site* old_site = focus_site_;
  Part* old_part = focus_part_;
  focus_site_ = site;
  focus_part_ = part;
  if (site) last_focus_ = site;
  if (old_site) old_site->LoseFocus(old_part);
  // A LostFocus handler may have moved the focus elsewhere already.
  if (focus_site_ != site || focus_part_ != part) return;
  if (site) {
    if (auto* log = runtime_.Log()) log->Focus(site->DisplayName());
    site->ReceiveFocus(part);
  }
}

std::vector<Site*> Form::TabOrder() const {
  std::vector<Site*> order;
  for (const auto& s : controls_) order.push_back(s.get());
  std::stable_sort(order.begin(), order.end(), [](Site* a, Site* b) { return a->tab_index_ < b->tab_index_; });
  return order;
}

void Form::RenumberTabs() {
  int i = 0;
  for (Site* s : TabOrder()) s->tab_index_ = i++;
}

void Form::AssignTabIndex(Site& site, int index) {
  CheckTabIndex(index);
  std::vector<Site*> order = TabOrder();
  std::erase(order, &site);
  // An index past the end puts the control last, as the platform does.
  size_t at = std::min(static_cast<size_t>(index), order.size());
  order.insert(order.begin() + static_cast<std::ptrdiff_t>(at), &site);
  int i = 0;
  for (Site* s : order) s->tab_index_ = i++;
}

namespace {

Part* FocusPartOf(Site* site) {
  if (auto* library = dynamic_cast<LibrarySite*>(site)) return library->GetSurface().FirstFocusPart();
  return nullptr;
}

}  // namespace

void Form::Tab(bool backwards) {
  std::vector<Site*> order = TabOrder();
  if (order.empty()) return;
  size_t n = order.size();
  size_t start = n - 1;
  if (backwards) start = 0;
  if (focus_site_) start = static_cast<size_t>(std::find(order.begin(), order.end(), focus_site_) - order.begin());
  for (size_t step = 1; step <= n; ++step) {
    size_t i = backwards ? (start + n * 2 - step) % n : (start + step) % n;
    Site* site = order[i];
    if (site->TabStop() && site->CanFocusNow()) {
      FocusOn(site, FocusPartOf(site));
      return;
    }
  }
}

void Form::MoveFocusFrom(Site& leaving) {
  std::vector<Site*> order = TabOrder();
  size_t n = order.size();
  size_t start = static_cast<size_t>(std::find(order.begin(), order.end(), focus_site_) - order.begin());
  for (size_t step = 1; step <= n; ++step) {
    Site* site = order[(start + step) % n];
    if (!site->IsInside(leaving) && site->TabStop() && site->CanFocusNow()) {
      FocusOn(site, FocusPartOf(site));
      return;
    }
  }
  FocusOn(nullptr, nullptr);
}

namespace {

// The character a key gives, when it gives one.
int16_t AsciiOf(int16_t key_code, int16_t shift) {
  bool shifted = (shift & 1) != 0;
  if (key_code >= 'A' && key_code <= 'Z') return shifted ? key_code : static_cast<int16_t>(key_code + 32);
  if (key_code >= '0' && key_code <= '9') return key_code;
  switch (key_code) {
    case 8: case 13: case 27: case 32: return key_code;
    default: return 0;
  }
}

}  // namespace

void Form::Press(int16_t key_code, int16_t shift) {
  if (key_code == 9) {
    Tab((shift & 1) != 0);
    return;
  }
  Site* site = focus_site_;
  if (!site) return;
  site->Key({}, true, key_code, shift);
  if (int16_t ascii = AsciiOf(key_code, shift); ascii != 0 && focus_site_ == site) site->KeyPress({}, ascii);
  if (focus_site_ == site) site->Key({}, false, key_code, shift);
}

void Form::OnEvent(std::string_view control, std::string_view event, EventHandler handler) {
  handlers_[Lower(control) + "." + Lower(event)].push_back(std::move(handler));
}

void Form::DeliverEvent(Site& site, std::string_view event, std::span<Variant> args) {
  if (auto* log = runtime_.Log()) log->Event(site.DisplayName(), event, args);
  auto it = handlers_.find(Lower(site.DisplayName()) + "." + Lower(event));
  if (it == handlers_.end()) return;
  // A handler may register others; run the ones there were when the event came.
  std::vector<EventHandler> handlers = it->second;
  for (auto& handler : handlers) handler(args);
}

void Form::LogChanged(Site& site, std::string_view property) {
  if (auto* log = runtime_.Log()) log->Changed(site.DisplayName(), property);
}

namespace {

// ScaleWidth and ScaleHeight are Width and Height: the client area, in twips.
Variant GetClientWidth(Form& f) { return Variant::Single(f.ClientWidth()); }
void PutClientWidth(Form& f, const Variant& v) { f.SetClientSize(v.ToSingle(), f.ClientHeight()); }
Variant GetClientHeight(Form& f) { return Variant::Single(f.ClientHeight()); }
void PutClientHeight(Form& f, const Variant& v) { f.SetClientSize(f.ClientWidth(), v.ToSingle()); }

}  // namespace

Variant Form::Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) {
  using F = Form;
  static constexpr MemberBinding<Form> kMembers[] = {
      {"Name", [](F& f) { return Variant::String(f.name_); }},
      {"Caption", [](F& f) { return Variant::String(f.caption_); },
       [](F& f, const Variant& v) { f.SetCaption(v.ToString()); }},
      {"BackColor", [](F& f) { return FromOleColor(f.back_color_); },
       [](F& f, const Variant& v) { f.SetBackColor(ToOleColor(v)); }},
      {"Picture", [](F& f) { return Variant::OfPicture(f.picture_); },
       [](F& f, const Variant& v) { f.SetPicture(v.ToPicture()); }},
      {"Width", GetClientWidth, PutClientWidth},
      {"ScaleWidth", GetClientWidth, PutClientWidth},
      {"Height", GetClientHeight, PutClientHeight},
      {"ScaleHeight", GetClientHeight, PutClientHeight},
      {"Controls", [](F& f) { return Variant::Object(f.controls_collection_); }, nullptr, nullptr,
       [](F& f, std::span<Variant> args) { return f.controls_collection_->Invoke("Item", InvokeKind::kGet, args); }},
      {"ActiveControl",
       [](F& f) {
         if (!f.focus_site_) Raise(err::kObjectNotSet);
         return Variant::Object(f.focus_site_->shared_from_this());
       }},
      {"Visible", [](F& f) { return Variant::Boolean(f.shown_); },
       [](F& f, const Variant& v) { v.ToBoolean() ? f.Show() : f.Hide(); }},
      {"Show", nullptr, nullptr, [](F& f) { f.Show(); }},
      {"Hide", nullptr, nullptr, [](F& f) { f.Hide(); }},
      {"Refresh", nullptr, nullptr,
       [](F& f) {
         f.GetScreen().Invalidate(f.window_);
         f.runtime_.DoEvents();
       }},
      {"hWnd", [](F& f) { return Variant::Long(static_cast<int32_t>(f.window_)); }},
  };
  if (const auto* m = FindBinding<Form>(kMembers, member)) return InvokeBinding(*this, *m, kind, args);
  // Controls by name: Form.Check1, Form.Option1(2).
  int index = -1;
  if (!args.empty() && !IsAssign(kind)) index = args[0].ToInteger();
  if (Site* site = Find(member, index)) return Variant::Object(site->shared_from_this());
  if (index < 0) {
    for (const auto& s : controls_) {
      if (NamesEqual(s->Name(), member)) Raise(err::kWrongArguments);
    }
  } else {
    for (const auto& s : controls_) {
      if (NamesEqual(s->Name(), member)) Raise(err::kControlArrayElementMissing);
    }
  }
  Raise(err::kNotSupported);
}

bool Form::IsA(std::string_view type_name) const {
  return NamesEqual(type_name, "Form") || NamesEqual(type_name, name_) || NamesEqual(type_name, "Object");
}

void Form::Paint(Canvas& canvas) {
  int ox = canvas.ClientLeft(), oy = canvas.ClientTop();
  Rect client{ox, oy, ox + TwipsToPixels(width_), oy + TwipsToPixels(height_)};
  canvas.FillRect(client, Resolve(back_color_));
  if (pattern_ && pattern_->WidthPixels() > 0 && pattern_->HeightPixels() > 0) {
    for (int y = client.top; y < client.bottom; y += pattern_->HeightPixels()) {
      for (int x = client.left; x < client.right; x += pattern_->WidthPixels()) canvas.DrawPicture(*pattern_, x, y);
    }
  }
  if (picture_ && picture_->Type() != 0) canvas.DrawPicture(*picture_, ox, oy);
}

Bitmap Form::Snapshot() const { return runtime_.GetScreen().Snapshot(runtime_.GetScreen().ClientScreenRect(window_)); }

}  // namespace vitrelle::model
