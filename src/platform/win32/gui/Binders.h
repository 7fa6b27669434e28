// Ties the logic's control models to real controls, both ways: a model change
// updates the control, a user's action on the control updates the model or
// raises its handler. One Bindings object serves one window; the window's
// procedure hands it every message first (dispatch).
#pragma once

#include <windows.h>
// (after windows.h)
#include <commctrl.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/Controls.h"

namespace hm::platform::win32::gui {

// A label or progress bar repaints at most this often; changes in between
// are coalesced on a timer so that long work runs at full speed.
inline constexpr unsigned kRefreshMs = 30;
// Timer ids below this are free for the window; the bindings use the rest.
inline constexpr UINT_PTR kFirstBindingTimer = 0x7000;

class Binding;

// Pictures for the tree's rows: one per threat level and one for a problem.
struct TreeImages {
  HIMAGELIST list = nullptr;  // 16x16, owned by the window
  int high = 0, medium = 0, low = 0, problem = 0;
};

class Bindings {
 public:
  // A handler's failure is logged as `failureLabel`.
  explicit Bindings(HWND window, const char* failureLabel = "WindowProc");
  ~Bindings();
  Bindings(const Bindings&) = delete;
  Bindings& operator=(const Bindings&) = delete;

  HWND window() const { return window_; }
  HWND item(int id) const { return GetDlgItem(window_, id); }

  // Caption, shown state, window state and mouse pointer. The window reports
  // minimising and restoring back to the model. `onUnload` runs when the
  // model is unloaded (a modal runner ends its loop; a main window closes);
  // it runs inside a handler, so it must not destroy the window: post instead.
  void form(FormModel& model, std::function<void()> onUnload = {});
  void label(int id, LabelModel& model);
  // A push button; an icon (owned by the caller) is shown left of the text.
  void button(int id, ButtonModel& model, HICON icon = nullptr);
  void checkBox(int id, CheckBoxModel& model);
  // Option buttons of one `group` stay exclusive.
  void optionButton(int id, OptionButtonModel& model, int group = 0);
  void progressBar(int id, ProgressBarModel& model);
  // A report-view list (owner data, so long lists cost nothing); `widths` in
  // pixels per column, missing ones share what is left. A column of width 0
  // stays hidden: the user cannot drag or double-click it open. Headers show
  // their text as given ("&" is no access key).
  void listView(int id, ListViewModel& model, std::vector<int> widths = {}, bool checkBoxes = false);
  // A two-level tree with check boxes and a second column, shown in a list
  // view: section rows (bold) open and close with a double click, Enter,
  // the arrow keys or a click on their picture.
  void tree(int id, TreeViewModel& model, TreeImages images);
  // A group of controls shown, hidden, enabled or disabled together.
  // A control may sit in several panels (a lower bar inside the results).
  void panel(PanelModel& model, std::vector<int> ids);
  void timer(TimerModel& model);
  // A command of `menu` (a menu bar's or a pop-up's); hiding removes it.
  void menuItem(HMENU menu, int id, MenuItemModel& model);

  // Hands a message of the window to the bindings; true when handled, with
  // the procedure's result in `result` (a dialog procedure stores it with
  // DWLP_MSGRESULT). Never throws: a handler's failure is logged.
  bool dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // Brings every coalesced control up to date now.
  void flush();
  // Brings every control up to date (after the window's layout changed).
  void refreshAll();

  // For bindings: repaint now when the last refresh is old enough, else on
  // the refresh timer.
  void schedule(Binding& binding);
  UINT_PTR nextTimerId() { return nextTimer_++; }
  // Shows a control when its own model and every panel holding it say so.
  void show(HWND control, bool own);
  // A control's binding, refreshed again when a panel holding it changes.
  void control(HWND control, Binding& binding) { controls_.emplace_back(control, &binding); }
  void panelChanged(const std::vector<int>& ids);
  void registerTooltip(HWND control, const std::string& text);

 private:
  HWND window_;
  const char* failureLabel_;
  HWND tooltip_ = nullptr;
  std::vector<HWND> tipped_;
  std::vector<std::unique_ptr<Binding>> bindings_;
  std::vector<Binding*> pending_;
  std::vector<std::pair<HWND, Binding*>> controls_;
  std::vector<std::pair<const PanelModel*, std::vector<int>>> panels_;
  bool refreshTimerOn_ = false;
  UINT_PTR nextTimer_ = kFirstBindingTimer + 1;
  Binding& add(std::unique_ptr<Binding> binding, HWND control = nullptr);
};

// One tie between a model and a control.
class Binding {
 public:
  explicit Binding(Bindings& owner) : owner_(owner) {}
  virtual ~Binding() = default;
  Binding(const Binding&) = delete;
  Binding& operator=(const Binding&) = delete;
  // Brings the control up to date with the model.
  virtual void refresh() = 0;
  virtual bool handle(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
  bool pending = false;
  ULONGLONG lastRefresh = 0;

 protected:
  Bindings& owner_;
  Subscription subscription_;
};

}  // namespace hm::platform::win32::gui
