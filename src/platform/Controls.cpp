#include "platform/Controls.h"

#include <array>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace hm::platform {

std::size_t Observable::subscribe(Observer observer) {
  observers_.emplace_back(nextId_, std::move(observer));
  return nextId_++;
}

void Observable::unsubscribe(std::size_t id) {
  for (auto it = observers_.begin(); it != observers_.end(); ++it) {
    if (it->first == id) {
      observers_.erase(it);
      return;
    }
  }
}

void Observable::changed(Change change) const {
  // By index: a watcher may add or remove watchers while it runs.
  for (std::size_t i = 0; i < observers_.size(); ++i) {
    const Observer observer = observers_[i].second;
    observer(change);
  }
}

namespace {
// The ends are 32-bit offsets.
constexpr std::size_t kMaxText = std::numeric_limits<std::uint32_t>::max();
constexpr std::size_t kMaxCells = std::size_t{1} << 20;
}  // namespace

RowCells::RowCells(const std::vector<std::string>& texts, std::size_t minSize) {
  build(texts.data(), texts.size(), minSize);
}

RowCells::RowCells(const std::string_view* texts, std::size_t count, std::size_t minSize) {
  build(texts, count, minSize);
}

template <class Text>
void RowCells::build(const Text* texts, std::size_t count, std::size_t minSize) {
  const std::size_t n = std::max(count, minSize);
  if (n == 0) {
    block_.reset();
    return;
  }
  std::size_t total = 0;
  for (std::size_t i = 0; i < count; ++i) total += texts[i].size();
  if (n > kMaxCells || total > kMaxText) throw std::length_error("list row too long");
  const std::size_t words = 1 + n + (total + 3) / 4;
  std::unique_ptr<std::uint32_t[]> block(new std::uint32_t[words]);
  block[words - 1] = 0;  // the tail past the last text is copied with the row
  block[0] = static_cast<std::uint32_t>(n);
  char* out = reinterpret_cast<char*>(block.get() + 1 + n);
  std::size_t end = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (i < count && !texts[i].empty()) {
      std::memcpy(out + end, texts[i].data(), texts[i].size());
      end += texts[i].size();
    }
    block[1 + i] = static_cast<std::uint32_t>(end);
  }
  // Only now: the texts may have been views into the old block.
  block_ = std::move(block);
}

std::size_t RowCells::words() const {
  const std::uint32_t n = block_[0];
  return 1 + n + (block_[n] + 3) / 4;
}

RowCells::RowCells(const RowCells& other) {
  if (!other.block_) return;
  const std::size_t words = other.words();
  block_.reset(new std::uint32_t[words]);
  std::memcpy(block_.get(), other.block_.get(), words * sizeof(std::uint32_t));
}

RowCells& RowCells::operator=(const RowCells& other) {
  if (this != &other) *this = RowCells(other);
  return *this;
}

std::string_view RowCells::at(std::size_t index) const {
  if (index >= size()) throw std::out_of_range("list cell");
  return (*this)[index];
}

void RowCells::set(std::size_t index, std::string_view value) {
  if (index >= kMaxCells) throw std::length_error("list row too long");
  const std::size_t old = size();
  const std::size_t n = std::max(old, index + 1);
  constexpr std::size_t kInline = 16;
  std::array<std::string_view, kInline> inlineTexts;
  std::vector<std::string_view> heapTexts;
  std::string_view* texts = inlineTexts.data();
  if (n > kInline) {
    heapTexts.resize(n);
    texts = heapTexts.data();
  }
  for (std::size_t i = 0; i < n; ++i) texts[i] = i < old ? (*this)[i] : std::string_view();
  texts[index] = value;
  build(texts, n, 0);
}

std::size_t ListViewModel::append(RowCells cells, bool checked) {
  rows_.push_back(ListRow{std::move(cells), checked, false, 0});
  if (watched()) changed({Change::Added, rows_.size() - 1});
  return rows_.size() - 1;
}

std::size_t ListViewModel::addRow(const std::vector<std::string>& cells, bool checked) {
  return append(RowCells(cells, headers_.size()), checked);
}

std::size_t ListViewModel::addRow(std::initializer_list<std::string_view> cells, bool checked) {
  return append(RowCells(cells, headers_.size()), checked);
}

void ListViewModel::clear() {
  rows_.clear();
  changed();
}

void ListViewModel::removeRow(std::size_t index) {
  if (index >= rows_.size()) throw std::out_of_range("list row");
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
  changed({Change::Removed, index});
}

