// The model host's font object. Parts that share one object see each other's
// changes, as they do with the platform's font objects.
#pragma once

#include <string>
#include <string_view>

#include "frame/host.h"
#include "hosts/model/screen.h"

namespace vitrelle::model {

class ModelFont : public Font {
 public:
  ModelFont() = default;
  explicit ModelFont(FontSpec spec) : spec_(std::move(spec)) {}

  std::string Name() const override { return spec_.name; }
  void SetName(std::string_view name) override;  // empty: 380
  float Size() const override { return spec_.size; }
  void SetSize(float points) override;  // outside 1..2048: 380
  bool Bold() const override { return spec_.bold; }
  void SetBold(bool on) override { spec_.bold = on; }
  bool Italic() const override { return spec_.italic; }
  void SetItalic(bool on) override { spec_.italic = on; }
  bool Underline() const override { return spec_.underline; }
  void SetUnderline(bool on) override { spec_.underline = on; }
  bool Strikethrough() const override { return spec_.strikethrough; }
  void SetStrikethrough(bool on) override { spec_.strikethrough = on; }
  FontPtr Clone() const override;

  const FontSpec& Spec() const { return spec_; }

 private:
  FontSpec spec_;
};

// The look of any font object (the standard font for none).
FontSpec SpecOf(const Font* font);
FontPtr MakeFont(const FontSpec& spec);

}  // namespace vitrelle::model
