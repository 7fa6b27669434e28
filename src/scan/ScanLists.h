// The collections of a scan that the main window owns and shows: the section
// list, the problem list, the progress list and the status labels.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Controls.h"

namespace hm {

// Columns of the section list.
enum SectionColumn : std::size_t { kSectionName = 0, kSectionStatus = 1, kSectionProblems = 2, kSectionThreat = 3 };
// Columns of the problem list; the headers are also the keys of a backup record.
enum ProblemColumn : std::size_t {
  kMainKey = 0,
  kKeyName = 1,
  kKeyValue = 2,
  kSection = 3,
  kFullKeyPath = 4,
  kMainKeyName = 5,
};

inline constexpr std::uint32_t kProblemRowColor = 192;  // dark red

struct ProblemEntry {
  std::string MainKey, KeyName, KeyValue, Section, FullKeyPath, MainKeyName;
};

struct ScanLists {
  platform::ListViewModel lvwRegistryvaluesScan{{"Registry Section", "Status", "Problems", "ThreatLevel"}};
  platform::ListViewModel lvwErrors{{"MainKey", "KeyName", "KeyValue", "Section", "FullKeyPath", "MainKeyName"}};
  platform::ListViewModel lvwResultProgress{{"Registry Section", "Status", "Problems"}};
  platform::LabelModel lblRegistryScan;
  platform::LabelModel lblRegistryFilesScan;
  platform::LabelModel lblTotalErrors;
  // The cancel button of the scanning panel: the display-only key listing
  // stops once it is no longer enabled.
  platform::ButtonModel cmdCancel;
};

ProblemEntry ProblemAt(const platform::ListViewModel& lvwErrors, std::size_t row);

// Appends one problem record; an empty value name is recorded as "(Default)".
void AddProblemEntry(platform::ListViewModel& lvwErrors, std::string_view mainKey, std::string_view keyName,
                     std::string_view keyValue, std::string_view section, std::string_view fullKeyPath,
                     std::string_view mainKeyName);

}  // namespace hm
