#include "DialogSupport.h"

#include <stdexcept>

#include "common/ErrorLog.h"
#include "platform/win32/Wide.h"

namespace hm::gui::detail {
namespace {

using platform::win32::wide;

constexpr UINT_PTR kFirstTimerId = 0x4800;

void SetText(HWND control, const std::string& text) {
  const std::wstring w = wide(text);
  wchar_t current[512] = {};
  GetWindowTextW(control, current, 512);
  if (w != current) SetWindowTextW(control, w.c_str());
}

void SetShown(HWND control, bool shown) {
  if ((IsWindowVisible(control) != FALSE) != shown) ShowWindow(control, shown ? SW_SHOWNA : SW_HIDE);
}

void SetEnabled(HWND control, bool enabled) {
  if ((IsWindowEnabled(control) != FALSE) != enabled) EnableWindow(control, enabled);
}

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrW(window, DWLP_USER, lParam);
  auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
  if (!dialog) return FALSE;
  return dialog->handle(window, message, wParam, lParam);
}

}  // namespace

HFONT MakeFont(HWND dialog, int pointSize, bool bold, bool underline, const wchar_t* face) {
  LOGFONTW lf{};
  const auto current = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
  GetObjectW(current ? static_cast<HGDIOBJ>(current) : GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
  if (pointSize > 0) {
    const HDC dc = GetDC(dialog);
    lf.lfHeight = -MulDiv(pointSize, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(dialog, dc);
    lf.lfWidth = 0;
  }
  if (bold) lf.lfWeight = FW_BOLD;
  lf.lfUnderline = underline ? TRUE : FALSE;
  if (face) lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
  lf.lfQuality = CLEARTYPE_QUALITY;
  return CreateFontIndirectW(&lf);
}

HBITMAP LoadPicture(int id) {
  return static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

void DrawPictureCovering(HDC dc, const RECT& rect, HBITMAP picture) {
  BITMAP info{};
  if (!picture || !GetObjectW(picture, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  // The larger of the two scales covers the rectangle; what sticks out is cut.
  int drawWidth = width, drawHeight = MulDiv(info.bmHeight, width, info.bmWidth);
  if (drawHeight < height) {
    drawHeight = height;
    drawWidth = MulDiv(info.bmWidth, height, info.bmHeight);
  }
  const HDC source = CreateCompatibleDC(dc);
  const HGDIOBJ old = SelectObject(source, picture);
  const int oldMode = SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  StretchBlt(dc, rect.left, rect.top, drawWidth, drawHeight, source, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
  RestoreDC(dc, saved);
  SetStretchBltMode(dc, oldMode);
  SelectObject(source, old);
  DeleteDC(source);
}

INT_PTR Dialog::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = FALSE;
  try {
    if (message == WM_INITDIALOG) {
      window_ = window;
      return init() ? TRUE : FALSE;
    }
    if (message == WM_NCDESTROY) {
      for (const auto& timer : timers_) KillTimer(window, timer.first);
      timers_.clear();
      subscriptions_.clear();
      window_ = nullptr;
      SetWindowLongPtrW(window, DWLP_USER, 0);
      if (deleteWithWindow_) delete this;
      return FALSE;
    }
    if (this->message(message, wParam, lParam, result) || dispatch(message, wParam, lParam, result)) {
      // Messages whose answer is the procedure's own result; the rest go through DWLP_MSGRESULT.
      switch (message) {
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORBTN:
        case WM_INITDIALOG:
          return result;
        default:
          SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
          return TRUE;
      }
    }
  } catch (...) {
    LogError(failureLabel_);
  }
  return FALSE;
}

bool Dialog::dispatch(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  (void)lParam;
  if (message == WM_COMMAND) {
    const auto found = commands_.find(LOWORD(wParam));
    if (found == commands_.end()) return false;
    const int code = HIWORD(wParam);
    // Buttons say BN_CLICKED, a link label STN_CLICKED, Enter and Esc 0.
    if (code != BN_CLICKED && code != STN_CLICKED) return false;
    found->second();
    result = 0;
    return true;
  }
  if (message == WM_TIMER) {
    const auto found = timers_.find(wParam);
    if (found == timers_.end()) return false;
    found->second->tick();
    result = 0;
    return true;
  }
  if (message == WM_SETCURSOR && form_.mousePointer == platform::MousePointer::Hourglass) {
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    result = TRUE;
    return true;
  }
  return false;
}

void Dialog::bindCaption() {
  const auto refresh = [this] {
    if (window_) SetText(window_, form_.caption.get());
  };
  // An empty caption keeps the template's.
  if (!form_.caption.get().empty()) refresh();
  keep(platform::Subscription(form_, [this, refresh](const platform::Change&) {
    if (!form_.caption.get().empty()) refresh();
  }));
}

void Dialog::bindVisible() {
  const auto refresh = [this] {
    if (window_) SetShown(window_, form_.visible);
  };
  refresh();
  keep(platform::Subscription(form_, [refresh](const platform::Change&) { refresh(); }));
}

void Dialog::bindLabel(int id, platform::LabelModel& model) {
  const HWND control = GetDlgItem(window_, id);
  const auto refresh = [control, &model] {
    SetText(control, model.caption());
    SetShown(control, model.visible);
    SetEnabled(control, model.enabled);
  };
  refresh();
  keep(platform::Subscription(model, [refresh](const platform::Change&) { refresh(); }));
  if (model.Click)
    onCommand(id, [&model] {
      if (model.enabled && model.visible && model.Click) model.Click();
    });
}

void Dialog::bindButton(int id, platform::ButtonModel& model) {
  const HWND control = GetDlgItem(window_, id);
  const auto refresh = [control, &model] {
    SetText(control, model.caption.get());
    SetShown(control, model.visible);
    SetEnabled(control, model.enabled);
  };
  refresh();
  keep(platform::Subscription(model, [refresh](const platform::Change&) { refresh(); }));
  onCommand(id, [&model] { model.click(); });
}

void Dialog::bindCheckBox(int id, platform::CheckBoxModel& model) {
  const HWND control = GetDlgItem(window_, id);
  const auto refresh = [control, &model] {
    SetText(control, model.caption.get());
    SetShown(control, model.visible);
    SetEnabled(control, model.enabled);
    SendMessageW(control, BM_SETCHECK, model.value() ? BST_CHECKED : BST_UNCHECKED, 0);
  };
  refresh();
  keep(platform::Subscription(model, [refresh](const platform::Change&) { refresh(); }));
  // The box does not check itself: the model decides and the control follows.
  onCommand(id, [&model] { model.click(); });
}

void Dialog::bindTimer(platform::TimerModel& model) {
  const UINT_PTR id = kFirstTimerId + timers_.size();
  timers_[id] = &model;
  const auto refresh = [this, id, &model] {
    if (!window_) return;
    if (model.enabled && model.intervalMs > 0)
      SetTimer(window_, id, static_cast<UINT>(model.intervalMs.get()), nullptr);  // restarts the count
    else
      KillTimer(window_, id);
  };
  refresh();
  keep(platform::Subscription(model, [refresh](const platform::Change&) { refresh(); }));
}

void Dialog::onCommand(int id, std::function<void()> action) { commands_[id] = std::move(action); }

HWND CreateDialogWindow(int templateId, HWND owner, Dialog& dialog) {
  return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), owner, DialogProc,
                            reinterpret_cast<LPARAM>(&dialog));
}

void RunModal(int templateId, HWND owner, Dialog& dialog) {
  platform::FormModel& form = dialog.form();
  if (!form.loaded) return;
  const HWND window = CreateDialogWindow(templateId, owner, dialog);
  if (!window) throw std::runtime_error("the dialog could not be created");
  const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);

  bool quit = false;
  WPARAM quitCode = 0;
  MSG msg{};
  while (form.loaded && IsWindow(window)) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      quit = true;
      quitCode = msg.wParam;
      break;
    }
    if (got == -1) break;
    if (!IsDialogMessageW(window, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  // The owner comes back before the dialog goes, so that it is activated again.
  if (ownerWasEnabled) EnableWindow(owner, TRUE);
  if (IsWindow(window)) DestroyWindow(window);
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
}

}  // namespace hm::gui::detail
