#include "tools/commands.h"

#include <cstdio>
#include <ostream>
#include <string>

#include "frame/idl.h"
#include "frame/type_model.h"
#include "tools/model_commands.h"
#include "tools/reference.h"

namespace vitrelle::cli {
namespace {

int UsageError(std::ostream& err, std::string_view problem) {
  err << "vitrelle: " << problem << "\n";
  PrintUsage(err);
  return kExitUsage;
}

int Typelib(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
  if (!args.empty()) return UsageError(err, "typelib takes no arguments");
  out << GenerateIdl();
  return kExitOk;
}

int Reference(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
  if (!args.empty()) return UsageError(err, "reference takes no arguments");
  out << ReferenceMarkdown();
  return kExitOk;
}

std::string Padded(std::string_view text, size_t width) {
  std::string s(text);
  if (s.size() < width) s.append(width - s.size(), ' ');
  return s;
}

std::string EnumMembersText(const Enumeration& e) {
  std::string s;
  for (const EnumMember& m : e.members) {
    if (!s.empty()) s += ", ";
    s += std::string(m.name) + " = " + std::to_string(m.value);
  }
  return s;
}

int Summary(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
  if (!args.empty()) return UsageError(err, "summary takes no arguments");
  const LibraryInfo& lib = Library();
  out << lib.name << " " << LibraryVersionText() << "  \"" << lib.help << "\"  " << lib.file_name << " "
      << lib.file_version << "\n";
  out << "library " << lib.id.ToString() << "\n\n";

  out << "  " << Padded("Class", 14) << Padded("Kind", 11) << Padded("ProgID", 23) << "Members  Events\n";
  for (const ClassInfo& c : Classes()) {
    const Interface* iface = FindInterface(c.default_interface);
    const EventInterface* events = c.event_interface.empty() ? nullptr : FindEventInterface(c.event_interface);
    const char* kind = c.kind == ClassKind::kCreatable ? "creatable" : c.container ? "container" : "control";
    char counts[32];
    std::snprintf(counts, sizeof counts, "%7zu %7zu", iface ? iface->members.size() : size_t{0},
                  events ? events->events.size() : size_t{0});
    out << "  " << Padded(c.name, 14) << Padded(kind, 11) << Padded(c.prog_id, 23) << counts << "\n";
  }

  out << "\nEnumerations\n";
  for (const Enumeration& e : Enumerations()) out << "  " << Padded(e.name, 21) << EnumMembersText(e) << "\n";
  out << "\nHost enumerations the interfaces refer to\n";
  for (const Enumeration& e : HostEnumerations())
    out << "  " << Padded(e.name, 23) << e.members.size() << " members\n";
  return kExitOk;
}

constexpr Command kCommands[] = {
    {"typelib", "", "print the type library as IDL", Typelib},
    {"summary", "", "print the classes, their ProgIDs and the enumerations", Summary},
    {"reference", "", "print the library's reference (docs/reference.md) as Markdown", Reference},
    {"render", "FORM.vfm -o OUT.png [--after MS]", "show the form, let MS ms pass (500), write it as PNG", Render},
    {"run", "FORM.vfm [SCRIPT]", "drive the form with a script (or standard input), print the log", Run},
};

}  // namespace

std::span<const Command> Commands() { return kCommands; }

void PrintUsage(std::ostream& os) {
  os << "usage: vitrelle <command> [arguments]\n\ncommands:\n";
  for (const Command& c : Commands()) {
    std::string line = std::string(c.name);
    if (!c.arguments.empty()) line += " " + std::string(c.arguments);
    // A long synopsis keeps a gap before its summary rather than running into it.
    os << "  " << Padded(line, 28) << (line.size() >= 28 ? "  " : "") << c.summary << "\n";
  }
}

int RunVitrelle(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return UsageError(err, "no command given");
  if (args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
    PrintUsage(out);
    return kExitOk;
  }
  for (const Command& c : Commands()) {
    if (c.name == args[0]) return c.run(args.subspan(1), out, err);
  }
  return UsageError(err, "unknown command '" + std::string(args[0]) + "'");
}

}  // namespace vitrelle::cli
