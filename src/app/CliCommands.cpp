#include "app/CliCommands.h"

#include <cstdio>
#include <memory>

#include "common/Globals.h"
#include "platform/OpenMachine.h"
#include "scan/Sections.h"

namespace hm::cli {
namespace {

constexpr const char* kUsage =
    "usage: hivemend sections [--deep] [--prefix PATH]\n";

struct Options {
  std::string command;
  bool deep = false;
  bool json = false;
  std::string prefix;
};

bool parse(const std::vector<std::string>& args, Options& o, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--deep") o.deep = true;
    else if (a == "--quick") o.deep = false;
    else if (a == "--json") o.json = true;
    else if (a == "--prefix") {
      if (++i >= args.size()) {
        error = "--prefix needs a folder";
        return false;
      }
      o.prefix = args[i];
    } else if (!a.empty() && a[0] != '-' && o.command.empty()) o.command = a;
    else {
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

int printSections(const Options& o, platform::OpenedMachine& m) {
  ScanLists lists;
  LoadRegistryValues(lists.lvwRegistryvaluesScan, o.deep);
  std::printf("%s\n", m.description().c_str());
  std::printf("%-32s %s\n", "Registry Section", "ThreatLevel");
  for (const auto& row : lists.lvwRegistryvaluesScan.rows())
    std::printf("%-32s %s\n", row.cells[kSectionName].c_str(), row.cells[kSectionThreat].c_str());
  return 0;
}

}  // namespace

int Run(const std::vector<std::string>& args) {
  Options o;
  std::string error;
  if (!parse(args, o, error)) {
    std::fprintf(stderr, "hivemend: %s\n%s", error.c_str(), kUsage);
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
  std::fprintf(stderr, "hivemend: unknown command: %s\n%s", o.command.c_str(), kUsage);
  return 2;
}

}  // namespace hm::cli
