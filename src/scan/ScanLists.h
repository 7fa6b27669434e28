// The controls of the main window's scan side, which the main window owns and
// the scan, repair and restore code share: the section list, the problem
// list, the progress list, the results tree, the three panels and their
// buttons, bars and labels. One model per control.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Controls.h"

namespace hm {

// Columns of the section list.
enum SectionColumn : std::size_t { kSectionName = 0, kSectionStatus = 1, kSectionProblems = 2, kSectionThreat = 3 };
// Columns of the problem list. The six with headers are the record's fields,
// and their headers are also the keys of a backup record. A scan's rows carry
// two cells more, without a header, so that nothing that goes by the headers
// (a backup set, a list view) sees them: why the record was made. A row read
// back from a backup set has none, and reads them as "".
enum ProblemColumn : std::size_t {
  kMainKey = 0,
  kKeyName = 1,
  kKeyValue = 2,
  kSection = 3,
  kFullKeyPath = 4,
  kMainKeyName = 5,
  kRule = 6,        // the identifier of the rule that flagged it ("" when read from a backup set)
  kTestedPath = 7,  // the path that was looked up
};

inline constexpr std::uint32_t kProblemRowColor = 192;  // dark red

struct ProblemEntry {
  std::string MainKey, KeyName, KeyValue, Section, FullKeyPath, MainKeyName;
};

// Why a record was made: the rule's identifier and the path that was looked up.
struct ProblemWhy {
  std::string_view rule;
  std::string_view testedPath;
};

struct ScanLists {
  // Hidden lists: the sections of the scan and the problems found.
  platform::ListViewModel lvwRegistryvaluesScan{{"Registry Section", "Status", "Problems", "ThreatLevel"}};
  platform::ListViewModel lvwErrors{{"MainKey", "KeyName", "KeyValue", "Section", "FullKeyPath", "MainKeyName"}};

  // Start panel.
  platform::PanelModel picMain;
  platform::ButtonModel cmdQuickScan{"&Quick Scan"};
  platform::ButtonModel cmdDeepScan{"&Deep Scan"};
  platform::ButtonModel cmdRestore{"&Restore"};

  // Scanning panel.
  platform::PanelModel picScanning;
  platform::ListViewModel lvwResultProgress{{"Registry Section", "Status", "Problems"}};
  platform::ProgressBarModel PgbScanning;
  platform::TimerModel TmrIncrementProgressBar{50, false};
  platform::LabelModel lblRegistryScan;
  platform::LabelModel lblRegistryFilesScan;
  // The display-only key listing stops once it is no longer enabled.
  platform::ButtonModel cmdCancel{"&Cancel"};

  // Results panel: the tree, its heading in repair or restore mode, and the
  // lower bar with the repair or restore button.
  platform::PanelModel PicResults;
  platform::PanelModel imgListOfProblems;
  platform::PanelModel imgListOfItemsInBackupFile;
  platform::TreeViewModel vbatvwResults;
  // Why the selected problem was flagged, under the tree.
  platform::LabelModel lblProblemDetails;
  platform::LabelModel lblTotalErrors;
  platform::PanelModel picFixProblemLowerBase;
  platform::PanelModel picRestoreLowerBase;
  platform::ButtonModel cmdRepairCorruptFiles{"&Repair"};
  platform::ButtonModel cmdRestoreNow{"Restore &Now"};
  platform::ProgressBarModel pgbDeletingErrors;
  platform::LabelModel lblStatusOfActionTaken;

  // Kept entries the last scan found and passed over.
  std::size_t keptNotShown = 0;
};

ProblemEntry ProblemAt(const platform::ListViewModel& lvwErrors, std::size_t row);

// Appends one problem record; an empty value name is recorded as "(Default)".
void AddProblemEntry(platform::ListViewModel& lvwErrors, std::string_view mainKey, std::string_view keyName,
                     std::string_view keyValue, std::string_view section, std::string_view fullKeyPath,
                     std::string_view mainKeyName, ProblemWhy why = {});

// The two lines the window shows for a selected problem: the reason with the
// rule's identifier, and the tested path. Empty for a record without a rule.
std::string ProblemWhyText(const platform::ListViewModel& lvwErrors, std::size_t row);

}  // namespace hm
