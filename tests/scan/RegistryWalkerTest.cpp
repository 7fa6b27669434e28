#include <gtest/gtest.h>

#include "common/Globals.h"
#include "platform/Machine.h"
#include "platform/SimplePorts.h"
#include "scan/RegistryWalker.h"
#include "support/RegistrySeed.h"
#include "support/TestMachine.h"

#ifndef _WIN32
#include "platform/Text.h"
#include "platform/memory/MemoryRegistry.h"
#endif

namespace hm {
namespace {

using platform::kHkeyClassesRoot;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

// Records every value text the walk shows, in order.
struct WalkRecorder {
  ScanLists lists;
  std::vector<std::string> shown;
  WalkRecorder() {
    lists.lblRegistryFilesScan.subscribe([this](const platform::Change&) {
      if (shown.empty() || shown.back() != lists.lblRegistryFilesScan.caption())
        shown.push_back(lists.lblRegistryFilesScan.caption());
    });
  }
};

TEST(RegistryWalker, VisitsSubkeysDepthFirstButNotTheStartKeysOwnValues) {
  test::TestMachine m;
  const std::string root = "Software\\WalkTest";
  test::SetString(kHkeyCurrentUser, root, "own", "start");
  test::SetString(kHkeyCurrentUser, root + "\\B", "v", "B");
  test::SetString(kHkeyCurrentUser, root + "\\A", "v", "A");
  test::SetString(kHkeyCurrentUser, root + "\\B\\C", "v", "B\\C");
  WalkRecorder w;
  EnumerateRegKeys(w.lists, kHkeyCurrentUser, root, "No Such Section", "HKEY_CURRENT_USER",
                   w.lists.lblRegistryFilesScan);
  EXPECT_EQ(w.shown, (std::vector<std::string>{"A", "B", "B\\C"}));
  EXPECT_EQ(w.lists.lblRegistryScan.caption(), "C");
  w.shown.clear();
  EnumerateRegKeyValues(w.lists, kHkeyCurrentUser, root, "No Such Section", "HKEY_CURRENT_USER",
                        w.lists.lblRegistryFilesScan);
  EXPECT_EQ(w.shown, (std::vector<std::string>{"start"}));
}

TEST(RegistryWalker, TheKeyNameListingEndsShowingTheLastNameItReached) {
  test::TestMachine m;
  const std::string root = "Software\\NameList";
  const auto nameOf = [](int i) { return "k" + std::to_string(1000 + i); };
  for (int i = 0; i < 130; ++i) test::CreateEmptyKey(kHkeyCurrentUser, root + "\\" + nameOf(i));
  ScanLists lists;
  bool keepGoing = true;
  EnumerateRegKeyNames(lists, kHkeyCurrentUser, root, keepGoing);
  EXPECT_EQ(lists.lblRegistryScan.caption(), nameOf(129));
  // Stopped from the pump: the name the listing stopped at.
  platform::CallbackPump pump;
  pump.step = 10;
  int pumps = 0;
  pump.onPump = [&] { keepGoing = ++pumps < 70; };
  platform::Machine machine = platform::machine();
  machine.pump = &pump;
  platform::MachineScope scope(machine);
  EnumerateRegKeyNames(lists, kHkeyCurrentUser, root, keepGoing);
  EXPECT_EQ(lists.lblRegistryScan.caption(), nameOf(69));
}

TEST(RegistryWalker, ReadsStringsWholeDwordsAsDecimalAndExpandStringsAsEmpty) {
  test::TestMachine m;
  const std::string key = "Software\\WalkTypes";
  const std::string longName(300, 'n');
  const std::string longData = "C:\\" + std::string(600, 'd') + ".exe";
  test::SetString(kHkeyCurrentUser, key, "a", "first");
  test::SetExpandString(kHkeyCurrentUser, key, "b", "%windir%\\x.exe");
  test::SetDword(kHkeyCurrentUser, key, "c", 5);
  test::SetDword(kHkeyCurrentUser, key, "d", 0xFFFFFFFFu);
  test::SetString(kHkeyCurrentUser, key, longName, longData);
  test::SetString(kHkeyCurrentUser, key, "z", "after the long ones");
  platform::HKey k = 0;
  ASSERT_EQ(platform::machine().registry->openKey(platform::rootHandle(kHkeyCurrentUser), key, platform::kKeyRead, k),
            0);
  EXPECT_EQ(GetSubKeyValue(k, "c"), "5");
  EXPECT_EQ(GetSubKeyValue(k, "b"), "");
  EXPECT_EQ(GetSubKeyValue(k, "missing"), "");
  platform::machine().registry->closeKey(k);
  WalkRecorder w;
  EnumerateRegKeyValues(w.lists, kHkeyCurrentUser, key, "x", "HKEY_CURRENT_USER", w.lists.lblRegistryFilesScan);
  // Long names and data are read whole and do not end the walk of the key.
  ASSERT_EQ(w.shown.size(), 6u);
  EXPECT_NE(std::find(w.shown.begin(), w.shown.end(), longData), w.shown.end());
  EXPECT_NE(std::find(w.shown.begin(), w.shown.end(), "after the long ones"), w.shown.end());
  EXPECT_NE(std::find(w.shown.begin(), w.shown.end(), "-1"), w.shown.end());
  EXPECT_NE(std::find(w.shown.begin(), w.shown.end(), ""), w.shown.end());
}

TEST(RegistryWalker, AMissingRootGivesNothingAndLogsNothing) {
  test::TestMachine m;
  WalkRecorder w;
  EnumerateRegKeys(w.lists, kHkeyLocalMachine, "SOFTWARE\\Nowhere", "ActiveX \\ COM", "HKEY_LOCAL_MACHINE",
                   w.lists.lblRegistryFilesScan);
  EnumerateRegKeyValues(w.lists, kHkeyLocalMachine, "SOFTWARE\\Nowhere", "Help Files", "HKEY_LOCAL_MACHINE",
                        w.lists.lblRegistryFilesScan);
  EXPECT_TRUE(w.shown.empty());
  EXPECT_EQ(w.lists.lvwErrors.rowCount(), 0u);
  EXPECT_EQ(m.errorLogEntries(), 0);
}

TEST(RegistryWalker, KeysWithoutValuesAreRecordedOnlyForHelpDirsAndOpenWithLists) {
  test::TestMachine m;
  test::CreateEmptyKey(kHkeyClassesRoot, "TypeLib\\{0001}\\1.0\\HELPDIR");
  test::SetString(kHkeyClassesRoot, "TypeLib\\{0002}\\1.0\\HELPDIR", "", "C:\\whatever");
  test::CreateEmptyKey(kHkeyClassesRoot, "TypeLib\\{0003}\\1.0\\FLAGS");
  const std::string exts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
  test::CreateEmptyKey(kHkeyCurrentUser, exts + "\\.abc\\OpenWithList");
  test::SetString(kHkeyCurrentUser, exts + "\\.def\\OpenWithList", "a", "app.exe");
  test::SetString(kHkeyCurrentUser, exts + "\\.def", "Progid", "C:\\gone\\never-checked.exe");
  ScanLists lists;
  EnumerateRegKeys(lists, kHkeyClassesRoot, "TypeLib", "Registry Integrity", "HKEY_CLASSES_ROOT",
                   lists.lblRegistryFilesScan);
  EnumerateRegKeys(lists, kHkeyCurrentUser, exts, "File Extensions", "HKEY_CURRENT_USER", lists.lblRegistryFilesScan);
  ASSERT_EQ(lists.lvwErrors.rowCount(), 2u);
  const ProblemEntry helpDir = ProblemAt(lists.lvwErrors, 0);
  EXPECT_EQ(helpDir.KeyName, "(Default)");
  EXPECT_EQ(helpDir.KeyValue, "(value not set)");
  EXPECT_EQ(helpDir.FullKeyPath, "TypeLib\\{0001}\\1.0\\HELPDIR");
  EXPECT_EQ(helpDir.MainKey, "-2147483648");
  const ProblemEntry openWith = ProblemAt(lists.lvwErrors, 1);
  EXPECT_EQ(openWith.KeyValue, exts + "\\.abc\\OpenWithList");
  EXPECT_EQ(openWith.Section, "File Extensions");
}

TEST(RegistryWalker, MuiCacheIsCheckedByNameAndSharedDllsByValueName) {
  test::TestMachine m;
  const std::string mui = "Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache";
  test::SetString(kHkeyCurrentUser, mui, "@shell32.dll,-1234", "Some resource");
  test::SetString(kHkeyCurrentUser, mui, m.path("Gone\\old.exe"), "Old Tool");
  m.createFile("Apps\\here.exe");
  test::SetString(kHkeyCurrentUser, mui, m.path("Apps\\here.exe"), m.path("Gone\\data-is-ignored.exe"));
  ScanLists lists;
  EnumerateRegKeyValues(lists, kHkeyCurrentUser, mui, "Application Paths", "HKEY_CURRENT_USER",
                        lists.lblRegistryFilesScan);
  ASSERT_EQ(lists.lvwErrors.rowCount(), 1u);
  EXPECT_EQ(ProblemAt(lists.lvwErrors, 0).KeyName, m.path("Gone\\old.exe"));
  EXPECT_EQ(ProblemAt(lists.lvwErrors, 0).KeyValue, m.path("Gone\\old.exe"));

  const std::string shared = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
  test::SetDword(kHkeyLocalMachine, shared, m.path("Gone\\gone.dll"), 1);
  test::SetDword(kHkeyLocalMachine, shared, m.path("Apps\\here.exe"), 3);
  EnumerateRegKeyValues(lists, kHkeyLocalMachine, shared, "Microsoft Shared", "HKEY_LOCAL_MACHINE",
                        lists.lblRegistryFilesScan);
  ASSERT_EQ(lists.lvwErrors.rowCount(), 2u);
  EXPECT_EQ(ProblemAt(lists.lvwErrors, 1).KeyName, m.path("Gone\\gone.dll"));
  EXPECT_EQ(ProblemAt(lists.lvwErrors, 1).KeyValue, m.path("Gone\\gone.dll"));
}

TEST(RegistryWalker, CancelStopsWithinOneValueAndAppendsNothingAfter) {
  test::TestMachine m;
  const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  for (int i = 0; i < 5; ++i) test::SetString(kHkeyCurrentUser, run, "v" + std::to_string(i), m.path("Gone\\g.exe"));
  for (int i = 0; i < 5; ++i)
    test::SetString(kHkeyCurrentUser, run + "\\Sub" + std::to_string(i), "v", m.path("Gone\\g.exe"));
  ScanLists lists;
  // The pump delivers a click on Cancel once the second record is there.
  m.pump.onPump = [&] {
    if (lists.lvwErrors.rowCount() >= 2) CancelScan = true;
  };
  CancelScan = false;
  EnumerateRegKeyValues(lists, kHkeyCurrentUser, run, "Windows Startup", "HKEY_CURRENT_USER",
                        lists.lblRegistryFilesScan);
  EXPECT_EQ(lists.lvwErrors.rowCount(), 2u);
  lists.lvwErrors.clear();
  CancelScan = false;
  m.pump.onPump = [&] {
    if (lists.lvwErrors.rowCount() >= 1) CancelScan = true;
  };
  EnumerateRegKeys(lists, kHkeyCurrentUser, run, "Windows Startup", "HKEY_CURRENT_USER", lists.lblRegistryFilesScan);
  EXPECT_EQ(lists.lvwErrors.rowCount(), 1u);
  CancelScan = false;
}

#ifndef _WIN32
// (Opening a link without following it is checked on both ports by the port's contract test.)
TEST(RegistryWalker, LinksAreNotEnteredSoALinkToAnAncestorEnds) {
  test::TestMachine m;
  const std::string root = "Software\\WalkLinks";
  test::SetString(kHkeyLocalMachine, root + "\\A", "v", "A");
  test::SetString(kHkeyLocalMachine, root + "\\A\\B", "v", "B");
  test::SetString(kHkeyLocalMachine, root + "\\Target", "v", "T");
  auto& registry = dynamic_cast<platform::MemoryRegistry&>(*m.machine().registry);
  platform::RegistryKey* a = registry.findKey(platform::rootHandle(kHkeyLocalMachine), root + "\\A");
  const std::pair<const char*, const char*> links[] = {
      {"Up", "\\Registry\\Machine\\Software\\WalkLinks"},
      {"ToTarget", "\\Registry\\Machine\\Software\\WalkLinks\\Target"}};
  for (const auto& [name, target] : links) {
    platform::RegistryKey& link = a->ensureSubkey(name);
    link.isLink = true;
    link.setValue("SymbolicLinkValue", platform::kRegLink, text::toUtf16Bytes(target, false));
  }
  WalkRecorder w;
  EnumerateRegKeys(w.lists, kHkeyLocalMachine, root, "No Such Section", "HKEY_LOCAL_MACHINE",
                   w.lists.lblRegistryFilesScan);
  EXPECT_EQ(w.shown, (std::vector<std::string>{"A", "B", "T"}));
}
#endif

}  // namespace
}  // namespace hm
