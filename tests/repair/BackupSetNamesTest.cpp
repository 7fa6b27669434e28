#include <gtest/gtest.h>

#include "backup/BackupSetNames.h"
#include "backup/BackupSetWriter.h"
#include "support/TestMachine.h"

namespace hm::backup {
namespace {

platform::LocalTime At(int hour, int minute, int second, int millisecond) {
  return platform::LocalTime{2005, 12, 8, hour, minute, second, millisecond};
}

TEST(BackupSetNames, SecondsSinceMidnightAreASingleInShortestForm) {
  EXPECT_EQ(SecondsSinceMidnightText(At(12, 34, 56, 310)), "45296.31");
  EXPECT_EQ(SecondsSinceMidnightText(At(15, 45, 12, 0)), "56712");
  EXPECT_EQ(SecondsSinceMidnightText(At(0, 0, 0, 0)), "0");
  EXPECT_EQ(SecondsSinceMidnightText(At(0, 0, 0, 5)), "0.005");
  EXPECT_EQ(SecondsSinceMidnightText(At(0, 0, 1, 500)), "1.5");
  // Seven significant digits are all a single holds.
  EXPECT_EQ(SecondsSinceMidnightText(At(23, 59, 58, 123)), "86398.12");
}

TEST(BackupSetNames, TimeIsAlwaysTheUnitedStatesGeneralDate) {
  EXPECT_EQ(BackupTimeText(At(15, 45, 12, 999)), "12/8/2005 3:45:12 PM");
  EXPECT_EQ(BackupTimeText(At(0, 0, 0, 0)), "12/8/2005");
  EXPECT_EQ(BackupTimeText(At(0, 0, 1, 0)), "12/8/2005 12:00:01 AM");
  EXPECT_EQ(BackupTimeText(At(12, 0, 0, 0)), "12/8/2005 12:00:00 PM");
  EXPECT_EQ(BackupTimeText(platform::LocalTime{2024, 1, 31, 9, 5, 7, 0}), "1/31/2024 9:05:07 AM");
}

TEST(BackupSetNames, ANameInUseByEitherFileGetsANumber) {
  test::TestMachine m;
  const std::string folder = m.path("Sets") + "\\";
  EXPECT_EQ(UniqueBackupBaseName(folder, At(15, 45, 12, 0)), folder + "HivemendBK56712");
  m.createFile("Sets\\HivemendBK56712.zip");
  EXPECT_EQ(UniqueBackupBaseName(folder, At(15, 45, 12, 0)), folder + "HivemendBK56712 (2)");
  m.createFile("Sets\\HivemendBK56712 (2).bkp");
  EXPECT_EQ(UniqueBackupBaseName(folder, At(15, 45, 12, 0)), folder + "HivemendBK56712 (3)");
}

TEST(BackupSetNames, MissingFoldersAreCreatedLevelByLevel) {
  test::TestMachine m;
  EXPECT_TRUE(EnsureFolder(m.path("a\\b\\c") + "\\"));
  EXPECT_TRUE(m.machine().files->attributes(m.path("a\\b\\c")).has_value());
  m.createFile("file");
  EXPECT_FALSE(EnsureFolder(m.path("file\\sub")));
}

TEST(BackupSetNames, DataIsWrittenAsLowercaseHex) {
  EXPECT_EQ(HexBytes(std::string("\x00\x0f\xa0\xff", 4)), "000fa0ff");
  EXPECT_EQ(HexBytes(""), "");
}

TEST(BackupSetNames, FinishedDeletesTheTaggedFileAndLogsAFailure) {
  test::TestMachine m;
  m.createFile("x.lnk");
  Zipper zipper;
  zipper.Tag = m.path("x.lnk");
  xzipper1_Finished(zipper);
  EXPECT_FALSE(m.machine().files->attributes(m.path("x.lnk")).has_value());
  EXPECT_EQ(m.errorLogEntries(), 0);
  xzipper1_Finished(zipper);
  EXPECT_EQ(m.errorLogEntries(), 1);
  EXPECT_NE(m.errorLog().find("xzipper1_Finished"), std::string::npos);
}

}  // namespace
}  // namespace hm::backup
