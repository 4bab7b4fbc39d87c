// The canvas a window paints on: straight into the screen's frame buffer, clipped to
// the pixels the window owns and to the area being painted.
#pragma once

#include "hosts/model/gdi_model.h"
#include "hosts/model/screen.h"
#include "hosts/model/screen_internal.h"

namespace vitrelle::model::internal {

class WindowCanvas final : public Canvas {
 public:
  // `clip` is in screen coordinates.
  WindowCanvas(ScreenCore& core, GdiModel& gdi, Handle window, const Rect& clip);

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
  void DrawText(int x, int y, std::string_view utf8, const FontSpec& font, OleColor c) override;

  // Window coordinates.
  void Plot(int x, int y, OleColor c) {
    const int sx = x + origin_x_, sy = y + origin_y_;
    if (Writable(sx, sy)) core_.Put(sx, sy, c);
  }
  void Blend(int x, int y, OleColor c, unsigned alpha);

 private:
  bool Writable(int sx, int sy) const { return clip_.Contains(sx, sy) && core_.OwnerAt(sx, sy) == window_; }

  ScreenCore& core_;
  GdiModel& gdi_;
  Handle window_;
  Rect clip_;
  int origin_x_ = 0, origin_y_ = 0;
  int border_ = 0;
};

}  // namespace vitrelle::model::internal
