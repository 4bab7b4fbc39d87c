#include "vfm/vfm_reader.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace vitrelle::vfm {

namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::string Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return std::string(s);
}

bool IsIdentifier(std::string_view s) {
  if (s.empty() || !(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_')) return false;
  for (char c : s) {
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
  }
  return true;
}

std::vector<std::string> Words(const std::string& s) {
  std::vector<std::string> words;
  std::istringstream in(s);
  std::string w;
  while (in >> w) words.push_back(w);
  return words;
}

class Reader {
 public:
  Reader(std::string_view text, std::string path) : path_(std::move(path)) {
    std::istringstream in{std::string(text)};
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines_.push_back(line);
    }
  }

  Block ReadForm() {
    int at = NextLine(0);
    if (at >= Count()) Fail(Count(), "expected \"Begin Form NAME\"");
    Block form;
    at = ReadBlock(at, form, true);
    int rest = NextLine(at);
    if (rest < Count()) Fail(rest + 1, "expected nothing after the form's End");
    return form;
  }

 private:
  [[noreturn]] void Fail(int line, const std::string& what) const {
    throw VfmError(path_ + ":" + std::to_string(line) + ": " + what);
  }

  int Count() const { return static_cast<int>(lines_.size()); }

  // Blank lines and lines starting with an apostrophe say nothing.
  int NextLine(int at) const {
    while (at < Count()) {
      std::string t = Trim(lines_[static_cast<size_t>(at)]);
      if (!t.empty() && t[0] != '\'') break;
      ++at;
    }
    return at;
  }

  int ReadBlock(int at, Block& block, bool is_form) {
    auto words = Words(Trim(lines_[static_cast<size_t>(at)]));
    int line = at + 1;
    if (words.size() != 3 || !SameName(words[0], "Begin") || !IsIdentifier(words[1]) || !IsIdentifier(words[2]))
      Fail(line, is_form ? "expected \"Begin Form NAME\"" : "expected \"Begin CLASS NAME\", a property or \"End\"");
    if (is_form && !SameName(words[1], "Form")) Fail(line, "expected \"Begin Form NAME\"");
    block.class_name = words[1];
    block.name = words[2];
    block.line = line;
    for (++at;;) {
      at = NextLine(at);
      if (at >= Count())
        Fail(Count(), "expected \"End\" for " + block.name + " (begun on line " + std::to_string(line) + ")");
      std::string t = Trim(lines_[static_cast<size_t>(at)]);
      auto w = Words(t);
      if (w.size() == 1 && SameName(w[0], "End")) return at + 1;
      if (!w.empty() && SameName(w[0], "Begin")) {
        Block child;
        at = ReadBlock(at, child, false);
        block.children.push_back(std::move(child));
        continue;
      }
      ReadEntry(at + 1, t, block);
      ++at;
    }
  }

  void ReadEntry(int line, const std::string& text, Block& block) {
    size_t eq = text.find('=');
    if (eq == std::string::npos) Fail(line, "expected \"KEY = VALUE\", \"Begin CLASS NAME\" or \"End\"");
    Entry entry;
    entry.key = Trim(std::string_view(text).substr(0, eq));
    entry.line = line;
    if (!IsIdentifier(entry.key)) Fail(line, "expected a property name before \"=\"");
    if (block.Find(entry.key)) Fail(line, "expected each property once; " + entry.key + " is repeated");
    std::string value = Trim(std::string_view(text).substr(eq + 1));
    if (value.size() > 5 && SameName(std::string_view(value).substr(0, 5), "font(")) {
      entry.font = ReadFont(line, value);
    } else {
      std::string error;
      auto literal = script::ParseValueLiteral(value, error);
      if (!literal) Fail(line, "expected a value for " + entry.key + ": " + error);
      entry.value = std::move(*literal);
    }
    block.entries.push_back(std::move(entry));
  }

  FontLiteral ReadFont(int line, const std::string& text) {
    const std::string expected = "expected font(\"name\", size[, Bold][, Italic][, Underline][, Strikethrough])";
    if (text.back() != ')') Fail(line, expected);
    std::vector<std::string> args;
    std::string inner = text.substr(5, text.size() - 6);
    // The name is a quoted string and may hold commas; everything after it may not.
    std::string error;
    size_t close = std::string::npos;
    for (size_t i = 1; i < inner.size(); ++i) {
      if (inner[i] != '"') continue;
      if (i + 1 < inner.size() && inner[i + 1] == '"') {
        ++i;
        continue;
      }
      close = i;
      break;
    }
    if (inner.empty() || inner[0] != '"' || close == std::string::npos) Fail(line, expected);
    auto name = script::ParseValueLiteral(inner.substr(0, close + 1), error);
    if (!name || name->value.ToString().empty()) Fail(line, expected);
    FontLiteral font;
    font.name = name->value.ToString();
    std::stringstream rest(inner.substr(close + 1));
    std::string arg;
    while (std::getline(rest, arg, ',')) args.push_back(Trim(arg));
    if (args.size() < 2 || !args[0].empty()) Fail(line, expected);
    auto size = script::ParseValueLiteral(args[1], error);
    if (!size || !size->value.IsNumeric() || size->value.ToDouble() < 1 || size->value.ToDouble() > 2048)
      Fail(line, expected);
    font.size = static_cast<float>(size->value.ToDouble());
    for (size_t k = 2; k < args.size(); ++k) {
      if (SameName(args[k], "Bold")) {
        font.bold = true;
      } else if (SameName(args[k], "Italic")) {
        font.italic = true;
      } else if (SameName(args[k], "Underline")) {
        font.underline = true;
      } else if (SameName(args[k], "Strikethrough")) {
        font.strikethrough = true;
      } else {
        Fail(line, expected);
      }
    }
    return font;
  }

  std::string path_;
  std::vector<std::string> lines_;
};

}  // namespace

const Entry* Block::Find(std::string_view key) const {
  for (const Entry& e : entries) {
    if (SameName(e.key, key)) return &e;
  }
  return nullptr;
}

Block ParseVfm(std::string_view text, const std::string& path) { return Reader(text, path).ReadForm(); }

Block ReadVfmFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw VfmError(path + ": cannot be read");
  std::stringstream text;
  text << in.rdbuf();
  return ParseVfm(text.str(), path);
}

bool IsExtentOrExtenderKey(std::string_view key) {
  for (std::string_view k : {"Left", "Top", "Width", "Height", "TabIndex", "TabStop", "Visible", "Index"}) {
    if (SameName(k, key)) return true;
  }
  return false;
}

}  // namespace vitrelle::vfm
