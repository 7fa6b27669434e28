#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/wineprefix/AtomicFile.h"
#include "platform/wineprefix/WineHiveFile.h"
#include "platform/wineprefix/WineServerLock.h"

namespace hm::platform {
namespace {

namespace fs = std::filesystem;

struct TempDir {
  fs::path path;
  TempDir() {
    std::string t = (fs::temp_directory_path() / "hm-hive-XXXXXX").string();
    path = ::mkdtemp(t.data());
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}
void writeFile(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

const std::string kHive =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n"
    "\n[Software\\\\A] 1700000000\n#time=1da1747c66d0000\n\"v\"=dword:00000001\n";

// A child process holds the server's lock, as wineserver does (a lock held by
// this process would not show to its own F_GETLK).
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

void stop(pid_t pid) {
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
}

TEST(WineServerLock, HeldLockBlocksSavingAndLeavesTheFileAlone) {
  TempDir dir;
  const fs::path prefix = dir.path / "pfx";
  fs::create_directories(prefix);
  writeFile(prefix / "system.reg", kHive);
  EXPECT_FALSE(wineServerRunning(prefix));

  const auto locks = wineServerLockFiles(prefix);
  ASSERT_FALSE(locks.empty());
  const fs::path lock = locks.front();  // /tmp/.wine-<uid>/server-<dev>-<ino>/lock
  const bool madeRoot = !fs::exists(lock.parent_path().parent_path());
  fs::create_directories(lock.parent_path());
  const pid_t holder = holdLock(lock);
  ASSERT_GT(holder, 0);

  int pid = 0;
  EXPECT_TRUE(wineServerRunning(prefix, &pid));
  EXPECT_EQ(pid, holder);
  WineRegistryFile hive;
  std::string error;
  ASSERT_TRUE(loadWineHive(prefix / "system.reg", hive, error)) << error;
  hive.root->findPath("Software\\A")->setValue("v", 4, std::string(4, '\2'));
  EXPECT_EQ(saveWineHive(prefix, prefix / "system.reg", hive, error), WineHiveSave::Refused);
  EXPECT_NE(error.find(prefix.string()), std::string::npos);
  EXPECT_NE(error.find("wineserver -k"), std::string::npos);
  EXPECT_EQ(readFile(prefix / "system.reg"), kHive);

  stop(holder);
  EXPECT_FALSE(wineServerRunning(prefix));
  EXPECT_EQ(saveWineHive(prefix, prefix / "system.reg", hive, error), WineHiveSave::Written) << error;
  EXPECT_NE(readFile(prefix / "system.reg").find("\"v\"=dword:02020202"), std::string::npos);
  fs::remove_all(lock.parent_path());
  if (madeRoot) fs::remove(lock.parent_path().parent_path());
}

TEST(WineServerLock, DetectsARealWineserver) {
  if (std::system("command -v wineserver >/dev/null 2>&1") != 0) GTEST_SKIP() << "wine is not installed";
  TempDir dir;
  const fs::path prefix = dir.path / "pfx";
  fs::create_directories(prefix);
  const std::string env = "WINEPREFIX='" + prefix.string() + "' WINEDEBUG=-all ";
  ASSERT_EQ(std::system((env + "wineserver -p >/dev/null 2>&1").c_str()), 0);
  bool running = false;
  for (int i = 0; i < 50 && !(running = wineServerRunning(prefix)); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(running);
  EXPECT_EQ(std::system((env + "wineserver -k >/dev/null 2>&1; " + env + "wineserver -w").c_str()), 0);
  EXPECT_FALSE(wineServerRunning(prefix));
}

TEST(WineHiveFile, UnchangedFilesAreNotRewrittenAndMalformedOnesNotLoaded) {
  TempDir dir;
  const fs::path file = dir.path / "user.reg";
  writeFile(file, kHive);
  const auto before = fs::last_write_time(file);
  WineRegistryFile hive;
  std::string error;
  ASSERT_TRUE(loadWineHive(file, hive, error)) << error;
  ::chmod(file.c_str(), 0640);
  EXPECT_EQ(saveWineHive(dir.path, file, hive, error), WineHiveSave::Unchanged);
  EXPECT_EQ(fs::last_write_time(file), before);

  hive.root->ensurePath("Software\\New");
  EXPECT_EQ(saveWineHive(dir.path, file, hive, error), WineHiveSave::Written) << error;
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms(0640));
  EXPECT_NE(readFile(file).find("[Software\\\\New]"), std::string::npos);

  writeFile(file, kHive + "\"broken\"=hex:zz\n");
  WineRegistryFile other;
  EXPECT_FALSE(loadWineHive(file, other, error));
  EXPECT_NE(error.find(file.string() + ", line 9:"), std::string::npos) << error;
  EXPECT_FALSE(loadWineHive(dir.path / "missing.reg", other, error));
}

TEST(AtomicFile, AKilledSaveLeavesTheOldFileWhole) {
  TempDir dir;
  const fs::path file = dir.path / "system.reg";
  writeFile(file, kHive);
  for (int delayMs : {0, 5, 20, 60}) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      std::string error;
      const std::string huge(512u << 20, 'x');
      replaceFileAtomically(file, huge, error);
      ::_exit(0);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    const std::string now = readFile(file);
    EXPECT_TRUE(now == kHive || now.size() == (512u << 20)) << "torn file of " << now.size() << " bytes";
    writeFile(file, kHive);
  }
}

TEST(AtomicFile, FailureReportsAndLeavesNoTrace) {
  TempDir dir;
  std::string error;
  EXPECT_FALSE(replaceFileAtomically(dir.path / "nowhere" / "user.reg", "x", error));
  EXPECT_NE(error.find("nowhere/user.reg"), std::string::npos);
  const fs::path file = dir.path / "user.reg";
  ASSERT_TRUE(replaceFileAtomically(file, "new", error)) << error;
  EXPECT_EQ(readFile(file), "new");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1);
}

TEST(WineHiveFile, OnlyRegularFilesOfBoundedSizeAreRead) {
  TempDir dir;
  const fs::path fifo = dir.path / "fifo.reg", huge = dir.path / "huge.reg", zero = dir.path / "zero.reg";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", zero);
  writeFile(huge, kHive);
  fs::resize_file(huge, kMaxWineHiveBytes + 1);  // sparse
  WineRegistryFile hive;
  std::string error;
  for (const fs::path& file : {fifo, zero}) {
    EXPECT_FALSE(loadWineHive(file, hive, error)) << file;
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
  }
  EXPECT_FALSE(loadWineHive(huge, hive, error));
  EXPECT_NE(error.find("larger than 1024 MiB"), std::string::npos) << error;
}

TEST(WineHiveFile, AFileChangedSinceItWasReadIsNotOverwritten) {
  TempDir dir;
  const fs::path file = dir.path / "user.reg";
  writeFile(file, kHive);
  const auto stamp = fs::last_write_time(file);
  WineRegistryFile hive;
  WineHiveOnDisk asRead;
  std::string error;
  ASSERT_TRUE(loadWineHive(file, hive, error, &asRead)) << error;
  hive.root->ensurePath("Software\\Ours");
  // Same size and time, other bytes: only the content tells.
  std::string theirs = kHive;
  theirs[theirs.size() - 2] = '2';
  writeFile(file, theirs);
  fs::last_write_time(file, stamp);
  EXPECT_EQ(saveWineHive(dir.path, file, hive, error, &asRead), WineHiveSave::Refused);
  EXPECT_NE(error.find("changed it after it was read"), std::string::npos) << error;
  EXPECT_EQ(readFile(file), theirs);

  writeFile(file, kHive);
  fs::last_write_time(file, stamp);
  EXPECT_EQ(saveWineHive(dir.path, file, hive, error, &asRead), WineHiveSave::Written) << error;
  // What was written is now what the next save compares with.
  hive.root->ensurePath("Software\\Again");
  EXPECT_EQ(saveWineHive(dir.path, file, hive, error, &asRead), WineHiveSave::Written) << error;
  EXPECT_NE(readFile(file).find("[Software\\\\Again]"), std::string::npos);
}

TEST(WineHiveFile, LinkedHivesAreWrittenThroughToTheirTargets) {
  TempDir dir;
  fs::create_directories(dir.path / "pfx");
  fs::create_directories(dir.path / "store");
  const fs::path target = dir.path / "store" / "user.reg", link = dir.path / "pfx" / "user.reg";
  const fs::path hard = dir.path / "pfx" / "system.reg", hardTwin = dir.path / "store" / "system.reg";
  writeFile(target, kHive);
  fs::create_symlink("../store/user.reg", link);
  writeFile(hard, kHive);
  fs::create_hard_link(hard, hardTwin);
  const auto inode = [](const fs::path& p) {
    struct stat st {};
    ::stat(p.c_str(), &st);
    return st.st_ino;
  };
  const auto hardInode = inode(hard);

  for (const fs::path& file : {link, hard}) {
    WineRegistryFile hive;
    WineHiveOnDisk asRead;
    std::string error;
    ASSERT_TRUE(loadWineHive(file, hive, error, &asRead)) << error;
    hive.root->ensurePath("Software\\New");
    EXPECT_EQ(saveWineHive(dir.path / "pfx", file, hive, error, &asRead), WineHiveSave::Written) << error;
  }
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_NE(readFile(target).find("[Software\\\\New]"), std::string::npos);
  EXPECT_EQ(inode(hard), hardInode);
  EXPECT_EQ(fs::hard_link_count(hard), 2u);
  EXPECT_NE(readFile(hardTwin).find("[Software\\\\New]"), std::string::npos);
  // No temporary file or copy is left behind.
  for (const char* folder : {"pfx", "store"})
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path / folder), fs::directory_iterator()), 2) << folder;
}

}  // namespace
}  // namespace hm::platform
