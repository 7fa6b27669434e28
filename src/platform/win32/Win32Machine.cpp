// The Windows build works on the machine it runs on.
#include "platform/OpenMachine.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32System.h"
#include "platform/win32/Win32UrlCache.h"

namespace hm::platform {
namespace {
class Win32Machine : public OpenedMachine {
 public:
  Win32Machine() {
    machine_.registry = &registry_;
    machine_.files = &files_;
    machine_.drives = &drives_;
    machine_.clock = &clock_;
    machine_.pump = &pump_;
    machine_.dialogs = &dialogs_;
    machine_.environment = &environment_;
    machine_.shell = &shell_;
    machine_.urlCache = &urlCache_;
  }
  std::string description() const override { return "This computer"; }

 private:
  win32::Win32Registry registry_;
  win32::Win32FileSystem files_;
  win32::Win32Drives drives_;
  win32::Win32Clock clock_;
  win32::Win32Pump pump_;
  win32::Win32Dialogs dialogs_;
  win32::Win32Environment environment_;
  win32::Win32Shell shell_;
  win32::Win32UrlCache urlCache_;
};
}  // namespace

std::unique_ptr<OpenedMachine> OpenMachine(const MachineOptions& options, std::string& error) {
  if (!options.prefix.empty()) {
    error = "--prefix is for the Linux build; this program works on the computer it runs on";
    return nullptr;
  }
  return std::make_unique<Win32Machine>();
}

}  // namespace hm::platform
