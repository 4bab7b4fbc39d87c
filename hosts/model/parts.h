// The constituent parts a surface offers its control. Windowless parts are painted
// by the surface; the check box and the nested user control have windows of their own.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "frame/host.h"
#include "hosts/model/screen.h"
#include "hosts/model/surface.h"

namespace vitrelle::model {

// What the surface needs of every part it owns.
class PartNode {
 public:
  virtual ~PartNode() = default;
  virtual Part& AsPart() = 0;
  // Windowless parts draw themselves onto the surface (client coordinates, pixels).
  virtual void PaintOn(Canvas&) {}
  // The part's own window, 0 for a windowless part.
  virtual Handle Window() const { return 0; }
  // Whether the part's window can take the focus now.
  virtual bool CanTakeFocus() const { return false; }
};

// Name, index and visibility, shared by every kind.
template <class Interface>
class PartBase : public Interface, public PartNode {
 public:
  PartBase(ModelSurface& surface, std::string_view name, int index)
      : surface_(surface), name_(name), index_(index) {}
  const std::string& Name() const override { return name_; }
  int Index() const override { return index_; }
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override {
    visible_ = visible;
    VisibilityChanged();
  }
  Part& AsPart() override { return *this; }

 protected:
  virtual void VisibilityChanged() { surface_.InvalidateArea(); }
  ModelSurface& surface_;
  std::string name_;
  int index_;
  bool visible_ = true;
};

template <class Interface>
class RectPartBase : public PartBase<Interface> {
 public:
  using PartBase<Interface>::PartBase;
  float Left() const override { return left_; }
  float Top() const override { return top_; }
  float Width() const override { return width_; }
  float Height() const override { return height_; }
  void SetLeft(float v) override { left_ = v; Moved(); }
  void SetTop(float v) override { top_ = v; Moved(); }
  void SetWidth(float v) override;
  void SetHeight(float v) override;
  // The part's rectangle in surface pixels.
  Rect PixelRect() const;

 protected:
  virtual void Moved() { this->surface_.InvalidateArea(); }
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
};

template <class Interface>
class InputPartBase : public RectPartBase<Interface> {
 public:
  using RectPartBase<Interface>::RectPartBase;
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool on) override {
    enabled_ = on;
    this->surface_.InvalidateArea();
  }
  PicturePtr MouseIcon() const override { return mouse_icon_; }
  void SetMouseIcon(PicturePtr icon) override { mouse_icon_ = std::move(icon); }
  int16_t MousePointer() const override { return mouse_pointer_; }
  void SetMousePointer(int16_t pointer) override;

 protected:
  bool enabled_ = true;
  PicturePtr mouse_icon_;
  int16_t mouse_pointer_ = 0;
};

class ModelLabel : public InputPartBase<LabelPart> {
 public:
  ModelLabel(ModelSurface& surface, std::string_view name);
  PartKind Kind() const override { return PartKind::kLabel; }
  std::string Caption() const override { return caption_; }
  void SetCaption(std::string_view text) override;
  int16_t BackStyle() const override { return back_style_; }
  void SetBackStyle(int16_t style) override;
  OleColor BackColor() const override { return back_color_; }
  void SetBackColor(OleColor c) override;
  OleColor ForeColor() const override { return fore_color_; }
  void SetForeColor(OleColor c) override;
  FontPtr GetFont() const override { return font_; }
  void SetFont(FontPtr font) override;
  void SetFontName(std::string_view name) override;
  void SetFontSize(float points) override;
  void SetFontBold(bool on) override;
  void SetFontItalic(bool on) override;
  void SetFontUnderline(bool on) override;
  void SetFontStrikethrough(bool on) override;
  void PaintOn(Canvas& canvas) override;

 private:
  void AutoSize();
  std::string caption_;
  int16_t back_style_ = 1;
  OleColor back_color_ = kColorButtonFace;
  OleColor fore_color_ = kColorButtonText;
  FontPtr font_;
};

class ModelCheckBox : public InputPartBase<CheckBoxPart>, public WindowClient {
 public:
  ModelCheckBox(ModelSurface& surface, std::string_view name);
  ~ModelCheckBox() override;
  PartKind Kind() const override { return PartKind::kCheckBox; }
  int16_t Value() const override { return value_; }
  void SetValue(int16_t v) override;
  int16_t Appearance() const override { return appearance_; }
  void SetAppearance(int16_t a) override;
  Handle hWnd() const override { return window_; }
  void SetFocus() override;
  Handle Window() const override { return window_; }
  bool CanTakeFocus() const override { return visible_ && enabled_; }
  // A user's click or space bar: the value toggles.
  void Toggle();
  void Paint(Canvas& canvas) override;

 private:
  void Moved() override;
  void VisibilityChanged() override;
  Handle window_ = 0;
  int16_t value_ = 0;
  int16_t appearance_ = 1;
};

class ModelImage : public InputPartBase<ImagePart> {
 public:
  using InputPartBase<ImagePart>::InputPartBase;
  PartKind Kind() const override { return PartKind::kImage; }
  PicturePtr GetPicture() const override { return picture_; }
  void SetPicture(PicturePtr picture) override;
  void PaintOn(Canvas& canvas) override;

