#include <algorithm>
#include <cstdlib>

#include "hosts/model/canvas_internal.h"
#include "hosts/model/text_internal.h"

namespace vitrelle::model::internal {

namespace {

// Grey-level coverage over what is already there, rounded the same way everywhere.
OleColor Mix(OleColor under, OleColor over, unsigned alpha) {
  auto channel = [alpha](unsigned d, unsigned s) { return (d * (255 - alpha) + s * alpha + 127) / 255; };
  return Rgb(static_cast<uint8_t>(channel(RedOf(under), RedOf(over))),
             static_cast<uint8_t>(channel(GreenOf(under), GreenOf(over))),
             static_cast<uint8_t>(channel(BlueOf(under), BlueOf(over))));
}

Rect Deflate(const Rect& r, int by) { return {r.left + by, r.top + by, r.right - by, r.bottom - by}; }

}  // namespace

WindowCanvas::WindowCanvas(ScreenCore& core, GdiModel& gdi, Handle window, const Rect& clip, Handle coordinates)
    : core_(core), gdi_(gdi), window_(window) {
  if (const WindowRecord* w = core_.Find(window)) {
    const Rect sr = core_.ScreenRectOf(*w);
    const WindowRecord* frame = coordinates != 0 ? core_.Find(coordinates) : w;
    if (frame == nullptr) frame = w;
    const Rect fr = frame == w ? sr : core_.ScreenRectOf(*frame);
    origin_x_ = fr.left;
    origin_y_ = fr.top;
    border_ = frame->border;
    const WindowRecord& top = core_.TopOf(window);
    top_ = top.handle;
    clip_ = clip.Intersect(sr).Intersect(ScreenCore::SurfaceRect(top));
  }
}

void WindowCanvas::Blend(int x, int y, OleColor c, unsigned alpha) {
  if (alpha == 0) return;
  WindowRecord* top = Top();
  const int sx = x + origin_x_, sy = y + origin_y_;
  if (top == nullptr || !Writable(*top, sx, sy)) return;
  const OleColor under = top->surface->pixels.ColorAt(sx - top->rect.left, sy - top->rect.top);
  core_.PutThrough(*top, sx, sy, alpha >= 255 ? c : Mix(under, c, alpha));
}

void WindowCanvas::BlendRow(int y, int x0, int x1, OleColor c, const uint8_t* alpha, int alpha_left) {
  WindowRecord* top = Top();
  if (top == nullptr) return;
  for (int x = x0; x < x1; ++x) {
    const unsigned a = alpha[x - alpha_left];
    if (a == 0) continue;
    const int sx = x + origin_x_, sy = y + origin_y_;
    if (!Writable(*top, sx, sy)) continue;
    const OleColor under = top->surface->pixels.ColorAt(sx - top->rect.left, sy - top->rect.top);
    core_.PutThrough(*top, sx, sy, a >= 255 ? c : Mix(under, c, a));
  }
}

void WindowCanvas::FillRect(const Rect& r, OleColor c) {
  WindowRecord* top = Top();
  if (top == nullptr) return;
  const Rect area = r.Offset(origin_x_, origin_y_).Intersect(clip_);
  if (area.Empty()) return;
  for (int y = area.top; y < area.bottom; ++y)
    core_.PutRowThrough(*top, y, area.left, area.right, window_, [c](int) { return c; });
}

// Bresenham's line without its last point, as the platform's LineTo. A wider line is
// the same run of points, each stretched across the line's minor axis to `width`
// pixels, centred (the extra pixel of an even width goes above or to the left).
void WindowCanvas::Line(int x1, int y1, int x2, int y2, OleColor c, int width) {
  width = std::max(1, width);
  const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
  const int step_x = x1 < x2 ? 1 : -1, step_y = y1 < y2 ? 1 : -1;
  const bool mostly_horizontal = dx >= -dy;
  const int before = width / 2;
  // A frame's border is lines the frame's whole length, painted again each time a
  // small part of the frame is: walking every point of them cost more than the
  // area painted. A level line is a rectangle of the points it would plot, and a
  // line that cannot reach the clip plots nothing.
  if (dx == 0 && dy == 0) return;
  const int low_x = std::min(x1, x2 + (x2 < x1 ? 1 : 0)), high_x = std::max(x1 + 1, x2);
  const int low_y = std::min(y1, y2 + (y2 < y1 ? 1 : 0)), high_y = std::max(y1 + 1, y2);
  if (dy == 0) {
    FillRect({low_x, y1 - before, high_x, y1 - before + width}, c);
    return;
  }
  if (dx == 0) {
    FillRect({x1 - before, low_y, x1 - before + width, high_y}, c);
    return;
  }
  const Rect reach{std::min(x1, x2) - before, std::min(y1, y2) - before, std::max(x1, x2) - before + width,
                   std::max(y1, y2) - before + width};
  if (reach.Intersect(Visible()).Empty()) return;
  int err = dx + dy;
  int x = x1, y = y1;
  while (x != x2 || y != y2) {
    if (width == 1) {
      Plot(x, y, c);
    } else if (mostly_horizontal) {
      FillRect({x, y - before, x + 1, y - before + width}, c);
    } else {
      FillRect({x - before, y, x - before + width, y + 1}, c);
    }
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += step_x;
    }
    if (e2 <= dx) {
      err += dx;
      y += step_y;
    }
  }
}

