// The internet connection dialog's window: the option buttons in their group,
// the commands, and the progress area drawn as a box filled from the left.
#include "DialogIds.h"
#include "Dialogs.h"
#include "platform/win32/gui/ModalDialog.h"

namespace hm::gui {

using namespace platform::win32::gui;

namespace {

// Colours in the blue-green-red order of COLORREF: the fill is the fore
// colour XOR the back colour, blue on yellow.
constexpr COLORREF kProgressBack = 0x00FFFF;
constexpr COLORREF kProgressFore = 0xFFFFFF;

class ProgressArea {
 public:
  void bind(HWND control, platform::ProgressBarModel& model) {
    control_ = control;
    model_ = &model;
    // Painted at once: the animation pauses only a few milliseconds a step.
    subscription_ = platform::Subscription(model, [this](const platform::Change&) {
      InvalidateRect(control_, nullptr, FALSE);
      UpdateWindow(control_);
    });
  }

  void draw(const DRAWITEMSTRUCT& item) const {
    RECT area = item.rcItem;
    DrawEdge(item.hDC, &area, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    const HBRUSH back = CreateSolidBrush(kProgressBack);
    FillRect(item.hDC, &area, back);
    DeleteObject(back);
    const int span = model_->maximum - model_->minimum;
    int done = span > 0 ? model_->value - model_->minimum : 0;
    done = done < 0 ? 0 : done > span ? span : done;
    RECT box = area;
    box.right = area.left + (span > 0 ? MulDiv(area.right - area.left, done, span) : 0);
    if (box.right > box.left) {
      const HBRUSH fill = CreateSolidBrush(kProgressFore ^ kProgressBack);
      FillRect(item.hDC, &box, fill);
      DeleteObject(fill);
    }
  }

 private:
  HWND control_ = nullptr;
  const platform::ProgressBarModel* model_ = nullptr;
  platform::Subscription subscription_;
};

}  // namespace

void ShowSpeedInternetDialog(HWND owner, tools::frmSpeedIntenetConnection& logic, bool cacheFirst) {
  ProgressArea progress;
  DialogCallbacks callbacks;
  callbacks.failureLabel = "DialogProc of frmSpeedIntenetConnection";
  callbacks.init = [&logic, &progress, cacheFirst](HWND dialog, Bindings& b) {
    b.label(IDC_SPEED_GROUP, logic.Label2);
    b.optionButton(IDC_SPEED_DIALUP, logic.optDialUpInternetAccess);
    b.optionButton(IDC_SPEED_CABLE, logic.optCableInternetAccess);
    b.optionButton(IDC_SPEED_DSL, logic.optDSL);
    b.button(IDC_SPEED_OPTIMIZE, logic.cmdOptimize);
    b.button(IDC_SPEED_DEFAULT, logic.cmdSetToDefault);
    b.label(IDC_SPEED_MESSAGE, logic.lblMessage);
    b.button(IDC_SPEED_CLEAR_CACHE, logic.cmdClearCache);
    b.label(IDC_SPEED_PERCENT, logic.Label1);
    b.panel(logic.picProgressBar, {IDC_SPEED_PROGRESS, IDC_SPEED_PERCENT});
    progress.bind(GetDlgItem(dialog, IDC_SPEED_PROGRESS), logic.pgbProgress);
    b.button(IDC_SPEED_CLOSE, logic.cmdClose);
    // Opened for the cache, the cache's button has the focus; else the chosen connection.
    int focus = IDC_SPEED_CLEAR_CACHE;
    if (!cacheFirst) {
      focus = logic.optCableInternetAccess.value() ? IDC_SPEED_CABLE
              : logic.optDSL.value()               ? IDC_SPEED_DSL
                                                   : IDC_SPEED_DIALUP;
    }
    SetFocus(GetDlgItem(dialog, focus));
    return false;
  };
  callbacks.message = [&progress](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message != WM_DRAWITEM) return false;
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (item.CtlID != IDC_SPEED_PROGRESS) return false;
    progress.draw(item);
    result = TRUE;
    return true;
  };
  // Esc and the title bar's close do what Close does, and nothing while a
  // command runs (Close is hidden then).
  callbacks.cancel = [&logic] { logic.cmdClose.click(); };
  RunModalDialog(nullptr, IDD_SPEED_INTERNET, owner, logic.form, std::move(callbacks));
}

}  // namespace hm::gui
