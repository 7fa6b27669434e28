#include "platform/host/HostFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/PathRules.h"
#include "platform/Text.h"
#include "platform/wineprefix/WineNameOrder.h"

namespace hm::platform {

namespace fs = std::filesystem;

namespace {
// Windows drops trailing dots and spaces from every component.
std::string_view trimComponent(std::string_view c) {
  std::size_t e = c.size();
  while (e > 0 && (c[e - 1] == ' ' || c[e - 1] == '.')) --e;
  if (e == 0 && (c == "." || c == "..")) return c;
  return c.substr(0, e);
}

// Appends `name` upper-cased: ASCII in place, anything else through toUpper.
void AppendUpper(std::string& out, std::string_view name) {
  const std::size_t from = out.size();
  out.resize(from + name.size());
  char* to = out.data() + from;
  unsigned char high = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    high |= c;
    to[i] = static_cast<char>(static_cast<unsigned>(c - 'a') < 26u ? c - 0x20 : c);
  }
  if (high < 0x80) return;
  out.resize(from);
  out += text::toUpper(name);
}

bool hasWildcard(std::string_view s) {
  return std::any_of(s.begin(), s.end(), [](char c) { return c == '*' || c == '?'; });
}

// A lookup that failed for one of these found nothing; any other failure
// (no permission, I/O error, a drive folder that is gone) says nothing.
bool meansMissing(int err) { return err == ENOENT || err == ENOTDIR || err == ENAMETOOLONG || err == ELOOP; }

void noteCannotTell(bool* cannotTell) {
  if (cannotTell != nullptr) *cannotTell = true;
}

struct FileDescriptor {
  int fd = -1;
  FileDescriptor() = default;
  explicit FileDescriptor(int f) : fd(f) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd >= 0) ::close(fd);
  }
  void reset(int f) {
    if (fd >= 0) ::close(fd);
    fd = f;
  }
};

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Seconds between 1601-01-01 and 1970-01-01.
constexpr std::int64_t kFileTimeEpochSeconds = 11644473600;
constexpr std::int64_t kFileTimeTicksPerSecond = 10000000;
}  // namespace

class HostFileSystem::WriteTarget {
 public:
  FileDescriptor folder;  // opened with O_PATH
  std::string name;
  fs::path canonical;  // of the target, for the protected files
};

// Hidden and System as Wine keeps them (user.DOSATTRIB, hex text such as
// "0x22"), else a dot-file is hidden.
std::uint32_t dosAttributes(const char* hostPath, std::string_view name) {
  char buf[32] = {};
  const ssize_t n = ::getxattr(hostPath, "user.DOSATTRIB", buf, sizeof buf - 1);
  if (n > 0) {
    buf[n] = '\0';
    return static_cast<std::uint32_t>(std::strtoul(buf, nullptr, 16)) & (kAttrHidden | kAttrSystem);
  }
  return (name.size() > 1 && name[0] == '.' && name != "..") ? kAttrHidden : 0;
}

std::string WineShortName(std::string_view longName) {
  static constexpr char kHashChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";
  const std::u16string w = text::toUtf16(longName);
  if (w.empty()) return {};
  auto invalid = [](char16_t c) {
    return c > 0x7f || std::string_view("*?<>|\"+=,;[] \\:/.").find(static_cast<char>(c)) != std::string_view::npos;
  };
  std::uint16_t hash = 0xbeef;
  for (std::size_t i = 0; i + 1 < w.size(); ++i)
    hash = static_cast<std::uint16_t>((hash << 3) ^ (hash >> 5) ^ wineLowerUnit(w[i]) ^ (wineLowerUnit(w[i + 1]) << 8));
  hash = static_cast<std::uint16_t>((hash << 3) ^ (hash >> 5) ^ wineLowerUnit(w.back()));
  std::size_t ext = std::u16string::npos;  // the last dot, not the first character
  for (std::size_t i = 1; i + 1 < w.size(); ++i)
    if (w[i] == u'.') ext = i;
  std::string out;
  int left = 4;
  for (std::size_t p = 0; left > 0 && p < w.size() && p != ext; ++p, --left)
    out += invalid(w[p]) ? '_' : static_cast<char>(w[p]);
  while (left-- >= 0) out += '~';
  out += kHashChars[(hash >> 10) & 0x1f];
  out += kHashChars[(hash >> 5) & 0x1f];
  out += kHashChars[hash & 0x1f];
  if (ext != std::u16string::npos) {
    out += '.';
    for (std::size_t p = ext + 1, n = 0; n < 3 && p < w.size(); ++p, ++n)
      out += invalid(w[p]) ? '_' : static_cast<char>(w[p]);
  }
  return text::toUpper(out);
}

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
  const std::u16string p = text::toUtf16(pattern), n = text::toUtf16(name);
  std::size_t pi = 0, ni = 0, star = std::u16string::npos, mark = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == u'?' || text::upperUnit(p[pi]) == text::upperUnit(n[ni]))) {
      ++pi;
      ++ni;
    } else if (pi < p.size() && p[pi] == u'*') {
      star = pi++;
      mark = ni;
    } else if (star != std::u16string::npos) {
      pi = star + 1;
      ni = ++mark;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == u'*') ++pi;
  // "name.*" also matches "name", and a trailing "." matches names without one.
  if (pi + 2 == p.size() && p[pi] == u'.' && p[pi + 1] == u'*') return true;
  if (pi + 1 == p.size() && p[pi] == u'.') return true;
  return pi == p.size();
}

