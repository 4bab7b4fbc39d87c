#include "hosts/activex/testhost/form_host.h"

#include <olectl.h>
#include <wincodec.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "frame/errors.h"
#include "frame/members.h"
#include "frame/part_rules.h"
#include "frame/type_model.h"
#include "hosts/activex/control_internals.h"
#include "hosts/activex/ole_objects.h"
#include "hosts/activex/testhost/dispatch_base.h"
#include "hosts/activex/testhost/dispatch_values.h"
#include "hosts/activex/testhost/extender.h"
#include "hosts/activex/testhost/form_dispatch.h"
#include "hosts/activex/testhost/sinks.h"
#include "hosts/activex/testhost/site_object.h"

namespace vitrelle::testhost {

using activex::FromVariant;
using activex::Narrow;
using activex::ToBstr;
using activex::Widen;

namespace {

constexpr wchar_t kFormClass[] = L"VitrelleTestForm";

OLE_COLOR ColorRef(OLE_COLOR color) {
  COLORREF out = 0;
  ::OleTranslateColor(color, nullptr, &out);
  return out;
}

WNDPROC g_button_proc = nullptr;

// A frame is the platform's group box with controls in it. What those ask their
// parent (the colours to draw in) is the form's to answer, and the frame fills
// its inside in the colour its controls ask for, as a form package's frame does,
// rather than leave it to whatever lay there.
LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return ::SendMessageW(::GetAncestor(hwnd, GA_ROOT), msg, wp, lp);
    case WM_ERASEBKGND: {
      RECT client;
      ::GetClientRect(hwnd, &client);
      auto brush = reinterpret_cast<HBRUSH>(
          ::SendMessageW(::GetParent(hwnd), WM_CTLCOLORSTATIC, wp, reinterpret_cast<LPARAM>(hwnd)));
      ::FillRect(reinterpret_cast<HDC>(wp), &client, brush ? brush : ::GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    default:
      return ::CallWindowProcW(g_button_proc, hwnd, msg, wp, lp);
  }
}

void HoldControls(HWND frame) {
  auto previous = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FrameProc)));
  if (!g_button_proc) g_button_proc = previous;
}

}  // namespace

// ---------------------------------------------------------------------------

