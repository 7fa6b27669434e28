#include "support/RegistrySnapshot.h"

#include "platform/Machine.h"
#include "platform/Registry.h"

namespace hm::test {
namespace {

void SnapshotKey(platform::HKey key, const std::string& path, RegistrySnapshot& out) {
  auto& reg = *platform::machine().registry;
  auto& values = out[path];
  for (std::uint32_t i = 0;; ++i) {
    std::string name;
    platform::RegValue value;
    if (reg.enumValue(key, i, name, 16384, &value, 1u << 22) != platform::kSuccess) break;
    values[name] = {value.type, value.data};
  }
  for (std::uint32_t i = 0;; ++i) {
    std::string name;
    if (reg.enumKey(key, i, name, 256) != platform::kSuccess) break;
    platform::HKey sub = 0;
    if (reg.openKey(key, name, platform::kKeyRead, sub) != platform::kSuccess) {
      out[path + "\\" + name]["<cannot open>"] = {};
      continue;
    }
    SnapshotKey(sub, path + "\\" + name, out);
    reg.closeKey(sub);
  }
}

}  // namespace

RegistrySnapshot SnapshotRegistry() {
  RegistrySnapshot out;
  auto& reg = *platform::machine().registry;
  for (const auto& [root, name] :
       {std::pair{platform::kHkeyLocalMachine, "HKLM"}, std::pair{platform::kHkeyCurrentUser, "HKCU"}}) {
    platform::HKey key = 0;
    if (reg.openKey(platform::rootHandle(root), "", platform::kKeyRead, key) != platform::kSuccess) {
      out[name]["<cannot open>"] = {};
      continue;
    }
    SnapshotKey(key, name, out);
    reg.closeKey(key);
  }
  return out;
}

}  // namespace hm::test
