// The URL cache of a Wine prefix, worked on through the files Wine's WinINet
// keeps: one index file per container (the cached pages, the cookies, the
// visited pages), each with the files it lists. Deletions are gathered and
// written at commit: each changed index is replaced atomically, and only
// then are the deleted entries' files removed.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/UrlCache.h"
#include "platform/wineprefix/WineUrlCacheIndex.h"

namespace hm::platform {

struct WineCacheContainer {
  std::filesystem::path folder;  // the host folder that holds index.dat
};

class WinePrefixUrlCache : public UrlCachePort {
 public:
  // The containers in the order Wine lists them; `driveC` bounds where
  // their folders may lie.
  WinePrefixUrlCache(std::filesystem::path prefix, std::filesystem::path driveC,
                     std::vector<WineCacheContainer> containers);

  bool listEntries(std::vector<UrlCacheEntry>& entries, std::string& error) override;
  bool deleteEntry(const std::string& url, std::string& error) override;
  bool commit(std::vector<std::string>& notDeleted, std::string& error) override;

 private:
  struct Loaded {
    std::filesystem::path folder;  // canonical
    std::string asRead;
    WineUrlCacheIndex index;
    std::vector<WineCacheRecord> removed;
  };
  bool load(const WineCacheContainer& c, std::vector<Loaded>& out, std::string& error) const;
  bool writeBack(Loaded& l, std::string& error) const;
  bool serverRunning(std::string& error) const;

  std::filesystem::path prefix_, driveC_;
  std::vector<WineCacheContainer> containers_;
  std::vector<Loaded> loaded_;
  bool stale_ = false;
};

}  // namespace hm::platform
