#include "frame/properties.h"

namespace vitrelle {

Variant DefaultFor(const Persisted& persisted, const Surface& surface) {
  switch (persisted.ambient) {
    case AmbientDefault::kNone: return persisted.default_value;
    case AmbientDefault::kDisplayName: return Variant::String(surface.AmbientDisplayName());
    case AmbientDefault::kFont: return Variant::OfFont(surface.AmbientFont());
    // A container without a font of its own gives the empty defaults.
    case AmbientDefault::kFontSize: {
      const FontPtr font = surface.AmbientFont();
      return Variant::Single(font ? font->Size() : 0);
    }
    case AmbientDefault::kFontName: {
      const FontPtr font = surface.AmbientFont();
      return Variant::String(font ? font->Name() : std::string());
    }
  }
  return persisted.default_value;
}

const Declaration* DeclarationOfChange(std::span<const Declaration* const> declarations, std::string_view changed) {
  for (const Declaration* d : declarations) {
    if (d->assignable && NamesEqual(d->changed, changed)) return d;
  }
  return nullptr;
}

}  // namespace vitrelle
