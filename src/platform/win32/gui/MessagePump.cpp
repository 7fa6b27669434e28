#include "platform/win32/gui/MessagePump.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace hm::platform::win32::gui {
namespace {
std::vector<std::pair<HWND, HACCEL>>& Dialogs() {
  static std::vector<std::pair<HWND, HACCEL>> dialogs;
  return dialogs;
}
}  // namespace

void RegisterDialogWindow(HWND window, HACCEL accelerators) {
  auto& all = Dialogs();
  for (auto& entry : all) {
    if (entry.first == window) {
      entry.second = accelerators;
      return;
    }
  }
  all.emplace_back(window, accelerators);
}

void UnregisterDialogWindow(HWND window) {
  auto& all = Dialogs();
  all.erase(std::remove_if(all.begin(), all.end(), [window](const auto& e) { return e.first == window; }), all.end());
}

bool Translate(MSG& message) {
  if (message.hwnd == nullptr) return false;
  HWND root = GetAncestor(message.hwnd, GA_ROOT);
  for (const auto& [window, accelerators] : Dialogs()) {
    if (window != root) continue;
    // A disabled window (under a modal dialog) takes no keys.
    if (!IsWindowEnabled(window)) return false;
    if (accelerators != nullptr && TranslateAcceleratorW(window, accelerators, &message) != 0) return true;
    return IsDialogMessageW(window, &message) != FALSE;
  }
  return false;
}

void Dispatch(MSG& message) {
  if (Translate(message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

bool PumpPending() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return false;
    }
    Dispatch(message);
  }
  return true;
}

void GuiPump::pump() {
  if (hook != nullptr) hook(hookContext);
  if (!PumpPending()) quitSeen = true;
}

long long GuiPump::milliseconds() { return static_cast<long long>(GetTickCount64()); }

}  // namespace hm::platform::win32::gui
