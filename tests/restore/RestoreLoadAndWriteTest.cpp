// Loading a set into the problem list and writing it back: exact types and
// bytes where the set has them, the string rule for older sets, and counts
// that tell the truth.
#include <gtest/gtest.h>

#include <cstring>

#include "common/RegistryAccess.h"
#include "restore/RestoreTestSupport.h"
#include "support/ForwardingRegistry.h"
#include "support/RegistrySeed.h"

namespace hm::test {
namespace {

constexpr const char* kHklm = "-2147483646";
constexpr const char* kHkcu = "-2147483647";
constexpr const char* kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::int32_t HKLM = platform::kHkeyLocalMachine;
const std::int32_t HKCU = platform::kHkeyCurrentUser;

using RestoreLoad = RestoreFixture;
using RestoreWrite = RestoreFixture;

TEST_F(RestoreLoad, CancelLeavesEverythingAsItWas) {
  writeSet("HivemendBK1.bkp", SetText("1/1/2020 1:00:00 AM", {RegistryRecordOf(1, kHklm, "", kRun, "a", "b")}));
  AddProblemEntry(lists.lvwErrors, kHklm, "x", "y", "Help Files", "k", "HKEY_LOCAL_MACHINE");
  session.showChooser = [](backup::frmRestore& chooser) { chooser.cmdCancel_Click(); };
  EXPECT_FALSE(backup::cmdRestore_Click(lists, session));
  EXPECT_EQ(lists.lvwErrors.rowCount(), 1u);
  EXPECT_TRUE(lists.imgListOfProblems.visible);
}

TEST_F(RestoreLoad, HeaderOnlySetSaysNoRecordWithItsPath) {
  const std::string path = writeSet("HivemendBK1.bkp", SetText("1/1/2020 1:00:00 AM", {}));
  EXPECT_FALSE(load("HivemendBK1.bkp"));
  EXPECT_EQ(shownTexts(), (std::vector<std::string>{"No record has been found in the restore file " + path + "."}));
  EXPECT_FALSE(lists.imgListOfProblems.visible);  // the panel stays in restore mode
  EXPECT_TRUE(lists.cmdRestoreNow.enabled);
}

TEST_F(RestoreLoad, ReadsEveryRestoreSectionWhateverItsCaseAndChecksEveryRow) {
  std::vector<SetRecord> records = {RegistryRecordOf(3, kHklm, "HKEY_LOCAL_MACHINE", kRun, "Tool", "C:\\t.exe"),
                                    FileRecordOf(5, "C:\\Users\\a.lnk", "Windows Shortcuts(Drive Q:)")};
  records.push_back(RegistryRecordOf(12, kHkcu, "HKEY_CURRENT_USER", "Software\\X", "(Default)", "(value not set)"));
  records.back().section = "restore: 12";
  records.push_back({"Notes", {{"MainKey", "1"}}});  // not a record
  records.push_back({"Restore: 13", {{"KeyValue", "joins the row before"}, {"Unknown", "ignored"}}});
  writeSet("HivemendBK1.bkp", SetText("1/1/2020 1:00:00 AM", records));
  AddProblemEntry(lists.lvwErrors, kHklm, "old", "old", "Help Files", "k", "HKEY_LOCAL_MACHINE");

  ASSERT_TRUE(load("HivemendBK1.bkp"));
  ASSERT_EQ(lists.lvwErrors.rowCount(), 3u);
  EXPECT_EQ(lists.lvwErrors.row(0).cells,
            (std::vector<std::string>{kHklm, "Tool", "C:\\t.exe", "Windows Startup", kRun, "HKEY_LOCAL_MACHINE"}));
  EXPECT_EQ(lists.lvwErrors.row(1).cells[kSection], "Windows Shortcuts(Drive Q:)");
  EXPECT_EQ(lists.lvwErrors.row(2).cells[kMainKey], kHkcu);
  EXPECT_EQ(lists.lvwErrors.row(2).cells[kKeyValue], "joins the row before");
  for (const auto& row : lists.lvwErrors.rows()) EXPECT_TRUE(row.checked);
  EXPECT_TRUE(lists.PicResults.visible);
  EXPECT_FALSE(lists.picScanning.visible);
  EXPECT_FALSE(lists.cmdRepairCorruptFiles.visible);
  EXPECT_TRUE(lists.cmdRestoreNow.visible);
  EXPECT_TRUE(lists.imgListOfItemsInBackupFile.visible);
  EXPECT_FALSE(lists.picFixProblemLowerBase.visible);
  EXPECT_FALSE(lists.lblTotalErrors.visible);
}

TEST_F(RestoreLoad, ThousandsOfRecordsAreReadWhole) {
  std::vector<SetRecord> records;
  const std::string longValue(600, 'v');
  for (int i = 1; i <= 4000; ++i)
    records.push_back(RegistryRecordOf(i, kHklm, "HKEY_LOCAL_MACHINE", kRun, "Value" + std::to_string(i),
                                       i == 4000 ? longValue : "C:\\x" + std::to_string(i) + ".exe"));
  writeSet("HivemendBK1.bkp", SetText("1/1/2020 1:00:00 AM", records));
  ASSERT_TRUE(load("HivemendBK1.bkp"));
  ASSERT_EQ(lists.lvwErrors.rowCount(), 4000u);
  EXPECT_EQ(lists.lvwErrors.cell(3999, kKeyName), "Value4000");
  EXPECT_EQ(lists.lvwErrors.cell(3999, kKeyValue), longValue);
}

TEST_F(RestoreWrite, NothingLoadedSaysNoItemFound) {
  const auto outcome = backup::cmdRestoreNow_Click(lists, session);
  EXPECT_FALSE(outcome.ran);
  EXPECT_EQ(shownTexts(), (std::vector<std::string>{"No item found to restore."}));
  EXPECT_FALSE(lists.cmdRestoreNow.enabled);
}

TEST_F(RestoreWrite, OlderSetsFollowTheStringRule) {
  CreateEmptyKey(HKLM, "SOFTWARE\\A");
  SetString(HKLM, "SOFTWARE\\A", "", "was set");
  SetString(HKLM, "SOFTWARE\\B", "", "");
  writeSet("HivemendBK1.bkp",
           SetText("1/1/2020 1:00:00 AM",
                   {RegistryRecordOf(1, kHklm, "HKEY_LOCAL_MACHINE", kRun, "Number", "1"),
                    RegistryRecordOf(2, kHklm, "HKEY_LOCAL_MACHINE", "SOFTWARE\\A", "(Default)", "(value not set)"),
                    RegistryRecordOf(3, kHklm, "HKEY_LOCAL_MACHINE", "SOFTWARE\\B", "(Default)", "C:\\b.exe"),
                    RegistryRecordOf(4, kHkcu, "HKEY_CURRENT_USER", "Software\\New\\Key", "N", "text")}));
  ASSERT_TRUE(load("HivemendBK1.bkp"));
  const auto outcome = backup::cmdRestoreNow_Click(lists, session);
  EXPECT_EQ(outcome.failed, 0u);
  EXPECT_EQ(shownTexts(), (std::vector<std::string>{"Restore completed successfully."}));  // no archive: at once

  const auto number = ReadValue(HKLM, kRun, "Number");
  ASSERT_TRUE(number);
  EXPECT_EQ(number->type, platform::kRegSz);
  EXPECT_EQ(number->data, Utf16z("1"));
  EXPECT_FALSE(ReadValue(HKLM, "SOFTWARE\\A", ""));
  EXPECT_EQ(ReadValue(HKLM, "SOFTWARE\\B", "")->data, Utf16z("C:\\b.exe"));
  EXPECT_EQ(ReadValue(HKCU, "Software\\New\\Key", "N")->data, Utf16z("text"));
  EXPECT_FALSE(lists.cmdRestoreNow.enabled);
  EXPECT_TRUE(lists.picScanning.visible);
  EXPECT_FALSE(lists.PicResults.visible);
  EXPECT_FALSE(lists.lblStatusOfActionTaken.visible);
  EXPECT_EQ(lists.lvwErrors.rowCount(), 4u);  // the list keeps the restored records
}

TEST_F(RestoreWrite, RecordsWithTypeAndBytesComeBackExactly) {
  SetString(HKLM, "SOFTWARE\\App", "", "");          // what repair left of a default value
  SetString(HKLM, "SOFTWARE\\Unset", "", "");        // a default value that was not set before
  const std::string odd("\x01\x00\xff\x7f\x00", 5);  // binary with NULs
  const std::string expand = Utf16z("%SystemRoot%\\x.exe");
  const std::string multi = text::toUtf16Bytes(std::string("a\0b\0\0", 5), false);
  auto hex = [](std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) (out += kDigits[c >> 4]) += kDigits[c & 15];
    return out;
  };
  writeSet(
      "HivemendBK1.bkp",
      SetText("1/1/2020 1:00:00 AM",
              {RegistryRecordOf(1, kHklm, "HKEY_LOCAL_MACHINE", kRun, "Dword", "1", {{"4", "01000000"}}),
               RegistryRecordOf(2, kHklm, "HKEY_LOCAL_MACHINE", kRun, "Bin", "", {{"3", hex(odd)}}),
               RegistryRecordOf(3, kHklm, "HKEY_LOCAL_MACHINE", kRun, "Exp", "x", {{"2", hex(expand)}}),
               RegistryRecordOf(4, kHklm, "HKEY_LOCAL_MACHINE", kRun, "Multi", "a", {{"7", hex(multi)}}),
               RegistryRecordOf(5, kHklm, "HKEY_LOCAL_MACHINE", kRun, "Empty", "", {{"1", ""}}),
               // Empty data: the INI writer leaves no ValueData line at all.
               {"Restore: 11", {{"MainKey", kHklm}, {"KeyName", "NoData"}, {"FullKeyPath", kRun}, {"ValueType", "3"}}},
               RegistryRecordOf(6, kHklm, "HKEY_LOCAL_MACHINE", "SOFTWARE\\App", "(Default)", "C:\\a.exe",
                                {{"2", hex(Utf16z("C:\\a.exe"))}}),
               RegistryRecordOf(7, kHklm, "HKEY_LOCAL_MACHINE", "SOFTWARE\\Unset", "(Default)", "(value not set)"),
               // A second record of a value already repaired: the first one holds it as it was.
               RegistryRecordOf(8, kHklm, "HKEY_LOCAL_MACHINE", "SOFTWARE\\App", "(Default)", "C:\\a.exe", {{"1", ""}}),
               RegistryRecordOf(9, kHklm, "HKEY_LOCAL_MACHINE", kRun, "dword", "1"),
               // A named value repair found already gone has nothing to come back.
               RegistryRecordOf(10, kHklm, "HKEY_LOCAL_MACHINE", kRun, "WasGone", "C:\\g.exe")}));
  ASSERT_TRUE(load("HivemendBK1.bkp"));
  const auto outcome = backup::cmdRestoreNow_Click(lists, session);
  EXPECT_EQ(outcome.failed, 0u);
  EXPECT_EQ(outcome.items, 11u);
  EXPECT_EQ(shownTexts(), (std::vector<std::string>{"Restore completed successfully."}));