HostFileSystem::HostFileSystem(std::map<char, fs::path> drives, HostFolders folders,
                               std::vector<fs::path> protectedFiles)
    : folders_(std::move(folders)) {
  for (auto& [letter, root] : drives) {
    std::string folder = root.string();
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    drives_[static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))] = folder;
  }
  std::error_code ec;
  for (const fs::path& file : protectedFiles) {
    fs::path canonical = fs::weakly_canonical(file, ec);
    protectedFiles_.push_back(ec ? file.lexically_normal() : std::move(canonical));
  }
}

HostFileSystem::Split HostFileSystem::split(std::string_view path, bool allowWildcardsLast) const {
  Split s;
  std::size_t end = path.size();
  while (end > 0 && path[end - 1] == ' ') --end;
  path = path.substr(0, end);
  if (IsRefusedPath(path, allowWildcardsLast)) {
    s.invalid = true;
    return s;
  }
  // Either slash separates; the path is read in place, not copied.
  const std::string_view p = path;
  if (p.size() < 2 || p[1] != ':' || !std::isalpha(static_cast<unsigned char>(p[0]))) {
    // Not a drive path (relative, UNC or device): nothing the host can find.
    return s;
  }
  s.drive = static_cast<char>(std::toupper(static_cast<unsigned char>(p[0])));
  s.components.reserve(8);
  std::size_t start = 2;
  while (start <= p.size()) {
    std::size_t stop = start;
    while (stop < p.size() && p[stop] != '\\' && p[stop] != '/') ++stop;
    if (stop > start) {
      const std::string_view c = trimComponent(p.substr(start, stop - start));
      if (c == "..") {
        if (!s.components.empty()) s.components.pop_back();
      } else if (c != "." && !c.empty()) {
        if (c.size() > 255 && text::utf16Length(c) > 255) s.invalid = true;  // never more units than bytes
        s.components.push_back(c);
      }
    }
    start = stop + 1;
  }
  return s;
}

HostFileSystem::Held HostFileSystem::walkHeld(char drive, const std::vector<std::string_view>& components,
                                              std::size_t count, bool* cannotTell) const {
  if (!snapshot_) return Held::NotHeld;
  const auto it = drives_.find(drive);
  if (it == drives_.end()) return Held::NotHeld;
  // Within a snapshot the listings already read answer, without a look at
  // the disk. The host path grows in one buffer: a scan asks this for every
  // path it has not seen yet, and most of those share a few folders.
  std::string& cur = walkScratch_;
  std::size_t first = 0;
  const FolderIndex* parent = nullptr;
  if (count >= 2) {
    folderKey_.assign(1, drive);
    for (std::size_t i = 0; i + 1 < count; ++i) AppendUpper(folderKey_ += '\\', components[i]);
    if (const auto held = heldFolders_.find(folderKey_); held != heldFolders_.end()) {
      if (held->second.index == nullptr) return Held::Missing;
      cur = held->second.host;
      parent = held->second.index;
      first = count - 1;
    }
  }
  // A held folder implies its drive's folder is still listed (making or
  // dropping a listing forgets them all); otherwise the walk starts there.
  if (parent == nullptr) {
    if (folderIndex_.count(it->second.native()) == 0) return Held::NotHeld;
    cur = it->second.native();
  }
  for (std::size_t i = first; i < count; ++i) {
    const FolderNames::Entry* actual =
        parent != nullptr ? lookUp(*parent, components[i]) : findInFolder(cur, components[i], cannotTell);
    if (actual == nullptr) {
      // A folder that is surely not there answers for every path below it.
      if (count >= 2 && i + 1 < count && cannotTell != nullptr && !*cannotTell)
        heldFolders_.emplace(folderKey_, HeldFolder{});
      return Held::Missing;
    }
    if (count >= 2 && i + 1 == count && parent == nullptr) {
      // The folder was listed by the lookup just made.
      if (const auto listed = folderIndex_.find(cur); listed != folderIndex_.end())
        heldFolders_.emplace(folderKey_, HeldFolder{cur, &listed->second});
    }
    if (cur.empty() || cur.back() != '/') cur += '/';
    cur += actual->actual;
    walkType_ = actual->type;
  }
  return Held::Found;
}

