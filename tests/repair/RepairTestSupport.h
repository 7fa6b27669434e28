// Helpers of the repair tests: reading a backup set back, a files port that
// fails writes into the Backup folder, and the usual broken entries.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "backup/BackupSetNames.h"
#include "platform/FileSystem.h"
#include "platform/ForwardingFileSystem.h"
#include "platform/Text.h"
#include "shell/IniFile.h"

namespace hm::test {

// One section of a description file: its keys in file order with their values.
struct BackupRecord {
  std::string name;
  std::vector<std::pair<std::string, std::string>> keys;
  std::string get(std::string_view key) const {
    for (const auto& [k, v] : keys)
      if (k == key) return v;
    return "<missing>";
  }
  bool has(std::string_view key) const { return get(key) != "<missing>"; }
};

inline std::vector<BackupRecord> ReadBackupSet(const std::string& descriptionPath) {
  shell::cInifile ini;
  ini.setPath(descriptionPath);
  std::vector<std::string> sections;
  std::int32_t count = 0;
  ini.EnumerateAllSections(sections, count);
  std::vector<BackupRecord> records;
  for (const std::string& section : sections) {
    BackupRecord record{section, {}};
    ini.setSection(section);
    std::vector<std::string> keys;
    std::int32_t keyCount = 0;
    ini.EnumerateCurrentSection(keys, keyCount);
    for (const std::string& key : keys) {
      ini.setKey(key);
      record.keys.emplace_back(key, ini.wholeValue());
    }
    records.push_back(std::move(record));
  }
  return records;
}

inline std::vector<std::string> SectionNames(const std::vector<BackupRecord>& records) {
  std::vector<std::string> names;
  for (const auto& r : records) names.push_back(r.name);
  return names;
}

// Passes everything to the real port, but refuses writes into the Backup
// folder once `writesAllowed` of them have been made (-1: never refuses).
class FailingBackupFiles : public platform::ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  int writesAllowed = 0;
  int writes = 0;
  bool refuseFolder = true;

  bool createFolder(std::string_view path) override {
    if (refuseFolder && inBackup(path)) return false;
    return inner_.createFolder(path);
  }
  bool appendFile(std::string_view path, std::string_view bytes) override {
    return allow(path) && inner_.appendFile(path, bytes);
  }
  bool writeFileAtomic(std::string_view path, std::string_view bytes) override {
    return allow(path) && inner_.writeFileAtomic(path, bytes);
  }

 private:
  static bool inBackup(std::string_view path) { return text::containsNoCase(path, "\\Backup"); }
  bool allow(std::string_view path) {
    if (!inBackup(path)) return true;
    if (writesAllowed >= 0 && writes >= writesAllowed) return false;
    ++writes;
    return true;
  }
};

}  // namespace hm::test
