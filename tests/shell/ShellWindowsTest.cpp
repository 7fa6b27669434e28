#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Globals.h"
#include "common/RegistryAccess.h"
#include "platform/ForwardingFileSystem.h"
#include "shell/IEOpen.h"
#include "shell/SettingsStore.h"
#include "shell/StartupWindows.h"
#include "shell/cVBALSysImageList.h"
#include "shell/clsTray.h"
#include "shell/frmAbout.h"
#include "shell/frmOptionsAndSettings.h"
#include "support/ForwardingRegistry.h"
#include "support/ScriptedShell.h"
#include "support/TestMachine.h"

namespace hm::shell {
namespace {

using platform::kHkeyLocalMachine;

using test::RefusingRegistry;

class ShellWindowsTest : public ::testing::Test {
 protected:
  ShellWindowsTest() {
    m.machine().shell = &shell;
    AppVersion = "1.25";
    m.machine().files->createFolder(temp());
  }
  ~ShellWindowsTest() override { AppVersion = "1.0.0"; }

  std::string temp() { return m.machine().files->tempFolder(); }
  std::string option(const char* key) { return GetSetting(kProductName, "Options", key, "<none>"); }
  std::string runEntry() {
    std::string value;
    return QueryValue(kHkeyLocalMachine, kRunKeyPath, "Hivemend", value) ? value : "<none>";
  }
  std::string expectedRunEntry() { return "\"" + m.machine().files->programFolder() + "\\Hivemend.exe\" -Quick"; }
  std::vector<std::string> shownTexts() {
    std::vector<std::string> texts;
    for (const auto& s : m.dialogs.shown) texts.push_back(s.text);
    return texts;
  }

