#include "scan/KeepList.h"

#include <cstdint>
#include <cstdio>
#include <unordered_set>
#include <utility>
#include <vector>

#include "common/ErrorLog.h"
#include "common/Globals.h"
#include "common/RegistryAccess.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "platform/Text.h"
#include "shell/SettingsStore.h"

namespace hm {
namespace {

constexpr const char* kFormatVersion = "1";
constexpr char kSeparator = '|';
constexpr std::size_t kFieldCount = 6;  // the version and five fields
// Long enough for any value name Windows allows.
constexpr std::uint32_t kNameCapacity = 16384;

// '%', the separator and control characters become %XX; everything else is kept as it is.
std::string Escape(std::string_view text) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '%' || c == kSeparator || u < 0x20 || u == 0x7F) {
      out += '%';
      out += digits[u >> 4];
      out += digits[u & 15];
    } else {
      out += c;
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Only what Escape writes is accepted: a bare control character or a
// lower-case or incomplete escape means the text was not written by us.
bool Unescape(std::string_view text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto u = static_cast<unsigned char>(text[i]);
    if (u < 0x20 || u == 0x7F) return false;
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    const int high = HexDigit(text[i + 1]), low = HexDigit(text[i + 2]);
    if (high < 0 || low < 0) return false;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return true;
}

bool KnownRoot(std::string_view root) {
  return root.empty() || root == "HKEY_CLASSES_ROOT" || root == "HKEY_CURRENT_USER" || root == "HKEY_LOCAL_MACHINE";
}

std::string KeptNow() {
  const platform::LocalTime t = platform::machine().clock->now();
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour, t.minute);
  return text;
}

// A stable id from the identity: the same entry always gets the same name.
std::string IdOf(const std::string& identity) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : identity) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

void AppendField(std::string& out, std::string_view field) {
  const std::string folded = text::toUpper(field);
  out += std::to_string(folded.size());
  out += ':';
  out += folded;
}

std::string KeptKey() { return SettingsKeyPath(kProductName, kKeptEntriesSection); }

}  // namespace

std::string KeptEntry::Label() const {
  if (root.empty()) return keyPath;
  return root + "\\" + keyPath + "\\" + valueName;
}

KeptEntry KeptEntryOf(const ProblemEntry& problem) {
  KeptEntry e;
  e.root = problem.MainKeyName;
  e.keyPath = problem.FullKeyPath;
  e.valueName = problem.KeyName;
  e.section = problem.Section;
  return e;
}

std::string KeptIdentity(const KeptEntry& entry) {
  std::string out;
  AppendField(out, entry.root);
  AppendField(out, entry.keyPath);
  AppendField(out, entry.valueName);
  AppendField(out, entry.section);
  return out;
}

std::string EncodeKeptEntry(const KeptEntry& entry) {
  std::string out = kFormatVersion;
  for (const std::string* field : {&entry.root, &entry.keyPath, &entry.valueName, &entry.section, &entry.keptOn}) {
    out += kSeparator;
    out += Escape(*field);
  }
  return out;
}

bool DecodeKeptEntry(std::string_view id, std::string_view data, KeptEntry& out) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t bar = data.find(kSeparator, start);
    parts.push_back(data.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start));
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  if (id.empty() || parts.size() != kFieldCount || parts[0] != kFormatVersion) return false;
  KeptEntry e;
  e.id = std::string(id);
  std::string* fields[] = {&e.root, &e.keyPath, &e.valueName, &e.section, &e.keptOn};
  for (std::size_t i = 0; i < 5; ++i)
    if (!Unescape(parts[i + 1], *fields[i])) return false;
  if (!KnownRoot(e.root) || e.keyPath.empty() || e.section.empty()) return false;
  out = std::move(e);
  return true;
}

