// What the smaller dialogs share: owners of GDI objects, the ties between a
// model and a control, and the loop that runs a dialog until its form unloads.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Controls.h"

namespace hm::gui::detail {

// Owns one font, bitmap or brush; deleted with its owner.
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(HGDIOBJ object) : object_(object) {}
  ~GdiObject() { reset(); }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  void reset(HGDIOBJ object = nullptr) {
    if (object_) DeleteObject(object_);
    object_ = object;
  }
  HGDIOBJ get() const { return object_; }
  HFONT font() const { return static_cast<HFONT>(object_); }
  HBITMAP bitmap() const { return static_cast<HBITMAP>(object_); }

 private:
  HGDIOBJ object_ = nullptr;
};

// The dialog's own font, changed: `pointSize` 0 keeps the size; `face` empty keeps the face.
HFONT MakeFont(HWND dialog, int pointSize, bool bold, bool underline, const wchar_t* face = nullptr);
// A bitmap of the program's resources.
HBITMAP LoadPicture(int id);
// Draws `picture` over `rect`, scaled to cover it (cut on the right or at the bottom), keeping its shape.
void DrawPictureCovering(HDC dc, const RECT& rect, HBITMAP picture);

// One dialog's window side: its models tied to its controls, and its own
// messages. Lives from WM_INITDIALOG until the window is destroyed.
class Dialog {
 public:
  Dialog(platform::FormModel& form, const char* failureLabel) : form_(form), failureLabel_(failureLabel) {}
  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  HWND window() const { return window_; }
  // The window deletes this object when it is destroyed (a modeless window).
  void deleteWithWindow() { deleteWithWindow_ = true; }
  platform::FormModel& form() { return form_; }
  const char* failureLabel() const { return failureLabel_; }

  // The dialog procedure's body; no exception leaves it.
  INT_PTR handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  // Binds the models (WM_INITDIALOG); false when it set the focus itself.
  virtual bool init() = 0;
  // A message the dialog treats itself; true with the procedure's result.
  virtual bool message(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

  // Ties: the control follows the model from now on; the user's actions reach the model.
  void bindCaption();
  void bindVisible();
  void bindLabel(int id, platform::LabelModel& model);
  void bindButton(int id, platform::ButtonModel& model);
  void bindCheckBox(int id, platform::CheckBoxModel& model);
  // A window timer runs while the model is enabled and raises its tick.
  void bindTimer(platform::TimerModel& model);
  // A command id (IDOK, IDCANCEL) that runs `action`.
  void onCommand(int id, std::function<void()> action);
  void keep(platform::Subscription subscription) { subscriptions_.push_back(std::move(subscription)); }

 private:
  platform::FormModel& form_;
  const char* failureLabel_;
  HWND window_ = nullptr;
  bool deleteWithWindow_ = false;
  std::vector<platform::Subscription> subscriptions_;
  std::unordered_map<int, std::function<void()>> commands_;
  std::unordered_map<UINT_PTR, platform::TimerModel*> timers_;
  bool dispatch(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
};

// Creates the dialog `templateId` for `dialog` (hidden unless the template says otherwise).
HWND CreateDialogWindow(int templateId, HWND owner, Dialog& dialog);
// Shows the dialog modally over `owner` (disabled meanwhile) until its form
// unloads or its window goes; a quit request seen meanwhile is passed on.
void RunModal(int templateId, HWND owner, Dialog& dialog);

}  // namespace hm::gui::detail
