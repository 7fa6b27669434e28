// What the quick and deep scan commands do to the scan's collections: load
// the section list, clear the flag and the lists, run the driver.
#pragma once

#include "scan/ScanLists.h"

namespace hm {

enum class ScanKind { Quick, Deep };

// Runs one whole scan; returns the number of problems found.
std::size_t RunScan(ScanLists& lists, ScanKind kind);

}  // namespace hm
