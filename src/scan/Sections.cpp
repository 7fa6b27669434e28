#include "scan/Sections.h"

#include "common/DoEvents.h"
#include "common/ErrorLog.h"
#include "platform/Machine.h"

namespace hm {

std::string ShortcutSectionName(char driveLetter) { return std::string(kShortcutSectionPrefix) + driveLetter + ":)"; }

std::string GetFixedDrives(platform::ListViewModel& sections) {
  std::string last;
  try {
    for (const platform::DriveInfo& d : platform::machine().drives->drives()) {
      if (d.type == platform::kDriveFixed) {
        sections.addRow({ShortcutSectionName(d.letter), "", "", "High"}, true);
        last = std::string("Drive ") + d.letter + ":";
      }
      DoEvents();
    }
  } catch (...) {
    LogError("GetFixedDrives");
  }
  return last;
}

void LoadRegistryValues(platform::ListViewModel& sections, bool deep) {
  try {
    sections.clear();
    for (const SectionDefinition& s : kRegistrySections) sections.addRow({s.name, "", "", s.threatLevel}, true);
    if (deep) GetFixedDrives(sections);
  } catch (...) {
    LogError("LoadRegistryValues");
  }
}

}  // namespace hm
