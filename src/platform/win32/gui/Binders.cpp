#include "platform/win32/gui/Binders.h"

#include <windowsx.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "common/ErrorLog.h"
#include "platform/win32/Wide.h"

namespace hm::platform::win32::gui {
namespace {

constexpr UINT_PTR kRefreshTimer = kFirstBindingTimer;

void SetText(HWND control, const std::string& text) {
  const std::wstring w = wide(text);
  // Unchanged text is not set again: no flicker, no needless repaint.
  const int length = GetWindowTextLengthW(control);
  if (length == static_cast<int>(w.size())) {
    std::wstring old(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(control, old.data(), length + 1);
    old.resize(static_cast<std::size_t>(length));
    if (old == w) return;
  }
  SetWindowTextW(control, w.c_str());
}

void Show(HWND control, bool shown) {
  const bool styleVisible = (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
  if (styleVisible != shown) ShowWindow(control, shown ? SW_SHOWNA : SW_HIDE);
}

void Enable(HWND control, bool enabled) {
  if ((IsWindowEnabled(control) != FALSE) != enabled) EnableWindow(control, enabled ? TRUE : FALSE);
}

// A header draws "&" as an access-key mark; doubled, it shows as itself.
std::wstring HeaderText(const std::string& text) {
  std::wstring shown;
  for (const wchar_t c : wide(text)) {
    if (c == L'&') shown += L'&';
    shown += c;
  }
  return shown;
}

bool IsCommandFrom(UINT message, WPARAM wParam, HWND control) {
  return message == WM_COMMAND && control != nullptr && LOWORD(wParam) == GetDlgCtrlID(control);
}

const NMHDR* NotifyFrom(UINT message, LPARAM lParam, HWND control) {
  if (message != WM_NOTIFY) return nullptr;
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  return header->hwndFrom == control ? header : nullptr;
}

// A font owned by one binding.
struct FontOwner {
  HFONT font = nullptr;
  FontOwner() = default;
  FontOwner(const FontOwner&) = delete;
  FontOwner& operator=(const FontOwner&) = delete;
  ~FontOwner() {
    if (font != nullptr) DeleteObject(font);
  }
};

// ---------------------------------------------------------------- form

class FormBinding : public Binding {
 public:
  FormBinding(Bindings& owner, FormModel& model, std::function<void()> onUnload)
      : Binding(owner), model_(model), onUnload_(std::move(onUnload)) {
    subscription_ = Subscription(model, [this](const Change&) { refresh(); });
    refresh();
  }
  void refresh() override {
    if (reporting_) return;
    HWND w = owner_.window();
    // An empty caption keeps the window's own (a dialog template's).
    if (!model_.caption.get().empty()) SetText(w, model_.caption);
    if (!model_.loaded) {
      if (!unloaded_) {
        unloaded_ = true;
        if (onUnload_) onUnload_();
      }
      return;
    }
    const bool shown = (GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown != model_.visible.get()) ShowWindow(w, model_.visible ? SW_SHOW : SW_HIDE);
    if (model_.visible) {
      switch (model_.windowState.get()) {
        case WindowState::Minimized:
          if (!IsIconic(w)) ShowWindow(w, SW_MINIMIZE);
          break;
        case WindowState::Maximized:
          if (!IsZoomed(w)) ShowWindow(w, SW_MAXIMIZE);
          break;
        case WindowState::Normal:
          if (IsIconic(w) || IsZoomed(w)) ShowWindow(w, SW_RESTORE);
          break;
      }
    }
    if (model_.mousePointer.get() != pointer_) {
      pointer_ = model_.mousePointer;
      // The cursor changes now, not at the next mouse move.
      POINT p;
      GetCursorPos(&p);
      if (WindowFromPoint(p) != nullptr && GetAncestor(WindowFromPoint(p), GA_ROOT) == w)
        SetCursor(LoadCursorW(nullptr, pointer_ == MousePointer::Hourglass ? IDC_WAIT : IDC_ARROW));
    }
  }
  bool handle(UINT message, WPARAM wParam, LPARAM, LRESULT& result) override {
    if (message == WM_SETCURSOR && model_.mousePointer == MousePointer::Hourglass) {
      SetCursor(LoadCursorW(nullptr, IDC_WAIT));
      result = TRUE;
      return true;
    }
    if (message == WM_SIZE) {
      // The user minimised, maximised or restored: the model follows.
      WindowState state = WindowState::Normal;
      if (wParam == SIZE_MINIMIZED) state = WindowState::Minimized;
      if (wParam == SIZE_MAXIMIZED) state = WindowState::Maximized;
      if (wParam == SIZE_MINIMIZED || wParam == SIZE_MAXIMIZED || wParam == SIZE_RESTORED) {
        reporting_ = true;
        model_.windowState = state;
        reporting_ = false;
      }
    }
    if (message == WM_SHOWWINDOW && model_.loaded) {
      reporting_ = true;
      model_.visible = wParam != FALSE;
      reporting_ = false;
    }
    return false;
  }

 private:
  FormModel& model_;
  std::function<void()> onUnload_;
  bool unloaded_ = false;
  bool reporting_ = false;
  MousePointer pointer_ = MousePointer::Default;
};

// ---------------------------------------------------------------- label

class LabelBinding : public Binding {
 public:
  LabelBinding(Bindings& owner, HWND control, LabelModel& model) : Binding(owner), control_(control), model_(model) {
    subscription_ = Subscription(model, [this](const Change&) { owner_.schedule(*this); });
    refresh();
  }
  void refresh() override {
    SetText(control_, model_.caption());
    owner_.show(control_, model_.visible);
    Enable(control_, model_.enabled);
  }
  bool handle(UINT message, WPARAM wParam, LPARAM, LRESULT&) override {
    if (IsCommandFrom(message, wParam, control_) && HIWORD(wParam) == STN_CLICKED && model_.Click) {
      model_.Click();
      return true;
    }
    return false;
  }

 private:
  HWND control_;
  LabelModel& model_;
};

// ---------------------------------------------------------------- button

class ButtonBinding : public Binding {
 public:
  ButtonBinding(Bindings& owner, HWND control, ButtonModel& model, HICON icon)
      : Binding(owner), control_(control), model_(model) {
    if (icon != nullptr) SendMessageW(control, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
    SetWindowSubclass(control, &ButtonBinding::Subclass, reinterpret_cast<UINT_PTR>(this), 0);
    subscription_ = Subscription(model, [this](const Change&) { refresh(); });
    refresh();
  }
  ~ButtonBinding() override {
    RemoveWindowSubclass(control_, &ButtonBinding::Subclass, reinterpret_cast<UINT_PTR>(this));
  }
  void refresh() override {
    SetText(control_, model_.caption);
    Enable(control_, model_.enabled);
    owner_.show(control_, model_.visible);
    if (model_.toolTip.get() != tip_) {
      tip_ = model_.toolTip;
      owner_.registerTooltip(control_, tip_);
    }
  }
  bool handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) override {
    if (IsCommandFrom(message, wParam, control_) && HIWORD(wParam) == BN_CLICKED &&
        reinterpret_cast<HWND>(lParam) == control_) {
      model_.click();
      return true;
    }
    return false;
  }

 private:
  static LRESULT CALLBACK Subclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) {
    if (message == WM_MOUSEMOVE) {
      try {
        auto* self = reinterpret_cast<ButtonBinding*>(id);
        if (self->model_.MouseMove) self->model_.MouseMove();
      } catch (...) {
        LogError("Button_MouseMove");
      }
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
  }
  HWND control_;
  ButtonModel& model_;
  std::string tip_;
};

// ---------------------------------------------------------------- check box, option button

class CheckBoxBinding : public Binding {
 public:
  CheckBoxBinding(Bindings& owner, HWND control, CheckBoxModel& model)
      : Binding(owner), control_(control), model_(model) {
    subscription_ = Subscription(model, [this](const Change&) { refresh(); });
    refresh();
  }
  void refresh() override {
    SetText(control_, model_.caption);
    Enable(control_, model_.enabled);
    owner_.show(control_, model_.visible);
    SendMessageW(control_, BM_SETCHECK, model_.value() ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  bool handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) override {
    if (IsCommandFrom(message, wParam, control_) && HIWORD(wParam) == BN_CLICKED &&
        reinterpret_cast<HWND>(lParam) == control_) {
      // An automatic check box has already toggled itself; a plain one
      // leaves it to the model, and the control follows.
      const LONG type = GetWindowLongW(control_, GWL_STYLE) & BS_TYPEMASK;
      if (type == BS_AUTOCHECKBOX || type == BS_AUTO3STATE)
        model_.setValue(SendMessageW(control_, BM_GETCHECK, 0, 0) == BST_CHECKED);
      else
        model_.click();
      refresh();
      return true;
    }
    return false;
  }

 private:
  HWND control_;
  CheckBoxModel& model_;
};

class OptionBinding : public Binding {
 public:
  OptionBinding(Bindings& owner, HWND control, OptionButtonModel& model, int group, std::vector<OptionBinding*>& all)
      : Binding(owner), control_(control), model_(model), group_(group), all_(all) {
    subscription_ = Subscription(model, [this](const Change&) { refresh(); });
    refresh();
  }
  void refresh() override {
    SetText(control_, model_.caption);
    Enable(control_, model_.enabled);
    owner_.show(control_, model_.visible);
    SendMessageW(control_, BM_SETCHECK, model_.value() ? BST_CHECKED : BST_UNCHECKED, 0);
    if (model_.value()) {
      for (OptionBinding* other : all_)
        if (other != this && other->group_ == group_) other->model_.setValue(false);
    }
    placeTabStop();
  }
  bool handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) override {
    if (IsCommandFrom(message, wParam, control_) && HIWORD(wParam) == BN_CLICKED &&
        reinterpret_cast<HWND>(lParam) == control_) {
      model_.click();
      refresh();  // a disabled model keeps the control as it was
      return true;
    }
    return false;
  }

  // Only the selected option of a group is a tab stop (the first when none
  // is): the dialog manager gives the focus back to a tab stop, and an
  // option button that gets the focus unselected selects itself.
  void placeTabStop() {
    // This one may not be listed yet (while it is being bound).
    std::vector<OptionBinding*> group;
    for (OptionBinding* o : all_)
      if (o->group_ == group_ && o != this) group.push_back(o);
    group.push_back(this);
    OptionBinding* stop = nullptr;
    for (OptionBinding* o : group)
      if (stop == nullptr || (o->model_.value() && !stop->model_.value())) stop = o;
    for (OptionBinding* o : group) {
      const LONG style = GetWindowLongW(o->control_, GWL_STYLE);
      const LONG want = o == stop ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
      if (want != style) SetWindowLongW(o->control_, GWL_STYLE, want);
    }
  }

 private:
  HWND control_;
  OptionButtonModel& model_;
  int group_;
  std::vector<OptionBinding*>& all_;
};

// ---------------------------------------------------------------- progress bar

class ProgressBinding : public Binding {
 public:
  ProgressBinding(Bindings& owner, HWND control, ProgressBarModel& model)
      : Binding(owner), control_(control), model_(model) {
    subscription_ = Subscription(model, [this](const Change&) { owner_.schedule(*this); });
    refresh();
  }
  void refresh() override {
    SendMessageW(control_, PBM_SETRANGE32, static_cast<WPARAM>(model_.minimum.get()), model_.maximum.get());
    SendMessageW(control_, PBM_SETPOS, static_cast<WPARAM>(model_.value.get()), 0);
    owner_.show(control_, model_.visible);
  }

 private:
  HWND control_;
  ProgressBarModel& model_;
};

// ---------------------------------------------------------------- lists

int ClientWidth(HWND control) {
  RECT r{};
  GetClientRect(control, &r);
  return r.right - r.left;
}

void SetStateImage(LVITEMW& item, bool checked) {
  item.mask |= LVIF_STATE;
  item.stateMask |= LVIS_STATEIMAGEMASK;
  item.state |= INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
}

// What both owner-data lists share: the row count, the text buffer of
// LVN_GETDISPINFO and the check-box clicks.
class OwnerDataList : public Binding {
 public:
  OwnerDataList(Bindings& owner, HWND control, bool checkBoxes) : Binding(owner), control_(control) {
    DWORD ex = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP;
    if (checkBoxes) ex |= LVS_EX_CHECKBOXES;
    ListView_SetExtendedListViewStyle(control, ex);
    // Owner data keeps no check marks: the control asks for them with the texts.
    if (checkBoxes) ListView_SetCallbackMask(control, LVIS_STATEIMAGEMASK);
  }

 protected:
  virtual std::size_t rows() = 0;
  // Read at once into the control's buffer, so a view into the model will do.
  virtual std::string_view text(std::size_t row, int column) = 0;
  virtual void fill(std::size_t, LVITEMW&) {}
  virtual void toggleCheck(std::size_t row) = 0;
  virtual void selected(std::size_t row) = 0;
  virtual bool notify(const NMHDR&, LRESULT&) { return false; }

  void setCount() {
    const int count = static_cast<int>(rows());
    if (count != ListView_GetItemCount(control_))
      ListView_SetItemCountEx(control_, count, LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    InvalidateRect(control_, nullptr, FALSE);
  }
  void selectRow(std::optional<std::size_t> row) {
    const int want = row ? static_cast<int>(*row) : -1;
    if (ListView_GetNextItem(control_, -1, LVNI_SELECTED) == want) return;
    ignore_ = true;
    ListView_SetItemState(control_, -1, 0, LVIS_SELECTED);
    if (want >= 0) {
      ListView_SetItemState(control_, want, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      ListView_EnsureVisible(control_, want, FALSE);
    }
    ignore_ = false;
  }

  bool handle(UINT message, WPARAM, LPARAM lParam, LRESULT& result) override {
    const NMHDR* header = NotifyFrom(message, lParam, control_);
    if (header == nullptr) return false;
    switch (header->code) {
      case LVN_GETDISPINFOW: {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
        LVITEMW& item = info->item;
        if (item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= rows()) return true;
        const auto row = static_cast<std::size_t>(item.iItem);
        if ((item.mask & LVIF_TEXT) != 0 && item.cchTextMax > 0) {
          buffer_ = wide(text(row, item.iSubItem));
          lstrcpynW(item.pszText, buffer_.c_str(), item.cchTextMax);
        }
        fill(row, item);
        return true;
      }
      case NM_CLICK:
      case NM_DBLCLK: {
        const auto* click = reinterpret_cast<const NMITEMACTIVATE*>(lParam);
        LVHITTESTINFO hit{};
        hit.pt = click->ptAction;
        const int row = ListView_SubItemHitTest(control_, &hit);
        if (row >= 0 && (hit.flags & LVHT_ONITEMSTATEICON) != 0) {
          toggleCheck(static_cast<std::size_t>(row));
          return true;
        }
        break;
      }
      case LVN_KEYDOWN: {
        const auto* key = reinterpret_cast<const NMLVKEYDOWN*>(lParam);
        const int row = ListView_GetNextItem(control_, -1, LVNI_FOCUSED);
        if (key->wVKey == VK_SPACE && row >= 0) {
          toggleCheck(static_cast<std::size_t>(row));
          return true;
        }
        break;
      }
      case LVN_ITEMCHANGED: {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
        if (!ignore_ && change->iItem >= 0 && (change->uNewState & LVIS_SELECTED) != 0 &&
            (change->uOldState & LVIS_SELECTED) == 0) {
          selected(static_cast<std::size_t>(change->iItem));
        }
        return true;
      }
      default:
        break;
    }
    return notify(*header, result);
  }

  HWND control_;
  bool ignore_ = false;
  std::wstring buffer_;
};

class ListBinding : public OwnerDataList {
 public:
  ListBinding(Bindings& owner, HWND control, ListViewModel& model, std::vector<int> widths, bool checkBoxes)
      : OwnerDataList(owner, control, checkBoxes), model_(model) {
    const auto& headers = model.headers();
    int fixed = 0, open = 0;
    for (std::size_t c = 0; c < headers.size(); ++c) {
      if (c < widths.size())
        fixed += widths[c];
      else
        ++open;
    }
    const int share = open > 0 ? std::max(40, (ClientWidth(control) - fixed) / open) : 0;
    for (std::size_t c = 0; c < headers.size(); ++c) {
      std::wstring header = HeaderText(headers[c]);
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
      column.pszText = header.data();
      column.cx = c < widths.size() ? widths[c] : share;
      column.iSubItem = static_cast<int>(c);
      ListView_InsertColumn(control, static_cast<int>(c), &column);
    }
    subscription_ = Subscription(model, [this](const Change&) { owner_.schedule(*this); });
    refresh();
  }
  void refresh() override {
    setCount();
    selectRow(model_.selectedRow());
    owner_.show(control_, model_.visible);
    Enable(control_, model_.enabled);
  }

 protected:
  std::size_t rows() override { return model_.rowCount(); }
  std::string_view text(std::size_t row, int column) override {
    if (column < 0) return {};
    return model_.cell(row, static_cast<std::size_t>(column));
  }
  void fill(std::size_t row, LVITEMW& item) override { SetStateImage(item, model_.row(row).checked); }
  void toggleCheck(std::size_t row) override {
    if (model_.enabled) model_.setChecked(row, !model_.row(row).checked);
  }
  void selected(std::size_t row) override { model_.select(row); }
  bool handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    // A zero-width column stays hidden: its divider neither drags nor double-clicks open.
    if (const NMHDR* header = NotifyFrom(message, lParam, ListView_GetHeader(control_))) {
      if (header->code == HDN_BEGINTRACKW || header->code == HDN_BEGINTRACKA || header->code == HDN_DIVIDERDBLCLICKW ||
          header->code == HDN_DIVIDERDBLCLICKA) {
        const int column = reinterpret_cast<const NMHEADERW*>(header)->iItem;
        if (column >= 0 && ListView_GetColumnWidth(control_, column) == 0) {
          result = TRUE;
          return true;
        }
      }
      return false;
    }
    return OwnerDataList::handle(message, wParam, lParam, result);
  }
  bool notify(const NMHDR& header, LRESULT& result) override {
    if (header.code != NM_CUSTOMDRAW) return false;
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header));
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
      result = CDRF_NOTIFYITEMDRAW;
      return true;
    }
    if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
      const auto row = static_cast<std::size_t>(draw->nmcd.dwItemSpec);
      if (row < model_.rowCount() && model_.row(row).textColor != 0) draw->clrText = model_.row(row).textColor;
      result = CDRF_DODEFAULT;
      return true;
    }
    return false;
  }

