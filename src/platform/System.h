// Clock, event pump and message boxes: the small services of the runtime.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hm::platform {

struct LocalTime {
  int year = 2000, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

class ClockPort {
 public:
  virtual ~ClockPort() = default;
  virtual LocalTime now() = 0;
  // The user's time-of-day and short-date formats.
  virtual std::string formatTime(const LocalTime& t) = 0;
  virtual std::string formatShortDate(const LocalTime& t) = 0;
};

class EventPumpPort {
 public:
  virtual ~EventPumpPort() = default;
  // Runs pending window events (nested inside the caller's work).
  virtual void pump() = 0;
  // A monotonic millisecond counter, used to keep pumping cheap.
  virtual long long milliseconds() = 0;
};

// Message box flags and answers, with their Win32 values.
enum MessageBoxFlags : unsigned {
  kMbOk = 0x0,
  kMbYesNo = 0x4,
  kMbIconQuestion = 0x20,
  kMbIconInformation = 0x40,
  kMbIconExclamation = 0x30,
  kMbIconCritical = 0x10,
};
enum MessageBoxAnswer : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

// The environment variables of the machine being scanned (shortcut targets
// may name them).
class EnvironmentPort {
 public:
  virtual ~EnvironmentPort() = default;
  virtual std::optional<std::string> variable(std::string_view name) = 0;
};

class DialogPort {
 public:
  virtual ~DialogPort() = default;
  virtual int messageBox(std::string_view text, std::string_view title, unsigned flags) = 0;
  // The Save As dialog: the chosen path, or "" when it was cancelled. The
  // filter is "Description|pattern" pairs.
  virtual std::string saveFileName(std::string_view filter, std::string_view title) {
    (void)filter;
    (void)title;
    return {};
  }
};

}  // namespace hm::platform
