// The options dialog: three switches kept in the settings store, one of which
// also writes or removes the program's start-up entry in the machine-wide Run key.
#pragma once

#include <string>
#include <vector>

#include "platform/Controls.h"

namespace hm::shell {

inline constexpr const char* kRunKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

class frmOptionsAndSettings {
 public:
  frmOptionsAndSettings();
  frmOptionsAndSettings(const frmOptionsAndSettings&) = delete;
  frmOptionsAndSettings& operator=(const frmOptionsAndSettings&) = delete;

  platform::FormModel form{"Options"};
  platform::PanelModel fraSettings;  // the frame "Settings"
  platform::CheckBoxModel chkMinimizeToSysTray{"Minimize into my system tray  at Start-up"};
  platform::CheckBoxModel chkRunAtStartup{"Run at Start-up"};
  platform::CheckBoxModel chkTakeBackup{"Always take backup before cleaning Registry (Recomended)"};
  platform::ButtonModel cmdCancel{"C&lose"};
  platform::ButtonModel cmdApply{"&Apply"};
  // The kept entries, and the button that stops keeping the selected one (at
  // once, not on Apply: the next scan reports it again).
  platform::ListViewModel lvwKeptEntries{{"Kept entry", "Section", "Kept on"}};
  platform::ButtonModel cmdStopKeeping{"&Stop keeping"};

  // Reads the three settings into the boxes; Apply starts disabled.
  void Form_Load();
  // Saves the three settings and writes or removes the start-up entry.
  void cmdApply_Click();
  void cmdCancel_Click();
  void cmdStopKeeping_Click();

  // Raised after the program was started again as administrator: the main
  // window ends this copy, which the new one would otherwise meet as a
  // second copy.
  platform::Handler RestartedElevated;

  // The start-up entry's value name and data for this program.
  static std::string StartupValueName();
  static std::string StartupValueData();

 private:
  // Writes or removes the start-up entry and says whether the Run key now
  // holds what the box asks for.
  bool ApplyStartupEntry(bool runAtStartup);
  // Whether the Run key differs from what the box asks for.
  bool StartupEntryNeedsChange(bool runAtStartup);
  void LoadKeptEntries();

  std::vector<std::string> keptIds_;  // by row of lvwKeptEntries
  platform::Subscription keptSelection_;
};

}  // namespace hm::shell
