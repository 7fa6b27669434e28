// Shared pieces of the restore tests: writing backup sets by hand, reading
// registry values back, and a test machine with the restore panel.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "backup/BackupSetNames.h"
#include "backup/Restore.h"
#include "platform/Machine.h"
#include "platform/Text.h"
#include "support/TestMachine.h"

namespace hm::test {

inline constexpr const char* kBackupRelative = "Program Files\\Hivemend\\Backup\\";

// One "Restore: n" section; keys in the order given.
struct SetRecord {
  std::string section;
  std::vector<std::pair<std::string, std::string>> keys;
};

inline std::string SetText(const std::string& time, const std::vector<SetRecord>& records) {
  std::string text = "[Backup Info]\r\nTime=" + time + "\r\n";
  for (const auto& r : records) {
    text += "[" + r.section + "]\r\n";
    for (const auto& [k, v] : r.keys) text += k + "=" + v + "\r\n";
  }
  return text;
}

inline SetRecord RegistryRecordOf(int n, std::string_view hiveNumber, std::string_view hiveName, std::string_view path,
                                  std::string_view name, std::string_view keyValue,
                                  std::optional<std::pair<std::string, std::string>> raw = std::nullopt) {
  SetRecord r{"Restore: " + std::to_string(n),
              {{"MainKey", std::string(hiveNumber)},
               {"KeyName", std::string(name)},
               {"KeyValue", std::string(keyValue)},
               {"Section", "Windows Startup"},
               {"FullKeyPath", std::string(path)},
               {"MainKeyName", std::string(hiveName)}}};
  if (raw) {
    r.keys.push_back({"ValueType", raw->first});
    r.keys.push_back({"ValueData", raw->second});
  }
  return r;
}

inline SetRecord FileRecordOf(int n, std::string_view path, std::string_view section = "Windows Shortcuts(Drive C:)") {
  return SetRecord{"Restore: " + std::to_string(n),
                   {{"MainKey", std::string(section)},
                    {"KeyName", ""},
                    {"KeyValue", "C:\\gone.exe -> " + std::string(path)},
                    {"Section", std::string(section)},
                    {"FullKeyPath", std::string(path)},
                    {"MainKeyName", ""}}};
}

inline std::optional<platform::RegValue> ReadValue(std::int32_t root, std::string_view path, std::string_view name) {
  auto& reg = *platform::machine().registry;
  platform::HKey k = 0;
  if (reg.openKey(platform::rootHandle(root), path, platform::kKeyRead, k) != 0) return std::nullopt;
  platform::RegValue v;
  const bool found = reg.queryValue(k, name, v) == 0;
  reg.closeKey(k);
  return found ? std::optional<platform::RegValue>(v) : std::nullopt;
}

inline std::string Utf16z(std::string_view s) { return text::toUtf16Bytes(s, true); }

class RestoreFixture : public ::testing::Test {
 protected:
  // Writes a set into the Backup folder; returns its full path.
  std::string writeSet(const std::string& name, const std::string& content) {
    m.createFile(std::string(kBackupRelative) + name, content);
    return backup::BackupFolder() + name;
  }
  // Loads the named set as if the user chose it in the chooser.
  bool load(const std::string& name) {
    session.showChooser = [name](backup::frmRestore& chooser) {
      for (std::size_t i = 0; i < chooser.lvwBackups.rowCount(); ++i)
        if (chooser.lvwBackups.cell(i, 0) == name) chooser.lvwBackups.select(i);
      chooser.cmdOK_Click();
    };
    return backup::cmdRestore_Click(lists, session);
  }
  std::vector<std::string> shownTexts() const {
    std::vector<std::string> texts;
    for (const auto& s : m.dialogs.shown) texts.push_back(s.text);
    return texts;
  }

  TestMachine m;
  ScanLists lists;
  backup::RestoreSession session;
};

}  // namespace hm::test
