// The command line's tune-up tools: the programs Windows starts, and the
// TCP/IP values tuned for a kind of connection, through the same logic as
// their dialogs.
#pragma once

#include <string>
#include <vector>

namespace hm::cli {

// hivemend startup list [--json] [--prefix PATH]
// hivemend startup disable|enable NAME [--prefix PATH]
// Exit status: 0 done, 1 nothing changed, 2 usage, machine or save error.
int StartupCommand(const std::vector<std::string>& args);
// hivemend tune dialup|broadband|default [--dry-run] [--prefix PATH]
int TuneCommand(const std::vector<std::string>& args);

}  // namespace hm::cli