std::optional<fs::path> HostFileSystem::walk(char drive, const std::vector<std::string_view>& components,
                                             std::size_t count, bool* cannotTell) const {
  switch (walkHeld(drive, components, count, cannotTell)) {
    case Held::Found:
      return fs::path(walkScratch_);
    case Held::Missing:
      return std::nullopt;
    case Held::NotHeld:
      break;
  }
  const auto it = drives_.find(drive);
  if (it == drives_.end()) return std::nullopt;
  fs::path cur = it->second;
  // Most names are written as they are on disk: one lookup settles those.
  if (!snapshot_) {
    std::string direct = cur.string();
    for (std::size_t i = 0; i < count; ++i) (direct += '/') += components[i];
    struct stat st {};
    if (::lstat(direct.c_str(), &st) == 0) return fs::path(std::move(direct));
  }
  // A drive whose folder is gone is a drive that is not ready.
  struct stat rootStat {};
  if (::stat(cur.c_str(), &rootStat) != 0 || !S_ISDIR(rootStat.st_mode)) {
    noteCannotTell(cannotTell);
    return std::nullopt;
  }
  for (std::size_t i = 0; i < count; ++i) {
    const std::string_view name = components[i];
    if (snapshot_) {
      const FolderNames::Entry* actual = findInFolder(cur.string(), name, cannotTell);
      if (actual == nullptr) return std::nullopt;
      cur /= actual->actual;
      continue;
    }
    fs::path exact = cur / name;
    struct stat st {};
    if (::lstat(exact.c_str(), &st) == 0) {
      cur = std::move(exact);
      continue;
    }
    if (!meansMissing(errno)) {
      noteCannotTell(cannotTell);
      return std::nullopt;
    }
    const FolderNames::Entry* actual = findInFolder(cur.string(), name, cannotTell);
    if (actual == nullptr) return std::nullopt;
    cur /= actual->actual;
  }
  return cur;
}

const FolderNames::Entry* HostFileSystem::lookUp(const FolderIndex& index, std::string_view name) const {
  // Folded into one buffer: this runs for every component of every path looked up.
  std::string& upper = upperScratch_;
  upper.clear();
  AppendUpper(upper, name);
  if (const FolderNames::Entry* found = index.names.find(upper)) return found;
  // A short (8.3) name, as Wine makes them for long names.
  if (name.find('~') != std::string_view::npos) {
    for (const auto& entry : index.names.entries())
      if (WineShortName(entry.actual) == upper) return &entry;
  }
  return nullptr;
}

void HostFileSystem::holdSnapshot(bool held) {
  snapshot_ = held;
  heldFolders_.clear();
  if (held) {
    ++snapshotNumber_;
    return;
  }
  for (auto it = folderIndex_.begin(); it != folderIndex_.end();)
    it = it->second.provisional ? folderIndex_.erase(it) : std::next(it);
}

