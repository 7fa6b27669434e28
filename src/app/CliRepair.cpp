#include "app/CliRepair.h"

#include <cstdio>
#include <iostream>
#include <set>
#include <string_view>

#include "common/Globals.h"
#include "mainwindow/Repair.h"
#include "mainwindow/ScanCommands.h"
#include "platform/OpenMachine.h"
#include "platform/Text.h"

#ifdef _WIN32
#include <io.h>
#define HM_ISATTY _isatty
#define HM_FILENO _fileno
#else
#include <unistd.h>
#define HM_ISATTY isatty
#define HM_FILENO fileno
#endif

namespace hm::cli {
namespace {

constexpr const char* kRepairUsage =
    "usage: hivemend repair [--quick | --deep] [--section NAME]... [--only N[,N...]] [--yes] [--no-backup]\n"
    "                       [--prefix PATH]\n"
    "\n"
    "  Scans, then removes the problems found, after writing a backup set that restore can replay.\n"
    "  --deep       scans the shortcuts of the fixed drives as well.\n"
    "  --section    repairs only problems of this section (may be given more than once).\n"
    "  --only       repairs only these problem numbers, as 'hivemend scan' prints them.\n"
    "  --yes        answers the confirmation; without it the terminal is asked.\n"
    "  --no-backup  writes no backup set this time (the stored option is left as it is).\n"
    "  Exit status: 0 all selected problems fixed, 1 some left alone, 2 usage, machine, backup or save error.\n";

struct RepairArgs {
  bool deep = false;
  bool yes = false;
  bool noBackup = false;
  std::vector<std::string> sections;
  std::set<std::size_t> only;
  std::string prefix;
  bool help = false;
};

bool ParseNumbers(std::string_view text, std::set<std::size_t>& out) {
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const std::string_view part = text.substr(start, comma - start);
    if (part.empty() || part.size() > 9) return false;
    std::size_t n = 0;
    for (const char c : part) {
      if (c < '0' || c > '9') return false;
      n = n * 10 + static_cast<std::size_t>(c - '0');
    }
    if (n == 0) return false;
    out.insert(n);
    start = comma + 1;
  }
  return true;
}

bool Parse(const std::vector<std::string>& args, RepairArgs& o, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto next = [&](const char* what) -> const std::string* {
      if (i + 1 >= args.size()) {
        error = a + " needs " + what;
        return nullptr;
      }
      return &args[++i];
    };
    if (a == "--deep") {
      o.deep = true;
    } else if (a == "--quick") {
      o.deep = false;
    } else if (a == "--yes" || a == "-y") {
      o.yes = true;
    } else if (a == "--no-backup") {
      o.noBackup = true;
    } else if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--section") {
      const std::string* v = next("a section name");
      if (v == nullptr) return false;
      o.sections.push_back(*v);
    } else if (a == "--only") {
      const std::string* v = next("problem numbers");
      if (v == nullptr) return false;
      if (!ParseNumbers(*v, o.only)) {
        error = "--only takes problem numbers such as 2,5: " + *v;
        return false;
      }
    } else if (a == "--prefix") {
      const std::string* v = next("a folder");
      if (v == nullptr) return false;
      o.prefix = *v;
    } else {
      error = "unknown argument: " + a;
      return false;
    }
  }
  return true;
}

bool StdinIsTerminal() { return HM_ISATTY(HM_FILENO(stdin)) != 0; }

// Message boxes on the terminal: texts are printed; the confirmation is
// answered by --yes or by the user.
class TerminalDialogs : public platform::DialogPort {
 public:
  explicit TerminalDialogs(bool yes) : yes_(yes) {}
  int messageBox(std::string_view text, std::string_view /*title*/, unsigned flags) override {
    std::string shown(text);
    for (std::size_t p; (p = shown.find("\r\n")) != std::string::npos;) shown.replace(p, 2, "\n");
    std::printf("\n%s\n", shown.c_str());
    if ((flags & 0xF) != platform::kMbYesNo) {
      std::fflush(stdout);
      return platform::kIdOk;
    }
    if (yes_) {
      std::printf("Proceed? [y/N] y (--yes)\n");
      std::fflush(stdout);
      return platform::kIdYes;
    }
    std::printf("Proceed? [y/N] ");
    std::fflush(stdout);
    std::string answer;
    if (!std::getline(std::cin, answer)) return platform::kIdNo;
    while (!answer.empty() && (answer.back() == '\r' || answer.back() == ' ')) answer.pop_back();
    return text::equalsNoCase(answer, "y") || text::equalsNoCase(answer, "yes") ? platform::kIdYes : platform::kIdNo;
  }

 private:
  bool yes_;
};

const char* OutcomeText(RowOutcome outcome) {
  switch (outcome) {
    case RowOutcome::Fixed:
      return "fixed";
    case RowOutcome::AlreadyGone:
      return "already gone, nothing removed";
    case RowOutcome::Changed:
      return "changed since the scan, left alone";
    case RowOutcome::Failed:
      return "could not be removed";
    case RowOutcome::NotReached:
      return "not reached, left alone";
    case RowOutcome::NotSaved:
      return "not changed, the registry could not be saved";
  }
  return "";
}

