// The catalogue of scan sections and the loading of the section list.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "scan/ScanLists.h"

namespace hm {

struct SectionDefinition {
  const char* name;
  const char* threatLevel;
};

// The 13 registry sections, in the order the scan driver relies on.
inline constexpr std::array<SectionDefinition, 13> kRegistrySections{{
    {"Registry Integrity", "Medium"},
    {"ActiveX \\ COM", "High"},
    {"ActiveX \\ COM Subsections", "High"},
    {"File Extensions", "Medium"},
    {"Application Paths", "Medium"},
    {"Device Drivers", "Medium"},
    {"Windows Fonts", "Medium"},
    {"Help Files", "Low"},
    {"Microsoft Shared", "Medium"},
    {"Windows Startup", "Medium"},
    {"Uninstall Section", "Medium"},
    {"VxD Section", "Medium"},
    {"MS-Dos Shortcuts", "Medium"},
}};

inline constexpr const char* kShortcutSectionPrefix = "Windows Shortcuts(Drive ";

// "Windows Shortcuts(Drive C:)" for C.
std::string ShortcutSectionName(char driveLetter);

// Empties the section list and loads the 13 registry sections, each checked;
// the deep form then adds one shortcut section per fixed drive.
void LoadRegistryValues(platform::ListViewModel& sections, bool deep);
// Appends a checked "High" shortcut section per fixed drive, in drive order;
// returns "Drive " and the last fixed drive's letter and ":".
std::string GetFixedDrives(platform::ListViewModel& sections);

}  // namespace hm
