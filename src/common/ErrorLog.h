// The error log and the trap-and-log convention: a procedure that fails logs
// one five-line entry under its label and returns a neutral result; nothing
// reaches the user and nothing stops the program.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace hm {

// Run-time error numbers and their descriptions, as the log shows them.
enum ErrorNumber : long {
  kErrInvalidCall = 5,
  kErrOverflow = 6,
  kErrOutOfMemory = 7,
  kErrSubscript = 9,
  kErrTypeMismatch = 13,
  kErrBadFileName = 52,
  kErrFileNotFound = 53,
  kErrPathAccess = 75,
};

// A failure raised inside a procedure; its trap logs it.
class Failure : public std::runtime_error {
 public:
  Failure(long number, const std::string& description) : std::runtime_error(description), number_(number) {}
  long number() const { return number_; }

 private:
  long number_;
};

[[noreturn]] void Raise(long number);
[[noreturn]] void Raise(long number, const std::string& description);
std::string ErrorDescription(long number);

// The log file: the Windows folder followed by "\ErrHvmd.txt".
std::string ErrorLogPath();

// Appends one entry for the failure being handled (call it inside a catch
// block); outside a catch block it logs error 5. A log that cannot be written
// is dropped silently.
void LogError(std::string_view label);
void LogErrorEntry(long number, std::string_view description, std::string_view label);

// The first line of an entry: " 5 " for 5, "-1 " for -1.
std::string FormatErrorNumber(long number);

}  // namespace hm
