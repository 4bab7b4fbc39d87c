#include "controls/check/glaze_check.h"

#include "about/about_box.h"
#include "frame/units.h"

namespace vitrelle {

namespace {
// Design positions of the parts, in twips. The caption's size follows its text.
constexpr float kGlyphLeft = 0;
constexpr float kGlyphTop = 45;
constexpr float kGlyphSize = 195;
constexpr float kCaptionLeft = 270;
constexpr float kCaptionTop = 45;
// The caption is centred only with 30 twips to spare beside it.
constexpr float kCaptionHeadroom = 30;

RectPart& AddGlyph(Surface& surface) { return surface.AddCheckBox("Check1"); }
}  // namespace

// Check1 takes the pointer with the caption; the bare surface between them keeps
// the default one.
GlazeCheck::GlazeCheck(Surface& surface)
    : CaptionedControl(surface, {},
                       {.add_glyph = &AddGlyph, .pointer_on_glyph = true, .caption_headroom = kCaptionHeadroom}),
      check1_(dynamic_cast<CheckBoxPart&>(glyph())) {
  check1_.SetLeft(kGlyphLeft);
  check1_.SetTop(kGlyphTop);
  check1_.SetWidth(kGlyphSize);
  check1_.SetHeight(kGlyphSize);
  caption_label().SetLeft(kCaptionLeft);
  caption_label().SetTop(kCaptionTop);
}

std::unique_ptr<Control> MakeGlazeCheck(Surface& surface) { return std::make_unique<GlazeCheck>(surface); }

// ---------------------------------------------------------------------------
// The setters the caption does not share. The property table reports each change
// after them, whether or not the value changed.

int16_t GlazeCheck::Value() const { return check1_.Value(); }

void GlazeCheck::SetValue(int16_t value) {
  // The grey state of the host's check box is not reachable from here.
  check1_.SetValue(value != 0 ? 1 : 0);
}

int32_t GlazeCheck::hWnd() const { return WindowHandleValue(surface().hWnd()); }

void GlazeCheck::SetEnabled(bool on) {
  enabled_ = on;
  surface().SetEnabled(on);
  check1_.SetEnabled(on);
  caption_label().SetEnabled(on);
}

int32_t GlazeCheck::Appearance() const { return surface().Appearance(); }

void GlazeCheck::SetAppearance(int32_t appearance) {
  const int16_t value = RoundToInteger(appearance);
  surface().SetAppearance(value);
  check1_.SetAppearance(value);
}

void GlazeCheck::DisplayAboutBox() { vitrelle::DisplayAboutBox(surface().GetRuntime()); }

}  // namespace vitrelle
