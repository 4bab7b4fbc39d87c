// What the controls need from the container that hosts them, as abstract classes.
// The model host (hosts/model) implements them headlessly; the ActiveX host
// (hosts/activex) over real COM, Win32 and GDI. Nothing here may be honoured by
// only one of them.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "frame/color.h"
#include "frame/units.h"
#include "frame/variant.h"

namespace vitrelle {

// A platform handle: window, device context, bitmap, palette, region. 0 is none.
using Handle = std::uintptr_t;

// ---------------------------------------------------------------------------
// Late-bound objects

enum class InvokeKind { kGet, kLet, kSet, kCall };

// A late-bound object: an extender, a form, a Controls collection, another control.
// Names match without regard to case; a missing member raises 438.
class Dispatch {
 public:
  virtual ~Dispatch() = default;
  // kGet reads a property (args are its indexes, if any); kLet/kSet assign args.back();
  // kCall calls a method. Returns Empty where there is nothing to return.
  virtual Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) = 0;
  // Whether the object is of a type, named by class or interface
  // ("GlazeRadio", "OptionButton", "Form", "GlazeFrame", ...), as a TypeOf test.
  virtual bool IsA(std::string_view type_name) const = 0;

  Variant Get(std::string_view member) { return Invoke(member, InvokeKind::kGet, {}); }
  void Let(std::string_view member, Variant value) {
    Variant args[1] = {std::move(value)};
    Invoke(member, InvokeKind::kLet, args);
  }
  Variant Call(std::string_view member) { return Invoke(member, InvokeKind::kCall, {}); }
};

// ---------------------------------------------------------------------------
// Pictures and fonts

// A picture object (the platform's IPictureDisp). It owns its handles: the last
// reference released frees the bitmap and the palette.
class Picture {
 public:
  virtual ~Picture() = default;
  virtual int16_t Type() const = 0;  // 0 none, 1 bitmap, 3 icon, ...
  virtual Handle BitmapHandle() const = 0;
  virtual Handle PaletteHandle() const = 0;
  virtual int32_t WidthPixels() const = 0;
  virtual int32_t HeightPixels() const = 0;
};

// A font object (the platform's IFontDisp). Parts that share one object see each
// other's changes; a setter the platform refuses raises 380.
class Font {
 public:
  virtual ~Font() = default;
  virtual std::string Name() const = 0;
  virtual void SetName(std::string_view name) = 0;
  virtual float Size() const = 0;  // points
  virtual void SetSize(float points) = 0;
  virtual bool Bold() const = 0;
  virtual void SetBold(bool on) = 0;
  virtual bool Italic() const = 0;
  virtual void SetItalic(bool on) = 0;
  virtual bool Underline() const = 0;
  virtual void SetUnderline(bool on) = 0;
  virtual bool Strikethrough() const = 0;
  virtual void SetStrikethrough(bool on) = 0;
  virtual FontPtr Clone() const = 0;
};

// ---------------------------------------------------------------------------
// Property bags

class PropertyBag {
 public:
  virtual ~PropertyBag() = default;
  // The stored value, or `default_value` when the key is absent. Keys match without
  // regard to case.
  virtual Variant ReadProperty(std::string_view key, const Variant& default_value) = 0;
  // Stores nothing (and removes nothing) when `value` equals `default_value`.
  virtual void WriteProperty(std::string_view key, const Variant& value, const Variant& default_value) = 0;
};

// ---------------------------------------------------------------------------
// Constituent parts of a user control. Positions and sizes are twips on the
// surface; every setter the part refuses raises the host's run-time error.

enum class PartKind { kLabel, kCheckBox, kImage, kLine, kShape, kTimer, kUserControl };

class Part {
 public:
  virtual ~Part() = default;
  virtual PartKind Kind() const = 0;
  virtual const std::string& Name() const = 0;
  virtual int Index() const = 0;  // -1 when the part is not in an array
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool visible) = 0;
};

// Parts with a rectangle (label, check box, image, shape, nested user control).
class RectPart : public Part {
 public:
  virtual float Left() const = 0;
  virtual float Top() const = 0;
  virtual float Width() const = 0;
  virtual float Height() const = 0;
  virtual void SetLeft(float v) = 0;
  virtual void SetTop(float v) = 0;
  virtual void SetWidth(float v) = 0;
  virtual void SetHeight(float v) = 0;
};

// Parts that take input and show a mouse pointer (label, check box, image).
class InputPart : public RectPart {
 public:
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool on) = 0;
  virtual PicturePtr MouseIcon() const = 0;
  virtual void SetMouseIcon(PicturePtr icon) = 0;
  virtual int16_t MousePointer() const = 0;
  virtual void SetMousePointer(int16_t pointer) = 0;  // 0..15 or 99, else 380
};