 private:
  ListViewModel& model_;
};

// ---------------------------------------------------------------- tree

class TreeBinding : public OwnerDataList {
 public:
  TreeBinding(Bindings& owner, HWND control, TreeViewModel& model, TreeImages images)
      : OwnerDataList(owner, control, true), model_(model), images_(images) {
    if (images.list != nullptr) ListView_SetImageList(control, images.list, LVSIL_SMALL);
    // A node's tip asks for its text (LVN_GETINFOTIP); a few lines of it.
    ListView_SetExtendedListViewStyleEx(control, LVS_EX_INFOTIP, LVS_EX_INFOTIP);
    if (HWND tips = ListView_GetToolTips(control)) SendMessageW(tips, TTM_SETMAXTIPWIDTH, 0, 640);
    LOGFONTW face{};
    auto* font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (font != nullptr && GetObjectW(font, sizeof face, &face) != 0) {
      face.lfWeight = FW_BOLD;
      bold_.font = CreateFontIndirectW(&face);
    }
    subscription_ = Subscription(model, [this](const Change& change) {
      // A node's check mark or text repaints one row; anything else re-lays the rows.
      if (change.kind == Change::Updated && !dirty_ && change.index < model_.nodeCount() &&
          change.index < shownOpen_.size() && model_.node(change.index).expanded == shownOpen_[change.index]) {
        const auto at = std::find(rows_.begin(), rows_.end(), change.index);
        if (at != rows_.end()) {
          const int row = static_cast<int>(at - rows_.begin());
          ListView_RedrawItems(control_, row, row);
          return;
        }
      }
      dirty_ = true;
      owner_.schedule(*this);
    });
    dirty_ = true;
    refresh();
  }
  void refresh() override {
    if (dirty_) {
      rows_.clear();
      for (std::size_t root : model_.roots()) addVisible(root);
      shownOpen_.assign(model_.nodeCount(), false);
      for (std::size_t i = 0; i < model_.nodeCount(); ++i) shownOpen_[i] = model_.node(i).expanded;
      dirty_ = false;
    }
    layColumns();
    ListView_SetItemCountEx(control_, static_cast<int>(rows_.size()), LVSICF_NOSCROLL);
    std::optional<std::size_t> row;
    if (const auto node = model_.selected()) {
      const auto at = std::find(rows_.begin(), rows_.end(), *node);
      if (at != rows_.end()) row = static_cast<std::size_t>(at - rows_.begin());
    }
    selectRow(row);
    owner_.show(control_, model_.visible);
    if (model_.widthPixels.get() != ClientWidth(control_)) model_.widthPixels = ClientWidth(control_);
  }

