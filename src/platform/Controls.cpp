#include "platform/Controls.h"

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

std::size_t ListViewModel::addRow(std::vector<std::string> cells, bool checked) {
  if (cells.size() < headers_.size()) cells.resize(headers_.size());
  rows_.push_back(ListRow{std::move(cells), checked, false, 0});
  if (watched()) changed({Change::Added, rows_.size() - 1});
  return rows_.size() - 1;
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

void ListViewModel::setCell(std::size_t rowIndex, std::size_t column, std::string text) {
  auto& cells = rows_.at(rowIndex).cells;
  if (column >= cells.size()) cells.resize(column + 1);
  cells[column] = std::move(text);
  if (watched()) changed({Change::Updated, rowIndex});
}

const std::string& ListViewModel::cell(std::size_t rowIndex, std::size_t column) const {
  static const std::string empty;
  const auto& cells = rows_.at(rowIndex).cells;
  return column < cells.size() ? cells[column] : empty;
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
