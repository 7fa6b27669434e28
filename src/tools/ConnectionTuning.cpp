#include "tools/ConnectionTuning.h"

#include <algorithm>
#include <optional>

#include "common/Globals.h"
#include "platform/Machine.h"
#include "platform/Text.h"
#include "scan/RegistryWalker.h"
#include "shell/SettingsStore.h"
#include "tools/ExactValues.h"

namespace hm::tools {
namespace {

using platform::RegValue;

constexpr const char* kMstcp = "SYSTEM\\CurrentControlSet\\Services\\VxD\\MSTCP";
constexpr const char* kNetTrans = "SYSTEM\\CurrentControlSet\\Services\\Class\\NetTrans";
// The earlier state of each tuned value: "absent", or the type, ":" and the bytes in hex.
constexpr const char* kRecordSection = "OptimizationUndo";
constexpr const char* kAbsent = "absent";
// The keys Optimize's writes created, by path, so that Set To Default can take
// them away again. Older records lack this section: their keys stay.
constexpr const char* kCreatedKeysSection = "OptimizationUndoKeys";
constexpr const char* kCreated = "created";

std::string RecordKey(const TuningValue& v) { return v.keyPath + "\\" + v.name; }

// Writes (or, for nothing, deletes) the value; true when it reads back so.
bool PutValue(const std::string& keyPath, const std::string& name, const std::optional<RegValue>& value) {
  return value ? WriteExactValue(platform::kHkeyLocalMachine, keyPath, name, *value)
               : RemoveExactValue(platform::kHkeyLocalMachine, keyPath, name);
}

std::string EncodeState(const std::optional<RegValue>& v) {
  if (!v) return kAbsent;
  static const char* digits = "0123456789abcdef";
  std::string text = std::to_string(v->type) + ":";
  for (const unsigned char c : v->data) {
    text += digits[c >> 4];
    text += digits[c & 15];
  }
  return text;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Nothing recorded, or a record that does not decode: false.
bool DecodeState(const std::string& text, std::optional<RegValue>& out) {
  if (text == kAbsent) {
    out.reset();
    return true;
  }
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos || colon == 0 || colon > 10) return false;
  unsigned long long type = 0;
  for (std::size_t i = 0; i < colon; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    type = type * 10 + static_cast<unsigned>(text[i] - '0');
  }
  const std::string hex = text.substr(colon + 1);
  if (type > 0xFFFFFFFFull || hex.size() % 2 != 0) return false;
  RegValue v;
  v.type = static_cast<std::uint32_t>(type);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = HexDigit(hex[i]), low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    v.data += static_cast<char>(high * 16 + low);
  }
  out = std::move(v);
  return true;
}

std::string Recorded(const TuningValue& v) { return GetSetting(kProductName, kRecordSection, RecordKey(v), ""); }
bool RecordedAsCreated(const std::string& keyPath) {
  return GetSetting(kProductName, kCreatedKeysSection, keyPath, "") == kCreated;
}

std::size_t Depth(const std::string& keyPath) {
  return static_cast<std::size_t>(std::count(keyPath.begin(), keyPath.end(), '\\'));
}

// The key a value goes into and each of its ancestors, outermost first.
std::vector<std::string> KeyAndAncestors(const std::string& keyPath) {
  std::vector<std::string> paths;
  for (std::size_t cut = keyPath.find('\\'); cut != std::string::npos; cut = keyPath.find('\\', cut + 1))
    paths.push_back(keyPath.substr(0, cut));
  paths.push_back(keyPath);
  return paths;
}

// Every key the table's writes may create, deepest first.
std::vector<std::string> TunedKeys() {
  std::vector<std::string> paths;
  for (const TuningValue& v : TuningTable(ConnectionKind::DialUp))
    for (std::string& p : KeyAndAncestors(v.keyPath))
      if (std::find(paths.begin(), paths.end(), p) == paths.end()) paths.push_back(std::move(p));
  std::stable_sort(paths.begin(), paths.end(),
                   [](const std::string& a, const std::string& b) { return Depth(a) > Depth(b); });
  return paths;
}

// Notes each missing key on the value's path before the write creates it;
// false when a note cannot be stored.
bool RecordMissingKeys(const std::string& keyPath) {
  for (const std::string& p : KeyAndAncestors(keyPath)) {
    if (RecordedAsCreated(p) || KeyPresence(platform::kHkeyLocalMachine, p) != platform::kFileNotFound) continue;
    if (!SaveSetting(kProductName, kCreatedKeysSection, p, kCreated)) return false;
  }
  return true;
}

// A value below this key (or in it) still waits to be put back.
bool ValueRecordBelow(const std::string& keyPath) {
  for (const TuningValue& v : TuningTable(ConnectionKind::DialUp))
    if ((v.keyPath == keyPath || v.keyPath.starts_with(keyPath + "\\")) && !Recorded(v).empty()) return true;
  return false;
}

}  // namespace

