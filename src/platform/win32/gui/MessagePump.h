// The one message path of the program: the main loop, the modal loops and the
// pump that long work calls all send a message through Translate(), so Tab,
// access keys, Esc and the accelerators keep working while a scan runs.
#pragma once

#include <windows.h>

#include "platform/System.h"

namespace hm::platform::win32::gui {

// A top-level window whose keyboard is handled the dialog way, and its
// accelerators (may be null). Registering again replaces the accelerators.
void RegisterDialogWindow(HWND window, HACCEL accelerators = nullptr);
void UnregisterDialogWindow(HWND window);

// Accelerators and dialog keys first; true when the message was used up.
bool Translate(MSG& message);
// Translates and dispatches one message.
void Dispatch(MSG& message);

// Runs every pending message. On WM_QUIT it posts it again (so the outer
// loop ends too) and returns false.
bool PumpPending();

// The pump long work calls through DoEvents (which already calls it at most
// every few milliseconds).
class GuiPump : public EventPumpPort {
 public:
  void pump() override;
  long long milliseconds() override;
  // Runs before each pump (a test takes a screenshot mid-scan).
  void (*hook)(void* context) = nullptr;
  void* hookContext = nullptr;
  // True once WM_QUIT was seen: the program is ending.
  bool quitSeen = false;
};

}  // namespace hm::platform::win32::gui
