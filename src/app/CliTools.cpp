#include "app/CliTools.h"

#include <cstdio>
#include <memory>

#include "app/CliArgs.h"
#include "app/JsonWriter.h"
#include "common/Globals.h"
#include "platform/OpenMachine.h"
#include "platform/Text.h"
#include "tools/CacheCleaner.h"
#include "tools/ConnectionTuning.h"
#include "tools/StartupPrograms.h"

namespace hm::cli {
namespace {

constexpr int kExitOk = 0, kExitNothing = 1, kExitError = 2;

constexpr const char* kStartupUsage =
    "usage: hivemend startup list [--json] [--prefix PATH]\n"
    "       hivemend startup disable NAME [--prefix PATH]\n"
    "       hivemend startup enable NAME [--prefix PATH]\n"
    "\n"
    "  list     the programs started from the machine-wide Run key (and the keys below it), and those\n"
    "           taken out of the start-up, which are kept whole in the settings.\n"
    "  disable  takes a program out of the start-up; enable puts a kept one back exactly as it was.\n"
    "           NAME is the value's name; a program of a key below Run is named SUBKEY\\NAME.\n"
    "  Exit status: 0 done, 1 nothing changed, 2 usage, machine or save error.\n";

constexpr const char* kTuneUsage =
    "usage: hivemend tune dialup|broadband|default [--dry-run] [--prefix PATH]\n"
    "\n"
    "  dialup, broadband  write the TCP/IP values for that kind of connection (cable and DSL are broadband),\n"
    "                     recording what they held before.\n"
    "  default            puts back what the first tuning replaced (and removes what it created).\n"
    "  --dry-run          prints what would change and changes nothing.\n"
    "  Exit status: 0 done, 1 some values refused or nothing to set back, 2 usage, machine or save error.\n";

constexpr const char* kCacheUsage =
    "usage: hivemend cache clear [--dry-run] [--json] [--prefix PATH]\n"
    "\n"
    "  clear      deletes every entry of the browser's URL cache (Linux: the cache Wine keeps in the prefix)\n"
    "             but the cookies named in DoNotDeleteCookie beside the program, and lists what it\n"
    "             deleted and kept.\n"
    "  --dry-run  lists what would be deleted and kept, and deletes nothing.\n"
    "  --json     prints the listing as JSON.\n"
    "  Exit status: 0 cleaned (or listed), 1 turned off in the settings (IESettings, Cache),\n"
    "               2 usage or machine error, or the cleaning stopped by an error.\n";

using ToolArgs = SubcommandArgs;

bool Parse(const std::vector<std::string>& args, ToolArgs& out, std::string& error) {
  return ParseSubcommandArgs(args, {.dryRun = true}, out, error);
}

// The opened machine, installed for the command.
struct CommandMachine {
  std::unique_ptr<platform::OpenedMachine> opened;
  std::unique_ptr<platform::MachineScope> scope;

