#include "app/CliKeep.h"

#include <cstdio>
#include <memory>
#include <set>

#include "app/CliArgs.h"
#include "app/JsonWriter.h"
#include "common/Globals.h"
#include "mainwindow/ScanCommands.h"
#include "platform/OpenMachine.h"
#include "scan/KeepList.h"

namespace hm::cli {
namespace {

constexpr int kExitOk = 0, kExitNothing = 1, kExitError = 2;

constexpr const char* kKeepUsage =
    "usage: hivemend keep add N... [--quick | --deep] [--prefix PATH]\n"
    "       hivemend keep list [--json] [--prefix PATH]\n"
    "       hivemend keep remove ID [--prefix PATH]\n"
    "\n"
    "  add     scans, then keeps the problems of these numbers (as 'hivemend scan' prints them with the\n"
    "          same --quick or --deep): later scans pass them over and say how many they did not show.\n"
    "  list    the kept entries with their ids and the date each was kept.\n"
    "  remove  stops keeping the entry with this id; the next scan reports it again.\n"
    "  Kept entries are the current user's, compared without regard to case.\n"
    "  Exit status: 0 done, 1 nothing changed, 2 usage, machine or save error.\n";

using KeepArgs = SubcommandArgs;

bool Parse(const std::vector<std::string>& args, KeepArgs& out, std::string& error) {
  return ParseSubcommandArgs(args, {.scanKind = true}, out, error);
}

// Numbers given one by one or as 2,5; false for anything else.
bool ParseNumbers(const std::vector<std::string>& words, std::set<std::size_t>& out) {
  for (std::size_t w = 1; w < words.size(); ++w) {
    std::size_t n = 0, digits = 0;
    for (const char c : words[w] + ",") {
      if (c == ',') {
        if (digits == 0 || n == 0) return false;
        out.insert(n);
        n = digits = 0;
      } else if (c >= '0' && c <= '9' && digits < 9) {
        n = n * 10 + static_cast<std::size_t>(c - '0');
        ++digits;
      } else {
        return false;
      }
    }
  }
  return !out.empty();
}

std::unique_ptr<platform::OpenedMachine> Open(const KeepArgs& a, bool writable) {
  std::string error;
  auto opened = platform::OpenMachine(platform::MachineOptions{a.prefix, writable}, error);
  if (!opened) std::fprintf(stderr, "hivemend keep: %s\n", error.c_str());
  return opened;
}

bool Save(platform::OpenedMachine& opened) {
  std::string error;
  if (opened.save(error)) return true;
  std::fprintf(stderr, "hivemend keep: the keep list could not be saved: %s\n", error.c_str());
  return false;
}

int Add(const KeepArgs& a) {
  std::set<std::size_t> numbers;
  if (!ParseNumbers(a.words, numbers)) {
    std::fprintf(stderr, "hivemend keep add: give problem numbers such as 3 5 or 3,5\n%s", kKeepUsage);
    return kExitError;
  }
  auto opened = Open(a, true);
  if (!opened) return kExitError;
  platform::MachineScope scope(opened->machine());
  ScanLists lists;
  RunScan(lists, a.deep ? ScanKind::Deep : ScanKind::Quick);
  if (CancelScan) {
    std::fprintf(stderr, "hivemend keep add: the scan was cancelled; nothing was kept\n");
    return kExitError;
  }
  const std::size_t found = lists.lvwErrors.rowCount();
  for (const std::size_t n : numbers) {
    if (n > found) {
      std::fprintf(stderr, "hivemend keep add: there is no problem number %zu (the scan found %zu); nothing was kept\n",
                   n, found);
      return kExitError;
    }
  }
  std::size_t kept = 0;
  for (const std::size_t n : numbers) {
    const ProblemEntry problem = ProblemAt(lists.lvwErrors, n - 1);
    const std::string id = KeepProblem(problem);
    if (id.empty()) {
      std::fprintf(stderr, "hivemend keep add: problem %zu could not be kept\n", n);
      continue;
    }
    ++kept;
    std::printf("  %3zu. kept as %s: [%s] %s\n", n, id.c_str(), problem.Section.c_str(),
                KeptEntryOf(problem).Label().c_str());
  }
  if (kept > 0 && !Save(*opened)) return kExitError;
  return kept == numbers.size() ? kExitOk : kExitError;
}

int List(const KeepArgs& a) {
  auto opened = Open(a, false);
  if (!opened) return kExitError;
  platform::MachineScope scope(opened->machine());
  const auto entries = ReadKeptEntries();
  if (a.json) {
    JsonWriter j;
    j.beginArray();
    for (const auto& e : entries) {
      j.beginObject();
      j.key("id").string(e.id);
      j.key("root").string(e.root);
      j.key("keyPath").string(e.keyPath);
      j.key("valueName").string(e.valueName);
      j.key("section").string(e.section);
      j.key("keptOn").string(e.keptOn);
      j.endObject();
    }
    j.endArray();
    std::printf("%s\n", j.text().c_str());
    return kExitOk;
  }
  if (entries.empty()) {
    std::printf("No kept entries.\n");
    return kExitOk;
  }
  for (const auto& e : entries)
    std::printf("  %-18s %-16s [%s] %s\n", e.id.c_str(), e.keptOn.c_str(), e.section.c_str(), e.Label().c_str());
  return kExitOk;
}

int Remove(const KeepArgs& a) {
  auto opened = Open(a, true);
  if (!opened) return kExitError;
  platform::MachineScope scope(opened->machine());
  if (!StopKeeping(a.words[1])) {
    std::fprintf(stderr, "hivemend keep remove: no kept entry with the id %s\n", a.words[1].c_str());
    return kExitNothing;
  }
  if (!Save(*opened)) return kExitError;
  std::printf("No longer kept: %s\n", a.words[1].c_str());
  return kExitOk;
}

}  // namespace

int KeepCommand(const std::vector<std::string>& args) {
  KeepArgs a;
  std::string error;
  if (!Parse(args, a, error)) {
    std::fprintf(stderr, "hivemend keep: %s\n%s", error.c_str(), kKeepUsage);
    return kExitError;
  }
  if (a.help) {
    std::printf("%s", kKeepUsage);
    return kExitOk;
  }
  const std::string verb = a.words.empty() ? std::string() : a.words[0];
  if (verb == "add" && a.words.size() >= 2) return Add(a);
  if (verb == "list" && a.words.size() == 1) return List(a);
  if (verb == "remove" && a.words.size() == 2) return Remove(a);
  std::fprintf(stderr, "hivemend keep: %s\n%s", verb.empty() ? "no subcommand given" : "bad arguments", kKeepUsage);
  return kExitError;
}

}  // namespace hm::cli