// A windowless label that sizes itself to its text on one line.
class LabelPart : public InputPart {
 public:
  virtual std::string Caption() const = 0;
  virtual void SetCaption(std::string_view text) = 0;  // resizes; reports a change
  virtual int16_t BackStyle() const = 0;
  virtual void SetBackStyle(int16_t style) = 0;  // 0 transparent, 1 opaque, else 380
  virtual OleColor BackColor() const = 0;
  virtual void SetBackColor(OleColor c) = 0;
  virtual OleColor ForeColor() const = 0;
  virtual void SetForeColor(OleColor c) = 0;
  virtual FontPtr GetFont() const = 0;
  virtual void SetFont(FontPtr font) = 0;  // the same object; resizes
  // Attribute setters act on the label's font object and resize the label.
  virtual void SetFontName(std::string_view name) = 0;
  virtual void SetFontSize(float points) = 0;
  virtual void SetFontBold(bool on) = 0;
  virtual void SetFontItalic(bool on) = 0;
  virtual void SetFontUnderline(bool on) = 0;
  virtual void SetFontStrikethrough(bool on) = 0;
};

// The host's check box, with a window of its own. Its value changes raise Click,
// whether they come from the user (a click toggles it) or from SetValue.
class CheckBoxPart : public InputPart {
 public:
  virtual int16_t Value() const = 0;
  virtual void SetValue(int16_t v) = 0;  // 0, 1, 2; else 380
  virtual int16_t Appearance() const = 0;
  virtual void SetAppearance(int16_t a) = 0;  // 0 flat, 1 3D; else 380
  virtual Handle hWnd() const = 0;
  virtual void SetFocus() = 0;
};

class ImagePart : public InputPart {
 public:
  virtual PicturePtr GetPicture() const = 0;
  virtual void SetPicture(PicturePtr picture) = 0;
};

class LinePart : public Part {
 public:
  virtual float X1() const = 0;
  virtual float Y1() const = 0;
  virtual float X2() const = 0;
  virtual float Y2() const = 0;
  virtual void SetX1(float v) = 0;
  virtual void SetY1(float v) = 0;
  virtual void SetX2(float v) = 0;
  virtual void SetY2(float v) = 0;
  virtual OleColor BorderColor() const = 0;
  virtual void SetBorderColor(OleColor c) = 0;
  virtual int16_t BorderWidth() const = 0;  // pixels
  virtual void SetBorderWidth(int16_t pixels) = 0;
};

enum class ShapeKind : int16_t {
  kRectangle = 0, kSquare = 1, kOval = 2, kCircle = 3, kRoundedRectangle = 4, kRoundedSquare = 5
};

class ShapePart : public RectPart {
 public:
  virtual ShapeKind Shape() const = 0;
  virtual void SetShape(ShapeKind kind) = 0;
  virtual OleColor FillColor() const = 0;
  virtual void SetFillColor(OleColor c) = 0;
  virtual int16_t FillStyle() const = 0;  // 0 solid, 1 transparent
  virtual void SetFillStyle(int16_t style) = 0;
  virtual OleColor BorderColor() const = 0;
  virtual void SetBorderColor(OleColor c) = 0;
  virtual int16_t BorderWidth() const = 0;
  virtual void SetBorderWidth(int16_t pixels) = 0;
};

// Ticks on the user-interface thread every Interval ms while enabled. A timer keeps
// running until it is disabled; the controls disable theirs in the tick.
class TimerPart : public Part {
 public:
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool on) = 0;
  virtual int32_t Interval() const = 0;
  virtual void SetInterval(int32_t ms) = 0;
};

class Control;
struct Declaration;  // frame/properties.h

// A nested user control with its own window (the radio button's glyph). The events
// it raises arrive at the owning control's PartEvent.
class UserControlPart : public RectPart {
 public:
  virtual Control& Object() = 0;
  virtual Handle hWnd() const = 0;
  virtual void SetFocus() = 0;
};

// ---------------------------------------------------------------------------
// Platform services

struct PaletteEntry {
  uint8_t red, green, blue, flags;
};

// The picture description handed to OleCreatePictureIndirect.
struct PictDesc {
  uint32_t size = 20;
  uint32_t type = 1;  // bitmap
  Handle bitmap = 0;
  Handle palette = 0;
};

inline constexpr int kRasterCaps = 38;
inline constexpr int kSizePalette = 104;
inline constexpr int kRcPalette = 0x100;
inline constexpr uint32_t kSrcCopy = 0x00CC0020;

