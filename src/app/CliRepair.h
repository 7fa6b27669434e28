// The command line's "repair": scans, then repairs the chosen problems the
// way the repair button does, backup set first.
#pragma once

#include <string>
#include <vector>

namespace hm::cli {

// `args` are what follows "repair". Exit status: 0 every selected problem
// fixed, 1 some were left alone, 2 usage, machine or backup error.
int RepairCommand(const std::vector<std::string>& args);

}  // namespace hm::cli
