// The user-control surface on Win32. It holds every property of itself and of its
// parts whether or not it has a window: a script may create a control and use it
// without ever placing it on a form. Once a container activates it in place the
// surface gets its child window, paints its windowless parts in WM_PAINT (into a
// back buffer) and gives the check box part a real BUTTON window.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <memory>
#include <string>
#include <vector>

#include "frame/host.h"

namespace vitrelle::activex {

// What the surface needs from the COM object that hosts it.
class SurfaceSite {
 public:
  virtual ~SurfaceSite() = default;
  virtual void FireEvent(std::string_view event, std::span<Variant> args) = 0;
  // The container's extender, or null when the container offers none.
  virtual DispatchPtr ContainerExtender() = 0;
  // The form the control is sited on, or null.
  virtual DispatchPtr ContainerForm() = 0;
  // Whether a container has sited the control at all (a script's object has none).
  virtual bool HasContainer() = 0;
  // Ambient properties; nothing when the container does not answer.
  virtual std::optional<bool> AmbientUserMode() = 0;
  virtual std::optional<std::string> AmbientDisplayName() = 0;
  virtual FontPtr AmbientFont() = 0;
  virtual void OnPropertyChanged(std::string_view property) = 0;
  // The control asked to be shown or hidden (the own extender's Visible).
  virtual void OnVisibleChanged(bool visible) = 0;
  // The control changed its own size (a fixed-height layout, a script's Width) while
  // it has a window: the container should learn the new rectangle.
  virtual void OnSizeChangedByControl() = 0;
  // The surface's own window gained or lost the focus, after the control heard of
  // it. Only a nested control's owner needs this: a container learns it otherwise.
  virtual void OnFocusChanged(bool /*gained*/) {}
  // What the window answers an accessibility client with (a new reference), or
  // null to leave it to the platform.
  virtual IAccessible* NewAccessible(HWND /*window*/) { return nullptr; }
};

class Win32Part;

class Win32Surface : public Surface {
 public:
  Win32Surface();
  ~Win32Surface() override;

  // Connects the control the surface notifies, and the site. Both outlive the
  // surface's use of them.
  void Attach(Control* control, SurfaceSite* site);

  // The window: created on in-place activation as a child of `parent`, destroyed on
  // deactivation. `rect` is in the parent's client pixels.
  bool CreateWindowIn(HWND parent, const RECT& rect);
  void DestroyWindowNow();
  void MoveTo(const RECT& rect);
  // The container gave the control a new size in pixels: the control hears Resize
  // with the twips size, once, and only when the size really changed.
  // The container's size for the control; `notify` false before the control has
  // loaded its properties, which it hears of only once it has (as a form loads a
  // saved control: its extent, then its properties, then Resize).
  void ResizeFromHost(int width_px, int height_px, bool notify = true);
  // The owner of a nested control places it: twips size (Resize when it changed)
  // and the window's rectangle in the owner's client pixels.
  void PlaceInOwner(const RECT& pixels, float width, float height);
  // Shows or hides the window (and the one created later) without telling the site.
  void SetWindowShown(bool shown);
  HWND window() const { return hwnd_; }
  // Paints the whole surface into `dc` at `rect` (IViewObject::Draw).
  void DrawInto(HDC dc, const RECT& rect);
  // The own extender's Visible; the window follows it.
  bool ShownFlag() const { return shown_; }
  void SetShownFlag(bool shown);

  // The part named `name` (without regard to case): its rectangle in the client
  // pixels it is painted and hit-tested at, and its own window or null. False
  // for no such part, or one that covers no area.
  bool FindPartPlace(std::string_view name, RECT* pixels, HWND* window) const;

  // Sizes in device pixels of the current twips size.
  int PixelWidth() const;
  int PixelHeight() const;

  // Surface
  Runtime& GetRuntime() override;
  LabelPart& AddLabel(std::string_view name) override;
  CheckBoxPart& AddCheckBox(std::string_view name) override;
  ImagePart& AddImage(std::string_view name) override;
  LinePart& AddLine(std::string_view name, int index = -1) override;
  ShapePart& AddShape(std::string_view name) override;
  TimerPart& AddTimer(std::string_view name) override;
  UserControlPart& AddUserControl(std::string_view name, std::unique_ptr<Control> (*make)(Surface&)) override;

