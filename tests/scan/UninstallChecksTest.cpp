#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "scan/CheckFixture.h"

namespace hm::test {
namespace {

constexpr const char* kStartup = "Windows Startup";
constexpr const char* kUninstall = "Uninstall Section";

class UninstallChecks : public CheckFixture {
 protected:
  void Startup(const std::string& text) { CheckUninstallString(errors, Context(kStartup, "", text)); }
  void Uninstall(const std::string& name, const std::string& text) {
    CheckUninstallFilePath(errors, Context(kUninstall, name, text));
  }
};

TEST_F(UninstallChecks, StartupCommandsDropQuotesSwitchesAndLaunchers) {
  for (const char* text :
       {"C:\\HmGone\\gone.exe", "\"C:\\HmGone\\gone.exe\"", "gone.exe", "rundll32.exe gone.dll,Entry",
        "C:\\HmGone\\tool.exe -silent", "C:\\HmGone\\tool.exe /min", "C:\\HmGone\\Grüße\\日本語.exe -x"})
    Startup(text);
  EXPECT_EQ(Recorded(),
            (Values{"C:\\HmGone\\gone.exe", "C:\\HmGone\\gone.exe", InSystem("gone.exe"), InSystem("gone.dll"),
                    "C:\\HmGone\\tool.exe", "C:\\HmGone\\tool.exe", "C:\\HmGone\\Grüße\\日本語.exe"}));
  const ProblemEntry p = ProblemAt(errors, 0);
  EXPECT_EQ(p.KeyName, "(Default)");
  EXPECT_EQ(p.Section, kStartup);
  EXPECT_EQ(p.MainKey, "-2147483646");
}

TEST_F(UninstallChecks, StartupCommandsWhoseArgumentHasNoExtensionAreNotChecked) {
  for (const char* text :
       {"C:\\HmGone\\tool.exe minimized", "C:\\HmGone\\tool", "", "C:\\HmGone\\x.y\\z", "%windir%\\system32\\gone.exe"})
    Startup(text);
  EXPECT_EQ(Recorded(), Values{});
  EXPECT_EQ(m.errorLogEntries(), 0);
}

TEST_F(UninstallChecks, ExistingProgramsWithBlanksOrCommasInTheirNamesAreNotRecorded) {
  m.createFile("Tools\\Quick Launch.exe");
  m.createFile("Tools\\Un Install.exe");
  m.createFile("Tools\\App,v2-x.exe");
  const std::string launch = m.path("Tools\\Quick Launch.exe"), unins = m.path("Tools\\Un Install.exe");
  for (const std::string& text : Values{launch, "\"" + launch + "\" -tray", m.path("Tools\\App,v2-x.exe")})
    Startup(text);
  for (const char* name : {"UninstallString", "QuietUninstallString", "DisplayIcon"})
    Uninstall(name, "\"" + unins + "\"");
  Uninstall("UninstallString", unins);
  EXPECT_EQ(Recorded(), Values{});
}

TEST_F(UninstallChecks, ExistingProgramsAreNotRecordedWhateverTheirAttributes) {
  m.createFile("Apps\\here.exe");
  m.createFile("Apps\\system.exe");
  m.createFile("Hidden.Dir\\run.exe");
  m.setAttributes("Apps\\system.exe", platform::kAttrSystem | platform::kAttrHidden);
  m.setAttributes("Hidden.Dir", platform::kAttrHidden);
  Startup(m.path("Apps\\here.exe") + " /min");
  Startup("\"" + m.path("Apps\\system.exe") + "\"");
  Startup(m.path("Hidden.Dir\\run.exe"));
  EXPECT_EQ(Recorded(), Values{});
}

TEST_F(UninstallChecks, OnlyTheKnownValueNamesAreChecked) {
  Uninstall("uNiNsTaLlStRiNg", "C:\\HmGone\\a.exe");
  Uninstall("UninstallPath", "C:\\HmGone\\b.exe");
  Uninstall("UninstallString2", "C:\\HmGone\\c.exe");
  Uninstall("DisplayName", "C:\\HmGone\\d.exe");
  Uninstall("DISPLAYICON", "C:\\HmGone\\e.exe,0");
  Uninstall("ModifyPath", "C:\\HmGone\\f.exe /modify");
  Uninstall("InstallSource", "C:\\HmGone\\g.msi");
  Uninstall("QuietUninstallString", "MsiExec.exe /X{1234}");
  EXPECT_EQ(Recorded(), (Values{"C:\\HmGone\\a.exe", "C:\\HmGone\\b.exe", "C:\\HmGone\\e.exe", "C:\\HmGone\\f.exe",
                                "C:\\HmGone\\g.msi", InSystem("MsiExec.exe")}));
  EXPECT_EQ(lists.lvwErrors.cell(0, kKeyName), "uNiNsTaLlStRiNg");
}

TEST_F(UninstallChecks, DottedFoldersGoToTheAbsolutePathRule) {
  Uninstall("UninstallString", "C:\\Hm Gone\\My.App\\unins000.exe");
  Uninstall("UninstallString", "C:\\HmGone\\setup.exe -remove");
  Uninstall("UninstallString", "C:\\HmGone\\My.Apps\\setup.exe -remove");
  EXPECT_EQ(Recorded(), (Values{"C:\\Hm Gone\\My.App\\unins000.exe", "C:\\HmGone\\setup.exe",
                                "C:\\HmGone\\My.Apps\\setup.exe -remove"}));
}

TEST_F(UninstallChecks, AnExistingUninstallerIsNotMissingBecauseOfItsArguments) {
  m.createFile("My.Apps\\setup.exe");
  m.createFile("Äpps.v2\\日本語 x.exe");
  m.createFile("Data\\b.txt");
  Uninstall("UninstallString", m.path("My.Apps\\setup.exe") + " -remove");
  Uninstall("UninstallString", m.path("Äpps.v2\\日本語 x.exe") + " uninstall all");
  // Two paths: the first is cut to three characters behind its first dot,
  // which lands inside the dotted folder name.
  Uninstall("UninstallString", m.path("My.Apps\\setup.exe") + " " + m.path("Data\\b.txt"));
  EXPECT_EQ(Recorded(), Values{});
}

TEST_F(UninstallChecks, TwoAbsolutePathsAreTestedOneByOne) {
  m.createFile("Apps\\here.exe");
  Uninstall("UninstallString", "C:\\HmGone\\a.exe C:\\HmGone\\b.dat");
  Uninstall("UninstallString", m.path("Apps\\here.exe") + " C:\\HmGone\\log.txt");
  Uninstall("UninstallString", "C:\\HmGone\\c.exe -f C:\\HmGone\\d.ini");
  EXPECT_EQ(Recorded(), (Values{"C:\\HmGone\\a.exe ", "C:\\HmGone\\b.dat", "C:\\HmGone\\log.txt", "C:\\HmGone\\c.exe",
                                "C:\\HmGone\\d.ini"}));
}

TEST_F(UninstallChecks, RefusedCandidatesAreLoggedAndEarlierRecordsStay) {
  // Inner quotes survive: the existence test refuses the first candidate.
  Uninstall("UninstallString", "\"C:\\HmGone\\a.exe\" \"C:\\HmGone\\b.dat\"");
  EXPECT_EQ(Take(), Values{});
  EXPECT_EQ(m.errorLogEntries(), 1);
  Uninstall("UninstallString", "C:\\HmGone\\a.exe C:\\HmGone\\b|c.dat");
  EXPECT_EQ(Take(), Values{"C:\\HmGone\\a.exe "});
  EXPECT_EQ(m.errorLogEntries(), 2);
  CheckUninstallStringValue(errors, Context(kUninstall, "", ""), ":\\HmGone\\a.exe");
  EXPECT_EQ(Take(), Values{});
  EXPECT_EQ(m.errorLogEntries(), 3);
  const std::string log = m.errorLog();
  EXPECT_NE(log.find("Invalid procedure call or argument\r\n"), std::string::npos);
  EXPECT_EQ(log.find("CheckUninstallString\r\n"), std::string::npos);
  EXPECT_NE(log.find("CheckUninstallStringValue\r\n"), std::string::npos);
}

TEST_F(UninstallChecks, QuietUninstallStringsTestBareNamesInTheSystemFolder) {
  m.createFile("windows\\system32\\rundll32.exe");
  for (const char* text : {"MsiExec.exe /X{1234}", "MsiExec.exe /I setup.msi", "C:\\HmGone\\uninst.exe /S",
                           "\"C:\\HmGone\\uninst.exe\" /S", "rundll32.exe C:\\HmGone\\y.dll,Entry", "NoDot /S"})
    CheckQuietUninstallString(errors, Context(kUninstall, "QuietUninstallString", text));
  EXPECT_EQ(Recorded(),
            (Values{InSystem("MsiExec.exe"), InSystem("MsiExec.exe"), InSystem("setup.msi"), "C:\\HmGone\\y.dll"}));
}

TEST_F(UninstallChecks, BareNameTestNeedsExactlyThreeCharactersAfterTheDot) {
  for (const char* text : {"gone.exe", "run gone.dll", "gone.exe2", "gone", ""})
    RegistryValueCheck(errors, Context(kUninstall, "", ""), text);
  EXPECT_EQ(Recorded(), (Values{InSystem("gone.exe"), InSystem("gone.dll")}));
}

TEST_F(UninstallChecks, InstallSourcesDropIconIndexesAndSkipWebAddresses) {
  m.createFolder("Setup.Files");
  for (const char* text : {"C:\\HmGone\\app.exe,0", "\"C:\\HmGone\\app.exe\",0", "app.ico", "x C:\\HmGone\\s.msi",
                           "http://example.com/setup.msi", "C:\\HmGone\\Setup", "\\\\server\\share\\x.msi", ""})
    Uninstall("DisplayIcon", text);
  Uninstall("InstallSource", m.path("Setup.Files\\"));
  EXPECT_EQ(Recorded(),
            (Values{"C:\\HmGone\\app.exe", "C:\\HmGone\\app.exe", InSystem("app.ico"), "C:\\HmGone\\s.msi"}));
}

}  // namespace
}  // namespace hm::test
