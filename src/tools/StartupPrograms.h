// The programs Windows starts from the machine-wide Run key (and the keys
// below it), and the entries the user took out of the start-up. An entry
// taken out is kept whole: the settings section "Run" holds the value with
// its original type and bytes, in a key below it that mirrors the key it
// came from, so putting it back restores exactly what was there.
#pragma once

#include <string>
#include <vector>

#include "platform/Registry.h"

namespace hm::tools {

struct StartupEntry {
  std::string subKey;  // below the Run key; "" for the Run key itself
  std::string name;
  platform::RegValue value;  // exactly as read
  std::string command;       // the cleaned command, shown to the user
  bool kept = false;         // taken out of the start-up, held in the settings
};

// The path of the key an entry lives in while it starts with Windows
// (below HKEY_LOCAL_MACHINE) or while it is kept aside (below HKEY_CURRENT_USER).
std::string LiveKeyPath(const std::string& subKey);
std::string KeptKeyPath(const std::string& subKey);

// The live entries whose command names a drive path, then every kept entry.
// Pumps after each value.
std::vector<StartupEntry> ListStartupEntries();

enum class ChangeOutcome { Done, NameTaken, ChangedMeanwhile, Refused };

struct StartupChange {
  StartupEntry entry;
  bool takeOut = false;  // true: out of the start-up; false: back into it
};

// Moves each entry between the Run keys and the settings. A move never
// overwrites a value of the same name in the key it goes to (unless another
// change of the same batch moves that one away), and each write and delete
// is read back before it counts as done. An entry whose value changed since
// it was listed is left alone, so nothing newer is lost.
std::vector<ChangeOutcome> ApplyStartupChanges(const std::vector<StartupChange>& changes);

// Where an entry is shown: "Run" or "Run\<subkey>", then the name.
std::string EntryLabel(const StartupEntry& entry);

}  // namespace hm::tools
