// The main window's logic: the scan, repair and restore commands, the results
// tree, the menus, the tray icon and the window's life. It only touches
// control models; a window binding (or a test) shows them, raises the
// handlers and fills the hooks through which other windows are shown.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backup/Restore.h"
#include "mainwindow/Repair.h"
#include "platform/Controls.h"
#include "scan/ScanLists.h"
#include "shell/cVBALSysImageList.h"
#include "shell/clsTray.h"

namespace hm {
namespace shell {
class frmOptionsAndSettings;
class frmAbout;
}  // namespace shell
namespace tools {
class frmBootingSpeed;
class frmSpeedIntenetConnection;
}  // namespace tools

inline constexpr const char* kNoProblemFound = "Congratulations!!! No problem found.";
inline constexpr const char* kStopScanningFirst = "Stop scanning and then exit.";
inline constexpr const char* kConfirmClose = "Are you sure want to close this application?";
inline constexpr const char* kCancelToolTip = "Click this button if you are sure you want to cancel the scan.";
inline constexpr const char* kRepairNeedsAdmin =
    "Repairing entries of HKEY_LOCAL_MACHINE needs administrator rights. Start Hivemend again as administrator?";
inline constexpr const char* kRestoreNeedsAdmin =
    "Restoring entries of HKEY_LOCAL_MACHINE needs administrator rights. Start Hivemend again as administrator?";
inline constexpr const char* kSiblingCleaner = "tidrin.exe";
inline constexpr const char* kKeepThisEntry = "Keep this entry (don't report it again)";
inline constexpr const char* kEntryNotKept = "The entry could not be kept; it will be reported again.";

// Tray notifications, as the mouse message numbers the icon reports.
inline constexpr int kTrayLeftDoubleClick = 515;
inline constexpr int kTrayRightButtonUp = 517;

// What the main window asks of the window system beyond its models.
struct MainWindowHooks {
  std::function<void(shell::frmOptionsAndSettings&)> showOptions;  // modal
  std::function<void(shell::frmAbout&)> showAbout;                 // modal
  std::function<void(backup::frmRestore&)> showRestoreChooser;     // modal
  std::function<void(tools::frmBootingSpeed&)> showBootingSpeed;   // modal
  // Modal; `cacheFirst` when it was opened for the browser cache.
  std::function<void(tools::frmSpeedIntenetConnection&, bool cacheFirst)> showSpeedInternet;
  std::function<void(platform::MenuItemModel& menu)> popupMenu;  // at the mouse position
  std::function<void()> endProgram;                              // at once, no further events
  // Writes the registry (and a prefix's hives) for repair and restore.
  std::function<bool(std::string& error)> saveChanges;
};

class frmMain {
 public:
  frmMain();
  ~frmMain();
  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;

  MainWindowHooks hooks;

  platform::FormModel form;
  ScanLists lists;  // the scan side's controls, shared with repair and restore
  platform::LabelModel lblStatus{"####"};
  platform::TimerModel tmrUnload{100, false};
  platform::TrayIconModel trayIcon;

  // Menus, in menu-bar order; a top-level menu's items follow it.
  platform::MenuItemModel mnuAction{"Action"};
  platform::MenuItemModel mnuAQuickScan{"&Quick Scan"};
  platform::MenuItemModel mnuADeepScan{"&Deep Scan"};
  platform::MenuItemModel mnuARestore{"&Restore"};
  platform::MenuItemModel mnuAInternetSystemCleaner{"Internet && System &Cleaner"};
  platform::MenuItemModel mnuAS1{"-"};
  platform::MenuItemModel mnuExit{"E&xit"};
  // The tune-up tools and the export, also reachable from the hidden "File" menu.
  platform::MenuItemModel mnuTuneUp{"&Tools"};
  platform::MenuItemModel mnuTuSpeedUpMyComputer{"Speed Up My &Computer..."};
  platform::MenuItemModel mnuTuSpeedUpMyInternet{"Speed Up My &Internet..."};
  platform::MenuItemModel mnuTuClearBrowserCache{"Clear Browser &Cache..."};
  platform::MenuItemModel mnuTuS1{"-"};
  platform::MenuItemModel mnuTuExportListOfProblems{"&Export List of Problems..."};
  platform::MenuItemModel mnuTools{"&Settings"};
  platform::MenuItemModel mnuTOptionsAndSettings{"Options"};
  platform::MenuItemModel mnuFile{"File"};  // hidden
  platform::MenuItemModel mnuFileScanforProblems{"Scan for problems"};
  platform::MenuItemModel MnuFileSpeedUpMyComputer{"Speed Up My Computer"};
  platform::MenuItemModel mnuFileSpeedUpMyInternet{"Speed Up My Internet"};
  platform::MenuItemModel mnuFilePrintListofErrors{"Print List of Errors"};
  platform::MenuItemModel mnuFileLine{"-"};
  platform::MenuItemModel mnuFileExit{"Exit"};
  platform::MenuItemModel mnuHelp{"Help"};
  platform::MenuItemModel mnuHOnlineHelp;
  platform::MenuItemModel mnuHS1{"-"};
  platform::MenuItemModel mnuHelpAboutThisProgram;
  platform::MenuItemModel mnuTray{"Tray Menu"};  // hidden; a pop-up of the tray icon
  platform::MenuItemModel mnuShowSysmend;
  platform::MenuItemModel mnuCloseThisMenu{"Close this menu"};
  platform::MenuItemModel mnuS1{"-"};
  platform::MenuItemModel mnuTrayExit{"Exit"};
  platform::MenuItemModel mnuResults{"Results Menu"};  // hidden; the results tree's context menu
  platform::MenuItemModel mnuRKeepEntry{kKeepThisEntry};