Form::Form(const std::string& path, bool user_mode, script::ScriptLog** log, Activation activation)
    : path_(path), user_mode_(user_mode), log_(log), activation_(activation) {
  vfm::Block block = vfm::ReadVfmFile(path);
  folder_ = std::filesystem::path(path).parent_path().string();
  name_ = block.name;
  caption_ = block.name;
  dispatch_ = new FormDispatch(*this);

  HDC screen = ::GetDC(nullptr);
  tpp_x_ = 1440.0f / static_cast<float>(::GetDeviceCaps(screen, LOGPIXELSX));
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  tpp_y_ = 1440.0f / static_cast<float>(::GetDeviceCaps(screen, LOGPIXELSY));
  ::ReleaseDC(nullptr, screen);
  CheckMachine(block, dpi);

  if (auto* e = block.Find("BackColor")) back_color_ = static_cast<OLE_COLOR>(e->value.value.ToLong());
  if (auto* e = block.Find("Width")) client_width_ = e->value.value.ToSingle();
  if (auto* e = block.Find("Height")) client_height_ = e->value.value.ToSingle();
  if (auto* e = block.Find("Caption")) caption_ = e->value.value.ToString();

  static bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Form::WindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kFormClass;
    return ::RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
  RECT frame{0, 0, ToPixelsX(client_width_), ToPixelsY(client_height_)};
  DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  ::AdjustWindowRectEx(&frame, style, FALSE, 0);
  hwnd_ = ::CreateWindowExW(0, kFormClass, Widen(caption_).c_str(), style, 0, 0, frame.right - frame.left,
                            frame.bottom - frame.top, nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
  if (!hwnd_) throw std::runtime_error("cannot create the form's window");

  for (const char* key : {"Picture", "Pattern"}) {
    const vfm::Entry* e = block.Find(key);
    if (!e || !e->value.picture_path) continue;
    try {
      ComPtr<IPicture> p = LoadPictureFile((std::filesystem::path(folder_) / *e->value.picture_path).string());
      p->AddRef();
      SetPicture(p.get(), key[1] == 'a');
    } catch (const RuntimeError& err) {
      load_errors_.push_back(err);
    }
  }
  for (const vfm::Block& child : block.children) {
    if (!IsMachine(child)) AddControl(child, nullptr);
  }
}

bool Form::IsMachine(const vfm::Block& block) { return NamesEqual(block.class_name, "Machine"); }

// The model host makes the machine a form's Machine block describes. This container
// runs on the real one: it can only check that the display is the one asked for, and
// refuses what it cannot give rather than run the form on another machine unseen.
void Form::CheckMachine(const vfm::Block& form, int dpi) {
  for (const vfm::Block& machine : form.children) {
    if (!IsMachine(machine)) continue;
    for (const vfm::Entry& e : machine.entries) {
      if (!NamesEqual(e.key, "Dpi")) {
        throw std::runtime_error("the test container cannot give a form's machine its " + e.key);
      }
      const int wanted = static_cast<int>(e.value.value.ToLong());
      if (wanted != dpi) {
        throw std::runtime_error("the form asks for a display of " + std::to_string(wanted) + " dpi; this one has " +
                                 std::to_string(dpi));
      }
    }
    if (!machine.children.empty()) {
      throw std::runtime_error("the test container cannot give a form's machine its " +
                               machine.children.front().class_name + " " + machine.children.front().name);
    }
  }
}

Form::~Form() {
  // A closing form goes from the screen first, as the platform's own forms do, and
  // then its controls. Taken down one by one on a visible form, each control's
  // windows made the window server work out the form's visible and update regions
  // again, twice a control: as long again as loading the control had taken.
  if (hwnd_) ::ShowWindow(hwnd_, SW_HIDE);
  sites_.clear();
  classes_.clear();
  if (hwnd_) {
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
  }
  if (dispatch_) dispatch_->Release();
  FreePictureCopy();
}

IDispatch* Form::Dispatch() const { return dispatch_; }

int Form::ToPixelsX(float twips) const { return static_cast<int>(std::lround(twips / tpp_x_)); }
int Form::ToPixelsY(float twips) const { return static_cast<int>(std::lround(twips / tpp_y_)); }

Site* Form::Find(const std::string& name, int index) {
  for (auto& s : sites_) {
    if (NamesMatch(s->name, name) && s->index == index) return s.get();
  }
  return nullptr;
}

Site* Form::SiteOfWindow(HWND window) {
  // From the window outwards: a frame's window holds the windows of the controls
  // placed in it, and the nearest is the one meant.
  for (HWND w = window; w && w != hwnd_; w = ::GetParent(w)) {
    for (auto& s : sites_) {
      if (s->Window() == w) return s.get();
    }
  }
  return nullptr;
}

std::vector<Site*> Form::TabOrder() {
  std::vector<Site*> order;
  for (auto& s : sites_) {
    HWND w = s->Window();
    if (s->tab_stop && s->takes_focus && w && ::IsWindowVisible(w) && ::IsWindowEnabled(w)) order.push_back(s.get());
  }
  std::stable_sort(order.begin(), order.end(), [](Site* a, Site* b) { return a->tab_index < b->tab_index; });
  return order;
}

void Form::MoveFocusFrom(Site& leaving) {
  HWND gone = leaving.Window();
  HWND focus = ::GetFocus();
  if (!gone || !focus || (focus != gone && !::IsChild(gone, focus))) return;
  std::vector<Site*> order = TabOrder();
  const size_t n = order.size();
  const size_t start = static_cast<size_t>(std::find(order.begin(), order.end(), &leaving) - order.begin());
  for (size_t step = 1; step <= n; ++step) {
    Site* next = order[(start + step) % n];
    HWND w = next->Window();
    if (w != gone && !::IsChild(gone, w)) {
      ::SetFocus(w);
      return;
    }
  }
  ::SetFocus(hwnd_);
}

void Form::SetBackColor(OLE_COLOR color) {
  CheckColor(color);
  back_color_ = color;
  FreePictureCopy();
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void Form::SetPicture(IPicture* picture, bool tiled) {
  picture_ = ComPtr<IPicture>(picture, false);
  tiled_ = tiled;
  FreePictureCopy();
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void Form::SetClientSize(float width, float height) {
  CheckExtent(width);
  CheckExtent(height);
  client_width_ = width;
  client_height_ = height;
  RECT frame{0, 0, ToPixelsX(width), ToPixelsY(height)};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongW(hwnd_, GWL_STYLE)), FALSE, 0);
  ::SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SetCaption(const std::string& caption) {
  caption_ = caption;
  ::SetWindowTextW(hwnd_, Widen(caption).c_str());
}

void Form::PaintBackground(HDC dc) {
  RECT client;
  ::GetClientRect(hwnd_, &client);
  HBRUSH brush = ::CreateSolidBrush(ColorRef(back_color_));
  ::FillRect(dc, &client, brush);
  ::DeleteObject(brush);
  if (!picture_) return;
  OLE_XSIZE_HIMETRIC w = 0;
  OLE_YSIZE_HIMETRIC h = 0;
  picture_->get_Width(&w);
  picture_->get_Height(&h);
  int px = static_cast<int>(std::lround(static_cast<double>(w) * 1440 / 2540 / tpp_x_));
  int py = static_cast<int>(std::lround(static_cast<double>(h) * 1440 / 2540 / tpp_y_));
  if (px <= 0 || py <= 0) return;
  int cols = tiled_ ? (client.right + px - 1) / px : 1;
  int rows = tiled_ ? (client.bottom + py - 1) / py : 1;
  HDC source = PictureCopy(px, py);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      if (source) {
        ::BitBlt(dc, c * px, r * py, px, py, source, 0, 0, SRCCOPY);
      } else {
        picture_->Render(dc, c * px, r * py, px, py, 0, h, w, -h, nullptr);
      }
    }
  }
}

