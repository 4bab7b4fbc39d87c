// The `vitrelle` program's subcommands, as a table so that each new one is a row.
// main() only turns argv into views and calls RunVitrelle; tests call it directly.
#pragma once

#include <iosfwd>
#include <span>
#include <string_view>

namespace vitrelle::cli {

struct Command {
  std::string_view name;
  std::string_view arguments;  // for the usage line, e.g. "FORM.vfm -o out.png"
  std::string_view summary;
  // `args` are what follows the subcommand's name. Returns the exit status.
  int (*run)(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
};

std::span<const Command> Commands();

// Exit statuses shared by every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

void PrintUsage(std::ostream& os);

// `args` excludes the program name. An unknown or missing subcommand prints the
// usage on `err` and returns kExitUsage.
int RunVitrelle(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

}  // namespace vitrelle::cli
