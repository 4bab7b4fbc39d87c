// The first state of a GlazeFrame: a new one (InitProperties) or a saved one
// (ReadProperties, eighteen keys read in one order and written in another). Each
// key is read back through its property's setter, so that the layout follows; the
// loading flag keeps those setters from taking a copy of a background that the
// form has not painted yet.
#include "controls/frame/glaze_frame.h"

#include "frame/errors.h"

namespace vitrelle {

void GlazeFrame::Initialize() {
  enabled_ = true;
  border_style_ = kBorderFixedSingle;
}

void GlazeFrame::InitProperties() {
  // A copy, so that the frame's font attributes never reach the container's own
  // font through a shared object. The caption keeps the font it was made with
  // until a font property is first assigned.
  if (const FontPtr ambient = surface().AmbientFont()) surface().SetFont(ambient->Clone());
  Assign("Caption", Variant::String(surface().AmbientDisplayName()));
  Assign("BackColor", FromOleColor(kColorButtonFace));
  Assign("ForeColor", FromOleColor(kColorButtonText));
  Assign("BackStyle", Variant::Long(kBackStyleTransparent));
  Assign("CaptionAlignment", Variant::Long(0));
  Assign("BorderStyle", Variant::Long(kBorderFixedSingle));
  Assign("Appearance", Variant::Long(kAppearance3D));
}

void GlazeFrame::RestoreFont(GlazeFrame& self, const Variant& saved) {
  // What is assigned is the saved font's default member, its face.
  std::string face;
  if (saved.type() == VarType::kFont) {
    const FontPtr font = saved.ToFont();
    if (!font) Raise(err::kObjectNotSet);
    face = font->Name();
  } else {
    face = saved.ToString();
  }
  self.font_.SurfaceFont().SetName(face);
}

void GlazeFrame::ReadProperties(PropertyBag& bag) {
  loading_ = true;
  try {
    ReadInOrder(*this, Properties(), bag, surface());
  } catch (...) {
    // A frame that stays half loaded must still answer Refresh.
    loading_ = false;
    throw;
  }
  loading_ = false;
  TakeParent();
  // A frame inside another waits for the form to be painted before it copies;
  // the outer frame then refreshes it with the rest of its children.
  if (UserMode() && ContainerIsGlazeFrame() && back_style_ == kBackStyleTransparent) timer1().SetEnabled(true);
}

void GlazeFrame::WriteProperties(PropertyBag& bag) { WriteInOrder(*this, Properties(), bag, surface()); }

}  // namespace vitrelle
