#include "app/CliCommands.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <map>
#include <memory>

#include "app/CliBackups.h"
#include "app/CliKeep.h"
#include "app/CliRepair.h"
#include "app/CliTools.h"
#include "app/JsonWriter.h"
#include "app/ScanJson.h"
#include "common/Globals.h"
#include "common/RegistryAccess.h"
#include "mainwindow/ScanCommands.h"
#include "platform/OpenMachine.h"
#include "platform/SimplePorts.h"
#include "scan/KeepList.h"
#include "scan/Sections.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace hm::cli {
namespace {

constexpr const char* kUsage =
    "usage: hivemend scan [--quick | --deep] [--json] [--prefix PATH]\n"
    "       hivemend sections [--deep] [--prefix PATH]\n"
    "       hivemend repair [--quick | --deep] [--section NAME]... [--only N[,N...]] [--yes] [--no-backup]\n"
    "                       [--prefix PATH]\n"
    "       hivemend backups [--prefix PATH]\n"
    "       hivemend backups delete NAME [--yes] [--prefix PATH]\n"
    "       hivemend restore NAME [--yes] [--prefix PATH]\n"
    "       hivemend list-registry ROOT\\KEY [--prefix PATH]\n"
    "       hivemend startup list [--json] [--prefix PATH]\n"
    "       hivemend startup disable|enable NAME [--prefix PATH]\n"
    "       hivemend tune dialup|broadband|default [--dry-run] [--prefix PATH]\n"
    "       hivemend cache clear [--dry-run] [--json] [--prefix PATH]\n"
    "       hivemend keep add N... [--quick | --deep] [--prefix PATH]\n"
    "       hivemend keep list [--json] [--prefix PATH]\n"
    "       hivemend keep remove ID [--prefix PATH]\n"
    "\n"
    "  scan       scans the registry (and with --deep the shortcuts of the fixed drives)\n"
    "             for entries that point at something that no longer exists.\n"
    "             Exit status: 0 nothing found, 1 problems found, 2 usage or machine error.\n"
    "  sections   lists the scan sections with their threat levels.\n"
    "  repair     scans, then removes the problems found (all, or those of the named sections,\n"
    "             or the numbers the scan printed) after writing a backup set.\n"
    "  backups    lists the backup sets that repairs left (or deletes one).\n"
    "  restore    puts back everything a backup set holds.\n"
    "  list-registry  prints every key and value below a key (name, type, data as hex).\n"
    "  startup    lists the programs that start with Windows, takes one out or puts a kept one back.\n"
    "  tune       writes the TCP/IP values for a kind of connection, or puts back the earlier ones.\n"
    "  cache      deletes the browser's cache entries but the cookies listed in DoNotDeleteCookie.\n"
    "  keep       keeps problems a scan found so later scans do not report them, lists them, or stops.\n"
    "  --prefix   the Wine prefix to work on (Linux; default $WINEPREFIX, else ~/.wine).\n"
    "  --json     prints the section rows and the problem records as JSON.\n";

std::atomic<bool> g_interrupted{false};

#ifdef _WIN32
BOOL WINAPI onConsoleControl(DWORD type) {
  if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) {
    g_interrupted = true;
    return TRUE;
  }
  return FALSE;
}
void installInterruptHandler() { SetConsoleCtrlHandler(onConsoleControl, TRUE); }
#else
void onSignal(int) { g_interrupted = true; }
void installInterruptHandler() { std::signal(SIGINT, onSignal); }
#endif

struct Options {
  std::string command;
  std::string argument;
  bool deep = false;
  bool json = false;
  std::string prefix;
};

bool parse(const std::vector<std::string>& args, Options& o, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--deep") {
      o.deep = true;
    } else if (a == "--quick") {
      o.deep = false;
    } else if (a == "--json") {
      o.json = true;
    } else if (a == "--prefix") {
      if (++i >= args.size()) {
        error = "--prefix needs a folder";
        return false;
      }
      o.prefix = args[i];
    } else if (a == "--help" || a == "-h") {
      o.command = "help";
    } else if (!a.empty() && a[0] != '-' && o.command.empty()) {
      o.command = a;
    } else if (!a.empty() && a[0] != '-' && o.argument.empty()) {
      o.argument = a;
    } else {
      error = "unknown argument: " + a;
      return false;
    }
  }
  if (o.command.empty()) {
    error = "no command given";
    return false;
  }
  return true;
}

