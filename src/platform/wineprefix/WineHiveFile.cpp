#include "platform/wineprefix/WineHiveFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string_view>

#include "platform/wineprefix/AtomicFile.h"
#include "platform/wineprefix/WineServerLock.h"

namespace hm::platform {
namespace fs = std::filesystem;
namespace {

enum class ReadResult { Read, Missing, Failed };

std::int64_t modifiedNs(const struct stat& st) {
  return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

std::uint64_t hashOf(std::string_view text) { return std::hash<std::string_view>{}(text); }

// Only a regular file is read (a FIFO would block, a device never end), and
// only up to the cap.
ReadResult readHiveText(const fs::path& file, std::string& text, WineHiveOnDisk& info, std::string& error) {
  info = WineHiveOnDisk{};
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return ReadResult::Missing;
    error = "Could not read " + file.string() + " (" + std::strerror(errno) + ").";
    return ReadResult::Failed;
  }
  const auto fail = [&](const std::string& why) {
    ::close(fd);
    error = "Could not read " + file.string() + ": " + why + ".";
    return ReadResult::Failed;
  };
  struct stat st {};
  if (::fstat(fd, &st) != 0) return fail(std::strerror(errno));
  if (!S_ISREG(st.st_mode)) return fail("it is not a regular file");
  const std::string tooLarge = "it is larger than " + std::to_string(kMaxWineHiveBytes >> 20) + " MiB";
  if (static_cast<std::uintmax_t>(st.st_size) > kMaxWineHiveBytes) return fail(tooLarge);
  text.clear();
  text.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(std::strerror(errno));
    }
    if (text.size() + static_cast<std::size_t>(n) > kMaxWineHiveBytes) return fail(tooLarge);
    text.append(buffer, static_cast<std::size_t>(n));
  }
  if (::fstat(fd, &st) != 0) return fail(std::strerror(errno));
  ::close(fd);
  info.exists = true;
  info.size = text.size();
  info.modifiedNs = modifiedNs(st);
  info.contentHash = hashOf(text);
  return ReadResult::Read;
}

std::string changedMessage(const fs::path& file) {
  return "Could not save " + file.string() +
         ": another program (Wine?) changed it after it was read; nothing was written, so its changes are kept. "
         "Run the command again.";
}

// The file a chain of symbolic links ends at (the name itself when it is none).
fs::path linkTarget(fs::path file) {
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(file, ec))) return file;
    const fs::path next = fs::read_symlink(file, ec);
    if (ec) return file;
    file = next.is_absolute() ? next : file.parent_path() / next;
  }
  return file;
}

}  // namespace

bool loadWineHive(const fs::path& file, WineRegistryFile& out, std::string& error, WineHiveOnDisk* read) {
  std::string text;
  WineHiveOnDisk info;
  switch (readHiveText(file, text, info, error)) {
    case ReadResult::Missing:
      error = "Could not read " + file.string() + " (it does not exist).";
      return false;
    case ReadResult::Failed:
      return false;
    case ReadResult::Read:
      break;
  }
  WineRegistryParseResult parsed = parseWineRegistry(text, file.string());
  if (!parsed.ok) {
    error = std::move(parsed.error);
    return false;
  }
  out = std::move(parsed.file);
  if (read != nullptr) *read = info;
  return true;
}

bool wineHiveStillAsRead(const fs::path& file, const WineHiveOnDisk& asRead, std::string& error) {
  std::string text;
  WineHiveOnDisk now;
  if (readHiveText(file, text, now, error) == ReadResult::Failed) return false;
  if (now == asRead) return true;
  error = changedMessage(file);
  return false;
}

WineHiveSave saveWineHive(const fs::path& prefix, const fs::path& file, const WineRegistryFile& hive,
                          std::string& error, WineHiveOnDisk* asRead) {
  int pid = 0;
  if (wineServerRunning(prefix, &pid)) {
    error = wineServerRunningMessage(prefix, pid);
    return WineHiveSave::Refused;
  }
  const std::string text = writeWineRegistry(hive);
  std::string current;
  WineHiveOnDisk now;
  const ReadResult read = readHiveText(file, current, now, error);
  if (read == ReadResult::Failed) return WineHiveSave::Refused;
  if (asRead != nullptr && !(now == *asRead)) {
    error = changedMessage(file);
    return WineHiveSave::Refused;
  }
  if (read == ReadResult::Read && current == text) return WineHiveSave::Unchanged;

  const fs::path target = linkTarget(file);
  struct stat st {};
  const bool hardLinked = ::stat(target.c_str(), &st) == 0 && st.st_nlink > 1;
  const bool written =
      hardLinked ? rewriteFileInPlace(target, text, current, error) : replaceFileAtomically(target, text, error);
  if (!written) return WineHiveSave::Refused;
  if (asRead != nullptr) {
    *asRead = WineHiveOnDisk{true, text.size(), 0, hashOf(text)};
    if (::stat(file.c_str(), &st) == 0) asRead->modifiedNs = modifiedNs(st);
  }
  return WineHiveSave::Written;
}

}  // namespace hm::platform
