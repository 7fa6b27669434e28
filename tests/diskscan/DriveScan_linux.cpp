// Whole-drive searches: on Linux the scratch tree is drive C: itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/DoEvents.h"
#include "common/Globals.h"
#include "diskscan/DiskScanTestSupport.h"
#include "diskscan/DriveInventory.h"
#include "diskscan/ShortcutScan.h"
#include "scan/Sections.h"
#include "support/TestMachine.h"

namespace hm {
namespace {

namespace fs = std::filesystem;

class DriveScan : public ::testing::Test {
 protected:
  void SetUp() override {
    CancelScan = false;
    DoEventsNow();
    m.createFile("Links\\broken.lnk", test::ShortcutTo("C:\\Gone\\app.exe"));
    LoadRegistryValues(lists.lvwRegistryvaluesScan, true);
  }
  void TearDown() override { CancelScan = false; }

  std::size_t scanDrive(std::string_view section) {
    lists.lvwErrors.clear();
    GetAllHardDrives(lists, section);
    return lists.lvwErrors.rowCount();
  }

  test::TestMachine m;
  ScanLists lists;
};

TEST_F(DriveScan, ACheckedRowOfAFixedReadyDriveGetsItsDriveSearched) {
  ASSERT_EQ(scanDrive("Windows Shortcuts(Drive C:)"), 1u);
  EXPECT_EQ(lists.lvwErrors.cell(0, kFullKeyPath), "C:\\Links\\broken.lnk");
  EXPECT_EQ(lists.lvwErrors.cell(0, kSection), "Windows Shortcuts(Drive C:)");
  EXPECT_EQ(GetAllHardDrives(lists, "Windows Shortcuts(Drive C:)"), "");
}

TEST_F(DriveScan, NoSearchUnlessTheRowIsCheckedTheDriveReadyFixedAndNamed) {
  lists.lvwRegistryvaluesScan.setChecked(13, false);
  EXPECT_EQ(scanDrive("Windows Shortcuts(Drive C:)"), 0u) << "unchecked row";
  lists.lvwRegistryvaluesScan.setChecked(13, true);

  m.drives.list() = {{'C', platform::kDriveFixed, false}};
  EXPECT_EQ(scanDrive("Windows Shortcuts(Drive C:)"), 0u) << "drive not ready";

  m.drives.list() = {{'C', platform::kDriveRemovable, true}};
  EXPECT_EQ(scanDrive("Windows Shortcuts(Drive C:)"), 0u) << "removable drive";

  m.drives.list() = {{'C', platform::kDriveFixed, true}, {'D', platform::kDriveFixed, true}};
  EXPECT_EQ(scanDrive("Windows Shortcuts(Drive D:)"), 0u) << "no row names D:";
  EXPECT_EQ(scanDrive("Windows Shortcuts(Drive c:)"), 0u) << "the letter is matched exactly";
  EXPECT_EQ(scanDrive("Windows Shortcuts(Drive C:) "), 0u) << "the section name is matched exactly";

  CancelScan = true;
  EXPECT_EQ(scanDrive("Windows Shortcuts(Drive C:)"), 0u) << "cancelled";
  CancelScan = false;
  EXPECT_EQ(scanDrive("Windows Shortcuts(Drive C:)"), 1u);
}

TEST_F(DriveScan, ADriveWhoseVolumeCannotBeReadIsNotSearched) {
  ScanDrive(lists, "C:\\", "Windows Shortcuts(Drive C:)");
  EXPECT_EQ(lists.lvwErrors.rowCount(), 1u);
  m.drives.list() = {{'C', platform::kDriveFixed, false}};
  lists.lvwErrors.clear();
  ScanDrive(lists, "C:\\", "Windows Shortcuts(Drive C:)");
  EXPECT_EQ(lists.lvwErrors.rowCount(), 0u);
}

TEST_F(DriveScan, SymbolicLinksToFoldersAreNeverFollowed) {
  // A loop back to the drive root and a link out into the host's home.
  fs::create_directory_symlink(m.hostPath(""), m.hostPath("Links/loop"));
  const fs::path outside = m.hostPath("../outside");
  fs::create_directories(outside);
  std::ofstream(outside / "elsewhere.lnk", std::ios::binary) << test::ShortcutTo("C:\\Gone\\x.exe");
  fs::create_directory_symlink(outside, m.hostPath("Desktop"));

  ASSERT_EQ(scanDrive("Windows Shortcuts(Drive C:)"), 1u);
  EXPECT_EQ(lists.lvwErrors.cell(0, kFullKeyPath), "C:\\Links\\broken.lnk");
}

TEST_F(DriveScan, AFolderThatVanishesBeforeItIsListedIsSkipped) {
  // Root may list any folder, so a folder that disappears between the
  // listing of its parent and its own stands in for one that cannot be read.
  m.createFile("A\\first.lnk", test::ShortcutTo("C:\\Gone\\a.exe"));
  m.createFile("B\\second.lnk", test::ShortcutTo("C:\\Gone\\b.exe"));
  m.pump.onPump = [&] {
    if (lists.lblRegistryFilesScan.caption().empty()) fs::remove_all(m.hostPath("A"));
  };
  ASSERT_EQ(scanDrive("Windows Shortcuts(Drive C:)"), 2u);
  EXPECT_EQ(lists.lvwErrors.cell(0, kFullKeyPath), "C:\\B\\second.lnk");
  EXPECT_EQ(lists.lvwErrors.cell(1, kFullKeyPath), "C:\\Links\\broken.lnk");
  EXPECT_EQ(m.errorLogEntries(), 0);
}

}  // namespace
}  // namespace hm
