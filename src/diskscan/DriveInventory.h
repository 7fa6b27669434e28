// The drives of a deep scan: turning a drive section back into its drive and
// starting the shortcut search there, the CD-ROM drive, and two small helpers
// the search uses.
#pragma once

#include <string>
#include <string_view>

#include "platform/FileSystem.h"
#include "scan/ScanLists.h"

namespace hm {

// Searches the drive named by a "Windows Shortcuts(Drive X:)" section, when the
// drive is fixed and ready and a checked row of the section list names it.
// Returns "" always.
std::string GetAllHardDrives(ScanLists& lists, std::string_view section);

// A drive a deep scan searches: fixed and ready.
bool IsSearchedDrive(const platform::DriveInfo& drive);
// True when `path` is a full path ("X:\...") on such a drive of the machine.
bool IsOnSearchedDrive(std::string_view path);

// The CD-ROM drive as "E:" (the last one when there are several), or "".
std::string GetCdRom();

// True when the volume information of a root such as "C:\" can be read.
bool RgbGetVolumeInformationRDI(std::string_view root);

// Cuts `s` before its first NUL character, if any, and returns the result.
std::string StripNulls(std::string& s);

}  // namespace hm
