#include "platform/win32/Win32System.h"

// The dialog header needs the types of windows.h first.
// clang-format off
#include <windows.h>
#include <commdlg.h>
// clang-format on

#include <algorithm>

#include "platform/win32/Wide.h"

namespace hm::platform::win32 {
namespace {
SYSTEMTIME toSystemTime(const LocalTime& t) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(t.year);
  st.wMonth = static_cast<WORD>(t.month);
  st.wDay = static_cast<WORD>(t.day);
  st.wHour = static_cast<WORD>(t.hour);
  st.wMinute = static_cast<WORD>(t.minute);
  st.wSecond = static_cast<WORD>(t.second);
  st.wMilliseconds = static_cast<WORD>(t.millisecond);
  return st;
}
}  // namespace

LocalTime Win32Clock::now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return LocalTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

std::string Win32Clock::formatTime(const LocalTime& t) {
  const SYSTEMTIME st = toSystemTime(t);
  wchar_t buf[128];
  const int n = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, nullptr, buf, 128);
  return n > 0 ? narrow(std::wstring_view(buf, static_cast<std::size_t>(n - 1))) : std::string();
}

std::string Win32Clock::formatShortDate(const LocalTime& t) {
  const SYSTEMTIME st = toSystemTime(t);
  wchar_t buf[128];
  const int n = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, 128, nullptr);
  return n > 0 ? narrow(std::wstring_view(buf, static_cast<std::size_t>(n - 1))) : std::string();
}

void Win32Pump::pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

long long Win32Pump::milliseconds() { return static_cast<long long>(GetTickCount64()); }

std::optional<std::string> Win32Environment::variable(std::string_view name) {
  const std::wstring w = wide(name);
  const DWORD n = GetEnvironmentVariableW(w.c_str(), nullptr, 0);
  if (n == 0) return std::nullopt;
  std::wstring value(n, L'\0');
  const DWORD got = GetEnvironmentVariableW(w.c_str(), value.data(), n);
  value.resize(got);
  return narrow(value);
}

int Win32Dialogs::messageBox(std::string_view text, std::string_view title, unsigned flags) {
  return MessageBoxW(GetActiveWindow(), wide(text).c_str(), wide(title).c_str(), flags);
}

std::wstring dialogFilter(std::string_view filter) {
  std::wstring result = wide(filter);
  std::replace(result.begin(), result.end(), L'|', L'\0');
  result.push_back(L'\0');
  result.push_back(L'\0');
  return result;
}

std::string Win32Dialogs::saveFileName(std::string_view filter, std::string_view title) {
  const std::wstring filters = dialogFilter(filter);
  const std::wstring caption = wide(title);
  std::wstring file(32768, L'\0');  // long paths too; starts empty
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = GetActiveWindow();
  dialog.lpstrFilter = filters.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrTitle = caption.empty() ? nullptr : caption.c_str();
  // The program's relative paths must not follow the folder the user browsed to.
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
  if (!GetSaveFileNameW(&dialog)) return {};  // cancelled, or the dialog failed
  file.resize(file.find(L'\0'));
  return narrow(file);
}

}  // namespace hm::platform::win32
