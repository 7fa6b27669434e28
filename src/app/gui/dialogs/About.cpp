// The about box's window: the header picture, the texts and the link.
#include "DialogIds.h"
#include "Dialogs.h"
#include "Painting.h"
#include "platform/win32/gui/ModalDialog.h"

namespace hm::gui {

using namespace platform::win32::gui;

namespace {

// The fonts and the picture the about box draws with.
struct AboutLook {
  paint::ScopedBitmap header;
  paint::ScopedFont title, link;
  platform::Subscription productName;

  bool message(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
      case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlID != IDC_ABOUT_HEADER) return false;
        paint::DrawPictureCovering(item->hDC, item->rcItem, header.get());
        result = TRUE;
        return true;
      }
      case WM_CTLCOLORSTATIC: {
        const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        const auto dc = reinterpret_cast<HDC>(wParam);
        if (id == IDC_ABOUT_PRODUCT) {
          // White on the header picture.
          SetTextColor(dc, RGB(255, 255, 255));
          SetBkMode(dc, TRANSPARENT);
          result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
          return true;
        }
        if (id != IDC_ABOUT_URL) return false;
        // The link reads as one: link blue, underlined, on the dialog's background.
        SetTextColor(dc, RGB(0, 102, 204));
        SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        return true;
      }
      case WM_SETCURSOR:
        if (GetDlgCtrlID(reinterpret_cast<HWND>(wParam)) != IDC_ABOUT_URL) return false;
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        result = TRUE;
        return true;
      default:
        return false;
    }
  }
};

}  // namespace

void ShowAboutDialog(HWND owner, shell::frmAbout& logic) {
  AboutLook look;
  DialogCallbacks callbacks;
  callbacks.failureLabel = "DialogProc of frmAbout";
  callbacks.init = [&logic, &look](HWND dialog, Bindings& b) {
    look.header = paint::LoadPicture(IDB_ABOUT_HEADER);
    look.title = paint::MakeFont(dialog, 16, true, false);
    look.link = paint::MakeFont(dialog, 0, false, true);
    SendDlgItemMessageW(dialog, IDC_ABOUT_PRODUCT, WM_SETFONT, reinterpret_cast<WPARAM>(look.title.get()), FALSE);
    SendDlgItemMessageW(dialog, IDC_ABOUT_URL, WM_SETFONT, reinterpret_cast<WPARAM>(look.link.get()), FALSE);
    b.label(IDC_ABOUT_PRODUCT, logic.lblProductName);
    // The name sits on the header without a background of its own: a new text needs the picture under it again.
    look.productName = platform::Subscription(logic.lblProductName, [dialog](const platform::Change&) {
      InvalidateRect(GetDlgItem(dialog, IDC_ABOUT_HEADER), nullptr, TRUE);
      InvalidateRect(GetDlgItem(dialog, IDC_ABOUT_PRODUCT), nullptr, TRUE);
    });
    b.label(IDC_ABOUT_VERSION, logic.lblVersion);
    b.label(IDC_ABOUT_DISCLAIMER, logic.lblDisclaimer);
    b.label(IDC_ABOUT_URL, logic.lblURL);  // its click opens the address
    b.button(IDC_ABOUT_OK, logic.cmdOK);
    return true;
  };
  callbacks.message = [&look](HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return look.message(message, wParam, lParam, result);
  };
  // Esc and the title bar's close do what OK does.
  callbacks.cancel = [&logic] {
    if (logic.cmdOK.Click)
      logic.cmdOK.Click();
    else
      logic.form.unload();
  };
  RunModalDialog(nullptr, IDD_ABOUT, owner, logic.form, std::move(callbacks));
}

}  // namespace hm::gui
