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

}  // namespace hm::tools
