#include <gtest/gtest.h>

#include "common/Globals.h"
#include "common/RegistryAccess.h"
#include "mainwindow/ScanCommands.h"
#include "mainwindow/ScanDriver.h"
#include "platform/ForwardingFileSystem.h"
#include "platform/Text.h"
#include "scan/Sections.h"
#include "support/RegistrySeed.h"
#include "support/SeededMachine.h"
#include "support/TestMachine.h"

namespace hm {
namespace {

TEST(ScanDriver, ACleanMachineFinishesEverySectionWithNoProblems) {
  test::TestMachine m;
  test::SeedHealthyEntries(m);
  ScanLists lists;
  EXPECT_EQ(RunScan(lists, ScanKind::Quick), 0u)
      << (lists.lvwErrors.rowCount() ? lists.lvwErrors.cell(0, kKeyValue) : "");
  ASSERT_EQ(lists.lvwResultProgress.rowCount(), 13u);
  for (std::size_t i = 0; i < 13; ++i) {
    const auto& progress = lists.lvwResultProgress.row(i);
    EXPECT_EQ(progress.cells[kSectionName], kRegistrySections[i].name);
    EXPECT_EQ(progress.cells[kSectionStatus], "Finished");
    EXPECT_EQ(progress.cells[kSectionProblems], "0 Problems Found");
    EXPECT_EQ(progress.textColor, 0u);
    EXPECT_EQ(lists.lvwRegistryvaluesScan.cell(i, kSectionStatus), "FINISHED");
  }
  EXPECT_EQ(lists.lblTotalErrors.caption(), "0");
  EXPECT_EQ(m.errorLogEntries(), 0) << m.errorLog();
}

TEST(ScanDriver, OneBrokenEntryPerSectionIsReportedUnderItsSectionAndNothingElse) {
  test::TestMachine m;
  const auto expected = test::SeedOneBrokenEntryPerSection(m);
  ScanLists lists;
  RunScan(lists, ScanKind::Quick);
  std::map<std::string, std::vector<std::string>> found;
  for (std::size_t r = 0; r < lists.lvwErrors.rowCount(); ++r)
    found[std::string(lists.lvwErrors.cell(r, kSection))].emplace_back(lists.lvwErrors.cell(r, kKeyValue));
  std::size_t total = 0;
  for (const auto& [section, keyValues] : expected) {
    EXPECT_EQ(found[section], keyValues) << section;
    total += keyValues.size();
  }
  EXPECT_EQ(lists.lvwErrors.rowCount(), total);
  for (std::size_t i = 0; i < 13; ++i) {
    const auto it = expected.find(kRegistrySections[i].name);
    const std::size_t n = it == expected.end() ? 0 : it->second.size();
    const bool hasProblem = n > 0;
    EXPECT_EQ(lists.lvwResultProgress.cell(i, kSectionProblems), std::to_string(n) + " Problems Found");
    EXPECT_EQ(lists.lvwResultProgress.row(i).textColor, hasProblem ? kProblemRowColor : 0u);
  }
  EXPECT_EQ(lists.lblTotalErrors.caption(), std::to_string(total));
  EXPECT_EQ(m.errorLogEntries(), 0) << m.errorLog();
}

// Counts the existence searches that reach the files port.
class CountingFiles : public platform::ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  platform::FindResult findFirst(std::string_view p, bool folders) override {
    ++searches;
    return inner_.findFirst(p, folders);
  }
  int searches = 0;
};

TEST(ScanDriver, EachDistinctPathIsSearchedOncePerScanWhateverItsCase) {
  test::TestMachine m;
  m.createFile("Apps\\here.exe");
  const std::string here = m.path("Apps\\here.exe"), gone = m.path("Apps\\gone.exe");
  const char* kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
  for (int i = 0; i < 3; ++i) {
    SetKeyValue(platform::kHkeyLocalMachine, kRun, "Here" + std::to_string(i), i == 1 ? text::toUpper(here) : here,
                kRegSz);
    SetKeyValue(platform::kHkeyLocalMachine, kRun, "Gone" + std::to_string(i), i == 2 ? text::toUpper(gone) : gone,
                kRegSz);
  }
  CountingFiles counting(*m.machine().files);
  platform::Machine machine = m.machine();
  machine.files = &counting;
  platform::MachineScope scope(machine);
  ScanLists lists;
  EXPECT_EQ(RunScan(lists, ScanKind::Quick), 3u);
  EXPECT_EQ(counting.searches, 2);
  RunScan(lists, ScanKind::Quick);  // a new scan asks again
  EXPECT_EQ(counting.searches, 4);
  m.createFile("Apps\\gone.exe");  // and sees what changed in between
  EXPECT_EQ(RunScan(lists, ScanKind::Quick), 0u);
}

TEST(ScanDriver, CancelDuringHelpFilesLeavesTheStateOfThatMoment) {
  test::TestMachine m;
  test::SeedOneBrokenEntryPerSection(m);
  for (int i = 0; i < 3; ++i)
    test::SetString(platform::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\Help", "h" + std::to_string(i) + ".hlp",
                    m.path("Help"));
  ScanLists lists;
  std::string totalAfterFonts;
  m.pump.onPump = [&] {
    if (lists.lvwRegistryvaluesScan.rowCount() >= 8 &&
        lists.lvwRegistryvaluesScan.cell(7, kSectionStatus) == "Scanning" && !CancelScan) {
      totalAfterFonts = lists.lblTotalErrors.caption();
      CancelScan = true;
    }
  };
  RunScan(lists, ScanKind::Quick);
  EXPECT_TRUE(CancelScan);
  EXPECT_EQ(lists.lvwRegistryvaluesScan.cell(7, kSectionStatus), "Scanning");
  EXPECT_EQ(lists.lvwResultProgress.rowCount(), 8u);
  EXPECT_EQ(lists.lvwResultProgress.cell(7, kSectionStatus), "Scanning");
  for (std::size_t i = 8; i < 13; ++i) EXPECT_EQ(lists.lvwRegistryvaluesScan.cell(i, kSectionStatus), "");
  EXPECT_EQ(lists.lblTotalErrors.caption(), totalAfterFonts);
  // The HTML Help walk never ran: its broken entry is not in the list.
  for (std::size_t r = 0; r < lists.lvwErrors.rowCount(); ++r)
    EXPECT_NE(lists.lvwErrors.cell(r, kSection), "Help Files");
  CancelScan = false;
}

TEST(ScanDriver, AnUncheckedRowIsSkippedButTheTotalIsStillRefreshed) {
  test::TestMachine m;
  test::SeedOneBrokenEntryPerSection(m);
  ScanLists lists;
  LoadRegistryValues(lists.lvwRegistryvaluesScan, false);
  lists.lvwRegistryvaluesScan.setChecked(12, false);  // MS-Dos Shortcuts, the last row
  lists.lvwRegistryvaluesScan.setChecked(4, false);   // Application Paths
  CancelScan = false;
  ScanRegistryAndHardDisk(lists);
  EXPECT_EQ(lists.lvwResultProgress.rowCount(), 11u);
  EXPECT_EQ(lists.lvwRegistryvaluesScan.cell(4, kSectionStatus), "");
  EXPECT_EQ(lists.lvwRegistryvaluesScan.cell(12, kSectionStatus), "");
  EXPECT_EQ(lists.lblTotalErrors.caption(), std::to_string(lists.lvwErrors.rowCount()));
  EXPECT_EQ(GetProblemsinActiveEx(lists, "Application Paths"), 0);
  EXPECT_EQ(GetProblemsinActiveEx(lists, "VxD Section"), 1);
}

}  // namespace
}  // namespace hm
