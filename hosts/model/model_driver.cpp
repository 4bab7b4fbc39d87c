#include "hosts/model/model_driver.h"

#include <filesystem>
#include <stdexcept>

#include "frame/accessibility.h"
#include "frame/color_variant.h"
#include "frame/errors.h"
#include "frame/members.h"
#include "hosts/model/form_file.h"
#include "hosts/model/parts.h"

namespace vitrelle::model {

namespace {

class PartView : public Dispatch {
 public:
  explicit PartView(Part& part) : part_(part) {}

  Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override {
    bool assign = kind == InvokeKind::kLet || kind == InvokeKind::kSet;
    if (assign && args.empty()) Raise(err::kWrongArguments);
    const Variant* value = assign ? &args.back() : nullptr;
    auto is = [&](std::string_view name) { return NamesEqual(member, name); };
    if (is("Name")) return Variant::String(part_.Name());
    if (is("Visible")) {
      if (value) return part_.SetVisible(value->ToBoolean()), Variant();
      return Variant::Boolean(part_.Visible());
    }
    if (auto* rect = dynamic_cast<RectPart*>(&part_)) {
      using Getter = float (RectPart::*)() const;
      using Setter = void (RectPart::*)(float);
      struct Row {
        std::string_view name;
        Getter get;
        Setter set;
      };
      const Row rows[] = {{"Left", &RectPart::Left, &RectPart::SetLeft},
                          {"Top", &RectPart::Top, &RectPart::SetTop},
                          {"Width", &RectPart::Width, &RectPart::SetWidth},
                          {"Height", &RectPart::Height, &RectPart::SetHeight}};
      for (const Row& row : rows) {
        if (!is(row.name)) continue;
        if (value) return (rect->*row.set)(value->ToSingle()), Variant();
        return Variant::Single((rect->*row.get)());
      }
    }
    if (auto* input = dynamic_cast<InputPart*>(&part_)) {
      if (is("Enabled")) {
        if (value) return input->SetEnabled(value->ToBoolean()), Variant();
        return Variant::Boolean(input->Enabled());
      }
      if (is("MousePointer")) {
        if (value) return input->SetMousePointer(value->ToInteger()), Variant();
        return Variant::Integer(input->MousePointer());
      }
    }
    if (auto* label = dynamic_cast<LabelPart*>(&part_)) {
      if (is("Caption")) {
        if (value) return label->SetCaption(value->ToString()), Variant();
        return Variant::String(label->Caption());
      }
      if (is("BackStyle")) {
        if (value) return label->SetBackStyle(value->ToInteger()), Variant();
        return Variant::Integer(label->BackStyle());
      }
      if (is("ForeColor")) {
        if (value) return label->SetForeColor(ToOleColor(*value)), Variant();
        return FromOleColor(label->ForeColor());
      }
    }
    if (auto* check = dynamic_cast<CheckBoxPart*>(&part_)) {
      if (is("Value")) {
        if (value) return check->SetValue(value->ToInteger()), Variant();
        return Variant::Integer(check->Value());
      }
      if (is("Appearance")) {
        if (value) return check->SetAppearance(value->ToInteger()), Variant();
        return Variant::Integer(check->Appearance());
      }
      if (is("SetFocus")) return check->SetFocus(), Variant();
    }
    if (auto* timer = dynamic_cast<TimerPart*>(&part_)) {
      if (is("Enabled")) {
        if (value) return timer->SetEnabled(value->ToBoolean()), Variant();
        return Variant::Boolean(timer->Enabled());
      }
      if (is("Interval")) {
        if (value) return timer->SetInterval(value->ToLong()), Variant();
        return Variant::Long(timer->Interval());
      }
    }
    if (auto* nested = dynamic_cast<UserControlPart*>(&part_)) {
      if (is("SetFocus")) return nested->SetFocus(), Variant();
      return nested->Object().Invoke(member, kind, args);
    }
    Raise(err::kNotSupported);
  }

  bool IsA(std::string_view type_name) const override { return NamesEqual(type_name, "Object"); }

