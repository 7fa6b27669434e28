// The real main window over a seeded test machine, driven only through
// window messages: a quick scan from its button, the tree read back from the
// list control, repair and restore through their buttons (the registry ends
// as it began), and screenshots of each panel and of the dialogs it opens,
// written to build/windows/gui-screenshots/main-*.bmp.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/JsonWriter.h"
#include "app/ScanJson.h"
#include "app/gui/MainWindow.h"
#include "app/gui/MainWindow.rh"
#include "app/gui/dialogs/DialogIds.h"
#include "common/DoEvents.h"
#include "common/Globals.h"
#include "gui/GuiTestSupport.h"
#include "mainwindow/frmMain.h"
#include "platform/Machine.h"
#include "platform/OpenMachine.h"
#include "platform/Registry.h"
#include "platform/win32/Wide.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/gui/MessagePump.h"
#include "support/RegistrySnapshot.h"
#include "support/SeededMachine.h"

namespace hm::test {
namespace {

void Click(HWND window, int id) { SendMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0); }

HWND g_main = nullptr;

HWND DialogOverMain() { return DialogOver(g_main); }

void WhileModal(const std::function<void()>& open, std::function<void()> step) {
  test::WhileModal(g_main, open, std::move(step));
}

// A real pump whose clock moves a full interval at every look, so every
// DoEvents reaches it: the mid-scan look below happens mid-scan however fast
// the scan runs.
struct EveryCallPump : platform::win32::gui::GuiPump {
  long long now = 0;
  long long milliseconds() override { return now += kPumpIntervalMs; }
};

class MainWindowGui : public ::testing::Test {
 protected:
  void SetUp() override {
    if (NoDisplay()) GTEST_SKIP() << "no display to show windows on";
    AppVersion = "1.25";
    m.machine().pump = &pump;
    m.machine().shell = &shell;
  }
  TestMachine m;
  EveryCallPump pump;
  TestShell shell;
};

TEST_F(MainWindowGui, ScansRepairsAndRestoresThroughTheRealWindow) {
  const auto expected = SeedOneBrokenEntryPerSection(m);
  SeedHealthyEntries(m);
  const RegistrySnapshot before = SnapshotRegistry();
  m.dialogs.defaultAnswer = platform::kIdYes;

  frmMain logic;
  gui::MainWindow main(logic);
  bool ended = false;
  main.onEnd = [&] { ended = true; };
  ASSERT_TRUE(main.open());
  const HWND w = main.window();
  g_main = w;
  ASSERT_TRUE(IsWindowVisible(w));
  platform::win32::gui::PumpPending();
  std::vector<Screenshot> shots{Capture(w, "main-start")};
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(w, IDC_MAIN_TITLE)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(w, IDC_CMDCANCEL)));

  // Mid-scan, from the pump: the scanning panel with its cancel button.
  struct MidScan {
    HWND window;
    gui::MainWindow* main;
    std::vector<Screenshot>* shots;
    bool taken = false, cancelShown = false, menuDisabled = false;
  } mid{w, &main, &shots};
  pump.hookContext = &mid;
  pump.hook = [](void* context) {
    auto& s = *static_cast<MidScan*>(context);
    if (s.taken) return;
    s.main->bindings().flush();  // the coalesced rows, now
    const HWND progress = GetDlgItem(s.window, IDC_LVWRESULTPROGRESS);
    if (SendMessageW(progress, LVM_GETITEMCOUNT, 0, 0) < 3) return;
    s.taken = true;
    s.cancelShown = IsWindowVisible(GetDlgItem(s.window, IDC_CMDCANCEL)) != FALSE;
    s.menuDisabled = (GetMenuState(GetMenu(s.window), IDM_AQUICKSCAN, MF_BYCOMMAND) & MF_GRAYED) != 0;
    s.shots->push_back(Capture(s.window, "main-scanning"));
  };
  Click(w, IDC_CMDQUICKSCAN);
  pump.hook = nullptr;
  main.bindings().flush();
  EXPECT_TRUE(mid.taken);
  EXPECT_TRUE(mid.cancelShown);
  EXPECT_TRUE(mid.menuDisabled);
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(w, IDC_CMDCANCEL)));
  EXPECT_EQ((GetMenuState(GetMenu(w), IDM_AQUICKSCAN, MF_BYCOMMAND) & MF_GRAYED), 0u);

  // One collapsed, checked row per section: "<name> (<n> Problems)" and its threat level.
  const HWND tree = GetDlgItem(w, IDC_VBATVWRESULTS);
  ASSERT_TRUE(IsWindowVisible(tree));
  const int rows = static_cast<int>(SendMessageW(tree, LVM_GETITEMCOUNT, 0, 0));
  EXPECT_EQ(rows, static_cast<int>(expected.size()));
  std::size_t total = 0;
  for (int row = 0; row < rows; ++row) {
    const std::string text = ListText(tree, row, 0);
    const std::string section = text.substr(0, text.find(" ("));
    ASSERT_TRUE(expected.count(section)) << text;
    EXPECT_EQ(text, section + " (" + std::to_string(expected.at(section).size()) + " Problems)");
    const std::string level = ListText(tree, row, 1);
    const bool high = section.rfind("ActiveX", 0) == 0 || section.rfind("Windows Shortcuts", 0) == 0;
    EXPECT_EQ(level, high ? "High" : section == "Help Files" ? "Low" : "Medium") << section;
    EXPECT_TRUE(ListChecked(tree, row)) << section;
    total += expected.at(section).size();
  }
  // Opening the first section (Right on the focused row) shows its problems below it.
  SetFocus(tree);
  LVITEMW focus{};
  focus.stateMask = focus.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(tree, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&focus));
  SendMessageW(tree, WM_KEYDOWN, VK_RIGHT, 0);
  main.bindings().flush();
  const std::string first = ListText(tree, 0, 0);
  const auto firstSection = expected.at(first.substr(0, first.find(" (")));
  EXPECT_EQ(SendMessageW(tree, LVM_GETITEMCOUNT, 0, 0), static_cast<LRESULT>(rows + firstSection.size()));
  EXPECT_EQ(ListText(tree, 1, 0), firstSection.front());
  // Space on a section row unchecks it and its problems; again checks them all.
  SendMessageW(tree, WM_KEYDOWN, VK_SPACE, 0);
  main.bindings().flush();
  EXPECT_FALSE(ListChecked(tree, 0));
  EXPECT_FALSE(ListChecked(tree, 1));
  EXPECT_FALSE(logic.lists.lvwErrors.row(0).checked);
  SendMessageW(tree, WM_KEYDOWN, VK_SPACE, 0);
  main.bindings().flush();
  EXPECT_TRUE(ListChecked(tree, 0));
  EXPECT_TRUE(ListChecked(tree, 1));
  EXPECT_TRUE(logic.lists.lvwErrors.row(0).checked);
  char count[32] = {};
  GetDlgItemTextA(w, IDC_LBLTOTALERRORS, count, sizeof count);
  EXPECT_EQ(std::string(count), std::to_string(total));
  shots.push_back(Capture(w, "main-results"));

  // The selected problem says under the tree, and in its tip, why it was flagged.
  LVITEMW pick{};
  pick.stateMask = pick.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(tree, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&pick));
  main.bindings().flush();
  const auto picked = logic.lists.vbatvwResults.selected();
  ASSERT_TRUE(picked);
  const std::size_t pickedRow = std::stoul(logic.lists.vbatvwResults.node(*picked).key.substr(1)) - 1;
  const std::string why = ProblemWhyText(logic.lists.lvwErrors, pickedRow);
  EXPECT_EQ(why.rfind("Why: ", 0), 0u) << why;
  EXPECT_NE(why.find("\r\nTested: " + std::string(logic.lists.lvwErrors.cell(pickedRow, kTestedPath))),
            std::string::npos);
  char details[1024] = {};
  GetDlgItemTextA(w, IDC_LBLPROBLEMDETAILS, details, sizeof details);
  EXPECT_EQ(std::string(details), why);
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(w, IDC_LBLPROBLEMDETAILS)));
  wchar_t tip[1024] = {};
  NMLVGETINFOTIPW ask{};
  ask.hdr = {tree, static_cast<UINT_PTR>(IDC_VBATVWRESULTS), static_cast<UINT>(LVN_GETINFOTIPW)};
  ask.pszText = tip;
  ask.cchTextMax = 1024;
  ask.iItem = 1;
  SendMessageW(w, WM_NOTIFY, IDC_VBATVWRESULTS, reinterpret_cast<LPARAM>(&ask));
  EXPECT_EQ(std::wstring(tip), platform::win32::wide(ListText(tree, 1, 0) + "\r\n" + why));
  shots.push_back(Capture(w, "main-problem-details"));

  // Repair everything, then restore the set it wrote: the registry is as before.
  Click(w, IDC_CMDREPAIRCORRUPTFILES);
  EXPECT_NE(SnapshotRegistry(), before);
  bool chooserSeen = false;
  WhileModal([&] { Click(w, IDC_CMDRESTORE); },
             [&] {
               const HWND chooser = DialogOverMain();
               ASSERT_TRUE(chooser);
               chooserSeen = true;
               EXPECT_FALSE(IsWindowEnabled(w));  // modal over the main window
               const HWND list = GetDlgItem(chooser, IDC_RESTORE_LIST);
               ASSERT_GE(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 1);
               LVITEMW select{};
               select.stateMask = select.state = LVIS_SELECTED | LVIS_FOCUSED;
               SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&select));
               shots.push_back(Capture(chooser, "main-restore-chooser", true));
               Click(chooser, IDC_RESTORE_OK);
             });
  EXPECT_TRUE(chooserSeen);
  EXPECT_TRUE(IsWindowEnabled(w));
  main.bindings().flush();
  ASSERT_TRUE(IsWindowVisible(GetDlgItem(w, IDC_CMDRESTORENOW)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(w, IDC_CMDREPAIRCORRUPTFILES)));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(w, IDC_IMGLISTOFITEMSINBACKUPFILE)));
  Click(w, IDC_CMDRESTORENOW);
  EXPECT_EQ(SnapshotRegistry(), before);

  // The options dialog from the Settings menu.
  WhileModal([&] { SendMessageW(w, WM_COMMAND, IDM_TOPTIONSANDSETTINGS, 0); },
             [&] {
               const HWND options = DialogOverMain();
               ASSERT_TRUE(options);
               shots.push_back(Capture(options, "main-options", true));
               Click(options, IDC_OPTIONS_CLOSE);
             });

  // A wider window gives the width to the tree.
  RECT treeBefore{}, frame{};
  GetWindowRect(tree, &treeBefore);
  GetWindowRect(w, &frame);
  SetWindowPos(w, nullptr, 0, 0, frame.right - frame.left + 120, frame.bottom - frame.top + 60,
               SWP_NOMOVE | SWP_NOZORDER);
  RECT treeAfter{};
  GetWindowRect(tree, &treeAfter);
  EXPECT_EQ(treeAfter.right - treeAfter.left, treeBefore.right - treeBefore.left + 120);
  EXPECT_EQ(treeAfter.bottom - treeAfter.top, treeBefore.bottom - treeBefore.top + 60);

  // Minimised, the window lives in the tray; a double click on the icon brings it back.
  ShowWindow(w, SW_MINIMIZE);
  EXPECT_FALSE(IsWindowVisible(w));
  SendMessageW(w, gui::kTrayMessage, 1, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_FALSE(IsIconic(w));

  // Closing asks first; No keeps the window.
  m.dialogs.answers = {platform::kIdNo};
  SendMessageW(w, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(w));
  EXPECT_FALSE(ended);

  ASSERT_EQ(shots.size(), 6u);
  for (std::size_t i = 0; i < shots.size(); ++i) {
    EXPECT_GT(shots[i].colours(), 1u) << shots[i].name;
    for (std::size_t j = 0; j < i; ++j) EXPECT_NE(shots[i].pixels, shots[j].pixels) << shots[i].name << shots[j].name;
  }
}

