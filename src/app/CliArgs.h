// The arguments of the command line's sub-commands (startup, tune, cache,
// keep): words, the prefix, and the switches each sub-command accepts.
#pragma once

#include <string>
#include <vector>

namespace hm::cli {

struct SubcommandArgs {
  std::vector<std::string> words;
  std::string prefix;
  bool json = false, dryRun = false, deep = false, help = false;
};

// Which switches a sub-command takes besides --prefix and --help; any other
// argument starting with '-' is a usage error.
struct AcceptedSwitches {
  bool json = true;
  bool dryRun = false;
  bool scanKind = false;  // --quick and --deep, the last one given counts
};

bool ParseSubcommandArgs(const std::vector<std::string>& args, AcceptedSwitches accepted, SubcommandArgs& out,
                         std::string& error);

}  // namespace hm::cli
