// The backup chooser's window: the list of sets follows the model, the
// user's selection goes back to it, and the window resizes.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include "DialogIds.h"
#include "Dialogs.h"
#include "platform/win32/gui/ModalDialog.h"

namespace hm::gui {

using backup::frmRestore;
using namespace platform::win32::gui;

namespace {

// Keeps the list and the buttons in place as the window is resized.
class ChooserLayout {
 public:
  void remember(HWND dialog) {
    dialog_ = dialog;
    list_ = GetDlgItem(dialog, IDC_RESTORE_LIST);
    RECT frame{}, client{};
    GetWindowRect(dialog, &frame);
    minimum_ = {frame.right - frame.left, frame.bottom - frame.top};
    GetClientRect(dialog, &client);
    const RECT list = childRect(IDC_RESTORE_LIST), ok = childRect(IDC_RESTORE_OK),
               cancel = childRect(IDC_RESTORE_CANCEL);
    listRight_ = client.right - list.right;
    listBottom_ = client.bottom - list.bottom;
    buttonsBottom_ = client.bottom - ok.top;
    okRight_ = client.right - ok.left;
    cancelRight_ = client.right - cancel.left;
  }

  // The path takes what the name and the date leave.
  void fitPathColumn() const {
    RECT client{};
    GetClientRect(list_, &client);
    const int rest = client.right - ListView_GetColumnWidth(list_, frmRestore::kBackupName) -
                     ListView_GetColumnWidth(list_, frmRestore::kBackupDate) - GetSystemMetrics(SM_CXVSCROLL);
    RECT least{80, 0, 0, 0};
    MapDialogRect(dialog_, &least);
    ListView_SetColumnWidth(list_, frmRestore::kBackupPath, rest > least.left ? rest : least.left);
  }

  bool message(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) const {
    if (message == WM_SIZE && wParam != SIZE_MINIMIZED && list_) layout(LOWORD(lParam), HIWORD(lParam));
    if (message == WM_GETMINMAXINFO && minimum_.cx > 0) {
      reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {minimum_.cx, minimum_.cy};
      result = 0;
      return true;
    }
    return false;
  }

 private:
  HWND dialog_ = nullptr, list_ = nullptr;
  SIZE minimum_{};
  // Distances kept on resizing: the list's right and bottom margins, the buttons' from the bottom right.
  int listRight_ = 0, listBottom_ = 0, buttonsBottom_ = 0, okRight_ = 0, cancelRight_ = 0;

  // A control's rectangle in the dialog's client coordinates.
  RECT childRect(int id) const {
    RECT r{};
    GetWindowRect(GetDlgItem(dialog_, id), &r);
    MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }

  void layout(int width, int height) const {
    const auto move = [this](int id, int x, int y, int w, int h) {
      SetWindowPos(GetDlgItem(dialog_, id), nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    const RECT list = childRect(IDC_RESTORE_LIST), select = childRect(IDC_RESTORE_SELECT),
               del = childRect(IDC_RESTORE_DELETE), ok = childRect(IDC_RESTORE_OK);
    const int buttonHeight = ok.bottom - ok.top, buttonWidth = ok.right - ok.left;
    const int buttonsTop = height - buttonsBottom_;
    move(IDC_RESTORE_SELECT, select.left, select.top, width - listRight_ - select.left, select.bottom - select.top);
    move(IDC_RESTORE_LIST, list.left, list.top, width - listRight_ - list.left, height - listBottom_ - list.top);
    move(IDC_RESTORE_DELETE, del.left, buttonsTop, del.right - del.left, buttonHeight);
    move(IDC_RESTORE_OK, width - okRight_, buttonsTop, buttonWidth, buttonHeight);
    move(IDC_RESTORE_CANCEL, width - cancelRight_, buttonsTop, buttonWidth, buttonHeight);
    fitPathColumn();
    InvalidateRect(dialog_, nullptr, TRUE);
  }
};

}  // namespace

void ShowRestoreChooser(HWND owner, frmRestore& logic) {
  ChooserLayout layout;
  DialogCallbacks callbacks;
  callbacks.failureLabel = "DialogProc of frmRestore";
  callbacks.init = [&logic, &layout](HWND dialog, Bindings& b) {
    // Name and date get fixed widths, the path what is left, the sort key none.
    RECT widths{90, 112, 0, 0};
    MapDialogRect(dialog, &widths);
    b.listView(IDC_RESTORE_LIST, logic.lvwBackups, {widths.left, widths.top, 0, 0});
    layout.remember(dialog);
    layout.fitPathColumn();
    b.label(IDC_RESTORE_SELECT, logic.lblSelect);
    b.button(IDC_RESTORE_DELETE, logic.cmdDeleteBackup);
    b.button(IDC_RESTORE_OK, logic.cmdOK);
    b.button(IDC_RESTORE_CANCEL, logic.cmdCancel);
    SetFocus(b.item(IDC_RESTORE_LIST));
    return false;
  };
  callbacks.message = [&logic, &layout](HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_NOTIFY) {
      // A double click on a set takes it.
      const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
      if (header.hwndFrom == GetDlgItem(dialog, IDC_RESTORE_LIST) && header.code == NM_DBLCLK &&
          reinterpret_cast<const NMITEMACTIVATE&>(header).iItem >= 0) {
        logic.cmdOK.click();
        result = 0;
        return true;
      }
      return false;
    }
    return layout.message(message, wParam, lParam, result);
  };
  // Esc and the title bar's close cancel.
  callbacks.cancel = [&logic] { logic.cmdCancel_Click(); };
  RunModalDialog(nullptr, IDD_RESTORE, owner, logic.form, std::move(callbacks));
}

}  // namespace hm::gui
