#include "platform/wineprefix/WinePrefixMachine.h"

#include <cstdlib>
#include <set>

#include "platform/SimplePorts.h"
#include "platform/Text.h"
#include "platform/host/HostFileSystem.h"
#include "platform/host/HostShell.h"
#include "platform/memory/MemoryRegistry.h"
#include "platform/wineprefix/WineHiveFile.h"
#include "platform/wineprefix/WinePrefixUrlCache.h"
#include "platform/wineprefix/WineServerLock.h"

namespace hm::platform {
namespace fs = std::filesystem;

namespace {

std::string stringValue(RegistryKey* key, std::string_view name) {
  if (key == nullptr) return {};
  const NamedValue* v = key->findValue(name);
  if (v == nullptr || (v->type != kRegSz && v->type != kRegExpandSz)) return {};
  std::string s = text::fromUtf16Bytes(v->data);
  const std::size_t nul = s.find('\0');
  if (nul != std::string::npos) s.resize(nul);
  return s;
}

// Windows' limit for one variable's value, in characters.
constexpr std::size_t kMaxVariableLength = 32767;

std::string* findVariable(std::map<std::string, std::string>& vars, std::string_view name) {
  for (auto& [k, v] : vars)
    if (text::equalsNoCase(k, name)) return &v;
  return nullptr;
}

// Names are matched without regard to case, as Windows does.
void setVariable(std::map<std::string, std::string>& vars, const std::string& name, std::string value) {
  if (std::string* existing = findVariable(vars, name))
    *existing = std::move(value);
  else
    vars[name] = std::move(value);
}

// Expands %NAME% references once from the table (a value that names itself
// takes the value it had before); unknown names stay as written. Text that
// would grow past Windows' limit stays unexpanded.
std::string expand(const std::string& s, std::map<std::string, std::string>& vars) {
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t end = s[i] == '%' ? s.find('%', i + 1) : std::string::npos;
    if (end != std::string::npos) {
      if (const std::string* v = findVariable(vars, std::string_view(s).substr(i + 1, end - i - 1))) {
        out += *v;
        i = end + 1;
        if (out.size() > kMaxVariableLength) return s;
        continue;
      }
    }
    out += s[i++];
  }
  return out;
}

int driveTypeFromRegistry(const std::string& type) {
  if (type == "hd") return kDriveFixed;
  if (type == "floppy") return kDriveRemovable;
  if (type == "cdrom") return kDriveCdRom;
  if (type == "network") return kDriveNetwork;
  if (type == "ramdisk") return kDriveRamDisk;
  return -1;
}

bool isInside(const fs::path& inner, const fs::path& outer) {
  const auto i = inner.lexically_normal().string(), o = outer.lexically_normal().string();
  return i == o || (i.size() > o.size() && i.compare(0, o.size(), o) == 0 && (o.back() == '/' || i[o.size()] == '/'));
}

class WinePrefixMachine : public OpenedMachine {
 public:
  WinePrefixMachine(fs::path prefix, WineRegistryFile system, WineHiveOnDisk systemRead, WineRegistryFile user,
                    WineHiveOnDisk userRead)
      : prefix_(std::move(prefix)),
        system_(std::move(system)),
        user_(std::move(user)),
        systemRead_(systemRead),
        userRead_(userRead),
        registry_(*system_.root, *user_.root, user_.userKeyName()) {
    registry_.onModified = [this](RegistryKey& key) {
      markWineKeyModified(key);
      RegistryKey* root = &key;
      while (root->parent() != nullptr) root = root->parent();
      (root == system_.root.get() ? systemChanged_ : userChanged_) = true;
    };
    listDrives();
    setUpEnvironment();
    // No drive path may write over the prefix's own registry files.
    files_ = std::make_unique<HostFileSystem>(
        driveFolders_, HostFolders{"C:\\windows", "C:\\windows\\system32", temp_, "C:\\Program Files\\Hivemend"},
        std::vector<fs::path>{prefix_ / "system.reg", prefix_ / "user.reg", prefix_ / "userdef.reg"});
    machine_.registry = &registry_;
    machine_.files = files_.get();
    machine_.drives = &drives_;
    machine_.clock = &clock_;
    machine_.pump = &pump_;
    machine_.dialogs = &dialogs_;
    machine_.environment = &environment_;
    machine_.shell = &shell_;
    setUpUrlCache();
    machine_.urlCache = urlCache_.get();
  }

