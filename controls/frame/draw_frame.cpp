// The border and the caption. The frame draws nothing itself: it shows, colours
// and places ten line parts and moves the caption label, and the host paints them
// over the frame's background. Twips throughout; t is one pixel.
#include "controls/frame/glaze_frame.h"

#include "frame/units.h"

namespace vitrelle {

namespace {
constexpr OleColor kShadow = 0x80000010;     // button shadow
constexpr OleColor kHighlight = 0x80000014;  // button highlight
constexpr OleColor kBlack = 0x000000;
constexpr OleColor kGrey = 0x808080;
// The caption sits this many pixels in from the edge it is aligned to; at the
// right one more, so that it ends where a left-aligned one would begin.
constexpr int32_t kCaptionInset = 9;

using Edge = GlazeFrame::Edge;

void Place(LinePart& line, double x1, double y1, double x2, double y2) {
  line.SetX1(static_cast<float>(x1));
  line.SetX2(static_cast<float>(x2));
  line.SetY1(static_cast<float>(y1));
  line.SetY2(static_cast<float>(y2));
}
}  // namespace

void GlazeFrame::DrawFrame() {
  LinePart& top_l0 = Line(Edge::kTopLeft, 0);
  LinePart& top_l1 = Line(Edge::kTopLeft, 1);
  LinePart& top_r0 = Line(Edge::kTopRight, 0);
  LinePart& top_r1 = Line(Edge::kTopRight, 1);
  LinePart& left0 = Line(Edge::kLeft, 0);
  LinePart& left1 = Line(Edge::kLeft, 1);
  LinePart& right0 = Line(Edge::kRight, 0);
  LinePart& right1 = Line(Edge::kRight, 1);
  LinePart& bottom0 = Line(Edge::kBottom, 0);
  LinePart& bottom1 = Line(Edge::kBottom, 1);

  if (border_style_ != kBorderFixedSingle) {
    for (LinePart* line : {&top_l0, &top_l1, &top_r0, &top_r1, &left0, &left1, &right0, &right1, &bottom0, &bottom1})
      line->SetVisible(false);
    return;
  }

  // The single line is one of each pair; the etched look adds the other.
  for (LinePart* line : {&top_l1, &top_r1, &bottom1, &left0, &right0}) line->SetVisible(true);
  LinePart* const second[] = {&top_l0, &top_r0, &bottom0, &left1, &right1};
  if (enabled_ && appearance_ == kAppearance3D) {
    // Shadow outside and highlight inside at the top and left, the other way round
    // at the bottom and right: an edge cut into the surface.
    top_l0.SetBorderColor(kShadow);
    top_l1.SetBorderColor(kHighlight);
    top_r0.SetBorderColor(kShadow);
    top_r1.SetBorderColor(kHighlight);
    left0.SetBorderColor(kShadow);
    left1.SetBorderColor(kHighlight);
    right0.SetBorderColor(kHighlight);
    right1.SetBorderColor(kShadow);
    bottom0.SetBorderColor(kHighlight);
    bottom1.SetBorderColor(kShadow);
    for (LinePart* line : second) line->SetVisible(true);
  } else {
    // A disabled frame is a single grey line in either look.
    const OleColor colour = enabled_ ? kBlack : kGrey;
    for (LinePart* line : {&top_l1, &top_r1, &left0, &right0, &bottom1}) line->SetBorderColor(colour);
    for (LinePart* line : second) line->SetVisible(false);
  }

  const double w = surface().Width();
  const double h = surface().Height();
  const int32_t t = RoundToLong(runtime().TwipsPerPixelX());
  const double inset = RoundToInteger(kCaptionInset * t);
  const double caption_width = lbl_caption_.Width();
  double caption_left = inset;
  if (caption_alignment_ == kCaptionCentred) {
    caption_left = (w - caption_width) / 2;
  } else if (caption_alignment_ == kCaptionRight) {
    caption_left = w - caption_width - inset - t;
  }
  lbl_caption_.SetLeft(static_cast<float>(caption_left));
  lbl_caption_.SetTop(0);

  // The top border runs through the caption's middle and is cut over its width.
  const int32_t m = RoundToLong(lbl_caption_.Height()) / 2;
  const double l = lbl_caption_.Left();
  const double wc = lbl_caption_.Width();
  if (top_l0.Visible()) {
    Place(top_l0, 0, m, l, m);
    Place(top_l1, 0, m + t, l, m + t);
    Place(top_r0, l + wc, m, w - t, m);
    Place(top_r1, l + wc, m + t, w - 2 * t, m + t);
    Place(left0, 0, m, 0, h - t);
    Place(left1, t, m + t, t, h);
    Place(bottom0, 0, h - t, w, h - t);
    Place(bottom1, 0, h - 2 * t, w - t, h - 2 * t);
    Place(right0, w - t, m + t, w - t, h - t);
    Place(right1, w - 2 * t, m, w - 2 * t, h);
  } else {
    Place(top_l1, 0, m, l, m);
    Place(top_r1, l + wc, m, w, m);
    Place(left0, 0, m, 0, h);
    Place(bottom1, 0, h - t, w, h - t);
    Place(right0, w - t, m, w - t, h);
  }

  // Without a caption the cut closes: the left pieces run on to where the right
  // ones begin.
  if (caption_.empty()) {
    if (top_l0.Visible()) top_l0.SetX2(top_r0.X1());
    top_l1.SetX2(top_r1.X1());
  }
}

}  // namespace vitrelle
