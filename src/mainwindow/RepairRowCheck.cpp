#include "mainwindow/RepairRowCheck.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "common/GenDec.h"
#include "common/Globals.h"
#include "common/RegistryAccess.h"
#include "diskscan/ShortcutScan.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"
#include "scan/RegistryWalker.h"

namespace hm {

using platform::machine;

namespace {

// Sections whose rows stand for a key that holds no value at all.
bool IsKeyLevelSection(const std::string& section) {
  return section == "Registry Integrity" || section == "File Extensions";
}

// The checks stop when a scan is cancelled; a re-check must run whatever an
// earlier scan left in the flag.
class CancelFlagCleared {
 public:
  CancelFlagCleared() : saved_(CancelScan) { CancelScan = false; }
  ~CancelFlagCleared() { CancelScan = saved_; }
  CancelFlagCleared(const CancelFlagCleared&) = delete;
  CancelFlagCleared& operator=(const CancelFlagCleared&) = delete;

 private:
  bool saved_;
};

// Runs the section's check on the entry as it is now and tells whether it
// records the same problem as the row.
bool CheckRecordsSameProblem(const ProblemEntry& row, std::int32_t rootKey, const std::string& valueText,
                             const std::string& valueName) {
  CancelFlagCleared cleared;
  ScanLists scratch;
  CheckPathExistinDirectory(scratch, valueText, row.Section, valueName, rootKey, row.MainKeyName, row.FullKeyPath);
  for (std::size_t i = 0; i < scratch.lvwErrors.rowCount(); ++i) {
    const ProblemEntry found = ProblemAt(scratch.lvwErrors, i);
    if (found.KeyName == row.KeyName && found.KeyValue == row.KeyValue && found.FullKeyPath == row.FullKeyPath)
      return true;
  }
  return false;
}

bool KeyExists(std::int32_t rootKey, const std::string& keyPath) {
  platform::RegistryPort& reg = *machine().registry;
  platform::HKey key = 0;
  if (reg.openKey(platform::rootHandle(rootKey), keyPath, platform::kKeyRead, key) != platform::kSuccess) return false;
  reg.closeKey(key);
  return true;
}

bool KeyHoldsValues(std::int32_t rootKey, const std::string& keyPath) {
  platform::RegistryPort& reg = *machine().registry;
  platform::HKey key = 0;
  if (reg.openKey(platform::rootHandle(rootKey), keyPath, platform::kKeyRead, key) != platform::kSuccess) return false;
  std::string name;
  const std::int32_t status = reg.enumValue(key, 0, name, 16384, nullptr, 0);
  reg.closeKey(key);
  return status == platform::kSuccess || status == platform::kMoreData;
}

RowCheck CheckRegistryRow(const ProblemEntry& row) {
  RowCheck check;
  const std::int32_t rootKey = ToLong(row.MainKey);
  if (!KeyExists(rootKey, row.FullKeyPath)) {
    check.state = RowState::Gone;
    return check;
  }
  if (IsKeyLevelSection(row.Section)) {
    // The row stands for an empty key: it is still broken only while the key holds nothing.
    if (KeyHoldsValues(rootKey, row.FullKeyPath)) return check;
    check.state = CheckRecordsSameProblem(row, rootKey, "", "") ? RowState::StillBroken : RowState::Changed;
    return check;
  }
  const std::string valueName = ValueNameOf(row);
  check.value = ReadRegistryValue(rootKey, row.FullKeyPath, valueName);
  // An emptied default value is what repair leaves; nothing is left to remove
  // (the same value reached through two overlapping roots is listed twice).
  const bool emptiedDefault = check.value && row.KeyName == "(Default)" && check.value->type == platform::kRegSz &&
                              StringFromRegData(check.value->data).empty();
  if (!check.value || emptiedDefault) {
    check.state = RowState::Gone;
    return check;
  }
  check.state = CheckRecordsSameProblem(row, rootKey, ValueText(*check.value), valueName) ? RowState::StillBroken
                                                                                          : RowState::Changed;
  return check;
}

RowCheck CheckFileRow(const ProblemEntry& row) {
  RowCheck check;
  if (!FileExists(row.FullKeyPath)) {
    check.state = RowState::Gone;
    return check;
  }
  const platform::ShellLinkTarget link = ReadShortcutTarget(row.FullKeyPath);
  if (link.advertised || link.path.empty()) return check;
  if (row.KeyValue != link.path + " -> " + row.FullKeyPath) return check;
  if (!PathMissing(link.path)) return check;
  check.state = RowState::StillBroken;
  return check;
}

}  // namespace

std::string ValueNameOf(const ProblemEntry& row) { return row.KeyName == "(Default)" ? std::string() : row.KeyName; }

std::optional<platform::RegValue> ReadRegistryValue(std::int32_t rootKey, const std::string& keyPath,
                                                    const std::string& valueName) {
  platform::RegistryPort& reg = *machine().registry;
  platform::HKey key = 0;
  if (reg.openKey(platform::rootHandle(rootKey), keyPath, platform::kKeyRead, key) != platform::kSuccess)
    return std::nullopt;
  platform::RegValue value;
  const std::int32_t status = reg.queryValue(key, valueName, value);
  reg.closeKey(key);
  if (status != platform::kSuccess) return std::nullopt;
  return value;
}

bool FileExists(const std::string& path) {
  platform::FileSystemPort& files = *machine().files;
  const auto attributes = files.attributes(path);
  if (!attributes || (*attributes & platform::kAttrDirectory) != 0) return false;
  // The port finds names without regard to case; a Linux folder may hold
  // "a.lnk" beside "A.lnk", and only the exact name is this row's file.
  const std::size_t slash = path.rfind('\\');
  std::vector<platform::DirEntry> entries;
  if (slash == std::string::npos || !files.listFolder(path.substr(0, slash), entries)) return true;
  const std::string_view name = std::string_view(path).substr(slash + 1);
  return std::any_of(entries.begin(), entries.end(), [&](const platform::DirEntry& e) { return e.name == name; });
}

RowCheck CheckRowBeforeRepair(const ProblemEntry& row) {
  try {
    return IsFileRow(row) ? CheckFileRow(row) : CheckRegistryRow(row);
  } catch (...) {
    // A row that cannot be read again (a hive that does not convert, a name
    // the platform refuses) is left alone.
    return RowCheck{};
  }
}

}  // namespace hm
