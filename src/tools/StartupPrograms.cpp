#include "tools/StartupPrograms.h"

#include <optional>
#include <string_view>

#include "common/DoEvents.h"
#include "common/GenDec.h"
#include "common/Globals.h"
#include "common/RegistryAccess.h"
#include "platform/Machine.h"
#include "platform/Text.h"
#include "scan/RegistryWalker.h"
#include "shell/SettingsStore.h"
#include "shell/frmOptionsAndSettings.h"
#include "tools/ExactValues.h"

namespace hm::tools {
namespace {

using platform::HKey;
using platform::RegValue;

// Long enough for any value or key name Windows allows.
constexpr std::uint32_t kNameCapacity = 16384;

std::string Join(const std::string& base, const std::string& subKey) {
  return subKey.empty() ? base : base + "\\" + subKey;
}

bool SameName(std::string_view a, std::string_view b) { return text::toLower(a) == text::toLower(b); }

// Every value of one key, read whole (no buffer cuts the listing short).
void ListKeyValues(HKey key, const std::string& subKey, bool kept, std::vector<StartupEntry>& out) {
  auto& reg = *platform::machine().registry;
  std::string name;
  for (std::uint32_t i = 0; reg.enumValue(key, i, name, kNameCapacity, nullptr, 0) == platform::kSuccess; ++i) {
    StartupEntry e;
    e.subKey = subKey;
    e.name = name;
    if (reg.queryValue(key, name, e.value) == platform::kSuccess) {
      // Windows starts expandable commands too; show them as written.
      const std::string text =
          e.value.type == platform::kRegExpandSz ? StringFromRegData(e.value.data) : ValueText(e.value);
      e.command = RemoveBackSlashandComma(text);
      e.kept = kept;
      // Only commands with a drive path are start-up programs worth showing;
      // a kept entry was one when it was taken out.
      if (kept || e.command.find(":\\") != std::string::npos) out.push_back(std::move(e));
    }
    DoEvents();
  }
}

// The key and every key below it, parents before children. Symbolic links
// are not followed, so a link back up cannot make the walk endless.
void WalkTree(std::int32_t root, const std::string& base, bool kept, std::vector<StartupEntry>& out) {
  auto& reg = *platform::machine().registry;
  std::vector<std::string> pending{""};
  while (!pending.empty()) {
    const std::string subKey = std::move(pending.back());
    pending.pop_back();
    HKey key = 0;
    if (reg.openKeyNoFollow(platform::rootHandle(root), Join(base, subKey), platform::kKeyRead, key) !=
        platform::kSuccess)
      continue;
    std::uint32_t type = 0, size = 0;
    if (!subKey.empty() && reg.queryValueInfo(key, platform::kSymbolicLinkValue, type, size) == platform::kSuccess &&
        type == platform::kRegLink) {
      reg.closeKey(key);
      continue;
    }
    ListKeyValues(key, subKey, kept, out);
    std::vector<std::string> children;
    std::string name;
    for (std::uint32_t i = 0; reg.enumKey(key, i, name, 256) == platform::kSuccess; ++i)
      children.push_back(subKey.empty() ? name : subKey + "\\" + name);
    reg.closeKey(key);
    pending.insert(pending.end(), children.rbegin(), children.rend());
    DoEvents();
  }
}

struct Slot {
  std::int32_t root;
  std::string keyPath, name;
};

Slot Source(const StartupChange& c) {
  return c.takeOut ? Slot{platform::kHkeyLocalMachine, LiveKeyPath(c.entry.subKey), c.entry.name}
                   : Slot{platform::kHkeyCurrentUser, KeptKeyPath(c.entry.subKey), c.entry.name};
}
Slot Target(const StartupChange& c) {
  return c.takeOut ? Slot{platform::kHkeyCurrentUser, KeptKeyPath(c.entry.subKey), c.entry.name}
                   : Slot{platform::kHkeyLocalMachine, LiveKeyPath(c.entry.subKey), c.entry.name};
}
bool SameSlot(const Slot& a, const Slot& b) {
  return a.root == b.root && SameName(a.keyPath, b.keyPath) && SameName(a.name, b.name);
}

}  // namespace

std::string LiveKeyPath(const std::string& subKey) { return Join(shell::kRunKeyPath, subKey); }

std::string KeptKeyPath(const std::string& subKey) {
  return Join(std::string(kSettingsRoot) + "\\" + kProductName + "\\Run", subKey);
}

std::string EntryLabel(const StartupEntry& entry) { return Join("Run", entry.subKey) + "\\" + entry.name; }

std::vector<StartupEntry> ListStartupEntries() {
  std::vector<StartupEntry> entries;
  WalkTree(platform::kHkeyLocalMachine, LiveKeyPath(""), false, entries);
  WalkTree(platform::kHkeyCurrentUser, KeptKeyPath(""), true, entries);
  return entries;
}

std::vector<ChangeOutcome> ApplyStartupChanges(const std::vector<StartupChange>& changes) {
  std::vector<ChangeOutcome> outcomes(changes.size(), ChangeOutcome::Done);
  // A target may already hold a value of that name; it is only overwritten
  // when another change of this batch moves that value away (a swap).
  const auto vacated = [&](const Slot& slot, std::size_t except) {
    for (std::size_t j = 0; j < changes.size(); ++j)
      if (j != except && SameSlot(Source(changes[j]), slot)) return true;
    return false;
  };
  std::vector<bool> write(changes.size(), false);
  for (std::size_t i = 0; i < changes.size(); ++i) {
    const Slot source = Source(changes[i]), target = Target(changes[i]);
    const auto now = ReadExactValue(source.root, source.keyPath, source.name);
    if (!now || now->type != changes[i].entry.value.type || now->data != changes[i].entry.value.data)
      outcomes[i] = ChangeOutcome::ChangedMeanwhile;
    else if (ReadExactValue(target.root, target.keyPath, target.name) && !vacated(target, i))
      outcomes[i] = ChangeOutcome::NameTaken;
    else
      write[i] = true;
  }
  // Every write first, from the data read when the list was filled, so a
  // swap has both values in hand; then the deletes of what moved away.
  std::vector<bool> written(changes.size(), false);
  for (std::size_t i = 0; i < changes.size(); ++i) {
    if (!write[i]) continue;
    const Slot target = Target(changes[i]);
    written[i] = WriteExactValue(target.root, target.keyPath, target.name, changes[i].entry.value);
    if (!written[i]) outcomes[i] = ChangeOutcome::Refused;
    DoEvents();
  }
  for (std::size_t i = 0; i < changes.size(); ++i) {
    if (!written[i]) continue;
    const Slot source = Source(changes[i]);
    bool refilled = false;
    for (std::size_t j = 0; j < changes.size(); ++j)
      if (j != i && written[j] && SameSlot(Target(changes[j]), source)) refilled = true;
    if (!refilled && !RemoveExactValue(source.root, source.keyPath, source.name)) {
      // Both copies exist now; drop the new one so the entry stays where it was.
      const Slot target = Target(changes[i]);
      RemoveExactValue(target.root, target.keyPath, target.name);
      outcomes[i] = ChangeOutcome::Refused;
    }
    DoEvents();
  }
  return outcomes;
}

}  // namespace hm::tools
