#include "mainwindow/ScanCommands.h"

#include "common/ErrorLog.h"
#include "common/Globals.h"
#include "mainwindow/ScanDriver.h"
#include "scan/Sections.h"

namespace hm {

std::size_t RunScan(ScanLists& lists, ScanKind kind) {
  try {
    LoadRegistryValues(lists.lvwRegistryvaluesScan, kind == ScanKind::Deep);
    CancelScan = false;
    lists.lvwErrors.clear();
    lists.lvwResultProgress.clear();
    lists.cmdCancel.enabled = true;
    lists.cmdCancel.visible = true;
    ScanRegistryAndHardDisk(lists);
    lists.cmdCancel.visible = false;
  } catch (...) {
    LogError(kind == ScanKind::Deep ? "cmdDeepScan of frmMain" : "cmdQucikScan of frmMain");
  }
  return lists.lvwErrors.rowCount();
}

}  // namespace hm
