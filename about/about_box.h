// The library's About box: the one form every control's DisplayAboutBox shows, with
// the library's title and version, its links to the maker and the system
// information tool. All it touches of the machine goes through the host's Platform.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "frame/host.h"

namespace vitrelle {

// Shows the shared About form modally, creating it on first use, and returns when it
// closes. A control's DisplayAboutBox is this one call with its surface's runtime.
void DisplayAboutBox(Runtime& runtime);

// Reads one value of a key under HKEY_LOCAL_MACHINE as text into `key_val`: a string
// as it is, a 32-bit number in decimal; a value of another type leaves `key_val` as it
// was and still counts as found. False, with `key_val` emptied, when the key or the
// value cannot be read.
bool GetKeyValue(Platform& platform, std::string_view key_name, std::string_view sub_key_ref, std::string& key_val);

class frmAbout final : public FormEvents {
 public:
  frmAbout() = default;
  frmAbout(const frmAbout&) = delete;
  frmAbout& operator=(const frmAbout&) = delete;

  // Loads the form and shows it modally; returns when it has closed. Raises 400 when
  // the form is already showing.
  void Show(Runtime& runtime);
  // cmdOK asked for the shared instance to go.
  bool Released() const { return released_; }
  // What the form showed last, for hosts and tests that look at it.
  const FormSpec& Spec() const { return spec_; }

  void Click(std::string_view element) override;
  void Unload() override;

  void WebLink_Click();
  void EmailLink_Click();
  void cmdOK_Click();
  void cmdSysInfo_Click();
  void StartSysInfo();

 private:
  void Form_Load();
  const FormElement& Element(std::string_view name) const;
  Platform& platform() const { return runtime_->GetPlatform(); }

  Runtime* runtime_ = nullptr;  // while shown
  FormSpec spec_;
  std::unique_ptr<ModalForm> form_;
  // The mail logon of this showing (the message control's SessionID); 0 before one.
  uint32_t session_id_ = 0;
  bool released_ = false;
};

// The elements' texts, which the form's layout and its tests share.
namespace about {
inline constexpr std::string_view kWebAddress = "http://www.vitrelle.example/";
inline constexpr std::string_view kEmailAddress = "about@vitrelle.example";
inline constexpr std::string_view kSysInfoUnavailable = "System Information Is Unavailable At This Time";
inline constexpr std::string_view kMailFailed = "A problem has occurred while trying to send an e-mail.";
inline constexpr std::string_view kSysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr std::string_view kSysInfoValue = "PATH";
inline constexpr std::string_view kSharedToolsKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr std::string_view kSharedToolsValue = "MSINFO";
// Read control, query values, enumerate subkeys, notify: reading asks for no more.
inline constexpr uint32_t kKeyRead = 0x20019;
inline constexpr uint32_t kValueBufferChars = 1024;

// The form as it loads: caption, labels, links, lines, pictures and buttons.
FormSpec LoadedSpec(const Runtime& runtime);
}  // namespace about

}  // namespace vitrelle
