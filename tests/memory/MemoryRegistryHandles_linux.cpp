#include <gtest/gtest.h>

#include "platform/memory/MemoryRegistry.h"

namespace hm {
namespace {

using namespace platform;

// Handles live in reused slots: a closed handle must stay dead when its slot
// is taken again, and a handle to a deleted key must lead nowhere.
TEST(MemoryRegistryHandles, ClosedAndOrphanedHandlesStayInvalid) {
  RegistryKey machine{"", nullptr, false}, user{"", nullptr, false};
  machine.ensurePath("Software\\A");
  machine.ensurePath("Software\\B");
  MemoryRegistry reg(machine, user);
  const HKey root = rootHandle(kHkeyLocalMachine);
  HKey a = 0, b = 0, again = 0;
  ASSERT_EQ(reg.openKey(root, "Software\\A", kKeyRead, a), kSuccess);
  ASSERT_EQ(reg.closeKey(a), kSuccess);
  ASSERT_EQ(reg.openKey(root, "Software\\B", kKeyRead, b), kSuccess);
  EXPECT_NE(a, b);
  std::string name;
  EXPECT_EQ(reg.enumKey(a, 0, name, 256), kInvalidHandle);
  EXPECT_EQ(reg.closeKey(a), kInvalidHandle);
  EXPECT_EQ(reg.enumKey(a + 4, 0, name, 256), kInvalidHandle);  // never handed out
  EXPECT_EQ(reg.openHandleCount(), 1u);

  ASSERT_EQ(reg.openKey(root, "Software\\A", kKeyRead, again), kSuccess);
  ASSERT_EQ(reg.deleteKey(root, "Software\\A"), kSuccess);
  std::uint32_t type = 0, size = 0;
  EXPECT_NE(reg.queryValueInfo(again, "", type, size), kSuccess);
  EXPECT_EQ(reg.closeKey(again), kSuccess);
  EXPECT_EQ(reg.closeKey(b), kSuccess);
  EXPECT_EQ(reg.openHandleCount(), 0u);
}

}  // namespace
}  // namespace hm
