#include "platform/win32/gui/ModalDialog.h"

#include <memory>
#include <vector>

#include "common/ErrorLog.h"
#include "platform/win32/gui/MessagePump.h"

namespace hm::platform::win32::gui {
namespace {

struct Running {
  FormModel& form;
  DialogCallbacks callbacks;
  bool modeless = false;
  std::unique_ptr<Bindings> bindings;
  HWND window = nullptr;
  bool* gone = nullptr;  // set while a modeless window is being created
};

std::vector<Running*>& Stack() {
  static std::vector<Running*> stack;
  return stack;
}

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* run = reinterpret_cast<Running*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_INITDIALOG) run = reinterpret_cast<Running*>(lParam);
  if (run == nullptr) return FALSE;
  try {
    if (message == WM_INITDIALOG) {
      SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
      run->window = window;
      run->bindings = std::make_unique<Bindings>(window, run->callbacks.failureLabel);
      // The caption and the shown state come from the form. Unloading ends a
      // modal loop, or closes a modeless window (never from inside a handler).
      const bool modeless = run->modeless;
      run->bindings->form(run->form, [window, modeless] { PostMessageW(window, modeless ? WM_CLOSE : WM_NULL, 0, 0); });
      const bool defaultFocus = run->callbacks.init ? run->callbacks.init(window, *run->bindings) : true;
      return defaultFocus ? TRUE : FALSE;
    }
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      run->bindings.reset();
      if (run->modeless) {
        if (run->gone) *run->gone = true;
        delete run;
      }
      return FALSE;
    }
    if (run->bindings == nullptr) return FALSE;
    LRESULT result = 0;
    if (run->bindings->dispatch(message, wParam, lParam, result) ||
        (run->callbacks.message && run->callbacks.message(window, message, wParam, lParam, result)))
      return DialogResult(window, message, result);
    if (message == WM_CLOSE && run->modeless && !run->form.loaded) {
      DestroyWindow(window);
      return TRUE;
    }
    if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)) {
      if (run->callbacks.cancel)
        run->callbacks.cancel();
      else
        run->form.unload();
      return TRUE;
    }
  } catch (...) {
    LogError(run->callbacks.failureLabel);
  }
  return FALSE;
}

}  // namespace

INT_PTR DialogResult(HWND window, UINT message, LRESULT result) {
  switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
      return static_cast<INT_PTR>(result);
    default:
      SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
      return TRUE;
  }
}

bool RunModalDialog(HINSTANCE instance, int templateId, HWND owner, FormModel& form, DialogCallbacks callbacks) {
  if (!form.loaded) return true;
  if (instance == nullptr) instance = GetModuleHandleW(nullptr);
  Running run{form, std::move(callbacks), false, nullptr, nullptr, nullptr};
  HWND window =
      CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), owner, &DialogProc, reinterpret_cast<LPARAM>(&run));
  if (window == nullptr) return false;
  Stack().push_back(&run);
  RegisterDialogWindow(window);
  const bool ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  if (form.loaded && !(GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE)) {
    form.visible = true;
    ShowWindow(window, SW_SHOW);
  }
  if (form.loaded) SetForegroundWindow(window);
  MSG message;
  while (form.loaded && IsWindow(window)) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (got < 0) break;
    Dispatch(message);
  }
  // The owner comes back before the dialog goes, so it is activated again.
  if (ownerWasEnabled) EnableWindow(owner, TRUE);
  UnregisterDialogWindow(window);
  Stack().pop_back();
  if (IsWindow(window)) DestroyWindow(window);
  form.visible = false;
  form.loaded = false;
  return true;
}

HWND CreateModelessDialog(HINSTANCE instance, int templateId, HWND owner, FormModel& form, DialogCallbacks callbacks) {
  if (instance == nullptr) instance = GetModuleHandleW(nullptr);
  // The window owns its state and deletes it when it goes, even while it is being created.
  auto* run = new Running{form, std::move(callbacks), true, nullptr, nullptr, nullptr};
  bool gone = false;
  run->gone = &gone;
  HWND window =
      CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), owner, &DialogProc, reinterpret_cast<LPARAM>(run));
  if (gone) return nullptr;
  run->gone = nullptr;
  if (window == nullptr) delete run;  // no window ever took it
  return window;
}

HWND CurrentModalDialog() { return Stack().empty() ? nullptr : Stack().back()->window; }

}  // namespace hm::platform::win32::gui
