// Every record says which rule flagged it and which path was looked up.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/Globals.h"
#include "diskscan/DiskScanTestSupport.h"
#include "diskscan/ShortcutScan.h"
#include "platform/ForwardingFileSystem.h"
#include "scan/CheckFixture.h"
#include "scan/CheckRules.h"
#include "scan/RegistryWalker.h"

namespace hm::test {
namespace {

// Remembers every existence search and its answer.
class RecordingFiles : public platform::ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  platform::FindResult findFirst(std::string_view path, bool folders) override {
    const platform::FindResult found = inner_.findFirst(path, folders);
    lookups.emplace_back(path, found);
    return found;
  }
  std::vector<std::pair<std::string, platform::FindResult>> lookups;
};

struct Case {
  const char* rule;
  const char* section;
  const char* valueName;
  std::function<std::string(const TestMachine&)> text;
  std::function<std::string(const TestMachine&)> tested;
  const char* keyPath = "Software\\Vendor\\Entry";
};

std::string Sys(const TestMachine& m, const char* name) { return m.systemFolder() + "\\" + name; }

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases{
      {"empty-helpdir-key", "Registry Integrity", "", [](auto&) { return ""; },
       [](auto&) { return "HKEY_CLASSES_ROOT\\TypeLib\\{0A}\\1.0\\HELPDIR"; }, "TypeLib\\{0A}\\1.0\\HELPDIR"},
      {"empty-openwith-key", "File Extensions", "", [](auto&) { return ""; },
       [](auto&) {
         return "HKEY_CLASSES_ROOT\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\."
                "hm\\OpenWithList";
       },
       "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.hm\\OpenWithList"},
      // Quotes and a folder token come off.
      {"com-server-missing", "ActiveX \\ COM", "",
       [](auto&) { return std::string("\"%SystemRoot%\\system32\\gone.dll\""); },
       [](const TestMachine& m) { return m.windowsFolder() + "\\system32\\gone.dll"; }},
      {"app-path-missing", "Application Paths", "",
       [](const TestMachine& m) { return "\"" + m.path("Apps\\tool.exe") + "\""; },
       [](const TestMachine& m) { return m.path("Apps\\tool.exe"); }},
      {"font-file-missing", "Windows Fonts", "Gone Sans", [](auto&) { return std::string("gonesans.ttf"); },
       [](const TestMachine& m) { return m.windowsFolder() + "\\Fonts\\gonesans.ttf"; }},
      {"help-file-missing", "Help Files", "app.hlp", [](const TestMachine& m) { return m.path("Help"); },
       [](const TestMachine& m) { return m.path("Help\\app.hlp"); }},
      {"shared-file-missing", "Microsoft Shared", "", [](auto&) { return std::string("gone.dll"); },
       [](const TestMachine& m) { return Sys(m, "gone.dll"); }},
      {"vxd-file-missing", "VxD Section", "", [](auto&) { return std::string("gone.vxd"); },
       [](const TestMachine& m) { return Sys(m, "gone.vxd"); }},
      // The launcher and the entry point come off.
      {"startup-program-missing", "Windows Startup", "Gone",
       [](auto&) { return std::string("rundll32.exe gone.dll,Entry"); },
       [](const TestMachine& m) { return Sys(m, "gone.dll"); }},
      {"uninstall-program-missing", "Uninstall Section", "UninstallString",
       [](const TestMachine& m) { return m.path("Apps\\unins000.exe") + " /remove"; },
       [](const TestMachine& m) { return m.path("Apps\\unins000.exe"); }},
      {"quiet-uninstall-program-missing", "Uninstall Section", "QuietUninstallString",
       [](auto&) { return std::string("MsiExec.exe /X{1234}"); },
       [](const TestMachine& m) { return Sys(m, "MsiExec.exe"); }},
      // The icon index comes off.
      {"install-file-missing", "Uninstall Section", "DisplayIcon",
       [](const TestMachine& m) { return m.path("Apps\\app.exe") + ",0"; },
       [](const TestMachine& m) { return m.path("Apps\\app.exe"); }},
  };
  return cases;
}

class CheckWhy : public CheckFixture {
 protected:
  void SetUp() override { CancelScan = false; }
  RecordingFiles recording{*m.machine().files};
  platform::Machine machine = [this] {
    platform::Machine changed = m.machine();
    changed.files = &recording;
    return changed;
  }();
  platform::MachineScope scope{machine};

