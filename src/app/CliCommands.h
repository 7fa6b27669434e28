// The command-line front end: parses the arguments and runs a command over
// the same logic the window uses.
#pragma once

#include <string>
#include <vector>

namespace hm::cli {

// Runs the program with its arguments (without the program name); returns
// the exit status: 0 nothing found, 1 problems found, 2 usage or machine error.
int Run(const std::vector<std::string>& args);

}  // namespace hm::cli
