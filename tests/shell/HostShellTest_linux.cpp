#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "platform/host/HostShell.h"

namespace hm::platform {
namespace {

TEST(HostShellTest, OneCopyPerLockAndNoShellServices) {
  std::string tmpl = (std::filesystem::temp_directory_path() / "hm-shell-XXXXXX").string();
  ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
  {
    auto first = std::make_unique<HostShell>(std::vector<std::string>{"-quick", "--prefix", "/p"}, tmpl);
    HostShell second({}, tmpl);
    EXPECT_FALSE(first->anotherCopyRunning());
    EXPECT_FALSE(first->anotherCopyRunning());  // asking again keeps the lock
    EXPECT_TRUE(second.anotherCopyRunning());
    EXPECT_EQ(first->commandLine(), "-quick --prefix /p");
    first.reset();
    EXPECT_FALSE(second.anotherCopyRunning());

    std::string exe = "x";
    EXPECT_EQ(second.findExecutable("C:\\a.htm", exe), 31);
    EXPECT_EQ(exe, "");
    EXPECT_TRUE(second.elevated());
    EXPECT_FALSE(second.restartElevated(""));
    EXPECT_EQ(second.systemImageList(true), 0u);
    EXPECT_EQ(second.fileIconIndex("a.txt", true, false), -1);
    EXPECT_FALSE(second.programName().empty());
  }
  std::filesystem::remove_all(tmpl);
}

}  // namespace
}  // namespace hm::platform