std::string WhatIsRemoved(const ProblemEntry& e) {
  if (e.KeyName.empty()) return "file " + e.FullKeyPath;
  const std::string key = e.MainKeyName + "\\" + e.FullKeyPath;
  if (e.KeyName == "(Default)") return "default value of " + key + " (emptied)";
  return "value \"" + e.KeyName + "\" of " + key;
}

// Leaves checked only the rows the options select; false with a message when
// an option names something the scan does not have.
bool SelectRows(ScanLists& lists, const RepairArgs& o, std::string& error) {
  for (const std::string& name : o.sections) {
    bool known = false;
    for (const auto& row : lists.lvwRegistryvaluesScan.rows())
      known = known || text::equalsNoCase(row.cells[kSectionName], name);
    if (!known) {
      error = "no such scan section: " + name;
      return false;
    }
  }
  auto& errors = lists.lvwErrors;
  for (const std::size_t n : o.only) {
    if (n > errors.rowCount()) {
      error = "there is no problem number " + std::to_string(n) + " (the scan found " +
              std::to_string(errors.rowCount()) + ")";
      return false;
    }
  }
  for (std::size_t i = 0; i < errors.rowCount(); ++i) {
    bool selected = o.only.empty() || o.only.count(i + 1) > 0;
    if (selected && !o.sections.empty()) {
      bool inSection = false;
      for (const std::string& name : o.sections)
        inSection = inSection || text::equalsNoCase(errors.cell(i, kSection), name);
      selected = inSection;
    }
    errors.setChecked(i, selected);
  }
  return true;
}

void PrintRows(const RepairResult& result) {
  if (result.rows.empty()) return;
  std::printf("\n");
  for (const RepairedRow& row : result.rows) {
    const std::string outcome = row.outcome == RowOutcome::Fixed && row.removedWithRow > 0
                                    ? "fixed (removed with problem " + std::to_string(row.removedWithRow) + ")"
                                    : OutcomeText(row.outcome);
    std::printf("  %3zu. [%s] %s: %s\n", row.number, row.entry.Section.c_str(), WhatIsRemoved(row.entry).c_str(),
                outcome.c_str());
  }
}

}  // namespace

int RepairCommand(const std::vector<std::string>& args) {
  RepairArgs o;
  std::string error;
  if (!Parse(args, o, error)) {
    std::fprintf(stderr, "hivemend repair: %s\n%s", error.c_str(), kRepairUsage);
    return 2;
  }
  if (o.help) {
    std::printf("%s", kRepairUsage);
    return 0;
  }
  if (!o.yes && !StdinIsTerminal()) {
    std::fprintf(stderr, "hivemend repair: no terminal to confirm on; add --yes to repair without asking\n");
    return 2;
  }
  auto opened = platform::OpenMachine(platform::MachineOptions{o.prefix, /*writable=*/true}, error);
  if (!opened) {
    std::fprintf(stderr, "hivemend repair: %s\n", error.c_str());
    return 2;
  }
  TerminalDialogs dialogs(o.yes);
  platform::Machine machine = opened->machine();
  machine.dialogs = &dialogs;
  platform::MachineScope scope(machine);

  std::printf("Hivemend %s scan of %s\n", o.deep ? "deep" : "quick", opened->description().c_str());
  std::fflush(stdout);
  ScanLists lists;
  RunScan(lists, o.deep ? ScanKind::Deep : ScanKind::Quick);
  if (CancelScan) {
    std::fprintf(stderr, "hivemend repair: the scan was cancelled; nothing was changed\n");
    return 2;
  }
  if (!SelectRows(lists, o, error)) {
    std::fprintf(stderr, "hivemend repair: %s\n", error.c_str());
    return 2;
  }
  std::size_t selected = 0;
  for (const auto& row : lists.lvwErrors.rows()) selected += row.checked;
  std::printf("%zu problems found, %zu selected for repair\n", lists.lvwErrors.rowCount(), selected);

  RepairOptions options;
  if (o.noBackup) options.takeBackup = false;
  options.saveChanges = [&](std::string& why) { return opened->save(why); };
  const RepairResult result = cmdRepairCorruptFiles_Click(lists, options);
  if (result.found > 0 && !result.confirmed) {
    std::printf("Nothing was changed.\n");
    return 1;
  }
  PrintRows(result);
  if (!result.backupBaseName.empty())
    std::printf("\nBackup set: %s.bkp\n", result.backupBaseName.c_str());
  else if (result.confirmed && !result.backupOn)
    std::printf("\nNo backup set was written (backup off).\n");

  if (result.saveFailed) {
    std::fprintf(stderr, "hivemend repair: the registry changes could not be saved: %s\n", result.saveError.c_str());
    return 2;
  }
  if (result.backupFailed) return 2;
  return result.skipped > 0 ? 1 : 0;
}

}  // namespace hm::cli
