// The files port's contract, run against host folders on Linux and against
// the real API under wine (in a scratch folder).
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/Machine.h"
#include "support/TestMachine.h"

namespace hm {
namespace {

using namespace platform;

TEST(FilesPortContract, FindFirstMatchesNamesWildcardsAndFoldersOnRequest) {
  test::TestMachine m;
  auto& files = *machine().files;
  m.createFile("Find\\Alpha.DLL");
  m.createFile("Find\\hidden.sys");
  m.setAttributes("Find\\hidden.sys", kAttrHidden | kAttrSystem);
  m.createFolder("Find\\Folder.v2");
  EXPECT_EQ(files.findFirst(m.path("find\\alpha.dll"), false), FindResult::Found);
  EXPECT_EQ(files.findFirst(m.path("Find\\Alpha.DLL  "), false), FindResult::Found);
  EXPECT_EQ(files.findFirst(m.path("Find\\a*.d?l"), false), FindResult::Found);
  EXPECT_EQ(files.findFirst(m.path("Find\\hidden.sys"), false), FindResult::Found);
  EXPECT_EQ(files.findFirst(m.path("Find\\Folder.v2"), false), FindResult::NotFound);
  EXPECT_EQ(files.findFirst(m.path("Find\\Folder.v2"), true), FindResult::Found);
  EXPECT_EQ(files.findFirst(m.path("Find\\*.zz"), true), FindResult::NotFound);
  EXPECT_EQ(files.findFirst(m.path("Nowhere\\x.dll"), true), FindResult::NotFound);
  EXPECT_EQ(files.findFirst(m.path("Find\\a<b"), true), FindResult::InvalidName);
  EXPECT_EQ(files.findFirst(m.path("Fi*d\\x.dll"), true), FindResult::InvalidName);
}

// A drive that is not ready and a folder that may not be read say nothing
// about what they hold.
TEST(FilesPortContract, WhatCannotBeLookedAtIsNeitherFoundNorMissing) {
  test::TestMachine m;
  auto& files = *machine().files;
  const std::string unready = m.unreadyDriveRoot();
  if (!unready.empty()) {
    EXPECT_EQ(files.findFirst(unready + "App\\ext.exe", false), FindResult::CannotTell);
    EXPECT_EQ(files.findFirst(unready + "*.exe", false), FindResult::CannotTell);
  }
  m.createFile("Locked\\Inner\\tool.dll");
  if (!m.denyReading("Locked")) GTEST_SKIP() << "this machine cannot deny reading a folder";
  EXPECT_EQ(files.findFirst(m.path("Locked\\Inner\\tool.dll"), false), FindResult::CannotTell);
  EXPECT_EQ(files.findFirst(m.path("LOCKED\\inner\\TOOL.DLL"), false), FindResult::CannotTell);
  EXPECT_EQ(files.findFirst(m.path("Locked\\*.dll"), false), FindResult::CannotTell);
  m.allowReading("Locked");
}

TEST(FilesPortContract, AttributesAndListing) {
  test::TestMachine m;
  auto& files = *machine().files;
  m.createFile("List\\b.txt");
  m.createFile("List\\A.txt");
  m.createFile("List\\.dot");
  m.createFolder("List\\Sub");
  m.setAttributes("List\\A.txt", kAttrHidden);
  const auto a = files.attributes(m.path("List\\A.txt"));
  ASSERT_TRUE(a.has_value());
  EXPECT_TRUE(*a & kAttrHidden);
  EXPECT_FALSE(*a & kAttrDirectory);
  EXPECT_TRUE(*files.attributes(m.path("List\\Sub")) & kAttrDirectory);
  EXPECT_FALSE(files.attributes(m.path("List\\missing")).has_value());
  std::vector<DirEntry> entries;
  ASSERT_TRUE(files.listFolder(m.path("List"), entries));
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".dot", "A.txt", "Sub", "b.txt"}));
  EXPECT_FALSE(files.listFolder(m.path("NoSuchFolder"), entries));
}

TEST(FilesPortContract, ReadWriteAppendDeleteAndFolders) {
  test::TestMachine m;
  auto& files = *machine().files;
  const std::string f = m.path("Data\\ünï.bin");
  EXPECT_FALSE(files.writeFileAtomic(f, "no folder yet"));
  ASSERT_TRUE(files.createFolder(m.path("Data")));
  EXPECT_TRUE(files.createFolder(m.path("Data")));
  const std::string bytes("a\0b\r\n", 5);
  ASSERT_TRUE(files.writeFileAtomic(f, bytes));
  EXPECT_EQ(files.readFile(f).value_or("?"), bytes);
  ASSERT_TRUE(files.writeFileAtomic(f, "replaced"));
  ASSERT_TRUE(files.appendFile(f, "+more"));
  EXPECT_EQ(files.readFile(f).value_or("?"), "replaced+more");
  EXPECT_EQ(files.readFileUpTo(f, 13).value_or("?"), "replaced+more");
  EXPECT_FALSE(files.readFileUpTo(f, 12).has_value());
  ASSERT_TRUE(files.appendFile(m.path("Data\\new.log"), "x"));
  std::vector<DirEntry> entries;
  files.listFolder(m.path("Data"), entries);
  EXPECT_EQ(entries.size(), 2u);  // no temporary file is left behind
  EXPECT_TRUE(files.deleteFile(f));
  EXPECT_FALSE(files.deleteFile(f));
  EXPECT_FALSE(files.readFile(f).has_value());
  EXPECT_FALSE(files.deleteFile(m.path("Data")));  // a folder is no file
}

TEST(FilesPortContract, ModifiedTimeAndAttributesAreSetAndReadBack) {
  test::TestMachine m;
  auto& files = *machine().files;
  m.createFile("Kept\\a.lnk");
  const std::string f = m.path("Kept\\a.lnk");
  const std::uint64_t time = 127785303121234567;  // 2005-12-08 15:45:12.1234567 UTC
  ASSERT_TRUE(files.setModifiedTime(f, time));
  EXPECT_EQ(files.modifiedTime(f).value_or(0), time);
  constexpr std::uint32_t kept = kAttrReadOnly | kAttrHidden | kAttrSystem;
  ASSERT_TRUE(files.setAttributes(f, kept | kAttrArchive));
  EXPECT_EQ(files.attributes(f).value_or(0) & kept, kept);
  ASSERT_TRUE(files.setAttributes(f, kAttrReadOnly | kAttrHidden));  // changed while read-only
  EXPECT_EQ(files.attributes(f).value_or(0) & kept, kAttrReadOnly | kAttrHidden);
  ASSERT_TRUE(files.setAttributes(f, kAttrArchive));
  EXPECT_EQ(files.attributes(f).value_or(kept) & kept, 0u);
  EXPECT_EQ(files.modifiedTime(f).value_or(0), time);
  EXPECT_FALSE(files.modifiedTime(m.path("Kept\\missing")).has_value());
  EXPECT_FALSE(files.setModifiedTime(m.path("Kept\\missing"), time));
  EXPECT_FALSE(files.setAttributes(m.path("Kept\\missing"), kAttrHidden));
}

TEST(FilesPortContract, TheFoldersAreAnswered) {
  test::TestMachine m;
  auto& files = *machine().files;
  EXPECT_EQ(files.windowsFolder(), m.windowsFolder());
  EXPECT_EQ(files.systemFolder(), m.systemFolder());
  EXPECT_FALSE(files.tempFolder().empty());
  EXPECT_FALSE(files.programFolder().empty());
  EXPECT_NE(files.programFolder().back(), '\\');
}

}  // namespace
}  // namespace hm
