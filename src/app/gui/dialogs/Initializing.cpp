// The initializing notice: created hidden beside the main window and never
// shown; it lives until its owner is destroyed.
#include <memory>

#include "DialogIds.h"
#include "DialogSupport.h"
#include "Dialogs.h"

namespace hm::gui {
namespace {

class InitializingWindow : public detail::Dialog {
 public:
  explicit InitializingWindow(shell::frmInitailizingDrivers& logic)
      : Dialog(logic.form, "DialogProc of frmInitailizingDrivers"), logic_(logic) {}

 private:
  shell::frmInitailizingDrivers& logic_;
  detail::GdiObject mark_, textFont_;

  bool init() override {
    mark_.reset(detail::LoadPicture(IDB_MARK));
    textFont_.reset(detail::MakeFont(window(), 9, false, false, L"Arial"));
    SendDlgItemMessageW(window(), IDC_INITIALIZING_LABEL, WM_SETFONT, reinterpret_cast<WPARAM>(textFont_.get()), FALSE);
    bindLabel(IDC_INITIALIZING_LABEL, logic_.lblInitailizing);
    bindVisible();
    bindTimer(logic_.tmrUnload);
    // Unloaded by its timer: the window goes.
    keep(platform::Subscription(logic_.form, [this](const platform::Change&) {
      if (!logic_.form.loaded && window()) PostMessageW(window(), WM_CLOSE, 0, 0);
    }));
    return true;
  }

  bool message(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override {
    switch (message) {
      case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.CtlID != IDC_INITIALIZING_PICTURE) return false;
        detail::DrawPictureCovering(item.hDC, item.rcItem, mark_.bitmap());
        result = TRUE;
        return true;
      }
      case WM_CTLCOLORDLG:
      case WM_CTLCOLORSTATIC:
        SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        result = reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
        return true;
      case WM_CLOSE:
        DestroyWindow(window());
        result = 0;
        return true;
      default:
        return false;
    }
  }
};

}  // namespace

HWND CreateInitializingWindow(HWND owner, shell::frmInitailizingDrivers& form) {
  auto window = std::make_unique<InitializingWindow>(form);
  const HWND created = detail::CreateDialogWindow(IDD_INITIALIZING, owner, *window);
  if (!created) return nullptr;
  // From here the window owns its binding and deletes it when it goes.
  window.release()->deleteWithWindow();
  return created;
}

}  // namespace hm::gui