  test::TestMachine m;
  test::ScriptedShell shell;
};

TEST_F(ShellWindowsTest, OptionsOpenWithDefaultsAndFirstApplyWritesEverything) {
  frmOptionsAndSettings dlg;
  dlg.Form_Load();
  EXPECT_TRUE(dlg.chkTakeBackup.value());
  EXPECT_TRUE(dlg.chkRunAtStartup.value());
  EXPECT_FALSE(dlg.chkMinimizeToSysTray.value());
  EXPECT_FALSE(dlg.cmdApply.enabled);
  EXPECT_EQ(runEntry(), "<none>");

  dlg.chkMinimizeToSysTray.click();
  EXPECT_TRUE(dlg.cmdApply.enabled);
  dlg.cmdApply.click();
  EXPECT_EQ(option("chkTakeBackup"), "True");
  EXPECT_EQ(option("chkRunAtStartup"), "True");
  EXPECT_EQ(option("chkMinimizeToSysTray"), "True");
  EXPECT_EQ(runEntry(), expectedRunEntry());
  EXPECT_FALSE(dlg.cmdApply.enabled);
  EXPECT_TRUE(dlg.form.loaded);
  EXPECT_TRUE(m.dialogs.shown.empty());

  // Clearing the box removes the entry; a text the dialog never writes reads as the default.
  SaveSetting(kProductName, "Options", "chkMinimizeToSysTray", "yes");
  frmOptionsAndSettings again;
  again.Form_Load();
  EXPECT_FALSE(again.chkMinimizeToSysTray.value());
  again.chkRunAtStartup.click();
  again.cmdApply.click();
  EXPECT_EQ(runEntry(), "<none>");
  EXPECT_EQ(option("chkRunAtStartup"), "False");
  EXPECT_EQ(option("chkMinimizeToSysTray"), "False");
  EXPECT_FALSE(again.cmdApply.enabled);
}

TEST_F(ShellWindowsTest, OptionsCloseDropsChanges) {
  SaveSetting(kProductName, "Options", "chkTakeBackup", "False");
  frmOptionsAndSettings dlg;
  dlg.Form_Load();
  EXPECT_FALSE(dlg.chkTakeBackup.value());
  dlg.chkTakeBackup.click();
  dlg.cmdCancel.click();
  EXPECT_FALSE(dlg.form.loaded);
  EXPECT_EQ(option("chkTakeBackup"), "False");
  EXPECT_EQ(option("chkRunAtStartup"), "<none>");
  EXPECT_EQ(runEntry(), "<none>");
}

// Without elevation the Run key cannot be written: the user is asked first,
// and the start-up option is never stored as if it had been applied.
TEST_F(ShellWindowsTest, OptionsApplyWithoutElevation) {
  struct Case {
    const char* name;
    int answer;
    bool restartAccepted;
    bool expectUnloaded;
    std::vector<std::string> restarts;
    int messages;
  };
  const Case cases[] = {
      {"declined", platform::kIdNo, true, false, {}, 1},
      {"restarted", platform::kIdYes, true, true, {""}, 1},
      {"restart refused", platform::kIdYes, false, false, {""}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TestMachine fresh;
    test::ScriptedShell sh;
    sh.isElevated = false;
    sh.restartAccepted = c.restartAccepted;
    test::NotElevatedRegistry reg(*fresh.machine().registry);
    fresh.machine().registry = &reg;
    fresh.machine().shell = &sh;
    fresh.dialogs.answers = {c.answer};
    frmOptionsAndSettings dlg;
    int restartedEvents = 0;
    dlg.RestartedElevated = [&] { ++restartedEvents; };
    dlg.Form_Load();
    dlg.chkTakeBackup.click();
    dlg.cmdApply.click();

    ASSERT_EQ(static_cast<int>(fresh.dialogs.shown.size()), c.messages);
    EXPECT_EQ(fresh.dialogs.shown[0].flags, platform::kMbYesNo | platform::kMbIconQuestion);
    EXPECT_EQ(fresh.dialogs.shown[0].title, "Hivemend");
    EXPECT_EQ(sh.restarts, c.restarts);
    EXPECT_EQ(dlg.form.loaded, !c.expectUnloaded);
    EXPECT_EQ(restartedEvents, c.expectUnloaded ? 1 : 0);
    EXPECT_TRUE(dlg.cmdApply.enabled);
    std::string entry;
    EXPECT_FALSE(QueryValue(kHkeyLocalMachine, kRunKeyPath, "Hivemend", entry));
    EXPECT_EQ(GetSetting(kProductName, "Options", "chkRunAtStartup", "<none>"), "<none>");
    // The options that need no elevation are kept.
    EXPECT_EQ(GetSetting(kProductName, "Options", "chkTakeBackup", "<none>"), "False");
  }
}

TEST_F(ShellWindowsTest, OptionsWithoutElevationDoNotAskWhenTheRunKeyIsAlreadyRight) {
  SetKeyValue(kHkeyLocalMachine, kRunKeyPath, "Hivemend", expectedRunEntry(), kRegSz);
  test::NotElevatedRegistry reg(*m.machine().registry);
  m.machine().registry = &reg;
  shell.isElevated = false;
  frmOptionsAndSettings dlg;
  dlg.Form_Load();
  dlg.chkTakeBackup.click();
  dlg.cmdApply.click();
  EXPECT_TRUE(m.dialogs.shown.empty());
  EXPECT_FALSE(dlg.cmdApply.enabled);
  EXPECT_EQ(option("chkRunAtStartup"), "True");
}

TEST_F(ShellWindowsTest, OptionsRefusedWriteIsNotReportedDone) {
  RefusingRegistry reg(*m.machine().registry);
  m.machine().registry = &reg;
  frmOptionsAndSettings dlg;
  dlg.Form_Load();
  dlg.chkTakeBackup.click();
  dlg.cmdApply.click();
  EXPECT_EQ(shownTexts(),
            std::vector<std::string>{"The start-up entry could not be written. The start-up option was not changed."});
  EXPECT_EQ(m.dialogs.shown[0].flags, platform::kMbOk | platform::kMbIconExclamation);
  EXPECT_TRUE(dlg.cmdApply.enabled);
  EXPECT_EQ(runEntry(), "<none>");
  EXPECT_EQ(option("chkRunAtStartup"), "<none>");
  EXPECT_EQ(option("chkTakeBackup"), "False");
}

TEST_F(ShellWindowsTest, OptionsWithoutProgramNameLeaveTheRunKeyDefaultAlone) {
  SetKeyValue(kHkeyLocalMachine, kRunKeyPath, "", "keep", kRegSz);
  shell.name.clear();
  frmOptionsAndSettings dlg;
  dlg.Form_Load();
  dlg.cmdApply.enabled = true;
  dlg.cmdApply.click();
  std::string value;
  EXPECT_TRUE(QueryValue(kHkeyLocalMachine, kRunKeyPath, "", value));
  EXPECT_EQ(value, "keep");
  EXPECT_EQ(m.dialogs.shown.size(), 1u);
  EXPECT_TRUE(dlg.cmdApply.enabled);
}

// The help command and the about box's link both go through OpenWith.
TEST_F(ShellWindowsTest, OpenWithPaths) {
  const std::string placeholder = temp() + "\\temphtm.html";
  std::string placeholderText;
  shell.onFind = [&](const std::string& doc) {
    EXPECT_EQ(doc, placeholder);
    placeholderText = m.machine().files->readFile(doc).value_or("<missing>");
  };

  mnuHOnlineHelp_Click();  // no association
  EXPECT_EQ(placeholderText, "\"\"\r\n");
  ASSERT_EQ(m.dialogs.shown.size(), 1u);
  EXPECT_EQ(m.dialogs.shown[0].text, "Could not find associated application!");
  EXPECT_EQ(m.dialogs.shown[0].title, "Browser Not Found");
  EXPECT_EQ(m.dialogs.shown[0].flags, platform::kMbOk | platform::kMbIconExclamation);
  EXPECT_TRUE(shell.launches.empty());
  EXPECT_FALSE(m.machine().files->readFile(placeholder));

  shell.associations["html"] = "  C:\\Web\\Browse.EXE /x.exe  ";
  shell.executeResult = 2;  // launch fails
  mnuHOnlineHelp_Click();
  ASSERT_EQ(m.dialogs.shown.size(), 2u);
  EXPECT_EQ(m.dialogs.shown[1].text, "Page not Opened.");
  EXPECT_EQ(m.dialogs.shown[1].title, "URL Failed");
  EXPECT_FALSE(m.machine().files->readFile(placeholder));

  shell.executeResult = 42;
  shell.launches.clear();
  mnuHOnlineHelp_Click();
  EXPECT_EQ(m.dialogs.shown.size(), 2u);
  ASSERT_EQ(shell.launches.size(), 1u);
  EXPECT_EQ(shell.launches[0].executable, "C:\\Web\\Browse.EXE");
  // Unchanged, not lower-cased: the folder's own letter case reaches the browser.
  EXPECT_EQ(shell.launches[0].parameters, "\"" + m.machine().files->programFolder() + "\\HivemendHelp.htm\"");
  EXPECT_FALSE(m.machine().files->readFile(placeholder));
}

class NoTempFolder : public platform::ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  std::string tempFolder() override { return {}; }
};

TEST_F(ShellWindowsTest, OpenWithoutTempFolderSaysSoAndLooksNothingUp) {
  NoTempFolder files(*m.machine().files);
  m.machine().files = &files;
  OpenWith("https://Example.org/Page", "htm");
  ASSERT_EQ(m.dialogs.shown.size(), 1u);
  EXPECT_EQ(m.dialogs.shown[0].text, "Sorry! file  cannot be created.");
  EXPECT_EQ(m.dialogs.shown[0].title, "Hivemend");
  EXPECT_EQ(m.dialogs.shown[0].flags, platform::kMbOk | platform::kMbIconInformation);
  EXPECT_TRUE(shell.lookedUp.empty());
}

TEST_F(ShellWindowsTest, AboutBox) {
  shell.associations["htm"] = "C:\\Web\\Browse.exe";
  frmAbout about;
  about.Form_Load();
  EXPECT_EQ(about.form.caption.get(), "About - Hivemend v 1.25");
  EXPECT_EQ(about.lblProductName.caption(), "Hivemend");
  EXPECT_EQ(about.lblVersion.caption(), "Version 1.25");
  about.lblURL.Click();
  ASSERT_EQ(shell.launches.size(), 1u);
  EXPECT_EQ(shell.launches[0].parameters, std::string("\"") + kMakerUrl + "\"");
  about.cmdOK.click();
  EXPECT_FALSE(about.form.loaded);
}

TEST_F(ShellWindowsTest, SplashAndInitializingWindowsCloseThemselves) {
  frmSplash splash;
  EXPECT_EQ(splash.tmrUnload.intervalMs.get(), 2000);
  splash.tmrUnload.enabled = false;
  splash.Form_Load();
  EXPECT_TRUE(splash.tmrUnload.enabled);
  splash.tmrUnload.tick();
  EXPECT_FALSE(splash.tmrUnload.enabled);
  EXPECT_FALSE(splash.form.loaded);

  frmInitailizingDrivers init;
  EXPECT_EQ(init.tmrUnload.intervalMs.get(), 3000);
  EXPECT_EQ(init.lblInitailizing.caption(), "initializing drives..Please wait.");
  init.Form_Load();
  EXPECT_EQ(init.form.mousePointer.get(), platform::MousePointer::Hourglass);
  init.tmrUnload.tick();
  EXPECT_FALSE(init.form.loaded);
}

TEST_F(ShellWindowsTest, EntryProcedure) {
  std::vector<std::string> steps;
  EntryWindows windows{[&](frmSplash& s) {
                         steps.push_back("splash");
                         s.Form_Load();
                         s.tmrUnload.tick();
                         EXPECT_FALSE(s.form.loaded);
                       },
                       [&] { steps.push_back("main"); }};

  AppVersion.clear();
  shell.otherCopy = true;
  EXPECT_FALSE(RunEntryProcedure(windows));
  EXPECT_TRUE(steps.empty());
  ASSERT_EQ(m.dialogs.shown.size(), 1u);
  EXPECT_EQ(m.dialogs.shown[0].text, "Hivemend v1.25 is already running.");
  EXPECT_EQ(m.dialogs.shown[0].title, "Hivemend");
  EXPECT_EQ(m.dialogs.shown[0].flags, platform::kMbOk | platform::kMbIconInformation);

  SaveSetting("Hivemend_Version", "Version", "Version", "2.0");
  shell.otherCopy = false;
  EXPECT_TRUE(RunEntryProcedure(windows));
  EXPECT_EQ(AppVersion, "2.0");
  EXPECT_EQ(steps, (std::vector<std::string>{"splash", "main"}));
}

TEST_F(ShellWindowsTest, TrayIcon) {
  platform::TrayIconModel icon;
  platform::FormModel window("Hivemend");
  clsTray tray(icon);
  tray.ChangeToolTip(window, "before");
  EXPECT_EQ(icon.tip.get(), "");

  tray.ShowIcon(window);
  EXPECT_TRUE(icon.shown);
  EXPECT_TRUE(tray.bRunningInTray);
  EXPECT_EQ(icon.tip.get(), "Hivemend");
  const std::string seventy = std::string(60, 'a') + "bcdefghijk";
  tray.ChangeToolTip(window, seventy);
  EXPECT_EQ(icon.tip.get(), seventy.substr(0, 63));
  // A cut counts characters, not bytes.
  const std::string wide = std::string(62, 'a') + "\xC3\xA9\xC3\xA9";
  tray.ChangeToolTip(window, wide);
  EXPECT_EQ(icon.tip.get(), std::string(62, 'a') + "\xC3\xA9");

  tray.RemoveIcon(window);
  EXPECT_FALSE(icon.shown);
  EXPECT_FALSE(tray.bRunningInTray);
}

TEST_F(ShellWindowsTest, SystemImageList) {
  shell.iconIndexes["C:\\gone\\tool.ico"] = 12;
  cVBALSysImageList list;
  EXPECT_TRUE(list.Create());
  EXPECT_EQ(list.hIml(), 0x1234u);
  list.IconSizeX = 32;
  list.Clear();
  EXPECT_EQ(shell.imageListRequests, (std::vector<bool>{true, false}));

  EXPECT_EQ(list.ItemIndex("7"), 7);
  EXPECT_TRUE(shell.iconQueries.empty());
  EXPECT_EQ(list.ItemIndex("C:\\gone\\tool.ico"), 12);
  EXPECT_EQ(list.ItemIndex("C:\\unknown.xyz", true), 0);
  ASSERT_EQ(shell.iconQueries.size(), 2u);
  EXPECT_FALSE(shell.iconQueries[0].openFile);
  EXPECT_FALSE(shell.iconQueries[0].smallIcons);
  EXPECT_TRUE(shell.iconQueries[1].openFile);
  EXPECT_EQ(list.ItemIndex("99999999999"), 0);  // overflow

  shell.imageList = 0;
  EXPECT_FALSE(list.Create());
  EXPECT_EQ(list.hIml(), 0u);
}

}  // namespace
}  // namespace hm::shell
