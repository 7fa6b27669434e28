#include "common/ErrorLog.h"

#include <exception>
#include <new>

#include "platform/Machine.h"

namespace hm {

std::string ErrorDescription(long number) {
  switch (number) {
    case kErrInvalidCall:
      return "Invalid procedure call or argument";
    case kErrOverflow:
      return "Overflow";
    case kErrOutOfMemory:
      return "Out of memory";
    case kErrSubscript:
      return "Subscript out of range";
    case kErrTypeMismatch:
      return "Type mismatch";
    case kErrBadFileName:
      return "Bad file name or number";
    case kErrFileNotFound:
      return "File not found";
    case kErrPathAccess:
      return "Path/File access error";
    default:
      return "Application-defined or object-defined error";
  }
}

void Raise(long number) { throw Failure(number, ErrorDescription(number)); }
void Raise(long number, const std::string& description) { throw Failure(number, description); }

std::string FormatErrorNumber(long number) {
  return (number < 0 ? "-" : " ") + std::to_string(number < 0 ? -number : number) + " ";
}

std::string ErrorLogPath() {
  std::string folder = platform::machine().files->windowsFolder();
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder + "\\ErrHvmd.txt";
}

void LogErrorEntry(long number, std::string_view description, std::string_view label) {
  try {
    auto& m = platform::machine();
    const platform::LocalTime now = m.clock->now();
    std::string entry;
    entry += FormatErrorNumber(number) + "\r\n";
    entry += std::string(description) + "\r\n";
    entry += m.clock->formatTime(now) + "\r\n";
    entry += m.clock->formatShortDate(now) + "\r\n";
    entry += std::string(label) + "\r\n";
    m.files->appendFile(ErrorLogPath(), entry);
  } catch (...) {
    // The caller is already handling a failure: an unwritable log is dropped.
  }
}

void LogError(std::string_view label) {
  long number = kErrInvalidCall;
  std::string description = ErrorDescription(number);
  if (const std::exception_ptr current = std::current_exception()) {
    try {
      std::rethrow_exception(current);
    } catch (const Failure& f) {
      number = f.number();
      description = f.what();
    } catch (const std::bad_alloc&) {
      number = kErrOutOfMemory;
      description = ErrorDescription(number);
    } catch (const std::out_of_range&) {
      number = kErrSubscript;
      description = ErrorDescription(number);
    } catch (const std::overflow_error&) {
      number = kErrOverflow;
      description = ErrorDescription(number);
    } catch (const std::exception& e) {
      description = e.what();
    } catch (...) {
    }
  }
  LogErrorEntry(number, description, label);
}

}  // namespace hm
