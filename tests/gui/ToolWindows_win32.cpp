// The tune-up tools' windows opened from the real main window's menus over a
// seeded test machine, driven through control messages; each leaves exactly
// its own traces in the registry and the settings. Screenshots go to
// build/windows/gui-screenshots/tools-*.bmp.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <wininet.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/gui/MainWindow.h"
#include "app/gui/MainWindow.rh"
#include "app/gui/dialogs/DialogIds.h"
#include "common/Globals.h"
#include "gui/GuiTestSupport.h"
#include "mainwindow/frmMain.h"
#include "platform/Registry.h"
#include "platform/Text.h"
#include "platform/win32/Wide.h"
#include "platform/win32/Win32UrlCache.h"
#include "platform/win32/gui/MessagePump.h"
#include "support/RegistrySeed.h"
#include "support/RegistrySnapshot.h"
#include "support/TestMachine.h"
#include "support/WinInetCache_win32.h"
#include "tools/CacheCleaner.h"

namespace hm::test {
namespace {

using platform::win32::narrow;
using platform::win32::wide;
using Value = std::pair<std::uint32_t, std::string>;

constexpr const char* kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kMstcp = "SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP";
constexpr const char* kNetTrans = "SYSTEM\\CurrentControlSet\\Services\\Class\\NetTrans";
const std::string kSettings = "HKCU\\Software\\VB and VBA Program Settings\\Hivemend\\";

std::string Text(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return narrow(text);
}
std::string ItemText(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }
bool Shown(HWND dialog, int id) { return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE; }
bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
bool Checked(HWND dialog, int id) { return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void Click(HWND dialog, int id) { SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0); }
void Menu(HWND window, int id) { SendMessageW(window, WM_COMMAND, static_cast<WPARAM>(id), 0); }
Value Sz(std::string_view text) { return {platform::kRegSz, text::toUtf16Bytes(text, true)}; }

// Every value as "key|name", in lower case (the registry ignores case).
std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}
std::map<std::string, Value> Flat(const RegistrySnapshot& s) {
  std::map<std::string, Value> out;
  for (const auto& [key, values] : s)
    for (const auto& [name, value] : values) out[Lower(key + "|" + name)] = value;
  return out;
}
std::set<std::string> Lower(std::set<std::string> texts) {
  std::set<std::string> out;
  for (const auto& t : texts) out.insert(Lower(t));
  return out;
}

// What changed from `before` to `after`: "+" added, "-" removed, "~" changed, then "KEY|NAME".
std::set<std::string> Changes(const RegistrySnapshot& before, const RegistrySnapshot& after) {
  const auto a = Flat(before), b = Flat(after);
  std::set<std::string> out;
  for (const auto& [k, v] : a) {
    const auto it = b.find(k);
    if (it == b.end())
      out.insert("-" + k);
    else if (it->second != v)
      out.insert("~" + k);
  }
  for (const auto& [k, v] : b)
    if (!a.count(k)) out.insert("+" + k);
  return out;
}

// Lets a newly shown dialog finish drawing before it is captured.
void Settle() {
  for (int i = 0; i < 5; ++i) {
    platform::win32::gui::PumpPending();
    Sleep(40);
  }
}

// The tool tip the window's tooltip control holds for one of its controls.
std::string ToolTipOf(HWND dialog, HWND control) {
  struct Search {
    HWND owner, tip;
  } search{dialog, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(data);
        wchar_t cls[64] = {};
        GetClassNameW(window, cls, 64);
        if (lstrcmpiW(cls, TOOLTIPS_CLASSW) == 0 && GetWindow(window, GW_OWNER) == s.owner) s.tip = window;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  if (search.tip == nullptr) return "<no tooltip control>";
  wchar_t text[128] = {};
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = dialog;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = text;
  SendMessageW(search.tip, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&tool));
  return narrow(text);
}

class ToolWindowsGui : public ::testing::Test {
 protected:
  void SetUp() override {
    if (NoDisplay()) GTEST_SKIP() << "no display to show windows on";
    AppVersion = "1.25";
    m.machine().pump = &pump;
    m.machine().shell = &shell;
    main.onEnd = [this] { ended = true; };
    ASSERT_TRUE(main.open());
    w = main.window();
  }
  TestMachine m;
  platform::win32::gui::GuiPump pump;
  TestShell shell;
  frmMain logic;
  gui::MainWindow main{logic};
  HWND w = nullptr;
  bool ended = false;
};

TEST_F(ToolWindowsGui, StartupProgramsTakesAnEntryOutAndListsItUncheckedAfterwards) {
  // The Tools menu stands in the menu bar; with no problem found there is nothing to export.
  wchar_t caption[32] = {};
  GetMenuStringW(GetMenu(w), 1, caption, 32, MF_BYPOSITION);
  EXPECT_EQ(narrow(caption), "&Tools");
  EXPECT_NE(GetMenuState(GetMenu(w), IDM_TUEXPORTLISTOFPROBLEMS, MF_BYCOMMAND) & MF_GRAYED, 0u);

  SetString(platform::kHkeyLocalMachine, kRun, "x", "\"C:\\Tools\\t.exe\" /min");
  SetString(platform::kHkeyLocalMachine, kRun, "NoDrive", "rundll32 shell32,Control_RunDLL");
  const RegistrySnapshot before = SnapshotRegistry();
  Screenshot shot;
  bool seen = false;
  WhileModal(
      w, [&] { Menu(w, IDM_TUSPEEDUPMYCOMPUTER); },
      [&] {
        const HWND dialog = DialogOver(w);
        ASSERT_TRUE(dialog);
        seen = true;
        EXPECT_FALSE(IsWindowEnabled(w));  // modal over the main window
        EXPECT_EQ(Text(dialog), "Hivemend - Speed up your computer");
        EXPECT_EQ(ItemText(dialog, IDC_BOOTING_TITLE), "Speed Up Your Computer ");
        EXPECT_EQ(ItemText(dialog, IDC_BOOTING_COMMENTS).rfind("To stop any of these files", 0), 0u);
        EXPECT_EQ(ToolTipOf(dialog, GetDlgItem(dialog, IDC_BOOTING_DONE)), "Close this window");
        const HWND list = GetDlgItem(dialog, IDC_BOOTING_LIST);
        ASSERT_EQ(ListView_GetItemCount(list), 1);  // the command without a drive path is not listed
        EXPECT_EQ(ListText(list, 0, 0), "C:\\Tools\\t.exe");
        EXPECT_TRUE(ListChecked(list, 0));
        Settle();
        shot = Capture(dialog, "tools-startup-programs", true);
        // Space on the focused row clears its box; Done applies it and closes.
        SetFocus(list);
        ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        SendMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
        EXPECT_FALSE(ListChecked(list, 0));
        Click(dialog, IDC_BOOTING_DONE);
      });
  ASSERT_TRUE(seen);
  EXPECT_TRUE(IsWindowEnabled(w));
  EXPECT_GT(shot.colours(), 10u);

  // Exactly: the value left the Run key, and its kept copy (as it was) is in the settings.
  const RegistrySnapshot after = SnapshotRegistry();
  const std::string live = std::string("HKLM\\") + kRun + "|x", kept = kSettings + "Run|x";
  EXPECT_EQ(Changes(before, after), Lower({"-" + live, "+" + kept}));
  EXPECT_EQ(Flat(after).at(Lower(kept)), Flat(before).at(Lower(live)));

  // Reopened from the hidden File menu's item: listed again, unchecked; Esc changes nothing.
  seen = false;
  WhileModal(
      w, [&] { Menu(w, IDM_FILESPEEDUPMYCOMPUTER); },
      [&] {
        const HWND dialog = DialogOver(w);
        ASSERT_TRUE(dialog);
        seen = true;
        const HWND list = GetDlgItem(dialog, IDC_BOOTING_LIST);
        ASSERT_EQ(ListView_GetItemCount(list), 1);
        EXPECT_EQ(ListText(list, 0, 0), "C:\\Tools\\t.exe");
        EXPECT_FALSE(ListChecked(list, 0));
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
      });
  EXPECT_TRUE(seen);
  EXPECT_EQ(SnapshotRegistry(), after);
  EXPECT_FALSE(ended);
  EXPECT_EQ(m.errorLogEntries(), 0) << m.errorLog();
}

// Read from the pump while the progress animation runs.
struct MidProgress {
  HWND dialog = nullptr;
  bool taken = false, closeHidden = false, optimizeDisabled = false;
  int percent = -1;
  Screenshot shot;
  RECT bar{};  // in the screenshot's coordinates
};

void WatchProgress(void* context) {
  auto& s = *static_cast<MidProgress*>(context);
  if (s.taken || s.dialog == nullptr || !Shown(s.dialog, IDC_SPEED_PROGRESS)) return;
  const std::string label = ItemText(s.dialog, IDC_SPEED_PERCENT);
  const int percent = label.empty() ? 0 : std::atoi(label.c_str());
  if (percent < 40 || percent > 70) return;
  s.taken = true;
  s.percent = percent;
  s.closeHidden = !Shown(s.dialog, IDC_SPEED_CLOSE);
  s.optimizeDisabled = !Enabled(s.dialog, IDC_SPEED_OPTIMIZE);
  s.shot = Capture(s.dialog, "tools-internet-progress", true);
  GetWindowRect(GetDlgItem(s.dialog, IDC_SPEED_PROGRESS), &s.bar);
  MapWindowPoints(nullptr, s.dialog, reinterpret_cast<POINT*>(&s.bar), 2);
}

TEST_F(ToolWindowsGui, InternetTuningWritesTheTableAndSetToDefaultGivesBackTheEarlierValues) {
  SetDword(platform::kHkeyLocalMachine, kMstcp, "DefaultRcvWindow", 4096);
  SetString(platform::kHkeyLocalMachine, kMstcp, "DefaultTTL", "64");
  const RegistrySnapshot before = SnapshotRegistry();
  RegistrySnapshot optimized;
  MidProgress mid;
  Screenshot shot;
  bool seen = false;
  WhileModal(
      w, [&] { Menu(w, IDM_TUSPEEDUPMYINTERNET); },
      [&] {
        const HWND dialog = DialogOver(w);
        ASSERT_TRUE(dialog);
        seen = true;
        EXPECT_EQ(Text(dialog), "Hivemend - Speed up your internet.");
        EXPECT_EQ(ItemText(dialog, IDC_SPEED_GROUP), "Optimize windows for your connection");
        EXPECT_EQ(ItemText(dialog, IDC_SPEED_MESSAGE),
                  "Clearing your cache will increase your overall internet speed.");
        EXPECT_TRUE(Checked(dialog, IDC_SPEED_DIALUP));  // first use
        EXPECT_FALSE(Shown(dialog, IDC_SPEED_PROGRESS));
        EXPECT_TRUE(Enabled(dialog, IDC_SPEED_CLEAR_CACHE));

        Click(dialog, IDC_SPEED_DSL);
        EXPECT_TRUE(Checked(dialog, IDC_SPEED_DSL));
        EXPECT_FALSE(Checked(dialog, IDC_SPEED_DIALUP));
        Settle();
        shot = Capture(dialog, "tools-internet", true);
        mid.dialog = dialog;
        pump.hookContext = &mid;
        pump.hook = WatchProgress;
        Click(dialog, IDC_SPEED_OPTIMIZE);
        pump.hook = nullptr;
        optimized = SnapshotRegistry();
        // After the message: the area hidden again, every command back, the choice kept.
        EXPECT_TRUE(Checked(dialog, IDC_SPEED_DSL));
        EXPECT_FALSE(Checked(dialog, IDC_SPEED_DIALUP));
        EXPECT_FALSE(Shown(dialog, IDC_SPEED_PROGRESS));
        EXPECT_TRUE(Shown(dialog, IDC_SPEED_CLOSE));
        EXPECT_TRUE(Enabled(dialog, IDC_SPEED_OPTIMIZE));
        EXPECT_EQ(ItemText(dialog, IDC_SPEED_PERCENT), "100%");
        Click(dialog, IDC_SPEED_DEFAULT);
        Click(dialog, IDC_SPEED_CLOSE);
      });
  ASSERT_TRUE(seen);
  EXPECT_GT(shot.colours(), 10u);

  // Mid-way: Close hidden, Optimize disabled, and the box filled from the left in the fill colour.
  ASSERT_TRUE(mid.taken);
  EXPECT_TRUE(mid.closeHidden);
  EXPECT_TRUE(mid.optimizeDisabled);
  const int y = (mid.bar.top + mid.bar.bottom) / 2;
  const auto pixel = [&](int x) { return mid.shot.pixels.at(static_cast<std::size_t>(y * mid.shot.width + x)); };
  constexpr std::uint32_t kBlue = 0x0000FF, kYellow = 0xFFFF00;
  EXPECT_EQ(pixel(mid.bar.left + 3), kBlue);
  EXPECT_EQ(pixel(mid.bar.right - 4), kYellow);
  int blue = 0;
  for (int x = mid.bar.left + 2; x < mid.bar.right - 2; ++x) blue += pixel(x) == kBlue ? 1 : 0;
  const double filled = static_cast<double>(blue) / (mid.bar.right - mid.bar.left - 4);
  EXPECT_NEAR(filled, mid.percent / 100.0, 0.2) << mid.percent << "%";

  // Optimize: the broadband values as text, the remembered option, the time and the record to undo it.
  const auto o = Flat(optimized);
  const std::string mstcp = std::string("HKLM\\") + kMstcp + "|", netTrans = std::string("HKLM\\") + kNetTrans + "|";
  EXPECT_EQ(o.at(Lower(mstcp + "DefaultRcvWindow")), Sz("372300"));
  EXPECT_EQ(o.at(Lower(mstcp + "DefaultTTL")), Sz("128"));
  EXPECT_EQ(o.at(Lower(netTrans + "MaxMSS")), Sz("1460"));
  EXPECT_EQ(o.at(Lower(netTrans + "MaxMTU")), Sz("1500"));
  // Loading selects the first-use choice, which stores it like a click; the click on DSL stores DSL.
  const std::string dialUp = kSettings + "frmSpeedIntenetConnection|DialUpInternetAccess",
                    dsl = kSettings + "frmSpeedIntenetConnection|DSL";
  EXPECT_EQ(o.at(Lower(dialUp)), Sz("True"));
  EXPECT_EQ(o.at(Lower(dsl)), Sz("True"));
  const std::string undo = kSettings + "OptimizationUndo|";
  EXPECT_EQ(Changes(before, optimized),
            Lower({"~" + mstcp + "DefaultRcvWindow", "~" + mstcp + "DefaultTTL", "+" + netTrans + "MaxMSS",
                   "+" + netTrans + "MaxMTU", "+" + kSettings + "Optimization|LastTime",
                   "+" + undo + kMstcp + "\\DefaultRcvWindow", "+" + undo + kMstcp + "\\DefaultTTL",
                   "+" + undo + kNetTrans + "\\MaxMSS", "+" + undo + kNetTrans + "\\MaxMTU", "+" + dialUp, "+" + dsl,
                   "+" + kSettings + "OptimizationUndoKeys|SYSTEM\\CurrentControlSet\\Services\\Class",
                   "+" + kSettings + "OptimizationUndoKeys|" + kNetTrans}));
  // Set To Default: the earlier values and absences are back, and the keys Optimize created are gone; only
  // the choices and the time stay.
  const RegistrySnapshot restored = SnapshotRegistry();
  EXPECT_EQ(Changes(before, restored), Lower({"+" + kSettings + "Optimization|LastTime", "+" + dialUp, "+" + dsl}));
  for (const auto& [key, values] : restored) EXPECT_EQ(Lower(key).find("services\\class"), std::string::npos) << key;
  EXPECT_EQ(m.dialogs.shown.size(), 2u);  // the two messages, nothing else

  // From "Clear Browser Cache...": the remembered choice, and the focus on the cache's button.
  seen = false;
  WhileModal(
      w, [&] { Menu(w, IDM_TUCLEARBROWSERCACHE); },
      [&] {
        const HWND dialog = DialogOver(w);
        ASSERT_TRUE(dialog);
        seen = true;
        EXPECT_TRUE(Checked(dialog, IDC_SPEED_DSL));
        EXPECT_FALSE(Checked(dialog, IDC_SPEED_DIALUP));
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_SPEED_CLEAR_CACHE));
        SendMessageW(dialog, WM_CLOSE, 0, 0);
      });
  EXPECT_TRUE(seen);
  EXPECT_EQ(m.errorLogEntries(), 0) << m.errorLog();
  EXPECT_FALSE(ended);
}

