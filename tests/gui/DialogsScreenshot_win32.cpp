// The smaller dialogs as real windows over a test machine: each is opened
// modally, driven through real control messages from a timer inside its own
// loop, and captured into build/windows/gui-screenshots/*.bmp.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "app/gui/dialogs/DialogIds.h"
#include "app/gui/dialogs/Dialogs.h"
#include "common/Globals.h"
#include "gui/GuiTestSupport.h"
#include "platform/win32/Wide.h"
#include "restore/RestoreTestSupport.h"
#include "shell/SettingsStore.h"

namespace hm::test {
namespace {

using platform::win32::narrow;

std::string TextOf(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return narrow(text);
}

// The visible dialog of this thread with that caption.
HWND FindDialog(const std::string& caption) {
  struct Search {
    std::string caption;
    HWND found = nullptr;
  } search{caption};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(data);
        if (IsWindowVisible(window) && TextOf(window) == s.caption) s.found = window;
        return s.found == nullptr;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// What a timer does once the modal loop runs: the steps of a test.
std::function<void()> g_step;

void CALLBACK RunStep(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  auto step = std::move(g_step);
  if (step) step();
}

// A dialog a failed step left open is closed, so that the test ends.
void CALLBACK CloseLeftOver(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM) -> BOOL {
        if (IsWindowVisible(window)) PostMessageW(window, WM_CLOSE, 0, 0);
        return TRUE;
      },
      0);
}

// Runs `show` (which returns when its dialog closed) with `step` inside its loop.
void WhileShown(const std::function<void()>& show, std::function<void()> step) {
  g_step = std::move(step);
  SetTimer(nullptr, 0, 100, RunStep);
  const UINT_PTR guard = SetTimer(nullptr, 0, 10000, CloseLeftOver);
  show();
  KillTimer(nullptr, guard);
}

bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
bool Checked(HWND dialog, int id) { return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void Click(HWND dialog, int id) { SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0); }

class Dialogs : public RestoreFixture {
 protected:
  void SetUp() override {
    if (NoDisplay()) GTEST_SKIP() << "no display to show windows on";
    AppVersion = "1.25";
  }
};

TEST_F(Dialogs, OpenWorkAndLookDifferent) {
  std::vector<Screenshot> shots;

  shell::frmOptionsAndSettings options;
  options.Form_Load();
  bool optionsSeen = false;
  WhileShown([&] { gui::ShowOptionsDialog(nullptr, options); },
             [&] {
               const HWND dialog = FindDialog("Options");
               ASSERT_TRUE(dialog);
               optionsSeen = true;
               // With nothing stored: tray off, start-up and backup on, Apply off.
               EXPECT_FALSE(Checked(dialog, IDC_OPTIONS_TRAY));
               EXPECT_TRUE(Checked(dialog, IDC_OPTIONS_STARTUP));
               EXPECT_TRUE(Checked(dialog, IDC_OPTIONS_BACKUP));
               EXPECT_FALSE(Enabled(dialog, IDC_OPTIONS_APPLY));
               EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_OPTIONS_SETTINGS)), "Settings");
               shots.push_back(Capture(dialog, "options", true));
               Click(dialog, IDC_OPTIONS_TRAY);
               EXPECT_TRUE(Checked(dialog, IDC_OPTIONS_TRAY));
               EXPECT_TRUE(options.chkMinimizeToSysTray.value());
               EXPECT_TRUE(Enabled(dialog, IDC_OPTIONS_APPLY));
               Click(dialog, IDC_OPTIONS_CLOSE);
             });
  EXPECT_TRUE(optionsSeen);
  EXPECT_FALSE(options.form.loaded);
  EXPECT_EQ(GetSetting(kProductName, "Options", "chkMinimizeToSysTray", "unset"), "unset");  // Close drops it

  const std::string older = writeSet("HivemendBK1.bkp", SetText("12/8/2005 3:45:12 PM", {}));
  writeSet("HivemendBK2.bkp", SetText("1/2/2006 9:05:00 AM", {}));
  backup::frmRestore chooser;
  chooser.Form_Load();
  bool chooserSeen = false;
  WhileShown([&] { gui::ShowRestoreChooser(nullptr, chooser); },
             [&] {
               const HWND dialog = FindDialog("Restore");
               ASSERT_TRUE(dialog);
               chooserSeen = true;
               const HWND list = GetDlgItem(dialog, IDC_RESTORE_LIST);
               ASSERT_EQ(ListView_GetItemCount(list), 2);
               EXPECT_EQ(ListText(list, 0, 0), "HivemendBK1.bkp");
               EXPECT_EQ(ListText(list, 1, 1), "Jan 02, 2006 at 09:05:00 AM");
               EXPECT_EQ(ListText(list, 0, 2), older);
               EXPECT_EQ(ListView_GetColumnWidth(list, 3), 0);
               // The hidden sort key cannot be dragged open; the others can.
               NMHEADERW track{};
               track.hdr.hwndFrom = ListView_GetHeader(list);
               track.hdr.code = HDN_BEGINTRACKW;
               track.iItem = 3;
               EXPECT_EQ(SendMessageW(dialog, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&track)), TRUE);
               track.iItem = 0;
               EXPECT_EQ(SendMessageW(dialog, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&track)), FALSE);
               // "Date & Time" is shown as written: the header control gets the "&" doubled.
               wchar_t header[64] = {};
               HDITEMW item{};
               item.mask = HDI_TEXT;
               item.pszText = header;
               item.cchTextMax = 64;
               Header_GetItem(ListView_GetHeader(list), 1, &item);
               EXPECT_EQ(narrow(header), "Date && Time");
               EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 1);  // the newest
               shots.push_back(Capture(dialog, "restore-chooser", true));
               // Wider window, wider list and path column; the buttons keep to the corner.
               RECT frame{}, list0{}, ok0{}, list1{}, ok1{};
               GetWindowRect(dialog, &frame);
               GetWindowRect(list, &list0);
               GetWindowRect(GetDlgItem(dialog, IDC_RESTORE_OK), &ok0);
               const int path0 = ListView_GetColumnWidth(list, 2);
               SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left + 120, frame.bottom - frame.top + 60,
                            SWP_NOMOVE | SWP_NOZORDER);
               GetWindowRect(list, &list1);
               GetWindowRect(GetDlgItem(dialog, IDC_RESTORE_OK), &ok1);
               EXPECT_EQ(list1.right - list1.left, list0.right - list0.left + 120);
               EXPECT_EQ(list1.bottom - list1.top, list0.bottom - list0.top + 60);
               EXPECT_EQ(ListView_GetColumnWidth(list, 2), path0 + 120);
               EXPECT_EQ(ok1.left - ok0.left, 120);
               EXPECT_EQ(ok1.top - ok0.top, 60);
               // The user's selection reaches the model, and OK takes it.
               ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
               EXPECT_EQ(chooser.lvwBackups.selectedRow(), std::optional<std::size_t>(0));
               Click(dialog, IDC_RESTORE_OK);
             });
  EXPECT_TRUE(chooserSeen);
  EXPECT_EQ(backup::SelectedBackupFile, older);

  shell::frmAbout about;
  about.Form_Load();
  bool aboutSeen = false;
  WhileShown([&] { gui::ShowAboutDialog(nullptr, about); },
             [&] {
               const HWND dialog = FindDialog("About - Hivemend v 1.25");
               ASSERT_TRUE(dialog);
               aboutSeen = true;
               EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_ABOUT_PRODUCT)), "Hivemend");
               EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_ABOUT_VERSION)), "Version 1.25");
               EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_ABOUT_URL)), about.lblURL.caption());
               // A colour message is answered with the brush itself.
               const HDC dc = GetDC(dialog);
               EXPECT_EQ(SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                      reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_ABOUT_PRODUCT))),
                         reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
               EXPECT_EQ(SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                      reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_ABOUT_URL))),
                         reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE)));
               ReleaseDC(dialog, dc);
               shots.push_back(Capture(dialog, "about", true));
               SendMessageW(dialog, WM_CLOSE, 0, 0);  // the title bar's close is OK
             });
  EXPECT_TRUE(aboutSeen);
  EXPECT_FALSE(about.form.loaded);

  ASSERT_EQ(shots.size(), 3u);
  for (const auto& shot : shots) EXPECT_GT(shot.colours(), 1u);
  EXPECT_NE(shots[0].pixels, shots[1].pixels);
  EXPECT_NE(shots[1].pixels, shots[2].pixels);
  EXPECT_NE(shots[0].pixels, shots[2].pixels);
}

