// One icon of a window in the notification area: added, changed and deleted
// through Shell_NotifyIconW, and added again when the task bar is recreated.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/win32/gui/ScopedHandles.h"

namespace hm::platform::win32 {

class TrayIcon {
 public:
  // The icon of `window` (id 1). Mouse actions on it reach `window` as
  // `callbackMessage`, with the mouse message (WM_LBUTTONDBLCLK, WM_RBUTTONUP,
  // ...) in lParam.
  TrayIcon(HWND window, UINT callbackMessage);
  ~TrayIcon();  // takes the icon away
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // What the shell broadcasts when the task bar is created (Explorer started
  // again, or its DPI changed): answer it with readd().
  static UINT taskbarCreatedMessage();
  // Calls readd() when `message` is that one; true when it was.
  bool handleMessage(UINT message);

  // The picture: an icon resource of `module` (a name or MAKEINTRESOURCEW),
  // loaded at the tray's size; the stock application icon when it is
  // missing. Shown at once while the icon is in the tray.
  void setIcon(HINSTANCE module, const wchar_t* resource);
  // The tip (UTF-8), cut to its first 63 characters. Shown at once while the
  // icon is in the tray.
  void setTip(std::string_view tip);

  // Puts the icon in the tray; true when the shell took it. When it did not
  // (no task bar yet) the icon stays wanted and readd() brings it.
  bool show();
  // Takes the icon away.
  void hide();
  // Adds the icon again, at the tray's current size, when it is wanted.
  void readd();

  bool shown() const { return wanted_; }  // show() called and hide() not since
  bool inTray() const { return added_; }  // the shell holds the icon
  const std::wstring& tip() const { return tip_; }
  HICON icon() const { return icon_; }

  // The first 63 characters of `tip`, never half of a surrogate pair.
  static std::wstring cutTip(std::string_view tip);
  // The small-icon size at the task bar's DPI (at `window`'s when there is
  // no task bar; the system's where per-monitor DPI is unknown).
  static int iconSize(HWND window);

 private:
  bool notify(DWORD command);
  void loadIcon();

  HWND window_;
  UINT callbackMessage_;
  bool wanted_ = false;
  bool added_ = false;
  std::wstring tip_;
  HINSTANCE module_ = nullptr;
  const wchar_t* resourceId_ = nullptr;  // an integer resource, or null for resourceName_
  std::wstring resourceName_;
  ScopedIcon ownIcon_;
  HICON icon_ = nullptr;
};

}  // namespace hm::platform::win32
