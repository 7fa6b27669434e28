// The keep list lives in the prefix's user.reg: kept in one run, read back
// by the next.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "mainwindow/ScanCommands.h"
#include "platform/OpenMachine.h"
#include "scan/KeepList.h"

namespace hm {
namespace {

namespace fs = std::filesystem;

struct DemoPrefix {
  fs::path path;
  DemoPrefix() {
    std::string t = (fs::temp_directory_path() / "hm-keep-XXXXXX").string();
    path = ::mkdtemp(t.data());
    fs::copy(fs::path(HM_SOURCE_DIR) / "demo" / "prefix", path, fs::copy_options::recursive);
    fs::create_directories(path / "dosdevices");
    fs::create_directory_symlink("../drive_c", path / "dosdevices" / "c:");
  }
  ~DemoPrefix() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

// One run of the program: opens the prefix, scans, and hands the lists to `then`.
template <class F>
void RunProgram(const DemoPrefix& prefix, bool writable, F then) {
  std::string error;
  auto opened = platform::OpenMachine(platform::MachineOptions{prefix.path.string(), writable}, error);
  ASSERT_NE(opened, nullptr) << error;
  platform::MachineScope scope(opened->machine());
  ScanLists lists;
  RunScan(lists, ScanKind::Deep);
  then(lists);
  if (writable) {
    ASSERT_TRUE(opened->save(error)) << error;
  }
}

TEST(KeepRestart, KeptEntriesAreStoredInUserRegAndReadBackByTheNextRun) {
  const DemoPrefix prefix;
  std::size_t found = 0;
  std::string id;
  RunProgram(prefix, true, [&](ScanLists& lists) {
    found = lists.lvwErrors.rowCount();
    ASSERT_GE(found, 2u);
    const ProblemEntry shortcut = ProblemAt(lists.lvwErrors, found - 1);
    ASSERT_TRUE(shortcut.MainKeyName.empty());  // a shortcut, kept by its file path
    id = KeepProblem(ProblemAt(lists.lvwErrors, 0));
    ASSERT_FALSE(KeepProblem(shortcut).empty());
  });
  ASSERT_FALSE(id.empty());

  RunProgram(prefix, false, [&](ScanLists& lists) {
    EXPECT_EQ(lists.lvwErrors.rowCount(), found - 2);
    EXPECT_EQ(lists.keptNotShown, 2u);
  });
}

}  // namespace
}  // namespace hm
