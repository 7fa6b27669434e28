// The scan's section rows and problem records as JSON, shared by the command
// line and the window's tests, so both write a record the same way.
#pragma once

#include "app/JsonWriter.h"
#include "scan/ScanLists.h"

namespace hm::cli {

// "sections": each row's four texts, its check mark and a numeric "count".
void WriteSectionRows(JsonWriter& j, const ScanLists& lists);
// "problems": each record's six fields, its numeric "root" handle (null for a
// shortcut's record), and why it was flagged: "rule", "reason", "testedPath".
void WriteProblemRecords(JsonWriter& j, const platform::ListViewModel& lvwErrors);

}  // namespace hm::cli
