#include "tools/ExactValues.h"

#include "platform/Machine.h"

namespace hm::tools {

using platform::HKey;
using platform::RegValue;

std::optional<RegValue> ReadExactValue(std::int32_t root, const std::string& keyPath, const std::string& name) {
  auto& reg = *platform::machine().registry;
  HKey key = 0;
  if (reg.openKey(platform::rootHandle(root), keyPath, platform::kKeyRead, key) != platform::kSuccess)
    return std::nullopt;
  RegValue v;
  const bool found = reg.queryValue(key, name, v) == platform::kSuccess;
  reg.closeKey(key);
  if (!found) return std::nullopt;
  return v;
}

bool WriteExactValue(std::int32_t root, const std::string& keyPath, const std::string& name, const RegValue& value) {
  auto& reg = *platform::machine().registry;
  HKey key = 0;
  if (reg.createKey(platform::rootHandle(root), keyPath, platform::kKeyAllAccess, key) == platform::kSuccess) {
    reg.setValue(key, name, value.type, value.data);
    reg.closeKey(key);
  }
  const auto back = ReadExactValue(root, keyPath, name);
  return back && back->type == value.type && back->data == value.data;
}

bool RemoveExactValue(std::int32_t root, const std::string& keyPath, const std::string& name) {
  auto& reg = *platform::machine().registry;
  HKey key = 0;
  if (reg.openKey(platform::rootHandle(root), keyPath, platform::kKeyAllAccess, key) == platform::kSuccess) {
    reg.deleteValue(key, name);
    reg.closeKey(key);
  }
  return !ReadExactValue(root, keyPath, name);
}

std::int32_t KeyPresence(std::int32_t root, const std::string& keyPath) {
  auto& reg = *platform::machine().registry;
  HKey key = 0;
  const std::int32_t status = reg.openKey(platform::rootHandle(root), keyPath, platform::kKeyRead, key);
  reg.closeKey(key);
  return status;
}

KeyRemoval RemoveEmptyKey(std::int32_t root, const std::string& keyPath) {
  auto& reg = *platform::machine().registry;
  HKey key = 0;
  const std::int32_t status = reg.openKey(platform::rootHandle(root), keyPath, platform::kKeyRead, key);
  if (status == platform::kFileNotFound) return KeyRemoval::Gone;
  if (status != platform::kSuccess) return KeyRemoval::Refused;
  // Anything but "no more items" (a name too long for the buffer too) means
  // the key holds something.
  std::string name;
  const bool empty = reg.enumValue(key, 0, name, 16384, nullptr, 0) == platform::kNoMoreItems &&
                     reg.enumKey(key, 0, name, 256) == platform::kNoMoreItems;
  reg.closeKey(key);
  if (!empty) return KeyRemoval::NotEmpty;
  reg.deleteKey(platform::rootHandle(root), keyPath);
  return KeyPresence(root, keyPath) == platform::kFileNotFound ? KeyRemoval::Gone : KeyRemoval::Refused;
}

}  // namespace hm::tools
