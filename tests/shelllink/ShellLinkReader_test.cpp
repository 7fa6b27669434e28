// The reader's choice of target and its text rules, on small made-up files.
#include <gtest/gtest.h>

#include "shelllink/ShellLinkTestSupport.h"

namespace hm::platform {
namespace {

using namespace hm::testing;

const EnvironmentLookup kEnv = fixedEnvironment({{"SystemRoot", "C:\\Windows"}, {"USERPROFILE", "C:\\Users\\ann"}});

std::string pathOf(const std::string& bytes) { return readShellLink(bytes, kEnv).path; }

const std::string kIdListToApp =
    idList({myComputerItem(), driveItem("C:\\"), fileEntryItem("PROGRA~1", "Program Files", true),
            fileEntryItem("APP~1.EXE", "App Ünï.exe", false)});

TEST(ShellLinkReader, SpellsTheIdListWithLongNames) {
  EXPECT_EQ(pathOf(linkHeader(kLinkHasIdList | kLinkIsUnicode) + kIdListToApp + le32(0)),
            "C:\\Program Files\\App Ünï.exe");
  EXPECT_EQ(pathOf(linkHeader(kLinkHasIdList) + idList({myComputerItem(), driveItem("D:\\")}) + le32(0)), "D:\\");
}

TEST(ShellLinkReader, PrefersTheEnvironmentBlockThenLinkInfoThenIdListThenNetwork) {
  const std::string info = localLinkInfo("C:\\Tools", "x.exe");
  const std::string env = environmentBlock("%SYSTEMROOT%\\notepad.exe");
  const std::uint32_t all = kLinkHasIdList | kLinkHasLinkInfo | kLinkHasExpString;
  EXPECT_EQ(pathOf(linkHeader(all) + kIdListToApp + info + env + le32(0)), "C:\\Windows\\notepad.exe");
  // Without the flag the block is not the target.
  EXPECT_EQ(pathOf(linkHeader(all & ~kLinkHasExpString) + kIdListToApp + info + env + le32(0)), "C:\\Tools\\x.exe");
  EXPECT_EQ(pathOf(linkHeader(all | kLinkForceNoLinkInfo) + kIdListToApp + info + le32(0)),
            "C:\\Program Files\\App Ünï.exe");
  const std::string network = networkLinkInfo("\\\\srv\\share", "dir\\x.exe");
  EXPECT_EQ(pathOf(linkHeader(kLinkHasLinkInfo) + network + le32(0)), "\\\\srv\\share\\dir\\x.exe");
}

TEST(ShellLinkReader, JoinsBaseAndSuffixWithOneSeparatorAndDropsAFolderTrailingOne) {
  auto local = [](std::string base, std::string suffix, bool unicode = false) {
    return pathOf(linkHeader(kLinkHasLinkInfo) + localLinkInfo(base, suffix, unicode) + le32(0));
  };
  EXPECT_EQ(local("C:\\Users\\", "ann\\Downloads"), "C:\\Users\\ann\\Downloads");
  EXPECT_EQ(local("C:\\Users", "ann"), "C:\\Users\\ann");
  EXPECT_EQ(local("C:\\Users\\", ""), "C:\\Users");
  EXPECT_EQ(local("C:\\", ""), "C:\\");
  EXPECT_EQ(local("C:\\Caf\xE9\\", "men\xFC.txt"), "C:\\Café\\menü.txt");        // Windows-1252
  EXPECT_EQ(local("C:\\A\\", "Приложение.exe", true), "C:\\A\\Приложение.exe");  // Unicode form wins
}

TEST(ShellLinkReader, PrefersTheIdListWhenTheCodePagePathLostLetters) {
  const std::string info = localLinkInfo("C:\\???\\a.exe");
  const std::string list = idList(
      {myComputerItem(), driveItem("C:\\"), fileEntryItem("???", "Дом", true), fileEntryItem("a.exe", "a.exe", false)});
  EXPECT_EQ(pathOf(linkHeader(kLinkHasIdList | kLinkHasLinkInfo) + list + info + le32(0)), "C:\\Дом\\a.exe");
  EXPECT_EQ(pathOf(linkHeader(kLinkHasLinkInfo) + info + le32(0)), "C:\\???\\a.exe");  // nothing better to give
}

TEST(ShellLinkReader, GivesNothingForTargetsOutsideTheFileSystem) {
  const std::string controlPanel = std::string("\x2E\x00", 2) + std::string(16, '\x11');
  EXPECT_EQ(pathOf(linkHeader(kLinkHasIdList) + idList({myComputerItem(), controlPanel}) + le32(0)), "");
  const std::string unknownRoot = std::string("\x1F\x50", 2) + std::string(16, '\x22');
  EXPECT_EQ(pathOf(linkHeader(kLinkHasIdList) + idList({unknownRoot, fileEntryItem("A", "A", false)}) + le32(0)), "");
  EXPECT_EQ(pathOf(linkHeader(0) + le32(0)), "");
}

TEST(ShellLinkReader, MarksInstallerShortcutsAdvertised) {
  const std::string link = linkHeader(kLinkHasIdList | kLinkHasDarwinId) + kIdListToApp +
                           environmentBlock("[product]>feature", 0xA0000006) + le32(0);
  const auto target = readShellLink(link, kEnv);
  EXPECT_TRUE(target.advertised);
  EXPECT_EQ(target.path, "C:\\Program Files\\App Ünï.exe");
  EXPECT_FALSE(readShellLink(linkHeader(kLinkHasIdList) + kIdListToApp, kEnv).advertised);
}

TEST(ShellLinkReader, RejectsMalformedStructures) {
  const std::string good = linkHeader(kLinkHasLinkInfo) + localLinkInfo("C:\\a.exe") + le32(0);
  ASSERT_EQ(pathOf(good), "C:\\a.exe");
  std::string wrongSize = good;
  wrongSize[0] = 0x4D;
  std::string wrongClass = good;
  wrongClass[5] = 0x15;
  std::string hugeInfo = good;
  hugeInfo.replace(0x4C, 4, le32(0xFFFFFFFF));
  std::string unterminated = good.substr(0, good.size() - 4);  // the suffix's NUL is the info's last byte
  unterminated.back() = 'x';
  std::string offsetOutside = good;
  offsetOutside.replace(0x4C + 0x10, 4, le32(0x7FFFFFF0));
  for (const auto& bad : {wrongSize, wrongClass, hugeInfo, unterminated, offsetOutside, good.substr(0, 0x4C + 10)})
    EXPECT_EQ(pathOf(bad), "");
  // An environment block whose strings do not end inside their fields.
  std::string env = environmentBlock("%SYSTEMROOT%");
  std::fill(env.begin() + 8, env.end(), 'A');
  EXPECT_EQ(pathOf(linkHeader(kLinkHasLinkInfo | kLinkHasExpString) + localLinkInfo("C:\\a") + env), "");
}

TEST(ShellLinkReader, CapsItemCountsAndEndsQuickly) {
  // Tens of thousands of one-word items: refused, not walked for ever.
  std::string items;
  for (int i = 0; i < 30000; ++i) items += le16(2);
  items += le16(0);
  const std::string link = linkHeader(kLinkHasIdList) + le16(static_cast<std::uint32_t>(items.size())) + items;
  EXPECT_EQ(pathOf(link), "");
  std::string blocks;
  for (int i = 0; i < 1000; ++i) blocks += le32(8) + le32(0xA0000099);
  EXPECT_EQ(pathOf(linkHeader(kLinkHasLinkInfo) + localLinkInfo("C:\\a") + blocks), "");
}

TEST(ShellLinkReader, ExpandsVariablesAsWindowsDoes) {
  EXPECT_EQ(expandEnvironmentVariables("%systemroot%\\a;%NOPE%;50%;%%", kEnv), "C:\\Windows\\a;%NOPE%;50%;%%");
  EXPECT_EQ(expandEnvironmentVariables("%USERPROFILE%%SystemRoot%", kEnv), "C:\\Users\\annC:\\Windows");
  EXPECT_EQ(expandEnvironmentVariables("%SystemRoot%", nullptr), "%SystemRoot%");
}

TEST(ShellLinkReader, DecodesCodePageStringsAsWindows1252) {
  EXPECT_EQ(decodeWindows1252("\x80\x81\x9F\xA0\xFF"), "\u20AC\u0081\u0178\u00A0\u00FF");
}

}  // namespace
}  // namespace hm::platform
