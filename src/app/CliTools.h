// The command line's tune-up tools: the programs Windows starts, the TCP/IP
// values tuned for a kind of connection, and the browser cache, through the
// same logic as their dialogs.
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
// hivemend cache clear [--dry-run] [--json] [--prefix PATH]
// Exit status: 0 cleaned (or listed), 1 turned off in the settings, 2 usage,
// machine error or a cleaning stopped by an error.
int CacheCommand(const std::vector<std::string>& args);

}  // namespace hm::cli
