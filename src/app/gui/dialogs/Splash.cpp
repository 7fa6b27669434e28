// The splash window: the banner with the product name, the mark and
// "Loading..." in Arial; its timer unloads it.
#include "DialogIds.h"
#include "DialogSupport.h"
#include "Dialogs.h"
#include "common/Globals.h"
#include "platform/win32/Wide.h"

namespace hm::gui {
namespace {

class SplashDialog : public detail::Dialog {
 public:
  explicit SplashDialog(shell::frmSplash& logic) : Dialog(logic.form, "DialogProc of frmLoading"), logic_(logic) {}

 private:
  shell::frmSplash& logic_;
  detail::GdiObject banner_, mark_, titleFont_, textFont_;

  bool init() override {
    banner_.reset(detail::LoadPicture(IDB_SPLASH_BANNER));
    mark_.reset(detail::LoadPicture(IDB_MARK));
    titleFont_.reset(detail::MakeFont(window(), 24, true, false, L"Arial"));
    textFont_.reset(detail::MakeFont(window(), 10, false, false, L"Arial"));
    SendDlgItemMessageW(window(), IDC_SPLASH_LOADING, WM_SETFONT, reinterpret_cast<WPARAM>(textFont_.get()), FALSE);
    bindLabel(IDC_SPLASH_LOADING, logic_.lblLoading);
    bindTimer(logic_.tmrUnload);
    return true;
  }

  void drawBanner(const DRAWITEMSTRUCT& item) {
    detail::DrawPictureCovering(item.hDC, item.rcItem, banner_.bitmap());
    RECT text = item.rcItem;
    InflateRect(&text, -MulDiv(18, GetDeviceCaps(item.hDC, LOGPIXELSX), 96), 0);
    const HGDIOBJ old = SelectObject(item.hDC, titleFont_.get());
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, RGB(255, 255, 255));
    const std::wstring name = platform::win32::wide(kProductName);
    DrawTextW(item.hDC, name.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    SelectObject(item.hDC, old);
  }

  bool message(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override {
    if (message == WM_DRAWITEM) {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item.CtlID == IDC_SPLASH_BANNER)
        drawBanner(item);
      else if (item.CtlID == IDC_SPLASH_MARK)
        detail::DrawPictureCovering(item.hDC, item.rcItem, mark_.bitmap());
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
      result = reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
      return true;
    }
    return false;
  }
};

}  // namespace

void ShowSplash(shell::frmSplash& form) {
  SplashDialog dialog(form);
  detail::RunModal(IDD_SPLASH, nullptr, dialog);
}

}  // namespace hm::gui
