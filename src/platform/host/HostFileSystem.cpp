#include "platform/host/HostFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>

#include "platform/PathRules.h"
#include "platform/Text.h"
#include "platform/wineprefix/WineNameOrder.h"

namespace hm::platform {

namespace fs = std::filesystem;

namespace {
// Windows drops trailing dots and spaces from every component.
std::string trimComponent(std::string_view c) {
  std::size_t e = c.size();
  while (e > 0 && (c[e - 1] == ' ' || c[e - 1] == '.')) --e;
  if (e == 0 && (c == "." || c == "..")) return std::string(c);
  return std::string(c.substr(0, e));
}

bool hasWildcard(std::string_view s) { return s.find_first_of("*?") != std::string_view::npos; }
}  // namespace

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

HostFileSystem::HostFileSystem(std::map<char, fs::path> drives, HostFolders folders) : folders_(std::move(folders)) {
  for (auto& [letter, root] : drives)
    drives_[static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))] = root;
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
  std::string p(path);
  std::replace(p.begin(), p.end(), '/', '\\');
  if (p.size() < 2 || p[1] != ':' || !std::isalpha(static_cast<unsigned char>(p[0]))) {
    // Not a drive path (relative, UNC or device): nothing the host can find.
    return s;
  }
  s.drive = static_cast<char>(std::toupper(static_cast<unsigned char>(p[0])));
  std::vector<std::string> raw;
  std::size_t start = 2;
  while (start <= p.size()) {
    std::size_t stop = p.find('\\', start);
    if (stop == std::string::npos) stop = p.size();
    if (stop > start) raw.emplace_back(p.substr(start, stop - start));
    start = stop + 1;
  }
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const std::string c = trimComponent(raw[i]);
    if (c == "." || c.empty()) continue;
    if (c == "..") {
      if (!s.components.empty()) s.components.pop_back();
      continue;
    }
    if (text::utf16Length(c) > 255) s.invalid = true;
    s.components.push_back(c);
  }
  return s;
}

std::optional<fs::path> HostFileSystem::walk(char drive, const std::vector<std::string>& components,
                                             std::size_t count) const {
  const auto it = drives_.find(drive);
  if (it == drives_.end()) return std::nullopt;
  fs::path cur = it->second;
  // Most names are written as they are on disk: one lookup settles those.
  {
    std::string direct = cur.string();
    for (std::size_t i = 0; i < count; ++i) (direct += '/') += components[i];
    struct stat st {};
    if (::lstat(direct.c_str(), &st) == 0) return fs::path(std::move(direct));
  }
  std::error_code ec;
  if (!fs::is_directory(cur, ec)) return std::nullopt;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string& name = components[i];
    fs::path exact = cur / name;
    if (fs::symlink_status(exact, ec).type() != fs::file_type::not_found && !ec) {
      cur = std::move(exact);
      continue;
    }
    const std::string* actual = findInFolder(cur.string(), name);
    if (actual == nullptr) return std::nullopt;
    cur /= *actual;
  }
  return cur;
}

const std::string* HostFileSystem::findInFolder(const std::string& folder, const std::string& name) const {
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return nullptr;
  auto it = folderIndex_.find(folder);
  if (it == folderIndex_.end() || it->second.modified.tv_sec != st.st_mtim.tv_sec ||
      it->second.modified.tv_nsec != st.st_mtim.tv_nsec) {
    if (folderIndex_.size() >= 4096) folderIndex_.clear();
    FolderIndex index;
    index.modified = st.st_mtim;
    if (DIR* dir = ::opendir(folder.c_str())) {
      while (const dirent* d = ::readdir(dir)) {
        const std::string_view entry(d->d_name);
        if (entry == "." || entry == "..") continue;
        index.names.emplace(text::toUpper(entry), std::string(entry));
      }
      ::closedir(dir);
    }
    // Time stamps are coarse: a folder changed in the last two seconds may
    // change again under the same stamp, so its listing is not kept.
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    if (now.tv_sec - st.st_mtim.tv_sec < 2) {
      auto found = index.names.find(text::toUpper(name));
      if (found == index.names.end() && name.find('~') != std::string::npos) {
        const std::string wanted = text::toUpper(name);
        found = std::find_if(index.names.begin(), index.names.end(),
                             [&](const auto& entry) { return WineShortName(entry.second) == wanted; });
      }
      if (found == index.names.end()) return nullptr;
      scratch_ = found->second;
      return &scratch_;
    }
    it = folderIndex_.insert_or_assign(folder, std::move(index)).first;
  }
  const auto found = it->second.names.find(text::toUpper(name));
  if (found != it->second.names.end()) return &found->second;
  // A short (8.3) name, as Wine makes them for long names.
  if (name.find('~') != std::string::npos) {
    const std::string wanted = text::toUpper(name);
    for (const auto& [upper, actual] : it->second.names)
      if (WineShortName(actual) == wanted) return &actual;
  }
  return nullptr;
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

std::uint32_t HostFileSystem::hostAttributes(const fs::path& p) {
  struct stat lst {};
  if (::lstat(p.c_str(), &lst) != 0) return 0xFFFFFFFFu;
  struct stat st = lst;
  std::uint32_t attrs = 0;
  if (S_ISLNK(lst.st_mode)) {
    attrs |= kAttrReparsePoint;
    if (::stat(p.c_str(), &st) != 0) st = lst;
  }
  if (S_ISDIR(st.st_mode))
    attrs |= kAttrDirectory;
  else
    attrs |= kAttrArchive;
  if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) attrs |= kAttrReadOnly;
  return attrs | dosAttributes(p.c_str(), p.filename().string());
}