// The form's picture drawn once over its colour and kept, as form packages keep
// theirs: every control that copies its background makes the form paint again,
// and rendering the picture anew each time costs more than the copy itself.
HDC Form::PictureCopy(int width, int height) {
  if (picture_dc_ && picture_width_ == width && picture_height_ == height) return picture_dc_;
  FreePictureCopy();
  picture_bitmap_ = activex::CreateBitmap32(nullptr, width, height, /*top_down=*/true, nullptr);
  picture_dc_ = picture_bitmap_ ? ::CreateCompatibleDC(nullptr) : nullptr;
  if (!picture_dc_) {
    FreePictureCopy();
    return nullptr;
  }
  picture_old_bitmap_ = ::SelectObject(picture_dc_, picture_bitmap_);
  picture_width_ = width;
  picture_height_ = height;
  RECT all{0, 0, width, height};
  HBRUSH brush = ::CreateSolidBrush(ColorRef(back_color_));
  ::FillRect(picture_dc_, &all, brush);
  ::DeleteObject(brush);
  OLE_XSIZE_HIMETRIC w = 0;
  OLE_YSIZE_HIMETRIC h = 0;
  picture_->get_Width(&w);
  picture_->get_Height(&h);
  picture_->Render(picture_dc_, 0, 0, width, height, 0, h, w, -h, nullptr);
  return picture_dc_;
}

