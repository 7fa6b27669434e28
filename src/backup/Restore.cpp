#include "backup/Restore.h"

#include <algorithm>
#include <set>

#include "backup/BackupSetNames.h"
#include "backup/BackupSetRecords.h"
#include "backup/BackupSetSections.h"
#include "backup/BackupSetTime.h"
#include "backup/RestoreRecord.h"
#include "backup/ZipEntryName.h"
#include "backup/ZipReader.h"
#include "common/DoEvents.h"
#include "common/ErrorLog.h"
#include "common/Globals.h"
#include "common/ProductMessage.h"
#include "diskscan/DriveInventory.h"
#include "mainwindow/RepairRowCheck.h"
#include "platform/Machine.h"
#include "platform/Text.h"
#include "shell/IniFile.h"

namespace hm::backup {
namespace {

using platform::kMbIconExclamation;
using platform::kMbIconInformation;
using platform::kMbIconQuestion;
using platform::kMbOk;
using platform::kMbYesNo;

bool isBackupSetName(std::string_view name) {
  return text::containsNoCase(name, std::string(kProductName) + "BK") && text::containsNoCase(name, ".bkp");
}

// A file that exists and is not hidden (the archive test of a restore).
bool visibleFileExists(const std::string& path) {
  const auto attributes = platform::machine().files->attributes(path);
  return attributes && (*attributes & (platform::kAttrDirectory | platform::kAttrHidden)) == 0;
}

bool fileExists(const std::string& path) {
  const auto attributes = platform::machine().files->attributes(path);
  return attributes && (*attributes & platform::kAttrDirectory) == 0;
}

void deleteIfPresent(const std::string& path) {
  if (fileExists(path) && !platform::machine().files->deleteFile(path))
    Raise(kErrPathAccess, "cannot delete \"" + path + "\"");
}

bool isFileRow(const ProblemEntry& e) { return e.KeyName.empty(); }

}  // namespace

std::string ArchivePathFor(const std::string& descriptionPath) {
  std::string out;
  std::size_t from = 0;
  for (std::size_t at; (at = descriptionPath.find(".bkp", from)) != std::string::npos; from = at + 4)
    out += descriptionPath.substr(from, at - from) + ".zip";
  return out + descriptionPath.substr(from);
}

// ---- the chooser ----

void frmRestore::Form_Load() {
  SelectedBackupFile.clear();
  lblSelect.setCaption("Select the backup file to restore the data:");
  lvwBackups.clear();
  closed = false;
  form.loaded = true;

  const std::string folder = BackupFolder();
  std::vector<platform::DirEntry> entries;
  platform::machine().files->listFolder(folder.substr(0, folder.size() - 1), entries);
  std::vector<std::vector<std::string>> rows;
  for (const platform::DirEntry& entry : entries) {
    DoEvents();
    if ((entry.attributes & platform::kAttrDirectory) != 0 || !isBackupSetName(entry.name)) continue;
    const std::string path = folder + entry.name;
    shell::cInifile ini;
    ini.setPath(path);
    ini.setSection("Backup Info");
    ini.setKey("Time");
    // A set whose time cannot be read is still listed: its records may be fine.
    const auto time = ParseBackupTime(ini.value());
    rows.push_back({entry.name, time ? FormatChooserDate(*time) : std::string(), path,
                    time ? FormatChooserSortKey(*time) : std::string()});
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const auto& a, const auto& b) { return a[kBackupSortKey] < b[kBackupSortKey]; });
  for (auto& cells : rows) lvwBackups.addRow(std::move(cells));
  if (lvwBackups.rowCount() > 0) lvwBackups.select(lvwBackups.rowCount() - 1);
}

std::optional<std::size_t> frmRestore::selectedRow() const {
  for (std::size_t i = 0; i < lvwBackups.rowCount(); ++i)
    if (lvwBackups.row(i).selected) return i;
  return std::nullopt;
}

