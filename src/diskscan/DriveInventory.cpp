#include "diskscan/DriveInventory.h"

#include "common/DoEvents.h"
#include "common/ErrorLog.h"
#include "common/GenDec.h"
#include "common/Globals.h"
#include "diskscan/ShortcutScan.h"
#include "platform/Machine.h"
#include "scan/Sections.h"

namespace hm {

namespace {
// "Drive C: " for C, as the section rows carry it between the brackets.
std::string DriveDisplayName(char letter) { return std::string("Drive ") + letter + ": "; }
}  // namespace

bool IsSearchedDrive(const platform::DriveInfo& drive) { return drive.type == platform::kDriveFixed && drive.ready; }

bool IsOnSearchedDrive(std::string_view path) {
  if (path.size() < 3 || path[1] != ':' || path[2] != '\\') return false;
  const char letter = static_cast<char>(path[0] & ~0x20);
  for (const platform::DriveInfo& drive : platform::machine().drives->drives())
    if (static_cast<char>(drive.letter & ~0x20) == letter) return IsSearchedDrive(drive);
  return false;
}

std::string GetAllHardDrives(ScanLists& lists, std::string_view section) {
  try {
    const platform::ListViewModel& sections = lists.lvwRegistryvaluesScan;
    // A row without ")" reuses the drive name of the row before it.
    std::string rowDrive;
    for (const platform::DriveInfo& drive : platform::machine().drives->drives()) {
      const std::string displayName = DriveDisplayName(drive.letter);
      if (IsSearchedDrive(drive)) {
        for (std::size_t i = 0; i < sections.rowCount(); ++i) {
          if (CancelScan) return {};
          if (!sections.row(i).checked) continue;
          const std::string_view rowText = sections.cell(i, kSectionName);
          const std::size_t open = rowText.find('(');
          if (open == std::string::npos) continue;
          const std::size_t close = rowText.find(')', open + 1);
          if (close != std::string::npos) rowDrive = rowText.substr(open + 1, close - open - 1);
          if (str::Trim(rowDrive) == str::Trim(displayName) && section == ShortcutSectionName(drive.letter)) {
            ScanDrive(lists, std::string(1, drive.letter) + ":\\", section);
            return {};
          }
        }
      }
      DoEvents();
    }
  } catch (...) {
    LogError("GetAllHardDrives");
  }
  return {};
}

std::string GetCdRom() {
  std::string cdRom;
  try {
    for (const platform::DriveInfo& drive : platform::machine().drives->drives()) {
      if (drive.type == platform::kDriveCdRom) cdRom = std::string(1, drive.letter) + ":";
      DoEvents();
    }
  } catch (...) {
    LogError("GetCdRom");
  }
  return cdRom;
}

bool RgbGetVolumeInformationRDI(std::string_view root) {
  try {
    return platform::machine().drives->volumeInformation(root);
  } catch (...) {
    return false;
  }
}

std::string StripNulls(std::string& s) {
  try {
    const std::size_t nul = s.find('\0');
    if (nul != std::string::npos) s.erase(nul);
    return s;
  } catch (...) {
    LogError("StripNulls");
    return {};
  }
}

}  // namespace hm
