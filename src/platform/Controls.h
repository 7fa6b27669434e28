// Retained models of the controls the logic writes into. The logic only
// touches these; a window binding (or a console view, or a test) watches
// them. Each control of a window is one model, owned by that window and never
// copied, so every watcher sees the same state.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace hm::platform {

// What changed in a model: everything, or one item (row, node) added,
// updated or removed. Watchers that do not care just refresh.
struct Change {
  enum Kind : std::uint8_t { Everything, Added, Updated, Removed };
  Kind kind = Everything;
  std::size_t index = 0;
};

// Calls every watcher after every change.
class Observable {
 public:
  using Observer = std::function<void(const Change&)>;
  Observable() = default;
  Observable(const Observable&) = delete;
  Observable& operator=(const Observable&) = delete;

  // Adds a watcher; the id removes it again.
  std::size_t subscribe(Observer observer);
  void unsubscribe(std::size_t id);
  bool watched() const { return !observers_.empty(); }
  void changed(Change change = {}) const;

 private:
  std::vector<std::pair<std::size_t, Observer>> observers_;
  std::size_t nextId_ = 1;
};

// Removes its watcher when it goes away.
class Subscription {
 public:
  Subscription() = default;
  Subscription(Observable& model, Observable::Observer observer)
      : model_(&model), id_(model.subscribe(std::move(observer))) {}
  ~Subscription() { reset(); }
  Subscription(Subscription&& other) noexcept : model_(std::exchange(other.model_, nullptr)), id_(other.id_) {}
  Subscription& operator=(Subscription&& other) noexcept {
    if (this != &other) {
      reset();
      model_ = std::exchange(other.model_, nullptr);
      id_ = other.id_;
    }
    return *this;
  }
  void reset() {
    if (model_) model_->unsubscribe(id_);
    model_ = nullptr;
  }

 private:
  Observable* model_ = nullptr;
  std::size_t id_ = 0;
};

// One property of a model: reads like the value, and an assignment that
// changes it tells the model's watchers.
template <class T>
class Property {
 public:
  Property(const Observable& owner, T initial = T{}) : owner_(owner), value_(std::move(initial)) {}
  Property(const Property&) = delete;
  Property& operator=(const Property& other) { return *this = other.value_; }
  Property& operator=(T value) {
    if (!(value_ == value)) {
      value_ = std::move(value);
      owner_.changed();
    }
    return *this;
  }
  operator const T&() const { return value_; }
  const T& get() const { return value_; }
  template <class U>
  friend bool operator==(const Property& a, const U& b) {
    return a.value_ == b;
  }

 private:
  const Observable& owner_;
  T value_;
};

// A click (or other event) handler the window sets and a binding or test raises.
using Handler = std::function<void()>;

// The texts of one row's cells in one block: the cell count, the end of each
// cell's text, then the texts back to back. A scan adds a row per problem, so
// a row costs one allocation rather than one per cell; a row without cells
// costs none. A view read from it lasts until that row is changed or removed.
class RowCells {
 public:
  class const_iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using iterator_concept = std::forward_iterator_tag;
    using value_type = std::string_view;
    using difference_type = std::ptrdiff_t;
    using reference = std::string_view;
    using pointer = void;
    const_iterator() = default;
    const_iterator(const RowCells* cells, std::size_t index) : cells_(cells), index_(index) {}
    std::string_view operator*() const { return (*cells_)[index_]; }
    const_iterator& operator++() {
      ++index_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator old = *this;
      ++index_;
      return old;
    }
    friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.index_ == b.index_; }

   private:
    const RowCells* cells_ = nullptr;
    std::size_t index_ = 0;
  };
  using iterator = const_iterator;
  using value_type = std::string_view;
  using size_type = std::size_t;

  RowCells() = default;
  // The texts, then empty cells up to `minSize`.
  explicit RowCells(std::initializer_list<std::string_view> texts, std::size_t minSize = 0)
      : RowCells(texts.begin(), texts.size(), minSize) {}
  explicit RowCells(const std::vector<std::string>& texts, std::size_t minSize = 0);
  RowCells(const RowCells& other);
  RowCells& operator=(const RowCells& other);
  RowCells(RowCells&&) noexcept = default;
  RowCells& operator=(RowCells&&) noexcept = default;

  std::size_t size() const { return block_ ? block_[0] : 0; }
  bool empty() const { return size() == 0; }
  std::string_view operator[](std::size_t index) const {
    const std::uint32_t begin = index == 0 ? 0 : block_[index];
    return {text() + begin, block_[index + 1] - begin};
  }
  std::string_view at(std::size_t index) const;
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }

  // Sets one cell, adding empty cells before it when the row is shorter.
  // `value` may be a view into this row.
  void set(std::size_t index, std::string_view value);
  std::vector<std::string> strings() const { return {begin(), end()}; }

  friend bool operator==(const RowCells& a, const RowCells& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  }
  friend bool operator==(const RowCells& a, const std::vector<std::string>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  }

 private:
  RowCells(const std::string_view* texts, std::size_t count, std::size_t minSize);
  template <class Text>
  void build(const Text* texts, std::size_t count, std::size_t minSize);
  std::size_t words() const;
  const char* text() const { return reinterpret_cast<const char*>(block_.get() + 1 + block_[0]); }

  std::unique_ptr<std::uint32_t[]> block_;
};

