// The start-up programs manager's window: the header picture with the title
// on it, and the list of programs with a check box and one text each.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include "DialogIds.h"
#include "Dialogs.h"
#include "Painting.h"
#include "platform/win32/gui/ModalDialog.h"

namespace hm::gui {

using namespace platform::win32::gui;

namespace {

struct BootingLook {
  paint::ScopedBitmap header;
  paint::ScopedFont title;

  bool message(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_DRAWITEM) {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlID != IDC_BOOTING_HEADER) return false;
      paint::DrawPictureCovering(item->hDC, item->rcItem, header.get());
      result = TRUE;
      return true;
    }
    if (message == WM_CTLCOLORSTATIC && GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == IDC_BOOTING_TITLE) {
      // White on the header picture.
      const auto dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, RGB(255, 255, 255));
      SetBkMode(dc, TRANSPARENT);
      result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
      return true;
    }
    return false;
  }
};

// One column as wide as the list, so a long command is cut only at the edge.
void AddTheOneColumn(HWND list) {
  RECT client{};
  GetClientRect(list, &client);
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH;
  column.cx = client.right - GetSystemMetrics(SM_CXVSCROLL);
  ListView_InsertColumn(list, 0, &column);
}

}  // namespace

void ShowBootingSpeedDialog(HWND owner, tools::frmBootingSpeed& logic) {
  BootingLook look;
  DialogCallbacks callbacks;
  callbacks.failureLabel = "DialogProc of frmBootingSpeed";
  callbacks.init = [&logic, &look](HWND dialog, Bindings& b) {
    look.header = paint::LoadPicture(IDB_ABOUT_HEADER);
    look.title = paint::MakeFont(dialog, 14, true, false);
    SendDlgItemMessageW(dialog, IDC_BOOTING_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(look.title.get()), FALSE);
    b.label(IDC_BOOTING_TITLE, logic.lblSpeedUpComputer);
    b.label(IDC_BOOTING_COMMENTS, logic.lblComments);
    // The list model has no column headers: the window gives it its one column.
    AddTheOneColumn(GetDlgItem(dialog, IDC_BOOTING_LIST));
    b.listView(IDC_BOOTING_LIST, logic.lvwWindowsStartupFiles, {}, true);
    b.panel(logic.PicSpeedUpYourComputer, {IDC_BOOTING_HEADER});
    b.button(IDC_BOOTING_DONE, logic.cmdDone);
    b.button(IDC_BOOTING_CLOSE, logic.cmdClose);
    SetFocus(GetDlgItem(dialog, IDC_BOOTING_LIST));
    return false;
  };
  callbacks.message = [&look](HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return look.message(message, wParam, lParam, result);
  };
  // Esc and the title bar's close do what Close does: nothing is changed.
  callbacks.cancel = [&logic] { logic.cmdClose.click(); };
  RunModalDialog(nullptr, IDD_BOOTING_SPEED, owner, logic.form, std::move(callbacks));
}

}  // namespace hm::gui
