// Entry names of the backup archive: a file's full Windows path stored the
// zip way (forward slashes, no drive colon), and the test every name read
// from an archive must pass before anyone may use it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hm::backup {

// "C:\Users\x\Desktop\a.lnk" -> "C/Users/x/Desktop/a.lnk";
// "\\server\share\a.lnk" -> "UNC/server/share/a.lnk". Nothing for a path
// that is not a full path of a file or that holds "." or ".." steps.
std::optional<std::string> zipEntryNameForPath(std::string_view windowsPath);

// True for a relative name of plain steps: valid UTF-8, no "\" or ":", no
// empty, "." or ".." step, no control or wildcard characters.
bool isSafeZipEntryName(std::string_view name);

}  // namespace hm::backup