  // Window events.
  void Form_Load();
  void Form_Activate();
  void Form_Resize();
  // A tray notification: the mouse message number (515, 517, ...).
  void Form_MouseMove(int trayMessage);
  // Every close request; false refuses it (the window stays open).
  bool Form_QueryUnload();
  // Windows ends the session: never refused; stops a scan and ends cleanly.
  void Form_EndSession();
  void tmrUnload_Timer();
  void ExitApplication();

  // Scan commands, progress and cancel.
  void cmdQuickScan_Click();
  void cmdDeepScan_Click();
  void cmdCancel_Click();
  void cmdCancel_MouseMove();
  void TmrIncrementProgressBar_Timer();

  // Results tree.
  void setUpImageList();
  void setUpColumns();
  int iconIndex(int id);
  void LoadResultsTree(const std::string& mode);
  void vbatvwResults_nodeCheck(std::size_t node);
  // The keep list: a problem node keeps its entry, a section node its checked ones.
  void vbatvwResults_ContextMenu(std::size_t node);
  void mnuRKeepEntry_Click();
  // Shows why the selected problem was flagged.
  void vbatvwResults_SelectionChanged();

  // Repair, restore, export.
  RepairResult cmdRepairCorruptFiles_Click();
  void cmdRestore_Click();
  void cmdRestoreNow_Click();
  void mnuFilePrintListofErrors_Click();

  // The tune-up tools, each shown modally.
  void MnuFileSpeedUpMyComputer_Click();
  void mnuFileSpeedUpMyInternet_Click();

  // Menu items.
  void mnuAInternetSystemCleaner_Click();
  void mnuTOptionsAndSettings_Click();
  void mnuHOnlineHelp_Click();
  void mnuHelpAboutThisProgram_Click();
  void mnuShowSysmend_Click();

  // Whether a scan runs: the cancel button is visible.
  bool scanning() const { return lists.cmdCancel.visible; }

  backup::RestoreSession restore;
  std::unique_ptr<shell::cVBALSysImageList> sysImageList;
  std::unique_ptr<shell::clsTray> tray;

 private:
  void startScan(bool deep);
  void runScan(bool deep);
  // Steps out of the scanning state: buttons, menus, timer and labels as after a scan.
  void leaveScanningState();
  // False when the work must not start: not elevated and rows of
  // HKEY_LOCAL_MACHINE to write (after offering a restart as administrator).
  bool mayWriteMachineRows(bool checkedOnly, const char* question);
  // Ends the program now, or after the repair or restore under way returns.
  void endProgramNow(bool evenWhileWriting = false);
  void finishPendingExit();
  std::string trayCaption() const;
  // The status line after a scan: how many kept entries it passed over.
  void showKeptNotShown();
  // The problem-list rows the context menu's node stands for.
  std::vector<std::size_t> rowsToKeep() const;
  // Takes kept rows out of the problem list and rebuilds the tree, keeping
  // the other rows' and sections' check marks and open sections.
  void dropKeptRows(const std::vector<std::size_t>& rows);
  void showSpeedInternet(bool cacheFirst);

  bool quickScanStarted_ = false;
  bool scanOnStack_ = false;  // the driver has not returned yet (it may be cancelled and unwinding)
  int pendingScan_ = 0;       // a scan asked for while a cancelled one unwinds: 1 quick, 2 deep
  int writing_ = 0;           // repair or restore under way
  bool exitPending_ = false;  // an exit confirmed while writing_
  bool ended_ = false;
  std::optional<std::size_t> contextNode_;  // the node whose context menu is open
  platform::Subscription problemsWatch_;    // the export item is enabled while there is a problem to export
};

}  // namespace hm
