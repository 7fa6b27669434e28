// The program's icon in the notification area, kept in a tray model that the
// window binding shows (and adds again when the task bar is recreated).
#pragma once

#include <string>

#include "platform/Controls.h"

namespace hm::shell {

class clsTray {
 public:
  explicit clsTray(platform::TrayIconModel& icon) : icon_(icon) {}
  bool bRunningInTray = false;
  // Shows the icon with the window's caption as its tip.
  void ShowIcon(const platform::FormModel& sysTrayForm);
  void RemoveIcon(const platform::FormModel& sysTrayForm);
  // Only while the icon is shown; the tip keeps its first 63 characters.
  void ChangeToolTip(const platform::FormModel& sysTrayForm, const std::string& strNewTip);

 private:
  platform::TrayIconModel& icon_;
};

}  // namespace hm::shell