 private:
  PicturePtr picture_;
};

class ModelLine : public PartBase<LinePart> {
 public:
  using PartBase<LinePart>::PartBase;
  PartKind Kind() const override { return PartKind::kLine; }
  float X1() const override { return x1_; }
  float Y1() const override { return y1_; }
  float X2() const override { return x2_; }
  float Y2() const override { return y2_; }
  void SetX1(float v) override { Move(x1_, v); }
  void SetY1(float v) override { Move(y1_, v); }
  void SetX2(float v) override { Move(x2_, v); }
  void SetY2(float v) override { Move(y2_, v); }
  OleColor BorderColor() const override { return color_; }
  void SetBorderColor(OleColor c) override;
  int16_t BorderWidth() const override { return width_; }
  void SetBorderWidth(int16_t pixels) override;
  void PaintOn(Canvas& canvas) override;

 private:
  void Move(float& field, float v);
  float x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
  OleColor color_ = kColorWindowText;
  int16_t width_ = 1;
};

class ModelShape : public RectPartBase<ShapePart> {
 public:
  using RectPartBase<ShapePart>::RectPartBase;
  PartKind Kind() const override { return PartKind::kShape; }
  ShapeKind Shape() const override { return shape_; }
  void SetShape(ShapeKind kind) override;
  OleColor FillColor() const override { return fill_color_; }
  void SetFillColor(OleColor c) override;
  int16_t FillStyle() const override { return fill_style_; }
  void SetFillStyle(int16_t style) override;
  OleColor BorderColor() const override { return border_color_; }
  void SetBorderColor(OleColor c) override;
  int16_t BorderWidth() const override { return border_width_; }
  void SetBorderWidth(int16_t pixels) override;
  void PaintOn(Canvas& canvas) override;

 private:
  ShapeKind shape_ = ShapeKind::kRectangle;
  OleColor fill_color_ = 0;
  int16_t fill_style_ = 1;
  OleColor border_color_ = kColorWindowText;
  int16_t border_width_ = 1;
};

class ModelTimer : public PartBase<TimerPart> {
 public:
  ModelTimer(ModelSurface& surface, std::string_view name);
  ~ModelTimer() override;
  PartKind Kind() const override { return PartKind::kTimer; }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool on) override;
  int32_t Interval() const override { return interval_; }
  void SetInterval(int32_t ms) override;

 private:
  void VisibilityChanged() override {}
  TimerId id_;
  // Parts are created from code, so a timer starts as the controls declare theirs:
  // disabled.
  bool enabled_ = false;
  int32_t interval_ = 0;
};

// A nested user control: a surface of its own, whose window is the part's window,
// and whose events arrive at the owning control's PartEvent.
class ModelUserControl : public RectPartBase<UserControlPart>, public SurfaceOwner {
 public:
  ModelUserControl(ModelSurface& owner, std::string_view name, std::unique_ptr<Control> (*make)(Surface&));
  ~ModelUserControl() override;
  PartKind Kind() const override { return PartKind::kUserControl; }
  Control& Object() override { return *object_; }
  Handle hWnd() const override { return inner_->Window(); }
  void SetFocus() override;
  Handle Window() const override { return inner_->Window(); }
  bool CanTakeFocus() const override { return visible_ && inner_->Enabled(); }
  ModelSurface& Inner() { return *inner_; }

  // SurfaceOwner
  DispatchPtr OwnerParent() override { return surface_.Parent(); }
  DispatchPtr OwnerExtender() override { return surface_.Extender(); }
  // A control nested as a part holds no controls of the form.
  DispatchPtr OwnerContainedControls() override { return nullptr; }
  bool OwnerUserMode() const override { return surface_.AmbientUserMode(); }
  std::string OwnerDisplayName() const override { return name_; }
  FontPtr OwnerAmbientFont() const override { return surface_.GetFont(); }
  void OwnerPropertyChanged(std::string_view) override {}
  void OwnerRaiseEvent(std::string_view event, std::span<Variant> args) override;
  void OwnerListenToActivate(const DispatchPtr& form) override { surface_.ListenToActivate(form); }
  void OwnerSizeChanged(float width, float height) override;
  void OwnerRequestFocus(Part*) override { surface_.Owner().OwnerRequestFocus(this); }

 private:
  void Moved() override;
  void VisibilityChanged() override;
  std::unique_ptr<ModelSurface> inner_;
  std::unique_ptr<Control> object_;
  bool syncing_ = false;
};

// The standard check box glyph (CheckGlyphPixels of the display's dpi square, 13 at
// 96 dpi) with its top left corner at (x, y).
void DrawCheckGlyph(Canvas& canvas, int x, int y, int16_t value, bool flat, bool enabled);
// The standard option button glyph, a pixel smaller than the check box's.
int OptionGlyphPixels();
void DrawOptionGlyph(Canvas& canvas, int x, int y, bool set, bool flat, bool enabled);

}  // namespace vitrelle::model
