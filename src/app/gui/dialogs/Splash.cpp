// The splash window: the banner with the product name, the mark and
// "Loading..." in Arial; its timer unloads it.
#include "DialogIds.h"
#include "Dialogs.h"
#include "Painting.h"
#include "common/Globals.h"
#include "platform/win32/Wide.h"
#include "platform/win32/gui/ModalDialog.h"

namespace hm::gui {

using namespace platform::win32::gui;

namespace {

struct SplashLook {
  paint::ScopedBitmap banner, mark;
  paint::ScopedFont title, text;

  void drawBanner(const DRAWITEMSTRUCT& item) {
    paint::DrawPictureCovering(item.hDC, item.rcItem, banner.get());
    RECT area = item.rcItem;
    InflateRect(&area, -MulDiv(18, GetDeviceCaps(item.hDC, LOGPIXELSX), 96), 0);
    const HGDIOBJ old = SelectObject(item.hDC, title.get());
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, RGB(255, 255, 255));
    const std::wstring name = platform::win32::wide(kProductName);
    DrawTextW(item.hDC, name.c_str(), -1, &area, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    SelectObject(item.hDC, old);
  }

  bool message(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_DRAWITEM) {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item.CtlID == IDC_SPLASH_BANNER)
        drawBanner(item);
      else if (item.CtlID == IDC_SPLASH_MARK)
        paint::DrawPictureCovering(item.hDC, item.rcItem, mark.get());
      else
        return false;
      result = TRUE;
      return true;
    }
    if (message == WM_CTLCOLORDLG || message == WM_CTLCOLORSTATIC) {
      // White under the banner, like the mark's own background.
      const auto dc = reinterpret_cast<HDC>(wParam);
      SetBkColor(dc, RGB(255, 255, 255));
      SetTextColor(dc, RGB(40, 48, 60));
      result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
      return true;
    }
    return false;
  }
};

}  // namespace

void ShowSplash(shell::frmSplash& logic) {
  SplashLook look;
  DialogCallbacks callbacks;
  callbacks.failureLabel = "DialogProc of frmLoading";
  callbacks.init = [&logic, &look](HWND dialog, Bindings& b) {
    look.banner = paint::LoadPicture(IDB_SPLASH_BANNER);
    look.mark = paint::LoadPicture(IDB_MARK);
    look.title = paint::MakeFont(dialog, 24, true, false, L"Arial");
    look.text = paint::MakeFont(dialog, 10, false, false, L"Arial");
    SendDlgItemMessageW(dialog, IDC_SPLASH_LOADING, WM_SETFONT, reinterpret_cast<WPARAM>(look.text.get()), FALSE);
    b.label(IDC_SPLASH_LOADING, logic.lblLoading);
    b.timer(logic.tmrUnload);
    return true;
  };
  callbacks.message = [&look](HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return look.message(message, wParam, lParam, result);
  };
  // Only its timer ends the splash.
  callbacks.cancel = [] {};
  RunModalDialog(nullptr, IDD_SPLASH, nullptr, logic.form, std::move(callbacks));
}

}  // namespace hm::gui
