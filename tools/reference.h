// The library's reference for users, as Markdown, written from the type model:
// every class with its ProgID, every property, method and event with its type,
// flags and help string, every enumeration with its members and values.
#pragma once

#include <string>

namespace vitrelle::cli {

std::string ReferenceMarkdown();

}  // namespace vitrelle::cli