 protected:
  std::size_t rows() override { return rows_.size(); }
  std::string_view text(std::size_t row, int column) override {
    const TreeNode& node = model_.node(rows_[row]);
    return column == 0 ? node.text : column == 1 ? node.column2 : std::string_view();
  }
  void fill(std::size_t row, LVITEMW& item) override {
    const TreeNode& node = model_.node(rows_[row]);
    SetStateImage(item, node.checked);
    item.mask |= LVIF_INDENT | LVIF_IMAGE;
    item.iIndent = depth(rows_[row]);
    item.iImage = node.parent              ? images_.problem
                  : node.column2 == "High" ? images_.high
                  : node.column2 == "Low"  ? images_.low
                                           : images_.medium;
  }
  void toggleCheck(std::size_t row) override {
    const std::size_t index = rows_[row];
    model_.userCheck(index, !model_.node(index).checked);
  }
  void selected(std::size_t row) override { model_.select(rows_[row]); }
  bool handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (message == WM_CONTEXTMENU && reinterpret_cast<HWND>(wParam) == control_) {
      contextMenu(lParam);
      return true;
    }
    return OwnerDataList::handle(message, wParam, lParam, result);
  }
  // The row under the mouse, or the focused row when the keyboard asked.
  void contextMenu(LPARAM at) {
    int row = -1;
    if (at == -1) {
      row = ListView_GetNextItem(control_, -1, LVNI_FOCUSED);
    } else {
      LVHITTESTINFO hit{};
      hit.pt = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
      ScreenToClient(control_, &hit.pt);
      row = ListView_HitTest(control_, &hit);
    }
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size() || !model_.ContextMenu) return;
    model_.ContextMenu(rows_[static_cast<std::size_t>(row)]);
  }
  bool notify(const NMHDR& header, LRESULT& result) override {
    const int focused = ListView_GetNextItem(control_, -1, LVNI_FOCUSED);
    switch (header.code) {
      case NM_DBLCLK:
      case NM_RETURN:
        if (focused >= 0) toggleOpen(rows_[static_cast<std::size_t>(focused)]);
        return true;
      case NM_CLICK: {
        const auto* click = reinterpret_cast<const NMITEMACTIVATE*>(&header);
        LVHITTESTINFO hit{};
        hit.pt = click->ptAction;
        const int row = ListView_SubItemHitTest(control_, &hit);
        if (row >= 0 && (hit.flags & LVHT_ONITEMICON) != 0) toggleOpen(rows_[static_cast<std::size_t>(row)]);
        return true;
      }
      case LVN_KEYDOWN: {
        const auto* key = reinterpret_cast<const NMLVKEYDOWN*>(&header);
        if (focused < 0) return false;
        const TreeNode& node = model_.node(rows_[static_cast<std::size_t>(focused)]);
        if (key->wVKey == VK_RIGHT && !node.parent && !node.expanded)
          toggleOpen(rows_[static_cast<std::size_t>(focused)]);
        if (key->wVKey == VK_LEFT) {
          if (node.parent)
            model_.select(*node.parent);
          else if (node.expanded)
            toggleOpen(rows_[static_cast<std::size_t>(focused)]);
        }
        return true;
      }
      case LVN_GETINFOTIPW: {
        auto* info = reinterpret_cast<NMLVGETINFOTIPW*>(const_cast<NMHDR*>(&header));
        if (info->iItem < 0 || static_cast<std::size_t>(info->iItem) >= rows_.size() || info->cchTextMax <= 0)
          return true;
        const TreeNode& node = model_.node(rows_[static_cast<std::size_t>(info->iItem)]);
        if (node.tip.empty()) return true;  // the control's own tip: the text when it is cut off
        tipBuffer_ = wide(node.text + "\r\n" + node.tip);
        lstrcpynW(info->pszText, tipBuffer_.c_str(), info->cchTextMax);
        return true;
      }
      case NM_CUSTOMDRAW: {
        auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header));
        const DWORD stage = draw->nmcd.dwDrawStage;
        const auto row = static_cast<std::size_t>(draw->nmcd.dwItemSpec);
        if (stage == CDDS_PREPAINT) {
          result = CDRF_NOTIFYITEMDRAW;
        } else if (stage == CDDS_ITEMPREPAINT) {
          result = CDRF_NOTIFYSUBITEMDRAW;
          // Section rows stand out in bold.
          if (row < rows_.size() && !model_.node(rows_[row]).parent && bold_.font != nullptr) {
            SelectObject(draw->nmcd.hdc, bold_.font);
            result |= CDRF_NEWFONT;
          }
        } else if (stage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
          draw->clrText = CLR_DEFAULT;
          if (draw->iSubItem == 1 && row < rows_.size()) {
            const std::string& level = model_.node(rows_[row]).column2;
            if (level == "High") draw->clrText = RGB(0xC0, 0x20, 0x20);
            if (level == "Medium") draw->clrText = RGB(0xB0, 0x60, 0x00);
            if (level == "Low") draw->clrText = RGB(0x20, 0x80, 0x30);
          }
          result = CDRF_DODEFAULT;
        } else {
          result = CDRF_DODEFAULT;
        }
        return true;
      }
      default:
        return false;
    }
  }

 private:
  int depth(std::size_t index) const {
    int d = 0;
    for (auto p = model_.node(index).parent; p; p = model_.node(*p).parent) ++d;
    return d;
  }
  void addVisible(std::size_t index) {
    rows_.push_back(index);
    const TreeNode& node = model_.node(index);
    if (node.expanded)
      for (std::size_t child : node.children) addVisible(child);
  }
  void toggleOpen(std::size_t index) {
    const TreeNode& node = model_.node(index);
    if (node.children.empty()) return;
    model_.setExpanded(index, !node.expanded);
    owner_.flush();
  }
  void layColumns() {
    const auto& columns = model_.columns();
    const int count = Header_GetItemCount(ListView_GetHeader(control_));
    int others = 0;
    for (std::size_t c = 1; c < columns.size(); ++c) others += columns[c].width;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      std::wstring header = HeaderText(columns[c].header);
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
      column.pszText = header.data();
      // The first column takes what the others leave.
      column.cx = c == 0 ? std::max(80, ClientWidth(control_) - others) : columns[c].width;
      column.iSubItem = static_cast<int>(c);
      if (static_cast<int>(c) < count)
        ListView_SetColumn(control_, static_cast<int>(c), &column);
      else
        ListView_InsertColumn(control_, static_cast<int>(c), &column);
    }
  }

  TreeViewModel& model_;
  TreeImages images_;
  FontOwner bold_;
  std::vector<std::size_t> rows_;
  std::vector<bool> shownOpen_;  // each node's expanded state the rows were laid for
  std::wstring tipBuffer_;
  bool dirty_ = true;
};

