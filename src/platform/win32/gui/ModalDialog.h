// Runs a dialog template tied to its form model. Modal: the owner is
// disabled, the dialog's own loop passes keys the dialog way, and the loop
// ends when the form is unloaded (or the window goes away); WM_QUIT seen by
// the loop is posted again for the outer loop. Modeless: the window lives
// until its form is unloaded or it is destroyed.
#pragma once

#include <windows.h>

#include <functional>

#include "platform/Controls.h"
#include "platform/win32/gui/Binders.h"

namespace hm::platform::win32::gui {

struct DialogCallbacks {
  // WM_INITDIALOG: bind the models to the controls (the form is bound
  // already). False when it set the focus itself.
  std::function<bool(HWND, Bindings&)> init;
  // Any message the bindings did not take; true when handled, with `result`
  // (a brush for WM_CTLCOLOR*, TRUE for WM_DRAWITEM...).
  std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)> message;
  // Esc or the close box when `message` did not take them; unloads by default.
  std::function<void()> cancel;
  // What a failure inside the dialog is logged as.
  const char* failureLabel = "DialogProc";
};

// False when the template could not be loaded. `instance` null is this
// program. A form that is not loaded is not shown.
bool RunModalDialog(HINSTANCE instance, int templateId, HWND owner, FormModel& form, DialogCallbacks callbacks);

// Creates the dialog shown or hidden as its form says; null when the
// template could not be loaded. The window destroys itself when the form
// is unloaded.
HWND CreateModelessDialog(HINSTANCE instance, int templateId, HWND owner, FormModel& form, DialogCallbacks callbacks);

// The window of the innermost running modal dialog, or null (tests read it).
HWND CurrentModalDialog();

// What a dialog procedure returns for a message it handled: most answers go
// through DWLP_MSGRESULT, but a few messages take the procedure's own result.
INT_PTR DialogResult(HWND window, UINT message, LRESULT result);

}  // namespace hm::platform::win32::gui
