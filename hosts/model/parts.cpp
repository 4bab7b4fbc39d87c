#include "hosts/model/parts.h"

#include <algorithm>

#include "frame/errors.h"
#include "frame/part_rules.h"
#include "frame/units.h"
#include "hosts/model/display.h"
#include "hosts/model/font.h"

namespace vitrelle::model {

namespace {

int Px(float twips) { return TwipsToPixels(twips); }

}  // namespace

template <class Interface>
void RectPartBase<Interface>::SetWidth(float v) {
  CheckExtent(v);
  width_ = v;
  Moved();
}

template <class Interface>
void RectPartBase<Interface>::SetHeight(float v) {
  CheckExtent(v);
  height_ = v;
  Moved();
}

template <class Interface>
Rect RectPartBase<Interface>::PixelRect() const {
  int left = Px(left_), top = Px(top_);
  return {left, top, left + Px(width_), top + Px(height_)};
}

template <class Interface>
void InputPartBase<Interface>::SetMousePointer(int16_t pointer) {
  CheckMousePointer(pointer);
  mouse_pointer_ = pointer;
}

// ---------------------------------------------------------------------------
// Label

ModelLabel::ModelLabel(ModelSurface& surface, std::string_view name)
    : InputPartBase<LabelPart>(surface, name, -1), font_(surface.Model().NewFont()) {
  AutoSize();
}

void ModelLabel::AutoSize() {
  TextExtent extent = MeasureText(caption_, SpecOf(font_.get()));
  width_ = static_cast<float>(extent.width) * surface_.TwipsPerPixel();
  height_ = static_cast<float>(extent.height) * surface_.TwipsPerPixel();
  surface_.InvalidateArea();
}

void ModelLabel::SetCaption(std::string_view text) {
  bool changed = caption_ != text;
  caption_ = std::string(text);
  AutoSize();
  if (changed && surface_.GetControl()) surface_.GetControl()->Change(this);
}

void ModelLabel::SetBackStyle(int16_t style) {
  CheckZeroOrOne(style);
  back_style_ = style;
  surface_.InvalidateArea();
}

void ModelLabel::SetBackColor(OleColor c) {
  CheckColor(c);
  back_color_ = c;
  surface_.InvalidateArea();
}

void ModelLabel::SetForeColor(OleColor c) {
  CheckColor(c);
  fore_color_ = c;
  surface_.InvalidateArea();
}

void ModelLabel::SetFont(FontPtr font) {
  CheckFontObject(font);
  font_ = std::move(font);
  AutoSize();
}

void ModelLabel::SetFontName(std::string_view name) {
  font_->SetName(name);
  AutoSize();
}
void ModelLabel::SetFontSize(float points) {
  font_->SetSize(points);
  AutoSize();
}
void ModelLabel::SetFontBold(bool on) {
  font_->SetBold(on);
  AutoSize();
}
void ModelLabel::SetFontItalic(bool on) {
  font_->SetItalic(on);
  AutoSize();
}
void ModelLabel::SetFontUnderline(bool on) {
  font_->SetUnderline(on);
  AutoSize();
}
void ModelLabel::SetFontStrikethrough(bool on) {
  font_->SetStrikethrough(on);
  AutoSize();
}

void ModelLabel::PaintOn(Canvas& canvas) {
  Rect r = PixelRect().Offset(canvas.ClientLeft(), canvas.ClientTop());
  if (back_style_ == 1) canvas.FillRect(r, Resolve(back_color_));
  FontSpec spec = SpecOf(font_.get());
  if (enabled_) {
    canvas.DrawText(r.left, r.top, caption_, spec, Resolve(fore_color_));
  } else {
    // Disabled text is embossed: a highlight offset by one pixel under the grey.
    canvas.DrawText(r.left + 1, r.top + 1, caption_, spec, Resolve(kColorButtonHighlight));
    canvas.DrawText(r.left, r.top, caption_, spec, Resolve(kColorGrayText));
  }
}

// ---------------------------------------------------------------------------
// Check box

ModelCheckBox::ModelCheckBox(ModelSurface& surface, std::string_view name)
    : InputPartBase<CheckBoxPart>(surface, name, -1) {
  width_ = 195;
  height_ = 195;
  Screen& screen = surface.Model().GetScreen();
  window_ = screen.CreateWindow(surface.Window(), PixelRect(), 0, this);
  screen.ShowWindow(window_, visible_);
}

ModelCheckBox::~ModelCheckBox() {
  Screen& screen = surface_.Model().GetScreen();
  if (screen.IsWindow(window_)) screen.DestroyWindow(window_);
}

void ModelCheckBox::SetValue(int16_t v) {
  CheckCheckBoxValue(v);
  if (v == value_) return;
  value_ = v;
  surface_.Model().GetScreen().Invalidate(window_);
  if (surface_.GetControl()) surface_.GetControl()->Click(this);
}

void ModelCheckBox::Toggle() { SetValue(value_ == 1 ? 0 : 1); }

void ModelCheckBox::SetAppearance(int16_t a) {
  CheckZeroOrOne(a);
  appearance_ = a;
  surface_.Model().GetScreen().Invalidate(window_);
}

void ModelCheckBox::SetFocus() {
  CheckCanTakeFocus(visible_, enabled_, surface_.Enabled());
  surface_.Owner().OwnerRequestFocus(this);
}

void ModelCheckBox::Moved() { surface_.Model().GetScreen().MoveWindow(window_, PixelRect()); }

void ModelCheckBox::VisibilityChanged() { surface_.Model().GetScreen().ShowWindow(window_, visible_); }

void ModelCheckBox::Paint(Canvas& canvas) {
  int w = Px(width_), h = Px(height_);
  // The window shows what the surface shows beneath it, so the glyph seems to lie
  // on the control's background (its picture when it has one).
  canvas.FillRect({0, 0, w, h}, Resolve(surface_.BackColor()));
  if (PicturePtr picture = surface_.GetPicture()) canvas.DrawPicture(*picture, -Px(left_), -Px(top_));
  const int glyph = CheckGlyphPixels(DisplayDpi());
  DrawCheckGlyph(canvas, 0, std::max(0, (h - glyph) / 2), value_, appearance_ == 0,
                 enabled_ && surface_.Enabled());
}

void DrawCheckGlyph(Canvas& canvas, int x, int y, int16_t value, bool flat, bool enabled) {
  const int kSize = CheckGlyphPixels(DisplayDpi());
  Rect box{x, y, x + kSize, y + kSize};
  OleColor face = enabled && value != 2 ? Resolve(0x80000005u) : Resolve(kColorButtonFace);
  if (flat) {
    canvas.Rectangle(box, face, Resolve(kColorWindowText));
  } else {
    // Sunken edge: shadow and dark shadow outside, highlight and light inside.
    canvas.FillRect(box, face);
    canvas.Line(x, y + kSize - 1, x, y, Resolve(kColorButtonShadow));
    canvas.Line(x, y, x + kSize, y, Resolve(kColorButtonShadow));
    canvas.Line(x + 1, y + kSize - 2, x + 1, y + 1, Resolve(0x80000015u));
    canvas.Line(x + 1, y + 1, x + kSize - 1, y + 1, Resolve(0x80000015u));
    canvas.Line(x, y + kSize - 1, x + kSize, y + kSize - 1, Resolve(kColorButtonHighlight));
    canvas.Line(x + kSize - 1, y, x + kSize - 1, y + kSize, Resolve(kColorButtonHighlight));
    canvas.Line(x + 1, y + kSize - 2, x + kSize - 1, y + kSize - 2, Resolve(0x80000016u));
    canvas.Line(x + kSize - 2, y + 1, x + kSize - 2, y + kSize - 1, Resolve(0x80000016u));
  }
  if (value == 0) return;
  OleColor mark = enabled && value == 1 ? Resolve(kColorWindowText) : Resolve(kColorButtonShadow);
  // The classic tick of a 13-pixel box, three pixels thick: down for three columns,
  // then up; a larger box shows it stretched, pixel for pixel.
  constexpr int kDrawn = 13;
  auto in_tick = [](int cx, int cy) {
    const int i = cx - 3;
    if (i < 0 || i >= 7) return false;
    const int top = i <= 2 ? 5 + i : 9 - i;
    return cy >= top && cy < top + 3;
  };
  for (int py = 0; py < kSize; ++py)
    for (int px = 0; px < kSize; ++px)
      if (in_tick(px * kDrawn / kSize, py * kDrawn / kSize)) canvas.SetPixel(x + px, y + py, mark);
}

int OptionGlyphPixels() { return CheckGlyphPixels(DisplayDpi()) - 1; }

void DrawOptionGlyph(Canvas& canvas, int x, int y, bool set, bool flat, bool enabled) {
  const int kSize = OptionGlyphPixels();
  Rect box{x, y, x + kSize, y + kSize};
  OleColor face = enabled ? Resolve(0x80000005u) : Resolve(kColorButtonFace);
  canvas.Ellipse(box, face, Resolve(flat ? kColorWindowText : kColorButtonShadow));
  if (set) {
    OleColor dot = enabled ? Resolve(kColorWindowText) : Resolve(kColorButtonShadow);
    const int inset = kSize / 3;
    canvas.Ellipse({x + inset, y + inset, x + kSize - inset, y + kSize - inset}, dot, dot);
  }
}

// ---------------------------------------------------------------------------
// Image, line, shape

void ModelImage::SetPicture(PicturePtr picture) {
  bool same = picture == picture_;
  picture_ = std::move(picture);
  // An image that does not stretch takes its picture's size.
  if (picture_ && picture_->Type() != 0) {
    width_ = static_cast<float>(picture_->WidthPixels()) * kTwipsPerDesignPixel;
    height_ = static_cast<float>(picture_->HeightPixels()) * kTwipsPerDesignPixel;
  }
  // A control that sets the same picture from its Paint handler must not make
  // the surface paint forever.
  if (!same) surface_.InvalidateArea();
}

void ModelImage::PaintOn(Canvas& canvas) {
  if (!picture_ || picture_->Type() == 0) return;
  canvas.DrawPicture(*picture_, PixelRect().Offset(canvas.ClientLeft(), canvas.ClientTop()));
}

void ModelLine::Move(float& field, float v) {
  field = v;
  surface_.InvalidateArea();
}

void ModelLine::SetBorderColor(OleColor c) {
  CheckColor(c);
  color_ = c;
  surface_.InvalidateArea();
}

void ModelLine::SetBorderWidth(int16_t pixels) {
  CheckBorderWidth(pixels);
  width_ = pixels;
  surface_.InvalidateArea();
}

void ModelLine::PaintOn(Canvas& canvas) {
  int ox = canvas.ClientLeft(), oy = canvas.ClientTop();
  canvas.Line(ox + Px(x1_), oy + Px(y1_), ox + Px(x2_), oy + Px(y2_), Resolve(color_), width_);
}

void ModelShape::SetShape(ShapeKind kind) {
  CheckShapeKind(static_cast<int16_t>(kind));
  shape_ = kind;
  surface_.InvalidateArea();
}

void ModelShape::SetFillColor(OleColor c) {
  CheckColor(c);
  fill_color_ = c;
  surface_.InvalidateArea();
}

void ModelShape::SetFillStyle(int16_t style) {
  CheckFillStyle(style);
  fill_style_ = style;
  surface_.InvalidateArea();
}

void ModelShape::SetBorderColor(OleColor c) {
  CheckColor(c);
  border_color_ = c;
  surface_.InvalidateArea();
}

void ModelShape::SetBorderWidth(int16_t pixels) {
  CheckBorderWidth(pixels);
  border_width_ = pixels;
  surface_.InvalidateArea();
}

void ModelShape::PaintOn(Canvas& canvas) {
  Rect r = PixelRect().Offset(canvas.ClientLeft(), canvas.ClientTop());
  bool square = shape_ == ShapeKind::kSquare || shape_ == ShapeKind::kCircle || shape_ == ShapeKind::kRoundedSquare;
  if (square) {
    // Square kinds keep the shorter side, centred in the rectangle.
    int side = std::min(r.Width(), r.Height());
    int left = r.left + (r.Width() - side) / 2, top = r.top + (r.Height() - side) / 2;
    r = {left, top, left + side, top + side};
  }
  std::optional<OleColor> fill;
  if (fill_style_ == 0) fill = Resolve(fill_color_);
  OleColor outline = Resolve(border_color_);
  if (shape_ == ShapeKind::kOval || shape_ == ShapeKind::kCircle) {
    canvas.Ellipse(r, fill, outline, border_width_);
  } else {
    canvas.Rectangle(r, fill, outline, border_width_);
  }
}

// ---------------------------------------------------------------------------
// Timer

ModelTimer::ModelTimer(ModelSurface& surface, std::string_view name) : PartBase<TimerPart>(surface, name, -1) {
  id_ = surface.Model().AddTimer([this] {
    if (Control* control = surface_.GetControl()) control->TimerTick(*this);
  });
}

ModelTimer::~ModelTimer() { surface_.Model().RemoveTimer(id_); }

void ModelTimer::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  if (enabled_) {
    surface_.Model().StartTimer(id_, interval_);
  } else {
    surface_.Model().StopTimer(id_);
  }
}

