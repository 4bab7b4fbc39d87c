// The Win32 surface's nested user control, run under Wine: a probe control nests a
// small round glyph control and the checks look at real windows. The glyph's window
// is a child of the owner's, takes a window region through the host's GDI, the
// focus and the keys, paints its own parts, and what it raises reaches the owner.
// Prints one line per failed check and "nested_control: N passed, M failed".
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "frame/errors.h"
#include "frame/host.h"
#include "hosts/activex/com_util.h"
#include "hosts/activex/win32_surface.h"

using namespace vitrelle;

namespace {

int passed = 0;
int failed = 0;

void Check(bool ok, const std::string& what) {
  if (ok) {
    ++passed;
  } else {
    ++failed;
    std::printf("nested_control: FAILED: %s\n", what.c_str());
  }
}

std::vector<std::string> calls;

std::string Joined() {
  std::string all;
  for (const auto& c : calls) all += (all.empty() ? "" : ", ") + c;
  return all;
}

std::string NameOf(Part* part) { return part ? part->Name() : std::string("surface"); }

int ErrorOf(void (*step)(UserControlPart&), UserControlPart& part) {
  try {
    step(part);
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

// Bounded: a surface that invalidated itself from every paint would keep it busy.
void PumpMessages() {
  MSG msg;
  for (int i = 0; i < 500 && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// A white 13 x 13 picture, as the glyph's pictures are.
PicturePtr WhitePicture(Gdi& gdi) {
  HDC screen = ::GetDC(nullptr);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 13, 13);
  HDC memory = ::CreateCompatibleDC(screen);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::PatBlt(memory, 0, 0, 13, 13, WHITENESS);
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  PictDesc desc;
  desc.bitmap = reinterpret_cast<Handle>(bitmap);
  return gdi.OleCreatePictureIndirect(desc, true);
}

int paints = 0;

// Round like the option button's glyph: a red dot over its picture, which every
// paint hands to Option1 again, and its window cut to a circle each time it is shown.
class Glyph final : public Control {
 public:
  explicit Glyph(Surface& surface)
      : surface_(surface),
        option1_(surface.AddImage("Option1")),
        dot_(surface.AddShape("Dot")),
        picture_(WhitePicture(surface.GetRuntime().GetGdi())) {
    surface.SetBackColor(Rgb(255, 255, 255));
    dot_.SetLeft(60);
    dot_.SetTop(60);
    dot_.SetWidth(75);
    dot_.SetHeight(75);
    dot_.SetFillStyle(0);
    dot_.SetFillColor(Rgb(255, 0, 0));
    dot_.SetBorderColor(Rgb(255, 0, 0));
    option1_.SetWidth(195);
    option1_.SetHeight(195);
  }
  void Paint() override {
    ++paints;
    option1_.SetPicture(picture_);
  }
  static std::unique_ptr<Control> Make(Surface& surface) { return std::make_unique<Glyph>(surface); }
  std::string_view ClassName() const override { return "Glyph"; }
  Variant Invoke(std::string_view, InvokeKind, std::span<Variant>) override { Raise(err::kNotSupported); }
  void Initialize() override { calls.push_back("glyph Initialize"); }
  void InitProperties() override { calls.push_back("glyph InitProperties"); }
  void Resize() override { calls.push_back("glyph Resize"); }
  void Show() override {
    calls.push_back("glyph Show");
    Gdi& gdi = surface_.GetRuntime().GetGdi();
    gdi.SetWindowRgn(surface_.hWnd(), gdi.CreateRoundRectRgn(0, 0, 14, 14, 14, 14), true);
  }
  void GotFocus(Part* part) override { calls.push_back("glyph GotFocus " + NameOf(part)); }
  void LostFocus(Part* part) override { calls.push_back("glyph LostFocus " + NameOf(part)); }
  void Click(Part* part) override {
    calls.push_back("glyph Click " + NameOf(part));
    surface_.RaiseEvent("Click", {});
  }
  void KeyDown(Part* part, int16_t& key_code, int16_t& shift) override {
    calls.push_back("glyph KeyDown " + NameOf(part) + " " + std::to_string(key_code));
    Variant args[] = {Variant::Integer(key_code), Variant::Integer(shift)};
    surface_.RaiseEvent("KeyDown", args);
    key_code = args[0].ToInteger();
  }
  void Terminate() override { calls.push_back("glyph Terminate"); }

 private:
  Surface& surface_;
  ImagePart& option1_;
  ShapePart& dot_;
  PicturePtr picture_;
};

class Owner final : public Control {
 public:
  explicit Owner(Surface& surface)
      : glyph_(surface.AddUserControl("RadioButton1", &Glyph::Make)), timer_(surface.AddTimer("Timer1")) {}
  std::string_view ClassName() const override { return "Owner"; }
  Variant Invoke(std::string_view, InvokeKind, std::span<Variant>) override { Raise(err::kNotSupported); }
  void Show() override { calls.push_back("owner Show"); }
  void GotFocus(Part* part) override { calls.push_back("owner GotFocus " + NameOf(part)); }
  void LostFocus(Part* part) override { calls.push_back("owner LostFocus " + NameOf(part)); }
  void PartEvent(UserControlPart& part, std::string_view event, std::span<Variant> args) override {
    std::string line = "owner PartEvent " + part.Name() + " " + std::string(event);
    for (const Variant& a : args) line += " " + std::to_string(a.ToLong());
    calls.push_back(line);
    // A by-reference parameter changed here goes back to the nested control.
    if (event == "KeyDown" && !args.empty()) args[0] = Variant::Integer(0);
  }
  UserControlPart& glyph() { return glyph_; }
  TimerPart& timer() { return timer_; }

 private:
  UserControlPart& glyph_;
  TimerPart& timer_;
};

HWND MakeForm() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
  wc.lpszClassName = L"NestedControlTestForm";
  ::RegisterClassW(&wc);
  HWND form = ::CreateWindowExW(0, wc.lpszClassName, L"nested", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 320,
                                240, nullptr, nullptr, wc.hInstance, nullptr);
  ::ShowWindow(form, SW_SHOW);
  ::SetForegroundWindow(form);
  PumpMessages();
  return form;
}

COLORREF ScreenPixel(HWND window, int x, int y) {
  ::UpdateWindow(window);
  PumpMessages();
  POINT p{x, y};
  ::ClientToScreen(window, &p);
  HDC screen = ::GetDC(nullptr);
  COLORREF c = ::GetPixel(screen, p.x, p.y);
  ::ReleaseDC(nullptr, screen);
  return c;
}

void TestNested(HWND form) {
  activex::Win32Surface surface;
  surface.SetWidth(3000);
  surface.SetHeight(1500);
  Owner owner(surface);
  UserControlPart& glyph = owner.glyph();
  surface.Attach(&owner, nullptr);
  Check(Joined() == "glyph Initialize, glyph InitProperties, glyph Resize",
        "the nested control is initialised when the part is made: " + Joined());
  Check(glyph.Kind() == PartKind::kUserControl && glyph.Name() == "RadioButton1" && glyph.Width() == 195 &&
            glyph.Height() == 195 && glyph.hWnd() == 0 && !owner.timer().Enabled(),
        "the part starts 195 twips square, without a window before the owner has one; a timer part starts disabled");
  DispatchPtr extender = surface.Extender();
  Check(extender->IsA("Owner") && extender->IsA("_Owner") && extender->IsA("Object") && !extender->IsA("Glyph"),
        "without a container the control's own extender is of the control's class");
  Check(ErrorOf([](UserControlPart& g) { g.SetFocus(); }, glyph) == err::kCantMoveFocus,
        "without a window the part refuses the focus");

  calls.clear();
  glyph.SetLeft(300);
  glyph.SetTop(150);
  Check(surface.CreateWindowIn(form, RECT{10, 10, 210, 110}), "the owner's window is created");
  HWND window = reinterpret_cast<HWND>(glyph.hWnd());
  Check(window && ::GetParent(window) == surface.window(), "the part's window is a child of the owner's");
  RECT r{};
  ::GetWindowRect(window, &r);
  ::MapWindowPoints(nullptr, surface.window(), reinterpret_cast<POINT*>(&r), 2);
  Check(r.left == 20 && r.top == 10 && r.right - r.left == 13 && r.bottom - r.top == 13,
        "the part's window lies at its twips place in pixels");
  Check(Joined() == "glyph Show", "the nested control hears Show when its window appears: " + Joined());

  HRGN region = ::CreateRectRgn(0, 0, 0, 0);
  Check(::GetWindowRgn(window, region) != ERROR && ::PtInRegion(region, 6, 6) && !::PtInRegion(region, 0, 0) &&
            !::PtInRegion(region, 12, 0),
        "Show gave the part's window a round region: the centre in, the corners out");
  ::DeleteObject(region);

  Check(ScreenPixel(window, 6, 6) == RGB(255, 0, 0) && ScreenPixel(window, 1, 6) == RGB(255, 255, 255),
        "the nested control paints its own parts in its window, and its picture beneath them");
  const int painted = paints;
  for (int i = 0; i < 5; ++i) PumpMessages();
  Check(painted > 0 && paints == painted, "a picture set again from Paint paints nothing more: " +
                                              std::to_string(paints - painted) + " more paints");

  calls.clear();
  glyph.SetFocus();
  Check(::GetFocus() == window, "SetFocus gives the part's window the focus");
  Check(Joined() == "glyph GotFocus surface, owner GotFocus RadioButton1",
        "the nested control, then its owner for the part, hear of the focus: " + Joined());

  calls.clear();
  ::SendMessageW(window, WM_KEYDOWN, VK_LEFT, 0);
  Check(Joined() == "glyph KeyDown surface 37, owner PartEvent RadioButton1 KeyDown 37 0",
        "keys go to the nested control, and what it raises to its owner: " + Joined());

  calls.clear();
  ::SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(6, 6));
  ::SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(6, 6));
  Check(Joined() == "glyph Click Option1, owner PartEvent RadioButton1 Click",
        "a click on the nested control's part reaches it and its owner: " + Joined());

  calls.clear();
  ::SetFocus(form);
  Check(Joined() == "glyph LostFocus surface, owner LostFocus RadioButton1",
        "losing the focus is told in the same order: " + Joined());

  calls.clear();
  ::SetFocus(surface.window());
  Check(::GetFocus() == window && Joined() == "glyph GotFocus surface, owner GotFocus RadioButton1",
        "the owner's window passes the focus on to the part, and only the part is said to have it: " + Joined());

  glyph.SetWidth(300);
  ::GetWindowRect(window, &r);
  Check(glyph.Width() == 300 && r.right - r.left == 20, "a new width sizes the part's window");
  Check(ErrorOf([](UserControlPart& g) { g.SetWidth(-1); }, glyph) == err::kInvalidPropertyValue && glyph.Width() == 300,
        "a negative width is refused and changes nothing");

  glyph.SetVisible(false);
  Check(!::IsWindowVisible(window) && ErrorOf([](UserControlPart& g) { g.SetFocus(); }, glyph) == err::kCantMoveFocus,
        "a hidden part hides its window and refuses the focus");
  calls.clear();
  glyph.SetVisible(true);
  Check(::IsWindowVisible(window) && Joined() == "glyph Show", "shown again, it hears Show again: " + Joined());
  surface.SetShownFlag(false);
  calls.clear();
  surface.SetShownFlag(true);
  Check(Joined() == "owner Show, glyph Show", "an owner shown again is followed by its nested control: " + Joined());
  surface.SetEnabled(false);
  Check(ErrorOf([](UserControlPart& g) { g.SetFocus(); }, glyph) == err::kCantMoveFocus,
        "the part of a disabled owner refuses the focus");
  surface.SetEnabled(true);

  surface.DestroyWindowNow();
  Check(!::IsWindow(window) && glyph.hWnd() == 0, "the part's window goes with the owner's");
  calls.clear();
  surface.Attach(nullptr, nullptr);
}

}  // namespace

int main() {
  activex::SetModuleInstance(::GetModuleHandleW(nullptr));
  if (FAILED(::OleInitialize(nullptr))) {
    std::printf("nested_control: OleInitialize failed\n");
    return 1;
  }
  HWND form = MakeForm();
  TestNested(form);
  ::DestroyWindow(form);
  ::OleUninitialize();
  std::printf("nested_control: %d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
