// The script driver over a model-host form: what `vitrelle run` uses to load a form,
// drive it and write its log.
#pragma once

#include <memory>
#include <string>

#include "hosts/model/form.h"
#include "hosts/model/runtime.h"
#include "script/driver.h"

namespace vitrelle::model {

class ModelDriver : public script::Driver {
 public:
  // Loads `form_path` when the script starts.
  ModelDriver(ModelRuntime& runtime, std::string form_path);
  // Drives a form that is already loaded.
  ModelDriver(ModelRuntime& runtime, std::shared_ptr<Form> form);
  ~ModelDriver() override;

  Form* GetForm() const { return form_.get(); }

  void SetLog(script::ScriptLog* log) override;
  void Load(bool design) override;
  void Show() override;
  void Deactivate() override;
  void Activate() override;
  void Wait(int64_t ms) override;
  int64_t Now() const override;
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
  script::AccessibleReading ReadAccessible(const script::Target& target) override;
  bool DoAccessibleAction(const script::Target& target) override;
  void SetNextStatement(std::function<bool()> next) override { runtime_.SetModalStep(std::move(next)); }

 private:
  // The modal form on top, null when none is open.
  ModelModalForm* Modal() const;
  // A modal form keeps the user away from the form beneath it.
  void RefuseInputBeneath(const script::Target& target) const;
  Form& TheForm() const;
  Site& SiteOf(const script::Target& target) const;
  // The library control a target names, for what assistive technology reaches.
  LibrarySite& AccessibleSite(const script::Target& target) const;
  // The object a target names: the form, a control's extender, or a part.
  DispatchPtr Resolve(const script::Target& target) const;

  ModelRuntime& runtime_;
  std::string form_path_;
  std::shared_ptr<Form> form_;
};

// A late-bound view of a constituent part (Caption, Value, Visible, Left, ...), for
// scripts that read or set a part directly.
DispatchPtr PartDispatch(Part& part);

}  // namespace vitrelle::model
