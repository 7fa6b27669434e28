#include <gtest/gtest.h>

#include "backup/BackupSetNames.h"
#include "backup/BackupSetWriter.h"
#include "backup/ZipEntryName.h"
#include "backup/ZipReader.h"
#include "common/RegistryAccess.h"
#include "diskscan/DiskScanTestSupport.h"
#include "diskscan/ShortcutScan.h"
#include "mainwindow/Repair.h"
#include "mainwindow/RepairRowCheck.h"
#include "mainwindow/ScanCommands.h"
#include "platform/Machine.h"
#include "repair/RepairTestSupport.h"
#include "shell/SettingsStore.h"
#include "support/RegistrySeed.h"
#include "support/SeededMachine.h"
#include "support/TestMachine.h"

namespace hm {
namespace {

using platform::kHkeyClassesRoot;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

const std::string kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

class RepairTest : public ::testing::Test {
 protected:
  RepairTest() { m.dialogs.defaultAnswer = platform::kIdYes; }

  void scan() { RunScan(lists, ScanKind::Quick); }
  RepairResult repair(const RepairOptions& options = {}) {
    m.dialogs.shown.clear();
    return cmdRepairCorruptFiles_Click(lists, options);
  }
  std::optional<platform::RegValue> value(std::int32_t root, const std::string& key, const std::string& name) {
    return ReadRegistryValue(root, key, name);
  }
  std::string backupFolder() { return backup::BackupFolder(); }
  bool exists(const std::string& path) { return m.machine().files->attributes(path).has_value(); }
  // Six start-up values under HKCU, each naming a program that is gone.
  void seedSixStartupValues() {
    for (char c = 'A'; c <= 'F'; ++c)
      test::SetString(kHkeyCurrentUser, kRunKey, std::string(1, c),
                      "\"" + m.path(std::string("Gone\\") + c + ".exe") + "\"");
  }
  // A shortcut whose target is missing, as a file row of the list.
  std::string addBrokenShortcut(const std::string& name) {
    const std::string target = m.path("Gone\\" + name + ".exe");
    m.createFile("Links\\" + name + ".lnk", test::ShortcutTo(target));
    const std::string link = m.path("Links\\" + name + ".lnk");
    FileTargetPath(lists.lvwErrors, link, target, "Windows Shortcuts(Drive C:)");
    return link;
  }

