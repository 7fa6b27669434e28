// The keep list: problems the user knows to be fine and does not want
// reported again (a program on a drive unplugged today, a registration kept
// on purpose). Stored per user in the settings store, one value per entry,
// and compared without regard to case, so a key path that changes case
// still matches.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/Controls.h"
#include "scan/ScanLists.h"

namespace hm {

// The settings section that holds the kept entries (its own key, beside the
// options; no other reader of the settings walks it).
inline constexpr const char* kKeptEntriesSection = "KeptEntries";

struct KeptEntry {
  std::string id;         // the name of its stored value
  std::string root;       // "HKEY_LOCAL_MACHINE" and so on; empty for a shortcut file
  std::string keyPath;    // below the root; for a shortcut, the shortcut's file path
  std::string valueName;  // as the record names it ("(Default)"); empty for a shortcut
  std::string section;
  std::string keptOn;  // "YYYY-MM-DD HH:MM"

  // What the entry stands for, as one line (root\key\value, or the file path).
  std::string Label() const;
};

// What identifies a problem record as a kept entry (no id, no date).
KeptEntry KeptEntryOf(const ProblemEntry& problem);
// The same identity, case folded: equal for entries that are the same.
std::string KeptIdentity(const KeptEntry& entry);

// The stored text of an entry and back. Every field is escaped, so any
// character of a key path or value name survives; a text that is not exactly
// what EncodeKeptEntry writes decodes to false.
std::string EncodeKeptEntry(const KeptEntry& entry);
bool DecodeKeptEntry(std::string_view id, std::string_view data, KeptEntry& out);

// The current user's kept entries in stored order. A malformed value is
// skipped and logged ("ReadKeptEntries"); a failure returns what was read.
std::vector<KeptEntry> ReadKeptEntries();
// Keeps the problem, dated now; returns its id, or "" when it could not be
// stored. A problem kept already keeps its first id and date.
std::string KeepProblem(const ProblemEntry& problem);
// Stops keeping the entry with this id; false when there is none.
bool StopKeeping(std::string_view id);

// The kept entries as one lookup, loaded once per scan.
class KeepList {
 public:
  KeepList() = default;
  explicit KeepList(const std::vector<KeptEntry>& entries);
  // The stored list; empty after a failure (logged).
  static KeepList Load();

  bool empty() const { return identities_.empty(); }
  bool Keeps(const ProblemEntry& problem) const;
  // Removes the kept rows of the problem list from `fromRow` on; returns how
  // many. Touches nothing when the list is empty.
  std::size_t PassOver(platform::ListViewModel& lvwErrors, std::size_t fromRow) const;

 private:
  std::unordered_set<std::string> identities_;
};

// "3 kept entries not shown".
std::string KeptNotShownText(std::size_t count);

}  // namespace hm
