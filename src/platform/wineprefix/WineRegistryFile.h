// Wine's registry files (system.reg, user.reg, userdef.reg): read into a key
// tree and written back exactly as wineserver writes them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/memory/RegistryTree.h"
#include "platform/wineprefix/WineNameOrder.h"

namespace hm::platform {

inline constexpr std::string_view kWineRegistrySignature = "WINE REGISTRY Version 2";

struct WineRegistryFile {
  // The lines before the first key, kept as found.
  std::string relativeToLine;  // ";; All keys relative to REGISTRY\\User\\S-1-5-21-0-0-0-1000"
  std::string archLine;        // "#arch=win64"; empty when the file has none
  // Keys store their values sorted; parents that have no section of their own
  // exist as plain keys without a time stamp.
  std::unique_ptr<RegistryKey> root = std::make_unique<RegistryKey>(std::string(), nullptr, true, compareWineNames);

  // The native path the keys are relative to, unescaped ("REGISTRY\User\S-1-5-...").
  std::string relativeTo() const;
  // The user's key name under REGISTRY\User ("S-1-5-21-..." or ".Default"); empty for other hives.
  std::string userKeyName() const;
};

struct WineRegistryParseResult {
  bool ok = false;
  std::string error;  // names the file and the line
  WineRegistryFile file;
};

// Reads the whole text; on any malformed line the result holds no keys at all.
WineRegistryParseResult parseWineRegistry(std::string_view text, std::string_view pathForMessages);

// Wine's time stamps count 100 ns ticks since 1601.
inline constexpr std::uint64_t kWineTicksPerSecond = 10000000;
inline constexpr std::uint64_t kWineTicksTo1970 = 116444736000000000ull;
std::uint64_t wineTicksNow();

// The file text Wine writes for this tree: keys and values in Wine's order,
// Wine's escapes and line wrapping. Keys without a time stamp get `nowTicks`.
std::string writeWineRegistry(const WineRegistryFile& file, std::uint64_t nowTicks = wineTicksNow());

// Marks a key as changed: the next write stamps it with the time of writing.
void markWineKeyModified(RegistryKey& key);

}  // namespace hm::platform
