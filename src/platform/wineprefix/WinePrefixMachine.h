// The Linux machine: a Wine prefix on disk, shown to the logic as the Windows
// that Wine shows its programs.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/OpenMachine.h"

namespace hm::platform {

// The prefix named by --prefix, else $WINEPREFIX, else ~/.wine.
std::filesystem::path ChoosePrefix(const std::string& option);

// Opens a prefix: its registry files are read, its drives listed. Null with a
// message when the folder is no prefix or a registry file is malformed.
std::unique_ptr<OpenedMachine> OpenWinePrefix(const std::filesystem::path& prefix, bool writable, std::string& error);

}  // namespace hm::platform
