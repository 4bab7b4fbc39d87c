#include "hosts/model/platform.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "frame/errors.h"
#include "frame/members.h"
#include "hosts/model/runtime.h"
#include "hosts/model/surface.h"
#include "script/driver.h"

namespace vitrelle::model {

namespace {

// Rights a mask asks for beyond reading: set value, create subkey, create link, and
// the standard delete / write-access rights.
constexpr uint32_t kWriteRights = 0x0002 | 0x0004 | 0x0020 | 0x00010000 | 0x00040000 | 0x00080000;

constexpr int kCaptionBar = 18;  // pixels above the client area

int Px(float twips) { return TwipsToPixels(twips); }

std::string WithoutAccessMark(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    out.push_back(text[i]);
  }
  return out;
}

// Greedy word wrap into lines no wider than `width` pixels, as a multi-line label
// breaks its caption.
std::vector<std::string> Wrap(std::string_view text, const FontSpec& font, int width) {
  std::vector<std::string> lines;
  std::string line;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(' ', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string word(text.substr(pos, end - pos));
    std::string tried = line.empty() ? word : line + " " + word;
    if (!line.empty() && MeasureText(tried, font).width > width) {
      lines.push_back(line);
      line = word;
    } else {
      line = tried;
    }
    pos = end + 1;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace

// ---------------------------------------------------------------------------
// Modal forms

ModelModalForm::ModelModalForm(ModelPlatform& platform, const FormSpec& spec, FormEvents& events)
    : platform_(platform), spec_(spec), events_(events) {}

ModelModalForm::~ModelModalForm() {
  if (window_) platform_.runtime_.GetScreen().DestroyWindow(window_);
}

void ModelModalForm::ShowModal() {
  ModelRuntime& runtime = platform_.runtime_;
  Screen& screen = runtime.GetScreen();
  const int width = Px(spec_.width), height = Px(spec_.height) + kCaptionBar;
  // Centred on the screen: the form has no owner to be centred on.
  const int left = std::max(0, (screen.Width() - width) / 2), top = std::max(0, (screen.Height() - height) / 2);
  window_ = screen.CreateWindow(0, Rect{left, top, left + width, top + height}, 0, this);
  screen.ShowWindow(window_, true);
  open_ = true;
  close_asked_ = false;
  platform_.forms_.push_back(this);
  if (script::ScriptLog* log = runtime.Log()) {
    log->SetTime(runtime.Now());
    log->FormShown(spec_.name, spec_.caption);
    for (const FormElement& e : spec_.elements) {
      if (e.kind != FormElement::Kind::kLine && e.kind != FormElement::Kind::kPicture) {
        log->FormText(spec_.name, e.name, e.text);
      }
    }
  }
  runtime.DoEvents();
  bool script_ended = false;
  while (!close_asked_) {
    if (!runtime.RunModalStep()) {
      script_ended = true;
      break;
    }
  }
  events_.Unload();
  open_ = false;
  std::erase(platform_.forms_, this);
  screen.DestroyWindow(window_);
  window_ = 0;
  if (script::ScriptLog* log = runtime.Log()) {
    log->SetTime(runtime.Now());
    log->FormClosed(spec_.name, script_ended);
  }
  runtime.DoEvents();
}

void ModelModalForm::Close() { close_asked_ = true; }

const FormElement* ModelModalForm::Find(std::string_view element) const {
  for (const FormElement& e : spec_.elements) {
    if (NamesEqual(e.name, element)) return &e;
  }
  return nullptr;
}

void ModelModalForm::ClickElement(std::string_view element) {
  const FormElement* e = Find(element);
  if (!e) throw std::invalid_argument(spec_.name + ":" + std::string(element) + ": no such element");
  if (e->kind != FormElement::Kind::kButton && e->kind != FormElement::Kind::kLink) {
    throw std::invalid_argument(spec_.name + ":" + e->name + " is not a button or link");
  }
  // The name travels as the form spelled it, whatever the script wrote.
  const std::string name = e->name;
  events_.Click(name);
  platform_.runtime_.DoEvents();
}

void ModelModalForm::Press(int16_t key_code) {
  constexpr int16_t kEnter = 13, kEscape = 27;
  for (const FormElement& e : spec_.elements) {
    if ((key_code == kEnter && e.default_button) || (key_code == kEscape && e.cancel_button)) {
      ClickElement(e.name);
      return;
    }
  }
  if (key_code == kEscape) CloseBox();
}

void ModelModalForm::CloseBox() {
  close_asked_ = true;
  platform_.runtime_.DoEvents();
}

Bitmap ModelModalForm::Snapshot() const {
  Screen& screen = platform_.runtime_.GetScreen();
  screen.UpdateWindow(window_);
  return screen.Snapshot(screen.ScreenRect(window_));
}

void ModelModalForm::Paint(Canvas& canvas) {
  const Rect whole = platform_.runtime_.GetScreen().WindowRect(window_);
  const int width = whole.Width(), height = whole.Height();
  canvas.FillRect(Rect{0, 0, width, height}, Resolve(kColorButtonFace));
  canvas.FillRect(Rect{0, 0, width, kCaptionBar}, Rgb(0, 0, 128));
  FontSpec caption_font;
  caption_font.bold = true;
  canvas.DrawText(4, 3, spec_.caption, caption_font, Rgb(255, 255, 255));
  const int y0 = kCaptionBar;
  for (const FormElement& e : spec_.elements) {
    FontSpec font;
    if (e.font_size > 0) font.size = e.font_size;
    font.bold = e.bold;
    const Rect r{Px(e.left), y0 + Px(e.top), Px(e.left + e.width), y0 + Px(e.top + e.height)};
    switch (e.kind) {
      case FormElement::Kind::kLabel:
      case FormElement::Kind::kLink: {
        const int line_height = MeasureText("X", font).height;
        int y = r.top;
        for (const std::string& line : Wrap(e.text, font, r.Width())) {
          canvas.DrawText(r.left, y, line, font, Resolve(e.fore_color));
          y += line_height;
        }
        break;
      }
      case FormElement::Kind::kLine:
        canvas.Line(Px(e.left), y0 + Px(e.top), Px(e.x2), y0 + Px(e.y2), Resolve(e.fore_color), e.border_width);
        break;
      case FormElement::Kind::kPicture: {
        Bitmap picture(e.picture_width, e.picture_height);
        if (e.picture.size() == picture.Pixels().size()) picture.Pixels() = e.picture;
        canvas.DrawBitmap(picture, r.left, r.top);
        break;
      }
      case FormElement::Kind::kButton: {
        canvas.FillRect(r, Resolve(kColorButtonFace));
        canvas.Line(r.left, r.top, r.right - 1, r.top, Rgb(255, 255, 255));
        canvas.Line(r.left, r.top, r.left, r.bottom - 1, Rgb(255, 255, 255));
        canvas.Line(r.left, r.bottom - 1, r.right, r.bottom - 1, Rgb(0, 0, 0));
        canvas.Line(r.right - 1, r.top, r.right - 1, r.bottom, Rgb(0, 0, 0));
        const std::string text = WithoutAccessMark(e.text);
        const TextExtent extent = MeasureText(text, font);
        canvas.DrawText(r.left + (r.Width() - extent.width) / 2, r.top + (r.Height() - extent.height) / 2, text,
                        font, Resolve(e.fore_color));
        break;
      }
    }
  }
}

// ---------------------------------------------------------------------------
// The machine

ModelPlatform::ModelPlatform(ModelRuntime& runtime) : runtime_(runtime) {}

ModelPlatform::Key& ModelPlatform::KeyAt(std::string_view key) { return keys_[FoldName(key)]; }

void ModelPlatform::SetRegistryString(std::string_view key, std::string_view value, std::string_view data,
                                      bool terminated) {
  Value v;
  v.type = static_cast<uint32_t>(RegistryType::kString);
  // Stored as the platform's wide strings, two bytes a character; plain text only.
  for (char c : data) {
    v.bytes.push_back(static_cast<uint8_t>(c));
    v.bytes.push_back(0);
  }
  if (terminated) v.bytes.insert(v.bytes.end(), {0, 0});
  KeyAt(key).values[FoldName(value)] = std::move(v);
}

void ModelPlatform::SetRegistryDword(std::string_view key, std::string_view value, uint32_t data) {
  Value v;
  v.type = static_cast<uint32_t>(RegistryType::kDword);
  for (int i = 0; i < 4; ++i) v.bytes.push_back(static_cast<uint8_t>(data >> (8 * i)));
  KeyAt(key).values[FoldName(value)] = std::move(v);
}

void ModelPlatform::SetRegistryBinary(std::string_view key, std::string_view value, std::vector<uint8_t> bytes) {
  Value v;
  v.type = 3;  // REG_BINARY
  v.bytes = std::move(bytes);
  KeyAt(key).values[FoldName(value)] = std::move(v);
}

void ModelPlatform::SetKeyWritable(std::string_view key, bool writable) { KeyAt(key).writable = writable; }

void ModelPlatform::AddFile(std::string_view path) { files_.emplace_back(path); }

Handle ModelPlatform::RegOpenKey(std::string_view key, uint32_t access) {
  auto it = keys_.find(FoldName(key));
  if (it == keys_.end()) return 0;                                 // not found
  if ((access & kWriteRights) && !it->second.writable) return 0;  // access denied
  const Handle handle = next_key_++;
  open_keys_[handle] = it->first;
  return handle;
}

bool ModelPlatform::RegQueryValue(Handle key, std::string_view value, uint32_t& type, std::u16string& buffer,
                                  uint32_t& size) {
  auto open = open_keys_.find(key);
  if (open == open_keys_.end()) return false;
  const Key& k = keys_.at(open->second);
  auto it = k.values.find(FoldName(value));
  if (it == k.values.end()) return false;
  const Value& v = it->second;
  const size_t capacity = std::min<size_t>(size, buffer.size() * sizeof(char16_t));
  if (v.bytes.size() > capacity) return false;  // more data than room
  for (size_t i = 0; i < v.bytes.size(); ++i) {
    char16_t& c = buffer[i / 2];
    if (i % 2 == 0) {
      c = static_cast<char16_t>((c & 0xFF00) | v.bytes[i]);
    } else {
      c = static_cast<char16_t>((c & 0x00FF) | (v.bytes[i] << 8));
    }
  }
  type = v.type;
  size = static_cast<uint32_t>(v.bytes.size());
  return true;
}

void ModelPlatform::RegCloseKey(Handle key) { open_keys_.erase(key); }

void ModelPlatform::ShellOpen(std::string_view target) {
  opened_.emplace_back(target);
  if (script::ScriptLog* log = runtime_.Log()) log->Shell("open", target);
}

void ModelPlatform::StartProcess(std::string_view path) {
  started_.emplace_back(path);
  const bool exists = FileExists(path);
  if (script::ScriptLog* log = runtime_.Log()) log->Start(path, exists ? "" : DescribeError(err::kFileNotFound));
  if (!exists) Raise(err::kFileNotFound);
}

bool ModelPlatform::FileExists(std::string_view path) {
  // Paths on the platform ignore case.
  return std::any_of(files_.begin(), files_.end(), [&](const std::string& f) { return NamesEqual(f, path); });
}

uint32_t ModelPlatform::MailLogon() {
  if (mail_fault_ == MailFault::kLogon) {
    mail_.push_back("logon failed");
    if (script::ScriptLog* log = runtime_.Log()) log->Mail("logon failed");
    Raise(32003);  // the mail controls' "login has failed"
  }
  const uint32_t session = next_session_++;
  sessions_.push_back(session);
  mail_.push_back("logon " + std::to_string(session));
  if (script::ScriptLog* log = runtime_.Log()) log->Mail(mail_.back());
  return session;
}

void ModelPlatform::MailSend(uint32_t session, const MailMessage& message) {
  std::string call = "send " + std::to_string(session) + " to " + Variant::String(message.recipient).ToLiteral() +
                     " subject " + Variant::String(message.subject).ToLiteral();
  const bool fails = mail_fault_ == MailFault::kSend ||
                     std::find(sessions_.begin(), sessions_.end(), session) == sessions_.end();
  if (fails) call += " failed";
  mail_.push_back(call);
  if (script::ScriptLog* log = runtime_.Log()) log->Mail(call);
  if (fails) Raise(32002);  // the mail controls' "unspecified failure"
}

void ModelPlatform::MailLogoff(uint32_t session) {
  std::erase(sessions_, session);
  mail_.push_back("logoff " + std::to_string(session));
  if (script::ScriptLog* log = runtime_.Log()) log->Mail(mail_.back());
}

std::unique_ptr<ModalForm> ModelPlatform::NewModalForm(const FormSpec& spec, FormEvents& events) {
  return std::make_unique<ModelModalForm>(*this, spec, events);
}

}  // namespace vitrelle::model
