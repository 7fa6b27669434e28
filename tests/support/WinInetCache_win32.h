// Filling and reading the real WinINet cache of the running (wine) prefix,
// for the tests that clean it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/win32/Win32UrlCache.h"

namespace hm::test {

// A page in the cache with its local copy; the copy's path, or "" on failure.
inline std::wstring CachePage(const wchar_t* url) {
  wchar_t file[MAX_PATH] = {};
  if (!CreateUrlCacheEntryW(url, 0, L"html", file, 0)) return {};
  std::ofstream(std::filesystem::path(file), std::ios::binary) << "<html>page</html>";
  const FILETIME never{};
  if (!CommitUrlCacheEntryW(url, file, never, never, NORMAL_CACHE_ENTRY, nullptr, 0, nullptr, nullptr)) return {};
  return file;
}

// The URLs the cache lists now.
inline std::vector<std::string> CachedUrls() {
  platform::win32::Win32UrlCache cache;
  std::vector<platform::UrlCacheEntry> entries;
  std::string error;
  EXPECT_TRUE(cache.listEntries(entries, error)) << error;
  std::vector<std::string> urls;
  for (const auto& e : entries) urls.push_back(e.url);
  return urls;
}

}  // namespace hm::test
