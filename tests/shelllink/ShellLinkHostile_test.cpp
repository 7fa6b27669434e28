// Every fixture cut short at every length, and with bytes overwritten at
// sampled positions, must read to an answer (usually "") without a crash or a
// hang. Run under ASan/UBSan in CI.
#include <gtest/gtest.h>

#include <chrono>

#include "shelllink/ShellLinkTestSupport.h"

namespace hm::platform {
namespace {

using namespace hm::testing;

const EnvironmentLookup kEnv = fixedEnvironment({{"SystemRoot", "C:\\Windows"}, {"USERPROFILE", "C:\\Users\\a"}});

// What any answer must look like: valid text, no folder separator left at the end.
void expectSoundAnswer(const ShellLinkTarget& target) {
  EXPECT_EQ(text::toUtf8(text::toUtf16(target.path)), target.path);
  if (target.path.size() > 3) {
    EXPECT_NE(target.path.back(), '\\') << target.path;
  }
}

TEST(ShellLinkHostile, TruncatedFixturesReadWithoutFault) {
  const auto started = std::chrono::steady_clock::now();
  for (const auto& file : lnkFixtures()) {
    const std::string bytes = readBinaryFile(file);
    for (std::size_t length = 0; length < bytes.size(); ++length) {
      expectSoundAnswer(readShellLink(std::string_view(bytes).substr(0, length), kEnv));
    }
  }
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(120));
}

TEST(ShellLinkHostile, CorruptedFixturesReadWithoutFault) {
  for (const auto& file : lnkFixtures()) {
    std::string bytes = readBinaryFile(file);
    const std::size_t step = bytes.size() > 4096 ? 61 : 3;
    for (std::size_t at = 0; at < bytes.size(); at += step) {
      const char original = bytes[at];
      for (const char replacement : {'\x00', '\xFF', static_cast<char>(original ^ 0x80), '\x7F'}) {
        bytes[at] = replacement;
        expectSoundAnswer(readShellLink(bytes, kEnv));
      }
      bytes[at] = original;
    }
  }
}

}  // namespace
}  // namespace hm::platform
