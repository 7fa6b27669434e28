// The Linux machine: a Wine prefix on disk (or a folder laid out like one).
#include <cstdlib>
#include <filesystem>

#include "platform/OpenMachine.h"
#include "platform/SimplePorts.h"
#include "platform/host/HostFileSystem.h"
#include "platform/memory/MemoryRegistry.h"

namespace hm::platform {
namespace fs = std::filesystem;

namespace {
class HostMachine : public OpenedMachine {
 public:
  HostMachine(fs::path prefix, std::map<char, fs::path> drives, std::vector<DriveInfo> driveList)
      : prefix_(std::move(prefix)),
        registry_(localMachine_, currentUser_),
        files_(std::move(drives), HostFolders{}),
        drives_(std::move(driveList)) {
    machine_.registry = &registry_;
    machine_.files = &files_;
    machine_.drives = &drives_;
    machine_.clock = &clock_;
    machine_.pump = &pump_;
    machine_.dialogs = &dialogs_;
  }
  std::string description() const override { return "Wine prefix " + prefix_.string(); }
  CallbackPump& pump() { return pump_; }

 private:
  fs::path prefix_;
  RegistryKey localMachine_{"", nullptr, true};
  RegistryKey currentUser_{"", nullptr, true};
  MemoryRegistry registry_;
  HostFileSystem files_;
  FixedDriveList drives_;
  SystemClock clock_;
  CallbackPump pump_;
  ScriptedDialogs dialogs_;
};

fs::path defaultPrefix() {
  if (const char* p = std::getenv("WINEPREFIX"); p != nullptr && *p != '\0') return p;
  const char* home = std::getenv("HOME");
  return fs::path(home != nullptr ? home : ".") / ".wine";
}
}  // namespace

std::unique_ptr<OpenedMachine> OpenMachine(const MachineOptions& options, std::string& error) {
  const fs::path prefix = options.prefix.empty() ? defaultPrefix() : fs::path(options.prefix);
  std::error_code ec;
  if (!fs::is_directory(prefix / "drive_c", ec)) {
    error = "Not a Wine prefix (no drive_c folder): " + prefix.string();
    return nullptr;
  }
  std::map<char, fs::path> drives{{'C', prefix / "drive_c"}};
  std::vector<DriveInfo> list{{'C', kDriveFixed, true}};
  return std::make_unique<HostMachine>(prefix, std::move(drives), std::move(list));
}

}  // namespace hm::platform