// The GDI and OLE calls of window capture and of the radio glyph's round window,
// with the platform's signatures. A failed call returns 0, as the platform does.
class Gdi {
 public:
  virtual ~Gdi() = default;
  virtual Handle GetDC(Handle window) = 0;
  virtual Handle GetWindowDC(Handle window) = 0;
  virtual int ReleaseDC(Handle window, Handle dc) = 0;
  virtual Handle CreateCompatibleDC(Handle dc) = 0;
  virtual Handle CreateCompatibleBitmap(Handle dc, int width, int height) = 0;
  virtual Handle SelectObject(Handle dc, Handle object) = 0;
  virtual int GetDeviceCaps(Handle dc, int index) = 0;
  virtual unsigned GetSystemPaletteEntries(Handle dc, unsigned start, unsigned count, PaletteEntry* entries) = 0;
  // A logical palette of version 0x300 with the given entries.
  virtual Handle CreatePalette(uint16_t version, std::span<const PaletteEntry> entries) = 0;
  virtual Handle SelectPalette(Handle dc, Handle palette, bool force_background) = 0;
  virtual unsigned RealizePalette(Handle dc) = 0;
  virtual bool BitBlt(Handle dest, int x, int y, int width, int height, Handle src, int src_x, int src_y,
                      uint32_t rop) = 0;
  virtual bool DeleteDC(Handle dc) = 0;
  // Frees a bitmap, palette or region that no context holds any more.
  virtual bool DeleteObject(Handle object) = 0;
  virtual uint32_t GetLastError() = 0;
  // With `own` the picture frees the bitmap and palette when its last reference goes.
  // Null when the platform refuses.
  virtual PicturePtr OleCreatePictureIndirect(const PictDesc& desc, bool own) = 0;
  virtual Handle CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height) = 0;
  // The window owns the region from then on.
  virtual int SetWindowRgn(Handle window, Handle region, bool redraw) = 0;
};

// A form the library shows on its own, modally and with no owner window: the About
// box. Positions and sizes are twips on the form's client area.
struct FormElement {
  enum class Kind { kLabel, kLink, kLine, kPicture, kButton };
  Kind kind = Kind::kLabel;
  std::string name;  // "lblTitle", "WebLink", "cmdOK", ...
  std::string text;  // caption; "&" marks a button's access key
  float left = 0, top = 0, width = 0, height = 0;  // a line runs from (left, top) to (x2, y2)
  float x2 = 0, y2 = 0;
  OleColor fore_color = 0x80000012;  // button text
  float font_size = 0;               // points; 0 for the host's standard font
  bool bold = false;
  int16_t border_width = 1;  // pixels, lines only
  // A picture's pixels from the top row down, each an RGB colour.
  int picture_width = 0, picture_height = 0;
  std::vector<OleColor> picture;
  // The cursor a link shows: 32 by 32 pixels from the top row down, each 0 for
  // transparent, 1 for black or 2 for white, with its hot spot.
  std::vector<uint8_t> cursor;
  int cursor_hot_x = 0, cursor_hot_y = 0;
  bool default_button = false;  // Enter
  bool cancel_button = false;   // Esc, and the close box
};

struct FormSpec {
  std::string name;  // "frmAbout"
  std::string caption;
  float width = 0, height = 0;  // client area
  std::vector<FormElement> elements;
};

// What a shown form reports back, on the user-interface thread.
class FormEvents {
 public:
  virtual ~FormEvents() = default;
  // A button or link was clicked; `element` is its name.
  virtual void Click(std::string_view element) = 0;
  // The form is going away, however it closes; called once, before ShowModal returns.
  virtual void Unload() = 0;
};

class ModalForm {
 public:
  virtual ~ModalForm() = default;
  // Shows the form and returns once it has closed: by Close from one of its
  // handlers, by the cancel button or by the user's close box. Handlers run inside.
  virtual void ShowModal() = 0;
  // Ends ShowModal once the handler that calls it returns.
  virtual void Close() = 0;
};

