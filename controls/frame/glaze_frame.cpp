#include "controls/frame/glaze_frame.h"

#include "about/about_box.h"

#include "frame/color.h"
#include "frame/units.h"

namespace vitrelle {

namespace {
constexpr int32_t kTimer3Interval = 150;
constexpr std::string_view kDesignCaption = " Label1 ";

// The line arrays in the order Edge names them.
constexpr std::string_view kLineNames[] = {"linTopL", "linTopR", "linLeft", "linRight", "linBottom"};
}  // namespace

// The frame never takes the focus itself, so it has no focus-return timer; nor
// does it draw focus marks, so its captures leave the library's capture flag to
// the controls that do. A hidden frame refreshed for its children stays hidden.
GlazeFrame::GlazeFrame(Surface& surface)
    : TrackedControl(surface, {.with_timer2 = false, .marks_capture = false, .keeps_visibility = true}),
      lbl_caption_(surface.AddLabel("lblCaption")),
      timer3_(surface.AddTimer("Timer3")),
      font_(surface, lbl_caption_) {
  lbl_caption_.SetCaption(kDesignCaption);
  for (size_t edge = 0; edge < lines_.size(); ++edge) {
    for (int i = 0; i < 2; ++i) lines_[edge][static_cast<size_t>(i)] = &surface.AddLine(kLineNames[edge], i);
  }
  timer3_.SetInterval(kTimer3Interval);
  timer3_.SetEnabled(false);
}

std::unique_ptr<Control> MakeGlazeFrame(Surface& surface) { return std::make_unique<GlazeFrame>(surface); }

LinePart& GlazeFrame::Line(Edge edge, int index) const {
  return *lines_[static_cast<size_t>(edge)][static_cast<size_t>(index)];
}

// ---------------------------------------------------------------------------
// Setters. The property table reports each change after them, whether or not the
// value changed.

int32_t GlazeFrame::hWnd() const { return WindowHandleValue(surface().hWnd()); }

void GlazeFrame::SetEnabled(bool on) {
  enabled_ = on;
  // A designer keeps the frame's window enabled so that controls can still be
  // placed in it; only the look changes there.
  if (UserMode()) surface().SetEnabled(on);
  lbl_caption_.SetEnabled(on);
  DrawFrame();
}

DispatchPtr GlazeFrame::Controls() const { return surface().ContainedControls(); }

OleColor GlazeFrame::BackColor() const { return surface().BackColor(); }

void GlazeFrame::SetBackColor(OleColor color) {
  surface().SetBackColor(color);
  lbl_caption_.SetBackColor(color);
}

OleColor GlazeFrame::ForeColor() const { return surface().ForeColor(); }

void GlazeFrame::SetForeColor(OleColor color) {
  surface().SetForeColor(color);
  lbl_caption_.SetForeColor(color);
}

void GlazeFrame::SetBackStyle(int32_t style) {
  // Stored only once the caption took it: a value it refuses, kept here, would be
  // saved with the form and fail the form's next load.
  lbl_caption_.SetBackStyle(RoundToInteger(style));
  back_style_ = style;
  if (style == kBackStyleOpaque) {
    lbl_caption_.SetBackColor(BackColor());
    lbl_caption_.SetForeColor(ForeColor());
  } else if (style == kBackStyleTransparent) {
    Refresh();
  }
}

void GlazeFrame::SetCaptionAlignment(int32_t alignment) {
  caption_alignment_ = alignment;
  DrawFrame();
}

void GlazeFrame::SetBorderStyle(int32_t style) {
  border_style_ = style;
  ShowCaptionByRule();
  DrawFrame();
}

// The label carries a space on either side of the text, which the border's cut
// then leaves clear; Caption answers the text alone.
void GlazeFrame::SetCaption(std::string_view text) {
  caption_ = text;
  lbl_caption_.SetCaption(" " + caption_ + " ");
  DrawFrame();
}

void GlazeFrame::SetAppearance(int32_t appearance) {
  appearance_ = appearance;
  DrawFrame();
}

void GlazeFrame::SetFont(FontPtr font) {
  font_.Set(std::move(font));
  DrawFrame();
}

// Underline, strikethrough and transparency leave the caption's size alone; the
// other attributes change it, and the border's cut follows.
void GlazeFrame::SetFontSize(float points) {
  font_.SetSize(points);
  IgnoreErrors([&] { DrawFrame(); });
}

void GlazeFrame::SetFontName(std::string_view name) {
  font_.SetName(name);
  IgnoreErrors([&] { DrawFrame(); });
}

void GlazeFrame::SetFontItalic(bool on) {
  font_.SetItalic(on);
  DrawFrame();
}

void GlazeFrame::SetFontBold(bool on) {
  font_.SetBold(on);
  DrawFrame();
}

PicturePtr GlazeFrame::MouseIcon() const { return surface().MouseIcon(); }

void GlazeFrame::SetMouseIcon(PicturePtr icon) { surface().SetMouseIcon(std::move(icon)); }

int32_t GlazeFrame::MousePointer() const { return surface().MousePointer(); }

void GlazeFrame::SetMousePointer(int32_t pointer) { surface().SetMousePointer(MousePointerValue(pointer)); }

void GlazeFrame::DisplayAboutBox() { vitrelle::DisplayAboutBox(surface().GetRuntime()); }

}  // namespace vitrelle