// ---------------------------------------------------------------- panel, timer, menu

class PanelBinding : public Binding {
 public:
  PanelBinding(Bindings& owner, PanelModel& model, std::vector<int> ids)
      : Binding(owner), model_(model), ids_(std::move(ids)) {
    subscription_ = Subscription(model, [this](const Change&) { refresh(); });
    refresh();
  }
  void refresh() override {
    for (int id : ids_) {
      if (HWND control = owner_.item(id)) Enable(control, model_.enabled);
    }
    owner_.panelChanged(ids_);
  }

 private:
  PanelModel& model_;
  std::vector<int> ids_;
};

class TimerBinding : public Binding {
 public:
  TimerBinding(Bindings& owner, TimerModel& model) : Binding(owner), model_(model), id_(owner.nextTimerId()) {
    subscription_ = Subscription(model, [this](const Change&) { refresh(); });
    refresh();
  }
  ~TimerBinding() override { KillTimer(owner_.window(), id_); }
  void refresh() override {
    if (model_.enabled && model_.intervalMs > 0) {
      if (!on_ || interval_ != model_.intervalMs)
        SetTimer(owner_.window(), id_, static_cast<UINT>(model_.intervalMs.get()), nullptr);
      interval_ = model_.intervalMs;
      on_ = true;
    } else if (on_) {
      KillTimer(owner_.window(), id_);
      on_ = false;
    }
  }
  bool handle(UINT message, WPARAM wParam, LPARAM, LRESULT&) override {
    if (message != WM_TIMER || wParam != id_) return false;
    model_.tick();
    return true;
  }

