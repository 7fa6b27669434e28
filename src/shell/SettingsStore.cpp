#include "shell/SettingsStore.h"

#include "common/RegistryAccess.h"
#include "platform/Machine.h"
#include "platform/Text.h"

namespace hm {
namespace {
std::string settingsKey(std::string_view application, std::string_view section) {
  return std::string(kSettingsRoot) + "\\" + std::string(application) + "\\" + std::string(section);
}
}  // namespace

std::string SettingsKeyPath(std::string_view application, std::string_view section) {
  return settingsKey(application, section);
}

std::string GetSetting(std::string_view application, std::string_view section, std::string_view key,
                       std::string_view defaultValue) {
  auto& reg = *platform::machine().registry;
  platform::HKey h = 0;
  if (reg.openKey(platform::rootHandle(platform::kHkeyCurrentUser), settingsKey(application, section),
                  platform::kKeyRead, h) != platform::kSuccess)
    return std::string(defaultValue);
  platform::RegValue v;
  const std::int32_t status = reg.queryValue(h, key, v);
  reg.closeKey(h);
  if (status != platform::kSuccess || v.type != platform::kRegSz) return std::string(defaultValue);
  return StringFromRegData(v.data);
}

bool SaveSetting(std::string_view application, std::string_view section, std::string_view key, std::string_view value) {
  auto& reg = *platform::machine().registry;
  platform::HKey h = 0;
  if (reg.createKey(platform::rootHandle(platform::kHkeyCurrentUser), settingsKey(application, section),
                    platform::kKeyAllAccess, h) != platform::kSuccess)
    return false;
  const bool ok = reg.setValue(h, key, platform::kRegSz, text::toUtf16Bytes(value, true)) == platform::kSuccess;
  reg.closeKey(h);
  return ok;
}

void DeleteSetting(std::string_view application, std::string_view section, std::string_view key) {
  DeleteValue(platform::kHkeyCurrentUser, settingsKey(application, section), key);
}

}  // namespace hm
