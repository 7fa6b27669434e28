#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/Globals.h"
#include "platform/Text.h"
#include "shell/SettingsStore.h"
#include "shell/frmOptionsAndSettings.h"
#include "support/ForwardingRegistry.h"
#include "support/RegistrySeed.h"
#include "support/RegistrySnapshot.h"
#include "support/ScriptedShell.h"
#include "support/TestMachine.h"
#include "tools/ConnectionTuning.h"
#include "tools/frmBootingSpeed.h"
#include "tools/frmSpeedIntenetConnection.h"

namespace hm::tools {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using Snapshot = std::map<std::string, std::pair<std::uint32_t, std::string>>;

constexpr const char* kRun = shell::kRunKeyPath;
const std::string kKept = std::string(kSettingsRoot) + "\\Hivemend\\Run";

// Every value below a key, by path and name, with its type and bytes.
void Dump(platform::HKey key, const std::string& path, Snapshot& out) {
  auto& reg = *platform::machine().registry;
  std::string name;
  platform::RegValue v;
  for (std::uint32_t i = 0; reg.enumValue(key, i, name, 16384, nullptr, 0) == platform::kSuccess; ++i)
    if (reg.queryValue(key, name, v) == platform::kSuccess) out[path + "|" + name] = {v.type, v.data};
  for (std::uint32_t i = 0; reg.enumKey(key, i, name, 256) == platform::kSuccess; ++i) {
    platform::HKey child = 0;
    if (reg.openKey(key, name, platform::kKeyRead, child) != platform::kSuccess) continue;
    Dump(child, path + "\\" + name, out);
    reg.closeKey(child);
  }
}
Snapshot Tree(std::int32_t root, const std::string& path) {
  Snapshot s;
  platform::HKey key = 0;
  if (platform::machine().registry->openKey(platform::rootHandle(root), path, platform::kKeyRead, key) ==
      platform::kSuccess) {
    Dump(key, "", s);
    platform::machine().registry->closeKey(key);
  }
  return s;
}
std::string Sz(std::string_view text) { return text::toUtf16Bytes(text, true); }
// The machine hive (the settings, in the user's, change by design).
test::RegistrySnapshot MachineHive() {
  test::RegistrySnapshot s = test::SnapshotRegistry();
  std::erase_if(s, [](const auto& key) { return !key.first.starts_with("HKLM"); });
  return s;
}

using test::RefusingRegistry;

class TuneUpToolsTest : public ::testing::Test {
 protected:
  TuneUpToolsTest() { m.machine().shell = &sh; }

  // Opens the manager, sets each row's box by its text, presses Done.
  void RunDialog(const std::map<std::string, bool>& boxes) {
    frmBootingSpeed dlg;
    dlg.Form_Load();
    for (std::size_t i = 0; i < dlg.lvwWindowsStartupFiles.rowCount(); ++i) {
      const auto it = boxes.find(EntryLabel(dlg.entries()[i]) + (dlg.entries()[i].kept ? " kept" : ""));
      if (it != boxes.end()) dlg.lvwWindowsStartupFiles.setChecked(i, it->second);
    }
    dlg.cmdDone.click();
    EXPECT_FALSE(dlg.form.loaded);
  }
  std::vector<std::pair<std::string, bool>> Rows() {
    frmBootingSpeed dlg;
    dlg.Form_Load();
    std::vector<std::pair<std::string, bool>> rows;
    for (const auto& r : dlg.lvwWindowsStartupFiles.rows()) rows.emplace_back(r.cells[0], r.checked);
    // Value order is the registry's own; compare as sets.
    std::sort(rows.begin(), rows.end());
    return rows;
  }

