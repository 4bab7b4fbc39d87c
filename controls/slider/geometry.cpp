// Where the groove, border and thumb go, and the mapping between Value and the
// thumb's position along the axis.
#include <cmath>
#include <cstdint>
#include <limits>

#include "controls/slider/glaze_slider.h"
#include "controls/slider/slider_layout.h"
#include "frame/units.h"

namespace vitrelle {

using namespace slider;

float GlazeSlider::GrooveEnd() const {
  const LinePart& groove = *line_middle_[0];
  return Vertical() ? groove.Y2() : groove.X2();
}

void GlazeSlider::ComputeScale() {
  const float length = Vertical() ? surface().Height() : surface().Width();
  const int64_t span = static_cast<int64_t>(max_) - min_;
  // No range to spread, or one too wide for a Long: keep the last good scale
  // rather than divide by zero or by a wrapped-around span.
  if (span <= 0 || span > std::numeric_limits<int32_t>::max()) return;

  float twips_per_unit = static_cast<float>(static_cast<double>(length - kTotalMargin) / static_cast<double>(span));
  double groove_end = 0;
  if (twips_per_unit <= 0) {
    // Too short for any groove: one twip per unit keeps the input arithmetic finite.
    twips_per_unit = 1.0f;
    groove_end = RoundHalfEven(length - kEndMargin);
  } else {
    groove_end = std::floor(static_cast<double>(twips_per_unit) * static_cast<double>(span)) + kEndMargin;
  }
  twips_per_unit_ = twips_per_unit;
  for (LinePart* line : line_middle_) {
    if (Vertical()) {
      line->SetY2(static_cast<float>(groove_end));
    } else {
      line->SetX2(static_cast<float>(groove_end));
    }
  }
}

void GlazeSlider::PlaceThumb() {
  // Value can lie above Max for a while (after Max is lowered), so the thumb may go
  // past the groove's end; below Min it stays at the start.
  int64_t d = static_cast<int64_t>(value_) - min_;
  if (d < 0) d = 0;
  const float p = static_cast<float>(static_cast<double>(twips_per_unit_) * static_cast<double>(d) + kThumbInset);
  if (Vertical()) {
    picture1_.SetTop(p);
  } else {
    picture1_.SetLeft(p);
  }
  PlaceThumbEdges();
}

void GlazeSlider::ValueFromThumb() {
  if (twips_per_unit_ == 0) return;  // never had a range: the thumb moves, Value does not
  const float p = Vertical() ? picture1_.Top() : picture1_.Left();
  const float units = (p - kThumbInset) / twips_per_unit_;
  const double value = static_cast<double>(min_) + RoundHalfEven(units);
  if (!(value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max())) return;
  value_ = static_cast<int32_t>(value);
  if (value_ < min_) value_ = min_;
  if (value_ > max_) value_ = max_;
  // The thumb stays under the pointer rather than snapping to the rounded Value, so
  // a drag feels continuous.
  PlaceThumbEdges();
  surface().PropertyChanged("Value");
}

int32_t GlazeSlider::ThumbPosFromPointer(float c) const {
  const LinePart& groove = *line_middle_[0];
  const float start = Vertical() ? groove.Y1() : groove.X1();
  const float end = Vertical() ? groove.Y2() : groove.X2();
  const float t = twips_per_unit_;
  // A zone one unit wide at each end lets a pointer that moves in whole pixels
  // still reach Min and Max exactly.
  if (c >= end - t) return RoundToLong(end - kThumbInset);
  if (c <= start + t) return RoundToLong(start - kThumbInset);
  return RoundToLong(c - kThumbInset);
}

void GlazeSlider::MoveThumbAlong(int32_t pos) {
  if (Vertical()) {
    picture1_.SetTop(static_cast<float>(pos));
  } else {
    picture1_.SetLeft(static_cast<float>(pos));
  }
}

void GlazeSlider::ApplyThumbShape() {
  switch (slider_shape_) {
    case 0: picture1_.SetShape(ShapeKind::kRectangle); break;
    case 1: picture1_.SetShape(ShapeKind::kOval); break;
    default:
      // A shape the slider does not know leaves the thumb as it is.
      PlaceThumbEdges();
      return;
  }
  picture1_.SetLeft(kThumbInset);
  picture1_.SetTop(kThumbInset);
  picture1_.SetWidth(Vertical() ? kThumbBreadth : kThumbLength);
  picture1_.SetHeight(Vertical() ? kThumbLength : kThumbBreadth);
  PlaceThumbEdges();
}

void GlazeSlider::PlaceThumbEdges() {
  // The edge lines are kept hidden: the thumb's own outline already bounds it, and a
  // light edge on one side only would make the thumb look lopsided in a vertical
  // slider. They follow a rectangular thumb so that showing them stays a one-line
  // change.
  if (slider_shape_ != 0) {
    line1_.SetVisible(false);
    line2_.SetVisible(false);
    line3_.SetVisible(false);
    return;
  }
  const float left = picture1_.Left();
  const float top = picture1_.Top();
  const float width = picture1_.Width();
  const float height = picture1_.Height();
  line1_.SetX1(left);
  line1_.SetY1(top);
  line1_.SetX2(left);
  line1_.SetY2(top + height);
  const float inner_right = left + width - kThumbEdgeInset;
  line2_.SetX1(inner_right);
  line2_.SetY1(top);
  line2_.SetX2(inner_right);
  line2_.SetY2(top + height);
  line3_.SetX1(left);
  line3_.SetY1(top);
  line3_.SetX2(left + width);
  line3_.SetY2(top);
}

void GlazeSlider::ApplyBorder() {
  const bool visible = border_style_ != 0;
  line_top_.SetVisible(visible);
  line_bottom_.SetVisible(visible);
  line_left_.SetVisible(visible);
  line_right_.SetVisible(visible);
  // The copied background still shows the old border's pixels beneath the control.
  Refresh();
}

void GlazeSlider::ApplyThumbColor() { picture1_.SetFillColor(enabled_ ? slider_color_ : kDisabledThumb); }

void GlazeSlider::LayGrooveAcross() {
  // Only the near end and the across position: the far end is ComputeScale's, so a
  // range it cannot scale (a span of 0, or one too wide for a Long) leaves the far
  // end where the old axis had it.
  for (size_t i = 0; i < line_middle_.size(); ++i) {
    LinePart& line = *line_middle_[i];
    const float across = kGroove[i].across;
    if (Vertical()) {
      line.SetY1(kGrooveStart);
      line.SetX1(across);
      line.SetX2(across);
    } else {
      line.SetX1(kGrooveStart);
      line.SetY1(across);
      line.SetY2(across);
    }
  }
}

// 285 twips are 19 pixels at 96 dpi but 28.5 at 144: the container places the window
// on whole pixels and reports the rounded size, which Resize would set back to 285
// and the container round again, back and forth. The thickness is therefore kept in
// whole pixels of the display.
float GlazeSlider::Thickness(bool vertical) const {
  Runtime& r = runtime();
  const float tpp = vertical ? r.TwipsPerPixelX() : r.TwipsPerPixelY();
  return static_cast<float>(PixelCoordinate(kThickness, tpp)) * tpp;
}

void GlazeSlider::SwapLengthOntoAxis() {
  // Each size change comes back through Resize, which keeps the thickness.
  Surface& s = surface();
  if (Vertical()) {
    s.SetHeight(s.Width());
    s.SetWidth(Thickness(true));
  } else {
    s.SetWidth(s.Height());
    s.SetHeight(Thickness(false));
  }
}

void GlazeSlider::Resize() {
  Surface& s = surface();
  // The host reports only a real change of size, so the Resize this brings about
  // finds the thickness right and goes no deeper.
  if (Vertical()) {
    s.SetWidth(Thickness(true));
  } else {
    s.SetHeight(Thickness(false));
  }

  const float w = static_cast<float>(RoundToLong(s.Width()));
  line_top_.SetX2(w);
  line_bottom_.SetX2(w);
  line_right_.SetX1(w - kBorderInset);
  line_right_.SetX2(w);

  const float h = static_cast<float>(RoundToLong(s.Height()));
  line_left_.SetY2(h);
  line_right_.SetY2(h);
  line_bottom_.SetY1(h - kBorderInset);
  line_bottom_.SetY2(h);

  ComputeScale();
  // Through the setter: a Value left above a lowered Max (or below a raised Min) is
  // brought back into range here.
  Assign("value", Variant::Long(value_));
}

}  // namespace vitrelle
