// The host's own controls, small but real: they paint, take the focus where the
// platform's do, and answer their members by name. Their state is a property bag,
// so whatever a form file gives them is saved back unchanged.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/model/form.h"

namespace vitrelle::model {

enum class HostKind { kOptionButton, kCheckBox, kTextBox, kCommandButton, kLabel, kFrame, kPictureBox };

class HostControl : public Site, public WindowClient {
 public:
  HostControl(Form& form, Site* container, HostKind kind, std::string class_name, std::string name, int index);
  ~HostControl() override;

  HostKind Kind() const { return kind_; }
  bool IsContainer() const override { return kind_ == HostKind::kFrame || kind_ == HostKind::kPictureBox; }
  bool TakesFocus() const override;
  bool HasTabStop() const override { return TakesFocus(); }
  bool Enabled() const override;
  void SetEnabled(bool on) override;
  void ReceiveFocus(Part*) override;
  void LoseFocus(Part*) override;
  void Click(std::string_view part, float x, float y, bool double_click) override;
  void Key(std::string_view part, bool down, int16_t key_code, int16_t shift) override;
  void KeyPress(std::string_view part, int16_t key_ascii) override;
  void ReadFrom(PropertyBag& bag) override;
  void InitNew() override;
  void WriteTo(PropertyBag& bag) override;
  void CreateWindowIn(Handle parent, const Rect& pixels) override;
  Handle ChildWindow() const override { return window_; }

  // Typed access to the control's state (tests and the option group).
  Variant Property(std::string_view name) const;
  void SetProperty(std::string_view name, const Variant& value);

  void Paint(Canvas& canvas) override;

 protected:
  Variant InvokeOwn(std::string_view member, InvokeKind kind, std::span<Variant> args) override;
  bool IsOwnType(std::string_view type_name) const override;

 private:
  struct Member {
    std::string_view name;
    Variant default_value;
  };
  const Member* FindMember(std::string_view name) const;
  void RaiseHostEvent(std::string_view event);
  void UserClick();

  HostKind kind_;
  std::vector<Member> members_;
  ModelPropertyBag state_;
};

// Creates a host control of `class_name`, or null for a class that is not one.
std::shared_ptr<Site> MakeHostControl(Form& form, Site* container, std::string_view class_name, std::string name,
                                      int index);

}  // namespace vitrelle::model