// What the About box needs beyond the controls' own surfaces.
class Platform {
 public:
  virtual ~Platform() = default;
  enum class RegistryType : uint32_t { kString = 1, kDword = 4 };
  // Opens a key of HKEY_LOCAL_MACHINE with the access mask; 0 on failure, also when
  // the user lacks a right the mask asks for.
  virtual Handle RegOpenKey(std::string_view key, uint32_t access) = 0;
  // Queries a value into `buffer`, whose capacity is `size` bytes on the way in; on
  // success `size` is the number of bytes the value holds, as the platform counts them
  // (a string's terminating NUL included when it was stored with one). False on
  // failure, also when the value does not fit.
  virtual bool RegQueryValue(Handle key, std::string_view value, uint32_t& type, std::u16string& buffer,
                             uint32_t& size) = 0;
  virtual void RegCloseKey(Handle key) = 0;
  // The shell's "open" verb: no parameters, no working directory, shown normally.
  // Reports nothing.
  virtual void ShellOpen(std::string_view target) = 0;
  // Starts a process with a normal, focused window; raises a run-time error on failure.
  virtual void StartProcess(std::string_view path) = 0;
  // Whether a file of that path exists; a folder of that name is not one.
  virtual bool FileExists(std::string_view path) = 0;

  // Simple MAPI. A logon may ask the user for a profile; it returns a session
  // identifier greater than 0 and raises a run-time error when it fails or the user
  // cancels. MailSend hands the message to the user's mail program with its own
  // dialog shown, and raises when that fails.
  struct MailMessage {
    std::string recipient;
    std::string subject;
  };
  virtual uint32_t MailLogon() = 0;
  virtual void MailSend(uint32_t session, const MailMessage& message) = 0;
  virtual void MailLogoff(uint32_t session) = 0;

  // A form of its own for the library; `events` outlives it.
  virtual std::unique_ptr<ModalForm> NewModalForm(const FormSpec& spec, FormEvents& events) = 0;
};

enum class MsgBoxStyle : int32_t { kOkOnly = 0, kCritical = 16, kExclamation = 48, kInformation = 64 };

// The host's run-time services, one per process.
class Runtime {
 public:
  virtual ~Runtime() = default;
  // Processes every pending message, paints included, before it returns. Handlers
  // may run inside it.
  virtual void DoEvents() = 0;
  // A modal message box; returns the button pressed (1 = OK).
  virtual int MsgBox(std::string_view text, int32_t style, std::string_view title) = 0;
  virtual float TwipsPerPixelX() const = 0;
  virtual float TwipsPerPixelY() const = 0;
  virtual std::string AppTitle() const = 0;
  virtual int AppMajor() const = 0;
  virtual int AppMinor() const = 0;
  virtual int AppRevision() const = 0;
  virtual FontPtr NewFont() = 0;  // a copy of the host's standard font
  // A bitmap picture made from a control's design-time pixels (rows from the top,
  // each an RGB colour), as the platform loads a picture stored with the control.
  // Raises 380 for a size outside 1..4096 or pixels that do not fill it, 7 when the
  // platform cannot make it.
  virtual PicturePtr NewPicture(int width, int height, std::span<const OleColor> pixels) = 0;
  virtual Gdi& GetGdi() = 0;
  virtual Platform& GetPlatform() = 0;
};

// ---------------------------------------------------------------------------
// The surface: the host's UserControl, one per control instance. Sizes are twips.

class Surface {
 public:
  virtual ~Surface() = default;

  virtual Runtime& GetRuntime() = 0;

  // Creating the constituent parts, once, from the control's constructor. The
  // surface owns them; the references stay valid for the control's lifetime.
  virtual LabelPart& AddLabel(std::string_view name) = 0;
  virtual CheckBoxPart& AddCheckBox(std::string_view name) = 0;
  virtual ImagePart& AddImage(std::string_view name) = 0;
  virtual LinePart& AddLine(std::string_view name, int index = -1) = 0;
  virtual ShapePart& AddShape(std::string_view name) = 0;
  virtual TimerPart& AddTimer(std::string_view name) = 0;
  // `make` builds the nested control over the surface it is given.
  virtual UserControlPart& AddUserControl(std::string_view name,
                                          std::unique_ptr<Control> (*make)(Surface&)) = 0;

  virtual Handle hWnd() const = 0;
  virtual float Width() const = 0;
  virtual float Height() const = 0;
  // A size change notifies Resize (also from inside Resize).
  virtual void SetWidth(float twips) = 0;
  virtual void SetHeight(float twips) = 0;
  virtual float ScaleX(float value, ScaleMode from, ScaleMode to) const = 0;
  virtual float ScaleY(float value, ScaleMode from, ScaleMode to) const = 0;

