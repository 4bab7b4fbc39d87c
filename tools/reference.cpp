#include "tools/reference.h"

#include <span>
#include <string>
#include <string_view>

#include "frame/idl.h"
#include "frame/type_model.h"

namespace vitrelle::cli {
namespace {

// A table cell: pipes would split it.
std::string Cell(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '|') out += '\\';
    out += c;
  }
  return out;
}

std::string Code(std::string_view name) { return "`" + std::string(name) + "`"; }

std::string Access(MemberKind kind) {
  switch (kind) {
    case MemberKind::kGet: return "read-only property";
    case MemberKind::kGetLet: return "property";
    case MemberKind::kGetSet: return "object property (Set)";
    case MemberKind::kMethod: return "method";
  }
  return "";
}

std::string Flags(const Member& m) {
  std::string out;
  if (m.non_browsable) out += "not in property sheets";
  if (m.hidden) out += std::string(out.empty() ? "" : ", ") + "hidden";
  return out;
}

std::string Anchor(std::string_view name) {
  std::string out;
  for (char c : name)
    if (c != '_') out += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return out;
}

std::string TypeCell(const TypeRef& type) {
  if (type.kind == ValueType::kVoid) return "";
  const std::string name(TypeName(type));
  if (type.kind == ValueType::kEnum || type.kind == ValueType::kMousePointer || type.kind == ValueType::kAlignment)
    return "[" + Code(name) + "](#" + Anchor(name) + ")";
  return Code(name);
}

void Members(std::string& out, const Interface& iface) {
  out += "| Member | DISPID | Kind | Type | Flags | Description |\n|---|---|---|---|---|---|\n";
  for (const Member& m : iface.members) {
    out += "| " + Code(m.name) + " | " + DispidText(m.dispid) + " | " + Access(m.kind) + " | " + TypeCell(m.type) + " | " +
           Flags(m) + " | " + Cell(m.help) + " |\n";
  }
}

void Events(std::string& out, const EventInterface& iface) {
  out += "| Event | DISPID | Parameters |\n|---|---|---|\n";
  for (const Event& e : iface.events) {
    std::string params;
    for (const Param& p : e.params) {
      if (!params.empty()) params += ", ";
      params += Code(p.name) + " As " + Code(TypeName(p.type)) + (p.by_ref ? " (by reference)" : " (by value)");
    }
    out += "| " + Code(e.name) + " | " + std::to_string(e.dispid) + " | " + params + " |\n";
  }
}

void Enumerations(std::string& out, std::span<const Enumeration> list) {
  for (const Enumeration& e : list) {
    out += "### " + std::string(e.name) + "\n\n";
    out += "| Member | Value |\n|---|---|\n";
    for (const EnumMember& m : e.members) out += "| " + Code(m.name) + " | " + std::to_string(m.value) + " |\n";
    out += "\n";
  }
}

}  // namespace

std::string ReferenceMarkdown() {
  const LibraryInfo& lib = Library();
  std::string out;
  out += "# " + std::string(lib.name) + " reference\n\n";
  out += "<!-- Written by `vitrelle reference` from the type model; a test fails when the two differ. -->\n\n";
  out += "Type library `" + std::string(lib.name) + "` version " + std::string(LibraryVersionText()) + ", \"" +
         std::string(lib.help) + "\", `" + std::string(lib.file_name) + "` " + std::string(lib.file_version) +
         ", library ID `" + lib.id.ToString() + "`.\n\n";
  out += "## Classes\n\n| Class | ProgID | Kind | CLSID |\n|---|---|---|---|\n";
  for (const ClassInfo& c : Classes()) {
    const char* kind = c.kind == ClassKind::kCreatable ? "creatable object" : c.container ? "control (container)" : "control";
    out += "| [" + Code(c.name) + "](#" + Anchor(c.name) + ") | " + Code(c.prog_id) + " | " + kind + " | `" +
           c.clsid.ToString() + "` |\n";
  }
  out += "\n";
  for (const ClassInfo& c : Classes()) {
    out += "## " + std::string(c.name) + "\n\n";
    out += "ProgID " + Code(c.prog_id) + ", default interface " + Code(c.default_interface);
    if (!c.event_interface.empty()) out += ", events " + Code(c.event_interface);
    out += ".\n\n";
    const Interface* iface = FindInterface(c.default_interface);
    if (iface != nullptr && !iface->members.empty()) {
      Members(out, *iface);
      out += "\n";
    } else {
      out += "No members: it publishes the library's enumerations.\n\n";
    }
    if (!c.event_interface.empty()) {
      if (const EventInterface* events = FindEventInterface(c.event_interface)) {
        out += "Events:\n\n";
        Events(out, *events);
        out += "\n";
      }
    }
  }
  out += "## Enumerations\n\n";
  Enumerations(out, vitrelle::Enumerations());
  out += "## Enumerations of the host's kinds\n\n";
  out += "The members that take the host's mouse pointers and caption alignments are declared with these.\n\n";
  Enumerations(out, HostEnumerations());
  // One blank line at the end, not two.
  while (out.size() > 1 && out[out.size() - 1] == '\n' && out[out.size() - 2] == '\n') out.pop_back();
  return out;
}

}  // namespace vitrelle::cli