 private:
  Part& part_;
};

}  // namespace

DispatchPtr PartDispatch(Part& part) { return std::make_shared<PartView>(part); }

ModelDriver::ModelDriver(ModelRuntime& runtime, std::string form_path)
    : runtime_(runtime), form_path_(std::move(form_path)) {}

ModelDriver::ModelDriver(ModelRuntime& runtime, std::shared_ptr<Form> form)
    : runtime_(runtime), form_(std::move(form)) {}

ModelDriver::~ModelDriver() {
  if (form_) form_->Unload();
  runtime_.SetLog(nullptr);
}

Form& ModelDriver::TheForm() const {
  if (!form_) throw std::invalid_argument("no form is loaded");
  return *form_;
}

void ModelDriver::SetLog(script::ScriptLog* log) { runtime_.SetLog(log); }

void ModelDriver::Load(bool design) {
  if (form_ || form_path_.empty()) return;
  form_ = LoadForm(runtime_, form_path_, !design);
  // Every refusal of the load, in order, and the run goes on with the form as it
  // loaded: a script that tests a control's loading wants to see what came after.
  if (auto* log = runtime_.Log()) {
    log->SetTime(runtime_.Now());
    for (const Form::LoadError& e : form_->LoadErrors()) log->Error(e.error.number(), e.error.description());
  }
}

void ModelDriver::Show() {
  TheForm().Show();
  runtime_.DoEvents();
}

void ModelDriver::Deactivate() {
  TheForm().Deactivate();
  runtime_.DoEvents();
}

void ModelDriver::Activate() {
  TheForm().Activate();
  runtime_.DoEvents();
}

void ModelDriver::Wait(int64_t ms) { runtime_.Advance(ms); }

int64_t ModelDriver::Now() const { return runtime_.Now(); }

Variant ModelDriver::LoadPicture(const std::string& path) {
  if (!std::filesystem::exists(path)) Raise(err::kFileNotFound);
  auto bitmap = ReadPng(path);
  if (!bitmap) Raise(481);
  PicturePtr picture = runtime_.GetScreen().MakePicture(*bitmap);
  runtime_.RememberPicturePath(picture, std::filesystem::absolute(path).lexically_normal().string());
  return Variant::OfPicture(picture);
}

Site& ModelDriver::SiteOf(const script::Target& target) const { return TheForm().GetSite(target.name, target.index); }

DispatchPtr ModelDriver::Resolve(const script::Target& target) const {
  if (target.IsForm()) return TheForm().shared_from_this();
  Site& site = SiteOf(target);
  if (target.part.empty()) return site.shared_from_this();
  auto* library = dynamic_cast<LibrarySite*>(&site);
  if (!library) throw std::invalid_argument(target.Display() + ": " + site.DisplayName() + " has no parts");
  PartNode* node = library->GetSurface().FindPart(target.part);
  if (!node) {
    for (PartNode* outer : library->GetSurface().PartNodes()) {
      if (auto* nested = dynamic_cast<ModelUserControl*>(outer)) node = nested->Inner().FindPart(target.part);
      if (node) break;
    }
  }
  if (!node) throw std::invalid_argument(target.Display() + ": no such part");
  return PartDispatch(node->AsPart());
}

void ModelDriver::Set(const script::Target& target, std::string_view member, const Variant& value) {
  DispatchPtr object = Resolve(target);
  Variant args[1] = {value};
  object->Invoke(member, value.IsReference() ? InvokeKind::kSet : InvokeKind::kLet, args);
  runtime_.DoEvents();
}

Variant ModelDriver::Get(const script::Target& target, std::string_view member) {
  return Resolve(target)->Get(member);
}

void ModelDriver::Call(const script::Target& target, std::string_view method) {
  Resolve(target)->Call(method);
  runtime_.DoEvents();
}

ModelModalForm* ModelDriver::Modal() const { return runtime_.Platform().TopForm(); }

void ModelDriver::RefuseInputBeneath(const script::Target& target) const {
  if (ModelModalForm* modal = Modal()) {
    throw std::invalid_argument(target.Display() + ": " + modal->Name() +
                                " is open, and the form beneath it takes no input");
  }
}

void ModelDriver::Focus(const script::Target& target) {
  RefuseInputBeneath(target);
  if (target.part.empty()) {
    SiteOf(target).SetFocus();
  } else {
    Resolve(target)->Call("SetFocus");
  }
  runtime_.DoEvents();
}

void ModelDriver::Tab(bool backwards) {
  RefuseInputBeneath(script::Target{"Form", -1, ""});
  TheForm().Tab(backwards);
  runtime_.DoEvents();
}

void ModelDriver::Click(const script::Target& target, std::optional<std::pair<float, float>> at, bool double_click) {
  if (ModelModalForm* modal = Modal(); modal && NamesEqual(target.name, modal->Name()) && target.index < 0) {
    if (target.part.empty()) {
      throw std::invalid_argument(target.Display() + ": name a button or link, as " + modal->Name() + ":cmdOK");
    }
    modal->ClickElement(target.part);
    if (double_click) modal->ClickElement(target.part);
    return;
  }
  RefuseInputBeneath(target);
  Site& site = SiteOf(target);
  auto [width, height] = site.PartSize(target.part);
  auto [x, y] = site.PointerPoint(target.part, at ? at->first : width / 2, at ? at->second : height / 2);
  site.Click(target.part, x, y, double_click);
  runtime_.DoEvents();
}

void ModelDriver::Mouse(script::MouseAction action, const script::Target& target, int16_t button, int16_t shift,
                        float x, float y) {
  MouseInput input = action == script::MouseAction::kDown ? MouseInput::kDown
                     : action == script::MouseAction::kMove ? MouseInput::kMove
                                                            : MouseInput::kUp;
  RefuseInputBeneath(target);
  Site& site = SiteOf(target);
  auto [px, py] = site.PointerPoint(target.part, x, y);
  site.Mouse(target.part, input, button, shift, px, py);
  runtime_.DoEvents();
}

void ModelDriver::Key(script::KeyAction action, const script::Target& target, int16_t key_code, int16_t shift) {
  RefuseInputBeneath(target);
  bool down = action == script::KeyAction::kDown;
  if (target.IsForm()) {
    if (Site* site = TheForm().FocusSite()) site->Key({}, down, key_code, shift);
  } else {
    SiteOf(target).Key(target.part, down, key_code, shift);
  }
  runtime_.DoEvents();
}

void ModelDriver::KeyPress(const script::Target& target, int16_t key_ascii) {
  RefuseInputBeneath(target);
  if (target.IsForm()) {
    if (Site* site = TheForm().FocusSite()) site->KeyPress({}, key_ascii);
  } else {
    SiteOf(target).KeyPress(target.part, key_ascii);
  }
  runtime_.DoEvents();
}

void ModelDriver::Press(int16_t key_code, int16_t shift) {
  // The modal form has the keyboard while it is open.
  if (ModelModalForm* modal = Modal()) {
    modal->Press(key_code);
    return;
  }
  TheForm().Press(key_code, shift);
  runtime_.DoEvents();
}

void ModelDriver::Resize(const script::Target& target, float width, float height) {
  if (target.IsForm()) {
    TheForm().SetClientSize(width, height);
  } else if (!target.part.empty()) {
    DispatchPtr part = Resolve(target);
    part->Let("Width", Variant::Single(width));
    part->Let("Height", Variant::Single(height));
  } else {
    Site& site = SiteOf(target);
    site.Move(site.Left(), site.Top(), width, height);
  }
  runtime_.DoEvents();
}

void ModelDriver::Save(const std::string& path) { SaveForm(TheForm(), path); }

void ModelDriver::Render(const std::string& path) {
  runtime_.DoEvents();
  std::string error;
  // A modal form is what the user sees while it is open.
  ModelModalForm* modal = Modal();
  if (!WritePng(path, modal ? modal->Snapshot() : TheForm().Snapshot(), &error)) throw std::runtime_error("cannot write " + path + ": " + error);
}

LibrarySite& ModelDriver::AccessibleSite(const script::Target& target) const {
  auto* library = dynamic_cast<LibrarySite*>(&SiteOf(target));
  if (!library || AccessibleRole(library->ClassName()) == 0)
    throw std::invalid_argument(target.Display() + ": not a control of the library");
  return *library;
}

// What the platform's accessibility object of the control's window reports there:
// the rules are the core's, the focus and the showing the form's.
script::AccessibleReading ModelDriver::ReadAccessible(const script::Target& target) {
  LibrarySite& site = AccessibleSite(target);
  const AccessibleView view = DescribeForAccessibility(site.ClassName(), site, &site);
  Form& form = TheForm();
  // The platform has a focus window only while the form is the active one.
  const bool focused = form.IsActive() && form.FocusSite() == &site;
  const bool shown = form.IsShown() && site.EffectivelyVisible();
  return {view.role, view.name, view.value, AccessibleState(view, focused, shown)};
}

bool ModelDriver::DoAccessibleAction(const script::Target& target) {
  LibrarySite& site = AccessibleSite(target);
  const bool done = DoAccessibleDefaultAction(site.ClassName(), site);
  runtime_.DoEvents();
  return done;
}

}  // namespace vitrelle::model
