// The command line's keep list: keep problems a scan found so later scans
// pass them over, list what is kept, and stop keeping one.
#pragma once

#include <string>
#include <vector>

namespace hm::cli {

// hivemend keep add N... [--quick | --deep] [--prefix PATH]
// hivemend keep list [--json] [--prefix PATH]
// hivemend keep remove ID [--prefix PATH]
// Exit status: 0 done, 1 nothing changed, 2 usage, machine or save error.
int KeepCommand(const std::vector<std::string>& args);

}  // namespace hm::cli