void Form::FreePictureCopy() {
  if (picture_dc_) {
    ::SelectObject(picture_dc_, picture_old_bitmap_);
    ::DeleteDC(picture_dc_);
  }
  if (picture_bitmap_) ::DeleteObject(picture_bitmap_);
  picture_dc_ = nullptr;
  picture_bitmap_ = nullptr;
  picture_width_ = picture_height_ = 0;
}

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* form = reinterpret_cast<Form*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (form) {
    switch (msg) {
      case WM_ERASEBKGND:
        form->PaintBackground(reinterpret_cast<HDC>(wp));
        return 1;
      // Controls copy their background through this as well as through the screen.
      case WM_PRINTCLIENT:
        form->PaintBackground(reinterpret_cast<HDC>(wp));
        return 0;
      // A form hands the focus back to the control that had it, or on its first
      // activation to the first control in the tab order, as form packages do.
      case WM_ACTIVATE:
        if (LOWORD(wp) == WA_INACTIVE) {
          HWND focus = ::GetFocus();
          if (focus && ::IsChild(hwnd, focus)) form->last_focus_ = focus;
          return 0;
        }
        if (form->last_focus_ && ::IsWindow(form->last_focus_) && ::IsWindowVisible(form->last_focus_)) {
          ::SetFocus(form->last_focus_);
        } else if (auto order = form->TabOrder(); !order.empty()) {
          ::SetFocus(order.front()->Window());
        } else {
          ::SetFocus(hwnd);
        }
        return 0;
      // Host controls draw in the colours their file gives; the rest keep the
      // system's.
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLOREDIT:
        for (auto& s : form->sites_) {
          if (s->host_window != reinterpret_cast<HWND>(lp)) continue;
          HDC dc = reinterpret_cast<HDC>(wp);
          if (s->host_fore) ::SetTextColor(dc, ColorRef(*s->host_fore));
          if (!s->host_back) break;
          LOGBRUSH lb{};
          ::GetObjectW(s->host_back, sizeof lb, &lb);
          ::SetBkColor(dc, lb.lbColor);
          return reinterpret_cast<LRESULT>(s->host_back);
        }
        break;
      case WM_CLOSE:
        return 0;  // the script decides when the form goes
      default:
        break;
    }
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

void Form::AddControl(const vfm::Block& block, Site* container) {
  auto site = std::make_unique<Site>(*this, container, block.class_name, block.name);
  Site& s = *site;
  if (auto* e = block.Find("Index")) s.index = e->value.value.ToInteger();
  if (auto* e = block.Find("Left")) s.left = e->value.value.ToSingle();
  if (auto* e = block.Find("Top")) s.top = e->value.value.ToSingle();
  // Host controls placed without a size get the size a designer draws them at.
  s.width = 1215;
  s.height = 495;
  if (auto* e = block.Find("Width")) s.width = e->value.value.ToSingle();
  if (auto* e = block.Find("Height")) s.height = e->value.value.ToSingle();
  s.tab_index = static_cast<int>(sites_.size());
  if (auto* e = block.Find("TabIndex")) s.tab_index = e->value.value.ToInteger();
  if (auto* e = block.Find("TabStop")) s.tab_stop = e->value.value.ToBoolean();
  if (auto* e = block.Find("Visible")) s.visible = e->value.value.ToBoolean();
  s.extender = new Extender(s);
  sites_.push_back(std::move(site));
  if (LibraryClass(block.class_name)) {
    SiteLibraryControl(s, block);
  } else {
    CreateHostWindow(s, block);
  }
  // The controls a frame holds live in its window, so that they move, clip and
  // hide with it; their positions are the frame's.
  for (const vfm::Block& child : block.children) AddControl(child, &s);
}

// A form names few classes many times, and each lookup of a class costs several
// reads of the registry: each class is looked up and its factory obtained once, as
// form packages do.
Form::LoadedClass* Form::LibraryClass(const std::string& class_name) {
  for (auto& c : classes_) {
    if (NamesMatch(c.name, class_name)) return c.found ? &c : nullptr;
  }
  LoadedClass c;
  c.name = class_name;
  c.found = SUCCEEDED(::CLSIDFromProgID(Widen("Vitrelle." + class_name).c_str(), &c.clsid));
  if (c.found) {
    ::CoGetClassObject(c.clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                       reinterpret_cast<void**>(c.factory.Put()));
  }
  classes_.push_back(std::move(c));
  return classes_.back().found ? &classes_.back() : nullptr;
}

namespace {

// The control's default event interface and its type information, which names
// the events in the log.
void FindEvents(Site& s) {
  ComPtr<IProvideClassInfo2> info2;
  if (FAILED(s.control->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(info2.Put()))) ||
      FAILED(info2->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &s.event_iid)))
    return;
  ComPtr<ITypeInfo> cls;
  ComPtr<ITypeLib> lib;
  UINT at = 0;
  if (SUCCEEDED(info2->GetClassInfo(cls.Put())) && SUCCEEDED(cls->GetContainingTypeLib(lib.Put(), &at)))
    lib->GetTypeInfoOfGuid(s.event_iid, s.events.Put());
}

