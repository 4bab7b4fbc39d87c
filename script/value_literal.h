// Values as form files and scripts write them: the inverse of Variant::ToLiteral, so a
// saved form reads back as it was written.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "frame/variant.h"

namespace vitrelle::script {

// A parsed value. A picture is only named here: opening the file needs a host and a
// folder to resolve the path against, which the reader of the literal does not know.
struct ValueLiteral {
  Variant value;                            // Empty when picture_path is set
  std::optional<std::string> picture_path;  // picture("path"), the path as written
};

// One whole value, surrounding blanks allowed:
//   12, -7          Integer when it fits 16 bits, else Long, else Double
//   0x00C0E0FF      Long with those 32 bits (0x80000005 is negative, as colours need)
//   1.5, -2.0, 1E+20, 1.5E-3   Double
//   True, False     Boolean
//   "say ""hi"""    String; a doubled quote is one quote
//   picture("a.png")
//   Nothing         an object reference set to nothing
// Keywords are case-insensitive. Returns nothing and a reason in `error` otherwise.
std::optional<ValueLiteral> ParseValueLiteral(std::string_view text, std::string& error);

}  // namespace vitrelle::script
