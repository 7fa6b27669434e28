// Loading and saving one registry file of a Wine prefix, safely: only a
// regular file of bounded size is read, a malformed file is refused whole,
// nothing is written while Wine runs in the prefix or over a file that changed
// since it was read, a file whose text would not change is left alone, and a
// changed one is replaced atomically (through a symbolic link, at its target).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/wineprefix/WineRegistryFile.h"

namespace hm::platform {

// Wine's own hives stay far below this; a larger file is refused, not read.
inline constexpr std::uintmax_t kMaxWineHiveBytes = std::uintmax_t{1} << 30;

// A hive file as it was read: a save writes only over that very file.
struct WineHiveOnDisk {
  bool exists = false;
  std::uintmax_t size = 0;
  std::int64_t modifiedNs = 0;
  std::uint64_t contentHash = 0;
  bool operator==(const WineHiveOnDisk&) const = default;
};

// `read`, when given, receives what the file was.
bool loadWineHive(const std::filesystem::path& file, WineRegistryFile& out, std::string& error,
                  WineHiveOnDisk* read = nullptr);

// False with a message when the file is no longer what `asRead` describes.
bool wineHiveStillAsRead(const std::filesystem::path& file, const WineHiveOnDisk& asRead, std::string& error);

enum class WineHiveSave { Written, Unchanged, Refused };

// `prefix` is the prefix the file belongs to (checked for a running wineserver).
// With `asRead`, a file changed since then is refused, and after a write
// `asRead` describes the new file. A hive reached through a symbolic link is
// written at the link's target; one with several hard links is rewritten in
// place so that every name keeps seeing it.
WineHiveSave saveWineHive(const std::filesystem::path& prefix, const std::filesystem::path& file,
                          const WineRegistryFile& hive, std::string& error, WineHiveOnDisk* asRead = nullptr);

}  // namespace hm::platform