  test::TestMachine m;
  test::ScriptedShell sh;
};

TEST_F(TuneUpToolsTest, RunKeyRoundTripKeepsEverything) {
  test::SetString(kHkeyLocalMachine, kRun, "x", "\"C:\\Tools\\t.exe\" /min");
  test::SetExpandString(kHkeyLocalMachine, kRun, "Env", "C:\\Tools\\e.exe,%TEMP%");
  test::SetString(kHkeyLocalMachine, kRun, "NoDrive", "rundll32 shell32,Control_RunDLL");
  test::SetString(kHkeyLocalMachine, std::string(kRun) + "\\Sub", "x", "C:\\Other\\o.exe -q");
  test::SetRaw(kHkeyLocalMachine, kRun, "Long", platform::kRegSz, Sz("C:\\" + std::string(300, 'a') + ".exe"));
  const Snapshot before = Tree(kHkeyLocalMachine, kRun);

  // Arguments after "/" or "," are not shown; a value longer than 255 bytes still is.
  EXPECT_EQ(Rows(), (std::vector<std::pair<std::string, bool>>{{"C:\\Other\\o.exe -q", true},
                                                               {"C:\\Tools\\e.exe", true},
                                                               {"C:\\Tools\\t.exe", true},
                                                               {"C:\\" + std::string(300, 'a') + ".exe", true}}));
  RunDialog({{"Run\\x", false}, {"Run\\Env", false}, {"Run\\Long", false}, {"Run\\Sub\\x", false}});

  // Taken out whole: type, quotes and arguments, each in the key mirroring its origin.
  const Snapshot kept = Tree(kHkeyCurrentUser, kKept);
  EXPECT_EQ(kept.at("|x"), before.at("|x"));
  EXPECT_EQ(kept.at("|Env").first, platform::kRegExpandSz);
  EXPECT_EQ(kept.at("\\Sub|x"), before.at("\\Sub|x"));
  EXPECT_EQ(Tree(kHkeyLocalMachine, kRun), (Snapshot{{"|NoDrive", before.at("|NoDrive")}}));
  EXPECT_EQ(Rows().size(), 4u);
  for (const auto& [text, checked] : Rows()) EXPECT_FALSE(checked) << text;

  RunDialog({{"Run\\x kept", true}, {"Run\\Env kept", true}, {"Run\\Long kept", true}, {"Run\\Sub\\x kept", true}});
  EXPECT_EQ(Tree(kHkeyLocalMachine, kRun), before);
  EXPECT_TRUE(Tree(kHkeyCurrentUser, kKept).empty());
  EXPECT_TRUE(m.dialogs.shown.empty());
}

TEST_F(TuneUpToolsTest, SameNamesNeverOverwriteEachOther) {
  test::SetString(kHkeyLocalMachine, kRun, "x", "C:\\Old\\x.exe");
  RunDialog({{"Run\\x", false}});
  // A new program takes the name while the old one is kept aside.
  test::SetString(kHkeyLocalMachine, kRun, "x", "C:\\New\\x.exe");
  const Snapshot live = Tree(kHkeyLocalMachine, kRun), kept = Tree(kHkeyCurrentUser, kKept);

  struct Case {
    const char* name;
    bool liveChecked, keptChecked;
    bool swapped, message;
  };
  for (const Case& c : {Case{"put back over a live one", true, true, false, true},
                        Case{"take out over a kept one", false, false, false, true},
                        Case{"both stay", true, false, false, false}, Case{"swap", false, true, true, false}}) {
    SCOPED_TRACE(c.name);
    m.dialogs.shown.clear();
    RunDialog({{"Run\\x", c.liveChecked}, {"Run\\x kept", c.keptChecked}});
    const Snapshot liveNow = c.swapped ? Snapshot{{"|x", kept.at("|x")}} : live;
    const Snapshot keptNow = c.swapped ? Snapshot{{"|x", live.at("|x")}} : kept;
    EXPECT_EQ(Tree(kHkeyLocalMachine, kRun), liveNow);
    EXPECT_EQ(Tree(kHkeyCurrentUser, kKept), keptNow);
    ASSERT_EQ(m.dialogs.shown.size(), c.message ? 1u : 0u);
    if (c.message) {
      EXPECT_NE(m.dialogs.shown[0].text.find("Run\\x (another entry"), std::string::npos);
    }
  }
}

TEST_F(TuneUpToolsTest, EntryChangedWhileTheListIsOpenIsLeftAlone) {
  test::SetString(kHkeyLocalMachine, kRun, "x", "C:\\Tools\\t.exe");
  frmBootingSpeed dlg;
  dlg.Form_Load();
  dlg.lvwWindowsStartupFiles.setChecked(0, false);
  test::SetString(kHkeyLocalMachine, kRun, "x", "C:\\Tools\\t2.exe");
  const Snapshot live = Tree(kHkeyLocalMachine, kRun);
  dlg.cmdDone.click();
  EXPECT_EQ(Tree(kHkeyLocalMachine, kRun), live);
  EXPECT_TRUE(Tree(kHkeyCurrentUser, kKept).empty());
  ASSERT_EQ(m.dialogs.shown.size(), 1u);
  EXPECT_NE(m.dialogs.shown[0].text.find("Run\\x (it was changed"), std::string::npos);
}

TEST_F(TuneUpToolsTest, StartupChangesWithoutElevationOrRefused) {
  test::SetString(kHkeyLocalMachine, kRun, "x", "C:\\Tools\\t.exe");
  const Snapshot before = Tree(kHkeyLocalMachine, kRun);
  struct Case {
    const char* name;
    bool elevated;
    int answer;
    bool restartAccepted;
    bool unloaded;
    std::size_t messages;
  };
  for (const Case& c : {Case{"declined", false, platform::kIdNo, true, false, 1},
                        Case{"restarted", false, platform::kIdYes, true, true, 1},
                        Case{"restart refused", false, platform::kIdYes, false, false, 2},
                        Case{"elevated but refused", true, platform::kIdOk, true, true, 1}}) {
    SCOPED_TRACE(c.name);
    RefusingRegistry reg(*m.machine().registry);
    auto* real = m.machine().registry;
    m.machine().registry = &reg;
    sh.isElevated = c.elevated;
    sh.restartAccepted = c.restartAccepted;
    m.dialogs.shown.clear();
    m.dialogs.answers = {c.answer};
    frmBootingSpeed dlg;
    int restarted = 0;
    dlg.RestartedElevated = [&] { ++restarted; };
    dlg.Form_Load();
    dlg.lvwWindowsStartupFiles.setChecked(0, false);
    dlg.cmdDone.click();
    m.machine().registry = real;

    EXPECT_EQ(dlg.form.loaded, !c.unloaded);
    EXPECT_EQ(restarted, c.unloaded && !c.elevated ? 1 : 0);
    ASSERT_EQ(m.dialogs.shown.size(), c.messages);
    EXPECT_EQ(m.dialogs.shown[0].flags, c.elevated ? platform::kMbOk | platform::kMbIconExclamation
                                                   : platform::kMbYesNo | platform::kMbIconQuestion);
    if (c.elevated) {
      EXPECT_NE(m.dialogs.shown[0].text.find("Run\\x (Windows refused"), std::string::npos);
    }
    // Nothing half done: the entry is where it was, with no kept copy beside it.
    EXPECT_EQ(Tree(kHkeyLocalMachine, kRun), before);
    EXPECT_TRUE(Tree(kHkeyCurrentUser, kKept).empty());
  }
}

TEST_F(TuneUpToolsTest, TuningWritesTextsAndSetToDefaultGivesBackTheEarlierState) {
  const std::string mstcp = "SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP";
  const std::string netTrans = "SYSTEM\\CurrentControlSet\\Services\\Class\\NetTrans";
  test::SetDword(kHkeyLocalMachine, mstcp, "DefaultRcvWindow", 4096);
  test::SetString(kHkeyLocalMachine, mstcp, "DefaultTTL", "64");
  test::SetString(kHkeyLocalMachine, mstcp, "Other", "kept");
  const Snapshot mstcpBefore = Tree(kHkeyLocalMachine, mstcp);
  const test::RegistrySnapshot before = MachineHive();  // without Services\Class and NetTrans

  frmSpeedIntenetConnection dlg;
  dlg.Form_Load();
  EXPECT_TRUE(dlg.optDialUpInternetAccess.value());  // first use
  struct Step {
    platform::OptionButtonModel* option;
    const char *rcvWindow, *mss, *mtu;
  };
  for (const Step& s :
       {Step{&dlg.optDialUpInternetAccess, "8192", "536", "576"}, Step{&dlg.optDSL, "372300", "1460", "1500"},
        Step{&dlg.optCableInternetAccess, "372300", "1460", "1500"}}) {
    s.option->click();
    dlg.cmdOptimize.click();
    const Snapshot a = Tree(kHkeyLocalMachine, mstcp), b = Tree(kHkeyLocalMachine, netTrans);
    using V = std::pair<std::uint32_t, std::string>;
    EXPECT_EQ(a.at("|DefaultRcvWindow"), V(platform::kRegSz, Sz(s.rcvWindow)));
    EXPECT_EQ(a.at("|DefaultTTL"), V(platform::kRegSz, Sz("128")));
    EXPECT_EQ(b, (Snapshot{{"|MaxMSS", V(platform::kRegSz, Sz(s.mss))}, {"|MaxMTU", V(platform::kRegSz, Sz(s.mtu))}}));
    EXPECT_EQ(dlg.Label1.caption(), "100%");
    EXPECT_FALSE(dlg.picProgressBar.visible);
    EXPECT_TRUE(dlg.cmdClose.visible);
  }
  EXPECT_NE(GetSetting(kProductName, "Optimization", "LastTime"), "");

  dlg.cmdSetToDefault.click();
  EXPECT_EQ(Tree(kHkeyLocalMachine, mstcp), mstcpBefore);
  EXPECT_EQ(MachineHive(), before);  // the keys Optimize created are gone too
  // Nothing recorded any more: a second Set To Default changes nothing and says so.
  dlg.cmdSetToDefault.click();
  std::vector<std::string> texts;
  for (const auto& s : m.dialogs.shown) texts.push_back(s.text);
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "For the changes to take effect, you must restart your computer.",
                       "For the changes to take effect, you must restart your computer.",
                       "For the changes to take effect, you must restart your computer.",
                       "Default Values Loaded. You will need to restart to changes to take effect.",
                       "There is nothing to set back: Optimize has not changed the connection settings of this "
                       "computer."}));
  EXPECT_EQ(m.dialogs.shown[0].flags, platform::kMbOk | platform::kMbIconInformation);

  // A created key that gained a value meanwhile stays; the empty one in it goes.
  dlg.cmdOptimize.click();
  const std::string classKey = "SYSTEM\\CurrentControlSet\\Services\\Class";
  test::SetString(kHkeyLocalMachine, classKey, "Foreign", "kept");
  test::RegistrySnapshot expected = before;
  expected["HKLM\\" + classKey] = MachineHive().at("HKLM\\" + classKey);
  dlg.cmdSetToDefault.click();
  EXPECT_EQ(MachineHive(), expected);
  EXPECT_FALSE(HasTuningRecord());
}

