// The persisted state of a GlazeRadio: seventeen keys, written and read in one
// order (the property table's), each read back through its property setter so that
// the setter's side effects (layout, the selection in the group, a capture for a
// transparent control) happen as they would for a value set from code.
#include "controls/radio/glaze_radio.h"

namespace vitrelle {

void GlazeRadio::InitProperties() {
  Assign("Caption", Variant::String(surface().AmbientDisplayName()));
  Assign("value", Variant::Boolean(false));
  // Fields only: the parts keep their design look until the properties are next
  // read, which is what a newly placed control shows in the designer. The mark
  // keeps the 3D look it starts with.
  SetFieldsOnly(kBackStyleTransparent, kColorButtonFace, kColorButtonText);
  enabled_ = true;
  // A copy, so that the control's font attributes never reach the container's
  // own font through a shared object.
  if (const FontPtr ambient = surface().AmbientFont()) surface().SetFont(ambient->Clone());
  Assign("MousePointer", Variant::Long(0));
}

void GlazeRadio::ReadProperties(PropertyBag& bag) {
  ReadInOrder(*this, Properties(), bag, surface());
  TakeParent();
}

void GlazeRadio::WriteProperties(PropertyBag& bag) { WriteInOrder(*this, Properties(), bag, surface()); }

}  // namespace vitrelle