  Handle hWnd() const override { return reinterpret_cast<Handle>(hwnd_); }
  float Width() const override { return width_; }
  float Height() const override { return height_; }
  void SetWidth(float twips) override;
  void SetHeight(float twips) override;
  float ScaleX(float value, ScaleMode from, ScaleMode to) const override;
  float ScaleY(float value, ScaleMode from, ScaleMode to) const override;

  PicturePtr GetPicture() const override { return picture_; }
  void SetPicture(PicturePtr picture) override;
  OleColor BackColor() const override { return back_color_; }
  void SetBackColor(OleColor c) override;
  OleColor ForeColor() const override { return fore_color_; }
  void SetForeColor(OleColor c) override;
  int16_t BackStyle() const override { return back_style_; }
  void SetBackStyle(int16_t style) override;
  FontPtr GetFont() const override { return font_; }
  void SetFont(FontPtr font) override;
  bool FontTransparent() const override { return font_transparent_; }
  void SetFontTransparent(bool on) override { font_transparent_ = on; }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool on) override;
  int16_t Appearance() const override { return appearance_; }
  void SetAppearance(int16_t a) override;
  PicturePtr MouseIcon() const override { return mouse_icon_; }
  void SetMouseIcon(PicturePtr icon) override { mouse_icon_ = std::move(icon); }
  int16_t MousePointer() const override { return mouse_pointer_; }
  void SetMousePointer(int16_t pointer) override;

  void DrawLine(float x1, float y1, float x2, float y2, OleColor color) override;
  void Cls() override;
  void Refresh() override;

  DispatchPtr Parent() override;
  DispatchPtr Extender() override;
  // A container's form lists every control with its Container; the children of
  // this one are those whose Container it is.
  DispatchPtr ContainedControls() override;
  // A control whose class takes no focus (a frame) leaves it where it is when
  // pressed.
  void SetTakesFocus(bool on) { takes_focus_ = on; }
  bool AmbientUserMode() const override;
  std::string AmbientDisplayName() const override;
  FontPtr AmbientFont() const override;
  void PropertyChanged(std::string_view property) override;
  void RaiseEvent(std::string_view event, std::span<Variant> args) override;
  void ListenToActivate(const DispatchPtr& form) override;

  // For the parts.
  Control* control() const { return control_; }
  SurfaceSite* site() const { return site_; }
  void Invalidate();
  float TwipsPerPixelX() const;
  float TwipsPerPixelY() const;
  // The form's top-level window was activated (from the subclassed form window).
  void OnFormActivated();

 private:
  friend class Win32Part;
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam);
  void PaintBackground(HDC dc, int width, int height);
  void PaintContent(HDC dc);
  Win32Part* PartAt(int x, int y);
  void MouseEvent(UINT msg, WPARAM wparam, LPARAM lparam);
  void TakeFocusOnPress();
  void KeyEvent(UINT msg, WPARAM wparam);
  void ApplySize();
  void HookForm();
  void UnhookForm();
  template <class P>
  P& Add(std::unique_ptr<P> part);

  Control* control_ = nullptr;
  SurfaceSite* site_ = nullptr;
  HWND hwnd_ = nullptr;
  HWND hooked_form_ = nullptr;
  bool takes_focus_ = true;
  bool shown_ = true;
  bool listening_ = false;
  bool host_resizing_ = false;

  float width_ = 0;
  float height_ = 0;
  PicturePtr picture_;
  OleColor back_color_ = 0x8000000F;
  OleColor fore_color_ = 0x80000012;
  int16_t back_style_ = 1;
  // The colour and picture beneath the parts as last painted, and what they were
  // painted from; a new picture, colour or size paints them again.
  struct BackgroundKey {
    uint64_t version = 0;
    int width = 0;
    int height = 0;
    COLORREF color = 0;
    bool operator==(const BackgroundKey&) const = default;
  };
  uint64_t background_version_ = 0;
  BackgroundKey background_key_;
  std::vector<uint32_t> background_;
  FontPtr font_;
  bool font_transparent_ = true;
  bool enabled_ = true;
  int16_t appearance_ = 1;
  PicturePtr mouse_icon_;
  int16_t mouse_pointer_ = 0;

  std::vector<std::unique_ptr<Win32Part>> parts_;  // creation order is z-order
  DispatchPtr own_extender_;
  Win32Part* mouse_capture_ = nullptr;
  bool mouse_captured_on_surface_ = false;
  bool releasing_double_click_ = false;  // the release after a double click clicks nothing
  // Whether the surface itself was said to have the focus (not passed it on to a part).
  bool focus_told_ = false;
};

}  // namespace vitrelle::activex
