#include "platform/wineprefix/WinePrefixUrlCache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/wineprefix/AtomicFile.h"
#include "platform/wineprefix/WineServerLock.h"

namespace hm::platform {
namespace fs = std::filesystem;

namespace {

constexpr const char* kIndexName = "index.dat";
// Wine's index holds at most about 15 MB of entries.
constexpr std::uintmax_t kMaxIndexBytes = 64u << 20;

bool inside(const fs::path& inner, const fs::path& outer) {
  const auto i = inner.string(), o = outer.string();
  return i.size() > o.size() && i.compare(0, o.size(), o) == 0 && i[o.size()] == '/';
}

// Removes `name` in `folder` below `base` (folder "" for base itself) when it
// is a plain file: no link is followed, on the way or at the end.
bool removeCachedFile(const fs::path& base, const std::string& folder, const std::string& name, std::string& error) {
  const int baseFd = ::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (baseFd < 0) {
    error = "cannot open the cache folder " + base.string() + ": " + std::strerror(errno);
    return false;
  }
  int dirFd = baseFd;
  if (!folder.empty()) {
    dirFd = ::openat(baseFd, folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dirFd < 0) {
      const int err = errno;
      ::close(baseFd);
      if (err == ENOENT) return true;  // nothing left to remove
      error = "cannot open the cache folder " + (base / folder).string() + ": " + std::strerror(err);
      return false;
    }
  }
  bool ok = true;
  struct stat st {};
  if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno != ENOENT) {
      error = "cannot look at " + (base / folder / name).string() + ": " + std::strerror(errno);
      ok = false;
    }
  } else if (!S_ISREG(st.st_mode)) {
    error = (base / folder / name).string() + " is not a plain file; it was left alone";
    ok = false;
  } else if (::unlinkat(dirFd, name.c_str(), 0) != 0 && errno != ENOENT) {
    error = "cannot remove " + (base / folder / name).string() + ": " + std::strerror(errno);
    ok = false;
  }
  if (dirFd != baseFd) ::close(dirFd);
  ::close(baseFd);
  return ok;
}

bool readIndex(const fs::path& file, std::string& bytes, std::string& error) {
  struct stat st {};
  if (::lstat(file.c_str(), &st) != 0) {
    error = "cannot read " + file.string() + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    error = file.string() + " is not a plain file";
    return false;
  }
  if (static_cast<std::uintmax_t>(st.st_size) > kMaxIndexBytes) {
    error = file.string() + " is too large for a cache index";
    return false;
  }
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  if (!in) {
    error = "cannot read " + file.string();
    return false;
  }
  bytes = s.str();
  return true;
}

}  // namespace

WinePrefixUrlCache::WinePrefixUrlCache(fs::path prefix, fs::path driveC, std::vector<WineCacheContainer> containers)
    : prefix_(std::move(prefix)), driveC_(std::move(driveC)), containers_(std::move(containers)) {}

bool WinePrefixUrlCache::serverRunning(std::string& error) const {
  int pid = 0;
  if (!wineServerRunning(prefix_, &pid)) return false;
  error = wineServerRunningMessage(prefix_, pid);
  return true;
}

bool WinePrefixUrlCache::load(const WineCacheContainer& c, std::vector<Loaded>& out, std::string& error) const {
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(c.folder / kIndexName, ec))) return true;  // no cache kept here yet
  const fs::path folder = fs::canonical(c.folder, ec);
  const fs::path root = fs::canonical(driveC_, ec);
  if (folder.empty() || root.empty() || !inside(folder, root)) {
    error = "the cache folder " + c.folder.string() + " lies outside the prefix's drive C; it was left alone";
    return false;
  }
  Loaded l;
  l.folder = folder;
  if (!readIndex(folder / kIndexName, l.asRead, error)) return false;
  if (!l.index.parse(l.asRead, error)) {
    error = (folder / kIndexName).string() + ": " + error;
    return false;
  }
  out.push_back(std::move(l));
  return true;
}

bool WinePrefixUrlCache::listEntries(std::vector<UrlCacheEntry>& entries, std::string& error) {
  entries.clear();
  loaded_.clear();
  stale_ = false;
  std::vector<Loaded> loaded;
  for (const auto& c : containers_)
    if (!load(c, loaded, error)) return false;
  for (const auto& l : loaded) {
    for (const auto& r : l.index.records()) {
      UrlCacheEntry e;
      e.url = r.url;
      if (!r.localName.empty()) e.localFile = (l.folder / r.folder / r.localName).string();
      e.type = r.type;
      entries.push_back(std::move(e));
    }
  }
  loaded_ = std::move(loaded);
  return true;
}

bool WinePrefixUrlCache::deleteEntry(const std::string& url, std::string& error) {
  if (stale_) {
    error = "the cache must be listed again after a failed write";
    return false;
  }
  for (auto& l : loaded_) {
    const auto& records = l.index.records();
    const auto found = std::find_if(records.begin(), records.end(), [&](const WineCacheRecord& r) {
      return r.url == url && std::none_of(l.removed.begin(), l.removed.end(),
                                          [&](const WineCacheRecord& d) { return d.slotOffset == r.slotOffset; });
    });
    if (found == records.end()) continue;
    if (l.removed.empty() && serverRunning(error)) return false;
    l.index.remove(*found);
    l.removed.push_back(*found);
    return true;
  }
  return true;  // not (or no longer) in the cache
}

bool WinePrefixUrlCache::writeBack(Loaded& l, std::string& error) const {
  const fs::path file = l.folder / kIndexName;
  std::string now;
  if (!readIndex(file, now, error)) return false;
  if (now != l.asRead) {
    error = file.string() + " was changed by another program since it was read; nothing of it was deleted";
    return false;
  }
  struct stat st {};
  const bool hardLinked = ::lstat(file.c_str(), &st) == 0 && st.st_nlink > 1;
  if (!(hardLinked ? rewriteFileInPlace(file, l.index.bytes(), now, error)
                   : replaceFileAtomically(file, l.index.bytes(), error)))
    return false;
  l.asRead = l.index.bytes();
  return true;
}

bool WinePrefixUrlCache::commit(std::vector<std::string>& notDeleted, std::string& error) {
  bool ok = true;
  std::string fileError;
  for (auto& l : loaded_) {
    if (l.removed.empty()) continue;
    if (ok && (serverRunning(error) || !writeBack(l, error))) ok = false;
    if (!ok) {
      for (const auto& r : l.removed) notDeleted.push_back(r.url);
      l.removed.clear();
      continue;
    }
    // The index no longer lists them: their files are removed now. A file
    // that cannot be removed stays as a stray file, which Wine ignores.
    for (const auto& r : l.removed)
      if (!r.localName.empty()) removeCachedFile(l.folder, r.folder, r.localName, fileError);
    l.removed.clear();
  }
  if (!ok) {
    loaded_.clear();  // what was read may no longer say what is on disk
    stale_ = true;
  }
  return ok;
}

}  // namespace hm::platform