// Removes the keep-list the test wrote beside the program, however the test ends.
struct KeepListFile {
  std::filesystem::path path;
  KeepListFile(const std::string& at, const std::string& content) : path(wide(at)) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
  }
  ~KeepListFile() {
    std::error_code ec;
    std::filesystem::remove(path, ec);
  }
};

TEST_F(ToolWindowsGui, ClearCacheEmptiesTheRealCacheButTheKeptCookieAndStaysDisabledUntilReopened) {
  platform::win32::Win32UrlCache cache;
  m.machine().urlCache = &cache;
  const std::wstring pageA = CachePage(L"http://hm-gui-cache.example/a.html"),
                     pageB = CachePage(L"http://hm-gui-cache.example/b.html");
  ASSERT_FALSE(pageA.empty());
  ASSERT_FALSE(pageB.empty());
  const std::wstring lasting = L"; expires=Fri, 01 Jan 2038 00:00:00 GMT";
  ASSERT_TRUE(InternetSetCookieW(L"http://www.hm-gui-keep.example/", L"k", (L"v" + lasting).c_str()));
  ASSERT_TRUE(InternetSetCookieW(L"http://hm-gui-drop.example/", L"d", (L"w" + lasting).c_str()));
  const std::vector<std::string> before = CachedUrls();
  const auto keep = std::find_if(before.begin(), before.end(),
                                 [](const std::string& u) { return u.find("@www.hm-gui-keep.example") != u.npos; });
  ASSERT_NE(keep, before.end());
  const std::string kept = *keep;
  // Names the cookie by its file, in the program folder the cleaner looks in (the test machine's).
  const KeepListFile keepList(tools::KeepListPath(), "C:\\Cookies\\" + tools::CookieName(kept) + "[1].txt\r\n");

  const RegistrySnapshot registryBefore = SnapshotRegistry();
  bool seen = false, atMessage = false;
  Screenshot shot;
  WhileModal(
      w, [&] { Menu(w, IDM_TUCLEARBROWSERCACHE); },
      [&] {
        const HWND dialog = DialogOver(w);
        ASSERT_TRUE(dialog);
        seen = true;
        m.dialogs.onShow = [&](const platform::ScriptedDialogs::Shown&) {
          // The message follows the whole animation, with the commands still held back.
          // While a real message box is up its loop runs the window's pending refresh.
          Settle();
          atMessage = ItemText(dialog, IDC_SPEED_PERCENT) == "100%" && !Shown(dialog, IDC_SPEED_CLOSE) &&
                      !Enabled(dialog, IDC_SPEED_CLEAR_CACHE) && !Enabled(dialog, IDC_SPEED_OPTIMIZE);
        };
        Click(dialog, IDC_SPEED_CLEAR_CACHE);
        m.dialogs.onShow = nullptr;
        EXPECT_FALSE(Enabled(dialog, IDC_SPEED_CLEAR_CACHE));
        EXPECT_TRUE(Enabled(dialog, IDC_SPEED_OPTIMIZE));
        EXPECT_TRUE(Enabled(dialog, IDC_SPEED_DEFAULT));
        EXPECT_TRUE(Shown(dialog, IDC_SPEED_CLOSE));
        EXPECT_FALSE(Shown(dialog, IDC_SPEED_PROGRESS));
        Settle();
        shot = Capture(dialog, "tools-internet-cache-cleared", true);
        Click(dialog, IDC_SPEED_CLOSE);
      });
  ASSERT_TRUE(seen);
  EXPECT_TRUE(atMessage);
  EXPECT_GT(shot.colours(), 10u);

  EXPECT_EQ(CachedUrls(), std::vector<std::string>{kept});
  EXPECT_EQ(GetFileAttributesW(pageA.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW(pageB.c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_EQ(m.dialogs.shown.size(), 1u);
  EXPECT_EQ(m.dialogs.shown[0].text, "All Cache Files have been cleared sucessfully.\r\nDeleted: " +
                                         std::to_string(before.size() - 1) + ". Kept: 1.");
  EXPECT_EQ(m.dialogs.shown[0].title, "Hivemend");
  EXPECT_EQ(m.dialogs.shown[0].flags & 0xF0u, static_cast<unsigned>(platform::kMbIconInformation));
  // The cleaning writes nothing; opening the dialog stores the first-use choice, as a click would.
  EXPECT_EQ(Changes(registryBefore, SnapshotRegistry()),
            Lower(std::set<std::string>{"+" + kSettings + "frmSpeedIntenetConnection|DialUpInternetAccess"}));

  // Opened again, the command is back.
  seen = false;
  WhileModal(
      w, [&] { Menu(w, IDM_TUCLEARBROWSERCACHE); },
      [&] {
        const HWND dialog = DialogOver(w);
        ASSERT_TRUE(dialog);
        seen = true;
        EXPECT_TRUE(Enabled(dialog, IDC_SPEED_CLEAR_CACHE));
        Click(dialog, IDC_SPEED_CLOSE);
      });
  EXPECT_TRUE(seen);
  EXPECT_TRUE(DeleteUrlCacheEntryW(wide(kept).c_str()));
  EXPECT_EQ(m.errorLogEntries(), 0) << m.errorLog();
  EXPECT_FALSE(ended);
}

}  // namespace
}  // namespace hm::test
