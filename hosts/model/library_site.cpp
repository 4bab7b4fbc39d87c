#include "hosts/model/form.h"

#include <algorithm>
#include <cmath>

#include "frame/color_variant.h"
#include "frame/errors.h"
#include "frame/members.h"
#include "frame/part_rules.h"
#include "frame/units.h"
#include "hosts/model/font.h"
#include "hosts/model/form_internal.h"
#include "hosts/model/parts.h"

namespace vitrelle::model {

namespace {

using internal::Is;
using internal::IsAssign;
using internal::PixelPoint;

const Variant& Assigned(std::span<Variant> args) {
  if (args.empty()) Raise(err::kWrongArguments);
  return args.back();
}

// A window sits on whole pixels: its origin is its twips position rounded.
float WindowOrigin(float twips) {
  const float tpp = DisplayTwipsPerPixel();
  return static_cast<float>(RoundHalfEven(twips / tpp)) * tpp;
}

}  // namespace

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

// What a point aimed at a control (no part), a nested control or a part lands on.
Hit Aim(ModelSurface& surface, Part* named, float x, float y) {
  if (!named) return HitTest(surface, x, y);
  if (auto* nested = dynamic_cast<ModelUserControl*>(named)) return HitTest(nested->Inner(), x, y);
  return {SurfaceOf(surface, named), named, x, y};
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
  const Hit hit = Aim(*surface_, named, x, y);
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
  const Hit hit = Aim(*surface_, named, x, y);
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

DispatchPtr LibrarySite::OwnerContainedControls() {
  if (!IsContainer()) return nullptr;
  if (!contained_) contained_ = std::make_shared<ControlsCollection>(form_, this);
  return contained_;
}

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

}  // namespace vitrelle::model
