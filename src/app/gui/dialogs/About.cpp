// The about box's window: the header picture, the texts and the link.
#include "DialogIds.h"
#include "DialogSupport.h"
#include "Dialogs.h"

namespace hm::gui {
namespace {

class AboutDialog : public detail::Dialog {
 public:
  explicit AboutDialog(shell::frmAbout& logic) : Dialog(logic.form, "DialogProc of frmAbout"), logic_(logic) {}

 private:
  shell::frmAbout& logic_;
  detail::GdiObject header_, titleFont_, linkFont_;

  bool init() override {
    header_.reset(detail::LoadPicture(IDB_ABOUT_HEADER));
    titleFont_.reset(detail::MakeFont(window(), 16, true, false));
    linkFont_.reset(detail::MakeFont(window(), 0, false, true));
    SendDlgItemMessageW(window(), IDC_ABOUT_PRODUCT, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_.get()), FALSE);
    SendDlgItemMessageW(window(), IDC_ABOUT_URL, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_.get()), FALSE);

    bindCaption();
    bindLabel(IDC_ABOUT_PRODUCT, logic_.lblProductName);
    // The name sits on the header without a background of its own: a new text needs the picture under it again.
    keep(platform::Subscription(logic_.lblProductName, [this](const platform::Change&) {
      if (window()) InvalidateRect(GetDlgItem(window(), IDC_ABOUT_HEADER), nullptr, TRUE);
      if (window()) InvalidateRect(GetDlgItem(window(), IDC_ABOUT_PRODUCT), nullptr, TRUE);
    }));
    bindLabel(IDC_ABOUT_VERSION, logic_.lblVersion);
    bindLabel(IDC_ABOUT_DISCLAIMER, logic_.lblDisclaimer);
    bindLabel(IDC_ABOUT_URL, logic_.lblURL);
    onCommand(IDC_ABOUT_URL, [this] { logic_.lblURL_Click(); });
    bindButton(IDC_ABOUT_OK, logic_.cmdOK);
    // Esc and the title bar's close do what OK does.
    onCommand(IDCANCEL, [this] {
      if (logic_.cmdOK.Click)
        logic_.cmdOK.Click();
      else
        logic_.form.unload();
    });
    return true;
  }

  bool message(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override {
    switch (message) {
      case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlID != IDC_ABOUT_HEADER) return false;
        detail::DrawPictureCovering(item->hDC, item->rcItem, header_.bitmap());
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
          result = reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
          return true;
        }
        if (id != IDC_ABOUT_URL) return false;
        // The link reads as one: link blue, underlined, on the dialog's background.
        SetTextColor(dc, RGB(0, 102, 204));
        SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
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

void ShowAboutDialog(HWND owner, shell::frmAbout& form) {
  AboutDialog dialog(form);
  detail::RunModal(IDD_ABOUT, owner, dialog);
}

}  // namespace hm::gui
