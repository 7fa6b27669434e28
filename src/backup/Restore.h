// Restore: the backup chooser, loading a chosen set into the problem list
// and writing it back. The windows are logic over control models; a view (or
// the command line) shows them and clicks the buttons.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "backup/Unzipper.h"
#include "platform/Controls.h"
#include "scan/ScanLists.h"

namespace hm::backup {

// The full path of the chosen description file; empty when the chooser was cancelled.
inline std::string SelectedBackupFile;

inline constexpr const char* kBackupNotFound = "Backup not found on your PC.";
inline constexpr const char* kSelectBackupFirst = "Select a backup in the list first.";
inline constexpr const char* kConfirmDeleteBackup =
    "This action will delete the selected backup file from your PC permanently. Are you sure?";
inline constexpr const char* kRestoreCompleted = "Restore completed successfully.";
inline constexpr const char* kNoItemToRestore = "No item found to restore.";

// The set's archive: every ".bkp" of the description file's path replaced by ".zip" (exact case).
std::string ArchivePathFor(const std::string& descriptionPath);

// The backup chooser.
class frmRestore {
 public:
  enum BackupColumn : std::size_t { kBackupName = 0, kBackupDate = 1, kBackupPath = 2, kBackupSortKey = 3 };

  platform::FormModel form{"Restore"};
  platform::LabelModel lblSelect;
  platform::ListViewModel lvwBackups{{"Backup Name", "Date & Time", "Backup Path", "DT"}};
  platform::ButtonModel cmdDeleteBackup{"&Delete Backup"};
  platform::ButtonModel cmdCancel{"&Cancel"};
  platform::ButtonModel cmdOK{"&OK"};
  // Set when a button closed the chooser (not its title bar).
  bool closed = false;

  frmRestore() {
    cmdOK.Click = [this] { cmdOK_Click(); };
    cmdCancel.Click = [this] { cmdCancel_Click(); };
    cmdDeleteBackup.Click = [this] { cmdDeleteBackup_Click(); };
  }
  frmRestore(const frmRestore&) = delete;
  frmRestore& operator=(const frmRestore&) = delete;

  // Clears SelectedBackupFile and lists the sets, oldest first; the newest
  // is selected, so OK takes it.
  void Form_Load();
  void cmdOK_Click();
  void cmdCancel_Click();
  void cmdDeleteBackup_Click();

 private:
  std::optional<std::size_t> selectedRow() const;
  // The selected row, or nothing after telling the user why there is none.
  std::optional<std::size_t> chosenRow();
};

// What a restore keeps between loading a set and writing it back, beside the
// main window's controls.
struct RestoreSession {
  // What each row of lvwErrors carried beyond its six columns ("ValueType", "ValueData").
  struct RawValueKeys {
    std::optional<std::string> ValueType, ValueData;
    std::optional<std::string> Unreadable;  // why the record cannot be used
  };
  std::vector<RawValueKeys> restoreRecords;
  // Shows the chooser modally (the view, or a test, works it and closes it).
  std::function<void(frmRestore&)> showChooser;
  // Makes the registry writes permanent (a prefix's hives are written back);
  // false with the reason. Called after the registry rows and before any file
  // is written, so a failed save changes nothing.
  std::function<bool(std::string& error)> saveChanges;
  Unzipper unzip1;
};

// How one restore ended: rows written back and rows that could not be.
struct RestoreOutcome {
  std::size_t items = 0;
  std::size_t failed = 0;
  bool ran = false;         // false when there was nothing to restore
  bool saveFailed = false;  // the registry could not be saved: nothing was restored
};

// Loads the chosen set's records into lvwErrors (every row checked) and
// switches the panel to restore mode; false when nothing was loaded.
bool cmdRestore_Click(ScanLists& lists, RestoreSession& session);
// Writes every row of lvwErrors back, saves, and brings the files back from
// the archive, only onto the drives a deep scan searches.
RestoreOutcome cmdRestoreNow_Click(ScanLists& lists, RestoreSession& session);
// Reports the end of a restore, with the archive's part in `report`.
void unzip1_OnFinished(RestoreOutcome& outcome, const UnzipReport& report);

}  // namespace hm::backup