void ModelTimer::SetInterval(int32_t ms) {
  CheckTimerInterval(ms);
  interval_ = ms;
  // A new interval starts the count again.
  if (enabled_) {
    surface_.Model().StartTimer(id_, interval_);
  }
}

// ---------------------------------------------------------------------------
// Nested user control

ModelUserControl::ModelUserControl(ModelSurface& owner, std::string_view name,
                                   std::unique_ptr<Control> (*make)(Surface&))
    : RectPartBase<UserControlPart>(owner, name, -1) {
  width_ = 195;
  height_ = 195;
  inner_ = std::make_unique<ModelSurface>(owner.Model(), *this, owner.Window(), PixelRect(), width_, height_);
  object_ = make(*inner_);
  inner_->SetControl(object_.get());
  inner_->SetWindowShown(visible_);
  object_->Initialize();
  object_->InitProperties();
  object_->Resize();
}

ModelUserControl::~ModelUserControl() {
  if (object_) object_->Terminate();
  inner_->SetControl(nullptr);
  object_.reset();
  inner_->DestroyParts();
}

void ModelUserControl::SetFocus() {
  CheckCanTakeFocus(visible_, inner_->Enabled(), surface_.Enabled());
  surface_.Owner().OwnerRequestFocus(this);
}

void ModelUserControl::OwnerRaiseEvent(std::string_view event, std::span<Variant> args) {
  if (Control* owner = surface_.GetControl()) owner->PartEvent(*this, event, args);
}

void ModelUserControl::OwnerSizeChanged(float width, float height) {
  if (syncing_) return;
  width_ = width;
  height_ = height;
}

void ModelUserControl::Moved() {
  syncing_ = true;
  inner_->Place(left_, top_, width_, height_);
  syncing_ = false;
}

void ModelUserControl::VisibilityChanged() {
  inner_->SetWindowShown(visible_);
  if (visible_) inner_->NotifyShow();
}

}  // namespace vitrelle::model
