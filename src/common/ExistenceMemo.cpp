#include "common/ExistenceMemo.h"

#include <cstring>

#include "platform/ByteHash.h"
#include "platform/Machine.h"
#include "platform/Text.h"

namespace hm {

namespace {
ExistenceMemo* g_active = nullptr;

constexpr std::size_t kFirstSlots = 1024;
static_assert(static_cast<unsigned>(platform::FindResult::CannotTell) < 4, "an answer fits in two bits");

namespace bytehash = platform::bytehash;
}  // namespace

// Windows names match without regard to case: "C:\A.DLL" and "c:\a.dll" are one path.
// ASCII text, the common case, is folded eight bytes a step.
void ExistenceMemo::fold(std::string_view path) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kHigh = 0x8080808080808080ull;
  key_.resize(path.size());
  // The hash is taken on the way, a step behind the folding.
  std::uint64_t h = bytehash::Start(path.size());
  const auto foldAsText = [&] {  // a byte of 0x80 or above: the whole path through toUpper
    key_ = text::toUpper(path);
    hash_ = bytehash::Hash(key_);
  };
  std::size_t i = 0;
  for (; i + 8 <= path.size(); i += 8) {
    std::uint64_t w = 0;
    std::memcpy(&w, path.data() + i, 8);
    if ((w & kHigh) != 0) break;
    // With every byte below 0x80 no sum carries into the next byte: the high
    // bit of each says ">= 'a'" and "> 'z'".
    const std::uint64_t fromA = (w + (0x80 - 'a') * kOnes) & kHigh;
    const std::uint64_t pastZ = (w + (0x80 - 'z' - 1) * kOnes) & kHigh;
    w -= (fromA & ~pastZ) >> 2;  // 0x80 >> 2 is the 0x20 between the cases
    std::memcpy(key_.data() + i, &w, 8);
    h = bytehash::Step(h, w);
  }
  if (i + 8 <= path.size()) return foldAsText();
  for (std::size_t k = i; k < path.size(); ++k) {
    const char c = path[k];
    if (static_cast<unsigned char>(c) >= 0x80) return foldAsText();
    key_[k] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  hash_ = bytehash::Finish(h, bytehash::Tail(key_.data() + i, path.size() - i));
}

namespace {
// A slot: 7 bits of the hash over the record's place in the buffer (in
// 4-byte steps, plus one; 0 is an empty slot).
constexpr unsigned kPlaceBits = 25;
constexpr std::uint32_t kPlaceMask = (1u << kPlaceBits) - 1;
static_assert(ExistenceMemo::kMaxKeyBytes / 4 < kPlaceMask, "every place fits a slot");
std::uint32_t Tag(std::uint64_t hash) { return static_cast<std::uint32_t>(hash >> (64 - (32 - kPlaceBits))); }
std::uint32_t OffsetOf(std::uint32_t slot) { return ((slot & kPlaceMask) - 1) * 4; }
std::uint32_t Record(const std::string& keys, std::uint32_t offset) {
  std::uint32_t record = 0;
  std::memcpy(&record, keys.data() + offset, sizeof record);
  return record;
}
}  // namespace

std::size_t ExistenceMemo::probe() const {
  const std::size_t mask = slots_.size() - 1;
  const std::uint32_t tag = Tag(hash_);
  for (std::size_t i = static_cast<std::size_t>(hash_) & mask;; i = (i + 1) & mask) {
    const std::uint32_t slot = slots_[i];
    if (slot == 0) return i;
    if ((slot >> kPlaceBits) != tag) continue;
    const std::uint32_t offset = OffsetOf(slot);
    if ((Record(keys_, offset) >> 2) == key_.size() &&
        std::memcmp(keys_.data() + offset + 4, key_.data(), key_.size()) == 0)
      return i;
  }
}

std::optional<platform::FindResult> ExistenceMemo::find(std::string_view path) {
  folded_ = false;
  if (count_ == 0) return std::nullopt;
  fold(path);
  folded_ = true;
  const std::uint32_t slot = slots_[probe()];
  if (slot == 0) return std::nullopt;
  return static_cast<platform::FindResult>(Record(keys_, OffsetOf(slot)) & 3);
}

void ExistenceMemo::remember(std::string_view path, platform::FindResult result) {
  folded_ = false;
  fold(path);
  store(result);
}

void ExistenceMemo::rememberMissed(std::string_view path, platform::FindResult result) {
  if (!folded_) fold(path);
  folded_ = false;
  store(result);
}

void ExistenceMemo::store(platform::FindResult result) {
  if (key_.empty() || key_.size() > kMaxKeyLength) return;
  const std::size_t padding = (4 - keys_.size() % 4) % 4;  // records start at multiples of 4
  if (count_ >= kMaxPaths || keys_.size() + padding + 4 + key_.size() > kMaxKeyBytes) clear();
  if (slots_.empty() || (count_ + 1) * 4 > slots_.size() * 3) grow();
  const std::uint32_t record = static_cast<std::uint32_t>(key_.size()) << 2 | static_cast<std::uint32_t>(result);
  std::uint32_t& slot = slots_[probe()];
  if (slot != 0) {
    std::memcpy(keys_.data() + OffsetOf(slot), &record, sizeof record);
    return;
  }
  keys_.append((4 - keys_.size() % 4) % 4, '\0');
  const auto offset = static_cast<std::uint32_t>(keys_.size());
  keys_.append(reinterpret_cast<const char*>(&record), sizeof record).append(key_);
  slot = Tag(hash_) << kPlaceBits | (offset / 4 + 1u);
  ++count_;
}

void ExistenceMemo::clear() {
  slots_.clear();
  keys_.clear();
  count_ = 0;
}

void ExistenceMemo::grow() {
  std::vector<std::uint32_t> old = std::move(slots_);
  slots_.assign(old.empty() ? kFirstSlots : old.size() * 2, 0);
  const std::size_t mask = slots_.size() - 1;
  for (const std::uint32_t slot : old) {
    if (slot == 0) continue;
    // Only the tag survives in a slot: the table's index comes from the key again.
    const std::uint32_t offset = OffsetOf(slot);
    const std::uint64_t hash = bytehash::Hash(std::string_view(keys_).substr(offset + 4, Record(keys_, offset) >> 2));
    std::size_t i = static_cast<std::size_t>(hash) & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

ExistenceMemoScope::ExistenceMemoScope() : previous_(g_active) {
  if (g_active != nullptr) return;
  g_active = &memo_;
  files_ = platform::machine().files;
  files_->holdSnapshot(true);
}

ExistenceMemoScope::~ExistenceMemoScope() {
  if (g_active != &memo_) return;
  g_active = previous_;
  files_->holdSnapshot(false);
}

ExistenceMemo* ActiveExistenceMemo() { return g_active; }

}  // namespace hm
