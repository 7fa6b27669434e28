// A URL cache for tests: entries the test sets, deletions it may refuse, and
// a record of what it was asked to do.
#pragma once

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "platform/UrlCache.h"

namespace hm::test {

class ScriptedUrlCache : public platform::UrlCachePort {
 public:
  std::vector<platform::UrlCacheEntry> entries;
  std::string listError;          // non-empty: listing fails with it
  std::set<std::string> refused;  // URLs whose deletion fails
  std::string commitError;        // non-empty: commit fails and undoes the deletions since the last one
  std::vector<std::string> deleteCalls;
  int commits = 0;

  void add(const std::string& url) { entries.push_back(platform::UrlCacheEntry{url, "", 0}); }
  std::vector<std::string> urls() const {
    std::vector<std::string> out;
    for (const auto& e : entries) out.push_back(e.url);
    return out;
  }

  bool listEntries(std::vector<platform::UrlCacheEntry>& out, std::string& error) override {
    if (!listError.empty()) {
      error = listError;
      return false;
    }
    out = entries;
    return true;
  }
  bool deleteEntry(const std::string& url, std::string& error) override {
    deleteCalls.push_back(url);
    if (refused.count(url) != 0) {
      error = "refused " + url;
      return false;
    }
    pending_.push_back(url);
    return true;
  }
  bool commit(std::vector<std::string>& notDeleted, std::string& error) override {
    ++commits;
    if (!commitError.empty()) {
      error = commitError;
      notDeleted.insert(notDeleted.end(), pending_.begin(), pending_.end());
      pending_.clear();
      return false;
    }
    std::erase_if(entries, [&](const platform::UrlCacheEntry& e) {
      return std::find(pending_.begin(), pending_.end(), e.url) != pending_.end();
    });
    pending_.clear();
    return true;
  }

 private:
  std::vector<std::string> pending_;
};

}  // namespace hm::test
