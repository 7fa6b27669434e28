// Files come back from the set's archive, and only to the paths the set's
// file rows name: nothing a hostile archive holds is written anywhere else.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "backup/ZipFormat.h"
#include "backup/ZipWriter.h"
#include "restore/RestoreTestSupport.h"

namespace hm::test {
namespace {

namespace fs = std::filesystem;

std::string utf8(const fs::path& p) {
  const std::u8string s = p.generic_u8string();
  return std::string(s.begin(), s.end());
}

// Every file below the scratch root with its bytes.
std::map<std::string, std::string> fileTree(const TestMachine& m) {
  std::map<std::string, std::string> tree;
  const fs::path root = m.hostPath("x").parent_path();
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    tree[utf8(fs::relative(entry.path(), root))] =
        std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  return tree;
}

backup::StoredZipEntry storedEntry(std::string name, std::string_view data) {
  backup::StoredZipEntry e;
  e.name = std::move(name);
  e.crc = backup::zipformat::crc32(data);
  e.size = data.size();
  e.data = std::string(data);
  return e;
}

using RestoreArchive = RestoreFixture;

TEST_F(RestoreArchive, FilesComeBackToTheirPathsAndAFileNotInTheArchiveIsAFailure) {
  const std::string a = m.path("Users\\me\\Desktop\\Tool.lnk"), b = m.path("Users\\me\\Start Menu\\Ünï.lnk");
  backup::ZipWriter zip;
  ASSERT_TRUE(zip.addBytes(a, "shortcut a", {}).ok());
  ASSERT_TRUE(zip.addBytes(b, std::string("b\0b", 3), {}).ok());
  const std::string set =
      writeSet("HivemendBK1.bkp", SetText("1/1/2020 1:00:00 AM", {FileRecordOf(1, a), FileRecordOf(2, b),
                                                                  FileRecordOf(3, m.path("gone-before-repair.lnk"))}));
  ASSERT_TRUE(zip.writeTo(backup::ArchivePathFor(set)).ok());
  m.createFolder("Users\\me");  // the folders below are made again

  ASSERT_TRUE(load("HivemendBK1.bkp"));
  std::vector<std::string> statuses;
  lists.lblStatusOfActionTaken.subscribe([&](const platform::Change&) {
    if (statuses.empty() || statuses.back() != lists.lblStatusOfActionTaken.caption())
      statuses.push_back(lists.lblStatusOfActionTaken.caption());
  });
  const auto outcome = backup::cmdRestoreNow_Click(lists, session);
  EXPECT_EQ(outcome.failed, 1u);
  EXPECT_EQ(shownTexts(), (std::vector<std::string>{"Restore finished, but 1 of 3 items could not be restored."}));
  EXPECT_NE(m.errorLog().find("gone-before-repair.lnk\" is not restored: the archive does not hold it"),
            std::string::npos);
  const auto tree = fileTree(m);
  EXPECT_EQ(tree.at("Users/me/Desktop/Tool.lnk"), "shortcut a");
  EXPECT_EQ(tree.at("Users/me/Start Menu/Ünï.lnk"), std::string("b\0b", 3));
  EXPECT_EQ(tree.count("gone-before-repair.lnk"), 0u);
  ASSERT_FALSE(statuses.empty());
  EXPECT_EQ(statuses[0], "Restoring: " + a);
}

TEST_F(RestoreArchive, AHostileArchiveWritesNothingButTheNamedFiles) {
  const std::string named = m.path("Users\\me\\named.lnk");
  backup::ZipWriter zip;
  ASSERT_TRUE(zip.addBytes(named, "good", {}).ok());
  ASSERT_TRUE(zip.addBytes(m.path("windows\\system32\\evil.dll"), "evil", {}).ok());  // a real path no row names
  ASSERT_TRUE(zip.addBytes(m.path("Users\\me\\other.lnk"), "evil", {}).ok());
  for (const char* name : {"../evil.lnk", "../../../../evil.lnk", "/tmp/evil.lnk", "C:/evil.lnk", "C/../evil.lnk",
                           "Users\\me\\..\\..\\evil.lnk"})
    zip.keepEntry(storedEntry(name, "evil"));
  const std::string set = writeSet(
      "HivemendBK1.bkp", SetText("1/1/2020 1:00:00 AM", {FileRecordOf(1, named), FileRecordOf(2, "..\\evil.lnk"),
                                                         FileRecordOf(3, "C:\\..\\evil.lnk")}));
  ASSERT_TRUE(zip.writeTo(backup::ArchivePathFor(set)).ok());
  auto before = fileTree(m);

  ASSERT_TRUE(load("HivemendBK1.bkp"));
  backup::cmdRestoreNow_Click(lists, session);
  auto after = fileTree(m);
  EXPECT_EQ(after["Users/me/named.lnk"], "good");
  after.erase("Users/me/named.lnk");
  after.erase("windows/ErrHvmd.txt");
  before.erase("windows/ErrHvmd.txt");
  EXPECT_EQ(after, before);
  EXPECT_FALSE(fs::exists(m.hostPath("x").parent_path().parent_path() / "evil.lnk"));
}

TEST_F(RestoreArchive, AnUnreadableArchiveCountsItsFilesAsNotRestored) {
  const std::string set =
      writeSet("HivemendBK1.bkp",
               SetText("1/1/2020 1:00:00 AM",
                       {FileRecordOf(1, m.path("a.lnk")),
                        RegistryRecordOf(2, "-2147483647", "HKEY_CURRENT_USER", "Software\\X", "V", "text")}));
  writeSet("HivemendBK1.zip", "this is not a zip archive");
  ASSERT_TRUE(load("HivemendBK1.bkp"));
  const auto outcome = backup::cmdRestoreNow_Click(lists, session);
  EXPECT_EQ(outcome.failed, 1u);
  EXPECT_EQ(shownTexts(), (std::vector<std::string>{"Restore finished, but 1 of 2 items could not be restored."}));
  EXPECT_TRUE(ReadValue(platform::kHkeyCurrentUser, "Software\\X", "V"));
}

TEST_F(RestoreArchive, AMissingArchiveFailsItsFilesAndAFailedSaveWritesNoFile) {
  const std::string link = m.path("Users\\me\\a.lnk");
  const std::string set = writeSet(
      "HivemendBK1.bkp",
      SetText("1/1/2020 1:00:00 AM", {FileRecordOf(1, link), RegistryRecordOf(2, "-2147483647", "HKEY_CURRENT_USER",
                                                                              "Software\\X", "V", "text")}));
  ASSERT_TRUE(load("HivemendBK1.bkp"));
  EXPECT_EQ(backup::cmdRestoreNow_Click(lists, session).failed, 1u);
  EXPECT_EQ(shownTexts(), (std::vector<std::string>{"Restore finished, but 1 of 2 items could not be restored."}));

  backup::ZipWriter zip;
  ASSERT_TRUE(zip.addBytes(link, "shortcut", {}).ok());
  ASSERT_TRUE(zip.writeTo(backup::ArchivePathFor(set)).ok());
  m.dialogs.shown.clear();
  ASSERT_TRUE(load("HivemendBK1.bkp"));
  session.saveChanges = [&](std::string& why) {
    EXPECT_TRUE(m.dialogs.shown.empty());
    why = "a wineserver is running";
    return false;
  };
  const auto outcome = backup::cmdRestoreNow_Click(lists, session);
  EXPECT_TRUE(outcome.saveFailed);
  EXPECT_EQ(outcome.failed, 2u);
  EXPECT_EQ(shownTexts(), (std::vector<std::string>{"The restored registry values could not be saved, so nothing was "
                                                    "restored.\r\n\r\na wineserver is running"}));
  EXPECT_FALSE(m.machine().files->attributes(link));
}

}  // namespace
}  // namespace hm::test
