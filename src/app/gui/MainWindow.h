// The main window as a real window: the dialog template IDD_MAIN, frmMain's
// models bound to its controls, its hooks showing the other dialogs, the
// tray icon, anchored resizing and per-monitor DPI.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "mainwindow/frmMain.h"
#include "platform/win32/gui/Binders.h"

namespace hm::gui {

// Tray icon notifications reach the window as this message.
inline constexpr UINT kTrayMessage = WM_APP + 1;

class MainWindow {
 public:
  explicit MainWindow(frmMain& logic, HINSTANCE instance = nullptr);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window (hidden), binds it and runs Form_Load; shows it
  // unless loading sent it to the tray. False when it could not be created.
  bool open();
  HWND window() const;
  platform::win32::gui::Bindings& bindings();

  // What ending the program does (the hook endProgram): by default the
  // window goes and WM_QUIT ends the message loop. Tests replace it.
  std::function<void()> onEnd;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace hm::gui
