// Loading and saving one registry file of a Wine prefix, safely: a malformed
// file is refused whole, nothing is written while Wine runs in the prefix, a
// file whose text would not change is left alone, and a changed one is
// replaced atomically.
#pragma once

#include <filesystem>
#include <string>

#include "platform/wineprefix/WineRegistryFile.h"

namespace hm::platform {

bool loadWineHive(const std::filesystem::path& file, WineRegistryFile& out, std::string& error);

enum class WineHiveSave { Written, Unchanged, Refused };

// `prefix` is the prefix the file belongs to (checked for a running wineserver).
WineHiveSave saveWineHive(const std::filesystem::path& prefix, const std::filesystem::path& file,
                          const WineRegistryFile& hive, std::string& error);

}  // namespace hm::platform
