#include <gtest/gtest.h>

#include "mainwindow/ScanCommands.h"
#include "platform/Machine.h"
#include "platform/memory/MemoryRegistry.h"
#include "support/RegistrySeed.h"
#include "support/TestMachine.h"

namespace hm {
namespace {

// Only the font key of the running platform family is walked.
TEST(ScanDriver, FontsComeFromTheNtKeyOnNtAndFromTheOlderKeyOtherwise) {
  test::TestMachine m;
  test::SetString(platform::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "Nt",
                  "nt.ttf");
  test::SetString(platform::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts", "Old", "old.ttf");
  auto* registry = dynamic_cast<platform::MemoryRegistry*>(platform::machine().registry);
  ASSERT_NE(registry, nullptr);
  for (const std::uint32_t platformId : {2u, 1u}) {
    registry->setPlatformId(platformId);
    ScanLists lists;
    RunScan(lists, ScanKind::Quick);
    ASSERT_EQ(lists.lvwErrors.rowCount(), 1u);
    EXPECT_EQ(lists.lvwErrors.cell(0, kKeyValue),
              m.windowsFolder() + (platformId == 2 ? "\\Fonts\\nt.ttf" : "\\Fonts\\old.ttf"));
  }
}

}  // namespace
}  // namespace hm
