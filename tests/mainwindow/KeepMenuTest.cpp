#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "common/Globals.h"
#include "mainwindow/frmMain.h"
#include "scan/KeepList.h"
#include "support/ScriptedShell.h"
#include "support/SeededMachine.h"
#include "support/TestMachine.h"

namespace hm {
namespace {

class KeepMenuTest : public ::testing::Test {
 protected:
  KeepMenuTest() {
    CancelScan = false;
    m.machine().shell = &shell;
    w.hooks.popupMenu = [this](platform::MenuItemModel& menu) { popped.push_back(&menu); };
    w.hooks.saveChanges = [this](std::string&) {
      ++saves;
      return true;
    };
    w.Form_Load();
    expected = test::SeedOneBrokenEntryPerSection(m);
    m.dialogs.defaultAnswer = platform::kIdOk;
  }
  std::size_t node(const std::string& key) const { return *w.lists.vbatvwResults.find(key); }
  std::vector<std::string> keyValues() const {
    std::vector<std::string> v;
    for (const auto& r : w.lists.lvwErrors.rows()) v.emplace_back(r.cells[kKeyValue]);
    return v;
  }

  test::TestMachine m;
  test::ScriptedShell shell;
  frmMain w;
  std::map<std::string, std::vector<std::string>> expected;
  std::vector<platform::MenuItemModel*> popped;
  int saves = 0;
};

TEST_F(KeepMenuTest, TheContextMenuKeepsAProblemOrASectionsCheckedProblems) {
  w.cmdQuickScan_Click();
  const std::size_t found = w.lists.lvwErrors.rowCount();
  auto& tree = w.lists.vbatvwResults;

  // A problem node: the menu pops up, its command keeps that entry and the
  // tree loses it while the rest keep their marks and open sections.
  const std::string com = "PActiveX \\ COM Subsections";
  ASSERT_EQ(tree.node(node(com)).children.size(), 2u);
  const std::size_t first = tree.node(node(com)).children[0];
  const std::string gone = tree.node(first).text;
  tree.userCheck(node("C" + std::to_string(found)), false);  // the last row
  tree.setExpanded(node(com), true);
  w.vbatvwResults_ContextMenu(first);
  ASSERT_EQ(popped, std::vector<platform::MenuItemModel*>{&w.mnuResults});
  EXPECT_EQ(w.mnuRKeepEntry.caption.get(), "Keep this entry (don't report it again)");
  EXPECT_TRUE(w.mnuRKeepEntry.enabled);
  w.mnuRKeepEntry.click();
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(w.lists.lvwErrors.rowCount(), found - 1);
  EXPECT_EQ(tree.node(node(com)).text, "ActiveX \\ COM Subsections (1 Problems)");
  EXPECT_TRUE(tree.node(node(com)).expanded);
  EXPECT_FALSE(tree.node(node("C" + std::to_string(found - 1))).checked);
  EXPECT_FALSE(w.lists.lvwErrors.row(found - 2).checked);
  EXPECT_EQ(w.lists.lblTotalErrors.caption(), std::to_string(found - 1));
  EXPECT_EQ(w.lblStatus.caption(), "1 kept entry not shown");

  // A section node keeps only its checked problems.
  const std::string startup = "PWindows Startup";
  ASSERT_EQ(expected["Windows Startup"].size(), 1u);
  const std::size_t startupChild = tree.node(node(startup)).children[0];
  tree.userCheck(startupChild, false);
  w.vbatvwResults_ContextMenu(node(startup));
  EXPECT_FALSE(w.mnuRKeepEntry.enabled);  // nothing checked to keep
  tree.userCheck(node(startup), true);
  w.vbatvwResults_ContextMenu(node(startup));
  EXPECT_TRUE(w.mnuRKeepEntry.enabled);
  w.mnuRKeepEntry.click();
  EXPECT_FALSE(tree.find(startup).has_value());
  EXPECT_EQ(ReadKeptEntries().size(), 2u);

  // The next scan agrees with what the window shows now.
  const auto shown = keyValues();
  w.cmdQuickScan_Click();
  EXPECT_EQ(keyValues(), shown);
  EXPECT_EQ(w.lblStatus.caption(), "2 kept entries not shown");
  // The same file is also a problem of the other COM section, which stays.
  EXPECT_EQ(std::count(shown.begin(), shown.end(), gone), 1);

  // Items of a backup set are not problems to keep: no menu in restore mode.
  popped.clear();
  w.lists.picFixProblemLowerBase.visible = false;
  w.lists.picRestoreLowerBase.visible = true;
  w.vbatvwResults_ContextMenu(tree.roots()[0]);
  EXPECT_TRUE(popped.empty());
  EXPECT_EQ(m.errorLogEntries(), 0) << m.errorLog();
}

}  // namespace
}  // namespace hm