// Ctrl+C reaches the scan through the event pump, like the cancel button.
class InterruptiblePump : public platform::EventPumpPort {
 public:
  explicit InterruptiblePump(platform::EventPumpPort* inner) : inner_(inner) {}
  void pump() override {
    if (inner_ != nullptr) inner_->pump();
    if (g_interrupted) CancelScan = true;
  }
  long long milliseconds() override { return fallback_.milliseconds(); }

 private:
  platform::EventPumpPort* inner_;
  platform::CallbackPump fallback_;
};

void printSectionRow(const platform::ListRow& row) {
  const auto c = [&](std::size_t column) { return std::string(row.cells[column]); };
  std::printf("  %-30s %-9s %-20s %s\n", c(kSectionName).c_str(), c(kSectionStatus).c_str(),
              c(kSectionProblems).c_str(), c(kSectionThreat).c_str());
  std::fflush(stdout);
}

void printKeptNotShown(const ScanLists& lists) {
  if (lists.keptNotShown > 0) std::printf("\n%s\n", KeptNotShownText(lists.keptNotShown).c_str());
}

void printResults(const ScanLists& lists) {
  const auto& errors = lists.lvwErrors;
  if (errors.rowCount() == 0) {
    std::printf("\nCongratulations!!! No problem found.\n");
    printKeptNotShown(lists);
    return;
  }
  std::map<std::string, std::string> threat;
  for (const auto& r : lists.lvwRegistryvaluesScan.rows())
    threat[std::string(r.cells[kSectionName])] = r.cells[kSectionThreat];
  std::vector<std::string> order;
  for (const auto& r : errors.rows())
    if (std::find(order.begin(), order.end(), r.cells[kSection]) == order.end()) order.emplace_back(r.cells[kSection]);
  std::printf("\n%zu problems found\n", errors.rowCount());
  for (const auto& section : order) {
    std::size_t count = 0;
    for (const auto& r : errors.rows()) count += r.cells[kSection] == section;
    std::printf("\n%s (%zu Problems)  [%s]\n", section.c_str(), count, threat[section].c_str());
    std::size_t number = 0;
    for (const auto& r : errors.rows()) {
      ++number;
      if (r.cells[kSection] != section) continue;
      const auto c = [&](std::size_t column) { return std::string(r.cells[column]); };
      std::printf("  %3zu. %s\n", number, c(kKeyValue).c_str());
      if (r.cells[kMainKeyName].empty()) {
        std::printf("       file:  %s\n", c(kFullKeyPath).c_str());
      } else {
        std::printf("       key:   %s\\%s\n", c(kMainKeyName).c_str(), c(kFullKeyPath).c_str());
        std::printf("       value: %s\n", c(kKeyName).c_str());
      }
      const std::string tested(errors.cell(number - 1, kTestedPath));
      if (!tested.empty() && tested != r.cells[kKeyValue]) std::printf("       tested: %s\n", tested.c_str());
    }
  }
  printKeptNotShown(lists);
}

void printJson(const ScanLists& lists, const std::string& machine, bool deep, bool cancelled) {
  JsonWriter j;
  j.beginObject();
  j.key("machine").string(machine);
  j.key("scan").string(deep ? "deep" : "quick");
  j.key("cancelled").boolean(cancelled);
  // Only when some were passed over, so a scan without kept entries prints what it always did.
  if (lists.keptNotShown > 0) j.key("keptNotShown").number(static_cast<long long>(lists.keptNotShown));
  WriteSectionRows(j, lists);
  WriteProblemRecords(j, lists.lvwErrors);
  j.endObject();
  std::printf("%s\n", j.text().c_str());
}

int scan(const Options& o, platform::OpenedMachine& m) {
  ScanLists lists;
  std::size_t printed = 0;
  platform::Subscription sectionPrinter;
  if (!o.json) {
    std::printf("Hivemend %s scan of %s\n\n", o.deep ? "deep" : "quick", m.description().c_str());
    std::printf("  %-30s %-9s %-20s %s\n", "Registry Section", "Status", "Problems", "ThreatLevel");
    sectionPrinter = platform::Subscription(lists.lvwRegistryvaluesScan, [&](const platform::Change&) {
      const auto& rows = lists.lvwRegistryvaluesScan.rows();
      while (printed < rows.size() && rows[printed].cells[kSectionStatus] == "FINISHED")
        printSectionRow(rows[printed++]);
    });
  }
  installInterruptHandler();
  InterruptiblePump pump(m.machine().pump);
  platform::Machine machine = m.machine();
  machine.pump = &pump;
  platform::MachineScope scope(machine);
  const std::size_t found = RunScan(lists, o.deep ? ScanKind::Deep : ScanKind::Quick);
  sectionPrinter.reset();
  const bool cancelled = CancelScan;
  if (o.json) {
    printJson(lists, m.description(), o.deep, cancelled);
  } else {
    if (cancelled) std::printf("\nScan cancelled.\n");
    printResults(lists);
  }
  return found > 0 ? 1 : 0;
}

