// Run-time errors as the control host reports them: a number and the host's usual text.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace vitrelle {

namespace err {
inline constexpr int kInvalidProcedureCall = 5;
inline constexpr int kOverflow = 6;
inline constexpr int kOutOfMemory = 7;
inline constexpr int kSubscriptOutOfRange = 9;
inline constexpr int kDivisionByZero = 11;
inline constexpr int kTypeMismatch = 13;
inline constexpr int kObjectNotSet = 91;
inline constexpr int kControlArrayElementMissing = 340;
inline constexpr int kObjectNotArray = 343;
inline constexpr int kInvalidPropertyValue = 380;
inline constexpr int kPropertyReadOnly = 383;
inline constexpr int kObjectRequired = 424;
inline constexpr int kNotSupported = 438;
inline constexpr int kWrongArguments = 450;
inline constexpr int kControlNotFound = 730;
inline constexpr int kFormAlreadyShown = 400;
inline constexpr int kFileNotFound = 53;
inline constexpr int kCantMoveFocus = 5;  // the host reports a refused SetFocus as 5
}  // namespace err

// The host's own wording for a run-time error number; "Application-defined or
// object-defined error" for numbers it has no text for.
std::string DescribeError(int number);

class RuntimeError : public std::exception {
 public:
  explicit RuntimeError(int number) : number_(number), description_(DescribeError(number)) {}
  RuntimeError(int number, std::string description)
      : number_(number), description_(std::move(description)) {}

  int number() const noexcept { return number_; }
  const std::string& description() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  int number_;
  std::string description_;
};

[[noreturn]] inline void Raise(int number) { throw RuntimeError(number); }

// Runs one step "with every error ignored": a run-time error it raises is dropped
// and the caller goes on. Each ignored step is written as its own call so that it
// stays visible where it happens. Returns false when the step raised.
template <class Step>
bool IgnoreErrors(Step&& step) {
  try {
    std::forward<Step>(step)();
    return true;
  } catch (const RuntimeError&) {
    return false;
  }
}

}  // namespace vitrelle
