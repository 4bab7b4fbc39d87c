#include "hosts/model/form_file.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>
#include <sstream>

#include "frame/color_variant.h"
#include "frame/errors.h"
#include "frame/members.h"
#include "hosts/model/display.h"
#include "hosts/model/font.h"
#include "hosts/model/property_bag.h"
#include "vfm/vfm_reader.h"

namespace vitrelle::model {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kFormKeys[] = {"BackColor", "Caption", "Picture", "Pattern", "Width", "Height"};

bool OneOf(std::string_view key, std::span<const std::string_view> keys) {
  for (auto k : keys) {
    if (NamesEqual(k, key)) return true;
  }
  return false;
}

// The reader knows the format; this knows which classes exist here, which of them
// hold controls, and how pictures and fonts open on this host.
class Builder {
 public:
  Builder(ModelRuntime& runtime, std::string path) : runtime_(runtime), path_(std::move(path)) {}

  [[noreturn]] void Fail(int line, const std::string& what) const {
    throw FormFileError(path_ + ":" + std::to_string(line) + ": " + what);
  }

  // Everything that can be judged without running a control, so a bad file fails
  // before any control's ReadProperties sees it.
  void Check(const vfm::Block& block, bool is_form) const {
    if (!is_form && !IsHostControlClass(block.class_name) && !FindControlClass(block.class_name)) {
      Fail(block.line, "expected a control class, not \"" + block.class_name + "\"");
    }
    for (const vfm::Entry& e : block.entries) {
      if (is_form && !OneOf(e.key, kFormKeys)) {
        Fail(e.line, "expected a form property (BackColor, Caption, Picture, Pattern, Width, Height), not " + e.key);
      }
      CheckHostKey(e);
    }
    if (!block.children.empty() && !CanContain(block, is_form)) {
      Fail(block.children.front().line, block.class_name + " " + block.name + " cannot contain controls");
    }
    for (const vfm::Block& child : block.children) {
      if (is_form && IsMachine(child)) {
        CheckMachine(child);
      } else {
        Check(child, false);
      }
    }
  }

  // The machine the form runs on, for what the About box asks of it:
  //   Begin Machine Machine1
  //      Dpi = 144                          (the display's logical pixels per inch; 96 without it)
  //      Mail = "logon fails"               (or "send fails"; mail works without it)
  //      Begin RegistryKey MsInfo
  //         Key = "SOFTWARE\Microsoft\Shared Tools\MSINFO"
  //         Writable = True                 (a key the user may change; not by default)
  //         PATH = "C:\Tools\MSINFO32.EXE"  (a string value; a number is a 32-bit value)
  //      End
  //      Begin File Tool
  //         Path = "C:\Tools\MSINFO32.EXE"
  //      End
  //   End
  template <class T>
  static bool Converts(const Variant& value, T (Variant::*convert)() const) {
    try {
      (value.*convert)();
      return true;
    } catch (const RuntimeError&) {
      return false;
    }
  }

  static bool IsMachine(const vfm::Block& block) { return NamesEqual(block.class_name, "Machine"); }

  void CheckMachine(const vfm::Block& machine) const {
    for (const vfm::Entry& e : machine.entries) {
      if (NamesEqual(e.key, "Dpi")) {
        const Variant& v = e.value.value;
        const bool whole = (v.type() == VarType::kInteger || v.type() == VarType::kLong) && v.ToLong() >= kMinDpi &&
                           v.ToLong() <= kMaxDpi;
        if (!whole) {
          Fail(e.line, "expected a whole number of " + std::to_string(kMinDpi) + " to " + std::to_string(kMaxDpi) +
                           " for Dpi");
        }
        continue;
      }
      const bool mail = NamesEqual(e.key, "Mail") && e.value.value.type() == VarType::kString &&
                        (e.value.value.ToString() == "logon fails" || e.value.value.ToString() == "send fails");
      if (!mail) Fail(e.line, "expected Mail = \"logon fails\" or \"send fails\" in a Machine, not " + e.key);
    }
    for (const vfm::Block& b : machine.children) {
      const bool key = NamesEqual(b.class_name, "RegistryKey"), file = NamesEqual(b.class_name, "File");
      if (!key && !file) Fail(b.line, "expected a RegistryKey or a File in a Machine, not " + b.class_name);
      if (!b.children.empty()) Fail(b.children.front().line, b.class_name + " " + b.name + " cannot contain blocks");
      const char* name_key = key ? "Key" : "Path";
      const vfm::Entry* path = b.Find(name_key);
      if (!path || path->value.value.type() != VarType::kString) {
        Fail(b.line, std::string("expected a string ") + name_key + " in " + b.class_name + " " + b.name);
      }
      for (const vfm::Entry& e : b.entries) {
        const VarType t = e.value.value.type();
        if (file && !NamesEqual(e.key, "Path")) Fail(e.line, "expected only Path in a File, not " + e.key);
        if (key && NamesEqual(e.key, "Writable") && t != VarType::kBoolean) {
          Fail(e.line, "expected True or False for Writable");
        }
        if (key && t != VarType::kString && t != VarType::kBoolean && !(e.value.value.IsNumeric())) {
          Fail(e.line, "expected a string or a number for the registry value " + e.key);
        }
        if (key && e.value.value.IsNumeric() && !Converts(e.value.value, &Variant::ToLong)) {
          Fail(e.line, "expected a 32-bit number for the registry value " + e.key);
        }
      }
    }
  }

