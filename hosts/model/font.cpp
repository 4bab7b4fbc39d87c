#include "hosts/model/font.h"

#include "frame/font_rules.h"

namespace vitrelle::model {

void ModelFont::SetName(std::string_view name) {
  CheckFontName(name);
  spec_.name = std::string(name);
}

void ModelFont::SetSize(float points) {
  CheckFontSize(points);
  spec_.size = points;
}

FontPtr ModelFont::Clone() const { return std::make_shared<ModelFont>(spec_); }

FontSpec SpecOf(const Font* font) {
  if (!font) return FontSpec{};
  if (auto* model = dynamic_cast<const ModelFont*>(font)) return model->Spec();
  FontSpec spec;
  spec.name = font->Name();
  spec.size = font->Size();
  spec.bold = font->Bold();
  spec.italic = font->Italic();
  spec.underline = font->Underline();
  spec.strikethrough = font->Strikethrough();
  return spec;
}

FontPtr MakeFont(const FontSpec& spec) { return std::make_shared<ModelFont>(spec); }

}  // namespace vitrelle::model
