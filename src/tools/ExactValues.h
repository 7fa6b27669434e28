// Registry values read and written exactly (type and bytes), each change
// checked by reading it back: Windows may refuse a write without saying so.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Registry.h"

namespace hm::tools {

// The value, or nothing when it (or its key) is missing or unreadable.
std::optional<platform::RegValue> ReadExactValue(std::int32_t root, const std::string& keyPath,
                                                 const std::string& name);
// Writes this type and these bytes, creating the key; true when they read back so.
bool WriteExactValue(std::int32_t root, const std::string& keyPath, const std::string& name,
                     const platform::RegValue& value);
// True when the value is gone afterwards.
bool RemoveExactValue(std::int32_t root, const std::string& keyPath, const std::string& name);

// Whether the key is there: kSuccess, kFileNotFound, or the status that kept
// it from being opened.
std::int32_t KeyPresence(std::int32_t root, const std::string& keyPath);

enum class KeyRemoval { Gone, NotEmpty, Refused };
// Deletes the key only while it holds no values and no subkeys. A missing key
// counts as gone; Gone is told only once the key no longer opens.
KeyRemoval RemoveEmptyKey(std::int32_t root, const std::string& keyPath);

}  // namespace hm::tools
