// Looks at a problem row again right before repair acts on it: repair removes
// only what the scan showed, never a value that changed since or a shortcut
// whose target has come back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Registry.h"
#include "scan/ScanLists.h"

namespace hm {

enum class RowState {
  StillBroken,  // as the scan saw it: repair may go ahead
  Gone,         // the value, key or file is no longer there: nothing to remove
  Changed,      // it changed since the scan, or its target exists again
};

struct RowCheck {
  RowState state = RowState::Changed;
  // Registry rows: the value as it is now, when it exists (the backup keeps it).
  std::optional<platform::RegValue> value;
};

// A file row: KeyName is empty and FullKeyPath is the shortcut file.
inline bool IsFileRow(const ProblemEntry& row) { return row.KeyName.empty(); }
// The value name a registry row stands for ("" for "(Default)").
std::string ValueNameOf(const ProblemEntry& row);

RowCheck CheckRowBeforeRepair(const ProblemEntry& row);

// The value's type and bytes, or nothing when the key or value is missing.
std::optional<platform::RegValue> ReadRegistryValue(std::int32_t rootKey, const std::string& keyPath,
                                                    const std::string& valueName);
// A file of exactly this name (letter case counts where the folder tells it apart).
bool FileExists(const std::string& path);

}  // namespace hm
