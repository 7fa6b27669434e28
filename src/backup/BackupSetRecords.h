// What a record of a backup set carries beyond the problem list's columns,
// and how restore tells a whole record from one a killed repair cut short.
#pragma once

#include <vector>

#include "backup/BackupSetSections.h"

namespace hm::backup {

// A value or key name that a line of text cannot hold (a line break, a NUL,
// bytes that are not UTF-8) is also written as the hex of its bytes, so
// restore puts back the very name that was removed. Older readers ignore them.
inline constexpr const char* kKeyNameHexKey = "KeyNameHex";
inline constexpr const char* kKeyPathHexKey = "KeyPathHex";
// The last key of every record, in the same write as the rest of it.
inline constexpr const char* kCompleteKey = "Complete";
// In the header: the set's records end with kCompleteKey.
inline constexpr const char* kCompleteMarksKey = "CompleteMarks";
inline constexpr const char* kMarkValue = "1";

// True when the set marks its whole records: its header says so or any
// record carries the mark. Sets written before the mark existed do not.
bool SetMarksCompleteRecords(const std::vector<IniSectionEntries>& sections);

// True when the record carries the mark.
bool RecordIsComplete(const IniSectionEntries& record);

}  // namespace hm::backup