 private:
  TimerModel& model_;
  UINT_PTR id_;
  bool on_ = false;
  int interval_ = 0;
};

class MenuBinding : public Binding {
 public:
  MenuBinding(Bindings& owner, HMENU menu, int id, MenuItemModel& model)
      : Binding(owner), menu_(menu), id_(id), model_(model) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
      if (GetMenuItemID(menu, i) == static_cast<UINT>(id)) position_ = i;
    subscription_ = Subscription(model, [this](const Change&) { refresh(); });
    refresh();
  }
  void refresh() override {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    const bool present = GetMenuItemInfoW(menu_, static_cast<UINT>(id_), FALSE, &info) != FALSE;
    if (!model_.visible) {
      if (present) DeleteMenu(menu_, static_cast<UINT>(id_), MF_BYCOMMAND);
      return;
    }
    std::wstring caption = wide(model_.caption.get());
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
    info.fType = model_.caption.get() == "-" ? MFT_SEPARATOR : MFT_STRING;
    info.fState = (model_.enabled ? MFS_ENABLED : MFS_DISABLED) | (model_.checked ? MFS_CHECKED : MFS_UNCHECKED);
    info.wID = static_cast<UINT>(id_);
    info.dwTypeData = caption.data();
    if (present)
      SetMenuItemInfoW(menu_, static_cast<UINT>(id_), FALSE, &info);
    else
      InsertMenuItemW(menu_, static_cast<UINT>(std::min(position_, GetMenuItemCount(menu_))), TRUE, &info);
  }
  bool handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) override {
    // A menu command or its accelerator (no control sends it).
    if (message != WM_COMMAND || lParam != 0 || LOWORD(wParam) != id_) return false;
    model_.click();
    return true;
  }

 private:
  HMENU menu_;
  int id_;
  MenuItemModel& model_;
  int position_ = 0;
};

