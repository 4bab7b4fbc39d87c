// Form files (*.vfm) read without a host: a tree of blocks whose keys keep their
// values as literals. The model host's loader turns the same text into live
// controls; a container on another platform (the Win32 test container) reads the
// tree with this and opens pictures and fonts with its own platform's objects.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "script/value_literal.h"

namespace vitrelle::vfm {

// font("Name", size[, Bold][, Italic][, Underline][, Strikethrough])
struct FontLiteral {
  std::string name;
  float size = 0;
  bool bold = false, italic = false, underline = false, strikethrough = false;
};

struct Entry {
  std::string key;
  script::ValueLiteral value;       // value.picture_path as written in the file
  std::optional<FontLiteral> font;  // set for font(...); value is then Empty
  int line = 0;
};

struct Block {
  std::string class_name;  // "Form" for the root
  std::string name;
  int line = 0;
  std::vector<Entry> entries;
  std::vector<Block> children;

  // The entry for `key`, matched without regard to case; null when absent.
  const Entry* Find(std::string_view key) const;
};

// "FILE:LINE: expected ..." for the first thing in the file that is wrong.
class VfmError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The whole file as one "Begin Form NAME" block. `path` names the file in errors.
Block ParseVfm(std::string_view text, const std::string& path);
Block ReadVfmFile(const std::string& path);

// Keys a container keeps for itself rather than handing to the control's bag.
bool IsExtentOrExtenderKey(std::string_view key);

}  // namespace vitrelle::vfm
