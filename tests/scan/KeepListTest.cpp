#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Globals.h"
#include "mainwindow/ScanCommands.h"
#include "platform/Registry.h"
#include "platform/Text.h"
#include "scan/KeepList.h"
#include "shell/SettingsStore.h"
#include "support/RegistrySeed.h"
#include "support/SeededMachine.h"
#include "support/TestMachine.h"
#include "tools/StartupPrograms.h"

namespace hm {
namespace {

using platform::kHkeyCurrentUser;

std::vector<ProblemEntry> Rows(const ScanLists& lists) {
  std::vector<ProblemEntry> rows;
  for (std::size_t i = 0; i < lists.lvwErrors.rowCount(); ++i) rows.push_back(ProblemAt(lists.lvwErrors, i));
  return rows;
}

std::vector<std::vector<std::string>> Cells(const platform::ListViewModel& list) {
  std::vector<std::vector<std::string>> cells;
  for (const auto& row : list.rows()) cells.push_back(row.cells.strings());
  return cells;
}

bool Same(const ProblemEntry& a, const ProblemEntry& b) {
  return a.MainKey == b.MainKey && a.KeyName == b.KeyName && a.KeyValue == b.KeyValue && a.Section == b.Section &&
         a.FullKeyPath == b.FullKeyPath && a.MainKeyName == b.MainKeyName;
}

TEST(KeepList, AnyTextSurvivesStorageAndMalformedValuesAreSkippedWithALog) {
  test::TestMachine m;
  KeptEntry hostile;
  hostile.root = "HKEY_CURRENT_USER";
  hostile.keyPath = "Software\\a|b%41%\\Grüße\t\x01";
  hostile.valueName = "|%|";
  hostile.section = "Windows Startup";
  hostile.keptOn = "2005-12-08 15:45";
  ASSERT_TRUE(SaveSetting(kProductName, kKeptEntriesSection, "good", EncodeKeptEntry(hostile)));

  const std::string key = SettingsKeyPath(kProductName, kKeptEntriesSection);
  const std::string encoded = EncodeKeptEntry(hostile);
  const std::vector<std::string> malformed = {
      "",
      "2" + encoded.substr(1),                              // another format
      encoded + "|extra",                                   // a field too many
      "1|HKEY_NOWHERE|Software|v|Windows Startup|",         // no such root
      "1|HKEY_CURRENT_USER|Soft%2|v|Windows Startup|",      // cut escape
      "1|HKEY_CURRENT_USER|Soft\tware|v|Windows Startup|",  // a bare control character
  };
  for (std::size_t i = 0; i < malformed.size(); ++i)
    ASSERT_TRUE(SaveSetting(kProductName, kKeptEntriesSection, "bad" + std::to_string(i), malformed[i]));
  test::SetDword(kHkeyCurrentUser, key, "notText", 7);

  const auto entries = ReadKeptEntries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].id, "good");
  EXPECT_EQ(entries[0].keyPath, hostile.keyPath);
  EXPECT_EQ(entries[0].valueName, hostile.valueName);
  EXPECT_EQ(entries[0].keptOn, hostile.keptOn);
  EXPECT_EQ(m.errorLogEntries(), static_cast<int>(malformed.size()) + 1) << m.errorLog();
  EXPECT_NE(m.errorLog().find("ReadKeptEntries"), std::string::npos);
}

