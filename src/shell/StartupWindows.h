// The entry procedure and its two small self-closing windows: the splash and
// the (hidden) initializing notice.
#pragma once

#include <functional>
#include <string>

#include "platform/Controls.h"

namespace hm::shell {

class frmSplash {
 public:
  frmSplash();
  platform::FormModel form;
  platform::LabelModel lblLoading{"Loading..."};
  platform::TimerModel tmrUnload{2000, true};
  void Form_Load();
  void tmrUnload_Timer();
};

class frmInitailizingDrivers {
 public:
  frmInitailizingDrivers();
  platform::FormModel form;
  platform::PanelModel picInitalizing;
  platform::LabelModel lblInitailizing{"initializing drives..Please wait."};
  platform::TimerModel tmrUnload{3000, true};
  void Form_Load();
  void tmrUnload_Timer();
};

// Reads AppVersion from the settings store ("1.25" when missing).
void ReadAppVersion();

// What the entry procedure asks of the window system.
struct EntryWindows {
  // Shows the splash (its binding raises Form_Load and the timer) and
  // returns when the splash unloaded.
  std::function<void(frmSplash&)> showSplashModal;
  std::function<void()> showMainWindow;
};

// The entry procedure: reads AppVersion, refuses a second copy (false, after
// the message), shows the splash, then the main window.
bool RunEntryProcedure(const EntryWindows& windows);

}  // namespace hm::shell
