// The model host's display: an in-memory screen of real pixels with a window tree.
// Windows paint clipped as on the platform (children and siblings above are
// excluded, window regions respected) when the paint pass that DoEvents runs reaches
// their invalid area. What a hidden window's area shows is therefore what its parent
// painted there, exactly as window capture expects. Each top-level window paints into
// a surface of its own, which the screen shows stacked in z-order (as the platform's
// window surfaces under the test display do): a window context reads its top-level
// window's surface, so another top-level window in front does not get into a capture.
//
// Coordinates are pixels. Colours are plain 0x00BBGGRR (OleColor without the system
// bit; resolve system colours before drawing).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frame/color.h"
#include "frame/host.h"

namespace vitrelle::model {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  Rect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
  Rect Intersect(const Rect& o) const;
  Rect Union(const Rect& o) const;  // bounding box; an empty side is ignored
  bool operator==(const Rect&) const = default;
};

// A true-colour image in memory, 0x00BBGGRR per pixel, row by row from the top.
class Bitmap {
 public:
  Bitmap() = default;
  Bitmap(int width, int height, OleColor fill = 0);
  int Width() const { return width_; }
  int Height() const { return height_; }
  OleColor At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
  void Set(int x, int y, OleColor c) { pixels_[static_cast<size_t>(y) * width_ + x] = c; }
  std::vector<OleColor>& Pixels() { return pixels_; }
  const std::vector<OleColor>& Pixels() const { return pixels_; }
  // The bitmap at another size, each pixel taken from the one it falls on (the
  // platform's colour-on-colour stretch).
  Bitmap Scaled(int width, int height) const;

 private:
  int width_ = 0, height_ = 0;
  std::vector<OleColor> pixels_;
};

// The look of text. The name resolves to a font file as the platform resolves it.
struct FontSpec {
  std::string name = "MS Sans Serif";
  float size = 8.25f;  // points
  bool bold = false, italic = false, underline = false, strikethrough = false;
};

struct TextExtent {
  int width = 0, height = 0;  // pixels; height is the line height
};

// Measures text: the same answer on every machine for the same input. The standard
// font (8.25 pt) gives a one-line height of 13 pixels at 96 dpi.
TextExtent MeasureText(std::string_view utf8, const FontSpec& font);

class Screen;

// Drawing into one window. Origin at the window's outer top left corner; the client
// area starts at ClientOrigin(). Everything is clipped to the pixels the window
// owns on the screen and to the area being painted.
class Canvas {
 public:
  virtual ~Canvas() = default;
  virtual int ClientLeft() const = 0;
  virtual int ClientTop() const = 0;
  virtual void SetPixel(int x, int y, OleColor c) = 0;
  virtual void FillRect(const Rect& r, OleColor c) = 0;
  // A line as the platform draws it: the end point is not drawn; `width` pixels wide.
  virtual void Line(int x1, int y1, int x2, int y2, OleColor c, int width = 1) = 0;
  // Rectangle or ellipse inscribed in `bounds`: filled when `fill` is given, outlined
  // when `outline` is given.
  virtual void Rectangle(const Rect& bounds, std::optional<OleColor> fill, std::optional<OleColor> outline,
                         int outline_width = 1) = 0;
  virtual void Ellipse(const Rect& bounds, std::optional<OleColor> fill, std::optional<OleColor> outline,
                       int outline_width = 1) = 0;
  virtual void DrawBitmap(const Bitmap& bitmap, int x, int y) = 0;
  // Draws a picture object of this host (its bitmap through the GDI model).
  virtual void DrawPicture(const Picture& picture, int x, int y) = 0;
  // The same, stretched to fill `bounds`.
  virtual void DrawPicture(const Picture& picture, const Rect& bounds) = 0;
  // Every pixel that DrawPicture(picture, x, y) sets, as far as the clip lets it: a
  // background under it need not be painted there first. None when it draws nothing.
  virtual std::optional<Rect> PictureCover(const Picture& picture, int x, int y) = 0;
  // Text with its top left corner at (x, y); the line's height is MeasureText's.
  virtual void DrawText(int x, int y, std::string_view utf8, const FontSpec& font, OleColor c) = 0;
};

// What a window is: it paints itself when asked.
class WindowClient {
 public:
  virtual ~WindowClient() = default;
  virtual void Paint(Canvas& canvas) = 0;
};

enum class PixelMode { kTrueColor, kPalette8 };

// What the screen shows where no window is.
inline constexpr OleColor kDesktopColor = Rgb(0, 128, 128);

