// The initializing notice: created hidden beside the main window and never
// shown; it lives until its owner is destroyed or its timer unloads it.
#include <memory>

#include "DialogIds.h"
#include "Dialogs.h"
#include "Painting.h"
#include "platform/win32/gui/ModalDialog.h"

namespace hm::gui {

using namespace platform::win32::gui;

HWND CreateInitializingWindow(HWND owner, shell::frmInitailizingDrivers& logic) {
  struct Look {
    paint::ScopedBitmap mark;
    paint::ScopedFont text;
  };
  // Lives with the window's callbacks.
  auto look = std::make_shared<Look>();
  DialogCallbacks callbacks;
  callbacks.failureLabel = "DialogProc of frmInitailizingDrivers";
  callbacks.init = [&logic, look](HWND dialog, Bindings& b) {
    look->mark = paint::LoadPicture(IDB_MARK);
    look->text = paint::MakeFont(dialog, 9, false, false, L"Arial");
    SendDlgItemMessageW(dialog, IDC_INITIALIZING_LABEL, WM_SETFONT, reinterpret_cast<WPARAM>(look->text.get()), FALSE);
    b.label(IDC_INITIALIZING_LABEL, logic.lblInitailizing);
    b.timer(logic.tmrUnload);
    return true;
  };
  callbacks.message = [look](HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
      case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.CtlID != IDC_INITIALIZING_PICTURE) return false;
        paint::DrawPictureCovering(item.hDC, item.rcItem, look->mark.get());
        result = TRUE;
        return true;
      }
      case WM_CTLCOLORDLG:
      case WM_CTLCOLORSTATIC:
        SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
        return true;
      default:
        return false;
    }
  };
  return CreateModelessDialog(nullptr, IDD_INITIALIZING, owner, logic.form, std::move(callbacks));
}

}  // namespace hm::gui
