// The shell port on the real Windows API (wide entry points).
#pragma once

#include <string>

#include "platform/Shell.h"
#include "platform/win32/gui/ScopedHandles.h"

namespace hm::platform::win32 {

class Win32Shell : public ShellPort {
 public:
  // The mutex that marks the running copy; tests pass a name of their own.
  explicit Win32Shell(std::wstring instanceMutexName = L"Local\\Hivemend.SingleInstance")
      : mutexName_(std::move(instanceMutexName)) {}

  std::string programName() override;
  std::string commandLine() override;
  // The first copy keeps the mutex for the rest of its life.
  bool anotherCopyRunning() override;
  int findExecutable(const std::string& document, std::string& executable) override;
  int shellExecute(const std::string& executable, const std::string& parameters) override;
  bool startProgram(const std::string& path) override;
  bool elevated() override;
  bool restartElevated(const std::string& arguments) override;
  std::uintptr_t systemImageList(bool smallIcons) override;
  int fileIconIndex(const std::string& path, bool smallIcons, bool openFile) override;

 private:
  std::wstring mutexName_;
  ScopedHandle instanceMutex_;
};

// The part of a command line after the program's path (quoted or not), with
// the blanks between them dropped.
std::wstring argumentsOf(std::wstring_view commandLine);

// This program's full path.
std::wstring modulePath();

}  // namespace hm::platform::win32