  std::string description() const override { return "Wine prefix " + prefix_.string(); }

  bool save(std::string& error) override {
    // Both files are checked before either is written, so a refusal leaves the pair as it was.
    if (systemChanged_ && !wineHiveStillAsRead(prefix_ / "system.reg", systemRead_, error)) return false;
    if (userChanged_ && !wineHiveStillAsRead(prefix_ / "user.reg", userRead_, error)) return false;
    bool ok = true;
    if (systemChanged_ &&
        saveWineHive(prefix_, prefix_ / "system.reg", system_, error, &systemRead_) == WineHiveSave::Refused)
      ok = false;
    if (ok && userChanged_ &&
        saveWineHive(prefix_, prefix_ / "user.reg", user_, error, &userRead_) == WineHiveSave::Refused)
      ok = false;
    if (ok) systemChanged_ = userChanged_ = false;
    return ok;
  }

 private:
  // dosdevices holds one link per drive letter ("c:" -> ../drive_c).
  void listDrives() {
    RegistryKey* types = system_.root->findPath("Software\\Wine\\Drives");
    std::error_code ec;
    std::set<char> seen;
    for (fs::directory_iterator d(prefix_ / "dosdevices", ec), e; !ec && d != e; d.increment(ec)) {
      const std::string name = d->path().filename().string();
      if (name.size() != 2 || name[1] != ':' || !std::isalpha(static_cast<unsigned char>(name[0]))) continue;
      const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
      const fs::path target = fs::weakly_canonical(d->path(), ec);
      int type = driveTypeFromRegistry(stringValue(types, name));
      if (type < 0) {
        // Wine calls an unknown drive fixed; a host folder mapped in from
        // outside the prefix (z: is the whole host) is no disk of this machine.
        const fs::path prefixReal = fs::weakly_canonical(prefix_, ec);
        type = (letter == 'A' || letter == 'B') ? kDriveRemovable
               : isInside(target, prefixReal)   ? kDriveFixed
                                                : kDriveNetwork;
      }
      const bool ready = fs::is_directory(target, ec);
      drives_.list().push_back(DriveInfo{letter, type, ready});
      driveFolders_[letter] = target;
      seen.insert(letter);
    }
    std::sort(drives_.list().begin(), drives_.list().end(),
              [](const DriveInfo& a, const DriveInfo& b) { return a.letter < b.letter; });
    if (seen.count('C') == 0 && fs::is_directory(prefix_ / "drive_c", ec)) {
      drives_.list().insert(drives_.list().begin() + (seen.count('A') + seen.count('B')),
                            DriveInfo{'C', kDriveFixed, true});
      driveFolders_['C'] = prefix_ / "drive_c";
    }
  }

  // The variables Wine's programs see: the machine's, then the user's.
  void setUpEnvironment() {
    auto& vars = environment_.variables;
    vars["SystemRoot"] = "C:\\windows";
    vars["windir"] = "C:\\windows";
    vars["SystemDrive"] = "C:";
    vars["ProgramFiles"] = "C:\\Program Files";
    vars["CommonProgramFiles"] = "C:\\Program Files\\Common Files";
    vars["ProgramData"] = "C:\\ProgramData";
    if (RegistryKey* cv = system_.root->findPath("Software\\Microsoft\\Windows\\CurrentVersion")) {
      if (auto v = stringValue(cv, "ProgramFilesDir"); !v.empty()) vars["ProgramFiles"] = expand(v, vars);
      if (auto v = stringValue(cv, "CommonFilesDir"); !v.empty()) vars["CommonProgramFiles"] = expand(v, vars);
    }
    const std::string sid = user_.userKeyName();
    std::string profile = "C:\\users\\" + std::string(std::getenv("USER") != nullptr ? std::getenv("USER") : "user");
    if (RegistryKey* list = system_.root->findPath("Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList")) {
      if (auto v = stringValue(list->findSubkey(sid), "ProfileImagePath"); !v.empty()) profile = expand(v, vars);
    }
    vars["USERPROFILE"] = profile;
    vars["APPDATA"] = profile + "\\AppData\\Roaming";
    vars["LOCALAPPDATA"] = profile + "\\AppData\\Local";
    // As Windows builds the block: the machine's variables, then the user's;
    // in each key the plain strings first, then the expandable ones, each
    // expanded once against what is set so far.
    const auto addFrom = [&vars](RegistryKey* env) {
      if (env == nullptr) return;
      for (const auto& v : env->values())
        if (v.type != kRegExpandSz) setVariable(vars, v.name, stringValue(env, v.name));
      for (const auto& v : env->values())
        if (v.type == kRegExpandSz) setVariable(vars, v.name, expand(stringValue(env, v.name), vars));
    };
    // CurrentControlSet is a link in Wine's files.
    addFrom(registry_.findKey(rootHandle(kHkeyLocalMachine),
                              "System\\CurrentControlSet\\Control\\Session Manager\\Environment"));
    addFrom(user_.root->findPath("Environment"));
    addFrom(user_.root->findPath("Volatile Environment"));
    const std::string* temp = findVariable(vars, "TEMP");
    temp_ = temp != nullptr ? *temp : "C:\\windows\\temp";
  }

