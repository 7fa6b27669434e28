// Archives we write are read by unzip and Python's zipfile; archives they
// write are read by us.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "backup/ZipEntryName.h"
#include "backup/ZipReader.h"
#include "backup/Zipper.h"
#include "ini/TempFolderFiles.h"

namespace hm::backup {
namespace {

using namespace std::string_literals;

std::string run(const std::string& command, int& status) {
  std::string out;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) {
    status = -1;
    return out;
  }
  char buffer[4096];
  while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  status = pclose(pipe);
  return out;
}

bool have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

class ZipInteropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"C:", "C:\\Backup", "C:\\Users", "C:\\Users\\Jürgen"}) env.files.createFolder(folder);
    env.files.put("C:\\Users\\Jürgen\\Verknüpfung.lnk", "L\0\0\0binary\x01\x02\xff"s);
    env.files.put("C:\\Users\\plain.lnk", std::string(10000, 'x'));
    env.files.put("C:\\Users\\empty.lnk", "");
    Zipper zipper;
    zipper.prepare("C:\\Backup\\set.zip");
    for (const char* f : {"C:\\Users\\Jürgen\\Verknüpfung.lnk", "C:\\Users\\plain.lnk", "C:\\Users\\empty.lnk"}) {
      ASSERT_TRUE(zipper.addFile(f).ok());
      ASSERT_TRUE(zipper.writeArchive().ok());
    }
    archive = env.files.hostPath("C:\\Backup\\set.zip").string();
  }
  hm::testing::TempFolderMachine env;
  std::string archive;
};

TEST_F(ZipInteropTest, UnzipAndPythonAcceptWhatWeWrite) {
  int status = 0;
  if (have("unzip")) {
    const std::string out = run("unzip -t '" + archive + "'", status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("No errors detected"), std::string::npos) << out;
  }
  ASSERT_TRUE(have("python3"));
  const std::string out = run(
      "python3 -c 'import sys, zipfile\n"
      "z = zipfile.ZipFile(sys.argv[1])\n"
      "assert z.testzip() is None\n"
      "for i in z.infolist(): print(i.filename, i.file_size, i.compress_type, z.read(i) == open(sys.argv[2] + \"/\" + "
      "i.filename, \"rb\").read())' '" +
          archive + "' '" + env.files.root().string() + "'",
      status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out,
            "C/Users/Jürgen/Verknüpfung.lnk 13 0 True\nC/Users/plain.lnk 10000 8 True\nC/Users/empty.lnk 0 0 True\n");
}

TEST_F(ZipInteropTest, WeReadWhatPythonAndZipWrite) {
  const std::string made = (env.files.root() / "made").string();
  std::filesystem::create_directories(made);
  int status = 0;
  const std::string out =
      run("cd '" + made +
              "' && python3 -c 'import zipfile\n"
              "for name, mode in ((\"stored.zip\", zipfile.ZIP_STORED), (\"deflated.zip\", zipfile.ZIP_DEFLATED)):\n"
              "  with zipfile.ZipFile(name, \"w\", mode) as z:\n"
              "    z.writestr(\"C/Users/a.lnk\", b\"\\x00\\x01shortcut\" * 100)\n"
              "    z.writestr(\"D/Ünïcode/ярлык.lnk\", b\"u\")\n"
              "    z.writestr(\"C/folder/\", b\"\")\n"
              "    z.writestr(\"../evil.lnk\", b\"e\")\n'",
          status);
  ASSERT_EQ(status, 0) << out;
  for (const char* name : {"stored.zip", "deflated.zip"}) {
    ZipReader reader;
    std::ifstream in(made + "/" + name, std::ios::binary);
    ASSERT_TRUE(reader.open(std::string(std::istreambuf_iterator<char>(in), {})).ok()) << name;
    ASSERT_EQ(reader.entries().size(), 2u) << name;  // the folder entry and "../" are not handed out
    EXPECT_EQ(reader.skippedEntries(), 1u);
    std::string bytes;
    ASSERT_TRUE(reader.extract("C/Users/a.lnk", bytes).ok());
    std::string expected;
    for (int i = 0; i < 100; ++i) expected += std::string("\x00\x01shortcut", 10);
    EXPECT_EQ(bytes, expected);
    ASSERT_TRUE(reader.extract("D/Ünïcode/ярлык.lnk", bytes).ok());
    EXPECT_EQ(bytes, "u");
  }
  if (!have("zip")) GTEST_SKIP() << "zip is not installed";
  std::filesystem::create_directories(made + "/C/Tree");
  std::ofstream(made + "/C/Tree/file.lnk", std::ios::binary) << std::string(5000, 'z');
  std::ofstream(made + "/C/Tree/Grüße.lnk", std::ios::binary) << "g";
  run("cd '" + made + "' && zip -qr info.zip C", status);
  ASSERT_EQ(status, 0);
  ZipReader reader;
  std::ifstream in(made + "/info.zip", std::ios::binary);
  const ZipResult opened = reader.open(std::string(std::istreambuf_iterator<char>(in), {}));
  ASSERT_TRUE(opened.ok()) << opened.error;
  std::string bytes;
  ASSERT_TRUE(reader.extract("C/Tree/file.lnk", bytes).ok());
  EXPECT_EQ(bytes, std::string(5000, 'z'));
  ASSERT_TRUE(reader.extract("C/Tree/Grüße.lnk", bytes).ok());
  EXPECT_EQ(bytes, "g");
}

}  // namespace
}  // namespace hm::backup