std::optional<std::size_t> frmRestore::chosenRow() {
  if (lvwBackups.rowCount() == 0) {
    ProductMessage(kBackupNotFound, kMbOk | kMbIconInformation);
    return std::nullopt;
  }
  const auto row = selectedRow();
  if (!row) ProductMessage(kSelectBackupFirst, kMbOk | kMbIconInformation);
  return row;
}

void frmRestore::cmdOK_Click() {
  try {
    const auto row = chosenRow();
    if (!row) return;
    SelectedBackupFile = lvwBackups.cell(*row, kBackupPath);
    closed = true;
    form.unload();
  } catch (...) {
    LogError("cmdOK_Click");
  }
}

void frmRestore::cmdCancel_Click() {
  SelectedBackupFile.clear();
  closed = true;
  form.unload();
}

void frmRestore::cmdDeleteBackup_Click() {
  try {
    const auto row = chosenRow();
    if (!row) return;
    if (ProductMessage(kConfirmDeleteBackup, kMbYesNo | kMbIconQuestion) != platform::kIdYes) return;
    const std::string path(lvwBackups.cell(*row, kBackupPath));
    deleteIfPresent(path);
    const std::string archive = ArchivePathFor(path);
    if (archive != path) deleteIfPresent(archive);
    lvwBackups.removeRow(*row);
  } catch (...) {
    LogError("cmdDeleteBackup_Click");
  }
}

// ---- loading a set ----

bool cmdRestore_Click(ScanLists& lists, RestoreSession& session) {
  try {
    frmRestore chooser;
    chooser.Form_Load();
    if (session.showChooser) session.showChooser(chooser);
    if (!chooser.closed) SelectedBackupFile.clear();  // closed from its title bar: a cancel
    if (SelectedBackupFile.empty()) return false;

    lists.imgListOfProblems.visible = false;
    lists.imgListOfItemsInBackupFile.visible = true;
    lists.cmdRestoreNow.enabled = true;
    lists.PicResults.visible = true;
    lists.picRestoreLowerBase.visible = true;
    lists.picFixProblemLowerBase.visible = false;
    lists.lblTotalErrors.visible = false;

    auto& rows = lists.lvwErrors;
    rows.clear();
    session.restoreRecords.clear();

    std::optional<std::size_t> current;
    const std::vector<IniSectionEntries> sections = ReadIniSections(SelectedBackupFile);
    const bool marked = SetMarksCompleteRecords(sections);
    for (const IniSectionEntries& section : sections) {
      if (!text::containsNoCase(section.name, "Restore:")) continue;
      // Cut short by a killed repair, which removes a value only after its record is whole.
      if (marked && !RecordIsComplete(section)) continue;
      for (const auto& [key, value] : section.entries) {
        if (text::equalsNoCase(key, "MainKey")) {
          current = rows.addRow({value}, true);
          session.restoreRecords.emplace_back();
          continue;
        }
        if (!current) continue;
        static constexpr std::pair<const char*, ProblemColumn> kColumns[] = {{"KeyName", kKeyName},
                                                                             {"KeyValue", kKeyValue},
                                                                             {"Section", kSection},
                                                                             {"FullKeyPath", kFullKeyPath},
                                                                             {"MainKeyName", kMainKeyName}};
        for (const auto& [name, column] : kColumns)
          if (text::equalsNoCase(key, name)) rows.setCell(*current, column, value);
        if (text::equalsNoCase(key, "ValueType")) session.restoreRecords[*current].ValueType = value;
        if (text::equalsNoCase(key, "ValueData")) session.restoreRecords[*current].ValueData = value;
        // The exact name, where the text column holds only an approximation of it.
        const bool nameHex = text::equalsNoCase(key, kKeyNameHexKey);
        if (nameHex || text::equalsNoCase(key, kKeyPathHexKey)) {
          if (const auto exact = DecodeHexBytes(value))
            rows.setCell(*current, nameHex ? kKeyName : kFullKeyPath, *exact);
          else
            session.restoreRecords[*current].Unreadable = "unreadable " + key;
        }
      }
    }

    if (rows.rowCount() == 0) {
      ProductMessage("No record has been found in the restore file " + SelectedBackupFile + ".",
                     kMbOk | kMbIconInformation);
      return false;
    }
    lists.PicResults.visible = true;
    lists.picScanning.visible = false;
    lists.cmdRepairCorruptFiles.visible = false;
    lists.cmdRestoreNow.visible = true;
    return true;
  } catch (...) {
    LogError("cmdRestore of frmMain");
    return false;
  }
}

