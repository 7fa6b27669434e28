#include <gtest/gtest.h>

#include "scan/Sections.h"
#include "support/TestMachine.h"

namespace hm {
namespace {

TEST(Sections, QuickFormHoldsTheThirteenRegistrySectionsInOrderAllChecked) {
  test::TestMachine m;
  ScanLists lists;
  LoadRegistryValues(lists.lvwRegistryvaluesScan, false);
  LoadRegistryValues(lists.lvwRegistryvaluesScan, false);
  const auto& rows = lists.lvwRegistryvaluesScan.rows();
  ASSERT_EQ(rows.size(), 13u);
  EXPECT_EQ(rows[1].cells[kSectionName], "ActiveX \\ COM");
  EXPECT_EQ(rows[12].cells[kSectionName], "MS-Dos Shortcuts");
  int high = 0, low = 0;
  for (const auto& r : rows) {
    EXPECT_TRUE(r.checked);
    EXPECT_EQ(r.cells[kSectionStatus], "");
    EXPECT_EQ(r.cells[kSectionProblems], "");
    high += r.cells[kSectionThreat] == "High";
    low += r.cells[kSectionThreat] == "Low";
  }
  EXPECT_EQ(high, 2);
  EXPECT_EQ(low, 1);
  EXPECT_EQ(rows[7].cells[kSectionThreat], "Low");
}

TEST(Sections, DeepFormAddsOneHighSectionPerFixedDriveOnly) {
  test::TestMachine m;
  m.drives.list() = {{'A', platform::kDriveRemovable, false},
                     {'C', platform::kDriveFixed, true},
                     {'D', platform::kDriveFixed, true},
                     {'E', platform::kDriveCdRom, true},
                     {'Z', platform::kDriveNetwork, true}};
  ScanLists lists;
  LoadRegistryValues(lists.lvwRegistryvaluesScan, true);
  const auto& rows = lists.lvwRegistryvaluesScan.rows();
  ASSERT_EQ(rows.size(), 15u);
  EXPECT_EQ(rows[13].cells[kSectionName], "Windows Shortcuts(Drive C:)");
  EXPECT_EQ(rows[14].cells[kSectionName], "Windows Shortcuts(Drive D:)");
  EXPECT_EQ(rows[14].cells[kSectionThreat], "High");
  EXPECT_TRUE(rows[14].checked);
  ScanLists again;
  EXPECT_EQ(GetFixedDrives(again.lvwRegistryvaluesScan), "Drive D:");
}

TEST(ProblemList, RecordsKeepTheSixFieldsInOrderAndNameTheDefaultValue) {
  ScanLists lists;
  AddProblemEntry(lists.lvwErrors, "-2147483647", "", "C:\\gone.exe", "Windows Startup",
                  "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "HKEY_CURRENT_USER");
  const ProblemEntry p = ProblemAt(lists.lvwErrors, 0);
  EXPECT_EQ(p.MainKey, "-2147483647");
  EXPECT_EQ(p.KeyName, "(Default)");
  EXPECT_EQ(p.KeyValue, "C:\\gone.exe");
  EXPECT_EQ(p.Section, "Windows Startup");
  EXPECT_EQ(p.MainKeyName, "HKEY_CURRENT_USER");
  EXPECT_EQ(lists.lvwErrors.headers(),
            (std::vector<std::string>{"MainKey", "KeyName", "KeyValue", "Section", "FullKeyPath", "MainKeyName"}));
}

}  // namespace
}  // namespace hm
