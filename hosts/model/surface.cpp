#include "hosts/model/surface.h"

#include "frame/errors.h"
#include "frame/members.h"
#include "frame/part_rules.h"
#include "hosts/model/parts.h"

namespace vitrelle::model {

OleColor Resolve(OleColor c) { return TranslateColor(c).value_or(0); }

ModelSurface::ModelSurface(ModelRuntime& runtime, SurfaceOwner& owner, Handle parent_window, const Rect& pixels,
                           float width, float height)
    : runtime_(runtime), owner_(owner), width_(width), height_(height), font_(runtime.NewFont()) {
  window_ = runtime_.GetScreen().CreateWindow(parent_window, pixels, 0, this);
}

ModelSurface::~ModelSurface() {
  DestroyParts();
  Screen& screen = runtime_.GetScreen();
  runtime_.ForgetWindow(window_);
  if (screen.IsWindow(window_)) screen.DestroyWindow(window_);
}

void ModelSurface::DestroyParts() {
  // Later parts may refer to earlier ones' windows; undo in reverse.
  while (!parts_.empty()) parts_.pop_back();
}

template <class P, class... Args>
P& ModelSurface::Add(Args&&... args) {
  auto part = std::make_unique<P>(std::forward<Args>(args)...);
  P& ref = *part;
  parts_.push_back(std::move(part));
  InvalidateArea();
  return ref;
}

LabelPart& ModelSurface::AddLabel(std::string_view name) { return Add<ModelLabel>(*this, name); }
CheckBoxPart& ModelSurface::AddCheckBox(std::string_view name) { return Add<ModelCheckBox>(*this, name); }
ImagePart& ModelSurface::AddImage(std::string_view name) { return Add<ModelImage>(*this, name, -1); }
LinePart& ModelSurface::AddLine(std::string_view name, int index) { return Add<ModelLine>(*this, name, index); }
ShapePart& ModelSurface::AddShape(std::string_view name) { return Add<ModelShape>(*this, name, -1); }
TimerPart& ModelSurface::AddTimer(std::string_view name) { return Add<ModelTimer>(*this, name); }
UserControlPart& ModelSurface::AddUserControl(std::string_view name, std::unique_ptr<Control> (*make)(Surface&)) {
  return Add<ModelUserControl>(*this, name, make);
}

std::vector<PartNode*> ModelSurface::PartNodes() const {
  std::vector<PartNode*> out;
  for (const auto& p : parts_) out.push_back(p.get());
  return out;
}

PartNode* ModelSurface::FindPart(std::string_view name, int index) const {
  for (const auto& p : parts_) {
    Part& part = p->AsPart();
    if (NamesEqual(part.Name(), name) && part.Index() == index) return p.get();
  }
  return nullptr;
}

Part* ModelSurface::FirstFocusPart() const {
  for (const auto& p : parts_) {
    if (p->Window() && p->CanTakeFocus()) return &p->AsPart();
  }
  return nullptr;
}

void ModelSurface::InvalidateArea(std::optional<Rect> area) {
  // What changes while the surface paints is drawn by that same pass.
  if (painting_) return;
  Screen& screen = runtime_.GetScreen();
  if (screen.IsWindow(window_)) screen.Invalidate(window_, area);
}

void ModelSurface::Place(float left, float top, float width, float height) {
  int l = TwipsToPixels(left), t = TwipsToPixels(top);
  runtime_.GetScreen().MoveWindow(window_, {l, t, l + TwipsToPixels(width), t + TwipsToPixels(height)});
  bool resized = width != width_ || height != height_;
  width_ = width;
  height_ = height;
  if (resized) {
    InvalidateArea();
    if (control_) control_->Resize();
  }
}

void ModelSurface::SetWindowShown(bool shown) { runtime_.GetScreen().ShowWindow(window_, shown); }

void ModelSurface::NotifyShow() {
  if (control_) control_->Show();
  for (const auto& p : parts_) {
    if (auto* nested = dynamic_cast<ModelUserControl*>(p.get()); nested && nested->Visible()) {
      nested->Inner().NotifyShow();
    }
  }
}

void ModelSurface::SizeChanged() {
  Screen& screen = runtime_.GetScreen();
  Rect r = screen.WindowRect(window_);
  screen.MoveWindow(window_, {r.left, r.top, r.left + TwipsToPixels(width_), r.top + TwipsToPixels(height_)});
  InvalidateArea();
  owner_.OwnerSizeChanged(width_, height_);
  if (control_) control_->Resize();
}

// The container hears of a size only when it changes: assigning the size a control
// already has raises no Resize, and a control that sets its own size from Resize
// relies on that to come to rest.
void ModelSurface::SetWidth(float twips) {
  CheckExtent(twips);
  if (twips == width_) return;
  width_ = twips;
  SizeChanged();
}

void ModelSurface::SetHeight(float twips) {
  CheckExtent(twips);
  if (twips == height_) return;
  height_ = twips;
  SizeChanged();
}

float ModelSurface::ScaleX(float value, ScaleMode from, ScaleMode to) const {
  return ConvertScale(value, from, to, runtime_.TwipsPerPixelX());
}

float ModelSurface::ScaleY(float value, ScaleMode from, ScaleMode to) const {
  return ConvertScale(value, from, to, runtime_.TwipsPerPixelY());
}

void ModelSurface::SetPicture(PicturePtr picture) {
  picture_ = std::move(picture);
  InvalidateArea();
  // Windowed parts show the surface's picture beneath them.
  for (const auto& p : parts_) {
    if (p->Window()) runtime_.GetScreen().Invalidate(p->Window());
  }
}

void ModelSurface::SetBackColor(OleColor c) {
  CheckColor(c);
  back_color_ = c;
  InvalidateArea();
}

void ModelSurface::SetForeColor(OleColor c) {
  CheckColor(c);
  fore_color_ = c;
  InvalidateArea();
}

void ModelSurface::SetBackStyle(int16_t style) {
  CheckZeroOrOne(style);
  back_style_ = style;
  InvalidateArea();
}

void ModelSurface::SetFont(FontPtr font) {
  CheckFontObject(font);
  font_ = std::move(font);
  InvalidateArea();
}

void ModelSurface::SetAppearance(int16_t a) {
  CheckZeroOrOne(a);
  appearance_ = a;
  InvalidateArea();
}

void ModelSurface::SetMousePointer(int16_t pointer) {
  CheckMousePointer(pointer);
  mouse_pointer_ = pointer;
}

void ModelSurface::DrawLine(float x1, float y1, float x2, float y2, OleColor color) {
  // Straight onto the window's pixels, kept nowhere: the next repaint of the surface
  // erases a line drawn outside its paint, as the real container's does (the focus
  // marks rely on that), and a line drawn from the Paint handler is part of that
  // paint only.
  const DrawnLine line{x1, y1, x2, y2, color};
  if (painting_) {
    DrawLineOn(*painting_, line);
    return;
  }
  runtime_.GetScreen().DrawNow(window_, [&](Canvas& canvas) { DrawLineOn(canvas, line); });
}

void ModelSurface::DrawLineOn(Canvas& canvas, const DrawnLine& line) {
  int ox = canvas.ClientLeft(), oy = canvas.ClientTop();
  canvas.Line(ox + TwipsToPixels(line.x1), oy + TwipsToPixels(line.y1), ox + TwipsToPixels(line.x2),
              oy + TwipsToPixels(line.y2), Resolve(line.color));
}

void ModelSurface::Cls() {
  // The surface paints again without what was drawn on it.
  InvalidateArea();
}

void ModelSurface::Refresh() {
  InvalidateArea();
  runtime_.GetScreen().UpdateWindow(window_);
}

void ModelSurface::Paint(Canvas& canvas) {
  Rect client{canvas.ClientLeft(), canvas.ClientTop(), canvas.ClientLeft() + TwipsToPixels(width_),
              canvas.ClientTop() + TwipsToPixels(height_)};
  const bool with_picture = picture_ && picture_->Type() != 0;
  if (back_style_ == 1) {
    // A copied background covers the whole control: its back colour is painted only
    // where the picture does not reach, since the picture paints over it at once.
    const std::optional<Rect> cover = with_picture ? canvas.PictureCover(*picture_, client.left, client.top)
                                                   : std::nullopt;
    const Rect hole = cover ? client.Intersect(*cover) : Rect{};
    const OleColor back = Resolve(back_color_);
    if (hole.Empty()) {
      canvas.FillRect(client, back);
    } else {
      canvas.FillRect({client.left, client.top, client.right, hole.top}, back);
      canvas.FillRect({client.left, hole.bottom, client.right, client.bottom}, back);
      canvas.FillRect({client.left, hole.top, hole.left, hole.bottom}, back);
      canvas.FillRect({hole.right, hole.top, client.right, hole.bottom}, back);
    }
  }
  if (with_picture) canvas.DrawPicture(*picture_, client.left, client.top);
  painting_ = &canvas;
  if (control_) IgnoreErrors([&] { control_->Paint(); });
  for (const auto& p : parts_) {
    if (!p->Window() && p->AsPart().Visible()) p->PaintOn(canvas);
  }
  painting_ = nullptr;
}

}  // namespace vitrelle::model