  auto expectValue = [&](std::string_view path, std::string_view name, std::uint32_t type, std::string_view bytes) {
    const auto v = ReadValue(HKLM, path, name);
    ASSERT_TRUE(v) << name;
    EXPECT_EQ(v->type, type) << name;
    EXPECT_EQ(v->data, bytes) << name;
  };
  expectValue(kRun, "Dword", platform::kRegDword, std::string("\x01\0\0\0", 4));
  expectValue(kRun, "Bin", platform::kRegBinary, odd);
  expectValue(kRun, "Exp", platform::kRegExpandSz, expand);
  expectValue(kRun, "Multi", platform::kRegMultiSz, multi);
  expectValue(kRun, "Empty", platform::kRegSz, "");
  expectValue(kRun, "NoData", platform::kRegBinary, "");
  expectValue("SOFTWARE\\App", "", platform::kRegExpandSz, Utf16z("C:\\a.exe"));
  EXPECT_FALSE(ReadValue(HKLM, "SOFTWARE\\Unset", ""));
  EXPECT_FALSE(ReadValue(HKLM, kRun, "WasGone"));
}

// Refuses writes to values whose name holds "Locked", as a protected key would.
class LockedValues : public ForwardingRegistry {
 public:
  using ForwardingRegistry::ForwardingRegistry;
  std::int32_t setValue(platform::HKey k, std::string_view n, std::uint32_t t, std::string_view d) override {
    return n.find("Locked") != std::string_view::npos ? platform::kAccessDenied : inner_.setValue(k, n, t, d);
  }
};

TEST_F(RestoreWrite, FailedAndUnusableRecordsAreCountedAndTheRestGoesOn) {
  writeSet("HivemendBK1.bkp",
           SetText("1/1/2020 1:00:00 AM",
                   {RegistryRecordOf(1, kHklm, "HKEY_LOCAL_MACHINE", kRun, "Locked1", "x", {{"1", "7800"}}),
                    RegistryRecordOf(2, "12345", "HKEY_LOCAL_MACHINE", kRun, "NotARoot", "x", {{"1", "7800"}}),
                    RegistryRecordOf(3, "abc", "", kRun, "NotANumber", "x"),
                    RegistryRecordOf(4, kHklm, "HKEY_LOCAL_MACHINE", kRun, "BadHex", "x", {{"1", "7g00"}}),
                    RegistryRecordOf(5, kHklm, "HKEY_LOCAL_MACHINE", kRun, "BadType", "x", {{"-1", "00"}}),
                    RegistryRecordOf(6, kHklm, "HKEY_LOCAL_MACHINE", kRun, "Fine", "x", {{"1", "7800"}}),
                    RegistryRecordOf(7, kHklm, "HKEY_LOCAL_MACHINE", kRun, "Locked2", "", {{"3", ""}})}));
  ASSERT_TRUE(load("HivemendBK1.bkp"));
  LockedValues locked(*m.machine().registry);
  platform::Machine machine = m.machine();
  machine.registry = &locked;
  platform::MachineScope scope(machine);

  std::vector<std::string> statuses;
  lists.lblStatusOfActionTaken.subscribe([&](const platform::Change&) {
    if (statuses.empty() || statuses.back() != lists.lblStatusOfActionTaken.caption())
      statuses.push_back(lists.lblStatusOfActionTaken.caption());
  });
  const auto outcome = backup::cmdRestoreNow_Click(lists, session);
  EXPECT_EQ(outcome.items, 7u);
  EXPECT_EQ(outcome.failed, 6u);
  EXPECT_EQ(shownTexts(), (std::vector<std::string>{"Restore finished, but 6 of 7 items could not be restored."}));
  EXPECT_EQ(ReadValue(HKLM, kRun, "Fine")->data, std::string("x\0", 2));
  EXPECT_FALSE(ReadValue(HKLM, kRun, "Locked1"));
  EXPECT_EQ(m.errorLogEntries(), 6);
  ASSERT_EQ(statuses.size(), 7u);
  EXPECT_EQ(statuses[0], std::string("Restoring: HKEY_LOCAL_MACHINE-") + kRun + " - Locked1 - x");
}

}  // namespace
}  // namespace hm::test