std::vector<OptionBinding*>& OptionsOf(HWND window) {
  // One list per window is enough: a window has at most a few groups.
  static std::vector<std::pair<HWND, std::vector<OptionBinding*>>> all;
  for (auto& entry : all)
    if (entry.first == window) return entry.second;
  all.emplace_back(window, std::vector<OptionBinding*>{});
  return all.back().second;
}

}  // namespace

// ---------------------------------------------------------------- Bindings

Bindings::Bindings(HWND window, const char* failureLabel) : window_(window), failureLabel_(failureLabel) {}

Bindings::~Bindings() {
  KillTimer(window_, kRefreshTimer);
  pending_.clear();
  // Handlers may still be watched by others: drop our subscriptions first.
  bindings_.clear();
  OptionsOf(window_).clear();
  if (tooltip_ != nullptr) DestroyWindow(tooltip_);
}

Binding& Bindings::add(std::unique_ptr<Binding> binding, HWND control) {
  bindings_.push_back(std::move(binding));
  if (control != nullptr) controls_.emplace_back(control, bindings_.back().get());
  return *bindings_.back();
}

void Bindings::form(FormModel& model, std::function<void()> onUnload) {
  add(std::make_unique<FormBinding>(*this, model, std::move(onUnload)));
}
void Bindings::label(int id, LabelModel& model) {
  add(std::make_unique<LabelBinding>(*this, item(id), model), item(id));
}
void Bindings::button(int id, ButtonModel& model, HICON icon) {
  add(std::make_unique<ButtonBinding>(*this, item(id), model, icon), item(id));
}
void Bindings::checkBox(int id, CheckBoxModel& model) {
  add(std::make_unique<CheckBoxBinding>(*this, item(id), model), item(id));
}
void Bindings::optionButton(int id, OptionButtonModel& model, int group) {
  auto& all = OptionsOf(window_);
  auto binding = std::make_unique<OptionBinding>(*this, item(id), model, group, all);
  all.push_back(binding.get());
  add(std::move(binding), item(id));
}
void Bindings::progressBar(int id, ProgressBarModel& model) {
  add(std::make_unique<ProgressBinding>(*this, item(id), model), item(id));
}
void Bindings::listView(int id, ListViewModel& model, std::vector<int> widths, bool checkBoxes) {
  add(std::make_unique<ListBinding>(*this, item(id), model, std::move(widths), checkBoxes), item(id));
}
void Bindings::tree(int id, TreeViewModel& model, TreeImages images) {
  add(std::make_unique<TreeBinding>(*this, item(id), model, images), item(id));
}
void Bindings::panel(PanelModel& model, std::vector<int> ids) {
  panels_.emplace_back(&model, ids);
  add(std::make_unique<PanelBinding>(*this, model, std::move(ids)));
}

