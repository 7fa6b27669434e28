// What comes back with a restored shortcut beyond its bytes (its time and
// attributes), and where restore refuses to write at all.
#include <gtest/gtest.h>

#include <filesystem>

#include "backup/ZipEntryName.h"
#include "backup/ZipReader.h"
#include "backup/ZipWriter.h"
#include "diskscan/DiskScanTestSupport.h"
#include "diskscan/ShortcutScan.h"
#include "mainwindow/Repair.h"
#include "platform/host/HostFileSystem.h"
#include "restore/RestoreTestSupport.h"

namespace hm::test {
namespace {

namespace fs = std::filesystem;

using RestoreFiles = RestoreFixture;

TEST_F(RestoreFiles, AShortcutGetsBackItsTimeAndAttributes) {
  const std::string link = m.path("Links\\tool.lnk");
  m.createFile("Links\\tool.lnk", ShortcutTo(m.path("Gone\\tool.exe")));
  auto& files = *m.machine().files;
  constexpr std::uint64_t kTime = 127'785'303'121'234'567;  // 2005-12-08 15:45:12.1234567 UTC
  ASSERT_TRUE(files.setModifiedTime(link, kTime));
  ASSERT_TRUE(files.setAttributes(link, platform::kAttrHidden | platform::kAttrReadOnly | platform::kAttrArchive));
  FileTargetPath(lists.lvwErrors, link, m.path("Gone\\tool.exe"), "Windows Shortcuts(Drive C:)");
  m.dialogs.defaultAnswer = platform::kIdYes;
  const RepairResult repaired = cmdRepairCorruptFiles_Click(lists);
  ASSERT_EQ(repaired.fixed, 1u);
  ASSERT_FALSE(files.attributes(link));
  backup::ZipReader zip;
  ASSERT_TRUE(zip.openFile(repaired.backupBaseName + ".zip").ok());
  const auto& entry = zip.entries().at(0);
  EXPECT_EQ(entry.modified.date, ((2005 - 1980) << 9) | (12 << 5) | 8);
  EXPECT_EQ(entry.modified.time, (15 << 11) | (45 << 5) | 6);

  session.showChooser = [](backup::frmRestore& chooser) { chooser.cmdOK_Click(); };
  ASSERT_TRUE(backup::cmdRestore_Click(lists, session));
  EXPECT_EQ(backup::cmdRestoreNow_Click(lists, session).failed, 0u) << m.errorLog();
  EXPECT_EQ(files.modifiedTime(link), kTime);
  EXPECT_EQ(*files.attributes(link) & 0x27u, platform::kAttrHidden | platform::kAttrReadOnly | platform::kAttrArchive);
}

// Z: is the host's root in a Wine prefix and D: maps a host folder outside
// it; both are network drives to a deep scan, and restore writes on neither.
TEST_F(RestoreFiles, NothingIsWrittenOffTheSearchedDrives) {
  const fs::path outside = m.hostPath("x").parent_path().parent_path() / "outside";
  fs::create_directories(outside);
  platform::HostFileSystem files(
      {{'C', m.hostPath("x").parent_path()}, {'D', outside}, {'Z', outside}},
      {"C:\\windows", "C:\\windows\\system32", "C:\\windows\\temp", "C:\\Program Files\\Hivemend"});
  platform::Machine mapped = m.machine();
  mapped.files = &files;
  platform::MachineScope scope(mapped);
  m.drives.list() = {
      {'C', platform::kDriveFixed, true}, {'D', platform::kDriveNetwork, true}, {'Z', platform::kDriveNetwork, true}};

  const std::vector<std::string> paths = {"Z:\\user.reg", "D:\\evil.lnk", "Y:\\nodrive.lnk", m.path("fine.lnk")};
  backup::ZipWriter zip;
  std::vector<SetRecord> records;
  for (const std::string& path : paths) {
    ASSERT_TRUE(zip.addBytes(path, "restored", {}).ok());
    records.push_back(FileRecordOf(static_cast<int>(records.size()) + 1, path));
  }
  const std::string set = writeSet("HivemendBK1.bkp", SetText("1/1/2020 1:00:00 AM", records));
  ASSERT_TRUE(zip.writeTo(backup::ArchivePathFor(set)).ok());
  ASSERT_TRUE(load("HivemendBK1.bkp"));
  EXPECT_EQ(backup::cmdRestoreNow_Click(lists, session).failed, 3u);
  EXPECT_TRUE(fs::is_empty(outside));
  EXPECT_EQ(files.readFile(m.path("fine.lnk")), "restored");
  EXPECT_NE(m.errorLog().find("\"Z:\\user.reg\" is not restored: it is not on a fixed drive of this machine"),
            std::string::npos);
}

}  // namespace
}  // namespace hm::test
