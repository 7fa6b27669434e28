// The smaller dialogs of the program as real windows: each binds the logic's
// control models to a dialog template and runs it until the logic unloads it.
// The caller loads the logic (Form_Load) first; these only show it.
#pragma once

#include <windows.h>

#include "backup/Restore.h"
#include "shell/StartupWindows.h"
#include "shell/frmAbout.h"
#include "shell/frmOptionsAndSettings.h"
#include "tools/frmBootingSpeed.h"
#include "tools/frmSpeedIntenetConnection.h"

namespace hm::gui {

void ShowOptionsDialog(HWND owner, hm::shell::frmOptionsAndSettings& form);
void ShowAboutDialog(HWND owner, hm::shell::frmAbout& form);
void ShowRestoreChooser(HWND owner, hm::backup::frmRestore& form);
void ShowSplash(hm::shell::frmSplash& form);  // modal, returns when its timer unloaded it
HWND CreateInitializingWindow(HWND owner, hm::shell::frmInitailizingDrivers& form);  // hidden, never shown
void ShowBootingSpeedDialog(HWND owner, hm::tools::frmBootingSpeed& form);
// `cacheFirst`: opened for the browser cache, so its button has the focus.
void ShowSpeedInternetDialog(HWND owner, hm::tools::frmSpeedIntenetConnection& form, bool cacheFirst = false);

}  // namespace hm::gui