void ListViewModel::setCell(std::size_t rowIndex, std::size_t column, std::string_view text) {
  rows_.at(rowIndex).cells.set(column, text);
  if (watched()) changed({Change::Updated, rowIndex});
}

std::string_view ListViewModel::cell(std::size_t rowIndex, std::size_t column) const {
  const RowCells& cells = rows_.at(rowIndex).cells;
  return column < cells.size() ? cells[column] : std::string_view();
}

void ListViewModel::setChecked(std::size_t rowIndex, bool checked) {
  rows_.at(rowIndex).checked = checked;
  if (watched()) changed({Change::Updated, rowIndex});
}

void ListViewModel::setTextColor(std::size_t rowIndex, std::uint32_t color) {
  rows_.at(rowIndex).textColor = color;
  if (watched()) changed({Change::Updated, rowIndex});
}

void ListViewModel::select(std::size_t rowIndex) {
  if (rowIndex >= rows_.size()) throw std::out_of_range("list row");
  for (auto& r : rows_) r.selected = false;
  rows_[rowIndex].selected = true;
  changed();
}

std::optional<std::size_t> ListViewModel::selectedRow() const {
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].selected) return i;
  }
  return std::nullopt;
}

std::vector<std::size_t> TreeViewModel::roots() const {
  std::vector<std::size_t> out;
  for (std::size_t i = 0; i < nodes_.size(); ++i) {
    if (!nodes_[i].parent) out.push_back(i);
  }
  return out;
}

void TreeViewModel::setColumnHeader(std::size_t column, std::string header) {
  columns_.at(column).header = std::move(header);
  changed();
}

void TreeViewModel::setColumnWidth(std::size_t column, int width) {
  columns_.at(column).width = width;
  changed();
}

void TreeViewModel::addColumn(std::string key, std::string header, int width) {
  columns_.push_back(TreeColumn{std::move(key), std::move(header), width});
  changed();
}

std::optional<std::size_t> TreeViewModel::find(std::string_view key) const {
  const auto it = byKey_.find(std::string(key));
  if (it == byKey_.end()) return std::nullopt;
  return it->second;
}

void TreeViewModel::clear() {
  nodes_.clear();
  byKey_.clear();
  const bool hadSelection = selected_.has_value();
  selected_.reset();
  changed();
  if (hadSelection && SelectionChanged) SelectionChanged();
}

std::size_t TreeViewModel::add(std::optional<std::size_t> parent, std::string key, std::string text, int image,
                               int selectedImage) {
  if (parent && *parent >= nodes_.size()) throw std::invalid_argument("tree: no such parent node");
  if (!key.empty() && byKey_.count(key)) throw std::invalid_argument("tree: key is not unique: " + key);
  const std::size_t index = nodes_.size();
  TreeNode n;
  n.key = key;
  n.text = std::move(text);
  n.image = image;
  n.selectedImage = selectedImage;
  n.parent = parent;
  nodes_.push_back(std::move(n));
  if (parent) nodes_[*parent].children.push_back(index);
  if (!key.empty()) byKey_.emplace(std::move(key), index);
  changed({Change::Added, index});
  return index;
}

void TreeViewModel::setText(std::size_t index, std::string text) {
  nodes_.at(index).text = std::move(text);
  changed({Change::Updated, index});
}

void TreeViewModel::setColumnText(std::size_t index, std::string text) {
  nodes_.at(index).column2 = std::move(text);
  changed({Change::Updated, index});
}

void TreeViewModel::setChecked(std::size_t index, bool checked) {
  auto& n = nodes_.at(index);
  if (n.checked == checked) return;
  n.checked = checked;
  changed({Change::Updated, index});
}

void TreeViewModel::setExpanded(std::size_t index, bool expanded) {
  auto& n = nodes_.at(index);
  if (n.expanded == expanded) return;
  n.expanded = expanded;
  changed({Change::Updated, index});
}

void TreeViewModel::select(std::size_t index) {
  if (index >= nodes_.size()) throw std::out_of_range("tree node");
  if (selected_ == index) return;
  selected_ = index;
  changed({Change::Updated, index});
  if (SelectionChanged) SelectionChanged();
}

void TreeViewModel::setTip(std::size_t index, std::string text) { nodes_.at(index).tip = std::move(text); }

void TreeViewModel::userCheck(std::size_t index, bool checked) {
  setChecked(index, checked);
  if (NodeCheck) NodeCheck(index);
}

}  // namespace hm::platform