TEST_F(Dialogs, SplashClosesByItsTimerAndTheInitializingNoticeStaysHidden) {
  shell::frmSplash splash;
  splash.Form_Load();
  Screenshot shot;
  const auto start = std::chrono::steady_clock::now();
  WhileShown([&] { gui::ShowSplash(splash); },
             [&] {
               HWND dialog = nullptr;
               EnumThreadWindows(
                   GetCurrentThreadId(),
                   [](HWND window, LPARAM found) -> BOOL {
                     if (IsWindowVisible(window) && GetDlgItem(window, IDC_SPLASH_LOADING))
                       *reinterpret_cast<HWND*>(found) = window;
                     return TRUE;
                   },
                   reinterpret_cast<LPARAM>(&dialog));
               ASSERT_TRUE(dialog);
               EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_SPLASH_LOADING)), "Loading...");
               shot = Capture(dialog, "splash", true);
             });
  const auto shown = std::chrono::steady_clock::now() - start;
  EXPECT_GE(shown, std::chrono::milliseconds(1900));
  EXPECT_LT(shown, std::chrono::milliseconds(8000));
  EXPECT_FALSE(splash.form.loaded);
  EXPECT_GT(shot.colours(), 1u);

  shell::frmInitailizingDrivers notice;
  notice.Form_Load();
  const HWND window = gui::CreateInitializingWindow(nullptr, notice);
  ASSERT_TRUE(window);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(TextOf(GetDlgItem(window, IDC_INITIALIZING_LABEL)), "initializing drives..Please wait.");
  notice.tmrUnload.enabled = false;  // as the main window does
  DestroyWindow(window);
}

}  // namespace
}  // namespace hm::test