struct ListRow {
  RowCells cells;  // cell 0 is the row text, then the sub-items
  bool checked = false;
  bool selected = false;
  std::uint32_t textColor = 0;  // 0x00BBGGRR; 0 is the default colour
};

// A report-view list: columns, ordered rows of text, a check mark per row.
class ListViewModel : public Observable {
 public:
  explicit ListViewModel(std::vector<std::string> columnHeaders = {}) : headers_(std::move(columnHeaders)) {}

  const std::vector<std::string>& headers() const { return headers_; }
  std::size_t rowCount() const { return rows_.size(); }
  const ListRow& row(std::size_t index) const { return rows_.at(index); }
  const std::vector<ListRow>& rows() const { return rows_; }

  // Appends a row with the given cells (padded to the column count).
  std::size_t addRow(const std::vector<std::string>& cells, bool checked = false);
  std::size_t addRow(std::initializer_list<std::string_view> cells, bool checked = false);
  void clear();
  void removeRow(std::size_t index);
  void setCell(std::size_t rowIndex, std::size_t column, std::string_view text);
  // "" past the row's last cell. Valid until the row is changed or removed.
  std::string_view cell(std::size_t rowIndex, std::size_t column) const;
  void setChecked(std::size_t rowIndex, bool checked);
  void setTextColor(std::size_t rowIndex, std::uint32_t color);
  // Selects one row (the others lose their selection).
  void select(std::size_t rowIndex);
  std::optional<std::size_t> selectedRow() const;
  Property<bool> visible{*this, true};
  Property<bool> enabled{*this, true};

 private:
  std::size_t append(RowCells cells, bool checked);

  std::vector<std::string> headers_;
  std::vector<ListRow> rows_;
};

class LabelModel : public Observable {
 public:
  explicit LabelModel(std::string text = {}) : caption_(std::move(text)) {}
  const std::string& caption() const { return caption_; }
  // A scan sets a caption for every value it reads: a copy goes into the
  // caption's own buffer rather than through a new string.
  void setCaption(const std::string& text) {
    if (caption_ == text) return;
    caption_.assign(text);
    changed();
  }
  void setCaption(std::string&& text) {
    if (caption_ == text) return;
    caption_ = std::move(text);
    changed();
  }
  Property<bool> visible{*this, true};
  Property<bool> enabled{*this, true};
  Handler Click;  // a label that acts as a link

 private:
  std::string caption_;
};

// A push button or picture button.
class ButtonModel : public Observable {
 public:
  explicit ButtonModel(std::string text = {}) : caption(*this, std::move(text)) {}
  Property<std::string> caption;
  Property<bool> enabled{*this, true};
  Property<bool> visible{*this, true};
  Property<std::string> toolTip{*this};
  Handler Click;
  Handler MouseMove;
  // What a user's click does: nothing on a disabled or hidden button.
  void click() {
    if (enabled && visible && Click) Click();
  }
};

class CheckBoxModel : public Observable {
 public:
  explicit CheckBoxModel(std::string text = {}) : caption(*this, std::move(text)) {}
  Property<std::string> caption;
  Property<bool> enabled{*this, true};
  Property<bool> visible{*this, true};
  bool value() const { return value_; }
  // Like a user's click, a change made in code raises Click.
  void setValue(bool checked) {
    if (value_ == checked) return;
    value_ = checked;
    changed();
    if (Click) Click();
  }
  void click() {
    if (enabled && visible) setValue(!value_);
  }
  Handler Click;

 private:
  bool value_ = false;
};

// One of a group of option buttons; the window keeps the group exclusive.
class OptionButtonModel : public Observable {
 public:
  explicit OptionButtonModel(std::string text = {}) : caption(*this, std::move(text)) {}
  Property<std::string> caption;
  Property<bool> enabled{*this, true};
  Property<bool> visible{*this, true};
  bool value() const { return value_; }
  // Selecting raises Click; clearing does not.
  void setValue(bool selected) {
    if (value_ == selected) return;
    value_ = selected;
    changed();
    if (selected && Click) Click();
  }
  void click() {
    if (enabled && visible) setValue(true);
  }
  Handler Click;

