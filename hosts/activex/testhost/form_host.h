// The test container's form: a real top-level window that paints its own
// background, the host's plain windows (TextBox, CommandButton, ...), and each
// library control sited through the standard OLE control interfaces exactly as a
// form designer's run time sites it.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hosts/activex/com_util.h"
#include "script/driver.h"
#include "vfm/vfm_reader.h"

namespace vitrelle::testhost {

using activex::ComPtr;

class Form;
class SiteObject;

// How the form sites its library controls: the ordinary sequence of calls
// (SetClientSite, Advise, the ambients read one by one, Load, DoVerb), or
// IQuickActivate, which hands the site, the sinks and the ambients over in one
// call before Load and DoVerb. Containers use either; a control must behave the
// same under both.
enum class Activation { kOrdinary, kQuick };
class Extender;

// One control on the form, library or host.
class Site {
 public:
  Site(Form& form, Site* container, std::string class_name, std::string name);
  ~Site();

  std::string class_name;
  std::string name;
  int index = -1;
  int tab_index = 0;
  bool tab_stop = true;
  bool visible = true;
  float left = 0, top = 0, width = 0, height = 0;  // twips, in the container
  Site* container = nullptr;                       // the form when null

  bool IsLibrary() const { return static_cast<bool>(control); }
  std::string Display() const;  // Name or Name(Index)
  // The window the control shows itself in: its in-place window, or the host
  // window; null for a control that has not (yet) made one.
  HWND Window() const;
  // The window the control's own window is a child of: its container's, or the
  // form's.
  HWND ParentWindow() const;
  RECT PixelRect() const;  // in ParentWindow's client area
  // Moves the window and tells the control its new extent.
  void ApplyExtent();
  void SetVisible(bool on);
  IDispatch* ExtenderDispatch() const;

  Form& form;
  HWND host_window = nullptr;  // host controls
  // A host control's colours from the file; a brush exists only for a BackColor.
  std::optional<OLE_COLOR> host_fore;
  HBRUSH host_back = nullptr;
  // Library controls.
  ComPtr<IUnknown> control;
  ComPtr<IDispatch> control_dispatch;
  ComPtr<IOleObject> ole_object;
  ComPtr<IOleInPlaceObject> in_place;
  SiteObject* site_object = nullptr;  // owned reference
  bool takes_focus = true;            // false for a class that never takes it (a frame)
  Extender* extender = nullptr;       // owned reference
  ComPtr<ITypeInfo> events;           // the default source interface
  DWORD event_cookie = 0, notify_cookie = 0;
  GUID event_iid{};
  bool offers_property_notify = false;
};

class Form {
 public:
  // Reads the file and creates everything; run-time errors of a control's load
  // are collected in `load_errors` (the rest of the form still loads).
  Form(const std::string& path, bool user_mode, script::ScriptLog** log, Activation activation);
  ~Form();

  HWND Window() const { return hwnd_; }
  bool UserMode() const { return user_mode_; }
  std::string Name() const { return name_; }
  const std::string& Folder() const { return folder_; }
  std::vector<std::unique_ptr<Site>>& Sites() { return sites_; }
  Site* Find(const std::string& name, int index);
  // The innermost control whose window is `window` or holds it.
  Site* SiteOfWindow(HWND window);
  // Controls that take the focus from Tab, in TabIndex order.
  std::vector<Site*> TabOrder();
  // Before `leaving` hides with the focus inside it: the focus goes on to the next
  // control in the tab order outside it, as a form does, not to the form's window.
  void MoveFocusFrom(Site& leaving);
  IDispatch* Dispatch() const;

  float TwipsPerPixelX() const { return tpp_x_; }
  float TwipsPerPixelY() const { return tpp_y_; }
  int ToPixelsX(float twips) const;
  int ToPixelsY(float twips) const;

  OLE_COLOR BackColor() const { return back_color_; }
  void SetBackColor(OLE_COLOR color);
  // Takes ownership of the picture (null for none).
  void SetPicture(IPicture* picture, bool tiled);
  IPicture* Picture() const { return picture_.get(); }
  float ClientWidth() const { return client_width_; }
  float ClientHeight() const { return client_height_; }
  void SetClientSize(float width, float height);
  std::string Caption() const { return caption_; }
  void SetCaption(const std::string& caption);

  script::ScriptLog* Log() const { return *log_; }
  const std::vector<RuntimeError>& LoadErrors() const { return load_errors_; }

  // Writes the client area as a BMP (or, for *.png, a PNG through the imaging
  // codecs); raises std::runtime_error when it cannot.
  void WriteImage(const std::string& path);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static bool IsMachine(const vfm::Block& block);
  static void CheckMachine(const vfm::Block& form, int dpi);
  void PaintBackground(HDC dc);
  HDC PictureCopy(int width, int height);
  void FreePictureCopy();
  void AddControl(const vfm::Block& block, Site* container);
  struct LoadedClass {
    std::string name;
    bool found = false;
    CLSID clsid{};
    ComPtr<IClassFactory> factory;
  };
  LoadedClass* LibraryClass(const std::string& class_name);
  void SiteLibraryControl(Site& site, const vfm::Block& block);
  // Connects the sinks and the site through IQuickActivate and gives the control
  // its extent; returns the misc status the control handed back.
  DWORD QuickActivate(Site& site, const SIZEL& himetric);
  void CreateHostWindow(Site& site, const vfm::Block& block);

  std::string path_, folder_, name_, caption_;
  bool user_mode_;
  script::ScriptLog** log_;
  Activation activation_;
  HWND hwnd_ = nullptr;
  float tpp_x_ = 15, tpp_y_ = 15;
  float client_width_ = 4800, client_height_ = 3600;
  OLE_COLOR back_color_ = 0x8000000F;
  ComPtr<IPicture> picture_;
  bool tiled_ = false;
  HDC picture_dc_ = nullptr;  // the picture over the form's colour, kept between paints
  HBITMAP picture_bitmap_ = nullptr;
  HGDIOBJ picture_old_bitmap_ = nullptr;
  int picture_width_ = 0;
  int picture_height_ = 0;
  HWND last_focus_ = nullptr;  // restored when the form is activated again
  std::vector<std::unique_ptr<Site>> sites_;
  std::vector<LoadedClass> classes_;  // library classes named by the form, each looked up once
  std::vector<RuntimeError> load_errors_;
  IDispatch* dispatch_ = nullptr;  // owned reference
  ComPtr<IFont> host_font_;        // the ambient font, for the host controls
};

// A picture read through the platform's imaging codecs (PNG, BMP, ...): raises
// 53 for a missing file and 481 for one that is not a picture.
ComPtr<IPicture> LoadPictureFile(const std::string& path);

}  // namespace vitrelle::testhost