void Bindings::show(HWND control, bool own) {
  bool shown = own;
  const int id = GetDlgCtrlID(control);
  for (const auto& [model, ids] : panels_)
    if (!model->visible && std::find(ids.begin(), ids.end(), id) != ids.end()) shown = false;
  Show(control, shown);
}

void Bindings::panelChanged(const std::vector<int>& ids) {
  for (int id : ids) {
    HWND control = item(id);
    if (control == nullptr) continue;
    bool bound = false;
    for (const auto& [window, binding] : controls_) {
      if (window == control) {
        binding->refresh();
        bound = true;
      }
    }
    if (!bound) show(control, true);
  }
}
void Bindings::timer(TimerModel& model) { add(std::make_unique<TimerBinding>(*this, model)); }
void Bindings::menuItem(HMENU menu, int id, MenuItemModel& model) {
  add(std::make_unique<MenuBinding>(*this, menu, id, model));
}

void Bindings::schedule(Binding& binding) {
  const ULONGLONG now = GetTickCount64();
  if (!binding.pending && now - binding.lastRefresh >= kRefreshMs) {
    binding.lastRefresh = now;
    binding.refresh();
    return;
  }
  if (!binding.pending) {
    binding.pending = true;
    pending_.push_back(&binding);
  }
  if (!refreshTimerOn_) {
    refreshTimerOn_ = SetTimer(window_, kRefreshTimer, kRefreshMs, nullptr) != 0;
  }
}