// ---- writing back ----

namespace {

// Brings back the files of the set's file rows; only a path a row names is
// ever written, and only on a drive a deep scan searches (never Z:, the
// host's root, nor a drive mapped outside the machine). A file that cannot
// come back is a failure.
void restoreFileRows(const std::vector<std::string>& filePaths, const std::string& archivePath, RestoreSession& session,
                     RestoreOutcome& outcome) {
  UnzipReport report;
  ZipReader reader;
  if (filePaths.empty()) {
    unzip1_OnFinished(outcome, report);
    return;
  }
  if (archivePath == SelectedBackupFile || !visibleFileExists(archivePath))
    report.archive = ZipResult::failure("the archive \"" + archivePath + "\" of the backup is missing");
  else
    report.archive = reader.openFile(archivePath);
  if (!report.archive.ok()) {
    // A repair stopped before its archive was written removed none of these files.
    const auto lost =
        std::count_if(filePaths.begin(), filePaths.end(), [](const std::string& p) { return !FileExists(p); });
    outcome.failed += static_cast<std::size_t>(lost);
    if (lost == 0) report.archive = ZipResult{};
    unzip1_OnFinished(outcome, report);
    return;
  }
  Unzipper& unzip = session.unzip1;
  unzip.clearSelection();
  unzip.setArchivePath(archivePath);
  std::size_t selected = 0;
  for (const std::string& path : filePaths) {
    const auto entry = zipEntryNameForPath(path);
    std::string refusal;
    if (!IsOnSearchedDrive(path))
      refusal = "\"" + path + "\" is not restored: it is not on a fixed drive of this machine";
    else if (!entry || reader.find(*entry) == nullptr) {
      // A repair stopped between the record and the archive never removed the
      // file: still there under its own name, it needs nothing back.
      if (FileExists(path)) continue;
      refusal = "\"" + path + "\" is not restored: the archive does not hold it";
    }
    if (!refusal.empty()) {
      ++outcome.failed;
      LogErrorEntry(kErrPathAccess, refusal, "cmdRestoreNow of frmMain");
      continue;
    }
    unzip.select(*entry, path);
    ++selected;
  }
  if (selected == 0) {
    unzip1_OnFinished(outcome, report);
    return;
  }
  unzip.OnFinished = [&](const UnzipReport& finished) { unzip1_OnFinished(outcome, finished); };
  unzip.extract();
  unzip.OnFinished = nullptr;
}

}  // namespace

