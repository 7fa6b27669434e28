#include "shell/frmOptionsAndSettings.h"

#include "common/ErrorLog.h"
#include "common/GenDec.h"
#include "common/Globals.h"
#include "common/RegistryAccess.h"
#include "platform/Machine.h"
#include "scan/KeepList.h"
#include "shell/SettingsStore.h"

namespace hm::shell {
namespace {

constexpr const char* kOptions = "Options";
constexpr const char* kTakeBackup = "chkTakeBackup";
constexpr const char* kRunAtStartup = "chkRunAtStartup";
constexpr const char* kMinimizeToSysTray = "chkMinimizeToSysTray";

constexpr const char* kNeedsAdministrator =
    "Changing whether Hivemend starts with Windows needs administrator rights.\r\n\r\n"
    "Start Hivemend again as administrator?";
constexpr const char* kRestartFailed =
    "Hivemend could not be started as administrator. The start-up option was not changed.";
constexpr const char* kEntryNotWritten =
    "The start-up entry could not be written. The start-up option was not changed.";
constexpr const char* kEntryNotRemoved =
    "The start-up entry could not be removed. The start-up option was not changed.";
constexpr const char* kOptionsNotSaved = "The options could not be saved.";
constexpr const char* kNotStoppedKeeping = "The entry could not be taken off the keep list.";

// Only the two texts the dialog writes mean anything; anything else is the default.
bool ReadSwitch(const char* key, bool defaultValue) {
  const std::string text = GetSetting(kProductName, kOptions, key, defaultValue ? "True" : "False");
  if (text == "True") return true;
  if (text == "False") return false;
  return defaultValue;
}

bool SaveSwitch(const char* key, bool on) { return SaveSetting(kProductName, kOptions, key, on ? "True" : "False"); }

void Warn(const char* text) {
  platform::machine().dialogs->messageBox(text, kProductName, platform::kMbOk | platform::kMbIconExclamation);
}

}  // namespace

frmOptionsAndSettings::frmOptionsAndSettings() {
  const auto enableApply = [this] { cmdApply.enabled = true; };
  chkMinimizeToSysTray.Click = enableApply;
  chkRunAtStartup.Click = enableApply;
  chkTakeBackup.Click = enableApply;
  cmdApply.Click = [this] { cmdApply_Click(); };
  cmdCancel.Click = [this] { cmdCancel_Click(); };
  cmdStopKeeping.Click = [this] { cmdStopKeeping_Click(); };
  cmdStopKeeping.enabled = false;
  // The button acts on the selected entry: enabled only while there is one.
  keptSelection_ = platform::Subscription(lvwKeptEntries, [this](const platform::Change&) {
    const bool any = lvwKeptEntries.selectedRow().has_value();
    if (cmdStopKeeping.enabled != any) cmdStopKeeping.enabled = any;
  });
}

std::string frmOptionsAndSettings::StartupValueName() { return platform::shell().programName(); }

std::string frmOptionsAndSettings::StartupValueData() {
  std::string folder = platform::machine().files->programFolder();
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return "\"" + GetPathWithSlash(folder) + StartupValueName() + ".exe\" -Quick";
}

void frmOptionsAndSettings::Form_Load() {
  try {
    chkTakeBackup.setValue(ReadSwitch(kTakeBackup, true));
    chkRunAtStartup.setValue(ReadSwitch(kRunAtStartup, true));
    chkMinimizeToSysTray.setValue(ReadSwitch(kMinimizeToSysTray, false));
    // Last, so that the boxes' clicks above leave it disabled.
    cmdApply.enabled = false;
  } catch (...) {
    LogError("Form_Load of frmOptionsAndSettings");
  }
  LoadKeptEntries();
}

void frmOptionsAndSettings::LoadKeptEntries() {
  try {
    lvwKeptEntries.clear();
    keptIds_.clear();
    for (const KeptEntry& e : ReadKeptEntries()) {
      lvwKeptEntries.addRow({e.Label(), e.section, e.keptOn});
      keptIds_.push_back(e.id);
    }
  } catch (...) {
    LogError("LoadKeptEntries of frmOptionsAndSettings");
  }
}

void frmOptionsAndSettings::cmdStopKeeping_Click() {
  try {
    const auto row = lvwKeptEntries.selectedRow();
    if (!row || *row >= keptIds_.size()) return;
    if (!StopKeeping(keptIds_[*row])) Warn(kNotStoppedKeeping);
    // Read back: the list shows what is stored now.
    LoadKeptEntries();
  } catch (...) {
    LogError("cmdStopKeeping_Click of frmOptionsAndSettings");
  }
}

bool frmOptionsAndSettings::StartupEntryNeedsChange(bool runAtStartup) {
  if (StartupValueName().empty()) return false;  // nothing this dialog may touch
  std::string current;
  const bool present = QueryValue(platform::kHkeyLocalMachine, kRunKeyPath, StartupValueName(), current);
  return runAtStartup ? !(present && current == StartupValueData()) : present;
}

bool frmOptionsAndSettings::ApplyStartupEntry(bool runAtStartup) {
  const std::string name = StartupValueName();
  // An empty name would address the Run key's default value, which is not ours.
  if (name.empty()) return false;
  if (runAtStartup)
    SetKeyValue(platform::kHkeyLocalMachine, kRunKeyPath, name, StartupValueData(), kRegSz);
  else
    DeleteValue(platform::kHkeyLocalMachine, kRunKeyPath, name);
  // The registry layer swallows a refusal: read back what is there now.
  return !StartupEntryNeedsChange(runAtStartup);
}

void frmOptionsAndSettings::cmdApply_Click() {
  try {
    auto& m = platform::machine();
    const bool runAtStartup = chkRunAtStartup.value();
    bool done = true;

    // The Run key is machine-wide: without elevation Windows refuses the
    // write, so ask before writing anything rather than fail afterwards.
    bool mayWriteRunKey = true;
    if (!platform::shell().elevated() && StartupEntryNeedsChange(runAtStartup)) {
      mayWriteRunKey = false;
      done = false;
      if (m.dialogs->messageBox(kNeedsAdministrator, kProductName, platform::kMbYesNo | platform::kMbIconQuestion) ==
          platform::kIdYes) {
        if (platform::shell().restartElevated("")) {
          // The other two options still reach the new copy through the store.
          SaveSwitch(kTakeBackup, chkTakeBackup.value());
          SaveSwitch(kMinimizeToSysTray, chkMinimizeToSysTray.value());
          form.unload();
          if (RestartedElevated) RestartedElevated();
          return;
        }
        Warn(kRestartFailed);
      }
    }

    bool saved = SaveSwitch(kTakeBackup, chkTakeBackup.value());
    if (mayWriteRunKey) {
      if (ApplyStartupEntry(runAtStartup)) {
        saved = SaveSwitch(kRunAtStartup, runAtStartup) && saved;
      } else {
        done = false;
        Warn(runAtStartup ? kEntryNotWritten : kEntryNotRemoved);
      }
    }
    saved = SaveSwitch(kMinimizeToSysTray, chkMinimizeToSysTray.value()) && saved;
    if (!saved) {
      done = false;
      Warn(kOptionsNotSaved);
    }
    // Apply stays enabled until everything asked for is stored.
    if (done) cmdApply.enabled = false;
  } catch (...) {
    LogError("cmdApply_Click of frmOptionsAndSettings");
  }
}

void frmOptionsAndSettings::cmdCancel_Click() {
  try {
    form.unload();
  } catch (...) {
    LogError("cmdCancel_Click of frmOptionsAndSettings");
  }
}

}  // namespace hm::shell