bool HasEvents(const Site& s) { return !IsEqualGUID(s.event_iid, GUID_NULL); }

}  // namespace

void Form::SiteLibraryControl(Site& s, const vfm::Block& block) {
  LoadedClass* c = LibraryClass(block.class_name);
  HRESULT hr = E_FAIL;
  if (c && c->factory) {
    hr = c->factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(s.control.Put()));
  } else if (c) {
    hr = ::CoCreateInstance(c->clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                            reinterpret_cast<void**>(s.control.Put()));
  }
  if (FAILED(hr)) {
    load_errors_.push_back(RuntimeError(429, "ActiveX component can't create object"));
    return;
  }
  s.control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(s.control_dispatch.Put()));
  s.control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(s.ole_object.Put()));
  s.site_object = new SiteObject(s);
  FindEvents(s);

  // A form designer knows a saved control's extent before it loads the control's
  // properties, and a control may place its parts by its width while it loads (a
  // right-justified glyph does).
  SIZEL himetric{std::lround(s.width * 2540.0f / 1440.0f), std::lround(s.height * 2540.0f / 1440.0f)};
  const bool quick = activation_ == Activation::kQuick && s.ole_object;
  DWORD misc = 0;
  if (quick) {
    misc = QuickActivate(s, himetric);
  } else {
    // Events and change notifications are connected before the properties load so
    // that what loading reports reaches the log too.
    ComPtr<IConnectionPointContainer> cpc;
    s.control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(cpc.Put()));
    ComPtr<IConnectionPoint> cp;
    if (HasEvents(s) && cpc && SUCCEEDED(cpc->FindConnectionPoint(s.event_iid, cp.Put()))) {
      auto* sink = new EventSink(s, s.event_iid);
      cp->Advise(sink, &s.event_cookie);
      sink->Release();
    }
    ComPtr<IConnectionPoint> notify;
    if (cpc && SUCCEEDED(cpc->FindConnectionPoint(IID_IPropertyNotifySink, notify.Put()))) {
      auto* sink = new NotifySink(s);
      s.offers_property_notify = SUCCEEDED(notify->Advise(sink, &s.notify_cookie));
      sink->Release();
    }
    if (s.ole_object) {
      s.ole_object->GetMiscStatus(DVASPECT_CONTENT, &misc);
      if (misc & OLEMISC_SETCLIENTSITEFIRST) s.ole_object->SetClientSite(s.site_object);
      s.ole_object->SetExtent(DVASPECT_CONTENT, &himetric);
    }
  }
  s.takes_focus = !(misc & OLEMISC_NOUIACTIVATE);
  ComPtr<IPersistPropertyBag> persist;
  if (SUCCEEDED(s.control->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(persist.Put())))) {
    FileBag bag(block, folder_);
    hr = persist->Load(&bag, nullptr);
    if (FAILED(hr)) {
      try {
        RaiseFromHResult(hr, nullptr);
      } catch (const RuntimeError& e) {
        load_errors_.push_back(e);
      }
    }
  }
  if (!s.ole_object) return;  // a control without in-place activation stays windowless
  if (!quick && !(misc & OLEMISC_SETCLIENTSITEFIRST)) s.ole_object->SetClientSite(s.site_object);
  s.ole_object->SetHostNames(L"Vitrelle test container", Widen(name_).c_str());
  // The quick path gave the extent with SetContentExtent already.
  if (!quick) s.ole_object->SetExtent(DVASPECT_CONTENT, &himetric);
  RECT rect = s.PixelRect();
  hr = s.ole_object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, s.site_object, 0, hwnd_, &rect);
  if (SUCCEEDED(hr)) {
    s.control->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(s.in_place.Put()));
    if (!s.visible) s.SetVisible(false);
  }
}

