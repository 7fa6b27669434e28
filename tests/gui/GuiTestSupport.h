// What the tests of the real windows share: whether windows can be shown at
// all, and screenshots copied from the screen.
#pragma once

#include <windows.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

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

// The window as the screen shows it (its whole frame, or only its client
// area), also written to build/windows/gui-screenshots/NAME.bmp. Copied from
// the screen because wine's PrintWindow leaves a dialog's controls out.
Screenshot Capture(HWND window, const std::string& name, bool clientAreaOnly = false);

}  // namespace hm::test
