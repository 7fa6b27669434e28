// The options dialog's window.
#include "DialogIds.h"
#include "Dialogs.h"
#include "platform/win32/gui/ModalDialog.h"

namespace hm::gui {

using namespace platform::win32::gui;

void ShowOptionsDialog(HWND owner, shell::frmOptionsAndSettings& logic) {
  DialogCallbacks callbacks;
  callbacks.failureLabel = "DialogProc of frmOptionsAndSettings";
  callbacks.init = [&logic](HWND, Bindings& b) {
    b.checkBox(IDC_OPTIONS_TRAY, logic.chkMinimizeToSysTray);
    b.checkBox(IDC_OPTIONS_STARTUP, logic.chkRunAtStartup);
    b.checkBox(IDC_OPTIONS_BACKUP, logic.chkTakeBackup);
    b.button(IDC_OPTIONS_APPLY, logic.cmdApply);
    b.button(IDC_OPTIONS_CLOSE, logic.cmdCancel);
    b.listView(IDC_OPTIONS_KEPT_LIST, logic.lvwKeptEntries, {290, 130});
    b.button(IDC_OPTIONS_STOP_KEEPING, logic.cmdStopKeeping);
    return true;
  };
  // Esc and the title bar's close do what Close does.
  callbacks.cancel = [&logic] {
    if (logic.cmdCancel.Click)
      logic.cmdCancel.Click();
    else
      logic.form.unload();
  };
  RunModalDialog(nullptr, IDD_OPTIONS, owner, logic.form, std::move(callbacks));
}

}  // namespace hm::gui