// The outline lies inside the bounds, so a shape never paints beyond its rectangle
// whatever its border width.
void WindowCanvas::Rectangle(const Rect& bounds, std::optional<OleColor> fill, std::optional<OleColor> outline,
                             int outline_width) {
  if (bounds.Empty()) return;
  if (fill) FillRect(bounds, *fill);
  if (!outline) return;
  const int w = std::max(1, outline_width);
  const Rect inner = Deflate(bounds, w);
  if (inner.Empty()) {
    FillRect(bounds, *outline);
    return;
  }
  FillRect({bounds.left, bounds.top, bounds.right, inner.top}, *outline);
  FillRect({bounds.left, inner.bottom, bounds.right, bounds.bottom}, *outline);
  FillRect({bounds.left, inner.top, inner.left, inner.bottom}, *outline);
  FillRect({inner.right, inner.top, bounds.right, inner.bottom}, *outline);
}

void WindowCanvas::Ellipse(const Rect& bounds, std::optional<OleColor> fill, std::optional<OleColor> outline,
                           int outline_width) {
  if (bounds.Empty()) return;
  const int w = std::max(1, outline_width);
  const Rect inner = Deflate(bounds, w);
  const Rect visible = bounds.Intersect(clip_.Offset(-origin_x_, -origin_y_));
  for (int y = visible.top; y < visible.bottom; ++y) {
    for (int x = visible.left; x < visible.right; ++x) {
      if (!RoundRectContains(bounds, bounds.Width(), bounds.Height(), x, y)) continue;
      const bool interior = !inner.Empty() && RoundRectContains(inner, inner.Width(), inner.Height(), x, y);
      if (outline && !interior)
        Plot(x, y, *outline);
      else if (fill)
        Plot(x, y, *fill);
    }
  }
}

void WindowCanvas::DrawBitmap(const Bitmap& bitmap, int x, int y) {
  WindowRecord* top = Top();
  if (top == nullptr) return;
  const int left = x + origin_x_, top_y = y + origin_y_;
  const Rect area = Rect{left, top_y, left + bitmap.Width(), top_y + bitmap.Height()}.Intersect(clip_);
  for (int sy = area.top; sy < area.bottom; ++sy) {
    const OleColor* source = bitmap.Pixels().data() + static_cast<size_t>(sy - top_y) * bitmap.Width();
    core_.PutRowThrough(*top, sy, area.left, area.right, window_,
                        [source, left](int sx) { return source[sx - left]; });
  }
}

void WindowCanvas::DrawPicture(const Picture& picture, int x, int y) {
  if (picture.Type() != 1) return;
  // Only what the clip lets show is read out of the picture.
  Rect part = Visible().Offset(-x, -y);
  if (part.Empty()) return;
  // A true-colour bitmap (every copy of a background is one) is read where it lies:
  // copying out the part first cost as much as painting it.
  const auto size = gdi_.BitmapSize(picture.BitmapHandle());
  WindowRecord* top = Top();
  if (const uint32_t* pixels = gdi_.TrueColorPixels(picture.BitmapHandle()); pixels != nullptr && top != nullptr) {
    const int width = size->first;
    const Rect area = part.Intersect({0, 0, width, size->second}).Offset(x + origin_x_, y + origin_y_).Intersect(clip_);
    const int left = x + origin_x_, top_y = y + origin_y_;
    for (int sy = area.top; sy < area.bottom; ++sy) {
      const uint32_t* source = pixels + static_cast<size_t>(sy - top_y) * width;
      core_.PutRowThrough(*top, sy, area.left, area.right, window_,
                          [source, left](int sx) { return source[sx - left]; });
    }
    return;
  }
  if (auto pixels = gdi_.BitmapPixels(picture.BitmapHandle(), picture.PaletteHandle(), part))
    DrawBitmap(*pixels, x + part.left, y + part.top);
}

std::optional<Rect> WindowCanvas::PictureCover(const Picture& picture, int x, int y) {
  if (picture.Type() != 1) return std::nullopt;
  const auto size = gdi_.BitmapSize(picture.BitmapHandle());
  if (!size) return std::nullopt;
  return Rect{x, y, x + size->first, y + size->second};
}

void WindowCanvas::DrawPicture(const Picture& picture, const Rect& bounds) {
  if (picture.Type() != 1 || bounds.Empty()) return;
  if (bounds.Width() == picture.WidthPixels() && bounds.Height() == picture.HeightPixels()) {
    DrawPicture(picture, bounds.left, bounds.top);
    return;
  }
  if (Rect{bounds}.Intersect(Visible()).Empty()) return;
  if (auto pixels = gdi_.BitmapPixels(picture.BitmapHandle(), picture.PaletteHandle()))
    DrawBitmap(pixels->Scaled(bounds.Width(), bounds.Height()), bounds.left, bounds.top);
}

namespace {

class CanvasTextSink final : public TextSink {
 public:
  CanvasTextSink(WindowCanvas& canvas, OleColor color) : canvas_(canvas), color_(color) {}
  void Coverage(int x, int y, int width, int height, const uint8_t* coverage, int pitch) override {
    // Only the rows and columns that can show: a glyph at a large size is millions
    // of pixels, nearly all of them outside a control's window.
    const Rect area = Rect{x, y, x + width, y + height}.Intersect(canvas_.Visible());
    for (int yy = area.top; yy < area.bottom; ++yy)
      canvas_.BlendRow(yy, area.left, area.right, color_, coverage + (yy - y) * pitch, x);
  }
  void Bar(const Rect& r) override { canvas_.FillRect(r, color_); }
  Rect Visible() const override { return canvas_.Visible(); }

 private:
  WindowCanvas& canvas_;
  OleColor color_;
};

}  // namespace

void WindowCanvas::DrawText(int x, int y, std::string_view utf8, const FontSpec& font, OleColor c) {
  if (clip_.Empty()) return;
  CanvasTextSink sink(*this, c);
  RenderText(utf8, font, x, y, sink);
}

}  // namespace vitrelle::model::internal