void Bindings::flush() {
  // A refresh may schedule more (a tree re-lays its rows): take the list first.
  std::vector<Binding*> due;
  due.swap(pending_);
  const ULONGLONG now = GetTickCount64();
  for (Binding* binding : due) {
    binding->pending = false;
    binding->lastRefresh = now;
    binding->refresh();
  }
  if (pending_.empty() && refreshTimerOn_) {
    KillTimer(window_, kRefreshTimer);
    refreshTimerOn_ = false;
  }
}

void Bindings::refreshAll() {
  flush();
  for (std::size_t i = 0; i < bindings_.size(); ++i) bindings_[i]->refresh();
}

void Bindings::registerTooltip(HWND control, const std::string& text) {
  if (tooltip_ == nullptr) {
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (tooltip_ == nullptr) return;
  }
  std::wstring w = wide(text);
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = window_;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = w.data();
  if (std::find(tipped_.begin(), tipped_.end(), control) == tipped_.end()) {
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    tipped_.push_back(control);
  } else {
    SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

bool Bindings::dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  try {
    if (message == WM_TIMER && wParam == kRefreshTimer) {
      flush();
      result = 0;
      return true;
    }
    // The list may grow while a handler runs (a dialog binding more): index it.
    for (std::size_t i = 0; i < bindings_.size(); ++i) {
      if (bindings_[i]->handle(message, wParam, lParam, result)) {
        if (message == WM_COMMAND) flush();
        return true;
      }
    }
  } catch (...) {
    LogError(failureLabel_);
    return message != WM_SIZE && message != WM_SHOWWINDOW;
  }
  return false;
}

}  // namespace hm::platform::win32::gui
