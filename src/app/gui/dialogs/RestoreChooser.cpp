// The backup chooser's window: the list of sets follows the model, the
// user's selection goes back to it, and the window resizes.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include "DialogIds.h"
#include "DialogSupport.h"
#include "Dialogs.h"
#include "platform/win32/Wide.h"

namespace hm::gui {
namespace {

using backup::frmRestore;
using platform::win32::wide;

class RestoreChooserDialog : public detail::Dialog {
 public:
  explicit RestoreChooserDialog(frmRestore& logic) : Dialog(logic.form, "DialogProc of frmRestore"), logic_(logic) {}

 private:
  frmRestore& logic_;
  HWND list_ = nullptr;
  bool syncing_ = false;  // the list is being filled from the model
  SIZE minimum_{};
  // Distances kept on resizing: the list's right and bottom margins, the buttons' from the bottom right.
  int listRight_ = 0, listBottom_ = 0, buttonsBottom_ = 0, okRight_ = 0, cancelRight_ = 0;

  bool init() override {
    list_ = GetDlgItem(window(), IDC_RESTORE_LIST);
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
    addColumns();
    rememberLayout();

    bindCaption();
    bindLabel(IDC_RESTORE_SELECT, logic_.lblSelect);
    bindButton(IDC_RESTORE_DELETE, logic_.cmdDeleteBackup);
    bindButton(IDC_RESTORE_OK, logic_.cmdOK);
    bindButton(IDC_RESTORE_CANCEL, logic_.cmdCancel);
    // Esc and the title bar's close cancel.
    onCommand(IDCANCEL, [this] { logic_.cmdCancel_Click(); });
    fill();
    keep(platform::Subscription(logic_.lvwBackups, [this](const platform::Change&) {
      if (!syncing_) fill();
    }));
    SetFocus(list_);
    return false;
  }

  void addColumns() {
    const auto& headers = logic_.lvwBackups.headers();
    // Name and date get fixed widths, the path what is left, the sort key none.
    RECT widths{90, 112, 0, 0};
    MapDialogRect(window(), &widths);
    for (std::size_t i = 0; i < headers.size(); ++i) {
      // A header reads "&" as an access key mark, as a button does.
      std::wstring text;
      for (const wchar_t c : wide(headers[i])) text += c == L'&' ? std::wstring(L"&&") : std::wstring(1, c);
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
      column.pszText = text.data();
      column.iSubItem = static_cast<int>(i);
      column.cx = i == frmRestore::kBackupName ? widths.left : i == frmRestore::kBackupDate ? widths.top : 0;
      ListView_InsertColumn(list_, static_cast<int>(i), &column);
    }
    fitPathColumn();
  }

  void fitPathColumn() {
    RECT client{};
    GetClientRect(list_, &client);
    const int rest = client.right - ListView_GetColumnWidth(list_, frmRestore::kBackupName) -
                     ListView_GetColumnWidth(list_, frmRestore::kBackupDate) - GetSystemMetrics(SM_CXVSCROLL);
    RECT least{80, 0, 0, 0};
    MapDialogRect(window(), &least);
    ListView_SetColumnWidth(list_, frmRestore::kBackupPath, rest > least.left ? rest : least.left);
  }

  // Rows and selection from the model.
  void fill() {
    syncing_ = true;
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list_);
    const auto& rows = logic_.lvwBackups.rows();
    int selected = -1;
    for (std::size_t r = 0; r < rows.size(); ++r) {
      for (std::size_t c = 0; c < rows[r].cells.size(); ++c) {
        std::wstring text = wide(rows[r].cells[c]);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(r);
        item.iSubItem = static_cast<int>(c);
        item.pszText = text.data();
        if (c == 0)
          ListView_InsertItem(list_, &item);
        else
          ListView_SetItem(list_, &item);
      }
      if (rows[r].selected) selected = static_cast<int>(r);
    }
    if (selected >= 0) {
      ListView_SetItemState(list_, selected, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      ListView_EnsureVisible(list_, selected, FALSE);
    }
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
    syncing_ = false;
  }

