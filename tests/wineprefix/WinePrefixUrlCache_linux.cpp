#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/wineprefix/WinePrefixMachine.h"
#include "platform/wineprefix/WineServerLock.h"
#include "platform/wineprefix/WineUrlCacheIndex.h"
#include "support/TestMachine.h"
#include "tools/CacheCleaner.h"

namespace hm::platform {
namespace {

namespace fs = std::filesystem;
using Urls = std::vector<std::string>;

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A copy of the prefix whose cache Wine's WinINet filled (tests/tools/make-urlcache-fixture).
struct CachePrefix {
  fs::path path;
  CachePrefix() {
    std::string t = (fs::temp_directory_path() / "hm-urlcache-XXXXXX").string();
    path = ::mkdtemp(t.data());
    fs::copy(test::TestDataDir() / "urlcache" / "prefix", path, fs::copy_options::recursive);
  }
  ~CachePrefix() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  fs::path cache(const std::string& relative) const {
    return path / "drive_c/users/root/AppData/Local/Microsoft/Windows" / relative;
  }
  void keep(const std::string& text) const {
    fs::create_directories(path / "drive_c/Program Files/Hivemend");
    std::ofstream(path / "drive_c/Program Files/Hivemend/DoNotDeleteCookie", std::ios::binary) << text;
  }
  Urls urls(std::vector<UrlCacheEntry>* entries = nullptr) const {
    std::string error;
    const auto opened = OpenWinePrefix(path, false, error);
    EXPECT_NE(opened, nullptr) << error;
    std::vector<UrlCacheEntry> listed;
    EXPECT_TRUE(opened->machine().urlCache->listEntries(listed, error)) << error;
    Urls out;
    for (const auto& e : listed) out.push_back(e.url);
    std::sort(out.begin(), out.end());
    if (entries != nullptr) *entries = listed;
    return out;
  }
};

const Urls kAll = {"Cookie:root@drop.example/", "Cookie:root@www.keep.example/",
                   "Visited: user@http://example.com/index.html", "http://example.com/index.html",
                   "http://example.com/style.css"};

TEST(WinePrefixUrlCache, CleansTheCacheWineMadeAndSparesTheKeptCookie) {
  const CachePrefix prefix;
  std::vector<UrlCacheEntry> entries;
  ASSERT_EQ(prefix.urls(&entries), kAll);
  std::vector<fs::path> files;
  for (const auto& e : entries)
    if (!e.localFile.empty()) files.push_back(e.localFile);
  ASSERT_EQ(files.size(), 4u);  // two pages and two cookie files
  for (const auto& f : files) ASSERT_TRUE(fs::is_regular_file(f)) << f;

  prefix.keep("C:\\users\\root\\Cookies\\ROOT@WWW[1].TXT\n");
  {
    std::string error;
    const auto opened = OpenWinePrefix(prefix.path, true, error);
    ASSERT_NE(opened, nullptr) << error;
    MachineScope scope(opened->machine());
    const tools::CacheCleaning result = tools::CleanUrlCache(false);
    EXPECT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.kept, Urls{"Cookie:root@www.keep.example/"});
    EXPECT_EQ(result.deleted.size(), 4u);
  }
  EXPECT_EQ(prefix.urls(), Urls{"Cookie:root@www.keep.example/"});
  for (const auto& f : files)
    EXPECT_EQ(fs::exists(f),
              f.string().find("INetCookies") != std::string::npos && readFile(f).find("keep") != std::string::npos)
        << f;
  // The pages' index is back to the counts of an empty cache: no blocks but the hash table's, no bytes, no files.
  const std::string content = readFile(prefix.cache("INetCache/Content.IE5/index.dat"));
  EXPECT_EQ(content.substr(0x28, 4), std::string("\x20\0\0\0", 4));
  EXPECT_EQ(content.substr(0x38, 8), std::string(8, '\0'));
  for (const std::size_t folder : {0x4c, 0x58, 0x64, 0x70}) EXPECT_EQ(content.substr(folder, 4), std::string(4, '\0'));
}

// A child process holds the server's lock, as wineserver does.
pid_t holdLock(const fs::path& lockFile) {
  int ready[2];
  if (::pipe(ready) != 0) return -1;
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT, 0600);
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_len = 1;
    const char ok = (fd >= 0 && ::fcntl(fd, F_SETLK, &fl) == 0) ? 'y' : 'n';
    (void)!::write(ready[1], &ok, 1);
    ::pause();
    ::_exit(0);
  }
  char ok = 'n';
  (void)!::read(ready[0], &ok, 1);
  ::close(ready[0]);
  ::close(ready[1]);
  return ok == 'y' ? pid : -1;
}

