// The names in one host folder, by their upper-cased form: every component of
// every path a scan looks up is found here, so the table is flat (one array of
// slots over one array of entries) rather than a node per name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hm::platform {

class FolderNames {
 public:
  struct Entry {
    std::string upper;
    std::string actual;
    unsigned char type = 0;  // as the listing gave it (DT_REG, DT_DIR, DT_LNK, ...; 0 unknown)
  };

  // Adds a name; when two names fold to the same key the first one stays.
  void add(std::string upper, std::string actual, unsigned char type = 0);
  // The entry whose upper-cased name is `upper`, or null.
  const Entry* find(std::string_view upper) const;
  const std::vector<Entry>& entries() const { return entries_; }

 private:
  std::size_t slotOf(std::string_view upper, std::uint64_t hash) const;
  void grow();

  std::vector<Entry> entries_;
  std::vector<std::uint64_t> hashes_;  // of entries_[i].upper
  std::vector<std::uint32_t> slots_;   // entry index + 1; 0 for an empty slot
};

}  // namespace hm::platform
