// The keep list through the real windows: a right click on a problem row pops
// up the results menu (screenshot main-keep-menu), its command keeps the
// entry, and the options dialog lists it and stops keeping it.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <functional>
#include <string>
#include <utility>

#include "app/gui/MainWindow.h"
#include "app/gui/MainWindow.rh"
#include "app/gui/dialogs/DialogIds.h"
#include "common/Globals.h"
#include "gui/GuiTestSupport.h"
#include "mainwindow/frmMain.h"
#include "platform/win32/Wide.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/gui/MessagePump.h"
#include "platform/win32/gui/ModalDialog.h"
#include "scan/KeepList.h"
#include "support/SeededMachine.h"

namespace hm::test {
namespace {

class KeepShell : public platform::win32::Win32Shell {
 public:
  KeepShell() : Win32Shell(L"Local\\Hivemend.GuiKeepTest") {}
  bool elevated() override { return true; }
  bool restartElevated(const std::string&) override { return false; }
  std::string commandLine() override { return "hivemend.exe"; }
};

std::string WindowText(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return platform::win32::narrow(text);
}

// What the pop-up menu showed, seen from a timer inside its own loop.
struct MenuSeen {
  bool shown = false;
  std::string item;
  Screenshot shot;
} g_menu;

void CALLBACK SeeMenuAndClose(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (HWND popup = FindWindowW(L"#32768", nullptr); popup != nullptr && IsWindowVisible(popup)) {
    g_menu.shown = true;
    g_menu.shot = Capture(popup, "main-keep-menu");
    const auto menu = reinterpret_cast<HMENU>(SendMessageW(popup, 0x01E1 /* MN_GETHMENU */, 0, 0));
    wchar_t text[128] = {};
    if (menu != nullptr && GetMenuStringW(menu, IDM_RKEEPENTRY, text, 128, MF_BYCOMMAND) > 0)
      g_menu.item = platform::win32::narrow(text);
  }
  EndMenu();
}

// Runs `step` from a timer once the options dialog's modal loop runs.
std::function<void()> g_step;
void CALLBACK RunStep(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  auto step = std::move(g_step);
  if (step) step();
  if (HWND left = platform::win32::gui::CurrentModalDialog()) PostMessageW(left, WM_CLOSE, 0, 0);
}

TEST(KeepMenuGui, AProblemKeptFromTheContextMenuIsListedInOptionsAndTakenBackThere) {
  if (NoDisplay()) GTEST_SKIP() << "no display to show windows on";
  AppVersion = "1.25";
  TestMachine m;
  platform::win32::gui::GuiPump pump;
  KeepShell shell;
  m.machine().pump = &pump;
  m.machine().shell = &shell;
  SeedOneBrokenEntryPerSection(m);

  frmMain logic;
  gui::MainWindow main(logic);
  main.onEnd = [] {};
  ASSERT_TRUE(main.open());
  const HWND w = main.window();
  SendMessageW(GetDlgItem(w, IDC_CMDQUICKSCAN), BM_CLICK, 0, 0);
  main.bindings().flush();
  const std::size_t found = logic.lists.lvwErrors.rowCount();
  ASSERT_GT(found, 1u);

  // Open the first section; its first problem is row 1.
  const HWND tree = GetDlgItem(w, IDC_VBATVWRESULTS);
  SetFocus(tree);
  LVITEMW focus{};
  focus.stateMask = focus.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(tree, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&focus));
  SendMessageW(tree, WM_KEYDOWN, VK_RIGHT, 0);
  main.bindings().flush();
  const std::string problem = ListText(tree, 1, 0);
  ASSERT_EQ(problem, logic.lists.lvwErrors.cell(0, kKeyValue));

  // A right click on that row, as the list view passes it on.
  RECT row{};
  row.left = LVIR_LABEL;
  SendMessageW(tree, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
  POINT at{row.left + 20, (row.top + row.bottom) / 2};
  ClientToScreen(tree, &at);
  SetCursorPos(at.x, at.y);
  SetTimer(nullptr, 0, 200, SeeMenuAndClose);
  SendMessageW(tree, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tree), MAKELPARAM(at.x, at.y));
  ASSERT_TRUE(g_menu.shown);
  EXPECT_EQ(g_menu.item, kKeepThisEntry);
  EXPECT_GT(g_menu.shot.colours(), 1u);
  // The command the menu sends when its item is chosen.
  SendMessageW(w, WM_COMMAND, IDM_RKEEPENTRY, 0);
  main.bindings().flush();
  EXPECT_EQ(logic.lists.lvwErrors.rowCount(), found - 1);
  EXPECT_EQ(WindowText(GetDlgItem(w, IDC_LBLSTATUS)), "1 kept entry not shown");
  ASSERT_EQ(ReadKeptEntries().size(), 1u);
  EXPECT_GT(Capture(w, "main-kept").colours(), 1u);

  // The options dialog lists it; its button stops keeping it.
  bool listed = false, taken = false;
  g_step = [&] {
    const HWND options = platform::win32::gui::CurrentModalDialog();
    ASSERT_TRUE(options);
    const HWND list = GetDlgItem(options, IDC_OPTIONS_KEPT_LIST);
    ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 1);
    const KeptEntry kept = ReadKeptEntries().at(0);
    listed = ListText(list, 0, 0) == kept.Label() && ListText(list, 0, 1) == kept.section;
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(options, IDC_OPTIONS_STOP_KEEPING)));
    LVITEMW select{};
    select.stateMask = select.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&select));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(options, IDC_OPTIONS_STOP_KEEPING)));
    Capture(options, "main-options-kept", true);
    SendMessageW(GetDlgItem(options, IDC_OPTIONS_STOP_KEEPING), BM_CLICK, 0, 0);
    taken = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 0;
    SendMessageW(GetDlgItem(options, IDC_OPTIONS_CLOSE), BM_CLICK, 0, 0);
  };
  SetTimer(nullptr, 0, 100, RunStep);
  SendMessageW(w, WM_COMMAND, IDM_TOPTIONSANDSETTINGS, 0);
  EXPECT_TRUE(listed);
  EXPECT_TRUE(taken);
  EXPECT_TRUE(ReadKeptEntries().empty());
}

}  // namespace
}  // namespace hm::test
