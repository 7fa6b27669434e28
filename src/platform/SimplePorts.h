// Ports with no operating system behind them: a configured drive list, a
// clock from the C++ library, a pump that runs a callback, and dialogs that
// answer from a script. The Linux build and the tests use them.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/System.h"

namespace hm::platform {

class FixedDriveList : public DrivePort {
 public:
  explicit FixedDriveList(std::vector<DriveInfo> drives = {}) : drives_(std::move(drives)) {}
  std::vector<DriveInfo> drives() override { return drives_; }
  bool volumeInformation(std::string_view root) override;
  std::vector<DriveInfo>& list() { return drives_; }

 private:
  std::vector<DriveInfo> drives_;
};

// Local time from the C++ library, shown in the United States formats
// ("3:45:12 PM", "12/8/2005").
class SystemClock : public ClockPort {
 public:
  LocalTime now() override;
  std::string formatTime(const LocalTime& t) override;
  std::string formatShortDate(const LocalTime& t) override;
};

// A clock that stands still unless told to move (for tests).
class FixedClock : public SystemClock {
 public:
  explicit FixedClock(LocalTime t) : time_(t) {}
  LocalTime now() override { return time_; }
  void set(LocalTime t) { time_ = t; }

 private:
  LocalTime time_;
};

// Runs `onPump` (if any) each time; milliseconds come from a steady clock, or
// advance by `step` per call when a step is set (deterministic tests).
class CallbackPump : public EventPumpPort {
 public:
  std::function<void()> onPump;
  long long step = 0;
  long long pumps = 0;
  void pump() override {
    ++pumps;
    if (onPump) onPump();
  }
  long long milliseconds() override;

 private:
  static constexpr int kMaxReadStride = 64;
  long long fake_ = 0;
  long long lastRead_ = -1;
  int readStride_ = 1;
  int callsUntilRead_ = 1;
};

// Variables from a table, names matched without regard to case.
class TableEnvironment : public EnvironmentPort {
 public:
  std::map<std::string, std::string> variables;
  std::optional<std::string> variable(std::string_view name) override;
};

// Answers message boxes from a queue (then with `defaultAnswer`) and keeps
// what was shown.
class ScriptedDialogs : public DialogPort {
 public:
  struct Shown {
    std::string text, title;
    unsigned flags;
  };
  std::deque<int> answers;
  int defaultAnswer = kIdOk;
  std::vector<Shown> shown;
  std::function<void(const Shown&)> onShow;
  int messageBox(std::string_view text, std::string_view title, unsigned flags) override;
  // Save As answers from a queue ("" is a cancel); the filter and title of each dialog shown.
  std::deque<std::string> savePaths;
  std::vector<Shown> saveDialogs;
  std::string saveFileName(std::string_view filter, std::string_view title) override {
    saveDialogs.push_back(Shown{std::string(filter), std::string(title), 0});
    if (savePaths.empty()) return {};
    std::string path = std::move(savePaths.front());
    savePaths.pop_front();
    return path;
  }
};

}  // namespace hm::platform
