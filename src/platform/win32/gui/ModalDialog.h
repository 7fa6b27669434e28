// Runs a dialog template modally over its owner: the owner is disabled, the
// dialog's own loop passes keys the dialog way, and the loop ends when the
// dialog's form model is unloaded (or the window goes away). WM_QUIT seen by
// the loop is posted again for the outer loop.
#pragma once

#include <windows.h>

#include <functional>

#include "platform/Controls.h"
#include "platform/win32/gui/Binders.h"

namespace hm::platform::win32::gui {

struct DialogCallbacks {
  // WM_INITDIALOG: bind the models to the controls (the form is bound already).
  std::function<void(HWND, Bindings&)> init;
  // Any message the bindings did not take; true when handled, with `result`.
  std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)> message;
  // Esc or the close box when `message` did not take them; unloads by default.
  std::function<void()> cancel;
};

// False when the template could not be loaded. `instance` null is this program.
bool RunModalDialog(HINSTANCE instance, int templateId, HWND owner, FormModel& form, DialogCallbacks callbacks);

// The window of the innermost running modal dialog, or null (tests read it).
HWND CurrentModalDialog();

}  // namespace hm::platform::win32::gui