RestoreOutcome cmdRestoreNow_Click(ScanLists& lists, RestoreSession& session) {
  RestoreOutcome outcome;
  try {
    const std::string archivePath = ArchivePathFor(SelectedBackupFile);
    lists.cmdRestoreNow.enabled = false;
    auto& rows = lists.lvwErrors;
    if (rows.rowCount() == 0) {
      ProductMessage(kNoItemToRestore, kMbOk | kMbIconInformation);
      return outcome;
    }
    outcome.ran = true;
    outcome.items = rows.rowCount();
    lists.lblStatusOfActionTaken.visible = true;

    bool setCarriesRawValues = false;
    for (const auto& extra : session.restoreRecords) setCarriesRawValues |= extra.ValueType.has_value();

    std::set<std::string> restoredValues;  // the first record of a value holds it as it was before the repair
    std::vector<std::string> filePaths;
    for (std::size_t i = 0; i < rows.rowCount(); ++i) {
      const ProblemEntry e = ProblemAt(rows, i);
      if (isFileRow(e)) {
        lists.lblStatusOfActionTaken.setCaption("Restoring: " + e.FullKeyPath);
        // Exact names: on Linux "a.lnk" and "A.lnk" are two files.
        if (std::find(filePaths.begin(), filePaths.end(), e.FullKeyPath) == filePaths.end())
          filePaths.push_back(e.FullKeyPath);
        DoEvents();
        continue;
      }
      const std::string valueName = e.KeyName == kDefaultValueName ? std::string() : e.KeyName;
      lists.lblStatusOfActionTaken.setCaption("Restoring: " + e.MainKeyName + "-" + e.FullKeyPath + " - " + valueName +
                                              " - " + e.KeyValue);
      RegistryRecord record{e.MainKey, e.KeyName, e.KeyValue, e.FullKeyPath, std::nullopt, std::nullopt, std::nullopt};
      if (i < session.restoreRecords.size()) {
        record.ValueType = session.restoreRecords[i].ValueType;
        record.ValueData = session.restoreRecords[i].ValueData;
        record.Unreadable = session.restoreRecords[i].Unreadable;
      }
      try {
        const auto identity = RecordedValueIdentity(record);
        if (identity && !restoredValues.insert(*identity).second) {
          DoEvents();
          continue;  // a later record of the same value saw it already repaired
        }
        if (!RestoreRegistryRecord(record, setCarriesRawValues)) {
          ++outcome.failed;
          LogErrorEntry(kErrPathAccess, "cannot restore " + e.MainKeyName + "\\" + e.FullKeyPath + " " + e.KeyName,
                        "cmdRestoreNow of frmMain");
        }
      } catch (...) {
        ++outcome.failed;
        LogError("cmdRestoreNow of frmMain");
      }
      DoEvents();
    }

    std::string saveError;
    bool saved = true;
    try {
      saved = !session.saveChanges || session.saveChanges(saveError);
    } catch (...) {
      saved = false;
      saveError = "The changes could not be saved.";
    }
    if (!saved) {
      outcome.saveFailed = true;
      outcome.failed = outcome.items;
      LogErrorEntry(kErrPathAccess, saveError, "cmdRestoreNow of frmMain");
      ProductMessage("The restored registry values could not be saved, so nothing was restored.\r\n\r\n" + saveError,
                     kMbOk | kMbIconExclamation);
    } else {
      restoreFileRows(filePaths, archivePath, session, outcome);
    }

    lists.picScanning.visible = true;
    lists.PicResults.visible = false;
    lists.lvwResultProgress.visible = false;
    lists.lblStatusOfActionTaken.visible = false;
    lists.pgbDeletingErrors.visible = false;
  } catch (...) {
    LogError("cmdRestoreNow of frmMain");
  }
  return outcome;
}

void unzip1_OnFinished(RestoreOutcome& outcome, const UnzipReport& report) {
  try {
    for (const UnzipEntryOutcome& entry : report.entries) {
      if (!entry.warning.empty()) LogErrorEntry(kErrPathAccess, entry.warning, "unzip1_OnFinished of frmMain");
      if (entry.result.ok()) continue;
      ++outcome.failed;
      LogErrorEntry(kErrPathAccess, entry.result.error, "unzip1_OnFinished of frmMain");
    }
    if (!report.archive.ok()) LogErrorEntry(kErrFileNotFound, report.archive.error, "unzip1_OnFinished of frmMain");
    if (outcome.failed == 0) {
      ProductMessage(kRestoreCompleted, kMbOk | kMbIconInformation);
    } else {
      ProductMessage("Restore finished, but " + std::to_string(outcome.failed) + " of " +
                         std::to_string(outcome.items) + " items could not be restored.",
                     kMbOk | kMbIconExclamation);
    }
  } catch (...) {
    LogError("unzip1_OnFinished of frmMain");
  }
}

}  // namespace hm::backup
