// The shell and process services the application shell needs: the program's
// name and command line, one running copy, documents opened in their
// associated program, elevation, and the system image list.
#pragma once

#include <cstdint>
#include <string>

namespace hm::platform {

class ShellPort {
 public:
  virtual ~ShellPort() = default;
  // The program's file name without the extension (its folder and the
  // temporary folder come from the files port).
  virtual std::string programName() = 0;
  // The arguments the program was started with, as one line.
  virtual std::string commandLine() = 0;
  // True when another copy of the program already runs; otherwise this copy
  // becomes the one that runs.
  virtual bool anotherCopyRunning() = 0;
  // The program associated with a document: above 32 on success, with its path in `executable`.
  virtual int findExecutable(const std::string& document, std::string& executable) = 0;
  // Opens `parameters` with `executable` in a normal window: above 32 on success.
  virtual int shellExecute(const std::string& executable, const std::string& parameters) = 0;
  // Starts a program in a normal, focused window; false when it could not be started.
  virtual bool startProgram(const std::string& path) = 0;
  // Whether this process may write machine-wide keys.
  virtual bool elevated() = 0;
  // Starts this program again with elevation and the given arguments; false
  // when that was refused or failed.
  virtual bool restartElevated(const std::string& arguments) = 0;
  // The shell's shared image list of file-type icons (0 when there is none)
  // and the index of a file's icon in it (-1 when the shell has none).
  virtual std::uintptr_t systemImageList(bool smallIcons) = 0;
  virtual int fileIconIndex(const std::string& path, bool smallIcons, bool openFile) = 0;
};

}  // namespace hm::platform
