#include "platform/wineprefix/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace hm::platform {
namespace {

std::string failure(const std::filesystem::path& target, const char* what, int err) {
  return "Could not save " + target.string() + ": " + what + " (" + std::strerror(err) +
         "); the file was left as it was.";
}

bool writeAll(int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t n = ::write(fd, content.data(), content.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    content.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool writeAllAt(int fd, std::string_view content) {
  off_t at = 0;
  while (!content.empty()) {
    const ssize_t n = ::pwrite(fd, content.data(), content.size(), at);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    content.remove_prefix(static_cast<std::size_t>(n));
    at += n;
  }
  return true;
}

// The whole content at the start of the file, the rest cut off, on disk.
bool overwrite(int fd, std::string_view content) {
  return writeAllAt(fd, content) && ::ftruncate(fd, static_cast<off_t>(content.size())) == 0 && ::fsync(fd) == 0;
}

void syncDirectory(const std::filesystem::path& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool replaceFileAtomically(const std::filesystem::path& target, std::string_view content, std::string& error) {
  const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  std::string temp = (dir / ("." + target.filename().string() + ".hm-XXXXXX")).string();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    error = failure(target, "cannot create a temporary file beside it", errno);
    return false;
  }
  const auto abandon = [&](const char* what) {
    const int err = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    error = failure(target, what, err);
    return false;
  };
  struct stat old {};
  const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  if (::fchmod(fd, mode) != 0) return abandon("cannot set the permissions of the temporary file");
  if (!writeAll(fd, content)) return abandon("cannot write the temporary file");
  if (::fsync(fd) != 0) return abandon("cannot flush the temporary file to disk");
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    error = failure(target, "cannot close the temporary file", err);
    return false;
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    error = failure(target, "cannot replace it with the new version", err);
    return false;
  }
  syncDirectory(dir);
  return true;
}

bool rewriteFileInPlace(const std::filesystem::path& target, std::string_view content, std::string_view oldContent,
                        std::string& error) {
  const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  std::string copy = (dir / ("." + target.filename().string() + ".hm-old-XXXXXX")).string();
  const int copyFd = ::mkstemp(copy.data());
  if (copyFd < 0) {
    error = failure(target, "cannot create a copy of the old version beside it", errno);
    return false;
  }
  const bool copied = writeAll(copyFd, oldContent) && ::fsync(copyFd) == 0;
  const int copyErr = errno;
  ::close(copyFd);
  if (!copied) {
    ::unlink(copy.c_str());
    error = failure(target, "cannot write a copy of the old version beside it", copyErr);
    return false;
  }
  syncDirectory(dir);

  const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    ::unlink(copy.c_str());
    error = failure(target, "cannot open it for writing", err);
    return false;
  }
  // Reserving the space first keeps a full disk from stopping the write halfway.
  int err = content.size() > oldContent.size() ? ::posix_fallocate(fd, 0, static_cast<off_t>(content.size())) : 0;
  if (err == EOPNOTSUPP || err == EINVAL) err = 0;
  if (err == 0 && !overwrite(fd, content)) err = errno;
  if (err == 0) {
    ::close(fd);
    ::unlink(copy.c_str());
    syncDirectory(dir);
    return true;
  }
  const bool restored = overwrite(fd, oldContent);
  ::close(fd);
  if (restored) {
    ::unlink(copy.c_str());
    error = failure(target, "cannot rewrite it in place", err);
  } else {
    error = "Could not save " + target.string() + ": cannot rewrite it in place (" + std::strerror(err) +
            "); its old text is kept in " + copy + ".";
  }
  return false;
}

}  // namespace hm::platform
