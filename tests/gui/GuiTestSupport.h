// What the tests of the real windows share: whether windows can be shown at
// all, and screenshots copied from the screen.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/Win32Shell.h"

namespace hm::test {

// Under wine without an X display no window can be shown.
bool NoDisplay();

struct Screenshot {
  std::string name;
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // top-down, 0x00RRGGBB
  std::size_t colours() const { return std::set<std::uint32_t>(pixels.begin(), pixels.end()).size(); }
};

// The text of a list view's cell.
std::string ListText(HWND list, int row, int column);
// Whether a list view's row shows its check box set.
bool ListChecked(HWND list, int row);

// The window as the screen shows it (its whole frame, or only its client
// area), also written to build/windows/gui-screenshots/NAME.bmp. Copied from
// the screen because wine's PrintWindow leaves a dialog's controls out.
Screenshot Capture(HWND window, const std::string& name, bool clientAreaOnly = false);

// The real shell, but never a restart as administrator from a test.
class TestShell : public platform::win32::Win32Shell {
 public:
  TestShell() : Win32Shell(L"Local\\Hivemend.GuiTest") {}
  bool elevated() override { return true; }
  bool restartElevated(const std::string&) override { return false; }
  std::string commandLine() override { return "hivemend.exe"; }
};

// The visible window of this thread that `owner` owns: the dialog shown over it.
HWND DialogOver(HWND owner);

// Runs `step` from a timer once the modal loop started by `open` shows a
// dialog over `owner`; a dialog the step left open is closed, so that the
// test ends.
void WhileModal(HWND owner, const std::function<void()>& open, std::function<void()> step);

}  // namespace hm::test
