// The record rules restore reads by: a record without its completion mark
// was cut short before its value was removed, so it changes nothing; a name
// kept as hex must decode, or the record counts as not restored.
#include <gtest/gtest.h>

#include "restore/RestoreTestSupport.h"
#include "support/RegistrySeed.h"

namespace hm::test {
namespace {

constexpr const char* kHklm = "-2147483646";
constexpr const char* kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kApp = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\app.exe";
const std::int32_t HKLM = platform::kHkeyLocalMachine;

SetRecord Marked(SetRecord record) {
  record.keys.push_back({"Complete", "1"});
  return record;
}

using BackupRecordRules = RestoreFixture;

TEST_F(BackupRecordRules, ARecordWithoutItsMarkChangesNothing) {
  SetString(HKLM, kApp, "", "C:\\kept.exe");
  SetString(HKLM, kRun, "Kept", "kept");
  const auto before = [&](std::string_view key, std::string_view name) { return ReadValue(HKLM, key, name)->data; };
  const std::string keptDefault = before(kApp, ""), keptValue = before(kRun, "Kept");

  // A set whose records carry the mark: the default value's record cut
  // before its type (once read as "it was absent": deleted), the value's cut
  // before its data (once read as empty data: emptied).
  SetRecord cutBeforeType = RegistryRecordOf(2, kHklm, "HKEY_LOCAL_MACHINE", kApp, "(Default)", "C:\\kept.exe");
  SetRecord cutBeforeData = RegistryRecordOf(3, kHklm, "HKEY_LOCAL_MACHINE", kRun, "Kept", "kept");
  cutBeforeData.keys.push_back({"ValueType", "1"});
  writeSet("HivemendBK1.bkp",
           SetText("1/1/2020 1:00:00 AM",
                   {Marked(RegistryRecordOf(1, kHklm, "HKEY_LOCAL_MACHINE", kRun, "Removed", "x", {{"1", "7800"}})),
                    cutBeforeType, cutBeforeData}));
  ASSERT_TRUE(load("HivemendBK1.bkp"));
  EXPECT_EQ(lists.lvwErrors.rowCount(), 1u);
  const auto outcome = backup::cmdRestoreNow_Click(lists, session);
  EXPECT_EQ(outcome.failed, 0u);
  EXPECT_EQ(ReadValue(HKLM, kRun, "Removed")->data, std::string("x\0", 2));
  EXPECT_EQ(before(kApp, ""), keptDefault);
  EXPECT_EQ(before(kRun, "Kept"), keptValue);

  // The header says so even when no record got its mark.
  std::string headerOnly = SetText("1/1/2020 1:00:00 AM", {cutBeforeType});
  headerOnly.insert(headerOnly.find("[Restore"), "CompleteMarks=1\r\n");
  writeSet("HivemendBK2.bkp", headerOnly);
  EXPECT_FALSE(load("HivemendBK2.bkp"));
  EXPECT_EQ(before(kApp, ""), keptDefault);
}

TEST_F(BackupRecordRules, ANameKeptAsHexIsTheNameRestoredAndUnreadableHexIsAFailure) {
  SetRecord exact = RegistryRecordOf(1, kHklm, "HKEY_LOCAL_MACHINE", kRun, "Line Break", "x", {{"1", "7800"}});
  exact.keys.push_back({"KeyNameHex", "4c696e650a427265616b"});  // "Line\nBreak"
  SetRecord unreadable = RegistryRecordOf(2, kHklm, "HKEY_LOCAL_MACHINE", kRun, "Bad Hex", "x", {{"1", "7800"}});
  unreadable.keys.push_back({"KeyNameHex", "4g"});
  writeSet("HivemendBK1.bkp", SetText("1/1/2020 1:00:00 AM", {Marked(exact), Marked(unreadable)}));
  ASSERT_TRUE(load("HivemendBK1.bkp"));
  const auto outcome = backup::cmdRestoreNow_Click(lists, session);
  EXPECT_EQ(outcome.failed, 1u);
  EXPECT_TRUE(ReadValue(HKLM, kRun, "Line\nBreak"));
  EXPECT_FALSE(ReadValue(HKLM, kRun, "Line Break"));
  EXPECT_FALSE(ReadValue(HKLM, kRun, "Bad Hex"));
}

}  // namespace
}  // namespace hm::test
