// The internet connection tuner: three option buttons for the kind of
// connection (remembered in the settings), Optimize writing that kind's
// TCP/IP values, and Set To Default putting back what Optimize replaced.
#pragma once

#include "platform/Controls.h"
#include "tools/CacheCleaner.h"

namespace hm::tools {

class frmSpeedIntenetConnection {
 public:
  frmSpeedIntenetConnection();
  frmSpeedIntenetConnection(const frmSpeedIntenetConnection&) = delete;
  frmSpeedIntenetConnection& operator=(const frmSpeedIntenetConnection&) = delete;

  platform::FormModel form;
  platform::LabelModel Label2{"Optimize windows for your connection"};
  platform::OptionButtonModel optDialUpInternetAccess{"Dial-Up Internet-Acces"};
  platform::OptionButtonModel optCableInternetAccess{"Cable Internet Access"};
  platform::OptionButtonModel optDSL{"DSL (Digital Subscriber Line)"};
  platform::ButtonModel cmdOptimize{"Optimize"};
  platform::ButtonModel cmdSetToDefault{"Set To Default"};
  platform::ButtonModel cmdClearCache{"Clear Cache"};
  platform::ButtonModel cmdClose{"&Close"};
  platform::LabelModel lblMessage{"Clearing your cache will increase your overall internet speed."};
  platform::PanelModel picProgressBar;
  platform::LabelModel Label1;
  platform::ProgressBarModel pgbProgress;  // the filled part of picProgressBar

  void Form_Load();
  void optDialUpInternetAccess_Click();
  void optCableInternetAccess_Click();
  void optDSL_Click();
  void cmdOptimize_Click();
  void cmdSetToDefault_Click();
  void cmdClearCache_Click();
  void cmdClose_Click();
  void ProgressBar();
  // The cache cleaning behind Clear Cache: the switch, then the cleaning itself.
  CacheCleaning EraseIEFiles();
  CacheCleaning GetCacheURLList();

  // Raised after the program was started again as administrator.
  platform::Handler RestartedElevated;

 private:
  // Keeps the group exclusive: selecting one clears the others.
  void Select(platform::OptionButtonModel& chosen);
  void StoreOption(const char* key, const platform::OptionButtonModel& option);
  // Asks for elevation when needed; false when the command is not to run here.
  bool MayWriteMachineWide();
  void BeginCommand();
  void EndCommand();
};

}  // namespace hm::tools