DWORD Form::QuickActivate(Site& s, const SIZEL& himetric) {
  // Every library control that activates in place offers the one-call path; one
  // that does not, or refuses it, would leave the quick run testing nothing.
  ComPtr<IQuickActivate> quick;
  if (FAILED(s.control->QueryInterface(IID_IQuickActivate, reinterpret_cast<void**>(quick.Put()))))
    throw std::runtime_error(s.Display() + " offers no IQuickActivate");
  EventSink* events = HasEvents(s) ? new EventSink(s, s.event_iid) : nullptr;
  auto* changes = new NotifySink(s);
  // The form's one font object for every control, as form packages hand theirs
  // over: a control that changed the object it was given would change its
  // neighbours' fonts, where the ordinary path's fresh object per read hides that.
  if (!host_font_) {
    FONTDESC desc = AmbientFont();
    ::OleCreateFontIndirect(&desc, IID_IFont, reinterpret_cast<void**>(host_font_.Put()));
  }

  // The same ambients the site answers on the ordinary path.
  QACONTAINER container{};
  container.cbSize = sizeof container;
  container.pClientSite = s.site_object;
  container.pAdviseSink = nullptr;  // this container keeps no cached views
  container.pPropertyNotifySink = changes;
  container.pUnkEventSink = events;
  container.dwAmbientFlags = (user_mode_ ? QACONTAINER_USERMODE : 0) | QACONTAINER_SUPPORTSMNEMONICS;
  container.colorFore = 0x80000012;  // button text
  container.colorBack = back_color_;
  container.pFont = host_font_.get();
  container.dwAppearance = 1;
  container.lcid = ::GetUserDefaultLCID();
  container.pOleControlSite = s.site_object;
  QACONTROL control{};
  control.cbSize = sizeof control;
  const HRESULT hr = quick->QuickActivate(&container, &control);
  if (events) events->Release();
  changes->Release();
  if (FAILED(hr)) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lx", static_cast<unsigned long>(hr));
    throw std::runtime_error(s.Display() + " refuses QuickActivate: " + code);
  }
  s.event_cookie = control.dwEventCookie;
  s.notify_cookie = control.dwPropNotifyCookie;
  s.offers_property_notify = control.dwPropNotifyCookie != 0;
  // The one call leaves out the extent: the control hears it before it loads, as
  // on the ordinary path.
  SIZEL extent = himetric;
  quick->SetContentExtent(&extent);
  return control.dwMiscStatus;
}