TEST(WinePrefixUrlCache, RefusesWhileWineRunsAndNeverFollowsLinks) {
  const CachePrefix prefix;
  const fs::path index = prefix.cache("INetCache/Content.IE5/index.dat");
  const std::string before = readFile(index);
  std::string error;
  const auto opened = OpenWinePrefix(prefix.path, false, error);
  ASSERT_NE(opened, nullptr) << error;
  UrlCachePort& cache = *opened->machine().urlCache;
  std::vector<UrlCacheEntry> entries;
  ASSERT_TRUE(cache.listEntries(entries, error)) << error;

  const fs::path lock = wineServerLockFiles(prefix.path).front();
  const bool madeRoot = !fs::exists(lock.parent_path().parent_path());
  fs::create_directories(lock.parent_path());
  const pid_t holder = holdLock(lock);
  ASSERT_GT(holder, 0);
  EXPECT_FALSE(cache.deleteEntry("http://example.com/style.css", error));
  EXPECT_NE(error.find("wineserver -k"), std::string::npos) << error;
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  fs::remove_all(lock.parent_path());
  if (madeRoot) fs::remove(lock.parent_path().parent_path());
  EXPECT_EQ(readFile(index), before);

  // A cached file replaced by a link to a file outside: the entry goes, the link and its target stay.
  const auto page = std::find_if(entries.begin(), entries.end(),
                                 [](const UrlCacheEntry& e) { return e.url == "http://example.com/style.css"; });
  ASSERT_NE(page, entries.end());
  const fs::path outside = prefix.path / "outside.txt";
  std::ofstream(outside) << "not the cache's";
  fs::remove(page->localFile);
  fs::create_symlink(outside, page->localFile);
  std::vector<std::string> notDeleted;
  ASSERT_TRUE(cache.deleteEntry(page->url, error)) << error;
  ASSERT_TRUE(cache.commit(notDeleted, error)) << error;
  EXPECT_TRUE(fs::is_symlink(page->localFile));
  EXPECT_EQ(readFile(outside), "not the cache's");
  Urls left = kAll;
  std::erase(left, page->url);
  EXPECT_EQ(prefix.urls(), left);
}

TEST(WinePrefixUrlCache, MalformedIndexGivesAnErrorNeverACrash) {
  const CachePrefix prefix;
  const std::string good = readFile(prefix.cache("INetCookies/index.dat"));
  WineUrlCacheIndex index;
  std::string error;
  ASSERT_TRUE(index.parse(good, error)) << error;
  ASSERT_EQ(index.records().size(), 2u);

  std::string looped = good;  // the first hash table names itself as the next
  looped.replace(0x4008, 4, std::string("\0\x40\0\0", 4));
  EXPECT_FALSE(index.parse(looped, error));
  EXPECT_NE(error.find("loop"), std::string::npos) << error;
  EXPECT_FALSE(index.parse(good.substr(0, 0x5010), error));  // an entry cut short
  EXPECT_FALSE(index.parse("WINE URLCache Ver 0.2012001", error));

  // Random damage anywhere: parsed or refused, and what is parsed stays inside the file.
  std::uint32_t seed = 12345;
  const auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  for (int round = 0; round < 3000; ++round) {
    std::string bytes = good;
    for (int n = 1 + next() % 4; n > 0; --n) {
      // Mostly the header, the hash slots in use and the entries.
      const std::uint32_t spans[][2] = {{0, 0x260}, {0x4000, 0x4e10}, {0x5000, 0x5200}};
      const auto& span = spans[next() % 3];
      bytes[span[0] + next() % (span[1] - span[0])] = static_cast<char>(next() >> 16);
    }
    if (index.parse(bytes, error)) {
      for (const auto& r : index.records()) {
        EXPECT_LT(r.entryOffset, bytes.size());
        EXPECT_EQ(r.localName.find('/'), std::string::npos);
        index.remove(r);
      }
    } else {
      EXPECT_FALSE(error.empty());
    }
  }
}

}  // namespace
}  // namespace hm::platform
