// The URL cache through WinINet. The wide entry points are used: the cache
// keeps URLs and file names as the system gives them, and a cookie of a user
// whose name has characters outside the ANSI code page could not be deleted
// by the ANSI name it would be listed under.
#pragma once

#include "platform/UrlCache.h"

namespace hm::platform::win32 {

class Win32UrlCache : public UrlCachePort {
 public:
  bool listEntries(std::vector<UrlCacheEntry>& entries, std::string& error) override;
  bool deleteEntry(const std::string& url, std::string& error) override;
};

}  // namespace hm::platform::win32
