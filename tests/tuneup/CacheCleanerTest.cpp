#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Globals.h"
#include "shell/SettingsStore.h"
#include "support/ScriptedUrlCache.h"
#include "support/TestMachine.h"
#include "tools/CacheCleaner.h"
#include "tools/frmSpeedIntenetConnection.h"

namespace hm::tools {
namespace {

using Urls = std::vector<std::string>;
constexpr const char* kKeepList = "Program Files\\Hivemend\\DoNotDeleteCookie";
constexpr const char* kSuccess = "All Cache Files have been cleared sucessfully.";

TEST(CacheCleanerRules, CookieNamesAndKeepListItems) {
  EXPECT_EQ(CookieName("Cookie:bob@www.example.com/"), "bob@www");
  EXPECT_EQ(CookieName("Cookie:bob@localhost/"), "bob@localhost");
  EXPECT_EQ(CookieName("http://www.example.com/Cookie:x"), "www");  // found anywhere, taken from the 8th character
  EXPECT_EQ(CookieName("cookie:bob@www.example.com/"), "");         // the prefix's case counts
  EXPECT_EQ(CookieName("http://example.com/a.html"), "");
  // Too short to hold a name: no cookie, no failure.
  EXPECT_EQ(CookieName("Cookie:"), "");
  EXPECT_EQ(CookieName("Cookie:/"), "");

  EXPECT_EQ(FreeFormatItems("a, b ,c\r\n\"q, with comma\" tail\nlast"), (Urls{"a", "b", "c", "q, with comma", "last"}));
  EXPECT_EQ(FreeFormatItems("one\r\rtwo\n\"unclosed"), (Urls{"one", "", "two", "unclosed"}));

  EXPECT_EQ(KeptCookieName("C:\\Documents and Settings\\bob\\Cookies\\bob@www[1].txt"), "bob@www");
  EXPECT_EQ(KeptCookieName("bob@www"), "bob@www");
  EXPECT_EQ(KeptCookieName("C:\\Cookies\\[1].txt"), "");
  EXPECT_EQ(KeptCookieName("C:\\Cookies\\a.txt"), std::nullopt);
}

class CacheCleanerTest : public ::testing::Test {
 protected:
  CacheCleanerTest() {
    m.machine().urlCache = &cache;
    for (const char* url : {"Cookie:bob@www.keep.example/", "http://example.com/a.html", "Cookie:bob@drop.example/",
                            "Cookie:ann@mail.other.example/", "Visited: bob@http://example.com/a.html", "Cookie:"})
      cache.add(url);
  }
  // Clear Cache in a freshly opened dialog; the message it showed.
  std::string ClearCache() {
    frmSpeedIntenetConnection dlg;
    dlg.Form_Load();
    dlg.cmdClearCache.click();
    EXPECT_FALSE(dlg.cmdClearCache.enabled);  // until the dialog is opened again
    EXPECT_TRUE(dlg.cmdOptimize.enabled && dlg.cmdSetToDefault.enabled && dlg.cmdClose.visible);
    EXPECT_FALSE(dlg.picProgressBar.visible);
    return m.dialogs.shown.empty() ? "" : m.dialogs.shown.back().text;
  }

