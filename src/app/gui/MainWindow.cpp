#include "app/gui/MainWindow.h"

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "app/gui/MainWindow.rh"
#include "app/gui/dialogs/Dialogs.h"
#include "common/ErrorLog.h"
#include "platform/win32/gui/MessagePump.h"
#include "platform/win32/gui/ScopedHandles.h"
#include "platform/win32/gui/TrayIcon.h"
#include "shell/StartupWindows.h"

namespace hm::gui {
namespace {

using platform::win32::ScopedFont;
using platform::win32::ScopedIcon;
using platform::win32::TrayIcon;
using platform::win32::gui::Bindings;

constexpr wchar_t kWindowClass[] = L"HivemendMain";
constexpr UINT kActivateLater = WM_APP + 2;

enum Edge : unsigned { kLeft = 1, kTop = 2, kRight = 4, kBottom = 8 };
constexpr unsigned kAll = kLeft | kTop | kRight | kBottom;
constexpr unsigned kTopLeft = kLeft | kTop;
constexpr unsigned kTopWide = kLeft | kTop | kRight;
constexpr unsigned kBottomWide = kLeft | kBottom | kRight;
constexpr unsigned kBottomRight = kRight | kBottom;

// Which edges of the window each control keeps its distance to.
struct Anchor {
  int id;
  unsigned edges;
};
constexpr Anchor kAnchors[] = {
    {IDC_HEADER_BAND, kTopWide},
    {IDC_HEADER_LINE, kTopWide},
    {IDC_SUBHEADING, kTopWide},
    {IDC_MAIN_TITLE, kTopWide},
    {IDC_MAIN_QUICK, kTopWide},
    {IDC_MAIN_DEEP, kTopWide},
    {IDC_MAIN_RESTORE, kTopWide},
    {IDC_LBLREGISTRYSCAN, kTopWide},
    {IDC_LBLREGISTRYFILESSCAN, kTopWide},
    {IDC_LVWRESULTPROGRESS, kAll},
    {IDC_PGBSCANNING, kBottomWide},
    {IDC_CMDCANCEL, kBottomRight},
    {IDC_LBLTOTALERRORS, kTop | kRight},
    {IDC_VBATVWRESULTS, kAll},
    {IDC_LBLPROBLEMDETAILS, kBottomWide},  // under the tree
    {IDC_LBLSTATUSOFACTIONTAKEN, kBottomWide},
    {IDC_PGBDELETINGERRORS, kBottomWide},
    {IDC_CMDREPAIRCORRUPTFILES, kBottomRight},
    {IDC_CMDRESTORENOW, kBottomRight},
    {IDC_STATUS_LINE, kBottomWide},
    {IDC_LBLSTATUS, kBottomWide},
};

// The DPI of a window where the system can tell it (Windows 10 and later).
UINT DpiOf(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (get != nullptr) {
    const UINT dpi = get(window);
    if (dpi != 0) return dpi;
  }
  HDC dc = GetDC(window);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(window, dc);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

HICON LoadIconAt(HINSTANCE instance, int id, int size) {
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

}  // namespace

struct MainWindow::State {
  frmMain& logic;
  HINSTANCE instance;
  HWND window = nullptr;
  std::unique_ptr<Bindings> bindings;
  std::unique_ptr<TrayIcon> tray;
  platform::Subscription traySubscription;
  shell::frmInitailizingDrivers initializing;
  HMENU hiddenMenu = nullptr;  // "File" and "Tray Menu": never in the menu bar
  HACCEL accelerators = nullptr;
  ScopedFont headingFont, boldFont;
  std::vector<ScopedIcon> icons;
  HIMAGELIST treeImages = nullptr;
  // Anchored layout: the client size and control rectangles it was made for.
  SIZE baseClient{};
  std::vector<std::pair<Anchor, RECT>> baseRects;
  POINT minTrack{};
  std::function<void()>* onEnd = nullptr;

  State(frmMain& l, HINSTANCE i) : logic(l), instance(i) {}
  ~State() {
    traySubscription.reset();
    tray.reset();
    bindings.reset();
    if (treeImages != nullptr) ImageList_Destroy(treeImages);
    if (hiddenMenu != nullptr) DestroyMenu(hiddenMenu);
    if (window != nullptr && IsWindow(window)) {
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      platform::win32::gui::UnregisterDialogWindow(window);
      DestroyWindow(window);
    }
  }

  HMENU trayMenu() const { return GetSubMenu(hiddenMenu, 1); }
  HMENU fileMenu() const { return GetSubMenu(hiddenMenu, 0); }
  HMENU resultsMenu() const { return GetSubMenu(hiddenMenu, 2); }

  void makeFonts() {
    auto* font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    LOGFONTW face{};
    if (font == nullptr || GetObjectW(font, sizeof face, &face) == 0) return;
    LOGFONTW bold = face;
    bold.lfWeight = FW_BOLD;
    boldFont.reset(CreateFontIndirectW(&bold));
    LOGFONTW heading = face;
    heading.lfHeight = face.lfHeight * 9 / 5;
    heading.lfWeight = FW_SEMIBOLD;
    headingFont.reset(CreateFontIndirectW(&heading));
    SendMessageW(GetDlgItem(window, IDC_HEADING), WM_SETFONT, reinterpret_cast<WPARAM>(headingFont.get()), TRUE);
    for (int id : {IDC_MAIN_TITLE, IDC_IMGLISTOFPROBLEMS, IDC_IMGLISTOFITEMSINBACKUPFILE})
      SendMessageW(GetDlgItem(window, id), WM_SETFONT, reinterpret_cast<WPARAM>(boldFont.get()), TRUE);
  }

  void makeIcons() {
    icons.clear();
    const int big = MulDiv(24, static_cast<int>(DpiOf(window)), 96);
    const int small = MulDiv(16, static_cast<int>(DpiOf(window)), 96);
    const std::pair<int, int> buttons[] = {{IDC_CMDQUICKSCAN, IDI_QUICK_SCAN},      {IDC_CMDDEEPSCAN, IDI_DEEP_SCAN},
                                           {IDC_CMDRESTORE, IDI_RESTORE},           {IDC_CMDCANCEL, IDI_CANCEL},
                                           {IDC_CMDREPAIRCORRUPTFILES, IDI_REPAIR}, {IDC_CMDRESTORENOW, IDI_RESTORE}};
    for (const auto& [control, icon] : buttons) {
      icons.emplace_back(LoadIconAt(instance, icon, control == IDC_CMDCANCEL ? small : big));
      SendMessageW(GetDlgItem(window, control), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icons.back().get()));
    }
    icons.emplace_back(LoadIconAt(instance, IDI_PROGRAM, MulDiv(32, static_cast<int>(DpiOf(window)), 96)));
    SendMessageW(GetDlgItem(window, IDC_HEADER_ICON), STM_SETICON, reinterpret_cast<WPARAM>(icons.back().get()), 0);
    if (treeImages != nullptr) ImageList_Destroy(treeImages);
    treeImages = ImageList_Create(small, small, ILC_COLOR32 | ILC_MASK, 4, 0);
    for (int id : {IDI_THREAT_HIGH, IDI_THREAT_MEDIUM, IDI_THREAT_LOW, IDI_PROBLEM}) {
      ScopedIcon icon(LoadIconAt(instance, id, small));
      ImageList_AddIcon(treeImages, icon.get());
    }
    ListView_SetImageList(GetDlgItem(window, IDC_VBATVWRESULTS), treeImages, LVSIL_SMALL);
  }

  void captureLayout() {
    RECT client{};
    GetClientRect(window, &client);
    baseClient = {client.right, client.bottom};
    baseRects.clear();
    for (const Anchor& anchor : kAnchors) {
      RECT r{};
      HWND control = GetDlgItem(window, anchor.id);
      GetWindowRect(control, &r);
      MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
      baseRects.emplace_back(anchor, r);
    }
  }

  void layout() {
    RECT client{};
    GetClientRect(window, &client);
    if (client.right == 0 || client.bottom == 0) return;
    const int dx = client.right - baseClient.cx;
    const int dy = client.bottom - baseClient.cy;
    HDWP batch = BeginDeferWindowPos(static_cast<int>(baseRects.size()));
    for (const auto& [anchor, base] : baseRects) {
      RECT r = base;
      if (anchor.edges & kRight) {
        r.right += dx;
        if (!(anchor.edges & kLeft)) r.left += dx;
      }
      if (anchor.edges & kBottom) {
        r.bottom += dy;
        if (!(anchor.edges & kTop)) r.top += dy;
      }
      HWND control = GetDlgItem(window, anchor.id);
      if (batch != nullptr)
        batch = DeferWindowPos(batch, control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                               SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (batch != nullptr) EndDeferWindowPos(batch);
    // The tree's first column takes the width it gained.
    if (bindings) bindings->refreshAll();
  }

  void bind() {
    auto& b = *bindings;
    auto& l = logic.lists;
    b.form(logic.form, [this] { logic.hooks.endProgram(); });
    b.label(IDC_LBLSTATUS, logic.lblStatus);
    b.button(IDC_CMDQUICKSCAN, l.cmdQuickScan);
    b.button(IDC_CMDDEEPSCAN, l.cmdDeepScan);
    b.button(IDC_CMDRESTORE, l.cmdRestore);
    b.listView(IDC_LVWRESULTPROGRESS, l.lvwResultProgress, {230, 130});
    b.progressBar(IDC_PGBSCANNING, l.PgbScanning);
    b.timer(l.TmrIncrementProgressBar);
    b.timer(logic.tmrUnload);
    b.label(IDC_LBLREGISTRYSCAN, l.lblRegistryScan);
    b.label(IDC_LBLREGISTRYFILESSCAN, l.lblRegistryFilesScan);
    b.button(IDC_CMDCANCEL, l.cmdCancel);
    b.panel(l.imgListOfProblems, {IDC_IMGLISTOFPROBLEMS});
    b.panel(l.imgListOfItemsInBackupFile, {IDC_IMGLISTOFITEMSINBACKUPFILE});
    b.tree(IDC_VBATVWRESULTS, l.vbatvwResults, {treeImages, 0, 1, 2, 3});
    b.label(IDC_LBLTOTALERRORS, l.lblTotalErrors);
    b.label(IDC_LBLPROBLEMDETAILS, l.lblProblemDetails);
    b.button(IDC_CMDREPAIRCORRUPTFILES, l.cmdRepairCorruptFiles);
    b.button(IDC_CMDRESTORENOW, l.cmdRestoreNow);
    b.progressBar(IDC_PGBDELETINGERRORS, l.pgbDeletingErrors);
    b.label(IDC_LBLSTATUSOFACTIONTAKEN, l.lblStatusOfActionTaken);
    b.panel(l.picFixProblemLowerBase, {IDC_CMDREPAIRCORRUPTFILES});
    b.panel(l.picRestoreLowerBase, {IDC_CMDRESTORENOW});
    b.panel(l.picMain, {IDC_MAIN_TITLE, IDC_MAIN_QUICK, IDC_MAIN_DEEP, IDC_MAIN_RESTORE});
    b.panel(l.picScanning,
            {IDC_LBLREGISTRYSCAN, IDC_LBLREGISTRYFILESSCAN, IDC_LVWRESULTPROGRESS, IDC_PGBSCANNING, IDC_CMDCANCEL});
    b.panel(l.PicResults,
            {IDC_IMGLISTOFPROBLEMS, IDC_IMGLISTOFITEMSINBACKUPFILE, IDC_LBLTOTALERRORS, IDC_VBATVWRESULTS,
             IDC_CMDREPAIRCORRUPTFILES, IDC_CMDRESTORENOW, IDC_PGBDELETINGERRORS, IDC_LBLSTATUSOFACTIONTAKEN});
    b.panel(l.PicResults, {IDC_LBLPROBLEMDETAILS});

    HMENU bar = GetMenu(window);
    HMENU action = GetSubMenu(bar, 0), tools = GetSubMenu(bar, 1), settings = GetSubMenu(bar, 2),
          help = GetSubMenu(bar, 3);
    b.menuItem(action, IDM_AQUICKSCAN, logic.mnuAQuickScan);
    b.menuItem(action, IDM_ADEEPSCAN, logic.mnuADeepScan);
    b.menuItem(action, IDM_ARESTORE, logic.mnuARestore);
    b.menuItem(action, IDM_AINTERNETSYSTEMCLEANER, logic.mnuAInternetSystemCleaner);
    b.menuItem(action, IDM_EXIT, logic.mnuExit);
    b.menuItem(tools, IDM_TUSPEEDUPMYCOMPUTER, logic.mnuTuSpeedUpMyComputer);
    b.menuItem(tools, IDM_TUSPEEDUPMYINTERNET, logic.mnuTuSpeedUpMyInternet);
    b.menuItem(tools, IDM_TUCLEARBROWSERCACHE, logic.mnuTuClearBrowserCache);
    b.menuItem(tools, IDM_TUEXPORTLISTOFPROBLEMS, logic.mnuTuExportListOfProblems);
    b.menuItem(settings, IDM_TOPTIONSANDSETTINGS, logic.mnuTOptionsAndSettings);
    b.menuItem(help, IDM_HONLINEHELP, logic.mnuHOnlineHelp);
    b.menuItem(help, IDM_HELPABOUTTHISPROGRAM, logic.mnuHelpAboutThisProgram);
    HMENU file = fileMenu();
    b.menuItem(file, IDM_FILESCANFORPROBLEMS, logic.mnuFileScanforProblems);
    b.menuItem(file, IDM_FILESPEEDUPMYCOMPUTER, logic.MnuFileSpeedUpMyComputer);
    b.menuItem(file, IDM_FILESPEEDUPMYINTERNET, logic.mnuFileSpeedUpMyInternet);
    b.menuItem(file, IDM_FILEPRINTLISTOFERRORS, logic.mnuFilePrintListofErrors);
    b.menuItem(file, IDM_FILEEXIT, logic.mnuFileExit);
    HMENU popup = trayMenu();
    b.menuItem(popup, IDM_SHOWSYSMEND, logic.mnuShowSysmend);
    b.menuItem(popup, IDM_CLOSETHISMENU, logic.mnuCloseThisMenu);
    b.menuItem(popup, IDM_TRAYEXIT, logic.mnuTrayExit);
    b.menuItem(resultsMenu(), IDM_RKEEPENTRY, logic.mnuRKeepEntry);
    DrawMenuBar(window);
  }

  void bindTray() {
    tray = std::make_unique<TrayIcon>(window, kTrayMessage);
    tray->setIcon(instance, MAKEINTRESOURCEW(IDI_PROGRAM));
    auto apply = [this](const platform::Change&) {
      tray->setTip(logic.trayIcon.tip.get());
      if (logic.trayIcon.shown && !tray->shown()) tray->show();
      if (!logic.trayIcon.shown && tray->shown()) tray->hide();
    };
    traySubscription = platform::Subscription(logic.trayIcon, apply);
    apply({});
  }

  void setHooks() {
    logic.hooks.showOptions = [this](shell::frmOptionsAndSettings& f) { ShowOptionsDialog(window, f); };
    logic.hooks.showAbout = [this](shell::frmAbout& f) { ShowAboutDialog(window, f); };
    logic.hooks.showRestoreChooser = [this](backup::frmRestore& f) { ShowRestoreChooser(window, f); };
    logic.hooks.showBootingSpeed = [this](tools::frmBootingSpeed& f) { ShowBootingSpeedDialog(window, f); };
    logic.hooks.showSpeedInternet = [this](tools::frmSpeedIntenetConnection& f, bool cacheFirst) {
      ShowSpeedInternetDialog(window, f, cacheFirst);
    };
    logic.hooks.popupMenu = [this](platform::MenuItemModel& menu) {
      if (&menu == &logic.mnuResults)
        popupAtCursor(resultsMenu(), TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN);
      else
        popupTrayMenu();
    };
    logic.hooks.endProgram = [this] {
      logic.trayIcon.shown = false;
      if (onEnd != nullptr && *onEnd) {
        (*onEnd)();
        return;
      }
      ShowWindow(window, SW_HIDE);
      PostQuitMessage(0);
    };
    // The Windows registry is written as repair and restore go.
    logic.hooks.saveChanges = [](std::string&) { return true; };
  }

  void popupTrayMenu() { popupAtCursor(trayMenu(), TPM_RIGHTBUTTON | TPM_BOTTOMALIGN | TPM_RIGHTALIGN); }

  void popupAtCursor(HMENU menu, UINT flags) {
    POINT at{};
    GetCursorPos(&at);
    // The pop-up closes when the user clicks elsewhere only if we are in front.
    SetForegroundWindow(window);
    TrackPopupMenuEx(menu, flags, at.x, at.y, window, nullptr);
    PostMessageW(window, WM_NULL, 0, 0);
  }

  void onDpiChanged(WPARAM wParam, const RECT* suggested) {
    (void)wParam;  // the new DPI; the suggested rectangle already follows it
    SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    // The dialog manager scaled the controls and the font: start the
    // layout, the fonts and the pictures again from there.
    makeFonts();
    makeIcons();
    captureLayout();
    if (tray) tray->readd();
  }

  // Returns true when the message was handled, with the result to give.
  bool handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (tray && tray->handleMessage(message)) return true;
    switch (message) {
      case WM_SIZE:
        // The form binding records the state first; then the logic reacts.
        bindings->dispatch(message, wParam, lParam, result);
        if (wParam != SIZE_MINIMIZED) layout();
        logic.Form_Resize();
        return true;
      case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize = minTrack;
        return true;
      }
      case WM_ACTIVATE:
        // After the activation finished: a scan started from here runs outside it.
        if (LOWORD(wParam) != WA_INACTIVE) PostMessageW(window, kActivateLater, 0, 0);
        return false;
      case kActivateLater:
        logic.Form_Activate();
        return true;
      case kTrayMessage:
        logic.Form_MouseMove(static_cast<int>(LOWORD(lParam)));
        return true;
      case WM_CLOSE:
        if (logic.Form_QueryUnload()) logic.hooks.endProgram();
        return true;
      case WM_QUERYENDSESSION:
        result = TRUE;  // never refuse the end of the session
        return true;
      case WM_ENDSESSION:
        if (wParam != FALSE) logic.Form_EndSession();
        return true;
      case WM_COMMAND:
        // Esc in the window cancels a running scan (the button is shown only then).
        if (LOWORD(wParam) == IDCANCEL && lParam == 0) {
          logic.lists.cmdCancel.click();
          return true;
        }
        break;
      case WM_CTLCOLORSTATIC: {
        const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        if (id == IDC_HEADING || id == IDC_SUBHEADING || id == IDC_HEADER_ICON) {
          auto dc = reinterpret_cast<HDC>(wParam);
          SetBkColor(dc, RGB(255, 255, 255));
          SetTextColor(dc, id == IDC_HEADING ? RGB(0x1F, 0x4E, 0x96) : RGB(0x50, 0x50, 0x50));
          result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
          return true;
        }
        if (id == IDC_MAIN_TITLE || id == IDC_IMGLISTOFPROBLEMS || id == IDC_IMGLISTOFITEMSINBACKUPFILE) {
          auto dc = reinterpret_cast<HDC>(wParam);
          SetBkMode(dc, TRANSPARENT);
          SetTextColor(dc, RGB(0x1F, 0x4E, 0x96));
          result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
          return true;
        }
        return false;
      }
      case 0x02E0:  // WM_DPICHANGED
        onDpiChanged(wParam, reinterpret_cast<const RECT*>(lParam));
        return true;
      default:
        break;
    }
    return bindings->dispatch(message, wParam, lParam, result);
  }

  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
      if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
        return TRUE;
      }
      auto* self = reinterpret_cast<State*>(GetWindowLongPtrW(window, GWLP_USERDATA));
      if (self == nullptr || !self->bindings) return FALSE;
      LRESULT result = 0;
      if (!self->handle(message, wParam, lParam, result)) return FALSE;
      // These answer with the brush itself, not through DWLP_MSGRESULT.
      if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) return static_cast<INT_PTR>(result);
      SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
      return TRUE;
    } catch (...) {
      LogError("WindowProc of frmMain");
      return FALSE;
    }
  }
};

