// Live agreement: shortcuts made now by the shell's own writer, read by our
// reader and by the shell's readers (TargetPath where the script shell has it,
// else IShellLinkW::GetPath), must name the same target.
#include <gtest/gtest.h>

#include <filesystem>

#include "shelllink/ShellLinkTestSupport.h"
#include "shelllink/WindowsShellLinks.h"

namespace hm::platform {
namespace {

using namespace hm::testing;

EnvironmentLookup processEnvironment() {
  return [](std::string_view name) -> std::optional<std::string> {
    const std::u16string units = text::toUtf16(name);
    const std::wstring wide(units.begin(), units.end());
    std::vector<wchar_t> value(32768, L'\0');
    const DWORD length = GetEnvironmentVariableW(wide.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (length == 0 || length >= value.size()) return std::nullopt;
    return toUtf8(std::wstring(value.data(), length));
  };
}

// Letters that the shell's code-page strings lost come back as "?" from it.
bool sameOrLosslessForm(std::string_view ours, std::string_view shells) {
  const auto a = text::toUtf16(ours), b = text::toUtf16(shells);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && !(b[i] == u'?' && a[i] >= 0x80)) return false;
  return true;
}

class ShellLinkShell : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    folder_ = std::filesystem::temp_directory_path() / ("hm-lnk-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    CoUninitialize();
  }
  std::filesystem::path folder_;
};

TEST_F(ShellLinkShell, OurReaderAgreesWithTheShellOnFreshShortcuts) {
  const std::wstring base = folder_.wstring() + L"\\targets";
  const auto env = processEnvironment();
  int compared = 0;
  for (const auto& shortcutCase : shortcutCases()) {
    const std::wstring target = expandCaseTarget(shortcutCase, base);
    // The shell's writer cuts longer targets at MAX_PATH; that is its limit, not the reader's.
    if (target.size() >= MAX_PATH - 20) continue;
    const std::wstring link = folder_.wstring() + L"\\" + shortcutCase.name + L".lnk";
    ASSERT_TRUE(createCaseTarget(target, shortcutCase.kind)) << toUtf8(target);
    ASSERT_TRUE(createShortcut(link, target)) << toUtf8(link);
    const auto scripted = scriptShellTargetPath(link);
    const auto shell = scripted ? scripted : shellLinkGetPath(link);
    ASSERT_TRUE(shell.has_value()) << toUtf8(link);
    const auto ours = readShellLink(*readWholeFile(link), env);
    EXPECT_TRUE(sameOrLosslessForm(ours.path, toUtf8(*shell)))
        << toUtf8(shortcutCase.name) << ": ours " << ours.path << ", shell's " << toUtf8(*shell);
    ++compared;
  }
  EXPECT_GE(compared, static_cast<int>(shortcutCases().size()) - 1);
}

}  // namespace
}  // namespace hm::platform