  test::TestMachine m;
  test::ScriptedUrlCache cache;
};

TEST_F(CacheCleanerTest, KeepListSparesNamedCookiesInEveryForm) {
  // A cookie file's full path in capitals, a bare user@host, a quoted path with a comma.
  m.createFile(kKeepList,
               "C:\\DOCUMENTS AND SETTINGS\\BOB\\COOKIES\\BOB@WWW[1].TXT\r\n"
               "ann@mail, \"C:\\odd,folder\\nobody@nowhere[2].txt\"\r\n");
  const std::string message = ClearCache();
  EXPECT_EQ(cache.urls(), (Urls{"Cookie:bob@www.keep.example/", "Cookie:ann@mail.other.example/"}));
  // The page right after a spared cookie is still deleted.
  EXPECT_EQ(cache.deleteCalls, (Urls{"http://example.com/a.html", "Cookie:bob@drop.example/",
                                     "Visited: bob@http://example.com/a.html", "Cookie:"}));
  EXPECT_EQ(message, std::string(kSuccess) + "\r\nDeleted: 4. Kept: 2.");
  EXPECT_EQ(m.dialogs.shown.back().flags, platform::kMbOk | platform::kMbIconInformation);

  // Reopened, the button works again; an empty cache still succeeds.
  EXPECT_EQ(ClearCache(), std::string(kSuccess) + "\r\nDeleted: 0. Kept: 2.");
}

TEST_F(CacheCleanerTest, WithoutKeepListEveryEntryGoes) {
  EXPECT_EQ(ClearCache(), std::string(kSuccess) + "\r\nDeleted: 6. Kept: 0.");
  EXPECT_TRUE(cache.entries.empty());
}

TEST_F(CacheCleanerTest, FailsClosedAndTellsTheTruth) {
  const Urls all = cache.urls();
  // An item that names no cookie file, or a keep-list too large to be one: nothing is deleted.
  m.createFile(kKeepList, "bob@www\nC:\\Cookies\\a.txt\n");
  std::string message = ClearCache();
  EXPECT_EQ(message.find(kSuccess), std::string::npos);
  EXPECT_NE(message.find("a.txt"), std::string::npos) << message;
  EXPECT_EQ(m.dialogs.shown.back().flags, platform::kMbOk | platform::kMbIconExclamation);
  m.createFile(kKeepList, std::string((4u << 20) + 1, 'x'));
  EXPECT_NE(ClearCache().find("cannot be read"), std::string::npos);
  EXPECT_TRUE(cache.deleteCalls.empty());
  EXPECT_EQ(cache.urls(), all);

  // A refused deletion stops the run; what was deleted before is counted.
  m.createFile(kKeepList, "bob@www");
  cache.refused = {"Cookie:ann@mail.other.example/"};
  message = ClearCache();
  EXPECT_EQ(message,
            "The cache was not cleared completely: refused Cookie:ann@mail.other.example/.\r\n"
            "Deleted before that: 2. Kept: 1.");
  EXPECT_EQ(cache.urls(), (Urls{"Cookie:bob@www.keep.example/", "Cookie:ann@mail.other.example/",
                                "Visited: bob@http://example.com/a.html", "Cookie:"}));

  // Deletions that could not be written are not counted.
  cache.refused.clear();
  cache.commitError = "index could not be written";
  EXPECT_NE(ClearCache().find("index could not be written.\r\nDeleted before that: 0. Kept: 1."), std::string::npos);
  cache.commitError.clear();
  cache.listError = "cache unreadable";
  EXPECT_NE(ClearCache().find("cache unreadable"), std::string::npos);
  EXPECT_EQ(cache.entries.size(), 4u);
}

TEST_F(CacheCleanerTest, SwitchOffLeavesTheCacheAndSaysSo) {
  for (const char* value : {"0", "2", "yes"}) {
    SaveSetting(kProductName, "IESettings", "Cache", value);
    EXPECT_EQ(ClearCache(), "Clearing the cache is turned off in the settings; nothing was deleted.");
  }
  EXPECT_TRUE(cache.deleteCalls.empty());
  SaveSetting(kProductName, "IESettings", "Cache", " 1 ");
  EXPECT_NE(ClearCache().find(kSuccess), std::string::npos);

  // The dry run lists without deleting.
  cache.add("http://example.com/b.html");
  const CacheCleaning dry = CleanUrlCache(true);
  EXPECT_EQ(dry.deleted, Urls{"http://example.com/b.html"});
  EXPECT_EQ(cache.entries.size(), 1u);
  EXPECT_EQ(cache.commits, 1);
}

}  // namespace
}  // namespace hm::tools
