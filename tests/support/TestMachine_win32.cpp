#include <windows.h>

#include <atomic>
#include <fstream>
#include <stdexcept>

#include "platform/win32/Wide.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Registry.h"
#include "support/TestMachine.h"

namespace hm::test {
namespace fs = std::filesystem;
using platform::win32::narrow;
using platform::win32::wide;

namespace {
std::atomic<int> g_counter{0};

// The real registry, with the three roots moved into a scratch key so tests
// never touch the machine's own keys.
class RedirectedRegistry : public platform::win32::Win32Registry {
 public:
  explicit RedirectedRegistry(const std::string& scratch) : scratch_(scratch) {
    platform::HKey k = 0;
    if (Win32Registry::createKey(platform::rootHandle(platform::kHkeyCurrentUser),
                                 scratch + "\\HKLM\\Software\\Classes", platform::kKeyAllAccess, k) != 0)
      throw std::runtime_error("cannot create the scratch registry key");
    Win32Registry::closeKey(k);
    open(scratch + "\\HKLM", localMachine_);
    open(scratch + "\\HKCU", currentUser_);
    open(scratch + "\\HKLM\\Software\\Classes", classesRoot_);
  }
  ~RedirectedRegistry() override {
    Win32Registry::closeKey(localMachine_);
    Win32Registry::closeKey(currentUser_);
    Win32Registry::closeKey(classesRoot_);
    RegDeleteTreeW(HKEY_CURRENT_USER, wide(scratch_).c_str());
  }
  std::int32_t openKey(platform::HKey parent, std::string_view subKey, std::uint32_t access,
                       platform::HKey& result) override {
    return Win32Registry::openKey(map(parent), subKey, access, result);
  }
  std::int32_t openKeyNoFollow(platform::HKey parent, std::string_view subKey, std::uint32_t access,
                               platform::HKey& result) override {
    return Win32Registry::openKeyNoFollow(map(parent), subKey, access, result);
  }
  std::int32_t createKey(platform::HKey parent, std::string_view subKey, std::uint32_t access,
                         platform::HKey& result) override {
    return Win32Registry::createKey(map(parent), subKey, access, result);
  }
  std::int32_t deleteKey(platform::HKey parent, std::string_view subKey) override {
    return Win32Registry::deleteKey(map(parent), subKey);
  }

 private:
  void open(const std::string& path, platform::HKey& out) {
    if (Win32Registry::createKey(platform::rootHandle(platform::kHkeyCurrentUser), path, platform::kKeyAllAccess,
                                 out) != 0)
      throw std::runtime_error("cannot open the scratch registry key");
  }
  platform::HKey map(platform::HKey parent) const {
    switch (parent) {
      case 0x80000000u:
        return classesRoot_;
      case 0x80000001u:
        return currentUser_;
      case 0x80000002u:
        return localMachine_;
      default:
        return parent;
    }
  }
  std::string scratch_;
  platform::HKey localMachine_ = 0, currentUser_ = 0, classesRoot_ = 0;
};

std::string tempFolder() {
  wchar_t buf[MAX_PATH + 2];
  const DWORD n = GetTempPathW(MAX_PATH + 2, buf);
  std::string s = narrow(std::wstring_view(buf, n));
  while (!s.empty() && s.back() == '\\') s.pop_back();
  return s;
}
}  // namespace

struct TestMachine::Impl {
  std::unique_ptr<RedirectedRegistry> registry;
  std::unique_ptr<platform::win32::Win32FileSystem> files;
};

TestMachine::TestMachine() : impl_(std::make_unique<Impl>()) {
  const std::string id = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(g_counter++);
  root_ = tempFolder() + "\\hm-test-" + id;
  impl_->registry = std::make_unique<RedirectedRegistry>("Software\\HivemendTestScratch\\" + id);
  fs::create_directories(hostPath("windows\\system32"));
  fs::create_directories(hostPath("temp"));
  platform::win32::FolderOverrides folders;
  folders.windows = path("windows");
  folders.system = path("windows\\system32");
  folders.temp = path("temp");
  folders.program = path("Program Files\\Hivemend");
  impl_->files = std::make_unique<platform::win32::Win32FileSystem>(folders);
  drives.list() = {{'C', platform::kDriveFixed, true}};
  pump.step = 5;
  machine_ =
      platform::Machine{impl_->registry.get(), impl_->files.get(), &drives, &clock, &pump, &dialogs, &environment};
  scope_ = std::make_unique<platform::MachineScope>(machine_);
}

TestMachine::~TestMachine() {
  scope_.reset();
  impl_->registry.reset();
  std::error_code ec;
  fs::remove_all(fs::path(wide(root_)), ec);
}

fs::path TestMachine::hostPath(std::string_view relative) const { return fs::path(wide(path(relative))); }

void TestMachine::createFile(std::string_view relative, std::string_view content) {
  const fs::path p = hostPath(relative);
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << content;
}

void TestMachine::createFolder(std::string_view relative) { fs::create_directories(hostPath(relative)); }

void TestMachine::setAttributes(std::string_view relative, std::uint32_t attributes) {
  const DWORD current = GetFileAttributesW(hostPath(relative).c_str());
  const DWORD keep = current & FILE_ATTRIBUTE_DIRECTORY;
  if (!SetFileAttributesW(hostPath(relative).c_str(), keep | attributes | (keep ? 0 : FILE_ATTRIBUTE_ARCHIVE)))
    throw std::runtime_error("SetFileAttributes failed");
}

// Wine keeps no access control lists, and the drives it cannot reach it
// reports as paths that do not exist.
bool TestMachine::denyReading(std::string_view) { return false; }
void TestMachine::allowReading(std::string_view) {}
std::string TestMachine::unreadyDriveRoot() const { return {}; }

std::string TestMachine::errorLog() const {
  std::ifstream in(hostPath("windows\\ErrHvmd.txt"), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

int TestMachine::errorLogEntries() const {
  const std::string log = errorLog();
  int lines = 0;
  for (std::size_t i = 0; (i = log.find("\r\n", i)) != std::string::npos; i += 2) ++lines;
  return lines / 5;
}

fs::path TestDataDir() {
  std::string p = "Z:" + std::string(HM_TEST_DATA_DIR);
  for (auto& c : p)
    if (c == '/') c = '\\';
  return fs::path(wide(p));
}

}  // namespace hm::test
