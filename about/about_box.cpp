#include "about/about_box.h"

#include <utility>

#include "about/art.h"
#include "frame/errors.h"

namespace vitrelle {

namespace about {

namespace {

FormElement Label(std::string name, std::string text, float left, float top, float width, float height) {
  FormElement e;
  e.kind = FormElement::Kind::kLabel;
  e.name = std::move(name);
  e.text = std::move(text);
  e.left = left;
  e.top = top;
  e.width = width;
  e.height = height;
  return e;
}

FormElement Link(std::string name, std::string_view address, float left, float top, float width) {
  FormElement e = Label(std::move(name), std::string(address), left, top, width, 225);
  e.kind = FormElement::Kind::kLink;
  e.fore_color = kColorHighlight;
  e.cursor = LinkCursor();
  e.cursor_hot_x = kCursorHotX;
  e.cursor_hot_y = kCursorHotY;
  return e;
}

FormElement Rule(float x1, float y1, float x2, OleColor color, int16_t width) {
  FormElement e;
  e.kind = FormElement::Kind::kLine;
  e.name = "Line1";
  e.left = x1;
  e.top = y1;
  e.x2 = x2;
  e.y2 = y1;
  e.fore_color = color;
  e.border_width = width;
  return e;
}

FormElement Button(std::string name, std::string text, float left, float top, float width, float height) {
  FormElement e = Label(std::move(name), std::move(text), left, top, width, height);
  e.kind = FormElement::Kind::kButton;
  return e;
}

}  // namespace

FormSpec LoadedSpec(const Runtime& runtime) {
  const std::string title = runtime.AppTitle();
  FormSpec spec;
  spec.name = "frmAbout";
  spec.caption = " About " + title;
  spec.width = 5730;
  spec.height = 3690;

  FormElement icon;
  icon.kind = FormElement::Kind::kPicture;
  icon.name = "picIcon";
  icon.left = 240;
  icon.top = 240;
  icon.width = 480;
  icon.height = 480;
  icon.picture_width = 32;
  icon.picture_height = 32;
  icon.picture = Icon();
  spec.elements.push_back(std::move(icon));

  FormElement heading = Label("lblTitle", title, 1050, 240, 3885, 330);
  heading.font_size = 12;
  heading.bold = true;
  spec.elements.push_back(std::move(heading));
  // The revision is left out: users tell releases apart by major and minor.
  spec.elements.push_back(Label("lblVersion",
                                "Version " + std::to_string(runtime.AppMajor()) + "." +
                                    std::to_string(runtime.AppMinor()),
                                1050, 630, 3885, 225));
  spec.elements.push_back(Label("lblDescription",
                                title +
                                    " provides four ActiveX form controls, GlazeCheck, GlazeRadio, GlazeFrame "
                                    "and GlazeSlider, that can show the colours, pictures or patterns beneath them.",
                                1050, 960, 4455, 810));
  // An etched rule: the white line lies one pixel lower and to the right of the grey.
  spec.elements.push_back(Rule(225, 1905, 5450, 0x00808080, 1));
  spec.elements.push_back(Rule(240, 1920, 5465, 0x00FFFFFF, 2));
  spec.elements.push_back(
      Label("lblDisclaimer", "Comments and suggestions are always welcome:", 255, 2100, 3885, 225));
  spec.elements.push_back(Label("Label1", "Web site:", 255, 2460, 855, 225));
  spec.elements.push_back(Link("WebLink", kWebAddress, 1110, 2460, 2880));
  spec.elements.push_back(Link("EmailLink", kEmailAddress, 1110, 2790, 2880));

  FormElement ok = Button("cmdOK", "OK", 4245, 2460, 1260, 375);
  ok.default_button = true;
  ok.cancel_button = true;
  spec.elements.push_back(std::move(ok));
  spec.elements.push_back(Button("cmdSysInfo", "&System Info...", 4245, 2970, 1260, 375));
  return spec;
}

}  // namespace about

// ---------------------------------------------------------------------------

namespace {

// The one instance every control shares; it stays between showings unless cmdOK
// released it.
std::unique_ptr<frmAbout>& SharedAbout() {
  static std::unique_ptr<frmAbout> instance;
  return instance;
}

}  // namespace

void DisplayAboutBox(Runtime& runtime) {
  std::unique_ptr<frmAbout>& shared = SharedAbout();
  if (!shared) shared = std::make_unique<frmAbout>();
  frmAbout& form = *shared;
  form.Show(runtime);
  // Released only after the modal loop is gone: the release was asked from inside one
  // of the form's own handlers.
  if (shared.get() == &form && form.Released()) shared.reset();
}

bool GetKeyValue(Platform& platform, std::string_view key_name, std::string_view sub_key_ref, std::string& key_val) {
  // Reading needs read rights only: asking for write rights as well would refuse a
  // standard user, who cannot change HKEY_LOCAL_MACHINE, a value everyone may read.
  const Handle key = platform.RegOpenKey(key_name, about::kKeyRead);
  if (!key) {
    key_val.clear();
    return false;
  }
  struct Close {
    Platform& platform;
    Handle key;
    ~Close() { platform.RegCloseKey(key); }
  } close{platform, key};

  std::u16string buffer(about::kValueBufferChars, u'\0');
  uint32_t type = 0;
  uint32_t size = about::kValueBufferChars * sizeof(char16_t);
  if (!platform.RegQueryValue(key, sub_key_ref, type, buffer, size)) {
    key_val.clear();
    return false;
  }
  // The platform counts bytes, the buffer holds characters of two bytes each.
  size_t n = std::min<size_t>(size / sizeof(char16_t), buffer.size());
  // A string stored with its terminator counts it; one stored without does not.
  if (n > 0 && buffer[n - 1] == u'\0') --n;
  switch (static_cast<Platform::RegistryType>(type)) {
    case Platform::RegistryType::kString: {
      std::string text;
      for (size_t i = 0; i < n; ++i) {
        const char16_t c = buffer[i];
        // The paths and folders read here are plain text; anything wider is kept as
        // UTF-8.
        if (c < 0x80) {
          text.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
          text.push_back(static_cast<char>(0xC0 | (c >> 6)));
          text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
          text.push_back(static_cast<char>(0xE0 | (c >> 12)));
          text.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
          text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
      }
      key_val = std::move(text);
      break;
    }
    case Platform::RegistryType::kDword:
      key_val = std::to_string(static_cast<uint32_t>(buffer[0]) | static_cast<uint32_t>(buffer[1]) << 16);
      break;
    default:
      break;
  }
  return true;
}

// ---------------------------------------------------------------------------

void frmAbout::Show(Runtime& runtime) {
  if (form_) Raise(400);  // Form already displayed; can't show modally
  runtime_ = &runtime;
  Form_Load();
  form_ = runtime.GetPlatform().NewModalForm(spec_, *this);
  struct Done {
    frmAbout& form;
    ~Done() {
      form.form_.reset();
      form.runtime_ = nullptr;
    }
  } done{*this};
  form_->ShowModal();
}

void frmAbout::Form_Load() {
  spec_ = about::LoadedSpec(*runtime_);
  session_id_ = 0;
  released_ = false;
}

const FormElement& frmAbout::Element(std::string_view name) const {
  for (const FormElement& e : spec_.elements) {
    if (e.name == name) return e;
  }
  Raise(err::kControlNotFound);
}

void frmAbout::Click(std::string_view element) {
  if (element == "WebLink") WebLink_Click();
  if (element == "EmailLink") EmailLink_Click();
  if (element == "cmdOK") cmdOK_Click();
  if (element == "cmdSysInfo") cmdSysInfo_Click();
}

void frmAbout::WebLink_Click() { platform().ShellOpen(Element("WebLink").text); }

void frmAbout::EmailLink_Click() {
  try {
    // One logon serves every message of this showing.
    if (session_id_ == 0) session_id_ = platform().MailLogon();
    Platform::MailMessage message;
    message.recipient = Element("EmailLink").text;
    message.subject = runtime_->AppTitle() + ", " + Element("lblVersion").text;
    platform().MailSend(session_id_, message);
  } catch (const RuntimeError&) {
    runtime_->MsgBox(about::kMailFailed, static_cast<int32_t>(MsgBoxStyle::kOkOnly), "");
  }
}

void frmAbout::cmdOK_Click() {
  released_ = true;
  form_->Close();
}

void frmAbout::cmdSysInfo_Click() { StartSysInfo(); }

void frmAbout::StartSysInfo() {
  try {
    std::string path;
    bool found = GetKeyValue(platform(), about::kSysInfoKey, about::kSysInfoValue, path);
    if (!found && GetKeyValue(platform(), about::kSharedToolsKey, about::kSharedToolsValue, path)) {
      path += "\\MSINFO32.EXE";
      found = platform().FileExists(path);
    }
    if (found) {
      platform().StartProcess(path);
      return;
    }
  } catch (const RuntimeError&) {
    // A tool that is named but will not start is as unavailable as one not named.
  }
  runtime_->MsgBox(about::kSysInfoUnavailable, static_cast<int32_t>(MsgBoxStyle::kOkOnly), "");
}

void frmAbout::Unload() {
  if (session_id_ > 0) {
    // The form goes whatever the mail system says.
    IgnoreErrors([&] { platform().MailLogoff(session_id_); });
    session_id_ = 0;
  }
}

}  // namespace vitrelle
