// The machine the About box sees on the model host: a registry a test or a form
// file fills, files that exist, a mail service that can be made to fail, and modal
// forms shown headlessly. Every call the user would notice (the shell, a started
// process, mail, a form shown or closed) is recorded and written to the log.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "frame/host.h"
#include "hosts/model/screen.h"

namespace vitrelle::model {

class ModelRuntime;
class ModelPlatform;

// A form shown by ModelPlatform::NewModalForm: a top-level window of the screen,
// driven while it is open by the runtime's modal steps (a script's statements, a
// test's actions).
class ModelModalForm final : public ModalForm, public WindowClient {
 public:
  ModelModalForm(ModelPlatform& platform, const FormSpec& spec, FormEvents& events);
  ~ModelModalForm() override;

  void ShowModal() override;
  void Close() override;

  const std::string& Name() const { return spec_.name; }
  const FormSpec& Spec() const { return spec_; }
  // The user clicks a button or link; std::invalid_argument for an element that
  // is not there or takes no clicks.
  void ClickElement(std::string_view element);
  // Enter presses the default button, Esc the cancel button; other keys do nothing.
  void Press(int16_t key_code);
  // The user's close box.
  void CloseBox();
  // What the form shows: its caption bar and client area.
  Bitmap Snapshot() const;

  void Paint(Canvas& canvas) override;

 private:
  const FormElement* Find(std::string_view element) const;
  void Closing();

  ModelPlatform& platform_;
  FormSpec spec_;
  FormEvents& events_;
  Handle window_ = 0;
  bool open_ = false;
  bool close_asked_ = false;
};

class ModelPlatform : public Platform {
 public:
  explicit ModelPlatform(ModelRuntime& runtime);

  // The machine. Keys and value names match without regard to case. A key is
  // readable by everyone and writable by nobody (a standard user under
  // HKEY_LOCAL_MACHINE) unless SetKeyWritable says otherwise.
  void SetRegistryString(std::string_view key, std::string_view value, std::string_view data, bool terminated = true);
  void SetRegistryDword(std::string_view key, std::string_view value, uint32_t data);
  void SetRegistryBinary(std::string_view key, std::string_view value, std::vector<uint8_t> bytes);
  void SetKeyWritable(std::string_view key, bool writable);
  void AddFile(std::string_view path);
  enum class MailFault { kNone, kLogon, kSend };
  void SetMailFault(MailFault fault) { mail_fault_ = fault; }

  // What was asked of it.
  const std::vector<std::string>& Opened() const { return opened_; }
  const std::vector<std::string>& Started() const { return started_; }
  // "logon 1", "send 1 to ... subject ...", "logoff 1", "logon failed", ...
  const std::vector<std::string>& MailCalls() const { return mail_; }
  size_t OpenKeys() const { return open_keys_.size(); }
  // The modal form on top, null when none is open.
  ModelModalForm* TopForm() const { return forms_.empty() ? nullptr : forms_.back(); }

  Handle RegOpenKey(std::string_view key, uint32_t access) override;
  bool RegQueryValue(Handle key, std::string_view value, uint32_t& type, std::u16string& buffer,
                     uint32_t& size) override;
  void RegCloseKey(Handle key) override;
  void ShellOpen(std::string_view target) override;
  void StartProcess(std::string_view path) override;
  bool FileExists(std::string_view path) override;
  uint32_t MailLogon() override;
  void MailSend(uint32_t session, const MailMessage& message) override;
  void MailLogoff(uint32_t session) override;
  std::unique_ptr<ModalForm> NewModalForm(const FormSpec& spec, FormEvents& events) override;

 private:
  friend class ModelModalForm;
  struct Value {
    uint32_t type = 0;
    std::vector<uint8_t> bytes;  // as the platform stores them
  };
  struct Key {
    bool writable = false;
    std::map<std::string, Value> values;  // by lower-case name
  };
  Key& KeyAt(std::string_view key);

  ModelRuntime& runtime_;
  std::map<std::string, Key> keys_;  // by lower-case path
  std::map<Handle, std::string> open_keys_;
  Handle next_key_ = 0x1000;
  std::vector<std::string> files_;
  MailFault mail_fault_ = MailFault::kNone;
  uint32_t next_session_ = 1;
  std::vector<uint32_t> sessions_;
  std::vector<std::string> opened_, started_, mail_;
  std::vector<ModelModalForm*> forms_;
};

}  // namespace vitrelle::model
