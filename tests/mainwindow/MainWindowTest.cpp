#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "common/Globals.h"
#include "common/RegistryAccess.h"
#include "mainwindow/frmMain.h"
#include "platform/Registry.h"
#include "platform/Text.h"
#include "restore/RestoreTestSupport.h"
#include "shell/SettingsStore.h"
#include "support/RegistrySeed.h"
#include "support/ScriptedShell.h"
#include "support/SeededMachine.h"
#include "support/TestMachine.h"
#include "tools/frmBootingSpeed.h"
#include "tools/frmSpeedIntenetConnection.h"

namespace hm {
namespace {

using platform::kIdNo;
using platform::kIdYes;

std::string Panels(const ScanLists& l) {
  std::string s;
  if (l.picMain.visible) s += "main ";
  if (l.picScanning.visible) s += "scanning ";
  if (l.PicResults.visible) s += "results ";
  return s;
}

// The scan-side buttons, menus and timer as one line.
std::string Commands(const frmMain& w) {
  const auto& l = w.lists;
  auto b = [](bool v) { return v ? '1' : '0'; };
  return std::string("buttons=") + b(l.cmdQuickScan.enabled) + b(l.cmdDeepScan.enabled) + b(l.cmdRestore.enabled) +
         " cancel=" + b(l.cmdCancel.visible) + " menus=" + b(w.mnuAQuickScan.enabled) + b(w.mnuADeepScan.enabled) +
         b(w.mnuARestore.enabled) + " timer=" + b(l.TmrIncrementProgressBar.enabled) +
         " labels=" + b(l.lblRegistryScan.visible) + b(l.lblRegistryFilesScan.visible);
}

constexpr const char* kIdle = "buttons=111 cancel=0 menus=111 timer=0 labels=00";
constexpr const char* kBusy = "buttons=000 cancel=1 menus=000 timer=1 labels=11";

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() {
    CancelScan = false;
    m.machine().shell = &shell;
    for (int id = 100; id <= 103; ++id) shell.iconIndexes[m.systemFolder() + "\\" + std::to_string(id) + ".ico"] = id;
    m.pump.step = 10;  // every DoEvents reaches the pump
    w.hooks.endProgram = [this] { ++ended; };
    w.hooks.popupMenu = [this](platform::MenuItemModel& menu) { popped.push_back(&menu); };
    w.Form_Load();
  }
  std::vector<std::string> texts() const {
    std::vector<std::string> t;
    for (const auto& s : m.dialogs.shown) t.push_back(s.text);
    return t;
  }
  void addRow(const std::string& section, const std::string& keyValue, std::int32_t root = platform::kHkeyCurrentUser) {
    AddProblemEntry(w.lists.lvwErrors, std::to_string(root), "v", keyValue, section, "Software\\X", RootKeyName(root));
  }

