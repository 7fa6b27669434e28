// The cache cleaner against the real WinINet cache (Wine's, in the test
// prefix): pages and cookies put there through WinINet, cleaned with a
// keep-list, and the cache listed again through WinINet.
#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Text.h"
#include "platform/win32/Wide.h"
#include "platform/win32/Win32UrlCache.h"
#include "support/TestMachine.h"
#include "tools/CacheCleaner.h"

namespace hm::tools {
namespace {

using platform::win32::narrow;

std::wstring AddPage(const wchar_t* url) {
  wchar_t file[MAX_PATH];
  if (!CreateUrlCacheEntryW(url, 0, L"html", file, 0)) return {};
  HANDLE h = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  DWORD written = 0;
  WriteFile(h, "page", 4, &written, nullptr);
  CloseHandle(h);
  const FILETIME never{};
  if (!CommitUrlCacheEntryW(url, file, never, never, NORMAL_CACHE_ENTRY, nullptr, 0, nullptr, nullptr)) return {};
  return file;
}

std::vector<std::string> Listed() {
  platform::win32::Win32UrlCache cache;
  std::vector<platform::UrlCacheEntry> entries;
  std::string error;
  EXPECT_TRUE(cache.listEntries(entries, error)) << error;
  std::vector<std::string> urls;
  for (const auto& e : entries) urls.push_back(e.url);
  return urls;
}

bool Has(const std::vector<std::string>& urls, std::string_view needle) {
  return std::any_of(urls.begin(), urls.end(), [&](const std::string& u) { return u.find(needle) != u.npos; });
}

TEST(CacheCleanerWinInet, CleansARealCacheButTheKeptCookie) {
  const std::wstring page = AddPage(L"http://hm-cache-test.example/page.html");
  ASSERT_FALSE(page.empty());
  const std::wstring lasting = L"; expires=Fri, 01 Jan 2038 00:00:00 GMT";
  ASSERT_TRUE(InternetSetCookieW(L"http://www.hm-keep.example/", L"k", (L"v" + lasting).c_str()));
  ASSERT_TRUE(InternetSetCookieW(L"http://hm-drop.example/", L"d", (L"w" + lasting).c_str()));
  const std::vector<std::string> before = Listed();
  ASSERT_TRUE(Has(before, "hm-cache-test.example/page.html"));
  // The cookie entries carry the user's name: "Cookie:user@www.hm-keep.example/".
  const auto keep = std::find_if(before.begin(), before.end(),
                                 [](const std::string& u) { return u.find("@www.hm-keep.example") != u.npos; });
  ASSERT_NE(keep, before.end());
  ASSERT_TRUE(Has(before, "@hm-drop.example"));

  test::TestMachine m;
  platform::win32::Win32UrlCache cache;
  m.machine().urlCache = &cache;
  // The keep-list names the cookie by its file's full path, in capitals.
  m.createFile("Program Files\\Hivemend\\DoNotDeleteCookie",
               "C:\\COOKIES\\" + text::toUpper(CookieName(*keep)) + "[1].TXT\r\n");
  const CacheCleaning result = CleanUrlCache(false);
  EXPECT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(result.kept, std::vector<std::string>{*keep});

  const std::vector<std::string> after = Listed();
  EXPECT_EQ(after, std::vector<std::string>{*keep});
  EXPECT_EQ(GetFileAttributesW(page.c_str()), INVALID_FILE_ATTRIBUTES);  // the cached copy went with its entry
  EXPECT_TRUE(DeleteUrlCacheEntryW(platform::win32::wide(*keep).c_str()));
}

}  // namespace
}  // namespace hm::tools