// What `hivemend-cli.exe ARGS` prints on standard output.
std::string RunCli(const std::wstring& args) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  if (!CreatePipe(&read, &write, &inherit, 0)) return {};
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  std::wstring exe = L"Z:" + platform::win32::wide(HM_CLI_EXE);
  std::wstring line = L"\"" + exe + L"\" " + args;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  const BOOL started =
      CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
  CloseHandle(write);
  std::string out;
  if (started) {
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0) out.append(buffer, got);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(read);
  return out;
}

// This prefix's own registry and drives, with a start-up command and a
// shortcut whose targets are gone: a deep scan through the window's button
// finds exactly what the command line's deep scan finds.
TEST(MainWindowLive, DeepScanFindsWhatTheCommandLineFinds) {
  if (NoDisplay()) GTEST_SKIP() << "no display to show windows on";
  std::string error;
  auto opened = platform::OpenMachine({}, error);
  ASSERT_TRUE(opened) << error;
  platform::Machine machine = opened->machine();
  platform::win32::gui::GuiPump pump;
  TestShell shell;
  machine.pump = &pump;
  machine.shell = &shell;
  platform::ScriptedDialogs dialogs;
  machine.dialogs = &dialogs;
  platform::MachineScope scope(machine);

  HKEY run = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, nullptr, 0,
                            KEY_SET_VALUE, nullptr, &run, nullptr),
            ERROR_SUCCESS);
  const std::wstring command = L"C:\\hm-gui-test\\gone.exe /start";
  RegSetValueExW(run, L"HmGuiTestGone", 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                 static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
  const std::wstring link = L"C:\\users\\Public\\hm-gui-test.lnk";
  const std::wstring fixture =
      L"Z:" + platform::win32::wide(std::string(HM_TEST_DATA_DIR) + "/lnk/wine/missing_file.lnk");
  ASSERT_TRUE(CopyFileW(fixture.c_str(), link.c_str(), FALSE));

  frmMain logic;
  gui::MainWindow main(logic);
  main.onEnd = [] {};
  ASSERT_TRUE(main.open());
  Click(main.window(), IDC_CMDDEEPSCAN);
  main.bindings().flush();
  const std::string cli = RunCli(L"scan --deep --json");

  RegDeleteValueW(run, L"HmGuiTestGone");
  RegCloseKey(run);
  DeleteFileW(link.c_str());

  // Both write their records the same way, why each was flagged included.
  cli::JsonWriter window;
  window.beginObject();
  cli::WriteProblemRecords(window, logic.lists.lvwErrors);
  window.endObject();
  const std::size_t at = cli.find("\"problems\":[");
  ASSERT_NE(at, std::string::npos) << cli;
  const std::string fromCli = cli.substr(at, cli.rfind(']') + 1 - at);
  EXPECT_EQ(window.text(), "{" + fromCli + "}");
  EXPECT_NE(window.text().find("hm-gui-test\\\\gone.exe"), std::string::npos);
  EXPECT_NE(window.text().find("hm-gui-test.lnk"), std::string::npos);
  EXPECT_NE(
      window.text().find("\"rule\":\"startup-program-missing\",\"reason\":\"the start-up command's program does not "
                         "exist\",\"testedPath\":\"C:\\\\hm-gui-test\\\\gone.exe\""),
      std::string::npos)
      << window.text();
  EXPECT_NE(window.text().find("\"rule\":\"shortcut-target-missing\""), std::string::npos);
}

}  // namespace
}  // namespace hm::test
