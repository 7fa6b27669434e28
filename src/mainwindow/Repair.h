// Repair: removes the problems the user kept checked after a scan, after
// writing each one into a backup set that restore can replay.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Controls.h"
#include "scan/ScanLists.h"

namespace hm {

inline constexpr const char* kNothingToRepairText =
    "There are no corrupted Windows Registry entries to be repaired on your PC.";
inline constexpr const char* kConfirmRepairText =
    " will now clean the Windows Registry and other corrupted files/entries. Do you want to proceed? ";
inline constexpr const char* kFixingStatusText = "Fixing the bugs...";

enum class RowOutcome {
  Fixed,        // removed (or the default value emptied)
  AlreadyGone,  // nothing left to remove
  Changed,      // changed since the scan or its target came back: left alone
  Failed,       // the deletion did not take effect
  NotReached,   // the repair stopped before this row
  NotSaved,     // undone: the registry changes could not be saved (a file was put back)
};

struct RepairedRow {
  std::size_t number = 0;  // 1-based position in lvwErrors
  ProblemEntry entry;
  RowOutcome outcome = RowOutcome::NotReached;
  // Fixed by an earlier row of this repair that removed the same value (one
  // key seen through two roots): that row's number.
  std::size_t removedWithRow = 0;
};

struct RepairResult {
  bool confirmed = false;
  std::size_t found = 0;    // every row of the list
  std::size_t fixed = 0;    // rows whose value or file was really removed
  std::size_t skipped = 0;  // checked rows that were not fixed
  bool backupOn = false;
  std::string backupBaseName;  // "" when no set was written
  bool backupFailed = false;
  std::string backupError;        // the message that said why the set could not be written
  std::string message;            // the last message shown (the summary)
  std::vector<RepairedRow> rows;  // the checked rows, in list order
  bool saveFailed = false;        // the changes could not be saved and were undone
  std::string saveError;
  std::vector<std::string> filesNotPutBack;  // deleted by this run and not put back after a failed save
};

struct RepairOptions {
  // Overrides the stored "chkTakeBackup" for this run (the command line's --no-backup).
  std::optional<bool> takeBackup;
  // Makes the registry changes permanent (a prefix's hives are written back);
  // false with the reason. Called after the last row and before the summary:
  // when it fails, the files this run deleted are put back from its backup set
  // and the summary says nothing was changed.
  std::function<bool(std::string& error)> saveChanges;
};

// The repair button's handler. Reads the check marks of lvwErrors, never
// changes its rows. Messages go through machine().dialogs; the summary comes
// only after options.saveChanges succeeded.
RepairResult cmdRepairCorruptFiles_Click(ScanLists& lists, const RepairOptions& options = {});

// "Windows Registry has been cleaned." with the two counts.
std::string RepairSummaryText(std::size_t found, std::size_t fixed);
// What the user is told instead when the save failed.
std::string RepairNotSavedText(const RepairResult& result);

}  // namespace hm