  // Before anything of the form exists: its windows, fonts and twips per pixel all
  // follow the display.
  static void ApplyDisplay(const vfm::Block& root) {
    for (const vfm::Block& machine : root.children) {
      if (!IsMachine(machine)) continue;
      if (const vfm::Entry* dpi = machine.Find("Dpi")) SetDisplayDpi(static_cast<int>(dpi->value.value.ToLong()));
    }
  }

  void ApplyMachine(ModelPlatform& platform, const vfm::Block& root) const {
    for (const vfm::Block& machine : root.children) {
      if (!IsMachine(machine)) continue;
      if (const vfm::Entry* mail = machine.Find("Mail")) {
        platform.SetMailFault(mail->value.value.ToString() == "logon fails" ? ModelPlatform::MailFault::kLogon
                                                                            : ModelPlatform::MailFault::kSend);
      }
      for (const vfm::Block& b : machine.children) {
        if (NamesEqual(b.class_name, "File")) {
          platform.AddFile(b.Find("Path")->value.value.ToString());
          continue;
        }
        const std::string key = b.Find("Key")->value.value.ToString();
        platform.SetKeyWritable(key, false);
        for (const vfm::Entry& e : b.entries) {
          const Variant& v = e.value.value;
          if (NamesEqual(e.key, "Key")) continue;
          if (NamesEqual(e.key, "Writable")) {
            platform.SetKeyWritable(key, v.ToBoolean());
          } else if (v.type() == VarType::kString) {
            platform.SetRegistryString(key, e.key, v.ToString());
          } else {
            platform.SetRegistryDword(key, e.key, static_cast<uint32_t>(v.ToLong()));
          }
        }
      }
    }
  }

  Variant ValueOf(const vfm::Entry& e) const {
    if (e.font) {
      FontSpec spec;
      spec.name = e.font->name;
      spec.size = e.font->size;
      spec.bold = e.font->bold;
      spec.italic = e.font->italic;
      spec.underline = e.font->underline;
      spec.strikethrough = e.font->strikethrough;
      return Variant::OfFont(MakeFont(spec));
    }
    if (e.value.picture_path) return OpenPicture(e.line, *e.value.picture_path);
    return e.value.value;
  }

  void SiteChildren(Form& form, const vfm::Block& block, Site* container) const {
    for (const vfm::Block& child : block.children) {
      if (!container && IsMachine(child)) continue;
      ControlSpec spec;
      spec.class_name = child.class_name;
      spec.name = child.name;
      spec.container = container;
      ModelPropertyBag bag;
      for (const vfm::Entry& e : child.entries) {
        if (!vfm::IsExtentOrExtenderKey(e.key)) bag.Put(e.key, ValueOf(e));
      }
      auto value = [&](std::string_view key) -> const Variant* {
        const vfm::Entry* e = child.Find(key);
        return e ? &e->value.value : nullptr;
      };
      if (auto* v = value("Index")) spec.index = v->ToInteger();
      if (auto* v = value("Left")) spec.left = v->ToSingle();
      if (auto* v = value("Top")) spec.top = v->ToSingle();
      if (auto* v = value("Width")) spec.width = v->ToSingle();
      if (auto* v = value("Height")) spec.height = v->ToSingle();
      if (auto* v = value("TabIndex")) spec.tab_index = v->ToInteger();
      if (auto* v = value("TabStop")) spec.tab_stop = v->ToBoolean();
      if (auto* v = value("Visible")) spec.visible = v->ToBoolean();
      Site* site = nullptr;
      try {
        site = &form.AddControl(spec, &bag);
      } catch (const std::invalid_argument& e) {
        Fail(child.line, std::string("expected a control that can be placed: ") + e.what());
      } catch (const RuntimeError& e) {
        Fail(child.line, "expected properties " + child.name + " accepts; loading it raised " +
                             std::to_string(e.number()) + " (" + e.description() + ")");
      }
      SiteChildren(form, child, site);
    }
  }

 private:
  static bool CanContain(const vfm::Block& block, bool is_form) {
    if (is_form) return true;
    const ControlClass* library = FindControlClass(block.class_name);
    return library ? library->options.container
                   : NamesEqual(block.class_name, "Frame") || NamesEqual(block.class_name, "PictureBox");
  }

