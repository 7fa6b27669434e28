#include "gui/GuiTestSupport.h"
// after windows.h
#include <commctrl.h>

#include <filesystem>
#include <fstream>

#include "platform/win32/Wide.h"
#include "platform/win32/gui/ModalDialog.h"

namespace hm::test {
namespace {

namespace fs = std::filesystem;

fs::path ScreenshotFolder() {
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  const fs::path folder = fs::path(exe).parent_path().parent_path() / "gui-screenshots";
  fs::create_directories(folder);
  return folder;
}

void WriteBmp(const Screenshot& shot, const BITMAPINFOHEADER& header) {
  const auto size = static_cast<std::uint32_t>(shot.pixels.size() * 4);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + size;
  std::ofstream out(ScreenshotFolder() / (shot.name + ".bmp"), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&header), sizeof header);
  out.write(reinterpret_cast<const char*>(shot.pixels.data()), size);
}

}  // namespace

bool NoDisplay() {
  const bool underWine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return underWine && GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0;
}

std::string ListText(HWND list, int row, int column) {
  wchar_t text[512] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 512;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return platform::win32::narrow(text);
}

HWND DialogOver(HWND owner) {
  struct Search {
    HWND owner, found;
  } search{owner, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(data);
        if (IsWindowVisible(window) && GetWindow(window, GW_OWNER) == s.owner) s.found = window;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void WhileModal(HWND owner, const std::function<void()>& open, std::function<void()> step) {
  static HWND pendingOwner = nullptr;
  static std::function<void()> pending;
  static int waited = 0;
  pendingOwner = owner;
  pending = std::move(step);
  waited = 0;
  SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
    // Loading may pump before the dialog is shown: wait for it (10 s at most).
    if (DialogOver(pendingOwner) == nullptr && ++waited < 200) return;
    KillTimer(nullptr, id);
    auto run = std::move(pending);
    pending = nullptr;
    if (run) run();
    if (HWND left = DialogOver(pendingOwner)) PostMessageW(left, WM_CLOSE, 0, 0);
    if (HWND left = platform::win32::gui::CurrentModalDialog()) PostMessageW(left, WM_CLOSE, 0, 0);
  });
  open();
}

bool ListChecked(HWND list, int row) {
  const auto state = SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK);
  return (static_cast<UINT>(state) & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}

Screenshot Capture(HWND window, const std::string& name, bool clientAreaOnly) {
  RECT area{};
  if (clientAreaOnly) {
    GetClientRect(window, &area);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&area), 2);
  } else {
    GetWindowRect(window, &area);
  }
  Screenshot shot{name, area.right - area.left, area.bottom - area.top, {}};
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, shot.width, -shot.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const HDC screen = GetDC(nullptr);
  const HDC dc = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr) {
    const HGDIOBJ old = SelectObject(dc, bitmap);
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetForegroundWindow(window);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    GdiFlush();
    // Wine hands a window's drawing to the display when its thread looks at
    // its queue: look (taking nothing) while the display catches up.
    for (int i = 0; i < 4; ++i) {
      MSG pending;
      PeekMessageW(&pending, nullptr, 0, 0, PM_NOREMOVE);
      Sleep(50);
    }
    BitBlt(dc, 0, 0, shot.width, shot.height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    shot.pixels.assign(p, p + static_cast<std::size_t>(shot.width) * static_cast<std::size_t>(shot.height));
    for (auto& px : shot.pixels) px &= 0xFFFFFF;
    WriteBmp(shot, info.bmiHeader);
    SelectObject(dc, old);
    DeleteObject(bitmap);
  }
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return shot;
}

}  // namespace hm::test
