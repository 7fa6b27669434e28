#include "shell/StartupWindows.h"

#include "common/ErrorLog.h"
#include "common/Globals.h"
#include "platform/Machine.h"
#include "shell/SettingsStore.h"

namespace hm::shell {

frmSplash::frmSplash() {
  tmrUnload.Timer = [this] { tmrUnload_Timer(); };
}

void frmSplash::Form_Load() {
  try {
    // Restarted so that the two seconds count from the end of loading.
    tmrUnload.enabled = false;
    tmrUnload.enabled = true;
  } catch (...) {
    LogError("Form_Load of frmLoading");
    tmrUnload.enabled = true;  // the splash must still close
  }
}

void frmSplash::tmrUnload_Timer() {
  try {
    tmrUnload.enabled = false;
    form.unload();
  } catch (...) {
    LogError("tmrUnload_Timer  of frmLoading");
    tmrUnload.enabled = false;
  }
}

frmInitailizingDrivers::frmInitailizingDrivers() {
  tmrUnload.Timer = [this] { tmrUnload_Timer(); };
}

void frmInitailizingDrivers::Form_Load() {
  try {
    form.mousePointer = platform::MousePointer::Hourglass;
  } catch (...) {
    LogError("Form_Load of frmInitailizingDrivers");
  }
}

void frmInitailizingDrivers::tmrUnload_Timer() {
  try {
    form.unload();
  } catch (...) {
    LogError("tmrUnload_Timer of frmInitailizingDrivers");
  }
}

void ReadAppVersion() { AppVersion = GetSetting(std::string(kProductName) + "_Version", "Version", "Version", "1.25"); }

bool RunEntryProcedure(const EntryWindows& windows) {
  ReadAppVersion();
  auto& m = platform::machine();
  if (platform::shell().anotherCopyRunning()) {
    m.dialogs->messageBox(std::string(kProductName) + " v" + AppVersion + " is already running.", kProductName,
                          platform::kMbOk | platform::kMbIconInformation);
    return false;
  }
  frmSplash splash;
  if (windows.showSplashModal) windows.showSplashModal(splash);
  if (windows.showMainWindow) windows.showMainWindow();
  return true;
}

}  // namespace hm::shell