TEST(KeepList, AKeptEntryIsPassedOverUntilRemovedEvenWhenItsCaseChanges) {
  test::TestMachine m;
  test::SeedOneBrokenEntryPerSection(m);
  ScanLists first;
  RunScan(first, ScanKind::Quick);
  const auto all = Rows(first);
  ASSERT_GE(all.size(), 3u);

  // Keeping twice stores one entry, dated by the clock.
  const std::string id = KeepProblem(all[1]);
  ASSERT_FALSE(id.empty());
  EXPECT_EQ(KeepProblem(all[1]), id);
  ASSERT_EQ(ReadKeptEntries().size(), 1u);
  EXPECT_EQ(ReadKeptEntries()[0].keptOn, "2005-12-08 15:45");

  // A new scan reads the list from the store: the entry is gone, every count agrees.
  ScanLists second;
  EXPECT_EQ(RunScan(second, ScanKind::Quick), all.size() - 1);
  EXPECT_EQ(second.keptNotShown, 1u);
  EXPECT_EQ(KeptNotShownText(second.keptNotShown), "1 kept entry not shown");
  EXPECT_EQ(KeptNotShownText(3), "3 kept entries not shown");
  for (const auto& row : Rows(second)) EXPECT_FALSE(Same(row, all[1])) << row.KeyValue;
  EXPECT_EQ(second.lblTotalErrors.caption(), std::to_string(all.size() - 1));
  for (std::size_t i = 0; i < second.lvwRegistryvaluesScan.rowCount(); ++i) {
    const std::string_view section = second.lvwRegistryvaluesScan.cell(i, kSectionName);
    std::size_t n = 0;
    for (const auto& row : Rows(second)) n += row.Section == section;
    EXPECT_EQ(second.lvwRegistryvaluesScan.cell(i, kSectionProblems), std::to_string(n) + " Problems Found");
  }

  // The key path stored in another case still matches.
  KeptEntry shouted = ReadKeptEntries()[0];
  shouted.keyPath = text::toUpper(shouted.keyPath);
  shouted.valueName = text::toLower(shouted.valueName);
  ASSERT_NE(shouted.keyPath, all[1].FullKeyPath);
  ASSERT_TRUE(SaveSetting(kProductName, kKeptEntriesSection, id, EncodeKeptEntry(shouted)));
  ScanLists third;
  EXPECT_EQ(RunScan(third, ScanKind::Quick), all.size() - 1);

  // Stopping brings it back where it was.
  EXPECT_FALSE(StopKeeping("no-such-id"));
  EXPECT_TRUE(StopKeeping(text::toUpper(id)));
  EXPECT_TRUE(ReadKeptEntries().empty());
  ScanLists fourth;
  RunScan(fourth, ScanKind::Quick);
  ASSERT_EQ(fourth.lvwErrors.rowCount(), all.size());
  EXPECT_TRUE(Same(Rows(fourth)[1], all[1]));
  EXPECT_EQ(fourth.keptNotShown, 0u);
  EXPECT_EQ(m.errorLogEntries(), 0) << m.errorLog();
}

TEST(KeepList, AnEmptyListChangesNothing) {
  test::TestMachine m;
  test::SeedOneBrokenEntryPerSection(m);
  ScanLists without;
  RunScan(without, ScanKind::Quick);
  // The section present but empty, and an entry kept for something this machine does not have.
  ProblemEntry elsewhere{"-2147483646", "x", "C:\\x.exe", "Windows Startup", "SOFTWARE\\Nowhere", "HKEY_LOCAL_MACHINE"};
  const std::string id = KeepProblem(elsewhere);
  ASSERT_FALSE(id.empty());
  ScanLists unmatched;
  RunScan(unmatched, ScanKind::Quick);
  ASSERT_TRUE(StopKeeping(id));
  ScanLists empty;
  RunScan(empty, ScanKind::Quick);
  for (const ScanLists* lists : {&unmatched, &empty}) {
    EXPECT_EQ(Cells(lists->lvwErrors), Cells(without.lvwErrors));
    EXPECT_EQ(Cells(lists->lvwRegistryvaluesScan), Cells(without.lvwRegistryvaluesScan));
    EXPECT_EQ(Cells(lists->lvwResultProgress), Cells(without.lvwResultProgress));
    EXPECT_EQ(lists->keptNotShown, 0u);
  }
}

TEST(KeepList, KeptEntriesNeverShowAmongTheStartupPrograms) {
  test::TestMachine m;
  // What the start-up manager would list if it walked the kept entries: a command with a drive path.
  ProblemEntry run{"-2147483647",
                   "Tool",
                   "C:\\Tool\\tool.exe",
                   "Windows Startup",
                   "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                   "HKEY_CURRENT_USER"};
  ASSERT_FALSE(KeepProblem(run).empty());
  test::SetString(platform::kHkeyLocalMachine, tools::LiveKeyPath(""), "Live", "C:\\Live\\live.exe");
  const auto entries = tools::ListStartupEntries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "Live");
}

}  // namespace
}  // namespace hm
