// Process-wide state shared by the subsystems.
#pragma once

#include <string>

namespace hm {

// The stop flag of a running scan: set by the cancel button and the exit
// paths, read by the driver, the walkers and the disk scan.
inline bool CancelScan = false;

// The product name: the title of every message box and the stem of names.
inline constexpr const char* kProductName = "Hivemend";

// The program's version as shown to the user.
inline std::string AppVersion = "1.0.0";

}  // namespace hm
