// The about box: product, version, copyright and the maker's web address as a link.
#pragma once

#include <string>

#include "platform/Controls.h"

namespace hm::shell {

inline constexpr const char* kMakerUrl = "https://hivemend.example.org/";

class frmAbout {
 public:
  frmAbout();
  frmAbout(const frmAbout&) = delete;
  frmAbout& operator=(const frmAbout&) = delete;

  platform::FormModel form;
  platform::PanelModel ImgHeader;
  platform::LabelModel lblProductName;
  platform::LabelModel lblVersion;
  platform::LabelModel lblDisclaimer;
  platform::LabelModel lblURL;
  platform::ButtonModel cmdOK{"OK"};

  void Form_Load();
  void lblURL_Click();
  void cmdOK_Click();
};

// The help item of the main window's Help menu: opens the help file beside the program.
void mnuHOnlineHelp_Click();

}  // namespace hm::shell
