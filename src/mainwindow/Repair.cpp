#include "mainwindow/Repair.h"

#include <map>
#include <memory>

#include "backup/BackupSetNames.h"
#include "backup/BackupSetWriter.h"
#include "backup/RestoreRecord.h"
#include "backup/Unzipper.h"
#include "common/DoEvents.h"
#include "common/Globals.h"
#include "common/ProductMessage.h"
#include "common/RegistryAccess.h"
#include "mainwindow/RepairRowCheck.h"
#include "platform/Machine.h"
#include "shell/SettingsStore.h"

namespace hm {

using platform::machine;

namespace {

bool BackupSettingOn(const RepairOptions& options) {
  if (options.takeBackup) return *options.takeBackup;
  try {
    return GetSetting(kProductName, "Options", "chkTakeBackup", "True") == "True";
  } catch (...) {
    return true;  // when in doubt, keep a backup
  }
}

// The registry action of a row, checked afterwards: a named value must be
// gone, a default value must be an empty string.
RowOutcome RemoveRegistryEntry(const ProblemEntry& row) {
  const std::int32_t rootKey = ToLong(row.MainKey);
  const std::string valueName = ValueNameOf(row);
  if (row.KeyName == "(Default)") {
    // The unnamed value is emptied, never deleted.
    WriteKeyValue(rootKey, row.FullKeyPath, "", "");
    const auto now = ReadRegistryValue(rootKey, row.FullKeyPath, "");
    return now && now->type == platform::kRegSz && StringFromRegData(now->data).empty() ? RowOutcome::Fixed
                                                                                        : RowOutcome::Failed;
  }
  DeleteValue(rootKey, row.FullKeyPath, valueName);
  return ReadRegistryValue(rootKey, row.FullKeyPath, valueName) ? RowOutcome::Failed : RowOutcome::Fixed;
}

// One value in one form for every root that shows it: HKEY_CLASSES_ROOT\CLSID\{X}
// and HKEY_LOCAL_MACHINE\SOFTWARE\Classes\CLSID\{X} are usually one key.
std::optional<std::string> ValueIdentity(const ProblemEntry& row) {
  return backup::RecordedValueIdentity({row.MainKey, row.KeyName, row.KeyValue, row.FullKeyPath, {}, {}, {}});
}

// A save that throws is a save that failed: the run is undone all the same.
bool SavedOrWhyNot(const std::function<bool(std::string&)>& save, std::string& error) {
  try {
    return save(error);
  } catch (...) {
    error = "The changes could not be saved.";
    return false;
  }
}

class RepairRun {
 public:
  RepairRun(ScanLists& lists, RepairResult& result) : lists_(lists), result_(result) {}

  // The backup set first, then every checked row in list order.
  void run(bool backupOn) {
    const platform::LocalTime now = machine().clock->now();
    result_.backupOn = backupOn;
    try {
      set_ = std::make_unique<backup::BackupSetWriter>(backup::BackupFolder(), now);
    } catch (...) {
      set_.reset();
    }
    if (backupOn) {
      if (set_ && set_->writeHeader(now))
        result_.backupBaseName = set_->baseName();
      else
        stop(set_ ? set_->error() : "The backup set could not be started.");
    }
    lists_.lblStatusOfActionTaken.setCaption(kFixingStatusText);
    lists_.lblStatusOfActionTaken.visible = true;
    auto& errors = lists_.lvwErrors;
    const std::size_t count = errors.rowCount();
    lists_.pgbDeletingErrors.maximum = static_cast<int>(count) + 1;
    lists_.pgbDeletingErrors.value = 0;
    lists_.pgbDeletingErrors.visible = true;
    for (std::size_t i = 0; i < count; ++i) {
      if (errors.row(i).checked) {
        RepairedRow repaired{i + 1, ProblemAt(errors, i), RowOutcome::NotReached};
        if (!stopped_) {
          lists_.pgbDeletingErrors.value = lists_.pgbDeletingErrors.value + 1;
          repaired.outcome = repairRow(repaired, backupOn);
        }
        result_.rows.push_back(std::move(repaired));
      }
      DoEvents();
    }
    countOutcomes();
  }

  // The save failed: the registry on disk is as it was, so the files this run
  // deleted go back from its archive, and no row counts as fixed.
  void undo(const std::string& why) {
    result_.saveFailed = true;
    result_.saveError = why;
    backup::Unzipper unzip;
    std::vector<RepairedRow*> deletedFiles;
    for (RepairedRow& row : result_.rows) {
      if (row.outcome != RowOutcome::Fixed) continue;
      if (!IsFileRow(row.entry)) {
        row.outcome = RowOutcome::NotSaved;
      } else if (!result_.backupOn || !set_ || !unzip.selectFile(row.entry.FullKeyPath)) {
        result_.filesNotPutBack.push_back(row.entry.FullKeyPath);
      } else {
        deletedFiles.push_back(&row);
      }
    }
    if (!deletedFiles.empty()) {
      unzip.setArchivePath(set_->archivePath());
      const backup::UnzipReport report = unzip.extract();
      for (std::size_t i = 0; i < deletedFiles.size(); ++i) {
        const bool back = report.archive.ok() && i < report.entries.size() && report.entries[i].result.ok();
        if (back)
          deletedFiles[i]->outcome = RowOutcome::NotSaved;
        else
          result_.filesNotPutBack.push_back(deletedFiles[i]->entry.FullKeyPath);
      }
    }
    countOutcomes();
  }

 private:
  void countOutcomes() {
    result_.fixed = result_.skipped = 0;
    for (const RepairedRow& row : result_.rows) ++(row.outcome == RowOutcome::Fixed ? result_.fixed : result_.skipped);
  }

