// The TCP/IP values tuned for a kind of internet connection, and the record
// of what they held before, so that the earlier state can be put back.
#pragma once

#include <string>
#include <vector>

namespace hm::tools {

enum class ConnectionKind { DialUp, Broadband };

struct TuningValue {
  std::string keyPath;  // below HKEY_LOCAL_MACHINE
  std::string name;
  std::string data;  // written as REG_SZ text
};

// The four values for a kind of connection, in the order they are written.
std::vector<TuningValue> TuningTable(ConnectionKind kind);

struct TuningResult {
  std::vector<std::string> changed;  // "key\name" of each value now as wanted
  std::vector<std::string> failed;   // "key\name" of each value Windows refused
};

// Records each value's earlier state (once: a later Optimize keeps the first
// record), then writes the table. Each write is read back.
TuningResult Optimize(ConnectionKind kind);
// Stores the time of this optimisation in the settings.
void StoreLastTime();
// Whether an Optimize left a record that Set To Default can put back.
bool HasTuningRecord();
// The keys (below HKEY_LOCAL_MACHINE) Optimize created and Set To Default is
// to delete when empty, deepest first.
std::vector<std::string> RecordedKeys();
// Puts back every recorded value (deleting the ones Optimize created) and
// drops the record of each value put back; then deletes the keys Optimize
// created, deepest first, where they are empty ("changed" lists each key
// deleted). A key something else has filled meanwhile stays.
TuningResult SetToDefault();

// What Set To Default would do to one value: "" when nothing is recorded,
// else a short description ("delete" or the earlier data as text).
std::string RecordedState(const TuningValue& value);

}  // namespace hm::tools
