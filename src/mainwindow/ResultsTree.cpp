// The results tree: one node per section with its count and threat level,
// one child per problem, and check marks copied back onto the problem list.
#include <charconv>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/ErrorLog.h"
#include "mainwindow/frmMain.h"
#include "platform/Machine.h"
#include "scan/Sections.h"

namespace hm {
namespace {

constexpr int kIconHigh = 100;
constexpr int kIconMedium = 101;
constexpr int kIconLow = 102;
constexpr int kIconProblem = 103;
constexpr int kThreatColumnWidth = 90;
constexpr int kDefaultProblemsColumnWidth = 300;  // before the window has told the tree its width

// The threat level of a section; a section this machine does not have (a
// backup made with another drive, say) counts as "High".
std::string ThreatLevelOf(const platform::ListViewModel& sections, const std::string& section) {
  for (std::size_t i = 0; i < sections.rowCount(); ++i) {
    if (sections.cell(i, kSectionName) != section) continue;
    const std::string_view level = sections.cell(i, kSectionThreat);
    if (level == "Medium" || level == "Low") return std::string(level);
    break;
  }
  return "High";
}

int ThreatIcon(const std::string& level) {
  if (level == "Medium") return kIconMedium;
  if (level == "Low") return kIconLow;
  return kIconHigh;
}

std::string SectionNodeText(const std::string& section, std::size_t problems) {
  return section + " (" + std::to_string(problems) + " Problems)";
}

// The problem-list row a node key ("C" and a 1-based number) stands for, if
// the list has it.
std::optional<std::size_t> RowIfAny(const std::string& key, std::size_t rowCount) {
  std::size_t number = 0;
  const char* first = key.data() + (key.empty() ? 0 : 1);
  const char* last = key.data() + key.size();
  const auto [end, ec] = std::from_chars(first, last, number);
  if (ec != std::errc() || end != last || number == 0 || number > rowCount) return std::nullopt;
  return number - 1;
}

std::size_t RowOfKey(const std::string& key, std::size_t rowCount) {
  const std::optional<std::size_t> row = RowIfAny(key, rowCount);
  if (!row) Raise(kErrSubscript);
  return *row;
}

}  // namespace

void frmMain::setUpImageList() {
  try {
    sysImageList = std::make_unique<shell::cVBALSysImageList>();
    sysImageList->IconSizeX = 16;
    sysImageList->IconSizeY = 16;
    sysImageList->Create();
  } catch (...) {
    LogError("setUpImageList of frmMain");
  }
}

void frmMain::setUpColumns() {
  try {
    auto& tree = lists.vbatvwResults;
    tree.setColumnHeader(0, "Problems");
    if (tree.columns().size() < 2) tree.addColumn("Threat Level", "Threat Level", 64);
    tree.setColumnWidth(1, kThreatColumnWidth);
    const int rest = tree.widthPixels - kThreatColumnWidth;
    tree.setColumnWidth(0, rest > 0 ? rest : kDefaultProblemsColumnWidth);
  } catch (...) {
    LogError("setUpColumns of frmMain");
  }
}

int frmMain::iconIndex(int id) {
  try {
    if (!sysImageList) return 0;
    std::string path = platform::machine().files->systemFolder();
    if (path.empty() || path.back() != '\\') path += '\\';
    path += std::to_string(id) + ".ico";
    return sysImageList->ItemIndex(path);
  } catch (...) {
    LogError("iconIndex of frmMain");
    return 0;
  }
}

void frmMain::LoadResultsTree(const std::string& mode) {
  auto& tree = lists.vbatvwResults;
  auto& rows = lists.lvwErrors;
  try {
    LoadRegistryValues(lists.lvwRegistryvaluesScan, true);
    tree.clear();
  } catch (...) {
    LogError("LoadResultsTree of frmMain");
    return;
  }
  // From here on a failure is the calling command's to log.
  const bool results = mode == "Results";
  std::vector<std::size_t> counts(rows.rowCount(), 0);  // by section node
  for (std::size_t i = 0; i < rows.rowCount(); ++i) {
    const std::string section(rows.cell(i, kSection));
    std::optional<std::size_t> parent = tree.find("P" + section);
    if (!parent) {
      const std::string level = ThreatLevelOf(lists.lvwRegistryvaluesScan, section);
      const int icon = iconIndex(ThreatIcon(level));
      parent = tree.add(std::nullopt, "P" + section, "Invalid " + section + " (0 Problems)", icon, icon);
      tree.setColumnText(*parent, level);
      if (results) {
        tree.setExpanded(*parent, false);
        tree.setChecked(*parent, true);
      } else {
        tree.setExpanded(*parent, true);
      }
      rows.setChecked(i, true);
    }
    if (counts.size() <= *parent) counts.resize(*parent + 1, 0);
    tree.setText(*parent, SectionNodeText(section, ++counts[*parent]));

    const int icon = iconIndex(kIconProblem);
    const std::size_t child =
        tree.add(parent, "C" + std::to_string(i + 1), std::string(rows.cell(i, kKeyValue)), icon, icon);
    tree.setTip(child, ProblemWhyText(rows, i));
    if (results) {
      tree.setExpanded(child, false);
      tree.setChecked(child, true);
    } else {
      tree.setExpanded(child, true);
    }
    rows.setChecked(i, true);
  }
}

void frmMain::vbatvwResults_SelectionChanged() {
  try {
    const auto& tree = lists.vbatvwResults;
    const auto& rows = lists.lvwErrors;
    std::string details;
    // A section node has nothing to say.
    if (const auto node = tree.selected(); node && tree.node(*node).key.starts_with('C')) {
      if (const auto row = RowIfAny(tree.node(*node).key, rows.rowCount())) details = ProblemWhyText(rows, *row);
    }
    lists.lblProblemDetails.setCaption(std::move(details));
  } catch (...) {
    LogError("vbatvwResults_SelectionChanged of frmMain");
  }
}

void frmMain::vbatvwResults_nodeCheck(std::size_t node) {
  try {
    auto& tree = lists.vbatvwResults;
    auto& rows = lists.lvwErrors;
    const platform::TreeNode& n = tree.node(node);
    const bool checked = n.checked;
    if (!n.key.empty() && n.key.front() == 'P') {
      const std::vector<std::size_t> children = n.children;
      for (std::size_t child : children) {
        tree.setChecked(child, checked);
        rows.setChecked(RowOfKey(tree.node(child).key, rows.rowCount()), checked);
      }
    } else {
      rows.setChecked(RowOfKey(n.key, rows.rowCount()), checked);
    }
  } catch (...) {
    LogError("vbatvwResults_nodeCheck of frmMain");
  }
}

}  // namespace hm