FindResult HostFileSystem::findFirst(std::string_view path, bool includeFolders) {
  const Split s = split(path, true);
  if (s.invalid) return FindResult::InvalidName;
  if (path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/'))
    return FindResult::CannotTell;  // a network share: not reachable from here
  if (s.drive == 0 || s.components.empty()) {
    // A drive root is a folder.
    if (s.drive != 0 && includeFolders && walk(s.drive, {}, 0)) return FindResult::Found;
    return FindResult::NotFound;
  }
  const std::string& last = s.components.back();
  // A file of any kind counts; a folder only when asked for; a dangling link is nothing.
  auto accept = [&](const fs::path& p) {
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0) return false;
    return !S_ISDIR(st.st_mode) || includeFolders;
  };
  if (!hasWildcard(last)) {
    if (auto p = walk(s.drive, s.components, s.components.size()); p && accept(*p)) return FindResult::Found;
    return FindResult::NotFound;
  }
  const auto folder = walk(s.drive, s.components, s.components.size() - 1);
  std::error_code ec;
  if (!folder || !fs::is_directory(*folder, ec)) return FindResult::NotFound;
  for (fs::directory_iterator d(*folder, ec), e; !ec && d != e; d.increment(ec)) {
    if (MatchesWildcard(last, d->path().filename().string()) && accept(d->path())) return FindResult::Found;
  }
  return FindResult::NotFound;
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
  entries.clear();
  const auto p = resolveExisting(folder);
  if (!p) return false;
  DIR* dir = ::opendir(p->c_str());
  if (dir == nullptr) return false;
  // The entry's type comes with the listing; only links and unknown types
  // need a stat, and hidden/system one attribute read.
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
      attrs = hostAttributes(path);
      if (attrs == 0xFFFFFFFFu) continue;  // gone meanwhile
      entries.push_back(DirEntry{std::string(name), attrs});
      continue;
    }
    attrs |= dosAttributes(path.c_str(), name);
    entries.push_back(DirEntry{std::string(name), attrs});
  }
  ::closedir(dir);
  std::sort(entries.begin(), entries.end(),
            [](const DirEntry& a, const DirEntry& b) { return text::compareNoCase(a.name, b.name) < 0; });
  return true;
}

bool HostFileSystem::deleteFile(std::string_view path) {
  const auto p = resolveExisting(path);
  std::error_code ec;
  if (!p || fs::is_directory(fs::symlink_status(*p, ec))) return false;
  return fs::remove(*p, ec) && !ec;
}

bool HostFileSystem::createFolder(std::string_view path) {
  const auto p = resolveForCreate(path);
  std::error_code ec;
  if (!p) return false;
  if (fs::is_directory(*p, ec)) return true;
  return fs::create_directory(*p, ec) && !ec;
}

std::optional<std::string> HostFileSystem::readFile(std::string_view path) {
  const auto p = resolveExisting(path);
  std::error_code ec;
  if (!p || !fs::is_regular_file(*p, ec)) return std::nullopt;
  std::ifstream in(*p, std::ios::binary);
  if (!in) return std::nullopt;
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return data;
}

bool HostFileSystem::appendFile(std::string_view path, std::string_view bytes) {
  const auto p = resolveForCreate(path);
  if (!p) return false;
  const int fd = ::open(p->c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  // Flushed before it counts: a backup record must outlive a power cut.
  const bool synced = ::fdatasync(fd) == 0;
  const bool ok = ::close(fd) == 0 && done == bytes.size() && synced;
  return ok;
}

namespace {

// Written beside the target, flushed, then renamed over it.
bool replaceAtomically(const fs::path& target, std::string_view bytes) {
  const fs::path tmp = target.parent_path() / (".~" + target.filename().string() + ".tmp");
  const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  bool ok = done == bytes.size() && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = ::rename(tmp.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(tmp.c_str());
  if (ok) {
    const int dfd = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
      ::fsync(dfd);
      ::close(dfd);
    }
  }
  return ok;
}

}  // namespace

bool HostFileSystem::writeFileAtomic(std::string_view path, std::string_view bytes) {
  const auto p = resolveForCreate(path);
  return p && replaceAtomically(*p, bytes);
}

bool HostFileSystem::writeFileAtomicExactName(std::string_view path, std::string_view bytes) {
  const Split s = split(path, false);
  if (s.invalid || s.drive == 0 || s.components.empty()) return false;
  const auto folder = walk(s.drive, s.components, s.components.size() - 1);
  std::error_code ec;
  if (!folder || !fs::is_directory(*folder, ec)) return false;
  return replaceAtomically(*folder / s.components.back(), bytes);
}

}  // namespace hm::platform