int printSections(const Options& o, platform::OpenedMachine& m) {
  ScanLists lists;
  LoadRegistryValues(lists.lvwRegistryvaluesScan, o.deep);
  std::printf("%s\n\n", m.description().c_str());
  std::printf("  %-30s %s\n", "Registry Section", "ThreatLevel");
  for (const auto& row : lists.lvwRegistryvaluesScan.rows())
    std::printf("  %-30s %s\n", std::string(row.cells[kSectionName]).c_str(),
                std::string(row.cells[kSectionThreat]).c_str());
  return 0;
}

// A key, its values and its subkeys; a symbolic link shows as the link key
// itself with its target value.
void listKey(platform::RegistryPort& reg, platform::HKey key, const std::string& path, bool isLink) {
  std::printf("[%s]\n", path.c_str());
  std::string name;
  platform::RegValue value;
  for (std::uint32_t i = 0; reg.enumValue(key, i, name, 16384, nullptr, 0) == platform::kSuccess; ++i) {
    if (reg.queryValue(key, name, value) != platform::kSuccess) continue;
    std::string hex;
    static const char* digits = "0123456789abcdef";
    for (const unsigned char c : value.data) {
      hex += digits[c >> 4];
      hex += digits[c & 15];
    }
    std::printf("%s\t%u\t%s\n", JsonWriter::quote(name).c_str(), value.type, hex.c_str());
  }
  if (isLink) return;  // its target is listed where it lives; following it could loop
  for (std::uint32_t i = 0; reg.enumKey(key, i, name, 256) == platform::kSuccess; ++i) {
    platform::HKey child = 0;
    if (reg.openKeyNoFollow(key, name, platform::kKeyRead, child) != platform::kSuccess) continue;
    std::uint32_t type = 0, size = 0;
    const bool childIsLink =
        reg.queryValueInfo(child, platform::kSymbolicLinkValue, type, size) == platform::kSuccess &&
        type == platform::kRegLink;
    listKey(reg, child, path + "\\" + name, childIsLink);
    reg.closeKey(child);
  }
}

int listRegistry(const Options& o) {
  const std::size_t slash = o.argument.find('\\');
  const std::string rootName = o.argument.substr(0, slash);
  const std::string path = slash == std::string::npos ? std::string() : o.argument.substr(slash + 1);
  const std::int32_t root = RootKeyFromName(rootName);
  if (root == 0) {
    std::fprintf(stderr, "hivemend: list-registry needs HKEY_CLASSES_ROOT, HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE\n");
    return 2;
  }
  auto& reg = *platform::machine().registry;
  platform::HKey key = 0;
  if (reg.openKey(platform::rootHandle(root), path, platform::kKeyRead, key) != platform::kSuccess) {
    std::fprintf(stderr, "hivemend: no such key: %s\n", o.argument.c_str());
    return 2;
  }
  listKey(reg, key, o.argument, false);
  reg.closeKey(key);
  return 0;
}

}  // namespace

int Run(const std::vector<std::string>& args) {
  if (!args.empty()) {
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "repair") return RepairCommand(rest);
    if (args[0] == "backups") return BackupsCommand(rest);
    if (args[0] == "restore") return RestoreCommand(rest);
    if (args[0] == "startup") return StartupCommand(rest);
    if (args[0] == "tune") return TuneCommand(rest);
    if (args[0] == "cache") return CacheCommand(rest);
    if (args[0] == "keep") return KeepCommand(rest);
  }
  Options o;
  std::string error;
  if (!parse(args, o, error)) {
    std::fprintf(stderr, "hivemend: %s\n%s", error.c_str(), kUsage);
    return 2;
  }
  if (o.command == "help") {
    std::printf("%s", kUsage);
    return 0;
  }
  if (o.command != "scan" && o.command != "sections" && o.command != "list-registry") {
    std::fprintf(stderr, "hivemend: unknown command: %s\n%s", o.command.c_str(), kUsage);
    return 2;
  }
  platform::MachineOptions mo;
  mo.prefix = o.prefix;
  auto machine = platform::OpenMachine(mo, error);
  if (!machine) {
    std::fprintf(stderr, "hivemend: %s\n", error.c_str());
    return 2;
  }
  platform::MachineScope scope(machine->machine());
  if (o.command == "sections") return printSections(o, *machine);
  if (o.command == "list-registry") return listRegistry(o);
  return scan(o, *machine);
}

}  // namespace hm::cli