  test::TestMachine m;
  test::ScriptedShell shell;
  frmMain w;
  int ended = 0;
  std::vector<platform::MenuItemModel*> popped;
};

TEST_F(MainWindowTest, LoadSetsCaptionsStartPanelAndTray) {
  EXPECT_EQ(w.form.caption.get(), "Hivemend");
  EXPECT_EQ(Panels(w.lists), "main ");
  EXPECT_EQ(w.lblStatus.caption(), "Ready");
  EXPECT_FALSE(w.lists.lblTotalErrors.visible);
  EXPECT_EQ(w.mnuHelpAboutThisProgram.caption.get(), "About Hivemend");
  EXPECT_EQ(w.mnuHOnlineHelp.caption.get(), "Hivemend Online Help...");
  EXPECT_EQ(w.mnuShowSysmend.caption.get(), "Hivemend v" + AppVersion);
  EXPECT_EQ(w.mnuCloseThisMenu.caption.get(), "Close this menu");
  EXPECT_EQ(w.mnuTrayExit.caption.get(), "Exit");
  EXPECT_FALSE(w.mnuTray.visible);
  EXPECT_FALSE(w.mnuFile.visible);
  EXPECT_FALSE(w.mnuAInternetSystemCleaner.visible);
  EXPECT_FALSE(w.mnuFileScanforProblems.enabled);
  EXPECT_TRUE(w.trayIcon.shown);
  EXPECT_EQ(w.lists.vbatvwResults.columns().at(0).header, "Problems");
  EXPECT_EQ(w.lists.vbatvwResults.columns().at(1).header, "Threat Level");
  EXPECT_EQ(w.lists.vbatvwResults.columns().at(1).width, 90);

  // Right button on the tray icon pops the tray menu; a double-click brings the window back.
  w.form.windowState = platform::WindowState::Minimized;
  w.Form_Resize();
  EXPECT_FALSE(w.form.visible);
  w.Form_MouseMove(kTrayRightButtonUp);
  ASSERT_EQ(popped.size(), 1u);
  EXPECT_EQ(popped[0], &w.mnuTray);
  w.Form_MouseMove(kTrayLeftDoubleClick);
  EXPECT_TRUE(w.form.visible);
  EXPECT_EQ(w.form.windowState.get(), platform::WindowState::Normal);
  EXPECT_EQ(m.errorLogEntries(), 0) << m.errorLog();
}

TEST_F(MainWindowTest, MinimiseToTraySettingHidesTheWindowAtLoad) {
  ASSERT_TRUE(SaveSetting(kProductName, "Options", "chkMinimizeToSysTray", "True"));
  frmMain other;
  other.Form_Load();
  EXPECT_FALSE(other.form.visible);
  EXPECT_EQ(other.form.windowState.get(), platform::WindowState::Minimized);
}

TEST_F(MainWindowTest, ScanThatFindsNothingEndsOnTheStartPanelWithTheMessage) {
  test::SeedHealthyEntries(m);
  std::string during;
  m.pump.onPump = [&] {
    if (during.empty()) during = Panels(w.lists) + Commands(w);
    w.lists.TmrIncrementProgressBar.tick();
  };
  w.mnuAQuickScan.click();
  EXPECT_EQ(during, std::string("scanning ") + kBusy);
  EXPECT_EQ(Panels(w.lists), "main ");
  EXPECT_EQ(Commands(w), kIdle);
  EXPECT_EQ(w.lists.vbatvwResults.nodeCount(), 0u);
  ASSERT_EQ(m.dialogs.shown.size(), 1u);
  EXPECT_EQ(m.dialogs.shown[0].text, kNoProblemFound);
  EXPECT_EQ(m.dialogs.shown[0].title, "Hivemend");
  EXPECT_EQ(m.dialogs.shown[0].flags, platform::kMbIconInformation);

  // The bar wraps at 99 and stops where it was when the scan ended.
  const int last = w.lists.PgbScanning.value;
  EXPECT_GE(last, 0);
  EXPECT_LE(last, 99);
  w.lists.TmrIncrementProgressBar.tick();
  EXPECT_EQ(w.lists.PgbScanning.value.get(), last);
  w.lists.PgbScanning.value = 99;
  w.TmrIncrementProgressBar_Timer();
  EXPECT_EQ(w.lists.PgbScanning.value.get(), 0);
}

TEST_F(MainWindowTest, CancelledScansEndOnStartOrResultsWithoutMessage) {
  test::SeedHealthyEntries(m);
  m.pump.onPump = [&] { w.lists.cmdCancel.click(); };
  w.lists.cmdQuickScan.click();
  EXPECT_EQ(Panels(w.lists), "main ");
  EXPECT_EQ(Commands(w), kIdle);
  EXPECT_TRUE(texts().empty());
  EXPECT_EQ(w.lists.lvwErrors.rowCount(), 0u);

  // Cancelled after the first problems: they are shown with their number.
  test::SeedOneBrokenEntryPerSection(m);
  std::string atCancel;
  m.pump.onPump = [&] {
    if (w.lists.lvwErrors.rowCount() == 0 || !w.scanning()) return;
    w.lists.cmdCancel.MouseMove();
    w.lists.cmdCancel.click();
    atCancel = Panels(w.lists) + Commands(w);
  };
  w.lists.cmdDeepScan.click();
  EXPECT_EQ(atCancel, "results buttons=111 cancel=0 menus=000 timer=0 labels=11");
  EXPECT_EQ(w.lists.cmdCancel.toolTip.get(), kCancelToolTip);
  const std::size_t found = w.lists.lvwErrors.rowCount();
  ASSERT_GT(found, 0u);
  EXPECT_LT(found, 10u);
  EXPECT_EQ(Panels(w.lists), "results ");
  EXPECT_EQ(Commands(w), kIdle);
  EXPECT_TRUE(w.lists.lblTotalErrors.visible);
  EXPECT_EQ(w.lists.lblTotalErrors.caption(), std::to_string(found));
  EXPECT_GT(w.lists.vbatvwResults.nodeCount(), found);
  EXPECT_TRUE(texts().empty());
}

TEST_F(MainWindowTest, SecondScanEmptiesListsAndTreeFirst) {
  test::SeedOneBrokenEntryPerSection(m);
  w.cmdQuickScan_Click();
  const std::size_t first = w.lists.lvwErrors.rowCount();
  ASSERT_GT(first, 0u);
  EXPECT_TRUE(w.lists.picFixProblemLowerBase.visible);
  EXPECT_FALSE(w.lists.picRestoreLowerBase.visible);
  EXPECT_TRUE(w.lists.cmdRepairCorruptFiles.visible && w.lists.cmdRepairCorruptFiles.enabled);

  std::size_t treeAtStart = 99, progressAtStart = 99;
  m.pump.onPump = [&] {
    if (treeAtStart != 99) return;
    treeAtStart = w.lists.vbatvwResults.nodeCount();
    progressAtStart = w.lists.lvwResultProgress.rowCount();
  };
  w.cmdQuickScan_Click();
  EXPECT_EQ(treeAtStart, 0u);
  EXPECT_LE(progressAtStart, 1u);
  EXPECT_EQ(w.lists.lvwErrors.rowCount(), first);
  EXPECT_EQ(w.lists.lvwResultProgress.rowCount(), 13u);
}

TEST_F(MainWindowTest, TheSelectedProblemShowsWhyUntilTheNextScan) {
  test::SeedOneBrokenEntryPerSection(m);
  w.cmdQuickScan_Click();
  auto& tree = w.lists.vbatvwResults;
  const std::size_t section = tree.roots().front(), problem = tree.node(section).children.front();
  const std::string why = ProblemWhyText(w.lists.lvwErrors, 0);
  EXPECT_EQ(tree.node(problem).key, "C1");
  EXPECT_NE(why, "");
  EXPECT_EQ(tree.node(problem).tip, why);
  EXPECT_EQ(tree.node(section).tip, "");

  tree.select(problem);
  EXPECT_EQ(w.lists.lblProblemDetails.caption(), why);
  tree.select(section);
  EXPECT_EQ(w.lists.lblProblemDetails.caption(), "");
  tree.select(problem);
  w.cmdQuickScan_Click();  // a new tree has nothing selected
  EXPECT_EQ(w.lists.lblProblemDetails.caption(), "");
  EXPECT_EQ(m.errorLogEntries(), 0) << m.errorLog();
}

TEST_F(MainWindowTest, ScanClickedWhileACancelledScanUnwindsRunsAfterIt) {
  test::SeedOneBrokenEntryPerSection(m);
  int pumps = 0;
  m.pump.onPump = [&] {
    if (++pumps != 1) return;
    w.lists.cmdCancel.click();
    w.lists.cmdQuickScan.click();  // buttons are enabled again at once
  };
  w.lists.cmdDeepScan.click();
  // The second scan ran to the end, after the first had returned.
  EXPECT_EQ(w.lists.lvwResultProgress.rowCount(), 13u);
  EXPECT_FALSE(CancelScan);
  EXPECT_EQ(Panels(w.lists), "results ");
  EXPECT_EQ(Commands(w), kIdle);
}

TEST_F(MainWindowTest, TreeGroupsBySectionInFirstOccurrenceOrder) {
  addRow("File Extensions", "a.exe");
  addRow("File Extensions", "b.exe");
  addRow("Application Paths", "c.exe");
  addRow("Help Files", "d.hlp");
  addRow("ActiveX \\ COM", "e.dll");
  addRow("Windows Shortcuts(Drive Q:)", "f.lnk");  // a drive this machine does not have
  w.lists.lvwErrors.setChecked(1, false);
  w.LoadResultsTree("Results");

  const auto& tree = w.lists.vbatvwResults;
  std::vector<std::string> roots;
  for (std::size_t r : tree.roots())
    roots.push_back(tree.node(r).text + "|" + tree.node(r).column2 + "|" +
                    std::to_string(tree.node(r).children.size()));
  EXPECT_EQ(roots, (std::vector<std::string>{"File Extensions (2 Problems)|Medium|2",
                                             "Application Paths (1 Problems)|Medium|1", "Help Files (1 Problems)|Low|1",
                                             "ActiveX \\ COM (1 Problems)|High|1",
                                             "Windows Shortcuts(Drive Q:) (1 Problems)|High|1"}));
  const auto fe = *tree.find("PFile Extensions");
  EXPECT_EQ(tree.node(tree.node(fe).children[1]).key, "C2");
  EXPECT_EQ(tree.node(tree.node(fe).children[1]).text, "b.exe");
  EXPECT_EQ(tree.node(*tree.find("PHelp Files")).image, w.iconIndex(102));
  EXPECT_NE(w.iconIndex(100), w.iconIndex(103));
  for (const auto& n : tree.nodes()) {
    EXPECT_TRUE(n.checked) << n.key;
    EXPECT_FALSE(n.expanded) << n.key;
  }
  for (const auto& r : w.lists.lvwErrors.rows()) EXPECT_TRUE(r.checked);

  // A section node carries its rows; a problem node exactly its own.
  auto checks = [&] {
    std::string s;
    for (const auto& r : w.lists.lvwErrors.rows()) s += r.checked ? '1' : '0';
    return s;
  };
  w.lists.vbatvwResults.userCheck(fe, false);
  EXPECT_EQ(checks(), "001111");
  EXPECT_FALSE(tree.node(*tree.find("C1")).checked);
  w.lists.vbatvwResults.userCheck(fe, true);
  EXPECT_EQ(checks(), "111111");
  w.lists.vbatvwResults.userCheck(*tree.find("C3"), false);
  EXPECT_EQ(checks(), "110111");
  w.lists.vbatvwResults.userCheck(*tree.find("C1"), false);
  w.lists.vbatvwResults.userCheck(*tree.find("C2"), false);
  EXPECT_TRUE(tree.node(fe).checked);  // a section node keeps its own mark

  // Any other mode: expanded, marks left alone, every row checked.
  w.lists.lvwErrors.setChecked(0, false);
  w.LoadResultsTree("Restore");
  for (const auto& n : w.lists.vbatvwResults.nodes()) {
    EXPECT_TRUE(n.expanded) << n.key;
    EXPECT_FALSE(n.checked) << n.key;
  }
  EXPECT_EQ(checks(), "111111");
  EXPECT_EQ(m.errorLogEntries(), 0) << m.errorLog();
}

TEST_F(MainWindowTest, CloseAndExitAreRefusedWhileScanningAndConfirmedOtherwise) {
  test::SeedOneBrokenEntryPerSection(m);
  bool closeAllowed = true;
  m.pump.onPump = [&] {
    if (!w.scanning() || !m.dialogs.shown.empty()) return;
    closeAllowed = w.Form_QueryUnload();
    w.mnuExit.click();
    w.tmrUnload.tick();
  };
  w.cmdQuickScan_Click();
  EXPECT_FALSE(closeAllowed);
  EXPECT_EQ(texts(), (std::vector<std::string>{kStopScanningFirst, kStopScanningFirst}));
  EXPECT_FALSE(w.tmrUnload.enabled);
  EXPECT_EQ(ended, 0);
  EXPECT_EQ(w.lists.lvwResultProgress.rowCount(), 13u);  // the scan went on

  m.dialogs.answers = {kIdNo, kIdYes};
  EXPECT_FALSE(w.Form_QueryUnload());
  EXPECT_FALSE(w.tmrUnload.enabled);
  EXPECT_FALSE(w.Form_QueryUnload());
  EXPECT_TRUE(w.tmrUnload.enabled);
  EXPECT_EQ(m.dialogs.shown.back().text, kConfirmClose);
  EXPECT_EQ(m.dialogs.shown.back().flags, platform::kMbYesNo | platform::kMbIconQuestion);
  EXPECT_EQ(ended, 0);
  w.tmrUnload.tick();
  EXPECT_EQ(ended, 1);
  EXPECT_FALSE(w.tmrUnload.enabled);
  EXPECT_FALSE(w.trayIcon.shown);
  EXPECT_TRUE(CancelScan);
}

TEST_F(MainWindowTest, ExitFromTrayMenuEndsAtOnceUnlessNo) {
  m.dialogs.answers = {kIdNo, kIdYes};
  w.mnuTrayExit.click();
  EXPECT_EQ(ended, 0);
  w.mnuTrayExit.click();
  EXPECT_EQ(ended, 1);
  EXPECT_FALSE(w.trayIcon.shown);
}

TEST_F(MainWindowTest, ExitConfirmedDuringARepairWaitsForItsEnd) {
  SetKeyValue(platform::kHkeyCurrentUser, "Software\\X", "v", "C:\\gone.exe", platform::kRegSz);
  addRow("Windows Startup", "C:\\gone.exe");
  w.LoadResultsTree("Results");
  int endedDuring = -1;
  m.pump.onPump = [&] {
    if (endedDuring != -1) return;
    m.dialogs.answers.push_back(kIdYes);
    w.ExitApplication();
    endedDuring = ended;
  };
  m.dialogs.answers = {kIdYes};  // the repair's own question
  const RepairResult result = w.cmdRepairCorruptFiles_Click();
  EXPECT_EQ(endedDuring, 0);
  EXPECT_EQ(ended, 1);
  EXPECT_EQ(result.fixed, 1u);
  EXPECT_FALSE(test::ReadValue(platform::kHkeyCurrentUser, "Software\\X", "v").has_value());
}

TEST_F(MainWindowTest, EndOfSessionIsNeverRefusedAndStopsTheScan) {
  test::SeedOneBrokenEntryPerSection(m);
  m.pump.onPump = [&] {
    if (ended == 0) w.Form_EndSession();
  };
  w.cmdQuickScan_Click();
  EXPECT_EQ(ended, 1);
  EXPECT_TRUE(CancelScan);
  EXPECT_TRUE(m.dialogs.shown.empty());
  EXPECT_LT(w.lists.lvwResultProgress.rowCount(), 13u);
}

TEST_F(MainWindowTest, QuickSwitchRunsOneScanAtFirstActivation) {
  test::SeedHealthyEntries(m);
  shell.arguments = "\"C:\\Program Files\\Hivemend\\hivemend.exe\" /x -qUICK";
  w.Form_Activate();
  w.Form_Activate();
  EXPECT_EQ(texts(), std::vector<std::string>{kNoProblemFound});

  shell.arguments = "hivemend.exe -Quic";
  frmMain other;
  other.Form_Activate();
  EXPECT_EQ(texts().size(), 1u);
}

TEST_F(MainWindowTest, ExportAppendsTheNumberedListWithCrLf) {
  const std::string file = m.path("list.doc");
  w.mnuFilePrintListofErrors.click();
  EXPECT_TRUE(m.dialogs.saveDialogs.empty());  // nothing to save, no dialog

  addRow("File Extensions", "C:\\Old\\tool.exe");
  addRow("Help Files", "C:\\Help\\gone.hlp");
  addRow("Application Paths", "C:\\x y\\z.exe");
  m.dialogs.savePaths = {"  " + file + " ", file, "   "};
  w.mnuFilePrintListofErrors.click();
  w.mnuFilePrintListofErrors.click();
  w.mnuFilePrintListofErrors.click();  // cancelled: nothing happens
  ASSERT_EQ(m.dialogs.saveDialogs.size(), 3u);
  EXPECT_EQ(m.dialogs.saveDialogs[0].text, "Rich Text Format |*.doc");
  EXPECT_EQ(m.dialogs.saveDialogs[0].title, "Hivemend - Save as");
  const std::string once =
      "Hivemend\r\n\r\n1->C:\\Old\\tool.exe\r\n\r\n2->C:\\Help\\gone.hlp\r\n\r\n3->C:\\x y\\z.exe\r\n\r\n";
  EXPECT_EQ(m.machine().files->readFile(file).value_or("<none>"), once + once);
  EXPECT_EQ(texts(), (std::vector<std::string>{"File has been saved at :" + file, "File has been saved at :" + file}));

  // A file that cannot be written: logged, no confirmation.
  m.dialogs.savePaths = {m.path("no such folder\\list.doc")};
  w.mnuFilePrintListofErrors.click();
  EXPECT_EQ(texts().size(), 2u);
  EXPECT_NE(m.errorLog().find("mnuFilePrintListofErrors_Click of frmMain"), std::string::npos);
}

TEST_F(MainWindowTest, MachineWideRowsAskForAdministratorRightsFirst) {
  shell.isElevated = false;
  shell.arguments = "-Quick";
  addRow("Windows Startup", "C:\\gone.exe", platform::kHkeyLocalMachine);
  addRow("Windows Startup", "C:\\gone2.exe", platform::kHkeyCurrentUser);
  w.LoadResultsTree("Results");

  // No: nothing starts, not even the repair's own question.
  m.dialogs.answers = {kIdNo};
  w.cmdRepairCorruptFiles_Click();
  EXPECT_EQ(texts(), std::vector<std::string>{kRepairNeedsAdmin});
  EXPECT_TRUE(shell.restarts.empty());
  EXPECT_EQ(ended, 0);

  // With the machine-wide row unchecked, the repair goes its own way.
  w.lists.vbatvwResults.userCheck(*w.lists.vbatvwResults.find("C1"), false);
  m.dialogs.answers = {kIdNo};
  w.cmdRepairCorruptFiles_Click();
  EXPECT_EQ(texts().size(), 2u);
  EXPECT_NE(texts()[1], kRepairNeedsAdmin);

  // Yes: started again elevated with the same arguments, and this copy ends.
  w.lists.vbatvwResults.userCheck(*w.lists.vbatvwResults.find("C1"), true);
  m.dialogs.answers = {kIdYes};
  w.lists.cmdRepairCorruptFiles.click();
  EXPECT_EQ(shell.restarts, std::vector<std::string>{"-Quick"});
  EXPECT_EQ(ended, 1);

  // Restore writes every row, checked or not.
  frmMain other;
  AddProblemEntry(other.lists.lvwErrors, std::to_string(platform::kHkeyLocalMachine), "v", "x", "Windows Startup",
                  "Software\\X", "HKEY_LOCAL_MACHINE");
  other.lists.lvwErrors.setChecked(0, false);
  shell.restartAccepted = false;
  m.dialogs.answers = {kIdYes};
  other.cmdRestoreNow_Click();
  EXPECT_EQ(texts().back(), kRestoreNeedsAdmin);
  EXPECT_TRUE(other.lists.cmdRestoreNow.enabled);  // the restore did not start
}

TEST_F(MainWindowTest, RestoreLoadsTheChosenSetIntoAnExpandedTree) {
  const auto hkcu = std::to_string(platform::kHkeyCurrentUser);
  m.createFile(
      std::string(test::kBackupRelative) + "HivemendBK1.bkp",
      test::SetText("12/8/2005 3:45:12 PM",
                    {test::RegistryRecordOf(1, hkcu, "HKEY_CURRENT_USER", "Software\\A", "one", "C:\\a.exe"),
                     test::RegistryRecordOf(2, hkcu, "HKEY_CURRENT_USER", "Software\\B", "two", "C:\\b.exe")}));
  w.hooks.showRestoreChooser = [](backup::frmRestore& chooser) {
    chooser.lvwBackups.select(0);
    chooser.cmdOK_Click();
  };
  w.mnuARestore.click();
  EXPECT_EQ(Panels(w.lists), "results ");
  EXPECT_TRUE(w.lists.imgListOfItemsInBackupFile.visible);
  EXPECT_FALSE(w.lists.imgListOfProblems.visible);
  EXPECT_TRUE(w.lists.cmdRestoreNow.visible && w.lists.cmdRestoreNow.enabled);
  EXPECT_FALSE(w.lists.cmdRepairCorruptFiles.visible);
  const auto& tree = w.lists.vbatvwResults;
  ASSERT_EQ(tree.nodeCount(), 3u);
  EXPECT_EQ(tree.node(0).text, "Windows Startup (2 Problems)");
  EXPECT_TRUE(tree.node(0).expanded);

  w.lists.cmdRestoreNow.click();
  EXPECT_EQ(test::ReadValue(platform::kHkeyCurrentUser, "Software\\B", "two").has_value(), true);
  EXPECT_EQ(texts().back(), backup::kRestoreCompleted);

  // A scan afterwards brings back repair mode.
  w.cmdQuickScan_Click();
  EXPECT_TRUE(w.lists.cmdRepairCorruptFiles.visible);
  EXPECT_FALSE(w.lists.cmdRestoreNow.visible);
  EXPECT_TRUE(w.lists.imgListOfProblems.visible);
}

TEST_F(MainWindowTest, SiblingCleanerStartsOnlyWhenPresent) {
  const std::string path = m.machine().files->programFolder() + "\\tidrin.exe";
  w.mnuAInternetSystemCleaner.visible = true;
  w.mnuAInternetSystemCleaner.click();
  EXPECT_EQ(texts(), std::vector<std::string>{path + " file not found."});
  EXPECT_TRUE(shell.launches.empty());

  m.createFile("Program Files\\Hivemend\\TIDRIN.EXE");
  w.mnuAInternetSystemCleaner.click();
  ASSERT_EQ(shell.launches.size(), 1u);
  EXPECT_TRUE(text::equalsNoCase(shell.launches[0].executable, path));
  EXPECT_EQ(texts().size(), 1u);
}

TEST_F(MainWindowTest, ToolsOpenFromBothMenusAndARestartAsAdministratorEndsThisCopy) {
  EXPECT_EQ(w.mnuTuneUp.caption.get(), "&Tools");
  EXPECT_TRUE(w.mnuTuneUp.visible);
  EXPECT_FALSE(w.mnuFile.visible);
  // Nothing to export yet.
  EXPECT_FALSE(w.mnuTuExportListOfProblems.enabled);
  addRow("Help Files", "C:\\Help\\gone.hlp");
  EXPECT_TRUE(w.mnuTuExportListOfProblems.enabled);
  w.lists.lvwErrors.clear();
  EXPECT_FALSE(w.mnuTuExportListOfProblems.enabled);

  // Every opening is a fresh, loaded dialog.
  std::vector<std::string> opened;
  w.hooks.showBootingSpeed = [&](tools::frmBootingSpeed& d) {
    EXPECT_TRUE(d.form.loaded);
    opened.push_back(d.form.caption.get());
  };
  w.hooks.showSpeedInternet = [&](tools::frmSpeedIntenetConnection& d, bool cacheFirst) {
    EXPECT_TRUE(d.optDialUpInternetAccess.value());  // loaded: the first-use choice
    opened.push_back(d.form.caption.get() + (cacheFirst ? " (cache)" : ""));
  };
  for (auto* item : {&w.mnuTuSpeedUpMyComputer, &w.MnuFileSpeedUpMyComputer, &w.mnuTuSpeedUpMyInternet,
                     &w.mnuFileSpeedUpMyInternet, &w.mnuTuClearBrowserCache})
    item->click();
  EXPECT_EQ(opened,
            (std::vector<std::string>{"Hivemend - Speed up your computer", "Hivemend - Speed up your computer",
                                      "Hivemend - Speed up your internet.", "Hivemend - Speed up your internet.",
                                      "Hivemend - Speed up your internet. (cache)"}));
  EXPECT_EQ(ended, 0);

  // A failure inside the opening is logged under the menu handler's label.
  w.hooks.showBootingSpeed = [](tools::frmBootingSpeed&) { throw std::runtime_error("x"); };
  w.hooks.showSpeedInternet = [](tools::frmSpeedIntenetConnection&, bool) { throw std::runtime_error("x"); };
  w.mnuTuSpeedUpMyComputer.click();
  w.mnuTuSpeedUpMyInternet.click();
  EXPECT_NE(m.errorLog().find("MnuFileSpeedUpMyComputer_Click of frmMain"), std::string::npos);
  EXPECT_NE(m.errorLog().find("mnuFileSpeedUpMyInternet_Click  of frmMain"), std::string::npos);

  // Declining to restart as administrator keeps this copy; accepting ends it once the dialog is gone.
  test::SetString(platform::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "x",
                  "C:\\Tools\\t.exe");
  shell.isElevated = false;
  bool shownWhenEnded = true;
  w.hooks.showBootingSpeed = [&](tools::frmBootingSpeed& d) {
    d.lvwWindowsStartupFiles.setChecked(0, false);
    d.cmdDone.click();
    shownWhenEnded = ended > 0;
  };
  m.dialogs.answers = {kIdNo};
  w.mnuTuSpeedUpMyComputer.click();
  EXPECT_EQ(ended, 0);
  m.dialogs.answers = {kIdYes};
  w.mnuTuSpeedUpMyComputer.click();
  EXPECT_EQ(ended, 1);
  EXPECT_FALSE(shownWhenEnded);
  EXPECT_EQ(shell.restarts.size(), 1u);

  frmMain other;
  int otherEnded = 0;
  other.hooks.endProgram = [&] { ++otherEnded; };
  other.hooks.showSpeedInternet = [](tools::frmSpeedIntenetConnection& d, bool) { d.cmdOptimize.click(); };
  m.dialogs.answers = {kIdYes};
  other.mnuFileSpeedUpMyInternet.click();
  EXPECT_EQ(otherEnded, 1);
  EXPECT_EQ(shell.restarts.size(), 2u);
}

}  // namespace
}  // namespace hm
