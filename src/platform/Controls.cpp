#include "platform/Controls.h"

#include <stdexcept>

namespace hm::platform {

std::size_t ListViewModel::addRow(std::vector<std::string> cells, bool checked) {
  if (cells.size() < headers_.size()) cells.resize(headers_.size());
  rows_.push_back(ListRow{std::move(cells), checked, false, 0});
  changed();
  return rows_.size() - 1;
}

void ListViewModel::clear() {
  rows_.clear();
  changed();
}

void ListViewModel::removeRow(std::size_t index) {
  if (index >= rows_.size()) throw std::out_of_range("list row");
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
  changed();
}

void ListViewModel::setCell(std::size_t rowIndex, std::size_t column, std::string text) {
  auto& cells = rows_.at(rowIndex).cells;
  if (column >= cells.size()) cells.resize(column + 1);
  cells[column] = std::move(text);
  changed();
}

const std::string& ListViewModel::cell(std::size_t rowIndex, std::size_t column) const {
  static const std::string empty;
  const auto& cells = rows_.at(rowIndex).cells;
  return column < cells.size() ? cells[column] : empty;
}

void ListViewModel::setChecked(std::size_t rowIndex, bool checked) {
  rows_.at(rowIndex).checked = checked;
  changed();
}

void ListViewModel::setTextColor(std::size_t rowIndex, std::uint32_t color) {
  rows_.at(rowIndex).textColor = color;
  changed();
}

void ListViewModel::select(std::size_t rowIndex) {
  if (rowIndex >= rows_.size()) throw std::out_of_range("list row");
  for (auto& r : rows_) r.selected = false;
  rows_[rowIndex].selected = true;
  changed();
}

}  // namespace hm::platform
