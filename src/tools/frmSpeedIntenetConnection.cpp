#include "tools/frmSpeedIntenetConnection.h"

#include <chrono>
#include <string>
#include <thread>

#include "common/DoEvents.h"
#include "common/ErrorLog.h"
#include "common/Globals.h"
#include "common/RegistryAccess.h"
#include "platform/Machine.h"
#include "shell/SettingsStore.h"
#include "tools/ConnectionTuning.h"

namespace hm::tools {
namespace {

constexpr const char* kSection = "frmSpeedIntenetConnection";
constexpr const char* kDialUp = "DialUpInternetAccess";
constexpr const char* kCable = "CableInternetAccess";
constexpr const char* kDsl = "DSL";

constexpr const char* kOptimized = "For the changes to take effect, you must restart your computer.";
constexpr const char* kDefaultsLoaded = "Default Values Loaded. You will need to restart to changes to take effect.";
constexpr const char* kNothingToSetBack =
    "There is nothing to set back: Optimize has not changed the connection settings of this computer.";
constexpr const char* kNeedsAdministrator =
    "Changing the connection settings needs administrator rights.\r\n\r\n"
    "Start Hivemend again as administrator?";
constexpr const char* kRestartFailed = "Hivemend could not be started as administrator. Nothing was changed.";
constexpr const char* kSomeRefused = "Windows refused to change these values:";

void Say(const std::string& text, unsigned icon) {
  platform::machine().dialogs->messageBox(text, kProductName, platform::kMbOk | icon);
}

std::string FailureText(const TuningResult& r) {
  std::string text = kSomeRefused;
  for (const auto& name : r.failed) text += "\r\n" + name;
  return text;
}

}  // namespace

frmSpeedIntenetConnection::frmSpeedIntenetConnection()
    : form(std::string(kProductName) + " - Speed up your internet.") {
  optDialUpInternetAccess.Click = [this] { optDialUpInternetAccess_Click(); };
  optCableInternetAccess.Click = [this] { optCableInternetAccess_Click(); };
  optDSL.Click = [this] { optDSL_Click(); };
  cmdOptimize.Click = [this] { cmdOptimize_Click(); };
  cmdSetToDefault.Click = [this] { cmdSetToDefault_Click(); };
  cmdClearCache.Click = [this] { cmdClearCache_Click(); };
  cmdClose.Click = [this] { cmdClose_Click(); };
}

void frmSpeedIntenetConnection::Select(platform::OptionButtonModel& chosen) {
  for (auto* o : {&optDialUpInternetAccess, &optCableInternetAccess, &optDSL})
    if (o != &chosen) o->setValue(false);
}

void frmSpeedIntenetConnection::StoreOption(const char* key, const platform::OptionButtonModel& option) {
  SaveSetting(kProductName, kSection, key, option.value() ? "True" : "False");
}

void frmSpeedIntenetConnection::Form_Load() {
  try {
    cmdClearCache.enabled = true;
    picProgressBar.visible = false;
    // Of the options stored True, the last in this order wins.
    const auto restore = [](platform::OptionButtonModel& o, const char* key, const char* fallback) {
      if (GetSetting(kProductName, kSection, key, fallback) == "True") o.setValue(true);
    };
    restore(optDialUpInternetAccess, kDialUp, "True");
    restore(optCableInternetAccess, kCable, "False");
    restore(optDSL, kDsl, "False");
  } catch (...) {
    LogError("Form_Load of frmSpeedIntenetConnection");
  }
}

void frmSpeedIntenetConnection::optDialUpInternetAccess_Click() {
  try {
    Select(optDialUpInternetAccess);
    StoreOption(kDialUp, optDialUpInternetAccess);
  } catch (...) {
    LogError("optDialUpInternetAccess_Click of frmSpeedIntenetConnection");
  }
}

void frmSpeedIntenetConnection::optCableInternetAccess_Click() {
  try {
    Select(optCableInternetAccess);
    StoreOption(kCable, optCableInternetAccess);
  } catch (...) {
    LogError("optCableInternetAccess_Click of frmSpeedIntenetConnection");
  }
}

void frmSpeedIntenetConnection::optDSL_Click() {
  try {
    Select(optDSL);
    StoreOption(kDsl, optDSL);
  } catch (...) {
    LogError("optDSL_Click of frmSpeedIntenetConnection");
  }
}

bool frmSpeedIntenetConnection::MayWriteMachineWide() {
  if (platform::shell().elevated()) return true;
  if (platform::machine().dialogs->messageBox(kNeedsAdministrator, kProductName,
                                              platform::kMbYesNo | platform::kMbIconQuestion) != platform::kIdYes)
    return false;
  if (platform::shell().restartElevated("")) {
    form.unload();
    if (RestartedElevated) RestartedElevated();
  } else {
    Say(kRestartFailed, platform::kMbIconExclamation);
  }
  return false;
}

void frmSpeedIntenetConnection::BeginCommand() {
  form.mousePointer = platform::MousePointer::Hourglass;
  cmdOptimize.enabled = false;
  cmdClearCache.enabled = false;
  cmdSetToDefault.enabled = false;
  cmdClose.visible = false;
}

void frmSpeedIntenetConnection::EndCommand() {
  form.mousePointer = platform::MousePointer::Default;
  picProgressBar.visible = false;
  cmdOptimize.enabled = true;
  cmdClearCache.enabled = true;
  cmdSetToDefault.enabled = true;
  cmdClose.visible = true;
}

void frmSpeedIntenetConnection::cmdOptimize_Click() {
  try {
    const bool dialUp = optDialUpInternetAccess.value();
    const bool broadband = optCableInternetAccess.value() || optDSL.value();
    if ((dialUp || broadband) && !MayWriteMachineWide()) return;
    BeginCommand();
    TuningResult result;
    if (dialUp) result = Optimize(ConnectionKind::DialUp);
    if (broadband) result = Optimize(ConnectionKind::Broadband);
    if (!result.changed.empty()) StoreLastTime();
    picProgressBar.visible = true;
    ProgressBar();
    if (result.failed.empty())
      Say(kOptimized, platform::kMbIconInformation);
    else
      Say(FailureText(result), platform::kMbIconExclamation);
    EndCommand();
  } catch (...) {
    LogError("cmdOptimize_Click of frmSpeedIntenetConnection");
  }
}

void frmSpeedIntenetConnection::cmdSetToDefault_Click() {
  try {
    if (!HasTuningRecord()) {
      Say(kNothingToSetBack, platform::kMbIconInformation);
      return;
    }
    if (!MayWriteMachineWide()) return;
    BeginCommand();
    const TuningResult result = SetToDefault();
    picProgressBar.visible = true;
    ProgressBar();
    if (result.failed.empty())
      Say(kDefaultsLoaded, platform::kMbIconInformation);
    else
      Say(FailureText(result), platform::kMbIconExclamation);
    EndCommand();
  } catch (...) {
    LogError("cmdSetToDefault_Click  of frmSpeedIntenetConnection");
  }
}

void frmSpeedIntenetConnection::ProgressBar() {
  try {
    for (int i = 0; i <= 100; ++i) {
      Label1.setCaption(std::to_string(i) + "%");
      pgbProgress.value = i;
      form.mousePointer = platform::MousePointer::Hourglass;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      DoEventsNow();
    }
  } catch (...) {
    LogError("ProgressBar of frmSpeedIntenetConnection");
  }
}

CacheCleaning frmSpeedIntenetConnection::EraseIEFiles() {
  try {
    if (CacheCleaningSwitchedOn()) return GetCacheURLList();
    CacheCleaning off;
    off.switchedOff = true;
    return off;
  } catch (...) {
    LogError("EraseIEFiles of frmSpeedIntenetConnection");
    CacheCleaning failed;
    failed.error = "an unexpected failure (see the error log)";
    return failed;
  }
}

CacheCleaning frmSpeedIntenetConnection::GetCacheURLList() { return CleanUrlCache(false); }

void frmSpeedIntenetConnection::cmdClearCache_Click() {
  // Clear Cache stays disabled until the dialog is opened again.
  const auto endCommand = [this] {
    form.mousePointer = platform::MousePointer::Default;
    picProgressBar.visible = false;
    cmdOptimize.enabled = true;
    cmdSetToDefault.enabled = true;
    cmdClose.visible = true;
  };
  try {
    cmdClearCache.enabled = false;
    cmdOptimize.enabled = false;
    cmdSetToDefault.enabled = false;
    cmdClose.visible = false;
    const std::int32_t platformId = GetVersion();
    if (platformId == 1 || platformId == 2) {
      form.mousePointer = platform::MousePointer::Hourglass;
      picProgressBar.visible = true;
      const CacheCleaning result = EraseIEFiles();
      ProgressBar();
      Say(CacheCleaningMessage(result),
          result.ok() && !result.switchedOff ? platform::kMbIconInformation : platform::kMbIconExclamation);
    }
    endCommand();
  } catch (...) {
    LogError("cmdClearCache_Click of frmSpeedIntenetConnection");
    endCommand();  // never leave the dialog without its Close button
  }
}

void frmSpeedIntenetConnection::cmdClose_Click() { form.unload(); }

}  // namespace hm::tools
