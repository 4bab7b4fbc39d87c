// The host's run-time services on Win32: message pumping, message boxes, screen
// metrics, OLE fonts, real GDI and the About box's platform calls.
#pragma once

#include <windows.h>

#include <utility>
#include <vector>

#include "frame/host.h"

namespace vitrelle::activex {

class Win32Gdi : public Gdi {
 public:
  Handle GetDC(Handle window) override;
  Handle GetWindowDC(Handle window) override;
  int ReleaseDC(Handle window, Handle dc) override;
  Handle CreateCompatibleDC(Handle dc) override;
  Handle CreateCompatibleBitmap(Handle dc, int width, int height) override;
  Handle SelectObject(Handle dc, Handle object) override;
  int GetDeviceCaps(Handle dc, int index) override;
  unsigned GetSystemPaletteEntries(Handle dc, unsigned start, unsigned count, PaletteEntry* entries) override;
  Handle CreatePalette(uint16_t version, std::span<const PaletteEntry> entries) override;
  Handle SelectPalette(Handle dc, Handle palette, bool force_background) override;
  unsigned RealizePalette(Handle dc) override;
  bool BitBlt(Handle dest, int x, int y, int width, int height, Handle src, int src_x, int src_y,
              uint32_t rop) override;
  bool DeleteDC(Handle dc) override;
  bool DeleteObject(Handle object) override;
  uint32_t GetLastError() override;
  PicturePtr OleCreatePictureIndirect(const PictDesc& desc, bool own) override;
  Handle CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height) override;
  int SetWindowRgn(Handle window, Handle region, bool redraw) override;
};

class Win32Platform : public Platform {
 public:
  ~Win32Platform() override;
  Handle RegOpenKey(std::string_view key, uint32_t access) override;
  bool RegQueryValue(Handle key, std::string_view value, uint32_t& type, std::u16string& buffer,
                     uint32_t& size) override;
  void RegCloseKey(Handle key) override;
  void ShellOpen(std::string_view target) override;
  void StartProcess(std::string_view path) override;
  bool FileExists(std::string_view path) override;
  // Simple MAPI from the platform's MAPI32.DLL, loaded on first use.
  uint32_t MailLogon() override;
  void MailSend(uint32_t session, const MailMessage& message) override;
  void MailLogoff(uint32_t session) override;
  std::unique_ptr<ModalForm> NewModalForm(const FormSpec& spec, FormEvents& events) override;

 private:
  using AnyFunction = void (*)();
  AnyFunction Mapi(const char* name);
  HMODULE mapi_ = nullptr;
  // The platform's session handles are pointer-sized; the library counts its own.
  std::vector<std::pair<uint32_t, ULONG_PTR>> sessions_;
  uint32_t next_session_ = 1;
};

class Win32Runtime : public Runtime {
 public:
  // The one runtime of the process.
  static Win32Runtime& Instance();

  void DoEvents() override;
  int MsgBox(std::string_view text, int32_t style, std::string_view title) override;
  float TwipsPerPixelX() const override;
  float TwipsPerPixelY() const override;
  std::string AppTitle() const override;
  int AppMajor() const override;
  int AppMinor() const override;
  int AppRevision() const override;
  FontPtr NewFont() override;
  PicturePtr NewPicture(int width, int height, std::span<const OleColor> pixels) override;
  Gdi& GetGdi() override { return gdi_; }
  Platform& GetPlatform() override { return platform_; }

 private:
  Win32Gdi gdi_;
  Win32Platform platform_;
};

// An OLE colour as a GDI COLORREF: system colours through the current scheme.
COLORREF ToColorRef(OleColor color);

}  // namespace vitrelle::activex
