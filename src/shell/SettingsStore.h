// The per-user settings store: a text per application, section and key, kept
// in HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<app>\<section>.
#pragma once

#include <string>
#include <string_view>

namespace hm {

inline constexpr const char* kSettingsRoot = "Software\\VB and VBA Program Settings";

// The key below HKEY_CURRENT_USER that holds one section's settings.
std::string SettingsKeyPath(std::string_view application, std::string_view section);

// The stored text, or `defaultValue` when the setting is missing.
std::string GetSetting(std::string_view application, std::string_view section, std::string_view key,
                       std::string_view defaultValue = {});
// Stores the text, creating what is missing on its path. False when it could not be written.
bool SaveSetting(std::string_view application, std::string_view section, std::string_view key, std::string_view value);
// Removes one setting (no harm when it is missing).
void DeleteSetting(std::string_view application, std::string_view section, std::string_view key);

}  // namespace hm
