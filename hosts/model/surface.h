// The surface of one library control (its UserControl): a child window that paints
// the back colour or picture, then the windowless parts in the order they were
// created. Lines drawn at run time go straight onto its pixels until it repaints.
// Parts with windows (check box, nested user control) are child windows of it.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "frame/host.h"
#include "hosts/model/runtime.h"
#include "hosts/model/screen.h"

namespace vitrelle::model {

class PartNode;

// What a surface asks of whoever sited it: a control on a form, or the control that
// holds it as a nested part.
class SurfaceOwner {
 public:
  virtual ~SurfaceOwner() = default;
  virtual DispatchPtr OwnerParent() = 0;
  virtual DispatchPtr OwnerExtender() = 0;
  // What the form's author placed in the control; null when it holds nothing.
  virtual DispatchPtr OwnerContainedControls() = 0;
  virtual bool OwnerUserMode() const = 0;
  virtual std::string OwnerDisplayName() const = 0;
  virtual FontPtr OwnerAmbientFont() const = 0;
  virtual void OwnerPropertyChanged(std::string_view property) = 0;
  virtual void OwnerRaiseEvent(std::string_view event, std::span<Variant> args) = 0;
  virtual void OwnerListenToActivate(const DispatchPtr& form) = 0;
  virtual void OwnerSizeChanged(float width, float height) = 0;
  // A window of this surface (a part's, or the surface's own for null) asks for the focus.
  virtual void OwnerRequestFocus(Part* part) = 0;
};

class ModelSurface : public Surface, public WindowClient {
 public:
  // `parent_window` receives the surface's window at `pixels` (parent client coordinates).
  ModelSurface(ModelRuntime& runtime, SurfaceOwner& owner, Handle parent_window, const Rect& pixels, float width,
               float height);
  ~ModelSurface() override;
  ModelSurface(const ModelSurface&) = delete;
  ModelSurface& operator=(const ModelSurface&) = delete;

  void SetControl(Control* control) { control_ = control; }
  Control* GetControl() const { return control_; }
  ModelRuntime& Model() { return runtime_; }
  SurfaceOwner& Owner() { return owner_; }
  Handle Window() const { return window_; }

  // The host moves or sizes the control (twips; position in the parent's client area).
  void Place(float left, float top, float width, float height);
  void SetWindowShown(bool shown);
  // The control becomes visible: Show to the control, then to nested controls.
  void NotifyShow();
  // Destroys the parts (and their windows) before the surface's window goes.
  void DestroyParts();

  std::vector<PartNode*> PartNodes() const;
  PartNode* FindPart(std::string_view name, int index = -1) const;
  // The first window of the surface that takes the focus: a visible, enabled check box
  // or nested user control; null when the surface itself takes it.
  Part* FirstFocusPart() const;
  void InvalidateArea(std::optional<Rect> area = std::nullopt);
  bool Painting() const { return painting_ != nullptr; }
  float TwipsPerPixel() const { return DisplayTwipsPerPixel(); }

  // Surface
  Runtime& GetRuntime() override { return runtime_; }
  LabelPart& AddLabel(std::string_view name) override;
  CheckBoxPart& AddCheckBox(std::string_view name) override;
  ImagePart& AddImage(std::string_view name) override;
  LinePart& AddLine(std::string_view name, int index = -1) override;
  ShapePart& AddShape(std::string_view name) override;
  TimerPart& AddTimer(std::string_view name) override;
  UserControlPart& AddUserControl(std::string_view name, std::unique_ptr<Control> (*make)(Surface&)) override;
  Handle hWnd() const override { return window_; }
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
  void SetEnabled(bool on) override { enabled_ = on; }
  int16_t Appearance() const override { return appearance_; }
  void SetAppearance(int16_t a) override;
  PicturePtr MouseIcon() const override { return mouse_icon_; }
  void SetMouseIcon(PicturePtr icon) override { mouse_icon_ = std::move(icon); }
  int16_t MousePointer() const override { return mouse_pointer_; }
  void SetMousePointer(int16_t pointer) override;
  void DrawLine(float x1, float y1, float x2, float y2, OleColor color) override;
  void Cls() override;
  void Refresh() override;
  DispatchPtr Parent() override { return owner_.OwnerParent(); }
  DispatchPtr Extender() override { return owner_.OwnerExtender(); }
  DispatchPtr ContainedControls() override { return owner_.OwnerContainedControls(); }
  bool AmbientUserMode() const override { return owner_.OwnerUserMode(); }
  std::string AmbientDisplayName() const override { return owner_.OwnerDisplayName(); }
  FontPtr AmbientFont() const override { return owner_.OwnerAmbientFont(); }
  void PropertyChanged(std::string_view property) override { owner_.OwnerPropertyChanged(property); }
  void RaiseEvent(std::string_view event, std::span<Variant> args) override { owner_.OwnerRaiseEvent(event, args); }
  void ListenToActivate(const DispatchPtr& form) override { owner_.OwnerListenToActivate(form); }

  // WindowClient
  void Paint(Canvas& canvas) override;

 private:
  struct DrawnLine {
    float x1, y1, x2, y2;
    OleColor color;
  };
  template <class P, class... Args>
  P& Add(Args&&... args);
  void SizeChanged();
  void DrawLineOn(Canvas& canvas, const DrawnLine& line);

  ModelRuntime& runtime_;
  SurfaceOwner& owner_;
  Handle window_ = 0;
  Control* control_ = nullptr;
  float width_, height_;
  PicturePtr picture_;
  OleColor back_color_ = kColorButtonFace;
  OleColor fore_color_ = kColorButtonText;
  int16_t back_style_ = 1;
  FontPtr font_;
  bool font_transparent_ = true;
  bool enabled_ = true;
  int16_t appearance_ = 1;
  PicturePtr mouse_icon_;
  int16_t mouse_pointer_ = 0;
  std::vector<std::unique_ptr<PartNode>> parts_;
  Canvas* painting_ = nullptr;
};

// A colour as it is drawn (system colours through the default scheme; black for a
// value that names no colour).
OleColor Resolve(OleColor c);

}  // namespace vitrelle::model
