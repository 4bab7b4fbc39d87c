#include "frame/errors.h"

namespace vitrelle {

std::string DescribeError(int number) {
  switch (number) {
    case err::kInvalidProcedureCall: return "Invalid procedure call or argument";
    case err::kOverflow: return "Overflow";
    case err::kOutOfMemory: return "Out of memory";
    case err::kSubscriptOutOfRange: return "Subscript out of range";
    case err::kDivisionByZero: return "Division by zero";
    case err::kTypeMismatch: return "Type mismatch";
    case err::kObjectNotSet: return "Object variable or With block variable not set";
    case err::kControlArrayElementMissing: return "Control array element does not exist";
    case err::kObjectNotArray: return "Object not an array";
    case err::kInvalidPropertyValue: return "Invalid property value";
    case err::kPropertyReadOnly: return "Property is read-only";
    case err::kObjectRequired: return "Object required";
    case err::kNotSupported: return "Object doesn't support this property or method";
    case err::kWrongArguments: return "Wrong number of arguments or invalid property assignment";
    case err::kControlNotFound: return "Control not found";
    case err::kFormAlreadyShown: return "Form already displayed; can't show modally";
    case err::kFileNotFound: return "File not found";
    default: return "Application-defined or object-defined error";
  }
}

}  // namespace vitrelle
