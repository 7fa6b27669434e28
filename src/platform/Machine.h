// The machine the program works on: one set of ports, installed for the
// process (or a test) and reached by every procedure through machine().
#pragma once

#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/System.h"
#include "platform/UrlCache.h"

namespace hm::platform {

struct Machine {
  RegistryPort* registry = nullptr;
  FileSystemPort* files = nullptr;
  DrivePort* drives = nullptr;
  ClockPort* clock = nullptr;
  EventPumpPort* pump = nullptr;
  DialogPort* dialogs = nullptr;
  EnvironmentPort* environment = nullptr;
  ShellPort* shell = nullptr;
  UrlCachePort* urlCache = nullptr;  // the browser cache (none where there is no browser)
};

// The installed machine; throws std::logic_error when none is.
Machine& machine();

// The installed machine's shell port; throws std::logic_error when it has none,
// so a caller that traps its failures gets its neutral result.
ShellPort& shell();

// Installs a machine for the lifetime of the scope and puts back the previous one.
class MachineScope {
 public:
  explicit MachineScope(Machine& m);
  ~MachineScope();
  MachineScope(const MachineScope&) = delete;
  MachineScope& operator=(const MachineScope&) = delete;

 private:
  Machine* previous_;
};

}  // namespace hm::platform
