#include "backup/BackupSetRecords.h"

#include <algorithm>

#include "backup/BackupSetNames.h"
#include "platform/Text.h"

namespace hm::backup {
namespace {

bool hasMark(const IniSectionEntries& section, const char* key) {
  return std::any_of(section.entries.begin(), section.entries.end(), [&](const auto& entry) {
    return text::equalsNoCase(entry.first, key) && entry.second == kMarkValue;
  });
}

}  // namespace

bool SetMarksCompleteRecords(const std::vector<IniSectionEntries>& sections) {
  return std::any_of(sections.begin(), sections.end(), [](const IniSectionEntries& section) {
    return text::equalsNoCase(section.name, kBackupInfoSection) ? hasMark(section, kCompleteMarksKey)
                                                                : hasMark(section, kCompleteKey);
  });
}

bool RecordIsComplete(const IniSectionEntries& record) { return hasMark(record, kCompleteKey); }

}  // namespace hm::backup