  // Shown behind the parts; null clears it. The surface holds a reference.
  virtual PicturePtr GetPicture() const = 0;
  virtual void SetPicture(PicturePtr picture) = 0;
  virtual OleColor BackColor() const = 0;
  virtual void SetBackColor(OleColor c) = 0;
  virtual OleColor ForeColor() const = 0;
  virtual void SetForeColor(OleColor c) = 0;
  virtual int16_t BackStyle() const = 0;
  virtual void SetBackStyle(int16_t style) = 0;  // 0 transparent, 1 opaque
  virtual FontPtr GetFont() const = 0;
  virtual void SetFont(FontPtr font) = 0;
  virtual bool FontTransparent() const = 0;
  virtual void SetFontTransparent(bool on) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool on) = 0;  // a disabled surface takes no input
  virtual int16_t Appearance() const = 0;
  virtual void SetAppearance(int16_t a) = 0;  // 0 or 1, else 380
  virtual PicturePtr MouseIcon() const = 0;
  virtual void SetMouseIcon(PicturePtr icon) = 0;
  virtual int16_t MousePointer() const = 0;
  virtual void SetMousePointer(int16_t pointer) = 0;

  // Run-time drawing straight onto the surface, over its picture and under the parts.
  virtual void DrawLine(float x1, float y1, float x2, float y2, OleColor color) = 0;
  // Erases what DrawLine drew; the picture and the parts stay.
  virtual void Cls() = 0;
  // Repaints the surface now.
  virtual void Refresh() = 0;

  // The form the control is sited on (also inside a container). Null before siting.
  virtual DispatchPtr Parent() = 0;
  // The host's extender of this control; its members are reached by name.
  virtual DispatchPtr Extender() = 0;
  // The controls that the form's author placed inside this control, for a control
  // that holds others (a collection with Count and Item, direct children only, in
  // the form's order). Null for a control that is not a container.
  virtual DispatchPtr ContainedControls() = 0;

  // Ambient properties.
  virtual bool AmbientUserMode() const = 0;
  virtual std::string AmbientDisplayName() const = 0;
  virtual FontPtr AmbientFont() const = 0;

  virtual void PropertyChanged(std::string_view property) = 0;
  // Raises an event of the control's event interface to its container. Parameters
  // passed by reference come back changed in `args` when a handler changed them.
  virtual void RaiseEvent(std::string_view event, std::span<Variant> args) = 0;

  // Connects the control to `form`'s Activate (the control's ParentActivate is then
  // called on each activation). Raises 13 when `form` is not a form.
  virtual void ListenToActivate(const DispatchPtr& form) = 0;
};

// ---------------------------------------------------------------------------
// Notifications from the host to a control. `part` names the constituent part
// that reported the input, or is null for the surface itself. Parameters that the
// host passes by reference are references here: a change goes back to the part.

class Control {
 public:
  virtual ~Control() = default;

  // The class name of the type library ("GlazeCheck"); the private glyph control
  // answers its own name.
  virtual std::string_view ClassName() const = 0;

  // Late-bound access to the control's own members (the type library's interface).
  // Raises 438 for a member the control does not have.
  virtual Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) = 0;
  // The control's declared members in slot order (frame/properties.h): what a host
  // needs beyond the type model, such as the member a PropertyChanged name reports.
  virtual std::span<const Declaration* const> Declarations() const { return {}; }

  // Lifecycle, in the order the host drives it.
  virtual void Initialize() {}
  virtual void InitProperties() {}
  virtual void ReadProperties(PropertyBag&) {}
  virtual void WriteProperties(PropertyBag&) {}
  virtual void Resize() {}
  virtual void Show() {}
  virtual void Paint() {}
  virtual void Terminate() {}

  // Input and focus.
  virtual void Click(Part*) {}
  virtual void DblClick(Part*) {}
  virtual void MouseDown(Part*, int16_t& /*button*/, int16_t& /*shift*/, float& /*x*/, float& /*y*/) {}
  virtual void MouseMove(Part*, int16_t& /*button*/, int16_t& /*shift*/, float& /*x*/, float& /*y*/) {}
  virtual void MouseUp(Part*, int16_t& /*button*/, int16_t& /*shift*/, float& /*x*/, float& /*y*/) {}
  virtual void KeyDown(Part*, int16_t& /*key_code*/, int16_t& /*shift*/) {}
  virtual void KeyUp(Part*, int16_t& /*key_code*/, int16_t& /*shift*/) {}
  virtual void KeyPress(Part*, int16_t& /*key_ascii*/) {}
  virtual void GotFocus(Part*) {}
  virtual void LostFocus(Part*) {}
  // A label's caption changed.
  virtual void Change(Part*) {}

  virtual void TimerTick(TimerPart&) {}
  // An event raised by a nested user control part (the radio glyph).
  virtual void PartEvent(UserControlPart&, std::string_view /*event*/, std::span<Variant> /*args*/) {}

  // The parent form connected through Surface::ListenToActivate was activated.
  virtual void ParentActivate() {}
};

}  // namespace vitrelle
