#include "scan/ScanLists.h"

#include <string>
#include <utility>
#include <vector>

#include "scan/CheckRules.h"

namespace hm {

ProblemEntry ProblemAt(const platform::ListViewModel& lvwErrors, std::size_t row) {
  return ProblemEntry{lvwErrors.cell(row, kMainKey),     lvwErrors.cell(row, kKeyName),
                      lvwErrors.cell(row, kKeyValue),    lvwErrors.cell(row, kSection),
                      lvwErrors.cell(row, kFullKeyPath), lvwErrors.cell(row, kMainKeyName)};
}

void AddProblemEntry(platform::ListViewModel& lvwErrors, std::string_view mainKey, std::string_view keyName,
                     std::string_view keyValue, std::string_view section, std::string_view fullKeyPath,
                     std::string_view mainKeyName, ProblemWhy why) {
  // Built in place: a braced list would copy every cell once more.
  std::vector<std::string> cells;
  cells.reserve(8);
  cells.emplace_back(mainKey);
  cells.emplace_back(keyName.empty() ? std::string_view("(Default)") : keyName);
  cells.emplace_back(keyValue);
  cells.emplace_back(section);
  cells.emplace_back(fullKeyPath);
  cells.emplace_back(mainKeyName);
  cells.emplace_back(why.rule);
  cells.emplace_back(why.testedPath);
  lvwErrors.addRow(std::move(cells), true);
}

std::string ProblemWhyText(const platform::ListViewModel& lvwErrors, std::size_t row) {
  const std::string& rule = lvwErrors.cell(row, kRule);
  if (rule.empty()) return {};
  return "Why: " + std::string(CheckRuleReason(rule)) + " (" + rule +
         ")\r\nTested: " + lvwErrors.cell(row, kTestedPath);
}

}  // namespace hm
