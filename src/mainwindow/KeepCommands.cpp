// The keep list in the main window: the results tree's context menu keeps a
// problem (or a section's checked problems) so later scans pass it over, and
// the status line says how many kept entries a scan did not show.
#include <algorithm>
#include <charconv>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/ErrorLog.h"
#include "common/ProductMessage.h"
#include "mainwindow/frmMain.h"
#include "scan/KeepList.h"

namespace hm {
namespace {

// The problem-list row of a problem node's key ("C" and a 1-based number).
std::optional<std::size_t> RowOfNode(const platform::TreeNode& node, std::size_t rowCount) {
  if (node.key.size() < 2 || node.key.front() != 'C') return std::nullopt;
  std::size_t number = 0;
  const char* last = node.key.data() + node.key.size();
  const auto [end, ec] = std::from_chars(node.key.data() + 1, last, number);
  if (ec != std::errc() || end != last || number == 0 || number > rowCount) return std::nullopt;
  return number - 1;
}

}  // namespace

void frmMain::showKeptNotShown() {
  lblStatus.setCaption(lists.keptNotShown > 0 ? KeptNotShownText(lists.keptNotShown) : std::string("Ready"));
}

std::vector<std::size_t> frmMain::rowsToKeep() const {
  std::vector<std::size_t> rows;
  const auto& tree = lists.vbatvwResults;
  if (!contextNode_ || *contextNode_ >= tree.nodeCount()) return rows;
  const platform::TreeNode& node = tree.node(*contextNode_);
  const std::size_t count = lists.lvwErrors.rowCount();
  if (node.parent) {
    if (const auto row = RowOfNode(node, count)) rows.push_back(*row);
    return rows;
  }
  for (const std::size_t child : node.children) {
    const platform::TreeNode& c = tree.node(child);
    if (!c.checked) continue;
    if (const auto row = RowOfNode(c, count)) rows.push_back(*row);
  }
  return rows;
}

void frmMain::vbatvwResults_ContextMenu(std::size_t node) {
  try {
    // Only problems a scan found can be kept: not the items of a backup set,
    // and never while a scan or a repair is using the problem list.
    if (scanning() || writing_ > 0 || !lists.PicResults.visible || !lists.picFixProblemLowerBase.visible) return;
    if (node >= lists.vbatvwResults.nodeCount()) return;
    lists.vbatvwResults.select(node);
    contextNode_ = node;
    mnuRKeepEntry.enabled = !rowsToKeep().empty();
    if (hooks.popupMenu) hooks.popupMenu(mnuResults);
  } catch (...) {
    LogError("vbatvwResults_ContextMenu of frmMain");
  }
}

void frmMain::mnuRKeepEntry_Click() {
  try {
    if (scanning() || writing_ > 0) return;
    const std::vector<std::size_t> rows = rowsToKeep();
    contextNode_.reset();
    if (rows.empty()) return;
    std::vector<std::size_t> kept;
    std::vector<std::string> ids;
    for (const std::size_t row : rows) {
      const std::string id = KeepProblem(ProblemAt(lists.lvwErrors, row));
      if (id.empty()) continue;
      kept.push_back(row);
      ids.push_back(id);
    }
    std::string error;
    if (!kept.empty() && hooks.saveChanges && !hooks.saveChanges(error)) {
      // Not stored: taken back, so this run and the next agree; they stay listed.
      for (const std::string& id : ids) StopKeeping(id);
      kept.clear();
    }
    if (kept.size() < rows.size()) ProductMessage(kEntryNotKept, platform::kMbOk | platform::kMbIconExclamation);
    if (kept.empty()) return;
    // Every row the next scan would pass over goes now (the same entry may be listed twice).
    std::vector<KeptEntry> entries;
    for (const std::size_t row : kept) entries.push_back(KeptEntryOf(ProblemAt(lists.lvwErrors, row)));
    const KeepList justKept(entries);
    std::vector<std::size_t> drop;
    for (std::size_t i = 0; i < lists.lvwErrors.rowCount(); ++i)
      if (justKept.Keeps(ProblemAt(lists.lvwErrors, i))) drop.push_back(i);
    lists.keptNotShown += drop.size();
    showKeptNotShown();
    dropKeptRows(drop);
  } catch (...) {
    LogError("mnuRKeepEntry_Click of frmMain");
  }
}

void frmMain::dropKeptRows(const std::vector<std::size_t>& rows) {
  auto& tree = lists.vbatvwResults;
  auto& errors = lists.lvwErrors;
  // What the user set on the tree, by section and by row.
  std::map<std::string, std::pair<bool, bool>> sections;  // key -> checked, expanded
  for (const std::size_t root : tree.roots()) {
    const platform::TreeNode& n = tree.node(root);
    sections[n.key] = {n.checked, n.expanded};
  }
  std::vector<std::size_t> sorted = rows;
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  for (auto it = sorted.rbegin(); it != sorted.rend(); ++it) errors.removeRow(*it);
  contextNode_.reset();

  if (errors.rowCount() == 0) {
    // Nothing left to show or repair: back to the start panel.
    tree.clear();
    lists.PicResults.visible = false;
    lists.lblTotalErrors.visible = false;
    lists.picMain.visible = true;
    return;
  }
  std::vector<bool> checked;
  for (const auto& row : errors.rows()) checked.push_back(row.checked);
  LoadResultsTree("Results");
  for (std::size_t i = 0; i < checked.size(); ++i) {
    if (checked[i]) continue;
    errors.setChecked(i, false);
    if (const auto node = tree.find("C" + std::to_string(i + 1))) tree.setChecked(*node, false);
  }
  for (const std::size_t root : tree.roots()) {
    const auto was = sections.find(tree.node(root).key);
    if (was == sections.end()) continue;
    tree.setChecked(root, was->second.first);
    tree.setExpanded(root, was->second.second);
  }
  lists.lblTotalErrors.setCaption(std::to_string(errors.rowCount()));
}

}  // namespace hm
