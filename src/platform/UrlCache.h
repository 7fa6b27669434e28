// The browser's URL cache: its entries listed, and deleted one by one by URL.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hm::platform {

struct UrlCacheEntry {
  std::string url;         // the source URL, the key the entry is deleted by
  std::string localFile;   // the cached copy's file ("" when the entry has none)
  std::uint32_t type = 0;  // the entry type bits (normal, cookie, history ...)
};

class UrlCachePort {
 public:
  virtual ~UrlCachePort() = default;
  // Every entry of the cache, in the platform's order; false with a message
  // when the cache cannot be read (then `entries` says nothing).
  virtual bool listEntries(std::vector<UrlCacheEntry>& entries, std::string& error) = 0;
  // Deletes the entry of this URL (with its cached file). An entry that is no
  // longer there counts as deleted. False with a message when refused.
  virtual bool deleteEntry(const std::string& url, std::string& error) = 0;
  // Makes the deletions so far lasting, where the port gathers them (a cache
  // index rewritten once). On failure the URLs whose deletion was not made go
  // into `notDeleted`, with the reason in `error`.
  virtual bool commit(std::vector<std::string>& notDeleted, std::string& error) {
    (void)notDeleted;
    (void)error;
    return true;
  }
};

}  // namespace hm::platform