  void ExpectWhy(const std::string& rule, const std::string& tested, bool looksUpFiles) {
    ASSERT_EQ(errors.rowCount(), 1u) << rule;
    EXPECT_EQ(errors.cell(0, kRule), rule);
    EXPECT_EQ(errors.cell(0, kTestedPath), tested) << rule;
    EXPECT_FALSE(CheckRuleReason(rule).empty()) << rule;
    const auto looked = std::find_if(recording.lookups.begin(), recording.lookups.end(),
                                     [&](const auto& l) { return l.first == tested; });
    if (looksUpFiles) {
      ASSERT_NE(looked, recording.lookups.end()) << rule << ": " << tested << " was not looked up";
      EXPECT_EQ(looked->second, platform::FindResult::NotFound) << rule;
    } else {
      EXPECT_TRUE(recording.lookups.empty()) << rule;
    }
  }
};

TEST_F(CheckWhy, EachRuleNamesItselfAndThePathItLookedUp) {
  std::set<std::string> covered;
  for (const Case& c : Cases()) {
    errors.clear();
    recording.lookups.clear();
    const std::string section = c.section, name = c.valueName, keyPath = c.keyPath;
    CheckPathExistinDirectory(lists, c.text(m), section, name, platform::kHkeyClassesRoot, "HKEY_CLASSES_ROOT",
                              keyPath);
    const bool keyRule = std::string(c.rule).starts_with("empty-");
    ExpectWhy(c.rule, c.tested(m), !keyRule);
    covered.insert(c.rule);
  }

  // Shortcuts: the target the link names.
  errors.clear();
  recording.lookups.clear();
  m.createFile("Links\\gone.lnk", ShortcutTo(m.path("Gone\\app.exe")));
  FindFilesAPI(lists, m.path("Links"), "Windows Shortcuts(Drive C:)");
  ExpectWhy("shortcut-target-missing", m.path("Gone\\app.exe"), true);
  covered.insert("shortcut-target-missing");

  // Every rule is covered, and each has an identifier and a sentence of its own.
  std::set<std::string> ids, reasons;
  for (const CheckRuleText& r : AllCheckRules()) {
    ids.insert(std::string(r.id));
    reasons.insert(std::string(r.reason));
  }
  EXPECT_EQ(covered, ids);
  EXPECT_EQ(reasons.size(), AllCheckRules().size());
  EXPECT_EQ(m.errorLogEntries(), 0) << m.errorLog();
}

TEST_F(CheckWhy, TheTestedPathIsTheFolderLookedUpWithoutItsClosingSeparator) {
  // A help value without a name names the folder itself, written with its "\".
  CheckPathExistinDirectory(lists, m.path("Gone") + "\\", "Help Files", "", platform::kHkeyLocalMachine,
                            "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\Help");
  ExpectWhy("help-file-missing", m.path("Gone"), true);
  EXPECT_EQ(errors.cell(0, kKeyValue), m.path("Gone") + "\\");
}

TEST_F(CheckWhy, SentencesForPeopleAndTheWindowsTwoLines) {
  EXPECT_EQ(CheckRuleReason("com-server-missing"), "the class's server file does not exist");
  EXPECT_EQ(CheckRuleReason("startup-program-missing"), "the start-up command's program does not exist");
  EXPECT_EQ(CheckRuleReason("shortcut-target-missing"), "the shortcut's target does not exist");
  EXPECT_EQ(CheckRuleReason("no-such-rule"), "");

  AddProblemEntry(errors, "-2147483646", "x", "C:\\x.exe", "Windows Startup", "Run", "HKEY_LOCAL_MACHINE",
                  {"startup-program-missing", "C:\\x.exe"});
  // A record read back from a backup set has no rule: nothing to say.
  AddProblemEntry(errors, "-2147483646", "x", "C:\\x.exe", "Windows Startup", "Run", "HKEY_LOCAL_MACHINE");
  EXPECT_EQ(ProblemWhyText(errors, 0),
            "Why: the start-up command's program does not exist (startup-program-missing)\r\nTested: C:\\x.exe");
  EXPECT_EQ(ProblemWhyText(errors, 1), "");
}

}  // namespace
}  // namespace hm::test
