#include "platform/win32/gui/TrayIcon.h"

#include <shellapi.h>
#include <windows.h>

#include <algorithm>

#include "platform/win32/Wide.h"

namespace hm::platform::win32 {
namespace {

constexpr UINT kIconId = 1;
constexpr std::size_t kTipLength = 63;

// Entry points newer than the oldest supported Windows, found at run time.
template <typename Function>
Function user32Function(const char* name) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name)));
}

}  // namespace

TrayIcon::TrayIcon(HWND window, UINT callbackMessage) : window_(window), callbackMessage_(callbackMessage) {
  // An elevated copy hears the non-elevated task bar only when it lets the message in.
  using Filter = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
  if (const auto allow = user32Function<Filter>("ChangeWindowMessageFilterEx"))
    allow(window_, taskbarCreatedMessage(), 1 /* MSGFLT_ALLOW */, nullptr);
}

TrayIcon::~TrayIcon() { hide(); }

UINT TrayIcon::taskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

bool TrayIcon::handleMessage(UINT message) {
  if (message == 0 || message != taskbarCreatedMessage()) return false;
  readd();
  return true;
}

std::wstring TrayIcon::cutTip(std::string_view tip) {
  std::wstring w = wide(tip);
  if (w.size() > kTipLength) {
    w.resize(kTipLength);
    if (w.back() >= 0xD800 && w.back() <= 0xDBFF) w.pop_back();
  }
  return w;
}

int TrayIcon::iconSize(HWND window) {
  using MetricsForDpi = int(WINAPI*)(int, UINT);
  using DpiForWindow = UINT(WINAPI*)(HWND);
  const auto metricsForDpi = user32Function<MetricsForDpi>("GetSystemMetricsForDpi");
  const auto dpiForWindow = user32Function<DpiForWindow>("GetDpiForWindow");
  if (metricsForDpi != nullptr && dpiForWindow != nullptr) {
    const HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    UINT dpi = taskbar != nullptr ? dpiForWindow(taskbar) : 0;
    if (dpi == 0 && window != nullptr) dpi = dpiForWindow(window);
    if (dpi != 0) {
      const int size = metricsForDpi(SM_CXSMICON, dpi);
      if (size > 0) return size;
    }
  }
  return GetSystemMetrics(SM_CXSMICON);
}

void TrayIcon::loadIcon() {
  const wchar_t* resource = resourceId_ != nullptr ? resourceId_ : resourceName_.c_str();
  ScopedIcon loaded;
  if (module_ != nullptr || resourceId_ != nullptr || !resourceName_.empty()) {
    const int size = iconSize(window_);
    loaded.reset(static_cast<HICON>(LoadImageW(module_, resource, IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
  }
  icon_ = loaded ? loaded.get() : LoadIconW(nullptr, IDI_APPLICATION);  // the stock icon is shared: not ours
  ownIcon_ = std::move(loaded);  // the old one goes after icon_ stopped naming it
}

void TrayIcon::setIcon(HINSTANCE module, const wchar_t* resource) {
  module_ = module;
  if (IS_INTRESOURCE(resource)) {
    resourceId_ = resource;
    resourceName_.clear();
  } else {
    resourceId_ = nullptr;
    resourceName_ = resource != nullptr ? resource : L"";
  }
  loadIcon();
  if (added_) notify(NIM_MODIFY);
}

void TrayIcon::setTip(std::string_view tip) {
  tip_ = cutTip(tip);
  if (added_) notify(NIM_MODIFY);
}

bool TrayIcon::notify(DWORD command) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = window_;
  data.uID = kIconId;
  if (command != NIM_DELETE) {
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = callbackMessage_;
    data.hIcon = icon_;
    std::copy(tip_.begin(), tip_.end(), data.szTip);  // cut to 63, so the NUL fits
  }
  return Shell_NotifyIconW(command, &data) != FALSE;
}

bool TrayIcon::show() {
  wanted_ = true;
  if (icon_ == nullptr) loadIcon();
  if (!added_) added_ = notify(NIM_ADD);
  return added_;
}

void TrayIcon::hide() {
  wanted_ = false;
  if (added_) notify(NIM_DELETE);
  added_ = false;
}

void TrayIcon::readd() {
  if (!wanted_) return;
  // A task bar that did not really go away still holds the old icon.
  notify(NIM_DELETE);
  loadIcon();
  added_ = notify(NIM_ADD);
}

}  // namespace hm::platform::win32