  test::TestMachine m;
  ScanLists lists;
};

TEST_F(RepairTest, EmptyListSaysSoWithoutAskingAndShowsTheStartPanel) {
  lists.cmdCancel.enabled = false;
  lists.picMain.visible = false;
  const RepairResult r = repair();
  ASSERT_EQ(m.dialogs.shown.size(), 1u);
  EXPECT_EQ(m.dialogs.shown[0].text, kNothingToRepairText);
  EXPECT_EQ(m.dialogs.shown[0].title, "Hivemend");
  EXPECT_EQ(m.dialogs.shown[0].flags, platform::kMbIconInformation);
  EXPECT_FALSE(r.confirmed);
  EXPECT_TRUE(lists.cmdCancel.enabled);
  EXPECT_TRUE(lists.picMain.visible);
  EXPECT_FALSE(lists.picScanning.visible);
  EXPECT_FALSE(lists.PicResults.visible);
  EXPECT_FALSE(exists(backupFolder()));
}

TEST_F(RepairTest, AnsweringNoChangesNothing) {
  seedSixStartupValues();
  scan();
  ASSERT_EQ(lists.lvwErrors.rowCount(), 6u);
  m.dialogs.answers = {platform::kIdNo};
  const RepairResult r = repair();
  ASSERT_EQ(m.dialogs.shown.size(), 1u);
  EXPECT_EQ(m.dialogs.shown[0].text,
            "Hivemend will now clean the Windows Registry and other corrupted files/entries. Do you want to proceed? ");
  EXPECT_EQ(m.dialogs.shown[0].flags, platform::kMbYesNo | platform::kMbIconQuestion);
  EXPECT_FALSE(r.confirmed);
  EXPECT_TRUE(lists.cmdRepairCorruptFiles.enabled);
  EXPECT_TRUE(value(kHkeyCurrentUser, kRunKey, "A"));
  EXPECT_FALSE(exists(backupFolder()));
}

TEST_F(RepairTest, NoRowCheckedLeavesOnlyTheHeaderAndFixesNothing) {
  seedSixStartupValues();
  scan();
  for (std::size_t i = 0; i < lists.lvwErrors.rowCount(); ++i) lists.lvwErrors.setChecked(i, false);
  const RepairResult r = repair();
  EXPECT_EQ(r.message, "Windows Registry has been cleaned.\r\n\r\nProblems found: 6\r\nProblems fixed: 0");
  EXPECT_EQ(m.dialogs.shown.back().text, r.message);
  EXPECT_EQ(r.fixed, 0u);
  // The Backup folder did not exist beside the program; repair made it.
  const auto set = test::ReadBackupSet(r.backupBaseName + ".bkp");
  ASSERT_EQ(test::SectionNames(set), std::vector<std::string>{"Backup Info"});
  EXPECT_EQ(set[0].get("Time"), "12/8/2005 3:45:12 PM");
  EXPECT_EQ(r.backupBaseName, backupFolder() + "HivemendBK56712");
  EXPECT_TRUE(value(kHkeyCurrentUser, kRunKey, "C"));
}

TEST_F(RepairTest, RecordsAreNumberedByListPositionWithGaps) {
  seedSixStartupValues();
  scan();
  ASSERT_EQ(lists.lvwErrors.rowCount(), 6u);
  for (std::size_t i = 0; i < 6; ++i) lists.lvwErrors.setChecked(i, i == 1 || i == 4);
  const std::string secondName(lists.lvwErrors.cell(1, kKeyName));
  const auto secondValue = value(kHkeyCurrentUser, kRunKey, secondName);
  ASSERT_TRUE(secondValue);
  const RepairResult r = repair();
  EXPECT_EQ(r.fixed, 2u);
  EXPECT_EQ(r.skipped, 0u);
  EXPECT_EQ(r.message, "Windows Registry has been cleaned.\r\n\r\nProblems found: 6\r\nProblems fixed: 2");
  const auto set = test::ReadBackupSet(r.backupBaseName + ".bkp");
  ASSERT_EQ(test::SectionNames(set), (std::vector<std::string>{"Backup Info", "Restore: 2", "Restore: 5"}));
  const test::BackupRecord& record = set[1];
  std::vector<std::string> keys;
  for (const auto& [k, v] : record.keys) keys.push_back(k);
  EXPECT_EQ(keys, (std::vector<std::string>{"MainKey", "KeyName", "KeyValue", "Section", "FullKeyPath", "MainKeyName",
                                            "ValueType", "ValueData", "Complete"}));
  EXPECT_EQ(record.get("MainKey"), "-2147483647");
  EXPECT_EQ(record.get("KeyName"), secondName);
  EXPECT_EQ(record.get("Section"), "Windows Startup");
  EXPECT_EQ(record.get("FullKeyPath"), kRunKey);
  EXPECT_EQ(record.get("MainKeyName"), "HKEY_CURRENT_USER");
  EXPECT_EQ(record.get("ValueType"), "1");
  EXPECT_EQ(record.get("ValueData"), backup::HexBytes(secondValue->data));
  for (std::size_t i = 0; i < 6; ++i) {
    const bool present = value(kHkeyCurrentUser, kRunKey, std::string(lists.lvwErrors.cell(i, kKeyName))).has_value();
    EXPECT_EQ(present, !(i == 1 || i == 4)) << "row " << i + 1;
  }
  // The list keeps every row; the panels and counters end as the window expects.
  EXPECT_EQ(lists.lvwErrors.rowCount(), 6u);
  EXPECT_EQ(lists.pgbDeletingErrors.maximum, 7);
  EXPECT_FALSE(lists.pgbDeletingErrors.visible);
  EXPECT_FALSE(lists.lblStatusOfActionTaken.visible);
  EXPECT_EQ(lists.lblStatusOfActionTaken.caption(), "Fixing the bugs...");
  EXPECT_FALSE(lists.cmdRepairCorruptFiles.enabled);
  EXPECT_TRUE(lists.picMain.visible);
  EXPECT_FALSE(lists.PicResults.visible);
  EXPECT_FALSE(lists.lvwResultProgress.visible);
  for (const auto& row : lists.lvwRegistryvaluesScan.rows()) EXPECT_EQ(row.cells[kSectionStatus], "");
}

TEST_F(RepairTest, DefaultRowsAreEmptiedNotDeleted) {
  test::SetString(kHkeyLocalMachine, kAppPaths + "\\gone.exe", "", m.path("Gone\\gone.exe"));
  test::CreateEmptyKey(kHkeyClassesRoot, "TypeLib\\{0000000A-BAD}\\1.0\\HELPDIR");
  scan();
  ASSERT_EQ(lists.lvwErrors.rowCount(), 2u);
  const RepairResult r = repair();
  EXPECT_EQ(r.fixed, 2u);
  for (const auto& [root, key] : {std::pair{kHkeyLocalMachine, kAppPaths + "\\gone.exe"},
                                  std::pair{kHkeyClassesRoot, std::string("TypeLib\\{0000000A-BAD}\\1.0\\HELPDIR")}}) {
    const auto now = value(root, key, "");
    ASSERT_TRUE(now) << key;
    EXPECT_EQ(now->type, platform::kRegSz);
    EXPECT_EQ(StringFromRegData(now->data), "");
  }
  const auto set = test::ReadBackupSet(r.backupBaseName + ".bkp");
  ASSERT_EQ(set.size(), 3u);
  for (const auto& record : set) {
    if (record.name == "Backup Info") continue;
    EXPECT_EQ(record.get("KeyName"), "(Default)");
    // The path's default existed and is kept; the empty key had none, so none is recorded.
    EXPECT_EQ(record.has("ValueType"), record.get("Section") == "Application Paths") << record.name;
  }
}

TEST_F(RepairTest, FileRowsAreArchivedThenDeletedAndAGoneFileStillGetsItsRecord) {
  const std::string link = addBrokenShortcut("tool");
  const std::string linkBytes = *m.machine().files->readFile(link);
  FileTargetPath(lists.lvwErrors, m.path("Links\\vanished.lnk"), m.path("Gone\\v.exe"), "Windows Shortcuts(Drive C:)");
  const RepairResult r = repair();
  EXPECT_FALSE(exists(link));
  EXPECT_EQ(r.fixed, 1u);
  ASSERT_EQ(r.rows.size(), 2u);
  EXPECT_EQ(r.rows[1].outcome, RowOutcome::AlreadyGone);
  const auto set = test::ReadBackupSet(r.backupBaseName + ".bkp");
  ASSERT_EQ(test::SectionNames(set), (std::vector<std::string>{"Backup Info", "Restore: 1", "Restore: 2"}));
  EXPECT_EQ(set[1].get("FullKeyPath"), link);
  EXPECT_FALSE(set[1].has("ValueType"));
  backup::ZipReader zip;
  ASSERT_TRUE(zip.openFile(r.backupBaseName + ".zip").ok());
  ASSERT_EQ(zip.entries().size(), 1u);
  std::string stored;
  ASSERT_TRUE(zip.extract(*backup::zipEntryNameForPath(link), stored).ok());
  EXPECT_EQ(stored, linkBytes);
}

TEST_F(RepairTest, WithTheBackupOffFilesGoAtOnceAndNoSetIsWritten) {
  ASSERT_TRUE(SaveSetting("Hivemend", "Options", "chkTakeBackup", "False"));
  const std::string link = addBrokenShortcut("tool");
  const RepairResult r = repair();
  EXPECT_FALSE(exists(link));
  EXPECT_EQ(r.fixed, 1u);
  EXPECT_FALSE(r.backupOn);
  EXPECT_EQ(r.backupBaseName, "");
  EXPECT_FALSE(exists(backupFolder()));
}

TEST_F(RepairTest, TheCommandLineCanTurnTheBackupOffWithoutTouchingTheSetting) {
  const std::string link = addBrokenShortcut("tool");
  RepairOptions options;
  options.takeBackup = false;
  repair(options);
  EXPECT_FALSE(exists(link));
  EXPECT_FALSE(exists(backupFolder()));
  EXPECT_EQ(GetSetting("Hivemend", "Options", "chkTakeBackup", "unset"), "unset");
}

TEST_F(RepairTest, AnUnwritableBackupStopsTheRepairBeforeAnythingIsDeleted) {
  seedSixStartupValues();
  scan();
  const std::string link = addBrokenShortcut("tool");
  test::FailingBackupFiles failing(*m.machine().files);
  m.machine().files = &failing;
  const RepairResult r = repair();
  EXPECT_TRUE(r.backupFailed);
  EXPECT_EQ(r.fixed, 0u);
  EXPECT_EQ(r.skipped, 7u);
  for (char c = 'A'; c <= 'F'; ++c) EXPECT_TRUE(value(kHkeyCurrentUser, kRunKey, std::string(1, c)));
  EXPECT_TRUE(exists(link));
  ASSERT_GE(m.dialogs.shown.size(), 3u);
  EXPECT_NE(m.dialogs.shown[1].text.find("stopped before removing anything more"), std::string::npos);
  EXPECT_EQ(m.dialogs.shown[1].flags, platform::kMbIconExclamation);
  EXPECT_EQ(m.dialogs.shown.back().text,
            "Windows Registry has been cleaned.\r\n\r\nProblems found: 7\r\nProblems fixed: 0");
}

TEST_F(RepairTest, AFullDiskStopsTheRepairAtTheFirstRecordThatCannotBeWritten) {
  seedSixStartupValues();
  scan();
  ASSERT_EQ(lists.lvwErrors.rowCount(), 6u);
  test::FailingBackupFiles failing(*m.machine().files);
  failing.refuseFolder = false;
  failing.writesAllowed = 1 + 2;  // the header and two records, one write each; the third fails
  m.machine().files = &failing;
  const RepairResult r = repair();
  EXPECT_TRUE(r.backupFailed);
  EXPECT_EQ(r.fixed, 2u);
  EXPECT_EQ(m.dialogs.shown.back().text,
            "Windows Registry has been cleaned.\r\n\r\nProblems found: 6\r\nProblems fixed: 2");
  for (std::size_t i = 0; i < 6; ++i) {
    const bool present = value(kHkeyCurrentUser, kRunKey, std::string(lists.lvwErrors.cell(i, kKeyName))).has_value();
    EXPECT_EQ(present, i >= 2) << "row " << i + 1;
  }
}

TEST_F(RepairTest, AnArchiveThatCannotBeWrittenKeepsTheFile) {
  const std::string link = addBrokenShortcut("tool");
  test::FailingBackupFiles failing(*m.machine().files);
  failing.refuseFolder = false;
  failing.writesAllowed = 1 + 1;  // the header and the record; the archive fails
  m.machine().files = &failing;
  const RepairResult r = repair();
  EXPECT_TRUE(r.backupFailed);
  EXPECT_TRUE(exists(link));
  EXPECT_EQ(r.fixed, 0u);
}

TEST_F(RepairTest, AValueChangedSinceTheScanIsLeftAloneAndNotCounted) {
  seedSixStartupValues();
  scan();
  // B now names another missing program, C a program that exists, D is gone.
  test::SetString(kHkeyCurrentUser, kRunKey, "B", "\"" + m.path("Gone\\other.exe") + "\"");
  m.createFile("Apps\\c.exe");
  test::SetString(kHkeyCurrentUser, kRunKey, "C", "\"" + m.path("Apps\\c.exe") + "\"");
  DeleteValue(kHkeyCurrentUser, kRunKey, "D");
  const RepairResult r = repair();
  EXPECT_EQ(r.fixed, 3u);
  EXPECT_EQ(r.skipped, 3u);
  EXPECT_EQ(m.dialogs.shown.back().text,
            "Windows Registry has been cleaned.\r\n\r\nProblems found: 6\r\nProblems fixed: 3");
  EXPECT_TRUE(value(kHkeyCurrentUser, kRunKey, "B"));
  EXPECT_TRUE(value(kHkeyCurrentUser, kRunKey, "C"));
  std::map<std::string, RowOutcome> outcome;
  for (const auto& row : r.rows) outcome[row.entry.KeyName] = row.outcome;
  EXPECT_EQ(outcome["B"], RowOutcome::Changed);
  EXPECT_EQ(outcome["C"], RowOutcome::Changed);
  EXPECT_EQ(outcome["D"], RowOutcome::AlreadyGone);
  EXPECT_EQ(outcome["E"], RowOutcome::Fixed);
  // Only what was removed is in the set: a restore must not overwrite B or C.
  const auto set = test::ReadBackupSet(r.backupBaseName + ".bkp");
  std::vector<std::string> names;
  for (const auto& record : set)
    if (record.name != "Backup Info") names.push_back(record.get("KeyName"));
  EXPECT_EQ(names, (std::vector<std::string>{"A", "E", "F"}));
}

TEST_F(RepairTest, ATargetThatCameBackIsLeftAlone) {
  test::SetString(kHkeyLocalMachine, kAppPaths + "\\back.exe", "", m.path("Back\\back.exe"));
  scan();
  const std::string link = addBrokenShortcut("back");
  m.createFile("Back\\back.exe");
  m.createFile("Gone\\back.exe");
  const RepairResult r = repair();
  EXPECT_EQ(r.fixed, 0u);
  EXPECT_EQ(r.skipped, 2u);
  EXPECT_TRUE(exists(link));
  const auto now = value(kHkeyLocalMachine, kAppPaths + "\\back.exe", "");
  ASSERT_TRUE(now);
  EXPECT_EQ(StringFromRegData(now->data), m.path("Back\\back.exe"));
}

TEST_F(RepairTest, AnAdvertisedOrRewrittenShortcutIsLeftAlone) {
  const std::string link = addBrokenShortcut("tool");
  m.createFile("Links\\tool.lnk", test::ShortcutTo(m.path("Gone\\tool.exe"), /*advertised=*/true));
  const std::string other = addBrokenShortcut("other");
  m.createFile("Links\\other.lnk", test::ShortcutTo(m.path("Gone\\elsewhere.exe")));
  const RepairResult r = repair();
  EXPECT_EQ(r.fixed, 0u);
  EXPECT_TRUE(exists(link));
  EXPECT_TRUE(exists(other));
}

TEST_F(RepairTest, TwoRepairsInTheSameSecondGetTwoSets) {
  addBrokenShortcut("one");
  const RepairResult first = repair();
  lists.lvwErrors.clear();
  addBrokenShortcut("two");
  const RepairResult second = repair();
  EXPECT_EQ(first.backupBaseName, backupFolder() + "HivemendBK56712");
  EXPECT_EQ(second.backupBaseName, backupFolder() + "HivemendBK56712 (2)");
  const auto firstSet = test::ReadBackupSet(first.backupBaseName + ".bkp");
  const auto secondSet = test::ReadBackupSet(second.backupBaseName + ".bkp");
  ASSERT_EQ(firstSet.size(), 2u);
  ASSERT_EQ(secondSet.size(), 2u);
  EXPECT_NE(firstSet[1].get("FullKeyPath"), secondSet[1].get("FullKeyPath"));
  backup::ZipReader zip;
  ASSERT_TRUE(zip.openFile(first.backupBaseName + ".zip").ok());
  EXPECT_EQ(zip.entries().size(), 1u);
}

TEST_F(RepairTest, EverySectionOfASeededMachineIsRepaired) {
  test::SeedOneBrokenEntryPerSection(m);
  scan();
  const std::size_t found = lists.lvwErrors.rowCount();
  ASSERT_GE(found, 10u);
  const RepairResult r = repair();
  // A value reached through two overlapping roots is listed twice; the second row finds it repaired already.
  std::size_t alreadyGone = 0;
  for (const auto& row : r.rows) {
    alreadyGone += row.outcome == RowOutcome::AlreadyGone;
    EXPECT_TRUE(row.outcome == RowOutcome::Fixed || row.outcome == RowOutcome::AlreadyGone) << row.number;
  }
  EXPECT_LE(alreadyGone, 1u);
  EXPECT_EQ(r.fixed, found - alreadyGone);
  ScanLists again;
  RunScan(again, ScanKind::Quick);
  EXPECT_EQ(again.lvwErrors.rowCount(), 0u);
}

TEST_F(RepairTest, OneValueSeenThroughTwoRootsIsFixedByItsFirstRow) {
  test::SeedOneBrokenEntryPerSection(m);
  scan();
  const RepairResult r = repair();
  EXPECT_EQ(r.skipped, 0u);
  EXPECT_EQ(r.fixed, lists.lvwErrors.rowCount());
  std::size_t secondSightings = 0;
  for (const auto& row : r.rows) {
    if (row.removedWithRow == 0) continue;
    ++secondSightings;
    ASSERT_LT(row.removedWithRow, row.number);
    const ProblemEntry& first = r.rows[row.removedWithRow - 1].entry;
    EXPECT_EQ(first.KeyName, row.entry.KeyName);
    EXPECT_NE(first.MainKey, row.entry.MainKey);
  }
  EXPECT_GE(secondSightings, 1u);  // the COM server below HKEY_CLASSES_ROOT and SOFTWARE\Classes
}

TEST_F(RepairTest, SuccessComesOnlyAfterTheSaveAndAFailedSaveIsUndone) {
  seedSixStartupValues();
  scan();
  const std::string link = addBrokenShortcut("tool");
  const std::string linkBytes = *m.machine().files->readFile(link);
  std::size_t shownAtSave = 0;
  RepairOptions options;
  options.saveChanges = [&](std::string& why) {
    shownAtSave = m.dialogs.shown.size();
    why = "a wineserver is running";
    return false;
  };
  const RepairResult r = repair(options);
  EXPECT_EQ(shownAtSave, 1u);  // the confirmation only
  ASSERT_EQ(m.dialogs.shown.size(), 2u);
  EXPECT_EQ(m.dialogs.shown[1].text,
            "The registry changes could not be saved, so nothing was changed.\r\n\r\na wineserver is running");
  EXPECT_TRUE(r.saveFailed);
  EXPECT_EQ(r.fixed, 0u);
  for (const auto& row : r.rows) EXPECT_EQ(row.outcome, RowOutcome::NotSaved) << row.number;
  EXPECT_EQ(m.machine().files->readFile(link), linkBytes);

  // Without a backup the deleted file cannot come back, and the message says so.
  lists.lvwErrors.clear();
  addBrokenShortcut("other");
  options.takeBackup = false;
  const RepairResult unprotected = repair(options);
  EXPECT_EQ(unprotected.filesNotPutBack, std::vector<std::string>{m.path("Links\\other.lnk")});
  EXPECT_NE(unprotected.message.find("could not be put back:\r\n" + m.path("Links\\other.lnk")), std::string::npos);

  lists.lvwErrors.clear();
  addBrokenShortcut("third");
  options.takeBackup = true;
  options.saveChanges = [&](std::string&) {
    shownAtSave = m.dialogs.shown.size();
    return true;
  };
  const RepairResult saved = repair(options);
  EXPECT_EQ(shownAtSave, 1u);
  EXPECT_EQ(saved.message, "Windows Registry has been cleaned.\r\n\r\nProblems found: 1\r\nProblems fixed: 1");
  EXPECT_FALSE(exists(m.path("Links\\third.lnk")));
}

}  // namespace
}  // namespace hm
