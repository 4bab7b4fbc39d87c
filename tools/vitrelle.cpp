// The `vitrelle` command-line program.
#include <iostream>
#include <string_view>
#include <vector>

#include "tools/commands.h"

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return vitrelle::cli::RunVitrelle(args, std::cout, std::cerr);
}
