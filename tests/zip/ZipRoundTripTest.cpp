#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "backup/Unzipper.h"
#include "backup/ZipEntryName.h"
#include "backup/ZipReader.h"
#include "backup/ZipWriter.h"
#include "backup/Zipper.h"
#include "ini/TempFolderFiles.h"

namespace hm::backup {
namespace {

std::string randomBytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

TEST(ZipEntryName, FullPathsBecomeZipNamesAndEverythingElseIsRefused) {
  EXPECT_EQ(zipEntryNameForPath("C:\\Users\\x\\Desktop\\a.lnk"), "C/Users/x/Desktop/a.lnk");
  EXPECT_EQ(zipEntryNameForPath("d:\\a.lnk"), "D/a.lnk");
  EXPECT_EQ(zipEntryNameForPath("\\\\server\\share\\a.lnk"), "UNC/server/share/a.lnk");
  EXPECT_EQ(zipEntryNameForPath("\\\\?\\C:\\a.lnk"), "C/a.lnk");
  EXPECT_EQ(zipEntryNameForPath("C:\\Dokumente\\Verknüpfung.lnk"), "C/Dokumente/Verknüpfung.lnk");
  for (const char* bad : {"a.lnk", "C:a.lnk", "\\a.lnk", "C:\\", "C:\\x\\..\\a.lnk", "C:\\.\\a.lnk", "C:\\x\\\\a.lnk",
                          "C:\\a:b", "C:\\a?.lnk", "C:\\dots.", "C:\\x\xff.lnk", ""}) {
    EXPECT_FALSE(zipEntryNameForPath(bad)) << bad;
  }
  EXPECT_TRUE(isSafeZipEntryName("C/Users/a.lnk"));
  for (const char* bad : {"../a", "a/../b", "/etc/passwd", "C:/a", "a\\b", "a//b", "./a", "a/", "", "a\x01"}) {
    EXPECT_FALSE(isSafeZipEntryName(bad)) << bad;
  }
}

TEST(ZipRoundTrip, BinaryEmptyAndNonAsciiFilesComeBackByteForByte) {
  const std::vector<std::pair<std::string, std::string>> files = {
      {"C:\\Users\\x\\Desktop\\a.lnk", std::string(5000, 'a') + "compressible"},
      {"C:\\bin\\noise.dat", randomBytes(70000, 1)},
      {"C:\\empty.txt", ""},
      {"C:\\Users\\Jürgen\\Рабочий стол\\ярлык.lnk", randomBytes(300, 2)},
  };
  ZipWriter writer;
  for (const auto& [path, bytes] : files) ASSERT_TRUE(writer.addBytes(path, bytes, {2005, 12, 8, 15, 45, 12}).ok());
  std::string archive;
  ASSERT_TRUE(writer.build(archive).ok());
  // Non-ASCII names carry the UTF-8 flag (bit 11) in their headers.
  EXPECT_NE(archive.find("\x50\x4b\x03\x04\x14\x00\x00\x08", 0, 8), std::string::npos);

  ZipReader reader;
  ASSERT_TRUE(reader.open(archive).ok());
  ASSERT_EQ(reader.entries().size(), files.size());
  EXPECT_EQ(reader.entries()[0].method, zipformat::kMethodDeflated);
  EXPECT_EQ(reader.entries()[1].method, zipformat::kMethodStored);  // noise does not shrink
  for (const auto& [path, bytes] : files) {
    std::string out;
    const std::string name = *zipEntryNameForPath(path);
    ASSERT_TRUE(reader.extract(name, out).ok()) << name;
    EXPECT_EQ(out, bytes) << name;
    EXPECT_EQ(reader.find(name)->size, bytes.size());
  }
  EXPECT_EQ(reader.entries()[0].modified.date, ((2005 - 1980) << 9) | (12 << 5) | 8);
  // Case does not matter for lookups, as for the paths they come from.
  EXPECT_NE(reader.find("c/users/X/desktop/A.LNK"), nullptr);
}

class ZipComponentsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"C:", "C:\\Backup", "C:\\Desk"}) env.files.createFolder(folder);
    env.files.put("C:\\Desk\\one.lnk", "first shortcut");
    env.files.put("C:\\Desk\\two.lnk", randomBytes(2000, 3));
    env.files.put("C:\\Desk\\three.lnk", "");
  }
  std::vector<std::string> namesIn(const std::string& archivePath) {
    ZipReader reader;
    EXPECT_TRUE(reader.openFile(archivePath).ok());
    std::vector<std::string> names;
    for (const auto& e : reader.entries()) names.push_back(e.name);
    return names;
  }
  hm::testing::TempFolderMachine env;
};