  // The site reads these itself, so a wrong kind would surface as a type mismatch
  // far from the line that caused it.
  void CheckHostKey(const vfm::Entry& e) const {
    const Variant& value = e.value.value;
    bool boolean = NamesEqual(e.key, "TabStop") || NamesEqual(e.key, "Visible");
    bool number = vfm::IsExtentOrExtenderKey(e.key) && !boolean;
    if (boolean && value.type() != VarType::kBoolean) Fail(e.line, "expected True or False for " + e.key);
    if (number && (!value.IsNumeric() || value.type() == VarType::kBoolean)) {
      Fail(e.line, "expected a number for " + e.key);
    }
    // The host keeps extents as Singles; a number beyond one would raise while the
    // control is placed, after the check that promises a clear error for the file.
    if (number && !Converts(value, &Variant::ToSingle)) Fail(e.line, "expected a number a Single holds for " + e.key);
    bool whole = NamesEqual(e.key, "Index") || NamesEqual(e.key, "TabIndex");
    if (whole && (value.type() != VarType::kInteger || value.ToInteger() < 0)) {
      Fail(e.line, "expected a whole number from 0 to 32767 for " + e.key);
    }
  }

  Variant OpenPicture(int line, const std::string& rel) const {
    fs::path full = fs::path(path_).parent_path() / rel;
    std::string error;
    auto bitmap = ReadPng(full.string(), &error);
    if (!bitmap) Fail(line, "expected a readable PNG picture at " + full.string() + " (" + error + ")");
    PicturePtr picture = runtime_.GetScreen().MakePicture(*bitmap);
    runtime_.RememberPicturePath(picture, fs::absolute(full).lexically_normal().string());
    return Variant::OfPicture(picture);
  }

  ModelRuntime& runtime_;
  std::string path_;
};

// Numbers as a person would write them: whole ones without a point.
std::string NumberText(const Variant& v) {
  double d = v.ToDouble();
  if (std::floor(d) == d && std::fabs(d) < 1e9) return std::to_string(static_cast<long long>(d));
  return v.ToLiteral();
}

class Writer {
 public:
  Writer(Form& form, const std::string& path) : form_(form), path_(path) {}

  std::string Text() {
    out_ << "Begin Form " << form_.Name() << "\n";
    Line(1, "BackColor", FromOleColor(form_.BackColor()), "Form");
    if (!form_.Caption().empty()) Line(1, "Caption", Variant::String(form_.Caption()), "Form");
    if (form_.GetPicture()) Line(1, "Picture", Variant::OfPicture(form_.GetPicture()), "Form");
    if (form_.Pattern()) Line(1, "Pattern", Variant::OfPicture(form_.Pattern()), "Form");
    Line(1, "Width", Variant::Single(form_.ClientWidth()), "Form");
    Line(1, "Height", Variant::Single(form_.ClientHeight()), "Form");
    Children(nullptr, 1);
    out_ << "End\n";
    return out_.str();
  }

 private:
  void Children(Site* container, int depth) {
    for (const auto& site : form_.Controls()) {
      if (site->Container() != container) continue;
      std::string pad(static_cast<size_t>(depth) * 3, ' ');
      out_ << pad << "Begin " << site->ClassName() << " " << site->Name() << "\n";
      std::string owner = site->Name() + (site->Index() >= 0 ? std::to_string(site->Index()) : "");
      if (site->Index() >= 0) Line(depth + 1, "Index", Variant::Integer(static_cast<int16_t>(site->Index())), owner);
      Line(depth + 1, "Left", Variant::Single(site->Left()), owner);
      Line(depth + 1, "Top", Variant::Single(site->Top()), owner);
      Line(depth + 1, "Width", Variant::Single(site->Width()), owner);
      Line(depth + 1, "Height", Variant::Single(site->Height()), owner);
      Line(depth + 1, "TabIndex", Variant::Integer(static_cast<int16_t>(site->TabIndex())), owner);
      if (!site->TabStop()) Line(depth + 1, "TabStop", Variant::Boolean(false), owner);
      if (!site->Visible()) Line(depth + 1, "Visible", Variant::Boolean(false), owner);
      ModelPropertyBag bag;
      site->WriteTo(bag);
      for (const auto& [key, value] : bag.Entries()) Line(depth + 1, key, value, owner);
      Children(site.get(), depth + 1);
      out_ << pad << "End\n";
    }
  }

  void Line(int depth, const std::string& key, const Variant& value, const std::string& owner) {
    std::string text = ValueText(key, value, owner);
    if (text.empty()) return;
    out_ << std::string(static_cast<size_t>(depth) * 3, ' ') << key << " = " << text << "\n";
  }

  std::string Quoted(const std::string& s) { return Variant::String(s).ToLiteral(); }