std::vector<KeptEntry> ReadKeptEntries() {
  std::vector<KeptEntry> entries;
  platform::HKey key = 0;
  try {
    auto& reg = *platform::machine().registry;
    if (reg.openKey(platform::rootHandle(platform::kHkeyCurrentUser), KeptKey(), platform::kKeyRead, key) !=
        platform::kSuccess)
      return entries;
    std::string name;
    for (std::uint32_t i = 0; reg.enumValue(key, i, name, kNameCapacity, nullptr, 0) == platform::kSuccess; ++i) {
      platform::RegValue value;
      KeptEntry e;
      if (reg.queryValue(key, name, value) != platform::kSuccess || value.type != platform::kRegSz ||
          !DecodeKeptEntry(name, StringFromRegData(value.data), e)) {
        LogErrorEntry(kErrTypeMismatch, "The kept entry \"" + name + "\" is not readable and was skipped",
                      "ReadKeptEntries");
        continue;
      }
      entries.push_back(std::move(e));
    }
    reg.closeKey(key);
  } catch (...) {
    LogError("ReadKeptEntries");
    if (key != 0) platform::machine().registry->closeKey(key);
  }
  return entries;
}

std::string KeepProblem(const ProblemEntry& problem) {
  try {
    KeptEntry entry = KeptEntryOf(problem);
    if (entry.keyPath.empty() || entry.section.empty() || !KnownRoot(entry.root)) Raise(kErrInvalidCall);
    const std::string identity = KeptIdentity(entry);
    const std::vector<KeptEntry> kept = ReadKeptEntries();
    std::unordered_set<std::string> ids;
    for (const KeptEntry& k : kept) {
      if (KeptIdentity(k) == identity) return k.id;
      ids.insert(text::toUpper(k.id));
    }
    // Value names compare without case: a taken name gets a number.
    const std::string base = IdOf(identity);
    entry.id = base;
    for (int n = 2; ids.count(text::toUpper(entry.id)) > 0; ++n) entry.id = base + "-" + std::to_string(n);
    entry.keptOn = KeptNow();
    if (!SaveSetting(kProductName, kKeptEntriesSection, entry.id, EncodeKeptEntry(entry)))
      Raise(kErrPathAccess, "The kept entry could not be stored");
    return entry.id;
  } catch (...) {
    LogError("KeepProblem");
    return {};
  }
}

bool StopKeeping(std::string_view id) {
  try {
    if (id.empty()) return false;  // the key's default value is never an entry
    // By the stored name alone, so an unreadable entry can be taken away too.
    const auto present = [&id] {
      auto& reg = *platform::machine().registry;
      platform::HKey key = 0;
      if (reg.openKey(platform::rootHandle(platform::kHkeyCurrentUser), KeptKey(), platform::kKeyRead, key) !=
          platform::kSuccess)
        return false;
      std::uint32_t type = 0, size = 0;
      const bool found = reg.queryValueInfo(key, id, type, size) == platform::kSuccess;
      reg.closeKey(key);
      return found;
    };
    if (!present()) return false;
    DeleteSetting(kProductName, kKeptEntriesSection, id);
    return !present();
  } catch (...) {
    LogError("StopKeeping");
    return false;
  }
}

KeepList::KeepList(const std::vector<KeptEntry>& entries) {
  for (const KeptEntry& e : entries) identities_.insert(KeptIdentity(e));
}

KeepList KeepList::Load() { return KeepList(ReadKeptEntries()); }

bool KeepList::Keeps(const ProblemEntry& problem) const {
  return !identities_.empty() && identities_.count(KeptIdentity(KeptEntryOf(problem))) > 0;
}

std::size_t KeepList::PassOver(platform::ListViewModel& lvwErrors, std::size_t fromRow) const {
  if (identities_.empty()) return 0;
  std::size_t passed = 0;
  // From the end, so the rows still to look at keep their positions.
  for (std::size_t i = lvwErrors.rowCount(); i > fromRow; --i) {
    if (!Keeps(ProblemAt(lvwErrors, i - 1))) continue;
    lvwErrors.removeRow(i - 1);
    ++passed;
  }
  return passed;
}

std::string KeptNotShownText(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " kept entry not shown" : " kept entries not shown");
}

}  // namespace hm
