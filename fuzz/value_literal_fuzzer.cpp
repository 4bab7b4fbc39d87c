// Value literals as form files and scripts write them. Besides not crashing, a
// literal that reads must write back (ToLiteral) as text that reads as the same value
// (a whole number as the smallest kind that holds it, as a saved form reads back).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "script/value_literal.h"

using vitrelle::VarType;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto literal = vitrelle::script::ParseValueLiteral(text, error);
  if (!literal) {
    if (error.empty()) std::abort();  // every refusal says why
    return 0;
  }
  if (literal->picture_path) {
    if (literal->picture_path->empty() || !literal->value.IsEmpty()) std::abort();
    return 0;
  }
  const vitrelle::Variant& value = literal->value;
  std::string again_error;
  const auto again = vitrelle::script::ParseValueLiteral(value.ToLiteral(), again_error);
  if (!again || again->picture_path) std::abort();
  const vitrelle::Variant& back = again->value;
  switch (value.type()) {
    case VarType::kDouble:
    case VarType::kSingle:
      // Written with the host's fifteen digits: the kind survives, the last bits may not.
      if (back.type() != VarType::kDouble) std::abort();
      break;
    case VarType::kString:
      if (back.type() != VarType::kString || back.ToString() != value.ToString()) std::abort();
      break;
    case VarType::kInteger:
    case VarType::kLong:
      if ((back.type() != VarType::kInteger && back.type() != VarType::kLong) || !(back == value)) std::abort();
      break;
    default:
      if (back.type() != value.type() || !(back == value)) std::abort();
  }
  return 0;
}
