#include "hosts/model/form_file.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "frame/color_variant.h"
#include "frame/errors.h"
#include "frame/members.h"
#include "hosts/model/font.h"
#include "hosts/model/property_bag.h"

namespace vitrelle::model {

namespace {

namespace fs = std::filesystem;

struct Entry {
  std::string key;
  Variant value;
  int line;
};

struct Block {
  std::string class_name;
  std::string name;
  int line = 0;
  std::vector<Entry> entries;
  std::vector<Block> children;
};

constexpr std::string_view kHostKeys[] = {"Left", "Top", "Width", "Height", "TabIndex", "TabStop", "Visible", "Index"};
constexpr std::string_view kFormKeys[] = {"BackColor", "Caption", "Picture", "Pattern", "Width", "Height"};

bool OneOf(std::string_view key, std::span<const std::string_view> keys) {
  for (auto k : keys) {
    if (NamesEqual(k, key)) return true;
  }
  return false;
}

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return std::string(s.substr(b, e - b));
}

bool IsIdentifier(std::string_view s) {
  if (s.empty() || !(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_')) return false;
  for (char c : s) {
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
  }
  return true;
}

class Parser {
 public:
  Parser(ModelRuntime& runtime, std::string_view text, std::string path)
      : runtime_(runtime), path_(std::move(path)) {
    std::string line;
    std::istringstream in{std::string(text)};
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines_.push_back(line);
    }
  }

  Block ParseFile() {
    int at = NextLine(0);
    if (at >= Count()) Fail(Count(), "expected \"Begin Form NAME\"");
    Block form;
    at = ParseBlock(at, form, /*is_form=*/true);
    int rest = NextLine(at);
    if (rest < Count()) Fail(rest + 1, "expected nothing after the form's End");
    return form;
  }

  [[noreturn]] void Fail(int line, const std::string& what) const {
    throw FormFileError(path_ + ":" + std::to_string(line) + ": " + what);
  }

 private:
  int Count() const { return static_cast<int>(lines_.size()); }

  // The next line that is not blank or a comment.
  int NextLine(int at) const {
    while (at < Count()) {
      std::string t = Trim(lines_[static_cast<size_t>(at)]);
      if (!t.empty() && t[0] != '\'') break;
      ++at;
    }
    return at;
  }

  static std::vector<std::string> Words(const std::string& s) {
    std::vector<std::string> words;
    std::istringstream in(s);
    std::string w;
    while (in >> w) words.push_back(w);
    return words;
  }

  // Parses "Begin CLASS NAME" at `at` through its End; returns the line after it.
  int ParseBlock(int at, Block& block, bool is_form) {
    std::string text = Trim(lines_[static_cast<size_t>(at)]);
    auto words = Words(text);
    int line = at + 1;
    if (words.size() != 3 || !NamesEqual(words[0], "Begin") || !IsIdentifier(words[1]) || !IsIdentifier(words[2])) {
      Fail(line, is_form ? "expected \"Begin Form NAME\"" : "expected \"Begin CLASS NAME\", a property or \"End\"");
    }
    if (is_form && !NamesEqual(words[1], "Form")) Fail(line, "expected \"Begin Form NAME\"");
    block.class_name = words[1];
    block.name = words[2];
    block.line = line;
    if (!is_form && !IsHostControlClass(block.class_name) && !FindControlClass(block.class_name)) {
      Fail(line, "expected a control class, not \"" + block.class_name + "\"");
    }
    bool can_contain = is_form;
    if (!is_form) {
      const ControlClass* library = FindControlClass(block.class_name);
      can_contain = library ? library->options.container
                            : NamesEqual(block.class_name, "Frame") || NamesEqual(block.class_name, "PictureBox");
    }
    ++at;
    for (;;) {
      at = NextLine(at);
      if (at >= Count()) Fail(Count(), "expected \"End\" for " + block.name + " (begun on line " +
                                           std::to_string(block.line) + ")");
      std::string t = Trim(lines_[static_cast<size_t>(at)]);
      auto w = Words(t);
      if (w.size() == 1 && NamesEqual(w[0], "End")) return at + 1;
      if (!w.empty() && NamesEqual(w[0], "Begin")) {
        if (!can_contain) Fail(at + 1, block.class_name + " " + block.name + " cannot contain controls");
        Block child;
        at = ParseBlock(at, child, false);
        block.children.push_back(std::move(child));
        continue;
      }
      ParseEntry(at + 1, t, block, is_form);
      ++at;
    }
  }

  void ParseEntry(int line, const std::string& text, Block& block, bool is_form) {
    size_t eq = text.find('=');
    if (eq == std::string::npos) Fail(line, "expected \"KEY = VALUE\", \"Begin CLASS NAME\" or \"End\"");
    std::string key = Trim(std::string_view(text).substr(0, eq));
    if (!IsIdentifier(key)) Fail(line, "expected a property name before \"=\"");
    if (is_form && !OneOf(key, kFormKeys)) {
      Fail(line, "expected a form property (BackColor, Caption, Picture, Pattern, Width, Height), not " + key);
    }
    for (const auto& e : block.entries) {
      if (NamesEqual(e.key, key)) Fail(line, "expected each property once; " + key + " is repeated");
    }
    Variant value = ParseValue(line, Trim(std::string_view(text).substr(eq + 1)));
    CheckHostKey(line, key, value);
    block.entries.push_back({key, std::move(value), line});
  }

  void CheckHostKey(int line, const std::string& key, const Variant& value) {
    bool boolean = NamesEqual(key, "TabStop") || NamesEqual(key, "Visible");
    bool number = OneOf(key, kHostKeys) && !boolean;
    if (boolean && value.type() != VarType::kBoolean) Fail(line, "expected True or False for " + key);
    if (number && (!value.IsNumeric() || value.type() == VarType::kBoolean)) {
      Fail(line, "expected a number for " + key);
    }
    bool whole = NamesEqual(key, "Index") || NamesEqual(key, "TabIndex");
    if (whole && (value.type() != VarType::kInteger || value.ToInteger() < 0)) {
      Fail(line, "expected a whole number from 0 to 32767 for " + key);
    }
  }

  static bool ParseQuoted(std::string_view s, size_t& pos, std::string& out) {
    if (pos >= s.size() || s[pos] != '"') return false;
    ++pos;
    for (;;) {
      if (pos >= s.size()) return false;
      char c = s[pos++];
      if (c == '"') {
        if (pos < s.size() && s[pos] == '"') {
          out += '"';
          ++pos;
          continue;
        }
        return true;
      }
      out += c;
    }
  }

  Variant ParseValue(int line, const std::string& text) {
    const std::string expected =
        "expected a value: a number, 0x hex number, True, False, a string in double quotes, picture(\"path\") or "
        "font(\"name\", size)";
    if (text.empty()) Fail(line, expected);
    if (text[0] == '"') {
      size_t pos = 0;
      std::string out;
      if (!ParseQuoted(text, pos, out) || pos != text.size()) Fail(line, "expected a string closed by \"");
      return Variant::String(out);
    }
    if (NamesEqual(text, "True")) return Variant::Boolean(true);
    if (NamesEqual(text, "False")) return Variant::Boolean(false);
    if (text.size() > 9 && NamesEqual(text.substr(0, 8), "picture(")) return ParsePicture(line, text);
    if (text.size() > 6 && NamesEqual(text.substr(0, 5), "font(")) return ParseFont(line, text);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
      if (text.size() > 10) Fail(line, "expected at most eight hexadecimal digits");
      uint32_t v = 0;
      for (size_t i = 2; i < text.size(); ++i) {
        char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
        int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (d < 0) Fail(line, "expected hexadecimal digits after 0x");
        v = v * 16 + static_cast<uint32_t>(d);
      }
      return Variant::Long(static_cast<int32_t>(v));
    }
    size_t i = text[0] == '-' ? 1 : 0;
    size_t digits = 0, points = 0;
    for (size_t j = i; j < text.size(); ++j) {
      if (std::isdigit(static_cast<unsigned char>(text[j]))) {
        ++digits;
      } else if (text[j] == '.') {
        ++points;
      } else {
        Fail(line, expected);
      }
    }
    if (digits == 0 || points > 1 || text.back() == '.' || text[i] == '.') Fail(line, expected);
    if (points == 1) return Variant::Double(std::stod(text));
    if (text.size() - i > 10) Fail(line, "expected a whole number that fits 32 bits");
    long long v = std::stoll(text);
    if (v >= -32768 && v <= 32767) return Variant::Integer(static_cast<int16_t>(v));
    if (v >= INT32_MIN && v <= INT32_MAX) return Variant::Long(static_cast<int32_t>(v));
    Fail(line, "expected a whole number that fits 32 bits");
  }

  Variant ParsePicture(int line, const std::string& text) {
    size_t pos = 8;
    std::string rel;
    if (!ParseQuoted(text, pos, rel) || pos + 1 != text.size() || text[pos] != ')') {
      Fail(line, "expected picture(\"path\")");
    }
    fs::path full = fs::path(path_).parent_path() / rel;
    std::string error;
    auto bitmap = ReadPng(full.string(), &error);
    if (!bitmap) Fail(line, "expected a readable PNG picture at " + full.string() + " (" + error + ")");
    PicturePtr picture = runtime_.GetScreen().MakePicture(*bitmap);
    runtime_.RememberPicturePath(picture, fs::absolute(full).lexically_normal().string());
    return Variant::OfPicture(picture);
  }

  Variant ParseFont(int line, const std::string& text) {
    const std::string expected = "expected font(\"name\", size[, Bold][, Italic][, Underline][, Strikethrough])";
    if (text.back() != ')') Fail(line, expected);
    size_t pos = 5;
    FontSpec spec;
    spec.name.clear();
    if (!ParseQuoted(text, pos, spec.name) || spec.name.empty()) Fail(line, expected);
    std::string rest = text.substr(pos, text.size() - 1 - pos);
    std::vector<std::string> args;
    std::stringstream in(rest);
    std::string arg;
    while (std::getline(in, arg, ',')) args.push_back(Trim(arg));
    if (args.size() < 2 || !args[0].empty()) Fail(line, expected);
    double size = 0;
    if (!ParseNumber(args[1], size) || size < 1 || size > 2048) Fail(line, expected);
    spec.size = static_cast<float>(size);
    for (size_t k = 2; k < args.size(); ++k) {
      if (NamesEqual(args[k], "Bold")) {
        spec.bold = true;
      } else if (NamesEqual(args[k], "Italic")) {
        spec.italic = true;
      } else if (NamesEqual(args[k], "Underline")) {
        spec.underline = true;
      } else if (NamesEqual(args[k], "Strikethrough")) {
        spec.strikethrough = true;
      } else {
        Fail(line, expected);
      }
    }
    return Variant::OfFont(MakeFont(spec));
  }

  ModelRuntime& runtime_;
  std::string path_;
  std::vector<std::string> lines_;
};

const Variant* Lookup(const Block& block, std::string_view key) {
  for (const auto& e : block.entries) {
    if (NamesEqual(e.key, key)) return &e.value;
  }
  return nullptr;
}

void SiteChildren(Form& form, const Block& block, Site* container, const Parser& parser) {
  for (const Block& child : block.children) {
    ControlSpec spec;
    spec.class_name = child.class_name;
    spec.name = child.name;
    spec.container = container;
    ModelPropertyBag bag;
    for (const Entry& e : child.entries) {
      if (!OneOf(e.key, kHostKeys)) bag.Put(e.key, e.value);
    }
    if (auto* v = Lookup(child, "Index")) spec.index = v->ToInteger();
    if (auto* v = Lookup(child, "Left")) spec.left = v->ToSingle();
    if (auto* v = Lookup(child, "Top")) spec.top = v->ToSingle();
    if (auto* v = Lookup(child, "Width")) spec.width = v->ToSingle();
    if (auto* v = Lookup(child, "Height")) spec.height = v->ToSingle();
    if (auto* v = Lookup(child, "TabIndex")) spec.tab_index = v->ToInteger();
    if (auto* v = Lookup(child, "TabStop")) spec.tab_stop = v->ToBoolean();
    if (auto* v = Lookup(child, "Visible")) spec.visible = v->ToBoolean();
    Site* site = nullptr;
    try {
      site = &form.AddControl(spec, &bag);
    } catch (const std::invalid_argument& e) {
      parser.Fail(child.line, std::string("expected a control that can be placed: ") + e.what());
    } catch (const RuntimeError& e) {
      parser.Fail(child.line, "expected properties " + child.name + " accepts; loading it raised " +
                                  std::to_string(e.number()) + " (" + e.description() + ")");
    }
    SiteChildren(form, child, site, parser);
  }
}

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
  Parser parser(runtime, text, path);
  Block root = parser.ParseFile();
  auto form = Form::Create(runtime, root.name, user_mode);
  try {
    for (const Entry& e : root.entries) {
      auto fail = [&](const std::string& what) { parser.Fail(e.line, what); };
      try {
        if (NamesEqual(e.key, "BackColor")) {
          if (!e.value.IsNumeric()) fail("expected a colour number for BackColor");
          form->SetBackColor(ToOleColor(e.value));
        } else if (NamesEqual(e.key, "Caption")) {
          form->SetCaption(e.value.ToString());
        } else if (NamesEqual(e.key, "Picture")) {
          form->SetPicture(e.value.ToPicture());
        } else if (NamesEqual(e.key, "Pattern")) {
          form->SetPattern(e.value.ToPicture());
        } else if (NamesEqual(e.key, "Width")) {
          form->SetClientSize(e.value.ToSingle(), form->ClientHeight());
        } else if (NamesEqual(e.key, "Height")) {
          form->SetClientSize(form->ClientWidth(), e.value.ToSingle());
        }
      } catch (const RuntimeError&) {
        fail("expected a valid value for the form's " + e.key);
      }
    }
    form->BeginLoad();
    SiteChildren(*form, root, nullptr, parser);
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
