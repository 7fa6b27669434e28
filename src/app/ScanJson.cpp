#include "app/ScanJson.h"

#include <charconv>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "scan/CheckRules.h"

namespace hm::cli {

void WriteSectionRows(JsonWriter& j, const ScanLists& lists) {
  // Counted as the section's "Problems" text counts: records with a root.
  std::map<std::string, long long, std::less<>> counts;
  for (const auto& r : lists.lvwErrors.rows()) {
    if (r.cells[kMainKey].empty()) continue;
    auto count = counts.find(r.cells[kSection]);
    if (count == counts.end()) count = counts.emplace(r.cells[kSection], 0).first;
    ++count->second;
  }
  j.key("sections").beginArray();
  for (const auto& r : lists.lvwRegistryvaluesScan.rows()) {
    j.beginObject();
    j.key("name").string(r.cells[kSectionName]);
    j.key("status").string(r.cells[kSectionStatus]);
    j.key("problems").string(r.cells[kSectionProblems]);
    const auto count = counts.find(r.cells[kSectionName]);
    j.key("count").number(count == counts.end() ? 0 : count->second);
    j.key("threatLevel").string(r.cells[kSectionThreat]);
    j.key("checked").boolean(r.checked);
    j.endObject();
  }
  j.endArray();
}

void WriteProblemRecords(JsonWriter& j, const platform::ListViewModel& lvwErrors) {
  j.key("problems").beginArray();
  for (std::size_t i = 0; i < lvwErrors.rowCount(); ++i) {
    j.beginObject();
    for (std::size_t c = 0; c < lvwErrors.headers().size(); ++c)
      j.key(lvwErrors.headers()[c]).string(lvwErrors.cell(i, c));
    // A shortcut's record holds its section where a registry record holds the root handle.
    const std::string_view mainKey = lvwErrors.cell(i, kMainKey);
    const char* const end = mainKey.data() + mainKey.size();
    std::int32_t root = 0;
    const auto parsed = std::from_chars(mainKey.data(), end, root);
    j.key("root");
    if (!mainKey.empty() && parsed.ec == std::errc() && parsed.ptr == end)
      j.number(root);
    else
      j.null();
    const std::string_view rule = lvwErrors.cell(i, kRule);
    j.key("rule").string(rule);
    j.key("reason").string(CheckRuleReason(rule));
    j.key("testedPath").string(lvwErrors.cell(i, kTestedPath));
    j.endObject();
  }
  j.endArray();
}

}  // namespace hm::cli
