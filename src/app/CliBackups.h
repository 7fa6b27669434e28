// The command line's backup commands: list and delete backup sets, and
// restore one, through the same chooser and restore logic the window uses.
#pragma once

#include <string>
#include <vector>

namespace hm::cli {

// hivemend backups [--prefix PATH]
// hivemend backups delete NAME [--yes] [--prefix PATH]
int BackupsCommand(const std::vector<std::string>& args);
// hivemend restore NAME [--yes] [--prefix PATH]
// Exit status: 0 restored, 1 some items could not be restored, 2 usage or machine error.
int RestoreCommand(const std::vector<std::string>& args);

}  // namespace hm::cli
