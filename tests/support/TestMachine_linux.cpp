#include <stdlib.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "platform/host/HostFileSystem.h"
#include "platform/memory/MemoryRegistry.h"
#include "support/TestMachine.h"

namespace hm::test {
namespace fs = std::filesystem;

struct TestMachine::Impl {
  fs::path dir;
  platform::RegistryKey localMachine{"", nullptr, false};
  platform::RegistryKey currentUser{"", nullptr, false};
  platform::MemoryRegistry registry{localMachine, currentUser};
  std::unique_ptr<platform::HostFileSystem> files;
};

TestMachine::TestMachine() : impl_(std::make_unique<Impl>()) {
  std::string tmpl = (fs::temp_directory_path() / "hm-test-XXXXXX").string();
  if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  impl_->dir = tmpl;
  fs::create_directories(impl_->dir / "c" / "windows" / "system32");
  impl_->files = std::make_unique<platform::HostFileSystem>(
      std::map<char, fs::path>{{'C', impl_->dir / "c"}, {'E', impl_->dir / "unmounted"}},
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

bool TestMachine::denyReading(std::string_view relative) {
  const fs::path p = hostPath(relative);
  fs::permissions(p, fs::perms::none);
  // Root (or a process with CAP_DAC_OVERRIDE) reads whatever the bits say.
  if (::access(p.c_str(), R_OK) == 0) {
    allowReading(relative);
    return false;
  }
  return true;
}

void TestMachine::allowReading(std::string_view relative) { fs::permissions(hostPath(relative), fs::perms::owner_all); }

std::string TestMachine::unreadyDriveRoot() const { return "E:\\"; }

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
