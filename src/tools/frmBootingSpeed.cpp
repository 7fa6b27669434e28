#include "tools/frmBootingSpeed.h"

#include "common/DoEvents.h"
#include "common/ErrorLog.h"
#include "common/Globals.h"
#include "platform/Machine.h"

namespace hm::tools {
namespace {

constexpr const char* kNeedsAdministrator =
    "Changing the programs that start with Windows needs administrator rights.\r\n\r\n"
    "Start Hivemend again as administrator?";
constexpr const char* kRestartFailed = "Hivemend could not be started as administrator. Nothing was changed.";
constexpr const char* kNotAllChanged = "These start-up programs could not be changed:";

void Tell(const std::string& text) {
  platform::machine().dialogs->messageBox(text, kProductName, platform::kMbOk | platform::kMbIconExclamation);
}

const char* Reason(ChangeOutcome outcome) {
  switch (outcome) {
    case ChangeOutcome::NameTaken:
      return " (another entry of that name is in the way)";
    case ChangeOutcome::ChangedMeanwhile:
      return " (it was changed by another program meanwhile)";
    default:
      return " (Windows refused the change)";
  }
}

}  // namespace

frmBootingSpeed::frmBootingSpeed() : form(std::string(kProductName) + " - Speed up your computer") {
  cmdDone.toolTip = std::string("Close this window");
  cmdDone.Click = [this] { cmdDone_Click(); };
  cmdClose.Click = [this] { cmdClose_Click(); };
}

void frmBootingSpeed::EnableInput(bool on) {
  cmdDone.enabled = on;
  lvwWindowsStartupFiles.enabled = on;
  PicSpeedUpYourComputer.enabled = on;
}

void frmBootingSpeed::Form_Load() {
  try {
    lvwWindowsStartupFiles.clear();
    entries_ = ListStartupEntries();
    for (const auto& e : entries_) lvwWindowsStartupFiles.addRow({e.command}, !e.kept);
    EnableInput(true);
  } catch (...) {
    LogError("Form_Load  of frmBootingSpeed");
  }
}

void frmBootingSpeed::cmdDone_Click() {
  try {
    EnableInput(false);
    std::vector<StartupChange> changes;
    for (std::size_t i = 0; i < entries_.size() && i < lvwWindowsStartupFiles.rowCount(); ++i) {
      const bool checked = lvwWindowsStartupFiles.row(i).checked;
      // A live entry cleared goes out; a kept entry checked goes back.
      if (checked == entries_[i].kept) changes.push_back({entries_[i], !checked});
    }

    // Every change moves a value into or out of the machine-wide Run key:
    // ask before starting rather than fail halfway.
    if (!changes.empty() && !platform::shell().elevated()) {
      auto& dialogs = *platform::machine().dialogs;
      if (dialogs.messageBox(kNeedsAdministrator, kProductName, platform::kMbYesNo | platform::kMbIconQuestion) !=
          platform::kIdYes) {
        EnableInput(true);
        return;
      }
      if (platform::shell().restartElevated("")) {
        form.unload();
        if (RestartedElevated) RestartedElevated();
        return;
      }
      Tell(kRestartFailed);
      EnableInput(true);
      return;
    }

    const auto outcomes = ApplyStartupChanges(changes);
    std::string failed;
    for (std::size_t i = 0; i < changes.size(); ++i) {
      if (outcomes[i] == ChangeOutcome::Done) continue;
      failed += "\r\n" + EntryLabel(changes[i].entry) + Reason(outcomes[i]);
    }
    if (!failed.empty()) Tell(kNotAllChanged + failed);
    EnableInput(true);
    form.unload();
  } catch (...) {
    LogError("cmdDone_Click of frmBootingSpeed");
    form.unload();
  }
}

void frmBootingSpeed::cmdClose_Click() { form.unload(); }

}  // namespace hm::tools