  std::string ValueText(const std::string& key, const Variant& value, const std::string& owner) {
    switch (value.type()) {
      case VarType::kBoolean:
      case VarType::kString: return value.ToLiteral();
      case VarType::kInteger:
      case VarType::kLong:
        if (key.find("Color") != std::string::npos || key.find("color") != std::string::npos) {
          char buf[16];
          std::snprintf(buf, sizeof buf, "0x%08X", static_cast<uint32_t>(value.ToLong()));
          return buf;
        }
        return value.ToLiteral();
      case VarType::kSingle:
      case VarType::kDouble: return NumberText(value);
      case VarType::kPicture: return PictureText(key, value.ToPicture(), owner);
      case VarType::kFont: {
        FontPtr font = value.ToFont();
        if (!font) return {};
        FontSpec spec = SpecOf(font.get());
        std::string text = "font(" + Quoted(spec.name) + ", " + NumberText(Variant::Single(spec.size));
        if (spec.bold) text += ", Bold";
        if (spec.italic) text += ", Italic";
        if (spec.underline) text += ", Underline";
        if (spec.strikethrough) text += ", Strikethrough";
        return text + ")";
      }
      default: return {};
    }
  }

  std::string PictureText(const std::string& key, const PicturePtr& picture, const std::string& owner) {
    if (!picture || picture->Type() == 0) return {};
    fs::path dir = fs::absolute(fs::path(path_)).parent_path();
    std::string known = form_.Runtime().PicturePath(picture.get());
    fs::path file;
    if (!known.empty()) {
      file = known;
    } else {
      auto bitmap = form_.GetScreen().PictureBitmap(*picture);
      if (!bitmap) return {};
      file = dir / (fs::path(path_).stem().string() + "_" + owner + "_" + key + ".png");
      std::string error;
      if (!WritePng(file.string(), *bitmap, &error)) {
        throw FormFileError(path_ + ": cannot write picture " + file.string() + ": " + error);
      }
      form_.Runtime().RememberPicturePath(picture, file.lexically_normal().string());
    }
    std::string rel = file.lexically_normal().lexically_relative(dir).generic_string();
    if (rel.empty()) rel = file.generic_string();
    return "picture(" + Quoted(rel) + ")";
  }

  Form& form_;
  std::string path_;
  std::ostringstream out_;
};

}  // namespace

std::shared_ptr<Form> LoadFormText(ModelRuntime& runtime, std::string_view text, const std::string& path,
                                   bool user_mode) {
  Builder builder(runtime, path);
  vfm::Block root;
  try {
    root = vfm::ParseVfm(text, path);
  } catch (const vfm::VfmError& e) {
    throw FormFileError(e.what());
  }
  builder.Check(root, /*is_form=*/true);
  Builder::ApplyDisplay(root);
  auto form = Form::Create(runtime, root.name, user_mode);
  try {
    for (const vfm::Entry& e : root.entries) {
      auto fail = [&](const std::string& what) { builder.Fail(e.line, what); };
      Variant value = builder.ValueOf(e);
      try {
        if (NamesEqual(e.key, "BackColor")) {
          if (!value.IsNumeric()) fail("expected a colour number for BackColor");
          form->SetBackColor(ToOleColor(value));
        } else if (NamesEqual(e.key, "Caption")) {
          form->SetCaption(value.ToString());
        } else if (NamesEqual(e.key, "Picture")) {
          form->SetPicture(value.ToPicture());
        } else if (NamesEqual(e.key, "Pattern")) {
          form->SetPattern(value.ToPicture());
        } else if (NamesEqual(e.key, "Width")) {
          form->SetClientSize(value.ToSingle(), form->ClientHeight());
        } else if (NamesEqual(e.key, "Height")) {
          form->SetClientSize(form->ClientWidth(), value.ToSingle());
        }
      } catch (const RuntimeError&) {
        fail("expected a valid value for the form's " + e.key);
      }
    }
    builder.ApplyMachine(runtime.Platform(), root);
    form->BeginLoad();
    builder.SiteChildren(*form, root, nullptr);
    form->EndLoad();
  } catch (...) {
    form->Unload();
    throw;
  }
  return form;
}

std::shared_ptr<Form> LoadForm(ModelRuntime& runtime, const std::string& path, bool user_mode) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FormFileError(path + ":0: expected a readable form file");
  std::stringstream buffer;
  buffer << in.rdbuf();
  return LoadFormText(runtime, buffer.str(), path, user_mode);
}

std::string FormText(Form& form, const std::string& path) { return Writer(form, path).Text(); }

void SaveForm(Form& form, const std::string& path) {
  std::string text = FormText(form, path);
  std::ofstream out(path, std::ios::binary);
  if (!out) throw FormFileError(path + ": cannot write the form file");
  out << text;
}

}  // namespace vitrelle::model