std::vector<TuningValue> TuningTable(ConnectionKind kind) {
  if (kind == ConnectionKind::DialUp)
    return {{kMstcp, "DefaultRcvWindow", "8192"},
            {kMstcp, "DefaultTTL", "128"},
            {kNetTrans, "MaxMSS", "536"},
            {kNetTrans, "MaxMTU", "576"}};
  return {{kMstcp, "DefaultRcvWindow", "372300"},
          {kMstcp, "DefaultTTL", "128"},
          {kNetTrans, "MaxMSS", "1460"},
          {kNetTrans, "MaxMTU", "1500"}};
}

TuningResult Optimize(ConnectionKind kind) {
  TuningResult result;
  for (const TuningValue& v : TuningTable(kind)) {
    // The first record is the state before any tuning; keep it.
    if (Recorded(v).empty() &&
        !SaveSetting(kProductName, kRecordSection, RecordKey(v),
                     EncodeState(ReadExactValue(platform::kHkeyLocalMachine, v.keyPath, v.name)))) {
      // Without a record the change could not be undone: leave the value alone.
      result.failed.push_back(RecordKey(v));
      continue;
    }
    if (!RecordMissingKeys(v.keyPath)) {
      result.failed.push_back(RecordKey(v));
      continue;
    }
    RegValue wanted{platform::kRegSz, text::toUtf16Bytes(v.data, true)};
    (PutValue(v.keyPath, v.name, wanted) ? result.changed : result.failed).push_back(RecordKey(v));
  }
  return result;
}

void StoreLastTime() {
  auto* clock = platform::machine().clock;
  if (clock == nullptr) return;
  const auto t = clock->now();
  SaveSetting(kProductName, "Optimization", "LastTime", clock->formatShortDate(t) + " " + clock->formatTime(t));
}

bool HasTuningRecord() {
  for (const TuningValue& v : TuningTable(ConnectionKind::DialUp))
    if (!Recorded(v).empty()) return true;
  return !RecordedKeys().empty();
}

std::vector<std::string> RecordedKeys() {
  std::vector<std::string> keys;
  for (std::string& p : TunedKeys())
    if (RecordedAsCreated(p)) keys.push_back(std::move(p));
  return keys;
}

std::string RecordedState(const TuningValue& v) {
  const std::string text = Recorded(v);
  std::optional<RegValue> state;
  if (text.empty() || !DecodeState(text, state)) return {};
  if (!state) return "delete";
  return "restore " + ValueText(*state);
}

TuningResult SetToDefault() {
  TuningResult result;
  // Both tables name the same four values.
  for (const TuningValue& v : TuningTable(ConnectionKind::DialUp)) {
    const std::string text = Recorded(v);
    if (text.empty()) continue;
    std::optional<RegValue> state;
    if (!DecodeState(text, state) || !PutValue(v.keyPath, v.name, state)) {
      result.failed.push_back(RecordKey(v));
      continue;
    }
    DeleteSetting(kProductName, kRecordSection, RecordKey(v));
    result.changed.push_back(RecordKey(v));
  }
  // Then the keys Optimize created, deepest first, each only while empty.
  std::vector<std::string> waiting;  // still noted, for the next try
  for (const std::string& keyPath : RecordedKeys()) {
    // A value not yet put back keeps its key and the keys above it.
    const std::string below = keyPath + "\\";
    if (ValueRecordBelow(keyPath) ||
        std::any_of(waiting.begin(), waiting.end(), [&](const std::string& w) { return w.starts_with(below); })) {
      waiting.push_back(keyPath);
      continue;
    }
    switch (RemoveEmptyKey(platform::kHkeyLocalMachine, keyPath)) {
      case KeyRemoval::Gone:
        DeleteSetting(kProductName, kCreatedKeysSection, keyPath);
        result.changed.push_back(keyPath);
        break;
      case KeyRemoval::NotEmpty:
        // Something else keeps it now: it is no longer ours to take away.
        DeleteSetting(kProductName, kCreatedKeysSection, keyPath);
        break;
      case KeyRemoval::Refused:
        result.failed.push_back(keyPath);
        waiting.push_back(keyPath);
        break;
    }
  }
  return result;
}

}  // namespace hm::tools
