// The canvas a window paints on: straight into its top-level window's surface (and
// the screen where that shows), clipped to the pixels the window owns and to the area
// being painted.
#pragma once

#include "hosts/model/gdi_model.h"
#include "hosts/model/screen.h"
#include "hosts/model/screen_internal.h"

namespace vitrelle::model::internal {

class WindowCanvas final : public Canvas {
 public:
  // `clip` is in screen coordinates. Drawing is in the coordinates of `coordinates`
  // when given (an ancestor painting what lies beneath a transparent window), of the
  // window otherwise; either way only the window's own pixels change.
  WindowCanvas(ScreenCore& core, GdiModel& gdi, Handle window, const Rect& clip, Handle coordinates = 0);

  int ClientLeft() const override { return border_; }
  int ClientTop() const override { return border_; }
  void SetPixel(int x, int y, OleColor c) override { Plot(x, y, c); }
  void FillRect(const Rect& r, OleColor c) override;
  void Line(int x1, int y1, int x2, int y2, OleColor c, int width = 1) override;
  void Rectangle(const Rect& bounds, std::optional<OleColor> fill, std::optional<OleColor> outline,
                 int outline_width = 1) override;
  void Ellipse(const Rect& bounds, std::optional<OleColor> fill, std::optional<OleColor> outline,
               int outline_width = 1) override;
  void DrawBitmap(const Bitmap& bitmap, int x, int y) override;
  void DrawPicture(const Picture& picture, int x, int y) override;
  void DrawPicture(const Picture& picture, const Rect& bounds) override;
  std::optional<Rect> PictureCover(const Picture& picture, int x, int y) override;
  void DrawText(int x, int y, std::string_view utf8, const FontSpec& font, OleColor c) override;

  // The clip in window coordinates: nothing outside it can change.
  Rect Visible() const { return clip_.Offset(-origin_x_, -origin_y_); }

  // Window coordinates.
  void Plot(int x, int y, OleColor c) {
    if (WindowRecord* top = Top()) Put(*top, x + origin_x_, y + origin_y_, c);
  }
  void Blend(int x, int y, OleColor c, unsigned alpha);
  // Blend along row y from x0 to x1 (window coordinates), alpha[x - alpha_left] for
  // each x: text is blended a glyph row at a time, the window looked up once a row.
  void BlendRow(int y, int x0, int x1, OleColor c, const uint8_t* alpha, int alpha_left);

 private:
  // The window's top-level record, looked up per drawing call: a client may destroy
  // windows while it paints.
  WindowRecord* Top() const { return core_.Find(top_); }
  bool Writable(const WindowRecord& top, int sx, int sy) const {
    return clip_.Contains(sx, sy) && ScreenCore::OwnerIn(top, sx, sy) == window_;
  }
  void Put(WindowRecord& top, int sx, int sy, OleColor c) {
    if (Writable(top, sx, sy)) core_.PutThrough(top, sx, sy, c);
  }

  ScreenCore& core_;
  GdiModel& gdi_;
  Handle window_;
  Handle top_ = 0;
  Rect clip_;
  int origin_x_ = 0, origin_y_ = 0;
  int border_ = 0;
};

}  // namespace vitrelle::model::internal