const FolderNames::Entry* HostFileSystem::findInFolder(const std::string& folder, std::string_view name,
                                                       bool* cannotTell) const {
  if (snapshot_) {
    if (const auto held = folderIndex_.find(folder);
        held != folderIndex_.end() && held->second.checkedIn == snapshotNumber_)
      return lookUp(held->second, name);
  }
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) {
    if (!meansMissing(errno)) noteCannotTell(cannotTell);
    return nullptr;
  }
  if (!S_ISDIR(st.st_mode)) return nullptr;
  auto it = folderIndex_.find(folder);
  if (it == folderIndex_.end() || it->second.provisional || it->second.modified.tv_sec != st.st_mtim.tv_sec ||
      it->second.modified.tv_nsec != st.st_mtim.tv_nsec) {
    heldFolders_.clear();  // they may point into listings about to be replaced
    if (folderIndex_.size() >= 4096) folderIndex_.clear();
    FolderIndex index;
    index.modified = st.st_mtim;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
      if (!meansMissing(errno)) noteCannotTell(cannotTell);
      return nullptr;
    }
    while (const dirent* d = ::readdir(dir)) {
      const std::string_view entry(d->d_name);
      if (entry == "." || entry == "..") continue;
      index.names.add(text::toUpper(entry), std::string(entry), d->d_type);
    }
    ::closedir(dir);
    // Time stamps are coarse: a folder changed in the last two seconds may
    // change again under the same stamp, so its listing is not kept.
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    index.provisional = now.tv_sec - st.st_mtim.tv_sec < 2;
    if (index.provisional && !snapshot_) {
      const std::string wanted = text::toUpper(name);
      const FolderNames::Entry* found = index.names.find(wanted);
      if (found == nullptr && name.find('~') != std::string_view::npos) {
        for (const auto& entry : index.names.entries())
          if (WineShortName(entry.actual) == wanted) {
            found = &entry;
            break;
          }
      }
      if (found == nullptr) return nullptr;
      scratch_ = *found;
      return &scratch_;
    }
    it = folderIndex_.insert_or_assign(folder, std::move(index)).first;
  }
  if (snapshot_) it->second.checkedIn = snapshotNumber_;
  return lookUp(it->second, name);
}

std::optional<fs::path> HostFileSystem::resolveExisting(std::string_view path) const {
  const Split s = split(path, false);
  if (s.invalid || s.drive == 0) return std::nullopt;
  auto p = walk(s.drive, s.components, s.components.size());
  std::error_code ec;
  if (p && fs::symlink_status(*p, ec).type() == fs::file_type::not_found) return std::nullopt;
  return p;
}

std::optional<fs::path> HostFileSystem::resolveForCreate(std::string_view path) const {
  const Split s = split(path, false);
  if (s.invalid || s.drive == 0 || s.components.empty()) return std::nullopt;
  if (auto existing = walk(s.drive, s.components, s.components.size())) return existing;
  auto folder = walk(s.drive, s.components, s.components.size() - 1);
  std::error_code ec;
  if (!folder || !fs::is_directory(*folder, ec)) return std::nullopt;
  return *folder / s.components.back();
}

namespace {
// Directory, link, archive and read-only as the host's file type and mode
// show them, or 0xFFFFFFFF when nothing is there.
std::uint32_t kindAttributes(const char* hostPath) {
  struct stat lst {};
  if (::lstat(hostPath, &lst) != 0) return 0xFFFFFFFFu;
  struct stat st = lst;
  std::uint32_t attrs = 0;
  if (S_ISLNK(lst.st_mode)) {
    attrs |= kAttrReparsePoint;
    if (::stat(hostPath, &st) != 0) st = lst;
  }
  if (S_ISDIR(st.st_mode))
    attrs |= kAttrDirectory;
  else
    attrs |= kAttrArchive;
  if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) attrs |= kAttrReadOnly;
  return attrs;
}
}  // namespace

std::uint32_t HostFileSystem::hostAttributes(const fs::path& p) {
  const std::uint32_t attrs = kindAttributes(p.c_str());
  if (attrs == 0xFFFFFFFFu) return attrs;
  return attrs | dosAttributes(p.c_str(), p.filename().string());
}

