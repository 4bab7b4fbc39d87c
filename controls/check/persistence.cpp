// The persisted state of a GlazeCheck: seventeen keys, written and read in one
// order (the property table's), each read back through its property setter so that
// the setter's side effects (layout, a capture for a transparent control) happen as
// they would for a value set from code.
#include "controls/check/glaze_check.h"

namespace vitrelle {

void GlazeCheck::InitProperties() {
  Assign("Caption", Variant::String(surface().AmbientDisplayName()));
  Assign("value", Variant::Integer(0));
  // Fields only: the parts keep their design look until the properties are next
  // read, which is what a newly placed control shows in the designer.
  SetFieldsOnly(kBackStyleTransparent, kColorButtonFace, kColorButtonText);
  enabled_ = true;
  // A copy, so that the control's font attributes never reach the container's
  // own font through a shared object.
  if (const FontPtr ambient = surface().AmbientFont()) surface().SetFont(ambient->Clone());
  Assign("MousePointer", Variant::Long(0));
}

void GlazeCheck::ReadProperties(PropertyBag& bag) {
  ReadInOrder(*this, Properties(), bag, surface());
  TakeParent();
}

void GlazeCheck::WriteProperties(PropertyBag& bag) { WriteInOrder(*this, Properties(), bag, surface()); }

}  // namespace vitrelle
