// Opening the machine a command works on: the live Windows on the Windows
// build, a Wine prefix (or a folder laid out like one) on Linux.
#pragma once

#include <memory>
#include <string>

#include "platform/Machine.h"

namespace hm::platform {

struct MachineOptions {
  std::string prefix;     // Linux: the prefix folder; empty for $WINEPREFIX, else ~/.wine
  bool writable = false;  // the command will change the registry or files
};

// Owns the ports of an opened machine.
class OpenedMachine {
 public:
  virtual ~OpenedMachine() = default;
  Machine& machine() { return machine_; }
  // Writes back what changed (a prefix's registry files); false with a message on failure.
  virtual bool save(std::string& error) {
    (void)error;
    return true;
  }
  // A line that says what machine this is (for the command line's heading).
  virtual std::string description() const = 0;

 protected:
  Machine machine_;
};

// Null with a message when the machine cannot be opened.
std::unique_ptr<OpenedMachine> OpenMachine(const MachineOptions& options, std::string& error);

}  // namespace hm::platform
