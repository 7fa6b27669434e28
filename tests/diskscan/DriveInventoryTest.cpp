#include <gtest/gtest.h>

#include "diskscan/DriveInventory.h"
#include "support/TestMachine.h"

namespace hm {
namespace {

TEST(DriveInventory, StripNullsCutsAtTheFirstNulAndChangesTheCallersText) {
  std::string padded = std::string("app.lnk") + '\0' + "junk" + std::string(5, '\0');
  EXPECT_EQ(StripNulls(padded), "app.lnk");
  EXPECT_EQ(padded, "app.lnk");
  std::string plain = "plain name";
  EXPECT_EQ(StripNulls(plain), "plain name");
  std::string leading = std::string(1, '\0') + "x";
  EXPECT_EQ(StripNulls(leading), "");
}

TEST(DriveInventory, GetCdRomGivesTheLastCdRomDriveOrNothing) {
  test::TestMachine m;
  EXPECT_EQ(GetCdRom(), "");
  m.drives.list() = {{'C', platform::kDriveFixed, true},
                     {'E', platform::kDriveCdRom, true},
                     {'F', platform::kDriveCdRom, false},
                     {'G', platform::kDriveRemovable, true}};
  EXPECT_EQ(GetCdRom(), "F:");
}

TEST(DriveInventory, VolumeInformationOnlyForAReadyDrive) {
  test::TestMachine m;
  m.drives.list() = {{'C', platform::kDriveFixed, true}, {'D', platform::kDriveFixed, false}};
  EXPECT_TRUE(RgbGetVolumeInformationRDI("C:\\"));
  EXPECT_FALSE(RgbGetVolumeInformationRDI("D:\\"));
  EXPECT_FALSE(RgbGetVolumeInformationRDI("Q:\\"));
  EXPECT_FALSE(RgbGetVolumeInformationRDI(""));
}

}  // namespace
}  // namespace hm