  bool open(const std::string& prefix, bool writable, const char* command) {
    std::string error;
    opened = platform::OpenMachine(platform::MachineOptions{prefix, writable}, error);
    if (!opened) {
      std::fprintf(stderr, "hivemend %s: %s\n", command, error.c_str());
      return false;
    }
    scope = std::make_unique<platform::MachineScope>(opened->machine());
    return true;
  }
  // Machine-wide keys are written: without elevation Windows would refuse.
  bool mayWrite(const char* command) {
    auto* shell = opened->machine().shell;
    if (shell == nullptr || shell->elevated()) return true;
    std::fprintf(stderr, "hivemend %s: changing this needs administrator rights; run it from an elevated prompt\n",
                 command);
    return false;
  }
  bool save(const char* command) {
    std::string error;
    if (opened->save(error)) return true;
    std::fprintf(stderr, "hivemend %s: the registry changes could not be saved: %s\n", command, error.c_str());
    return false;
  }
};

int ListStartup(const ToolArgs& a) {
  const auto entries = tools::ListStartupEntries();
  if (a.json) {
    JsonWriter j;
    j.beginArray();
    for (const auto& e : entries) {
      j.beginObject();
      j.key("name").string(e.name);
      j.key("key").string(e.kept ? tools::KeptKeyPath(e.subKey) : tools::LiveKeyPath(e.subKey));
      j.key("root").string(e.kept ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE");
      j.key("command").string(e.command);
      j.key("type").number(e.value.type);
      j.key("enabled").boolean(!e.kept);
      j.endObject();
    }
    j.endArray();
    std::printf("%s\n", j.text().c_str());
    return kExitOk;
  }
  if (entries.empty()) {
    std::printf("No start-up programs.\n");
    return kExitOk;
  }
  for (const auto& e : entries)
    std::printf("  [%c] %-40s %s\n", e.kept ? ' ' : 'x', tools::EntryLabel(e).c_str(), e.command.c_str());
  return kExitOk;
}

int ChangeStartup(const ToolArgs& a, CommandMachine& m, bool takeOut) {
  const char* command = "startup";
  std::string wanted = a.words[1];
  std::string subKey;
  if (const auto slash = wanted.rfind('\\'); slash != std::string::npos) {
    subKey = wanted.substr(0, slash);
    wanted = wanted.substr(slash + 1);
  }
  const auto entries = tools::ListStartupEntries();
  const tools::StartupEntry* found = nullptr;
  for (const auto& e : entries) {
    // A disabled program is the kept one; an enabled one the live one.
    if (e.kept == takeOut) continue;
    if (text::toLower(e.name) == text::toLower(wanted) && text::toLower(e.subKey) == text::toLower(subKey)) found = &e;
  }
  if (found == nullptr) {
    std::fprintf(stderr, "hivemend startup: no %s start-up program named %s\n", takeOut ? "enabled" : "disabled",
                 a.words[1].c_str());
    return kExitNothing;
  }
  if (!m.mayWrite(command)) return kExitError;
  const auto outcome = tools::ApplyStartupChanges({{*found, takeOut}}).front();
  if (!m.save(command)) return kExitError;
  switch (outcome) {
    case tools::ChangeOutcome::Done:
      std::printf("%s %s\n", takeOut ? "Disabled" : "Enabled", tools::EntryLabel(*found).c_str());
      return kExitOk;
    case tools::ChangeOutcome::NameTaken:
      std::fprintf(stderr, "hivemend startup: another entry named %s is in the way; nothing was changed\n",
                   found->name.c_str());
      return kExitNothing;
    case tools::ChangeOutcome::ChangedMeanwhile:
      std::fprintf(stderr, "hivemend startup: %s changed while it was being read; nothing was changed\n",
                   tools::EntryLabel(*found).c_str());
      return kExitNothing;
    case tools::ChangeOutcome::Refused:
      break;
  }
  std::fprintf(stderr, "hivemend startup: Windows refused the change to %s\n", tools::EntryLabel(*found).c_str());
  return kExitNothing;
}

// The dialog's messages break lines with CR LF; the console takes LF.
std::string NewlinesForConsole(std::string text) {
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
  return text;
}

void PrintResult(const tools::TuningResult& r) {
  for (const auto& name : r.changed) std::printf("  changed  %s\n", name.c_str());
  for (const auto& name : r.failed) std::printf("  REFUSED  %s\n", name.c_str());
}

}  // namespace

int StartupCommand(const std::vector<std::string>& args) {
  ToolArgs a;
  std::string error;
  if (!Parse(args, a, error)) {
    std::fprintf(stderr, "hivemend startup: %s\n%s", error.c_str(), kStartupUsage);
    return kExitError;
  }
  if (a.help) {
    std::printf("%s", kStartupUsage);
    return kExitOk;
  }
  const bool list = a.words.size() == 1 && a.words[0] == "list";
  const bool change = a.words.size() == 2 && (a.words[0] == "disable" || a.words[0] == "enable");
  if (!list && !change) {
    std::fprintf(stderr, "hivemend startup: %s\n%s", a.words.empty() ? "no subcommand given" : "bad arguments",
                 kStartupUsage);
    return kExitError;
  }
  CommandMachine m;
  if (!m.open(a.prefix, change, "startup")) return kExitError;
  if (list) return ListStartup(a);
  return ChangeStartup(a, m, a.words[0] == "disable");
}

int TuneCommand(const std::vector<std::string>& args) {
  ToolArgs a;
  std::string error;
  // Nothing of tune is printed as JSON: refuse the switch rather than ignore it.
  if (!ParseSubcommandArgs(args, {.json = false, .dryRun = true}, a, error)) {
    std::fprintf(stderr, "hivemend tune: %s\n%s", error.c_str(), kTuneUsage);
    return kExitError;
  }
  if (a.help) {
    std::printf("%s", kTuneUsage);
    return kExitOk;
  }
  if (a.words.size() != 1 || (a.words[0] != "dialup" && a.words[0] != "broadband" && a.words[0] != "default")) {
    std::fprintf(stderr, "hivemend tune: %s\n%s", a.words.empty() ? "no connection kind given" : "bad arguments",
                 kTuneUsage);
    return kExitError;
  }
  CommandMachine m;
  if (!m.open(a.prefix, !a.dryRun, "tune")) return kExitError;
  const bool toDefault = a.words[0] == "default";
  const auto kind = a.words[0] == "dialup" ? tools::ConnectionKind::DialUp : tools::ConnectionKind::Broadband;

  if (a.dryRun) {
    int planned = 0;
    for (const auto& v : tools::TuningTable(kind)) {
      if (!toDefault) {
        std::printf("  would set  HKEY_LOCAL_MACHINE\\%s\\%s = \"%s\" (REG_SZ)\n", v.keyPath.c_str(), v.name.c_str(),
                    v.data.c_str());
        ++planned;
      } else if (const auto state = tools::RecordedState(v); !state.empty()) {
        std::printf("  would %s  HKEY_LOCAL_MACHINE\\%s\\%s\n", state.c_str(), v.keyPath.c_str(), v.name.c_str());
        ++planned;
      }
    }
    if (toDefault)
      for (const auto& key : tools::RecordedKeys()) {
        std::printf("  would delete key  HKEY_LOCAL_MACHINE\\%s (if empty)\n", key.c_str());
        ++planned;
      }
    if (planned == 0) std::printf("Nothing to set back: no tuning was recorded.\n");
    return planned == 0 ? kExitNothing : kExitOk;
  }

  if (toDefault && !tools::HasTuningRecord()) {
    std::printf("Nothing to set back: no tuning was recorded.\n");
    return kExitNothing;
  }
  if (!m.mayWrite("tune")) return kExitError;
  const auto result = toDefault ? tools::SetToDefault() : tools::Optimize(kind);
  if (!toDefault && !result.changed.empty()) tools::StoreLastTime();
  if (!m.save("tune")) return kExitError;
  PrintResult(result);
  if (!result.failed.empty()) return kExitNothing;
  std::printf("%s\n", toDefault ? "Default Values Loaded. You will need to restart to changes to take effect."
                                : "For the changes to take effect, you must restart your computer.");
  return kExitOk;
}

int CacheCommand(const std::vector<std::string>& args) {
  ToolArgs a;
  std::string error;
  if (!Parse(args, a, error)) {
    std::fprintf(stderr, "hivemend cache: %s\n%s", error.c_str(), kCacheUsage);
    return kExitError;
  }
  if (a.help) {
    std::printf("%s", kCacheUsage);
    return kExitOk;
  }
  if (a.words.size() != 1 || a.words[0] != "clear") {
    std::fprintf(stderr, "hivemend cache: %s\n%s", a.words.empty() ? "no subcommand given" : "bad arguments",
                 kCacheUsage);
    return kExitError;
  }
  CommandMachine m;
  if (!m.open(a.prefix, !a.dryRun, "cache")) return kExitError;
  tools::CacheCleaning result;
  if (!tools::CacheCleaningSwitchedOn())
    result.switchedOff = true;
  else
    result = tools::CleanUrlCache(a.dryRun);

  if (a.json) {
    JsonWriter j;
    j.beginObject();
    j.key("dryRun").boolean(a.dryRun);
    j.key("switchedOff").boolean(result.switchedOff);
    j.key("deleted").beginArray();
    for (const auto& url : result.deleted) j.string(url);
    j.endArray();
    j.key("kept").beginArray();
    for (const auto& url : result.kept) j.string(url);
    j.endArray();
    j.key("deletedCount").number(static_cast<long long>(result.deleted.size()));
    j.key("keptCount").number(static_cast<long long>(result.kept.size()));
    if (!result.ok()) j.key("error").string(result.error);
    j.endObject();
    std::printf("%s\n", j.text().c_str());
  } else {
    for (const auto& url : result.deleted)
      std::printf("  %s  %s\n", a.dryRun ? "would delete" : "deleted", url.c_str());
    for (const auto& url : result.kept) std::printf("  %s  %s\n", a.dryRun ? "would keep  " : "kept   ", url.c_str());
    if (a.dryRun && result.ok() && !result.switchedOff)
      std::printf("Would delete: %zu. Would keep: %zu.\n", result.deleted.size(), result.kept.size());
    else
      std::printf("%s\n", NewlinesForConsole(tools::CacheCleaningMessage(result)).c_str());
  }
  if (result.switchedOff) return kExitNothing;
  if (!result.ok()) {
    std::fprintf(stderr, "hivemend cache: %s\n", result.error.c_str());
    return kExitError;
  }
  return kExitOk;
}

}  // namespace hm::cli
