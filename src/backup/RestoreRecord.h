// Writing one registry record of a backup set back. A record that carries
// the value's type and bytes as repair found them gets exactly those back;
// an older record (its six columns only) goes back as a string value. Each
// write is read back, so the caller can tell the user what did not work.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hm::backup {

inline constexpr const char* kDefaultValueName = "(Default)";
inline constexpr const char* kValueNotSet = "(value not set)";

struct RegistryRecord {
  std::string MainKey, KeyName, KeyValue, FullKeyPath;
  // The "ValueType" and "ValueData" keys as written, when present.
  std::optional<std::string> ValueType, ValueData;
  // Why the record cannot be used (a name whose hex does not decode), when so.
  std::optional<std::string> Unreadable;
};

// Bytes of lowercase (or uppercase) hex, two digits per byte; nothing when malformed.
std::optional<std::string> DecodeHexBytes(std::string_view hex);

// The value a record names, in one form for every spelling (roots merged,
// letter case ignored), so two records of one value can be told apart;
// nothing when MainKey is not one of the three roots.
std::optional<std::string> RecordedValueIdentity(const RegistryRecord& r);

// Puts the record back. `setCarriesRawValues`: the set was written with
// ValueType/ValueData, so a record without them stands for a value that did
// not exist before the repair. True when the registry now holds what the
// record says; raises a Failure for a record that cannot be used.
bool RestoreRegistryRecord(const RegistryRecord& r, bool setCarriesRawValues);

}  // namespace hm::backup