MainWindow::MainWindow(frmMain& logic, HINSTANCE instance)
    : state_(std::make_unique<State>(logic, instance != nullptr ? instance : GetModuleHandleW(nullptr))) {
  state_->onEnd = &onEnd;
}

MainWindow::~MainWindow() = default;

HWND MainWindow::window() const { return state_->window; }
platform::win32::gui::Bindings& MainWindow::bindings() { return *state_->bindings; }

bool MainWindow::open() {
  State& s = *state_;
  // The template names this class: it gives the window the program's icon.
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof cls;
  if (!GetClassInfoExW(s.instance, kWindowClass, &cls)) {
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = DefDlgProcW;
    cls.cbWndExtra = DLGWINDOWEXTRA;
    cls.hInstance = s.instance;
    cls.hIcon = LoadIconAt(s.instance, IDI_PROGRAM, GetSystemMetrics(SM_CXICON));
    cls.hIconSm = LoadIconAt(s.instance, IDI_PROGRAM, GetSystemMetrics(SM_CXSMICON));
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = kWindowClass;
    if (RegisterClassExW(&cls) == 0) return false;
  }
  s.window = CreateDialogParamW(s.instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, &State::Procedure,
                                reinterpret_cast<LPARAM>(&s));
  if (s.window == nullptr) return false;
  s.hiddenMenu = LoadMenuW(s.instance, MAKEINTRESOURCEW(IDM_HIDDEN));
  s.accelerators = LoadAcceleratorsW(s.instance, MAKEINTRESOURCEW(IDA_MAIN));
  platform::win32::gui::RegisterDialogWindow(s.window, s.accelerators);

  RECT frame{};
  GetWindowRect(s.window, &frame);
  s.minTrack = {(frame.right - frame.left) * 4 / 5, (frame.bottom - frame.top) * 4 / 5};
  s.makeFonts();
  s.makeIcons();
  s.captureLayout();
  // Centred on the work area of the monitor it opens on, and never larger than it.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoW(MonitorFromWindow(s.window, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
    const RECT& work = monitor.rcWork;
    const int width = static_cast<int>(std::min(frame.right - frame.left, work.right - work.left));
    const int height = static_cast<int>(std::min(frame.bottom - frame.top, work.bottom - work.top));
    SetWindowPos(s.window, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  s.layout();
  s.bindings = std::make_unique<Bindings>(s.window);
  s.setHooks();
  s.bind();
  s.bindTray();

  s.logic.Form_Load();
  // The hidden notice of the drive search: loaded, its timer stopped, never shown.
  s.initializing.Form_Load();
  s.initializing.tmrUnload.enabled = false;
  CreateInitializingWindow(s.window, s.initializing);
  s.bindings->flush();
  if (s.logic.form.windowState != platform::WindowState::Minimized) {
    s.logic.form.visible = true;
    SetForegroundWindow(s.window);
  }
  return true;
}

}  // namespace hm::gui
