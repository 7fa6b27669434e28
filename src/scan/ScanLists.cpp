#include "scan/ScanLists.h"

#include <string>
#include <utility>
#include <vector>

#include "scan/CheckRules.h"

namespace hm {

ProblemEntry ProblemAt(const platform::ListViewModel& lvwErrors, std::size_t row) {
  const auto at = [&](std::size_t column) { return std::string(lvwErrors.cell(row, column)); };
  return ProblemEntry{at(kMainKey), at(kKeyName), at(kKeyValue), at(kSection), at(kFullKeyPath), at(kMainKeyName)};
}

void AddProblemEntry(platform::ListViewModel& lvwErrors, std::string_view mainKey, std::string_view keyName,
                     std::string_view keyValue, std::string_view section, std::string_view fullKeyPath,
                     std::string_view mainKeyName, ProblemWhy why) {
  lvwErrors.addRow({mainKey, keyName.empty() ? std::string_view("(Default)") : keyName, keyValue, section, fullKeyPath,
                    mainKeyName, why.rule, why.testedPath},
                   true);
}

std::string ProblemWhyText(const platform::ListViewModel& lvwErrors, std::size_t row) {
  const std::string_view rule = lvwErrors.cell(row, kRule);
  if (rule.empty()) return {};
  std::string text = "Why: ";
  text.append(CheckRuleReason(rule)).append(" (").append(rule).append(")\r\nTested: ");
  return text.append(lvwErrors.cell(row, kTestedPath));
}

}  // namespace hm