class Screen {
 public:
  Screen(int width, int height, PixelMode mode = PixelMode::kTrueColor);
  ~Screen();
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;

  int Width() const;
  int Height() const;
  PixelMode Mode() const;

  // A window at `rect` in its parent's client coordinates (screen coordinates for a
  // top-level window, parent 0), with a frame `border` pixels thick around its client
  // area. New windows are hidden and on top of their siblings.
  Handle CreateWindow(Handle parent, const Rect& rect, int border, WindowClient* client);
  void DestroyWindow(Handle window);  // and its children
  bool IsWindow(Handle window) const;
  Handle Parent(Handle window) const;
  std::vector<Handle> Children(Handle window) const;  // bottom to top

  void MoveWindow(Handle window, const Rect& rect);
  Rect WindowRect(Handle window) const;        // in parent client coordinates
  Rect ScreenRect(Handle window) const;        // outer rectangle on the screen
  Rect ClientScreenRect(Handle window) const;  // client area on the screen
  int Border(Handle window) const;

  // Showing or hiding invalidates what the change uncovers or covers.
  void ShowWindow(Handle window, bool visible);
  bool IsVisibleFlag(Handle window) const;   // the window's own flag
  bool IsWindowVisible(Handle window) const;  // its flag and every ancestor's
  void BringToTop(Handle window);

  // What the window's pixels show from the moment it gains them (uncovered by a
  // sibling or a child hidden, moved or destroyed) until it paints them: the platform's
  // background erase. White unless set; none leaves the pixels as they were.
  void SetEraseColor(Handle window, std::optional<OleColor> color);

  // A transparent window shows its parent beneath it, as the platform's windowless
  // controls do: before the window paints, its parent paints again onto the window's
  // pixels (in the parent's own coordinates), and whatever invalidates the parent
  // there invalidates the window too. Only the parent's own painting shows through,
  // not its other children, which a windowless control would lie beneath anyway.
  void SetTransparent(Handle window, bool transparent);

  // A window region in window coordinates (a mask the size of the window's outer
  // rectangle; true = part of the window), or none for the whole rectangle.
  void SetWindowRegion(Handle window, std::optional<std::vector<bool>> mask);

  // Marks an area of the window (window coordinates; the whole window when none)
  // for painting by the next paint pass.
  void Invalidate(Handle window, std::optional<Rect> area = std::nullopt);
  bool HasPendingPaint() const;
  // Paints every invalid area, parents before children, each window clipped to what
  // it owns on the screen.
  void PaintPending();
  // Paints the invalid area of one window and of its descendants now, before the
  // next paint pass (the platform's UpdateWindow).
  void UpdateWindow(Handle window);

  // Draws into a window's pixels at once, outside any paint pass, as a device context
  // of the window does: clipped to the pixels the window owns, and nothing for a
  // window that is not visible. Nothing keeps what is drawn; the window's next paint
  // of that area covers it.
  void DrawNow(Handle window, const std::function<void(Canvas&)>& draw);

  // The window that owns a screen pixel (topmost visible, inside its region), 0 if none.
  Handle WindowAt(int x, int y) const;

  // A screen pixel as a colour (through the palette in 8-bit mode).
  OleColor PixelAt(int x, int y) const;
  Bitmap Snapshot(const Rect& screen_rect) const;

  // 8-bit mode: the system palette (256 entries) and the raw index of a pixel.
  const std::vector<PaletteEntry>& SystemPalette() const;
  uint8_t IndexAt(int x, int y) const;

  // The GDI model over this screen (the host interface's Gdi, on these pixels).
  vitrelle::Gdi& GetGdi();

  // Pictures of this host: a bitmap in the GDI model wrapped in an owning picture.
  PicturePtr MakePicture(const Bitmap& image);
  // The pixels of a picture made by this screen's GDI model; none for a foreign one.
  std::optional<Bitmap> PictureBitmap(const Picture& picture) const;
  // Live GDI objects (device contexts, bitmaps, palettes, regions): what a leak test counts.
  size_t LiveGdiObjects() const;
  // Called for every BitBlt whose source is a window device context (a capture),
  // with the source window and the size copied. The model host logs captures by it.
  void SetCaptureObserver(std::function<void(Handle window, int width, int height)> observer);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// PNG files.
bool WritePng(const std::string& path, const Bitmap& bitmap, std::string* error = nullptr);
std::optional<Bitmap> ReadPng(const std::string& path, std::string* error = nullptr);

}  // namespace vitrelle::model
