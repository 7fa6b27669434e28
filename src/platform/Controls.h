// Retained models of the controls the logic writes into. The logic only
// touches these; a window binding (or a console view) shows them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace hm::platform {

// Calls the observer, if any, after every change so a view can follow.
class Observable {
 public:
  std::function<void()> onChange;

 protected:
  void changed() const {
    if (onChange) onChange();
  }
};

struct ListRow {
  std::vector<std::string> cells;  // cell 0 is the row text, then the sub-items
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
  std::size_t addRow(std::vector<std::string> cells, bool checked = false);
  void clear();
  void removeRow(std::size_t index);
  void setCell(std::size_t rowIndex, std::size_t column, std::string text);
  const std::string& cell(std::size_t rowIndex, std::size_t column) const;
  void setChecked(std::size_t rowIndex, bool checked);
  void setTextColor(std::size_t rowIndex, std::uint32_t color);
  // Selects one row (the others lose their selection).
  void select(std::size_t rowIndex);
  bool visible = true;

 private:
  std::vector<std::string> headers_;
  std::vector<ListRow> rows_;
};

class LabelModel : public Observable {
 public:
  const std::string& caption() const { return caption_; }
  void setCaption(std::string text) {
    caption_ = std::move(text);
    changed();
  }
  bool visible = true;

 private:
  std::string caption_;
};

struct ButtonModel {
  std::string caption;
  bool enabled = true;
  bool visible = true;
};

struct ProgressBarModel {
  int value = 0;
  int minimum = 0;
  int maximum = 100;
  bool visible = true;
};

struct TimerModel {
  int intervalMs = 0;
  bool enabled = false;
};

}  // namespace hm::platform
