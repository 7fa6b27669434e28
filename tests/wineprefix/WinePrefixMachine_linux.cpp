#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Text.h"
#include "platform/wineprefix/WinePrefixMachine.h"

namespace hm::platform {
namespace {

namespace fs = std::filesystem;

struct Prefix {
  fs::path path;
  Prefix(const std::string& system, const std::string& user) {
    std::string t = (fs::temp_directory_path() / "hm-pfx-XXXXXX").string();
    path = ::mkdtemp(t.data());
    fs::create_directories(path / "drive_c");
    write("system.reg", system);
    write("user.reg", user);
  }
  ~Prefix() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  void write(const char* name, const std::string& text) const { std::ofstream(path / name, std::ios::binary) << text; }
  std::string read(const char* name) const {
    std::ifstream in(path / name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

const std::string kSystem =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n"
    "\n[System\\\\ControlSet001\\\\Control\\\\Session Manager\\\\Environment] 1700000000\n"
    "\"TEMP\"=str(2):\"%SystemRoot%\\\\TEMP\"\n"
    "\n[System\\\\CurrentControlSet] 1700000000\n#link\n"
    "\"SymbolicLinkValue\"=hex(6):5c,00,52,00,65,00,67,00,69,00,73,00,74,00,72,00,79,00,5c,00,4d,00,61,00,63,00,"
    "68,00,69,00,6e,00,65,00,5c,00,53,00,79,00,73,00,74,00,65,00,6d,00,5c,00,43,00,6f,00,6e,00,74,00,72,00,6f,00,"
    "6c,00,53,00,65,00,74,00,30,00,30,00,31,00\n";

std::string userHive(const std::string& environment) {
  return "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n"
         "\n[Environment] 1700000000\n" +
         environment;
}

TEST(WinePrefixMachine, VariablesAreExpandedOnceAndBounded) {
  const std::string wide(20000, 'w');
  const Prefix prefix(kSystem, userHive("\"TEMP\"=str(2):\"%TEMP%%TEMP%%TEMP%%TEMP%\"\n\"Self\"=str(2):\"%Self%\"\n"
                                        "\"Plain\"=\"%SystemRoot%\"\n\"Wide\"=\"" +
                                        wide + "\"\n\"Wider\"=str(2):\"%Wide%%Wide%\"\n"));
  std::string error;
  const auto opened = OpenWinePrefix(prefix.path, false, error);
  ASSERT_NE(opened, nullptr) << error;
  EnvironmentPort& env = *opened->machine().environment;
  // The machine's TEMP (found through the CurrentControlSet link), four times.
  EXPECT_EQ(env.variable("temp"), "C:\\windows\\TEMPC:\\windows\\TEMPC:\\windows\\TEMPC:\\windows\\TEMP");
  EXPECT_EQ(env.variable("Self"), "%Self%");  // unknown until set: kept as written
  EXPECT_EQ(env.variable("Plain"), "%SystemRoot%");
  EXPECT_EQ(env.variable("Wider"), "%Wide%%Wide%");  // past Windows' limit: not expanded
}

TEST(WinePrefixMachine, SavingRefusesWhenAHiveChangedOnDiskAndWritesNeither) {
  const Prefix prefix(kSystem, userHive("\"A\"=\"1\"\n"));
  std::string error;
  const auto opened = OpenWinePrefix(prefix.path, true, error);
  ASSERT_NE(opened, nullptr) << error;
  RegistryPort& reg = *opened->machine().registry;
  for (const std::int32_t root : {kHkeyLocalMachine, kHkeyCurrentUser}) {
    HKey k = 0;
    ASSERT_EQ(reg.createKey(rootHandle(root), "Software\\Ours", kKeyAllAccess, k), kSuccess);
    reg.closeKey(k);
  }
  const std::string wines = userHive("\"A\"=\"1\"\n\"ByWine\"=\"2\"\n");
  prefix.write("user.reg", wines);
  EXPECT_FALSE(opened->save(error));
  EXPECT_NE(error.find("user.reg: another program"), std::string::npos) << error;
  EXPECT_EQ(prefix.read("user.reg"), wines);
  EXPECT_EQ(prefix.read("system.reg"), kSystem);
}

}  // namespace
}  // namespace hm::platform
