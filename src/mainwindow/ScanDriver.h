// The scan driver: one call runs one whole scan over the rows of the section
// list, keeping the section list, the progress list and the total current.
#pragma once

#include <cstdint>
#include <string>

#include "scan/ScanLists.h"

namespace hm {

inline constexpr const char* kProblemsFoundSuffix = " Problems Found";

void ScanRegistryAndHardDisk(ScanLists& lists);
// Rows of the problem list whose Section is `section` exactly and whose MainKey
// is not empty, counted from `fromRow` (a scan's section adds its rows after
// those of the sections before it, so the driver counts only its own).
std::int32_t GetProblemsinActiveEx(ScanLists& lists, const std::string& section, std::size_t fromRow = 0);

}  // namespace hm
