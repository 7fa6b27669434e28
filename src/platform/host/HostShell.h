// The shell port of the Linux build. A prefix on disk needs no elevation and
// has no shell behind it: documents have no associated program here and there
// is no system image list. One copy runs at a time per user, kept by a lock
// file held for the life of the port.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Shell.h"

namespace hm::platform {

// An open file descriptor, closed (and its lock released) with its owner.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor();
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  void reset(int fd = -1);

 private:
  int fd_ = -1;
};

class HostShell : public ShellPort {
 public:
  // `arguments` without the program itself; the lock file goes into
  // `lockFolder`, by default $XDG_RUNTIME_DIR or else the temporary folder.
  explicit HostShell(std::vector<std::string> arguments = {}, std::filesystem::path lockFolder = {});

  std::string programName() override;
  std::string commandLine() override;
  bool anotherCopyRunning() override;
  int findExecutable(const std::string& document, std::string& executable) override;
  int shellExecute(const std::string& executable, const std::string& parameters) override;
  bool startProgram(const std::string& path) override;
  bool elevated() override { return true; }
  bool restartElevated(const std::string& arguments) override;
  std::uintptr_t systemImageList(bool smallIcons) override;
  int fileIconIndex(const std::string& path, bool smallIcons, bool openFile) override;

  const std::filesystem::path& lockFile() const { return lockFile_; }

 private:
  std::vector<std::string> arguments_;
  std::filesystem::path lockFile_;
  FileDescriptor lock_;
};

}  // namespace hm::platform
