#include "platform/host/FolderNames.h"

#include "platform/ByteHash.h"

namespace hm::platform {

std::size_t FolderNames::slotOf(std::string_view upper, std::uint64_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = static_cast<std::size_t>(hash) & mask;; i = (i + 1) & mask) {
    const std::uint32_t slot = slots_[i];
    if (slot == 0 || (hashes_[slot - 1] == hash && entries_[slot - 1].upper == upper)) return i;
  }
}

void FolderNames::add(std::string upper, std::string actual, unsigned char type) {
  if ((entries_.size() + 1) * 4 > slots_.size() * 3) grow();
  const std::uint64_t hash = bytehash::Hash(upper);
  std::uint32_t& slot = slots_[slotOf(upper, hash)];
  if (slot != 0) return;
  entries_.push_back(Entry{std::move(upper), std::move(actual), type});
  hashes_.push_back(hash);
  slot = static_cast<std::uint32_t>(entries_.size());
}

const FolderNames::Entry* FolderNames::find(std::string_view upper) const {
  if (slots_.empty()) return nullptr;
  const std::uint32_t slot = slots_[slotOf(upper, bytehash::Hash(upper))];
  return slot == 0 ? nullptr : &entries_[slot - 1];
}

void FolderNames::grow() {
  slots_.assign(slots_.empty() ? 16 : slots_.size() * 2, 0);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t e = 0; e < entries_.size(); ++e) {
    std::size_t i = static_cast<std::size_t>(hashes_[e]) & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = static_cast<std::uint32_t>(e + 1);
  }
}

}  // namespace hm::platform