 private:
  bool value_ = false;
};

class ProgressBarModel : public Observable {
 public:
  Property<int> value{*this, 0};
  Property<int> minimum{*this, 0};
  Property<int> maximum{*this, 100};
  Property<bool> visible{*this, true};
};

// A panel, frame or picture box: something shown or hidden as a whole.
class PanelModel : public Observable {
 public:
  Property<bool> visible{*this, true};
  Property<bool> enabled{*this, true};
};

class TimerModel : public Observable {
 public:
  explicit TimerModel(int interval = 0, bool on = false) : intervalMs(*this, interval), enabled(*this, on) {}
  Property<int> intervalMs;
  Property<bool> enabled;
  Handler Timer;
  void tick() {
    if (enabled && Timer) Timer();
  }
};

// A menu item; a top-level menu is an item whose children the window lists.
// A caption of "-" is a separator.
class MenuItemModel : public Observable {
 public:
  explicit MenuItemModel(std::string text = {}) : caption(*this, std::move(text)) {}
  Property<std::string> caption;
  Property<bool> enabled{*this, true};
  Property<bool> visible{*this, true};
  Property<bool> checked{*this, false};
  Handler Click;
  void click() {
    if (enabled && visible && Click) Click();
  }
};

enum class WindowState { Normal, Minimized, Maximized };
enum class MousePointer { Default, Arrow, Hourglass };

// The window itself: caption, shown or hidden, its state, and whether it is
// still loaded (a dialog that unloads closes).
class FormModel : public Observable {
 public:
  explicit FormModel(std::string text = {}) : caption(*this, std::move(text)) {}
  Property<std::string> caption;
  Property<bool> visible{*this, false};
  Property<WindowState> windowState{*this, WindowState::Normal};
  Property<MousePointer> mousePointer{*this, MousePointer::Default};
  Property<bool> loaded{*this, true};
  // Closes a dialog (the modal loop showing it returns).
  void unload() { loaded = false; }
};

// The program's icon in the notification area.
class TrayIconModel : public Observable {
 public:
  Property<bool> shown{*this, false};
  Property<std::string> tip{*this};
};

struct TreeColumn {
  std::string key, header;
  int width = 0;  // pixels
};

struct TreeNode {
  std::string key, text;
  std::string column2;  // the second column's text
  std::string tip;      // shown when the mouse rests on the node; "" for none
  int image = 0, selectedImage = 0;
  bool checked = false;
  bool expanded = false;
  std::optional<std::size_t> parent;
  std::vector<std::size_t> children;
};

// A two-level (or deeper) tree with check boxes, keys, an expanded state and
// a second column. Nodes are numbered in the order they were added.
class TreeViewModel : public Observable {
 public:
  const std::vector<TreeColumn>& columns() const { return columns_; }
  void setColumnHeader(std::size_t column, std::string header);
  void setColumnWidth(std::size_t column, int width);
  void addColumn(std::string key, std::string header, int width);

  std::size_t nodeCount() const { return nodes_.size(); }
  const TreeNode& node(std::size_t index) const { return nodes_.at(index); }
  const std::vector<TreeNode>& nodes() const { return nodes_; }
  std::vector<std::size_t> roots() const;
  // The node with this key (keys compare exactly), or nothing.
  std::optional<std::size_t> find(std::string_view key) const;

  void clear();
  // Adds a root (no parent) or a child of `parent`; throws std::invalid_argument
  // when the key is already used or the parent does not exist.
  std::size_t add(std::optional<std::size_t> parent, std::string key, std::string text, int image = 0,
                  int selectedImage = 0);
  void setText(std::size_t index, std::string text);
  void setColumnText(std::size_t index, std::string text);
  void setChecked(std::size_t index, bool checked);
  void setExpanded(std::size_t index, bool expanded);
  void select(std::size_t index);
  std::optional<std::size_t> selected() const { return selected_; }
  // Read when the tip is about to show: changing it repaints nothing.
  void setTip(std::size_t index, std::string text);

  // What a user's click on a node's check box does: sets the mark and raises NodeCheck.
  void userCheck(std::size_t index, bool checked);
  std::function<void(std::size_t)> NodeCheck;
  // The user asked for a node's context menu (right click, or the menu key).
  std::function<void(std::size_t)> ContextMenu;
  // Raised when the selected node changes, also when clearing drops it.
  Handler SelectionChanged;
  Property<bool> visible{*this, true};
  Property<int> widthPixels{*this, 0};

 private:
  std::vector<TreeColumn> columns_{{"", "", 0}};
  std::vector<TreeNode> nodes_;
  std::unordered_map<std::string, std::size_t> byKey_;
  std::optional<std::size_t> selected_;
};

}  // namespace hm::platform
