#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <fstream>
#include <string>
#include <thread>
#include <utility>

#include "platform/win32/Wide.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32System.h"
#include "platform/win32/gui/ScopedHandles.h"
#include "platform/win32/gui/TrayIcon.h"

namespace hm {
namespace {

using platform::win32::argumentsOf;
using platform::win32::narrow;
using platform::win32::ScopedHandle;
using platform::win32::ScopedKey;
using platform::win32::ScopedWindow;
using platform::win32::TrayIcon;
using platform::win32::Win32Shell;

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string tempFolder() {
  wchar_t buf[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, buf);
  return narrow(std::wstring_view(buf, n));
}

TEST(Win32Shell, NameAndArgumentsOfThisProgram) {
  Win32Shell shell;
  EXPECT_EQ(lower(shell.programName()), "hm_tests");
  const std::string arguments = shell.commandLine();
  EXPECT_EQ(lower(arguments).find("hm_tests"), std::string::npos) << arguments;
  EXPECT_EQ(arguments, narrow(argumentsOf(GetCommandLineW())));

  EXPECT_EQ(argumentsOf(L"\"C:\\Program Files\\Hive mend\\hivemend.exe\"  -Quick x"), L"-Quick x");
  EXPECT_EQ(argumentsOf(L"C:\\hm\\hivemend.exe\t-quick"), L"-quick");
  EXPECT_EQ(argumentsOf(L"\"C:\\a b\\hivemend.exe\"-Quick"), L"-Quick");
  EXPECT_EQ(argumentsOf(L"hivemend.exe"), L"");
  EXPECT_EQ(argumentsOf(L"\"C:\\unclosed -Quick"), L"");
}

TEST(Win32Shell, OneCopyRunsAtATime) {
  const std::wstring name = L"Local\\Hivemend.Test." + std::to_wstring(GetCurrentProcessId());
  {
    Win32Shell first(name);
    EXPECT_FALSE(first.anotherCopyRunning());
    EXPECT_FALSE(first.anotherCopyRunning());  // asking again does not find itself
    EXPECT_TRUE(Win32Shell(name).anotherCopyRunning());
  }
  EXPECT_FALSE(Win32Shell(name).anotherCopyRunning());  // the mark ends with its copy

  // The program's own name, held by "another copy".
  ScopedHandle other(CreateMutexW(nullptr, FALSE, L"Local\\Hivemend.SingleInstance"));
  ASSERT_TRUE(other);
  EXPECT_TRUE(Win32Shell().anotherCopyRunning());
}

TEST(Win32Shell, AssociatedProgramsAndLaunchFailures) {
  Win32Shell shell;
  // The test prefix associates notepad with .ini (not with .txt).
  const std::string placeholder = tempFolder() + "hm_temphtm.ini";
  std::ofstream(platform::win32::wide(placeholder).c_str()) << "\"\"\n";
  std::string executable;
  const int found = shell.findExecutable(placeholder, executable);
  DeleteFileW(platform::win32::wide(placeholder).c_str());
  EXPECT_GT(found, 32);
  EXPECT_NE(lower(executable).find("notepad"), std::string::npos) << executable;

  const std::string unknown = tempFolder() + "hm_temphtm.hmzzq";
  std::ofstream(platform::win32::wide(unknown).c_str()) << "\"\"\n";
  executable = "stale";
  EXPECT_LE(shell.findExecutable(unknown, executable), 32);
  EXPECT_EQ(executable, "");
  DeleteFileW(platform::win32::wide(unknown).c_str());

  EXPECT_FALSE(shell.startProgram("C:\\hm-nowhere\\tidrin.exe"));
}

TEST(Win32Shell, SystemImageListAndIconsOfMissingFiles) {
  Win32Shell shell;
  EXPECT_NE(shell.systemImageList(true), 0u);
  EXPECT_NE(shell.systemImageList(false), 0u);
  EXPECT_GE(shell.fileIconIndex("C:\\hm-nowhere\\x.txt", true, false), 0);
}

TEST(Win32Dialogs, SaveFiltersEndInTwoNuls) {
  using namespace std::string_literals;
  EXPECT_EQ(platform::win32::dialogFilter("Rich Text Format |*.doc"), L"Rich Text Format \0*.doc\0\0"s);
  EXPECT_EQ(platform::win32::dialogFilter("Text|*.txt|All|*.*"), L"Text\0*.txt\0All\0*.*\0\0"s);
}

// The dialog needs a desktop (the GUI tests' Xvfb); without one it cannot open.
TEST(Win32Dialogs, SaveAsGivesTheTypedPathOrNothingWhenCancelled) {
  const auto answer = [](const wchar_t* title, const std::wstring& typed) {
    std::atomic<bool> seen = false, closed = false;
    std::thread user([&] {
      for (int i = 0; i < 200 && !seen && !closed; ++i) {
        Sleep(25);
        const HWND dialog = FindWindowW(nullptr, title);
        if (dialog == nullptr) continue;
        seen = true;
        if (!typed.empty()) SetDlgItemTextW(dialog, 0x47c /* the file name box */, typed.c_str());
        PostMessageW(dialog, WM_COMMAND, typed.empty() ? IDCANCEL : IDOK, 0);
      }
    });
    const std::string chosen = platform::win32::Win32Dialogs().saveFileName("Rich Text Format |*.doc", narrow(title));
    closed = true;
    user.join();
    return std::make_pair(seen.load(), chosen);
  };
  const std::string path = tempFolder() + "hm save test.doc";
  const auto [shown, chosen] = answer(L"Hivemend - Save as (test)", platform::win32::wide(path));
  if (!shown) GTEST_SKIP() << "no desktop for the dialog";
  EXPECT_EQ(lower(chosen), lower(path));
  EXPECT_EQ(answer(L"Hivemend - Save as (cancel)", L"").second, "");
}

TEST(ScopedHandles, CloseOnceAndOnlyWhatWasOpened) {
  const HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(raw, nullptr);
  ScopedHandle a(raw);
  ScopedHandle b(std::move(a));
  EXPECT_FALSE(a);
  EXPECT_EQ(b.get(), raw);
  DWORD flags = 0;
  EXPECT_TRUE(GetHandleInformation(raw, &flags));
  b = ScopedHandle();
  EXPECT_FALSE(GetHandleInformation(raw, &flags));

  EXPECT_FALSE(ScopedHandle(INVALID_HANDLE_VALUE));  // CreateFileW's failure
  { ScopedKey root(HKEY_LOCAL_MACHINE); }
  ScopedKey software;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_READ, software.put()), ERROR_SUCCESS);
}

