// A machine for tests: a scratch registry and a scratch folder tree, on the
// in-memory registry and host folders on Linux and on the real API under wine.
// Paths are built with path("Apps\\tool.exe"), which puts them in the scratch
// tree on either build.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/Machine.h"
#include "platform/SimplePorts.h"

namespace hm::test {

class TestMachine {
 public:
  TestMachine();
  ~TestMachine();
  TestMachine(const TestMachine&) = delete;
  TestMachine& operator=(const TestMachine&) = delete;

  platform::Machine& machine() { return machine_; }

  // The scratch tree's root as a Windows path (no trailing "\").
  const std::string& root() const { return root_; }
  // A Windows path below the scratch root.
  std::string path(std::string_view relative) const { return root_ + "\\" + std::string(relative); }
  // The host path of a Windows path below the root (for creating fixtures).
  std::filesystem::path hostPath(std::string_view relative) const;

  // Creates a file (and its folders) with the given content.
  void createFile(std::string_view relative, std::string_view content = "x");
  void createFolder(std::string_view relative);
  // Sets or clears Hidden / System on an existing file or folder.
  void setAttributes(std::string_view relative, std::uint32_t attributes);

  // Makes a folder unreadable (allowReading undoes it); false when this
  // machine cannot deny reading (as root, or under wine).
  bool denyReading(std::string_view relative);
  void allowReading(std::string_view relative);
  // The root ("E:\") of a drive that is not ready, or "" when this machine
  // cannot make one (wine reports such a drive's paths as missing).
  std::string unreadyDriveRoot() const;

  // The scratch Windows and system folders (created).
  std::string windowsFolder() const { return path("windows"); }
  std::string systemFolder() const { return path("windows\\system32"); }

  // The error log's content ("" when it does not exist).
  std::string errorLog() const;
  int errorLogEntries() const;

  platform::FixedDriveList drives;
  platform::FixedClock clock{platform::LocalTime{2005, 12, 8, 15, 45, 12, 0}};
  platform::CallbackPump pump;
  platform::ScriptedDialogs dialogs;
  platform::TableEnvironment environment;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  platform::Machine machine_;
  std::string root_;
  std::unique_ptr<platform::MachineScope> scope_;
};

// The folder of test data (tests/data) as a host path.
std::filesystem::path TestDataDir();

}  // namespace hm::test