FindResult HostFileSystem::findFirst(std::string_view path, bool includeFolders) {
  const Split s = split(path, true);
  if (s.invalid) return FindResult::InvalidName;
  if (path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/'))
    return FindResult::CannotTell;  // a network share: not reachable from here
  bool cannotTell = false;
  if (s.drive == 0 || s.components.empty()) {
    // A drive root is a folder.
    if (s.drive != 0 && walk(s.drive, {}, 0, &cannotTell) && includeFolders) return FindResult::Found;
    return cannotTell ? FindResult::CannotTell : FindResult::NotFound;
  }
  const std::string_view last = s.components.back();
  // A file of any kind counts; a folder only when asked for; a dangling link is nothing.
  auto accept = [&](const char* hostPath) {
    struct stat st {};
    if (::stat(hostPath, &st) != 0) return false;
    return !S_ISDIR(st.st_mode) || includeFolders;
  };
  if (!hasWildcard(last)) {
    switch (walkHeld(s.drive, s.components, s.components.size(), &cannotTell)) {
      case Held::Found:
        // The listing, read in this snapshot, tells files and folders apart;
        // a link, or a type it did not give, is looked at.
        if (walkType_ == DT_REG) return FindResult::Found;
        if (walkType_ == DT_DIR) return includeFolders ? FindResult::Found : FindResult::NotFound;
        if (accept(walkScratch_.c_str())) return FindResult::Found;
        return cannotTell ? FindResult::CannotTell : FindResult::NotFound;
      case Held::Missing:
        return cannotTell ? FindResult::CannotTell : FindResult::NotFound;
      case Held::NotHeld:
        break;
    }
    if (auto p = walk(s.drive, s.components, s.components.size(), &cannotTell); p && accept(p->c_str()))
      return FindResult::Found;
    return cannotTell ? FindResult::CannotTell : FindResult::NotFound;
  }
  const auto folder = walk(s.drive, s.components, s.components.size() - 1, &cannotTell);
  if (!folder) return cannotTell ? FindResult::CannotTell : FindResult::NotFound;
  DIR* dir = ::opendir(folder->c_str());
  if (dir == nullptr) return meansMissing(errno) ? FindResult::NotFound : FindResult::CannotTell;
  FindResult result = FindResult::NotFound;
  while (const dirent* d = ::readdir(dir)) {
    const std::string_view name(d->d_name);
    if (name == "." || name == "..") continue;
    if (MatchesWildcard(last, name) && accept((*folder / name).c_str())) {
      result = FindResult::Found;
      break;
    }
  }
  ::closedir(dir);
  return result;
}

std::optional<std::uint32_t> HostFileSystem::attributes(std::string_view path) {
  const Split s = split(path, false);
  if (s.invalid || s.drive == 0) return std::nullopt;
  const auto p = walk(s.drive, s.components, s.components.size());
  if (!p) return std::nullopt;
  const std::uint32_t a = hostAttributes(*p);
  if (a == 0xFFFFFFFFu) return std::nullopt;
  return a;
}

bool HostFileSystem::listFolder(std::string_view folder, std::vector<DirEntry>& entries) {
  return list(folder, entries, /*withDosAttributes=*/true);
}

bool HostFileSystem::listFolderKinds(std::string_view folder, std::vector<DirEntry>& entries) {
  return list(folder, entries, /*withDosAttributes=*/false);
}

bool HostFileSystem::list(std::string_view folder, std::vector<DirEntry>& entries, bool withDosAttributes) const {
  entries.clear();
  const auto p = resolveExisting(folder);
  if (!p) return false;
  DIR* dir = ::opendir(p->c_str());
  if (dir == nullptr) return false;
  // The entry's type comes with the listing; only links and unknown types
  // need a stat, and hidden/system one attribute read (the dearest part of
  // a listing, hence left out when not wanted).
  std::string path = p->string() + "/";
  const std::size_t base = path.size();
  while (const dirent* d = ::readdir(dir)) {
    const std::string_view name(d->d_name);
    if (name == "." || name == "..") continue;
    path.resize(base);
    path += name;
    std::uint32_t attrs = 0;
    if (d->d_type == DT_DIR) {
      attrs = kAttrDirectory;
    } else if (d->d_type == DT_REG) {
      attrs = kAttrArchive;
    } else {
      attrs = kindAttributes(path.c_str());
      if (attrs == 0xFFFFFFFFu) continue;  // gone meanwhile
    }
    if (withDosAttributes) attrs |= dosAttributes(path.c_str(), name);
    entries.push_back(DirEntry{std::string(name), attrs});
  }
  ::closedir(dir);
  std::sort(entries.begin(), entries.end(),
            [](const DirEntry& a, const DirEntry& b) { return text::compareNoCase(a.name, b.name) < 0; });
  return true;
}

bool HostFileSystem::openWriteTarget(std::string_view path, bool mustExist, WriteTarget& target,
                                     bool nameAsWritten) const {
  const Split s = split(path, false);
  if (s.invalid || s.drive == 0 || s.components.empty()) return false;
  const auto p = mustExist ? resolveExisting(path) : resolveForCreate(path);
  if (!p) return false;
  const fs::path& root = drives_.at(s.drive);
  const fs::path relative = p->lexically_normal().lexically_relative(root.lexically_normal());
  std::vector<std::string> names;
  for (const fs::path& part : relative) names.push_back(part.string());
  if (names.empty() || names.front() == ".." || names.front() == ".") return false;
  // The root itself may be a link (a drive folder often is); nothing below it may.
  target.folder.reset(::open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  for (std::size_t i = 0; target.folder.fd >= 0 && i + 1 < names.size(); ++i) {
    const int next = ::openat(target.folder.fd, names[i].c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st {};
    if (next >= 0 && (::fstat(next, &st) != 0 || !S_ISDIR(st.st_mode))) {
      ::close(next);
      target.folder.reset(-1);
      break;
    }
    target.folder.reset(next);
  }
  if (target.folder.fd < 0) return false;
  target.name = names.back();
  std::error_code ec;
  target.canonical = fs::weakly_canonical(root, ec) / relative;
  if (nameAsWritten) {
    // The folder as found, the file's own name exactly as given.
    const std::string_view written = s.components.back();
    if (written.empty() || written == "." || written == ".." || written.find('/') != std::string_view::npos)
      return false;
    target.name = written;
    target.canonical = target.canonical.parent_path() / written;
  }
  return !isProtected(target);
}

bool HostFileSystem::isProtected(const WriteTarget& target) const {
  struct stat st {};
  const bool exists = ::fstatat(target.folder.fd, target.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
  for (const fs::path& file : protectedFiles_) {
    if (target.canonical == file) return true;
    struct stat guarded {};
    if (exists && ::stat(file.c_str(), &guarded) == 0 && guarded.st_dev == st.st_dev && guarded.st_ino == st.st_ino)
      return true;
  }
  return false;
}

bool HostFileSystem::deleteFile(std::string_view path) {
  WriteTarget target;
  if (!openWriteTarget(path, true, target)) return false;
  struct stat st {};
  if (::fstatat(target.folder.fd, target.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(st.st_mode))
    return false;
  return ::unlinkat(target.folder.fd, target.name.c_str(), 0) == 0;
}

bool HostFileSystem::createFolder(std::string_view path) {
  WriteTarget target;
  if (!openWriteTarget(path, false, target)) return false;
  struct stat st {};
  if (::fstatat(target.folder.fd, target.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return S_ISDIR(st.st_mode);
  return ::mkdirat(target.folder.fd, target.name.c_str(), 0777) == 0;
}

std::optional<std::string> HostFileSystem::readFile(std::string_view path) {
  return readFileUpTo(path, std::string().max_size());
}

std::optional<std::string> HostFileSystem::readFileUpTo(std::string_view path, std::uint64_t maxBytes) {
  const auto p = resolveExisting(path);
  if (!p) return std::nullopt;
  // Non-blocking so that a FIFO cannot hold the open; it is refused below.
  const FileDescriptor file(::open(p->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  struct stat st {};
  if (file.fd < 0 || ::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  if (static_cast<std::uint64_t>(st.st_size) > maxBytes) return std::nullopt;
  // Room for one byte more than allowed tells a file that grew meanwhile.
  const std::uint64_t room = std::min<std::uint64_t>(maxBytes, std::string().max_size() - 1) + 1;
  std::string data(static_cast<std::size_t>(std::min<std::uint64_t>(room, std::uint64_t(st.st_size) + 1)), '\0');
  std::size_t done = 0;
  for (;;) {
    if (done == data.size()) {
      if (data.size() >= room) return std::nullopt;
      data.resize(
          static_cast<std::size_t>(std::min<std::uint64_t>(room, std::max<std::uint64_t>(4096, data.size() * 2))));
    }
    const ssize_t n = ::read(file.fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  data.resize(done);
  return data;
}

bool HostFileSystem::appendFile(std::string_view path, std::string_view bytes) {
  WriteTarget target;
  if (!openWriteTarget(path, false, target)) return false;
  const FileDescriptor file(
      ::openat(target.folder.fd, target.name.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0644));
  struct stat st {};
  if (file.fd < 0 || ::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  // Flushed before it counts: a backup record must outlive a power cut.
  return writeAll(file.fd, bytes) && ::fdatasync(file.fd) == 0;
}

bool HostFileSystem::writeFileAtomic(std::string_view path, std::string_view bytes) {
  WriteTarget target;
  return openWriteTarget(path, false, target) && replaceFile(target, bytes);
}

bool HostFileSystem::writeFileAtomicExactName(std::string_view path, std::string_view bytes) {
  WriteTarget target;
  return openWriteTarget(path, false, target, /*nameAsWritten=*/true) && replaceFile(target, bytes);
}

bool HostFileSystem::replaceFile(const WriteTarget& target, std::string_view bytes) {
  const int folder = target.folder.fd;
  struct stat old {};
  const bool replacing = ::fstatat(folder, target.name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0;
  if (replacing && !S_ISREG(old.st_mode)) return false;  // a link, folder or device is not replaced
  // An unpredictable name, created only if nothing is there: nothing planted
  // beside the target can receive the bytes.
  std::string temp;
  FileDescriptor file;
  for (int attempt = 0; attempt < 16 && file.fd < 0; ++attempt) {
    std::uint64_t random = 0;
    if (::getrandom(&random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) return false;
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".hm-%012llx", static_cast<unsigned long long>(random & 0xFFFFFFFFFFFFull));
    temp = "." + target.name + suffix;
    file.reset(::openat(folder, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (file.fd < 0 && errno != EEXIST) return false;
  }
  if (file.fd < 0) return false;
  bool ok =
      (!replacing || ::fchmod(file.fd, old.st_mode & 07777) == 0) && writeAll(file.fd, bytes) && ::fsync(file.fd) == 0;
  const int fd = file.fd;
  file.fd = -1;
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = ::renameat(folder, temp.c_str(), folder, target.name.c_str()) == 0;
  if (!ok) {
    ::unlinkat(folder, temp.c_str(), 0);
    return false;
  }
  const FileDescriptor dir(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.fd >= 0) ::fsync(dir.fd);
  return true;
}

std::optional<std::uint64_t> HostFileSystem::modifiedTime(std::string_view path) {
  const auto p = resolveExisting(path);
  struct stat st {};
  if (!p || ::stat(p->c_str(), &st) != 0) return std::nullopt;
  const std::int64_t seconds = static_cast<std::int64_t>(st.st_mtim.tv_sec) + kFileTimeEpochSeconds;
  if (seconds < 0) return 0;
  return static_cast<std::uint64_t>(seconds) * kFileTimeTicksPerSecond +
         static_cast<std::uint64_t>(st.st_mtim.tv_nsec / 100);
}

bool HostFileSystem::setModifiedTime(std::string_view path, std::uint64_t fileTime) {
  WriteTarget target;
  if (!openWriteTarget(path, true, target)) return false;
  struct timespec times[2] = {};
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec =
      static_cast<time_t>(static_cast<std::int64_t>(fileTime / kFileTimeTicksPerSecond) - kFileTimeEpochSeconds);
  times[1].tv_nsec = static_cast<long>(fileTime % kFileTimeTicksPerSecond) * 100;
  return ::utimensat(target.folder.fd, target.name.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

// As Wine keeps them: hidden and system in user.DOSATTRIB (written even when
// clear on a dot-file, which would otherwise read as hidden), read-only as
// the write permission bits.
bool HostFileSystem::setAttributes(std::string_view path, std::uint32_t attributes) {
  WriteTarget target;
  if (!openWriteTarget(path, true, target)) return false;
  const FileDescriptor file(
      ::openat(target.folder.fd, target.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat st {};
  if (file.fd < 0 || ::fstat(file.fd, &st) != 0) return false;
  const mode_t old = st.st_mode & 07777;
  mode_t mode = old;
  if (attributes & kAttrReadOnly)
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  else if (!(mode & (S_IWUSR | S_IWGRP | S_IWOTH)))
    mode |= S_IWUSR;
  // Extended attributes are written only while the owner may write the file.
  const mode_t writable = old | S_IWUSR;
  if (writable != old && ::fchmod(file.fd, writable) != 0) return false;
  const std::uint32_t dos = attributes & (kAttrHidden | kAttrSystem);
  bool ok = true;
  if (dos != 0 || target.name[0] == '.') {
    char text[16];
    const int n = std::snprintf(text, sizeof text, "0x%x", dos);
    ok = ::fsetxattr(file.fd, "user.DOSATTRIB", text, static_cast<std::size_t>(n), 0) == 0;
  } else {
    ok = ::fremovexattr(file.fd, "user.DOSATTRIB") == 0 || errno == ENODATA;
  }
  const mode_t wanted = ok ? mode : old;
  return (wanted == writable || ::fchmod(file.fd, wanted) == 0) && ok;
}

}  // namespace hm::platform
