// hivemend.exe: the registry cleaner's window on the computer it runs on.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <memory>
#include <string>

#include "app/gui/MainWindow.h"
#include "app/gui/dialogs/Dialogs.h"
#include "common/ErrorLog.h"
#include "common/Globals.h"
#include "mainwindow/frmMain.h"
#include "platform/Machine.h"
#include "platform/OpenMachine.h"
#include "platform/win32/Wide.h"
#include "platform/win32/gui/MessagePump.h"
#include "shell/StartupWindows.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace hm;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS |
                                                     ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_LINK_CLASS};
  InitCommonControlsEx(&controls);

  std::string error;
  auto opened = platform::OpenMachine(platform::MachineOptions{{}, /*writable=*/true}, error);
  if (!opened) {
    MessageBoxW(nullptr, platform::win32::wide(error).c_str(), platform::win32::wide(kProductName).c_str(),
                MB_OK | MB_ICONERROR);
    return 1;
  }
  // Long work pumps through the window's own path: dialog keys and accelerators work during a scan.
  platform::win32::gui::GuiPump pump;
  platform::Machine& machine = opened->machine();
  machine.pump = &pump;
  platform::MachineScope scope(machine);

  frmMain logic;
  gui::MainWindow window(logic, instance);
  bool shown = false;
  shell::EntryWindows windows;
  windows.showSplashModal = [](shell::frmSplash& splash) { gui::ShowSplash(splash); };
  windows.showMainWindow = [&] { shown = window.open(); };
  if (!shell::RunEntryProcedure(windows) || !shown) return 0;

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) platform::win32::gui::Dispatch(message);
  return static_cast<int>(message.wParam);
}
