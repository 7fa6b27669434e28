// The start-up programs manager: lists the programs Windows starts from the
// machine-wide Run key with a check box each, and the programs taken out
// earlier unchecked; Done takes the cleared ones out and puts the checked
// kept ones back.
#pragma once

#include <string>
#include <vector>

#include "platform/Controls.h"
#include "tools/StartupPrograms.h"

namespace hm::tools {

class frmBootingSpeed {
 public:
  frmBootingSpeed();
  frmBootingSpeed(const frmBootingSpeed&) = delete;
  frmBootingSpeed& operator=(const frmBootingSpeed&) = delete;

  platform::FormModel form;
  platform::LabelModel lblSpeedUpComputer{"Speed Up Your Computer "};
  platform::LabelModel lblComments{
      "To stop any of these files from running when Windows start, therefore speeding up your computer, simply "
      "uncheck the box next to it name. At any time in the future, if you would like to put any of these files back "
      "in the windows startup, simply recheck the box by its name."};
  platform::ListViewModel lvwWindowsStartupFiles;
  platform::PanelModel PicSpeedUpYourComputer;
  platform::ButtonModel cmdDone{"Done"};
  platform::ButtonModel cmdClose{"&Close"};

  // One entry per row, in row order.
  const std::vector<StartupEntry>& entries() const { return entries_; }

  void Form_Load();
  void cmdDone_Click();
  void cmdClose_Click();

  // Raised after the program was started again as administrator, so the
  // main window ends this copy.
  platform::Handler RestartedElevated;

 private:
  void EnableInput(bool on);
  std::vector<StartupEntry> entries_;
};

}  // namespace hm::tools
