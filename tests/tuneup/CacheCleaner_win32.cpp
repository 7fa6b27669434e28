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
#include "support/WinInetCache_win32.h"
#include "tools/CacheCleaner.h"

namespace hm::tools {
namespace {

using platform::win32::narrow;

bool Has(const std::vector<std::string>& urls, std::string_view needle) {
  return std::any_of(urls.begin(), urls.end(), [&](const std::string& u) { return u.find(needle) != u.npos; });
}

TEST(CacheCleanerWinInet, CleansARealCacheButTheKeptCookie) {
  const std::wstring page = test::CachePage(L"http://hm-cache-test.example/page.html");
  ASSERT_FALSE(page.empty());
  const std::wstring lasting = L"; expires=Fri, 01 Jan 2038 00:00:00 GMT";
  ASSERT_TRUE(InternetSetCookieW(L"http://www.hm-keep.example/", L"k", (L"v" + lasting).c_str()));
  ASSERT_TRUE(InternetSetCookieW(L"http://hm-drop.example/", L"d", (L"w" + lasting).c_str()));
  const std::vector<std::string> before = test::CachedUrls();
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

  const std::vector<std::string> after = test::CachedUrls();
  EXPECT_EQ(after, std::vector<std::string>{*keep});
  EXPECT_EQ(GetFileAttributesW(page.c_str()), INVALID_FILE_ATTRIBUTES);  // the cached copy went with its entry
  EXPECT_TRUE(DeleteUrlCacheEntryW(platform::win32::wide(*keep).c_str()));
}

}  // namespace
}  // namespace hm::tools
