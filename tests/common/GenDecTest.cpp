#include <gtest/gtest.h>

#include "common/ErrorLog.h"
#include "common/GenDec.h"
#include "common/RegistryAccess.h"
#include "platform/FileSystem.h"
#include "support/TestMachine.h"

namespace hm {
namespace {

TEST(GenDec, GetPathWithSlash) {
  EXPECT_EQ(GetPathWithSlash("C:\\WINDOWS"), "C:\\WINDOWS\\");
  EXPECT_EQ(GetPathWithSlash("C:\\WINDOWS\\"), "C:\\WINDOWS\\");
  EXPECT_EQ(GetPathWithSlash("   "), "");
  EXPECT_EQ(GetPathWithSlash(" x "), " x \\");
}

TEST(GenDec, GetFileExtensionTakesEverythingAfterTheLastDotOfTheLastComponent) {
  EXPECT_EQ(GetFileExtension("C:\\WINDOWS\\system32\\X.DLL"), "dll");
  EXPECT_EQ(GetFileExtension("C:\\my.folder\\file"), "");
  EXPECT_EQ(GetFileExtension("tool.exe /s"), "exe /s");
  EXPECT_EQ(GetFileExtension("name."), "");
  EXPECT_EQ(GetFileExtension("C:file"), "");
  EXPECT_EQ(GetFileExtension("Ä.ÖCX"), "öcx");
}

TEST(GenDec, RemoveEnterStripsQuotesBlanksAndTheLineBreakHalves) {
  EXPECT_EQ(RemoveEnter("\"C:\\a b\\x.exe\"\n"), "C:\\a b\\x.exe");
  EXPECT_EQ(RemoveEnter("\nC:\\x"), "\nC:\\x");
  EXPECT_EQ(RemoveEnter("\r \"x\" \r"), "x\" \r");
  EXPECT_EQ(RemoveEnter("\"\""), "");
  // Trimming a text given up in place keeps exactly what the copying form keeps.
  for (const char* text : {"\"C:\\a b\\x.exe\"\n", "\r \"x\" \r", "\"\"", "", "  \"\r", "plain"})
    EXPECT_EQ(RemoveEnter(std::string(text)), RemoveEnter(std::string_view(text))) << text;
}

TEST(GenDec, RemoveBackSlashandCommaCutsBeforeSwitchesAndEntryPoints) {
  EXPECT_EQ(RemoveBackSlashandComma("rundll32.exe shell32.dll,Control_RunDLL"), "rundll32.exe shell32.dll");
  EXPECT_EQ(RemoveBackSlashandComma("C:\\App\\setup.exe /uninstall"), "C:\\App\\setup.exe");
  EXPECT_EQ(RemoveBackSlashandComma(",x"), ",x");
  EXPECT_EQ(RemoveBackSlashandComma("/x"), "/x");
  EXPECT_EQ(RemoveBackSlashandComma("a.exe /b,c"), "a.exe /b");
  EXPECT_EQ(RemoveBackSlashandComma("a.exe ,b/c"), "a.exe");
  EXPECT_EQ(RemoveBackSlashandComma("plain"), "plain");
}

TEST(GenDec, FolderTokensAreFoundInAnyCase) {
  EXPECT_EQ(CheckSystemRootDirectory("%SYSTEMROOT%\\system32\\a.dll"), "\\system32\\a.dll");
  EXPECT_EQ(CheckSystemRootDirectory("%ProgramFiles%\\x\\y.exe"), "\\x\\y.exe");
  EXPECT_EQ(CheckSystemRootDirectory("%programfiles%\\x\\y.exe"), "\\x\\y.exe");
  EXPECT_EQ(CheckSystemRootDirectory("C:\\z.dll"), "");
  EXPECT_EQ(CheckCommonProgramFilesPath("%CommonProgramFiles%\\s\\t.dll"), "\\s\\t.dll");
  EXPECT_EQ(CheckCommonProgramFilesPath("C:\\t.dll"), "");
}

TEST(GenDec, FolderQueriesComeFromThePlatformAndTheRegistry) {
  test::TestMachine m;
  EXPECT_EQ(GetWindowsDirectory(), m.windowsFolder());
  EXPECT_EQ(GetSystemDirectory(), m.systemFolder());
  EXPECT_EQ(GetProgramFilesPath(), "");
  SetKeyValue(platform::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
              "  C:\\Program Files  ", kRegSz);
  SetKeyValue(platform::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir",
              "C:\\Program Files\\Common Files", kRegSz);
  EXPECT_EQ(GetProgramFilesPath(), "C:\\Program Files");
  EXPECT_EQ(GetCommonProgramFilesPath(), "C:\\Program Files\\Common Files");
  EXPECT_EQ(m.errorLogEntries(), 0);
}

TEST(PathMissing, FilesOfAnyAttributesAndFoldersArePresent) {
  test::TestMachine m;
  m.createFile("Apps\\tool.exe");
  m.createFile("Apps\\hidden.dll");
  m.createFile("Apps\\system.dll");
  m.createFolder("Apps\\Sub.Folder");
  m.setAttributes("Apps\\hidden.dll", platform::kAttrHidden);
  m.setAttributes("Apps\\system.dll", platform::kAttrSystem | platform::kAttrHidden);
  EXPECT_FALSE(PathMissing(m.path("Apps\\tool.exe")));
  EXPECT_FALSE(PathMissing(m.path("APPS\\TOOL.EXE")));
  EXPECT_FALSE(PathMissing(m.path("Apps\\tool.exe   ")));
  EXPECT_FALSE(PathMissing(m.path("Apps\\hidden.dll")));
  EXPECT_FALSE(PathMissing(m.path("Apps\\system.dll")));
  EXPECT_FALSE(PathMissing(m.path("Apps\\Sub.Folder")));
  EXPECT_FALSE(PathMissing(m.path("Apps\\Sub.Folder\\")));
  EXPECT_FALSE(PathMissing(m.path("Apps\\t*.e?e")));
  EXPECT_TRUE(PathMissing(m.path("Apps\\gone.exe")));
  EXPECT_TRUE(PathMissing(m.path("Gone\\tool.exe")));
  EXPECT_TRUE(PathMissing(m.path("Apps\\*.zzz")));
  EXPECT_FALSE(PathMissing(""));
}

TEST(PathMissing, NonAsciiNamesAreFoundExactly) {
  test::TestMachine m;
  m.createFile("Äpps\\Grüße\\日本語.exe");
  EXPECT_FALSE(PathMissing(m.path("Äpps\\Grüße\\日本語.exe")));
  EXPECT_FALSE(PathMissing(m.path("äPPS\\GRÜSSE\\..\\Grüße\\日本語.EXE")));
  EXPECT_TRUE(PathMissing(m.path("Äpps\\Grüße\\日本.exe")));
}

TEST(PathMissing, ANameThePlatformRefusesIsAFailure) {
  test::TestMachine m;
  EXPECT_THROW(PathMissing(m.path("Apps\\a\"b.exe")), Failure);
  EXPECT_THROW(PathMissing(m.path("Ap*s\\b.exe")), Failure);
  EXPECT_THROW(PathMissing(m.path("Apps\\a|b.exe")), Failure);
}

}  // namespace
}  // namespace hm