TEST_F(ZipComponentsTest, ZipperStoresEachFileBeforeFinishedDeletesIt) {
  Zipper zipper;
  std::vector<std::string> events;
  zipper.Finished = [&] {
    events.push_back("Finished " + zipper.Tag + " with " + std::to_string(namesIn("C:\\Backup\\set.zip").size()));
    env.files.deleteFile(zipper.Tag);
  };
  zipper.prepare("C:\\Backup\\set.zip");
  for (const char* file : {"C:\\Desk\\one.lnk", "C:\\Desk\\missing.lnk", "C:\\Desk\\two.lnk", "C:\\Desk\\three.lnk"}) {
    zipper.Tag = file;
    const bool added = zipper.addFile(file).ok();
    EXPECT_EQ(added, std::string(file) != "C:\\Desk\\missing.lnk");
    EXPECT_TRUE(zipper.writeArchive().ok());
  }
  // A file that could not be stored raises no Finished, so nothing deletes it.
  EXPECT_EQ(events, (std::vector<std::string>{"Finished C:\\Desk\\one.lnk with 1", "Finished C:\\Desk\\two.lnk with 2",
                                              "Finished C:\\Desk\\three.lnk with 3"}));
  EXPECT_EQ(namesIn("C:\\Backup\\set.zip"),
            (std::vector<std::string>{"C/Desk/one.lnk", "C/Desk/two.lnk", "C/Desk/three.lnk"}));
  EXPECT_FALSE(env.files.exists("C:\\Desk\\one.lnk"));

  // A second run into the same archive keeps the first run's files.
  env.files.put("C:\\Desk\\four.lnk", "4");
  zipper.prepare("C:\\Backup\\set.zip");
  zipper.Tag = "C:\\Desk\\four.lnk";
  ASSERT_TRUE(zipper.addFile(zipper.Tag).ok());
  ASSERT_TRUE(zipper.writeArchive().ok());
  EXPECT_EQ(namesIn("C:\\Backup\\set.zip").size(), 4u);

  // An archive that cannot be written raises no Finished either.
  env.files.put("C:\\Desk\\five.lnk", "5");
  zipper.prepare("C:\\NoFolder\\set.zip");
  ASSERT_TRUE(zipper.addFile("C:\\Desk\\five.lnk").ok());
  EXPECT_FALSE(zipper.writeArchive().ok());
  EXPECT_EQ(events.size(), 4u);
  EXPECT_TRUE(env.files.exists("C:\\Desk\\five.lnk"));
}

TEST_F(ZipComponentsTest, UnzipperPutsSelectedFilesBackAndReportsOnce) {
  Zipper zipper;
  zipper.prepare("C:\\Backup\\set.zip");
  env.files.put("C:\\Desk\\Sub\\deep.lnk", "deep");
  for (const char* file : {"C:\\Desk\\one.lnk", "C:\\Desk\\two.lnk", "C:\\Desk\\Sub\\deep.lnk"}) {
    ASSERT_TRUE(zipper.addFile(file).ok());
    ASSERT_TRUE(zipper.writeArchive().ok());
  }
  const std::string two = env.files.get("C:\\Desk\\two.lnk");
  env.files.deleteFile("C:\\Desk\\one.lnk");
  env.files.put("C:\\Desk\\two.lnk", "replaced meanwhile");
  std::filesystem::remove_all(env.files.hostPath("C:\\Desk\\Sub"));

  Unzipper unzipper;
  int finished = 0;
  unzipper.OnFinished = [&](const UnzipReport& report) {
    ++finished;
    EXPECT_FALSE(report.ok());  // one selected file is not in the archive
  };
  unzipper.setArchivePath("C:\\Backup\\set.zip");
  EXPECT_TRUE(unzipper.selectFile("C:\\Desk\\one.lnk"));
  EXPECT_TRUE(unzipper.selectFile("C:\\Desk\\two.lnk"));
  EXPECT_TRUE(unzipper.selectFile("C:\\Desk\\never.lnk"));
  EXPECT_TRUE(unzipper.selectFile("C:\\Desk\\Sub\\deep.lnk"));
  EXPECT_FALSE(unzipper.selectFile("..\\relative.lnk"));
  const UnzipReport report = unzipper.extract();
  EXPECT_EQ(finished, 1);
  ASSERT_EQ(report.entries.size(), 4u);
  EXPECT_TRUE(report.entries[0].result.ok());
  EXPECT_TRUE(report.entries[1].result.ok());
  EXPECT_FALSE(report.entries[2].result.ok());
  EXPECT_TRUE(report.entries[3].result.ok());
  EXPECT_EQ(env.files.get("C:\\Desk\\one.lnk"), "first shortcut");
  EXPECT_EQ(env.files.get("C:\\Desk\\two.lnk"), two);           // what stood there is replaced
  EXPECT_EQ(env.files.get("C:\\Desk\\Sub\\deep.lnk"), "deep");  // its folder made again

  // A missing archive is reported through the same single event.
  unzipper.setArchivePath("C:\\Backup\\none.zip");
  EXPECT_FALSE(unzipper.extract().archive.ok());
  EXPECT_EQ(finished, 2);
}

}  // namespace
}  // namespace hm::backup
