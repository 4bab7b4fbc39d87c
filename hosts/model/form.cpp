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
#include "hosts/model/form_internal.h"
#include "hosts/model/host_controls.h"
#include "hosts/model/parts.h"
#include "script/driver.h"

namespace vitrelle::model {

namespace {

using internal::Is;
using internal::IsAssign;

}  // namespace

// ---------------------------------------------------------------------------
// Controls collection

std::vector<Site*> ControlsCollection::Members() const {
  std::vector<Site*> out;
  for (const auto& site : form_.Controls()) {
    if (!container_ || site->Container() == container_) out.push_back(site.get());
  }
  return out;
}

Variant ControlsCollection::Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) {
  if (IsAssign(kind)) vitrelle::Raise(err::kNotSupported);
  // The form's own collection is the form's list as it stands: a walk by index over
  // a large form reads one entry a step, where a copy of the list each step would
  // make every walk (a frame refreshing what it holds) grow with the square of it.
  const std::vector<Site*> controls = container_ ? Members() : std::vector<Site*>{};
  const size_t size = container_ ? controls.size() : form_.Controls().size();
  const auto at = [&](size_t i) { return container_ ? controls[i] : form_.Controls()[i].get(); };
  if (Is(member, "Count")) return Variant::Integer(static_cast<int16_t>(size));
  if (Is(member, "Item") || member.empty()) {
    if (args.size() != 1) vitrelle::Raise(err::kWrongArguments);
    if (args[0].type() == VarType::kString) {
      Site* site = form_.Find(args[0].ToString());
      if (!site || (container_ && site->Container() != container_)) RaiseNoSuchControl(args[0]);
      return Variant::Object(site->shared_from_this());
    }
    int i = args[0].ToLong();
    if (i < 0 || i >= static_cast<int>(size)) RaiseNoSuchControl(args[0]);
    return Variant::Object(at(static_cast<size_t>(i))->shared_from_this());
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
    ForgetName(*site);
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
  const std::string key = FoldName(spec.name);
  for (auto [it, end] = by_name_.equal_range(key); it != end; ++it) {
    const Site* other = it->second;
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
  by_name_.emplace(key, site.get());
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
  ForgetName(site);
  std::erase_if(controls_, [&](const std::shared_ptr<Site>& s) { return s.get() == &site; });
  RenumberTabs();
}

Site* Form::Find(std::string_view name, int index) const {
  for (auto [it, end] = by_name_.equal_range(FoldName(name)); it != end; ++it) {
    if (it->second->Index() == index) return it->second;
  }
  return nullptr;
}

void Form::ForgetName(const Site& site) {
  for (auto [it, end] = by_name_.equal_range(FoldName(site.Name())); it != end; ++it) {
    if (it->second == &site) {
      by_name_.erase(it);
      return;
    }
  }
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
  // Once numbered, the indexes are 0 to n - 1: each control goes straight to its
  // place, as a focused control that hides (each background copy hides it) asks
  // for the order every time. Only while loading do gaps call for the sort.
  std::vector<Site*> order(controls_.size(), nullptr);
  bool placed = true;
  for (const auto& s : controls_) {
    const auto at = static_cast<size_t>(s->tab_index_);
    if (s->tab_index_ < 0 || at >= order.size() || order[at] != nullptr) {
      placed = false;
      break;
    }
    order[at] = s.get();
  }
  if (placed) return order;
  order.clear();
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
  // As on the platform: the character goes to the control that took the key down,
  // the key's release to wherever the focus is by then (an arrow key may have
  // moved it).
  if (int16_t ascii = AsciiOf(key_code, shift); ascii != 0) site->KeyPress({}, ascii);
  if (focus_site_) focus_site_->Key({}, false, key_code, shift);
}

void Form::OnEvent(std::string_view control, std::string_view event, EventHandler handler) {
  handlers_[FoldName(control) + "." + FoldName(event)].push_back(std::move(handler));
}

void Form::DeliverEvent(Site& site, std::string_view event, std::span<Variant> args) {
  if (auto* log = runtime_.Log()) log->Event(site.DisplayName(), event, args);
  auto it = handlers_.find(FoldName(site.DisplayName()) + "." + FoldName(event));
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
