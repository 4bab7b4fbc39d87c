#include "frame/members.h"

namespace vitrelle {

namespace {

// ASCII letters only, whatever locale the host application has set: member and
// control names compare the same on every machine, and a form walk, which compares
// names for each control it passes, does not call into the C library per letter.
char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

std::string FoldName(std::string_view name) {
  std::string out(name);
  for (char& c : out) c = FoldAscii(c);
  return out;
}

}  // namespace vitrelle
