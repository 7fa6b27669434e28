#include "app/CliBackups.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>

#include "backup/BackupSetSections.h"
#include "backup/Restore.h"
#include "platform/OpenMachine.h"
#include "platform/Text.h"
#include "scan/ScanLists.h"

namespace hm::cli {
namespace {

constexpr int kExitOk = 0, kExitPartial = 1, kExitError = 2;

struct BackupArgs {
  std::vector<std::string> words;  // what is left after the switches
  std::string prefix;
  bool yes = false;
};

bool parse(const std::vector<std::string>& args, const char* command, BackupArgs& out) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (i == 0 && a == command) continue;  // the command word itself, when the dispatcher passes it along
    if (a == "--prefix") {
      if (++i >= args.size()) {
        std::fprintf(stderr, "hivemend: --prefix needs a folder\n");
        return false;
      }
      out.prefix = args[i];
    } else if (a == "--yes" || a == "-y") {
      out.yes = true;
    } else if (!a.empty() && a[0] == '-') {
      std::fprintf(stderr, "hivemend: unknown argument: %s\n", a.c_str());
      return false;
    } else {
      out.words.push_back(a);
    }
  }
  return true;
}

// Message boxes on the console: the text is printed; a question is answered
// by --yes or by the user.
class ConsoleDialogs : public platform::DialogPort {
 public:
  explicit ConsoleDialogs(bool yes) : yes_(yes) {}
  int messageBox(std::string_view text, std::string_view, unsigned flags) override {
    std::printf("%.*s\n", static_cast<int>(text.size()), text.data());
    if ((flags & 0xF) != platform::kMbYesNo) return platform::kIdOk;
    if (yes_) return platform::kIdYes;
    std::printf("[y/N] ");
    std::fflush(stdout);
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes" ? platform::kIdYes : platform::kIdNo;
  }

 private:
  bool yes_;
};

// An opened machine installed for the command, with console dialogs.
struct CommandMachine {
  std::unique_ptr<platform::OpenedMachine> opened;
  platform::Machine machine;
  std::unique_ptr<ConsoleDialogs> dialogs;
  std::unique_ptr<platform::MachineScope> scope;

  bool open(const BackupArgs& a, bool writable) {
    std::string error;
    opened = platform::OpenMachine(platform::MachineOptions{a.prefix, writable}, error);
    if (!opened) {
      std::fprintf(stderr, "hivemend: %s\n", error.c_str());
      return false;
    }
    machine = opened->machine();
    dialogs = std::make_unique<ConsoleDialogs>(a.yes);
    machine.dialogs = dialogs.get();
    scope = std::make_unique<platform::MachineScope>(machine);
    return true;
  }
};

// The chooser's row of a set named NAME (with or without ".bkp"), without regard to case.
std::optional<std::size_t> findSet(const backup::frmRestore& chooser, const std::string& name) {
  for (std::size_t i = 0; i < chooser.lvwBackups.rowCount(); ++i) {
    const std::string_view listed = chooser.lvwBackups.cell(i, backup::frmRestore::kBackupName);
    if (text::equalsNoCase(listed, name) || text::equalsNoCase(listed, name + ".bkp")) return i;
  }
  return std::nullopt;
}

std::size_t recordCount(const std::string& path) {
  std::size_t records = 0;
  for (const auto& section : backup::ReadIniSections(path)) {
    if (!text::containsNoCase(section.name, "Restore:")) continue;
    for (const auto& entry : section.entries) records += text::equalsNoCase(entry.first, "MainKey");
  }
  return records;
}

int listSets() {
  backup::frmRestore chooser;
  chooser.Form_Load();
  if (chooser.lvwBackups.rowCount() == 0) {
    std::printf("No backup found.\n");
    return kExitOk;
  }
  std::printf("%-32s %-28s %8s  %s\n", "Backup Name", "Date & Time", "Records", "Backup Path");
  for (const auto& row : chooser.lvwBackups.rows()) {
    const std::string path(row.cells[backup::frmRestore::kBackupPath]);
    std::printf("%-32s %-28s %8zu  %s\n", std::string(row.cells[backup::frmRestore::kBackupName]).c_str(),
                std::string(row.cells[backup::frmRestore::kBackupDate]).c_str(), recordCount(path), path.c_str());
  }
  return kExitOk;
}

