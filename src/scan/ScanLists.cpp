#include "scan/ScanLists.h"

namespace hm {

ProblemEntry ProblemAt(const platform::ListViewModel& lvwErrors, std::size_t row) {
  return ProblemEntry{lvwErrors.cell(row, kMainKey),     lvwErrors.cell(row, kKeyName),
                      lvwErrors.cell(row, kKeyValue),    lvwErrors.cell(row, kSection),
                      lvwErrors.cell(row, kFullKeyPath), lvwErrors.cell(row, kMainKeyName)};
}

void AddProblemEntry(platform::ListViewModel& lvwErrors, std::string_view mainKey, std::string_view keyName,
                     std::string_view keyValue, std::string_view section, std::string_view fullKeyPath,
                     std::string_view mainKeyName) {
  lvwErrors.addRow({std::string(mainKey), keyName.empty() ? std::string("(Default)") : std::string(keyName),
                    std::string(keyValue), std::string(section), std::string(fullKeyPath), std::string(mainKeyName)},
                   true);
}

}  // namespace hm
