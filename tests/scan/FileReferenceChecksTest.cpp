#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "scan/CheckFixture.h"

namespace hm::test {
namespace {

class FileReferenceChecks : public CheckFixture {};

TEST_F(FileReferenceChecks, ApplicationPathsAreUnquotedAndBareNamesLookInTheSystemFolder) {
  m.createFile("Apps\\here.exe");
  for (const std::string& text : Values{"C:\\HmGone\\tool.exe", "\"C:\\HmGone\\tool.exe\"\n", "gone.exe", "Setup.TMP",
                                        m.path("Apps\\here.exe"), "\"" + m.path("apps\\HERE.EXE") + "\""})
    CheckApplicationPath(errors, Context("Application Paths", "", text));
  EXPECT_EQ(Recorded(),
            (Values{"C:\\HmGone\\tool.exe", "C:\\HmGone\\tool.exe", InSystem("gone.exe"), InSystem("Setup.TMP")}));
}

TEST_F(FileReferenceChecks, ApplicationPathsWithArgumentsOrOtherExtensionsAreNotChecked) {
  for (const char* text : {"C:\\HmGone\\tool.exe /min", "C:\\HmGone\\readme.txt", "C:\\HmGone\\Tool", "", "  "})
    CheckApplicationPath(errors, Context("Application Paths", "", text));
  EXPECT_EQ(Recorded(), Values{});
}

TEST_F(FileReferenceChecks, ApplicationPathTokensResolveAndUnknownOnesAreLeftAlone) {
  SetFolderValue("ProgramFilesDir", m.path("Program Files"));
  m.createFile("Program Files\\App\\here.exe");
  for (const char* text : {"%ProgramFiles%\\App\\tool.exe", "%PROGRAMFILES%\\App\\here.exe", "%SystemRoot%\\gone.exe",
                           "%windir%\\notepad.exe", "%ProgramFiles(x86)%\\A\\b.exe"})
    CheckApplicationPath(errors, Context("Application Paths", "", text));
  EXPECT_EQ(Recorded(), (Values{m.path("Program Files\\App\\tool.exe"), m.windowsFolder() + "\\gone.exe"}));
}

TEST_F(FileReferenceChecks, FontsWithoutFolderLiveInTheFontsFolderAndBitmapFontsAreSkipped) {
  m.createFile("windows\\Fonts\\here.ttf");
  for (const char* text :
       {"arial.ttf", "here.ttf", "serife.fon", "Modern.Fon", "C:\\HmGone\\x.FON", "", "C:\\HmGone\\a.ttf"})
    CheckWindowsFontpath(errors, Context("Windows Fonts", "Arial (TrueType)", text));
  EXPECT_EQ(Recorded(), (Values{m.windowsFolder() + "\\Fonts\\arial.ttf", "C:\\HmGone\\a.ttf"}));
  EXPECT_EQ(lists.lvwErrors.cell(0, kKeyName), "Arial (TrueType)");
}

TEST_F(FileReferenceChecks, HelpFilesJoinTheFolderAndTheValueName) {
  m.createFile("Help\\here.hlp");
  CheckHelpFilesPath(errors, Context("Help Files", "app.hlp", "C:\\HmHelp"));
  CheckHelpFilesPath(errors, Context("Help Files", "app.hlp", "C:\\HmHelp\\"));
  CheckHelpFilesPath(errors, Context("Help Files", "here.hlp", m.path("Help")));
  CheckHelpFilesPath(errors, Context("Help Files", "here.hlp", m.path("HELP\\")));
  EXPECT_EQ(Recorded(), (Values{"C:\\HmHelp\\app.hlp", "C:\\HmHelp\\app.hlp"}));
}

TEST_F(FileReferenceChecks, HelpFilesWithoutAFolderAreNotJudged) {
  CheckHelpFilesPath(errors, Context("Help Files", "gone.hlp", "   "));
  CheckHelpFilesPath(errors, Context("Help Files", "gone.hlp", ""));
  EXPECT_EQ(Recorded(), Values{});
  EXPECT_EQ(m.errorLogEntries(), 0);
}

TEST_F(FileReferenceChecks, SharedPathsStartAtTheDriveLetterAndNeedAThreeCharacterExtension) {
  m.createFile("windows\\system32\\here.dll");
  for (const char* text : {"C:\\HmGone\\gone.dll", "1 C:\\HmGone\\cut.dll", "C:\\HmGone\\readme.manifest",
                           "\\\\server\\share\\x.dll", "x*.dll", "gone.ocx", "here.dll", "C:\\HmGone", "", "app.js"})
    CheckMicrosoftSharedPath(errors, Context("Microsoft Shared", text, text));
  EXPECT_EQ(Recorded(), (Values{"C:\\HmGone\\gone.dll", "C:\\HmGone\\cut.dll", InSystem("gone.ocx")}));
  // The SharedDLLs value is named after its file: both fields show it.
  EXPECT_EQ(lists.lvwErrors.cell(0, kKeyName), "C:\\HmGone\\gone.dll");
  EXPECT_EQ(m.errorLogEntries(), 0);
}

TEST_F(FileReferenceChecks, VirtualDevicesAreBareNamesOrDrivePaths) {
  for (const char* text : {"*vmm", "gone.vxd", "C:\\HmGone\\x.386", "junk C:\\HmGone\\Grüße.vxd", "\\HmGone\\y.vxd"})
    CheckVirtualDeviceSection(errors, Context("VxD Section", "name", text));
  EXPECT_EQ(Recorded(), (Values{InSystem("gone.vxd"), "C:\\HmGone\\x.386", "C:\\HmGone\\Grüße.vxd"}));
}

TEST_F(FileReferenceChecks, ADriveSeparatorAtTheVeryStartIsLogged) {
  CheckMicrosoftSharedPath(errors, Context("Microsoft Shared", "", ":\\x\\gone.dll"));
  CheckVirtualDeviceSection(errors, Context("VxD Section", "", ":\\x\\gone.vxd"));
  EXPECT_EQ(Recorded(), Values{});
  EXPECT_EQ(m.errorLogEntries(), 2);
  EXPECT_NE(m.errorLog().find("Invalid procedure call or argument\r\n"), std::string::npos);
  EXPECT_NE(m.errorLog().find("CheckMicrosoftSharedPath\r\n"), std::string::npos);
  EXPECT_NE(m.errorLog().find("CheckVirtualDeviceSection\r\n"), std::string::npos);
}

TEST_F(FileReferenceChecks, HiddenFilesSystemFilesAndFoldersArePresent) {
  m.createFile("Lib\\hidden.dll");
  m.createFile("Lib\\system.vxd");
  m.createFolder("Lib\\Folder.dll");
  m.setAttributes("Lib\\hidden.dll", platform::kAttrHidden);
  m.setAttributes("Lib\\system.vxd", platform::kAttrSystem);
  m.setAttributes("Lib", platform::kAttrHidden);
  CheckMicrosoftSharedPath(errors, Context("Microsoft Shared", "", m.path("Lib\\hidden.dll")));
  CheckMicrosoftSharedPath(errors, Context("Microsoft Shared", "", m.path("Lib\\Folder.dll")));
  CheckVirtualDeviceSection(errors, Context("VxD Section", "", m.path("Lib\\system.vxd")));
  CheckWindowsFontpath(errors, Context("Windows Fonts", "", m.path("Lib\\hidden.dll")));
  EXPECT_EQ(Recorded(), Values{});
}

}  // namespace
}  // namespace hm::test