TEST_F(TuneUpToolsTest, TunerOptionsAndElevation) {
  // The last option stored True wins; each click stores its own key only.
  SaveSetting(kProductName, "frmSpeedIntenetConnection", "CableInternetAccess", "True");
  SaveSetting(kProductName, "frmSpeedIntenetConnection", "DSL", "True");
  {
    frmSpeedIntenetConnection dlg;
    dlg.Form_Load();
    EXPECT_FALSE(dlg.optDialUpInternetAccess.value());
    EXPECT_FALSE(dlg.optCableInternetAccess.value());
    EXPECT_TRUE(dlg.optDSL.value());
    EXPECT_EQ(dlg.form.caption.get(), "Hivemend - Speed up your internet.");
  }

  sh.isElevated = false;
  test::NotElevatedRegistry reg(*m.machine().registry);
  m.machine().registry = &reg;
  m.dialogs.answers = {platform::kIdNo};
  frmSpeedIntenetConnection dlg;
  dlg.Form_Load();
  dlg.cmdOptimize.click();
  ASSERT_EQ(m.dialogs.shown.size(), 1u);
  EXPECT_EQ(m.dialogs.shown[0].flags, platform::kMbYesNo | platform::kMbIconQuestion);
  EXPECT_TRUE(Tree(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP").empty());
  EXPECT_FALSE(HasTuningRecord());
  EXPECT_TRUE(dlg.cmdOptimize.enabled);
}

}  // namespace
}  // namespace hm::tools
