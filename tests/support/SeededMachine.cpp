#include "support/SeededMachine.h"

#include "common/RegistryAccess.h"
#include "platform/Registry.h"
#include "support/RegistrySeed.h"

namespace hm::test {

using platform::kHkeyClassesRoot;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

namespace {
const std::string kCurrentVersion = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
}

void SeedHealthyEntries(TestMachine& m) {
  m.createFile("windows\\system32\\good.dll");
  m.createFile("windows\\Fonts\\good.ttf");
  m.createFile("Program Files\\Good\\good.exe");
  m.createFile("Program Files\\Common Files\\Good\\good.dll");
  m.createFile("Help\\good.chm");
  m.createFile("Apps\\Good App.exe");
  SetString(kHkeyLocalMachine, kCurrentVersion, "ProgramFilesDir", m.path("Program Files"));
  SetString(kHkeyLocalMachine, kCurrentVersion, "CommonFilesDir", m.path("Program Files\\Common Files"));
  SetString(kHkeyClassesRoot, "CLSID\\{00000001-GOOD}\\InprocServer32", "", m.path("windows\\system32\\good.dll"));
  SetString(kHkeyClassesRoot, "CLSID\\{00000001-GOOD}\\InprocServer32", "ThreadingModel", "Apartment");
  SetString(kHkeyClassesRoot, "CLSID\\{00000001-GOOD}\\ProgID", "", "Good.Control.OCX");
  SetString(kHkeyClassesRoot, "CLSID\\{00000002-GOOD}\\InprocServer32", "", "good.dll");
  SetString(kHkeyClassesRoot, "CLSID\\{00000003-GOOD}\\LocalServer32", "",
            "%ProgramFiles%\\Good\\good.exe /automation");
  SetString(kHkeyClassesRoot, "TypeLib\\{00000004-GOOD}\\1.0\\HELPDIR", "", m.path("Help"));
  SetString(kHkeyClassesRoot, "Applications\\good.exe\\shell\\open\\command", "",
            "\"" + m.path("Apps\\Good App.exe") + "\" \"%1\"");
  SetString(kHkeyCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.good\\OpenWithList",
            "a", "good.exe");
  SetString(kHkeyLocalMachine, kCurrentVersion + "\\App Paths\\good.exe", "", m.path("Program Files\\Good\\good.exe"));
  SetString(kHkeyLocalMachine, kCurrentVersion + "\\App Paths\\good.exe", "Path", m.path("Program Files\\Good"));
  SetString(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "Good (TrueType)", "good.ttf");
  SetString(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "Old (Raster)", "OLD.FON");
  SetString(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\Help", "good.chm", m.path("Help"));
  SetDword(kHkeyLocalMachine, kCurrentVersion + "\\SharedDLLs", m.path("windows\\system32\\good.dll"), 1);
  SetString(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\Good", "Path",
            m.path("Program Files\\Good\\good.exe"));
  SetString(kHkeyLocalMachine, kCurrentVersion + "\\Run", "Good",
            "\"" + m.path("Program Files\\Good\\good.exe") + "\" -tray");
  SetString(kHkeyCurrentUser, kCurrentVersion + "\\Run", "Launcher", "rundll32.exe good.dll,Start");
  SetString(kHkeyLocalMachine, kCurrentVersion + "\\Uninstall\\Good", "UninstallString",
            m.path("Program Files\\Good\\good.exe") + " /uninstall");
  SetString(kHkeyLocalMachine, kCurrentVersion + "\\Uninstall\\Good", "DisplayIcon",
            m.path("Program Files\\Good\\good.exe") + ",0");
  SetString(kHkeyLocalMachine, kCurrentVersion + "\\Uninstall\\Good", "DisplayName", "Good App");
  SetString(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\VirtualDeviceDrivers", "good", "good.dll");
}

std::map<std::string, std::vector<std::string>> SeedOneBrokenEntryPerSection(TestMachine& m) {
  SeedHealthyEntries(m);
  std::map<std::string, std::vector<std::string>> expected;
  CreateEmptyKey(kHkeyClassesRoot, "TypeLib\\{0000000A-BAD}\\1.0\\HELPDIR");
  expected["Registry Integrity"] = {"(value not set)"};
  SetString(kHkeyClassesRoot, "CLSID\\{0000000B-BAD}\\InprocServer32", "", m.path("Gone\\gone.dll"));
  expected["ActiveX \\ COM"] = {m.path("Gone\\gone.dll")};
  SetString(kHkeyClassesRoot, "Applications\\gone.exe\\shell\\open", "DelegateExecute", "gone.ocx");
  expected["ActiveX \\ COM Subsections"] = {m.path("Gone\\gone.dll"), m.systemFolder() + "\\gone.ocx"};
  const std::string openWith = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.gone\\OpenWithList";
  CreateEmptyKey(kHkeyCurrentUser, openWith);
  expected["File Extensions"] = {openWith};
  SetString(kHkeyLocalMachine, kCurrentVersion + "\\App Paths\\gone.exe", "", m.path("Gone\\gone.exe"));
  expected["Application Paths"] = {m.path("Gone\\gone.exe")};
  SetString(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "Gone (TrueType)", "gone.ttf");
  expected["Windows Fonts"] = {m.windowsFolder() + "\\Fonts\\gone.ttf"};
  SetString(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\HTML Help", "gone.chm", m.path("Help"));
  expected["Help Files"] = {m.path("Help") + "\\gone.chm"};
  SetDword(kHkeyLocalMachine, kCurrentVersion + "\\SharedDLLs", m.path("Gone\\shared.dll"), 2);
  expected["Microsoft Shared"] = {m.path("Gone\\shared.dll")};
  SetString(kHkeyCurrentUser, kCurrentVersion + "\\Run", "Gone", "\"" + m.path("Gone\\start.exe") + "\"");
  expected["Windows Startup"] = {m.path("Gone\\start.exe")};
  SetString(kHkeyLocalMachine, kCurrentVersion + "\\Uninstall\\Gone", "UninstallString", m.path("Gone\\unins000.exe"));
  expected["Uninstall Section"] = {m.path("Gone\\unins000.exe")};
  SetString(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\VirtualDeviceDrivers", "gone", "gone.vxd");
  expected["VxD Section"] = {m.systemFolder() + "\\gone.vxd"};
  return expected;
}

}  // namespace hm::test
