#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "common/GenDec.h"
#include "diskscan/ShortcutScan.h"
#include "platform/host/HostFileSystem.h"
#include "support/TestMachine.h"

namespace hm {
namespace {

// The short names Wine 8 gave these long names (read with GetShortPathNameW).
TEST(WineShortNames, AreMadeAsWineMakesThem) {
  const std::pair<const char*, const char*> made[] = {{".hidden", "_HID~45N"},
                                                      {"a+b=c.txt", "A_B_~SIQ.TXT"},
                                                      {"ab.c.d.e", "AB_C~2FN.E"},
                                                      {"averylongname.txt", "AVER~W2T.TXT"},
                                                      {"My Documents.folder", "MY_D~530.FOL"},
                                                      {"Program Files", "PROG~FBU"},
                                                      {"x y", "X_Y~~R0B"},
                                                      {"Ünïcødé Folder", "_N_C~WSS"}};
  for (const auto& [longName, shortName] : made) EXPECT_EQ(platform::WineShortName(longName), shortName) << longName;
}

TEST(WineShortNames, PathsWrittenWithThemAreFound) {
  test::TestMachine m;
  m.createFile("Program Files\\My Documents.folder\\averylongname.txt");
  EXPECT_FALSE(PathMissing("C:\\PROG~FBU\\MY_D~530.FOL\\AVER~W2T.TXT"));
  EXPECT_FALSE(PathMissing("C:\\prog~fbu\\My Documents.folder\\averylongname.txt"));
  EXPECT_TRUE(PathMissing("C:\\PROG~1\\averylongname.txt"));
}

// Within a snapshot the listings already read, and the folders already
// reached, answer; they must answer as the disk does.
TEST(HostFileSystemReads, ASnapshotAnswersAsTheDiskDoes) {
  test::TestMachine m;
  m.createFile("Program Files\\A\\x.dll");
  m.createFile("Program Files\\A\\sub\\y.dll");
  m.createFile("Program Files\\B\\z.dll");
  const char* relative[] = {"Program Files\\A\\x.dll",
                            "PROGRAM FILES\\b\\X.DLL",
                            "program files\\a\\X.Dll",
                            "PROG~FBU\\A\\x.dll",
                            "Program Files\\B\\z.dll",
                            "Program Files\\A\\z.dll",
                            "Program Files\\Gone\\x.dll",
                            "Program Files\\A\\sub",
                            "Program Files\\A\\SUB\\y.dll",
                            "Program Files\\A\\x.dll\\y",
                            "x.dll",
                            "Program Files\\A\\s?b\\y.dll"};
  platform::FileSystemPort& files = *m.machine().files;
  std::vector<platform::FindResult> disk;
  for (const char* r : relative) disk.push_back(files.findFirst(m.path(r), true));
  files.holdSnapshot(true);
  for (int round = 0; round < 2; ++round)
    for (std::size_t i = 0; i < std::size(relative); ++i)
      EXPECT_EQ(files.findFirst(m.path(relative[i]), true), disk[i]) << relative[i];
  files.holdSnapshot(false);
  EXPECT_EQ(disk[0], platform::FindResult::Found);
  EXPECT_EQ(disk[1], platform::FindResult::NotFound);
  EXPECT_EQ(disk[3], platform::FindResult::Found);
}

// The listings tell a file from a folder and a link from both; and a listing
// kept from an earlier snapshot is compared with the disk before it answers.
TEST(HostFileSystemReads, ASnapshotKnowsKindsAndSeesChangesMadeBeforeIt) {
  test::TestMachine m;
  m.createFile("Apps\\x.dll");
  m.createFolder("Apps\\sub");
  std::filesystem::create_symlink(m.hostPath("Apps/x.dll"), m.hostPath("Apps/link.dll"));
  std::filesystem::create_symlink(m.hostPath("Apps/none.dll"), m.hostPath("Apps/dangling.dll"));
  // A folder stamped a minute ago: its listing is kept between snapshots.
  const auto age = [&] {
    const timespec old[2] = {{::time(nullptr) - 60, 0}, {::time(nullptr) - 60, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, m.hostPath("Apps").c_str(), old, 0), 0);
  };
  age();
  platform::FileSystemPort& files = *m.machine().files;
  using platform::FindResult;
  files.holdSnapshot(true);
  EXPECT_EQ(files.findFirst(m.path("Apps\\X.DLL"), false), FindResult::Found);
  EXPECT_EQ(files.findFirst(m.path("Apps\\sub"), false), FindResult::NotFound);
  EXPECT_EQ(files.findFirst(m.path("Apps\\sub"), true), FindResult::Found);
  EXPECT_EQ(files.findFirst(m.path("Apps\\link.dll"), false), FindResult::Found);
  EXPECT_EQ(files.findFirst(m.path("Apps\\dangling.dll"), true), FindResult::NotFound);
  EXPECT_EQ(files.findFirst(m.path("Apps\\y.dll"), true), FindResult::NotFound);
  files.holdSnapshot(false);

  m.createFile("Apps\\y.dll");
  std::filesystem::remove(m.hostPath("Apps/x.dll"));
  files.holdSnapshot(true);
  EXPECT_EQ(files.findFirst(m.path("Apps\\y.dll"), true), FindResult::Found);
  EXPECT_EQ(files.findFirst(m.path("Apps\\x.dll"), true), FindResult::NotFound);
  files.holdSnapshot(false);
}

namespace fs = std::filesystem;

std::string contentOf(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A link planted inside a drive must not carry a write to the file or folder
// it names, outside the drive.
TEST(HostFileSystemWrites, NeverGoThroughAPlantedLink) {
  test::TestMachine m;
  auto& files = *platform::machine().files;
  const fs::path outside = m.hostPath("").parent_path() / "outside";
  fs::create_directories(outside);
  std::ofstream(outside / "victim") << "kept";
  m.createFolder("Links");
  fs::create_symlink(outside / "victim", m.hostPath("Links/.~a.lnk.tmp"));  // where the bytes used to be written
  fs::create_symlink(outside / "victim", m.hostPath("Links/log.txt"));
  fs::create_directory_symlink(outside, m.hostPath("Links/Out"));

  ASSERT_TRUE(files.writeFileAtomic(m.path("Links\\a.lnk"), "shortcut"));
  EXPECT_EQ(fs::symlink_status(m.hostPath("Links/a.lnk")).type(), fs::file_type::regular);
  EXPECT_EQ(contentOf(m.hostPath("Links/a.lnk")), "shortcut");
  EXPECT_FALSE(files.appendFile(m.path("Links\\log.txt"), "appended"));
  EXPECT_FALSE(files.writeFileAtomic(m.path("Links\\log.txt"), "replaced"));
  EXPECT_FALSE(files.writeFileAtomic(m.path("Links\\Out\\new.lnk"), "x"));
  EXPECT_FALSE(files.appendFile(m.path("Links\\out\\new.log"), "x"));
  EXPECT_FALSE(files.createFolder(m.path("Links\\Out\\Sub")));
  EXPECT_FALSE(files.deleteFile(m.path("Links\\Out\\victim")));
  EXPECT_FALSE(files.setAttributes(m.path("Links\\Out\\victim"), 0x1));
  EXPECT_EQ(contentOf(outside / "victim"), "kept");
  EXPECT_EQ(std::distance(fs::directory_iterator(outside), fs::directory_iterator()), 1);
  EXPECT_TRUE(files.deleteFile(m.path("Links\\log.txt")));  // the link itself goes
  EXPECT_TRUE(fs::exists(outside / "victim"));
}

TEST(HostFileSystemWrites, NeverTouchTheProtectedFiles) {
  test::TestMachine m;
  const fs::path prefix = m.hostPath("").parent_path() / "prefix";
  fs::create_directories(prefix / "drive_c");
  std::ofstream(prefix / "user.reg") << "hive";
  fs::create_hard_link(prefix / "user.reg", prefix / "drive_c" / "alias.reg");
  platform::HostFileSystem files({{'C', prefix / "drive_c"}, {'Z', prefix}}, {},
                                 {prefix / "user.reg", prefix / "system.reg"});
  EXPECT_FALSE(files.writeFileAtomic("Z:\\user.reg", "x"));
  EXPECT_FALSE(files.appendFile("Z:\\USER.REG", "x"));
  EXPECT_FALSE(files.deleteFile("Z:\\drive_c\\..\\user.reg"));
  EXPECT_FALSE(files.writeFileAtomic("C:\\alias.reg", "x"));  // the same file by another name
  EXPECT_FALSE(files.deleteFile("C:\\alias.reg"));
  EXPECT_FALSE(files.writeFileAtomic("Z:\\system.reg", "x"));  // not there yet, still refused
  EXPECT_FALSE(files.createFolder("Z:\\system.reg"));
  EXPECT_EQ(contentOf(prefix / "user.reg"), "hive");
  EXPECT_FALSE(fs::exists(prefix / "system.reg"));
  EXPECT_TRUE(files.writeFileAtomic("Z:\\other.txt", "x"));
}

// The cheaper listing differs from the full one in hidden and system only.
TEST(HostFileSystemReads, AKindsListingIsTheListingLessHiddenAndSystem) {
  test::TestMachine m;
  m.createFile("L\\plain.txt");
  m.createFile("L\\Hidden.lnk");
  m.createFile("L\\.dotfile");
  m.createFile("L\\system.sys");
  m.createFile("L\\readonly.txt");
  m.createFolder("L\\sub");
  m.createFolder("L\\HiddenSub");
  m.setAttributes("L\\Hidden.lnk", platform::kAttrHidden);
  m.setAttributes("L\\system.sys", platform::kAttrSystem);
  m.setAttributes("L\\readonly.txt", platform::kAttrReadOnly);
  m.setAttributes("L\\HiddenSub", platform::kAttrHidden | platform::kAttrSystem);
  fs::create_directory_symlink(m.hostPath("L/sub"), m.hostPath("L/linked"));
  fs::create_symlink(m.hostPath("L/plain.txt"), m.hostPath("L/alias.txt"));
  fs::create_symlink(m.hostPath("L/nothing"), m.hostPath("L/dangling"));

  auto& files = *platform::machine().files;
  std::vector<platform::DirEntry> full, kinds;
  ASSERT_TRUE(files.listFolder(m.path("L"), full));
  ASSERT_TRUE(files.listFolderKinds(m.path("L"), kinds));
  ASSERT_EQ(full.size(), 10u);
  ASSERT_EQ(kinds.size(), full.size());
  constexpr std::uint32_t kDos = platform::kAttrHidden | platform::kAttrSystem;
  for (std::size_t i = 0; i < full.size(); ++i) {
    EXPECT_EQ(kinds[i].name, full[i].name);
    EXPECT_EQ(kinds[i].attributes & ~kDos, full[i].attributes & ~kDos) << full[i].name;
  }
  EXPECT_FALSE(files.listFolderKinds(m.path("NoSuchFolder"), kinds));
}

// A file too large to be a shortcut is not read whole, and is no shortcut.
TEST(HostFileSystemReads, AnOversizedShortcutIsNotOne) {
  test::TestMachine m;
  const fs::path link = m.hostPath("big.lnk");
  fs::copy_file(test::TestDataDir() / "lnk" / "samples" / "microsoft_example.lnk", link);
  ASSERT_FALSE(GetTarget("C:\\big.lnk").empty());
  ASSERT_EQ(::truncate(link.c_str(), 64 << 20), 0);  // sparse: nothing is written
  EXPECT_EQ(GetTarget("C:\\big.lnk"), "");
}

}  // namespace
}  // namespace hm
