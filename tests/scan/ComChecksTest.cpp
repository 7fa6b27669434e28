#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "scan/CheckFixture.h"
#include "support/ForwardingRegistry.h"

namespace hm::test {
namespace {

constexpr const char* kCom = "ActiveX \\ COM";

class ComChecks : public CheckFixture {
 protected:
  void Check(const std::string& text, const std::string& keyPath = "CLSID\\{1}\\InprocServer32") {
    CheckRegistryActiveXComponent(errors, Context(kCom, "", text, keyPath));
  }
};

TEST_F(ComChecks, AMissingServerIsRecordedWithTheWholeContext) {
  CheckRegistryActiveXComponent(errors, CheckContext{platform::kHkeyCurrentUser, "HKEY_CURRENT_USER", "",
                                                     "  \"" + m.path("gone.dll") + "\"\n", kCom, "CLSID\\{1}\\x"});
  ASSERT_EQ(errors.rowCount(), 1u);
  const ProblemEntry p = ProblemAt(errors, 0);
  EXPECT_EQ(p.MainKey, "-2147483647");
  EXPECT_EQ(p.KeyName, "(Default)");
  EXPECT_EQ(p.KeyValue, m.path("gone.dll"));
  EXPECT_EQ(p.Section, kCom);
  EXPECT_EQ(p.FullKeyPath, "CLSID\\{1}\\x");
  EXPECT_EQ(p.MainKeyName, "HKEY_CURRENT_USER");
  EXPECT_TRUE(errors.row(0).checked);
}

TEST_F(ComChecks, BareServerNamesAreLookedForInTheSystemFolder) {
  m.createFile("windows\\system32\\here.dll");
  Check("gone.ocx");
  Check("GONE.AX");
  Check("HERE.DLL");
  EXPECT_EQ(Recorded(), (Values{InSystem("gone.ocx"), InSystem("GONE.AX")}));
}

TEST_F(ComChecks, OnlyServerExtensionsAtTheVeryEndAreChecked) {
  for (const char* text : {"Apartment", "shell32.dll,3", "gone.dll /s", "C:\\HmGone\\app.exe /automation",
                           "C:\\HmGone\\app.exe", "C:\\HmGone.dll\\sub", "", "\"\""})
    Check(text);
  EXPECT_EQ(Recorded(), Values{});
  EXPECT_EQ(m.errorLogEntries(), 0);
}

TEST_F(ComChecks, FolderTokensResolveInAnyLetterCase) {
  SetFolderValue("ProgramFilesDir", m.path("Program Files"));
  SetFolderValue("CommonFilesDir", m.path("Common"));
  m.createFile("windows\\system32\\here.dll");
  Check("%SystemRoot%\\system32\\here.dll");
  Check("%SYSTEMROOT%\\system32\\gone.dll");
  Check("%programfiles%\\App\\gone.ocx");
  Check("%CommonProgramFiles%\\Shared\\gone.dll");
  EXPECT_EQ(Recorded(), (Values{m.windowsFolder() + "\\system32\\gone.dll", m.path("Program Files\\App\\gone.ocx"),
                                m.path("Common\\Shared\\gone.dll")}));
}

TEST_F(ComChecks, FolderTokensResolveForAProcessWithoutElevationAndUnreadableOnesAreNotTested) {
  SetFolderValue("ProgramFilesDir", m.path("Program Files"));
  m.createFile("Program Files\\App\\x.dll");
  NotElevatedRegistry readOnly(*m.machine().registry);
  platform::Machine machine = m.machine();
  machine.registry = &readOnly;
  platform::MachineScope scope(machine);
  Check("%ProgramFiles%\\App\\x.dll");
  Check("%ProgramFiles%\\App\\gone.dll");
  Check("%CommonProgramFiles%\\App\\x.dll");  // no CommonFilesDir to resolve it with
  EXPECT_EQ(Recorded(), Values{m.path("Program Files\\App\\gone.dll")});
}

TEST_F(ComChecks, TokensTheRulesCannotResolveAreNotTested) {
  Check("%Sysroot%\\system32\\gone.dll");
  Check("%windir%\\system32\\gone.dll");
  Check("%SystemRoot%\\%Vendor%\\gone.dll");
  EXPECT_EQ(Recorded(), Values{});
  EXPECT_EQ(m.errorLogEntries(), 0);
}

TEST_F(ComChecks, ExistingFilesCountWhateverTheirAttributesAndFoldersToo) {
  m.createFile("Com\\hidden.dll");
  m.createFile("Com\\system.ocx");
  m.createFolder("Com\\folder.dll");
  m.setAttributes("Com\\hidden.dll", platform::kAttrHidden);
  m.setAttributes("Com\\system.ocx", platform::kAttrSystem | platform::kAttrHidden);
  Check(m.path("Com\\hidden.dll"));
  Check(m.path("COM\\SYSTEM.OCX"));
  Check(m.path("Com\\folder.dll"));
  EXPECT_EQ(Recorded(), Values{});
}

TEST_F(ComChecks, ClassNamesUnderProgIdKeysAreNotFiles) {
  Check("WMPlayer.OCX", "CLSID\\{6BF52A52}\\ProgID");
  Check("WMPlayer.OCX", "CLSID\\{6BF52A52}\\versionindependentprogid");
  Check("WMPlayer.OCX", "CLSID\\{6BF52A52}\\InprocServer32");
  EXPECT_EQ(Recorded(), Values{InSystem("WMPlayer.OCX")});
}

TEST_F(ComChecks, NonAsciiPathsAreTestedExactly) {
  m.createFile("Äpps\\日本語.dll");
  Check(m.path("äPPS\\日本語.DLL"));
  Check(m.path("Äpps\\Grüße.dll"));
  EXPECT_EQ(Recorded(), Values{m.path("Äpps\\Grüße.dll")});
}

TEST_F(ComChecks, ANameThePlatformRefusesIsLoggedNotRecorded) {
  Check(m.path("a|b.dll"));
  EXPECT_EQ(Recorded(), Values{});
  EXPECT_EQ(m.errorLogEntries(), 1);
  EXPECT_NE(m.errorLog().find("CheckRegistryActiveXComponent\r\n"), std::string::npos);
}

TEST_F(ComChecks, KeysWithoutValuesAreRecordedAsKeys) {
  CheckRegistryIntegrity(errors, CheckContext{platform::kHkeyClassesRoot, "HKEY_CLASSES_ROOT", "ignored", "x",
                                              "Registry Integrity", "TypeLib\\{G}\\1.0\\HELPDIR"});
  CheckFileExtensionEntry(errors, CheckContext{platform::kHkeyCurrentUser, "HKEY_CURRENT_USER", "ignored", "x",
                                               "File Extensions", "Software\\FileExts\\.abc\\OpenWithList"});
  ASSERT_EQ(errors.rowCount(), 2u);
  const ProblemEntry helpDir = ProblemAt(errors, 0);
  EXPECT_EQ(helpDir.MainKey, "-2147483648");
  EXPECT_EQ(helpDir.KeyName, "(Default)");
  EXPECT_EQ(helpDir.KeyValue, "(value not set)");
  EXPECT_EQ(helpDir.FullKeyPath, "TypeLib\\{G}\\1.0\\HELPDIR");
  const ProblemEntry openWith = ProblemAt(errors, 1);
  EXPECT_EQ(openWith.KeyName, "(Default)");
  EXPECT_EQ(openWith.KeyValue, "Software\\FileExts\\.abc\\OpenWithList");
  EXPECT_EQ(openWith.Section, "File Extensions");
  EXPECT_EQ(openWith.MainKeyName, "HKEY_CURRENT_USER");
}

}  // namespace
}  // namespace hm::test
