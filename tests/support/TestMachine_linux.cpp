#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "platform/host/HostFileSystem.h"
#include "platform/memory/MemoryRegistry.h"
#include "support/TestMachine.h"

namespace hm::test {
namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kTicksPerSecond = 10'000'000, kSecondsFrom1601To1970 = 11'644'473'600;

// The host files port with the time and attribute calls a prefix machine
// has: times from the host's own, attributes as Wine keeps them.
class TestHostFiles : public platform::HostFileSystem {
 public:
  using HostFileSystem::HostFileSystem;

  std::optional<std::uint64_t> modifiedTime(std::string_view path) override {
    const auto p = resolveExisting(path);
    struct stat st {};
    if (!p || ::stat(p->c_str(), &st) != 0) return std::nullopt;
    return (static_cast<std::uint64_t>(st.st_mtim.tv_sec) + kSecondsFrom1601To1970) * kTicksPerSecond +
           static_cast<std::uint64_t>(st.st_mtim.tv_nsec) / 100;
  }
  bool setModifiedTime(std::string_view path, std::uint64_t fileTime) override {
    const auto p = resolveExisting(path);
    if (!p) return false;
    struct timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(fileTime / kTicksPerSecond) - static_cast<time_t>(kSecondsFrom1601To1970);
    times[1].tv_nsec = static_cast<long>(fileTime % kTicksPerSecond * 100);
    return ::utimensat(AT_FDCWD, p->c_str(), times, 0) == 0;
  }
  bool setAttributes(std::string_view path, std::uint32_t attributes) override {
    const auto p = resolveExisting(path);
    if (!p) return false;
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%x", attributes & ~platform::kAttrReadOnly);
    std::error_code ec;
    if (attributes & platform::kAttrReadOnly)
      fs::permissions(*p, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                      fs::perm_options::remove, ec);
    else
      fs::permissions(*p, fs::perms::owner_write, fs::perm_options::add, ec);
    return !ec && ::setxattr(p->c_str(), "user.DOSATTRIB", buf, std::strlen(buf), 0) == 0;
  }
};

}  // namespace

struct TestMachine::Impl {
  fs::path dir;
  platform::RegistryKey localMachine{"", nullptr, false};
  platform::RegistryKey currentUser{"", nullptr, false};
  platform::MemoryRegistry registry{localMachine, currentUser};
  std::unique_ptr<TestHostFiles> files;
};

TestMachine::TestMachine() : impl_(std::make_unique<Impl>()) {
  std::string tmpl = (fs::temp_directory_path() / "hm-test-XXXXXX").string();
  if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  impl_->dir = tmpl;
  fs::create_directories(impl_->dir / "c" / "windows" / "system32");
  impl_->files =
      std::make_unique<TestHostFiles>(std::map<char, fs::path>{{'C', impl_->dir / "c"}},
                                      platform::HostFolders{"C:\\windows", "C:\\windows\\system32", "C:\\windows\\temp",
                                                            "C:\\Program Files\\Hivemend"});
  root_ = "C:";
  drives.list() = {{'C', platform::kDriveFixed, true}};
  pump.step = 5;
  machine_ = platform::Machine{&impl_->registry, impl_->files.get(), &drives, &clock, &pump, &dialogs, &environment};
  scope_ = std::make_unique<platform::MachineScope>(machine_);
}

TestMachine::~TestMachine() {
  scope_.reset();
  std::error_code ec;
  fs::remove_all(impl_->dir, ec);
}

fs::path TestMachine::hostPath(std::string_view relative) const {
  std::string rel(relative);
  for (auto& c : rel)
    if (c == '\\') c = '/';
  return impl_->dir / "c" / rel;
}

void TestMachine::createFile(std::string_view relative, std::string_view content) {
  const fs::path p = hostPath(relative);
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << content;
}

void TestMachine::createFolder(std::string_view relative) { fs::create_directories(hostPath(relative)); }

void TestMachine::setAttributes(std::string_view relative, std::uint32_t attributes) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%x", attributes);
  if (::setxattr(hostPath(relative).c_str(), "user.DOSATTRIB", buf, std::strlen(buf), 0) != 0)
    throw std::runtime_error("setxattr failed (does the file system keep user extended attributes?)");
}

std::string TestMachine::errorLog() const {
  std::ifstream in(hostPath("windows/ErrHvmd.txt"), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

int TestMachine::errorLogEntries() const {
  const std::string log = errorLog();
  int lines = 0;
  for (std::size_t i = 0; (i = log.find("\r\n", i)) != std::string::npos; i += 2) ++lines;
  return lines / 5;
}

fs::path TestDataDir() { return HM_TEST_DATA_DIR; }

}  // namespace hm::test
