// The search of a drive for shortcut files whose target no longer exists; each
// one found becomes a problem row under the drive's section.
#pragma once

#include <string>
#include <string_view>

#include "platform/shelllink/ShellLink.h"
#include "scan/ScanLists.h"

namespace hm {

// Searches the drive at `root` ("C:\") when its volume can be read.
void ScanDrive(ScanLists& lists, std::string_view root, std::string_view section);

// Searches the folder `path` and every folder below it, depth first: a
// folder's shortcuts are reported in listing order before anything in its
// subfolders. Folders that are junctions, symbolic links or mount points are
// not entered, so nothing outside the folder's own tree is ever reported.
// Returns when done or as soon as CancelScan is set.
void FindFilesAPI(ScanLists& lists, std::string_view path, std::string_view section);

// The target stored in a shortcut file, and whether an installer advertised
// it; an empty path when the file cannot be read or is too large to be one.
platform::ShellLinkTarget ReadShortcutTarget(std::string_view shortcutPath);
// The target path stored in a shortcut file, or "" when it cannot be read.
std::string GetTarget(std::string_view shortcutPath);

// Adds the checked problem row of a broken shortcut.
void FileTargetPath(platform::ListViewModel& lvwErrors, std::string_view shortcutPath, std::string_view target,
                    std::string_view section);

}  // namespace hm
