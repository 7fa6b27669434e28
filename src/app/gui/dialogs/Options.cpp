// The options dialog's window.
#include "DialogIds.h"
#include "DialogSupport.h"
#include "Dialogs.h"

namespace hm::gui {
namespace {

class OptionsDialog : public detail::Dialog {
 public:
  explicit OptionsDialog(shell::frmOptionsAndSettings& logic)
      : Dialog(logic.form, "DialogProc of frmOptionsAndSettings"), logic_(logic) {}

 private:
  shell::frmOptionsAndSettings& logic_;

  bool init() override {
    bindCaption();
    bindCheckBox(IDC_OPTIONS_TRAY, logic_.chkMinimizeToSysTray);
    bindCheckBox(IDC_OPTIONS_STARTUP, logic_.chkRunAtStartup);
    bindCheckBox(IDC_OPTIONS_BACKUP, logic_.chkTakeBackup);
    bindButton(IDC_OPTIONS_APPLY, logic_.cmdApply);
    bindButton(IDC_OPTIONS_CLOSE, logic_.cmdCancel);
    // Esc and the title bar's close do what Close does.
    onCommand(IDCANCEL, [this] {
      if (logic_.cmdCancel.Click)
        logic_.cmdCancel.Click();
      else
        logic_.form.unload();
    });
    return true;
  }
};

}  // namespace

void ShowOptionsDialog(HWND owner, shell::frmOptionsAndSettings& form) {
  OptionsDialog dialog(form);
  detail::RunModal(IDD_OPTIONS, owner, dialog);
}

}  // namespace hm::gui