  void stop(const std::string& why) {
    stopped_ = true;
    result_.backupFailed = true;
    result_.backupError = std::string(kProductName) +
                          " stopped before removing anything more, because the backup could not be written.\r\n\r\n" +
                          why;
    ProductMessage(result_.backupError, platform::kMbOk | platform::kMbIconExclamation);
  }

  // The record comes first: what is not in the set is not removed.
  bool writeRecord(const RepairedRow& repaired, const std::optional<platform::RegValue>& value) {
    const auto& errors = lists_.lvwErrors;
    if (set_->writeRecord(repaired.number, errors.headers(), errors.row(repaired.number - 1).cells, value)) return true;
    stop(set_->error());
    return false;
  }

  RowOutcome repairRow(RepairedRow& repaired, bool backupOn) {
    try {
      const ProblemEntry& row = repaired.entry;
      const RowCheck check = CheckRowBeforeRepair(row);
      if (IsFileRow(row)) return repairFileRow(repaired, check, backupOn);
      const auto identity = ValueIdentity(row);
      if (check.state == RowState::Gone) {
        const auto earlier = identity ? removedBy_.find(*identity) : removedBy_.end();
        if (earlier == removedBy_.end()) return RowOutcome::AlreadyGone;
        repaired.removedWithRow = earlier->second;
        return RowOutcome::Fixed;
      }
      if (check.state != RowState::StillBroken) return RowOutcome::Changed;
      if (backupOn && !writeRecord(repaired, check.value)) return RowOutcome::NotReached;
      const RowOutcome outcome = RemoveRegistryEntry(row);
      if (outcome == RowOutcome::Fixed && identity) removedBy_.emplace(*identity, repaired.number);
      return outcome;
    } catch (...) {
      return RowOutcome::Failed;
    }
  }

  RowOutcome repairFileRow(const RepairedRow& repaired, const RowCheck& check, bool backupOn) {
    const std::string& path = repaired.entry.FullKeyPath;
    if (check.state == RowState::Changed) return RowOutcome::Changed;
    if (!backupOn) {
      if (check.state == RowState::Gone) return RowOutcome::AlreadyGone;
      machine().files->deleteFile(path);
      return FileExists(path) ? RowOutcome::Failed : RowOutcome::Fixed;
    }
    // A file already gone still gets its record; restore finds nothing to extract for it.
    if (!writeRecord(repaired, std::nullopt)) return RowOutcome::NotReached;
    if (check.state == RowState::Gone) return RowOutcome::AlreadyGone;
    if (!set_->archiveThenDelete(path)) {
      stop(set_->error());
      return RowOutcome::NotReached;
    }
    return FileExists(path) ? RowOutcome::Failed : RowOutcome::Fixed;
  }

  ScanLists& lists_;
  RepairResult& result_;
  std::unique_ptr<backup::BackupSetWriter> set_;
  bool stopped_ = false;
  std::map<std::string, std::size_t> removedBy_;  // value identity -> the row that removed it
};

void ShowStartPanel(ScanLists& lists) {
  lists.lvwResultProgress.visible = false;
  lists.lblStatusOfActionTaken.visible = false;
  lists.PgbScanning.visible = false;
  lists.picMain.visible = true;
  lists.picScanning.visible = false;
  lists.PicResults.visible = false;
}

}  // namespace

std::string RepairSummaryText(std::size_t found, std::size_t fixed) {
  return "Windows Registry has been cleaned.\r\n\r\nProblems found: " + std::to_string(found) +
         "\r\nProblems fixed: " + std::to_string(fixed);
}

std::string RepairNotSavedText(const RepairResult& result) {
  std::string text = "The registry changes could not be saved, so nothing was changed.\r\n\r\n" + result.saveError;
  if (!result.filesNotPutBack.empty()) {
    text += "\r\n\r\nBut these files were deleted and could not be put back:";
    for (const std::string& path : result.filesNotPutBack) text += "\r\n" + path;
  }
  return text;
}

RepairResult cmdRepairCorruptFiles_Click(ScanLists& lists, const RepairOptions& options) {
  RepairResult result;
  result.found = lists.lvwErrors.rowCount();
  if (result.found == 0) {
    result.message = kNothingToRepairText;
    ProductMessage(result.message, platform::kMbOk | platform::kMbIconInformation);
    lists.cmdCancel.enabled = true;
    ShowStartPanel(lists);
    return result;
  }
  const std::string question = std::string(kProductName) + kConfirmRepairText;
  if (ProductMessage(question, platform::kMbYesNo | platform::kMbIconQuestion) != platform::kIdYes) return result;
  result.confirmed = true;
  lists.cmdRepairCorruptFiles.enabled = false;

  RepairRun run(lists, result);
  run.run(BackupSettingOn(options));
  std::string saveError;
  if (options.saveChanges && !SavedOrWhyNot(options.saveChanges, saveError)) run.undo(saveError);

  for (std::size_t i = 0; i < lists.lvwRegistryvaluesScan.rowCount(); ++i) {
    lists.lvwRegistryvaluesScan.setCell(i, kSectionStatus, "");
    DoEvents();
  }
  lists.lvwResultProgress.visible = false;
  lists.lblStatusOfActionTaken.visible = false;
  lists.pgbDeletingErrors.visible = false;
  lists.PgbScanning.visible = false;
  if (result.saveFailed) {
    result.message = RepairNotSavedText(result);
    ProductMessage(result.message, platform::kMbOk | platform::kMbIconExclamation);
  } else {
    result.message = RepairSummaryText(result.found, result.fixed);
    ProductMessage(result.message, platform::kMbOk | platform::kMbIconInformation);
  }
  ShowStartPanel(lists);
  return result;
}

}  // namespace hm
