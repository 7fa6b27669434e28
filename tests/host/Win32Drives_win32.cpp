#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "platform/win32/Win32FileSystem.h"

namespace hm {
namespace {

// Wine's Z: is the host's whole file system: searching it would take in (and
// a repair would delete) the host's own files.
TEST(Win32Drives, WinesHostDriveIsNotAFixedDrive) {
  if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr)
    GTEST_SKIP() << "not running under wine";
  const auto drives = platform::win32::Win32Drives().drives();
  const auto type = [&](char letter) {
    const auto d = std::find_if(drives.begin(), drives.end(), [&](const auto& i) { return i.letter == letter; });
    return d == drives.end() ? -1 : d->type;
  };
  EXPECT_EQ(type('Z'), platform::kDriveNetwork);  // the test prefix maps z: to "/"
  EXPECT_EQ(type('C'), platform::kDriveFixed);
}

}  // namespace
}  // namespace hm
