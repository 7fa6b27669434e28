// The walker: visits a section's registry locations, reads every value as
// text, shows progress, and hands each value to the section's check.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Controls.h"
#include "platform/Registry.h"
#include "scan/ScanLists.h"

namespace hm {

// Depth-first, pre-order walk of every key below `keyPath` (not the start
// key's own values): each subkey's values are checked, then its subkeys. A
// subkey that is a symbolic link is not entered: its target is walked where it
// lives, and a link to an ancestor would never end.
void EnumerateRegKeys(ScanLists& lists, std::int32_t rootKey, const std::string& keyPath, const std::string& section,
                      const std::string& rootKeyName, platform::LabelModel& valueLabel);
// The values of one key, without going into its subkeys.
void EnumerateRegKeyValues(ScanLists& lists, std::int32_t rootKey, const std::string& keyPath,
                           const std::string& section, const std::string& rootKeyName,
                           platform::LabelModel& valueLabel);
// The values of a key already open (`keyPath` names it for the records).
void CheckValuesOfKey(ScanLists& lists, platform::HKey key, std::int32_t rootKey, const std::string& keyPath,
                      const std::string& section, const std::string& rootKeyName, platform::LabelModel& valueLabel);
// Lists one key's subkey names on lblRegistryScan, for display only; stops
// when `keepGoing` says no (the cancel button is no longer enabled).
void EnumerateRegKeyNames(ScanLists& lists, std::int32_t rootKey, const std::string& keyPath, const bool& keepGoing);

// A value as the checks see it: the first string of REG_SZ / REG_MULTI_SZ,
// a REG_DWORD as signed decimal, anything else as "".
std::string GetSubKeyValue(platform::HKey key, std::string_view valueName);
std::string ValueText(const platform::RegValue& value);
// The same into `text`, whose buffer it reuses.
void ValueText(const platform::RegValue& value, std::string& text);

// Picks the section's check and runs it.
void CheckPathExistinDirectory(ScanLists& lists, std::string valueText, const std::string& section,
                               const std::string& valueName, std::int32_t rootKey, const std::string& rootKeyName,
                               const std::string& keyPath);
// The same with the text borrowed: `valueText` is the check's to change and
// may come back with any contents (the walker reuses its buffer).
void CheckValue(ScanLists& lists, std::string& valueText, const std::string& section, const std::string& valueName,
                std::int32_t rootKey, const std::string& rootKeyName, const std::string& keyPath);

}  // namespace hm