TEST(TrayIcon, ShowsTipsAndGoesAwayWithOrWithoutANotificationArea) {
  ScopedWindow window(CreateWindowExW(0, L"STATIC", L"hm tray test", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                                      GetModuleHandleW(nullptr), nullptr));
  ASSERT_TRUE(window) << GetLastError();
  EXPECT_NE(TrayIcon::taskbarCreatedMessage(), 0u);
  EXPECT_GT(TrayIcon::iconSize(window.get()), 0);

  TrayIcon tray(window.get(), WM_APP + 1);
  tray.setTip("Hivemend v" + std::string(70, '1'));
  EXPECT_EQ(tray.tip().size(), 63u);
  EXPECT_EQ(TrayIcon::cutTip(std::string(62, 'a') + "\xF0\x9F\x98\x80"), std::wstring(62, L'a'));
  tray.setIcon(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(32000));  // missing: the stock icon
  EXPECT_NE(tray.icon(), nullptr);

  tray.show();  // whether a tray took it depends on the desktop
  EXPECT_TRUE(tray.shown());
  EXPECT_TRUE(tray.handleMessage(TrayIcon::taskbarCreatedMessage()));
  EXPECT_FALSE(tray.handleMessage(WM_PAINT));
  EXPECT_TRUE(tray.shown());
  tray.hide();
  EXPECT_FALSE(tray.shown());
  EXPECT_FALSE(tray.inTray());
  tray.readd();  // not wanted: stays away
  EXPECT_FALSE(tray.inTray());
}

}  // namespace
}  // namespace hm
