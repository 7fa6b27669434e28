#include "shell/frmAbout.h"

#include <exception>
#include <new>
#include <stdexcept>

#include "common/ErrorLog.h"
#include "common/Globals.h"
#include "platform/Machine.h"
#include "shell/IEOpen.h"

namespace hm::shell {
namespace {

// The description of the failure being handled, as the error log would write it.
std::string CurrentFailure() {
  try {
    throw;
  } catch (const Failure& f) {
    return f.what();
  } catch (const std::bad_alloc&) {
    return ErrorDescription(kErrOutOfMemory);
  } catch (const std::out_of_range&) {
    return ErrorDescription(kErrSubscript);
  } catch (const std::overflow_error&) {
    return ErrorDescription(kErrOverflow);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return ErrorDescription(kErrInvalidCall);
  }
}

// The about box tells its failures instead of logging them.
void ShowFailure() {
  try {
    platform::machine().dialogs->messageBox(CurrentFailure(), kProductName,
                                            platform::kMbOk | platform::kMbIconCritical);
  } catch (...) {
  }
}

}  // namespace

frmAbout::frmAbout() {
  lblURL.Click = [this] { lblURL_Click(); };
  cmdOK.Click = [this] { cmdOK_Click(); };
}

void frmAbout::Form_Load() {
  try {
    form.caption = std::string("About - ") + kProductName + " v " + AppVersion;
    lblProductName.setCaption(kProductName);
    lblVersion.setCaption("Version " + AppVersion);
    lblDisclaimer.setCaption("Copyright (C) 2026 the Hivemend developers. All rights reserved.");
    lblURL.setCaption(kMakerUrl);
    cmdOK.caption = std::string("OK");
  } catch (...) {
    ShowFailure();
  }
}

void frmAbout::lblURL_Click() {
  try {
    OpenWith(lblURL.caption(), "htm");
  } catch (...) {
    ShowFailure();
  }
}

void frmAbout::cmdOK_Click() {
  try {
    form.unload();
  } catch (...) {
    LogError("cmdOK_Click");
  }
}

void mnuHOnlineHelp_Click() {
  try {
    std::string folder = platform::machine().files->programFolder();
    while (!folder.empty() && folder.back() == '\\') folder.pop_back();
    OpenWith(folder + "\\HivemendHelp.htm", "html");
  } catch (...) {
    LogError("mnuHOnlineHelp_Click of frmMain");
  }
}

}  // namespace hm::shell