  // A control's rectangle in the dialog's client coordinates.
  RECT childRect(int id) const {
    RECT r{};
    GetWindowRect(GetDlgItem(window(), id), &r);
    MapWindowPoints(nullptr, window(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }

  void rememberLayout() {
    RECT frame{}, client{};
    GetWindowRect(window(), &frame);
    minimum_ = {frame.right - frame.left, frame.bottom - frame.top};
    GetClientRect(window(), &client);
    const RECT list = childRect(IDC_RESTORE_LIST), ok = childRect(IDC_RESTORE_OK),
               cancel = childRect(IDC_RESTORE_CANCEL);
    listRight_ = client.right - list.right;
    listBottom_ = client.bottom - list.bottom;
    buttonsBottom_ = client.bottom - ok.top;
    okRight_ = client.right - ok.left;
    cancelRight_ = client.right - cancel.left;
  }

  void layout(int width, int height) {
    const auto move = [this](int id, int x, int y, int w, int h) {
      SetWindowPos(GetDlgItem(window(), id), nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    const RECT list = childRect(IDC_RESTORE_LIST), select = childRect(IDC_RESTORE_SELECT),
               del = childRect(IDC_RESTORE_DELETE), ok = childRect(IDC_RESTORE_OK);
    const int buttonHeight = ok.bottom - ok.top, buttonWidth = ok.right - ok.left;
    const int buttonsTop = height - buttonsBottom_;
    move(IDC_RESTORE_SELECT, select.left, select.top, width - listRight_ - select.left, select.bottom - select.top);
    move(IDC_RESTORE_LIST, list.left, list.top, width - listRight_ - list.left, height - listBottom_ - list.top);
    move(IDC_RESTORE_DELETE, del.left, buttonsTop, del.right - del.left, buttonHeight);
    move(IDC_RESTORE_OK, width - okRight_, buttonsTop, buttonWidth, buttonHeight);
    move(IDC_RESTORE_CANCEL, width - cancelRight_, buttonsTop, buttonWidth, buttonHeight);
    fitPathColumn();
    InvalidateRect(window(), nullptr, TRUE);
  }

  bool notify(const NMHDR& header, INT_PTR& result) {
    if (header.hwndFrom == list_) {
      if (header.code == LVN_ITEMCHANGED) {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        const bool nowSelected = (change.uNewState & LVIS_SELECTED) && !(change.uOldState & LVIS_SELECTED);
        if (!syncing_ && nowSelected && change.iItem >= 0 &&
            static_cast<std::size_t>(change.iItem) < logic_.lvwBackups.rowCount()) {
          syncing_ = true;
          logic_.lvwBackups.select(static_cast<std::size_t>(change.iItem));
          syncing_ = false;
        }
        return false;
      }
      if (header.code == NM_DBLCLK && reinterpret_cast<const NMITEMACTIVATE&>(header).iItem >= 0) {
        logic_.cmdOK.click();
        result = 0;
        return true;
      }
      return false;
    }
    // The hidden sort key column stays hidden: its divider cannot be dragged or double-clicked open.
    if (header.hwndFrom == ListView_GetHeader(list_) &&
        (header.code == HDN_BEGINTRACKW || header.code == HDN_BEGINTRACKA || header.code == HDN_DIVIDERDBLCLICKW ||
         header.code == HDN_DIVIDERDBLCLICKA)) {
      const int column = reinterpret_cast<const NMHEADERW&>(header).iItem;
      if (column == frmRestore::kBackupSortKey) {
        result = TRUE;
        return true;
      }
    }
    return false;
  }

  bool message(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override {
    switch (message) {
      case WM_NOTIFY:
        return notify(*reinterpret_cast<const NMHDR*>(lParam), result);
      case WM_SIZE:
        if (wParam != SIZE_MINIMIZED && list_) layout(LOWORD(lParam), HIWORD(lParam));
        return false;
      case WM_GETMINMAXINFO:
        if (minimum_.cx > 0) {
          auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
          info->ptMinTrackSize = {minimum_.cx, minimum_.cy};
        }
        result = 0;
        return true;
      default:
        return false;
    }
  }
};

}  // namespace

void ShowRestoreChooser(HWND owner, frmRestore& form) {
  RestoreChooserDialog dialog(form);
  detail::RunModal(IDD_RESTORE, owner, dialog);
}

}  // namespace hm::gui
