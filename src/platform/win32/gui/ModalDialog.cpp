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
  std::unique_ptr<Bindings> bindings;
  HWND window = nullptr;
};

std::vector<Running*>& Stack() {
  static std::vector<Running*> stack;
  return stack;
}

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    if (message == WM_INITDIALOG) {
      auto* run = reinterpret_cast<Running*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
      run->window = window;
      run->bindings = std::make_unique<Bindings>(window);
      // The caption and the shown state come from the form; unloading ends the loop.
      run->bindings->form(run->form, [window] { PostMessageW(window, WM_NULL, 0, 0); });
      if (run->callbacks.init) run->callbacks.init(window, *run->bindings);
      return TRUE;
    }
    auto* run = reinterpret_cast<Running*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (run == nullptr || run->bindings == nullptr) return FALSE;
    LRESULT result = 0;
    if (run->bindings->dispatch(message, wParam, lParam, result) ||
        (run->callbacks.message && run->callbacks.message(window, message, wParam, lParam, result))) {
      SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
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
    LogError("DialogProc");
  }
  return FALSE;
}

}  // namespace

bool RunModalDialog(HINSTANCE instance, int templateId, HWND owner, FormModel& form, DialogCallbacks callbacks) {
  if (instance == nullptr) instance = GetModuleHandleW(nullptr);
  Running run{form, std::move(callbacks), nullptr, nullptr};
  form.loaded = true;
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
  if (IsWindow(window)) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
  }
  run.bindings.reset();
  form.visible = false;
  form.loaded = false;
  return true;
}

HWND CurrentModalDialog() { return Stack().empty() ? nullptr : Stack().back()->window; }

}  // namespace hm::platform::win32::gui
