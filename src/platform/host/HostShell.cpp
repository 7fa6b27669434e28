#include "platform/host/HostShell.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace hm::platform {
namespace fs = std::filesystem;

namespace {
// What the shell answers when no program is associated with a document.
constexpr int kNoAssociation = 31;

fs::path defaultLockFolder() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0') return runtime;
  std::error_code ec;
  fs::path temp = fs::temp_directory_path(ec);
  return ec ? fs::path("/tmp") : temp;
}
}  // namespace

FileDescriptor::~FileDescriptor() { reset(); }

void FileDescriptor::reset(int fd) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

HostShell::HostShell(std::vector<std::string> arguments, fs::path lockFolder)
    : arguments_(std::move(arguments)),
      lockFile_((lockFolder.empty() ? defaultLockFolder() : lockFolder) / "hivemend.lock") {}

std::string HostShell::programName() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("hivemend") : exe.stem().string();
}

std::string HostShell::commandLine() {
  std::string line;
  for (const std::string& a : arguments_) {
    if (!line.empty()) line += ' ';
    line += a;
  }
  return line;
}

bool HostShell::anotherCopyRunning() {
  if (lock_.get() >= 0) return false;  // this copy already holds the lock
  const int fd = ::open(lockFile_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  // A lock file that cannot be made cannot tell: let this copy run.
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    return held;
  }
  lock_.reset(fd);
  return false;
}

int HostShell::findExecutable(const std::string& document, std::string& executable) {
  (void)document;
  executable.clear();
  return kNoAssociation;
}

int HostShell::shellExecute(const std::string& executable, const std::string& parameters) {
  (void)executable;
  (void)parameters;
  return kNoAssociation;
}

bool HostShell::startProgram(const std::string& path) {
  (void)path;
  return false;
}

bool HostShell::restartElevated(const std::string& arguments) {
  (void)arguments;
  return false;
}

std::uintptr_t HostShell::systemImageList(bool smallIcons) {
  (void)smallIcons;
  return 0;
}

int HostShell::fileIconIndex(const std::string& path, bool smallIcons, bool openFile) {
  (void)path;
  (void)smallIcons;
  (void)openFile;
  return -1;
}

}  // namespace hm::platform
