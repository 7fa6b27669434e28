#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/Controls.h"

namespace hm::platform {
namespace {

using Cells = std::vector<std::string>;

TEST(ListViewModelRows, CellsKeepTheirTextsWhenOthersChange) {
  ListViewModel list({"A", "B", "C", "D"});
  list.addRow({"one", "", "three"}, true);
  EXPECT_EQ(list.row(0).cells, (Cells{"one", "", "three", ""}));  // padded to the columns
  EXPECT_TRUE(list.row(0).checked);

  list.setCell(0, 1, "a middle cell longer than the rest");
  EXPECT_EQ(list.row(0).cells, (Cells{"one", "a middle cell longer than the rest", "three", ""}));
  list.setCell(0, 1, "");
  EXPECT_EQ(list.row(0).cells, (Cells{"one", "", "three", ""}));
  list.setCell(0, 0, "x");
  list.setCell(0, 6, "past the columns");
  EXPECT_EQ(list.row(0).cells, (Cells{"x", "", "three", "", "", "", "past the columns"}));
  EXPECT_EQ(list.cell(0, 7), "");

  // The new text may be read from the same row.
  list.setCell(0, 3, list.cell(0, 2));
  list.setCell(0, 2, list.cell(0, 6).substr(5));
  EXPECT_EQ(list.row(0).cells, (Cells{"x", "", "the columns", "three", "", "", "past the columns"}));

  const RowCells copy = list.row(0).cells;
  list.setCell(0, 2, "changed");
  EXPECT_EQ(copy[2], "the columns");
  EXPECT_THROW(static_cast<void>(copy.at(7)), std::out_of_range);
}

TEST(ListViewModelRows, ARowWithoutCellsAndRemovedRows) {
  ListViewModel bare;
  bare.addRow(Cells{});
  EXPECT_TRUE(bare.row(0).cells.empty());
  EXPECT_EQ(bare.cell(0, 0), "");
  bare.setCell(0, 2, "z");
  EXPECT_EQ(bare.row(0).cells, (Cells{"", "", "z"}));

  ListViewModel list({"Name", "Path"});
  for (int i = 0; i < 5; ++i) list.addRow({"row " + std::to_string(i), std::string(40, static_cast<char>('a' + i))});
  const std::string_view last = list.cell(4, 1);
  list.removeRow(1);
  list.removeRow(0);
  for (int i = 0; i < 100; ++i) list.addRow({"more"});  // moves the rows, not their texts
  EXPECT_EQ(last, std::string(40, 'e'));
  EXPECT_EQ(list.cell(0, 0), "row 2");
  EXPECT_EQ(list.row(2).cells, (Cells{"row 4", std::string(40, 'e')}));
  EXPECT_THROW(list.removeRow(list.rowCount()), std::out_of_range);
  EXPECT_THROW(static_cast<void>(list.cell(list.rowCount(), 0)), std::out_of_range);
}

}  // namespace
}  // namespace hm::platform