  // Wine's WinINet keeps three containers, listed in this order: the cookies,
  // the visited pages and the cached pages, in the user's shell folders.
  void setUpUrlCache() {
    RegistryKey* userFolders =
        user_.root->findPath("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders");
    RegistryKey* folders =
        user_.root->findPath("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
    const std::string profile = environment_.variables["USERPROFILE"];
    const auto folder = [&](const char* name, const std::string& fallback) {
      std::string path = stringValue(userFolders, name);
      if (path.empty()) path = stringValue(folders, name);
      if (path.empty()) path = profile + "\\AppData\\Local\\Microsoft\\Windows\\" + fallback;
      return expand(path, environment_.variables);
    };
    std::vector<WineCacheContainer> containers;
    for (const std::string& path : {folder("Cookies", "INetCookies"), folder("History", "History") + "\\History.IE5",
                                    folder("Cache", "INetCache") + "\\Content.IE5"})
      if (const auto host = files_->resolveExisting(path)) containers.push_back(WineCacheContainer{*host});
    urlCache_ = std::make_unique<WinePrefixUrlCache>(
        prefix_, driveFolders_.count('C') != 0 ? driveFolders_['C'] : prefix_ / "drive_c", std::move(containers));
  }

  fs::path prefix_;
  WineRegistryFile system_;
  WineRegistryFile user_;
  WineHiveOnDisk systemRead_, userRead_;
  MemoryRegistry registry_;
  bool systemChanged_ = false, userChanged_ = false;
  std::map<char, fs::path> driveFolders_;
  std::string temp_;
  std::unique_ptr<HostFileSystem> files_;
  FixedDriveList drives_;
  SystemClock clock_;
  CallbackPump pump_;
  ScriptedDialogs dialogs_;
  TableEnvironment environment_;
  HostShell shell_;
  std::unique_ptr<WinePrefixUrlCache> urlCache_;
};

}  // namespace

fs::path ChoosePrefix(const std::string& option) {
  if (!option.empty()) return option;
  if (const char* p = std::getenv("WINEPREFIX"); p != nullptr && *p != '\0') return p;
  const char* home = std::getenv("HOME");
  return fs::path(home != nullptr ? home : ".") / ".wine";
}

std::unique_ptr<OpenedMachine> OpenWinePrefix(const fs::path& prefix, bool writable, std::string& error) {
  std::error_code ec;
  if (!fs::is_directory(prefix / "drive_c", ec) || !fs::is_regular_file(prefix / "system.reg", ec)) {
    error = "Not a Wine prefix (no drive_c folder and system.reg file): " + prefix.string();
    return nullptr;
  }
  if (writable) {
    int pid = 0;
    if (wineServerRunning(prefix, &pid)) {
      error = wineServerRunningMessage(prefix, pid);
      return nullptr;
    }
  }
  WineRegistryFile system, user;
  WineHiveOnDisk systemRead, userRead;
  if (!loadWineHive(prefix / "system.reg", system, error, &systemRead)) return nullptr;
  if (fs::exists(prefix / "user.reg", ec)) {
    if (!loadWineHive(prefix / "user.reg", user, error, &userRead)) return nullptr;
  } else {
    user.relativeToLine = ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000";
  }
  return std::make_unique<WinePrefixMachine>(prefix, std::move(system), systemRead, std::move(user), userRead);
}

std::unique_ptr<OpenedMachine> OpenMachine(const MachineOptions& options, std::string& error) {
  return OpenWinePrefix(ChoosePrefix(options.prefix), options.writable, error);
}

}  // namespace hm::platform
