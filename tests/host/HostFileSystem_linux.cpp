#include <gtest/gtest.h>

#include "common/GenDec.h"
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

}  // namespace
}  // namespace hm
