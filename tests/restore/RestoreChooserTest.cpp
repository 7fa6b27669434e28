// The backup chooser: which files it lists, in what order, with what dates,
// and what its buttons do.
#include <gtest/gtest.h>

#include "backup/BackupSetTime.h"
#include "restore/RestoreTestSupport.h"

namespace hm::test {
namespace {

using backup::frmRestore;

TEST(RestoreChooserTime, ReadsTheWrittenFormAndRefusesAnythingElse) {
  const auto t = backup::ParseBackupTime("12/8/2005 3:45:12 PM");
  ASSERT_TRUE(t);
  EXPECT_EQ(backup::FormatChooserDate(*t), "Dec 08, 2005 at 03:45:12 PM");
  EXPECT_EQ(backup::FormatChooserSortKey(*t), "20051208154512");
  const auto midnight = backup::ParseBackupTime("1/31/2024");
  ASSERT_TRUE(midnight);
  EXPECT_EQ(backup::FormatChooserDate(*midnight), "Jan 31, 2024 at 12:00:00 AM");
  EXPECT_EQ(backup::FormatChooserSortKey(*backup::ParseBackupTime("2/29/2024 12:00:01 AM")), "20240229000001");
  EXPECT_EQ(backup::FormatChooserSortKey(*backup::ParseBackupTime("2/29/2024 12:00:01 PM")), "20240229120001");
  for (const char* bad : {"", "yesterday", "2/30/2024", "13/1/2024", "12/8/2005 13:00:00 PM", "12/8/2005 3:61:00 PM",
                          "12/8/2005 3:45:12 XM", "12/8/2005 0:45:12 AM", "12/8"})
    EXPECT_FALSE(backup::ParseBackupTime(bad)) << bad;
}

using RestoreChooser = RestoreFixture;

TEST_F(RestoreChooser, EmptyOrMissingFolderSaysBackupNotFound) {
  frmRestore chooser;
  chooser.Form_Load();  // no Backup folder at all
  EXPECT_EQ(chooser.lvwBackups.rowCount(), 0u);
  m.createFolder(kBackupRelative);
  chooser.Form_Load();
  EXPECT_EQ(chooser.lvwBackups.rowCount(), 0u);
  chooser.cmdOK_Click();
  chooser.cmdDeleteBackup_Click();
  EXPECT_EQ(shownTexts(), (std::vector<std::string>{"Backup not found on your PC.", "Backup not found on your PC."}));
  EXPECT_EQ(m.dialogs.shown[0].title, "Hivemend");
  EXPECT_FALSE(chooser.closed);
  EXPECT_EQ(backup::SelectedBackupFile, "");
}

TEST_F(RestoreChooser, ListsSetsByNameOldestFirstAndSelectsTheNewest) {
  writeSet("HivemendBK100.5.bkp", SetText("12/8/2005 3:45:12 PM", {}));
  writeSet("HivemendBK200.bkp", SetText("1/2/2004 9:05:00 AM", {}));
  writeSet("hivemendbk300.BKP", SetText("3/4/2010", {}));
  writeSet("HivemendBK400.bkp", SetText("not a date", {}));  // listed first, without a date
  writeSet("HivemendBK500.zip", "zip");
  writeSet("Other.bkp", SetText("1/1/2001 1:00:00 AM", {}));
  m.createFolder(std::string(kBackupRelative) + "HivemendBK600.bkp");  // a folder is not a set

  frmRestore chooser;
  chooser.Form_Load();
  EXPECT_EQ(chooser.form.caption.get(), "Restore");
  EXPECT_EQ(chooser.lblSelect.caption(), "Select the backup file to restore the data:");
  EXPECT_EQ(chooser.lvwBackups.headers(),
            (std::vector<std::string>{"Backup Name", "Date & Time", "Backup Path", "DT"}));
  ASSERT_EQ(chooser.lvwBackups.rowCount(), 4u);
  std::vector<std::vector<std::string>> rows;
  for (const auto& r : chooser.lvwBackups.rows()) rows.push_back(r.cells.strings());
  const std::string folder = backup::BackupFolder();
  EXPECT_EQ(rows[0], (std::vector<std::string>{"HivemendBK400.bkp", "", folder + "HivemendBK400.bkp", ""}));
  EXPECT_EQ(rows[1], (std::vector<std::string>{"HivemendBK200.bkp", "Jan 02, 2004 at 09:05:00 AM",
                                               folder + "HivemendBK200.bkp", "20040102090500"}));
  EXPECT_EQ(rows[2][0], "HivemendBK100.5.bkp");
  EXPECT_EQ(rows[3], (std::vector<std::string>{"hivemendbk300.BKP", "Mar 04, 2010 at 12:00:00 AM",
                                               folder + "hivemendbk300.BKP", "20100304000000"}));
  EXPECT_TRUE(chooser.lvwBackups.row(3).selected);

  chooser.lvwBackups.select(1);
  chooser.cmdOK_Click();
  EXPECT_TRUE(chooser.closed);
  EXPECT_EQ(backup::SelectedBackupFile, folder + "HivemendBK200.bkp");
  chooser.Form_Load();  // opening again forgets the last choice
  EXPECT_EQ(backup::SelectedBackupFile, "");
  chooser.cmdCancel_Click();
  EXPECT_TRUE(chooser.closed);
  EXPECT_EQ(backup::SelectedBackupFile, "");
}

TEST_F(RestoreChooser, DeletingAskesFirstAndRemovesTheSetButACapitalBkpLeavesItsArchive) {
  writeSet("HivemendBK1.BKP", SetText("1/1/2020 1:00:00 AM", {}));
  writeSet("HivemendBK1.zip", "archive");
  writeSet("HivemendBK2.bkp", SetText("1/1/2021 1:00:00 AM", {}));
  writeSet("HivemendBK2.zip", "archive");
  frmRestore chooser;
  chooser.Form_Load();
  ASSERT_EQ(chooser.lvwBackups.rowCount(), 2u);

  m.dialogs.answers = {platform::kIdNo};
  chooser.cmdDeleteBackup_Click();
  EXPECT_EQ(chooser.lvwBackups.rowCount(), 2u);
  EXPECT_TRUE(std::filesystem::exists(m.hostPath(std::string(kBackupRelative) + "HivemendBK2.bkp")));

  m.dialogs.answers = {platform::kIdYes};
  chooser.cmdDeleteBackup_Click();  // the newest, selected on opening
  ASSERT_EQ(chooser.lvwBackups.rowCount(), 1u);
  EXPECT_FALSE(std::filesystem::exists(m.hostPath(std::string(kBackupRelative) + "HivemendBK2.bkp")));
  EXPECT_FALSE(std::filesystem::exists(m.hostPath(std::string(kBackupRelative) + "HivemendBK2.zip")));
  EXPECT_EQ(m.dialogs.shown.back().text,
            "This action will delete the selected backup file from your PC permanently. Are you sure?");
  EXPECT_EQ(m.dialogs.shown.back().flags, platform::kMbYesNo | platform::kMbIconQuestion);

  // Nothing is selected after a deletion: neither button guesses.
  const std::size_t shownBefore = m.dialogs.shown.size();
  chooser.cmdOK_Click();
  chooser.cmdDeleteBackup_Click();
  ASSERT_EQ(m.dialogs.shown.size(), shownBefore + 2);
  EXPECT_EQ(m.dialogs.shown.back().text, backup::kSelectBackupFirst);
  EXPECT_FALSE(chooser.closed);
  EXPECT_EQ(chooser.lvwBackups.rowCount(), 1u);

  chooser.lvwBackups.select(0);
  m.dialogs.answers = {platform::kIdYes};
  chooser.cmdDeleteBackup_Click();
  EXPECT_EQ(chooser.lvwBackups.rowCount(), 0u);
  EXPECT_FALSE(std::filesystem::exists(m.hostPath(std::string(kBackupRelative) + "HivemendBK1.BKP")));
  EXPECT_TRUE(std::filesystem::exists(m.hostPath(std::string(kBackupRelative) + "HivemendBK1.zip")));
}

}  // namespace
}  // namespace hm::test