void Form::CreateHostWindow(Site& s, const vfm::Block& block) {
  struct Kind {
    const char* name;
    const wchar_t* window_class;
    DWORD style;
  };
  static const Kind kinds[] = {
      {"TextBox", L"EDIT", WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP},
      {"CommandButton", L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP},
      {"CheckBox", L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP},
      {"OptionButton", L"BUTTON", BS_AUTORADIOBUTTON | WS_TABSTOP},
      {"Label", L"STATIC", 0},
      {"Frame", L"BUTTON", BS_GROUPBOX},
      {"PictureBox", L"STATIC", WS_BORDER},
  };
  const Kind* kind = nullptr;
  for (const Kind& k : kinds) {
    if (NamesMatch(k.name, s.class_name)) kind = &k;
  }
  if (!kind) {
    load_errors_.push_back(RuntimeError(429, "ActiveX component can't create object"));
    return;
  }
  // The text a designer gives a new control is its name; the file's Caption (a
  // TextBox's Text) replaces it.
  std::string text = NamesMatch(kind->name, "TextBox") ? std::string() : s.name;
  if (auto* e = block.Find(NamesMatch(kind->name, "TextBox") ? "Text" : "Caption")) text = e->value.value.ToString();
  if (auto* e = block.Find("ForeColor")) s.host_fore = static_cast<OLE_COLOR>(e->value.value.ToLong());
  if (auto* e = block.Find("BackColor"))
    s.host_back = ::CreateSolidBrush(ColorRef(static_cast<OLE_COLOR>(e->value.value.ToLong())));
  RECT r = s.PixelRect();
  const bool frame = NamesMatch(kind->name, "Frame");
  // A label or a frame names and groups controls; the focus never stops on it.
  s.takes_focus = !frame && !NamesMatch(kind->name, "Label");
  s.host_window = ::CreateWindowExW(0, kind->window_class, Widen(text).c_str(),
                                    WS_CHILD | WS_CLIPSIBLINGS | (s.visible ? WS_VISIBLE : 0) | kind->style |
                                        (frame ? WS_CLIPCHILDREN : 0),
                                    r.left, r.top, r.right - r.left, r.bottom - r.top, s.ParentWindow(), nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
  if (frame && s.host_window) HoldControls(s.host_window);
  // The same face the library controls get as the ambient font.
  if (!host_font_) {
    FONTDESC desc = AmbientFont();
    ::OleCreateFontIndirect(&desc, IID_IFont, reinterpret_cast<void**>(host_font_.Put()));
  }
  HFONT font = nullptr;
  if (host_font_ && SUCCEEDED(host_font_->get_hFont(&font)) && s.host_window)
    ::SendMessageW(s.host_window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  // A check box or option button saved as set loads set, and says so as the
  // user's click would.
  if (auto* e = block.Find("Value"); e && s.host_window && s.extender) {
    try {
      Variant value[1] = {e->value.value};
      CallByName(s.extender, "Value", DISPATCH_PROPERTYPUT, value);
    } catch (const RuntimeError& err) {
      load_errors_.push_back(err);
    }
  }
}

void Form::WriteImage(const std::string& path) {
  ::UpdateWindow(hwnd_);
  RECT client;
  ::GetClientRect(hwnd_, &client);
  int w = client.right, h = client.bottom;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = ::GetDC(hwnd_);
  HBITMAP bitmap = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = ::CreateCompatibleDC(screen);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  ::ReleaseDC(hwnd_, screen);
  struct Free {
    HBITMAP b;
    ~Free() { ::DeleteObject(b); }
  } free_bitmap{bitmap};
  auto* pixels = static_cast<BYTE*>(bits);
  size_t size = static_cast<size_t>(w) * static_cast<size_t>(h) * 4;
  // The fourth byte of a copied pixel is whatever last wrote it: GDI drawing leaves 0,
  // a bitmap blitted from a 32-bit picture leaves its own. Readers that take that
  // byte as alpha then show text and lines drawn over a picture as transparent, so
  // every pixel is written opaque.
  for (size_t i = 3; i < size; i += 4) pixels[i] = 0xFF;

  std::string ext = std::filesystem::path(path).extension().string();
  if (NamesMatch(ext, ".png")) {
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    bool ok = SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Put()))) &&
              SUCCEEDED(factory->CreateStream(stream.Put())) &&
              SUCCEEDED(stream->InitializeFromFilename(Widen(path).c_str(), GENERIC_WRITE)) &&
              SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Put())) &&
              SUCCEEDED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) &&
              SUCCEEDED(encoder->CreateNewFrame(frame.Put(), nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
              SUCCEEDED(frame->SetSize(static_cast<UINT>(w), static_cast<UINT>(h))) &&
              SUCCEEDED(frame->SetPixelFormat(&format)) && IsEqualGUID(format, GUID_WICPixelFormat32bppBGR) &&
              SUCCEEDED(frame->WritePixels(static_cast<UINT>(h), static_cast<UINT>(w) * 4,
                                           static_cast<UINT>(size), pixels)) &&
              SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    if (!ok) throw std::runtime_error("cannot write " + path + " as PNG");
    return;
  }
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = static_cast<DWORD>(file.bfOffBits + size);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
  out.write(reinterpret_cast<const char*>(pixels), static_cast<std::streamsize>(size));
  if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace vitrelle::testhost
