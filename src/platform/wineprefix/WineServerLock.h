// Whether a wineserver runs for a prefix. The server keeps the registry in
// memory and writes it back on exit, so files changed under it would be lost.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace hm::platform {

// The lock files a server for `prefix` would hold: server-<dev>-<inode>/lock
// under /tmp/.wine-<uid>, and under the directory Debian's Wine names in the
// prefix's "wineserver" file.
std::vector<std::filesystem::path> wineServerLockFiles(const std::filesystem::path& prefix);

// True while a process holds the fcntl write lock on one of those files, as
// Wine itself tests it. `serverPid` receives the holder when known.
bool wineServerRunning(const std::filesystem::path& prefix, int* serverPid = nullptr);

// Why a write is refused, naming the prefix and how to stop Wine there.
std::string wineServerRunningMessage(const std::filesystem::path& prefix, int serverPid = 0);

}  // namespace hm::platform
