#include "mainwindow/frmMain.h"

#include <utility>

#include "common/ErrorLog.h"
#include "common/Globals.h"
#include "common/ProductMessage.h"
#include "common/RegistryAccess.h"
#include "mainwindow/ScanDriver.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "scan/Sections.h"
#include "shell/SettingsStore.h"
#include "shell/frmAbout.h"
#include "shell/frmOptionsAndSettings.h"
#include "tools/frmBootingSpeed.h"
#include "tools/frmSpeedIntenetConnection.h"

namespace hm {
namespace {

using platform::kIdNo;
using platform::kIdYes;
using platform::kMbIconInformation;
using platform::kMbIconQuestion;
using platform::kMbOk;
using platform::kMbYesNo;

// Runs a handler; whatever it throws is logged under its label and goes no further.
template <class F>
void trapped(const char* label, F&& f) {
  try {
    f();
  } catch (...) {
    LogError(label);
  }
}

// Counts a repair or restore under way, so an exit waits for it.
class WritingScope {
 public:
  explicit WritingScope(int& depth) : depth_(depth) { ++depth_; }
  ~WritingScope() { --depth_; }
  WritingScope(const WritingScope&) = delete;
  WritingScope& operator=(const WritingScope&) = delete;

 private:
  int& depth_;
};

}  // namespace

frmMain::frmMain() : tray(std::make_unique<shell::clsTray>(trayIcon)) {
  mnuAInternetSystemCleaner.visible = false;
  mnuFile.visible = false;
  mnuFileScanforProblems.enabled = false;
  mnuTray.visible = false;
  mnuResults.visible = false;

  lists.cmdQuickScan.Click = [this] { cmdQuickScan_Click(); };
  lists.cmdDeepScan.Click = [this] { cmdDeepScan_Click(); };
  lists.cmdRestore.Click = [this] { cmdRestore_Click(); };
  lists.cmdCancel.Click = [this] { cmdCancel_Click(); };
  lists.cmdCancel.MouseMove = [this] { cmdCancel_MouseMove(); };
  lists.cmdRepairCorruptFiles.Click = [this] { cmdRepairCorruptFiles_Click(); };
  lists.cmdRestoreNow.Click = [this] { cmdRestoreNow_Click(); };
  lists.TmrIncrementProgressBar.Timer = [this] { TmrIncrementProgressBar_Timer(); };
  lists.vbatvwResults.NodeCheck = [this](std::size_t node) { vbatvwResults_nodeCheck(node); };
  lists.vbatvwResults.ContextMenu = [this](std::size_t node) { vbatvwResults_ContextMenu(node); };
  lists.vbatvwResults.SelectionChanged = [this] { vbatvwResults_SelectionChanged(); };
  tmrUnload.Timer = [this] { tmrUnload_Timer(); };

  mnuAQuickScan.Click = [this] { trapped("mnuAQuickScan_Click of frmMain", [this] { cmdQuickScan_Click(); }); };
  mnuADeepScan.Click = [this] { trapped("mnuADeepScan_Click of frmMain", [this] { cmdDeepScan_Click(); }); };
  mnuARestore.Click = [this] { trapped("mnuARestore_Click of frmMain", [this] { cmdRestore_Click(); }); };
  mnuAInternetSystemCleaner.Click = [this] { mnuAInternetSystemCleaner_Click(); };
  mnuExit.Click = [this] { trapped("mnuExit_Click of frmMain", [this] { ExitApplication(); }); };
  mnuTOptionsAndSettings.Click = [this] { mnuTOptionsAndSettings_Click(); };
  mnuFileScanforProblems.Click = [] {};
  mnuFilePrintListofErrors.Click = [this] { mnuFilePrintListofErrors_Click(); };
  MnuFileSpeedUpMyComputer.Click = [this] { MnuFileSpeedUpMyComputer_Click(); };
  mnuFileSpeedUpMyInternet.Click = [this] { mnuFileSpeedUpMyInternet_Click(); };
  mnuTuSpeedUpMyComputer.Click = [this] { MnuFileSpeedUpMyComputer_Click(); };
  mnuTuSpeedUpMyInternet.Click = [this] { mnuFileSpeedUpMyInternet_Click(); };
  mnuTuClearBrowserCache.Click = [this] {
    trapped("mnuFileSpeedUpMyInternet_Click  of frmMain", [this] { showSpeedInternet(true); });
  };
  mnuTuExportListOfProblems.Click = [this] { mnuFilePrintListofErrors_Click(); };
  mnuTuExportListOfProblems.enabled = false;
  problemsWatch_ = platform::Subscription(lists.lvwErrors, [this](const platform::Change&) {
    mnuTuExportListOfProblems.enabled = lists.lvwErrors.rowCount() > 0;
  });
  mnuFileExit.Click = [] {};
  mnuHOnlineHelp.Click = [this] { mnuHOnlineHelp_Click(); };
  mnuHelpAboutThisProgram.Click = [this] { mnuHelpAboutThisProgram_Click(); };
  mnuShowSysmend.Click = [this] { mnuShowSysmend_Click(); };
  mnuCloseThisMenu.Click = [] {};
  mnuTrayExit.Click = [this] { trapped("mnuTrayExit_Click of frmMain", [this] { ExitApplication(); }); };
  mnuRKeepEntry.Click = [this] { mnuRKeepEntry_Click(); };
}

frmMain::~frmMain() = default;

std::string frmMain::trayCaption() const { return std::string(kProductName) + " v" + AppVersion; }

// ---- the window's life ----

void frmMain::Form_Load() {
  trapped("Form_Load  of frmMain", [this] {
    form.mousePointer = platform::MousePointer::Arrow;
    form.caption = kProductName;
    lists.cmdCancel.visible = false;
    lists.picMain.visible = true;
    lists.picScanning.visible = false;
    lists.PicResults.visible = false;
    mnuHelpAboutThisProgram.caption = std::string("About ") + kProductName;
    mnuHOnlineHelp.caption = std::string(kProductName) + " Online Help...";
    tray->ShowIcon(form);
    tray->ChangeToolTip(form, trayCaption());
    mnuShowSysmend.caption = trayCaption();
    lists.cmdRepairCorruptFiles.enabled = true;
    mnuFileScanforProblems.enabled = false;
    lists.lblTotalErrors.visible = false;
    form.caption = kProductName;
    lists.TmrIncrementProgressBar.enabled = false;
    lists.pgbDeletingErrors.visible = false;
    lists.lblStatusOfActionTaken.visible = false;
    lists.pgbDeletingErrors.value = 0;
    lblStatus.setCaption("Ready");
    setUpImageList();
    setUpColumns();
    if (GetSetting(kProductName, "Options", "chkMinimizeToSysTray", "False") == "True") {
      form.windowState = platform::WindowState::Minimized;
      Form_Resize();
    }
  });
}

void frmMain::Form_Activate() {
  trapped("Form_Activate of frmMain", [this] {
    if (quickScanStarted_) return;
    platform::ShellPort* shellPort = platform::machine().shell;
    if (shellPort == nullptr || !text::containsNoCase(shellPort->commandLine(), "-Quick")) return;
    quickScanStarted_ = true;
    cmdQuickScan_Click();
  });
}

void frmMain::Form_Resize() {
  trapped("Form_Resize of frmMain", [this] {
    if (form.windowState != platform::WindowState::Minimized) return;
    mnuTrayExit.enabled = true;
    mnuShowSysmend.caption = trayCaption();
    form.visible = false;
  });
}

void frmMain::Form_MouseMove(int trayMessage) {
  trapped("MouseMove of frmMain", [this, trayMessage] {
    if (!tray || !tray->bRunningInTray) return;
    if (trayMessage == kTrayLeftDoubleClick) {
      form.windowState = platform::WindowState::Normal;
      form.visible = true;
      form.windowState = platform::WindowState::Normal;
      if (mnuTray.visible) mnuTray.visible = false;
    } else if (trayMessage == kTrayRightButtonUp) {
      if (hooks.popupMenu) hooks.popupMenu(mnuTray);
    }
  });
}

void frmMain::mnuShowSysmend_Click() {
  trapped("mnuShowSysmend_Click of frmMain", [this] {
    form.windowState = platform::WindowState::Normal;
    form.visible = true;
  });
}

bool frmMain::Form_QueryUnload() {
  trapped("Form_QueryUnload of frmMain", [this] {
    if (scanning()) {
      ProductMessage(kStopScanningFirst, kMbOk | kMbIconInformation);
      return;
    }
    if (ProductMessage(kConfirmClose, kMbYesNo | kMbIconQuestion) == kIdYes) tmrUnload.enabled = true;
  });
  return false;  // the program ends through tmrUnload, never through a close
}

void frmMain::Form_EndSession() {
  // Windows is ending the session: nothing waits, not even a repair.
  endProgramNow(true);
}

void frmMain::tmrUnload_Timer() {
  trapped("tmrUnload_Timer of frmMain", [this] {
    tmrUnload.enabled = false;
    endProgramNow();
  });
}

void frmMain::ExitApplication() {
  trapped("ExitApplication", [this] {
    if (scanning()) {
      ProductMessage(kStopScanningFirst, kMbOk | kMbIconInformation);
      return;
    }
    if (ProductMessage(kConfirmClose, kMbYesNo | kMbIconQuestion) == kIdNo) return;
    endProgramNow();
  });
}

void frmMain::endProgramNow(bool evenWhileWriting) {
  CancelScan = true;
  if (ended_) return;
  if (writing_ > 0 && !evenWhileWriting) {
    // A repair or restore stopped half-way would leave its changes unsaved.
    exitPending_ = true;
    return;
  }
  ended_ = true;
  try {
    if (tray) tray->RemoveIcon(form);
  } catch (...) {
    LogError("ExitApplication");
  }
  sysImageList.reset();
  tray.reset();
  if (hooks.endProgram) hooks.endProgram();
}

void frmMain::finishPendingExit() {
  if (exitPending_ && writing_ == 0) {
    exitPending_ = false;
    endProgramNow();
  }
}

// ---- scan commands ----

void frmMain::cmdQuickScan_Click() { startScan(false); }
void frmMain::cmdDeepScan_Click() { startScan(true); }

void frmMain::startScan(bool deep) {
  if (scanOnStack_) {
    // The cancelled scan is still returning through the pump; this one follows it.
    pendingScan_ = deep ? 2 : 1;
    return;
  }
  runScan(deep);
  while (pendingScan_ != 0 && !ended_) {
    const bool nextDeep = pendingScan_ == 2;
    pendingScan_ = 0;
    runScan(nextDeep);
  }
}

void frmMain::leaveScanningState() {
  lists.cmdRepairCorruptFiles.enabled = true;
  lists.cmdRepairCorruptFiles.visible = true;
  lists.cmdRestoreNow.visible = false;
  lists.pgbDeletingErrors.visible = false;
  lists.TmrIncrementProgressBar.enabled = false;
  mnuAQuickScan.enabled = true;
  mnuADeepScan.enabled = true;
  mnuARestore.enabled = true;
  lists.lblRegistryScan.visible = false;
  lists.lblRegistryFilesScan.visible = false;
  lists.cmdQuickScan.enabled = true;
  lists.cmdDeepScan.enabled = true;
  lists.cmdRestore.enabled = true;
  lists.cmdCancel.visible = false;
}

void frmMain::runScan(bool deep) {
  struct OnStack {
    bool& flag;
    explicit OnStack(bool& f) : flag(f) { flag = true; }
    ~OnStack() { flag = false; }
  } onStack(scanOnStack_);
  try {
    LoadRegistryValues(lists.lvwRegistryvaluesScan, deep);
    CancelScan = false;
    lists.vbatvwResults.clear();
    lists.imgListOfProblems.visible = true;
    lists.imgListOfItemsInBackupFile.visible = false;
    lists.picMain.visible = false;
    lists.PicResults.visible = false;
    lists.picScanning.visible = true;
    mnuAQuickScan.enabled = false;
    mnuADeepScan.enabled = false;
    mnuARestore.enabled = false;
    lists.lvwErrors.clear();
    lists.lvwResultProgress.visible = true;
    lists.PgbScanning.value = 0;
    lists.PgbScanning.visible = true;
    lists.TmrIncrementProgressBar.enabled = true;
    lists.cmdQuickScan.enabled = false;
    lists.cmdDeepScan.enabled = false;
    lists.cmdRestore.enabled = false;
    lists.cmdCancel.enabled = true;
    lists.cmdCancel.visible = true;
    lists.lvwResultProgress.clear();
    lists.lblRegistryScan.visible = true;
    lists.lblRegistryFilesScan.visible = true;

    ScanRegistryAndHardDisk(lists);
    showKeptNotShown();

    leaveScanningState();
    if (lists.lvwErrors.rowCount() > 0) {
      LoadResultsTree("Results");
      lists.picFixProblemLowerBase.visible = true;
      lists.picRestoreLowerBase.visible = false;
      lists.PicResults.visible = true;
      lists.picScanning.visible = false;
      lists.cmdRepairCorruptFiles.enabled = true;
      lists.lblTotalErrors.visible = true;
      lists.lblTotalErrors.setCaption(std::to_string(lists.lvwErrors.rowCount()));
    } else {
      lists.picMain.visible = true;
      lists.picScanning.visible = false;
      lists.PicResults.visible = false;
      if (!CancelScan) ProductMessage(kNoProblemFound, kMbOk | kMbIconInformation);
    }
  } catch (...) {
    LogError(deep ? "cmdDeepScan of frmMain" : "cmdQucikScan of frmMain");
    // Never leave the window in the scanning state: with the cancel button
    // visible, it could not be closed any more.
    try {
      leaveScanningState();
      if (lists.picScanning.visible) {
        lists.picScanning.visible = false;
        const bool any = lists.vbatvwResults.nodeCount() > 0;
        lists.PicResults.visible = any;
        lists.picMain.visible = !any;
      }
    } catch (...) {
    }
  }
}

void frmMain::cmdCancel_Click() {
  trapped("cmdCancel_Click of frmMain", [this] {
    CancelScan = true;
    lists.TmrIncrementProgressBar.enabled = false;
    lists.cmdQuickScan.enabled = true;
    lists.cmdDeepScan.enabled = true;
    lists.cmdRestore.enabled = true;
    lists.cmdCancel.visible = false;
    lists.picScanning.visible = false;
    lists.PicResults.visible = true;
  });
}

void frmMain::cmdCancel_MouseMove() {
  trapped("cmdCancel_MouseMove of frmMain", [this] { lists.cmdCancel.toolTip = kCancelToolTip; });
}

void frmMain::TmrIncrementProgressBar_Timer() {
  trapped("TmrIncrementProgressBar_Timer of frmMain", [this] {
    auto& bar = lists.PgbScanning;
    bar.value = bar.value >= 99 ? 0 : bar.value + 1;
  });
}

// ---- repair and restore ----

bool frmMain::mayWriteMachineRows(bool checkedOnly, const char* question) {
  platform::ShellPort* shellPort = platform::machine().shell;
  if (shellPort == nullptr || shellPort->elevated()) return true;
  bool machineRows = false;
  for (const platform::ListRow& row : lists.lvwErrors.rows()) {
    if (checkedOnly && !row.checked) continue;
    const std::string_view mainKey = row.cells.at(kMainKey);
    if (IsNumeric(mainKey) && ToLong(mainKey) == platform::kHkeyLocalMachine) {
      machineRows = true;
      break;
    }
  }
  if (!machineRows) return true;
  if (ProductMessage(question, kMbYesNo | kMbIconQuestion) == kIdYes &&
      shellPort->restartElevated(shellPort->commandLine()))
    endProgramNow();
  return false;
}

RepairResult frmMain::cmdRepairCorruptFiles_Click() {
  RepairResult result;
  try {
    if (!mayWriteMachineRows(true, kRepairNeedsAdmin)) return result;
    WritingScope scope(writing_);
    RepairOptions options;
    options.saveChanges = hooks.saveChanges;
    result = hm::cmdRepairCorruptFiles_Click(lists, options);
  } catch (...) {
    LogError("cmdRepairCorruptFiles_Click of frmMain");
  }
  finishPendingExit();
  return result;
}

void frmMain::cmdRestore_Click() {
  try {
    restore.showChooser = hooks.showRestoreChooser;
    if (backup::cmdRestore_Click(lists, restore)) {
      lists.picMain.visible = false;
      lists.keptNotShown = 0;  // the tree now shows a backup set, not a scan
      showKeptNotShown();
      LoadResultsTree("Restore");
    } else if (lists.PicResults.visible && lists.lvwErrors.rowCount() == 0 && lists.vbatvwResults.nodeCount() > 0) {
      // A set without records emptied the problem list: the old tree's nodes
      // would stand for rows that are gone.
      lists.vbatvwResults.clear();
    }
  } catch (...) {
    LogError("cmdRestore of frmMain");
  }
}

void frmMain::cmdRestoreNow_Click() {
  try {
    if (!mayWriteMachineRows(false, kRestoreNeedsAdmin)) return;
    WritingScope scope(writing_);
    restore.saveChanges = hooks.saveChanges;
    backup::cmdRestoreNow_Click(lists, restore);
  } catch (...) {
    LogError("cmdRestoreNow of frmMain");
  }
  finishPendingExit();
}

// ---- menu items ----

void frmMain::mnuAInternetSystemCleaner_Click() {
  trapped("mnuAInternetSystemCleaner_Click of frmMain", [] {
    auto& m = platform::machine();
    const std::string path = m.files->programFolder() + "\\" + kSiblingCleaner;
    if (m.files->findFirst(path, false) == platform::FindResult::Found) {
      if (!m.shell || !m.shell->startProgram(path)) Raise(kErrFileNotFound, "\"" + path + "\" could not be started");
      return;
    }
    ProductMessage(path + " file not found.", kMbOk | kMbIconInformation);
  });
}

void frmMain::mnuTOptionsAndSettings_Click() {
  trapped("mnuTOptionsAndSettings_Click of frmMain", [this] {
    shell::frmOptionsAndSettings options;
    // The copy started as administrator would meet this one as a second copy.
    options.RestartedElevated = [this] { endProgramNow(); };
    options.Form_Load();
    if (hooks.showOptions) hooks.showOptions(options);
  });
}

void frmMain::MnuFileSpeedUpMyComputer_Click() {
  trapped("MnuFileSpeedUpMyComputer_Click of frmMain", [this] {
    tools::frmBootingSpeed dialog;
    bool restarted = false;
    dialog.RestartedElevated = [&restarted] { restarted = true; };
    dialog.Form_Load();
    if (hooks.showBootingSpeed) hooks.showBootingSpeed(dialog);
    // The copy started as administrator would meet this one as a second copy.
    if (restarted) endProgramNow();
  });
}

void frmMain::mnuFileSpeedUpMyInternet_Click() {
  trapped("mnuFileSpeedUpMyInternet_Click  of frmMain", [this] { showSpeedInternet(false); });
}

void frmMain::showSpeedInternet(bool cacheFirst) {
  tools::frmSpeedIntenetConnection dialog;
  bool restarted = false;
  dialog.RestartedElevated = [&restarted] { restarted = true; };
  dialog.Form_Load();
  if (hooks.showSpeedInternet) hooks.showSpeedInternet(dialog, cacheFirst);
  if (restarted) endProgramNow();
}

void frmMain::mnuHOnlineHelp_Click() { shell::mnuHOnlineHelp_Click(); }

void frmMain::mnuHelpAboutThisProgram_Click() {
  trapped("mnuHelpAboutThisProgram of frmMain", [this] {
    shell::frmAbout about;
    about.Form_Load();
    if (hooks.showAbout) hooks.showAbout(about);
  });
}

}  // namespace hm