int deleteSet(const std::string& name) {
  backup::frmRestore chooser;
  chooser.Form_Load();
  const auto row = findSet(chooser, name);
  if (!row) {
    std::fprintf(stderr, "hivemend: no backup named %s\n", name.c_str());
    return kExitError;
  }
  chooser.lvwBackups.select(*row);
  const std::size_t before = chooser.lvwBackups.rowCount();
  chooser.cmdDeleteBackup_Click();
  if (chooser.lvwBackups.rowCount() == before) {
    std::printf("Nothing deleted.\n");
    return kExitError;
  }
  std::printf("Deleted %s.\n", name.c_str());
  return kExitOk;
}

}  // namespace

int BackupsCommand(const std::vector<std::string>& args) {
  BackupArgs a;
  if (!parse(args, "backups", a)) return kExitError;
  const bool deleting = !a.words.empty() && a.words[0] == "delete";
  if ((deleting && a.words.size() != 2) || (!deleting && !a.words.empty())) {
    std::fprintf(stderr,
                 "usage: hivemend backups [--prefix PATH]\n"
                 "       hivemend backups delete NAME [--yes] [--prefix PATH]\n");
    return kExitError;
  }
  CommandMachine m;
  // Listing changes nothing, so it works while Wine runs in the prefix.
  if (!m.open(a, /*writable=*/deleting)) return kExitError;
  std::printf("Backups of %s\n\n", m.opened->description().c_str());
  return deleting ? deleteSet(a.words[1]) : listSets();
}

int RestoreCommand(const std::vector<std::string>& args) {
  BackupArgs a;
  if (!parse(args, "restore", a)) return kExitError;
  if (a.words.size() != 1) {
    std::fprintf(stderr, "usage: hivemend restore NAME [--yes] [--prefix PATH]\n");
    return kExitError;
  }
  CommandMachine m;
  if (!m.open(a, /*writable=*/true)) return kExitError;
  std::printf("Restore on %s\n\n", m.opened->description().c_str());

  ScanLists lists;
  backup::RestoreSession session;
  bool found = false;
  session.showChooser = [&](backup::frmRestore& chooser) {
    if (const auto row = findSet(chooser, a.words[0])) {
      found = true;
      chooser.lvwBackups.select(*row);
      chooser.cmdOK_Click();
    } else {
      chooser.cmdCancel_Click();
    }
  };
  if (!backup::cmdRestore_Click(lists, session)) {
    if (!found) std::fprintf(stderr, "hivemend: no backup named %s\n", a.words[0].c_str());
    return kExitError;
  }
  for (const auto& row : lists.lvwErrors.rows()) {
    const auto c = [&](std::size_t column) { return std::string(row.cells[column]); };
    if (row.cells[kKeyName].empty())
      std::printf("  file:  %s\n", c(kFullKeyPath).c_str());
    else
      std::printf("  value: %s\\%s  %s\n", c(kMainKeyName).c_str(), c(kFullKeyPath).c_str(), c(kKeyName).c_str());
  }
  if (!a.yes) {
    ConsoleDialogs ask(false);
    const std::string question = "Restore these " + std::to_string(lists.lvwErrors.rowCount()) + " items?";
    if (ask.messageBox(question, "", platform::kMbYesNo) != platform::kIdYes) {
      std::printf("Nothing restored.\n");
      return kExitOk;
    }
  }
  session.saveChanges = [&](std::string& why) { return m.opened->save(why); };
  const backup::RestoreOutcome outcome = backup::cmdRestoreNow_Click(lists, session);
  if (outcome.saveFailed) return kExitError;
  return outcome.failed > 0 ? kExitPartial : kExitOk;
}

}  // namespace hm::cli
