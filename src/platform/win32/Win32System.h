// Clock, event pump and message boxes on the real Windows API.
#pragma once

#include <string>

#include "platform/System.h"

namespace hm::platform::win32 {

class Win32Clock : public ClockPort {
 public:
  LocalTime now() override;
  std::string formatTime(const LocalTime& t) override;
  std::string formatShortDate(const LocalTime& t) override;
};

class Win32Pump : public EventPumpPort {
 public:
  void pump() override;
  long long milliseconds() override;
};

class Win32Environment : public EnvironmentPort {
 public:
  std::optional<std::string> variable(std::string_view name) override;
};

class Win32Dialogs : public DialogPort {
 public:
  // Owned by the active window, so it stays in front of it and blocks it.
  int messageBox(std::string_view text, std::string_view title, unsigned flags) override;
  std::string saveFileName(std::string_view filter, std::string_view title) override;
};

// "Description|pattern|..." as the common dialogs want it: NUL between the
// parts and two at the end.
std::wstring dialogFilter(std::string_view filter);

}  // namespace hm::platform::win32
