#include "platform/wineprefix/WineServerLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace hm::platform {
namespace {

// Debian's Wine keeps the servers of a user in a mkdtemp directory whose name
// ("wine-XXXXXX") it writes into the prefix.
std::filesystem::path debianServerRoot(const std::filesystem::path& prefix) {
  std::ifstream in(prefix / "wineserver");
  std::string name;
  if (!in || !std::getline(in, name)) return {};
  if (name.empty() || name.size() > 64 || name.find('/') != std::string::npos || name == "." || name == "..") return {};
  return std::filesystem::path("/tmp") / name;
}

bool lockHeld(const std::filesystem::path& lockFile, int* holder) {
  const int fd = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 1;
  const bool held = ::fcntl(fd, F_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
  ::close(fd);
  if (held && holder != nullptr) *holder = fl.l_pid;
  return held;
}

}  // namespace

std::vector<std::filesystem::path> wineServerLockFiles(const std::filesystem::path& prefix) {
  struct stat st {};
  if (::stat(prefix.c_str(), &st) != 0) return {};
  char dir[64];
  std::snprintf(dir, sizeof dir, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  std::vector<std::filesystem::path> files;
  files.push_back(std::filesystem::path("/tmp/.wine-" + std::to_string(::getuid())) / dir / "lock");
  if (const auto root = debianServerRoot(prefix); !root.empty()) files.push_back(root / dir / "lock");
  return files;
}

bool wineServerRunning(const std::filesystem::path& prefix, int* serverPid) {
  for (const auto& lock : wineServerLockFiles(prefix))
    if (lockHeld(lock, serverPid)) return true;
  return false;
}

std::string wineServerRunningMessage(const std::filesystem::path& prefix, int serverPid) {
  std::string pid = serverPid > 0 ? " (process " + std::to_string(serverPid) + ")" : "";
  return "Wine is running in the prefix " + prefix.string() + ": its wineserver" + pid +
         " keeps the registry in memory and would overwrite any change written now, so nothing was written. "
         "Close the programs running there, or stop it with\n  WINEPREFIX=\"" +
         prefix.string() + "\" wineserver -k\nthen try again.";
}

}  // namespace hm::platform
